#pragma once
// A measurement program's filter list on disk and one EQ set: importing a list into the set the
// panel shows, and exporting that set as a list. Both ask for the file through the prompts.
#include <QString>
#include <string>

class QByteArray;

class QWidget;

namespace nr {
class DeviceModel;
class DeviceSession;
}  // namespace nr

namespace nr::gui {

class Prompts;

// Asks for a list and reads it into `set`: nothing is written unless every line fits (the errors,
// each naming its line, are shown instead); lines read but not applied (a preamp, switched-off
// filters) are reported after the import. True when the set changed.
bool ImportFilterList(QWidget* parent, Prompts& prompts, DeviceSession& session, int set, int language);

// Asks where, and writes the set's bands as a list (atomically). True when written.
bool ExportFilterList(QWidget* parent, Prompts& prompts, const DeviceModel& model, int set, int language);

// The text of a list file: UTF-8 as it stands, UTF-16 (with its byte-order mark) converted.
std::string FilterListText(const QByteArray& bytes);

}  // namespace nr::gui
