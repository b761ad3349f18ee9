#pragma once
// Pending network payloads, at most one per key. The key is the first five bytes of the prefixed
// payload (channel, command and three argument bytes), so a newer write to the same DSP parameter
// or image offset replaces the waiting one in place and a drag never queues up stale values.
// A mode command (select, store, load or restore a slot) is a barrier: a payload queued after it
// never replaces one queued before it, so nothing written after a store reaches the device first.
// What goes to the Z-Wave controller is never merged: each frame is a message of its own (two
// plugs switched, two frames acknowledged), not a newer value of the one before.
#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>

namespace nr {

class SendQueue {
 public:
  static constexpr size_t kKeySize = 5;
  static constexpr size_t kMaxPayload = 66;
  // Frames that never merge are refused beyond this many waiting entries, so a peer flooding the
  // controller's channel (each frame acknowledged) cannot grow the queue without bound.
  static constexpr size_t kMaxUnmergedEntries = 512;
  using Key = std::array<uint8_t, kKeySize>;

  struct Entry {
    Key key{};
    bool barrier = false;
    std::array<uint8_t, kMaxPayload> payload{};
    size_t length = 0;
    std::span<const uint8_t> bytes() const { return {payload.data(), length}; }
  };

  static Key KeyOf(std::span<const uint8_t> prefixedPayload);
  static bool IsBarrier(std::span<const uint8_t> prefixedPayload);
  static bool Merges(std::span<const uint8_t> prefixedPayload);

  // Inserts, or overwrites the entry with the same key where it stands (if no barrier was queued
  // after it and the payload merges at all). Payloads longer than an entry holds are refused (false), as are
  // unmerged ones beyond kMaxUnmergedEntries.
  bool Enqueue(std::span<const uint8_t> prefixedPayload);
  std::optional<Entry> PopFront();
  size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  void Clear() { entries_.clear(); }
  const std::deque<Entry>& Entries() const { return entries_; }

 private:
  std::deque<Entry> entries_;
};

}  // namespace nr
