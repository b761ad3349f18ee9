#include "shell/CloseButton.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>

#include "shell/AppContext.h"

namespace nr::gui {
namespace {

constexpr TextPair kClose{"关闭", "Close"};
constexpr TextPair kCloseTip{"关闭这个窗口（Esc）", "Close this window (Esc)"};

}  // namespace

QPushButton* MakeCloseButton(QDialog& dialog, AppContext& ctx) {
  auto* button = new QPushButton(&dialog);
  button->setObjectName(QStringLiteral("closeButton"));
  button->setAutoDefault(false);  // Enter belongs to the window's own fields
  const auto relabel = [button, &ctx] {
    button->setText(ctx.T(kClose));
    button->setToolTip(ctx.T(kCloseTip));
  };
  relabel();
  QObject::connect(&ctx, &AppContext::languageChanged, button, relabel);
  QObject::connect(button, &QPushButton::clicked, &dialog, &QDialog::reject);
  return button;
}

QHBoxLayout* CloseButtonRow(QDialog& dialog, AppContext& ctx) {
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(MakeCloseButton(dialog, ctx));
  return row;
}

}  // namespace nr::gui
