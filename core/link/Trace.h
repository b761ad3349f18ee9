#pragma once
// Diagnostic traces. Silent unless a sink is given; the programs pass a stderr sink when the
// user asks for --trace. The texts are fixed: support staff compare them with captures.
#include <cstdint>
#include <span>
#include <string_view>

namespace nr {

class TraceSink {
 public:
  virtual ~TraceSink() = default;
  virtual void Write(std::string_view text) = 0;
};

class StderrTrace final : public TraceSink {
 public:
  void Write(std::string_view text) override;
};

inline void Trace(TraceSink* sink, std::string_view text) {
  if (sink) sink->Write(text);
}

// "<label>" followed by "%02X " for every byte, then a newline (the "Read:" and "Write:" traces).
void TraceBytes(TraceSink* sink, std::string_view label, std::span<const uint8_t> bytes);

}  // namespace nr
