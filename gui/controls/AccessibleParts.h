#pragma once
// Painted widgets that show several things at once (the bands of an EQ curve, the people and
// loudspeakers of a room, the bars of a level meter) name each of them to a screen reader: the
// widget lists its parts, and its accessible interface offers them as children.
#include <QRect>
#include <QString>

namespace nr::gui {

class AccessibleParts {
 public:
  virtual ~AccessibleParts() = default;
  virtual int PartCount() const = 0;
  virtual QString PartName(int part) const = 0;  // e.g. "Band 3: 1000 Hz, +3.0 dB, Q 0.71"
  virtual QRect PartRect(int part) const = 0;    // in the widget's coordinates
};

// Registers, once per application, the accessible interface of widgets that derive from
// AccessibleParts. Call before the windows are made.
void InstallAccessibleParts();

}  // namespace nr::gui
