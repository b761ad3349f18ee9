#include "link/NetChunk.h"

#include <cstring>

namespace nr {
namespace {

bool StartsWith(std::span<const uint8_t> bytes, std::string_view text) {
  return bytes.size() >= text.size() && std::memcmp(bytes.data(), text.data(), text.size()) == 0;
}

}  // namespace

void HandleNetChunk(std::span<const uint8_t> chunk, RxReassembler& rx, NetChunkListener& listener) {
  if (StartsWith(chunk, kHeartbeat)) {
    listener.EchoHeartbeat();
    chunk = chunk.subspan(kHeartbeat.size());
    if (chunk.empty()) return;
  } else if (StartsWith(chunk, kHostBusy)) {
    listener.HostBusy();
    return;
  }
  rx.Feed(chunk, listener);
}

}  // namespace nr
