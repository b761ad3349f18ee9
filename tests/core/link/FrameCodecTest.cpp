// USB reports, network frames and the reassembly of frames from TCP chunks.
#include <gtest/gtest.h>

#include <random>

#include "link/Commands.h"
#include "link/FrameCodec.h"
#include "support/RecordingSink.h"

namespace nr {
namespace {

using test::Bytes;
using test::Hex;

struct Collector : FrameHandler {
  std::vector<Bytes> payloads;
  void OnPayload(std::span<const uint8_t> p) override { payloads.emplace_back(p.begin(), p.end()); }
};

struct TraceLog : TraceSink {
  std::string text;
  void Write(std::string_view t) override { text += t; }
};

Bytes Frame(std::initializer_list<uint8_t> prefixed) {
  const NetFrame f = BuildNetFrame(Bytes(prefixed));
  return Bytes(f.bytes.begin(), f.bytes.begin() + static_cast<long>(f.size));
}

TEST(FrameCodec, BuildsFramesAndReports) {
  EXPECT_EQ(Hex(Frame({0x81, 0x7F})), "55 03 81 7F 02");
  EXPECT_EQ(Hex(Frame({0x81, 0x30, 0x00, 0x38, 0x38})), "55 06 81 30 00 38 38 48");
  const Payload read = BuildReadImage(56, 56);
  const NetFrame viaPrefix = BuildNetFrame(kNetPrefixDevice, read.bytes());
  EXPECT_EQ(Hex(viaPrefix.span()), "55 06 81 30 00 38 38 48");

  const UsbReport report = BuildUsbReport(BuildQueryVersion().bytes());
  EXPECT_EQ(report.size(), 61u);
  EXPECT_EQ(report[0], 0x02);
  EXPECT_EQ(report[1], 0x7F);
  for (size_t i = 2; i < report.size(); ++i) EXPECT_EQ(report[i], 0);

  EXPECT_EQ(BuildNetFrame(Bytes(258, 1)).size, 0u);  // too long for the 260-byte frame buffer
  EXPECT_EQ(BuildNetFrame(Bytes(257, 1)).size, 260u);
}

TEST(RxReassembler, DispatchesWholeFramesInOrderAcrossChunks) {
  Collector c;
  RxReassembler rx;
  Bytes two = Frame({0x81, 0x7F, 24});
  const Bytes second = Frame({0x81, 0x80, 'N', 'R'});
  two.insert(two.end(), second.begin(), second.end());
  rx.Feed(two, c);
  ASSERT_EQ(c.payloads.size(), 2u);
  EXPECT_EQ(c.payloads[0], (Bytes{0x81, 0x7F, 24}));
  EXPECT_EQ(c.payloads[1], (Bytes{0x81, 0x80, 'N', 'R'}));

  const Bytes split = Frame({0x81, 0x92, 1, 2, 3, 4});
  rx.Feed(std::span(split).first(4), c);
  EXPECT_EQ(c.payloads.size(), 2u);
  rx.Feed(std::span(split).subspan(4), c);
  ASSERT_EQ(c.payloads.size(), 3u);
  EXPECT_EQ(c.payloads[2], (Bytes{0x81, 0x92, 1, 2, 3, 4}));
  EXPECT_EQ(rx.Buffered(), 0u);
}

TEST(RxReassembler, BadChecksumDropsOnlyThatFrame) {
  Collector c;
  TraceLog trace;
  RxReassembler rx(&trace);
  Bytes bytes = Frame({0x81, 0x09});
  bytes.back() ^= 0x01;
  const Bytes good = Frame({0x81, 0x31});
  bytes.insert(bytes.end(), good.begin(), good.end());
  rx.Feed(bytes, c);
  ASSERT_EQ(c.payloads.size(), 1u);
  EXPECT_EQ(c.payloads[0], (Bytes{0x81, 0x31}));
  EXPECT_EQ(trace.text, "ProcessRxBuf Checksum error\n ");
}

TEST(RxReassembler, FramesWithoutACommandAreConsumedNotDispatched) {
  Collector c;
  RxReassembler rx;
  // L = 0 (checksum can never match), L = 1 with a matching checksum, then a real frame.
  const Bytes bytes{0x55, 0x00, 0x55, 0x01, 0xFE, 0x55, 0x03, 0x81, 0x7F, 0x02};
  rx.Feed(bytes, c);
  ASSERT_EQ(c.payloads.size(), 1u);
  EXPECT_EQ(c.payloads[0], (Bytes{0x81, 0x7F}));
  EXPECT_EQ(rx.Buffered(), 0u);
}

TEST(RxReassembler, StrayBytesBetweenFramesAreSkipped) {
  struct Counting : Collector {
    int heartbeats = 0;
    void OnHeartbeat() override { ++heartbeats; }
  } c;
  RxReassembler rx;
  const Bytes noise(200, 0x11);
  rx.Feed(noise, c);
  rx.Feed(Frame({0x81, 0x7F}), c);  // one noise burst must not hold up the answers behind it
  ASSERT_EQ(c.payloads.size(), 1u);
  EXPECT_EQ(rx.SkippedBytes(), 200u);

  // A heartbeat glued to the end of a frame, and one split over two chunks.
  Bytes glued = Frame({0x81, 0x31});
  glued.insert(glued.end(), {'$', 'H', 'B', '$', '$', 'H'});
  rx.Feed(glued, c);
  EXPECT_EQ(c.heartbeats, 1);
  EXPECT_EQ(rx.Buffered(), 2u);  // "$H" waits for the rest
  Bytes rest{'B', '$'};
  const Bytes next = Frame({0x81, 0x32});
  rest.insert(rest.end(), next.begin(), next.end());
  rx.Feed(rest, c);
  EXPECT_EQ(c.heartbeats, 2);
  ASSERT_EQ(c.payloads.size(), 3u);
  EXPECT_EQ(c.payloads[2], (Bytes{0x81, 0x32}));

  const Bytes huge(1000, 0x55);  // longer than the buffer: taken in pieces, nothing breaks
  rx.Feed(huge, c);
  EXPECT_LE(rx.Buffered(), 260u);
}

TEST(RxReassembler, ABurstOfAnswersLosesNothingHoweverItIsCut) {
  // Seventy image chunk answers sent back to back, as a device that buffered them would.
  Bytes burst;
  for (int i = 0; i < 70; ++i) {
    Bytes payload{0x81, 0x30, static_cast<uint8_t>((56 * i) >> 8), static_cast<uint8_t>(56 * i), 56};
    payload.resize(payload.size() + 56, static_cast<uint8_t>(i));
    const NetFrame f = BuildNetFrame(payload);
    burst.insert(burst.end(), f.bytes.begin(), f.bytes.begin() + static_cast<long>(f.size));
  }
  const auto check = [&](const std::vector<size_t>& cuts) {
    Collector c;
    RxReassembler rx;
    size_t at = 0;
    for (size_t cut : cuts) {
      rx.Feed(std::span(burst).subspan(at, cut - at), c);
      at = cut;
    }
    rx.Feed(std::span(burst).subspan(at), c);
    ASSERT_EQ(c.payloads.size(), 70u);
    for (size_t i = 0; i < 70; ++i) EXPECT_EQ(c.payloads[i].back(), i);
    EXPECT_EQ(rx.Buffered(), 0u);
  };
  check({});  // all in one piece, far longer than the buffer
  for (size_t piece : {size_t{1}, size_t{63}, size_t{260}, size_t{261}, size_t{1000}}) {
    SCOPED_TRACE(piece);
    std::vector<size_t> cuts;
    for (size_t cut = piece; cut < burst.size(); cut += piece) cuts.push_back(cut);
    check(cuts);
  }
  std::mt19937 random(8);
  for (int round = 0; round < 20; ++round) {
    std::vector<size_t> cuts;
    for (size_t cut = random() % 600; cut < burst.size(); cut += 1 + random() % 600) cuts.push_back(cut);
    check(cuts);
  }
}

}  // namespace
}  // namespace nr
