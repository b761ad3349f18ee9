#include "eq/CEqPanel.h"

#include <QFont>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <limits>
#include <vector>

#include "eq/BandLimits.h"
#include "eq/EqSetTable.h"
#include "eq/Slopes.h"
#include "link/DeviceModel.h"
#include "shell/AppContext.h"
#include "shell/TextPair.h"

namespace nr::gui {
namespace {

constexpr int kPlotLeft = 36;
constexpr int kPlotTop = 18;
constexpr int kPlotRightMargin = 6;
constexpr int kPlotBottomMargin = 20;
constexpr float kMinQ = kBandQMin;
constexpr float kMaxPeakingQ = kPeakingQMax;
constexpr float kMaxFilterQ = kFilterQMax;

const QColor kBackground(20, 20, 20);
const QColor kGridLine(64, 64, 64);
const QColor kGridText(128, 128, 128);
const QColor kSetName(255, 255, 0);
const QColor kCurve(0, 200, 255);
const QColor kCaption(180, 180, 180);
const QColor kValue(16, 255, 16);
const QColor kWarn(255, 255, 0);
const QColor kAlarm(255, 0, 0);

constexpr double kGridFrequencies[] = {18,   20,   30,   40,   50,   60,   70,   80,   90,    100,
                                       200,  300,  400,  500,  600,  700,  800,  900,  1000,  2000,
                                       3000, 4000, 5000, 6000, 7000, 8000, 9000, 10000, 20000, 23000};
struct FrequencyLabel {
  double frequency;
  const char* text;
};
constexpr FrequencyLabel kFrequencyLabels[] = {{20, "20Hz"},   {50, "50Hz"},   {100, "100Hz"}, {200, "200Hz"},
                                               {500, "500Hz"}, {1000, "1kHz"}, {2000, "2kHz"}, {5000, "5kHz"},
                                               {10000, "10kHz"}, {20000, "20kHz"}};

constexpr TextPair kCopyText{"复制均衡", "Copy EQ"};
constexpr TextPair kPasteText{"粘贴均衡", "Paste EQ"};
constexpr TextPair kImportText{"导入滤波器…", "Import filters..."};
constexpr TextPair kExportText{"导出滤波器…", "Export filters..."};
constexpr TextPair kTypeMenu[5] = {
    {"参量(PEQ)", "PEQ"}, {"低通(LP)", "LP"}, {"高通(HP)", "HP"}, {"低架(LS)", "LS"}, {"高架(HS)", "HS"}};
constexpr TextPair kStatusLine{"EQ号=%d    频率=%.0fHz    Q值=%.2f     增益=",
                               "Index=%d     Frequency=%.0fHz    Q=%.2f     Gain="};

// Section types a crossover band and its three partners take for each menu type (0 = off).
constexpr int kCompositeRows[6][4] = {
    {0, 0, 0, 0}, {1, 1, 1, 1}, {18, 20, 1, 1}, {19, 21, 1, 1}, {4, 1, 1, 1}, {5, 1, 1, 1}};

bool HasGain(int type) { return type == kPeaking || type == kLowShelf || type == kHighShelf; }
// The section types whose region is filled down to the bottom: the low- and high-pass families.
bool IsPassFilter(int type) { return type >= 2 && type <= 21 && type != kLowShelf && type != kHighShelf; }

double RoundHalfAway(double v) { return std::round(v); }  // std::round rounds halves away from 0

// printf formatting through the C library: it keeps the sign of -0.0, which the 0 dB grid label
// relies on, where QString::asprintf drops it.
QString Format(const char* format, ...) {
  char buffer[256];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (n < 0) return {};
  return QString::fromUtf8(buffer, std::min<int>(n, sizeof buffer - 1));
}

QFont MakeFont(const QStringList& families, double pointSize, int pixelSize = 0, bool bold = false) {
  QFont font;
  font.setFamilies(families);
  if (pixelSize > 0)
    font.setPixelSize(pixelSize);
  else
    font.setPointSizeF(pointSize);
  font.setBold(bold);
  font.setStyleStrategy(QFont::PreferAntialias);
  return font;
}

const QStringList& LatinFamilies() {
  static const QStringList families{"Arial", "Liberation Sans", "DejaVu Sans", "Helvetica"};
  return families;
}
const QStringList& SongFamilies() {
  static const QStringList families{"SimSun", "NSimSun", "WenQuanYi Micro Hei", "Noto Sans CJK SC", "DejaVu Sans"};
  return families;
}
const QStringList& HeiFamilies() {
  static const QStringList families{"SimHei", "Noto Sans CJK SC", "WenQuanYi Micro Hei", "DejaVu Sans"};
  return families;
}

// A cardinal spline through the points as cubic Bezier segments; tension 0 gives straight lines.
void AppendCardinalSpline(QPainterPath& path, const QPointF* pts, int n, double tension, bool closed) {
  if (n < 2) return;
  const double k = tension * 0.3;
  auto point = [&](int i) -> const QPointF& {
    if (closed) return pts[(i % n + n) % n];
    return pts[std::clamp(i, 0, n - 1)];
  };
  path.moveTo(pts[0]);
  const int segments = closed ? n : n - 1;
  for (int i = 0; i < segments; ++i) {
    const QPointF& p0 = point(i - 1);
    const QPointF& p1 = point(i);
    const QPointF& p2 = point(i + 1);
    const QPointF& p3 = point(i + 2);
    path.cubicTo(p1 + (p2 - p0) * k, p2 - (p3 - p1) * k, p2);
  }
  if (closed) path.closeSubpath();
}

// The grid labels must fit the 36 px left margin; a wide substitute for Arial is made smaller.
QFont FittingGridFont() {
  QFont font = MakeFont(LatinFamilies(), 8.4);
  const qreal room = kPlotLeft - 4;
  const qreal width = QFontMetricsF(font).horizontalAdvance(QStringLiteral("+15dB"));
  if (width > room) font.setPointSizeF(std::max(6.0, 8.4 * room / width));
  return font;
}

}  // namespace

struct CEqPanel::Fonts {
  QFont grid = FittingGridFont();
  QFont label = MakeFont(LatinFamilies(), 8.4);
  QFont number = MakeFont(LatinFamilies(), 8.0);
  QFont setName = MakeFont(SongFamilies(), 0, 13);
  QFont status = MakeFont(SongFamilies(), 9.0);
  QFont bypass = MakeFont(HeiFamilies(), 0, 72);
};

CEqPanel::CEqPanel(QWidget* parent) : CEqPanel(nullptr, Language::Chinese, parent) {}

CEqPanel::CEqPanel(const DeviceModel* model, gui::Language language, QWidget* parent)
    : QWidget(parent), model_(model), language_(language), fonts_(std::make_unique<Fonts>()) {
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  for (int i = 0; i < kMaxBands; ++i) bands_[static_cast<size_t>(i)].index = i;
  SetHelpTip();
}

void CEqPanel::SetHelpTip() {
  static constexpr TextPair kHelp{
      "左键拖动频段：频率与增益；右键左右拖动：Q值；右键点击频段：类型；右键点击空白处：复制、粘贴、导入或导出滤波器；"
      "滚轮或方向键：细调选中的频段",
      "Drag a band with the left button: frequency and gain; drag it sideways with the right button: Q; "
      "right-click a band: its type; right-click elsewhere: copy, paste, import or export filters; wheel or "
      "arrow keys: fine steps for the selected band"};
  // A locked panel is a display: the mouse edits nothing there, so its owner says what it shows.
  if (!locked_) setToolTip(kHelp.Get(language_));
  setAccessibleName(TextPair{"均衡曲线", "EQ curve"}.Get(language_));
}

QString CEqPanel::PartName(int band) const {
  if (!InUse(band)) return QString();
  const EqPanelBand& b = Band(band);
  const int type = MenuType(band);
  const QString typeName = type >= 1 && type <= 5 ? kTypeMenu[type - 1].Get(language_) : QString();
  const QString format = TextPair{"第%1段 %2：%3Hz，%4dB，Q值%5", "Band %1 %2: %3 Hz, %4 dB, Q %5"}.Get(language_);
  return format.arg(band + 1)
      .arg(typeName)
      .arg(std::lround(b.frequency))
      .arg(QString::asprintf("%+.1f", static_cast<double>(b.gain)))
      .arg(QString::asprintf("%.2f", static_cast<double>(b.q)));
}

QRect CEqPanel::PartRect(int band) const {
  if (!InUse(band)) return {};
  return QRect(MarkerPoint(band) - QPoint(8, 8), QSize(16, 16));
}

void CEqPanel::SetLocked(bool locked) {
  locked_ = locked;
  // A locked panel is a display: it takes no keys, and its markers are drawn without handles.
  setFocusPolicy(locked ? Qt::NoFocus : Qt::StrongFocus);
  update();
  if (locked)
    setToolTip(QString());
  else
    SetHelpTip();
}

CEqPanel::CEqPanel(AppContext& context, QWidget* parent) : CEqPanel(&context.Model(), context.Language(), parent) {
  connect(&context, &AppContext::languageChanged, this, [this, &context] { SetLanguage(context.Language()); });
}

CEqPanel::~CEqPanel() = default;

// ---- bands -------------------------------------------------------------------------------------

QString CEqPanel::BandLabel(int band) const { return QString::number(band + 1); }

void CEqPanel::SetOwnBands(int count) {
  set_ = -1;
  bandCount_ = std::clamp(count, 1, kMaxBands);
  for (int i = 0; i < kMaxBands; ++i) {
    EqPanelBand band;
    band.index = i;
    bands_[static_cast<size_t>(i)] = band;
  }
  selected_ = -1;
  hovered_ = -1;
  backgroundValid_ = false;
  RecomputeAll();
  update();
}

void CEqPanel::SetEqSet(int set) {
  set_ = set;
  bandCount_ = std::min(EqSetTable::Bands(set), kMaxBands);
  for (int i = 0; i < kMaxBands; ++i) {
    EqPanelBand band;
    band.index = i;
    band.frequency = static_cast<float>(EqSetTable::DefaultFrequency(set, i));
    bands_[static_cast<size_t>(i)] = band;
  }
  if (EqSetTable::IsChannelSet(set)) {
    EqPanelBand& composite = At(EqSetTable::kCompositeBand);
    composite.partnerCount = EqSetTable::kPartnerCount;
    for (int k = 0; k < EqSetTable::kPartnerCount; ++k) {
      const int partner = EqSetTable::kCompositeBand + 1 + k;
      composite.partners[static_cast<size_t>(k)] = partner;
      At(partner).visible = false;
    }
  }
  selected_ = -1;
  hovered_ = -1;
  backgroundValid_ = false;
  if (model_) {
    LoadStoredBands();
  } else {
    RecomputeAll();
    update();
  }
}

void CEqPanel::LoadStoredBands() {
  if (!model_) return;
  std::array<EqBand, kMaxBands> records{};
  const int set = set_;
  const int count = bandCount_;
  model_->Read([&](const DeviceState& state) {
    for (int b = 0; b < count; ++b) records[static_cast<size_t>(b)] = state.Band(set, b);
  });
  for (int b = 0; b < count; ++b) {
    const EqBand& r = records[static_cast<size_t>(b)];
    EqPanelBand& band = At(b);
    band.type = r.type;
    band.frequency = static_cast<float>(r.freq);
    band.gain = r.gainDb;
    band.q = r.q;
  }
  RecomputeAll();
  update();
}

void CEqPanel::LoadBand(int band, const EqBand& record) {
  if (!InUse(band)) return;
  EqPanelBand& b = At(band);
  b.type = record.type;
  b.frequency = static_cast<float>(record.freq);
  b.gain = record.gainDb;
  b.q = record.q;
  RecomputeCurve(band);
  update();
}

int CEqPanel::GrabbableCount() const {
  return EqSetTable::IsChannelSet(set_) ? std::min(bandCount_, EqSetTable::Grabbable(set_)) : bandCount_;
}

void CEqPanel::SetSelectedBand(int band) {
  selected_ = InUse(band) ? band : -1;
  update();
}

void CEqPanel::SetBypass(bool bypass) {
  if (bypass_ == bypass) return;
  bypass_ = bypass;
  update();
}

void CEqPanel::SetLanguage(gui::Language language) {
  language = language;
  if (language_ == language) return;
  language_ = language;
  backgroundValid_ = false;
  SetHelpTip();
  update();
}

void CEqPanel::SetBandType(int band, int type) {
  if (!InUse(band)) return;
  EqPanelBand& b = At(band);
  b.type = type;
  if (type == kPeaking) {
    b.q = 1.41f;
  } else if (type >= kLowPass && type <= kHighShelf) {
    SetBandGain(band, 0.0f);
    b.q = 0.7f;
  }
  RecomputeCurve(band);
  update();
}

void CEqPanel::SetBandGain(int band, float gain) {
  if (!InUse(band) || !std::isfinite(gain)) return;
  EqPanelBand& b = At(band);
  if (b.type == kLowPass || b.type == kHighPass || b.type > kHighShelf) gain = 0.0f;
  b.gain = std::clamp(gain, -kMaxGain, kMaxGain);
  RecomputeCurve(band);
  update();
}

void CEqPanel::SetBandQ(int band, float q) {
  if (!InUse(band) || !std::isfinite(q) || std::fabs(q) < 1e-7f) return;
  EqPanelBand& b = At(band);
  b.q = std::clamp(q, kMinQ, b.type == kPeaking ? kMaxPeakingQ : kMaxFilterQ);
  RecomputeCurve(band);
  update();
}

void CEqPanel::SetBandFrequency(int band, float frequency) {
  if (!InUse(band) || !std::isfinite(frequency)) return;
  EqPanelBand& b = At(band);
  b.frequency = std::clamp(static_cast<float>(WholeHertz(frequency)), b.freqMin, b.freqMax);
  RecomputeCurve(band);
  update();
}

void CEqPanel::SetBandTypeFromMenu(int band, int menuType) {
  if (!InUse(band) || menuType < 0 || menuType > 5) return;
  const EqPanelBand& b = At(band);
  if (b.partnerCount == 0) {
    SetBandType(band, menuType);
    return;
  }
  const std::array<int, 3> partners = b.partners;
  SetBandGain(band, 0.0f);
  const int* row = kCompositeRows[menuType];
  SetBandType(band, row[0]);
  for (int k = 0; k < 3; ++k) SetBandType(partners[static_cast<size_t>(k)], row[k + 1]);
}

void CEqPanel::SetBandSlope(int band, int slope) {
  if (!InUse(band) || At(band).partnerCount == 0) return;
  const std::array<int, 3> partners = At(band).partners;
  SetBandGain(band, 0.0f);
  const SlopeTypes types = ApplySlope(At(band).type, slope);
  SetBandType(band, types[0]);
  for (int k = 0; k < 3; ++k) SetBandType(partners[static_cast<size_t>(k)], types[static_cast<size_t>(k) + 1]);
}

void CEqPanel::RecomputeCurve(int band) {
  if (!InUse(band)) return;
  EqPanelBand& b = At(band);
  const int width = PlotWidth();
  auto evaluate = [&](EqPanelBand& section) {
    if (section.type == kAllPass || width <= 0) return;
    EvalResponse(section.type, section.frequency, section.gain, section.q, kMinFreq, kMaxFreq, width, section.curve);
  };
  for (int k = 0; k < b.partnerCount && k < 3; ++k) {
    const int p = b.partners[static_cast<size_t>(k)];
    if (!InUse(p) || p == band) continue;
    At(p).frequency = b.frequency;
    evaluate(At(p));
  }
  evaluate(b);
  UpdateMarker(b);
}

void CEqPanel::RecomputeAll() {
  for (int b = 0; b < bandCount_; ++b) {
    // Partners are recomputed by their crossover band, which gives them its frequency first.
    if (!At(b).visible) continue;
    RecomputeCurve(b);
  }
}

int CEqPanel::MenuType(int band) const {
  if (!InUse(band)) return 0;
  const EqPanelBand& b = Band(band);
  if (b.partnerCount == 0) return b.type;
  int menuType = b.type;
  SlopeTypes types{b.type, 1, 1, 1};
  for (int k = 0; k < 3; ++k) types[static_cast<size_t>(k) + 1] = Band(b.partners[static_cast<size_t>(k)]).type;
  FindSlope(types, menuType);
  return menuType;
}

int CEqPanel::SlopeIndex(int band) const {
  if (!InUse(band) || Band(band).partnerCount == 0) return 0;
  const EqPanelBand& b = Band(band);
  int menuType = b.type;
  SlopeTypes types{b.type, 1, 1, 1};
  for (int k = 0; k < 3; ++k) types[static_cast<size_t>(k) + 1] = Band(b.partners[static_cast<size_t>(k)]).type;
  const int slope = FindSlope(types, menuType);
  return slope < kSlopeCount ? slope : 0;
}

QColor CEqPanel::BandColor(int band) {
  // Bands 3 and 14 were dark blues that hardly showed on the black plot: lightened, same hues.
  static constexpr QRgb kColors[15] = {0xFA64B4, 0xFF50FF, 0x8080FF, 0x50FF64, 0xFFFF64,
                                       0xFF6464, 0xFFB414, 0xFF64B4, 0xB464FF, 0x8CB4FF,
                                       0x14B4FF, 0x50FFFF, 0x28FFA0, 0x4696FF, 0x50FFFF};
  return QColor(kColors[((band % 15) + 15) % 15]);
}

// ---- geometry ----------------------------------------------------------------------------------

int CEqPanel::PlotWidth() const { return width() - kPlotRightMargin - kPlotLeft; }
int CEqPanel::PlotHeight() const { return height() - kPlotBottomMargin - kPlotTop; }

QRect CEqPanel::PlotRect() const { return QRect(kPlotLeft, kPlotTop, PlotWidth(), PlotHeight()); }

double CEqPanel::FrequencyToX(double frequency) const {
  // A record read from the device may hold any frequency; keep the pixel within reach.
  frequency = std::isfinite(frequency) ? std::clamp(frequency, 1.0, 1e6) : kMinFreq;
  return kPlotLeft + std::trunc(PlotWidth() * std::log10(frequency / kMinFreq) / std::log10(kMaxFreq / kMinFreq));
}

double CEqPanel::GainToY(double gain) const {
  gain = std::isfinite(gain) ? std::clamp(gain, -1000.0, 1000.0) : 0.0;
  return kPlotTop + std::trunc((kMaxGain - gain) * PlotHeight() / 30.0);
}

QPoint CEqPanel::MarkerPoint(int band) const {
  const EqPanelBand& b = Band(band);
  return QPoint(kPlotLeft + static_cast<int>(b.x), kPlotTop + static_cast<int>(b.y));
}

void CEqPanel::UpdateMarker(EqPanelBand& band) const {
  if (!band.visible) return;  // partner sections keep no marker position of their own
  band.x = static_cast<float>(FrequencyToX(band.frequency) - kPlotLeft);
  band.y = static_cast<float>(GainToY(band.gain) - kPlotTop);
}

void CEqPanel::UpdateMarkers() {
  for (int b = 0; b < bandCount_; ++b) UpdateMarker(At(b));
}

int CEqPanel::HitTest(QPointF plotPos, float reach, bool skipOff) const {
  const int n = GrabbableCount();
  for (int b = 0; b < n; ++b) {
    const EqPanelBand& band = Band(b);
    if (!band.visible || (skipOff && band.type == kAllPass)) continue;
    if (std::fabs(plotPos.x() - band.x) < reach && std::fabs(plotPos.y() - band.y) < reach) return b;
  }
  return -1;
}

// ---- input -------------------------------------------------------------------------------------

void CEqPanel::FinishEdit(int band, bool immediate) {
  RecomputeCurve(band);
  emit BandChanged(band);
  if (immediate)
    repaint();
  else
    update();
}

void CEqPanel::mousePressEvent(QMouseEvent* event) {
  const QPointF pos = event->position() - QPointF(kPlotLeft, kPlotTop);
  if (event->button() == Qt::LeftButton) {
    if (locked_ || rightDrag_) return;
    setFocus(Qt::MouseFocusReason);
    downPoint_ = pos;
    leftDrag_ = true;
    moved_ = false;
    selected_ = -1;
    const int hit = HitTest(pos, 10.0f, true);
    update();
    if (hit >= 0) {
      selected_ = hit;
      grabOffset_ = pos - QPointF(Band(hit).x, Band(hit).y);
      grabFrequency_ = Band(hit).frequency;
      emit BandPicked(hit);
    }
  } else if (event->button() == Qt::RightButton) {
    if (locked_ || leftDrag_) return;
    downPoint_ = pos;
    lastX_ = pos.x();
    rightDrag_ = true;
    moved_ = false;
    selected_ = -1;
    const int hit = HitTest(pos, 16.0f, false);
    update();
    if (hit >= 0) {
      selected_ = hit;
      emit BandChanged(hit);
    }
  }
}

void CEqPanel::mouseMoveEvent(QMouseEvent* event) {
  const QPointF pos = event->position() - QPointF(kPlotLeft, kPlotTop);
  if (leftDrag_ || rightDrag_) {
    if (!moved_ && (std::fabs(pos.x() - downPoint_.x()) > 1 || std::fabs(pos.y() - downPoint_.y()) > 1)) moved_ = true;
    if (!moved_ || !InUse(selected_)) return;
    EqPanelBand& b = At(selected_);
    if (leftDrag_) {
      const int width = std::max(PlotWidth(), 1);
      const int height = std::max(PlotHeight(), 1);
      // The frequency follows the pointer's horizontal travel from where the marker was grabbed;
      // a drag straight up or down keeps it exactly (a marker's pixel stands for a range).
      const double x = pos.x() - grabOffset_.x();
      const double frequency = std::fabs(pos.x() - downPoint_.x()) < 0.5
                                   ? double(grabFrequency_)
                                   : kMinFreq * std::pow(10.0, std::log10(kMaxFreq / kMinFreq) * x / width);
      double gain = 0.0;
      if (HasGain(b.type)) gain = RoundHalfAway((15.0 - ((pos.y() - grabOffset_.y()) / height) * 30.0) * 10.0) / 10.0;
      b.gain = std::clamp(static_cast<float>(gain), b.gainMin, b.gainMax);
      // Whole hertz, as the band is stored: a marker at 629.6 Hz would read "630Hz" but be kept
      // (and come back after a reload) as 629 Hz.
      b.frequency = std::clamp(static_cast<float>(WholeHertz(frequency)), b.freqMin, b.freqMax);
    } else {
      const bool filterQ = b.type >= kLowPass && b.type <= kHighShelf;
      const double dx = pos.x() - lastX_;
      if (filterQ)
        b.q = std::clamp(static_cast<float>(b.q + dx / 80.0), kMinQ, kMaxFilterQ);
      else
        b.q = std::clamp(static_cast<float>(b.q + dx / 12.0), kMinQ, kMaxPeakingQ);
      lastX_ = pos.x();
    }
    FinishEdit(selected_, true);
    return;
  }
  // Hover: the last band in use (partners included) near the pointer.
  int hovered = -1;
  for (int i = 0; i < bandCount_; ++i) {
    const EqPanelBand& b = Band(i);
    if (b.type != kAllPass && std::fabs(pos.x() - b.x) < 16 && std::fabs(pos.y() - b.y) < 16) hovered = i;
  }
  if (hovered != hovered_) {
    hovered_ = hovered;
    update();
  }
}

void CEqPanel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && leftDrag_) {
    leftDrag_ = false;
    if (!InUse(selected_))
      emit SelectionCleared();
    else if (moved_)
      emit BandChanged(selected_);
  } else if (event->button() == Qt::RightButton && rightDrag_) {
    // The flag goes first: the menus below run their own event loop.
    rightDrag_ = false;
    const QPoint global = event->globalPosition().toPoint();
    if (!InUse(selected_)) {
      ShowSetMenu(global);
    } else {
      emit BandChanged(selected_);
      if (!moved_) ShowTypeMenu(global);
    }
  }
}

