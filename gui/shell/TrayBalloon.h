#pragma once
// Notification balloons from the application's icon in the system tray: the icon appears with
// the balloon and is removed again after the given time or when the user clicks it. Where the
// desktop has no tray, the text goes to the information tip instead.
#include <QObject>
#include <QString>
#include <QTimer>

class QSystemTrayIcon;

namespace nr::gui {

class AppContext;

class TrayBalloon : public QObject {
  Q_OBJECT

 public:
  explicit TrayBalloon(AppContext& ctx);
  ~TrayBalloon() override;

  // The balloon owner of this context, made on first use.
  static TrayBalloon& Of(AppContext& ctx);

  void Show(const QString& title, const QString& text, int ms);
  // Takes the icon out of the tray now.
  void RemoveIcon();
  bool IconShown() const;

 private:
  AppContext& ctx_;
  QSystemTrayIcon* icon_ = nullptr;
  QTimer removeTimer_;
};

// Shows a balloon (or, without a tray, an information tip) for ms milliseconds.
void ShowTrayBalloon(AppContext& ctx, const QString& title, const QString& text, int ms);

}  // namespace nr::gui
