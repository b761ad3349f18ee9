#pragma once
// The output channel page: one channel at a time with its channel EQ and crossover, its sends,
// compressor and delay; for all eight channels the speaker position, mute and phase; and the
// three pair links. EQ, send, compressor and delay-mode edits reach every channel linked with the
// shown one; switching a link on offers to make the pair's channels equal.
#include <array>

#include "outputs/Compressor.h"
#include "outputs/OutputPages.h"
#include "shell/Page.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QRadioButton;
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

class CDialogOutput : public Page {
  Q_OBJECT

 public:
  static constexpr int kDialogNumber = 385;

  CDialogOutput(AppContext& ctx, PageHost& host, int channel, QWidget* parent = nullptr);
  // Writes through session instead of the application's (tests record what would be sent).
  CDialogOutput(AppContext& ctx, DeviceSession& session, PageHost& host, int channel, QWidget* parent = nullptr);
  ~CDialogOutput() override;

  int DialogNumber() const override { return kDialogNumber; }
  void RefreshFromImage() override;
  void Relabel() override;

  bool HasEq() const override { return true; }
  bool EqBypass() const override;
  void SetEqBypass(bool on) override;
  void ResetCurrentEq() override;

  // Shows another channel (also remembered as the application's last output channel).
  void SelectChannel(int channel);
  int Channel() const { return channel_; }

  // The controls, for tests and the screenshot mode.
  OutputHeaderRow* Header() const { return header_; }
  TitlePicture* Title() const { return title_; }
  QSlider* SendSlider(int send) const { return sends_[static_cast<size_t>(send)].slider; }
  QLabel* SendValue(int send) const { return sends_[static_cast<size_t>(send)].value; }
  QComboBox* PositionList(int channel) const;
  QCheckBox* MuteBox(int channel) const;
  QCheckBox* PhaseBox(int channel) const;
  QCheckBox* LinkBox(LinkPair pair) const { return links_[static_cast<size_t>(pair)]; }
  CEqPanel* Panel() const { return panel_; }
  BandEditor* Editor() const { return editor_; }
  CompressorControls* Compressor() const { return compressor_; }
  QCheckBox* DelaySwitch() const { return delaySwitch_; }
  QRadioButton* SplitModeButton() const { return splitMode_; }
  QRadioButton* ChannelModeButton() const { return channelMode_; }
  QSlider* SplitSlider() const { return split_.slider; }
  QLabel* SplitValue() const { return split_.value; }
  QSlider* DelaySlider() const { return delay_.slider; }
  QLabel* DelayValue() const { return delay_.value; }

 private:
  // What each control does, in the present language.
  void ApplyPageTips();
  struct ChannelRow {
    QLabel* name = nullptr;
    QComboBox* position = nullptr;
    QCheckBox* mute = nullptr;
    QCheckBox* phase = nullptr;
  };

  void Build();
  QWidget* BuildTitleColumn();
  QWidget* BuildSendGroup();
  QWidget* BuildCompressorGroup();
  QWidget* BuildDelayGroup();
  QWidget* BuildChannelGroup();
  void FillPositionLists();

  LinkOptions Links() const;
  void OnSend(int send, int value);
  void OnPosition(int channel, int position);
  void OnLink(LinkPair pair, bool on);
  void OnCompressorSlider(CompressorSlider slider, int position);
  void OnDelaySwitch(bool on);
  void OnDelayMode(bool channelDelay);
  void OnSplit(int index);
  void OnDelay(int tenths);
  void WriteBand(int band);
  // A whole set pasted or imported reaches the linked channels as a band edit does.
  void CopySetToLinked(int set);
  void EnableDelayControls(bool on, bool channelDelay);

  void RefreshTitle(const DeviceState& s);
  void RefreshSends(const DeviceState& s);
  void RefreshChannels(const DeviceState& s);
  void RefreshCompressor(const DeviceState& s);
  void RefreshDelay(const DeviceState& s);
  void RefreshEq(const DeviceState& s);
  bool RoutedWheelTarget(QWidget* focus) const;

  AppContext& ctx_;
  DeviceSession& session_;
  PageHost& host_;
  int channel_ = 0;

  OutputHeaderRow* header_ = nullptr;
  TitlePicture* title_ = nullptr;
  std::array<SliderRow, kSendCount> sends_{};
  std::array<ChannelRow, kOutputCount> rows_{};
  std::array<QCheckBox*, kLinkPairs> links_{};
  CEqPanel* panel_ = nullptr;
  BandEditor* editor_ = nullptr;
  CompressorControls* compressor_ = nullptr;
  QCheckBox* delaySwitch_ = nullptr;
  QRadioButton* splitMode_ = nullptr;
  QRadioButton* channelMode_ = nullptr;
  SliderRow split_;
  SliderRow delay_;
  FocusWheelRouter* wheel_ = nullptr;
};

}  // namespace nr::gui
