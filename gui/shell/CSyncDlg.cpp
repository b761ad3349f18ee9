#include "shell/CSyncDlg.h"

#include <QCloseEvent>
#include <algorithm>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QVBoxLayout>

#include "shell/AppContext.h"

namespace nr::gui {
namespace {

constexpr TextPair kTitle{"同步过程", "Synchronize"};
constexpr TextPair kDefaultText{"当前正在与机器同步数据,请稍候......", "Please wait a moment……"};
// The time-out message exists in Chinese only.
constexpr const char* kTimeoutText = "发生错误，与设备数据同步超时……";
constexpr const char* kErrorCaption = "错误";

}  // namespace

CSyncDlg::CSyncDlg(AppContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setWindowModality(Qt::ApplicationModal);

  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(240, 250, 255));
  setPalette(pal);
  setAutoFillBackground(true);

  bar_ = new QProgressBar(this);
  bar_->setRange(0, 0);  // no known end: the style animates a marquee
  bar_->setTextVisible(false);
  bar_->setMinimumWidth(320);

  text_ = new QLabel(this);
  text_->setWordWrap(true);
  text_->setAlignment(Qt::AlignCenter);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 20, 24, 20);
  layout->setSpacing(14);
  layout->addWidget(bar_);
  layout->addWidget(text_);

  connect(&ctx_, &AppContext::languageChanged, this, &CSyncDlg::Relabel);
  Relabel();
}

void CSyncDlg::SetText(const QString& text) {
  callerText_ = text;
  Relabel();
}

QString CSyncDlg::Text() const { return text_->text(); }

void CSyncDlg::SetChunks(int chunks) {
  if (chunks <= 0) return;  // identification and the first request: still the busy bar
  if (bar_->maximum() != kImageChunks) {
    bar_->setRange(0, kImageChunks);
    bar_->setTextVisible(true);
    bar_->setFormat(QStringLiteral("%v / %m"));
  }
  bar_->setValue(std::min(chunks, kImageChunks));
}

void CSyncDlg::Relabel() {
  setWindowTitle(ctx_.T(kTitle));
  text_->setText(callerText_.isEmpty() ? ctx_.T(kDefaultText) : callerText_);
}

void CSyncDlg::reject() {
  if (closeAllowed_) QDialog::reject();
}

void CSyncDlg::closeEvent(QCloseEvent* event) {
  if (closeAllowed_)
    QDialog::closeEvent(event);
  else
    event->ignore();
}

SyncDialogOwner::SyncDialogOwner(AppContext& ctx, QWidget* parentWindow, int timeoutMs)
    : QObject(parentWindow), ctx_(ctx), parentWindow_(parentWindow) {
  timeout_.setSingleShot(true);
  timeout_.setInterval(timeoutMs);
  connect(&timeout_, &QTimer::timeout, this, &SyncDialogOwner::OnTimeout);
  progressWatch_.setInterval(std::max(10, std::min(100, timeoutMs / 4)));
  connect(&progressWatch_, &QTimer::timeout, this, [this] {
    // Between a request and the transfer's start the last transfer's stage is stale: not shown.
    if (dialog_ && ctx_.Conn().Sync().Busy()) dialog_->SetChunks(ctx_.Conn().Sync().CurrentStage().chunks);
    const uint64_t progress = ctx_.Conn().Sync().Progress();
    if (progress == lastProgress_) return;
    lastProgress_ = progress;
    timeout_.start();
  });
}

SyncDialogOwner::~SyncDialogOwner() {
  delete dialog_;
  delete timeoutBox_;
}

void SyncDialogOwner::Show(const QString& text) {
  if (dialog_) {
    dialog_->raise();
    dialog_->activateWindow();
    return;
  }
  dialog_ = new CSyncDlg(ctx_, parentWindow_);
  dialog_->SetText(text);
  dialog_->show();
  dialog_->raise();
  lastProgress_ = ctx_.Conn().Sync().Progress();
  timeout_.start();
  progressWatch_.start();
}

void SyncDialogOwner::Close() {
  timeout_.stop();
  progressWatch_.stop();
  if (!dialog_) return;
  CSyncDlg* dialog = dialog_;
  dialog_ = nullptr;
  dialog->AllowClose();
  dialog->hide();
  delete dialog;
}

void SyncDialogOwner::OnTimeout() {
  if (!dialog_) return;
  Close();
  // The box is shown without a nested event loop, so the link below is closed at once rather
  // than after the user has read the message; meanwhile the worker's requests simply fail fast.
  delete timeoutBox_;
  timeoutBox_ = new QMessageBox(QMessageBox::Critical, QString::fromUtf8(kErrorCaption),
                                QString::fromUtf8(kTimeoutText), QMessageBox::Ok, parentWindow_);
  timeoutBox_->setAttribute(Qt::WA_DeleteOnClose);
  timeoutBox_->setWindowModality(Qt::ApplicationModal);
  timeoutBox_->show();
  Link& link = ctx_.GetLink();
  if (link.IsNetwork()) link.NetClose(false);
  emit timedOut();
}

}  // namespace nr::gui