int CEqPanel::ExecMenu(QMenu& menu, const QPoint& globalPos) {
  const QAction* chosen = menu.exec(globalPos);
  return chosen ? chosen->data().toInt() : 0;
}

void CEqPanel::ShowSetMenu(const QPoint& globalPos) {
  QMenu menu(this);
  menu.addAction(kCopyText.Get(language_))->setData(int(kMenuCopy));
  menu.addAction(kPasteText.Get(language_))->setData(int(kMenuPaste));
  menu.addSeparator();
  menu.addAction(kImportText.Get(language_))->setData(int(kMenuImport));
  menu.addAction(kExportText.Get(language_))->setData(int(kMenuExport));
  const int set = set_;
  const int command = ExecMenu(menu, globalPos);
  if (command >= kMenuCopy && command <= kMenuExport) emit SetMenuRequest(command - kMenuCopy, set);
}

void CEqPanel::ShowTypeMenu(const QPoint& globalPos) {
  QMenu menu(this);
  const int current = MenuType(selected_);  // 1..5, ticked in the menu
  for (int i = 0; i < 5; ++i) {
    QAction* action = menu.addAction(kTypeMenu[i].Get(language_));
    action->setData(kMenuPeq + i);
    action->setCheckable(true);
    action->setChecked(current == i + 1);
  }
  const int band = selected_;
  const int set = set_;
  const int command = ExecMenu(menu, globalPos);
  // The page may have reloaded the panel while the menu was open.
  if (command < kMenuPeq || command > kMenuPeq + 4 || set != set_ || !InUse(band)) return;
  SetBandTypeFromMenu(band, command - (kMenuPeq - 1));
  emit BandChanged(band);
  update();
}

