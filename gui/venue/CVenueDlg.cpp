#include "venue/CVenueDlg.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "session/NetScan.h"
#include "shell/AppContext.h"
#include "shell/CloseButton.h"
#include "shell/ControlTips.h"
#include "shell/Platform.h"
#include "shell/Prompts.h"
#include "shell/UserDirs.h"
#include "venue/CVenueRoomDlg.h"

namespace nr::gui {
namespace {

constexpr TextPair kTitle{"场所：所有包房", "Venue: all rooms"};
constexpr TextPair kColumns[CVenueDlg::kColumnCount] = {
    {"包房", "Room"},       {"地址", "Address"},      {"在线", "Online"},         {"型号", "Module"},
    {"固件", "Firmware"},   {"模式", "Mode"},         {"上次备份", "Last backup"}, {"核对结果", "Check result"},
    {"进度 / 结果", "Progress / result"},
};
struct ActionText {
  TextPair text;
  TextPair tip;
};
constexpr ActionText kActions[CVenueDlg::kActionCount] = {
    {{"扫描", "Scan"}, {"在子网中查找处理器，把新找到的加为包房（以地址命名）", "Look for processors on the subnet and add the new ones as rooms (named by address)"}},
    {{"刷新", "Refresh"}, {"询问每个包房：是否在线、型号、固件、模式、是否正为另一台电脑服务", "Ask every room: online or not, module, firmware, mode, serving another PC"}},
    {{"全部备份", "Back up all"}, {"把每个包房读入新建的备份文件夹（每个包房一个模式文件，另有汇总）", "Read every room into a new backup folder (one mode file a room, and a summary)"}},
    {{"推送预设…", "Push preset..."}, {"把一个模式文件写入所选包房（未选择时为所有包房），可存入模式槽", "Write a mode file into the chosen rooms (all rooms when none is chosen), and store it in a mode slot if wished"}},
    {{"核对预设…", "Check against..."}, {"读出所选包房并与一个模式文件比较：一致，或按页面列出不同项数", "Read the chosen rooms and compare them with a mode file: equal, or how many items differ, by page"}},
    {{"添加…", "Add..."}, {"添加一个包房：名称、地址、备注", "Add a room: name, address, note"}},
    {{"删除", "Remove"}, {"从场所中删除所选包房（会先询问）", "Remove the chosen rooms from the venue (asks first)"}},
    {{"重命名…", "Rename..."}, {"修改所选包房的名称、地址或备注", "Change the chosen room's name, address or note"}},
    {{"打开", "Open"}, {"让主窗口连接到所选包房（有未保存的修改时先询问）", "Connect the main window to the chosen room (asks first about unsaved edits)"}},
    {{"取消", "Cancel"}, {"停止正在进行的操作：进行中的包房中止，其余不再开始", "Stop the running operation: rooms under way stop, no other begins"}},
    {{"其他场所文件…", "Other venue file..."}, {"打开另一个场所文件", "Open another venue file"}},
    {{"选择…", "Choose..."}, {"选择备份存放的文件夹", "Choose the folder the backups go into"}},
};
constexpr TextPair kFileCaption{"场所文件：", "Venue file: "};
constexpr TextPair kFolderCaption{"备份到：", "Back up into:"};
constexpr TextPair kSubnetCaption{"子网：", "Subnet:"};
constexpr TextPair kVenueFilter{"场所文件 (*.json)", "Venue files (*.json)"};
constexpr TextPair kModeFilter{"模式文件 (*.mode)", "Mode Files (*.mode)"};

// How a cell says what it says: the colour repeats the words, never replaces them.
enum class Tone { kNone, kGood, kWarn, kBad, kMuted, kRunning };

void Paint(QTableWidgetItem* item, Tone tone) {
  struct Colours {
    const char* back;
    const char* text;
  };
  static constexpr Colours kTones[] = {
      {nullptr, nullptr}, {"#d8f0dc", "#1b5e20"}, {"#fde6c4", "#6d4300"},
      {"#f7d4d4", "#8b1a1a"}, {"#e6e6e6", "#424242"}, {"#dbe7f7", "#123c6e"},
  };
  const Colours& c = kTones[static_cast<int>(tone)];
  item->setBackground(c.back ? QBrush(QColor(c.back)) : QBrush());
  item->setForeground(c.text ? QBrush(QColor(c.text)) : QBrush());
}

Tone ToneOf(RoomOutcome outcome) {
  switch (outcome) {
    case RoomOutcome::kDone: return Tone::kGood;
    case RoomOutcome::kBusy: return Tone::kWarn;
    case RoomOutcome::kCancelled: return Tone::kMuted;
    case RoomOutcome::kOffline:
    case RoomOutcome::kFailed: break;
  }
  return Tone::kBad;
}

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

// The pages the comparison names, in the window's language.
QString PageTitle(const std::string& page, bool english) {
  const QString text = QString::fromStdString(page);
  if (english) return text;
  static const std::pair<const char*, const char*> kPages[] = {
      {"Microphones and music", "话筒与音乐"}, {"Echo and reverb", "回声与混响"}, {"Features", "特色功能"},
      {"Advanced EQ", "高级均衡"},           {"Record output", "录音输出"},   {"Sound field", "声场"},
      {"Other parameters", "其他参数"},
  };
  for (const auto& [en, zh] : kPages)
    if (page == en) return QString::fromUtf8(zh);
  if (page.starts_with("Output ")) return QString::fromUtf8("输出 ") + text.mid(7);
  return text;
}

QString DefaultBackupFolder() {
  return FromPath(DocumentsFolder() / "Venue backups");
}

}  // namespace

CVenueDlg::CVenueDlg(AppContext& ctx, Prompts& prompts, std::filesystem::path venueFile,
                     std::function<bool(const NetTarget&)> openRoom, QWidget* parent)
    : QDialog(parent), ctx_(ctx), prompts_(prompts), venueFile_(std::move(venueFile)), openRoom_(std::move(openRoom)) {
  backupFolder_ = ctx_.Settings().LastFolder(QStringLiteral("venue-backup"));
  if (backupFolder_.isEmpty()) backupFolder_ = DefaultBackupFolder();
  Build();
  LoadVenue();
  Relabel();
}

CVenueDlg::~CVenueDlg() {
  cancel_ = true;
  if (worker_.joinable()) worker_.join();  // the operation's rooms close at once once cancelled
}

QString CVenueDlg::T(const char* zh, const char* en) const { return ctx_.T(TextPair{zh, en}); }

void CVenueDlg::Build() {
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  for (int a = 0; a < kActionCount; ++a) buttons_[a] = new QPushButton(this);
  connect(buttons_[kScan], &QPushButton::clicked, this, [this] { Scan(subnet_->currentText()); });
  connect(buttons_[kRefresh], &QPushButton::clicked, this, [this] { Refresh(); });
  connect(buttons_[kBackUp], &QPushButton::clicked, this, [this] { BackUpAll(); });
  connect(buttons_[kPush], &QPushButton::clicked, this, [this] { AskPush(); });
  connect(buttons_[kCheckAgainst], &QPushButton::clicked, this, [this] { AskCheck(); });
  connect(buttons_[kAdd], &QPushButton::clicked, this, [this] { AskRoom(-1); });
  connect(buttons_[kRemove], &QPushButton::clicked, this, [this] {
    std::vector<int> rows = ChosenRows();
    if (table_->selectionModel()->selectedRows().isEmpty() || rows.empty()) return;
    QStringList names;
    for (int r : rows) names << FromUtf8(rows_[static_cast<size_t>(r)].room.name);
    if (prompts_.Ask(this, T("删除包房", "Remove rooms"), T("从场所中删除这些包房？\n", "Remove these rooms from the venue?\n") + names.join(QStringLiteral(", ")),
                     QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
      return;
    std::sort(rows.rbegin(), rows.rend());
    for (int r : rows) RemoveRoom(r);
  });
  connect(buttons_[kRename], &QPushButton::clicked, this, [this] {
    if (!table_->selectionModel()->selectedRows().isEmpty()) AskRoom(ChosenRows().front());
  });
  connect(buttons_[kOpen], &QPushButton::clicked, this, [this] {
    if (!table_->selectionModel()->selectedRows().isEmpty()) OpenRoom(ChosenRows().front());
  });
  connect(buttons_[kCancel], &QPushButton::clicked, this, &CVenueDlg::Cancel);
  connect(buttons_[kOtherVenue], &QPushButton::clicked, this, [this] {
    const QString path = prompts_.OpenFile(this, ctx_.T(kVenueFilter));
    if (!path.isEmpty()) OpenVenueFile(ToPath(path));
  });
  connect(buttons_[kChooseFolder], &QPushButton::clicked, this, [this] {
    const QString folder = QFileDialog::getExistingDirectory(this, ctx_.T(kFolderCaption), backupFolder_);
    if (!folder.isEmpty()) SetBackupFolder(folder);
  });

  fileLabel_ = new QLabel(this);
  fileLabel_->setTextFormat(Qt::PlainText);
  fileLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(fileLabel_, 1);
  fileRow->addWidget(buttons_[kOtherVenue]);

  table_ = new QTableWidget(0, kColumnCount, this);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->hide();
  // The last column takes the room left and elides a long reason (its tip holds all of it).
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setTextElideMode(Qt::ElideRight);
  table_->setWordWrap(false);
  connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { OpenRoom(row); });
  connect(table_, &QTableWidget::itemSelectionChanged, this, &CVenueDlg::UpdateButtons);

  subnet_ = new QComboBox(this);
  subnet_->setEditable(true);
  subnet_->setMinimumContentsLength(16);
  for (const Ipv4Subnet& s : LocalSubnets()) subnet_->addItem(FromUtf8(FormatSubnet(s)));
  if (subnet_->count() == 0) subnet_->addItem(QStringLiteral("192.168.1.0/24"));
  subnetCaption_ = new QLabel(this);

  auto* allRow = new QHBoxLayout;
  allRow->addWidget(subnetCaption_);
  allRow->addWidget(subnet_);
  for (Action a : {kScan, kRefresh, kBackUp, kPush, kCheckAgainst}) allRow->addWidget(buttons_[a]);
  allRow->addStretch();
  allRow->addWidget(buttons_[kCancel]);
  auto* roomRow = new QHBoxLayout;
  for (Action a : {kAdd, kRemove, kRename, kOpen}) roomRow->addWidget(buttons_[a]);
  roomRow->addStretch();
  folderCaption_ = new QLabel(this);
  folderLabel_ = new QLabel(this);
  folderLabel_->setTextFormat(Qt::PlainText);
  roomRow->addWidget(folderCaption_);
  roomRow->addWidget(folderLabel_);
  roomRow->addWidget(buttons_[kChooseFolder]);

  status_ = new QLabel(this);
  status_->setTextFormat(Qt::PlainText);
  status_->setWordWrap(true);
  status_->setMinimumHeight(status_->fontMetrics().height() * 2);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fileRow);
  layout->addWidget(table_, 1);
  layout->addLayout(allRow);
  layout->addLayout(roomRow);
  layout->addWidget(status_);
  layout->addLayout(CloseButtonRow(*this, ctx_));
  // Tab goes through the window as it reads: the file row, the rooms, then the rows of buttons
  // (the buttons were made before the table, in the order of their actions).
  QWidget* previous = buttons_[kOtherVenue];
  for (QWidget* next : std::initializer_list<QWidget*>{table_, subnet_, buttons_[kScan], buttons_[kRefresh], buttons_[kBackUp],
                                                       buttons_[kPush], buttons_[kCheckAgainst], buttons_[kCancel], buttons_[kAdd],
                                                       buttons_[kRemove], buttons_[kRename], buttons_[kOpen], buttons_[kChooseFolder]}) {
    setTabOrder(previous, next);
    previous = next;
  }
  resize(1080, 520);
}

void CVenueDlg::Relabel() {
  setWindowTitle(ctx_.T(kTitle));
  for (int a = 0; a < kActionCount; ++a) {
    buttons_[a]->setText(ctx_.T(kActions[a].text));
    buttons_[a]->setToolTip(ctx_.T(kActions[a].tip));
  }
  QStringList headers;
  for (const TextPair& c : kColumns) headers << ctx_.T(c);
  table_->setHorizontalHeaderLabels(headers);
  table_->setAccessibleName(ctx_.T(kTitle));
  fileLabel_->setText(ctx_.T(kFileCaption) + FromPath(venueFile_));
  folderCaption_->setText(ctx_.T(kFolderCaption));
  folderLabel_->setText(QDir::toNativeSeparators(backupFolder_));
  subnetCaption_->setText(ctx_.T(kSubnetCaption));
  // The box is typed into: its line edit is what a screen reader lands on.
  subnet_->setAccessibleName(T("要扫描的子网", "Subnet to scan"));
  subnet_->lineEdit()->setAccessibleName(subnet_->accessibleName());
  subnet_->setToolTip(T("要扫描的子网，例如 192.168.1.0/24（最多 /22）", "The subnet to scan, e.g. 192.168.1.0/24 (at most a /22)"));
  ShowRows();
  if (statusText_) status_->setText(statusText_());
  NameControlsForScreenReaders(this);
}

void CVenueDlg::RefreshFromImage() {
  if (!Busy()) LoadVenue();
}

void CVenueDlg::LoadVenue() {
  Venue venue;
  const VenueFileResult read = nr::LoadVenue(venueFile_, venue);
  if (!read.ok()) {
    // Nothing of the file is lost: it is not written while it is refused.
    venue_ = Venue{};
    const QString message = FromUtf8(read.message);
    SetStatus([this, message] { return T("场所文件无法读取：", "The venue file is refused: ") + message; }, true);
  } else {
    venue_ = std::move(venue);
  }
  // Rows keep what they showed for rooms of the same name.
  std::vector<RowState> rows;
  for (const Room& room : venue_.rooms) {
    RowState state;
    const auto old = std::find_if(rows_.begin(), rows_.end(), [&](const RowState& r) { return r.room.name == room.name; });
    if (old != rows_.end() && old->room.address == room.address) state = *old;
    state.room = room;
    rows.push_back(std::move(state));
  }
  rows_ = std::move(rows);
  ShowRows();
}

void CVenueDlg::ShowRows() {
  table_->setRowCount(static_cast<int>(rows_.size()));
  for (int r = 0; r < static_cast<int>(rows_.size()); ++r) ShowRow(r);
  FitColumns();
  UpdateButtons();
}

void CVenueDlg::ShowRow(int row) {
  const RowState& s = rows_[static_cast<size_t>(row)];
  const auto cell = [&](int column, const QString& text, Tone tone = Tone::kNone, const QString& tip = QString()) {
    QTableWidgetItem* item = table_->item(row, column);
    if (!item) {
      item = new QTableWidgetItem;
      table_->setItem(row, column, item);
    }
    item->setText(text);
    item->setToolTip(tip.isEmpty() ? text : tip);
    Paint(item, tone);
  };
  const QString dash = QStringLiteral("—");
  cell(kName, FromUtf8(s.room.name), Tone::kNone, s.room.note.empty() ? FromUtf8(s.room.name) : FromUtf8(s.room.note));
  cell(kAddress, FromUtf8(s.room.address));

  // What the last status query found.
  if (!s.status) {
    for (int c : {kOnline, kModule, kFirmware, kMode}) cell(c, dash);
  } else {
    const RoomResult& st = *s.status;
    const RoomIdentity& id = st.identity;
    const QString detail = FromUtf8(st.message);
    switch (st.outcome) {
      case RoomOutcome::kDone: cell(kOnline, T("在线", "online"), Tone::kGood); break;
      case RoomOutcome::kBusy: cell(kOnline, T("在线，正为另一台电脑服务", "online, serving another PC"), Tone::kWarn); break;
      case RoomOutcome::kOffline: cell(kOnline, T("离线", "offline"), Tone::kBad, detail); break;
      case RoomOutcome::kFailed: cell(kOnline, T("出错", "error"), Tone::kBad, detail); break;
      case RoomOutcome::kCancelled: cell(kOnline, T("未询问", "not asked"), Tone::kMuted); break;
    }
    cell(kModule, id.module.empty() ? dash : FromUtf8(id.module));
    cell(kFirmware, id.mcuVersion.empty() ? dash : QStringLiteral("MCU %1 / DSP %2").arg(FromUtf8(id.mcuVersion), FromUtf8(id.dspVersion)));
    cell(kMode, id.mode >= 0 ? QStringLiteral("M%1").arg(id.mode + 1) : dash);
  }
  cell(kLastBackup, s.room.lastBackup.empty() ? dash : FromUtf8(s.room.lastBackup));

  // The last check.
  if (!s.check) {
    cell(kCheck, dash);
  } else if (!s.check->check) {
    cell(kCheck, T("未能读出", "not read"), Tone::kMuted, FromUtf8(s.check->message));
  } else if (s.check->check->equal) {
    cell(kCheck, T("一致", "equal"), Tone::kGood);
  } else {
    QStringList pages;
    for (const PageDifferences& p : s.check->check->pages)
      pages << QStringLiteral("%1 %2").arg(PageTitle(p.page, ctx_.Language() == Language::English)).arg(p.count);
    const int n = s.check->check->differences;
    const QString text = (ctx_.Language() == Language::English ? QStringLiteral("%1 %2: ").arg(n).arg(n == 1 ? "difference" : "differences")
                                               : QStringLiteral("%1 处不同：").arg(n)) + pages.join(QStringLiteral(", "));
    cell(kCheck, text, Tone::kWarn);
  }

  // The running operation's step here, or the last one's result.
  if (s.progress) {
    QString text;
    switch (s.progress->step) {
      case RoomStep::kWaiting: text = T("等待", "waiting"); break;
      case RoomStep::kConnecting: text = T("连接中…", "connecting..."); break;
      case RoomStep::kReading: text = T("读取 %1/70", "reading %1/70").arg(s.progress->chunks); break;
      case RoomStep::kWriting: text = T("写入 %1/70", "writing %1/70").arg(s.progress->chunks); break;
      case RoomStep::kStoring: text = T("存入模式中…", "storing..."); break;
      case RoomStep::kEnded: text = T("结束", "ended"); break;
    }
    cell(kProgress, text, Tone::kRunning);
  } else if (s.last) {
    const RoomResult& r = *s.last;
    QString word;
    if (r.ok()) {
      switch (s.lastOperation) {
        case Operation::kStatus: word = T("已询问", "asked"); break;
        case Operation::kBackup: word = T("已备份", "saved"); break;
        case Operation::kPush:
          word = s.lastSlot >= 0 ? T("已推送并存入 M%1", "pushed, stored in M%1").arg(s.lastSlot + 1) : T("已推送", "pushed");
          break;
        case Operation::kCheck: word = T("已核对", "checked"); break;
        case Operation::kScan:
        case Operation::kNone: word = T("完成", "done"); break;
      }
    } else {
      switch (r.outcome) {
        case RoomOutcome::kOffline: word = T("离线", "offline"); break;
        case RoomOutcome::kBusy: word = T("忙：正为另一台电脑服务", "busy: serving another PC"); break;
        case RoomOutcome::kCancelled: word = T("已停止", "stopped"); break;
        case RoomOutcome::kFailed:
        case RoomOutcome::kDone: word = T("失败", "failed"); break;
      }
    }
    // The reason comes from the core in English; the Chinese window keeps it in the cell's tip.
    const QString detail = FromUtf8(r.message);
    const QString text = detail.isEmpty() || ctx_.Language() != Language::English ? word : word + QStringLiteral(": ") + detail;
    cell(kProgress, text, ToneOf(r.outcome), detail.isEmpty() ? text : word + QStringLiteral(": ") + detail);
  } else {
    cell(kProgress, QString());
  }
}

void CVenueDlg::FitColumns() {
  for (int c = 0; c < kProgress; ++c) table_->resizeColumnToContents(c);
}

void CVenueDlg::UpdateButtons() {
  const bool busy = Busy();
  const bool any = !rows_.empty();
  const bool chosen = !table_->selectionModel()->selectedRows().isEmpty();
  buttons_[kScan]->setEnabled(!busy);
  for (Action a : {kRefresh, kBackUp, kPush, kCheckAgainst}) buttons_[a]->setEnabled(!busy && any);
  buttons_[kAdd]->setEnabled(!busy);
  buttons_[kRemove]->setEnabled(!busy && chosen);
  buttons_[kRename]->setEnabled(!busy && table_->selectionModel()->selectedRows().size() == 1);
  buttons_[kOpen]->setEnabled(!busy && table_->selectionModel()->selectedRows().size() == 1);
  buttons_[kCancel]->setEnabled(busy && !cancel_);
  buttons_[kOtherVenue]->setEnabled(!busy);
  buttons_[kChooseFolder]->setEnabled(!busy);
}

std::vector<int> CVenueDlg::ChosenRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : table_->selectionModel()->selectedRows()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  if (rows.empty())
    for (int r = 0; r < static_cast<int>(rows_.size()); ++r) rows.push_back(r);
  return rows;
}

