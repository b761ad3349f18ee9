#pragma once
// The device model: every device-state record behind one mutex, plus the image-wide operations.
// It performs no I/O; the session and the dispatcher change it, the pages read it.
#include <mutex>
#include <utility>

#include "link/DeviceState.h"

namespace nr {

// Fills the image with the factory defaults: EQ bands, sound-field area, the 235 records.
void LoadDefaultImage(ParamImage& image);

// Brings the EQ table, every UI value and every derived value up to date from the image.
// Sends nothing: the device already holds these values.
void ApplyImage(DeviceState& state);

// Start-up state: identification and machine-settings start-up values, the factory image applied.
void InitDeviceModel(DeviceState& state);

// The image as the screen shows it: the EQ table, where band edits land, over the image's first
// 1835 bytes. This is what a mode file holds and what the screen's values are.
ParamImage ScreenImage(const DeviceState& state);
// Records what the screen shows as kept (after a read, a write, a stored slot or a saved file).
void MarkKept(DeviceState& state);
// The screen holds edits that nothing keeps yet.
bool HasUnkeptEdits(const DeviceState& state);
// Applying this image, just read from the device, would replace such edits with other values.
bool ReadReplacesEdits(const DeviceState& state, const ParamImage& read);

class DeviceModel {
 public:
  DeviceModel() { InitDeviceModel(state_); }
  DeviceModel(const DeviceModel&) = delete;
  DeviceModel& operator=(const DeviceModel&) = delete;

  // Runs f with the state locked. Keep f short: no I/O, never longer than one packet's work.
  template <class F>
  decltype(auto) Read(F&& f) const {
    std::lock_guard lock(mutex_);
    return std::forward<F>(f)(static_cast<const DeviceState&>(state_));
  }
  template <class F>
  decltype(auto) Update(F&& f) {
    std::lock_guard lock(mutex_);
    return std::forward<F>(f)(state_);
  }
  DeviceState Snapshot() const {
    std::lock_guard lock(mutex_);
    return state_;
  }

 private:
  mutable std::mutex mutex_;
  DeviceState state_;
};

}  // namespace nr
