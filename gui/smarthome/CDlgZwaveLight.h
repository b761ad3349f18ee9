#pragma once
// Sets the level of one dimmer plug: a slider 0..99 with step, off and maximum buttons. The level
// is sent when the slider is let go or a button is used, never while it is dragged.
#include <QDialog>

class QLabel;
class QPushButton;
class QSlider;
class QToolButton;

namespace nr::gui {

class SmartHomeContext;

class CDlgZwaveLight : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kDialogNumber = 484;
  static constexpr int kSliderId = 1014;
  static constexpr int kDownId = 1068;
  static constexpr int kUpId = 1069;
  static constexpr int kOffId = 1070;
  static constexpr int kMaxId = 1071;
  static constexpr int kLevelLabelId = 1232;

  CDlgZwaveLight(SmartHomeContext& sc, int node, QWidget* parent = nullptr);

  int Node() const { return node_; }
  QSlider* Slider() const { return slider_; }
  QLabel* LevelLabel() const { return level_; }
  void Relabel();

 private:
  void ShowLevel(int position);
  void SendLevel(int position);

  SmartHomeContext& sc_;
  const int node_;
  QSlider* slider_ = nullptr;
  QLabel* level_ = nullptr;
};

}  // namespace nr::gui
