#pragma once
// The preset file being edited on the PC (opened offline): the window title names it, with a
// mark while the screen shows values the file does not hold, and Save writes straight into it.
// It stays open while the screen shows its preset: through a connection that takes the preset
// to the device, until a read of the device, a mode the device loads or another file replaces it.
#include <QString>
#include <optional>

#include "shell/PresetFile.h"

namespace nr::gui {

class PresetDocument {
 public:
  explicit PresetDocument(DeviceModel& model) : model_(model) {}

  bool IsOpen() const { return file_.has_value(); }
  QString Path() const;
  QString FileName() const;
  // The screen shows values the file does not hold.
  bool Modified() const;

  // Loads the file into the model as the open document; a refused file changes nothing.
  ModeFileResult Open(const QString& path);
  // Writes the screen's values into the file (or, with a path, into that file, which then becomes
  // the document's).
  ModeFileResult Save(const QString& path = QString());
  void Close() { file_.reset(); }

 private:
  DeviceModel& model_;
  std::optional<PresetFile> file_;
};

}  // namespace nr::gui
