#pragma once
// The smart-plug pages' pictures, drawn in code so they stay sharp at any scale: the plug icons
// of the list (one per record type), the power-on and power-off scene buttons, the switch
// dialog's lamp buttons and the dimmer's step buttons.
#include <QIcon>

namespace nr::gui {

enum class SmartGlyph { ScenePowerOn, ScenePowerOff, LampOn, LampOff, StepDown, StepUp };

// Record type 0 (unknown), 1 (switch plug) or 2 (dimmer plug).
QIcon PlugIcon(int type);
QIcon SmartHomeIcon(SmartGlyph glyph);

}  // namespace nr::gui
