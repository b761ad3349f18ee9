#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "smarthome/KeyFile.h"
#include "support/ScratchDir.h"

namespace nr {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

class KeyFileTest : public ::testing::Test {
 protected:
  test::ScratchDir root_{"nr_keys"};
  KeyFiles files_{root_ / "490" / "Plug"};
};

TEST_F(KeyFileTest, NewPlugGetsTheDefaultFileExactly) {
  ASSERT_TRUE(files_.EnsureFile(12));  // creates the folders too
  EXPECT_EQ(files_.FilePath(12), root_ / "490" / "Plug" / "12.xml");
  const std::string text = ReadText(files_.FilePath(12));
  const std::string head =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Keys>\r\n<Key Index=\"0\" Name=\"Key1\" Status=\"0\"/>\r\n"
      "<Key Index=\"1\" Name=\"Key2\" Status=\"0\"/>\r\n";
  EXPECT_EQ(text.substr(0, head.size()), head);
  EXPECT_NE(text.find("<Key Index=\"31\" Name=\"Key32\" Status=\"0\"/>\r\n</Keys>\r\n"), std::string::npos);
  EXPECT_EQ(text.size(), text.rfind("</Keys>\r\n") + 9);

  const auto slots = files_.Read(12);
  ASSERT_TRUE(slots);
  ASSERT_EQ(slots->size(), 32u);
  for (int i = 0; i < 32; ++i) {
    EXPECT_EQ((*slots)[static_cast<size_t>(i)], (KeySlot{i, "Key" + std::to_string(i + 1), 0}));
  }
  // An existing file is kept.
  ASSERT_TRUE(files_.SetStatus(12, 4, 1));
  ASSERT_TRUE(files_.EnsureFile(12));
  EXPECT_TRUE((*files_.Read(12))[4].Learned());
}

TEST_F(KeyFileTest, NamesWithMarkupCharactersRoundTrip) {
  ASSERT_TRUE(files_.CreateDefault(3));
  const std::string name = "Tom & \"Jerry\" <'TV'>\n";
  ASSERT_TRUE(files_.SetName(3, 2, name));
  EXPECT_NE(ReadText(files_.FilePath(3)).find("Name=\"Tom &amp; &quot;Jerry&quot; &lt;&apos;TV&apos;&gt;&#10;\""),
            std::string::npos);
  EXPECT_EQ(files_.Name(3, 2), name);
  ASSERT_TRUE(files_.SetName(3, 5, "电视开关"));
  EXPECT_EQ(files_.Name(3, 5), "电视开关");
  EXPECT_FALSE(files_.SetName(3, 40, "none"));  // no such Index: nothing written
}

TEST_F(KeyFileTest, TolerantReaderKeepsFileOrderAndFindsByIndex) {
  fs::create_directories(files_.Folder());
  WriteText(files_.FilePath(5),
            "some text the user left here\n<?xml version=\"1.0\"?>\n"
            "<Keys>\n  <Key Status=\"1\" Name=\"Power\" Index=\"7\"></Key>\n\t<Other/>\n"
            "  <Key Index=\"2\" Name=\"Mute\"/>\n  <Key Index=\"x\" Status=\"3abc\"/>\n</Keys>\n");
  const auto slots = files_.Read(5);
  ASSERT_TRUE(slots);
  EXPECT_EQ(*slots, (std::vector<KeySlot>{{7, "Power", 1}, {2, "Mute", 0}, {0, "", 3}}));
  EXPECT_EQ(files_.Name(5, 2), "Mute");
  ASSERT_TRUE(files_.SetStatus(5, 2, 1));
  // The document is saved whole again, in the written form, order and other elements kept.
  EXPECT_EQ(ReadText(files_.FilePath(5)),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Keys>\r\n<Key Status=\"1\" Name=\"Power\" Index=\"7\"/>\r\n"
            "<Other/>\r\n<Key Index=\"2\" Name=\"Mute\" Status=\"1\"/>\r\n<Key Index=\"x\" Status=\"3abc\"/>\r\n</Keys>\r\n");
}

TEST_F(KeyFileTest, BrokenFilesFailAndStayUntouched) {
  fs::create_directories(files_.Folder());
  for (const std::string broken : {"", "no element at all", "<Keys><Key Index=\"1\"></Keys>", "<Keys/><Keys/>",
                                   "<Keys><Key Index=\"1\" Name=\"a\"", "<Keys></Other>"}) {
    WriteText(files_.FilePath(9), broken);
    EXPECT_FALSE(files_.Read(9)) << broken;
    EXPECT_FALSE(files_.SetName(9, 1, "b")) << broken;
    EXPECT_EQ(files_.Name(9, 1), "") << broken;
    EXPECT_EQ(ReadText(files_.FilePath(9)), broken);
  }
  EXPECT_FALSE(files_.Read(77));  // missing
  fs::create_directories(files_.FilePath(78));
  EXPECT_FALSE(files_.Read(78));  // not a regular file
}

// Nesting is refused before anything walks it: a file of 60000 nested elements (420 KB) would
// otherwise exhaust the stack of whatever reads or writes it.
TEST_F(KeyFileTest, DeeplyNestedFilesAreRefusedShallowOnesRewritten) {
  fs::create_directories(files_.Folder());
  // The root, then elements inside each other down to the depth.
  const auto nested = [](int depth) {
    std::string text = "<Keys><Key Index=\"1\" Name=\"a\"/>";
    for (int i = 1; i < depth; ++i) text += "<b>";
    for (int i = 1; i < depth; ++i) text += "</b>";
    return text + "</Keys>";
  };
  for (const int depth : {kMaxKeyFileDepth + 1, 60000}) {
    const std::string text = nested(depth);
    WriteText(files_.FilePath(9), text);
    EXPECT_FALSE(files_.Read(9)) << depth;
    EXPECT_FALSE(files_.SetName(9, 1, "b")) << depth;
    EXPECT_FALSE(files_.SetStatus(9, 1, 1)) << depth;
    EXPECT_EQ(files_.Name(9, 1), "") << depth;
    EXPECT_EQ(ReadText(files_.FilePath(9)), text);
  }
  // The deepest a key file may nest is read and written back whole, every element closed.
  WriteText(files_.FilePath(9), nested(kMaxKeyFileDepth));
  ASSERT_TRUE(files_.SetStatus(9, 1, 1));
  std::string expected = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Keys>\r\n<Key Index=\"1\" Name=\"a\" Status=\"1\"/>\r\n";
  for (int i = 2; i < kMaxKeyFileDepth; ++i) expected += "<b>\r\n";
  expected += "<b/>\r\n";
  for (int i = 2; i < kMaxKeyFileDepth; ++i) expected += "</b>\r\n";
  EXPECT_EQ(ReadText(files_.FilePath(9)), expected + "</Keys>\r\n");
}

TEST_F(KeyFileTest, ClearingTheFolderKeepsSubfolders) {
  ASSERT_TRUE(files_.CreateDefault(2));
  ASSERT_TRUE(files_.CreateDefault(3));
  fs::create_directories(files_.Folder() / "old" / "deeper");
  WriteText(files_.Folder() / "old" / "a.xml", "x");
  WriteText(files_.Folder() / "old" / "deeper" / "b.txt", "y");
  ASSERT_TRUE(files_.Remove(2));
  EXPECT_FALSE(files_.Exists(2));
  ASSERT_TRUE(files_.Clear());
  EXPECT_TRUE(fs::is_directory(files_.Folder() / "old" / "deeper"));
  EXPECT_FALSE(fs::exists(files_.FilePath(3)));
  EXPECT_FALSE(fs::exists(files_.Folder() / "old" / "a.xml"));
  EXPECT_FALSE(fs::exists(files_.Folder() / "old" / "deeper" / "b.txt"));
}

TEST_F(KeyFileTest, FolderThatIsAFileIsReported) {
  fs::create_directories(root_);
  WriteText(root_ / "blocked", "file");
  KeyFiles blocked(root_ / "blocked");
  EXPECT_FALSE(blocked.EnsureFolder());
  EXPECT_FALSE(blocked.CreateDefault(2));
}

}  // namespace
}  // namespace nr
