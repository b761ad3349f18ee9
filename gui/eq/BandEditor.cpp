#include "eq/BandEditor.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QSlider>
#include <QStackedLayout>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "controls/SliderValueTips.h"
#include "eq/BandLimits.h"
#include "eq/BandWrites.h"
#include "eq/CEqPanel.h"
#include "eq/FilterListFiles.h"
#include "eq/EqSetCopy.h"
#include "eq/EqSetTable.h"
#include "eq/Slopes.h"
#include "eq/ValueText.h"
#include "link/DeviceSession.h"
#include "shell/AppContext.h"
#include "shell/DialogTexts.h"
#include "shell/TextPair.h"

namespace nr::gui {
namespace {

enum Column { kNumberColumn, kTypeColumn, kGainColumn, kFreqColumn, kQColumn, kColumnCount };
enum Slider { kGain, kFreq, kQ };

constexpr TextPair kTypeNames[6] = {{"关闭", "OFF"}, {"参量", "PEQ"}, {"低通", "LP"},
                                    {"高通", "HP"},  {"低架", "LS"},  {"高架", "HS"}};
constexpr TextPair kHeaders[kColumnCount] = {{"", ""}, {"类型", "Type"}, {"增益", "Gain"}, {"频率", "Freq"}, {"Q值", "Q"}};
constexpr TextPair kSliderCaptions[3] = {{"增益", "Gain"}, {"频率", "Freq"}, {"Q值", "Q"}};
constexpr TextPair kSlopeCaption{"类型", "Type"};
constexpr int kColumnWidths[kColumnCount] = {30, 60, 60, 60, 50};

// Slider positions: the band limits in tenths of a dB and hundredths of Q.
constexpr int kGainRange = static_cast<int>(kBandGainMaxDb * 10);
constexpr int kMinFrequency = kBandFreqMinHz;
constexpr int kMaxFrequency = kBandFreqMaxHz;
constexpr int kMinQ = static_cast<int>(kBandQMin * 100 + 0.5f);
constexpr int kMaxPeakingQ = static_cast<int>(kPeakingQMax * 100);
constexpr int kMaxFilterQ = static_cast<int>(kFilterQMax * 100);

const QColor kListText(0, 200, 255);
const QColor kListBackground(20, 20, 20);

QString GainText(double gain) { return QString::asprintf("%+-.1fdB", gain); }
QString FrequencyText(double frequency) { return QString::asprintf("%.0fHz", frequency); }
QString QText(double q) { return QString::asprintf("%.2f", q); }

bool IsPassFamily(int type) { return type == 2 || type == 3 || type > 5; }

const double kFrequencyDecades = std::log10(double(kMaxFrequency) / kMinFrequency);

// The type column is edited with a drop-down of the five band types.
class TypeDelegate : public QStyledItemDelegate {
 public:
  TypeDelegate(const BandEditor& editor, QObject* parent) : QStyledItemDelegate(parent), editor_(editor) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override {
    auto* combo = new QComboBox(parent);
    for (int type = 1; type <= 5; ++type) combo->addItem(kTypeNames[type].Get(editor_.Language()));
    // A type takes effect as soon as it is chosen, not only after Enter or a click elsewhere.
    auto* self = const_cast<TypeDelegate*>(this);
    connect(combo, &QComboBox::activated, self, [self, combo] {
      emit self->commitData(combo);
      emit self->closeEditor(combo);
    });
    return combo;
  }
  void setEditorData(QWidget* widget, const QModelIndex& index) const override {
    auto* combo = static_cast<QComboBox*>(widget);
    const int at = combo->findText(index.data().toString());
    combo->setCurrentIndex(std::max(at, 0));
  }
  void setModelData(QWidget* widget, QAbstractItemModel* model, const QModelIndex& index) const override {
    model->setData(index, static_cast<QComboBox*>(widget)->currentText());
  }

