#include "link/SendQueue.h"

#include <algorithm>

namespace nr {

SendQueue::Key SendQueue::KeyOf(std::span<const uint8_t> p) {
  Key key{};
  std::copy_n(p.begin(), std::min(p.size(), kKeySize), key.begin());
  return key;
}

bool SendQueue::Enqueue(std::span<const uint8_t> p) {
  if (p.size() > kMaxPayload) return false;
  const Key key = KeyOf(p);
  auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.key == key; });
  if (it == entries_.end()) {
    entries_.emplace_back();
    it = std::prev(entries_.end());
    it->key = key;
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
