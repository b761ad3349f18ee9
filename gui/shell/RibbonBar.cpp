#include "shell/RibbonBar.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QDir>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "controls/PaintedIcon.h"
#include "shell/CMFCRibbonStepSlider.h"
#include "shell/DialogTexts.h"
#include "shell/RibbonIds.h"

namespace nr::gui {
namespace {

// Geometry of the ribbon in device-independent pixels.
constexpr int kRowHeight = 22;      // one small element
constexpr int kRowSpacing = 2;
constexpr int kLargeHeight = 3 * kRowHeight + 2 * kRowSpacing;
constexpr int kCaptionHeight = 18;  // caption strip under each panel
constexpr int kTabRowHeight = 28;
constexpr int kTabHeight = 24;
constexpr int kRecentWidth = 300;
constexpr int kMaxRecent = 10;

// The blue look: light panels on a blue body, dark blue text, warm highlight under the mouse.
const QColor kText(0x15, 0x42, 0x8b);
const QColor kCaptionText(0x3b, 0x5a, 0x82);
const QColor kTabRowTop(0xdb, 0xe7, 0xf6);
const QColor kTabRowBottom(0xc6, 0xd9, 0xf1);
const QColor kBodyTop(0xf5, 0xf9, 0xfe);
const QColor kBodyBottom(0xd5, 0xe3, 0xf4);
const QColor kBorder(0x8d, 0xb2, 0xe3);
const QColor kPanelBorder(0xa7, 0xc1, 0xe2);
const QColor kPanelTop(0xfd, 0xfe, 0xff);
const QColor kPanelBottom(0xe4, 0xed, 0xf8);
const QColor kCaptionTop(0xcf, 0xe0, 0xf4);
const QColor kCaptionBottom(0xbd, 0xd2, 0xee);
const QColor kHotTop(0xff, 0xf6, 0xd0);
const QColor kHotBottom(0xff, 0xd9, 0x73);
const QColor kHotBorder(0xdb, 0xc0, 0x6f);
const QColor kDownTop(0xfc, 0xce, 0x8a);
const QColor kDownBottom(0xf8, 0xa8, 0x48);
const QColor kDownBorder(0xc2, 0x93, 0x4b);
const QColor kAppTop(0x3f, 0x7f, 0xd6);
const QColor kAppBottom(0x1a, 0x4e, 0x9e);

QLinearGradient Vertical(const QRectF& r, const QColor& top, const QColor& bottom) {
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, top);
  g.setColorAt(1, bottom);
  return g;
}

// ---- Painted parts ----

void PaintHighlight(QPainter& p, const QRectF& r, bool down) {
  p.setPen(down ? kDownBorder : kHotBorder);
  p.setBrush(Vertical(r, down ? kDownTop : kHotTop, down ? kDownBottom : kHotBottom));
  p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
}

// Whether the pointer is over the element now. Qt's own under-mouse mark can stay behind when a
// drop-down menu or a modal dialog took the pointer away and never sent the leave event, which
// left buttons highlighted with the pointer elsewhere.
bool PointerOver(const QWidget* w) {
  return w->isEnabled() && w->underMouse() && w->rect().contains(w->mapFromGlobal(QCursor::pos()));
}

// Value is a small button whose text ends in a number that changes while the user drags a slider.
enum class ButtonKind { Small, Value, Large, IconOnly, App, MenuCommand, Recent };

// A button painted in the ribbon's look. Texts may carry "&" mnemonics.
class RibbonButton : public QToolButton {
 public:
  RibbonButton(ButtonKind kind, QWidget* parent) : QToolButton(parent), kind_(kind) {
    setFocusPolicy(Qt::NoFocus);
    setAutoRaise(true);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  }