void CVenueDlg::SetStatus(std::function<QString()> text, bool problem) {
  statusText_ = std::move(text);
  statusProblem_ = problem;
  status_->setText(statusText_ ? statusText_() : QString());
  status_->setStyleSheet(problem ? QStringLiteral("color: #8b1a1a;") : QString());
}

void CVenueDlg::SetBackupFolder(const QString& folder) {
  backupFolder_ = folder;
  ctx_.Settings().SetLastFolder(QStringLiteral("venue-backup"), folder);
  folderLabel_->setText(QDir::toNativeSeparators(folder));
}

// ---- Running an operation ----------------------------------------------------------------------

bool CVenueDlg::Start(Operation operation, const std::vector<int>& rows, Body body) {
  if (Busy()) return false;
  std::vector<Room> rooms;
  for (int r : rows) rooms.push_back(rows_[static_cast<size_t>(r)].room);
  running_ = operation;
  runRows_ = rows;
  cancel_ = false;
  for (int r : rows) {
    RowState& s = rows_[static_cast<size_t>(r)];
    s.progress = RoomProgress{static_cast<size_t>(r), RoomStep::kWaiting, 0};
    ShowRow(r);
  }
  VenueRun run;
  // Progress and results reach the window queued: the window never waits for a room.
  run.progress = [this](const RoomProgress& p) { QMetaObject::invokeMethod(this, [this, p] { OnProgress(p); }, Qt::QueuedConnection); };
  run.finished = [this](const RoomResult& r) { QMetaObject::invokeMethod(this, [this, r] { OnRoomFinished(r); }, Qt::QueuedConnection); };
  run.stop = [this] { return cancel_.load(); };
  worker_ = std::thread([this, run = std::move(run), rooms = std::move(rooms), body = std::move(body)] {
    Finish finish = body(run, rooms);
    QMetaObject::invokeMethod(this, [this, finish] { OnFinished(finish); }, Qt::QueuedConnection);
  });
  UpdateButtons();
  return true;
}

