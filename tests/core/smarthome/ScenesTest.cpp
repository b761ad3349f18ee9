#include <gtest/gtest.h>

#include "smarthome/Scenes.h"
#include "smarthome/SmartHomeMemory.h"
#include "support/RecordingSink.h"

namespace nr {
namespace {

using test::Hex;

TEST(PlugRecords, EncodedHighByteFirstWithAtMostElevenCharacters) {
  const PlugRecordBytes bytes = PlugRecord{kPlugDimmer, u"灯A"}.Encode();
  EXPECT_EQ(Hex(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 10)), "02 00 00 00 70 6F 00 41 00 00");
  EXPECT_EQ(PlugRecord::Decode(bytes), (PlugRecord{kPlugDimmer, u"灯A"}));

  EXPECT_EQ(PlugRecord::Decode(PlugRecord{1, u"123456789012"}.Encode()).name, u"12345678901");
  // A record whose name fills all 12 units without a terminator still reads 12 units, no more.
  PlugRecordBytes full{};
  for (int i = 0; i < 12; ++i) full[static_cast<size_t>(5 + 2 * i)] = 'a';
  EXPECT_EQ(PlugRecord::Decode(full).name.size(), 12u);
  // Cutting never splits a surrogate pair.
  EXPECT_EQ(TruncateUnits(u"0123456789\U0001F600", 11), u"0123456789");
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16("客厅 \xF0\x9F\x98\x80")), "客厅 \xF0\x9F\x98\x80");
  EXPECT_EQ(Utf8ToUtf16("a\xFF"), u"a\uFFFD");
}

TEST(PlugRecords, ProposedNameTakesTheSmallestFreeNumber) {
  const std::vector<std::u16string> names{u"开关1", u"开关3", u"调压1", u"开关2"};
  EXPECT_EQ(ProposePlugName(kPlugSwitch, names), u"开关4");
  EXPECT_EQ(ProposePlugName(kPlugDimmer, names), u"调压2");
  EXPECT_EQ(ProposePlugName(kPlugSwitch, {}), u"开关1");
}

TEST(Scenes, ValueTexts) {
  const KeyNameLookup keys = [](int node, int slot) { return node == 7 && slot == 2 ? "Mute" : ""; };
  struct Case {
    SceneStep step;
    const char* zh;
    const char* en;
  };
  for (const Case& c : {Case{{kDelayStep, 5}, "5秒", "5s"}, Case{{3, 0}, "关", "OFF"}, Case{{3, 99}, "开", "ON"},
                        Case{{3, 50}, "51", "51"}, Case{{3, 1}, "1", "1"}, Case{{3, 98}, "99", "99"},
                        Case{{7, 130}, "遥控键:Mute", "遥控键:Mute"}, Case{{7, 128}, "遥控键:", "遥控键:"},
                        Case{{3, 0xFF}, "255", "255"}, Case{{3, 0xC5}, "197", "197"}}) {
    EXPECT_EQ(StepValueText(c.step, false, keys), c.zh);
    EXPECT_EQ(StepValueText(c.step, true, keys), c.en);
  }
  EXPECT_STREQ(SceneNameOf(2).zh, "K歌");
  EXPECT_STREQ(SceneNameOf(5).en, "PowerOFF");
}

TEST(Scenes, EditorListsStepsUpToTheFirstEmptySlot) {
  Scene scene{};
  scene[0] = {3, 99};
  scene[1] = {kDelayStep, 4};
  scene[2] = {9, 0};         // absent plug: dropped
  scene[3] = {kHdmiStep, 0};  // not listed
  // slot 4 empty: the editor stops, although the runner would go on to slot 5
  scene[5] = {3, 0};
  const auto present = [](int node) { return node == 3; };
  EXPECT_EQ(ListedSteps(scene, present), (std::vector<SceneStep>{{3, 99}, {kDelayStep, 4}}));
  EXPECT_EQ(RowData({kDelayStep, 4}), 4u * 256 + 240);
  EXPECT_EQ(StepOfRow((128 + 6) * 256 + 7), (SceneStep{7, 134}));
}

TEST(Scenes, SavingFiveRowsWritesFiveStepsAndEmptySlots) {
  SceneList list;
  for (int i = 0; i < 5; ++i) ASSERT_EQ(list.Append({static_cast<uint8_t>(2 + i), 99}), SceneList::Result::kDone);
  const SceneBytes bytes = EncodeScene(list.ToScene());
  EXPECT_EQ(Hex(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 12)), "02 63 03 63 04 63 05 63 06 63 00 00");
  EXPECT_TRUE(std::all_of(bytes.begin() + 10, bytes.end(), [](uint8_t b) { return b == 0; }));
  EXPECT_EQ(DecodeScene(bytes), list.ToScene());
}

TEST(Scenes, EditorMovesAndLimits) {
  SceneList list;
  list.Load({{3, 99}, {kDelayStep, 2}, {4, 0}});
  EXPECT_FALSE(list.Changed());
  EXPECT_EQ(list.MoveUp(0), SceneList::Result::kAlreadyFirst);
  EXPECT_EQ(list.MoveDown(2), SceneList::Result::kAlreadyLast);
  EXPECT_EQ(list.MoveUp(-1), SceneList::Result::kNoRow);
  EXPECT_FALSE(list.Changed());  // refused moves change nothing
  EXPECT_EQ(list.MoveDown(0), SceneList::Result::kDone);
  EXPECT_EQ(list.Steps(), (std::vector<SceneStep>{{kDelayStep, 2}, {3, 99}, {4, 0}}));
  EXPECT_TRUE(list.Changed());
  EXPECT_EQ(list.Replace(1, {5, 50}), SceneList::Result::kDone);
  EXPECT_EQ(list.Remove(0), SceneList::Result::kDone);
  EXPECT_EQ(list.Steps(), (std::vector<SceneStep>{{5, 50}, {4, 0}}));
  list.Clear();
  for (int i = 0; i < kSceneSteps; ++i) ASSERT_EQ(list.Append({3, 0}), SceneList::Result::kDone);
  EXPECT_EQ(list.Append({3, 0}), SceneList::Result::kFull);
  EXPECT_EQ(list.Rows(), kSceneSteps);
}

}  // namespace
}  // namespace nr