  QSize sizeHint() const override {
    const int text = fontMetrics().size(Qt::TextShowMnemonic, this->text()).width();
    switch (kind_) {
      case ButtonKind::Small: return {text + 12 + (icon().isNull() ? 0 : 20), kRowHeight};
      case ButtonKind::Value: return {SteadyValueWidth() + 12, kRowHeight};
      case ButtonKind::Large: return {std::max(text + 14, 48), kLargeHeight};
      case ButtonKind::IconOnly: return {kRowHeight + 2, kRowHeight};
      case ButtonKind::App: return {52, kTabHeight};
      case ButtonKind::MenuCommand: return {std::max(text + 56, 170), 42};
      case ButtonKind::Recent: return {kRecentWidth, kRowHeight + 2};
    }
    return {};
  }
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = rect();
    const bool down = isDown() || (menu() && menu()->isVisible());
    const bool hot = PointerOver(this);
    if (kind_ == ButtonKind::App) {
      PaintApp(p, r, hot, down);
      return;
    }
    if (down || hot) PaintHighlight(p, r, down);
    p.setPen(isEnabled() ? kText : QColor(0x8d, 0x98, 0xa8));
    const int flags = Qt::TextShowMnemonic;
    switch (kind_) {
      case ButtonKind::Small:
      case ButtonKind::Value:
      case ButtonKind::Recent: {
        QRect textRect = rect().adjusted(6, 0, -6, 0);
        if (!icon().isNull()) {
          icon().paint(&p, QRect(4, (height() - 16) / 2, 16, 16), Qt::AlignCenter, IconMode());
          textRect.setLeft(24);
        }
        const QString shown = kind_ == ButtonKind::Recent
                                  ? fontMetrics().elidedText(text(), Qt::ElideMiddle, textRect.width(), flags)
                                  : text();
        p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | flags, shown);
        break;
      }
      case ButtonKind::IconOnly:
        icon().paint(&p, QRect((width() - 16) / 2, (height() - 16) / 2, 16, 16), Qt::AlignCenter, IconMode());
        break;
      case ButtonKind::Large: {
        icon().paint(&p, QRect((width() - 32) / 2, 4, 32, 32), Qt::AlignCenter, IconMode());
        const QRect textRect(0, 38, width(), fontMetrics().height());
        p.drawText(textRect, Qt::AlignHCenter | Qt::AlignTop | flags, text());
        if (menu()) {
          const QPointF c(width() / 2.0, textRect.bottom() + 7.0);
          QPainterPath arrow;
          arrow.moveTo(c.x() - 3.5, c.y() - 2);
          arrow.lineTo(c.x() + 3.5, c.y() - 2);
          arrow.lineTo(c.x(), c.y() + 2);
          arrow.closeSubpath();
          p.fillPath(arrow, p.pen().color());
        }
        break;
      }
      case ButtonKind::MenuCommand:
        icon().paint(&p, QRect(6, (height() - 32) / 2, 32, 32), Qt::AlignCenter, IconMode());
        p.drawText(rect().adjusted(46, 0, -6, 0), Qt::AlignLeft | Qt::AlignVCenter | flags, text());
        break;
      case ButtonKind::App: break;
    }
  }

 private:
  // The trailing field of blanks and digits is measured as if it were all digits, so the button
  // (and every panel right of it) keeps its place while the value changes under a drag.
  int SteadyValueWidth() const {
    const QString t = text();
    qsizetype field = t.size();
    while (field > 0 && (t[field - 1].isDigit() || t[field - 1] == ' ')) --field;
    const QFontMetrics fm = fontMetrics();
    return fm.horizontalAdvance(t.left(field)) + static_cast<int>(t.size() - field) * fm.horizontalAdvance('0');
  }
  QIcon::Mode IconMode() const { return isEnabled() ? QIcon::Normal : QIcon::Disabled; }

  // The application button: a blue tab with a little equaliser and a drop arrow.
  void PaintApp(QPainter& p, const QRectF& r, bool hot, bool down) {
    QPainterPath shape;
    const QRectF b = r.adjusted(0.5, 0.5, -0.5, 0.5);
    shape.addRoundedRect(b, 4, 4);
    const QColor top = down ? kAppBottom : (hot ? kAppTop.lighter(115) : kAppTop);
    const QColor bottom = down ? kAppTop : (hot ? kAppBottom.lighter(120) : kAppBottom);
    p.setPen(QColor(0x15, 0x3d, 0x7a));
    p.setBrush(Vertical(b, top, bottom));
    p.drawPath(shape);
    const qreal base = b.bottom() - 6, x0 = b.left() + 12;
    const qreal heights[] = {7, 12, 9, 14};
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    for (int i = 0; i < 4; ++i) p.drawRoundedRect(QRectF(x0 + i * 5.5, base - heights[i], 3.5, heights[i]), 1, 1);
    QPainterPath arrow;
    const qreal ax = b.right() - 11, ay = b.center().y();
    arrow.moveTo(ax - 3.5, ay - 1.5);
    arrow.lineTo(ax + 3.5, ay - 1.5);
    arrow.lineTo(ax, ay + 2.5);
    arrow.closeSubpath();
    p.fillPath(arrow, Qt::white);
  }

  ButtonKind kind_;
};

