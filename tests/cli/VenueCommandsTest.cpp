// nrctl venue: the venue file's edits, and the operations on emulated rooms, each an nremu
// process on a loopback address of its own.
#include <nlohmann/json.hpp>

#include "DeviceFixture.h"
#include "link/DeviceSession.h"
#include "link/PacketSink.h"

namespace nr::devtest {
namespace {

using Json = nlohmann::json;

class Venue : public DeviceCommands {
 protected:
  // Room i on 127.0.9.(i+1).
  void StartRooms(int n, const std::function<std::vector<std::string>(int)>& options = {}) {
    for (int i = 0; i < n; ++i) {
      const fs::path dir = dir_ / ("room" + std::to_string(i));
      fs::create_directories(dir);
      const std::string address = "127.0.9." + std::to_string(i + 1);
      std::vector<std::string> o{"--bind", address};
      if (options) {
        const std::vector<std::string> more = options(i);
        o.insert(o.end(), more.begin(), more.end());
      }
      emus_.push_back(std::make_unique<EmulatorProcess>(nremu_, dir));
      ASSERT_TRUE(emus_.back()->Start(o)) << address;
      const Result added = V({"add", "Room " + std::to_string(i + 1), address + ":" + std::to_string(emus_.back()->Port())});
      ASSERT_EQ(added.status, 0) << added.err;
    }
  }
  void TearDown() override {
    emus_.clear();
    DeviceCommands::TearDown();
  }
  // nrctl venue --venue <this test's venue> args...
  Result V(const std::vector<std::string>& args) {
    std::vector<std::string> all{"venue", "--venue", venue_.string()};
    all.insert(all.end(), args.begin(), args.end());
    return Run(all);
  }
  fs::path Preset(const std::string& name, int micVolume) {
    DeviceModel model;
    NullSink sink;
    DeviceSession session(model, sink);
    session.SetParam(1, 14, micVolume);
    const fs::path p = dir_ / name;
    EXPECT_TRUE(WriteModeFile(p, model).ok());
    return p;
  }

