// What the output pages write is what the emulated device keeps: after a series of edits its
// image is the PC's image, so a pull returns every edit.
#include <gtest/gtest.h>

#include <cstring>

#include "emu/DeviceCore.h"
#include "eq/BandWrites.h"
#include "inputs/SoundField.h"
#include "link/DeviceSession.h"
#include "outputs/Compressor.h"
#include "outputs/Delay.h"
#include "outputs/OutputChannels.h"
#include "outputs/RecordOutput.h"

namespace nr::emu {
namespace {

// Hands every payload straight to the emulated device.
class CoreSink : public PacketSink {
 public:
  explicit CoreSink(DeviceCore& core) : core_(core) {}
  int SendPacket(std::span<const uint8_t> payload, bool) override {
    const CoreResult r = core_.Handle(payload);
    return r.replies.empty() ? 0 : static_cast<int>(payload.size());
  }

 private:
  DeviceCore& core_;
};

TEST(OutputStorage, APullAfterOutputEditsReturnsThem) {
  DeviceCore core;
  DeviceModel model;
  CoreSink sink(core);
  DeviceSession session(model, sink);

  const LinkOptions links;
  SetSpeakerPosition(session, 4, kPosFrontLeft);
  SetOutputSend(session, 0, links, kSendMusic, 35);
  SetOutputMute(session, 3, true);
  SetOutputPhase(session, 2, true);
  SetDelaySplitMode(session, 1, false);
  SetDelaySplitFrequency(session, 1, 9);
  SetDelayTenths(session, 1, 333);
  SetDelayOn(session, 1, true);
  WriteLinkedCompressor(session, 6, links, DynamicsSettings{-24, 3.5f, 12, 400});
  SetCompressorOn(session, kRecordUnit, true);
  WriteCompressor(session, kRecordUnit, DynamicsSettings{-6, 2.0f, 5, 50});
  SetRecordSend(session, kSendEcho, 20);
  SetRecordLevel(session, 70);
  SetEqBand(session, 15, 0, 1, 80, 4.0f, 1.0f);  // record EQ: shares addresses with the sends
  SetEqBand(session, 15, 4, 1, 900, -3.0f, 2.0f);  // ... and with the record compressor
  MoveListener(session, 0.7f, -0.4f);
  MoveSpeaker(session, 6, -1.8f, 0.3f);
  SetRoomSize(session, 6, 5);
  Locate(session, kPosCenter);
  ResetOutputEq(session, 4, links);

  const DeviceState pc = model.Snapshot();
  ParamImage expected = pc.image;
  std::memcpy(expected.data(), pc.eqTable.data(), kEqTableSize);  // the live band and sound-field copy
  const ParamImage device = core.Image();
  for (size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(device[i], expected[i]) << "offset " << i;

  // And decoded, the device's image gives back the values the pages showed.
  DeviceState pulled;
  InitDeviceModel(pulled);
  pulled.image = device;
  ApplyImage(pulled);
  EXPECT_EQ(RecordSend(pulled, kSendEcho), 20);
  EXPECT_EQ(RecordSend(pulled, kSendDirect), 100);
  EXPECT_EQ(CompressorSettings(pulled, kRecordUnit).ratio, 2.0f);
  EXPECT_EQ(CompressorSettings(pulled, 7).attackMs, 12.0f);
  EXPECT_EQ(DelaySplitIndex(pulled, 1), 9);
  EXPECT_FALSE(ChannelDelayMode(pulled, 1));
  EXPECT_EQ(pulled.derived.room.width, 6);
  EXPECT_EQ(LocatedCode(pulled), kPosCenter);
}

}  // namespace
}  // namespace nr::emu