// A tab naming a category; the active one joins the body of the ribbon below it.
class TabButton : public QAbstractButton {
 public:
  explicit TabButton(const QString& name, QWidget* parent) : QAbstractButton(parent) {
    setText(name);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  }
  void SetActive(bool active) {
    active_ = active;
    update();
  }
  QSize sizeHint() const override { return {fontMetrics().horizontalAdvance(text()) + 30, kTabHeight}; }
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, 1);
    if (active_ || PointerOver(this)) {
      QPainterPath shape;
      shape.moveTo(r.left(), r.bottom());
      shape.lineTo(r.left(), r.top() + 3);
      shape.quadTo(r.left(), r.top(), r.left() + 3, r.top());
      shape.lineTo(r.right() - 3, r.top());
      shape.quadTo(r.right(), r.top(), r.right(), r.top() + 3);
      shape.lineTo(r.right(), r.bottom());
      if (active_) {
        p.fillPath(shape, Vertical(r, Qt::white, kBodyTop));
      } else {
        p.fillPath(shape, Vertical(r, QColor(0xee, 0xf4, 0xfc), QColor(0xdc, 0xe8, 0xf7)));
      }
      p.strokePath(shape, QPen(active_ ? kBorder : QColor(0xa9, 0xc5, 0xea)));
    }
    p.setPen(kText);
    p.drawText(rect(), Qt::AlignCenter, text());
  }

 private:
  bool active_ = false;
};

// The application menu: commands on the left, the recent files on the right, exit at the bottom.
class AppMenuPopup : public QFrame {
 public:
  explicit AppMenuPopup(QWidget* parent) : QFrame(parent, Qt::Popup) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Vertical(rect(), QColor(0xf6, 0xf9, 0xfd), QColor(0xe2, 0xeb, 0xf7)));
    p.setPen(kBorder);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
  }
};

}  // namespace


// A captioned group of controls. Its columns hold up to three small elements or one large one.
struct CMyMFCRibbonBar::Panel : public QWidget {
  Panel(const QString& caption, QWidget* parent) : QWidget(parent), caption_(caption) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 3, 4, kCaptionHeight + 2);
    outer->setSpacing(0);
    columns = new QHBoxLayout;
    columns->setSpacing(4);
    outer->addLayout(columns);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  }

  QString Caption() const { return caption_; }
  void SetCaption(const QString& caption) {
    caption_ = caption;
    updateGeometry();
    update();
  }
  QSize sizeHint() const override { return Widen(QWidget::sizeHint()); }
  QSize minimumSizeHint() const override { return Widen(QWidget::minimumSizeHint()); }

  QHBoxLayout* columns;
  QVBoxLayout* column = nullptr;  // the column small elements currently go into
  int columnCount = 0;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(r, 3, 3);
    p.fillPath(shape, Vertical(r, kPanelTop, kPanelBottom));
    const QRectF caption(r.left(), r.bottom() - kCaptionHeight, r.width(), kCaptionHeight);
    p.save();
    p.setClipPath(shape);
    p.fillRect(caption, Vertical(caption, kCaptionTop, kCaptionBottom));
    p.restore();
    p.strokePath(shape, QPen(kPanelBorder));
    p.setPen(kCaptionText);
    p.drawText(caption.adjusted(4, 0, -4, 0), Qt::AlignCenter, caption_);
  }

 private:
  QSize Widen(QSize size) const {
    const int captionWidth = fontMetrics().horizontalAdvance(caption_) + 16;
    return {std::max(size.width(), captionWidth), size.height()};
  }

  QString caption_;
};