  fs::path venue_ = dir_ / "venue.json";
  std::vector<std::unique_ptr<EmulatorProcess>> emus_;
};

TEST_F(Venue, RoomsAreAddedRenamedAndRemovedAndABrokenFileIsRefusedUntouched) {
  ASSERT_EQ(V({"add", "Bar", "10.0.0.5", "by the door"}).status, 0);
  ASSERT_EQ(V({"add", "VIP 1", "10.0.0.6:4000"}).status, 0);
  EXPECT_EQ(V({"add", "Bar", "10.0.0.7"}).status, 1);        // the name is taken
  EXPECT_EQ(V({"add", "Hall", "10.0.0.300"}).status, 2);     // no address
  EXPECT_EQ(V({"add", "a/b", "10.0.0.8"}).status, 2);        // no file name
  EXPECT_EQ(V({"rename", "VIP 1", "VIP One"}).status, 0);
  EXPECT_EQ(V({"remove", "Nobody"}).status, 1);
  EXPECT_EQ(V({"frobnicate"}).status, 2);
  EXPECT_EQ(Run({"--net", "10.0.0.5", "venue", "--venue", venue_.string(), "list"}).status, 2);

  const Result list = V({"list", "--json"});
  ASSERT_EQ(list.status, 0) << list.err;
  const Json rooms = Json::parse(list.out);
  ASSERT_EQ(rooms.size(), 2u);
  EXPECT_EQ(rooms[0]["name"], "Bar");
  EXPECT_EQ(rooms[0]["note"], "by the door");
  EXPECT_EQ(rooms[1]["name"], "VIP One");
  EXPECT_EQ(rooms[1]["address"], "10.0.0.6:4000");
  EXPECT_EQ(V({"remove", "Bar"}).status, 0);
  EXPECT_EQ(V({"list"}).out, "VIP One  10.0.0.6:4000\n");

  const std::string broken = "{\"rooms\": [\n  {\"name\": \"A\",, \"address\": \"10.0.0.1\"}\n]}\n";
  std::ofstream(venue_, std::ios::binary) << broken;
  for (const std::vector<std::string>& words : {std::vector<std::string>{"list"}, {"add", "B", "10.0.0.2"}, {"status"}}) {
    const Result refused = V(words);
    EXPECT_EQ(refused.status, 3) << words[0];
    EXPECT_NE(refused.err.find("line 2"), std::string::npos) << refused.err;
  }
  EXPECT_EQ(ReadText(venue_), broken);
}

TEST_F(Venue, StatusAndABackupThatLosesARoomPartWay) {
  constexpr int kVictim = 2;
  StartRooms(4, [](int i) { return i == kVictim ? std::vector<std::string>{"--latency-ms", "20"} : std::vector<std::string>{}; });
  ASSERT_EQ(V({"add", "Dark", "127.0.9.99:" + std::to_string(emus_[0]->Port())}).status, 0);

  const Result status = V({"status", "--json"});
  EXPECT_EQ(status.status, 1);  // the dark room
  const Json rooms = Json::parse(status.out);
  ASSERT_EQ(rooms.size(), 5u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(rooms[i]["online"], true) << rooms[i];
    EXPECT_EQ(rooms[i]["module"], "NR490");
    EXPECT_EQ(rooms[i]["protocol"], 24);
    EXPECT_EQ(rooms[i]["mode"], 1);
  }
  EXPECT_EQ(rooms[4]["online"], false);
  EXPECT_NE(rooms[4]["problem"].get<std::string>().find("offline"), std::string::npos);
  ASSERT_EQ(V({"remove", "Dark"}).status, 0);
  for (auto& e : emus_) ASSERT_TRUE(e->WaitForGoodbyes(1));

  // The slow room is killed once its image is being read.
  const fs::path backups = dir_ / "backups";
  const fs::path out = dir_ / "backup.out", err = dir_ / "backup.err";
  const pid_t pid = Spawn({nrctl_.string(), "venue", "--venue", venue_.string(), "backup", backups.string()}, "/dev/null", out, err);
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(WaitUntil([&] {
    const auto codes = emus_[kVictim]->ReceivedCodes();
    return std::count(codes.begin(), codes.end(), 0x30) >= 5;
  }, kRunTimeout));
  emus_[kVictim]->Kill();
  EXPECT_EQ(WaitForExit(pid, kRunTimeout), 1);
  const std::string stderrText = ReadText(err);
  EXPECT_NE(stderrText.find("Room 3: offline: lost the connection while reading the image"), std::string::npos) << stderrText;
  EXPECT_NE(ReadText(out).find("3 of 4 rooms saved in "), std::string::npos) << ReadText(out);

  std::vector<fs::path> folders;
  for (const auto& entry : fs::directory_iterator(backups)) folders.push_back(entry.path());
  ASSERT_EQ(folders.size(), 1u);
  for (const char* room : {"Room 1", "Room 2", "Room 4"})
    EXPECT_EQ(fs::file_size(folders[0] / (std::string(room) + ".mode")), static_cast<uintmax_t>(kModeFileWithTrailerSize));
  EXPECT_FALSE(fs::exists(folders[0] / "Room 3.mode"));
  EXPECT_NE(ReadText(folders[0] / "summary.txt").find("offline\tRoom 3\t127.0.9.3:"), std::string::npos);
  // The venue remembers which rooms the backup holds.
  const Json listed = Json::parse(V({"list", "--json"}).out);
  EXPECT_EQ(listed[0]["lastBackup"], folders[0].filename().string());
  EXPECT_TRUE(listed[2]["lastBackup"].is_null());
}

TEST_F(Venue, PushStoresInEveryRoomAndCheckNamesTheRoomThatHoldsAnother) {
  StartRooms(3);
  const fs::path reference = Preset("reference.mode", 40), other = Preset("other.mode", 77);
  const Result pushed = V({"push", reference.string(), "--store", "2"});
  ASSERT_EQ(pushed.status, 0) << pushed.err;
  EXPECT_NE(pushed.out.find("Room 3: pushed and stored in M2\n"), std::string::npos) << pushed.out;
  for (auto& e : emus_) ASSERT_TRUE(e->WaitForGoodbyes(1));
  ASSERT_EQ(V({"push", other.string(), "Room 2"}).status, 0);
  ASSERT_TRUE(emus_[1]->WaitForGoodbyes(2));

  const Result check = V({"check", reference.string(), "--json"});
  EXPECT_EQ(check.status, 1);
  const Json rooms = Json::parse(check.out);
  ASSERT_EQ(rooms.size(), 3u);
  EXPECT_EQ(rooms[0]["equal"], true);
  EXPECT_EQ(rooms[1]["equal"], false);
  EXPECT_EQ(rooms[1]["differences"], 1);
  EXPECT_EQ(rooms[1]["pages"]["Microphones and music"], 1);
  EXPECT_EQ(rooms[2]["equal"], true);
  for (auto& e : emus_) ASSERT_TRUE(e->WaitForGoodbyes(e.get() == emus_[1].get() ? 3 : 2));
  const Result some = V({"check", reference.string(), "Room 1", "Room 3"});
  EXPECT_EQ(some.status, 0) << some.err;
  EXPECT_EQ(some.out, "Room 1: equal\nRoom 3: equal\n");

  // Refused before any room is reached: a preset that is no mode file, a room the venue lacks.
  std::ofstream(dir_ / "bad.mode") << "not a preset";
  EXPECT_EQ(V({"push", (dir_ / "bad.mode").string()}).status, 3);
  EXPECT_EQ(V({"check", reference.string(), "Room 9"}).status, 2);
}

}  // namespace
}  // namespace nr::devtest
