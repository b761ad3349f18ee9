#pragma once
// The advanced EQ window (F6): the second eight-band equaliser of each output channel. Eight
// channel buttons choose the channel shown; the EQ panel and band editor edit its set, and every
// edit, the bypass switch and the reset reach the channels linked with it by the output page's
// pair links, evaluated at each edit. Closing only hides it; it keeps its channel.
#include <QDialog>
#include <array>

#include "outputs/OutputChannels.h"
#include "shell/Page.h"

class QCheckBox;
class QPushButton;

namespace nr::gui {

class AppContext;
class BandEditor;
class CEqPanel;

class CAdvEQDlg : public QDialog, public ToolDialog {
  Q_OBJECT

 public:
  static constexpr int kDialogNumber = 542;
  static constexpr int kBypassId = 1284;
  static constexpr int kResetId = 1216;
  static constexpr std::array<int, kOutputCount> kChannelIds{1069, 1072, 1070, 1071, 1076, 1077, 1078, 1079};
  static constexpr int kResetTipMsPerChannel = 1000;

  CAdvEQDlg(AppContext& ctx, DeviceSession& session, QWidget* parent = nullptr);

  // No current band, the channel's set and bypass re-read, the channel's button marked.
  void RefreshFromImage() override;
  // Panel language, texts, band list rebuilt, then refreshed.
  void Relabel() override;

  void SelectChannel(int channel);
  int Channel() const { return channel_; }
  // The channels an edit reaches now: the shown one and those the pair links join to it.
  ChannelList Linked() const;

  QPushButton* ChannelButton(int channel) const { return channels_[static_cast<size_t>(channel)]; }
  QCheckBox* BypassBox() const { return bypass_; }
  QPushButton* ResetButton() const { return reset_; }
  CEqPanel* Panel() const { return panel_; }
  BandEditor* Editor() const { return editor_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void OnBypass(bool on);
  void OnReset();
  void WriteBand(int band);

  AppContext& ctx_;
  DeviceSession& session_;
  int channel_ = 0;
  std::array<QPushButton*, kOutputCount> channels_{};
  QCheckBox* bypass_ = nullptr;
  QPushButton* reset_ = nullptr;
  CEqPanel* panel_ = nullptr;
  BandEditor* editor_ = nullptr;
};

}  // namespace nr::gui