void CEqPanel::wheelEvent(QWheelEvent* event) {
  event->accept();
  if (!InUse(selected_) || !HasGain(At(selected_).type)) {
    wheelRemainder_ = 0;
    return;
  }
  // One 0.1 dB step per notch; high-resolution wheels add up their fractions of a notch.
  wheelRemainder_ += event->angleDelta().y();
  const int notches = wheelRemainder_ / QWheelEvent::DefaultDeltasPerStep;
  wheelRemainder_ -= notches * QWheelEvent::DefaultDeltasPerStep;
  if (notches == 0) return;
  EqPanelBand& b = At(selected_);
  b.gain = std::clamp(b.gain + 0.1f * static_cast<float>(notches), b.gainMin, b.gainMax);
  FinishEdit(selected_, true);
}

bool CEqPanel::event(QEvent* event) {
  // Over a band its own value labels speak: the help tip would only cover them.
  if (event->type() == QEvent::ToolTip && hovered_ >= 0) {
    event->ignore();
    return true;
  }
  // The editing keys belong to the panel even where a window-wide shortcut uses them.
  if (event->type() == QEvent::ShortcutOverride) {
    switch (static_cast<QKeyEvent*>(event)->key()) {
      case Qt::Key_Left:
      case Qt::Key_Right:
      case Qt::Key_Up:
      case Qt::Key_Down:
      case Qt::Key_Plus:
      case Qt::Key_Equal:
      case Qt::Key_Minus:
      case Qt::Key_Underscore:
        event->accept();
        return true;
      default:
        break;
    }
  }
  return QWidget::event(event);
}

