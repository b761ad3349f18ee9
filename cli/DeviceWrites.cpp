#include "DeviceWrites.h"

#include <charconv>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <thread>

#include "eq/BandLimits.h"
#include "eq/BandWrites.h"
#include "inputs/EffectEncoders.h"
#include "link/EqLayout.h"
#include "link/ParamRanges.h"
#include "link/ParamTable.h"
#include "link/WriteLimits.h"

namespace nr::cli {
namespace {

constexpr long long kMaxByte = 255;
constexpr long long kMaxFilterType = 21;

std::string Hex2(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(value));
  return text;
}

std::string PairName(int module, int index) {
  return "module " + std::to_string(module) + ", index " + Hex2(index);
}

bool StartsWithHexPrefix(std::string_view text) {
  return text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
}

CommandArgs PositionalsOnly(std::span<const std::string> args, size_t min, size_t max) {
  const CommandArgs parsed = ParseCommandArgs(args, {});
  ExpectPositionals(parsed, min, max);
  return parsed;
}

float ParseFloatValue(std::string_view text, std::string_view what) {
  const float value = static_cast<float>(ParseFiniteArg(text, what));
  if (!std::isfinite(value)) throw UsageError(std::string(what) + " is too large: " + Quoted(text));
  return value;
}

// One word of a block: up to eight hexadecimal digits, with or without 0x.
void AppendHexWord(std::string_view text, std::vector<uint8_t>& out) {
  std::string_view digits = StartsWithHexPrefix(text) ? text.substr(2) : text;
  uint32_t word = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), word, 16);
  if (digits.empty() || digits.size() > 8 || ec != std::errc() || end != digits.data() + digits.size())
    throw UsageError("WORD must be up to 8 hexadecimal digits, not " + Quoted(text));
  out.push_back(static_cast<uint8_t>(word >> 24));
  out.push_back(static_cast<uint8_t>(word >> 16));
  out.push_back(static_cast<uint8_t>(word >> 8));
  out.push_back(static_cast<uint8_t>(word));
}

std::vector<std::string_view> SplitWords(std::string_view line) {
  std::vector<std::string_view> words;
  size_t i = 0;
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; };
  while (i < line.size()) {
    while (i < line.size() && blank(line[i])) ++i;
    const size_t start = i;
    while (i < line.size() && !blank(line[i])) ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

// A mode switch must see exactly the writes before it and none after. The send queue never lets
// a later write overtake a mode command; draining on both sides also makes the switch wait for
// the answers of the writes before it, and the device's read after a load start from rest.
bool Drain(DeviceLink& link) {
  const bool drained = link.GetLink().Drain();
  if (!link.Alive()) {
    link.Fail("lost the connection");
    return false;
  }
  if (!drained) {
    link.Fail("the device stopped taking writes");
    return false;
  }
  return true;
}

std::string SlotName(int slot) {
  char name[16];
  std::snprintf(name, sizeof name, "M%d", slot + 1);  // string concatenation trips a GCC 12 release warning
  return name;
}

}  // namespace

long long ParseNumberArg(std::string_view text, std::string_view what, long long min, long long max) {
  if (!StartsWithHexPrefix(text)) return ParseIntegerArg(text, what, min, max);
  const std::string_view digits = text.substr(2);
  unsigned long long value = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
  if (ec == std::errc::invalid_argument || end != digits.data() + digits.size())
    throw UsageError(std::string(what) + " must be a whole number, not " + Quoted(text));
  if (ec == std::errc::result_out_of_range || value > static_cast<unsigned long long>(max) ||
      static_cast<long long>(value) < min)
    throw UsageError(std::string(what) + " must be between " + std::to_string(min) + " and " + std::to_string(max) +
                     ", not " + Quoted(text));
  return static_cast<long long>(value);
}

WriteRequest ParseSet(std::span<const std::string> args) {
  const CommandArgs parsed = PositionalsOnly(args, 3, 3);
  WriteRequest r;
  r.kind = WriteRequest::Kind::kSet;
  r.module = static_cast<int>(ParseNumberArg(parsed.positional[0], "MODULE", 0, kMaxByte));
  r.index = static_cast<int>(ParseNumberArg(parsed.positional[1], "INDEX", 0, kMaxByte));
  const int rowNumber = FindParamRow(r.module, r.index);
  if (rowNumber < 0) throw UsageError("there is no parameter with " + PairName(r.module, r.index));
  const ParamRow& row = ParamRows()[static_cast<size_t>(rowNumber)];
  if (row.type == ValueType::kBlock)
    throw UsageError("the parameter with " + PairName(r.module, r.index) + " has no single value; write it with block");

  const std::string& text = parsed.positional[2];
  double value = 0;
  if (HoldsFloat(row.type)) {
    value = ParseFiniteArg(text, "VALUE");
    r.floatValue = true;
    r.realValue = static_cast<float>(value);
  } else {
    r.intValue = static_cast<int>(ParseNumberArg(text, "VALUE (a whole number)", INT32_MIN, INT32_MAX));
    value = r.intValue;
  }
  // What the controls of the parameter's page offer, checked before the float narrows the value.
  if (const std::string refused = ParamOutOfRange(r.module, r.index, value); !refused.empty())
    throw UsageError("VALUE " + refused + " for " + PairName(r.module, r.index));
  return r;
}

