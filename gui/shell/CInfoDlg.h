#pragma once
// The application's transient information tip: one small window per application context, made
// the first time a tip is needed and kept hidden in between. It shows one text and hides itself
// after the time the caller gives; a new tip replaces the text and starts the time again.
#include <QDialog>
#include <QString>
#include <QTimer>

class QLabel;
class QPushButton;

namespace nr::gui {

class AppContext;

class CInfoDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kDialogNumber = 344;
  static constexpr int kTextId = 1223;
  static constexpr int kCloseId = 2;

  explicit CInfoDlg(AppContext& ctx, QWidget* parent = nullptr);

  // The tip window of this context, made on first use; Existing() does not make one.
  static CInfoDlg& Of(AppContext& ctx);
  static CInfoDlg* Existing(AppContext& ctx);

  // Shows text and hides after ms milliseconds; with ms <= 0 the tip stays until it is closed.
  void ShowTip(const QString& text, int ms);

  QString Text() const;
  bool HidePending() const { return hideTimer_.isActive(); }
  int RemainingMs() const { return hideTimer_.remainingTime(); }

 private:
  void Relabel();
  void PlaceOverActiveWindow();

  AppContext& ctx_;
  QLabel* text_ = nullptr;
  QPushButton* close_ = nullptr;
  QTimer hideTimer_;
};

// Shows a tip in the context's single tip window (see CInfoDlg::ShowTip).
void ShowInfoTip(AppContext& ctx, const QString& text, int ms);

}  // namespace nr::gui
