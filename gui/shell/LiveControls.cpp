#include "shell/LiveControls.h"

#include <algorithm>
#include <array>

#include "shell/AppContext.h"
#include "shell/CInfoDlg.h"
#include "shell/RibbonBar.h"
#include "shell/RibbonIds.h"

namespace nr::gui {

// One live control: its ribbon elements in both categories, its parameter and mute parameter,
// label prefix and format, and the machine-settings byte that limits it (-1: no limit).
struct LiveControls::LiveSpec {
  std::array<int, 2> label, slider, mute;
  int module, index;
  int muteModule, muteIndex;  // muteModule 0: no mute
  TextPair prefix;
  const char* formatEn;       // the Chinese format is always "%s%3d"
  int limitByte;
  TextPair limitTip;
  bool muteTip;               // says "vol is mute" when moved while muted
};

namespace {

using namespace rid;

const TextPair kPitchPrefix{"音乐变调:", "Music Pitch:"};
const TextPair kMutedTip{"当前是静音状态", "vol is mute"};
const TextPair kNoLimit{"", ""};

const std::array<LiveControls::LiveControl, 6> kControls{LiveControls::kMic,    LiveControls::kEffect,
                                                         LiveControls::kReverb, LiveControls::kEcho,
                                                         LiveControls::kMusic,  LiveControls::kNoiseGate};

QString FormatLabel(int language, const TextPair& prefix, const char* formatEn, int value) {
  const QString format = QString::fromUtf8(language == 1 ? formatEn : "%s%3d");
  return QString::asprintf(format.toUtf8().constData(), prefix.Get(language).toUtf8().constData(), value);
}

}  // namespace

const LiveControls::LiveSpec& LiveControls::Spec(int control) {
  static const std::array<LiveSpec, kLiveControls> kSpecs{{
      {{kInMicLabel, kOutMicLabel}, {kInMicSlider, kOutMicSlider}, {kInMicMute, kOutMicMute}, 1, 14, 1, 15,
       {"话筒音量:", "Mic    Vol: "}, "%s%3d", 5, {"不能超过最大话筒音量!", "Mic vol can't over max value!"}, true},
      {{kInEffectLabel, kOutEffectLabel}, {kInEffectSlider, kOutEffectSlider}, {kInEffectMute, kOutEffectMute}, 1,
       16, 1, 17, {"效果总音量:", "Effect    Vol:"}, "%s%3d", -1, kNoLimit, false},
      {{kInReverbLabel, kOutReverbLabel}, {kInReverbSlider, kOutReverbSlider}, {kInReverbMute, kOutReverbMute}, 3,
       24, 3, 25, {"混响音量:  ", "Reverb Vol:"}, "%s%3d", -1, kNoLimit, true},
      {{kInEchoLabel, kOutEchoLabel}, {kInEchoSlider, kOutEchoSlider}, {kInEchoMute, kOutEchoMute}, 2, 34, 2, 35,
       {"回声音量:", "Echo Vol:"}, "%s%3d", -1, kNoLimit, true},
      {{kInMusicLabel, kOutMusicLabel}, {kInMusicSlider, kOutMusicSlider}, {kInMusicMute, kOutMusicMute}, 4, 12, 4,
       13, {"音乐音量:", "Music Vol:"}, "%s%3d", 6, {"不能超过最大音乐音量!", "Music vol can't over max value!"},
       true},
      {{kInNoiseGateLabel, kOutNoiseGateLabel}, {kInNoiseGateSlider, kOutNoiseGateSlider}, {0, 0}, 4, 17, 0, 0,
       {"音乐噪声门:", "Noisegate:"}, "%s%7d", -1, kNoLimit, false},
  }};
  return kSpecs[static_cast<size_t>(control)];
}

LiveControls::LiveControls(AppContext& ctx, CMyMFCRibbonBar& ribbon, QObject* parent)
    : QObject(parent), ctx_(ctx), ribbon_(ribbon) {
  pitchTimer_.setInterval(2000);
  connect(&pitchTimer_, &QTimer::timeout, this, &LiveControls::OnPitchRefresh);
  for (int category : {0, 1}) ribbon_.SetSliderRange(IdsOf(category).pitchSlider, -5, 5);
}

int LiveControls::ControlOfSlider(int id) {
  for (int c : kControls)
    if (Spec(c).slider[0] == id || Spec(c).slider[1] == id) return c;
  return -1;
}

int LiveControls::ControlOfMute(int id) {
  for (int c : kControls)
    if (Spec(c).muteModule != 0 && (Spec(c).mute[0] == id || Spec(c).mute[1] == id)) return c;
  return -1;
}

void LiveControls::SetLiveLabels(int control, int value) {
  const LiveSpec& spec = Spec(control);
  const QString text = FormatLabel(ctx_.Language(), spec.prefix, spec.formatEn, value);
  for (int c : {0, 1}) ribbon_.SetElementText(spec.label[static_cast<size_t>(c)], text);
}

void LiveControls::SetPitchCaption(int pitch) {
  const QString caption = ctx_.T(kPitchPrefix) + QString::asprintf("%+-d", pitch);
  for (int c : {0, 1}) ribbon_.SetPanelCaption(c, kPanelPitch, caption);
}

void LiveControls::OnSliderMoved(int id, int value) {
  if (id == kInPitchSlider || id == kOutPitchSlider) {
    OnPitchMoved(value);
    return;
  }
  const int control = ControlOfSlider(id);
  if (control < 0) return;
  const LiveSpec& spec = Spec(control);
  int position = value;
  if (spec.limitByte >= 0) {
    const int limit = ctx_.Model().Read([&](const DeviceState& s) { return s.machine[static_cast<size_t>(spec.limitByte)]; });
    if (position > limit) {
      CInfoDlg::Of(ctx_).ShowTip(ctx_.T(spec.limitTip), 1100);
      position = limit;
    }
  }
  for (int c : {0, 1}) ribbon_.SetSliderValue(spec.slider[static_cast<size_t>(c)], position);
  ctx_.Session().SetParam(spec.module, spec.index, position);
  if (spec.muteTip) {
    const int mute = ctx_.Model().Read([&](const DeviceState& s) { return s.IntValue(spec.muteModule, spec.muteIndex); });
    if (mute == 0) CInfoDlg::Of(ctx_).ShowTip(ctx_.T(kMutedTip), 1100);
  }
  SetLiveLabels(control, position);
}

void LiveControls::OnPitchMoved(int value) {
  const int pitch = std::clamp(value, -5, 5);
  if (ctx_.Connected()) pitchTimer_.start();  // keep the status from moving it back meanwhile
  ctx_.Model().Update([&](DeviceState& s) { s.derived.pitch = pitch; });
  const uint8_t word[4] = {0, 0, 0, static_cast<uint8_t>(pitch + 5)};
  ctx_.Session().WriteParamBlock(4, 0x10, word);
  for (int c : {0, 1}) ribbon_.SetSliderValue(IdsOf(c).pitchSlider, pitch);
  SetPitchCaption(pitch);
}

void LiveControls::OnMuteToggled(int id) {
  const int control = ControlOfMute(id);
  if (control < 0) return;
  const LiveSpec& spec = Spec(control);
  const int stored = ctx_.Model().Read([&](const DeviceState& s) { return s.IntValue(spec.muteModule, spec.muteIndex); });
  const int next = stored == 0 ? 100 : 0;
  ctx_.Session().SetParam(spec.muteModule, spec.muteIndex, next);
  for (int c : {0, 1}) ribbon_.SetChecked(spec.mute[static_cast<size_t>(c)], next == 0);
}

void LiveControls::RefreshControls() {
  const DeviceState s = ctx_.Model().Snapshot();
  CMyMFCRibbonBar* ribbon = &ribbon_;
  for (int control : kControls) {
    const LiveSpec& spec = Spec(control);
    const int value = s.IntValue(spec.module, spec.index);
    for (int c : {0, 1}) {
      ribbon->SetSliderValue(spec.slider[static_cast<size_t>(c)], value);
      if (spec.muteModule != 0)
        ribbon->SetChecked(spec.mute[static_cast<size_t>(c)], s.IntValue(spec.muteModule, spec.muteIndex) == 0);
    }
    SetLiveLabels(control, value);
  }
  for (int c : {0, 1}) {
    ribbon->SetSliderRange(IdsOf(c).pitchSlider, -5, 5);
    ribbon->SetSliderValue(IdsOf(c).pitchSlider, s.derived.pitch);
  }
  SetPitchCaption(s.derived.pitch);
  ribbon->update();
}


void LiveControls::OnPitchRefresh() {
  const int category = ribbon_.ActiveCategory();
  if (category != kCategoryInput && category != kCategoryOutput) return;
  const int pitch = std::clamp(ctx_.Model().Read([](const DeviceState& s) { return s.derived.pitch; }), -5, 5);
  for (int c : {0, 1}) ribbon_.SetSliderValue(IdsOf(c).pitchSlider, pitch);
  SetPitchCaption(pitch);
}

}  // namespace nr::gui