void CEqPanel::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {  // closes the window the panel sits in
    event->ignore();
    return;
  }
  event->accept();  // every other key stops here, whether or not it does anything
  if (!InUse(selected_)) return;
  EqPanelBand& b = At(selected_);
  const bool fine = event->modifiers().testFlag(Qt::ControlModifier);
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right: {
      float step = 2;
      if (fine)
        step = 1;
      else if (b.frequency > 10000)
        step = 100;
      else if (b.frequency > 1000)
        step = 10;
      else if (b.frequency > 100)
        step = 5;
      b.frequency += event->key() == Qt::Key_Left ? -step : step;
      break;
    }
    case Qt::Key_Up:
    case Qt::Key_Down:
      if (HasGain(b.type)) {
        const float step = fine ? 0.1f : 0.2f;
        b.gain += event->key() == Qt::Key_Up ? step : -step;
      }
      break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      b.q += fine ? 0.01f : 0.1f;
      break;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
      b.q -= fine ? 0.01f : 0.1f;
      break;
    default:
      return;
  }
  b.gain = std::clamp(b.gain, b.gainMin, b.gainMax);
  b.q = std::clamp(b.q, kMinQ, b.type == kPeaking ? kMaxPeakingQ : kMaxFilterQ);
  b.frequency = std::clamp(b.frequency, b.freqMin, b.freqMax);
  FinishEdit(selected_, true);
}

