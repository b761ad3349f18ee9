#include "smarthome/CRemoteLearnDlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "shell/CGQ2270v13View.h"
#include "shell/CWaitDlg.h"
#include "shell/DialogTexts.h"
#include "smarthome/SmartHomeTips.h"
#include "shell/Prompts.h"
#include "smarthome/SmartHomeContext.h"
#include "smarthome/ZWaveFrames.h"

namespace nr::gui {
namespace {

constexpr TextPair kIndexColumn{"序号", "Index"};
constexpr TextPair kNameColumn{"遥控键名称", "Key name"};
constexpr TextPair kStatusColumn{"状态", "Status"};
constexpr TextPair kReady{"已学习", "Ready"};
constexpr TextPair kNotReady{"未学习", "Not Ready"};
constexpr TextPair kSelectRow{"请在列表中选择一个按键", "Please select a row"};
constexpr TextPair kSelectKeyRow{"请在列表中选择一个按键", "Please select a key row"};
constexpr int kPlugCaptionId = 1228;
constexpr int kNameCaptionId = 1229;
constexpr int kTransmitDelayMs = 100;
constexpr int kMaxKeySlot = kLearnKeyBase - kSendKeyBase;  // 64: the slots a plug value can carry
const QColor kDoneColor(255, 0, 210);
const QColor kFailColor(255, 0, 0);
constexpr int kCompleteMs = 1000;

// Infrared plug reports.
constexpr int kReadyToLearn = 2;
constexpr int kLearned = 3;
constexpr int kCheckError = 4;
constexpr int kNoKey = 5;
constexpr int kSent = 6;
constexpr int kNotSent = 7;

}  // namespace

CRemoteLearnDlg::CRemoteLearnDlg(SmartHomeContext& sc, QWidget* parent) : QWidget(parent), sc_(sc) {
  setProperty(kDialogNumberProperty, kDialogNumber);
  plug_ = WithId(new QComboBox(this), kPlugId);
  plug_->setMinimumWidth(160);
  keys_ = WithId(new QTableWidget(this), kKeyListId);
  keys_->setSelectionBehavior(QAbstractItemView::SelectRows);
  keys_->setSelectionMode(QAbstractItemView::SingleSelection);
  keys_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  keys_->verticalHeader()->hide();
  keys_->setAlternatingRowColors(true);
  keys_->verticalHeader()->setDefaultSectionSize(22);
  name_ = WithId(new QLineEdit(this), kNameId);
  auto* learn = WithId(new QPushButton(QString::fromUtf8("学习键码"), this), kLearnId);
  auto* transmit = WithId(new QPushButton(QString::fromUtf8("发射测试"), this), kTransmitId);
  auto* rename = WithId(new QPushButton(QString::fromUtf8("重命名"), this), kRenameId);
  auto* clear = WithId(new QPushButton(QString::fromUtf8("清除键码"), this), kClearId);
  connect(learn, &QPushButton::clicked, this, &CRemoteLearnDlg::Learn);
  connect(transmit, &QPushButton::clicked, this, &CRemoteLearnDlg::Transmit);
  connect(rename, &QPushButton::clicked, this, &CRemoteLearnDlg::Rename);
  connect(clear, &QPushButton::clicked, this, &CRemoteLearnDlg::Clear);
  connect(plug_, &QComboBox::currentIndexChanged, this, [this] {
    refreshPending_ = true;
    RefreshKeyList();
  });
  connect(keys_, &QTableWidget::cellClicked, this, [this](int row) {
    if (QTableWidgetItem* item = keys_->item(row, 1)) name_->setText(item->text());
  });

  auto* side = new QGridLayout;
  side->addWidget(WithId(new QLabel(QString::fromUtf8("插座"), this), kPlugCaptionId), 0, 0);
  side->addWidget(plug_, 1, 0);
  side->addWidget(WithId(new QLabel(QString::fromUtf8("遥控键名称"), this), kNameCaptionId), 2, 0);
  side->addWidget(name_, 3, 0);
  side->addWidget(rename, 4, 0);
  side->setRowMinimumHeight(5, 12);
  side->addWidget(learn, 6, 0);
  side->addWidget(transmit, 7, 0);
  side->addWidget(clear, 8, 0);
  side->setRowStretch(9, 1);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(10, 10, 10, 10);
  layout->setSpacing(12);
  layout->addWidget(keys_, 1);
  layout->addLayout(side);
  Relabel();
  Refresh();
}

void CRemoteLearnDlg::Relabel() {
  ApplyDialogTexts(this, kDialogNumber, sc_.App().Table());
  ApplySmartHomeTips(this, kDialogNumber, sc_.App().Language());
  refreshPending_ = true;
  RefreshKeyList();
}

int CRemoteLearnDlg::SelectedNode() const { return plug_->currentIndex() >= 0 ? plug_->currentData().toInt() : 0; }

void CRemoteLearnDlg::Refresh() {
  const int before = SelectedNode();
  sc_.FillPlugCombo(plug_);
  if (SelectedNode() != before) refreshPending_ = true;
  RefreshKeyList();
}

void CRemoteLearnDlg::RefreshKeyList() {
  const int node = SelectedNode();
  if (!refreshPending_ || node == 0) return;
  refreshPending_ = false;
  const KeyFiles& files = sc_.Keys();
  if (!files.Exists(node)) files.CreateDefault(node);
  const std::optional<std::vector<KeySlot>> keySlots = files.Read(node);
  if (!keySlots) return;  // the list keeps its rows
  const int selected = keys_->currentRow();
  keys_->clear();
  keys_->setColumnCount(3);
  keys_->setHorizontalHeaderLabels({sc_.T(kIndexColumn), sc_.T(kNameColumn), sc_.T(kStatusColumn)});
  keys_->setColumnWidth(0, 45);
  keys_->setColumnWidth(1, 120);
  keys_->setColumnWidth(2, 100);
  keys_->horizontalHeader()->setStretchLastSection(true);
  keys_->setRowCount(static_cast<int>(keySlots->size()));
  for (int row = 0; row < keys_->rowCount(); ++row) {
    const KeySlot& key = (*keySlots)[static_cast<size_t>(row)];
    auto* number = new QTableWidgetItem(QString::number(row + 1));
    number->setData(Qt::UserRole, key.index);
    keys_->setItem(row, 0, number);
    keys_->setItem(row, 1, new QTableWidgetItem(QString::fromStdString(key.name)));
    auto* status = new QTableWidgetItem(sc_.T(key.Learned() ? kReady : kNotReady));
    status->setTextAlignment(Qt::AlignCenter);
    status->setForeground(key.Learned() ? QColor(0, 130, 60) : QColor(120, 120, 120));
    keys_->setItem(row, 2, status);
  }
  if (selected >= 0 && selected < keys_->rowCount()) keys_->selectRow(selected);
}

int CRemoteLearnDlg::SelectedRow() const {
  return keys_->selectionModel() && keys_->selectionModel()->hasSelection() ? keys_->currentRow() : -1;
}

int CRemoteLearnDlg::SlotOfRow(int row) const {
  const QTableWidgetItem* number = row >= 0 ? keys_->item(row, 0) : nullptr;
  if (!number) return -1;
  const int slot = number->data(Qt::UserRole).toInt();
  return slot >= 0 && slot < kMaxKeySlot ? slot : -1;
}

int CRemoteLearnDlg::CheckedSlot() {
  if (!sc_.Connected()) {
    sc_.Tip(kConnectDeviceTip);
    return -1;
  }
  if (SelectedNode() == 0) {
    sc_.Tip(kSelectPlugTip);
    return -1;
  }
  const int slot = SlotOfRow(SelectedRow());
  if (slot < 0) sc_.Tip(kSelectRow);
  return slot;
}

void CRemoteLearnDlg::Learn() {
  const int slot = CheckedSlot();
  if (slot < 0) return;
  refreshPending_ = true;
  learningSlot_ = slot;
  sc_.View().RunDeviceOperation(QString::fromUtf8("遥控学习操作"), zwave::kSendData, 0, SelectedNode(), kLearnKeyBase + slot);
}

void CRemoteLearnDlg::Transmit() {
  const int slot = CheckedSlot();
  if (slot < 0) return;
  sc_.View().RunDeviceOperation(QString::fromUtf8("遥控操作"), zwave::kSendData, kTransmitDelayMs, SelectedNode(),
                                kSendKeyBase + slot);
}

void CRemoteLearnDlg::Rename() {
  const QString text = name_->text();
  if (text.isEmpty()) {
    sc_.View().GetPrompts().Warn(this, QString(), QString::fromUtf8("遥控键名称不能为空字符串!"));
    return;
  }
  if (SelectedNode() == 0) {
    sc_.Tip(kSelectPlugTip);
    return;
  }
  const int row = SelectedRow();
  const int slot = SlotOfRow(row);
  if (slot < 0) {
    sc_.Tip(kSelectKeyRow);
    return;
  }
  sc_.Keys().SetName(SelectedNode(), slot, text.toStdString());
  if (QTableWidgetItem* item = keys_->item(row, 1)) item->setText(text);
}

void CRemoteLearnDlg::Clear() {
  const int slot = CheckedSlot();
  if (slot < 0) return;
  sc_.Keys().SetStatus(SelectedNode(), slot, 0);
  refreshPending_ = true;
  RefreshKeyList();
}

void CRemoteLearnDlg::MarkKey(int node, int slot, int status) {
  sc_.Keys().SetStatus(node, slot, status);
  refreshPending_ = true;
  RefreshKeyList();
}

// Ends the wait of a learn or send with its result. A dialog that has not appeared yet does not
// appear at all; the result shows as a tip instead.
void CRemoteLearnDlg::Complete(const QString& text, const QColor& color, int closeAfterMs) {
  WaitDialogOwner& wait = sc_.View().Wait();
  if (!wait.IsShown()) {
    sc_.View().CancelPendingOperation();
    sc_.Tip(text);
    return;
  }
  wait.SetText(text, color);
  wait.Finish(closeAfterMs);
}

void CRemoteLearnDlg::OnPlugReport(int node, int status) {
  WaitDialogOwner& wait = sc_.View().Wait();
  switch (status) {
    case kReadyToLearn:
      sc_.View().SetOperationText(QString::fromUtf8("准备就绪，请按下遥控器按键"));
      break;
    case kLearned:
      if (!wait.IsShown() && !sc_.View().OperationPending()) break;
      MarkKey(node, learningSlot_, 1);
      Complete(QString::fromUtf8("学习完成"), kDoneColor, kCompleteMs);
      break;
    case kCheckError:
      MarkKey(node, learningSlot_, 0);
      Complete(QString::fromUtf8("校验错误，请重新学习"), kFailColor, kCompleteMs);
      break;
    case kNoKey:
      MarkKey(node, learningSlot_, 0);
      Complete(QString::fromUtf8("等待遥控器按键超时"), kFailColor, kCompleteMs);
      break;
    case kSent:
      Complete(QString::fromUtf8("遥控按键发射成功"), kDoneColor, 0);
      break;
    case kNotSent:
      Complete(QString::fromUtf8("遥控按键发射失败"), kFailColor, kCompleteMs);
      break;
    default:
      break;
  }
}

void CRemoteLearnDlg::OnKeyAbandoned(int node, int slot) { MarkKey(node, slot, 0); }

}  // namespace nr::gui
