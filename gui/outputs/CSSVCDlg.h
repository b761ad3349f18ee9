#pragma once
// The sound-field page: the room with its listener and loudspeakers, their positions as numbers,
// the room size, each output channel's sound-field volume and the locate switches that make the
// device identify one loudspeaker. Moving the listener or a loudspeaker (by dragging, spinning or
// typing) sets the level of the output channel carrying it.
#include <QSpinBox>
#include <array>

#include "link/RoomRecord.h"
#include "outputs/OutputPages.h"
#include "shell/Page.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;

namespace nr {
class DeviceSession;
struct DeviceState;
}

namespace nr::gui {

class AppContext;
class CSSVolumePanel;
class FocusWheelRouter;
class OutputHeaderRow;

// A position in tenths of a metre, shown as "+1.0m"; typed values count once Enter is pressed.
class PositionSpin : public QSpinBox {
  Q_OBJECT

 public:
  explicit PositionSpin(QWidget* parent = nullptr);
  void SetMetres(float metres);  // without notifying
  float Metres() const { return static_cast<float>(value()) / 10.0f; }
  void SetHalfRange(int metres);  // -metres x 5 .. +metres x 5 tenths

 protected:
  QString textFromValue(int value) const override;
  int valueFromText(const QString& text) const override;
  QValidator::State validate(QString& input, int& pos) const override;
};

class CSSVCDlg : public Page {
  Q_OBJECT

 public:
  static constexpr int kDialogNumber = 334;
  static constexpr int kRows = 1 + kSpeakerCount;  // the listener, then loudspeakers 1..8

  CSSVCDlg(AppContext& ctx, DeviceSession& session, PageHost& host, QWidget* parent = nullptr);

  int DialogNumber() const override { return kDialogNumber; }
  void RefreshFromImage() override;
  void Relabel() override;

  OutputHeaderRow* Header() const { return header_; }
  CSSVolumePanel* Room() const { return room_; }
  PositionSpin* XBox(int row) const { return x_[static_cast<size_t>(row)]; }
  PositionSpin* YBox(int row) const { return y_[static_cast<size_t>(row)]; }
  QSpinBox* WidthBox() const { return width_; }
  QSpinBox* LengthBox() const { return length_; }
  QPushButton* ModifyButton() const { return modify_; }
  QPushButton* ResetButton() const { return reset_; }
  QPushButton* CenterButton() const { return center_; }
  QCheckBox* LocateBox(int channel) const { return channels_[static_cast<size_t>(channel)].locate; }
  QSlider* VolumeSlider(int channel) const { return channels_[static_cast<size_t>(channel)].volume; }
  QLabel* VolumeValue(int channel) const { return channels_[static_cast<size_t>(channel)].value; }
  QLabel* PositionLabel(int channel) const { return channels_[static_cast<size_t>(channel)].position; }

 private:
  // What each control does, in the present language.
  void ApplyPageTips();
  struct ChannelRow {
    QLabel* name = nullptr;
    QLabel* position = nullptr;
    QCheckBox* locate = nullptr;
    QSlider* volume = nullptr;
    QLabel* value = nullptr;
  };

  void Build();
  QWidget* BuildRoomGroup();
  QWidget* BuildPositionGroup();
  QWidget* BuildChannelGroup();
  void OnPositionTyped(int row);
  void OnItemMoved(int item, float x, float y);
  void MoveItem(int row, float x, float y);
  void ApplyRoomSize();
  void OnLocate(int channel, bool on);
  void OnReset();
  void OnCenter();
  void ShowRoom(const RoomModel& room);
  void RefreshChannels(const DeviceState& s);
  bool RoutedWheelTarget(QWidget* focus) const;

  AppContext& ctx_;
  DeviceSession& session_;
  PageHost& host_;
  OutputHeaderRow* header_ = nullptr;
  CSSVolumePanel* room_ = nullptr;
  std::array<PositionSpin*, kRows> x_{};
  std::array<PositionSpin*, kRows> y_{};
  QSpinBox* width_ = nullptr;
  QSpinBox* length_ = nullptr;
  QPushButton* modify_ = nullptr;
  QPushButton* reset_ = nullptr;
  QPushButton* center_ = nullptr;
  std::array<ChannelRow, kOutputCount> channels_{};
  FocusWheelRouter* wheel_ = nullptr;
};

}  // namespace nr::gui
