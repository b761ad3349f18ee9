#include "smarthome/CDlgZwaveSwitch.h"

#include <QGridLayout>
#include <QLabel>
#include <QToolButton>

#include "shell/CGQ2270v13View.h"
#include "shell/DialogTexts.h"
#include "smarthome/SmartHomeTips.h"
#include "smarthome/SmartHomeContext.h"
#include "smarthome/SmartHomeIcons.h"
#include "smarthome/ZWaveFrames.h"

namespace nr::gui {
namespace {

constexpr TextPair kCaption{"开关控制: ", "Switch: "};
constexpr int kOnLabelId = 1005;
constexpr int kOffLabelId = 1007;
constexpr int kImageSize = 72;
constexpr int kOperationDelayMs = 100;

QToolButton* ImageButton(QWidget* parent, int id, const QIcon& icon) {
  auto* b = WithId(new QToolButton(parent), id);
  b->setIcon(icon);
  b->setIconSize(QSize(kImageSize, kImageSize));
  b->setAutoRaise(true);
  b->setCursor(Qt::PointingHandCursor);
  return b;
}

}  // namespace

CDlgZwaveSwitch::CDlgZwaveSwitch(SmartHomeContext& sc, int node, QWidget* parent)
    : QDialog(parent), sc_(sc), node_(node) {
  setProperty(kDialogNumberProperty, kDialogNumber);
  on_ = ImageButton(this, kOnId, SmartHomeIcon(SmartGlyph::LampOn));
  off_ = ImageButton(this, kOffId, SmartHomeIcon(SmartGlyph::LampOff));
  connect(on_, &QToolButton::clicked, this, [this] { Set(true); });
  connect(off_, &QToolButton::clicked, this, [this] { Set(false); });
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(28, 20, 28, 20);
  layout->setHorizontalSpacing(40);
  layout->addWidget(on_, 0, 0, Qt::AlignCenter);
  layout->addWidget(off_, 0, 1, Qt::AlignCenter);
  layout->addWidget(WithId(new QLabel(QString::fromUtf8("开"), this), kOnLabelId), 1, 0, Qt::AlignCenter);
  layout->addWidget(WithId(new QLabel(QString::fromUtf8("关"), this), kOffLabelId), 1, 1, Qt::AlignCenter);
  Relabel();
}

void CDlgZwaveSwitch::Relabel() {
  ApplyDialogTexts(this, kDialogNumber, sc_.App().Table());
  ApplySmartHomeTips(this, kDialogNumber, sc_.App().Language());
  setWindowTitle(sc_.T(kCaption) + sc_.PlugName(node_));
}

void CDlgZwaveSwitch::Set(bool on) {
  if (!sc_.Connected()) {
    sc_.Tip(kConnectDeviceTip);
    return;
  }
  sc_.View().RunDeviceOperation(QString::fromUtf8(on ? "设备开启操作" : "设备关闭操作"), zwave::kSendData,
                                kOperationDelayMs, node_, on ? kSwitchOn : kPlugOff);
}

}  // namespace nr::gui
