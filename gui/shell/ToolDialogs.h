#pragma once
// The tool windows of the application and how they are reached: the ribbon's Remote control,
// Input Source and Features buttons, F7 (machine settings) and F6 (advanced EQ). Each window is
// made on first use, kept in its slot of the open-dialog table, and shown again from there.
class QWidget;

namespace nr::gui {

class NrTuneApp;

// Hooks the ribbon commands and keys to the windows, and adds the windows to the screenshot mode.
void RegisterToolDialogs(NrTuneApp& app);

// Each opens its window (making it first when needed) and returns it; nullptr when the window
// cannot be opened now (the remote control and the advanced EQ need a device).
QWidget* OpenRemoteControl(NrTuneApp& app);
QWidget* OpenMachineSettings(NrTuneApp& app);
QWidget* OpenInputSource(NrTuneApp& app);
QWidget* OpenFeatures(NrTuneApp& app);
QWidget* OpenAdvancedEq(NrTuneApp& app);

}  // namespace nr::gui
