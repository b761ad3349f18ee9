// The smart-plug page driven as a user would, against the emulated controller: opening and
// synchronising, adding through both phases, switching and dimming, learning keys, editing and
// running scenes, resetting.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include "SmartPlugFixture.h"
#include "shell/CMainFrame.h"
#include "shell/DialogTexts.h"
#include "shell/RibbonBar.h"
#include "smarthome/CDialogZwaveRemoter.h"
#include "smarthome/CDlgZwaveEdit.h"
#include "smarthome/CDlgZwaveLight.h"
#include "smarthome/CDlgZwaveList.h"
#include "smarthome/CDlgZwaveSwitch.h"
#include "smarthome/CRemoteLearnDlg.h"
#include "smarthome/SmartHomeContext.h"

namespace nr::gui::test {
namespace {

QStringList Names(QListWidget* list) {
  QStringList names;
  for (int i = 0; i < list->count(); ++i) names << list->item(i)->text();
  return names;
}

QString Cell(QTableWidget* table, int row, int column) {
  QTableWidgetItem* item = table->item(row, column);
  return item ? item->text() : QString();
}

TEST_F(SmartPlugTest, RibbonButtonOpensThePageWhichReadsThePlugs) {
  Start();
  EXPECT_EQ(app->Frame().Ribbon()->ElementText(rid::kSmartPlug), QString::fromUtf8("智能插座"));
  CDialogHomeTheater* page = OpenPage();
  ASSERT_TRUE(page);
  EXPECT_FALSE(Ctx().GetLink().PollingAllowed());  // the status poll pauses while the page is open
  EXPECT_EQ(page->windowTitle(), QString::fromUtf8("智能插座"));
  EXPECT_EQ(Names(page->PlugList()->List()), QStringList({"Floor lamp", "Ceiling", "TV set"}));
  EXPECT_EQ(page->TabButton(CDialogHomeTheater::kPlugList)->palette().color(QPalette::ButtonText), QColor(0, 0, 255));
  page->ShowTab(CDialogHomeTheater::kKeys);
  EXPECT_EQ(page->TabButton(CDialogHomeTheater::kPlugList)->palette().color(QPalette::ButtonText), QColor(Qt::black));
  nr::test::SaveScreenshot(page, "smart_plug_page_zh");

  QUrl opened;
  page->SetUrlOpener([&](const QUrl& url) { opened = url; });
  QTest::keyClick(page, Qt::Key_F1);
  ASSERT_TRUE(opened.isLocalFile());
  QFile help(opened.toLocalFile());
  ASSERT_TRUE(help.open(QIODevice::ReadOnly));
  EXPECT_TRUE(help.readAll().contains("Smart plug"));
  // In a folder of the process's own, which no other user can enter or fill beforehand.
  const QFileInfo folder(QFileInfo(help).absolutePath());
  EXPECT_NE(folder.fileName(), QStringLiteral("nrtune-help"));
  EXPECT_EQ(folder.permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                                    QFile::WriteOther | QFile::ExeOther),
            QFile::Permissions());
  EXPECT_EQ(folder.absoluteFilePath(), QFileInfo(Ctx().PrivateFolder()).absoluteFilePath());

