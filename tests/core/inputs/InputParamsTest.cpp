// The input pages' and live controls' writes, byte for byte, and their names.
#include <gtest/gtest.h>

#include <functional>

#include "inputs/InputParamNames.h"
#include "inputs/InputParams.h"
#include "inputs/LiveControls.h"
#include "link/MachineLayout.h"
#include "support/RecordingSink.h"

namespace nr {
namespace {

using Payloads = std::vector<std::string>;

struct WriteCase {
  const char* what;
  std::function<void(DeviceSession&)> write;
  Payloads expected;
};

class InputWrites : public ::testing::Test {
 protected:
  void Check(const std::vector<WriteCase>& cases) {
    for (const WriteCase& c : cases) {
      sink.Clear();
      c.write(session);
      EXPECT_EQ(test::HexPayloads(sink), c.expected) << c.what;
    }
  }
  DeviceModel model;
  test::RecordingSink sink;
  DeviceSession session{model, sink};
};

TEST_F(InputWrites, MicrophoneInputs) {
  Check({
      {"mic 3 volume 51 %", [](DeviceSession& s) { SetMicVolume(s, 2, 51); }, {"09 00 01 06 01 3F 02 8F 5E"}},
      {"mic 1 volume held at 100 %", [](DeviceSession& s) { SetMicVolume(s, 0, 130); }, {"09 00 01 04 01 3F 80 00 01"}},
      {"mic 1 noise gate 20: 0.002", [](DeviceSession& s) { SetMicGate(s, 0, 20); }, {"09 00 01 08 01 3B 03 12 6F"}},
      {"mic 2 to channel B: gain into A off, then into B on",
       [](DeviceSession& s) { SetMicChannel(s, 1, MicChannel::kB); },
       {"09 00 01 23 01 00 00 00 00", "09 00 01 3A 01 3F 80 00 01"}},
      {"mic 4 back to channel A", [](DeviceSession& s) { SetMicChannel(s, 3, MicChannel::kA); },
       {"09 00 01 25 01 3F 80 00 01", "09 00 01 3C 01 00 00 00 00"}},
      {"music EQ bypass", [](DeviceSession& s) { SetEqBypassed(s, SubPageEq(MusicSubPage::kMusic), true); },
       {"09 00 04 0B 01 00 00 00 01"}},
      {"echo B EQ bypass", [](DeviceSession& s) { SetEqBypassed(s, EffectEq(EffectKind::kEchoB), true); },
       {"09 00 02 18 01 00 00 00 01"}},
  });
  const DeviceState s = model.Snapshot();
  EXPECT_EQ(MicChannelOf(s, 1), MicChannel::kB);
  EXPECT_EQ(MicChannelOf(s, 3), MicChannel::kA);
  EXPECT_EQ(MicVolume(s, 0), 100);
}

TEST_F(InputWrites, Effects) {
  const auto set = [](EffectKind kind, EffectParam param, int value) {
    return [=](DeviceSession& s) { SetEffectParam(s, kind, param, value); };
  };
  Check({
      {"reverb A time writes both time records", set(EffectKind::kReverbA, EffectParam::kTime, 56),
       {"09 00 03 0A 01 3F 0F 5C 2B", "09 00 03 0B 01 3F 0F 5C 2B"}},
      {"reverb B predelay 36 ms in samples", set(EffectKind::kReverbB, EffectParam::kPredelay, 36),
       {"09 00 03 15 01 00 00 06 C0"}},
      {"a reverb has no decay", set(EffectKind::kReverbA, EffectParam::kDecay, 50), {}},
      {"echo B decay writes both decay records", set(EffectKind::kEchoB, EffectParam::kDecay, 48),
       {"09 00 02 1F 01 3E F5 C2 92", "09 00 02 21 01 3E F5 C2 92"}},
      {"echo A right delay -50 % of 242 ms", set(EffectKind::kEchoA, EffectParam::kRightDelay, -50),
       {"09 00 02 0C 01 00 00 00 CE", "09 00 02 0F 01 00 00 16 B0"}},
      {"echo A time 200 ms re-sends the right channel from the stored percentages",
       set(EffectKind::kEchoA, EffectParam::kTime, 200),
       {"09 00 02 0D 01 00 00 25 80", "09 00 02 0B 01 00 00 00 00", "09 00 02 0A 01 00 00 00 41",
        "09 00 02 0C 01 00 00 00 CE", "09 00 02 0F 01 00 00 12 C0"}},
      {"echo B time held at 260 ms", set(EffectKind::kEchoB, EffectParam::kTime, 300),
       {"09 00 02 1E 01 00 00 30 C0", "09 00 02 1C 01 00 00 00 00", "09 00 02 1B 01 00 00 00 41",
        "09 00 02 1D 01 00 00 00 00", "09 00 02 20 01 00 00 30 C0"}},
  });
  const DeviceState s = model.Snapshot();
  EXPECT_EQ(EffectParamValue(s, EffectKind::kEchoA, EffectParam::kTime), 200);
  EXPECT_EQ(EffectParamValue(s, EffectKind::kEchoA, EffectParam::kRightDelay), -50);
  EXPECT_EQ(EffectParamValue(s, EffectKind::kReverbB, EffectParam::kPredelay), 36);
  EXPECT_EQ(EffectParamValue(s, EffectKind::kReverbA, EffectParam::kDecay), 0);
}

TEST_F(InputWrites, LiveControlsKeepTheMachineMaxima) {
  model.Update([](DeviceState& s) {
    s.machine[machine::kMicMax] = 80;
    s.machine[machine::kMusicMax] = 50;
  });
  LiveVolumeResult mic, music, effect, echo;
  Check({
      {"mic volume 99 over a maximum of 80 sends 80", [&](DeviceSession& s) { mic = SetLiveVolume(s, LiveControl::kMic, 99); },
       {"09 00 01 0E 01 3F 4C CC CF"}},
      {"music volume under its maximum", [&](DeviceSession& s) { music = SetLiveVolume(s, LiveControl::kMusic, 48); },
       {"09 00 04 0C 01 3E F5 C2 92"}},
      {"mute the echo", [](DeviceSession& s) { EXPECT_TRUE(ToggleLiveMute(s, LiveControl::kEcho)); },
       {"09 00 02 23 01 00 00 00 00"}},
      {"mute the effect volume", [](DeviceSession& s) { SetLiveMute(s, LiveControl::kEffect, true); },
       {"09 00 01 11 01 00 00 00 00"}},
      {"echo volume while muted", [&](DeviceSession& s) { echo = SetLiveVolume(s, LiveControl::kEcho, 20); },
       {"09 00 02 22 01 3E 4C CC D4"}},
      {"effect volume while muted", [&](DeviceSession& s) { effect = SetLiveVolume(s, LiveControl::kEffect, 20); },
       {"09 00 01 10 01 3E 4C CC D4"}},
      {"unmute the echo", [](DeviceSession& s) { EXPECT_FALSE(ToggleLiveMute(s, LiveControl::kEcho)); },
       {"09 00 02 23 01 3F 80 00 01"}},
      {"the noise gate has no mute", [](DeviceSession& s) { EXPECT_FALSE(ToggleLiveMute(s, LiveControl::kNoiseGate)); }, {}},
      {"noise gate 100: 0.01", [](DeviceSession& s) { SetLiveVolume(s, LiveControl::kNoiseGate, 100); },
       {"09 00 04 11 01 3C 23 D7 0A"}},
  });
  EXPECT_TRUE(mic.heldAtLimit);
  EXPECT_EQ(mic.value, 80);
  EXPECT_FALSE(music.heldAtLimit);
  EXPECT_TRUE(echo.muted);     // the echo volume warns when moved while muted
  EXPECT_FALSE(effect.muted);  // the effect volume never does
  const DeviceState s = model.Snapshot();
  EXPECT_EQ(LiveValue(s, LiveControl::kMic), 80);
  EXPECT_TRUE(LiveMuted(s, LiveControl::kEffect));
  EXPECT_FALSE(LiveMuted(s, LiveControl::kEcho));
}

TEST_F(InputWrites, PitchIsOneWordWithTheLowBytePitchPlusFive) {
  Check({
      {"-5", [](DeviceSession& s) { SetPitch(s, -5); }, {"09 00 04 10 01 00 00 00 00"}},
      {"+5", [](DeviceSession& s) { SetPitch(s, 5); }, {"09 00 04 10 01 00 00 00 0A"}},
      {"+9 is held at +5", [](DeviceSession& s) { SetPitch(s, 9); }, {"09 00 04 10 01 00 00 00 0A"}},
      {"-2", [](DeviceSession& s) { SetPitch(s, -2); }, {"09 00 04 10 01 00 00 00 03"}},
  });
  EXPECT_EQ(model.Snapshot().derived.pitch, -2);
}

// Every name writes the record it reads: a value set by name reads back as that value.
TEST_F(InputWrites, EveryNameReadsBackWhatItWrote) {
  for (const InputParamName& p : InputParamNames()) {
    ASSERT_EQ(FindInputParam(p.name), &p);
    for (const int value : {p.range.min, (p.range.min + p.range.max + 1) / 2, p.range.max}) {
      WriteInputParam(session, p, value);
      EXPECT_EQ(ReadInputParam(model.Snapshot(), p), value) << p.name << " = " << value;
    }
  }
  EXPECT_EQ(FindInputParam("Echo.B.Right-Delay"), FindInputParam("echo.b.right-delay"));
  EXPECT_EQ(FindInputParam("echo.b.drive"), nullptr);
}

TEST(InputParamNames, ValuesAreReadAsTheyAreWritten) {
  const InputParamName& channel = *FindInputParam("mic2.channel");
  const InputParamName& mute = *FindInputParam("mute.music");
  const InputParamName& fbc = *FindInputParam("fbc.a");
  const InputParamName& pitch = *FindInputParam("pitch");
  int v = -1;
  EXPECT_TRUE(ParseInputValue(channel, "b", v));
  EXPECT_EQ(v, 1);
  EXPECT_EQ(InputValueString(channel, v), "B");
  EXPECT_FALSE(ParseInputValue(channel, "1", v));
  EXPECT_TRUE(ParseInputValue(mute, "ON", v));
  EXPECT_EQ(InputValueString(mute, v), "on");
  EXPECT_TRUE(ParseInputValue(fbc, "off", v));
  EXPECT_EQ(InputValueString(fbc, v), "off");
  EXPECT_TRUE(ParseInputValue(pitch, "+3", v));
  EXPECT_EQ(v, 3);
  for (const char* bad : {"+-3", "6", "-6", "3x", "", "+"}) EXPECT_FALSE(ParseInputValue(pitch, bad, v)) << bad;
}

}  // namespace
}  // namespace nr