void CEqPanel::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  if (hovered_ != -1) {
    hovered_ = -1;
    update();
  }
}

void CEqPanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  backgroundValid_ = false;
  // The peaking pin depends on the plot width, so every curve follows the new size.
  RecomputeAll();
}

// ---- painting ----------------------------------------------------------------------------------

void CEqPanel::RenderBackground() {
  const qreal dpr = devicePixelRatioF();
  background_ = QPixmap((QSizeF(size()) * dpr).toSize());
  background_.setDevicePixelRatio(dpr);
  background_.fill(kBackground);
  backgroundValid_ = true;
  if (PlotWidth() <= 0 || PlotHeight() <= 0) return;

  QPainter p(&background_);
  const int left = kPlotLeft, top = kPlotTop;
  const int right = left + PlotWidth(), bottom = top + PlotHeight();

  p.setPen(QPen(kGridLine, 1));
  p.setFont(fonts_->grid);
  for (int i = 0; i <= 10; ++i) {
    const double gain = 15.0 - 3.0 * i;  // +15 at the top; the middle line reads "0dB", not "-0dB"
    const int y = static_cast<int>(GainToY(gain));
    p.setPen(QPen(kGridLine, 1));
    p.drawLine(left, y, right, y);
    p.setPen(kGridText);
    p.drawText(QRectF(0, y - 10, left - 3, 20), Qt::AlignRight | Qt::AlignVCenter, Format(gain == 0.0 ? "%.0fdB" : "%+-.0fdB", gain));
  }
  p.setPen(QPen(kGridLine, 1));
  for (double f : kGridFrequencies) {
    const int x = static_cast<int>(FrequencyToX(f));
    p.drawLine(x, top + 1, x, bottom);
  }
  p.setPen(kGridText);
  for (const FrequencyLabel& label : kFrequencyLabels) {
    const double x = FrequencyToX(label.frequency);
    p.drawText(QRectF(x - 40, bottom + 4, 80, kPlotBottomMargin), Qt::AlignHCenter | Qt::AlignTop, label.text);
  }

  p.setRenderHint(QPainter::TextAntialiasing);
  p.setFont(fonts_->setName);
  p.setPen(kSetName);
  p.drawText(QRectF(left, 0, right - 2 - left, top - 1), Qt::AlignRight | Qt::AlignBottom,
             EqSetTable::Name(set_, language_));
}

