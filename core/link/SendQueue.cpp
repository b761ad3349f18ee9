#include "link/SendQueue.h"

#include <algorithm>

namespace nr {
namespace {

constexpr uint8_t kDeviceChannel = 0x81;
constexpr uint8_t kFirstModeCommand = 0x03;  // select, store, load, restore a mode slot
constexpr uint8_t kLastModeCommand = 0x06;

}  // namespace

SendQueue::Key SendQueue::KeyOf(std::span<const uint8_t> p) {
  Key key{};
  std::copy_n(p.begin(), std::min(p.size(), kKeySize), key.begin());
  return key;
}

bool SendQueue::IsBarrier(std::span<const uint8_t> p) {
  return p.size() >= 2 && p[0] == kDeviceChannel && p[1] >= kFirstModeCommand && p[1] <= kLastModeCommand;
}

bool SendQueue::Enqueue(std::span<const uint8_t> p) {
  if (p.size() > kMaxPayload) return false;
  const Key key = KeyOf(p);
  const auto lastBarrier = std::find_if(entries_.rbegin(), entries_.rend(), [](const Entry& e) { return e.barrier; });
  const auto searchFrom = lastBarrier.base();  // just after the last barrier, or the front
  auto it = std::find_if(searchFrom, entries_.end(), [&](const Entry& e) { return e.key == key; });
  if (it == entries_.end()) {
    entries_.emplace_back();
    it = std::prev(entries_.end());
    it->key = key;
    it->barrier = IsBarrier(p);
  }
  std::copy(p.begin(), p.end(), it->payload.begin());
  it->length = p.size();
  return true;
}

std::optional<SendQueue::Entry> SendQueue::PopFront() {
  if (entries_.empty()) return std::nullopt;
  Entry e = entries_.front();
  entries_.pop_front();
  return e;
}

}  // namespace nr
