// The Venue window in the running application: opened from the tab row and the application
// menu, rooms added through its dialog, and its operations against emulated rooms, each row
// saying in words and colour how its room fared.
#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "emu/Emulator.h"
#include "gui/AppOnEmulator.h"
#include "gui/ScriptedPrompts.h"
#include "link/DeviceSession.h"
#include "link/PacketSink.h"
#include "shell/AppContext.h"
#include "shell/CGQ2270v13View.h"
#include "shell/NrTuneApp.h"
#include "shell/RibbonIds.h"
#include "venue/CVenueDlg.h"
#include "venue/CVenueRoomDlg.h"
#include "venue/VenueWindow.h"

namespace nr::gui {
namespace {

using test::ScriptedPrompts;
constexpr int kWaitMs = 20000;

class VenueWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app = test::DemoApp(dir, prompts);
    ASSERT_TRUE(app->Start());
    RegisterVenue(*app, VenueFile());
    app->Show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return app->Context().Connected() && !app->Conn().Sync().Busy(); }, kWaitMs));
    app->Context().SetLanguage(Language::English);
    for (int i = 0; i < 2; ++i) {
      emu::EmulatorOptions e;
      e.port = 0;
      e.bindAddress = "127.0.6." + std::to_string(i + 1);
      e.latency = std::chrono::milliseconds(5);  // a whole read takes long enough to be stopped
      rooms.push_back(std::make_unique<emu::Emulator>(e));
      ASSERT_TRUE(rooms.back()->Start());
    }
  }
  void TearDown() override {
    app.reset();
    rooms.clear();
  }

  std::filesystem::path VenueFile() const { return std::filesystem::path(dir.path().toStdString()) / "venue.json"; }
  std::string Address(int room) const {
    return "127.0.6." + std::to_string(room + 1) + ":" + std::to_string(rooms[static_cast<size_t>(room)]->Port());
  }
  CVenueDlg* Window() { return dynamic_cast<CVenueDlg*>(app->Context().Dialog(kSlotVenue)); }
  QString Cell(int row, int column) { return Window()->Table()->item(row, column)->text(); }
  QColor Back(int row, int column) { return Window()->Table()->item(row, column)->background().color(); }
  bool Idle() { return QTest::qWaitFor([&] { return !Window()->Busy(); }, kWaitMs); }
  std::filesystem::path Preset(const std::string& name, int micVolume) {
    DeviceModel model;
    NullSink sink;
    DeviceSession session(model, sink);
    session.SetParam(1, 14, micVolume);
    const auto path = std::filesystem::path(dir.path().toStdString()) / name;
    EXPECT_TRUE(WriteModeFile(path, model).ok());
    return path;
  }

  QTemporaryDir dir;
  ScriptedPrompts prompts;
  std::unique_ptr<NrTuneApp> app;
  std::vector<std::unique_ptr<emu::Emulator>> rooms;
};

TEST_F(VenueWindowTest, OpenedFromTheTabRowAndTheMenuRoomsAddedThroughItsDialog) {
  app->View().OnCommand(rid::kVenue);
  CVenueDlg* window = Window();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  app->View().OnCommand(rid::kVenueMenu);
  EXPECT_EQ(Window(), window);  // the same window, brought to the front
  EXPECT_EQ(window->VenueFile(), VenueFile());

  QTest::mouseClick(window->Button(CVenueDlg::kAdd), Qt::LeftButton);
  auto* dialog = window->findChild<CVenueRoomDlg*>();
  ASSERT_NE(dialog, nullptr);
  QPushButton* ok = dialog->Buttons()->button(QDialogButtonBox::Ok);
  EXPECT_FALSE(ok->isEnabled());  // nothing entered yet
  dialog->NameField()->setText("101");
  dialog->AddressField()->setText("127.0.6.300");
  EXPECT_FALSE(ok->isEnabled());
  dialog->AddressField()->setText(QString::fromStdString(Address(0)));
  EXPECT_TRUE(ok->isEnabled()) << dialog->Problem()->text().toStdString();
  QTest::mouseClick(ok, Qt::LeftButton);
  ASSERT_EQ(window->Table()->rowCount(), 1);
  EXPECT_EQ(Cell(0, CVenueDlg::kName), "101");

  // A second room of the same name is refused in the dialog itself.
  QTest::mouseClick(window->Button(CVenueDlg::kAdd), Qt::LeftButton);
  dialog = nullptr;
  for (auto* d : window->findChildren<CVenueRoomDlg*>())
    if (d->isVisible()) dialog = d;
  ASSERT_NE(dialog, nullptr);
  dialog->NameField()->setText("101");
  dialog->AddressField()->setText(QString::fromStdString(Address(1)));
  EXPECT_FALSE(dialog->Buttons()->button(QDialogButtonBox::Ok)->isEnabled());
  EXPECT_TRUE(dialog->Problem()->text().contains("101"));
  dialog->reject();

  // What the window wrote is the venue file nrctl reads.
  Venue stored;
  ASSERT_TRUE(LoadVenue(VenueFile(), stored).ok());
  ASSERT_EQ(stored.rooms.size(), 1u);
  EXPECT_EQ(stored.rooms[0].address, Address(0));

  app->Context().SetLanguage(Language::Chinese);
  EXPECT_EQ(window->Button(CVenueDlg::kRefresh)->text(), QString::fromUtf8("刷新"));
  app->Context().SetLanguage(Language::English);
  EXPECT_EQ(window->Button(CVenueDlg::kRefresh)->text(), "Refresh");
}

