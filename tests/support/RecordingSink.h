#pragma once
// A packet sink that keeps every payload, for asserting exactly what would reach the device.
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "link/PacketSink.h"

namespace nr::test {

using Bytes = std::vector<uint8_t>;

struct SentPacket {
  Bytes payload;
  bool synchronous;
};

class RecordingSink : public PacketSink {
 public:
  int SendPacket(std::span<const uint8_t> payload, bool synchronous) override {
    std::lock_guard lock(mutex_);
    packets_.push_back({Bytes(payload.begin(), payload.end()), synchronous});
    return static_cast<int>(payload.size());
  }
  std::vector<SentPacket> Packets() const {
    std::lock_guard lock(mutex_);
    return packets_;
  }
  std::vector<Bytes> Payloads() const {
    std::vector<Bytes> out;
    for (const auto& p : Packets()) out.push_back(p.payload);
    return out;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    packets_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<SentPacket> packets_;
};

// "09 00 01 0E" style rendering, for readable assertion failures.
std::string Hex(std::span<const uint8_t> bytes);

// The payloads sent so far, each rendered as hex.
inline std::vector<std::string> HexPayloads(const RecordingSink& sink) {
  std::vector<std::string> out;
  for (const auto& p : sink.Payloads()) out.push_back(Hex(p));
  return out;
}

inline std::string Hex(std::span<const uint8_t> bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string s;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i) s += ' ';
    s += digits[bytes[i] >> 4];
    s += digits[bytes[i] & 15];
  }
  return s;
}

}  // namespace nr::test
