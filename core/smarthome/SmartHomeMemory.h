#pragma once
// The smart-home memory the device keeps for the PC: one 28-byte record per Z-Wave node (type and
// name) and six scenes of 28 two-byte steps. Numbers and UTF-16 units travel high byte first.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nr {

inline constexpr int kMaxNode = 232;           // Z-Wave node numbers 1..232; node 1 is the controller
inline constexpr int kControllerNode = 1;
inline constexpr int kFirstPlugNode = 2;
inline constexpr int kPlugRecordSize = 28;
inline constexpr int kPlugRecords = 233;       // record n belongs to node n (record 0 is unused)
inline constexpr int kSceneCount = 6;
inline constexpr int kSceneSteps = 28;
inline constexpr int kSceneSize = 2 * kSceneSteps;  // 56
inline constexpr int kScenesOffset = kPlugRecords * kPlugRecordSize;  // 6524
inline constexpr int kSmartMemorySize = kScenesOffset + kSceneCount * kSceneSize;  // 6860
inline constexpr int kPlugNameUnits = 12;      // UTF-16 units of the name field, terminator included
inline constexpr int kPlugNameMax = kPlugNameUnits - 1;
inline constexpr int kPowerOnScene = 4;
inline constexpr int kPowerOffScene = 5;

// Record types.
inline constexpr int kPlugUnknown = 0;
inline constexpr int kPlugSwitch = 1;
inline constexpr int kPlugDimmer = 2;

// Scene step nodes with a meaning of their own.
inline constexpr uint8_t kEmptyStep = 0;
inline constexpr uint8_t kDelayStep = 240;
inline constexpr uint8_t kHdmiStep = 254;

// Plug values: 0 off, 99 on (or the highest dimmer level), FF on as the switch dialog sends it,
// 80 + slot sends a learned infrared key, C0 + slot learns one.
inline constexpr int kPlugOff = 0;
inline constexpr int kPlugFullOn = 99;
inline constexpr int kSwitchOn = 0xFF;
inline constexpr int kSendKeyBase = 0x80;
inline constexpr int kLearnKeyBase = 0xC0;

using PlugRecordBytes = std::array<uint8_t, kPlugRecordSize>;

struct PlugRecord {
  int type = kPlugUnknown;
  std::u16string name;  // at most kPlugNameMax units are stored

  PlugRecordBytes Encode() const;
  static PlugRecord Decode(std::span<const uint8_t, kPlugRecordSize> bytes);
  bool operator==(const PlugRecord&) const = default;
};

struct SceneStep {
  uint8_t node = kEmptyStep;
  uint8_t value = 0;
  bool Empty() const { return node == kEmptyStep; }
  bool operator==(const SceneStep&) const = default;
};

using Scene = std::array<SceneStep, kSceneSteps>;
using SceneBytes = std::array<uint8_t, kSceneSize>;

SceneBytes EncodeScene(const Scene& scene);
Scene DecodeScene(std::span<const uint8_t, kSceneSize> bytes);

int PlugRecordOffset(int node);  // node x 28
int SceneOffset(int scene);      // 6524 + 56 x scene

// UTF-8 and UTF-16 for names that cross the command line and the key files. Invalid input
// becomes U+FFFD rather than being dropped.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// The first max units of a name, never splitting a surrogate pair.
std::u16string TruncateUnits(std::u16string_view name, size_t max);

// The name a new plug is offered: "开关" (switch) or "调压" (dimmer) followed by the smallest number
// 1..254 that none of the given names uses (compared ignoring case).
std::u16string ProposePlugName(int type, std::span<const std::u16string> usedNames);

}  // namespace nr