CMyMFCRibbonBar::CMyMFCRibbonBar(QWidget* parent) : QWidget(parent) {
  ApplyRibbonPalette();
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);

  tabRow_ = new QWidget(this);
  tabRow_->setFixedHeight(kTabRowHeight);
  tabRowLayout_ = new QHBoxLayout(tabRow_);
  tabRowLayout_->setContentsMargins(4, 0, 4, 0);
  tabRowLayout_->setSpacing(2);
  auto* app = new RibbonButton(ButtonKind::App, tabRow_);
  appButton_ = app;
  tabRowLayout_->addWidget(app, 0, Qt::AlignBottom);
  tabRowLayout_->addSpacing(6);
  tabInsertAt_ = tabRowLayout_->count();
  tabRowLayout_->addStretch(1);
  outer->addWidget(tabRow_);

  pages_ = new QStackedWidget(this);
  outer->addWidget(pages_);

  // Application menu.
  auto* menu = new AppMenuPopup(this);
  appMenu_ = menu;
  QPalette menuPalette = menu->palette();
  menuPalette.setColor(QPalette::WindowText, kText);
  menu->setPalette(menuPalette);
  auto* menuLayout = new QVBoxLayout(menu);
  menuLayout->setContentsMargins(4, 4, 4, 4);
  menuLayout->setSpacing(4);
  auto* columns = new QHBoxLayout;
  columns->setSpacing(6);
  appMenuCommands_ = new QVBoxLayout;
  appMenuCommands_->setSpacing(2);
  appMenuCommands_->addStretch(1);
  columns->addLayout(appMenuCommands_);
  auto* divider = new QFrame(menu);
  divider->setFrameShape(QFrame::VLine);
  divider->setFrameShadow(QFrame::Sunken);
  columns->addWidget(divider);
  auto* recentColumn = new QVBoxLayout;
  recentColumn->setSpacing(1);
  recentLabel_ = new QLabel(menu);
  QFont bold = recentLabel_->font();
  bold.setBold(true);
  recentLabel_->setFont(bold);
  recentLabel_->setFixedWidth(kRecentWidth);
  recentLabel_->setContentsMargins(6, 4, 6, 4);
  recentColumn->addWidget(recentLabel_);
  auto* rule = new QFrame(menu);
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);
  recentColumn->addWidget(rule);
  recentList_ = new QVBoxLayout;
  recentList_->setSpacing(0);
  recentColumn->addLayout(recentList_);
  recentColumn->addStretch(1);
  columns->addLayout(recentColumn);
  menuLayout->addLayout(columns, 1);
  appMenuBottom_ = new QHBoxLayout;
  appMenuBottom_->addStretch(1);
  menuLayout->addLayout(appMenuBottom_);
  menu->setMinimumHeight(260);

  connect(app, &QAbstractButton::clicked, this, &CMyMFCRibbonBar::ShowApplicationMenu);
  SetKeyTip(app, QStringLiteral("f"));

  // Key tips and the wheel are handled for every widget of our window, whoever has the focus.
  qApp->installEventFilter(this);
}

CMyMFCRibbonBar::~CMyMFCRibbonBar() { qApp->removeEventFilter(this); }

void CMyMFCRibbonBar::ApplyRibbonPalette() {
  QPalette p = palette();
  p.setColor(QPalette::WindowText, kText);
  p.setColor(QPalette::ButtonText, kText);
  setPalette(p);
}

// ---- Building ----

int CMyMFCRibbonBar::AddCategory(const QString& name) {
  const int index = static_cast<int>(categories_.size());
  Category c;
  auto* tab = new TabButton(name, tabRow_);
  c.tab = tab;
  tabRowLayout_->insertWidget(tabInsertAt_++, tab, 0, Qt::AlignBottom);
  connect(tab, &QAbstractButton::clicked, this, [this, index] { OnTabClicked(index); });
  c.page = new QWidget(pages_);
  c.panelRow = new QHBoxLayout(c.page);
  c.panelRow->setContentsMargins(4, 4, 4, 4);
  c.panelRow->setSpacing(3);
  c.panelRow->addStretch(1);
  pages_->addWidget(c.page);
  categories_.push_back(c);
  SetActiveCategory(active_);
  return index;
}

