#pragma once
// What the output tests share: a model and a session whose packets are recorded, and readers
// that turn the recorded payloads back into parameter writes, band records and image writes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/EqBandCodec.h"
#include "link/Bytes.h"
#include "link/DeviceModel.h"
#include "link/DeviceSession.h"
#include "outputs/OutputChannels.h"
#include "support/RecordingSink.h"

namespace nr::test {

// One payload reduced to what a test compares: "09 m i" for DSP words, "85 offset" for image
// writes (band records and the sound-field area).
struct Sent {
  int code = 0;
  int module = 0;
  int index = 0;
  int words = 0;
  int offset = 0;
  Bytes data;  // the words or image bytes
};

inline Sent Decode(const Bytes& p) {
  Sent s;
  s.code = p.empty() ? 0 : p[0];
  if (s.code == 0x09 && p.size() >= 5) {
    s.module = p[2];
    s.index = p[3];
    s.words = p[4];
    s.data.assign(p.begin() + 5, p.end());
  } else if (s.code == 0x85 && p.size() >= 4) {
    s.offset = GetBE16(&p[1]);
    s.data.assign(p.begin() + 4, p.end());
  }
  return s;
}

class OutputTest : public ::testing::Test {
 protected:
  std::vector<Sent> SentPackets() const {
    std::vector<Sent> out;
    for (const Bytes& p : sink.Payloads()) out.push_back(Decode(p));
    return out;
  }
  // "m/i" of every DSP word write and "@offset" of every image write, in order.
  std::vector<std::string> Trail() const {
    std::vector<std::string> out;
    for (const Sent& s : SentPackets()) {
      char text[32];
      if (s.code == 0x09)
        std::snprintf(text, sizeof text, "%d/%02X", s.module, s.index);
      else
        std::snprintf(text, sizeof text, "@%d", s.offset);
      out.push_back(text);
    }
    return out;
  }
  // The single-word parameter writes: (module, index) -> word, in order.
  std::vector<std::pair<std::string, uint32_t>> Words() const {
    std::vector<std::pair<std::string, uint32_t>> out;
    for (const Sent& s : SentPackets())
      if (s.code == 0x09 && s.words == 1 && s.data.size() == 4) {
        char key[16];
        std::snprintf(key, sizeof key, "%d/%02X", s.module, s.index);
        out.emplace_back(key, GetBE32(s.data.data()));
      }
    return out;
  }
  // Band records sent to the image (0x85 with seven bytes).
  std::vector<std::pair<int, EqBand>> Records() const {
    std::vector<std::pair<int, EqBand>> out;
    for (const Sent& s : SentPackets())
      if (s.code == 0x85 && s.data.size() == 7) out.emplace_back(s.offset, DecodeEqBand(s.data.data()));
    return out;
  }
  DeviceState State() const { return model.Snapshot(); }
  void Position(int channel, int position) {
    session.SetParam(OutputModule(channel), 0x10, position);
    sink.Clear();
  }

  DeviceModel model;
  RecordingSink sink;
  DeviceSession session{model, sink};
};

inline uint32_t Percent(int v) { return EncodeParamWord(ValueType::kPercent, ParamValue::Int(v)); }

}  // namespace nr::test
