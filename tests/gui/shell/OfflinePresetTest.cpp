// A preset file edited without a device: nothing reaches a device, Save writes only what was
// edited, and a device connected later is offered the preset.
#include <QCheckBox>
#include <QFile>
#include <QTest>

#include "emu/Emulator.h"
#include "gui/ScriptedPrompts.h"
#include "inputs/InputPages.h"
#include "session/Connection.h"
#include "shell/AppContext.h"
#include "shell/CGQ2270v13View.h"
#include "shell/CMFCMyRibbonStatusBar.h"
#include "shell/CMainFrame.h"
#include "shell/CSyncDlg.h"
#include "shell/EditHistory.h"
#include "shell/ModeCommands.h"
#include "shell/ModeFile.h"
#include "shell/NrTuneApp.h"
#include "shell/RibbonBar.h"
#include "shell/RibbonIds.h"
#include "support/Screenshots.h"

namespace nr::gui::test {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadAll(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  const QByteArray b = f.readAll();
  return Bytes(b.begin(), b.end());
}

class OfflinePreset : public ::testing::Test {
 protected:
  void SetUp() override {
    emu::EmulatorOptions options;
    options.port = 0;
    emulator_ = std::make_unique<emu::Emulator>(options);
    ASSERT_TRUE(emulator_->Start());
    // A preset another device saved: its own header, no record-EQ trailer.
    DeviceState s;
    InitDeviceModel(s);
    std::string("NR-Room 3").copy(s.info.module.data(), 9);
    Bytes bytes = SerializeModeFile(s);
    bytes.resize(kModeFileSize);
    file_ = dir_.filePath("room.mode");
    QFile out(file_);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    out.close();

    AppOptions o;
    o.netHost = "127.0.0.1";  // where a later connection goes
    o.netPort = emulator_->Port();
    o.settingsFile = dir_.filePath("settings.ini");
    o.prompts = &prompts_;
    o.openFile = file_;
    o.offline = true;
    app_ = std::make_unique<NrTuneApp>(o);
    ASSERT_TRUE(app_->Start());
    RegisterInputPages(*app_);
    app_->Frame().resize(1280, 800);
    app_->Show();
    WaitUntil([] { return false; }, 400);  // the title and status bar follow within 250 ms
  }
  void TearDown() override {
    app_.reset();
    emulator_->Stop();
  }
  void Click(int id) {
    QTest::mouseClick(app_->Frame().Ribbon()->Element(id), Qt::LeftButton);
    WaitUntil([&] { return !app_->Context().History().GestureOpen(); }, 2000);
    WaitUntil([] { return false; }, 300);
  }