TEST_F(VenueWindowTest, OperationsRunOffTheUiThreadAndEachRowSaysHowItsRoomFared) {
  app->View().OnCommand(rid::kVenue);
  CVenueDlg* window = Window();
  ASSERT_EQ(window->AddRoom({"101", Address(0), "", ""}), "");
  ASSERT_EQ(window->AddRoom({"VIP", Address(1), "", ""}), "");
  ASSERT_EQ(window->AddRoom({"Dark", "127.0.6.99:" + std::to_string(rooms[0]->Port()), "", ""}), "");

  ASSERT_TRUE(window->Refresh());
  EXPECT_TRUE(window->Busy());  // it returned before any room answered
  EXPECT_FALSE(window->Button(CVenueDlg::kBackUp)->isEnabled());
  EXPECT_TRUE(window->Button(CVenueDlg::kCancel)->isEnabled());
  ASSERT_TRUE(Idle());
  EXPECT_EQ(Cell(0, CVenueDlg::kOnline), "online");
  EXPECT_EQ(Cell(0, CVenueDlg::kModule), "NR490");
  EXPECT_EQ(Cell(0, CVenueDlg::kMode), "M1");
  EXPECT_EQ(Cell(2, CVenueDlg::kOnline), "offline");
  EXPECT_EQ(Back(0, CVenueDlg::kOnline), QColor("#d8f0dc"));
  EXPECT_EQ(Back(2, CVenueDlg::kOnline), QColor("#f7d4d4"));
  EXPECT_TRUE(Cell(2, CVenueDlg::kProgress).startsWith("offline: ")) << Cell(2, CVenueDlg::kProgress).toStdString();
  EXPECT_TRUE(window->StatusLine()->text().contains("2 of 3 rooms online"));

  window->SetBackupFolder(dir.filePath("backups"));
  ASSERT_TRUE(window->BackUpAll());
  ASSERT_TRUE(Idle());
  EXPECT_EQ(Cell(0, CVenueDlg::kProgress), "saved");
  EXPECT_FALSE(Cell(0, CVenueDlg::kLastBackup).startsWith(QString::fromUtf8("—")));
  EXPECT_TRUE(window->StatusLine()->text().contains("2 of 3 rooms saved"));

  // The VIP room is given another preset, stored in M2; then all are checked against 101's.
  const auto louder = Preset("louder.mode", 77);
  ASSERT_TRUE(window->PushPreset(QString::fromStdString(louder.string()), 1, {1}));
  ASSERT_TRUE(Idle());
  EXPECT_EQ(Cell(1, CVenueDlg::kProgress), "pushed, stored in M2");
  EXPECT_TRUE(QTest::qWaitFor([&] { return rooms[1]->Core().CurrentMode() == 1; }, kWaitMs));
  const QString reference = QString::fromStdString(window->CurrentVenue().rooms[0].lastBackup);
  ASSERT_TRUE(window->CheckAgainst(dir.filePath("backups/" + reference + "/101.mode"), {0, 1}));
  ASSERT_TRUE(Idle());
  EXPECT_EQ(Cell(0, CVenueDlg::kCheck), "equal");
  EXPECT_EQ(Cell(1, CVenueDlg::kCheck), "1 difference: Microphones and music 1");
  EXPECT_EQ(Back(1, CVenueDlg::kCheck), QColor("#fde6c4"));

  // A preset that is no mode file is refused before any room is reached.
  EXPECT_FALSE(window->CheckAgainst(dir.filePath("settings.ini"), {0}));
  EXPECT_FALSE(window->Busy());
}

TEST_F(VenueWindowTest, CancelStopsTheRoomsAndOpenConnectsTheMainWindow) {
  app->View().OnCommand(rid::kVenue);
  CVenueDlg* window = Window();
  ASSERT_EQ(window->AddRoom({"101", Address(0), "", ""}), "");
  ASSERT_EQ(window->AddRoom({"102", Address(1), "", ""}), "");

  window->SetBackupFolder(dir.filePath("backups"));
  ASSERT_TRUE(window->BackUpAll());
  window->Cancel();
  ASSERT_TRUE(Idle());
  for (int row : {0, 1}) EXPECT_TRUE(Cell(row, CVenueDlg::kProgress).startsWith("stopped")) << Cell(row, CVenueDlg::kProgress).toStdString();
  EXPECT_TRUE(window->Button(CVenueDlg::kBackUp)->isEnabled());

  // Open asks first about what the screen holds unsaved; Cancel keeps the demo device.
  app->Context().Model().Update([](DeviceState& s) { s.deviceModified = true; });
  prompts.answers = {QMessageBox::Cancel, QMessageBox::No};
  EXPECT_FALSE(window->OpenRoom(1));
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_TRUE(prompts.asked[0].startsWith("Save?|"));
  EXPECT_EQ(app->Context().GetLink().NetAddress(), "127.0.0.1");

  // Answered No, the main window leaves the demo device for room 102.
  window->Table()->selectRow(1);
  QTest::mouseClick(window->Button(CVenueDlg::kOpen), Qt::LeftButton);
  EXPECT_EQ(prompts.asked.size(), 2u);
  EXPECT_TRUE(QTest::qWaitFor([&] {
    return app->Context().Connected() && app->Context().GetLink().NetAddress() == "127.0.6.2" && !app->Conn().Sync().Busy();
  }, kWaitMs));
}

}  // namespace
}  // namespace nr::gui
