#include "outputs/CSSVCDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <cmath>

#include "eq/BandEditor.h"
#include "inputs/InputPages.h"
#include "inputs/SoundField.h"
#include "link/DeviceModel.h"
#include "outputs/CSSVolumePanel.h"
#include "outputs/OutputHeaderRow.h"
#include "outputs/OutputTips.h"
#include "shell/AppContext.h"
#include "shell/DialogTexts.h"

namespace nr::gui {
namespace {

// Loudspeaker rows 1..8: identifier and Chinese template text of their titles.
constexpr std::array<int, kSpeakerCount> kSpeakerIds{1002, 1005, 1006, 1007, 1011, 1012, 1013, 1017};
constexpr std::array<const char*, kSpeakerCount> kSpeakerTemplates{"前置左",   "中置", "前置右",   "后环绕左",
                                                                   "超低",     "后环绕右", "侧环绕左", "侧环绕右"};
constexpr std::array<int, kOutputCount> kLocateIds{1231, 1232, 1233, 1234, 1235, 1236, 1238, 1239};
constexpr int kUnitNoteId = 1018;
constexpr int kRoomGroupId = 1019;
constexpr int kWidthId = 1022;
constexpr int kLengthId = 1023;
constexpr int kListenerGroupId = 1139;
constexpr int kResetId = 1216;
constexpr int kSpeakerGroupId = 1229;
constexpr int kModifyId = 1240;
constexpr int kCenterId = 1241;

QSpinBox* SizeBox(QWidget* parent) {
  auto* box = new QSpinBox(parent);
  box->setRange(kRoomMinSize, kRoomMaxSize);
  box->setSuffix(QStringLiteral("m"));
  box->setKeyboardTracking(false);
  return box;
}

}  // namespace

// ---- position boxes ----------------------------------------------------------------------------

PositionSpin::PositionSpin(QWidget* parent) : QSpinBox(parent) {
  setKeyboardTracking(false);
  setAlignment(Qt::AlignRight);
  setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("+10.0m")) + 30);
}

void PositionSpin::SetMetres(float metres) {
  const QSignalBlocker block(this);
  setValue(static_cast<int>(std::lround(metres * 10.0f)));  // stored positions are whole tenths
}

void PositionSpin::SetHalfRange(int metres) {
  const QSignalBlocker block(this);
  setRange(-metres * 5, metres * 5);
}

QString PositionSpin::textFromValue(int value) const { return QString::asprintf("%+-.1fm", value / 10.0); }

int PositionSpin::valueFromText(const QString& text) const {
  const double metres = BandEditor::ReadNumber(text).value_or(0.0);
  return static_cast<int>(std::lround(metres * 10.0));
}

QValidator::State PositionSpin::validate(QString& input, int&) const {
  // Anything starting with a number (or still empty or a lone sign) may be typed; out-of-room
  // values are brought to the edge when they are applied.
  if (input.trimmed().isEmpty() || input.trimmed() == QStringLiteral("+") || input.trimmed() == QStringLiteral("-"))
    return QValidator::Intermediate;
  return BandEditor::ReadNumber(input) ? QValidator::Acceptable : QValidator::Invalid;
}

// ---- the page ----------------------------------------------------------------------------------

CSSVCDlg::CSSVCDlg(AppContext& ctx, DeviceSession& session, PageHost& host, QWidget* parent)
    : Page(parent), ctx_(ctx), session_(session), host_(host) {
  Build();
  ApplyDialogTexts(this, kDialogNumber, ctx_.Table());
  RefreshFromImage();
  ApplyPageTips();
}

