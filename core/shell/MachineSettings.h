#pragma once
// The machine-settings record (14 bytes the device keeps outside its parameter image): what each
// byte means, the edits the machine-settings dialog and `nrctl machine` make to the edit copy,
// and applying the edit copy to the device. The device copy changes only when the device
// reports its record or the edit copy is applied.
#include <cstdint>
#include <optional>

#include "link/DeviceSession.h"

namespace nr {

enum class VolumeChannel { kMic = 0, kMusic = 1 };

// Where the surround channels of DTS/AC3 material go.
enum class SurroundRoute { kSide = 0, kBack = 1, kBoth = 2 };

namespace machine {
inline constexpr int kSaveMode = 0;       // bytes 0..2: 0 kept over power cycles, 1 kept per mode
inline constexpr int kMicStart = 3;       // 1..99, 0 = no start volume
inline constexpr int kMusicStart = 4;
inline constexpr int kMicMax = 5;         // 0..99, also the limit of the live slider
inline constexpr int kMusicMax = 6;
inline constexpr int kPanelLock = 7;
inline constexpr int kLockFlags = 8;      // bits 0, 1, 7 volume lock; bit 4 mode lock
inline constexpr int kPowerOnMode = 11;   // 0 automatic, 1..4 = M1..M4
inline constexpr int kOutputOptions = 12;  // bit 0 HDMI mute; high nibble the surround route
inline constexpr uint8_t kVolumeLockBits = 0x83;
inline constexpr uint8_t kModeLockBit = 0x10;
inline constexpr int kVolumeMax = 99;
inline constexpr int kPowerOnModes = 5;   // automatic, M1..M4
}  // namespace machine

// The record as a person reads it.
struct MachineSettingsView {
  bool saveByMode = false;
  int micStart = 0;  // 0: none
  int musicStart = 0;
  int micMax = 0;
  int musicMax = 0;
  bool panelLock = false;
  bool volumeLock = false;
  bool modeLock = false;
  int powerOnMode = 0;  // 0 automatic, 1..4
  bool hdmiMute = false;
  std::optional<SurroundRoute> route;  // none when the high nibble holds no known route
};

MachineSettingsView DecodeMachineSettings(const MachineSettings& s);

// Byte positions of a channel's start volume and maximum, and its live volume parameter.
int StartVolumeByte(VolumeChannel channel);
int MaxVolumeByte(VolumeChannel channel);
struct LiveVolume {
  int module;
  int index;
};
LiveVolume LiveVolumeParam(VolumeChannel channel);

// A start volume the record can hold under a maximum: 1..max, or 0 when the maximum is 0.
int ClampStartVolume(int volume, int maximum);

// Rules that change only the given record.
void SetSaveByMode(MachineSettings& s, bool byMode);  // bytes 0, 1 and 2 together
void SetPanelLock(MachineSettings& s, bool on);
void SetVolumeLock(MachineSettings& s, bool on);      // other bits of byte 8 are kept
void SetModeLock(MachineSettings& s, bool on);
void SetPowerOnMode(MachineSettings& s, int mode);    // clamped to 0..4
void SetHdmiMute(MachineSettings& s, bool on);        // the route nibble is kept
void SetSurroundRoute(MachineSettings& s, SurroundRoute route);  // the low nibble is kept

// Edits of the model's edit copy that also move the live volume, as the dialog's sliders do.
// Start volume moved to `volume` (kept within 1..maximum): the live volume follows at once.
void MoveStartVolume(DeviceSession& session, VolumeChannel channel, int volume);
// Start volume switched on (it takes the live volume, kept within 1..maximum) or off (0).
// Returns the start volume now in the edit copy.
int EnableStartVolume(DeviceSession& session, VolumeChannel channel, bool on);
// Maximum moved to `maximum` (0..99). A start volume above it comes down with it, live volume
// included, also to 0 (the start volume is then off and the live volume 0); a start volume that
// is off stays off. Returns the start volume now in the edit copy.
int MoveMaxVolume(DeviceSession& session, VolumeChannel channel, int maximum);

// Any other edit of the edit copy (a rule above applied to it).
template <class F>
void EditMachineSettings(DeviceModel& model, F&& edit) {
  model.Update([&](DeviceState& s) { edit(s.machineEdit); });
}

// The edit copy becomes the device copy and is sent: 91 and the 14 bytes.
void ApplyMachineSettings(DeviceSession& session);
// Drops unapplied edits: the edit copy becomes the device copy again.
void DiscardMachineEdits(DeviceModel& model);

}  // namespace nr
