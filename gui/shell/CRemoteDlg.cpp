#include "shell/CRemoteDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <vector>

#include "inputs/InputPages.h"
#include "link/DeviceSession.h"
#include "shell/AppContext.h"
#include "shell/CInfoDlg.h"
#include "shell/Platform.h"
#include "shell/CRemoteStudyDlg.h"
#include "shell/ControlTips.h"
#include "shell/DialogTexts.h"
#include "shell/Prompts.h"
#include "shell/TextPair.h"

namespace nr::gui {
namespace {

const QString kFilter = QStringLiteral("Remote Data File(*.remo)");
constexpr TextPair kConnectFirst{"请先连接机器再进行此操作!", "请先连接机器再进行此操作!"};  // Chinese only
constexpr TextPair kApplied{"遥控器键码保存成功!", "Save successed !"};
constexpr TextPair kLoaded{"载入遥控文件成功", "Remote file loaded"};
constexpr TextPair kLoadFailed{"载入遥控文件失败", "Remote file not loaded"};
constexpr TextPair kSaved{"保存遥控文件成功", "Remote file saved"};
constexpr TextPair kSaveFailed{"保存遥控文件失败", "Remote file not saved"};
constexpr TextPair kHowTo{"点击一个按键，再按下遥控器上对应的键。学完后点击“应用参数”。",
                          "Click a key, then press the same key on your remote. Apply when done."};
constexpr TextPair kCodeTip{"键码：%1", "Key code: %1"};
constexpr TextPair kNotLearned{"未学习", "Not learned"};
constexpr TextPair kClose{"关闭", "Close"};

// Where each function sits on the drawing: grid row, first of 12 columns, columns spanned.
struct KeyPlace {
  int function;
  int row;
  int column;
  int span;
};
constexpr KeyPlace kPlaces[kRemoteFunctionCount] = {
    {1, 0, 0, 4},  {2, 0, 4, 4},  {3, 0, 8, 4},                 // power, home, input
    {9, 1, 0, 3},  {10, 1, 3, 3}, {18, 1, 6, 3}, {11, 1, 9, 3},  // menu, mute, record, esc
    {4, 3, 4, 4},                                               // up
    {6, 4, 0, 4},  {8, 4, 4, 4},  {7, 4, 8, 4},                 // left, ok, right
    {5, 5, 4, 4},                                               // down
    {12, 7, 0, 4}, {14, 7, 4, 4}, {16, 7, 8, 4},                // volumes up
    {13, 8, 0, 4}, {15, 8, 4, 4}, {17, 8, 8, 4},                // volumes down
    {19, 9, 0, 3}, {20, 9, 3, 3}, {21, 9, 6, 3}, {22, 9, 9, 3},  // modes
    {23, 10, 0, 4}, {24, 10, 4, 4}, {25, 10, 8, 4},             // tones
};
constexpr int kPowerFunction = 1;
constexpr int kDirectionFunctions[] = {4, 5, 6, 7, 8};

const char* const kRemoteStyle = R"(
QPushButton {
  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 rgb(78, 84, 95), stop:1 rgb(46, 50, 58));
  color: white;
  border: 1px solid rgb(20, 22, 26);
  border-radius: 9px;
  padding: 5px 4px;
  min-height: 24px;
  font-size: 12px;
}
QPushButton:hover { background: rgb(0, 120, 200); }
QPushButton:pressed { background: rgb(0, 90, 160); }
QPushButton#powerKey { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 rgb(220, 70, 60), stop:1 rgb(160, 30, 30)); }
QPushButton#directionKey { border-radius: 13px; }
)";

// The body of the remote, drawn behind its keys.
class RemotePicture : public QWidget {
 public:
  using QWidget::QWidget;
  std::vector<QWidget*> ringKeys;  // the direction keys, which a ring is drawn behind

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF body = QRectF(rect()).adjusted(2, 2, -2, -2);
    QLinearGradient fill(body.topLeft(), body.topRight());
    fill.setColorAt(0, QColor(38, 41, 47));
    fill.setColorAt(0.5, QColor(58, 63, 72));
    fill.setColorAt(1, QColor(34, 37, 42));
    p.setPen(QPen(QColor(15, 16, 19), 2));
    p.setBrush(fill);
    p.drawRoundedRect(body, 34, 34);
    // Infrared window at the top.
    const QRectF window(body.center().x() - 22, body.top() + 8, 44, 10);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 20, 30));
    p.drawRoundedRect(window, 5, 5);
    QRect around;
    for (const QWidget* key : ringKeys) around = around.united(key->geometry());
    if (around.isValid()) {
      const QRectF ring = QRectF(around).adjusted(-10, -12, 10, 12);
      p.setBrush(QColor(28, 30, 35));
      p.setPen(QPen(QColor(90, 96, 108), 1.5));
      p.drawEllipse(ring);
    }
  }
};

}  // namespace

