#pragma once
// The ribbon's pictures, painted at whatever size Qt asks for: folders and disks for files, a
// mode box for the device's slots, with a badge whose arrow says the direction (down: into the
// program or the device, up: out of it), and the small tab-row and menu pictures.
#include <QIcon>

namespace nr::gui {

enum class RibbonGlyph { Open, Save, Exit, LoadMode, SaveMode, LoadFile, SaveFile, About, Disconnect, OpenOffline, Undo, Redo, Venue };

QIcon RibbonIcon(RibbonGlyph glyph);

}  // namespace nr::gui
