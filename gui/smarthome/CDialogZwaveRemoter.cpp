#include "smarthome/CDialogZwaveRemoter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTableWidget>
#include <QVBoxLayout>

#include "inputs/InputPages.h"
#include "shell/CGQ2270v13View.h"
#include "shell/CSyncDlg.h"
#include "shell/DialogTexts.h"
#include "smarthome/SmartHomeTips.h"
#include "shell/Prompts.h"
#include "smarthome/SmartHomeContext.h"

namespace nr::gui {
namespace {

constexpr TextPair kIndexColumn{"序号", "Index"};
constexpr TextPair kNameColumn{"设备名称", "Name"};
constexpr TextPair kValueColumn{"参数", "Parameter"};
constexpr TextPair kDelayName{"延时", "Delay"};
constexpr TextPair kListFull{"情景指令已达最大数量", "command over range"};
constexpr TextPair kSelectKey{"请选择一个遥控键名", "Please select a remote key"};
constexpr TextPair kSelectItemFirst{"请先选择列表项", "Please select a item"};
constexpr TextPair kSelectItem{"请选择列表项", "Please select a item"};
constexpr TextPair kAlreadyFirst{"已移至首项", "Already be first"};
constexpr TextPair kAlreadyLast{"已移至尾项", "Already be last"};
constexpr TextPair kSaved{"保存完成", "Save finished"};
constexpr TextPair kSaveAndTest{"情景已更改，保存并测试？", "Scene changed! Are you sure save and load?"};
constexpr TextPair kLoadingScene{"载入情景中……", "Loading scene..."};

constexpr int kSceneCaptionId = 1226;
constexpr int kPlugCaptionId = 1228;
constexpr int kKeyCaptionId = 1229;
constexpr int kAddGroupId = 1070;
constexpr int kChangeGroupId = 1071;
constexpr int kListGroupId = 1072;
constexpr int kLevelCaptionId = 1073;
constexpr int kStepsGroupId = 1078;
constexpr int kDelayCaptionId = 1239;
constexpr int kDelayMin = 1;
constexpr int kDelayMax = 100;

// The input pages' look (background, group frames), and the value labels beside the sliders.
const char* const kValueStyle = R"(
QLabel#value { color: rgb(0, 90, 170); font-weight: bold; min-width: 40px; }
)";

QPushButton* Button(QWidget* parent, int id, const char* text) {
  return WithId(new QPushButton(QString::fromUtf8(text), parent), id);
}

}  // namespace

