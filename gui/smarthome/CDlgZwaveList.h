#pragma once
// The plug list tab: one icon per present plug with its name. A click opens the switch or dimmer
// dialog of that plug, a double click the plug dialog to edit it; the buttons add and remove.
#include <QPointer>
#include <QTimer>
#include <QWidget>

class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace nr::gui {

class SmartHomeContext;

class CDlgZwaveList : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kDialogNumber = 481;
  static constexpr int kListId = 1223;
  static constexpr int kDeleteId = 1075;
  static constexpr int kAddId = 1076;

  CDlgZwaveList(SmartHomeContext& sc, QWidget* parent = nullptr);

  void Refresh();
  void Relabel();
  QListWidget* List() const { return list_; }
  // The dialog the last click or double click opened (switch, dimmer or plug dialog).
  QDialog* OpenedDialog() const { return opened_; }

  // What the buttons and the mouse do, for the keyboard and for tests.
  void AddPlug();
  void RemovePlug();
  void OpenPlug(int node);  // the switch or dimmer dialog
  void EditPlug(int node);  // the plug dialog in edit mode

 private:
  void Open(QDialog* dialog);

  SmartHomeContext& sc_;
  QListWidget* list_ = nullptr;
  QPushButton* delete_ = nullptr;
  QPushButton* add_ = nullptr;
  QPointer<QDialog> opened_;
  QTimer singleClick_;  // a click waits to see whether it becomes a double click
  int clickedNode_ = 0;
};

}  // namespace nr::gui
