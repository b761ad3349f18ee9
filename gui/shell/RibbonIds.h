#pragma once
// Command identifiers of the ribbon, the application menu and the status bar. The numbers are the
// device application's historic resource numbers; stored key files and the language tables do not
// use them, but the view dispatches on them and tests find controls by them.
namespace nr::gui::rid {

// Application menu.
inline constexpr int kFileOpen = 57601;
inline constexpr int kFileSave = 57603;
inline constexpr int kFileSaveAs = 57604;
inline constexpr int kFileMruFirst = 57616;  // recent entry i has kFileMruFirst + i
inline constexpr int kAppExit = 57665;
inline constexpr int kDisconnect = 32951;  // closes the link until the user connects again
inline constexpr int kFileOpenOffline = 32952;  // edits a preset file without a device
inline constexpr int kEditUndo = 57643;
inline constexpr int kEditRedo = 57644;

// Buttons on the tab row, left to right.
inline constexpr int kConnectIp = 32938;
inline constexpr int kFeatures = 32887;
inline constexpr int kInputSource = 32922;
inline constexpr int kResetMachine = 32811;
inline constexpr int kRemoteControl = 32812;
inline constexpr int kLanguage = 32805;
inline constexpr int kAppAbout = 57664;
// The smart-plug page: the device application had the command but no element for it.
inline constexpr int kSmartPlug = 32950;
// The Venue window, from the tab row and from the application menu.
inline constexpr int kVenue = 32953;
inline constexpr int kVenueMenu = 32954;

// Entries of the mode drop-downs; the same in both categories.
inline constexpr int kLoadM1 = 32910;
inline constexpr int kLoadM2 = 32911;
inline constexpr int kLoadM3 = 32912;
inline constexpr int kLoadM4 = 32913;
inline constexpr int kSaveM1 = 32914;
inline constexpr int kSaveM2 = 32915;
inline constexpr int kSaveM3 = 32916;
inline constexpr int kSaveM4 = 32917;

// Input category.
inline constexpr int kInMicLabel = 32832;
inline constexpr int kInMicSlider = 32829;
inline constexpr int kInMicMute = 32847;
inline constexpr int kInEffectLabel = 32833;
inline constexpr int kInEffectSlider = 32830;
inline constexpr int kInEffectMute = 32939;
inline constexpr int kInReverbLabel = 32920;
inline constexpr int kInReverbSlider = 32918;
inline constexpr int kInReverbMute = 32848;
inline constexpr int kInEchoLabel = 32837;
inline constexpr int kInEchoSlider = 32806;
inline constexpr int kInEchoMute = 32849;
inline constexpr int kInMusicLabel = 32834;
inline constexpr int kInMusicSlider = 32831;
inline constexpr int kInMusicMute = 32850;
inline constexpr int kInNoiseGateLabel = 32842;
inline constexpr int kInNoiseGateSlider = 32846;
inline constexpr int kInPitchSlider = 32841;
inline constexpr int kInLoadMode = 32815;
inline constexpr int kInLoadFile = 32827;
inline constexpr int kInSaveMode = 32819;
inline constexpr int kInSaveFile = 32828;

// Output category.
inline constexpr int kOutMicLabel = 32857;
inline constexpr int kOutMicSlider = 32858;
inline constexpr int kOutMicMute = 32859;
inline constexpr int kOutEffectLabel = 32860;
inline constexpr int kOutEffectSlider = 32861;
inline constexpr int kOutEffectMute = 32940;
inline constexpr int kOutReverbLabel = 32921;
inline constexpr int kOutReverbSlider = 32919;
inline constexpr int kOutReverbMute = 32862;
inline constexpr int kOutEchoLabel = 32863;
inline constexpr int kOutEchoSlider = 32864;
inline constexpr int kOutEchoMute = 32865;
inline constexpr int kOutMusicLabel = 32866;
inline constexpr int kOutMusicSlider = 32867;
inline constexpr int kOutMusicMute = 32868;
inline constexpr int kOutNoiseGateLabel = 32878;
inline constexpr int kOutNoiseGateSlider = 32879;
inline constexpr int kOutPitchSlider = 32880;
inline constexpr int kOutLoadMode = 32900;
inline constexpr int kOutLoadFile = 32881;
inline constexpr int kOutSaveMode = 32904;
inline constexpr int kOutSaveFile = 32882;

// Status bar.
inline constexpr int kLinkPane = 120;
inline constexpr int kModePane = 121;
inline constexpr int kEqBypass = 1121;
inline constexpr int kEqReset = 1122;

// Categories and the panels of each, in ribbon order.
inline constexpr int kCategoryInput = 0;
inline constexpr int kCategoryOutput = 1;
enum Panel { kPanelMic, kPanelEffect, kPanelReverb, kPanelEcho, kPanelMusic, kPanelPitch, kPanelLoad, kPanelSave };
inline constexpr int kPanelCount = 8;

// The live controls of one category, so code can treat both copies alike.
struct CategoryIds {
  int micLabel, micSlider, micMute;
  int effectLabel, effectSlider, effectMute;
  int reverbLabel, reverbSlider, reverbMute;
  int echoLabel, echoSlider, echoMute;
  int musicLabel, musicSlider, musicMute;
  int noiseGateLabel, noiseGateSlider, pitchSlider;
  int loadMode, loadFile, saveMode, saveFile;
};

inline constexpr CategoryIds kInputIds{
    kInMicLabel,    kInMicSlider,    kInMicMute,   kInEffectLabel,    kInEffectSlider,    kInEffectMute,
    kInReverbLabel, kInReverbSlider, kInReverbMute, kInEchoLabel,     kInEchoSlider,      kInEchoMute,
    kInMusicLabel,  kInMusicSlider,  kInMusicMute, kInNoiseGateLabel, kInNoiseGateSlider, kInPitchSlider,
    kInLoadMode,    kInLoadFile,     kInSaveMode,  kInSaveFile};

inline constexpr CategoryIds kOutputIds{
    kOutMicLabel,    kOutMicSlider,    kOutMicMute,    kOutEffectLabel,    kOutEffectSlider,    kOutEffectMute,
    kOutReverbLabel, kOutReverbSlider, kOutReverbMute, kOutEchoLabel,      kOutEchoSlider,      kOutEchoMute,
    kOutMusicLabel,  kOutMusicSlider,  kOutMusicMute,  kOutNoiseGateLabel, kOutNoiseGateSlider, kOutPitchSlider,
    kOutLoadMode,    kOutLoadFile,     kOutSaveMode,   kOutSaveFile};

constexpr const CategoryIds& IdsOf(int category) {
  return category == kCategoryOutput ? kOutputIds : kInputIds;
}

}  // namespace nr::gui::rid
