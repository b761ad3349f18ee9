#pragma once
// A bar across the top of the page that says the link has dropped, where the user is looking,
// with a button to connect again the same way and one to close the notice. It stays until the
// user closes it or a link is open again.
#include <QFrame>
#include <QString>

#include "shell/TextPair.h"

class QLabel;
class QPushButton;
class QToolButton;

namespace nr::gui {

class LinkNoticeBar : public QFrame {
  Q_OBJECT

 public:
  explicit LinkNoticeBar(QWidget* parent = nullptr);

  // Shows the notice in the language given; Relabel follows a language change.
  void ShowNotice(const TextPair& text, int language);
  void Relabel(int language);
  QString Text() const;
  QPushButton* ReconnectButton() const { return reconnect_; }
  QToolButton* CloseButton() const { return close_; }

 signals:
  void reconnectClicked();

 private:
  TextPair text_{"", ""};
  QLabel* label_ = nullptr;
  QPushButton* reconnect_ = nullptr;
  QToolButton* close_ = nullptr;
};

}  // namespace nr::gui
