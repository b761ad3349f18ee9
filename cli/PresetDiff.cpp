#include "PresetDiff.h"

#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>

#include "ToolCommands.h"
#include "WriteTarget.h"

namespace nr::cli {
namespace {

// ---- nrctl diff ------------------------------------------------------------------------------

using Json = nlohmann::ordered_json;

// One side of the comparison: a mode file, read as --file reads it, or the device.
int ReadSide(const CommandContext& ctx, const std::string& operand, DeviceState& state) {
  GlobalOptions options = ctx.options;
  options.file = operand == "device" ? std::string() : operand;
  const CommandContext side{options, ctx.out, ctx.err, ctx.in, ctx.trace};
  const std::unique_ptr<WriteTarget> target = MakeWriteTarget(side, "diff");
  if (const int status = target->Open(true)) return status;
  state = target->Model().Snapshot();
  return target->Finish();  // nothing was changed: a file stays untouched, a device gets its goodbye
}

int RunDiff(const CommandContext& ctx, std::span<const std::string> words) {
  static constexpr OptionSpec kOptions[] = {{"--json", false}};
  const CommandArgs args = ParseCommandArgs(words, kOptions);
  ExpectPositionals(args, 2, 2);
  DeviceState a, b;
  if (const int status = ReadSide(ctx, args.positional[0], a)) return status;
  if (const int status = ReadSide(ctx, args.positional[1], b)) return status;
  // A device never reports its record EQ's bands: against a file it is taken to run the file's,
  // as a venue check takes it, rather than showing a difference nobody can know.
  const bool deviceA = args.positional[0] == "device", deviceB = args.positional[1] == "device";
  if (deviceA != deviceB) (deviceA ? a : b).recordEq = (deviceA ? b : a).recordEq;
  const std::vector<PresetDifference> differences = ComparePresets(a, b);

  if (args.Has("--json")) {
    Json list = Json::array();
    for (const PresetDifference& d : differences) list.push_back({{"page", d.page}, {"item", d.name}, {"a", d.a}, {"b", d.b}});
    ctx.out << Json{{"equal", differences.empty()}, {"differences", list}}.dump(2) << "\n";
  } else {
    std::string page;
    for (const PresetDifference& d : differences) {
      if (d.page != page) ctx.out << (page.empty() ? "" : "\n") << (page = d.page) << "\n";
      ctx.out << "  " << d.name << ": " << d.a << " -> " << d.b << "\n";
    }
  }
  return differences.empty() ? kExitOk : kExitFailure;
}

}  // namespace

void RegisterDiffCommand(CommandTable& table) {
  table.Add(Command{
      "diff",
      "compare two presets: mode files, or the device",
      "A B [--json]",
      "A and B are mode files, or the word device for the connected device (read whole, as info\n"
      "reads it). Prints every parameter, EQ band and derived value that differs, grouped by the\n"
      "page that edits it, one line each with both values decoded:\n"
      "  PAGE\n"
      "    ITEM: A -> B\n"
      "for example, under \"Output 1\": \"set 7 band 3 (output 1 EQ): PEQ 250 Hz, 0 dB, Q 1.414 ->\n"
      "PEQ 250 Hz, -3 dB, Q 1.414\". Bands are numbered from 0 as nrctl eq numbers them. The identification in a file's header is\n"
      "not compared, nor the record EQ between the device and a file (a device does not\n"
      "report it). A file is read with the checks of loading it and is never changed.\n"
      "  --json  one object: {\"equal\": true|false, \"differences\": [{page, item, a, b}, ...]}\n"
      "Exit status: 0 equal, 1 different (or a link failure, said on stderr), 2 usage, 3 a file\n"
      "refused.\n",
      RunDiff,
  });
}

}  // namespace nr::cli