void CSSVCDlg::Build() {
  ApplyOutputPageStyle(this);
  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(8, 6, 8, 8);
  root->setSpacing(6);
  header_ = new OutputHeaderRow(ctx_, this);
  header_->ConnectNavigation(OutputPageKind::kLocation, ctx_, session_, host_);
  root->addWidget(header_);

  auto* body = new QHBoxLayout;
  body->setSpacing(8);
  room_ = new CSSVolumePanel(this);
  room_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  connect(room_, &CSSVolumePanel::itemMoved, this, &CSSVCDlg::OnItemMoved);
  body->addWidget(room_, 1);

  auto* middle = new QVBoxLayout;
  middle->setSpacing(6);
  middle->addWidget(BuildRoomGroup());
  middle->addWidget(BuildPositionGroup());
  middle->addStretch(1);
  body->addLayout(middle);
  body->addWidget(BuildChannelGroup());
  root->addLayout(body, 1);

  wheel_ = new FocusWheelRouter(this, [this](QWidget* focus) { return RoutedWheelTarget(focus); });
  wheel_->Install();
}

QWidget* CSSVCDlg::BuildRoomGroup() {
  auto* group = WithId(new QGroupBox(QString::fromUtf8("房间大小"), this), kRoomGroupId);
  auto* grid = new QGridLayout(group);
  grid->setVerticalSpacing(3);
  width_ = SizeBox(group);
  length_ = SizeBox(group);
  modify_ = WithId(new QPushButton(QString::fromUtf8("立即修改"), group), kModifyId);
  reset_ = WithId(new QPushButton(QString::fromUtf8("复位"), group), kResetId);
  center_ = WithId(new QPushButton(QString::fromUtf8("居中"), group), kCenterId);
  grid->addWidget(WithId(new QLabel(QString::fromUtf8("宽(m)"), group), kWidthId), 0, 0);
  grid->addWidget(width_, 0, 1);
  grid->addWidget(WithId(new QLabel(QString::fromUtf8("长(m)"), group), kLengthId), 1, 0);
  grid->addWidget(length_, 1, 1);
  grid->addWidget(modify_, 0, 2);
  grid->addWidget(WithId(new QLabel(QString::fromUtf8("长度单位:米(m)"), group), kUnitNoteId), 1, 2);
  grid->addWidget(reset_, 2, 1);
  grid->addWidget(center_, 2, 2);
  connect(width_, &QSpinBox::valueChanged, this, &CSSVCDlg::ApplyRoomSize);
  connect(length_, &QSpinBox::valueChanged, this, &CSSVCDlg::ApplyRoomSize);
  connect(modify_, &QPushButton::clicked, this, [this] {
    width_->interpretText();
    length_->interpretText();
    ApplyRoomSize();
  });
  connect(reset_, &QPushButton::clicked, this, &CSSVCDlg::OnReset);
  connect(center_, &QPushButton::clicked, this, &CSSVCDlg::OnCenter);
  return group;
}

QWidget* CSSVCDlg::BuildPositionGroup() {
  auto* box = new QWidget(this);
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(6);
  auto* listener = WithId(new QGroupBox(QString::fromUtf8("听众位置"), box), kListenerGroupId);
  auto* listenerGrid = new QGridLayout(listener);
  auto* speakers = WithId(new QGroupBox(QString::fromUtf8("声源的位置"), box), kSpeakerGroupId);
  auto* speakerGrid = new QGridLayout(speakers);
  speakerGrid->setVerticalSpacing(2);
  for (int row = 0; row < kRows; ++row) {
    QWidget* parent = row == 0 ? listener : speakers;
    QGridLayout* grid = row == 0 ? listenerGrid : speakerGrid;
    const int line = row == 0 ? 0 : row - 1;
    x_[static_cast<size_t>(row)] = new PositionSpin(parent);
    y_[static_cast<size_t>(row)] = new PositionSpin(parent);
    if (row > 0) {
      const size_t n = static_cast<size_t>(row - 1);
      grid->addWidget(WithId(new QLabel(QString::fromUtf8(kSpeakerTemplates[n]), parent), kSpeakerIds[n]), line, 0);
    }
    grid->addWidget(new QLabel(QStringLiteral("X"), parent), line, 1);
    grid->addWidget(x_[static_cast<size_t>(row)], line, 2);
    grid->addWidget(new QLabel(QStringLiteral("Y"), parent), line, 3);
    grid->addWidget(y_[static_cast<size_t>(row)], line, 4);
    connect(x_[static_cast<size_t>(row)], &QSpinBox::valueChanged, this, [this, row] { OnPositionTyped(row); });
    connect(y_[static_cast<size_t>(row)], &QSpinBox::valueChanged, this, [this, row] { OnPositionTyped(row); });
  }
  layout->addWidget(listener);
  layout->addWidget(speakers);
  return box;
}

