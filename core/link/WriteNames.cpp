#include "link/WriteNames.h"

#include <cstdio>

#include "link/Bytes.h"
#include "link/Commands.h"

namespace nr {
namespace {

std::string Hex2(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(value));
  return text;
}

std::string SlotName(int slot) {
  char name[16];
  std::snprintf(name, sizeof name, "M%d", slot + 1);
  return name;
}

}  // namespace

std::string DescribeWrite(std::span<const uint8_t> p) {
  if (p.empty()) return "an empty write";
  switch (p[0]) {
    case cmd::kWriteDsp:
      if (p.size() >= 4) return "the write to module " + std::to_string(p[2]) + ", index " + Hex2(p[3]);
      break;
    case cmd::kStoreImageBytes:
      if (p.size() >= 3) return "the image bytes at offset " + std::to_string(GetBE16(&p[1]));
      break;
    case cmd::kSelectMode:
    case cmd::kStoreMode:
    case cmd::kLoadMode:
    case cmd::kFactoryMode: {
      static constexpr const char* kVerbs[] = {"select", "store", "load", "restore"};
      if (p.size() >= 2) return std::string(kVerbs[p[0] - cmd::kSelectMode]) + " mode " + SlotName(p[1]);
      break;
    }
    case cmd::kWriteRemote:
      return "the remote-control table";
    case cmd::kWriteMachineSettings:
      return "the machine settings";
    default:
      break;
  }
  return "command " + Hex2(p[0]);
}

}  // namespace nr