void CEqPanel::paintEvent(QPaintEvent*) {
  if (!backgroundValid_ || background_.devicePixelRatio() != devicePixelRatioF() ||
      background_.deviceIndependentSize().toSize() != size())
    RenderBackground();

  QPainter p(this);
  p.drawPixmap(0, 0, background_);
  if (PlotWidth() <= 0 || PlotHeight() <= 0) return;
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);

  UpdateMarkers();
  const bool hasSelection = InUse(selected_) && At(selected_).type != kAllPass;
  if (hasSelection) DrawRegion(p, Band(selected_));
  DrawTotalCurve(p);
  for (int b = 0; b < bandCount_; ++b) {
    const EqPanelBand& band = Band(b);
    if (band.visible && band.type != kAllPass) DrawMarker(p, band);
  }
  if (hasSelection && At(selected_).visible) {
    if (hovered_ < 0) DrawValueLabels(p, Band(selected_));
    DrawStatusLine(p, Band(selected_));
  }
  if (InUse(hovered_) && Band(hovered_).visible && Band(hovered_).type != kAllPass) DrawValueLabels(p, Band(hovered_));

  if (bypass_) {
    p.setFont(fonts_->bypass);
    p.setPen(Qt::white);
    p.drawText(rect(), Qt::AlignCenter, QStringLiteral("BYPASS"));
  }
}