QWidget* CSSVCDlg::BuildChannelGroup() {
  auto* group = new QGroupBox(this);
  auto* grid = new QGridLayout(group);
  grid->setVerticalSpacing(4);
  for (int c = 0; c < kOutputCount; ++c) {
    ChannelRow& row = channels_[static_cast<size_t>(c)];
    row.name = new QLabel(group);
    row.position = new QLabel(group);
    row.locate = WithId(new QCheckBox(QString::fromUtf8("定位"), group), kLocateIds[static_cast<size_t>(c)]);
    row.volume = new QSlider(Qt::Horizontal, group);
    row.volume->setRange(0, kSoundFieldVolumeMax);
    row.volume->setPageStep(25);
    row.volume->setMinimumWidth(90);
    row.value = new QLabel(group);
    row.value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row.value->setMinimumWidth(row.value->fontMetrics().horizontalAdvance(QStringLiteral("500%")) + 4);
    grid->addWidget(row.name, 2 * c, 0);
    grid->addWidget(row.position, 2 * c, 1);
    grid->addWidget(row.locate, 2 * c, 2);
    grid->addWidget(row.volume, 2 * c + 1, 0, 1, 2);
    grid->addWidget(row.value, 2 * c + 1, 2);
    connect(row.locate, &QCheckBox::clicked, this, [this, c](bool on) { OnLocate(c, on); });
    connect(row.volume, &QSlider::valueChanged, this, [this, c](int v) {
      SetSoundFieldVolume(session_, c, v);
      channels_[static_cast<size_t>(c)].value->setText(QString::asprintf("%d%%", v));
    });
  }
  grid->setRowStretch(2 * kOutputCount, 1);
  return group;
}

bool CSSVCDlg::RoutedWheelTarget(QWidget* focus) const {
  if (focus == width_ || focus == length_) return true;
  for (const ChannelRow& row : channels_)
    if (focus == row.volume) return true;
  for (int row = 0; row < kRows; ++row)
    if (focus == x_[static_cast<size_t>(row)] || focus == y_[static_cast<size_t>(row)]) return true;
  return false;
}

// ---- edits -------------------------------------------------------------------------------------

void CSSVCDlg::OnPositionTyped(int row) {
  // The spin boxes keep typed values within the room already; both coordinates of the row go.
  MoveItem(row, x_[static_cast<size_t>(row)]->Metres(), y_[static_cast<size_t>(row)]->Metres());
}

void CSSVCDlg::OnItemMoved(int item, float x, float y) {
  x_[static_cast<size_t>(item)]->SetMetres(x);
  y_[static_cast<size_t>(item)]->SetMetres(y);
  MoveItem(item, x, y);
}

void CSSVCDlg::MoveItem(int row, float x, float y) {
  if (row == CSSVolumePanel::kListener)
    MoveListener(session_, x, y);
  else
    MoveSpeaker(session_, row - 1, x, y);
  room_->SetItem(row, x, y);
}

void CSSVCDlg::ApplyRoomSize() {
  SetRoomSize(session_, width_->value(), length_->value());
  ShowRoom(ctx_.Model().Read([](const DeviceState& s) { return s.derived.room; }));
}

void CSSVCDlg::OnLocate(int channel, bool on) {
  const int code = on ? ctx_.Model().Read([&](const DeviceState& s) { return SpeakerPositionOf(s, channel); }) : kLocateNone;
  for (int c = 0; c < kOutputCount; ++c) channels_[static_cast<size_t>(c)].locate->setChecked(on && c == channel);
  Locate(session_, code);
}

void CSSVCDlg::OnReset() {
  ResetSoundField(session_);
  ShowRoom(ctx_.Model().Read([](const DeviceState& s) { return s.derived.room; }));
}

