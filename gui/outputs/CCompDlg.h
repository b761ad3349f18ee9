#pragma once
// The compressor page: one output's compressor with its transfer curve. The page loads the
// output's stored settings when it opens and when another output is chosen; "Comp ON" switches
// that output's compressor and the curve's OFF mark.
#include "outputs/Compressor.h"
#include "outputs/OutputPages.h"
#include "shell/Page.h"

class QCheckBox;
class QComboBox;
class QLabel;

namespace nr {
class DeviceSession;
}

namespace nr::gui {

class AppContext;
class CCompressPanelPlus;
class CompressorControls;
class FocusWheelRouter;
class OutputHeaderRow;

class CCompDlg : public Page {
  Q_OBJECT

 public:
  static constexpr int kDialogNumber = 346;

  CCompDlg(AppContext& ctx, DeviceSession& session, PageHost& host, int output, QWidget* parent = nullptr);

  int DialogNumber() const override { return kDialogNumber; }
  void RefreshFromImage() override;
  void Relabel() override;

  void SelectOutput(int output);
  int Output() const { return output_; }

  OutputHeaderRow* Header() const { return header_; }
  QComboBox* OutputList() const { return outputs_; }
  CompressorControls* Controls() const { return controls_; }
  CCompressPanelPlus* Curve() const { return curve_; }

 private:
  // What each control does, in the present language.
  void ApplyPageTips();
  void Build();
  void FillOutputList();
  void OnSlider(CompressorSlider slider, int position);
  void OnSwitch(bool on);
  void ShowCurve(const DynamicsSettings& d, bool on);

  AppContext& ctx_;
  DeviceSession& session_;
  PageHost& host_;
  int output_ = 0;

  OutputHeaderRow* header_ = nullptr;
  QComboBox* outputs_ = nullptr;
  CompressorControls* controls_ = nullptr;
  CCompressPanelPlus* curve_ = nullptr;
  FocusWheelRouter* wheel_ = nullptr;
};

}  // namespace nr::gui
