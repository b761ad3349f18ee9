#include "shell/CAboutDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <array>
#include <span>

#include "shell/AppContext.h"
#include "shell/DialogTexts.h"

namespace nr::gui {
namespace {

constexpr TextPair kTitle{"关于", "About"};
constexpr TextPair kProduct{"调音软件", "Audio Processor Tuner"};
constexpr TextPair kVersion{"版本 %1", "Version %1"};
constexpr TextPair kDescription{
    "卡拉OK与家庭影院DSP音频处理器的调音与控制软件：实时调节输入、效果、均衡、分频与延时，"
    "管理机器模式与预设文件，学习遥控器按键。",
    "Tuning and control of karaoke and home-theatre DSP audio processors: live inputs, effects, "
    "equalisers, crossovers and delays, device modes and preset files, remote-control learning."};
constexpr TextPair kNoDevice{"未连接设备", "No device connected"};
constexpr TextPair kDeviceHeading{"设备", "Device"};
constexpr TextPair kOk{"确定", "OK"};
constexpr const char* kFallbackVersion = "24.01";
constexpr int kCurrentProtocol = 24;

// Converter parts by the numbers the device reports; entry 0 stands for anything unknown.
constexpr std::array<const char*, 6> kMicChips{"未知", "AK5358", "PCM4202", "AK5720", "CS5381", "未知"};
constexpr std::array<const char*, 4> kMusicChips{"未知", "NONE", "PCM4202", "AK5720"};
constexpr std::array<const char*, 5> kOutputChips{"未知", "AK4396", "CS4398", "耳放板", "PCM1794"};

QString Lookup(std::span<const char* const> table, int number) {
  const bool inRange = number >= 0 && static_cast<size_t>(number) < table.size();
  return QString::fromUtf8(table[inRange ? static_cast<size_t>(number) : 0]);
}

}  // namespace

QString ConverterChipName(ConverterSlot slot, int number) {
  switch (slot) {
    case ConverterSlot::kMic:
      return Lookup(kMicChips, number);
    case ConverterSlot::kMusic:
      return Lookup(kMusicChips, number);
    case ConverterSlot::kOutput:
      break;
  }
  return Lookup(kOutputChips, number);
}

DeviceInfoLines DeviceInfoText(const DeviceInfo& info, const DeviceStatus& status) {
  DeviceInfoLines lines;
  lines.module = QString("Module:%1").arg(QString::fromStdString(info.ModuleName()));
  lines.firmware = QString("MCU Ver:%1 CMD Ver:%2")
                       .arg(QString::fromStdString(info.McuVersion()))
                       .arg(info.version == kCurrentProtocol ? 1 : 0, 2, 10, QChar('0'));
  lines.dsp = QString("DSP Ver:%1").arg(QString::fromStdString(info.DspVersion()));
  lines.converters = QString("MIC:%1\nMusic:%2\nCH12:%3\nCH34:%4\nCH56:%5\nCH78:%6 ")
                         .arg(ConverterChipName(ConverterSlot::kMic, status.MicChip()),
                              ConverterChipName(ConverterSlot::kMusic, status.MusicChip()),
                              ConverterChipName(ConverterSlot::kOutput, status.OutputChip(0)),
                              ConverterChipName(ConverterSlot::kOutput, status.OutputChip(1)),
                              ConverterChipName(ConverterSlot::kOutput, status.OutputChip(2)),
                              ConverterChipName(ConverterSlot::kOutput, status.OutputChip(3)));
  return lines;
}

CAboutDlg::CAboutDlg(AppContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
  setProperty(kDialogNumberProperty, kDialogNumber);
  setWindowTitle(ctx_.T(kTitle));
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(240, 250, 255));
  setPalette(pal);
  setAutoFillBackground(true);

  // The application's own icon; without one the box simply has no picture.
  auto* icon = new QLabel(this);
  const QIcon appIcon = QApplication::windowIcon();
  icon->setPixmap(appIcon.pixmap(64, 64));
  icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
  icon->setVisible(!appIcon.isNull());

  auto* name = new QLabel(ctx_.T(kProduct), this);
  QFont nameFont = name->font();
  nameFont.setPointSizeF(nameFont.pointSizeF() * 1.6);
  nameFont.setBold(true);
  name->setFont(nameFont);
  const QString version = QCoreApplication::applicationVersion();
  auto* versionLabel = new QLabel(ctx_.T(kVersion).arg(version.isEmpty() ? kFallbackVersion : version), this);
  auto* description = new QLabel(ctx_.T(kDescription), this);
  description->setWordWrap(true);
  description->setMinimumWidth(360);

  auto* rule = new QFrame(this);
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);
  auto* heading = new QLabel(ctx_.T(kDeviceHeading), this);
  QFont headingFont = heading->font();
  headingFont.setBold(true);
  heading->setFont(headingFont);

  noDevice_ = new QLabel(ctx_.T(kNoDevice), this);
  QPalette grey = noDevice_->palette();
  grey.setColor(QPalette::WindowText, QColor(110, 110, 110));
  noDevice_->setPalette(grey);
  module_ = new QLabel("Module:", this);
  firmware_ = new QLabel(this);
  dsp_ = new QLabel(this);
  converters_ = new QLabel(this);
  for (QLabel* line : {module_, firmware_, dsp_, converters_}) {
    line->setTextFormat(Qt::PlainText);  // the device's own text, never markup
    line->setTextInteractionFlags(Qt::TextSelectableByMouse);  // support staff copy these
    line->hide();
  }
  peak_ = new QCheckBox("Peak", this);
  peak_->hide();
  peak_->setChecked(ctx_.PeakPolling());
  connect(peak_, &QCheckBox::toggled, this, [this](bool on) { ctx_.SetPeakPolling(on); });

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->button(QDialogButtonBox::Ok)->setText(ctx_.T(kOk));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* text = new QVBoxLayout;
  text->setSpacing(6);
  text->addWidget(name);
  text->addWidget(versionLabel);
  text->addSpacing(4);
  text->addWidget(description);
  text->addSpacing(6);
  text->addWidget(rule);
  text->addWidget(heading);
  text->addWidget(noDevice_);
  text->addWidget(module_);
  text->addWidget(firmware_);
  text->addWidget(dsp_);
  text->addWidget(converters_);
  text->addWidget(peak_);
  auto* top = new QHBoxLayout;
  top->setSpacing(18);
  top->addWidget(icon, 0, Qt::AlignTop);
  top->addLayout(text, 1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(20, 20, 20, 14);
  layout->addLayout(top);
  layout->addSpacing(8);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);  // grows when the hidden lines appear

  FillDeviceLines();
}

void CAboutDlg::FillDeviceLines() {
  if (!ctx_.Connected()) return;  // the lines stay hidden without a link
  const DeviceInfoLines lines = ctx_.Model().Read(
      [](const DeviceState& state) { return DeviceInfoText(state.info, state.lastStatus); });
  noDevice_->hide();
  module_->setText(lines.module);
  firmware_->setText(lines.firmware);
  dsp_->setText(lines.dsp);
  converters_->setText(lines.converters);
  firmware_->show();
  dsp_->show();
  converters_->show();
}

void CAboutDlg::keyReleaseEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers both = Qt::ControlModifier | Qt::ShiftModifier;
  if (event->key() == Qt::Key_F11 && (event->modifiers() & both) == both && !event->isAutoRepeat()) {
    module_->show();
    peak_->show();
    event->accept();
    return;
  }
  QDialog::keyReleaseEvent(event);
}

}  // namespace nr::gui
