#pragma once
// The machine-settings window (F7): start-up volumes, volume limits, locks, volume save mode,
// power-on mode, HDMI muting and the DTS/AC3 surround route, all edited in the model's edit copy
// of the record and sent on Apply (with a device connected; without one they stay edits), plus the
// factory restore of the four device modes. Dragging a start volume moves the live volume at once
// so the user hears it. The close box drops unapplied edits; the window is destroyed when it closes.
#include <QDialog>
#include <array>

#include "controls/SliderRow.h"
#include "shell/Page.h"
#include "shell/MachineSettings.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace nr {
class DeviceSession;
}

namespace nr::gui {

class AppContext;
class ModeCommands;
class Prompts;

class CSetDlg : public QDialog, public ToolDialog {
  Q_OBJECT

 public:
  static constexpr int kDialogNumber = 335;
  static constexpr int kApplyId = 1073;
  static constexpr int kCancelId = 2;
  static constexpr int kRevertId = 1069;
  static constexpr int kFactoryModeFirstId = 32823;  // M1..M4

  // session: where the writes go (the application's, or a test's recorder). modes restores a
  // device mode to its factory settings; prompts asks before it does.
  CSetDlg(AppContext& ctx, DeviceSession& session, ModeCommands* modes, Prompts& prompts, QWidget* parent = nullptr);
  ~CSetDlg() override;

  void RefreshFromImage() override;  // from the device copy
  void Relabel() override;

  // The controls, for tests.
  QSlider* StartSlider(VolumeChannel c) const { return start_[Index(c)].slider; }
  QLabel* StartValue(VolumeChannel c) const { return start_[Index(c)].value; }
  QCheckBox* StartEnable(VolumeChannel c) const { return enable_[Index(c)]; }
  QSlider* MaxSlider(VolumeChannel c) const { return max_[Index(c)].slider; }
  QCheckBox* PanelLock() const { return panelLock_; }
  QCheckBox* HdmiMute() const { return hdmiMute_; }
  QGroupBox* HdmiGroup() const { return hdmiGroup_; }
  QRadioButton* RouteButton(SurroundRoute r) const { return routes_[static_cast<size_t>(r)]; }
  QRadioButton* SaveModeButton(bool byMode) const { return saveModes_[byMode ? 1 : 0]; }
  QComboBox* PowerOnMode() const { return powerOn_; }
  QPushButton* ApplyButton() const { return apply_; }
  QAbstractButton* FactoryModeButton(int mode) const;

  // Modules whose devices have no HDMI output: the HDMI group is hidden for them. Exact names.
  static bool HasNoHdmi(const std::string& moduleName);

 public:
  // The close box, Cancel and Escape drop unapplied edits.
  void reject() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  static size_t Index(VolumeChannel c) { return static_cast<size_t>(c); }
  QWidget* BuildVolumes();
  QWidget* BuildLocks();
  QWidget* BuildSaveMode();
  QWidget* BuildPowerOn();
  QWidget* BuildHdmi();
  QWidget* BuildRoute();
  QWidget* BuildFactoryModes();
  QWidget* BuildButtons();

  void ShowStart(VolumeChannel c, int value);
  void ShowMax(VolumeChannel c, int value);
  void OnStartMoved(VolumeChannel c, int position);
  void OnMaxMoved(VolumeChannel c, int position);
  void OnEnable(VolumeChannel c, bool on);
  void Edit(const std::function<void(MachineSettings&)>& edit);
  void OnApply();
  void OnFactoryMode(int mode);
  void MarkCurrentMode();

  AppContext& ctx_;
  DeviceSession& session_;
  ModeCommands* modes_;
  Prompts& prompts_;
  std::array<SliderRow, 2> start_{};
  std::array<QCheckBox*, 2> enable_{};
  std::array<SliderRow, 2> max_{};
  QCheckBox* panelLock_ = nullptr;
  QCheckBox* volumeLock_ = nullptr;
  QCheckBox* modeLock_ = nullptr;
  std::array<QRadioButton*, 2> saveModes_{};
  QComboBox* powerOn_ = nullptr;
  QGroupBox* hdmiGroup_ = nullptr;
  QCheckBox* hdmiMute_ = nullptr;
  std::array<QRadioButton*, 3> routes_{};
  QButtonGroup* factoryModes_ = nullptr;
  QPushButton* apply_ = nullptr;
};

}  // namespace nr::gui