  Ctx().SetLanguage(Language::English);
  EXPECT_EQ(page->windowTitle(), QStringLiteral("Smart plug"));
  EXPECT_EQ(page->TabButton(CDialogHomeTheater::kScenes)->text(), QStringLiteral("Scene list"));
  page->close();
  EXPECT_TRUE(WaitUntil([&] { return !Page(); }));
  EXPECT_TRUE(Ctx().GetLink().PollingAllowed());
}

TEST_F(SmartPlugTest, WithoutLinkTheTipComesFirstAndThePageOpens) {
  Start();
  Ctx().GetLink().Close(true);
  View().OnCommand(rid::kSmartPlug);
  EXPECT_EQ(TipText(), QString::fromUtf8("请先连接机器"));
  ASSERT_TRUE(Page());
  Page()->PlugList()->AddPlug();
  EXPECT_EQ(TipText(), QString::fromUtf8("请先连接设备!"));
  EXPECT_FALSE(Page()->PlugList()->OpenedDialog());
}

TEST_F(SmartPlugTest, AModelWithoutControllerIsToldAfterSynchronising) {
  Start([](emu::EmulatorOptions& o) {
    o.zwave.enabled = false;
    o.model = "WX490II";
  });
  View().OnCommand(rid::kSmartPlug);
  ASSERT_TRUE(WaitUntil([&] { return !prompts.messages.empty(); }));
  EXPECT_EQ(prompts.messages.back(), QString::fromUtf8("|同步失败！该机型无此功能！"));
  EXPECT_FALSE(View().Sync().IsShown());
  EXPECT_EQ(Page()->PlugList()->List()->count(), 0);
}

TEST_F(SmartPlugTest, AddingAPlugWalksThroughBothPresses) {
  Start();
  CDialogHomeTheater* page = OpenPage();
  page->PlugList()->AddPlug();
  auto* dialog = qobject_cast<CDlgZwaveEdit*>(page->PlugList()->OpenedDialog());
  ASSERT_TRUE(dialog);
  EXPECT_EQ(dialog->NameEdit()->text(), QString::fromUtf8("开关1"));
  dialog->TypeCombo()->setCurrentIndex(1);
  EXPECT_EQ(dialog->NameEdit()->text(), QString::fromUtf8("调压1"));
  EXPECT_EQ(dialog->OkButton()->text(), QString::fromUtf8("添加"));
  nr::test::SaveScreenshot(dialog, "smart_plug_add_dialog_zh");
  dialog->NameEdit()->clear();
  dialog->OkButton()->click();
  EXPECT_EQ(prompts.messages.back(), QString::fromUtf8("提示|名称不能为空"));
  dialog->NameEdit()->setText(QStringLiteral("Reading lamp"));  // 12 characters: 11 are kept
  dialog->OkButton()->click();

  ASSERT_TRUE(WaitShows("请长按3秒第一次确认"));
  ASSERT_TRUE(WaitShows("请长按3秒第二次确认"));
  EXPECT_EQ(View().Wait().Dialog()->TextColor(), QColor(130, 0, 255));
  ASSERT_TRUE(WaitUntil([&] { return !View().Wait().IsShown(); }));
  EXPECT_EQ(Names(page->PlugList()->List()), QStringList({"Floor lamp", "Ceiling", "TV set", "Reading lam"}));
  ASSERT_TRUE(WaitUntil([&] { return emulator->Core().ZWaveMemory()[PlugRecordOffset(5)] == kPlugDimmer; }));
  EXPECT_EQ(emulator->Core().ZWaveNodes(), (std::vector<int>{2, 3, 4, 5}));
  EXPECT_TRUE(WaitUntil([&] { return emulator->Core().ZWaveIdle(); }));  // told to stop adding
}

// The controller names the removed plug only with status 3 here: it leaves the list all the same.
TEST_F(SmartPlugTest, RemovingStopsTheControllerAndDropsTheKeyFile) {
  Start([](emu::EmulatorOptions& o) {
    o.zwave.removeNode = 4;
    o.zwave.doneWithoutNode = true;
  });
  CDialogHomeTheater* page = OpenPage();
  ASSERT_TRUE(page->Context().Keys().CreateDefault(4));
  page->PlugList()->RemovePlug();
  ASSERT_TRUE(WaitShows("请长按3秒确认删除"));
  ASSERT_TRUE(WaitUntil([&] { return !View().Wait().IsShown(); }));
  EXPECT_EQ(Names(page->PlugList()->List()), QStringList({"Floor lamp", "Ceiling"}));
  EXPECT_FALSE(page->Context().Keys().Exists(4));
  EXPECT_EQ(emulator->Core().ZWaveNodes(), (std::vector<int>{2, 3}));
  EXPECT_TRUE(WaitUntil([&] { return emulator->Core().ZWaveIdle(); }));
}

TEST_F(SmartPlugTest, ClickSwitchesDoubleClickEdits) {
  Start([](emu::EmulatorOptions& o) { o.zwave.noAckNode = 3; });
  CDialogHomeTheater* page = OpenPage();
  QListWidget* list = page->PlugList()->List();
  const QRect first = list->visualItemRect(list->item(0));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, first.center());
  ASSERT_TRUE(WaitUntil([&] { return page->PlugList()->OpenedDialog(); }));
  auto* sw = qobject_cast<CDlgZwaveSwitch*>(page->PlugList()->OpenedDialog());
  ASSERT_TRUE(sw);
  EXPECT_EQ(sw->windowTitle(), QString::fromUtf8("开关控制: Floor lamp"));
  nr::test::SaveScreenshot(sw, "smart_plug_switch_dialog_zh");
  sw->OnButton()->click();
  ASSERT_TRUE(WaitUntil([&] { return emulator->Core().PlugValue(2) == 0xFF; }));
  // The controller's confirmation arrives before the wait dialog would appear: it never does.
  ASSERT_TRUE(WaitUntil([&] { return !View().OperationPending(); }));
  EXPECT_FALSE(View().Wait().IsShown());
  sw->close();

