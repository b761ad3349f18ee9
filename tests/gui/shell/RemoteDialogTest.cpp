// The remote-control window and the key-learning window: what each key sends, the learned code
// reported by the device, stopping, and .remo files.
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "DialogFixture.h"
#include "gui/ScriptedPrompts.h"
#include "link/Bytes.h"
#include "shell/CInfoDlg.h"
#include "shell/CRemoteDlg.h"
#include "shell/CRemoteStudyDlg.h"
#include "support/RecordingSink.h"

namespace nr::gui::test {
namespace {

using nr::test::Bytes;
using nr::test::HexPayloads;

class RemoteDialogTest : public DialogTest {
 protected:
  CRemoteDlg& Open() {
    dialog_ = std::make_unique<CRemoteDlg>(ctx_, session_, prompts_);
    dialog_->show();
    return *dialog_;
  }
  QString Tip() {
    CInfoDlg* tip = CInfoDlg::Existing(ctx_);
    return tip && tip->isVisible() ? tip->Text() : QString();
  }
  RemoteCodes Table() { return ctx_.Model().Read([](const DeviceState& s) { return s.remote; }); }

  nr::test::RecordingSink sink_;
  DeviceSession session_{ctx_.Model(), sink_};
  ScriptedPrompts prompts_;
  std::unique_ptr<CRemoteDlg> dialog_;
};

TEST_F(RemoteDialogTest, LearningAKeyShowsTheReportedCodeAndClosesItself) {
  ctx_.SetLanguage(Language::English);
  CRemoteDlg& dialog = Open();
  dialog.FunctionButton(19)->click();
  EXPECT_EQ(HexPayloads(sink_), std::vector<std::string>{"60 13"});
  CRemoteStudyDlg* study = dialog.LearningDialog();
  ASSERT_NE(study, nullptr);
  EXPECT_TRUE(study->isModal());
  EXPECT_EQ(ctx_.Dialog(kSlotKeyLearning), study);
  EXPECT_EQ(study->LearningText()->text(), "Learning key:Mode1");
  EXPECT_TRUE(study->CloseButton()->isHidden());
  dialog.FunctionButton(3)->click();  // a second learn waits for the first to end
  EXPECT_EQ(sink_.Payloads().size(), 1u);

  // A report for another function is not this learn's key: it changes nothing.
  GetLink().GetDispatcher().DispatchPacket(Bytes{0x81, 0x60, 0x5A, 0x06, 0x99});
  EXPECT_EQ(Table()[6], 0);
  EXPECT_EQ(Table()[0], 0);

  // The device reports identification 5A, function 0x13, code C4; the view passes the code on.
  GetLink().GetDispatcher().DispatchPacket(Bytes{0x81, 0x60, 0x5A, 0x13, 0xC4});
  dialog.KeyLearned(0xC4);
  EXPECT_EQ(Table()[0], 0x5A);
  EXPECT_EQ(Table()[19], 0xC4);
  EXPECT_EQ(study->CodeBox()->text(), "C4");
  EXPECT_TRUE(study->CancelButton()->isHidden());
  EXPECT_FALSE(study->CloseButton()->isHidden());
  EXPECT_EQ(study->Note()->text(), "Window will be closed!");
  EXPECT_TRUE(study->AutoCloseTimer().isActive());
  EXPECT_EQ(study->AutoCloseTimer().interval(), 1000);
  SaveShot(study, "remote_learning_dialog");
  EXPECT_EQ(dialog.FunctionButton(19)->Code(), 0xC4);

  study->AutoCloseTimer().start(0);  // the second passes
  EXPECT_TRUE(WaitFor([&] { return dialog.LearningDialog() == nullptr; }));
  EXPECT_EQ(ctx_.Dialog(kSlotKeyLearning), nullptr);
  EXPECT_EQ(HexPayloads(sink_), std::vector<std::string>{"60 13"});  // a finished learn is not stopped

  dialog.Apply();  // no device: the table is kept, not reported saved
  EXPECT_EQ(sink_.Payloads().size(), 1u);
  EXPECT_EQ(Tip(), QString::fromUtf8("请先连接机器再进行此操作!"));
  ConnectToPeer();
  dialog.Apply();
  ASSERT_EQ(sink_.Payloads().size(), 2u);
  Bytes table{0x63};
  const RemoteCodes codes = Table();
  table.insert(table.end(), codes.begin(), codes.end());
  EXPECT_EQ(sink_.Payloads()[1], table);
  EXPECT_EQ(Tip(), "Save successed !");
}

TEST_F(RemoteDialogTest, CancellingStopsTheLearningAtOnce) {
  CRemoteDlg& dialog = Open();
  dialog.Learn(7);
  ASSERT_NE(dialog.LearningDialog(), nullptr);
  EXPECT_EQ(dialog.LearningDialog()->LearningText()->text(), QString::fromUtf8("您正在学习的键：向右选择"));
  dialog.LearningDialog()->CancelButton()->click();
  EXPECT_EQ(HexPayloads(sink_), (std::vector<std::string>{"60 07", "61"}));
  EXPECT_TRUE(WaitFor([&] { return dialog.LearningDialog() == nullptr; }));

  dialog.Learn(8);
  dialog.LearningDialog()->close();  // the close box stops it as well
  EXPECT_EQ(HexPayloads(sink_).back(), "61");
}

TEST_F(RemoteDialogTest, StatusPollingPausesWhileTheWindowIsOpen) {
  ctx_.SetPeakPolling(true);
  Open();
  EXPECT_FALSE(ctx_.PeakPolling());
  dialog_.reset();
  EXPECT_TRUE(ctx_.PeakPolling());

  ctx_.SetPeakPolling(false);  // the user had switched it off: it stays off
  Open();
  dialog_.reset();
  EXPECT_FALSE(ctx_.PeakPolling());
}

TEST_F(RemoteDialogTest, FilesNeedADeviceAShortFileChangesItsBytesAndSavesGetTheRemoExtension) {
  CRemoteDlg& dialog = Open();
  prompts_.nextFile = dir_.filePath("keys.remo");
  dialog.LoadFile();
  EXPECT_EQ(Tip(), QString::fromUtf8("请先连接机器再进行此操作!"));
  EXPECT_TRUE(sink_.Payloads().empty());

  ConnectToPeer();
  ctx_.Model().Update([](DeviceState& s) { s.remote.fill(0xEE); });
  QFile file(dir_.filePath("keys.remo"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A", 10));
  file.close();
  prompts_.nextFile = dir_.filePath("keys.txt");  // the extension is replaced by remo
  dialog.LoadFile();
  EXPECT_EQ(Tip(), QString::fromUtf8("载入遥控文件成功"));
  EXPECT_EQ(Table()[9], 0x0A);
  EXPECT_EQ(Table()[10], 0xEE);
  ASSERT_EQ(sink_.Payloads().size(), 1u);
  EXPECT_EQ(sink_.Payloads()[0].size(), 31u);  // 63 and all 30 bytes
  EXPECT_EQ(dialog.FunctionButton(9)->Code(), 0x0A);

  prompts_.nextFile = dir_.filePath("saved.txt");
  dialog.SaveFile();
  EXPECT_EQ(Tip(), QString::fromUtf8("保存遥控文件成功"));
  EXPECT_FALSE(QFile::exists(dir_.filePath("saved.txt")));
  QFile saved(dir_.filePath("saved.remo"));
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  EXPECT_EQ(saved.readAll().size(), 30);

  // A file that cannot be read leaves the table and the device alone, with a warning.
  prompts_.nextFile = dir_.filePath("missing.remo");
  dialog.LoadFile();
  EXPECT_EQ(Tip(), QString::fromUtf8("载入遥控文件失败"));
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_TRUE(prompts_.messages[0].contains("missing.remo"));
  EXPECT_EQ(sink_.Payloads().size(), 1u);
  EXPECT_EQ(Table()[10], 0xEE);

  prompts_.nextFile = dir_.filePath("nofolder/x.remo");
  dialog.SaveFile();
  EXPECT_EQ(Tip(), QString::fromUtf8("保存遥控文件失败"));
  EXPECT_TRUE(prompts_.messages.back().startsWith("Can't write to file|Errcode="));
}

TEST_F(RemoteDialogTest, LabelsFollowTheLanguage) {
  CRemoteDlg& dialog = Open();
  ctx_.Model().Update([](DeviceState& s) { s.remote[1] = 0x45; });
  dialog.RefreshFromImage();
  EXPECT_EQ(dialog.FunctionButton(2)->text(), QString::fromUtf8("Android主页"));
  SaveShot(&dialog, "remote_dialog_zh");
  ctx_.SetLanguage(Language::English);
  dialog.Relabel();
  EXPECT_EQ(dialog.windowTitle(), "Learn remoter control ");
  EXPECT_EQ(dialog.FunctionButton(2)->text(), "Home");
  EXPECT_EQ(dialog.FunctionButton(1)->toolTip(), "Key code: 45");
  SaveShot(&dialog, "remote_dialog_en");
}

}  // namespace
}  // namespace nr::gui::test
