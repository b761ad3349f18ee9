#pragma once
// The controls every EQ page shows beside its panel: a list with one row per band (type, gain,
// frequency and Q editable in place) and, while a band is current, an edit group in its place
// (band number, type buttons, gain/frequency/Q sliders with text boxes, and the slope list of a
// crossover band). It follows the panel's signals, writes each changed band to the device
// through a hook the page can replace, and runs copy and paste of whole sets.
#include <QColor>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>
#include "shell/Language.h"

class QAbstractButton;
class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;
class QStackedLayout;
class QTableWidget;
class QTableWidgetItem;

namespace nr {
class CopiedEqSet;
class DeviceSession;
}

namespace nr::gui {

class AppContext;
class CEqPanel;
class Prompts;

class BandEditor : public QWidget {
  Q_OBJECT

 public:
  // Replaces the default write of a changed band (the output page writes every linked channel).
  using WriteBandHook = std::function<void(int band)>;
  // Told after the set menu replaced a whole set (a paste or a filter-list import), so a page that
  // links sets can bring the linked ones along.
  using SetReplacedHook = std::function<void(int set)>;

  BandEditor(CEqPanel& panel, DeviceSession& session, CopiedEqSet& copied, gui::Language language, QWidget* parent = nullptr);
  // Uses the application's session, copied set and language.
  BandEditor(CEqPanel& panel, AppContext& context, QWidget* parent = nullptr);
  ~BandEditor() override;

  // Loads the set into the panel from the stored bands and shows the list (no current band).
  void LoadSet(int set);
  // Re-reads the current set (after a device reply, a mode load or a paste).
  void Reload();
  int EqSet() const;
  int CurrentBand() const { return current_; }
  bool ListShown() const;

  // Makes the band current and fills the edit group from it; ShowList goes back to the list.
  void ShowBand(int band);
  void ShowList();
  void UpdateRow(int band);
  // Reads the three text boxes into the current band and writes it.
  void ApplyBoxes();

  void SetWriteBandHook(WriteBandHook hook) { writeHook_ = std::move(hook); }
  void SetSetReplacedHook(SetReplacedHook hook) { setReplacedHook_ = std::move(hook); }
  // Writes the band (and a crossover band's partners) through the hook, or to the panel's set.
  void WriteBand(int band);
  // The default write, to any set: pages that mirror a band to linked channels call it per set.
  static void WritePanelBand(DeviceSession& session, int set, const CEqPanel& panel, int band);

  // What the panel's set menu asks for: remember the set, paste the remembered one, or import or
  // export a filter list (with the prompts given; without, those two do nothing).
  void HandleSetMenu(int operation, int set);
  void SetPrompts(Prompts* prompts) { prompts_ = prompts; }

  void SetLanguage(gui::Language language);
  gui::Language Language() const { return language_; }

  // Wheel turns over the page go to the panel or slider that has the focus.
  void InstallWheelRouting(QWidget* page);

  // Reads a number at the start of a text, ignoring trailing unit text ("+3.0dB", "1000Hz").
  static std::optional<double> ReadNumber(const QString& text);
  // Set on a value box whose text was refused (it shows the band's value again, on red).
  static constexpr const char* kRefusedProperty = "refused";

  // The frequency slider runs logarithmically over 20..20000 Hz in kFrequencySteps positions,
  // fine enough that every whole frequency up to about 1.4 kHz has a position of its own.
  static constexpr int kFrequencySteps = 10000;
  static int SliderPositionToFrequency(int position);  // whole hertz
  static int FrequencyToSliderPosition(double frequency);

  // The panel or one of the gain, frequency and Q sliders: what a page's wheel routing sends a
  // wheel turn to when it has the focus.
  bool HoldsWheelTarget(const QWidget* widget) const;

  // The controls, for pages that arrange them and for tests.
  QTableWidget* List() const { return list_; }
  // Text colour of the band list (pages colour it by the set they edit).
  void SetListTextColour(const QColor& colour);
  QSlider* GainSlider() const { return sliders_[0]; }
  QSlider* FrequencySlider() const { return sliders_[1]; }
  QSlider* QSliderControl() const { return sliders_[2]; }
  QLineEdit* GainBox() const { return boxes_[0]; }
  QLineEdit* FrequencyBox() const { return boxes_[1]; }
  QLineEdit* QBox() const { return boxes_[2]; }
  QAbstractButton* TypeButton(int menuType) const;
  QComboBox* SlopeList() const { return slopeList_; }

 signals:
  void CurrentBandChanged(int band);  // -1: no current band

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void MarkRefused(QLineEdit* box, bool refused);
  void BuildList();
  void BuildEditGroup();
  void Relabel();
  void FillRows();
  void FillGroup(int band);
  void SetCurrent(int band);
  void OnBandChanged(int band);
  void OnItemChanged(QTableWidgetItem* item);
  void OnTypeButton(int menuType);
  void OnSlope(int slope);
  void OnSlider(int which, int position);
  int MatchTypeName(const QString& text) const;
  QString TypeName(int menuType) const;

  CEqPanel& panel_;
  DeviceSession& session_;
  CopiedEqSet& copied_;
  gui::Language language_ = gui::Language::Chinese;
  int current_ = -1;
  WriteBandHook writeHook_;
  SetReplacedHook setReplacedHook_;
  Prompts* prompts_ = nullptr;
  QWidget* wheelPage_ = nullptr;

  QStackedLayout* stack_ = nullptr;
  QTableWidget* list_ = nullptr;
  QColor listText_{0, 200, 255};
  QWidget* group_ = nullptr;
  QLabel* number_ = nullptr;
  QButtonGroup* types_ = nullptr;
  std::array<QLabel*, 3> captions_{};
  std::array<QSlider*, 3> sliders_{};
  std::array<QLineEdit*, 3> boxes_{};
  QLabel* slopeCaption_ = nullptr;
  QComboBox* slopeList_ = nullptr;
};

}  // namespace nr::gui