int CMyMFCRibbonBar::AddPanel(int category, const QString& caption) {
  if (category < 0 || category >= CategoryCount()) return -1;
  Category& c = categories_[static_cast<size_t>(category)];
  auto* panel = new Panel(caption, c.page);
  c.panelRow->insertWidget(c.panelRow->count() - 1, panel);
  c.panels.push_back(panel);
  return static_cast<int>(c.panels.size()) - 1;
}

CMyMFCRibbonBar::Panel* CMyMFCRibbonBar::PanelAt(int category, int panel) const {
  if (category < 0 || category >= CategoryCount()) return nullptr;
  const auto& panels = categories_[static_cast<size_t>(category)].panels;
  if (panel < 0 || panel >= static_cast<int>(panels.size())) return nullptr;
  return panels[static_cast<size_t>(panel)];
}

void CMyMFCRibbonBar::AddSmall(int category, int panel, QWidget* element) {
  Panel* target = PanelAt(category, panel);
  if (!target) return;
  Panel* w = target;
  element->setParent(w);
  element->setFixedHeight(kRowHeight);
  if (!w->column || w->columnCount >= 3) {
    w->column = new QVBoxLayout;
    w->column->setSpacing(kRowSpacing);
    w->column->addStretch(1);
    w->columns->addLayout(w->column);
    w->columnCount = 0;
  }
  w->column->insertWidget(w->columnCount++, element, 0, Qt::AlignLeft);
}

void CMyMFCRibbonBar::Register(int id, QWidget* element, int category) {
  WithId(element, id);
  elements_[id] = element;
  elementCategory_[id] = category;
}

QToolButton* CMyMFCRibbonBar::AddLabelButton(int category, int panel, int id, const QString& text) {
  if (!PanelAt(category, panel)) return nullptr;
  auto* b = new RibbonButton(ButtonKind::Value, this);
  b->setText(text);
  AddSmall(category, panel, b);
  Register(id, b, category);
  connect(b, &QAbstractButton::clicked, this, [this, id] { emit commandTriggered(id); });
  return b;
}

CMFCRibbonStepSlider* CMyMFCRibbonBar::AddSlider(int category, int panel, int id, int min, int max, int width) {
  if (!PanelAt(category, panel)) return nullptr;
  auto* s = new CMFCRibbonStepSlider(Qt::Horizontal, this);
  s->setRange(min, max);
  s->setFixedWidth(width);
  s->setFocusPolicy(Qt::ClickFocus);
  AddSmall(category, panel, s);
  Register(id, s, category);
  // Programmatic changes block signals, so what arrives here is the user's doing.
  connect(s, &QAbstractSlider::valueChanged, this, [this, id](int value) { emit sliderMoved(id, value); });
  return s;
}

QCheckBox* CMyMFCRibbonBar::AddCheckBox(int category, int panel, int id, const QString& text) {
  if (!PanelAt(category, panel)) return nullptr;
  auto* box = new QCheckBox(text, this);
  box->setFocusPolicy(Qt::NoFocus);
  AddSmall(category, panel, box);
  Register(id, box, category);
  connect(box, &QAbstractButton::clicked, this, [this, id](bool checked) { emit checkToggled(id, checked); });
  return box;
}

QToolButton* CMyMFCRibbonBar::AddLargeButton(int category, int panel, int id, const QString& text,
                                             const QIcon& icon) {
  Panel* target = PanelAt(category, panel);
  if (!target) return nullptr;
  Panel* w = target;
  auto* b = new RibbonButton(ButtonKind::Large, w);
  b->setText(text);
  b->setIcon(icon);
  w->columns->addWidget(b, 0, Qt::AlignTop);
  w->column = nullptr;  // small elements after it start a new column
  Register(id, b, category);
  connect(b, &QAbstractButton::clicked, this, [this, id] { emit commandTriggered(id); });
  return b;
}