void CEqPanel::DrawRegion(QPainter& p, const EqPanelBand& band) const {
  const double left = kPlotLeft, top = kPlotTop;
  const double width = PlotWidth(), height = PlotHeight();
  const double bottom = top + height;
  ResponseCurve sum = band.curve;
  for (int k = 0; k < band.partnerCount && k < 3; ++k) {
    const int partner = band.partners[static_cast<size_t>(k)];
    if (!InUse(partner) || Band(partner).type == kAllPass) continue;
    const ResponseCurve& c = Band(partner).curve;
    for (int i = 0; i < kResponsePoints; ++i) sum[static_cast<size_t>(i)] += c[static_cast<size_t>(i)];
  }
  auto yOf = [&](double value) {
    const double y = top + height / 2 - value * height / 30.0;
    return std::isfinite(y) ? std::clamp(y, top - 2 * height, bottom + 2 * height) : bottom + 2 * height;
  };

  // The band's points sit on the same columns as the total curve, so region and curve coincide.
  std::array<QPointF, kResponsePoints + 2> pts;
  const double zero = yOf(0.0);
  pts[0] = QPointF(left, zero);
  for (int i = 0; i < kResponsePoints; ++i)
    pts[static_cast<size_t>(i) + 1] = QPointF(left + width * i / kResponsePoints, yOf(sum[static_cast<size_t>(i)]));
  pts[kResponsePoints + 1] = QPointF(left + width, zero);
  if (IsPassFilter(band.type)) {
    pts[0] = QPointF(pts[1].x(), bottom + 20);
    pts[kResponsePoints + 1] = QPointF(pts[kResponsePoints].x(), bottom + 20);
  }

  // The response is a smooth curve; the edges that close it along 0 dB or below the plot are
  // straight, so the fill never bulges away from its baseline.
  QPainterPath path;
  path.moveTo(pts[0]);
  QPainterPath curve;
  AppendCardinalSpline(curve, pts.data() + 1, kResponsePoints, 0.5, false);
  path.lineTo(pts[1]);
  path.connectPath(curve);
  path.lineTo(pts[kResponsePoints + 1]);
  path.closeSubpath();
  QColor fill = BandColor(band.index);
  fill.setAlpha(32);
  p.save();
  p.setClipRect(PlotRect());
  // At alpha 32 an antialiased edge cannot be told from a plain one, and the plain fill costs a
  // fraction of the time; the drag repaints this region on every mouse move.
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(Qt::NoPen);
  p.setBrush(fill);
  p.drawPath(path);
  p.restore();
}

