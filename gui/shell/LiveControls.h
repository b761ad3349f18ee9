#pragma once
// The ribbon's live controls: the volumes of microphone, effect, reverb, echo and music with
// their mutes, the music noise gate and the pitch. Each exists once per ribbon category; a move
// is limited by the machine settings where they limit it, sent at once, and shown on both.
#include <QObject>
#include <QTimer>

#include "shell/TextPair.h"

namespace nr::gui {

class AppContext;
class CMyMFCRibbonBar;

class LiveControls : public QObject {
  Q_OBJECT

 public:
  enum LiveControl { kMic, kEffect, kReverb, kEcho, kMusic, kNoiseGate, kLiveControls };

  LiveControls(AppContext& ctx, CMyMFCRibbonBar& ribbon, QObject* parent = nullptr);

  void OnSliderMoved(int id, int value);
  void OnMuteToggled(int id);
  // Every control from the model, labels in the current language.
  void RefreshControls();
  // The pitch follows the device's status every 2 s while a link is open.
  void StartPitchRefresh() { pitchTimer_.start(); }
  void StopPitchRefresh() { pitchTimer_.stop(); }
  void SetPitchCaption(int pitch);

 private:
  struct LiveSpec;
  static const LiveSpec& Spec(int control);
  static int ControlOfSlider(int id);
  static int ControlOfMute(int id);
  void OnPitchMoved(int value);
  void OnPitchRefresh();
  void SetLiveLabels(int control, int value);

  AppContext& ctx_;
  CMyMFCRibbonBar& ribbon_;
  QTimer pitchTimer_;  // 4: pitch from the status every 2000 ms
};

}  // namespace nr::gui