QAction* CMyMFCRibbonBar::AddMenuItem(int buttonId, int itemId, const QString& text) {
  auto* button = qobject_cast<QToolButton*>(Element(buttonId));
  if (!button) return nullptr;
  QMenu* menu = button->menu();
  if (!menu) {
    menu = new QMenu(button);
    button->setMenu(menu);
    button->setPopupMode(QToolButton::InstantPopup);
    connect(menu, &QMenu::aboutToHide, this, &CMyMFCRibbonBar::ClearStaleHover);
  }
  QAction* action = menu->addAction(text);
  action->setProperty(kCtrlIdProperty, itemId);
  connect(action, &QAction::triggered, this, [this, itemId] { emit commandTriggered(itemId); });
  menuItems_[{elementCategory_[buttonId], itemId}] = action;
  return action;
}

QToolButton* CMyMFCRibbonBar::AddTabRowButton(int id, const QString& text, const QIcon& icon) {
  // A button built with an image and no text stays an image; the others get their text later.
  const bool imageOnly = !icon.isNull() && text.isEmpty();
  auto* b = new RibbonButton(imageOnly ? ButtonKind::IconOnly : ButtonKind::Small, tabRow_);
  b->setText(text);
  b->setIcon(icon);
  tabRowLayout_->addWidget(b, 0, Qt::AlignVCenter);
  Register(id, b, -1);
  connect(b, &QAbstractButton::clicked, this, [this, id] { emit commandTriggered(id); });
  return b;
}

QToolButton* CMyMFCRibbonBar::AddAppMenuItem(int id, const QString& text, const QIcon& icon, bool bottom) {
  auto* b = new RibbonButton(bottom ? ButtonKind::Small : ButtonKind::MenuCommand, appMenu_);
  b->setText(text);
  b->setIcon(icon);
  if (bottom)
    appMenuBottom_->addWidget(b);
  else
    appMenuCommands_->insertWidget(appMenuCommands_->count() - 1, b);
  Register(id, b, -1);
  connect(b, &QAbstractButton::clicked, this, [this, id] {
    appMenu_->hide();
    emit commandTriggered(id);
  });
  return b;
}

void CMyMFCRibbonBar::SetRecentFilesLabel(const QString& label) { recentLabel_->setText(label); }

void CMyMFCRibbonBar::SetKeyTip(QAbstractButton* element, const QString& tip) {
  if (element && !tip.isEmpty()) keyTips_.emplace_back(element, tip);
}

QAbstractButton* CMyMFCRibbonBar::AppButton() const { return appButton_; }

QAbstractButton* CMyMFCRibbonBar::CategoryTab(int category) const {
  if (category < 0 || category >= CategoryCount()) return nullptr;
  return categories_[static_cast<size_t>(category)].tab;
}

QWidget* CMyMFCRibbonBar::ApplicationMenu() const { return appMenu_; }

QAction* CMyMFCRibbonBar::MenuItem(int category, int itemId) const {
  const auto it = menuItems_.find({category, itemId});
  return it == menuItems_.end() ? nullptr : it->second;
}

void CMyMFCRibbonBar::ShowApplicationMenu() {
  ShowKeyTips(false);
  appMenu_->adjustSize();
  appMenu_->move(appButton_->mapToGlobal(QPoint(0, appButton_->height())));
  appMenu_->show();
}

// ---- What the view uses ----

void CMyMFCRibbonBar::SetActiveCategory(int category) {
  if (category < 0 || category >= CategoryCount()) return;
  active_ = category;
  pages_->setCurrentIndex(category);
  for (int i = 0; i < CategoryCount(); ++i)
    static_cast<TabButton*>(categories_[static_cast<size_t>(i)].tab)->SetActive(i == category);
  update();
}

void CMyMFCRibbonBar::OnTabClicked(int category) {
  if (category == active_) return;
  SetActiveCategory(category);
  emit categoryChanged(category);
}

QString CMyMFCRibbonBar::CategoryName(int category) const {
  auto* tab = CategoryTab(category);
  return tab ? tab->text() : QString();
}

void CMyMFCRibbonBar::SetCategoryName(int category, const QString& name) {
  if (auto* tab = CategoryTab(category)) {
    tab->setText(name);
    tab->updateGeometry();
    update();  // the gap in the body's top edge follows the active tab
  }
}