  // The dimmer plug never acknowledges: the set times out with a tip.
  page->PlugList()->OpenPlug(3);
  auto* light = qobject_cast<CDlgZwaveLight*>(page->PlugList()->OpenedDialog());
  ASSERT_TRUE(light);
  EXPECT_EQ(light->windowTitle(), QString::fromUtf8("电压控制: Ceiling"));
  light->Slider()->setValue(0);
  EXPECT_EQ(light->LevelLabel()->text(), QString::fromUtf8("关"));
  light->Slider()->setValue(99);
  EXPECT_EQ(light->LevelLabel()->text(), QString::fromUtf8("最大"));
  light->Slider()->setValue(42);
  EXPECT_EQ(light->LevelLabel()->text(), QStringLiteral("42%"));
  static_cast<QAbstractButton*>(FindControl(light, CDlgZwaveLight::kUpId))->click();
  EXPECT_EQ(light->Slider()->value(), 43);
  ASSERT_TRUE(WaitUntil([&] { return TipText() == QString::fromUtf8("设置超时"); }));
  EXPECT_FALSE(View().Wait().IsShown());
  light->close();

  // A double click edits instead of switching.
  const QRect second = list->visualItemRect(list->item(1));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second.center());
  ASSERT_TRUE(WaitUntil([&] { return qobject_cast<CDlgZwaveEdit*>(page->PlugList()->OpenedDialog()); }));
  auto* edit = qobject_cast<CDlgZwaveEdit*>(page->PlugList()->OpenedDialog());
  EXPECT_EQ(edit->NameEdit()->text(), QStringLiteral("Ceiling"));
  EXPECT_EQ(edit->TypeCombo()->currentIndex(), 1);
  EXPECT_EQ(edit->OkButton()->text(), QString::fromUtf8("修改"));
  edit->NameEdit()->setText(QString::fromUtf8("吊灯"));
  edit->OkButton()->click();
  EXPECT_EQ(Names(list), QStringList({"Floor lamp", QString::fromUtf8("吊灯"), "TV set"}));
  ASSERT_TRUE(WaitUntil([&] { return emulator->Core().ZWaveMemory()[PlugRecordOffset(3) + 5] == 0x0A; }));  // 吊 = U+540A
}

TEST_F(SmartPlugTest, KeyPageLearnsSendsRenamesAndClears) {
  Start();
  CDialogHomeTheater* page = OpenPage();
  page->ShowTab(CDialogHomeTheater::kKeys);
  CRemoteLearnDlg* keys = page->KeyPage();
  keys->Learn();
  EXPECT_EQ(TipText(), QString::fromUtf8("请选择一个插座"));
  keys->PlugCombo()->setCurrentIndex(keys->PlugCombo()->findData(4));
  QTableWidget* table = keys->KeyList();
  ASSERT_EQ(table->rowCount(), 32);
  EXPECT_EQ(Cell(table, 31, 1), QStringLiteral("Key32"));
  EXPECT_EQ(Cell(table, 5, 2), QString::fromUtf8("未学习"));
  keys->Learn();
  EXPECT_EQ(TipText(), QString::fromUtf8("请在列表中选择一个按键"));

  table->selectRow(5);
  keys->Learn();
  ASSERT_TRUE(WaitShows("准备就绪，请按下遥控器按键"));
  ASSERT_TRUE(WaitShows("学习完成"));
  EXPECT_EQ(View().Wait().Dialog()->TextColor(), QColor(255, 0, 210));
  EXPECT_EQ(Cell(table, 5, 2), QString::fromUtf8("已学习"));
  EXPECT_TRUE(emulator->Core().PlugKeyLearned(4, 5));  // learned with C5
  ASSERT_TRUE(WaitUntil([&] { return !View().Wait().IsShown(); }));

  // Sending ends the wait at once (or before it appeared, with a tip); a key never learned fails.
  table->selectRow(5);
  keys->Transmit();
  ASSERT_TRUE(WaitUntil([&] { return !View().OperationPending() && !View().Wait().IsShown(); }));
  EXPECT_NE(TipText(), QString::fromUtf8("发生错误，操作超时……"));
  table->selectRow(6);
  keys->Transmit();
  const QString failed = QString::fromUtf8("遥控按键发射失败");
  ASSERT_TRUE(WaitUntil([&] { return TipText() == failed || WaitText() == failed; }));

  QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(table->model()->index(2, 1)).center());
  EXPECT_EQ(keys->NameEdit()->text(), QStringLiteral("Key3"));
  keys->NameEdit()->setText(QStringLiteral("Mute & \"all\""));
  keys->Rename();
  EXPECT_EQ(Cell(table, 2, 1), QStringLiteral("Mute & \"all\""));
  EXPECT_EQ(page->Context().Keys().Name(4, 2), "Mute & \"all\"");
  keys->NameEdit()->clear();
  keys->Rename();
  EXPECT_EQ(prompts.messages.back(), QString::fromUtf8("|遥控键名称不能为空字符串!"));

  table->selectRow(5);
  keys->Clear();
  EXPECT_EQ(Cell(table, 5, 2), QString::fromUtf8("未学习"));
  nr::test::SaveScreenshot(page, "plug_keys_page_zh");

  // The level a dimmer reports after a set is no infrared status.
  View().RunDeviceOperation(QStringLiteral("set"), 0x13, 100, 3, 3);
  ASSERT_TRUE(WaitUntil([&] { return emulator->Core().PlugValue(3) == 3; }));
  WaitUntil([] { return false; }, 300);
  EXPECT_FALSE(page->Context().Keys().Exists(3));
}