 private:
  const BandEditor& editor_;
};

}  // namespace

BandEditor::BandEditor(CEqPanel& panel, DeviceSession& session, CopiedEqSet& copied, gui::Language language, QWidget* parent)
    : QWidget(parent), panel_(panel), session_(session), copied_(copied), language_(language) {
  stack_ = new QStackedLayout(this);
  stack_->setContentsMargins(0, 0, 0, 0);
  BuildList();
  BuildEditGroup();
  Relabel();

  connect(&panel_, &CEqPanel::BandChanged, this, &BandEditor::OnBandChanged);
  connect(&panel_, &CEqPanel::BandPicked, this, &BandEditor::ShowBand);
  connect(&panel_, &CEqPanel::SelectionCleared, this, &BandEditor::ShowList);
  connect(&panel_, &CEqPanel::SetMenuRequest, this, &BandEditor::HandleSetMenu);
  FillRows();
}

BandEditor::BandEditor(CEqPanel& panel, AppContext& context, QWidget* parent)
    : BandEditor(panel, context.Session(), context.CopiedSet(), context.Language(), parent) {
  SetPrompts(&context.UserPrompts());
  connect(&context, &AppContext::languageChanged, this, [this, &context] {
    SetLanguage(context.Language());
    panel_.SetLanguage(context.Language());
  });
}

BandEditor::~BandEditor() = default;

// ---- construction ------------------------------------------------------------------------------

void BandEditor::SetListTextColour(const QColor& colour) {
  listText_ = colour;
  list_->setStyleSheet(QStringLiteral("QTableWidget { background-color: %1; color: %2; gridline-color: rgb(64, 64, 64); }")
                           .arg(kListBackground.name(), colour.name()));
  const QSignalBlocker blocker(list_);
  for (int row = 0; row < list_->rowCount(); ++row)
    for (int c = 0; c < list_->columnCount(); ++c)
      if (QTableWidgetItem* item = list_->item(row, c)) item->setForeground(colour);
}

void BandEditor::BuildList() {
  list_ = new QTableWidget(0, kColumnCount, this);
  list_->verticalHeader()->hide();
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setSelectionBehavior(QAbstractItemView::SelectItems);
  list_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                         QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
  list_->setItemDelegateForColumn(kTypeColumn, new TypeDelegate(*this, list_));
  for (int c = 0; c < kColumnCount; ++c) list_->setColumnWidth(c, kColumnWidths[c]);
  list_->horizontalHeader()->setStretchLastSection(true);
  SetListTextColour(kListText);
  connect(list_, &QTableWidget::itemChanged, this, &BandEditor::OnItemChanged);
  stack_->addWidget(list_);
}

void BandEditor::BuildEditGroup() {
  group_ = new QWidget(this);
  auto* layout = new QHBoxLayout(group_);

  auto* left = new QVBoxLayout;
  number_ = new QLabel(group_);
  QFont big;
  big.setFamilies({"Arial", "Liberation Sans", "DejaVu Sans"});
  big.setPixelSize(24);
  big.setBold(true);
  number_->setFont(big);
  number_->setAlignment(Qt::AlignCenter);
  left->addWidget(number_);
  types_ = new QButtonGroup(group_);
  for (int type = 1; type <= 5; ++type) {
    auto* radio = new QRadioButton(group_);
    types_->addButton(radio, type);
    left->addWidget(radio);
  }
  connect(types_, &QButtonGroup::idClicked, this, &BandEditor::OnTypeButton);
  slopeCaption_ = WithId(new QLabel(group_), 1215);
  slopeList_ = new QComboBox(group_);
  for (int slope = 0; slope < kSlopeCount; ++slope) {
    const std::string_view name = SlopeName(slope);
    slopeList_->addItem(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
  }
  connect(slopeList_, &QComboBox::activated, this, &BandEditor::OnSlope);
  left->addWidget(slopeCaption_);
  left->addWidget(slopeList_);
  left->addStretch();
  layout->addLayout(left);

  const std::array<std::pair<int, int>, 3> ranges{{{-kGainRange, kGainRange}, {0, kFrequencySteps}, {kMinQ, kMaxPeakingQ}}};
  for (int i = 0; i < 3; ++i) {
    auto* column = new QVBoxLayout;
    // Identifiers as the language tables know them: frequency 1200, gain 1201, Q 1202.
    captions_[static_cast<size_t>(i)] = WithId(new QLabel(group_), i == kFreq ? 1200 : (i == kGain ? 1201 : 1202));
    captions_[static_cast<size_t>(i)]->setAlignment(Qt::AlignHCenter);
    auto* slider = new QSlider(Qt::Vertical, group_);
    slider->setRange(ranges[static_cast<size_t>(i)].first, ranges[static_cast<size_t>(i)].second);
    // The frequency slider is logarithmic: a step is the same musical interval anywhere.
    slider->setSingleStep(i == kFreq ? kFrequencySteps / 180 : 1);  // about a sixteenth of an octave
    slider->setPageStep(i == kFreq ? kFrequencySteps / 30 : 10);    // a third of an octave
    auto* box = new QLineEdit(group_);
    box->setAlignment(Qt::AlignCenter);
    box->setMaximumWidth(80);
    sliders_[static_cast<size_t>(i)] = slider;
    boxes_[static_cast<size_t>(i)] = box;
    column->addWidget(captions_[static_cast<size_t>(i)]);
    column->addWidget(slider, 1, Qt::AlignHCenter);
    column->addWidget(box);
    layout->addLayout(column);
    connect(slider, &QSlider::valueChanged, this, [this, i](int position) { OnSlider(i, position); });
    connect(box, &QLineEdit::returnPressed, this, &BandEditor::ApplyBoxes);
    connect(box, &QLineEdit::textEdited, this, [this, box] { MarkRefused(box, false); });
  }
  stack_->addWidget(group_);
}

void BandEditor::Relabel() {
  QStringList headers;
  for (const TextPair& h : kHeaders) headers << h.Get(language_);
  list_->setHorizontalHeaderLabels(headers);
  for (int type = 1; type <= 5; ++type) types_->button(type)->setText(kTypeNames[type].Get(language_));
  for (int i = 0; i < 3; ++i) captions_[static_cast<size_t>(i)]->setText(kSliderCaptions[i].Get(language_));
  slopeCaption_->setText(kSlopeCaption.Get(language_));

  const auto t = [this](const TextPair& pair) { return pair.Get(language_); };
  list_->setAccessibleName(t({"频段列表", "Band list"}));
  list_->setToolTip(t({"每个频段一行：双击类型、增益、频率或Q值即可修改",
                       "One row per band: double-click its type, gain, frequency or Q to change it"}));
  static constexpr TextPair kTypeTips[6] = {
      {"", ""},
      {"参量：在中心频率处提升或衰减", "Peaking: boost or cut around the centre frequency"},
      {"低通：滤除高于此频率的声音", "Low-pass: removes what lies above the frequency"},
      {"高通：滤除低于此频率的声音", "High-pass: removes what lies below the frequency"},
      {"低架：提升或衰减此频率以下的声音", "Low shelf: boosts or cuts everything below the frequency"},
      {"高架：提升或衰减此频率以上的声音", "High shelf: boosts or cuts everything above the frequency"}};
  for (int type = 1; type <= 5; ++type) types_->button(type)->setToolTip(t(kTypeTips[type]));
  static constexpr TextPair kSliderTips[3] = {
      {"增益：-15…+15 dB", "Gain: -15 to +15 dB"},
      {"频率：20 Hz…20 kHz（对数刻度）", "Frequency: 20 Hz to 20 kHz (logarithmic)"},
      {"Q值：数值越大，影响的频率范围越窄", "Q: the higher, the narrower the range of frequencies affected"}};
  for (size_t i = 0; i < 3; ++i) {
    const QString tip = t(kSliderTips[i]);
    sliders_[i]->setToolTip(tip);
    captions_[i]->setToolTip(tip);
    boxes_[i]->setToolTip(tip + t({"；输入数值后按回车", "; type a value and press Enter"}));
  }
  slopeList_->setToolTip(t({"分频的斜率与滤波器类型", "The crossover's slope and filter family"}));
  number_->setToolTip(t({"正在编辑的频段；在曲线空白处点击返回列表", "The band being edited; click an empty spot of the curve to go back to the list"}));
}

QAbstractButton* BandEditor::TypeButton(int menuType) const { return types_->button(menuType); }

QString BandEditor::TypeName(int menuType) const {
  return menuType >= 0 && menuType <= 5 ? kTypeNames[menuType].Get(language_) : QString();
}

int BandEditor::MatchTypeName(const QString& text) const {
  for (int type = 0; type <= 5; ++type)
    if (text == kTypeNames[type].Get(language_)) return type;
  return -1;
}

std::optional<double> BandEditor::ReadNumber(const QString& text) {
  static const QRegularExpression kNumber(QStringLiteral("^\\s*([+-]?(?:\\d+\\.?\\d*|\\.\\d+))"));
  const QRegularExpressionMatch match = kNumber.match(text);
  if (!match.hasMatch()) return std::nullopt;
  bool ok = false;
  const double value = match.captured(1).toDouble(&ok);  // C locale: '.' is the decimal point
  if (!ok || !std::isfinite(value)) return std::nullopt;
  return value;
}

// ---- state -------------------------------------------------------------------------------------

void BandEditor::LoadSet(int set) {
  panel_.SetEqSet(set);
  FillRows();
  ShowList();
}

void BandEditor::Reload() { LoadSet(panel_.EqSet()); }

int BandEditor::EqSet() const { return panel_.EqSet(); }

bool BandEditor::ListShown() const { return stack_->currentWidget() == list_; }

void BandEditor::SetCurrent(int band) {
  if (current_ == band) return;
  current_ = band;
  emit CurrentBandChanged(band);
}

void BandEditor::ShowBand(int band) {
  if (band < 0 || band >= panel_.GrabbableCount()) return;
  SetCurrent(band);
  if (panel_.SelectedBand() != band) panel_.SetSelectedBand(band);
  for (QLineEdit* box : boxes_) MarkRefused(box, false);
  FillGroup(band);
  stack_->setCurrentWidget(group_);
}

void BandEditor::ShowList() {
  SetCurrent(-1);
  stack_->setCurrentWidget(list_);
}

void BandEditor::FillRows() {
  const QSignalBlocker blocker(list_);
  const int rows = std::max(panel_.EqSet() < 0 ? 0 : panel_.GrabbableCount(), 0);
  list_->setRowCount(rows);
  for (int row = 0; row < rows; ++row) {
    for (int c = 0; c < kColumnCount; ++c) {
      if (!list_->item(row, c)) {
        auto* item = new QTableWidgetItem;
        item->setTextAlignment(Qt::AlignCenter);
        item->setForeground(listText_);
        if (c == kNumberColumn) item->setFlags(Qt::ItemIsEnabled);
        list_->setItem(row, c, item);
      }
    }
    UpdateRow(row);
  }
}

void BandEditor::UpdateRow(int band) {
  if (band < 0 || band >= list_->rowCount()) return;
  const QSignalBlocker blocker(list_);
  const EqPanelBand& b = panel_.Band(band);
  const QString texts[kColumnCount] = {QString::number(band + 1), TypeName(panel_.MenuType(band)), GainText(b.gain),
                                       FrequencyText(b.frequency), QText(b.q)};
  for (int c = 0; c < kColumnCount; ++c)
    if (QTableWidgetItem* item = list_->item(band, c)) item->setText(texts[c]);
}

void BandEditor::FillGroup(int band) {
  if (band < 0) return;
  const EqPanelBand& b = panel_.Band(band);
  const int menuType = panel_.MenuType(band);
  number_->setText(QString::number(band + 1));

  // No button is checked for a type the buttons do not offer.
  types_->setExclusive(false);
  for (int type = 1; type <= 5; ++type) types_->button(type)->setChecked(type == menuType);
  types_->setExclusive(true);

  const bool hasGain = menuType == 1 || menuType == 4 || menuType == 5;
  {
    const QSignalBlocker g(sliders_[kGain]), f(sliders_[kFreq]), q(sliders_[kQ]);
    sliders_[kQ]->setMaximum(menuType == 1 ? kMaxPeakingQ : kMaxFilterQ);
    sliders_[kGain]->setValue(static_cast<int>(std::lround(std::clamp(b.gain * 10.0, -1.0 * kGainRange, 1.0 * kGainRange))));
    sliders_[kFreq]->setValue(FrequencyToSliderPosition(b.frequency));
    sliders_[kQ]->setValue(static_cast<int>(std::lround(std::clamp(b.q * 100.0, 1.0 * kMinQ, 1.0 * kMaxPeakingQ))));
  }
  sliders_[kGain]->setEnabled(hasGain);
  boxes_[kGain]->setEnabled(hasGain);
  boxes_[kGain]->setText(GainText(b.gain));
  boxes_[kFreq]->setText(FrequencyText(b.frequency));
  boxes_[kQ]->setText(QText(b.q));

  const bool slopes = b.partnerCount > 0 && IsPassFamily(b.type);
  slopeCaption_->setVisible(slopes);
  slopeList_->setVisible(slopes);
  if (slopes) {
    const QSignalBlocker s(slopeList_);
    slopeList_->setCurrentIndex(panel_.SlopeIndex(band));
  }
}

// ---- edits -------------------------------------------------------------------------------------

void BandEditor::WritePanelBand(DeviceSession& session, int set, const CEqPanel& panel, int band) {
  const EqPanelBand& b = panel.Band(band);
  SetEqBand(session, set, band, b.type, WholeHertz(b.frequency), b.gain, b.q);
  for (int k = 0; k < b.partnerCount && k < 3; ++k) {
    const int partner = b.partners[static_cast<size_t>(k)];
    if (partner < 0 || partner >= panel.BandCount()) continue;
    const EqPanelBand& p = panel.Band(partner);
    SetEqBand(session, set, partner, p.type, WholeHertz(p.frequency), p.gain, p.q);
  }
}

void BandEditor::WriteBand(int band) {
  if (band < 0 || band >= panel_.BandCount()) return;
  if (writeHook_) {
    writeHook_(band);
    return;
  }
  WritePanelBand(session_, panel_.EqSet(), panel_, band);
}

void BandEditor::OnBandChanged(int band) {
  WriteBand(band);
  UpdateRow(band);
  if (band == current_) FillGroup(band);
}

void BandEditor::ApplyBoxes() {
  const int band = current_;
  if (band < 0) return;
  // A box whose text is not a value stays red and leaves its value as it was; the others apply.
  const auto gain = ParseGainText(boxes_[kGain]->text().toStdString());
  const auto frequency = ParseFrequencyText(boxes_[kFreq]->text().toStdString());
  const auto q = ParsePlainNumber(boxes_[kQ]->text().toStdString());
  const bool gainTaken = gain || !boxes_[kGain]->isEnabled();
  MarkRefused(boxes_[kGain], !gainTaken);
  MarkRefused(boxes_[kFreq], !frequency || *frequency <= 0.0);
  MarkRefused(boxes_[kQ], !q || *q <= 0.0);
  if (gain && boxes_[kGain]->isEnabled()) panel_.SetBandGain(band, static_cast<float>(*gain));
  if (frequency && *frequency > 0.0)
    panel_.SetBandFrequency(band, static_cast<float>(std::clamp<double>(*frequency, kMinFrequency, kMaxFrequency)));
  if (q && *q > 0.0) panel_.SetBandQ(band, static_cast<float>(*q));
  WriteBand(band);
  UpdateRow(band);
  FillGroup(band);
}

void BandEditor::MarkRefused(QLineEdit* box, bool refused) {
  box->setProperty(kRefusedProperty, refused);
  QPalette palette = box->parentWidget() ? box->parentWidget()->palette() : QApplication::palette();
  if (refused) {
    palette.setColor(QPalette::Base, QColor(255, 190, 190));
    palette.setColor(QPalette::Text, Qt::black);
  }
  box->setPalette(palette);
}

void BandEditor::OnSlider(int which, int position) {
  if (current_ < 0) return;
  switch (which) {
    case kGain:
      boxes_[kGain]->setText(GainText(position / 10.0));
      break;
    case kFreq:
      boxes_[kFreq]->setText(QString::asprintf("%dHz", SliderPositionToFrequency(position)));
      break;
    default:
      boxes_[kQ]->setText(QText(position / 100.0));
      break;
  }
  // The tip shown while dragging says the value in its unit, not the slider's position.
  sliders_[static_cast<size_t>(which)]->setProperty(SliderValueTips::kValueTextProperty,
                                                    boxes_[static_cast<size_t>(which)]->text());
  ApplyBoxes();
}

void BandEditor::OnTypeButton(int menuType) {
  if (current_ < 0) return;
  const int band = current_;
  panel_.SetBandTypeFromMenu(band, menuType);
  WriteBand(band);
  UpdateRow(band);
  FillGroup(band);
}

void BandEditor::OnSlope(int slope) {
  if (current_ < 0) return;
  const int band = current_;
  panel_.SetBandSlope(band, slope);
  UpdateRow(band);
  FillGroup(band);
  WriteBand(band);
}

void BandEditor::OnItemChanged(QTableWidgetItem* item) {
  const int band = item->row();
  if (band < 0 || band >= panel_.GrabbableCount()) return;
  if (item->column() == kTypeColumn) {
    const int menuType = MatchTypeName(item->text());
    if (menuType < 0) {
      UpdateRow(band);  // not a type name: show the band's type again
      return;
    }
    panel_.SetBandTypeFromMenu(band, menuType);
    ShowBand(band);
    WriteBand(band);
    UpdateRow(band);
    FillGroup(band);
    return;
  }
  if (item->column() < kGainColumn) return;
  // A cell whose text is not a value shows the band's value again, on red until it takes one.
  const std::string typed = item->text().toStdString();
  std::optional<double> value;
  if (item->column() == kGainColumn) value = ParseGainText(typed);
  else if (item->column() == kFreqColumn) value = ParseFrequencyText(typed);
  else value = ParsePlainNumber(typed);
  const bool taken = value && (item->column() == kGainColumn || *value > 0.0);
  {
    const QSignalBlocker blocker(list_);
    item->setData(Qt::BackgroundRole, taken ? QVariant() : QVariant(QColor(255, 190, 190)));
    item->setData(Qt::ForegroundRole, taken ? QVariant() : QVariant(QColor(Qt::black)));
  }
  if (taken) {
    if (item->column() == kGainColumn) panel_.SetBandGain(band, static_cast<float>(*value));
    else if (item->column() == kFreqColumn)
      panel_.SetBandFrequency(band, static_cast<float>(std::clamp<double>(*value, kMinFrequency, kMaxFrequency)));
    else panel_.SetBandQ(band, static_cast<float>(*value));
    WriteBand(band);
  }
  UpdateRow(band);
  if (band == current_) FillGroup(band);
}

void BandEditor::HandleSetMenu(int operation, int set) {
  bool replaced = false;
  switch (operation) {
    case CEqPanel::kCopy:
      copied_.Copy(session_.Model().Snapshot(), set);
      break;
    case CEqPanel::kPaste:
      replaced = copied_.Paste(session_, set);
      break;
    case CEqPanel::kImport:
      replaced = prompts_ && ImportFilterList(window(), *prompts_, session_, set, language_);
      break;
    case CEqPanel::kExport:
      if (prompts_) ExportFilterList(window(), *prompts_, session_.Model(), set, language_);
      break;
    default:
      break;
  }
  if (replaced && setReplacedHook_) setReplacedHook_(set);
  Reload();
}

void BandEditor::SetLanguage(gui::Language language) {
  language = language;
  if (language == language_) return;
  language_ = language;
  Relabel();
  for (int row = 0; row < list_->rowCount(); ++row) UpdateRow(row);
}

bool BandEditor::HoldsWheelTarget(const QWidget* widget) const {
  return widget && (widget == &panel_ || std::find(sliders_.begin(), sliders_.end(), widget) != sliders_.end());
}

void BandEditor::InstallWheelRouting(QWidget* page) {
  if (wheelPage_) wheelPage_->removeEventFilter(this);
  wheelPage_ = page;
  if (page) page->installEventFilter(this);
}

bool BandEditor::eventFilter(QObject* watched, QEvent* event) {
  if (watched == wheelPage_ && event->type() == QEvent::Wheel) {
    QWidget* focus = QApplication::focusWidget();
    if (HoldsWheelTarget(focus)) {
      QApplication::sendEvent(focus, event);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

int BandEditor::SliderPositionToFrequency(int position) {
  const double fraction = std::clamp(position, 0, kFrequencySteps) / double(kFrequencySteps);
  const double frequency = kMinFrequency * std::pow(10.0, kFrequencyDecades * fraction);
  return std::clamp(static_cast<int>(std::lround(frequency)), kMinFrequency, kMaxFrequency);
}

int BandEditor::FrequencyToSliderPosition(double frequency) {
  const double f = std::clamp<double>(frequency, kMinFrequency, kMaxFrequency);
  return static_cast<int>(std::lround(kFrequencySteps * std::log10(f / kMinFrequency) / kFrequencyDecades));
}

}  // namespace nr::gui
