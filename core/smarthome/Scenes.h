#pragma once
// Scenes as the user edits and reads them: names, the text of a step's value, and the editor's
// working list (one step a row, at most 28) with its moves and checks.
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "smarthome/SmartHomeMemory.h"

namespace nr {

struct SceneName {
  const char* zh;
  const char* en;
};
// 电视/TV, 电影/Movie, K歌/Karaoke, 音乐/Music, 开机/PowerON, 关机/PowerOFF.
const SceneName& SceneNameOf(int scene);

// The name of slot `slot` in node's key file, for the texts of key steps.
using KeyNameLookup = std::function<std::string(int node, int slot)>;

// The text of a step's value in Chinese or English: "5秒"/"5s" for a delay, "关"/"OFF"
// for 0, "开"/"ON" for 99, "遥控键:" and the key's name for 128..191, the dimmer percentage for
// 1..98 (50 reads "51"), the number otherwise.
std::string StepValueText(SceneStep step, bool english, const KeyNameLookup& keyName);

// Whether a plug step's value is one a scene can hold: 0 off, 1..98 a dimmer level, 99 on (or
// the highest level), 128..191 a learned infrared key.
bool IsSceneValue(int value);

// A list row's item data: value x 256 + node.
inline uint32_t RowData(SceneStep step) { return static_cast<uint32_t>(step.value) * 256 + step.node; }
inline SceneStep StepOfRow(uint32_t data) {
  return SceneStep{static_cast<uint8_t>(data & 0xFF), static_cast<uint8_t>((data >> 8) & 0xFF)};
}

// The steps the editor lists: up to the first empty slot, delay steps and steps of present plugs;
// HDMI steps and steps of absent plugs are left out.
std::vector<SceneStep> ListedSteps(const Scene& scene, const std::function<bool(int node)>& present);
// The scene of a list: its rows in order, then empty slots (rows beyond 28 are dropped).
Scene SceneOfSteps(std::span<const SceneStep> steps);

// The editor's working copy of one scene.
class SceneList {
 public:
  enum class Result { kDone, kFull, kNoRow, kAlreadyFirst, kAlreadyLast };

  explicit SceneList(std::vector<SceneStep> steps = {}) : steps_(std::move(steps)) {}

  const std::vector<SceneStep>& Steps() const { return steps_; }
  int Rows() const { return static_cast<int>(steps_.size()); }
  bool Changed() const { return changed_; }
  void ClearChanged() { changed_ = false; }

  // Replaces everything with a scene's listed steps, unchanged.
  void Load(std::vector<SceneStep> steps);
  Result Append(SceneStep step);             // kFull at 28 rows
  Result Replace(int row, SceneStep step);   // kNoRow without a valid row
  Result Remove(int row);
  Result MoveUp(int row);                    // kAlreadyFirst on the first row
  Result MoveDown(int row);                  // kAlreadyLast on the last row
  void Clear();

  Scene ToScene() const { return SceneOfSteps(steps_); }

 private:
  bool ValidRow(int row) const { return row >= 0 && row < Rows(); }

  std::vector<SceneStep> steps_;
  bool changed_ = false;
};

}  // namespace nr
