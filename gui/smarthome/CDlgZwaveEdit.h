#pragma once
// The plug dialog: type and name of a plug. In add mode OK starts adding a plug with that record
// (the controller first removes, then adds, whatever plug is pressed); in edit mode OK writes the
// changed record of an existing plug to the device.
#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace nr::gui {

class SmartHomeContext;

class CDlgZwaveEdit : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kDialogNumber = 480;
  static constexpr int kTypeId = 1134;
  static constexpr int kNameId = 1038;
  static constexpr int kOkId = 1;
  static constexpr int kCancelId = 2;
  static constexpr int kNameLimit = 12;

  // node 0: add mode; otherwise edit mode for that plug.
  CDlgZwaveEdit(SmartHomeContext& sc, int node, QWidget* parent = nullptr);

  bool AddMode() const { return node_ == 0; }
  QComboBox* TypeCombo() const { return type_; }
  QLineEdit* NameEdit() const { return name_; }
  QPushButton* OkButton() const { return ok_; }
  void Relabel();

 signals:
  // The plug list should show the new state.
  void plugsChanged();

 protected:
  void accept() override;

 private:
  void ProposeName();

  SmartHomeContext& sc_;
  const int node_;
  QComboBox* type_ = nullptr;
  QLineEdit* name_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

}  // namespace nr::gui
