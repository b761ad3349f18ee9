#include "shell/CInfoDlg.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "shell/AppContext.h"
#include "shell/DialogTexts.h"
#include "shell/ScreenPlacement.h"

namespace nr::gui {
namespace {

constexpr TextPair kTitle{"信息", "Information"};
constexpr TextPair kClose{"关闭", "Close"};
constexpr const char* kHolderName = "nrInfoTipHolder";

// Keeps the context's tip window and destroys it with the context. The tip is a top-level window
// (it must not vanish with whatever page asked for it), so nothing else would delete it.
class TipHolder : public QObject {
 public:
  explicit TipHolder(QObject* parent) : QObject(parent) { setObjectName(kHolderName); }
  ~TipHolder() override { delete tip; }
  QPointer<CInfoDlg> tip;
};

TipHolder* FindHolder(AppContext& ctx) {
  return dynamic_cast<TipHolder*>(ctx.findChild<QObject*>(kHolderName, Qt::FindDirectChildrenOnly));
}

QFont TipFont() {
  // A Song face at 18 pixels, medium weight; where no Song face is installed, a CJK sans face
  // keeps the Chinese tips legible instead of falling back to boxes.
  QFont font;
  font.setFamilies({"SimSun", "宋体", "NSimSun", "Noto Sans CJK SC", "Source Han Sans SC", "WenQuanYi Micro Hei",
                    "Microsoft YaHei"});
  font.setPixelSize(18);
  font.setWeight(QFont::Medium);
  return font;
}

}  // namespace

CInfoDlg::CInfoDlg(AppContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
  setProperty(kDialogNumberProperty, kDialogNumber);
  // A tip must not take the keyboard from a slider the user is dragging.
  setAttribute(Qt::WA_ShowWithoutActivating);
  setWindowFlag(Qt::WindowStaysOnTopHint);

  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(240, 250, 255));
  setPalette(pal);
  setAutoFillBackground(true);

  text_ = WithId(new QLabel(this), kTextId);
  text_->setFont(TipFont());
  text_->setTextFormat(Qt::PlainText);  // tips name files and carry the device's texts
  text_->setWordWrap(true);
  text_->setAlignment(Qt::AlignCenter);
  text_->setMinimumWidth(300);
  text_->setTextInteractionFlags(Qt::NoTextInteraction);

  close_ = WithId(new QPushButton(this), kCloseId);
  close_->setAutoDefault(false);
  connect(close_, &QPushButton::clicked, this, [this] {
    hideTimer_.stop();
    hide();
  });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(close_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(18, 16, 18, 12);
  layout->setSpacing(14);
  layout->addWidget(text_, 1);
  layout->addLayout(buttons);

  hideTimer_.setSingleShot(true);
  connect(&hideTimer_, &QTimer::timeout, this, &QWidget::hide);
  connect(&ctx_, &AppContext::languageChanged, this, &CInfoDlg::Relabel);
  Relabel();
}

CInfoDlg& CInfoDlg::Of(AppContext& ctx) {
  TipHolder* holder = FindHolder(ctx);
  if (!holder) holder = new TipHolder(&ctx);
  if (!holder->tip) holder->tip = new CInfoDlg(ctx);
  return *holder->tip;
}

CInfoDlg* CInfoDlg::Existing(AppContext& ctx) {
  TipHolder* holder = FindHolder(ctx);
  return holder ? holder->tip.data() : nullptr;
}

void CInfoDlg::ShowTip(const QString& text, int ms) {
  text_->setText(text);
  Relabel();
  adjustSize();
  if (!isVisible()) PlaceOverActiveWindow();
  show();
  raise();
  if (ms > 0)
    hideTimer_.start(ms);
  else
    hideTimer_.stop();
}

QString CInfoDlg::Text() const { return text_->text(); }

void CInfoDlg::Relabel() {
  setWindowTitle(ctx_.T(kTitle));
  close_->setText(ctx_.T(kClose));
}

void CInfoDlg::PlaceOverActiveWindow() {
  QWidget* anchor = QApplication::activeWindow();
  if (anchor == this) anchor = nullptr;
  const QRect area = anchor ? anchor->frameGeometry()
                            : (screen() ? screen()->availableGeometry() : QRect(0, 0, 1024, 768));
  CentreOnScreen(*this, area);
}

void ShowInfoTip(AppContext& ctx, const QString& text, int ms) { CInfoDlg::Of(ctx).ShowTip(text, ms); }

}  // namespace nr::gui
