#include "Offline.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <ostream>
#include <vector>

#include "ModeReport.h"
#include "eq/Biquad.h"
#include "link/Bytes.h"
#include "shell/AtomicFile.h"
#include "shell/ModeFile.h"
#include "shell/PathText.h"

namespace nr::cli {
namespace {

// The band record keeps the type in one byte and the frequency in 16 bits.
constexpr long long kMaxBandType = 255;
constexpr long long kMaxBandFreq = 65535;

int RunDesign(const CommandContext& ctx, std::span<const std::string> words) {
  const CommandArgs args = ParseCommandArgs(words, {});
  ExpectPositionals(args, 4, 4);
  const int type = static_cast<int>(ParseIntegerArg(args.positional[0], "TYPE", 0, kMaxBandType));
  const int freq = static_cast<int>(ParseIntegerArg(args.positional[1], "FREQ (Hz)", 1, kMaxBandFreq));
  // The band writer takes gain and Q as floats, so they are narrowed the same way here: the
  // words printed are then exactly those the device would receive.
  const float gain = static_cast<float>(ParseFiniteArg(args.positional[2], "GAIN (dB)"));
  const float q = static_cast<float>(ParseFiniteArg(args.positional[3], "Q"));
  if (!std::isfinite(gain)) throw UsageError("GAIN (dB) is too large: '" + args.positional[2] + "'");
  if (!(q > 0.0f) || !std::isfinite(q)) throw UsageError("Q must be greater than 0, not '" + args.positional[3] + "'");

  const std::array<float, 5> words5 = DeviceCoefficients(DesignBiquad(type, gain, freq, q));
  char line[16];
  for (size_t i = 0; i < words5.size(); ++i) {
    std::snprintf(line, sizeof line, "%08X", static_cast<unsigned>(FloatBits(words5[i])));
    ctx.out << (i ? " " : "") << line;
  }
  ctx.out << "\n";
  for (size_t i = 0; i < words5.size(); ++i) {
    std::snprintf(line, sizeof line, "%.9g", static_cast<double>(words5[i]));
    ctx.out << (i ? " " : "") << line;
  }
  ctx.out << "\n";
  return kExitOk;
}

int RunInspect(const CommandContext& ctx, std::span<const std::string> words) {
  static constexpr OptionSpec kOptions[] = {{"--json", false}};
  const CommandArgs args = ParseCommandArgs(words, kOptions);
  ExpectPositionals(args, 1, 1);
  const std::string& path = args.positional[0];

  // The file goes through the same reader as a file loaded into a device, so it is refused or
  // accepted exactly as it would be there.
  DeviceModel model;
  const ModeFileResult read = ReadModeFile(PathFromUtf8(path), model);
  if (!read.ok()) {
    ctx.err << "nrctl inspect: ";
    if (read.error != ModeFileError::kCannotOpen) ctx.err << path << ": ";
    ctx.err << read.message << "\n";
    return kExitRefused;
  }

  // That reader ignores the header, which is what an inspection wants to see: read it apart.
  std::vector<uint8_t> bytes;
  ModeFileContents contents;
  InspectedModeFile file{path, 0, {}, false, model.Snapshot()};
  const FileError again = ReadFileLimited(PathFromUtf8(path), kModeFileWithTrailerSize, bytes);
  const bool same = !again && ParseModeFile(bytes, contents).ok() && contents.image == file.state.image &&
                    contents.recordEq.value_or(file.state.recordEq) == file.state.recordEq;
  if (!same) {
    ctx.err << "nrctl inspect: " << path << ": the file changed while it was being read\n";
    return kExitRefused;
  }
  file.size = bytes.size();
  file.header = contents.header;
  file.hasRecordEqTrailer = contents.recordEq.has_value();

  if (args.Has("--json")) {
    // Header strings are raw bytes from the file; invalid UTF-8 must not abort the output.
    ctx.out << ModeFileJson(file).dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
  } else {
    WriteModeFileSummary(ctx.out, file);
  }
  return kExitOk;
}

}  // namespace

void RegisterOfflineCommands(CommandTable& table) {
  table.Add(Command{
      "design",
      "print the five coefficient words the device receives for one EQ band",
      "TYPE FREQ GAIN Q",
      "Designs the section at 48000 Hz as the band writer does and prints two lines: the words in\n"
      "the order they are sent (-a1 -a2 b0 b1 b2) as 8-digit hex, then the same five values as\n"
      "decimal numbers.\n"
      "\n"
      "  TYPE  filter type 0..255 (1 peaking, 2 low-pass, 3 high-pass, 4 low shelf, 5 high shelf,\n"
      "        6..21 slope sections; 0 and every other number an all-pass)\n"
      "  FREQ  whole hertz, 1..65535\n"
      "  GAIN  dB (a negative gain needs no escaping: design 1 1000 -3 1.414)\n"
      "  Q     greater than 0\n",
      RunDesign,
  });
  table.Add(Command{
      "inspect",
      "show what a mode file holds: header, parameters, EQ bands, derived values",
      "FILE [--json]",
      "Reads FILE with the same checks as loading it into a device (size, command version, the\n"
      "header of every parameter record, record-EQ trailer) and prints its contents. A refused\n"
      "file exits with status 3, naming the reason (for a damaged file, the first bad record).\n"
      "\n"
      "  --json  print one JSON object instead of the readable summary\n",
      RunInspect,
  });
}

}  // namespace nr::cli
