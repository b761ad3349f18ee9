#include "smarthome/CDlgZwaveEdit.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/CGQ2270v13View.h"
#include "shell/DialogTexts.h"
#include "smarthome/SmartHomeTips.h"
#include "shell/Prompts.h"
#include "smarthome/SmartHomeContext.h"
#include "smarthome/ZWaveFrames.h"

namespace nr::gui {
namespace {

constexpr TextPair kSwitchType{"开关插座", "Switch"};
constexpr TextPair kDimmerType{"调压插座", "Knob"};
constexpr TextPair kAdd{"添加", "Add"};
constexpr TextPair kModify{"修改", "Modify"};
constexpr int kTypeCaptionId = 1005;
constexpr int kNameCaptionId = 1007;

}  // namespace

CDlgZwaveEdit::CDlgZwaveEdit(SmartHomeContext& sc, int node, QWidget* parent)
    : QDialog(parent), sc_(sc), node_(node) {
  setProperty(kDialogNumberProperty, kDialogNumber);
  setWindowTitle(QString::fromUtf8("插座编辑"));
  type_ = WithId(new QComboBox(this), kTypeId);
  name_ = WithId(new QLineEdit(this), kNameId);
  name_->setMaxLength(kNameLimit);
  name_->setMinimumWidth(200);
  ok_ = WithId(new QPushButton(this), kOkId);
  ok_->setDefault(true);
  cancel_ = WithId(new QPushButton(QString::fromUtf8("取消"), this), kCancelId);
  connect(ok_, &QPushButton::clicked, this, &CDlgZwaveEdit::accept);
  connect(cancel_, &QPushButton::clicked, this, &CDlgZwaveEdit::reject);

  auto* form = new QFormLayout;
  form->addRow(WithId(new QLabel(QString::fromUtf8("插座类型"), this), kTypeCaptionId), type_);
  form->addRow(WithId(new QLabel(QString::fromUtf8("插座名称"), this), kNameCaptionId), name_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(18, 16, 18, 14);
  layout->setSpacing(14);
  layout->addLayout(form);
  layout->addLayout(buttons);

  Relabel();
  if (AddMode()) {
    type_->setCurrentIndex(0);
    ProposeName();
  } else {
    const PlugRecord record = sc_.Smart().Record(node_);
    type_->setCurrentIndex(record.type == kPlugDimmer ? 1 : 0);
    name_->setText(QString::fromStdU16String(record.name));
  }
  connect(type_, &QComboBox::currentIndexChanged, this, [this] {
    if (AddMode()) ProposeName();
  });
  name_->setFocus();
  name_->setCursorPosition(name_->text().size());
}

void CDlgZwaveEdit::Relabel() {
  ApplyDialogTexts(this, kDialogNumber, sc_.App().Table());
  ApplySmartHomeTips(this, kDialogNumber, sc_.App().Language());
  const int index = type_->currentIndex();
  const QSignalBlocker block(type_);
  type_->clear();
  type_->addItem(sc_.T(kSwitchType), kPlugSwitch);
  type_->addItem(sc_.T(kDimmerType), kPlugDimmer);
  type_->setCurrentIndex(std::max(index, 0));
  ok_->setText(sc_.T(AddMode() ? kAdd : kModify));
}

void CDlgZwaveEdit::ProposeName() {
  std::vector<std::u16string> names;
  for (const PlugInfo& plug : sc_.Smart().Plugs()) names.push_back(plug.record.name);
  name_->setText(QString::fromStdU16String(ProposePlugName(type_->currentIndex() + 1, names)));
  name_->setCursorPosition(name_->text().size());
}

void CDlgZwaveEdit::accept() {
  if (!sc_.Connected()) {
    sc_.Tip(kConnectDeviceTip);
    QDialog::reject();
    return;
  }
  Prompts& prompts = sc_.View().GetPrompts();
  const QString hint = QString::fromUtf8("提示");
  const QString name = name_->text();
  if (name.isEmpty()) {
    prompts.Warn(this, hint, QString::fromUtf8("名称不能为空"));
    return;
  }
  if (name.size() > kNameLimit) prompts.Warn(this, hint, QString::fromUtf8("名字太长，只保留12个字符长度"));
  const PlugRecord record{type_->currentIndex() + 1, TruncateUnits(name.toStdU16String(), kPlugNameMax)};
  SmartHome& smart = sc_.Smart();
  if (AddMode()) {
    smart.BeginAdding(record);
    sc_.View().RunDeviceOperation(QString::fromUtf8("添加设备……"), zwave::kRemoveNode, 0, 0, 0);
  } else {
    smart.WritePlugRecord(node_, record);
  }
  emit plugsChanged();
  QDialog::accept();
}

}  // namespace nr::gui
