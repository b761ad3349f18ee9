#pragma once
// A measurement program's filter list on disk and one EQ set: importing a list into the set the
// panel shows, and exporting that set as a list. Both ask for the file through the prompts.
#include <QString>
#include "shell/Language.h"

class QWidget;

namespace nr {
class DeviceModel;
class DeviceSession;
}  // namespace nr

namespace nr::gui {

class Prompts;

// Asks for a list and reads it into `set` (UTF-8 or UTF-16, ReadTextFile): nothing is written
// unless every line fits (the errors, each naming its line, are shown instead). A list with more
// filters than the set takes goes in only when the user agrees to leave out those of least
// effect. Lines read but not applied (a preamp, switched-off filters, filters left out) are
// reported after the import. True when the set changed.
bool ImportFilterList(QWidget* parent, Prompts& prompts, DeviceSession& session, int set, gui::Language language);

// Asks where, and writes the set's bands as a list (atomically). True when written.
bool ExportFilterList(QWidget* parent, Prompts& prompts, const DeviceModel& model, int set, gui::Language language);

}  // namespace nr::gui
