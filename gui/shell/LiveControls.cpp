#include "shell/LiveControls.h"

#include <algorithm>
#include <array>

#include "inputs/LiveControls.h"
#include "shell/AppContext.h"
#include "shell/CInfoDlg.h"
#include "shell/RibbonBar.h"
#include "shell/RibbonIds.h"

namespace nr::gui {

// One live control as the ribbon shows it: its elements in both categories, label prefix and
// format, and the words said when it is held at its maximum. What it stores and sends, its limit
// and its mute are the core's (nr::LiveSpec).
struct LiveControls::LiveSpec {
  std::array<int, 2> label, slider, mute;
  TextPair prefix;
  const char* formatEn;  // the Chinese format is always "%s%3d"
  TextPair limitTip;
};

namespace {

using namespace rid;

const TextPair kPitchPrefix{"音乐变调:", "Music Pitch:"};
const TextPair kMutedTip{"当前是静音状态", "vol is mute"};
const TextPair kNoLimit{"", ""};

const std::array<LiveControls::LiveControl, 6> kControls{LiveControls::kMic,    LiveControls::kEffect,
                                                         LiveControls::kReverb, LiveControls::kEcho,
                                                         LiveControls::kMusic,  LiveControls::kNoiseGate};

nr::LiveControl Core(int control) { return static_cast<nr::LiveControl>(control); }

QString FormatLabel(gui::Language language, const TextPair& prefix, const char* formatEn, int value) {
  const QString format = QString::fromUtf8(language == Language::English ? formatEn : "%s%3d");
  return QString::asprintf(format.toUtf8().constData(), prefix.Get(language).toUtf8().constData(), value);
}

}  // namespace

const LiveControls::LiveSpec& LiveControls::Spec(int control) {
  static const std::array<LiveSpec, kLiveControls> kSpecs{{
      {{kInMicLabel, kOutMicLabel}, {kInMicSlider, kOutMicSlider}, {kInMicMute, kOutMicMute},
       {"话筒音量:", "Mic    Vol: "}, "%s%3d", {"不能超过最大话筒音量!", "Mic vol can't over max value!"}},
      {{kInEffectLabel, kOutEffectLabel}, {kInEffectSlider, kOutEffectSlider}, {kInEffectMute, kOutEffectMute},
       {"效果总音量:", "Effect    Vol:"}, "%s%3d", kNoLimit},
      {{kInReverbLabel, kOutReverbLabel}, {kInReverbSlider, kOutReverbSlider}, {kInReverbMute, kOutReverbMute},
       {"混响音量:  ", "Reverb Vol:"}, "%s%3d", kNoLimit},
      {{kInEchoLabel, kOutEchoLabel}, {kInEchoSlider, kOutEchoSlider}, {kInEchoMute, kOutEchoMute},
       {"回声音量:", "Echo Vol:"}, "%s%3d", kNoLimit},
      {{kInMusicLabel, kOutMusicLabel}, {kInMusicSlider, kOutMusicSlider}, {kInMusicMute, kOutMusicMute},
       {"音乐音量:", "Music Vol:"}, "%s%3d", {"不能超过最大音乐音量!", "Music vol can't over max value!"}},
      {{kInNoiseGateLabel, kOutNoiseGateLabel}, {kInNoiseGateSlider, kOutNoiseGateSlider}, {0, 0},
       {"音乐噪声门:", "Noisegate:"}, "%s%7d", kNoLimit},
  }};
  return kSpecs[static_cast<size_t>(control)];
}

LiveControls::LiveControls(AppContext& ctx, CMyMFCRibbonBar& ribbon, QObject* parent)
    : QObject(parent), ctx_(ctx), ribbon_(ribbon) {
  pitchTimer_.setInterval(2000);
  connect(&pitchTimer_, &QTimer::timeout, this, &LiveControls::OnPitchRefresh);
  for (int category : {0, 1}) ribbon_.SetSliderRange(IdsOf(category).pitchSlider, kPitchRange.min, kPitchRange.max);
}

int LiveControls::ControlOfSlider(int id) {
  for (int c : kControls)
    if (Spec(c).slider[0] == id || Spec(c).slider[1] == id) return c;
  return -1;
}

int LiveControls::ControlOfMute(int id) {
  for (int c : kControls)
    if (nr::LiveSpec(Core(c)).HasMute() && (Spec(c).mute[0] == id || Spec(c).mute[1] == id)) return c;
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
  const LiveVolumeResult result = SetLiveVolume(ctx_.Session(), Core(control), value);
  if (result.heldAtLimit) CInfoDlg::Of(ctx_).ShowTip(ctx_.T(spec.limitTip), 1100);
  for (int c : {0, 1}) ribbon_.SetSliderValue(spec.slider[static_cast<size_t>(c)], result.value);
  if (result.muted) CInfoDlg::Of(ctx_).ShowTip(ctx_.T(kMutedTip), 1100);
  SetLiveLabels(control, result.value);
}

void LiveControls::OnPitchMoved(int value) {
  const int pitch = kPitchRange.Clamp(value);
  if (ctx_.Connected()) pitchTimer_.start();  // keep the status from moving it back meanwhile
  SetPitch(ctx_.Session(), pitch);
  for (int c : {0, 1}) ribbon_.SetSliderValue(IdsOf(c).pitchSlider, pitch);
  SetPitchCaption(pitch);
}

void LiveControls::OnMuteToggled(int id) {
  const int control = ControlOfMute(id);
  if (control < 0) return;
  const bool muted = ToggleLiveMute(ctx_.Session(), Core(control));
  for (int c : {0, 1}) ribbon_.SetChecked(Spec(control).mute[static_cast<size_t>(c)], muted);
}

void LiveControls::RefreshControls() {
  const DeviceState s = ctx_.Model().Snapshot();
  CMyMFCRibbonBar* ribbon = &ribbon_;
  for (int control : kControls) {
    const LiveSpec& spec = Spec(control);
    const int value = LiveValue(s, Core(control));
    for (int c : {0, 1}) {
      ribbon->SetSliderValue(spec.slider[static_cast<size_t>(c)], value);
      if (nr::LiveSpec(Core(control)).HasMute())
        ribbon->SetChecked(spec.mute[static_cast<size_t>(c)], LiveMuted(s, Core(control)));
    }
    SetLiveLabels(control, value);
  }
  for (int c : {0, 1}) {
    ribbon->SetSliderRange(IdsOf(c).pitchSlider, kPitchRange.min, kPitchRange.max);
    ribbon->SetSliderValue(IdsOf(c).pitchSlider, s.derived.pitch);
  }
  SetPitchCaption(s.derived.pitch);
  ribbon->update();
}


void LiveControls::OnPitchRefresh() {
  const int category = ribbon_.ActiveCategory();
  if (category != kCategoryInput && category != kCategoryOutput) return;
  const int pitch = kPitchRange.Clamp(ctx_.Model().Read([](const DeviceState& s) { return s.derived.pitch; }));
  for (int c : {0, 1}) ribbon_.SetSliderValue(IdsOf(c).pitchSlider, pitch);
  SetPitchCaption(pitch);
}

}  // namespace nr::gui