// A row stands for the key it shows: in a file whose keys are in another order, the first row
// (Index 5) is learned, renamed and cleared as slot 5.
TEST_F(SmartPlugTest, KeyPageActsOnTheKeyARowShows) {
  Start([](emu::EmulatorOptions& o) { o.zwave.demoScenes = false; });  // the TV plug knows no key yet
  ASSERT_TRUE(QDir().mkpath(KeyFolder()));
  QFile file(KeyFolder() + "/4.xml");
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("<Keys>\n<Key Index=\"5\" Name=\"Power\" Status=\"0\"/>\n<Key Index=\"0\" Name=\"Mute\" Status=\"0\"/>\n</Keys>\n");
  file.close();
  CDialogHomeTheater* page = OpenPage();
  page->ShowTab(CDialogHomeTheater::kKeys);
  CRemoteLearnDlg* keys = page->KeyPage();
  keys->PlugCombo()->setCurrentIndex(keys->PlugCombo()->findData(4));
  QTableWidget* table = keys->KeyList();
  ASSERT_EQ(table->rowCount(), 2);
  EXPECT_EQ(Cell(table, 0, 1), QStringLiteral("Power"));

  table->selectRow(0);
  keys->Learn();
  ASSERT_TRUE(WaitShows("学习完成"));
  EXPECT_TRUE(emulator->Core().PlugKeyLearned(4, 5));  // C5, not C0
  EXPECT_FALSE(emulator->Core().PlugKeyLearned(4, 0));
  EXPECT_EQ(Cell(table, 0, 2), QString::fromUtf8("已学习"));
  EXPECT_EQ(Cell(table, 1, 2), QString::fromUtf8("未学习"));
  ASSERT_TRUE(WaitUntil([&] { return !View().Wait().IsShown(); }));

  table->selectRow(0);
  keys->NameEdit()->setText(QStringLiteral("TV on"));
  keys->Rename();
  EXPECT_EQ(page->Context().Keys().Name(4, 5), "TV on");
  EXPECT_EQ(page->Context().Keys().Name(4, 0), "Mute");
  table->selectRow(0);
  keys->Clear();
  EXPECT_EQ(Cell(table, 0, 2), QString::fromUtf8("未学习"));
  EXPECT_EQ(Cell(table, 0, 1), QStringLiteral("TV on"));
}

