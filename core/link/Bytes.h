#pragma once
// Big-endian byte helpers and the fixed-capacity command payload.
// Everything the device exchanges is big-endian; floats travel as IEEE single precision bits.
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>

namespace nr {

inline constexpr void PutBE16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}
inline constexpr uint16_t GetBE16(const uint8_t* p) {
  return static_cast<uint16_t>((p[0] << 8) | p[1]);
}
inline constexpr void PutBE32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}
inline constexpr uint32_t GetBE32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}
inline constexpr uint32_t FloatBits(float f) { return std::bit_cast<uint32_t>(f); }
inline constexpr float BitsFloat(uint32_t w) { return std::bit_cast<float>(w); }

// A command payload as the PC builds it: command code first, then its arguments, without the
// network channel prefix (the link adds that). USB reports carry at most 60 payload bytes, so
// that is the capacity; the buffer lives inline so building a payload never allocates.
class Payload {
 public:
  static constexpr size_t kCapacity = 60;

  Payload() = default;
  Payload(std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes) Push(b);
  }

  // Appends one byte; returns false (and keeps the payload unchanged) when it is full.
  bool Push(uint8_t b) {
    if (size_ >= kCapacity) {
      overflow_ = true;
      return false;
    }
    buf_[size_++] = b;
    return true;
  }
  bool Append(std::span<const uint8_t> bytes) {
    if (bytes.size() > kCapacity - size_) {
      overflow_ = true;
      return false;
    }
    for (uint8_t b : bytes) buf_[size_++] = b;
    return true;
  }
  bool PushBE16(uint16_t v) { return Push(static_cast<uint8_t>(v >> 8)) && Push(static_cast<uint8_t>(v)); }
  bool PushBE32(uint32_t v) {
    uint8_t b[4];
    PutBE32(b, v);
    return Append(b);
  }

  const uint8_t* data() const { return buf_.data(); }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // True when a builder tried to put more than kCapacity bytes in; such a payload is never sent.
  bool overflowed() const { return overflow_; }
  std::span<const uint8_t> bytes() const { return {buf_.data(), size_}; }
  uint8_t operator[](size_t i) const { return buf_[i]; }

 private:
  std::array<uint8_t, kCapacity> buf_{};
  size_t size_ = 0;
  bool overflow_ = false;
};

}  // namespace nr
