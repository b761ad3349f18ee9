// Restoring an earlier state: what goes on the wire, and that only the edited parts move.
#include "shell/EditSnapshot.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "eq/BandWrites.h"
#include "eq/Biquad.h"
#include "inputs/SoundField.h"
#include "link/Commands.h"
#include "link/Dynamics.h"
#include "outputs/Compressor.h"
#include "outputs/OutputChannels.h"
#include "shell/MachineSettings.h"
#include "support/RecordingSink.h"

namespace nr {
namespace {

using test::Bytes;
using test::Hex;

Bytes Of(const Payload& p) { return Bytes(p.bytes().begin(), p.bytes().end()); }

class EditSnapshotTest : public testing::Test {
 protected:
  EditSnapshot Take() { return model_.Read([](const DeviceState& s) { return TakeEditSnapshot(s); }); }
  bool Sent(const Payload& p) const {
    const auto payloads = sink_.Payloads();
    return std::find(payloads.begin(), payloads.end(), Of(p)) != payloads.end();
  }

  DeviceModel model_;
  test::RecordingSink sink_;
  DeviceSession session_{model_, sink_};
};

TEST_F(EditSnapshotTest, UndoingABandEditSendsTheOldCoefficientsAndRecord) {
  const int set = 9, band = 4;
  const EqBand old = model_.Read([&](const DeviceState& s) { return s.Band(set, band); });
  const EqBandBytes oldRecord = EncodeEqBand(old);
  const EditSnapshot before = Take();
  SetEqBand(session_, set, band, kHighShelf, 2200, 7.5f, 0.8f);
  const EditSnapshot after = Take();
  ASSERT_FALSE(SameEdits(before, after));
  sink_.Clear();

  RestoreEdits(session_, after, before);
  const EqSetLayout layout = EqSetInfo(set);
  const Payload coefficients = BuildWriteBiquad(
      layout.module, layout.firstIndex + band, DeviceCoefficients(DesignBiquad(old.type, old.gainDb, old.freq, old.q)));
  const Payload record = BuildWriteImageBytes(EqBandOffset(set, band), oldRecord);
  EXPECT_EQ(test::HexPayloads(sink_), (std::vector<std::string>{Hex(Of(coefficients)), Hex(Of(record))}));
  EXPECT_TRUE(SameEdits(Take(), before));

  sink_.Clear();  // and redo puts the new band back
  RestoreEdits(session_, before, after);
  EXPECT_EQ(sink_.Payloads().size(), 2u);
  EXPECT_EQ(model_.Read([&](const DeviceState& s) { return s.Band(set, band).type; }), kHighShelf);
}

TEST_F(EditSnapshotTest, EveryKindOfEditGoesBackThroughTheWritesThatMadeIt) {
  model_.Update([](DeviceState& s) { s.machineEdit = s.machine; });
  const EditSnapshot before = Take();
  session_.SetParam(1, 14, 37);                                   // a volume record
  WriteCompressor(session_, 2, DynamicsSettings{-12, 4, 5, 200});  // a compressor block
  SetSpeakerPosition(session_, 0, 0);
  MoveSpeaker(session_, 0, -1.5f, 1.5f);                          // room, levels, a distance filter
  SetEqBand(session_, kRecordEqSet, 1, kPeaking, 120, 4.0f, 2.0f);  // the record EQ: coefficients only
  model_.Update([](DeviceState& s) { s.derived.pitch = 3; });
  EditMachineSettings(model_, [](MachineSettings& m) { SetPanelLock(m, true); });
  ApplyMachineSettings(session_);
  const EditSnapshot after = Take();
  sink_.Clear();

  RestoreEdits(session_, after, before);
  const auto words = [&](int module, int index) {
    const ParamRow& row = ParamRows()[static_cast<size_t>(FindParamRow(module, index))];
    return Bytes(before.image.begin() + row.WordOffset(), before.image.begin() + row.WordOffset() + 4 * row.words);
  };
  EXPECT_TRUE(Sent(BuildWriteDspWords(1, 14, words(1, 14))));
  EXPECT_TRUE(Sent(BuildWriteDspWords(DynamicsModule(2), DynamicsIndex(2), words(DynamicsModule(2), DynamicsIndex(2)))));
  EXPECT_TRUE(Sent(BuildWriteDspWords(5, 0x1D, words(5, 0x1D))));
  EXPECT_TRUE(Sent(BuildWriteImageBytes(kRoomRecordOffset, std::span(&before.eqTable[kRoomRecordOffset], kRoomRecordSize))));
  EXPECT_TRUE(Sent(BuildWriteImageBytes(kSoundFieldLevelsOffset,
                                        std::span(&before.eqTable[kSoundFieldLevelsOffset], kSoundFieldLevelsSize))));
  EXPECT_TRUE(Sent(RecordEqWrites(before.recordEq)[1]));
  EXPECT_TRUE(Sent(Payload{0x09, 0x00, 0x04, 0x10, 0x01, 0x00, 0x00, 0x00, 0x05}));  // the pitch back to 0
  EXPECT_TRUE(Sent(BuildWriteMachineSettings(before.machine)));
  EXPECT_TRUE(SameEdits(Take(), before));
  EXPECT_EQ(model_.Read([](const DeviceState& s) { return s.derived.compressors[2]; }), before.derived.compressors[2]);
}

TEST_F(EditSnapshotTest, OnlyTheStepsOwnPartsMove) {
  const EditSnapshot before = Take();
  session_.SetParam(1, 14, 37);
  const EditSnapshot after = Take();
  session_.SetParam(4, 12, 55);                           // a later edit, not part of the step
  SetEqBand(session_, 0, 2, kPeaking, 63, -6.0f, 1.41f);
  model_.Update([](DeviceState& s) { s.eqTable[kLevelFeatureOffset] ^= 0xFF; });  // the device's own value
  sink_.Clear();

  RestoreEdits(session_, after, before);
  EXPECT_EQ(sink_.Payloads().size(), 1u);
  EXPECT_EQ(model_.Read([](const DeviceState& s) { return s.IntValue(4, 12); }), 55);
  EXPECT_EQ(model_.Read([](const DeviceState& s) { return s.Band(0, 2).gainDb; }), -6.0f);
  EXPECT_EQ(model_.Read([](const DeviceState& s) { return s.IntValue(1, 14); }), before.values[static_cast<size_t>(FindParamRow(1, 14))].AsInt());

  // The device's level feature is no edit of the user's.
  EditSnapshot reported = before;
  reported.eqTable[kLevelFeatureOffset] ^= 0xFF;
  reported.derived.levelFeature = 12;
  EXPECT_TRUE(SameEdits(before, reported));
}

}  // namespace
}  // namespace nr
