#pragma once
// A bar across the top of the page that says the link has dropped, where the user is looking,
// with a button to connect again the same way and one to close the notice. It stays until the
// user closes it or a link is open again. While it connects again, it says so and its button
// stops the attempt.
#include <QFrame>
#include <QString>
#include <functional>

#include "shell/TextPair.h"

class QLabel;
class QPushButton;
class QToolButton;

namespace nr::gui {

class LinkNoticeBar : public QFrame {
  Q_OBJECT

 public:
  explicit LinkNoticeBar(QWidget* parent = nullptr);

  using TextFn = std::function<QString(gui::Language language)>;

  // Shows the notice in the language given; Relabel follows a language change.
  void ShowNotice(const TextPair& text, gui::Language language);
  void ShowText(TextFn text, gui::Language language);
  // An attempt to connect again runs: the text says what is tried, the button stops it.
  void ShowProgress(TextFn text, gui::Language language);
  bool InProgress() const { return inProgress_; }
  void Relabel(gui::Language language);
  QString Text() const;
  QPushButton* ReconnectButton() const { return reconnect_; }
  QToolButton* CloseButton() const { return close_; }

 signals:
  void reconnectClicked();
  void stopClicked();

 private:
  TextFn text_;
  bool inProgress_ = false;
  QLabel* label_ = nullptr;
  QPushButton* reconnect_ = nullptr;
  QToolButton* close_ = nullptr;
};

}  // namespace nr::gui