WriteRequest ParseBlock(std::span<const std::string> args) {
  const CommandArgs parsed = PositionalsOnly(args, 3, SIZE_MAX);
  if (parsed.positional.size() > 2 + static_cast<size_t>(kMaxDspWords))
    throw UsageError("a block holds at most " + std::to_string(kMaxDspWords) + " words, not " +
                     std::to_string(parsed.positional.size() - 2));
  WriteRequest r;
  r.kind = WriteRequest::Kind::kBlock;
  r.module = static_cast<int>(ParseNumberArg(parsed.positional[0], "MODULE", 0, kMaxByte));
  r.index = static_cast<int>(ParseNumberArg(parsed.positional[1], "INDEX", 0, kMaxByte));
  for (size_t i = 2; i < parsed.positional.size(); ++i) AppendHexWord(parsed.positional[i], r.words);
  const int rowNumber = FindParamRow(r.module, r.index);
  if (rowNumber >= 0) {
    const ParamRow& row = ParamRows()[static_cast<size_t>(rowNumber)];
    const size_t count = r.words.size() / 4;
    if (count > row.words)
      throw UsageError("the record with " + PairName(r.module, r.index) + " holds " + std::to_string(row.words) +
                       (row.words == 1 ? " word" : " words") + ", not " + std::to_string(count));
  }
  return r;
}

WriteRequest ParseEq(std::span<const std::string> args) {
  const CommandArgs parsed = PositionalsOnly(args, 6, 6);
  WriteRequest r;
  r.kind = WriteRequest::Kind::kEq;
  r.set = static_cast<int>(ParseNumberArg(parsed.positional[0], "SET", 0, kEqSetCount - 1));
  const EqSetLayout layout = EqSetInfo(r.set);
  const int bands = r.set == kRecordEqSet ? kRecordEqBands : layout.slotCount;
  r.band = static_cast<int>(ParseNumberArg(parsed.positional[1], "BAND (of set " + std::to_string(r.set) + ")", 0, bands - 1));
  r.type = static_cast<int>(ParseNumberArg(parsed.positional[2], "TYPE", 0, kMaxFilterType));
  r.freq = static_cast<int>(ParseNumberArg(parsed.positional[3], "FREQ (whole hertz)", INT32_MIN, INT32_MAX));
  r.gain = ParseFloatValue(parsed.positional[4], "GAIN (dB)");
  r.q = ParseFloatValue(parsed.positional[5], "Q");
  // The band editor's limits: a band outside them is not written anywhere.
  if (const std::string refused = BandOutOfRange(r.type, r.freq, r.gain, r.q); !refused.empty()) throw UsageError(refused);
  return r;
}

WriteRequest ParseMode(std::span<const std::string> args) {
  const CommandArgs parsed = PositionalsOnly(args, 2, 2);
  WriteRequest r;
  r.kind = WriteRequest::Kind::kMode;
  const std::string& action = parsed.positional[0];
  if (action == "load")
    r.action = ModeCommand::kLoad;
  else if (action == "store")
    r.action = ModeCommand::kStore;
  else if (action == "factory")
    r.action = ModeCommand::kFactoryRestore;
  else
    throw UsageError("the mode action is load, store or factory, not " + Quoted(action));
  r.slot = static_cast<int>(ParseNumberArg(parsed.positional[1], "N (mode slot)", 1, kModeSlots)) - 1;
  return r;
}

bool ParseBatchLine(std::string_view line, WriteRequest& request) {
  if (const size_t hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
  const std::vector<std::string_view> words = SplitWords(line);
  if (words.empty()) return false;
  const std::vector<std::string> args(words.begin() + 1, words.end());
  const std::string_view name = words[0];
  if (name == "set")
    request = ParseSet(args);
  else if (name == "block")
    request = ParseBlock(args);
  else if (name == "eq")
    request = ParseEq(args);
  else if (name == "mode")
    request = ParseMode(args);
  else
    throw UsageError("unknown command " + Quoted(name) + " (a line holds set, block, eq or mode)");
  return true;
}

int ExecuteWrite(WriteTarget& target, const WriteRequest& r, std::string& message) {
  DeviceSession& session = target.Session();
  switch (r.kind) {
    case WriteRequest::Kind::kSet:
      if (SetEchoRightPercent(session, r.module, r.index, r.intValue)) return kExitOk;
      if (r.floatValue)
        session.SetParam(r.module, r.index, r.realValue);
      else
        session.SetParam(r.module, r.index, r.intValue);
      return kExitOk;
    case WriteRequest::Kind::kBlock:
      if (!session.WriteParamBlock(r.module, r.index, r.words)) {
        message = "the block for " + PairName(r.module, r.index) + " was refused (longer than its record)";
        return kExitUsage;
      }
      return kExitOk;
    case WriteRequest::Kind::kEq:
      SetEqBand(session, r.set, r.band, r.type, r.freq, r.gain, r.q);
      return kExitOk;
    case WriteRequest::Kind::kMode:
      break;
  }

  DeviceLink* device = target.Device();
  if (!device) {
    message = "mode switches need a device (a mode file holds one preset, not the device's slots)";
    return kExitUsage;
  }
  DeviceLink& link = *device;
  if (!Drain(link)) return kExitFailure;
  DeviceModes& modes = link.Conn().Modes();
  if (r.action == ModeCommand::kStore) {
    if (!modes.Run(ModeCommand::kStore, r.slot).sent) return link.Fail("lost the connection");
    return Drain(link) ? kExitOk : kExitFailure;
  }
  // Load and factory: the device answers with the same code and then expects to be read again;
  // the connection starts that read itself, and the command ends when it has finished.
  const uint64_t seen = link.TransfersFinished();
  const bool load = r.action == ModeCommand::kLoad;
  if (!modes.Run(r.action, r.slot).sent) return link.Fail("lost the connection");
  return link.AwaitTransferAfter(seen, (load ? "load mode " : "restore mode ") + SlotName(r.slot));
}

}  // namespace nr::cli
