#include "inputs/CDialogEfx.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QResizeEvent>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <utility>

#include "eq/BandEditor.h"
#include "eq/BandWrites.h"
#include "eq/CEqPanel.h"
#include "eq/EqSetCopy.h"
#include "inputs/CDialogMusic.h"
#include "inputs/CEchoGraphicPanel.h"
#include "inputs/CRevbGraphicPanel.h"
#include "inputs/InputParams.h"
#include "inputs/InputPages.h"
#include "link/DeviceModel.h"
#include "link/DeviceSession.h"
#include "shell/AppContext.h"
#include "shell/DialogTexts.h"
#include "shell/TextPair.h"

namespace nr::gui {
namespace {

nr::EffectKind CoreKind(int kind) { return static_cast<nr::EffectKind>(std::clamp(kind, 0, 3)); }
EffectParam CoreParam(int slider) { return static_cast<EffectParam>(slider); }

// Captions of the first three sliders follow the effect; the other three are the echo's own and
// come from the language table.
constexpr TextPair kReverbCaptions[3] = {{"混响电平", "Reverb Level"}, {"混响预延时", "Reverb Predelay"}, {"混响时长", "Reverb Time"}};
constexpr TextPair kEchoCaptions[3] = {{"回声电平", "Echo Level"}, {"回声预延时", "Echo Predelay"}, {"回声时间", "Echo Time"}};
constexpr std::array<int, 3> kEchoCaptionIds{1126, 1132, 1134};
constexpr const char* kEchoCaptionTemplates[3] = {"回声衰减比例", "右声道预延时", "右声道回声时间"};

constexpr TextPair kEffectNames[4] = {{"混响", "Reverb"}, {"混响", "Reverb"}, {"回声", "Echo"}, {"回声", "Echo"}};
constexpr TextPair kChannelNames[2] = {{"话筒通道A", "Mic CH A"}, {"话筒通道B", "Mic CH B"}};
constexpr TextPair kBack{"返回", "Back"};

constexpr int kBackMargin = 2;
constexpr int kSliderRowHeight = 30;
// Tall enough for the picture's eleven level labels to stand apart.
constexpr int kGraphicHeight = 240;

QString ValueText(int slider, int value, bool echo) {
  switch (slider) {
    case CDialogEfx::kPredelay:
      return QString::asprintf("%dms", value);
    case CDialogEfx::kTime:
      return echo ? QString::asprintf("%dms", value) : QString::asprintf("%.0fms", ReverbTimeMs(value));
    default:
      return QString::asprintf("%d%%", value);
  }
}

// The small badge of the title picture: a reverb's widening wave fronts or an echo's falling
// repeats, white on the effect's colour.
void DrawEffectIcon(QPainter& p, const QRectF& box, bool echo) {
  QLinearGradient fill(box.topLeft(), box.bottomRight());
  fill.setColorAt(0, QColor(98, 47, 192));
  fill.setColorAt(1, QColor(40, 71, 135));
  p.setPen(Qt::NoPen);
  p.setBrush(fill);
  p.drawRoundedRect(box, 7, 7);
  const double s = box.width();
  if (echo) {
    p.setBrush(Qt::white);
    const double base = box.bottom() - 0.2 * s, w = 0.11 * s;
    for (int i = 0; i < 4; ++i) {
      const double h = 0.58 * s * std::pow(0.68, i);
      const double x = box.left() + 0.18 * s + i * 0.18 * s;
      p.drawRoundedRect(QRectF(x, base - h, w, h), 1.5, 1.5);
    }
    return;
  }
  const QPointF source(box.left() + 0.26 * s, box.center().y());
  p.setBrush(Qt::white);
  p.drawEllipse(source, 0.07 * s, 0.07 * s);
  p.setBrush(Qt::NoBrush);
  for (int i = 1; i <= 3; ++i) {
    QColor c(Qt::white);
    c.setAlphaF(1.0 - 0.22 * (i - 1));
    p.setPen(QPen(c, 0.075 * s, Qt::SolidLine, Qt::RoundCap));
    const double r = 0.17 * s * i;
    p.drawArc(QRectF(source.x() - r, source.y() - r, 2 * r, 2 * r), -50 * 16, 100 * 16);
  }
}

QFont TitleFont(int pixelSize, bool bold) {
  QFont font;
  font.setFamilies({"Microsoft YaHei", "Noto Sans CJK SC", "WenQuanYi Micro Hei", "DejaVu Sans"});
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  return font;
}

// The back button's picture: a left arrow in a circle.
QIcon BackIcon() {
  QPixmap pixmap(QSize(36, 36));
  pixmap.setDevicePixelRatio(2.0);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 120, 200));
  p.drawEllipse(QRectF(1, 1, 16, 16));
  p.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawLine(QPointF(5, 9), QPointF(13, 9));
  p.drawLine(QPointF(5, 9), QPointF(8.5, 5.5));
  p.drawLine(QPointF(5, 9), QPointF(8.5, 12.5));
  return QIcon(pixmap);
}

}  // namespace

