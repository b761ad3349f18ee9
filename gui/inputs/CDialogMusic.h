#pragma once
// The microphone and music page, the default page of the main window. It edits the four
// microphone inputs (noise gate, volume, routing to mic channel A or B), the feedback canceller
// and equaliser of mic channel A or B or the music equaliser, shows live level meters and the
// decoder format, and previews the echo and reverb EQs of the channel, which open the effect page.
// Three sub-pages share the window: 0 mic channel A, 1 mic channel B, 2 music. The sub-page is
// kept by the application context, so the page reopens where the user left it.
#include <QTimer>
#include <array>

#include "shell/Page.h"

class QAbstractButton;
class QButtonGroup;
class QLabel;
class QRadioButton;
class QSlider;

namespace nr {
class DeviceSession;
struct DeviceState;
}

namespace nr::gui {

class AppContext;
class BandEditor;
class CEqPanel;
class CPeakMeterCtrl;
class CSmallEqPanel;
class FocusWheelRouter;

class CDialogMusic : public Page {
  Q_OBJECT

 public:
  static constexpr int kDialogNumber = 313;
  enum SubPage { kMicA = 0, kMicB = 1, kMusic = 2, kSubPages = 3 };
  static constexpr int kMics = 4;
  static constexpr int kMeters = 6;  // mics 1..4, then the music group's upper and lower meter
  static constexpr int kStatusIntervalMs = 300;

  CDialogMusic(AppContext& ctx, PageHost& host, int subPage, QWidget* parent = nullptr);
  // Writes through session instead of the application's (tests record what would be sent).
  CDialogMusic(AppContext& ctx, DeviceSession& session, PageHost& host, int subPage, QWidget* parent = nullptr);
  ~CDialogMusic() override;

  int DialogNumber() const override { return kDialogNumber; }
  void RefreshFromImage() override;
  void Relabel() override;

  bool HasEq() const override { return true; }
  bool EqBypass() const override;
  void SetEqBypass(bool on) override;
  void ResetCurrentEq() override;

  // Switches the sub-page: remembered in the context, texts and band list rebuilt, reloaded.
  void SelectSubPage(int subPage);
  int SubPage() const { return subPage_; }

  // Meters and decoder text from the last device status; runs every 300 ms.
  void UpdateFromStatus();
  // Text of a decoder format index 0..8; empty for 9..15, which leave the text as it is.
  static QString DecoderName(int index);

  // EQ set, band count and bypass parameter of a sub-page.
  static int EqSetOf(int subPage);

  // The controls, for tests (mic 0..3).
  QSlider* GateSlider(int mic) const;
  QSlider* VolumeSlider(int mic) const;
  QLabel* GateValue(int mic) const;
  QLabel* VolumeValue(int mic) const;
  QRadioButton* RouteButton(int mic, int channel) const;  // channel 0 = CH A, 1 = CH B
  bool MicRowShown(int mic) const;
  QSlider* FbcSlider() const { return fbcSlider_; }
  QLabel* FbcValue() const { return fbcValue_; }
  QWidget* FbcColumn() const { return fbcColumn_; }
  QAbstractButton* SubPageButton(int subPage) const;
  CSmallEqPanel* ReverbCurve() const;
  CSmallEqPanel* EchoCurve() const;
  CPeakMeterCtrl* Meter(int i) const { return meters_[static_cast<size_t>(i)]; }
  QLabel* DecoderText() const { return decoderText_; }
  CEqPanel* Panel() const { return panel_; }
  BandEditor* Editor() const { return editor_; }

 private:
  struct MicRow {
    QLabel* title = nullptr;
    std::array<QRadioButton*, 2> route{};
    CPeakMeterCtrl* meter = nullptr;
    QLabel* gateCaption = nullptr;
    QSlider* gate = nullptr;
    QLabel* gateValue = nullptr;
    QLabel* volumeCaption = nullptr;
    QSlider* volume = nullptr;
    QLabel* volumeValue = nullptr;
  };

  void Build();
  QWidget* BuildSubPageBar();
  QWidget* BuildMicGroup();
  QWidget* BuildMusicGroup();
  QWidget* BuildEffectGroup();
  QWidget* BuildFbcColumn();
  void SetTips();  // what each control does, in the present language

  void OnGate(int mic, int value);
  void OnVolume(int mic, int value);
  void OnRoute(int mic, int channel);
  void OnFbc(int level);
  void OpenEffect(bool echo);

  void RefreshRouting(const DeviceState& s);
  void RefreshMicRows(const DeviceState& s);
  void RefreshSubPageControls();
  void RefreshSliders(const DeviceState& s);
  void RefreshEq(const DeviceState& s);
  void RefreshCurves(const DeviceState& s);
  void ColourBandList();
  void SetFbcValueText(int level);
  bool RoutedWheelTarget(QWidget* focus) const;

  AppContext& ctx_;
  DeviceSession& session_;
  PageHost& host_;
  int subPage_ = kMicA;

  QButtonGroup* subPages_ = nullptr;
  std::array<MicRow, kMics> rows_{};
  std::array<CPeakMeterCtrl*, kMeters> meters_{};
  QLabel* decoderText_ = nullptr;
  QWidget* fbcColumn_ = nullptr;
  QLabel* fbcTitle_ = nullptr;
  QSlider* fbcSlider_ = nullptr;
  QLabel* fbcValue_ = nullptr;
  QWidget* effectGroup_ = nullptr;
  CSmallEqPanel* reverbCurve_ = nullptr;
  CSmallEqPanel* echoCurve_ = nullptr;
  CEqPanel* panel_ = nullptr;
  BandEditor* editor_ = nullptr;
  FocusWheelRouter* wheel_ = nullptr;
  QTimer statusTimer_;
};

}  // namespace nr::gui