QString CMyMFCRibbonBar::PanelCaption(int category, int panel) const {
  const Panel* p = PanelAt(category, panel);
  return p ? p->Caption() : QString();
}

void CMyMFCRibbonBar::SetPanelCaption(int category, int panel, const QString& caption) {
  if (Panel* p = PanelAt(category, panel)) p->SetCaption(caption);
}

QString CMyMFCRibbonBar::ElementText(int id) const {
  if (auto* b = qobject_cast<QAbstractButton*>(Element(id))) return b->text();
  for (const auto& [key, action] : menuItems_)
    if (key.second == id) return action->text();
  return {};
}

void CMyMFCRibbonBar::SetElementText(int id, const QString& text) {
  if (auto* b = qobject_cast<QAbstractButton*>(Element(id))) {
    b->setText(text);
    b->updateGeometry();
    b->update();
    return;
  }
  for (const auto& [key, action] : menuItems_)
    if (key.second == id) action->setText(text);
}

CMFCRibbonStepSlider* CMyMFCRibbonBar::Slider(int id) const {
  return qobject_cast<CMFCRibbonStepSlider*>(Element(id));
}

void CMyMFCRibbonBar::SetSliderRange(int id, int min, int max) {
  if (auto* s = Slider(id)) {
    const QSignalBlocker quiet(s);  // a range that clamps the value is not a user move
    s->setRange(min, max);
  }
}

void CMyMFCRibbonBar::SetSliderValue(int id, int value) {
  if (auto* s = Slider(id)) {
    const QSignalBlocker quiet(s);
    s->setValue(value);
  }
}

int CMyMFCRibbonBar::SliderValue(int id) const {
  auto* s = Slider(id);
  return s ? s->value() : 0;
}

void CMyMFCRibbonBar::SetChecked(int id, bool checked) {
  if (auto* box = qobject_cast<QCheckBox*>(Element(id))) box->setChecked(checked);  // clicked is not emitted
}

bool CMyMFCRibbonBar::IsChecked(int id) const {
  auto* box = qobject_cast<QCheckBox*>(Element(id));
  return box && box->isChecked();
}

void CMyMFCRibbonBar::SetRecentFiles(const QStringList& paths) {
  for (QWidget* b : recentButtons_) {
    elements_.erase(b->property(kCtrlIdProperty).toInt());
    b->deleteLater();
  }
  recentButtons_.clear();
  recentFiles_ = paths.mid(0, kMaxRecent);
  for (int i = 0; i < recentFiles_.size(); ++i) {
    const QString path = recentFiles_[i];
    auto* b = new RibbonButton(ButtonKind::Recent, appMenu_);
    // "&1".."&9", then "1&0": the number is also the key that picks the entry.
    const QString number = i < 9 ? QStringLiteral("&%1").arg(i + 1) : QStringLiteral("1&0");
    b->setText(number + QStringLiteral("  ") + QDir::toNativeSeparators(path).replace('&', "&&"));
    b->setToolTip(QDir::toNativeSeparators(path));
    recentList_->addWidget(b);
    Register(rid::kFileMruFirst + i, b, -1);
    connect(b, &QAbstractButton::clicked, this, [this, path] {
      appMenu_->hide();
      emit recentFileChosen(path);
    });
    recentButtons_.push_back(b);
  }
}

QWidget* CMyMFCRibbonBar::Element(int id) const {
  const auto it = elements_.find(id);
  return it == elements_.end() ? nullptr : it->second;
}

// ---- Key tips, wheel ----

