#include "shell/CNetConnectDlg.h"

#include <QApplication>
#include <QClipboard>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "shell/AppContext.h"
#include "shell/DialogTexts.h"

namespace nr::gui {
namespace {

constexpr TextPair kConnectFailed{"错误%1，请确认IP地址和端口号正确!", "Connect failed. Error %1"};
constexpr TextPair kIncompleteAddress{"请输入完整的IP地址!", "Please enter a complete IP address."};

// One field of a dotted address: 0..255 written without leading zeros, or nothing yet.
std::optional<int> ParseOctet(const QString& text) {
  static const QRegularExpression kOctet("^(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])$");
  if (!kOctet.match(text).hasMatch()) return std::nullopt;
  return text.toInt();
}

bool ValidPort(int port) { return port > 0 && port <= 65535; }

}  // namespace

Ipv4AddressEdit::Ipv4AddressEdit(QWidget* parent) : QFrame(parent) {
  setFrameShape(QFrame::StyledPanel);
  setFrameShadow(QFrame::Sunken);
  setBackgroundRole(QPalette::Base);
  setAutoFillBackground(true);

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(4, 2, 4, 2);
  layout->setSpacing(0);
  const auto* validator =
      new QRegularExpressionValidator(QRegularExpression("^(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])?$"), this);
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (i > 0) {
      auto* dot = new QLabel(".", this);
      dot->setBackgroundRole(QPalette::Base);
      layout->addWidget(dot);
    }
    auto* field = new QLineEdit(this);
    field->setFrame(false);
    field->setAlignment(Qt::AlignCenter);
    field->setMaxLength(3);
    field->setValidator(validator);
    field->setFixedWidth(field->fontMetrics().horizontalAdvance("0000") + 6);
    field->installEventFilter(this);
    connect(field, &QLineEdit::textEdited, this, [this, i, field](const QString& text) {
      if (text.size() == 3 && field->cursorPosition() == 3 && i + 1 < fields_.size())
        FocusField(static_cast<int>(i) + 1, false);
    });
    fields_[i] = field;
    layout->addWidget(field);
  }
  setFocusProxy(fields_[0]);
}

bool Ipv4AddressEdit::SetAddress(const QString& text) {
  const QStringList parts = text.trimmed().split('.');
  if (parts.size() != 4) return false;
  std::array<int, 4> octets{};
  for (size_t i = 0; i < octets.size(); ++i) {
    const std::optional<int> octet = ParseOctet(parts[static_cast<qsizetype>(i)]);
    if (!octet) return false;
    octets[i] = *octet;
  }
  for (size_t i = 0; i < fields_.size(); ++i) fields_[i]->setText(QString::number(octets[i]));
  return true;
}

QString Ipv4AddressEdit::Address() const {
  if (!IsComplete()) return QString();
  QStringList parts;
  for (const QLineEdit* field : fields_) parts << QString::number(field->text().toInt());
  return parts.join('.');
}

bool Ipv4AddressEdit::IsComplete() const {
  for (const QLineEdit* field : fields_)
    if (!ParseOctet(field->text())) return false;
  return true;
}

void Ipv4AddressEdit::Clear() {
  for (QLineEdit* field : fields_) field->clear();
}

int Ipv4AddressEdit::IndexOf(QObject* field) const {
  for (size_t i = 0; i < fields_.size(); ++i)
    if (fields_[i] == field) return static_cast<int>(i);
  return -1;
}

void Ipv4AddressEdit::FocusField(int i, bool atEnd) {
  QLineEdit* field = fields_[static_cast<size_t>(i)];
  field->setFocus();
  if (atEnd)
    field->setCursorPosition(static_cast<int>(field->text().size()));
  else
    field->selectAll();
}

bool Ipv4AddressEdit::eventFilter(QObject* watched, QEvent* event) {
  const int i = IndexOf(watched);
  if (i < 0 || event->type() != QEvent::KeyPress) return QFrame::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  QLineEdit* field = fields_[static_cast<size_t>(i)];
  const bool atStart = field->cursorPosition() == 0 && !field->hasSelectedText();
  const bool atEnd = field->cursorPosition() == field->text().size() && !field->hasSelectedText();
  if (key->matches(QKeySequence::Paste)) {
    // A whole address pasted anywhere fills every field; anything else pastes as usual.
    return SetAddress(QApplication::clipboard()->text());
  }
  switch (key->key()) {
    case Qt::Key_Period:
    case Qt::Key_Comma:
    case Qt::Key_Space:
      if (i < 3 && !field->text().isEmpty()) FocusField(i + 1, false);
      return true;
    case Qt::Key_Backspace:
      if (atStart && i > 0) {
        FocusField(i - 1, true);
        return true;
      }
      break;
    case Qt::Key_Left:
      if (atStart && i > 0) {
        FocusField(i - 1, true);
        return true;
      }
      break;
    case Qt::Key_Right:
      if (atEnd && i < 3) {
        FocusField(i + 1, false);
        fields_[static_cast<size_t>(i) + 1]->setCursorPosition(0);
        return true;
      }
      break;
    default:
      break;
  }
  return QFrame::eventFilter(watched, event);
}

