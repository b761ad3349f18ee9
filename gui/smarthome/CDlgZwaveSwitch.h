#pragma once
// Switches one switch plug on or off; the plug's answer closes the wait dialog that follows.
#include <QDialog>

class QToolButton;

namespace nr::gui {

class SmartHomeContext;

class CDlgZwaveSwitch : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kDialogNumber = 485;
  static constexpr int kOnId = 1068;
  static constexpr int kOffId = 1069;

  CDlgZwaveSwitch(SmartHomeContext& sc, int node, QWidget* parent = nullptr);

  int Node() const { return node_; }
  QToolButton* OnButton() const { return on_; }
  QToolButton* OffButton() const { return off_; }
  void Relabel();

 private:
  void Set(bool on);

  SmartHomeContext& sc_;
  const int node_;
  QToolButton* on_ = nullptr;
  QToolButton* off_ = nullptr;
};

}  // namespace nr::gui
