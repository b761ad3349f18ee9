#include "shell/LinkNoticeBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

namespace nr::gui {
namespace {

constexpr TextPair kReconnect{"重新连接", "Reconnect"};
constexpr TextPair kReconnectTip{"用上次的方式再次连接设备", "Connect to the device again, the same way as before"};
constexpr TextPair kStop{"停止", "Stop"};
constexpr TextPair kStopTip{"停止这次连接，保持现状", "Stop this attempt and leave things as they are"};
constexpr TextPair kCloseTip{"关闭提示", "Close this notice"};

}  // namespace

LinkNoticeBar::LinkNoticeBar(QWidget* parent) : QFrame(parent) {
  setFrameShape(QFrame::StyledPanel);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(255, 243, 205));  // a warning's amber, readable text on it
  pal.setColor(QPalette::WindowText, QColor(102, 77, 3));
  setPalette(pal);

  auto* icon = new QLabel(this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(18, 18));
  label_ = new QLabel(this);
  label_->setTextFormat(Qt::PlainText);
  QFont bold = label_->font();
  bold.setBold(true);
  label_->setFont(bold);
  reconnect_ = new QPushButton(this);
  close_ = new QToolButton(this);
  close_->setText(QStringLiteral("✕"));
  close_->setAutoRaise(true);
  connect(reconnect_, &QPushButton::clicked, this, [this] {
    if (inProgress_)
      emit stopClicked();
    else
      emit reconnectClicked();
  });
  connect(close_, &QToolButton::clicked, this, &QWidget::hide);

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(10, 4, 6, 4);
  layout->setSpacing(8);
  layout->addWidget(icon);
  layout->addWidget(label_, 1);
  layout->addWidget(reconnect_);
  layout->addWidget(close_);
  hide();
}

void LinkNoticeBar::ShowNotice(const TextPair& text, gui::Language language) {
  ShowText([text](Language l) { return text.Get(l); }, language);
}

void LinkNoticeBar::ShowText(TextFn text, gui::Language language) {
  text_ = std::move(text);
  inProgress_ = false;
  Relabel(language);
  show();
  raise();
}

void LinkNoticeBar::ShowProgress(TextFn text, gui::Language language) {
  ShowText(std::move(text), language);
  inProgress_ = true;
  Relabel(language);
}

void LinkNoticeBar::Relabel(gui::Language language) {
  label_->setText(text_ ? text_(language) : QString());
  reconnect_->setText((inProgress_ ? kStop : kReconnect).Get(language));
  reconnect_->setToolTip((inProgress_ ? kStopTip : kReconnectTip).Get(language));
  close_->setToolTip(kCloseTip.Get(language));
}

QString LinkNoticeBar::Text() const { return label_->text(); }

}  // namespace nr::gui
