// The venue file: what it keeps, what it refuses, and the edits of its rooms.
#include "venue/VenueFile.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/ScratchDir.h"

namespace nr::test {
namespace {

std::string ReadAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::filesystem::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

Venue TwoRooms() {
  Venue v;
  EXPECT_EQ(AddRoom(v, {"Room 1", "192.168.1.20", "upstairs", ""}), "");
  EXPECT_EQ(AddRoom(v, {"VIP 大厅", "[fe80::1]:4000", "", "2026-12-01_2130"}), "");
  return v;
}

TEST(VenueFile, SavedAndLoadedAsItWasAMissingFileBeingAnEmptyVenue) {
  ScratchDir dir("venue");
  const auto path = dir / "sub" / "venue.json";
  Venue read;
  EXPECT_EQ(LoadVenue(path, read).status, VenueFileStatus::kMissing);
  EXPECT_TRUE(read.rooms.empty());

  ASSERT_EQ(SaveVenue(path, TwoRooms()), "");  // the folder is made
  ASSERT_EQ(LoadVenue(path, read).status, VenueFileStatus::kLoaded);
  EXPECT_EQ(read, TwoRooms());
  EXPECT_NE(ReadAll(path).find("\"name\": \"VIP 大厅\""), std::string::npos);
}

TEST(VenueFile, ACorruptFileIsRefusedWithItsLineAndStaysAsItWas) {
  ScratchDir dir("venue");
  const auto path = dir / "venue.json";
  const std::string broken = "{\n  \"version\": 1,\n  \"rooms\": [\n    {\"name\": \"A\", \"address\": \"10.0.0.1\"\n  ]\n}\n";
  WriteAll(path, broken);
  Venue venue = TwoRooms();
  const VenueFileResult result = LoadVenue(path, venue);
  EXPECT_EQ(result.status, VenueFileStatus::kRefused);
  EXPECT_NE(result.message.find("line 5"), std::string::npos) << result.message;
  EXPECT_EQ(venue, TwoRooms());        // the venue held is not touched
  EXPECT_EQ(ReadAll(path), broken);    // nor is the file

  // Sound JSON that is no venue: each refusal names the room and what is wrong with it.
  const std::pair<std::string, std::string> cases[] = {
      {R"({"rooms": 3})", "\"rooms\" is not a list"},
      {R"([1, 2])", "no venue file"},
      {R"({"version": 2, "rooms": []})", "another version"},
      {R"({"rooms": [{"name": "A", "address": "10.0.0.1"}, {"name": "A", "address": "10.0.0.2"}]})", "room 2 (\"A\"): an earlier room has the same name"},
      {R"({"rooms": [{"name": "A", "address": "10.0.0.300"}]})", "room 1 (\"A\"): \"10.0.0.300\" is no network address"},
      {R"({"rooms": [{"name": "../x", "address": "10.0.0.1"}]})", "cannot hold \"/\""},
      {R"({"rooms": [{"name": 7, "address": "10.0.0.1"}]})", "room 1: \"name\" is not a text"},
  };
  for (const auto& [text, expected] : cases) {
    std::string problem;
    EXPECT_FALSE(VenueFromJson(text, problem)) << text;
    EXPECT_NE(problem.find(expected), std::string::npos) << text << " -> " << problem;
  }
  // A folder where the file should be is refused, not waited on or taken for empty.
  EXPECT_EQ(LoadVenue(dir.path(), venue).status, VenueFileStatus::kRefused);
}

TEST(VenueFile, EditsRefuseWhatWouldBreakTheVenueAndChangeNothingThen) {
  Venue v = TwoRooms();
  const Venue before = v;
  EXPECT_NE(AddRoom(v, {"Room 1", "10.0.0.9", "", ""}).find("already a room named"), std::string::npos);
  EXPECT_NE(AddRoom(v, {"Bar", "192.168.1.20:30303", "", ""}).find("already the address of room \"Room 1\""), std::string::npos);
  EXPECT_NE(AddRoom(v, {"Bar", "10.0.0", "", ""}).find("no network address"), std::string::npos);
  for (const char* bad : {"", ".", "..", " Bar", "a/b", "a\\b", "tab\there"})
    EXPECT_NE(AddRoom(v, {bad, "10.0.0.9", "", ""}), "") << bad;
  EXPECT_NE(AddRoom(v, {std::string(65, 'x'), "10.0.0.9", "", ""}), "");
  EXPECT_NE(RemoveRoom(v, "Bar"), "");
  EXPECT_NE(RenameRoom(v, "Room 1", "VIP 大厅"), "");
  EXPECT_NE(RenameRoom(v, "Nope", "Other"), "");
  EXPECT_EQ(v, before);

  EXPECT_EQ(RenameRoom(v, "Room 1", "Room 01"), "");
  EXPECT_EQ(v.rooms[0].name, "Room 01");
  EXPECT_EQ(v.rooms[0].note, "upstairs");
  EXPECT_EQ(RemoveRoom(v, "Room 01"), "");
  ASSERT_EQ(v.rooms.size(), 1u);
  EXPECT_EQ(v.rooms[0].name, "VIP 大厅");
}

}  // namespace
}  // namespace nr::test
