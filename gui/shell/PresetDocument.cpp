#include "shell/PresetDocument.h"

#include <QFileInfo>

#include "shell/Platform.h"

namespace nr::gui {

QString PresetDocument::Path() const { return file_ ? FromPath(file_->path) : QString(); }

QString PresetDocument::FileName() const { return file_ ? QFileInfo(Path()).fileName() : QString(); }

bool PresetDocument::Modified() const {
  return file_ && model_.Read([&](const DeviceState& s) { return PresetModified(s, *file_); });
}

ModeFileResult PresetDocument::Open(const QString& path) {
  PresetFile file;
  const ModeFileResult result = OpenPresetFile(ToPath(path), model_, file);
  if (result.ok()) file_ = std::move(file);
  return result;
}

ModeFileResult PresetDocument::Save(const QString& path) {
  if (!file_) return ModeFileResult{ModeFileError::kCannotWrite, 0, "no preset file is open"};
  PresetFile target = *file_;
  if (!path.isEmpty()) target.path = ToPath(path);
  const ModeFileResult result = SavePresetFile(model_, target);
  if (result.ok()) file_ = std::move(target);
  return result;
}

}  // namespace nr::gui