void CVenueDlg::OnProgress(const RoomProgress& p) {
  if (p.room >= runRows_.size()) return;
  const int row = runRows_[p.room];
  RowState& s = rows_[static_cast<size_t>(row)];
  if (!s.progress || p.step == RoomStep::kEnded) return;  // its result is in
  s.progress = p;
  ShowRow(row);
}

void CVenueDlg::OnRoomFinished(const RoomResult& r) {
  if (r.room >= runRows_.size()) return;
  const int row = runRows_[r.room];
  RowState& s = rows_[static_cast<size_t>(row)];
  s.progress.reset();
  s.last = r;
  s.lastOperation = running_;
  s.lastSlot = runSlot_;
  if (running_ == Operation::kStatus) s.status = r;
  if (running_ == Operation::kCheck) s.check = r;
  if (r.ok() && (running_ == Operation::kStatus || running_ == Operation::kCheck || running_ == Operation::kBackup)) {
    // A room read whole has said who it is as well.
    if (!s.status) s.status = r;
    s.status->identity.module = r.identity.module;
    s.status->identity.mcuVersion = r.identity.mcuVersion;
    s.status->identity.dspVersion = r.identity.dspVersion;
    s.status->outcome = RoomOutcome::kDone;
  }
  ShowRow(row);
}