void CSSVCDlg::OnCenter() {
  CenterListener(session_);
  // The boxes follow the listener too, so a later typed value starts from where it now is.
  ShowRoom(ctx_.Model().Read([](const DeviceState& s) { return s.derived.room; }));
}

// ---- refresh -----------------------------------------------------------------------------------

void CSSVCDlg::Relabel() {
  ApplyDialogTexts(this, kDialogNumber, ctx_.Table());
  ApplyPageTips();
  header_->Relabel();
  room_->SetLanguage(ctx_.Language());
  RefreshFromImage();
}

void CSSVCDlg::RefreshFromImage() {
  const DeviceState s = ctx_.Model().Snapshot();
  header_->SetCurrent(OutputPageKind::kLocation, -1);
  RefreshChannels(s);
  ShowRoom(s.derived.room);
  std::array<QString, kSpeakerCount> driving{};
  for (int speaker = 0; speaker < kSpeakerCount; ++speaker) {
    const int channel = ChannelAtPosition(s, SpeakerCode(speaker));
    if (channel >= 0) driving[static_cast<size_t>(speaker)] = ChannelText(channel, ctx_.Language());
  }
  room_->SetSpeakerChannels(driving);
}

void CSSVCDlg::RefreshChannels(const DeviceState& s) {
  const bool connected = ctx_.Connected();
  const int locatedChannel = ChannelAtPosition(s, LocatedCode(s));
  for (int c = 0; c < kOutputCount; ++c) {
    ChannelRow& row = channels_[static_cast<size_t>(c)];
    row.name->setText(ChannelText(c, ctx_.Language()));
    row.position->setText(QStringLiteral("(%1)").arg(PositionText(SpeakerPositionOf(s, c)).Get(ctx_.Language())));
    row.locate->setChecked(connected && c == locatedChannel);
    const int volume = SoundFieldVolume(s, c);
    const QSignalBlocker block(row.volume);
    row.volume->setValue(std::clamp(volume, 0, kSoundFieldVolumeMax));
    row.value->setText(QString::asprintf("%d%%", volume));
  }
}

void CSSVCDlg::ShowRoom(const RoomModel& room) {
  room_->SetRoom(room);
  {
    const QSignalBlocker w(width_), l(length_);
    width_->setValue(room.width);
    length_->setValue(room.length);
  }
  for (int row = 0; row < kRows; ++row) {
    x_[static_cast<size_t>(row)]->SetHalfRange(room.width);
    y_[static_cast<size_t>(row)]->SetHalfRange(room.length);
  }
  x_[0]->SetMetres(room.listenerX);
  y_[0]->SetMetres(room.listenerY);
  for (int n = 0; n < kSpeakerCount; ++n) {
    x_[static_cast<size_t>(n + 1)]->SetMetres(room.speakerX[static_cast<size_t>(n)]);
    y_[static_cast<size_t>(n + 1)]->SetMetres(room.speakerY[static_cast<size_t>(n)]);
  }
}

void CSSVCDlg::ApplyPageTips() {
  ApplyOutputPageTips(this, kDialogNumber, ctx_.Language());
  const QString listener = ctx_.T({"听众在房间里的位置（X、Y，米）", "Where the listener sits in the room (X, Y in metres)"});
  const QString source = ctx_.T({"这个声源在房间里的位置（X、Y，米）", "Where this source stands in the room (X, Y in metres)"});
  for (size_t row = 0; row < x_.size(); ++row) {
    x_[row]->setToolTip(row == 0 ? listener : source);
    y_[row]->setToolTip(row == 0 ? listener : source);
  }
  for (ChannelRow& row : channels_) {
    row.locate->setToolTip(ctx_.T({"这个输出的电平由它在声场中的位置决定",
                                   "This output's level follows its place in the sound field"}));
    row.volume->setToolTip(ctx_.T({"这个输出在声场中的电平", "This output's level in the sound field"}));
  }
}

}  // namespace nr::gui