CDialogEfx::CDialogEfx(AppContext& ctx, PageHost& host, int kind, QWidget* parent)
    : CDialogEfx(ctx, ctx.Session(), host, kind, parent) {}

CDialogEfx::CDialogEfx(AppContext& ctx, DeviceSession& session, PageHost& host, int kind, QWidget* parent)
    : Page(parent), ctx_(ctx), session_(session), host_(host), kind_(std::clamp(kind, 0, 3)) {
  Build();
  ApplyDialogTexts(this, kDialogNumber, ctx_.Table());
  RefreshFromImage();
}

CDialogEfx::~CDialogEfx() = default;

// ---- construction ------------------------------------------------------------------------------

void CDialogEfx::Build() {
  ApplyInputPageStyle(this);
  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(0, 0, 0, 0);
  root->setSpacing(6);

  auto* top = new QHBoxLayout;
  top->setContentsMargins(10, 6, 120, 0);  // room for the back button in the corner
  title_ = new QLabel(this);
  title_->setObjectName(QStringLiteral("effectTitle"));
  top->addWidget(title_);
  top->addStretch(1);
  root->addLayout(top);

  auto* middle = new QHBoxLayout;
  middle->setContentsMargins(10, 0, 10, 0);
  middle->setSpacing(10);
  auto* sliders = new QGridLayout;
  sliders->setHorizontalSpacing(8);
  sliders->setVerticalSpacing(4);
  for (int i = 0; i < kSliders; ++i) {
    Row& row = rows_[static_cast<size_t>(i)];
    row.caption = new QLabel(this);
    if (i >= kDecay)
      WithId(row.caption, kEchoCaptionIds[static_cast<size_t>(i - kDecay)])
          ->setText(QString::fromUtf8(kEchoCaptionTemplates[i - kDecay]));
    row.slider = new QSlider(Qt::Horizontal, this);
    const IntRange range = EffectParamRange(CoreKind(kind_), CoreParam(i));
    row.slider->setRange(range.min, range.max);
    row.slider->setSingleStep(1);
    row.slider->setPageStep(10);
    row.slider->setMinimumWidth(160);
    row.slider->setMinimumHeight(kSliderRowHeight);
    row.value = new QLabel(this);
    row.value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row.value->setMinimumWidth(row.value->fontMetrics().horizontalAdvance(QStringLiteral("5000ms")) + 6);
    sliders->addWidget(row.caption, i, 0);
    sliders->addWidget(row.slider, i, 1);
    sliders->addWidget(row.value, i, 2);
    connect(row.slider, &QSlider::valueChanged, this, [this, i](int v) { OnSlider(i, v); });
  }
  sliders->setColumnStretch(1, 1);
  sliders->setRowStretch(kSliders, 1);
  middle->addLayout(sliders, 2);
  echoGraphic_ = new CEchoGraphicPanel(this);
  reverbGraphic_ = new CRevbGraphicPanel(this);
  echoGraphic_->setMinimumHeight(kGraphicHeight);
  reverbGraphic_->setMinimumHeight(kGraphicHeight);
  middle->addWidget(echoGraphic_, 3);
  middle->addWidget(reverbGraphic_, 3);
  root->addLayout(middle);

  // The EQ panel takes the page's right and bottom edges.
  auto* eq = new QHBoxLayout;
  eq->setContentsMargins(10, 0, 0, 0);
  eq->setSpacing(8);
  panel_ = new CEqPanel(&ctx_.Model(), ctx_.Language(), this);
  panel_->setMinimumSize(360, 200);
  panel_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  editor_ = new BandEditor(*panel_, session_, ctx_.CopiedSet(), ctx_.Language(), this);
  editor_->SetPrompts(&ctx_.UserPrompts());
  ArrangeBandEditor(editor_);
  eq->addWidget(editor_);
  eq->addWidget(panel_, 1);
  root->addLayout(eq, 1);

  auto* back = new QPushButton(BackIcon(), ctx_.T(kBack), this);
  back->setObjectName(QStringLiteral("backButton"));
  back->setIconSize(QSize(18, 18));
  back->setCursor(Qt::PointingHandCursor);
  back_ = back;
  connect(back, &QPushButton::clicked, this, &CDialogEfx::GoBack);

  wheel_ = new FocusWheelRouter(this, [this](QWidget* focus) {
    if (editor_->HoldsWheelTarget(focus)) return true;
    return std::any_of(rows_.begin(), rows_.end(), [focus](const Row& r) { return r.slider == focus; });
  });
  wheel_->Install();
}

