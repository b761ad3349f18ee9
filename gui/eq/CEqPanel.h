#pragma once
// The graphical equaliser editor every EQ page embeds. It shows one EQ set on a log frequency
// axis and a +/-15 dB gain axis: a marker per band, the summed response, and the selected band's
// own response as a translucent region. The user drags markers (left: frequency and gain, right:
// Q), turns the wheel or uses the keys for fine steps, and changes types or copies whole sets from
// context menus. The panel never talks to the device: it edits its band objects and tells its
// page through signals, and the page writes the bands.
#include <QPixmap>
#include <QWidget>
#include <array>
#include <span>
#include <memory>

#include "controls/AccessibleParts.h"
#include "eq/BandLimits.h"
#include "eq/Biquad.h"
#include "link/EqBandCodec.h"
#include "shell/Language.h"

class QMenu;

namespace nr {
class DeviceModel;
}

namespace nr::gui {

class AppContext;

struct EqPanelBand {
  float x = 0, y = 0;  // marker position relative to the plot origin, refreshed when drawn
  int index = 0;
  int type = 1;  // FilterType; 0 is off: not drawn, not hit, not summed
  float frequency = 100;
  float gain = 0;
  float q = 1.41f;
  ResponseCurve curve{};
  float freqMin = kBandFreqMinHz, freqMax = kBandFreqMaxHz;  // whole hertz
  float gainMin = kBandGainMinDb, gainMax = kBandGainMaxDb;
  int partnerCount = 0;  // 3 for the crossover band of a channel set
  bool visible = true;   // false for partner sections: no marker, no hit, no label
  std::array<int, 3> partners{-1, -1, -1};
};

class CEqPanel : public QWidget, public AccessibleParts {
  Q_OBJECT

 public:
  static constexpr int kMaxBands = 40;
  static constexpr double kMinFreq = 18.0;
  static constexpr double kMaxFreq = 23000.0;
  static constexpr float kMaxGain = kBandGainMaxDb;

  // Menu commands of the two context menus.
  enum MenuCommand {
    kMenuPeq = 2025,  // .. 2029: PEQ, LP, HP, LS, HS (menu type = command - 2024)
    kMenuCopy = 3025,
    kMenuPaste = 3026,
    kMenuImport = 3027,
    kMenuExport = 3028,
  };
  // What the menu over the plot (no band under the pointer) asks for the whole set.
  enum SetOperation { kCopy = 0, kPaste = 1, kImport = 2, kExport = 3 };

  // A panel without a model lays sets out with their default bands only.
  explicit CEqPanel(QWidget* parent = nullptr);
  CEqPanel(const DeviceModel* model, gui::Language language, QWidget* parent = nullptr);
  // Follows the application's model and language.
  explicit CEqPanel(AppContext& context, QWidget* parent = nullptr);
  ~CEqPanel() override;

  // The bands a screen reader lists: number, type, frequency, gain and Q of each.
  int PartCount() const override { return GrabbableCount(); }
  QString PartName(int band) const override;
  QRect PartRect(int band) const override;

  void SetModel(const DeviceModel* model) { model_ = model; }

  // Lays the set out (band count, default frequencies, partner sections of a channel set), then
  // loads the stored bands from the model when there is one. Clears selection and hover.
  void SetEqSet(int set);
  // Re-reads the stored bands of the current set from the model.
  void LoadStoredBands();
  // Shows `count` bands of the panel's own instead of a stored set (a display such as the
  // exciter's): default bands, no set name, nothing read from the model.
  void SetOwnBands(int count);
  // Takes type, frequency, gain and Q from a band record and recomputes the band's curve.
  void LoadBand(int band, const EqBand& record);

  int EqSet() const { return set_; }
  int BandCount() const { return bandCount_; }
  int GrabbableCount() const;
  const EqPanelBand& Band(int band) const { return bands_[static_cast<size_t>(Clamp(band))]; }
  int SelectedBand() const { return selected_; }
  void SetSelectedBand(int band);
  int HoveredBand() const { return hovered_; }
  bool Locked() const { return locked_; }
  // A locked panel ignores the mouse and drops its help tip (its owner may set a tip of its own).
  void SetLocked(bool locked);
  bool Bypass() const { return bypass_; }
  void SetBypass(bool bypass);
  gui::Language Language() const { return language_; }
  void SetLanguage(gui::Language language);

