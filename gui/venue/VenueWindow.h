#pragma once
// The Venue window's place in the application: the tab row's Venue button, the application
// menu's Venue entry, and its picture in the screenshot mode (with a few emulated rooms).
#include <filesystem>

namespace nr::gui {

class CVenueDlg;
class NrTuneApp;

// venueFile: the venue the window opens with; empty for the application's own (DefaultVenueFile).
void RegisterVenue(NrTuneApp& app, std::filesystem::path venueFile = {});

// Opens the Venue window, or brings the open one to the front.
CVenueDlg* OpenVenue(NrTuneApp& app, const std::filesystem::path& venueFile);

}  // namespace nr::gui
