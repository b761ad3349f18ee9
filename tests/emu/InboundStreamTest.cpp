// The emulator's receive splitter and its line noise.
#include <gtest/gtest.h>

#include "emu/DeviceCore.h"
#include "emu/Garbage.h"
#include "emu/InboundStream.h"

namespace nr::emu {
namespace {

struct Collector : FrameHandler {
  std::vector<Bytes> payloads;
  void OnPayload(std::span<const uint8_t> p) override { payloads.emplace_back(p.begin(), p.end()); }
};

Bytes Frame(std::initializer_list<uint8_t> prefixed) {
  const NetFrame f = BuildNetFrame(Bytes(prefixed));
  return Bytes(f.bytes.begin(), f.bytes.begin() + static_cast<long>(f.size));
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

const Bytes kHb(kHeartbeat.begin(), kHeartbeat.end());

TEST(InboundStream, FindsHeartbeatsAtEveryFrameBoundary) {
  InboundStream in;
  Collector c;
  const Bytes stream = Join({kHb, Frame({0x81, 0x7F}), kHb, Frame({0x81, 0x80}), Bytes{0x00, 0x24}, kHb});
  // Fed a byte at a time, so that heartbeats and frames are split everywhere.
  int heartbeats = 0, skipped = 0;
  for (uint8_t b : stream) {
    const auto counts = in.Feed(std::span(&b, 1), c);
    heartbeats += counts.heartbeats;
    skipped += counts.skipped;
  }
  EXPECT_EQ(heartbeats, 3);
  EXPECT_EQ(skipped, 2);  // the stray 00 and the '$' that did not start an echo
  ASSERT_EQ(c.payloads.size(), 2u);
  EXPECT_EQ(c.payloads[1], (Bytes{0x81, 0x80}));
  EXPECT_EQ(in.Buffered(), 0u);

  // A bad checksum drops that frame only; a frame without a command byte is consumed.
  Bytes bad = Frame({0x81, 0x07});
  bad.back() ^= 1;
  const auto counts = in.Feed(Join({bad, Bytes{0x55, 0x01, 0xFE}, Frame({0x81, 0x92})}), c);
  EXPECT_EQ(counts.frames, 1);
  EXPECT_EQ(c.payloads.back(), (Bytes{0x81, 0x92}));
}

TEST(GarbageFrames, AreShortFramesThePcParserDropsAndStaysInStep) {
  GarbageFrames noise(7);
  Bytes stream;
  int made = 0;
  for (int i = 0; i < 200; ++i) {
    if (auto junk = noise.Next()) {
      ++made;
      ASSERT_EQ(junk->at(0), 0x55);
      ASSERT_GE(junk->at(1), 2);
      ASSERT_LE(junk->at(1), 6);
      ASSERT_EQ(junk->size(), size_t{junk->at(1)} + 2);
      stream.insert(stream.end(), junk->begin(), junk->end());
    }
    const Bytes answer = Frame({0x81, 0x07, static_cast<uint8_t>(i)});
    stream.insert(stream.end(), answer.begin(), answer.end());
  }
  EXPECT_GT(made, 50);
  EXPECT_LT(made, 150);

  Collector c;
  RxReassembler rx;
  for (size_t at = 0; at < stream.size(); at += 37)
    rx.Feed(std::span(stream).subspan(at, std::min<size_t>(37, stream.size() - at)), c);
  ASSERT_EQ(c.payloads.size(), 200u);
  for (int i = 0; i < 200; ++i) EXPECT_EQ(c.payloads[static_cast<size_t>(i)][2], i);
}

}  // namespace
}  // namespace nr::emu
