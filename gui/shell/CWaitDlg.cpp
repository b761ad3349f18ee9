#include "shell/CWaitDlg.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <span>

#include "link/Link.h"
#include "smarthome/ZWaveFrames.h"
#include "shell/AppContext.h"
#include "shell/CInfoDlg.h"
#include "shell/DialogTexts.h"

namespace nr::gui {
namespace {

constexpr const char* kCaption = "请稍等……";
constexpr const char* kStopText = "强行中止";
constexpr const char* kTimeoutTip = "发生错误，操作超时……";
// Key positions of a plug's learned keys are carried as 192 + position.
constexpr int kKeyPositionBase = 192;

}  // namespace

std::vector<uint8_t> AbortFrame(int kind) {
  if (kind != zwave::kSendData && kind != zwave::kAddNode && kind != zwave::kRemoveNode) return {};
  return BuildAbort(static_cast<uint8_t>(kind));
}

CWaitDlg::CWaitDlg(QWidget* parent) : QDialog(parent) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setWindowModality(Qt::ApplicationModal);
  setWindowTitle(QString::fromUtf8(kCaption));

  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(240, 250, 255));
  setPalette(pal);
  setAutoFillBackground(true);

  bar_ = new QProgressBar(this);
  bar_->setRange(0, 100);
  bar_->setValue(0);
  bar_->setTextVisible(false);
  bar_->setMinimumWidth(320);

  text_ = new QLabel(this);
  text_->setWordWrap(true);
  text_->setAlignment(Qt::AlignCenter);

  stop_ = WithId(new QPushButton(QString::fromUtf8(kStopText), this), kStopId);
  stop_->setAutoDefault(false);
  connect(stop_, &QPushButton::clicked, this, &CWaitDlg::stopRequested);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(stop_);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 20, 24, 16);
  layout->setSpacing(14);
  layout->addWidget(bar_);
  layout->addWidget(text_);
  layout->addLayout(buttons);
}

void CWaitDlg::SetText(const QString& text, const QColor& color) {
  text_->setText(text);
  color_ = color;
  QPalette pal = text_->palette();
  pal.setColor(QPalette::WindowText, color.isValid() ? color : palette().color(QPalette::WindowText));
  text_->setPalette(pal);
}

QString CWaitDlg::Text() const { return text_->text(); }

void CWaitDlg::Step() {
  const int next = bar_->value() + 10;
  bar_->setValue(next > bar_->maximum() ? bar_->minimum() : next);
}

void CWaitDlg::reject() {
  if (closeAllowed_) QDialog::reject();
}

void CWaitDlg::closeEvent(QCloseEvent* event) {
  if (closeAllowed_)
    QDialog::closeEvent(event);
  else
    event->ignore();
}

WaitDialogOwner::WaitDialogOwner(AppContext& ctx, QWidget* parentWindow, WaitTimings timings)
    : QObject(parentWindow), ctx_(ctx), parentWindow_(parentWindow), timings_(timings) {
  step_.setInterval(timings_.stepMs);
  connect(&step_, &QTimer::timeout, this, [this] {
    if (dialog_) dialog_->Step();
  });
  timeout_.setSingleShot(true);
  connect(&timeout_, &QTimer::timeout, this, &WaitDialogOwner::OnTimeout);
  closeLater_.setSingleShot(true);
  connect(&closeLater_, &QTimer::timeout, this, &WaitDialogOwner::CloseNow);
}

WaitDialogOwner::~WaitDialogOwner() {
  delete dialog_;
  delete retiring_;
}

void WaitDialogOwner::Show(const QString& text, int kind, int argument1, int argument2, const QColor& color) {
  kind_ = kind;
  argument1_ = argument1;
  argument2_ = argument2;
  closeLater_.stop();
  const bool rearm = dialog_ != nullptr;
  if (!rearm) {
    dialog_ = new CWaitDlg(parentWindow_);
    connect(dialog_, &CWaitDlg::stopRequested, this, [this] {
      ForceStop();
      CloseNow();
    });
  }
  dialog_->SetText(text, color);
  dialog_->show();
  dialog_->raise();
  step_.start();
  timeout_.start(rearm ? timings_.rearmTimeoutMs : timings_.timeoutMs);
}

void WaitDialogOwner::Finish(int delayMs) {
  step_.stop();
  timeout_.stop();
  if (!dialog_) return;
  if (delayMs <= 0) {
    CloseNow();
    return;
  }
  dialog_->Bar()->setValue(100);
  closeLater_.start(delayMs);
}

void WaitDialogOwner::SetText(const QString& text, const QColor& color) {
  if (dialog_) dialog_->SetText(text, color);
}

void WaitDialogOwner::ForceStop() {
  const std::vector<uint8_t> frame = AbortFrame(kind_);
  if (!frame.empty()) ctx_.GetLink().SendZWaveFrame(std::span<const uint8_t>(frame));
  if (kind_ == zwave::kSendData && argument2_ >= kKeyPositionBase && argument2_ <= 255)
    emit plugKeyReset(argument1_, argument2_ - kKeyPositionBase);
  emit forcedStop(kind_);
}

void WaitDialogOwner::CloseNow() {
  step_.stop();
  timeout_.stop();
  closeLater_.stop();
  if (!dialog_) return;
  CWaitDlg* dialog = dialog_;
  dialog_ = nullptr;
  dialog->AllowClose();
  dialog->hide();
  delete retiring_;
  retiring_ = dialog;
  dialog->deleteLater();  // may be called from the dialog's own button
}

void WaitDialogOwner::OnTimeout() {
  if (!dialog_) return;
  step_.stop();
  ForceStop();
  CloseNow();
  ShowInfoTip(ctx_, QString::fromUtf8(kTimeoutTip), timings_.timeoutTipMs);
  emit timedOut();
}

}  // namespace nr::gui