TEST_F(SmartPlugTest, SceneEditorEditsSavesAndTests) {
  Start();
  CDialogHomeTheater* page = OpenPage();
  page->ShowTab(CDialogHomeTheater::kScenes);
  CDialogZwaveRemoter* editor = page->SceneEditor();
  QTableWidget* steps = editor->StepList();
  EXPECT_EQ(steps->rowCount(), 0);  // the TV scene is empty
  editor->SceneCombo()->setCurrentIndex(kPowerOnScene);
  ASSERT_EQ(steps->rowCount(), 4);
  EXPECT_EQ(Cell(steps, 0, 1), QStringLiteral("Floor lamp"));
  EXPECT_EQ(Cell(steps, 0, 2), QString::fromUtf8("开"));
  EXPECT_EQ(Cell(steps, 1, 1), QString::fromUtf8("延时"));
  EXPECT_EQ(Cell(steps, 1, 2), QString::fromUtf8("1秒"));
  EXPECT_EQ(Cell(steps, 2, 2), QStringLiteral("61"));
  EXPECT_EQ(Cell(steps, 3, 2), QString::fromUtf8("遥控键:Key1"));

  steps->selectRow(0);
  editor->MoveUp();
  EXPECT_EQ(TipText(), QString::fromUtf8("已移至首项"));
  EXPECT_FALSE(editor->Steps().Changed());
  editor->MoveDown();
  EXPECT_EQ(Cell(steps, 1, 1), QStringLiteral("Floor lamp"));
  EXPECT_EQ(Cell(steps, 0, 0), QStringLiteral("1"));
  EXPECT_EQ(steps->currentRow(), 1);

  editor->PlugCombo()->setCurrentIndex(editor->PlugCombo()->findData(3));  // a dimmer: slider shown
  EXPECT_FALSE(editor->OnBox()->isVisibleTo(editor));
  EXPECT_TRUE(editor->LevelSlider()->isVisibleTo(editor));
  editor->LevelSlider()->setValue(50);
  editor->AddValue();
  EXPECT_EQ(Cell(steps, 4, 2), QStringLiteral("51"));
  editor->AddKey();  // no key of the dimmer plug was learned
  EXPECT_EQ(TipText(), QString::fromUtf8("请选择一个遥控键名"));
  editor->DelaySlider()->setValue(3);
  editor->AddDelay();
  EXPECT_EQ(Cell(steps, 5, 2), QString::fromUtf8("3秒"));

  // Test asks before saving the change, then runs the saved scene.
  prompts.answers.push_back(QMessageBox::Yes);
  editor->Test();
  EXPECT_EQ(prompts.asked.back(), QString::fromUtf8("|情景已更改，保存并测试？"));
  EXPECT_EQ(View().Sync().Dialog() ? View().Sync().Dialog()->Text() : QString(), QString::fromUtf8("载入情景中……"));
  ASSERT_TRUE(WaitUntil([&] { return !View().Sync().IsShown(); }, 20000));
  const std::vector<uint8_t> memory = emulator->Core().ZWaveMemory();
  const std::vector<uint8_t> saved{kDelayStep, 1, 2, 99, 3, 60, 4, 128, 3, 50, kDelayStep, 3, 0, 0};
  EXPECT_TRUE(std::equal(saved.begin(), saved.end(), memory.begin() + SceneOffset(kPowerOnScene)));
  EXPECT_EQ(emulator->Core().PlugValue(3), 50);
  nr::test::SaveScreenshot(page, "scene_editor_page_zh");

  // Choosing another scene drops unsaved edits without a question.
  editor->ClearSteps();
  editor->SceneCombo()->setCurrentIndex(kPowerOffScene);
  editor->SceneCombo()->setCurrentIndex(kPowerOnScene);
  EXPECT_EQ(steps->rowCount(), 6);
}

TEST_F(SmartPlugTest, PowerButtonsRunTheirScenesAndResetAsksFirst) {
  Start();
  CDialogHomeTheater* page = OpenPage();
  static_cast<QAbstractButton*>(FindControl(page, CDialogHomeTheater::kPowerOffId))->click();
  EXPECT_EQ(View().Sync().Dialog()->Text(), QString::fromUtf8("调用关机情景……"));
  ASSERT_TRUE(WaitUntil([&] { return !View().Sync().IsShown(); }, 20000));
  EXPECT_EQ(emulator->Core().PlugValue(3), 0);

  KeyFiles files(page->Context().Keys().Folder());
  ASSERT_TRUE(files.CreateDefault(2));
  QDir(KeyFolder()).mkpath(QStringLiteral("archive"));
  page->ResetPlugs();  // answered No
  EXPECT_EQ(emulator->Core().ZWaveNodes().size(), 3u);
  prompts.answers.push_back(QMessageBox::Yes);
  page->ResetPlugs();
  ASSERT_TRUE(WaitUntil([&] { return !View().Sync().IsShown() && !Smart().Busy(); }, 20000));
  EXPECT_TRUE(emulator->Core().ZWaveNodes().empty());
  EXPECT_EQ(page->PlugList()->List()->count(), 0);
  EXPECT_FALSE(files.Exists(2));
  EXPECT_TRUE(QDir(KeyFolder()).exists(QStringLiteral("archive")));
}

}  // namespace
}  // namespace nr::gui::test
