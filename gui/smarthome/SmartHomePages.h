#pragma once
// The smart-plug page's place in the application: the ribbon's "Smart plug" command and the
// pictures of the screenshot mode.
#include <QString>

namespace nr::gui {

class CDialogHomeTheater;
class NrTuneApp;

// keyFolder: where the plug key files live; empty for the documents folder's 490/Plug.
void RegisterSmartHome(NrTuneApp& app, const QString& keyFolder = QString());

// Opens the smart-plug page, or brings the open one to the front; without a link the connect
// tip comes first, and the page opens all the same.
CDialogHomeTheater* OpenSmartPlugPage(NrTuneApp& app, const QString& keyFolder);

}  // namespace nr::gui
