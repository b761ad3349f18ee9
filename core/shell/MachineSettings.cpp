#include "shell/MachineSettings.h"

#include <algorithm>

#include "link/Commands.h"

namespace nr {
namespace {

uint8_t& At(MachineSettings& s, int byte) { return s[static_cast<size_t>(byte)]; }
uint8_t At(const MachineSettings& s, int byte) { return s[static_cast<size_t>(byte)]; }

uint8_t Byte(int value) { return static_cast<uint8_t>(std::clamp(value, 0, 255)); }

}  // namespace

MachineSettingsView DecodeMachineSettings(const MachineSettings& s) {
  MachineSettingsView v;
  v.saveByMode = At(s, machine::kSaveMode) != 0;
  v.micStart = At(s, machine::kMicStart);
  v.musicStart = At(s, machine::kMusicStart);
  v.micMax = At(s, machine::kMicMax);
  v.musicMax = At(s, machine::kMusicMax);
  v.panelLock = At(s, machine::kPanelLock) != 0;
  v.volumeLock = (At(s, machine::kLockFlags) & machine::kVolumeLockBits) != 0;
  v.modeLock = (At(s, machine::kLockFlags) & machine::kModeLockBit) != 0;
  v.powerOnMode = At(s, machine::kPowerOnMode);
  v.hdmiMute = (At(s, machine::kOutputOptions) & 0x01) != 0;
  const int route = At(s, machine::kOutputOptions) >> 4;
  if (route < 3) v.route = static_cast<SurroundRoute>(route);
  return v;
}

int StartVolumeByte(VolumeChannel channel) {
  return channel == VolumeChannel::kMic ? machine::kMicStart : machine::kMusicStart;
}

int MaxVolumeByte(VolumeChannel channel) { return channel == VolumeChannel::kMic ? machine::kMicMax : machine::kMusicMax; }

LiveVolume LiveVolumeParam(VolumeChannel channel) {
  return channel == VolumeChannel::kMic ? LiveVolume{1, 0x0E} : LiveVolume{4, 0x0C};
}

int ClampStartVolume(int volume, int maximum) {
  if (maximum <= 0) return 0;
  return std::clamp(volume, 1, std::min(maximum, machine::kVolumeMax));
}

void SetSaveByMode(MachineSettings& s, bool byMode) {
  for (int b = machine::kSaveMode; b <= machine::kSaveMode + 2; ++b) At(s, b) = byMode ? 1 : 0;
}

void SetPanelLock(MachineSettings& s, bool on) { At(s, machine::kPanelLock) = on ? 1 : 0; }

void SetVolumeLock(MachineSettings& s, bool on) {
  uint8_t& flags = At(s, machine::kLockFlags);
  flags = static_cast<uint8_t>(on ? flags | machine::kVolumeLockBits : flags & ~machine::kVolumeLockBits);
}

void SetModeLock(MachineSettings& s, bool on) {
  uint8_t& flags = At(s, machine::kLockFlags);
  flags = static_cast<uint8_t>(on ? flags | machine::kModeLockBit : flags & ~machine::kModeLockBit);
}

void SetPowerOnMode(MachineSettings& s, int mode) {
  At(s, machine::kPowerOnMode) = Byte(std::clamp(mode, 0, machine::kPowerOnModes - 1));
}

void SetHdmiMute(MachineSettings& s, bool on) {
  uint8_t& options = At(s, machine::kOutputOptions);
  options = static_cast<uint8_t>(on ? options | 0x01 : options & 0xF0);
}

void SetSurroundRoute(MachineSettings& s, SurroundRoute route) {
  uint8_t& options = At(s, machine::kOutputOptions);
  options = static_cast<uint8_t>((options & 0x0F) | (static_cast<int>(route) << 4));
}

void MoveStartVolume(DeviceSession& session, VolumeChannel channel, int volume) {
  const int start = session.Model().Update([&](DeviceState& s) {
    const int value = ClampStartVolume(volume, At(s.machineEdit, MaxVolumeByte(channel)));
    At(s.machineEdit, StartVolumeByte(channel)) = Byte(value);
    return value;
  });
  if (start == 0) return;
  const LiveVolume live = LiveVolumeParam(channel);
  session.SetParam(live.module, live.index, start);
}

int EnableStartVolume(DeviceSession& session, VolumeChannel channel, bool on) {
  const LiveVolume live = LiveVolumeParam(channel);
  return session.Model().Update([&](DeviceState& s) {
    const int value = on ? ClampStartVolume(s.IntValue(live.module, live.index), At(s.machineEdit, MaxVolumeByte(channel))) : 0;
    At(s.machineEdit, StartVolumeByte(channel)) = Byte(value);
    return value;
  });
}

int MoveMaxVolume(DeviceSession& session, VolumeChannel channel, int maximum) {
  const int max = std::clamp(maximum, 0, machine::kVolumeMax);
  int start = 0;
  const bool pulled = session.Model().Update([&](DeviceState& s) {
    At(s.machineEdit, MaxVolumeByte(channel)) = Byte(max);
    start = At(s.machineEdit, StartVolumeByte(channel));
    if (start <= max) return false;
    // The start volume's slider comes down to the new maximum, a move like any other of it: the
    // byte takes the position (0 included, which is "no start volume") and the live volume
    // follows, so it never stays above the maximum that also limits it.
    start = max;
    At(s.machineEdit, StartVolumeByte(channel)) = Byte(start);
    return true;
  });
  if (pulled) {
    const LiveVolume live = LiveVolumeParam(channel);
    session.SetParam(live.module, live.index, max);
  }
  return start;
}

void ApplyMachineSettings(DeviceSession& session) {
  const MachineSettings edit = session.Model().Update([](DeviceState& s) {
    s.machine = s.machineEdit;
    return s.machineEdit;
  });
  session.Send(BuildWriteMachineSettings(edit));
}

void DiscardMachineEdits(DeviceModel& model) {
  model.Update([](DeviceState& s) { s.machineEdit = s.machine; });
}

}  // namespace nr