CNetConnectDlg::CNetConnectDlg(AppContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
  setProperty(kDialogNumberProperty, kDialogNumber);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(240, 250, 255));
  setPalette(pal);
  setAutoFillBackground(true);

  // The Chinese texts are the dialog's own; the language table relabels them.
  setWindowTitle(QString::fromUtf8("网络连接"));
  addressLabel_ = WithId(new QLabel(QString::fromUtf8("机器IP地址"), this), kAddressLabelId);
  address_ = WithId(new Ipv4AddressEdit(this), kAddressId);
  addressLabel_->setBuddy(address_);
  port_ = WithId(new QLineEdit(this), kPortId);
  port_->hide();  // the port is stored and used but not offered for editing
  status_ = WithId(new QLabel(this), kStatusId);
  status_->setWordWrap(true);
  status_->setTextFormat(Qt::PlainText);
  QPalette red = status_->palette();
  red.setColor(QPalette::WindowText, QColor(255, 0, 0));
  status_->setPalette(red);
  status_->setMinimumHeight(status_->fontMetrics().height() * 2);
  connect_ = WithId(new QPushButton(QString::fromUtf8("尝试连接"), this), kConnectId);
  connect_->setDefault(true);
  cancel_ = WithId(new QPushButton(QString::fromUtf8("取消"), this), kCancelId);
  cancel_->setAutoDefault(false);
  connect(connect_, &QPushButton::clicked, this, [this] { TryConnect(); });
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

  auto* addressRow = new QHBoxLayout;
  addressRow->setSpacing(10);
  addressRow->addWidget(addressLabel_);
  addressRow->addWidget(address_);
  addressRow->addStretch();
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(connect_);
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(20, 18, 20, 14);
  layout->setSpacing(10);
  layout->addLayout(addressRow);
  layout->addWidget(status_);
  layout->addLayout(buttons);

  LoadTarget();
  ApplyTexts();
  connect(&ctx_, &AppContext::languageChanged, this, &CNetConnectDlg::ApplyTexts);
}

void CNetConnectDlg::LoadTarget() {
  AppSettings& settings = ctx_.Settings();
  const QString stored = settings.IpAddress();
  // A stored address the control cannot show is treated like no address at all.
  if (stored.isEmpty() || !address_->SetAddress(stored)) address_->SetAddress(kDefaultAddress);
  const int port = settings.IpPort();
  port_->setText(QString::number(ValidPort(port) ? port : kDefaultPort));
}

bool CNetConnectDlg::TryConnect() {
  if (!address_->IsComplete()) {
    lastError_.reset();
    incompleteAddress_ = true;
    ShowStatus();
    return false;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  struct RestoreCursor {
    ~RestoreCursor() { QApplication::restoreOverrideCursor(); }
  } restoreCursor;

  Link& link = ctx_.GetLink();
  if (link.IsConnected() && !link.IsNetwork()) link.CloseUsb(false);
  ctx_.SetHostBusyMark(false);
  link.SetNetwork(true);
  const QString address = Address();
  const int port = Port();
  link.SetNetTarget(address.toStdString(), static_cast<uint16_t>(port));
  const int result = link.NetConnect();
  if (result != 1) {
    incompleteAddress_ = false;
    lastError_ = result;
    ShowStatus();
    return false;
  }
  ctx_.Settings().SetNetTarget(address, port);
  incompleteAddress_ = false;
  lastError_.reset();
  ShowStatus();
  accept();
  emit connected();
  return true;
}

void CNetConnectDlg::ApplyTexts() {
  ApplyDialogTexts(this, kDialogNumber, ctx_.Table());
  ShowStatus();
}

QString CNetConnectDlg::Address() const { return address_->Address(); }

int CNetConnectDlg::Port() const {
  const int port = port_->text().toInt();
  return ValidPort(port) ? port : kDefaultPort;
}

QString CNetConnectDlg::StatusText() const { return status_->text(); }

void CNetConnectDlg::ShowStatus() {
  if (incompleteAddress_)
    status_->setText(ctx_.T(kIncompleteAddress));
  else if (lastError_)
    status_->setText(ctx_.T(kConnectFailed).arg(*lastError_));
  else
    status_->clear();
}

}  // namespace nr::gui