  // Band edits; each recomputes the band's curve (partners included) and repaints.
  void SetBandType(int band, int type);
  void SetBandGain(int band, float gain);  // forced to 0 for the pure filter types; +/-15 dB
  void SetBandQ(int band, float q);        // a Q of (nearly) 0 is ignored
  void SetBandFrequency(int band, float frequency);  // kept within the band's frequency limits
  // Menu type 1..5 (PEQ, LP, HP, LS, HS; 0 switches the band off). A crossover band gives its
  // partners the section types that make up that shape.
  void SetBandTypeFromMenu(int band, int menuType);
  // Crossover band only: the slope's section types for the band's low- or high-pass family.
  void SetBandSlope(int band, int slope);
  void RecomputeCurve(int band);
  // The type the band list shows (0..5; a crossover band's shape by its sections; >5 none).
  int MenuType(int band) const;
  // Slope index of a crossover band's sections (0 when they form no known slope).
  int SlopeIndex(int band) const;

  // Geometry, for pages and tests: the plot rectangle and the axis mappings in widget pixels.
  QRect PlotRect() const;
  double FrequencyToX(double frequency) const;
  double GainToY(double gain) const;
  QPoint MarkerPoint(int band) const;  // where the band's marker is drawn

  static QColor BandColor(int band);
  // Where the value labels of a band go: beside its marker (below it, or above for a cut, else
  // to a side), always inside the plot and, where any place allows, clear of other markers.
  static QRectF PlaceValueLabels(QSizeF block, QPointF marker, const QRectF& plot, std::span<const QRectF> markers,
                                 bool preferAbove);

 signals:
  void BandChanged(int band);
  void SelectionCleared();
  void SetMenuRequest(int operation, int set);
  void BandPicked(int band);

 protected:
  // Shows a context menu and returns the chosen command (0 for none). Tests replace it.
  virtual int ExecMenu(QMenu& menu, const QPoint& globalPos);
  // The text on a band's marker: its number, unless a display names its bands.
  virtual QString BandLabel(int band) const;

  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool event(QEvent* event) override;
  void SetHelpTip();  // how the mouse and keys edit the bands, in the panel's language
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  static int Clamp(int band) { return band < 0 ? 0 : (band >= kMaxBands ? kMaxBands - 1 : band); }
  bool InUse(int band) const { return band >= 0 && band < bandCount_; }
  EqPanelBand& At(int band) { return bands_[static_cast<size_t>(band)]; }
  int PlotWidth() const;
  int PlotHeight() const;
  void UpdateMarker(EqPanelBand& band) const;
  void UpdateMarkers();
  void RecomputeAll();
  int HitTest(QPointF plotPos, float reach, bool skipOff) const;
  void FinishEdit(int band, bool immediate);
  void ShowSetMenu(const QPoint& globalPos);
  void ShowTypeMenu(const QPoint& globalPos);

  void RenderBackground();
  void DrawRegion(QPainter& p, const EqPanelBand& band) const;
  void DrawTotalCurve(QPainter& p) const;
  void DrawMarker(QPainter& p, const EqPanelBand& band) const;
  void DrawValueLabels(QPainter& p, const EqPanelBand& band) const;
  void DrawStatusLine(QPainter& p, const EqPanelBand& band) const;

  const DeviceModel* model_ = nullptr;
  std::array<EqPanelBand, kMaxBands> bands_{};
  int set_ = -1;
  int bandCount_ = 10;
  int selected_ = -1;
  int hovered_ = -1;
  bool locked_ = false;
  bool bypass_ = false;
  gui::Language language_ = gui::Language::Chinese;

  bool leftDrag_ = false;
  bool rightDrag_ = false;
  bool moved_ = false;
  QPointF downPoint_;   // plot coordinates
  QPointF grabOffset_;  // left drag: pointer minus marker at the press
  float grabFrequency_ = 0;  // left drag: the band's frequency at the press
  double lastX_ = 0;    // right drag
  int wheelRemainder_ = 0;

  struct Fonts;
  std::unique_ptr<Fonts> fonts_;
  QPixmap background_;  // fill, grid, labels and set name; redrawn on resize, set or language
  bool backgroundValid_ = false;
};

}  // namespace nr::gui
