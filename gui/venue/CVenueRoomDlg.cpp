#include "venue/CVenueRoomDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/AppContext.h"
#include "shell/ControlTips.h"

namespace nr::gui {
namespace {

constexpr TextPair kAddTitle{"添加包房", "Add a room"};
constexpr TextPair kEditTitle{"修改包房", "Rename the room"};
constexpr TextPair kName{"名称:", "Name:"};
constexpr TextPair kAddress{"地址:", "Address:"};
constexpr TextPair kNote{"备注:", "Note:"};
constexpr TextPair kAddressHint{"例如 192.168.1.20 或 192.168.1.20:30303", "e.g. 192.168.1.20 or 192.168.1.20:30303"};
constexpr TextPair kNameTip{"包房的名称，也是其备份文件的名称", "The room's name, also the name of its backup file"};
constexpr TextPair kAddressTip{"处理器的网络地址（主机或 主机:端口）", "The processor's network address (host or host:port)"};
constexpr TextPair kNoAddress{"这不是网络地址（主机或 主机:端口）", "This is no network address (host or host:port)"};

}  // namespace

CVenueRoomDlg::CVenueRoomDlg(AppContext& ctx, const Room& room, bool adding, std::function<std::string(const Room&)> check,
                             QWidget* parent)
    : QDialog(parent), ctx_(ctx), check_(std::move(check)) {
  setWindowTitle(ctx_.T(adding ? kAddTitle : kEditTitle));
  name_ = new QLineEdit(QString::fromStdString(room.name), this);
  address_ = new QLineEdit(QString::fromStdString(room.address), this);
  note_ = new QLineEdit(QString::fromStdString(room.note), this);
  address_->setPlaceholderText(ctx_.T(kAddressHint));
  name_->setToolTip(ctx_.T(kNameTip));
  address_->setToolTip(ctx_.T(kAddressTip));
  name_->setMaxLength(64);
  problem_ = new QLabel(this);
  problem_->setWordWrap(true);
  problem_->setTextFormat(Qt::PlainText);
  buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

  auto* form = new QFormLayout;
  form->addRow(ctx_.T(kName), name_);
  form->addRow(ctx_.T(kAddress), address_);
  form->addRow(ctx_.T(kNote), note_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(problem_);
  layout->addWidget(buttons_);
  setMinimumWidth(420);

  connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
  for (QLineEdit* field : {name_, address_, note_}) connect(field, &QLineEdit::textChanged, this, &CVenueRoomDlg::Validate);
  NameControlsForScreenReaders(this);
  Validate();
}

Room CVenueRoomDlg::Entered() const {
  return Room{name_->text().trimmed().toStdString(), address_->text().trimmed().toStdString(), note_->text().toStdString(), {}};
}

void CVenueRoomDlg::Validate() {
  const Room room = Entered();
  // The core's reasons are English only; the Chinese window names the field at fault instead.
  std::string problem = RoomNameProblem(room.name);
  QString shown;
  if (!problem.empty()) {
    shown = ctx_.T({"名称不可用：", "Name: "}) + QString::fromStdString(problem);
  } else if (!RoomTarget(room.address)) {
    shown = room.address.empty() ? QString() : ctx_.T(kNoAddress);
    problem = "address";
  } else if (check_) {
    problem = check_(room);
    shown = QString::fromStdString(problem);
  }
  problem_->setText(shown);
  buttons_->button(QDialogButtonBox::Ok)->setEnabled(problem.empty());
}

}  // namespace nr::gui
