#include "smarthome/CDlgZwaveList.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/AppContext.h"
#include "shell/CGQ2270v13View.h"
#include "shell/DialogTexts.h"
#include "smarthome/SmartHomeTips.h"
#include "smarthome/CDlgZwaveEdit.h"
#include "smarthome/CDlgZwaveLight.h"
#include "smarthome/CDlgZwaveSwitch.h"
#include "smarthome/SmartHomeContext.h"
#include "smarthome/SmartHomeIcons.h"
#include "smarthome/ZWaveFrames.h"

namespace nr::gui {
namespace {

constexpr int kIconSize = 48;
constexpr int kPlugDialogSlot = 20;

const char* const kListStyle = R"(
QListWidget { background: white; border: 1px solid rgb(180, 195, 210); border-radius: 4px; }
QListWidget::item { padding: 4px; border-radius: 4px; }
QListWidget::item:hover { background: rgb(225, 238, 250); }
QListWidget::item:selected { background: rgb(0, 120, 215); color: white; }
)";

}  // namespace

CDlgZwaveList::CDlgZwaveList(SmartHomeContext& sc, QWidget* parent) : QWidget(parent), sc_(sc) {
  setProperty(kDialogNumberProperty, kDialogNumber);
  list_ = WithId(new QListWidget(this), kListId);
  list_->setViewMode(QListView::IconMode);
  list_->setIconSize(QSize(kIconSize, kIconSize));
  list_->setGridSize(QSize(kIconSize + 64, kIconSize + 40));
  list_->setResizeMode(QListView::Adjust);
  list_->setMovement(QListView::Static);
  list_->setWordWrap(true);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setAccessibleName(QString::fromUtf8("设备列表"));
  list_->setStyleSheet(QString::fromLatin1(kListStyle));
  delete_ = WithId(new QPushButton(QString::fromUtf8("删除插座"), this), kDeleteId);
  add_ = WithId(new QPushButton(QString::fromUtf8("添加插座"), this), kAddId);
  connect(delete_, &QPushButton::clicked, this, &CDlgZwaveList::RemovePlug);
  connect(add_, &QPushButton::clicked, this, &CDlgZwaveList::AddPlug);

  singleClick_.setSingleShot(true);
  singleClick_.setInterval(QApplication::doubleClickInterval());
  connect(&singleClick_, &QTimer::timeout, this, [this] { OpenPlug(clickedNode_); });
  connect(list_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    clickedNode_ = item->data(Qt::UserRole).toInt();
    singleClick_.start();
  });
  connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    singleClick_.stop();
    EditPlug(item->data(Qt::UserRole).toInt());
  });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(delete_);
  buttons->addWidget(add_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(10, 10, 10, 10);
  layout->addWidget(list_, 1);
  layout->addLayout(buttons);
  Relabel();
  Refresh();
}

void CDlgZwaveList::Relabel() {
  ApplyDialogTexts(this, kDialogNumber, sc_.App().Table());
  ApplySmartHomeTips(this, kDialogNumber, sc_.App().Language());
}

void CDlgZwaveList::Refresh() {
  list_->clear();
  for (const PlugInfo& plug : sc_.Smart().Plugs()) {
    auto* item = new QListWidgetItem(PlugIcon(plug.record.type), QString::fromStdU16String(plug.record.name), list_);
    item->setData(Qt::UserRole, plug.node);
    item->setToolTip(QStringLiteral("%1 (%2)").arg(QString::fromStdU16String(plug.record.name)).arg(plug.node));
    item->setTextAlignment(Qt::AlignHCenter | Qt::AlignTop);
  }
}

void CDlgZwaveList::Open(QDialog* dialog) {
  if (opened_) opened_->close();
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  opened_ = dialog;
  dialog->open();
}

void CDlgZwaveList::OpenPlug(int node) {
  const int type = sc_.Smart().Record(node).type;
  if (type == kPlugSwitch) Open(new CDlgZwaveSwitch(sc_, node, this));
  if (type == kPlugDimmer) Open(new CDlgZwaveLight(sc_, node, this));
}

void CDlgZwaveList::EditPlug(int node) {
  auto* dialog = new CDlgZwaveEdit(sc_, node, this);
  connect(dialog, &CDlgZwaveEdit::plugsChanged, this, &CDlgZwaveList::Refresh);
  sc_.App().SetDialog(kPlugDialogSlot, dialog);
  Open(dialog);
}

void CDlgZwaveList::AddPlug() {
  if (!sc_.Connected()) {
    sc_.Tip(kConnectDeviceTip);
    return;
  }
  EditPlug(0);
}

void CDlgZwaveList::RemovePlug() {
  if (!sc_.Connected()) {
    sc_.Tip(kConnectDeviceTip);
    return;
  }
  sc_.Smart().BeginRemoving();
  sc_.View().RunDeviceOperation(sc_.T({"删除设备", "Remove plug"}), zwave::kRemoveNode, 0, 0, 0);
}

}  // namespace nr::gui
