// nrctl eq-import and eq-export: a measurement program's filter list into one EQ set, and a set
// back out in the same form.
#include <memory>
#include <ostream>
#include <vector>

#include "ModeReport.h"
#include "TerminalText.h"
#include "ToolCommands.h"
#include "WriteTarget.h"
#include "eq/FilterList.h"
#include "link/EqLayout.h"
#include "shell/AtomicFile.h"
#include "shell/TextFile.h"
#include "shell/PathText.h"

namespace nr::cli {
namespace {

constexpr size_t kLongestFilterList = 256 * 1024;  // far beyond any list of 24 filters with notes

int ParseSet(const std::string& text) { return static_cast<int>(ParseIntegerArg(text, "SET", 0, kEqSetCount - 1)); }

std::string SetName(int set) { return "set " + std::to_string(set) + " (" + EqSetTitle(set) + ")"; }

int RunEqImport(const CommandContext& ctx, std::span<const std::string> words) {
  static constexpr OptionSpec kOptions[] = {{"--drop-smallest", false}};
  const CommandArgs args = ParseCommandArgs(words, kOptions);
  ExpectPositionals(args, 2, 2);
  const int set = ParseSet(args.positional[0]);
  const std::string& path = args.positional[1];
  const ExcessFilters excess = args.Has("--drop-smallest") ? ExcessFilters::kDropSmallest : ExcessFilters::kRefuse;

  // The list is read and checked whole before anything is opened: a bad list changes nothing.
  const auto refuse = [&](const std::string& message) {
    ctx.err << "nrctl eq-import: " << TerminalSafe(message) << "\n";
    return kExitRefused;
  };
  std::string text;
  if (const FileError error = ReadTextFile(PathFromUtf8(path), kLongestFilterList, text)) {
    if (error.problem == FileProblem::kTooLong) return refuse(path + ": " + std::to_string(error.size) + " bytes is no filter list");
    return refuse(error.message);
  }
  const FilterListImport list = ParseFilterList(text, set, excess);
  if (!list.ok()) {
    for (const FilterListLine& e : list.errors) refuse(path + ": " + e.message);
    if (list.excess > 0 && excess == ExcessFilters::kRefuse)
      refuse("--drop-smallest leaves out the " + std::to_string(list.excess) + " filter(s) of least effect (smallest gain)");
    ctx.err << "nrctl eq-import: nothing was written\n";
    return kExitRefused;
  }

  // The device is read whole: the set's further bands are made flat where they are not flat
  // already, which only the device's own bands can tell.
  const std::unique_ptr<WriteTarget> target = MakeWriteTarget(ctx, "eq-import");
  if (const int status = target->Open(true)) return status;
  ApplyFilterList(target->Session(), set, list.bands);
  if (const int status = target->Finish()) return status;
  ctx.out << SetName(set) << ": " << list.bands.size() << " of " << FilterListBands(set) << " bands from the list"
          << (static_cast<int>(list.bands.size()) < FilterListBands(set) ? ", the rest flat" : "") << "\n";
  for (const FilterListLine& left : list.dropped) ctx.out << "note: " << TerminalSafe(left.message) << "\n";
  for (const FilterListLine& note : list.notes) ctx.out << "note: " << TerminalSafe(note.message) << "\n";
  return kExitOk;
}

int RunEqExport(const CommandContext& ctx, std::span<const std::string> words) {
  const CommandArgs args = ParseCommandArgs(words, {});
  ExpectPositionals(args, 1, 2);
  const int set = ParseSet(args.positional[0]);

  const std::unique_ptr<WriteTarget> source = MakeWriteTarget(ctx, "eq-export");
  if (const int status = source->Open(true)) return status;
  const std::vector<EqBand> bands = source->Model().Read([&](const DeviceState& s) { return SetBandsForFilterList(s, set); });
  if (const int status = source->Finish()) return status;  // a file is read only
  const std::string text = FormatFilterList(bands, SetName(set));
  if (args.positional.size() == 1) {
    ctx.out << text;
    return kExitOk;
  }
  const std::span<const uint8_t> out(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  if (const FileError error = WriteFileAtomically(PathFromUtf8(args.positional[1]), out)) return source->Report(kExitRefused, error.message);
  return kExitOk;
}

}  // namespace

void RegisterEqListCommands(CommandTable& table) {
  table.Add(Command{
      "eq-import",
      "write a measurement program's filter list into one EQ set",
      "SET LIST [--drop-smallest]",
      "LIST is a filter list as room-measurement programs export it, one filter a line:\n"
      "  Filter  1: ON  PK       Fc   63.0 Hz  Gain  -4.5 dB  Q  2.500\n"
      "The file may be UTF-8 (with or without a byte-order mark) or UTF-16 with its mark.\n"
      "Types PK, LP, HP, LPQ/LP Q, HPQ/HP Q, LS, HS, LSC/LS Q, HSC/HS Q, LP1, HP1 (first order)\n"
      "and AP/All pass become the device's band types; Modal becomes a peaking band (its T60\n"
      "target is not kept); NO/Notch becomes a -15 dB peaking band, the device having no notch.\n"
      "Filters switched OFF, unused slots and filter lines without the \"Filter N:\" prefix are\n"
      "skipped and noted; header and note lines are skipped; a Preamp line is reported but not\n"
      "applied; decimal commas and \"Filter:\" without a number are read. The filters fill bands\n"
      "0, 1, ... of SET (0..23) in order and the set's further bands are made flat; on an output\n"
      "channel set the nine parametric bands are filled and the crossover is kept.\n"
      "A file without a single filter line, an unknown type, or a value outside the band editor's\n"
      "ranges (20 .. 20000 Hz, -15 .. +15 dB, Q 0.1 .. 30, 0.1 .. 2 for the filter types) is\n"
      "refused with every bad line named (status 3), and nothing is written. So is a list with\n"
      "more filters than the set takes, unless:\n"
      "\n"
      "  --drop-smallest  leave out the filters of least effect (smallest gain; low- and high-pass\n"
      "                   filters are never left out) until the list fits; each is named\n"
      "Exit status: 0 done, 1 link failure, 2 usage, 3 list or file refused.\n" +
          FileTargetNote(),
      RunEqImport,
      true,
  });
  table.Add(Command{
      "eq-export",
      "print one EQ set as a filter list for a measurement program",
      "SET [OUT]",
      "Reads the device (or the mode file given with --file, which is left as it is) and writes\n"
      "the bands of SET (0..23) that eq-import fills as a filter list: to OUT (replaced in one\n"
      "step), or to standard output. Peaking bands are PK, shelves LS/HS (LSC/HSC with a Q other\n"
      "than 0.707), low- and high-pass LP/HP (LPQ/HPQ likewise), the all-pass AP.\n"
      "Exit status: 0 done, 1 link failure, 2 usage, 3 file refused or not written.\n",
      RunEqExport,
      true,
  });
}

}  // namespace nr::cli
