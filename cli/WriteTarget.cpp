#include "WriteTarget.h"

#include <ostream>

#include "DeviceLink.h"
#include "TerminalText.h"
#include "shell/AtomicFile.h"
#include "shell/ModeFile.h"
#include "shell/PathText.h"

namespace nr::cli {

std::string FileTargetNote() {
  return "\n"
         "With --file F.mode (before the command, or after its arguments) the change is made to that\n"
         "mode file instead of a device: the file is read and checked, changed with the same\n"
         "operations, and written back in one step; only the records the command changed differ\n"
         "afterwards. The file is locked from reading to writing, so runs on the same file take\n"
         "turns and each keeps its change. A refused file (unreadable, wrong size or version, a\n"
         "damaged parameter record, changed meanwhile by a program that ignores the lock, not\n"
         "writable) exits with status 3 and is left as it was.\n";
}

std::vector<uint8_t> PatchModeFile(std::span<const uint8_t> original, std::span<const uint8_t> loaded,
                                   std::span<const uint8_t> edited) {
  std::vector<uint8_t> bytes(original.begin(), original.end());
  const size_t patched = std::min({bytes.size(), loaded.size(), edited.size()});
  for (size_t i = 0; i < patched; ++i)
    if (loaded[i] != edited[i]) bytes[i] = edited[i];
  // A file without the trailer: the record EQ it loaded was the factory's. It gains the trailer
  // only when the record EQ changed.
  if (bytes.size() < edited.size() && !std::equal(loaded.begin() + static_cast<std::ptrdiff_t>(bytes.size()), loaded.end(),
                                                  edited.begin() + static_cast<std::ptrdiff_t>(bytes.size())))
    bytes.insert(bytes.end(), edited.begin() + static_cast<std::ptrdiff_t>(bytes.size()), edited.end());
  return bytes;
}

FileTarget::FileTarget(const CommandContext& ctx, std::string_view command, std::filesystem::path path)
    : ctx_(ctx), command_(command), path_(std::move(path)) {}

int FileTarget::Report(int status, std::string_view message) {
  ctx_.err << "nrctl " << command_ << ": " << TerminalSafe(message) << "\n";
  return status;
}

int FileTarget::Open(bool /*readAll*/) {
  // Held from here until the command ends: another nrctl editing the same file waits for this
  // one's save and then edits the saved file, so no run's change is lost to another's.
  if (const FileError error = held_.Hold(path_, kModeFileWithTrailerSize, original_)) {
    if (error.problem == FileProblem::kTooLong)
      return Report(kExitRefused, Utf8OfPath(path_) + ": the file holds " + std::to_string(error.size) +
                                      " bytes; a mode file holds at most " + std::to_string(kModeFileWithTrailerSize));
    return Report(kExitRefused, error.message);
  }
  ModeFileContents contents;
  if (const ModeFileResult parsed = ParseModeFile(original_, contents); !parsed.ok())
    return Report(kExitRefused, Utf8OfPath(path_) + ": " + parsed.message);
  // Unlike loading a preset into a device, nothing is adjusted here (the input source is not
  // clamped to a connected device's sources): the file keeps what it holds unless a command
  // changes it. The header tells the module, so the commands see the sources it offers.
  loaded_ = model_.Update([&](DeviceState& s) {
    s.info = contents.header;
    s.image = contents.image;
    if (contents.recordEq) s.recordEq = *contents.recordEq;
    ApplyImage(s);
    MarkKept(s);
    return SerializeModeFile(s);
  });
  return kExitOk;
}

int FileTarget::Finish() {
  const std::vector<uint8_t> edited = model_.Read([](const DeviceState& s) { return SerializeModeFile(s); });
  const std::vector<uint8_t> bytes = PatchModeFile(original_, loaded_, edited);
  if (bytes == original_) return kExitOk;  // nothing changed: the file is not touched at all
  // A program that does not take the lock may have saved the file meanwhile: its preset must not
  // be lost to ours.
  std::vector<uint8_t> now;
  if (ReadFileLimited(path_, kModeFileWithTrailerSize, now) || now != original_)
    return Report(kExitRefused, Utf8OfPath(path_) + ": the file changed while it was being edited; it was left as it is");
  if (const FileError error = WriteFileAtomically(path_, bytes)) return Report(kExitRefused, error.message);
  held_.Release();  // the next editor waiting for the file goes on with the one just saved
  return kExitOk;
}

std::unique_ptr<WriteTarget> MakeWriteTarget(const CommandContext& ctx, std::string_view command) {
  if (!ctx.options.file.empty()) return std::make_unique<FileTarget>(ctx, command, PathFromUtf8(ctx.options.file));
  return std::make_unique<DeviceLink>(ctx, command);
}

}  // namespace nr::cli
