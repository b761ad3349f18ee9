#pragma once
// The scene editor tab: the steps of one of the six scenes as a list that is edited locally
// (plug values, infrared keys, delays; moved, replaced, deleted) until it is saved to the device,
// and a test run of the scene.
#include <QWidget>

#include "smarthome/Scenes.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QSlider;
class QTableWidget;

namespace nr::gui {

class SmartHomeContext;

class CDialogZwaveRemoter : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kDialogNumber = 482;
  static constexpr int kSceneId = 1217;
  static constexpr int kStepListId = 1223;
  static constexpr int kPlugId = 1134;
  static constexpr int kOnId = 1045;
  static constexpr int kLevelId = 1014;
  static constexpr int kLevelLabelId = 1008;
  static constexpr int kKeyId = 1135;
  static constexpr int kLearnedOnlyId = 1238;
  static constexpr int kDelayId = 1237;
  static constexpr int kDelayLabelId = 1009;
  static constexpr int kAddValueId = 1068;
  static constexpr int kAddKeyId = 1236;
  static constexpr int kAddDelayId = 1235;
  static constexpr int kDeleteId = 1069;
  static constexpr int kUpId = 1075;
  static constexpr int kDownId = 1076;
  static constexpr int kClearId = 1077;
  static constexpr int kResetValueId = 1240;
  static constexpr int kResetKeyId = 1241;
  static constexpr int kResetDelayId = 1242;
  static constexpr int kSaveId = 1074;
  static constexpr int kTestId = 1081;

  CDialogZwaveRemoter(SmartHomeContext& sc, QWidget* parent = nullptr);

  // Fills the list from the shown scene (unsaved edits are dropped) and the plug combo again.
  void Refresh();
  void Relabel();

  int Scene() const;
  const SceneList& Steps() const { return list_; }
  QComboBox* SceneCombo() const { return scene_; }
  QTableWidget* StepList() const { return table_; }
  QComboBox* PlugCombo() const { return plug_; }
  QComboBox* KeyCombo() const { return key_; }
  QCheckBox* OnBox() const { return on_; }
  QSlider* LevelSlider() const { return level_; }
  QSlider* DelaySlider() const { return delay_; }
  QCheckBox* LearnedOnly() const { return learnedOnly_; }

  void AddValue();
  void AddKey();
  void AddDelay();
  void ResetValue();
  void ResetKey();
  void ResetDelay();
  void DeleteStep();
  void MoveUp();
  void MoveDown();
  void ClearSteps();
  void Save();
  void Test();

 private:
  void FillSteps();
  void ShowRows(int selectRow);
  void OnPlugChanged();
  void FillKeys();
  int SelectedNode() const;
  int SelectedRow() const;
  // The step the add buttons make from the controls; nullopt after a tip said what is missing.
  std::optional<SceneStep> ValueStep();
  std::optional<SceneStep> KeyStep();
  SceneStep DelayStep() const;
  void Append(const std::optional<SceneStep>& step);
  void Replace(const std::function<std::optional<SceneStep>()>& make);
  void ShowMove(SceneList::Result result, int selectRow);
  QString ValueText(SceneStep step);

  SmartHomeContext& sc_;
  SceneList list_;
  QComboBox* scene_ = nullptr;
  QTableWidget* table_ = nullptr;
  QComboBox* plug_ = nullptr;
  QCheckBox* on_ = nullptr;
  QSlider* level_ = nullptr;
  QLabel* levelLabel_ = nullptr;
  QLabel* levelCaption_ = nullptr;
  QComboBox* key_ = nullptr;
  QCheckBox* learnedOnly_ = nullptr;
  QSlider* delay_ = nullptr;
  QLabel* delayLabel_ = nullptr;
};

}  // namespace nr::gui