void RemoteKeyButton::SetCode(int code) {
  if (code_ == code) return;
  code_ = code;
  update();
}

void RemoteKeyButton::paintEvent(QPaintEvent* event) {
  QPushButton::paintEvent(event);
  if (code_ == 0) return;
  QPainter p(this);
  QFont font = p.font();
  font.setPixelSize(9);
  font.setBold(true);
  p.setFont(font);
  p.setPen(QColor(16, 255, 16));
  p.drawText(rect().adjusted(0, 0, -6, -2), Qt::AlignRight | Qt::AlignBottom,
             QString::asprintf("%02X", static_cast<unsigned>(code_) & 0xFFu));
}

CRemoteDlg::CRemoteDlg(AppContext& ctx, DeviceSession& session, Prompts& prompts, QWidget* parent)
    : QDialog(parent), ctx_(ctx), session_(session), prompts_(prompts), wasPolling_(ctx.PeakPolling()) {
  setProperty(kDialogNumberProperty, kDialogNumber);
  setWindowTitle(QString::fromUtf8("遥控学习"));
  ApplyInputPageStyle(this);
  ctx_.SetPeakPolling(false);  // the status replies would only get in the learning's way

  auto* root = new QHBoxLayout(this);
  root->setContentsMargins(14, 12, 14, 12);
  root->setSpacing(16);
  root->addWidget(BuildRemote());
  root->addWidget(BuildCommands(), 1);
  RefreshFromImage();
  Relabel();
}

CRemoteDlg::~CRemoteDlg() {
  // A learning window still open goes with this window; it must not call back into it then.
  if (study_) disconnect(study_, nullptr, this, nullptr);
  if (wasPolling_) ctx_.SetPeakPolling(true);
}

QWidget* CRemoteDlg::BuildRemote() {
  auto* picture = new RemotePicture(this);
  picture->setStyleSheet(QString::fromLatin1(kRemoteStyle));
  auto* grid = new QGridLayout(picture);
  grid->setContentsMargins(22, 30, 22, 26);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(9);
  grid->setRowMinimumHeight(2, 4);  // room for the ring around the direction keys
  grid->setRowMinimumHeight(6, 12);
  for (const KeyPlace& place : kPlaces) {
    const RemoteFunction& f = RemoteFunctions()[static_cast<size_t>(place.function - 1)];
    auto* key = WithId(new RemoteKeyButton(QString::fromUtf8(f.captionZh), picture), kFirstFunctionId + place.function - 1);
    key->setCursor(Qt::PointingHandCursor);
    key->setAutoDefault(false);
    key->setMinimumWidth(place.span == 3 ? 90 : 118);
    if (place.function == kPowerFunction) key->setObjectName(QStringLiteral("powerKey"));
    for (int d : kDirectionFunctions)
      if (place.function == d) key->setObjectName(QStringLiteral("directionKey"));
    grid->addWidget(key, place.row, place.column, 1, place.span);
    keys_[static_cast<size_t>(place.function - 1)] = key;
    const int function = place.function;
    connect(key, &QPushButton::clicked, this, [this, function] { Learn(function); });
  }
  for (int c = 0; c < 12; ++c) grid->setColumnStretch(c, 1);
  picture->setMinimumWidth(440);
  for (int d : kDirectionFunctions) picture->ringKeys.push_back(FunctionButton(d));
  return picture;
}

QWidget* CRemoteDlg::BuildCommands() {
  auto* column = new QWidget(this);
  auto* layout = new QVBoxLayout(column);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(8);
  howTo_ = new QLabel(column);
  howTo_->setObjectName(QStringLiteral("hint"));
  howTo_->setWordWrap(true);
  howTo_->setMinimumWidth(150);
  layout->addWidget(howTo_);
  layout->addSpacing(8);
  struct Command {
    int id;
    const char* text;
    void (CRemoteDlg::*run)();
  };
  const Command commands[] = {{kApplyId, "应用参数", &CRemoteDlg::Apply},
                              {kLoadId, "载入参数", &CRemoteDlg::LoadFile},
                              {kSaveId, "保存参数", &CRemoteDlg::SaveFile}};
  for (const Command& c : commands) {
    auto* button = WithId(new QPushButton(QString::fromUtf8(c.text), column), c.id);
    button->setObjectName(QStringLiteral("backButton"));
    button->setAutoDefault(false);
    layout->addWidget(button);
    connect(button, &QPushButton::clicked, this, c.run);
  }
  layout->addStretch(1);
  auto* close = WithId(new QPushButton(QString::fromUtf8("关闭"), column), kCloseId);
  close->setObjectName(QStringLiteral("backButton"));
  close->setAutoDefault(false);
  layout->addWidget(close);
  closeButton_ = close;
  connect(close, &QPushButton::clicked, this, &CRemoteDlg::close);
  return column;
}