// ---- kinds, titles and the back button ---------------------------------------------------------

int CDialogEfx::EqSetOf(int kind) { return EffectEq(CoreKind(kind)).set; }

bool CDialogEfx::RowShown(int slider) const { return !rows_[static_cast<size_t>(slider)].caption->isHidden(); }

void CDialogEfx::SetKind(int kind) {
  kind_ = std::clamp(kind, 0, 3);
  ApplyDialogTexts(this, kDialogNumber, ctx_.Table());
  RefreshFromImage();
}

void CDialogEfx::GoBack() { host_.ShowPage(std::make_unique<CDialogMusic>(ctx_, session_, host_, ctx_.MusicSubPage())); }

QPixmap CDialogEfx::TitlePicture(int kind, gui::Language language, qreal devicePixelRatio) {
  kind = std::clamp(kind, 0, 3);
  const QString name = kEffectNames[kind].Get(language);
  const QString channel = kChannelNames[kind % 2].Get(language);
  const QFont nameFont = TitleFont(20, true);
  const QFont channelFont = TitleFont(15, false);
  constexpr int kIcon = 30, kHeight = 36, kGap = 10;
  const int nameWidth = QFontMetrics(nameFont).horizontalAdvance(name);
  const int channelWidth = QFontMetrics(channelFont).horizontalAdvance(channel);
  const int width = kIcon + kGap + nameWidth + kGap + channelWidth + 4;

  QPixmap picture(QSize(width, kHeight) * devicePixelRatio);
  picture.setDevicePixelRatio(devicePixelRatio);
  picture.fill(Qt::transparent);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  DrawEffectIcon(p, QRectF(0, (kHeight - kIcon) / 2.0, kIcon, kIcon), kind >= kEchoA);
  int x = kIcon + kGap;
  p.setFont(nameFont);
  p.setPen(QColor(30, 55, 100));
  p.drawText(QRect(x, 0, nameWidth + 2, kHeight), Qt::AlignLeft | Qt::AlignVCenter, name);
  x += nameWidth + kGap;
  p.setFont(channelFont);
  p.setPen(QColor(90, 110, 135));
  p.drawText(QRect(x, 0, channelWidth + 4, kHeight), Qt::AlignLeft | Qt::AlignVCenter, channel);
  return picture;
}

void CDialogEfx::SetTitlePicture() {
  title_->setPixmap(TitlePicture(kind_, ctx_.Language(), devicePixelRatioF()));
  title_->setAccessibleName(kEffectNames[kind_].Get(ctx_.Language()) + ' ' + kChannelNames[kind_ % 2].Get(ctx_.Language()));
}

void CDialogEfx::SetCaptions() {
  const TextPair* captions = IsEcho() ? kEchoCaptions : kReverbCaptions;
  for (int i = 0; i < 3; ++i) rows_[static_cast<size_t>(i)].caption->setText(captions[i].Get(ctx_.Language()));
  // What each slider does; the last three rows exist for the echo's right channel only.
  static constexpr TextPair kReverbTips[3] = {
      {"混响的音量", "How loud the reverb is"},
      {"声音与混响开始之间的时间", "The time from the sound to the start of the reverb"},
      {"混响持续的时间", "How long the reverb lasts"}};
  static constexpr TextPair kEchoTips[kSliders] = {
      {"回声的音量", "How loud the echo is"},
      {"声音与第一次回声之间的时间", "The time from the sound to its first echo"},
      {"两次回声之间的时间", "The time from one repeat to the next"},
      {"每次回声比上一次减弱多少", "How much weaker each repeat is than the one before"},
      {"右声道回声的预延时", "The right channel's echo predelay"},
      {"右声道两次回声之间的时间", "The right channel's time between repeats"}};
  for (int i = 0; i < kSliders; ++i) {
    const TextPair& tip = IsEcho() || i >= 3 ? kEchoTips[i] : kReverbTips[i];
    for (QWidget* w : {static_cast<QWidget*>(rows_[static_cast<size_t>(i)].caption),
                       static_cast<QWidget*>(rows_[static_cast<size_t>(i)].slider)})
      w->setToolTip(ctx_.T(tip));
  }
  back_->setToolTip(ctx_.T({"回到话筒与音乐页面", "Back to the microphone and music page"}));
}