CDialogZwaveRemoter::CDialogZwaveRemoter(SmartHomeContext& sc, QWidget* parent) : QWidget(parent), sc_(sc) {
  setProperty(kDialogNumberProperty, kDialogNumber);
  ApplyInputPageStyle(this);
  setStyleSheet(styleSheet() + QString::fromLatin1(kValueStyle));

  scene_ = WithId(new QComboBox(this), kSceneId);
  table_ = WithId(new QTableWidget(this), kStepListId);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setDefaultSectionSize(22);
  table_->setAlternatingRowColors(true);
  plug_ = WithId(new QComboBox(this), kPlugId);
  on_ = WithId(new QCheckBox(QString::fromUtf8("开"), this), kOnId);
  level_ = WithId(new QSlider(Qt::Horizontal, this), kLevelId);
  level_->setRange(kPlugOff, kPlugFullOn);
  levelLabel_ = WithId(new QLabel(this), kLevelLabelId);
  levelLabel_->setObjectName(QStringLiteral("value"));
  levelCaption_ = WithId(new QLabel(QString::fromUtf8("电压"), this), kLevelCaptionId);
  key_ = WithId(new QComboBox(this), kKeyId);
  learnedOnly_ = WithId(new QCheckBox(QString::fromUtf8("只显示学习过的键"), this), kLearnedOnlyId);
  learnedOnly_->setChecked(true);
  delay_ = WithId(new QSlider(Qt::Horizontal, this), kDelayId);
  delay_->setRange(kDelayMin, kDelayMax);
  delay_->setValue(kDelayMin);
  delayLabel_ = WithId(new QLabel(this), kDelayLabelId);
  delayLabel_->setObjectName(QStringLiteral("value"));

  // Add step.
  auto* add = WithId(new QGroupBox(QString::fromUtf8("添加指令"), this), kAddGroupId);
  auto* addGrid = new QGridLayout(add);
  addGrid->addWidget(WithId(new QLabel(QString::fromUtf8("插座"), add), kPlugCaptionId), 0, 0);
  addGrid->addWidget(plug_, 0, 1, 1, 2);
  addGrid->addWidget(on_, 1, 1);
  addGrid->addWidget(levelCaption_, 2, 0);
  addGrid->addWidget(level_, 2, 1);
  addGrid->addWidget(levelLabel_, 2, 2);
  addGrid->addWidget(Button(add, kAddValueId, "添加值"), 1, 3);
  addGrid->addWidget(WithId(new QLabel(QString::fromUtf8("遥控"), add), kKeyCaptionId), 3, 0);
  addGrid->addWidget(key_, 3, 1, 1, 2);
  addGrid->addWidget(Button(add, kAddKeyId, "添加遥控"), 3, 3);
  addGrid->addWidget(learnedOnly_, 4, 1, 1, 2);
  addGrid->addWidget(WithId(new QLabel(QString::fromUtf8("延时"), add), kDelayCaptionId), 5, 0);
  addGrid->addWidget(delay_, 5, 1);
  addGrid->addWidget(delayLabel_, 5, 2);
  addGrid->addWidget(Button(add, kAddDelayId, "添加延时"), 5, 3);
  addGrid->setColumnStretch(1, 1);

  // Change step.
  auto* change = WithId(new QGroupBox(QString::fromUtf8("修改指令"), this), kChangeGroupId);
  auto* changeRow = new QHBoxLayout(change);
  changeRow->addWidget(Button(change, kResetValueId, "修改值"));
  changeRow->addWidget(Button(change, kResetKeyId, "修改遥控"));
  changeRow->addWidget(Button(change, kResetDelayId, "修改延时"));

  // List operations.
  auto* ops = WithId(new QGroupBox(QString::fromUtf8("列表操作"), this), kListGroupId);
  auto* opsGrid = new QGridLayout(ops);
  opsGrid->addWidget(Button(ops, kDeleteId, "删除选中项"), 0, 0);
  opsGrid->addWidget(Button(ops, kUpId, "上移"), 0, 1);
  opsGrid->addWidget(Button(ops, kDownId, "下移"), 0, 2);
  opsGrid->addWidget(Button(ops, kClearId, "清空列表"), 1, 0);
  opsGrid->addWidget(Button(ops, kSaveId, "保存列表"), 1, 1);
  opsGrid->addWidget(Button(ops, kTestId, "测试当前情景"), 1, 2);

  auto* steps = WithId(new QGroupBox(QString::fromUtf8("情景指令"), this), kStepsGroupId);
  auto* stepsLayout = new QVBoxLayout(steps);
  auto* sceneRow = new QHBoxLayout;
  sceneRow->addWidget(WithId(new QLabel(QString::fromUtf8("情景"), steps), kSceneCaptionId));
  sceneRow->addWidget(scene_, 1);
  stepsLayout->addLayout(sceneRow);
  stepsLayout->addWidget(table_, 1);

  auto* right = new QVBoxLayout;
  right->addWidget(add);
  right->addWidget(change);
  right->addWidget(ops);
  right->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(10, 8, 10, 10);
  layout->setSpacing(12);
  layout->addWidget(steps, 1);
  layout->addLayout(right);

  const std::pair<int, void (CDialogZwaveRemoter::*)()> actions[] = {
      {kAddValueId, &CDialogZwaveRemoter::AddValue},     {kAddKeyId, &CDialogZwaveRemoter::AddKey},
      {kAddDelayId, &CDialogZwaveRemoter::AddDelay},     {kResetValueId, &CDialogZwaveRemoter::ResetValue},
      {kResetKeyId, &CDialogZwaveRemoter::ResetKey},     {kResetDelayId, &CDialogZwaveRemoter::ResetDelay},
      {kDeleteId, &CDialogZwaveRemoter::DeleteStep},     {kUpId, &CDialogZwaveRemoter::MoveUp},
      {kDownId, &CDialogZwaveRemoter::MoveDown},         {kClearId, &CDialogZwaveRemoter::ClearSteps},
      {kSaveId, &CDialogZwaveRemoter::Save},             {kTestId, &CDialogZwaveRemoter::Test}};
  for (const auto& [id, action] : actions)
    connect(static_cast<QPushButton*>(FindControl(this, id)), &QPushButton::clicked, this, action);
  connect(scene_, &QComboBox::currentIndexChanged, this, &CDialogZwaveRemoter::FillSteps);
  connect(plug_, &QComboBox::currentIndexChanged, this, &CDialogZwaveRemoter::OnPlugChanged);
  connect(learnedOnly_, &QCheckBox::toggled, this, &CDialogZwaveRemoter::FillKeys);
  connect(level_, &QSlider::valueChanged, this, [this](int value) {
    levelLabel_->setText(ValueText({static_cast<uint8_t>(SelectedNode()), static_cast<uint8_t>(value)}));
  });
  connect(delay_, &QSlider::valueChanged, this,
          [this](int value) { delayLabel_->setText(QString::asprintf("%ds", value)); });
  delayLabel_->setText(QString::asprintf("%ds", delay_->value()));
  auto* wheel = new FocusWheelRouter(this, [this](QWidget* focus) { return focus == delay_; });
  wheel->Install();

  Relabel();
  OnPlugChanged();
}

