#pragma once
// The exciter's EQ as a curve: the EQ panel locked against the mouse, showing three bands of its
// own, L (low shelf), M (peaking) and H (high shelf), and "BYPASS" while the exciter EQ is off.
#include <array>

#include "eq/CEqPanel.h"
#include "link/EqBandCodec.h"
#include "shell/Language.h"

namespace nr::gui {

class CExciterEQPanel : public CEqPanel {
  Q_OBJECT

 public:
  static constexpr int kBands = 3;

  CExciterEQPanel(gui::Language language, QWidget* parent = nullptr);

  // Type, frequency, gain and Q of the three bands.
  void SetBands(const std::array<EqBand, kBands>& bands);

 protected:
  QString BandLabel(int band) const override;
};

}  // namespace nr::gui
