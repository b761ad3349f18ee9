#include "emu/InboundStream.h"

#include <algorithm>

namespace nr::emu {
namespace {

// Counts the frames the reassembler actually hands on.
class CountingHandler final : public FrameHandler {
 public:
  explicit CountingHandler(FrameHandler& next) : next_(next) {}
  void OnPayload(std::span<const uint8_t> payload) override {
    ++count;
    next_.OnPayload(payload);
  }
  int count = 0;

 private:
  FrameHandler& next_;
};

}  // namespace

InboundStream::Counts InboundStream::Feed(std::span<const uint8_t> chunk, FrameHandler& handler) {
  Counts counts;
  CountingHandler counting(handler);
  pending_.insert(pending_.end(), chunk.begin(), chunk.end());
  size_t pos = 0;
  while (pos < pending_.size()) {
    const size_t left = pending_.size() - pos;
    const uint8_t first = pending_[pos];
    if (first == kFrameStart) {
      if (left < 2) break;
      const size_t need = size_t{pending_[pos + 1]} + 2;
      if (left < need) break;
      // Exactly one whole frame: the reassembler checks it and leaves its buffer empty.
      rx_.Feed(std::span<const uint8_t>(&pending_[pos], need), counting);
      pos += need;
    } else if (first == static_cast<uint8_t>(kHeartbeat[0])) {
      const size_t n = std::min(left, kHeartbeat.size());
      const bool matches = std::equal(pending_.begin() + static_cast<long>(pos),
                                      pending_.begin() + static_cast<long>(pos + n), kHeartbeat.begin());
      if (matches && n < kHeartbeat.size()) break;  // the rest of the echo is still on its way
      if (matches) {
        ++counts.heartbeats;
        pos += kHeartbeat.size();
      } else {
        ++counts.skipped;
        ++pos;
      }
    } else {
      ++counts.skipped;
      ++pos;
    }
  }
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(pos));
  counts.frames = counting.count;
  return counts;
}

}  // namespace nr::emu