void CDialogZwaveRemoter::Relabel() {
  ApplyDialogTexts(this, kDialogNumber, sc_.App().Table());
  ApplySmartHomeTips(this, kDialogNumber, sc_.App().Language());
  const int shown = std::max(scene_->currentIndex(), 0);
  {
    const QSignalBlocker block(scene_);
    scene_->clear();
    for (int k = 0; k < kSceneCount; ++k)
      scene_->addItem(QString::fromUtf8(sc_.App().Language() == Language::English ? SceneNameOf(k).en : SceneNameOf(k).zh));
    scene_->setCurrentIndex(shown);
  }
  ShowRows(SelectedRow());
  levelLabel_->setText(ValueText({static_cast<uint8_t>(SelectedNode()), static_cast<uint8_t>(level_->value())}));
}

void CDialogZwaveRemoter::Refresh() {
  sc_.FillPlugCombo(plug_);
  OnPlugChanged();
  FillSteps();
}

int CDialogZwaveRemoter::Scene() const { return std::max(scene_->currentIndex(), 0); }
int CDialogZwaveRemoter::SelectedNode() const { return plug_->currentIndex() >= 0 ? plug_->currentData().toInt() : 0; }
int CDialogZwaveRemoter::SelectedRow() const {
  return table_->selectionModel() && table_->selectionModel()->hasSelection() ? table_->currentRow() : -1;
}

QString CDialogZwaveRemoter::ValueText(SceneStep step) {
  // A plug's key file is made when it is first needed, so a key step reads "Key1", not nothing.
  const KeyNameLookup keyName = [this](int node, int slot) {
    const KeyFiles& files = sc_.Keys();
    files.EnsureFile(node);
    return files.Name(node, slot);
  };
  return QString::fromStdString(StepValueText(step, sc_.App().Language() == Language::English, keyName));
}

void CDialogZwaveRemoter::FillSteps() {
  SmartHome& smart = sc_.Smart();
  list_.Load(ListedSteps(smart.GetScene(Scene()), [&](int node) { return smart.NodePresent(node); }));
  ShowRows(-1);
}

void CDialogZwaveRemoter::ShowRows(int selectRow) {
  table_->clear();
  table_->setColumnCount(3);
  table_->setHorizontalHeaderLabels({sc_.T(kIndexColumn), sc_.T(kNameColumn), sc_.T(kValueColumn)});
  // 36 pixels, or what the caption needs ("Index" does not fit 36).
  table_->setColumnWidth(0, std::max(36, table_->fontMetrics().horizontalAdvance(sc_.T(kIndexColumn)) + 14));
  table_->setColumnWidth(1, 96);
  table_->setColumnWidth(2, 120);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setRowCount(list_.Rows());
  for (int row = 0; row < list_.Rows(); ++row) {
    const SceneStep step = list_.Steps()[static_cast<size_t>(row)];
    auto* index = new QTableWidgetItem(QString::asprintf("%d", row + 1));
    index->setData(Qt::UserRole, RowData(step));
    table_->setItem(row, 0, index);
    table_->setItem(row, 1, new QTableWidgetItem(step.node == kDelayStep ? sc_.T(kDelayName) : sc_.PlugName(step.node)));
    auto* value = new QTableWidgetItem(ValueText(step));
    value->setTextAlignment(Qt::AlignCenter);
    table_->setItem(row, 2, value);
  }
  if (selectRow >= 0 && selectRow < list_.Rows()) table_->selectRow(selectRow);
}

void CDialogZwaveRemoter::OnPlugChanged() {
  const int type = sc_.Smart().Record(SelectedNode()).type;
  const bool dimmer = SelectedNode() != 0 && type == kPlugDimmer;
  on_->setVisible(!dimmer);
  level_->setVisible(dimmer);
  levelLabel_->setVisible(dimmer);
  levelCaption_->setVisible(dimmer);
  levelLabel_->setText(ValueText({static_cast<uint8_t>(SelectedNode()), static_cast<uint8_t>(level_->value())}));
  FillKeys();
}

void CDialogZwaveRemoter::FillKeys() {
  const int node = SelectedNode();
  if (node == 0) return;
  const KeyFiles& files = sc_.Keys();
  files.EnsureFile(node);
  key_->clear();
  const std::optional<std::vector<KeySlot>> keySlots = files.Read(node);
  if (!keySlots) return;
  for (const KeySlot& slot : *keySlots)
    if (!learnedOnly_->isChecked() || slot.Learned()) key_->addItem(QString::fromStdString(slot.name), slot.index);
}

