#pragma once
// A room's name, address and note: to add a room to the venue, or to rename one (and correct its
// address or note). OK stays disabled, and the line under the fields says why, until the entries
// make a room the venue can take.
#include <QDialog>
#include <functional>
#include <string>

#include "venue/VenueFile.h"

class QDialogButtonBox;
class QLabel;
class QLineEdit;

namespace nr::gui {

class AppContext;

class CVenueRoomDlg : public QDialog {
  Q_OBJECT

 public:
  // check: why the room could not be taken (a name in use, an address of another room), or "".
  CVenueRoomDlg(AppContext& ctx, const Room& room, bool adding, std::function<std::string(const Room&)> check,
                QWidget* parent = nullptr);

  Room Entered() const;
  QLineEdit* NameField() const { return name_; }
  QLineEdit* AddressField() const { return address_; }
  QLineEdit* NoteField() const { return note_; }
  QDialogButtonBox* Buttons() const { return buttons_; }
  QLabel* Problem() const { return problem_; }

 private:
  void Validate();

  AppContext& ctx_;
  std::function<std::string(const Room&)> check_;
  QLineEdit* name_ = nullptr;
  QLineEdit* address_ = nullptr;
  QLineEdit* note_ = nullptr;
  QLabel* problem_ = nullptr;
  QDialogButtonBox* buttons_ = nullptr;
};

}  // namespace nr::gui
