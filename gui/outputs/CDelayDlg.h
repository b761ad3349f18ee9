#pragma once
// The delay page: the delay of all eight output channels at once. Each row has the delay switch,
// the split mode, the split frequency and the delay time (a box with a spin control, 1.4 .. 100.0
// ms in tenths); the bar graph beside them shows the delays and sets one by dragging. Every
// control drives the same parameters as the output page's delay section.
#include <array>

#include "outputs/OutputPages.h"
#include "shell/Page.h"

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QRadioButton;
class QSlider;

namespace nr {
class DeviceSession;
struct DeviceState;
}

namespace nr::gui {

class AppContext;
class CDelayPanel;
class FocusWheelRouter;
class OutputHeaderRow;

class CDelayDlg : public Page {
  Q_OBJECT

 public:
  static constexpr int kDialogNumber = 333;

  CDelayDlg(AppContext& ctx, DeviceSession& session, PageHost& host, QWidget* parent = nullptr);

  int DialogNumber() const override { return kDialogNumber; }
  void RefreshFromImage() override;
  void Relabel() override;

  OutputHeaderRow* Header() const { return header_; }
  QCheckBox* OnBox(int channel) const { return rows_.at(static_cast<size_t>(channel)).on; }
  QRadioButton* SplitModeButton(int channel) const { return rows_.at(static_cast<size_t>(channel)).split; }
  QRadioButton* ChannelModeButton(int channel) const { return rows_.at(static_cast<size_t>(channel)).whole; }
  QSlider* SplitSlider(int channel) const { return rows_.at(static_cast<size_t>(channel)).frequency; }
  QLabel* SplitValue(int channel) const { return rows_.at(static_cast<size_t>(channel)).frequencyValue; }
  QDoubleSpinBox* DelayBox(int channel) const { return rows_.at(static_cast<size_t>(channel)).ms; }
  CDelayPanel* Graph() const { return graph_; }

 private:
  // What each control does, in the present language.
  void ApplyPageTips();
  struct Row {
    QLabel* caption = nullptr;
    QCheckBox* on = nullptr;
    QRadioButton* split = nullptr;
    QRadioButton* whole = nullptr;
    QSlider* frequency = nullptr;
    QLabel* frequencyValue = nullptr;
    QDoubleSpinBox* ms = nullptr;
  };

  void Build();
  void OnSwitch(int channel, bool on);
  void OnMode(int channel, bool channelDelay);
  void OnSplit(int channel, int index);
  void OnDelayBox(int channel, double ms);
  void OnDragged(int channel, float ms);
  void EnableRow(int channel, bool on, bool channelDelay);
  void RefreshRow(const DeviceState& s, int channel);
  bool RoutedWheelTarget(QWidget* focus) const;

  AppContext& ctx_;
  DeviceSession& session_;
  PageHost& host_;
  OutputHeaderRow* header_ = nullptr;
  std::array<Row, kOutputCount> rows_{};
  CDelayPanel* graph_ = nullptr;
  FocusWheelRouter* wheel_ = nullptr;
};

}  // namespace nr::gui