std::optional<SceneStep> CDialogZwaveRemoter::ValueStep() {
  const int node = SelectedNode();
  if (node == 0) {
    sc_.Tip(kSelectPlugTip);
    return std::nullopt;
  }
  const int type = sc_.Smart().Record(node).type;
  const int value = type == kPlugSwitch ? (on_->isChecked() ? kPlugFullOn : kPlugOff) : type == kPlugDimmer ? level_->value() : 0;
  return SceneStep{static_cast<uint8_t>(node), static_cast<uint8_t>(value)};
}

std::optional<SceneStep> CDialogZwaveRemoter::KeyStep() {
  const int node = SelectedNode();
  if (node == 0) {
    sc_.Tip(kSelectPlugTip);
    return std::nullopt;
  }
  if (key_->currentIndex() < 0) {
    sc_.Tip(kSelectKey);
    return std::nullopt;
  }
  const int index = std::clamp(key_->currentData().toInt(), 0, 63);
  return SceneStep{static_cast<uint8_t>(node), static_cast<uint8_t>(kSendKeyBase + index)};
}

SceneStep CDialogZwaveRemoter::DelayStep() const {
  return SceneStep{kDelayStep, static_cast<uint8_t>(delay_->value())};
}

void CDialogZwaveRemoter::Append(const std::optional<SceneStep>& step) {
  if (!step) return;
  list_.Append(*step);
  ShowRows(SelectedRow());
}

void CDialogZwaveRemoter::AddValue() {
  if (list_.Rows() >= kSceneSteps) return sc_.Tip(kListFull);
  Append(ValueStep());
}

void CDialogZwaveRemoter::AddKey() {
  if (list_.Rows() >= kSceneSteps) return sc_.Tip(kListFull);
  Append(KeyStep());
}

void CDialogZwaveRemoter::AddDelay() {
  if (list_.Rows() >= kSceneSteps) return sc_.Tip(kListFull);
  Append(DelayStep());
}

void CDialogZwaveRemoter::Replace(const std::function<std::optional<SceneStep>()>& make) {
  const int row = SelectedRow();
  if (row < 0) return sc_.Tip(kSelectItem);
  const std::optional<SceneStep> step = make();
  if (!step) return;
  list_.Replace(row, *step);
  ShowRows(row);
}

void CDialogZwaveRemoter::ResetValue() { Replace([this] { return ValueStep(); }); }
void CDialogZwaveRemoter::ResetKey() { Replace([this] { return KeyStep(); }); }
void CDialogZwaveRemoter::ResetDelay() { Replace([this] { return std::optional<SceneStep>(DelayStep()); }); }

void CDialogZwaveRemoter::DeleteStep() {
  const int row = SelectedRow();
  if (list_.Remove(row) == SceneList::Result::kNoRow) return sc_.Tip(kSelectItemFirst);
  ShowRows(-1);
}

void CDialogZwaveRemoter::ShowMove(SceneList::Result result, int selectRow) {
  switch (result) {
    case SceneList::Result::kNoRow: return sc_.Tip(kSelectItemFirst);
    case SceneList::Result::kAlreadyFirst: return sc_.Tip(kAlreadyFirst);
    case SceneList::Result::kAlreadyLast: return sc_.Tip(kAlreadyLast);
    default: break;
  }
  ShowRows(selectRow);
  table_->setFocus();
}

void CDialogZwaveRemoter::MoveUp() {
  const int row = SelectedRow();
  ShowMove(list_.MoveUp(row), row - 1);
}

void CDialogZwaveRemoter::MoveDown() {
  const int row = SelectedRow();
  ShowMove(list_.MoveDown(row), row + 1);
}

void CDialogZwaveRemoter::ClearSteps() {
  list_.Clear();
  ShowRows(-1);
}

void CDialogZwaveRemoter::Save() {
  sc_.Smart().SaveScene(Scene(), list_.ToScene());
  list_.ClearChanged();
  sc_.Tip(kSaved);
}

void CDialogZwaveRemoter::Test() {
  if (!sc_.Connected()) return sc_.Tip(kConnectDeviceTip);
  if (list_.Changed()) {
    if (sc_.View().GetPrompts().Ask(this, QString(), sc_.T(kSaveAndTest), QMessageBox::Yes | QMessageBox::No) !=
        QMessageBox::Yes)
      return;
    Save();
  }
  if (sc_.Smart().StartScene(Scene())) sc_.View().Sync().Show(sc_.T(kLoadingScene));
}

}  // namespace nr::gui