  QTemporaryDir dir_;
  QString file_;
  ScriptedPrompts prompts_;
  std::unique_ptr<emu::Emulator> emulator_;
  std::unique_ptr<NrTuneApp> app_;
};

TEST_F(OfflinePreset, EditsGoNowhereAndSaveChangesOnlyTheEditedRecords) {
  CMainFrame& frame = app_->Frame();
  const Bytes original = ReadAll(file_);
  EXPECT_FALSE(app_->Context().Connected());
  EXPECT_TRUE(frame.windowTitle().startsWith("room.mode[*]")) << frame.windowTitle().toStdString();
  EXPECT_FALSE(frame.isWindowModified());
  EXPECT_TRUE(frame.StatusBar()->LinkPane()->text().contains("room.mode"));

  Click(rid::kInMicMute);
  Click(rid::kInMusicMute);
  EXPECT_TRUE(frame.isWindowModified());
  EXPECT_TRUE(emulator_->Core().Log().empty()) << "no device was ever reached";
  nr::test::SaveScreenshot(&frame, "offline_preset_modified_zh");
  app_->Context().SetLanguage(Language::English);
  WaitUntil([] { return false; }, 300);
  EXPECT_TRUE(frame.StatusBar()->LinkPane()->text().contains("Offline: room.mode (not saved)"));
  nr::test::SaveScreenshot(&frame, "offline_preset_modified_en");

  QTest::keyClick(&frame, Qt::Key_S, Qt::ControlModifier);
  WaitUntil([] { return false; }, 300);
  EXPECT_FALSE(frame.isWindowModified());
  const Bytes saved = ReadAll(file_);
  ASSERT_EQ(saved.size(), original.size()) << "the file keeps its form";
  const auto wordAt = [](int module, int index) {
    return static_cast<size_t>(kModeFileHeaderSize + ParamRows()[static_cast<size_t>(FindParamRow(module, index))].WordOffset());
  };
  std::vector<size_t> changed;
  for (size_t i = 0; i < saved.size(); ++i)
    if (saved[i] != original[i]) changed.push_back(i);
  ASSERT_FALSE(changed.empty());
  for (const size_t at : changed)
    EXPECT_TRUE((at >= wordAt(1, 15) && at < wordAt(1, 15) + 4) || (at >= wordAt(4, 13) && at < wordAt(4, 13) + 4))
        << "byte " << at << " is in neither edited record";
}

// A file whose record list is out of place would show, save and push words under the wrong
// parameters: opening it is refused with the first bad record named, and the preset open stays.
TEST_F(OfflinePreset, ADamagedFileIsRefusedNamingItsFirstBadRecord) {
  Bytes damaged = ReadAll(file_);
  damaged[static_cast<size_t>(kModeFileHeaderSize + ParamRows()[40].offset)] ^= 0x10;
  const QString path = dir_.filePath("damaged.mode");
  QFile out(path);
  ASSERT_TRUE(out.open(QIODevice::WriteOnly));
  out.write(reinterpret_cast<const char*>(damaged.data()), static_cast<qint64>(damaged.size()));
  out.close();

  EXPECT_FALSE(app_->View().Modes().OpenOffline(path));
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_TRUE(prompts_.messages[0].contains("parameter record 41 of 235")) << prompts_.messages[0].toStdString();
  EXPECT_TRUE(prompts_.messages[0].contains("the file is damaged")) << prompts_.messages[0].toStdString();
  EXPECT_EQ(app_->Context().Document().Path(), file_);
}

// The file manager opens a preset in the running window: without a device it is edited there.
TEST_F(OfflinePreset, AFileHandedOverWithoutADeviceIsEditedOffline) {
  const QString other = dir_.filePath("other room.mode");
  ASSERT_TRUE(QFile::copy(file_, other));
  ASSERT_FALSE(app_->Context().Connected());
  app_->OpenHandedFile(other, false);
  EXPECT_EQ(app_->Context().Document().Path(), other);
  EXPECT_TRUE(app_->Frame().windowTitle().startsWith("other room.mode")) << app_->Frame().windowTitle().toStdString();
  EXPECT_TRUE(emulator_->Core().Log().empty()) << "no device was reached";
}

TEST_F(OfflinePreset, ConnectingLaterOffersToPushTheEditedPreset) {
  Click(rid::kInMicMute);
  ASSERT_TRUE(app_->Frame().isWindowModified());
  const ParamImage screen = app_->Context().Model().Read([](const DeviceState& s) { return ScreenImage(s); });
  ASSERT_NE(emulator_->Core().Image(), screen);

  prompts_.choices = {0};  // send the preset to the device
  app_->View().Reconnect();
  ASSERT_TRUE(WaitUntil([&] {
    return app_->Context().Connected() && !app_->View().Connector().Busy() && !app_->Conn().Sync().Busy() &&
           !app_->View().Sync().IsShown() &&
           !prompts_.asked.empty();
  }));
  ASSERT_TRUE(WaitUntil([&] { return !app_->Conn().Sync().Busy(); }));
  ASSERT_EQ(prompts_.asked.size(), 1u);
  EXPECT_TRUE(prompts_.asked[0].contains("room.mode"));
  const ParamImage device = emulator_->Core().Image();
  EXPECT_TRUE(std::equal(device.begin() + kRecordListOffset, device.end(), screen.begin() + kRecordListOffset))
      << "the device holds the edited preset";
  EXPECT_TRUE(app_->Context().Document().IsOpen()) << "the file is still the one being edited";
  EXPECT_TRUE(app_->Frame().isWindowModified()) << "and still not saved";
}

}  // namespace
}  // namespace nr::gui::test
