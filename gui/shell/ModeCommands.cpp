#include "shell/ModeCommands.h"

#include <QApplication>
#include <QFileInfo>

#include "shell/AppContext.h"
#include "shell/CInfoDlg.h"
#include "shell/CSyncDlg.h"
#include "shell/EditHistory.h"
#include "shell/InputSourceClamp.h"
#include "shell/ModeFile.h"
#include "shell/Platform.h"
#include "shell/Prompts.h"

namespace nr::gui {
namespace {

const QString kFilter = QStringLiteral("Mode Files (*.mode)");
const char* const kNumberZh[4] = {"一", "二", "三", "四"};
const TextPair kInformation{"信息", "Information"};
const TextPair kConnectFirst{"请先连接设备!", "Please connect device!"};
const TextPair kSavedTo{"已保存到文件 %1", "Saved to %1"};
const TextPair kLoadChanged{"参数已更改，确定要直接载入模式%1?", "Setting changed ! Are you sure load mode%1?"};
const TextPair kSaveToMode{"确定要保存至机器模式%1?", "Save to machine mode %1?"};
const TextPair kSavingMode{"正在储存模式%1,请稍等", "Saving Mode %1 ……"};

QString ModeNumber(gui::Language language, int mode) {
  return language == Language::English ? QString::number(mode + 1) : QString::fromUtf8(kNumberZh[mode]);
}

}  // namespace

ModeCommands::ModeCommands(AppContext& ctx, Prompts& prompts, SyncDialogOwner& sync, QWidget* window)
    : ctx_(ctx), prompts_(prompts), sync_(sync), window_(window) {}

int ModeCommands::SlotFromFileName(const QString& path) {
  QString name = QFileInfo(path).fileName();
  const int dot = name.lastIndexOf('.');
  if (dot >= 0) name = name.left(dot);
  name = name.toLower();
  for (int slot = 0; slot < 4; ++slot)
    if (name.startsWith(QStringLiteral("m%1").arg(slot + 1))) return slot;
  return -1;
}

bool ModeCommands::RequireConnection() {
  if (ctx_.Connected()) return true;
  CInfoDlg::Of(ctx_).ShowTip(ctx_.T(kConnectFirst), 1100);
  return false;
}

void ModeCommands::LoadDeviceMode(int mode) {
  if (!ctx_.Connected() || mode < 0 || mode > 3) return;
  const bool modified =
      ctx_.Model().Read([](const DeviceState& s) { return s.deviceModified; }) || ctx_.Document().Modified();
  if (modified) {
    const QString text = ctx_.T(kLoadChanged).arg(ModeNumber(ctx_.Language(), mode));
    if (prompts_.Ask(window_, ctx_.T(kInformation), text, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
      return;
  }
  SwitchSlot(mode, ModeCommand::kLoad);
}

void ModeCommands::ScreenReplaced() {
  ctx_.History().Clear();
  if (!ctx_.Document().IsOpen()) return;
  ctx_.Document().Close();
  ctx_.Conn().Sync().CancelReadHold();  // armed for the file: the user now asked for other values
}

void ModeCommands::SwitchSlot(int mode, ModeCommand command) {
  ScreenReplaced();
  sync_.Show();  // the device answers 05 or 06 and the read-all follows
  ctx_.Conn().Modes().Start(command, mode);
}

void ModeCommands::SaveDeviceMode(int mode) {
  if (!ctx_.Connected() || mode < 0 || mode > 3) return;
  const QString text = ctx_.T(kSaveToMode).arg(ModeNumber(ctx_.Language(), mode));
  if (prompts_.Ask(window_, ctx_.T(kInformation), text, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
    return;
  storeTips_.push_back(true);  // said once the device has had its time to store
  ctx_.Conn().Modes().Start(ModeCommand::kStore, mode);
}

void ModeCommands::FactoryMode(int mode) {
  if (!ctx_.Connected() || mode < 0 || mode > 3) return;
  SwitchSlot(mode, ModeCommand::kFactoryRestore);
}

void ModeCommands::OnModeCommandFinished(const ModeCommandResult& result) {
  const bool store = result.command == ModeCommand::kStore;
  bool tip = false;
  if (store && !storeTips_.empty()) {
    tip = storeTips_.front();
    storeTips_.pop_front();
  }
  if (!result.sent) {
    if (!store) sync_.Close();  // no read will follow
    const TextPair notSent{"模式命令没有发到设备：连接已断开。", "The mode command did not reach the device: the link is closed."};
    CInfoDlg::Of(ctx_).ShowTip(ctx_.T(notSent), 2500);
    return;
  }
  if (!tip) return;
  const int mode = result.slot;
  const QString text = ctx_.T(kSavingMode).arg(ModeNumber(ctx_.Language(), mode));
  CInfoDlg::Of(ctx_).ShowTip(text, 2500);
}

void ModeCommands::ShowRefusal(const ModeFileResult& result, QWidget* parent) {
  // The reason names the path: missing, unreadable, or not a regular file at all.
  if (result.error == ModeFileError::kCannotOpen)
    prompts_.Warn(parent, QStringLiteral("Can't open file"),
                  QStringLiteral("Errcode=%1,Can't open file:\n%2")
                      .arg(result.systemError)
                      .arg(QString::fromStdString(result.message)));
  // Every refusal ends with the same notice; the reason goes along for the installer.
  prompts_.Inform(parent, QStringLiteral("Info"),
                  QStringLiteral("Mode file version not support!") +
                      (result.error == ModeFileError::kBadVersion || result.error == ModeFileError::kCannotOpen
                           ? QString()
                           : QStringLiteral("\n") + QString::fromStdString(result.message)));
}

bool ModeCommands::LoadIntoDevice(const QString& path, QWidget* messageParent) {
  const ModeFileResult result = ReadModeFile(ToPath(path), ctx_.Model());
  if (!result.ok()) {
    ShowRefusal(result, messageParent);
    return false;
  }
  ScreenReplaced();
  ctx_.Conn().Sync().StartBulkWrite();
  sync_.Show();
  return true;
}

void ModeCommands::LoadFile() {
  if (!ctx_.Connected() && ctx_.Document().IsOpen()) {  // editing offline: another file, offline too
    const QString path = prompts_.OpenFile(window_, kFilter);
    if (!path.isEmpty() && OfferToSaveChanges()) OpenOffline(path);
    return;
  }
  if (!RequireConnection()) return;
  const QString path = prompts_.OpenFile(window_, kFilter);
  if (path.isEmpty()) return;
  const int slot = SlotFromFileName(path);
  ctx_.Model().Update([&](DeviceState& s) { s.pendingModeSlot = slot; });
  if (LoadIntoDevice(path, window_)) {
    ctx_.Settings().AddRecentFile(path);
    emit recentFilesChanged();
  } else {
    ctx_.Model().Update([](DeviceState& s) { s.pendingModeSlot = -1; });  // nothing to store
  }
}

bool ModeCommands::OpenFile(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) {
    prompts_.Inform(window_, QStringLiteral("文件打开错误"), QStringLiteral("文件不存在！"));
    return false;
  }
  if (info.suffix().compare(QStringLiteral("mode"), Qt::CaseInsensitive) != 0) return false;
  if (!ctx_.Connected()) return true;
  QWidget* foreground = QApplication::activeWindow() ? QApplication::activeWindow() : window_;
  if (LoadIntoDevice(path, foreground)) {
    ctx_.Settings().AddRecentFile(path);
    emit recentFilesChanged();
  }
  return true;
}

void ModeCommands::StoreIntoCurrentSlot() {
  if (!ctx_.Connected()) return;  // the file alone keeps the parameters
  storeTips_.push_back(false);
  ctx_.Conn().Modes().StartStoreIntoCurrentSlot();
}

void ModeCommands::WarnNotWritten(const ModeFileResult& result, const QString& path) {
  prompts_.Warn(window_, QStringLiteral("Can't write to file"),
                QStringLiteral("Errcode=%1,Can't write to file:\n%2\nProbaby it is write protected.")
                    .arg(result.systemError)
                    .arg(path));
}

bool ModeCommands::WriteFile(const QString& path) {
  const ModeFileResult result = WriteModeFile(ToPath(path), ctx_.Model());
  if (!result.ok()) {
    WarnNotWritten(result, path);
    return false;
  }
  ctx_.Settings().AddRecentFile(path);
  emit recentFilesChanged();
  return true;
}

bool ModeCommands::OpenOffline(const QString& path, const std::function<void()>& beforeLoad) {
  ModeFileContents contents;
  if (const ModeFileResult checked = ReadModeFileContents(ToPath(path), contents); !checked.ok()) {
    ShowRefusal(checked, window_);
    return false;
  }
  if (beforeLoad) beforeLoad();
  const ModeFileResult result = ctx_.Document().Open(path);
  if (!result.ok()) {  // changed on disk since the check
    ShowRefusal(result, window_);
    return false;
  }
  ctx_.History().Clear();
  ctx_.Settings().AddRecentFile(path);
  emit recentFilesChanged();
  emit offlinePresetOpened();
  return true;
}

bool ModeCommands::SaveDocument(const QString& path) {
  const ModeFileResult result = ctx_.Document().Save(path);
  if (!result.ok()) {
    WarnNotWritten(result, path.isEmpty() ? ctx_.Document().Path() : path);
    return false;
  }
  ctx_.Settings().AddRecentFile(ctx_.Document().Path());
  emit recentFilesChanged();
  return true;
}

// Saving writes the PC's image, which needs no device: edits made while the link was down can
// always be kept. With a device, its current slot stores the same parameters.
void ModeCommands::SaveFile() {
  if (!ctx_.Document().IsOpen()) return SaveFileAs();
  StoreIntoCurrentSlot();
  if (SaveDocument()) ConfirmSaved(ctx_.Document().Path());
}

void ModeCommands::SaveFileAs() {
  const QString path = AskSavePath(ctx_.Document().IsOpen() ? ctx_.Document().FileName() : QStringLiteral("name"));
  if (path.isEmpty()) return;
  StoreIntoCurrentSlot();  // the device slot and the file then hold the same parameters
  if (ctx_.Document().IsOpen() ? SaveDocument(path) : WriteFile(path)) ConfirmSaved(path);
}

bool ModeCommands::SaveScreenToFile() {
  if (ctx_.Document().IsOpen()) return SaveDocument();
  const QString path = AskSavePath(QStringLiteral("name"));
  if (path.isEmpty() || !WriteFile(path)) return false;
  ConfirmSaved(path);
  return true;
}

void ModeCommands::SendScreenToDevice() {
  if (!ctx_.Connected()) return;
  ctx_.Model().Update([](DeviceState& s) {
    s.image = ScreenImage(s);  // band edits live in the EQ table
    // A preset edited offline may come from another model: its source must be one this device has.
    const uint8_t source = s.image[kInputSourceByte];
    ClampInputSource(s.info.ModuleName(), s.image);
    if (s.image[kInputSourceByte] != source) ApplyImage(s);
  });
  ctx_.Conn().Sync().StartBulkWrite();
  sync_.Show();
}

QString ModeCommands::AskSavePath(const QString& defaultName) {
  return prompts_.SaveFile(window_, kFilter, defaultName, QStringLiteral("mode"));
}

void ModeCommands::ConfirmSaved(const QString& path) {
  CInfoDlg::Of(ctx_).ShowTip(ctx_.T(kSavedTo).arg(QFileInfo(path).fileName()), 2500);
}

bool ModeCommands::OfferToSaveChanges() {
  // Changed on the device, or edited on the PC and kept nowhere yet (made without a link).
  PresetDocument& document = ctx_.Document();
  const bool modified = document.IsOpen() ? document.Modified() || ctx_.Model().Read([](const DeviceState& s) { return s.deviceModified; })
                                          : ctx_.Model().Read([](const DeviceState& s) { return s.deviceModified || HasUnkeptEdits(s); });
  if (!modified) return true;
  const TextPair connected{"参数已改动，请问是否需要保存?\r\n提示：保存成电脑文件并同时保存至机器的当前模式",
                           "parameter value is changed, do you want save it ?"};
  // Without a device nothing can go into its mode: the question promises only the file.
  const TextPair offline{"参数已改动，请问是否需要保存?\r\n提示：保存成电脑文件（没有连接设备，机器中的模式不变）",
                         "parameter value is changed, do you want save it ?\r\n(No device is connected: it is saved to a file only.)"};
  const TextPair& question = ctx_.Connected() ? connected : offline;
  const TextPair title{"保存?", "Save?"};
  const auto answer = prompts_.Ask(window_, ctx_.T(title), ctx_.T(question),
                                   QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  if (answer == QMessageBox::Cancel) return false;
  if (answer == QMessageBox::Yes && document.IsOpen()) {
    StoreIntoCurrentSlot();
    return SaveDocument();  // not saved: stay
  }
  if (answer == QMessageBox::Yes) {
    const QString path = AskSavePath(QStringLiteral("preset"));
    if (!path.isEmpty()) {
      StoreIntoCurrentSlot();
      if (!WriteFile(path)) return false;  // the preset is not safe yet: stay open
    }
  }
  return true;
}

}  // namespace nr::gui
