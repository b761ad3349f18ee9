#include "smarthome/CDlgZwaveLight.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include "shell/CGQ2270v13View.h"
#include "shell/DialogTexts.h"
#include "smarthome/SmartHomeTips.h"
#include "smarthome/SmartHomeContext.h"
#include "smarthome/SmartHomeIcons.h"
#include "smarthome/ZWaveFrames.h"

namespace nr::gui {
namespace {

constexpr TextPair kCaption{"电压控制: ", "Voltage: "};
constexpr TextPair kOff{"关", "OFF"};
constexpr TextPair kMax{"最大", "Max"};
constexpr int kCaptionId = 1005;
constexpr int kHintId = 1007;
constexpr int kWarningId = 1237;
constexpr int kWarningTextId = 1238;
constexpr int kWarningNoteId = 1239;
constexpr int kOperationDelayMs = 100;
constexpr int kStepImageSize = 30;

const char* const kStyle = R"(
QLabel#warning { color: rgb(200, 0, 0); font-weight: bold; }
QLabel#warningText, QLabel#warningNote { color: rgb(160, 40, 0); }
QLabel#hint { color: rgb(90, 100, 115); }
QLabel#level { font-size: 15px; font-weight: bold; color: rgb(0, 90, 170); min-width: 48px; }
QSlider::groove:horizontal { height: 8px; border-radius: 4px;
  background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 rgb(60, 60, 60), stop:1 rgb(255, 210, 40)); }
QSlider::handle:horizontal { width: 18px; margin: -6px 0; border-radius: 9px;
  background: white; border: 2px solid rgb(0, 110, 195); }
)";

}  // namespace

CDlgZwaveLight::CDlgZwaveLight(SmartHomeContext& sc, int node, QWidget* parent)
    : QDialog(parent), sc_(sc), node_(node) {
  setProperty(kDialogNumberProperty, kDialogNumber);
  setStyleSheet(QString::fromLatin1(kStyle));
  slider_ = WithId(new QSlider(Qt::Horizontal, this), kSliderId);
  slider_->setRange(kPlugOff, kPlugFullOn);
  slider_->setMinimumWidth(280);
  const int last = sc_.Smart().LastValue(node_);
  slider_->setValue(last > kPlugFullOn ? kPlugFullOn : last);
  level_ = WithId(new QLabel(this), kLevelLabelId);
  level_->setObjectName(QStringLiteral("level"));
  level_->setAlignment(Qt::AlignCenter);

  auto stepButton = [this](int id, SmartGlyph glyph) {
    auto* b = WithId(new QToolButton(this), id);
    b->setIcon(SmartHomeIcon(glyph));
    b->setIconSize(QSize(kStepImageSize, kStepImageSize));
    b->setAutoRaise(true);
    b->setAutoRepeat(false);
    return b;
  };
  QToolButton* down = stepButton(kDownId, SmartGlyph::StepDown);
  QToolButton* up = stepButton(kUpId, SmartGlyph::StepUp);
  auto* off = WithId(new QPushButton(QString::fromUtf8("关"), this), kOffId);
  auto* max = WithId(new QPushButton(QString::fromUtf8("最大"), this), kMaxId);

  connect(slider_, &QSlider::valueChanged, this, &CDlgZwaveLight::ShowLevel);
  connect(slider_, &QSlider::sliderReleased, this, [this] { SendLevel(slider_->value()); });
  // A click on the track or a key moves the slider without a drag: that is a release too.
  connect(slider_, &QSlider::actionTriggered, this, [this](int action) {
    if (action != QAbstractSlider::SliderMove)
      QMetaObject::invokeMethod(this, [this] { SendLevel(slider_->value()); }, Qt::QueuedConnection);
  });
  connect(down, &QToolButton::clicked, this, [this] { SendLevel(std::max(slider_->value() - 1, kPlugOff)); });
  connect(up, &QToolButton::clicked, this, [this] { SendLevel(std::min(slider_->value() + 1, kPlugFullOn)); });
  connect(off, &QPushButton::clicked, this, [this] { SendLevel(kPlugOff); });
  connect(max, &QPushButton::clicked, this, [this] { SendLevel(kPlugFullOn); });

  auto* sliderRow = new QHBoxLayout;
  sliderRow->addWidget(WithId(new QLabel(QString::fromUtf8("电压"), this), kCaptionId));
  sliderRow->addWidget(down);
  sliderRow->addWidget(slider_, 1);
  sliderRow->addWidget(up);
  sliderRow->addWidget(level_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(off);
  buttons->addWidget(max);
  buttons->addStretch();

  auto* warning = new QGroupBox(this);
  auto* warningLayout = new QVBoxLayout(warning);
  auto* warningTitle = WithId(new QLabel(QString::fromUtf8("警告"), warning), kWarningId);
  warningTitle->setObjectName(QStringLiteral("warning"));
  auto* warningText = WithId(new QLabel(QString::fromUtf8("      某些设备无法工作在低电压状态，可能损坏设备"), warning), kWarningTextId);
  warningText->setObjectName(QStringLiteral("warningText"));
  warningText->setWordWrap(true);
  auto* warningNote = WithId(new QLabel(QString::fromUtf8("请您确保此插座上的设备允许调节电压"), warning), kWarningNoteId);
  warningNote->setObjectName(QStringLiteral("warningNote"));
  warningNote->setWordWrap(true);
  warningLayout->addWidget(warningTitle);
  warningLayout->addWidget(warningText);
  warningLayout->addWidget(warningNote);
  auto* hint = WithId(new QLabel(QString::fromUtf8("提示：松开滑动条后设置灯光亮度"), this), kHintId);
  hint->setObjectName(QStringLiteral("hint"));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(18, 16, 18, 14);
  layout->setSpacing(12);
  layout->addLayout(sliderRow);
  layout->addLayout(buttons);
  layout->addWidget(hint);
  layout->addWidget(warning);
  Relabel();
}

void CDlgZwaveLight::Relabel() {
  ApplyDialogTexts(this, kDialogNumber, sc_.App().Table());
  ApplySmartHomeTips(this, kDialogNumber, sc_.App().Language());
  setWindowTitle(sc_.T(kCaption) + sc_.PlugName(node_));
  ShowLevel(slider_->value());
}

void CDlgZwaveLight::ShowLevel(int position) {
  if (position <= kPlugOff)
    level_->setText(sc_.T(kOff));
  else if (position >= kPlugFullOn)
    level_->setText(sc_.T(kMax));
  else
    level_->setText(QString::asprintf("%d%%", position));
}

void CDlgZwaveLight::SendLevel(int position) {
  slider_->setValue(position);
  if (!sc_.Connected()) {
    sc_.Tip(kConnectDeviceTip);
    return;
  }
  sc_.View().RunDeviceOperation(QString::fromUtf8("正在设置……"), zwave::kSendData, kOperationDelayMs, node_, position);
}

}  // namespace nr::gui