void CVenueDlg::OnFinished(const Finish& finish) {
  if (worker_.joinable()) worker_.join();  // it has posted its last word
  for (int r : runRows_) {
    rows_[static_cast<size_t>(r)].progress.reset();
    ShowRow(r);
  }
  running_ = Operation::kNone;
  runRows_.clear();
  if (finish) finish();
  FitColumns();
  UpdateButtons();
  emit operationFinished();
  if (closeWhenIdle_) deleteLater();
}

void CVenueDlg::Cancel() {
  if (!Busy()) return;
  cancel_ = true;
  SetStatus([this] { return T("正在停止…", "Stopping..."); });
  UpdateButtons();
}

void CVenueDlg::closeEvent(QCloseEvent* event) {
  if (Busy()) {
    // The rooms under way stop; the window goes when the operation has ended, never waiting here.
    Cancel();
    closeWhenIdle_ = testAttribute(Qt::WA_DeleteOnClose);
    hide();
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

namespace {

// "15 of 16 rooms" and the like, for the status line.
int Succeeded(const std::vector<RoomResult>& results) {
  return static_cast<int>(std::count_if(results.begin(), results.end(), [](const RoomResult& r) { return r.ok(); }));
}

}  // namespace

bool CVenueDlg::Refresh() {
  std::vector<int> all;
  for (int r = 0; r < static_cast<int>(rows_.size()); ++r) all.push_back(r);
  if (all.empty()) return false;
  SetStatus([this] { return T("正在询问每个包房…", "Asking every room..."); });
  return Start(Operation::kStatus, all, [this](const VenueRun& run, const std::vector<Room>& rooms) -> Finish {
    const std::vector<RoomResult> results = QueryRooms(rooms, run);
    const int online = static_cast<int>(std::count_if(results.begin(), results.end(), [](const RoomResult& r) {
      return r.ok() || r.outcome == RoomOutcome::kBusy;
    }));
    const int total = static_cast<int>(results.size());
    return [this, online, total] {
      SetStatus([this, online, total] { return T("%1 个包房中 %2 个在线", "%2 of %1 rooms online").arg(total).arg(online); }, online < total);
    };
  });
}

bool CVenueDlg::BackUpAll() {
  std::vector<int> all;
  for (int r = 0; r < static_cast<int>(rows_.size()); ++r) all.push_back(r);
  if (all.empty()) return false;
  const std::filesystem::path into = ToPath(backupFolder_);
  const std::filesystem::path venueFile = venueFile_;
  SetStatus([this] { return T("正在备份所有包房…", "Backing up every room..."); });
  return Start(Operation::kBackup, all, [this, into, venueFile](const VenueRun& run, const std::vector<Room>& rooms) -> Finish {
    const BackupSummary summary = BackupRooms(rooms, into, std::chrono::system_clock::now(), run);
    std::string noteError;
    if (!summary.folder.empty()) noteError = NoteBackup(venueFile, rooms, summary);
    const int saved = Succeeded(summary.rooms), total = static_cast<int>(rooms.size());
    const QString folder = FromPath(summary.folder);
    const QString error = FromUtf8(summary.error.empty() ? noteError : summary.error);
    return [this, saved, total, folder, error] {
      LoadVenue();  // the rooms' last backups
      if (folder.isEmpty()) {
        SetStatus([this, error] { return T("无法备份：", "Could not back up: ") + error; }, true);
        return;
      }
      SetStatus([this, saved, total, folder, error] {
        QString text = T("备份：%1 个包房中 %2 个已保存到 %3", "Backup: %2 of %1 rooms saved in %3").arg(total).arg(saved).arg(folder);
        if (!error.isEmpty()) text += QStringLiteral("\n") + error;
        return text;
      }, saved < total || !error.isEmpty());
    };
  });
}

bool CVenueDlg::PushPreset(const QString& file, int slot, const std::vector<int>& rows) {
  if (rows.empty() || Busy()) return false;
  DeviceState preset;
  const ModeFileResult read = ReadPreset(ToPath(file), preset);
  if (!read.ok()) {
    // Refused before any room is reached.
    const QString message = FromUtf8(read.message);
    SetStatus([this, file, message] { return T("预设文件无法使用：", "The preset file is refused: ") + file + QStringLiteral(": ") + message; }, true);
    return false;
  }
  runSlot_ = slot;
  const std::filesystem::path path = ToPath(file);
  SetStatus([this] { return T("正在推送预设…", "Pushing the preset..."); });
  return Start(Operation::kPush, rows, [this, path, slot](const VenueRun& run, const std::vector<Room>& rooms) -> Finish {
    const std::vector<RoomResult> results = PushToRooms(rooms, path, slot, run);
    const int done = Succeeded(results), total = static_cast<int>(results.size());
    return [this, done, total] {
      runSlot_ = -1;
      SetStatus([this, done, total] { return T("推送：%1 个包房中 %2 个成功", "Push: %2 of %1 rooms done").arg(total).arg(done); }, done < total);
    };
  });
}

bool CVenueDlg::CheckAgainst(const QString& file, const std::vector<int>& rows) {
  if (rows.empty() || Busy()) return false;
  DeviceState reference;
  const ModeFileResult read = ReadPreset(ToPath(file), reference);
  if (!read.ok()) {
    const QString message = FromUtf8(read.message);
    SetStatus([this, file, message] { return T("预设文件无法使用：", "The preset file is refused: ") + file + QStringLiteral(": ") + message; }, true);
    return false;
  }
  const QString name = QFileInfo(file).fileName();
  SetStatus([this, name] { return T("正在与 %1 核对…", "Checking against %1...").arg(name); });
  return Start(Operation::kCheck, rows, [this, reference, name](const VenueRun& run, const std::vector<Room>& rooms) -> Finish {
    const std::vector<RoomResult> results = CheckRooms(rooms, reference, run);
    int equal = 0, differ = 0;
    for (const RoomResult& r : results) {
      if (r.check && r.check->equal) ++equal;
      if (r.check && !r.check->equal) ++differ;
    }
    const int unread = static_cast<int>(results.size()) - equal - differ;
    return [this, name, equal, differ, unread] {
      SetStatus([this, name, equal, differ, unread] {
        return T("与 %1 核对：%2 个一致，%3 个不同，%4 个未能读出", "Checked against %1: %2 equal, %3 different, %4 not read")
            .arg(name).arg(equal).arg(differ).arg(unread);
      }, differ + unread > 0);
    };
  });
}

bool CVenueDlg::Scan(const QString& subnetText) {
  if (Busy()) return false;
  std::string error;
  const std::optional<Ipv4Subnet> subnet = ParseSubnet(subnetText.trimmed().toStdString(), error);
  if (!subnet) {
    const QString why = FromUtf8(error);
    SetStatus([this, why] { return T("子网不可用：", "No subnet: ") + why; }, true);
    return false;
  }
  const std::filesystem::path venueFile = venueFile_;
  SetStatus([this] { return T("正在扫描…", "Scanning..."); });
  return Start(Operation::kScan, {}, [this, subnet = *subnet, venueFile](const VenueRun& run, const std::vector<Room>&) -> Finish {
    ScanOptions options;
    options.stop = run.stop;
    options.progress = [this](int done, int total) {
      QMetaObject::invokeMethod(this, [this, done, total] {
        SetStatus([this, done, total] { return T("正在扫描：%1/%2 个地址", "Scanning: %1/%2 addresses").arg(done).arg(total); });
      }, Qt::QueuedConnection);
    };
    const std::vector<ScanHit> hits = ScanSubnet(subnet, options);
    ScanMerge merge;
    const VenueEditResult edited = EditVenueFile(venueFile, [&](Venue& venue) {
      merge = MergeScan(venue, hits, options.port);
      return std::string();
    });
    const int added = static_cast<int>(merge.added.size()), known = static_cast<int>(merge.known.size());
    const QString error = edited.outcome == VenueEditOutcome::kSaved ? QString() : FromUtf8(edited.message);
    const QString where = FromUtf8(FormatSubnet(subnet));
    return [this, added, known, error, where] {
      LoadVenue();
      if (!error.isEmpty()) return SetStatus([this, error] { return T("无法记下扫描结果：", "The scan's rooms were not kept: ") + error; }, true);
      SetStatus([this, added, known, where] {
        return T("扫描 %1：新增 %2 个包房，%3 个已在场所中", "Scan of %1: %2 rooms added, %3 already in the venue").arg(where).arg(added).arg(known);
      });
    };
  });
}

// ---- Rooms ---------------------------------------------------------------------------------------

bool CVenueDlg::EditVenue(const std::function<std::string(Venue&)>& edit, std::string& problem) {
  const VenueEditResult result = EditVenueFile(venueFile_, edit);
  problem = result.outcome == VenueEditOutcome::kSaved ? std::string() : result.message;
  LoadVenue();
  if (!problem.empty()) {
    const QString message = FromUtf8(problem);
    SetStatus([message] { return message; }, true);
  }
  return problem.empty();
}

std::string CVenueDlg::AddRoom(const Room& room) {
  if (Busy()) return "an operation runs";
  std::string problem;
  EditVenue([&](Venue& venue) { return nr::AddRoom(venue, room); }, problem);
  return problem;
}

std::string CVenueDlg::RemoveRoom(int row) {
  if (Busy() || row < 0 || row >= static_cast<int>(rows_.size())) return "no such room";
  const std::string name = rows_[static_cast<size_t>(row)].room.name;
  std::string problem;
  EditVenue([&](Venue& venue) { return nr::RemoveRoom(venue, name); }, problem);
  return problem;
}

std::string CVenueDlg::EditRoom(int row, const Room& changed) {
  if (Busy() || row < 0 || row >= static_cast<int>(rows_.size())) return "no such room";
  const std::string name = rows_[static_cast<size_t>(row)].room.name;
  std::string problem;
  EditVenue([&](Venue& venue) {
    Venue edited = venue;
    if (std::string p = nr::RenameRoom(edited, name, changed.name); !p.empty()) return p;
    Room* room = edited.Find(changed.name);
    const std::optional<NetTarget> target = RoomTarget(changed.address);
    if (!target) return "\"" + changed.address + "\" is no network address";
    for (const Room& other : edited.rooms)
      if (&other != room && RoomTarget(other.address) == target) return "\"" + changed.address + "\" is already the address of room \"" + other.name + "\"";
    room->address = changed.address;
    room->note = changed.note;
    venue = std::move(edited);
    return std::string();
  }, problem);
  return problem;
}

void CVenueDlg::AskRoom(int row) {
  const bool adding = row < 0;
  const Room room = adding ? Room{} : rows_[static_cast<size_t>(row)].room;
  const Venue venue = venue_;
  auto* dialog = new CVenueRoomDlg(ctx_, room, adding, [venue, room, adding](const Room& entered) {
    Venue trial = venue;
    if (adding) return nr::AddRoom(trial, entered);
    if (std::string p = nr::RenameRoom(trial, room.name, entered.name); !p.empty()) return p;
    for (const Room& other : trial.rooms)
      if (other.name != entered.name && RoomTarget(other.address) == RoomTarget(entered.address))
        return "\"" + entered.address + "\" is already the address of room \"" + other.name + "\"";
    return std::string();
  }, this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  connect(dialog, &QDialog::accepted, this, [this, dialog, row, adding] {
    if (adding)
      AddRoom(dialog->Entered());
    else
      EditRoom(row, dialog->Entered());
  });
  dialog->open();
}

bool CVenueDlg::OpenRoom(int row) {
  if (row < 0 || row >= static_cast<int>(rows_.size()) || !openRoom_) return false;
  const Room& room = rows_[static_cast<size_t>(row)].room;
  const std::optional<NetTarget> target = RoomTarget(room.address);
  if (!target) return false;
  const bool started = openRoom_(*target);
  const QString name = FromUtf8(room.name);
  if (started) SetStatus([this, name] { return T("主窗口正在连接 %1…", "The main window connects to %1...").arg(name); });
  return started;
}

bool CVenueDlg::OpenVenueFile(const std::filesystem::path& path) {
  if (Busy()) return false;
  venueFile_ = path;
  rows_.clear();
  SetStatus({});
  LoadVenue();
  Relabel();
  return true;
}

void CVenueDlg::AskPush() {
  const QString file = prompts_.OpenFile(this, ctx_.T(kModeFilter));
  if (file.isEmpty()) return;
  const std::vector<int> rows = ChosenRows();
  const QStringList choices{T("不存入模式", "Do not store"), QStringLiteral("M1"), QStringLiteral("M2"), QStringLiteral("M3"), QStringLiteral("M4")};
  const int choice = prompts_.Choose(this, T("推送预设", "Push preset"),
                                     T("把 %1 写入 %2 个包房。写入后存入哪个模式？", "Write %1 into %2 rooms. Store it in which mode afterwards?")
                                         .arg(QFileInfo(file).fileName()).arg(rows.size()),
                                     choices, 0);
  if (choice < 0) return;
  PushPreset(file, choice - 1, rows);
}

void CVenueDlg::AskCheck() {
  const QString file = prompts_.OpenFile(this, ctx_.T(kModeFilter));
  if (!file.isEmpty()) CheckAgainst(file, ChosenRows());
}

}  // namespace nr::gui
