#include "shell/TrayBalloon.h"

#include <QApplication>
#include <QStyle>
#include <QSystemTrayIcon>

#include "shell/AppContext.h"
#include "shell/CInfoDlg.h"

namespace nr::gui {
namespace {

constexpr const char* kBalloonName = "nrTrayBalloon";

}  // namespace

TrayBalloon::TrayBalloon(AppContext& ctx) : QObject(&ctx), ctx_(ctx) {
  setObjectName(kBalloonName);
  removeTimer_.setSingleShot(true);
  connect(&removeTimer_, &QTimer::timeout, this, &TrayBalloon::RemoveIcon);
}

TrayBalloon::~TrayBalloon() { delete icon_; }

TrayBalloon& TrayBalloon::Of(AppContext& ctx) {
  auto* existing = ctx.findChild<TrayBalloon*>(kBalloonName, Qt::FindDirectChildrenOnly);
  return existing ? *existing : *new TrayBalloon(ctx);
}

void TrayBalloon::Show(const QString& title, const QString& text, int ms) {
  if (!QSystemTrayIcon::isSystemTrayAvailable()) {
    ShowInfoTip(ctx_, text, ms);
    return;
  }
  if (!icon_) {
    QIcon appIcon = QApplication::windowIcon();
    if (appIcon.isNull()) appIcon = QApplication::style()->standardIcon(QStyle::SP_ComputerIcon);
    icon_ = new QSystemTrayIcon(appIcon);
    icon_->setToolTip(QApplication::applicationDisplayName());
    // Any click on the icon or the balloon means the user has seen it.
    connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
      if (reason != QSystemTrayIcon::Unknown) RemoveIcon();
    });
    connect(icon_, &QSystemTrayIcon::messageClicked, this, &TrayBalloon::RemoveIcon);
  }
  icon_->show();
  icon_->showMessage(title, text, QSystemTrayIcon::Information, ms);
  removeTimer_.start(ms > 0 ? ms : 0);
}

void TrayBalloon::RemoveIcon() {
  removeTimer_.stop();
  if (icon_) icon_->hide();
}

bool TrayBalloon::IconShown() const { return icon_ && icon_->isVisible(); }

void ShowTrayBalloon(AppContext& ctx, const QString& title, const QString& text, int ms) {
  TrayBalloon::Of(ctx).Show(title, text, ms);
}

}  // namespace nr::gui
