#include "inputs/CExciterEQPanel.h"

#include "inputs/Features.h"

namespace nr::gui {

CExciterEQPanel::CExciterEQPanel(gui::Language language, QWidget* parent) : CEqPanel(nullptr, language, parent) {
  SetLocked(true);
  setFocusPolicy(Qt::NoFocus);
  SetOwnBands(kBands);
}

void CExciterEQPanel::SetBands(const std::array<EqBand, kBands>& bands) {
  for (int b = 0; b < kBands; ++b) LoadBand(b, bands[static_cast<size_t>(b)]);
  update();
}

QString CExciterEQPanel::BandLabel(int band) const {
  return band >= 0 && band < kBands ? QString::fromLatin1(ExciterBands()[static_cast<size_t>(band)].name)
                                    : CEqPanel::BandLabel(band);
}

}  // namespace nr::gui
