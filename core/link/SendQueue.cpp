#include "link/SendQueue.h"

#include <algorithm>

#include "link/Commands.h"
#include "link/FrameCodec.h"

namespace nr {

SendQueue::Key SendQueue::KeyOf(std::span<const uint8_t> p) {
  Key key{};
  std::copy_n(p.begin(), std::min(p.size(), kKeySize), key.begin());
  return key;
}

bool SendQueue::IsBarrier(std::span<const uint8_t> p) {
  // Select, store, load or restore a mode slot.
  return p.size() >= 2 && p[0] == kNetPrefixDevice && p[1] >= cmd::kSelectMode && p[1] <= cmd::kFactoryMode;
}

bool SendQueue::Merges(std::span<const uint8_t> p) { return p.empty() || p[0] != kNetPrefixZWave; }

bool SendQueue::Enqueue(std::span<const uint8_t> p) {
  if (p.size() > kMaxPayload) return false;
  const Key key = KeyOf(p);
  auto it = entries_.end();
  if (!Merges(p) && entries_.size() >= kMaxUnmergedEntries) return false;
  if (Merges(p)) {
    const auto lastBarrier = std::find_if(entries_.rbegin(), entries_.rend(), [](const Entry& e) { return e.barrier; });
    const auto searchFrom = lastBarrier.base();  // just after the last barrier, or the front
    it = std::find_if(searchFrom, entries_.end(), [&](const Entry& e) { return e.key == key; });
  }
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