void CEqPanel::DrawTotalCurve(QPainter& p) const {
  const double left = kPlotLeft, top = kPlotTop;
  const double width = PlotWidth(), height = PlotHeight();
  std::array<float, kResponsePoints> sum{};
  for (int b = 0; b < bandCount_; ++b) {
    const EqPanelBand& band = Band(b);
    if (band.type == kAllPass) continue;
    for (int i = 0; i < kResponsePoints; ++i) sum[static_cast<size_t>(i)] += band.curve[static_cast<size_t>(i)];
  }
  std::array<QPointF, kResponsePoints> pts;
  for (int i = 0; i < kResponsePoints; ++i) {
    double y = top + height / 2 - sum[static_cast<size_t>(i)] * height / 30.0;
    y = std::isfinite(y) ? std::clamp(y, top - 2 * height, top + 3 * height) : top + 3 * height;
    pts[static_cast<size_t>(i)] = QPointF(left + width * i / kResponsePoints, y);
  }
  QPainterPath path;
  AppendCardinalSpline(path, pts.data(), kResponsePoints, 0.1, false);
  p.save();
  p.setClipRect(PlotRect());
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(kCurve, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(path);
  p.restore();
}

void CEqPanel::DrawMarker(QPainter& p, const EqPanelBand& band) const {
  const QPointF c(kPlotLeft + band.x, kPlotTop + band.y);
  const bool selected = band.index == selected_;
  const QColor base = BandColor(band.index);
  QColor line = base, fill = base;
  line.setAlpha(127);
  fill.setAlpha(selected ? 80 : 37);

  if (locked_) {
    // Only the band's letter or number: nothing that looks as if it could be grabbed.
  } else if (band.type == kPeaking) {
    p.setPen(QPen(line, 2));
    p.setBrush(Qt::NoBrush);
    const QRectF ring(c.x() - 9, c.y() - 9, 18, 18);
    p.drawArc(ring, 15 * 16, 150 * 16);
    p.drawArc(ring, 195 * 16, 150 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawEllipse(c, 7.0, 7.0);
  } else {
    QPen dashed(line, 1.5, Qt::DashLine);
    p.setPen(dashed);
    p.setBrush(fill);
    p.drawRect(QRectF(c.x() - 7, c.y() - 7, 14, 14));
    if (selected) {
      p.setPen(QPen(QColor(255, 0, 0), 1.5, Qt::DashLine));
      p.drawLine(QPointF(c.x(), kPlotTop), QPointF(c.x(), kPlotTop + PlotHeight()));
    }
  }
  p.setFont(fonts_->number);
  p.setPen(base);
  p.drawText(QRectF(c.x() - 12, c.y() - 10, 24, 20), Qt::AlignCenter, BandLabel(band.index));
}

QRectF CEqPanel::PlaceValueLabels(QSizeF block, QPointF marker, const QRectF& plot, std::span<const QRectF> markers,
                                  bool preferAbove) {
  constexpr qreal kGap = 12;  // from the marker's centre to the block
  const qreal w = block.width(), h = block.height();
  const QRectF below(marker.x() - w / 2, marker.y() + kGap, w, h);
  const QRectF above(marker.x() - w / 2, marker.y() - kGap - h, w, h);
  const QRectF right(marker.x() + kGap + 4, marker.y() - h / 2, w, h);
  const QRectF left(marker.x() - kGap - 4 - w, marker.y() - h / 2, w, h);
  const std::array<QRectF, 4> candidates = preferAbove ? std::array{above, below, right, left}
                                                       : std::array{below, above, right, left};
  QRectF best;
  int fewest = std::numeric_limits<int>::max();
  for (QRectF r : candidates) {
    // Slid into the plot: nothing is cut at an edge, nothing covers the set name above it.
    r.moveLeft(std::clamp(r.left(), plot.left(), std::max(plot.left(), plot.right() - w)));
    r.moveTop(std::clamp(r.top(), plot.top(), std::max(plot.top(), plot.bottom() - h)));
    int covered = 0;
    for (const QRectF& m : markers) covered += r.intersects(m) ? 1 : 0;
    if (covered < fewest) {
      fewest = covered;
      best = r;
    }
    if (covered == 0) break;
  }
  return best;
}

void CEqPanel::DrawValueLabels(QPainter& p, const EqPanelBand& band) const {
  const QPointF c(kPlotLeft + band.x, kPlotTop + band.y);
  const QString values[3] = {Format("%.0fHz", double(band.frequency)), Format("%+-.1fdB", double(band.gain)),
                             Format("%.2f", double(band.q))};
  static const QString kCaptions[3] = {QStringLiteral("F:"), QStringLiteral("G:"), QStringLiteral("Q:")};
  // Rows are spaced by the font's ascent so that no font the system substitutes makes them overlap.
  const QFontMetricsF metrics(fonts_->label);
  const int pitch = std::max(9, static_cast<int>(std::ceil(metrics.ascent())));
  qreal captionWidth = 0, valueWidth = 0;
  for (const QString& caption : kCaptions) captionWidth = std::max(captionWidth, metrics.horizontalAdvance(caption));
  for (const QString& value : values) valueWidth = std::max(valueWidth, metrics.horizontalAdvance(value));
  const qreal valueOffset = std::max<qreal>(12, std::ceil(captionWidth) + 2);
  const QSizeF block(valueOffset + std::ceil(valueWidth) + 2, 3 * pitch + 4);

  // The markers the labels would hide: every other visible band's, and this band's own.
  std::vector<QRectF> markers;
  for (int b = 0; b < bandCount_; ++b) {
    const EqPanelBand& other = Band(b);
    if (!other.visible || other.type == kAllPass) continue;
    markers.emplace_back(kPlotLeft + other.x - 9, kPlotTop + other.y - 9, 18, 18);
  }
  const QRectF at = PlaceValueLabels(block, c, QRectF(PlotRect()), markers, band.gain < -0.01f);
  p.setFont(fonts_->label);
  for (int row = 0; row < 3; ++row) {
    const qreal y = at.top() + row * pitch;
    p.setPen(kCaption);
    p.drawText(QRectF(at.left(), y, valueOffset, pitch + 6), Qt::AlignLeft | Qt::AlignTop, kCaptions[row]);
    p.setPen(kValue);
    p.drawText(QRectF(at.left() + valueOffset, y, block.width() - valueOffset, pitch + 6), Qt::AlignLeft | Qt::AlignTop,
               values[row]);
  }
}

void CEqPanel::DrawStatusLine(QPainter& p, const EqPanelBand& band) const {
  const QByteArray format = kStatusLine.Get(language_).toUtf8();
  const QString text = Format(format.constData(), band.index + 1, double(band.frequency), double(band.q));
  const QString gain = Format("%+-.1fdB ", double(band.gain));
  const float g = band.gain;
  QColor gainColour = kAlarm;
  if (g >= -6.0f && g <= 6.0f)
    gainColour = kValue;
  else if (g > -10.1f && g < 10.1f)
    gainColour = kWarn;
  p.setFont(fonts_->status);
  const QFontMetricsF metrics(fonts_->status);
  const QPointF origin(kPlotLeft, 3);
  p.setPen(kValue);
  p.drawText(QRectF(origin, QSizeF(metrics.horizontalAdvance(text) + 2, kPlotTop - 3)), Qt::AlignLeft | Qt::AlignTop, text);
  p.setPen(gainColour);
  p.drawText(QRectF(origin + QPointF(metrics.horizontalAdvance(text), 0), QSizeF(metrics.horizontalAdvance(gain) + 2, kPlotTop - 3)),
             Qt::AlignLeft | Qt::AlignTop, gain);
}

}  // namespace nr::gui
