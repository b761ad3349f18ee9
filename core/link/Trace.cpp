#include "link/Trace.h"

#include <cstdio>
#include <string>

namespace nr {

void StderrTrace::Write(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

void TraceBytes(TraceSink* sink, std::string_view label, std::span<const uint8_t> bytes) {
  if (!sink) return;
  std::string line(label);
  line.reserve(label.size() + bytes.size() * 3 + 1);
  char hex[4];
  for (uint8_t b : bytes) {
    std::snprintf(hex, sizeof hex, "%02X ", b);
    line += hex;
  }
  line += '\n';
  sink->Write(line);
}

}  // namespace nr