void CMyMFCRibbonBar::ShowKeyTips(bool show) {
  for (QWidget* badge : keyTipBadges_) badge->deleteLater();
  keyTipBadges_.clear();
  if (!show) return;
  for (const auto& [element, tip] : keyTips_) {
    if (!element || !element->isVisible() || !element->isEnabled() || !isAncestorOf(element)) continue;
    auto* badge = new QLabel(tip.toUpper(), this);
    badge->setAlignment(Qt::AlignCenter);
    badge->setStyleSheet(QStringLiteral("QLabel { background: #fdfdf2; color: #1e1e1e; border: 1px solid #767676;"
                                        " border-radius: 2px; padding: 0px 4px; }"));
    badge->adjustSize();
    const QRect r(element->mapTo(this, QPoint(0, 0)), element->size());
    // Just under the element, so the element stays readable, and always inside the ribbon.
    const int x = std::clamp(r.center().x() - badge->width() / 2, 2, width() - badge->width() - 2);
    badge->move(x, r.bottom() - 2);
    badge->show();
    badge->raise();
    keyTipBadges_.push_back(badge);
  }
}

void CMyMFCRibbonBar::ActivateKeyTip(QAbstractButton* element) {
  ShowKeyTips(false);
  element->click();
}

bool CMyMFCRibbonBar::HandleKey(QKeyEvent* event, bool press) {
  const bool isAlt = event->key() == Qt::Key_Alt;
  if (KeyTipsShown()) {
    if (!press) return true;
    if (isAlt || event->key() == Qt::Key_Escape) {
      ShowKeyTips(false);
      return true;
    }
    const QString typed = event->text().toLower();
    for (const auto& [element, tip] : keyTips_) {
      if (!element) continue;
      const bool matches = (!typed.isEmpty() && typed == tip.toLower()) ||
                           (tip.size() == 1 && event->key() == tip.toUpper().at(0).unicode());
      if (matches) {
        ActivateKeyTip(element);
        return true;
      }
    }
    return true;  // an unknown letter keeps the tips up
  }
  if (press) {
    // Only a lone Alt, pressed and released with nothing in between, shows the tips.
    altArmed_ = isAlt && !event->isAutoRepeat() && (event->modifiers() & ~Qt::AltModifier) == Qt::NoModifier;
    return false;
  }
  if (isAlt && altArmed_) {
    altArmed_ = false;
    ShowKeyTips(true);
    return true;
  }
  return false;
}

bool CMyMFCRibbonBar::eventFilter(QObject* watched, QEvent* event) {
  // Every event of the application passes here: look at the type before anything else.
  switch (event->type()) {
    case QEvent::Wheel: {
      // No category switching and no slider changes from a wheel turned over the ribbon.
      auto* widget = qobject_cast<QWidget*>(watched);
      return widget && (widget == this || isAncestorOf(widget));
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      auto* widget = qobject_cast<QWidget*>(watched);
      if (!widget || widget->window() != window() || !isVisible()) return false;
      return HandleKey(static_cast<QKeyEvent*>(event), event->type() == QEvent::KeyPress);
    }
    case QEvent::MouseButtonPress:
    case QEvent::WindowDeactivate:
      altArmed_ = false;
      if (KeyTipsShown()) ShowKeyTips(false);
      return false;
    default: return false;
  }
}

void CMyMFCRibbonBar::wheelEvent(QWheelEvent* event) { event->accept(); }

void CMyMFCRibbonBar::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange) ShowKeyTips(false);
  // Back from a dialog or a menu: repaint, so that no element stays highlighted without the pointer.
  if (event->type() == QEvent::ActivationChange) ClearStaleHover();
  QWidget::changeEvent(event);
}

void CMyMFCRibbonBar::ClearStaleHover() {
  for (QAbstractButton* button : findChildren<QAbstractButton*>()) button->update();
}

void CMyMFCRibbonBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect row = tabRow_->geometry();
  p.fillRect(row, Vertical(row, kTabRowTop, kTabRowBottom));
  const QRect body = pages_->geometry();
  p.fillRect(body, Vertical(body, kBodyTop, kBodyBottom));
  // The body's top edge, open under the active tab so the tab and its page read as one.
  p.setPen(kBorder);
  const int y = body.top();
  if (QAbstractButton* tab = CategoryTab(active_)) {
    const QRect t(tab->mapTo(this, QPoint(0, 0)), tab->size());
    p.drawLine(0, y, t.left(), y);
    p.drawLine(t.right(), y, width(), y);
  } else {
    p.drawLine(0, y, width(), y);
  }
  p.drawLine(0, body.bottom(), width(), body.bottom());
}

}  // namespace nr::gui
