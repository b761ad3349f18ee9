#pragma once
// The machine-settings record (14 bytes the device keeps outside its parameter image): what each
// byte means, the edits the machine-settings dialog and `nrctl machine` make to the edit copy,
// and applying the edit copy to the device. The device copy changes only when the device
// reports its record or the edit copy is applied.
#include <cstdint>
#include <optional>

#include "link/DeviceSession.h"
#include "link/MachineLayout.h"

namespace nr {

enum class VolumeChannel { kMic = 0, kMusic = 1 };

// Where the surround channels of DTS/AC3 material go.
enum class SurroundRoute { kSide = 0, kBack = 1, kBoth = 2 };

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
