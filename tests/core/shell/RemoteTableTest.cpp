// The remote-control table: learning commands and .remo files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "shell/RemoteTable.h"
#include "support/RecordingSink.h"
#include "support/ScratchDir.h"

namespace nr {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::Hex;

class RemoteTableOps : public ::testing::Test {
 protected:
  RemoteTableOps() {
    model.Update([](DeviceState& s) {
      for (size_t i = 0; i < s.remote.size(); ++i) s.remote[i] = static_cast<uint8_t>(0xA0 + i);
    });
  }

  void WriteFile(const fs::path& p, const Bytes& bytes) {
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
  }
  RemoteCodes Table() { return model.Read([](const DeviceState& s) { return s.remote; }); }

  test::ScratchDir dir{"nr_remote"};
  DeviceModel model;
  test::RecordingSink sink;
  DeviceSession session{model, sink};
};

TEST_F(RemoteTableOps, LearningCommands) {
  const auto learning = [&] { return model.Read([](const DeviceState& s) { return s.remoteLearning; }); };
  StartRemoteLearning(session, 19);
  EXPECT_EQ(learning(), 19);
  StartRemoteLearning(session, 0);   // not a function: nothing sent, nothing changes
  StartRemoteLearning(session, 26);
  EXPECT_EQ(learning(), 19);
  StopRemoteLearning(session);
  EXPECT_EQ(learning(), 0);  // a report that comes after the stop is not taken
  EXPECT_EQ(test::HexPayloads(sink), (std::vector<std::string>{"60 13", "61"}));
  EXPECT_EQ(std::string(RemoteFunctions()[18].learningEn), "Learning key:Mode1");
  EXPECT_EQ(std::string(RemoteFunctions()[6].learningEn), "Learning key:Rgith");
}

TEST_F(RemoteTableOps, AShortFileChangesOnlyItsOwnBytesAndTheWholeTableIsSent) {
  const fs::path file = dir / "short.remo";
  WriteFile(file, Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  ASSERT_FALSE(LoadRemoteTable(session, file));
  const RemoteCodes table = Table();
  EXPECT_EQ(table[0], 1);
  EXPECT_EQ(table[9], 10);
  EXPECT_EQ(table[10], 0xAA);
  EXPECT_EQ(table[29], 0xBD);
  ASSERT_EQ(sink.Payloads().size(), 1u);
  Bytes expected{0x63};
  expected.insert(expected.end(), table.begin(), table.end());
  EXPECT_EQ(sink.Payloads()[0], expected);

  // A longer file gives its first 30 bytes.
  WriteFile(file, Bytes(40, 0x11));
  ASSERT_FALSE(LoadRemoteTable(session, file));
  RemoteCodes elevens;
  elevens.fill(0x11);
  EXPECT_EQ(Table(), elevens);
}

TEST_F(RemoteTableOps, AFileThatCannotBeReadChangesAndSendsNothing) {
  const RemoteCodes before = Table();
  EXPECT_TRUE(LoadRemoteTable(session, dir / "missing.remo"));
  EXPECT_TRUE(LoadRemoteTable(session, dir));  // a folder
  EXPECT_EQ(Table(), before);
  EXPECT_TRUE(sink.Payloads().empty());
}

TEST_F(RemoteTableOps, SavedFilesGetTheRemoExtensionAndHoldTheThirtyBytes) {
  EXPECT_EQ(RemoteFilePath("/a/keys.txt"), fs::path("/a/keys.remo"));
  EXPECT_EQ(RemoteFilePath("/a.b/keys"), fs::path("/a.b/keys.remo"));
  EXPECT_EQ(RemoteFilePath("keys.remo"), fs::path("keys.remo"));

  const fs::path file = RemoteFilePath(dir / "saved.txt");
  ASSERT_FALSE(WriteRemoteFile(file, Table()));
  EXPECT_EQ(fs::file_size(file), 30u);
  EXPECT_FALSE(fs::exists(dir / "saved.txt"));
  RemoteCodes back{};
  ASSERT_FALSE(ReadRemoteFile(file, back));
  EXPECT_EQ(back, Table());
  EXPECT_TRUE(WriteRemoteFile(dir / "missing" / "x.remo", Table()));
}

}  // namespace
}  // namespace nr