void CRemoteDlg::RefreshFromImage() {
  const RemoteCodes codes = ctx_.Model().Read([](const DeviceState& s) { return s.remote; });
  for (int n = 1; n <= kRemoteFunctionCount; ++n) {
    RemoteKeyButton* key = FunctionButton(n);
    key->SetCode(codes[static_cast<size_t>(n)]);
    key->setToolTip(key->Code() == 0 ? ctx_.T(kNotLearned)
                                     : ctx_.T(kCodeTip).arg(QString::asprintf("%02X", static_cast<unsigned>(key->Code()))));
  }
}

void CRemoteDlg::Relabel() {
  static constexpr ControlTip kTips[] = {
      {kApplyId, {"把所有学到的键码写入设备", "Write every learned key code into the device"}},
      {kLoadId, {"从电脑上的遥控文件 (.remo) 载入键码并写入设备", "Load the key codes from a remote file (.remo) on this PC into the device"}},
      {kSaveId, {"把设备的键码保存为电脑上的遥控文件 (.remo)", "Save the device's key codes to a remote file (.remo) on this PC"}},
      {kCloseId, {"关闭遥控学习窗口", "Close the remote-control window"}},
  };
  ApplyDialogTexts(this, kDialogNumber, ctx_.Table());
  ApplyControlTips(this, ctx_.Language(), kTips);
  howTo_->setText(ctx_.T(kHowTo));
  closeButton_->setText(ctx_.T(kClose));
  RefreshFromImage();
}

void CRemoteDlg::Learn(int function) {
  if (study_ || function < 1 || function > kRemoteFunctionCount) return;
  StartRemoteLearning(session_, function);
  auto* study = new CRemoteStudyDlg(ctx_, session_, function, this);
  study->setAttribute(Qt::WA_DeleteOnClose);
  study_ = study;
  ctx_.SetDialog(kSlotKeyLearning, study);
  connect(study, &QObject::destroyed, this, [this] { RefreshFromImage(); });
  study->show();
}

void CRemoteDlg::KeyLearned(int code) {
  if (study_) study_->ShowCode(code);
  RefreshFromImage();
}

void CRemoteDlg::Apply() {
  if (!ctx_.Connected()) {  // the link dropped while the window was open: nothing would be saved
    ShowInfoTip(ctx_, ctx_.T(kConnectFirst), 1100);
    return;
  }
  SendRemoteTable(session_);
  ShowInfoTip(ctx_, ctx_.T(kApplied), 1100);
}

void CRemoteDlg::LoadFile() {
  if (!ctx_.Connected()) {
    ShowInfoTip(ctx_, ctx_.T(kConnectFirst), 1100);
    return;
  }
  const QString chosen = prompts_.OpenFile(this, kFilter);
  if (chosen.isEmpty()) return;
  const std::filesystem::path path = RemoteFilePath(ToPath(chosen));
  if (const FileError error = LoadRemoteTable(session_, path)) {
    prompts_.Warn(this, QStringLiteral("Can't open file"),
                  QStringLiteral("Can't open file:\n%1\n%2").arg(FromPath(path),
                                                                 QString::fromStdString(error.message)));
    ShowInfoTip(ctx_, ctx_.T(kLoadFailed), 1100);
    return;
  }
  RefreshFromImage();
  ShowInfoTip(ctx_, ctx_.T(kLoaded), 1100);
}

void CRemoteDlg::SaveFile() {
  if (!ctx_.Connected()) {
    ShowInfoTip(ctx_, ctx_.T(kConnectFirst), 1100);
    return;
  }
  const QString chosen = prompts_.SaveFile(this, kFilter, QStringLiteral("remote"), QStringLiteral("remo"));
  if (chosen.isEmpty()) return;
  const std::filesystem::path path = RemoteFilePath(ToPath(chosen));
  const RemoteCodes table = ctx_.Model().Read([](const DeviceState& s) { return s.remote; });
  if (const FileError error = WriteRemoteFile(path, table)) {
    prompts_.Warn(this, QStringLiteral("Can't write to file"),
                  QStringLiteral("Errcode=%1,Can't write to file:\n%2\nProbaby it is write protected.")
                      .arg(error.code)
                      .arg(FromPath(path)));
    ShowInfoTip(ctx_, ctx_.T(kSaveFailed), 1100);
    return;
  }
  ShowInfoTip(ctx_, ctx_.T(kSaved), 1100);
}

}  // namespace nr::gui
