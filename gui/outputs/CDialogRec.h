#pragma once
// The record page: the feed for an external recorder, mixed from the direct signal, reverb, echo
// and music, with its own level, compressor and five-band equaliser. The record EQ has no bypass
// switch, so the status bar's bypass box is disabled here.
#include <array>

#include "outputs/Compressor.h"
#include "outputs/OutputPages.h"
#include "shell/Page.h"

class QLabel;
class QSlider;

namespace nr {
class DeviceSession;
struct DeviceState;
}

namespace nr::gui {

class AppContext;
class BandEditor;
class CEqPanel;
class CompressorControls;
class FocusWheelRouter;
class OutputHeaderRow;
class TitlePicture;

class CDialogRec : public Page {
  Q_OBJECT

 public:
  static constexpr int kDialogNumber = 522;
  static constexpr int kLevels = kSendCount + 1;  // the four sends, then the record level

  CDialogRec(AppContext& ctx, DeviceSession& session, PageHost& host, QWidget* parent = nullptr);

  int DialogNumber() const override { return kDialogNumber; }
  void RefreshFromImage() override;
  void Relabel() override;

  bool HasEq() const override { return true; }
  bool HasEqBypass() const override { return false; }
  void ResetCurrentEq() override;

  OutputHeaderRow* Header() const { return header_; }
  TitlePicture* Title() const { return title_; }
  QSlider* LevelSlider(int level) const { return levels_[static_cast<size_t>(level)].slider; }
  QLabel* LevelValue(int level) const { return levels_[static_cast<size_t>(level)].value; }
  CompressorControls* Compressor() const { return compressor_; }
  CEqPanel* Panel() const { return panel_; }
  BandEditor* Editor() const { return editor_; }

 private:
  // What each control does, in the present language.
  void ApplyPageTips();
  void Build();
  void OnLevel(int level, int value);
  void OnCompressorSlider(CompressorSlider slider, int position);
  bool RoutedWheelTarget(QWidget* focus) const;

  AppContext& ctx_;
  DeviceSession& session_;
  PageHost& host_;
  OutputHeaderRow* header_ = nullptr;
  TitlePicture* title_ = nullptr;
  std::array<SliderRow, kLevels> levels_{};
  CompressorControls* compressor_ = nullptr;
  CEqPanel* panel_ = nullptr;
  BandEditor* editor_ = nullptr;
  FocusWheelRouter* wheel_ = nullptr;
};

}  // namespace nr::gui
