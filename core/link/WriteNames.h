#pragma once
// A write to the device named in words, for messages about writes the device never answered:
// "the write to module 1, index 0x0E", "store mode M2", "the remote-control table".
#include <cstdint>
#include <span>
#include <string>

namespace nr {

std::string DescribeWrite(std::span<const uint8_t> payload);

}  // namespace nr
