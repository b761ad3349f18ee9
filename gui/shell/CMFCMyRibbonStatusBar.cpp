#include "shell/CMFCMyRibbonStatusBar.h"

#include <QCheckBox>
#include <QFrame>
#include <QPushButton>

#include "shell/DialogTexts.h"
#include "shell/RibbonIds.h"
#include "shell/TextPair.h"

namespace nr::gui {
namespace {

constexpr TextPair kBypassText{"均衡旁路", "Bypass"};
constexpr TextPair kResetText{"重置均衡", "Reset EQ"};
constexpr int kLinkPaneChars = 52;
constexpr int kModePaneChars = 97;
constexpr int kPaneMargin = 6;

}  // namespace

CMyMFCRibbonStatusBarPane::CMyMFCRibbonStatusBarPane(int id, const QString& text, int widthInChars, QWidget* parent)
    : QLabel(text, parent), color_(255, 0, 0), widthInChars_(widthInChars) {
  WithId(this, id);
  setTextFormat(Qt::PlainText);  // the link pane names the preset file being edited, whatever its name holds
  setContentsMargins(kPaneMargin, 0, kPaneMargin, 0);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
  SetTextColor(color_);
}

void CMyMFCRibbonStatusBarPane::SetTextColor(const QColor& color) {
  color_ = color;
  QPalette p = palette();
  p.setColor(QPalette::WindowText, color);
  setPalette(p);
}

QSize CMyMFCRibbonStatusBarPane::sizeHint() const {
  const QSize base = QLabel::sizeHint();
  const int wanted = fontMetrics().averageCharWidth() * widthInChars_ + 2 * kPaneMargin;
  return {std::max(base.width(), wanted), base.height()};
}

QSize CMyMFCRibbonStatusBarPane::minimumSizeHint() const {
  // Room for the text itself; the generous width above is only a wish.
  return {fontMetrics().horizontalAdvance(text()) + 2 * kPaneMargin, QLabel::minimumSizeHint().height()};
}

CMFCMyRibbonStatusBar::CMFCMyRibbonStatusBar(QWidget* parent) : QStatusBar(parent) {
  linkPane_ = new CMyMFCRibbonStatusBarPane(rid::kLinkPane, QStringLiteral("USB:未连接"), kLinkPaneChars, this);
  modePane_ = new CMyMFCRibbonStatusBarPane(rid::kModePane, QStringLiteral("当前模式：模式一"), kModePaneChars, this);
  modePane_->SetTextColor(palette().color(QPalette::WindowText));
  auto* separator = new QFrame(this);
  separator->setFrameShape(QFrame::VLine);
  separator->setFrameShadow(QFrame::Sunken);
  addWidget(linkPane_);
  addWidget(separator);
  addWidget(modePane_);

  bypass_ = WithId(new QCheckBox(this), rid::kEqBypass);
  bypass_->setFocusPolicy(Qt::NoFocus);
  reset_ = WithId(new QPushButton(this), rid::kEqReset);
  reset_->setFocusPolicy(Qt::NoFocus);
  addPermanentWidget(bypass_);
  addPermanentWidget(reset_);
  connect(bypass_, &QCheckBox::clicked, this, &CMFCMyRibbonStatusBar::bypassToggled);
  connect(reset_, &QPushButton::clicked, this, &CMFCMyRibbonStatusBar::resetEqClicked);
  Relabel(Language::Chinese);
}

void CMFCMyRibbonStatusBar::SetLinkText(const QString& text, const QColor& color) {
  linkPane_->setText(text);
  linkPane_->SetTextColor(color);
}

void CMFCMyRibbonStatusBar::SetModeText(const QString& text) { modePane_->setText(text); }

void CMFCMyRibbonStatusBar::SetEqButtonsEnabled(bool enabled) {
  bypass_->setEnabled(enabled);
  reset_->setEnabled(enabled);
}

void CMFCMyRibbonStatusBar::SetBypassChecked(bool checked) {
  // setChecked emits toggled only; bypassToggled follows clicked, so nothing is reported here.
  bypass_->setChecked(checked);
}

bool CMFCMyRibbonStatusBar::IsBypassChecked() const { return bypass_->isChecked(); }

void CMFCMyRibbonStatusBar::Relabel(gui::Language language) {
  static constexpr TextPair kBypassTip{"均衡旁路：暂时绕过当前页面的均衡，便于对比", "Bypass: leave the page's EQ out for a moment, to compare"};
  static constexpr TextPair kResetTip{"把当前均衡的所有频段恢复为平直（会先询问）", "Reset every band of the page's EQ to flat (asks first)"};
  static constexpr TextPair kLinkTip{"与设备的连接：USB、网络地址或演示设备", "The link to the device: USB, a network address or the demo device"};
  static constexpr TextPair kModeTip{"机器当前运行的模式", "The mode slot the device runs now"};
  bypass_->setText(kBypassText.Get(language));
  reset_->setText(kResetText.Get(language));
  bypass_->setToolTip(kBypassTip.Get(language));
  reset_->setToolTip(kResetTip.Get(language));
  linkPane_->setToolTip(kLinkTip.Get(language));
  modePane_->setToolTip(kModeTip.Get(language));
}

QWidget* CMFCMyRibbonStatusBar::Element(int id) const {
  switch (id) {
    case rid::kLinkPane: return linkPane_;
    case rid::kModePane: return modePane_;
    case rid::kEqBypass: return bypass_;
    case rid::kEqReset: return reset_;
    default: return nullptr;
  }
}

}  // namespace nr::gui