void CDialogEfx::PlaceBackButton() {
  back_->adjustSize();
  back_->move(width() - back_->width() - kBackMargin, kBackMargin);
  back_->raise();
}

void CDialogEfx::resizeEvent(QResizeEvent* event) {
  Page::resizeEvent(event);
  PlaceBackButton();
}

void CDialogEfx::Relabel() {
  ApplyDialogTexts(this, kDialogNumber, ctx_.Table());
  back_->setText(ctx_.T(kBack));
  PlaceBackButton();
  panel_->SetLanguage(ctx_.Language());
  editor_->SetLanguage(ctx_.Language());
  SetCaptions();
  SetTitlePicture();
}

// ---- sliders -----------------------------------------------------------------------------------

void CDialogEfx::OnSlider(int slider, int value) {
  if (!HasEffectParam(CoreKind(kind_), CoreParam(slider))) return;
  SetEffectParam(session_, CoreKind(kind_), CoreParam(slider), value);
  ShowValue(slider, value);
}

void CDialogEfx::ShowValue(int slider, int value) {
  rows_[static_cast<size_t>(slider)].value->setText(ValueText(slider, value, IsEcho()));
  if (IsEcho()) {
    switch (slider) {
      case kLevel: echoGraphic_->SetLevel(value); break;
      case kPredelay: echoGraphic_->SetPredelay(value); break;
      case kTime: echoGraphic_->SetTime(value); break;
      case kDecay: echoGraphic_->SetDecay(value); break;
      case kRightPredelay: echoGraphic_->SetRightPredelay(value); break;
      default: echoGraphic_->SetRightDelay(value); break;
    }
    return;
  }
  switch (slider) {
    case kLevel: reverbGraphic_->SetLevel(value); break;
    case kPredelay: reverbGraphic_->SetPredelay(value); break;
    case kTime: reverbGraphic_->SetTime(value); break;
    default: break;
  }
}

// ---- status bar EQ buttons ---------------------------------------------------------------------

bool CDialogEfx::EqBypass() const {
  return ctx_.Model().Read([&](const DeviceState& s) { return EqBypassed(s, EffectEq(CoreKind(kind_))); });
}

void CDialogEfx::SetEqBypass(bool on) {
  // The status bar asks for the state it now shows: the negation of the stored switch whenever
  // the two agree, and still what the user sees when they do not.
  SetEqBypassed(session_, EffectEq(CoreKind(kind_)), on);
  panel_->SetBypass(on);
  emit eqBypassChanged(on);
}

void CDialogEfx::ResetCurrentEq() {
  ResetEqSet(session_, EqSetOf(kind_));
  editor_->LoadSet(EqSetOf(kind_));
}

// ---- refresh -----------------------------------------------------------------------------------

void CDialogEfx::RefreshFromImage() {
  const DeviceState s = ctx_.Model().Snapshot();
  SetTitlePicture();
  RefreshSliders(s);
  SetCaptions();
  RefreshEq(s);
}

void CDialogEfx::RefreshSliders(const DeviceState& s) {
  std::array<int, kSliders> values{};
  for (int i = 0; i < kSliders; ++i) values[static_cast<size_t>(i)] = EffectParamValue(s, CoreKind(kind_), CoreParam(i));
  const IntRange time = EffectParamRange(CoreKind(kind_), EffectParam::kTime);
  rows_[kTime].slider->blockSignals(true);
  rows_[kTime].slider->setRange(time.min, time.max);
  rows_[kTime].slider->blockSignals(false);

  const int shown = IsEcho() ? kSliders : kDecay;
  for (int i = 0; i < kSliders; ++i) {
    Row& row = rows_[static_cast<size_t>(i)];
    const bool visible = i < shown;
    row.caption->setVisible(visible);
    row.slider->setVisible(visible);
    row.value->setVisible(visible);
    if (!visible) continue;
    // The label shows the value the slider can hold, as after a slider move.
    const QSignalBlocker blocker(row.slider);
    row.slider->setValue(values[static_cast<size_t>(i)]);
    ShowValue(i, row.slider->value());
  }
  echoGraphic_->setVisible(IsEcho());
  reverbGraphic_->setVisible(!IsEcho());
}

void CDialogEfx::RefreshEq(const DeviceState& s) {
  editor_->LoadSet(EqSetOf(kind_));  // no band selected, the list of seven bands shown
  const bool bypass = EqBypassed(s, EffectEq(CoreKind(kind_)));
  panel_->SetBypass(bypass);
  emit eqBypassChanged(bypass);
}

}  // namespace nr::gui
