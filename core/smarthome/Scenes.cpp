#include "smarthome/Scenes.h"

#include <array>
#include <cstdio>
#include <utility>

namespace nr {

const SceneName& SceneNameOf(int scene) {
  static const std::array<SceneName, kSceneCount> kNames{{{"电视", "TV"},
                                                          {"电影", "Movie"},
                                                          {"K歌", "Karaoke"},
                                                          {"音乐", "Music"},
                                                          {"开机", "PowerON"},
                                                          {"关机", "PowerOFF"}}};
  return kNames[static_cast<size_t>(scene >= 0 && scene < kSceneCount ? scene : 0)];
}

bool IsSceneValue(int value) {
  return (value >= kPlugOff && value <= kPlugFullOn) || (value >= kSendKeyBase && value < kLearnKeyBase);
}

std::string StepValueText(SceneStep step, bool english, const KeyNameLookup& keyName) {
  const int value = step.value;
  if (step.node == kDelayStep) return std::to_string(value) + (english ? "s" : "秒");
  if (value == kPlugOff) return english ? "OFF" : "关";
  if (value == kPlugFullOn) return english ? "ON" : "开";
  if (value >= kSendKeyBase && value < kLearnKeyBase)
    return "遥控键:" + (keyName ? keyName(step.node, value - kSendKeyBase) : std::string());
  if (value >= 1 && value <= 98) {
    // Single precision, as the percentage has always been shown: 50 reads "51".
    const float percent = static_cast<float>(value) / 99.0f * 100.0f;
    char text[16];
    std::snprintf(text, sizeof text, "%.0f", static_cast<double>(percent));
    return text;
  }
  return std::to_string(value);
}

std::vector<SceneStep> ListedSteps(const Scene& scene, const std::function<bool(int node)>& present) {
  std::vector<SceneStep> steps;
  for (const SceneStep& step : scene) {
    if (step.Empty()) break;
    const bool plug = step.node >= kFirstPlugNode && step.node <= kMaxNode && present && present(step.node);
    if (step.node == kDelayStep || plug) steps.push_back(step);
  }
  return steps;
}

Scene SceneOfSteps(std::span<const SceneStep> steps) {
  Scene scene{};
  for (size_t i = 0; i < steps.size() && i < scene.size(); ++i) scene[i] = steps[i];
  return scene;
}

void SceneList::Load(std::vector<SceneStep> steps) {
  steps_ = std::move(steps);
  if (steps_.size() > static_cast<size_t>(kSceneSteps)) steps_.resize(kSceneSteps);
  changed_ = false;
}

SceneList::Result SceneList::Append(SceneStep step) {
  if (Rows() >= kSceneSteps) return Result::kFull;
  steps_.push_back(step);
  changed_ = true;
  return Result::kDone;
}

SceneList::Result SceneList::Replace(int row, SceneStep step) {
  if (!ValidRow(row)) return Result::kNoRow;
  steps_[static_cast<size_t>(row)] = step;
  changed_ = true;
  return Result::kDone;
}

SceneList::Result SceneList::Remove(int row) {
  if (!ValidRow(row)) return Result::kNoRow;
  steps_.erase(steps_.begin() + row);
  changed_ = true;
  return Result::kDone;
}

SceneList::Result SceneList::MoveUp(int row) {
  if (!ValidRow(row)) return Result::kNoRow;
  if (row == 0) return Result::kAlreadyFirst;
  std::swap(steps_[static_cast<size_t>(row)], steps_[static_cast<size_t>(row - 1)]);
  changed_ = true;
  return Result::kDone;
}

SceneList::Result SceneList::MoveDown(int row) {
  if (!ValidRow(row)) return Result::kNoRow;
  if (row == Rows() - 1) return Result::kAlreadyLast;
  std::swap(steps_[static_cast<size_t>(row)], steps_[static_cast<size_t>(row + 1)]);
  changed_ = true;
  return Result::kDone;
}

void SceneList::Clear() {
  steps_.clear();
  changed_ = true;
}

}  // namespace nr
