#pragma once
// Every device-state record the PC keeps: the parameter image and its live EQ copy, the value of
// every parameter as the user interface shows it, and what the device reports about itself.
// A plain value type: the DeviceModel wraps one in a mutex; tests build as many as they like.
#include <array>
#include <cstdint>
#include <string>

#include "link/EqBandCodec.h"
#include "link/RoomRecord.h"
#include "link/EqLayout.h"
#include "link/ImageLayout.h"
#include "link/ParamTable.h"

namespace nr {

inline constexpr int kCommunicationVersion = 24;  // the only protocol version this program speaks

// Identification of the device; its 60-byte form is also the header of a mode file.
struct DeviceInfo {
  static constexpr int kSize = 60;
  static constexpr int kModuleSize = 32;
  static constexpr int kVersionSize = 11;

  int32_t version = 17;
  std::array<char, kModuleSize> module{};
  std::array<char, kVersionSize> mcuVersion{};
  std::array<char, kVersionSize> dspVersion{};

  static DeviceInfo StartupValues();
  std::array<uint8_t, kSize> Serialize() const;  // version little-endian, strings NUL padded
  static DeviceInfo Parse(const uint8_t* bytes);  // 60 bytes; strings always end in a NUL

  std::string ModuleName() const;
  std::string McuVersion() const;
  std::string DspVersion() const;
};

// Live status the device answers to the status poll (30 bytes).
struct DeviceStatus {
  static constexpr int kSize = 30;
  std::array<uint8_t, kSize> bytes{};

  int Meter(int i) const { return bytes[static_cast<size_t>(i)]; }  // 0..5
  int InputFormat() const { return bytes[7] & 0x0F; }
  int PitchNibble() const { return bytes[7] >> 4; }  // pitch + 5
  // Wireless microphone m (0 = A, 1 = B): RF level, AF level, channel index, battery level.
  int Wireless(int m, int field) const { return bytes[static_cast<size_t>(8 + 4 * m + field)]; }
  // Converter chips: microphone, channels 7/8, 5/6, 3/4, 1/2, music.
  int MicChip() const { return bytes[16]; }
  int OutputChip(int pair) const { return bytes[static_cast<size_t>(20 - pair)]; }  // pair 0 = 1/2 .. 3 = 7/8
  int MusicChip() const { return bytes[22]; }
  void Clear() { bytes.fill(0); }
};

using MachineSettings = std::array<uint8_t, 14>;
using RemoteCodes = std::array<uint8_t, 30>;

// Input-source capability bytes that newer devices report with their protocol version:
// marker (0x55 when valid), source masks A..D, and one further byte the device may send.
struct SourceCapability {
  std::array<uint8_t, 6> bytes{};
  bool Valid() const { return bytes[0] == 0x55; }
  uint8_t MaskA() const { return bytes[1]; }
  uint8_t MaskB() const { return bytes[2]; }
  uint8_t MaskC() const { return bytes[3]; }
  uint8_t MaskD() const { return bytes[4]; }
};

struct DynamicsSettings {
  float threshold = 0;
  float ratio = 1;
  float attackMs = 1;
  float releaseMs = 100;
  bool operator==(const DynamicsSettings&) const = default;
};

inline constexpr int kOutputCount = 8;
inline constexpr int kDynamicsUnits = 9;  // outputs 1..8, then the record output

// Values the pages need that are decoded from block records rather than held by a table row.
struct DerivedValues {
  std::array<DynamicsSettings, kDynamicsUnits> compressors{};
  std::array<bool, kOutputCount> channelDelay{};  // true: channel-delay mode, false: HF split
  DynamicsSettings musicDynamics{};
  int pitch = 0;
  std::array<int, 2> fbcShift{};  // Hz per microphone channel; 1 stands for the bypassed canceller
  int levelFeature = 0;           // the device-written float at the level-feature offset
  RoomModel room{};
  bool operator==(const DerivedValues&) const = default;
};

// The record EQ's five bands, kept beside the image because the image has no room for them.
using RecordEq = std::array<EqBandBytes, kRecordEqBands>;

struct DeviceState {
  ParamImage image{};
  EqTable eqTable{};
  RecordEq recordEq{};
  std::array<ParamValue, kParamRows> values{};  // the UI value of every table row (types 1..5)
  DerivedValues derived{};

  DeviceInfo info = DeviceInfo::StartupValues();
  DeviceStatus status{};
  // The last status the device answered. The live one is cleared at every transfer and close;
  // this one is kept, so the converter chips can be named whenever the device has reported them.
  DeviceStatus lastStatus{};
  MachineSettings machine{};      // as last received from or applied to the device
  MachineSettings machineEdit{};  // what the machine-settings dialog edits
  RemoteCodes remote{};
  // The remote-control function (1..25) whose key the device is learning, 0 when none: only a
  // report for that function is taken into the table.
  int remoteLearning = 0;
  SourceCapability capability{};
  int currentMode = 0;
  bool deviceModified = false;
  int pendingModeSlot = -1;
  // The image as last kept somewhere safe: read from or written to the device, stored in one of
  // its mode slots, or saved to a file. What the screen shows beyond it are edits that a read of
  // the device could replace (see HasUnkeptEdits).
  ParamImage keptImage{};

  // UI value of (module, index); a default value when the pair has no row.
  ParamValue Value(int module, int index) const;
  int IntValue(int module, int index) const { return Value(module, index).AsInt(); }
  float FloatValue(int module, int index) const { return Value(module, index).AsFloat(); }

  // Band record as the EQ pages read it: from the EQ table, or from the record EQ for set 15.
  EqBand Band(int set, int band) const;
};

}  // namespace nr
