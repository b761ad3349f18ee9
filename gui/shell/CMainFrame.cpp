#include "shell/CMainFrame.h"

#include <QCloseEvent>
#include <QRegularExpression>
#include <QToolButton>
#include <array>
#include <optional>

#include "shell/AppContext.h"
#include "shell/CMFCMyRibbonStatusBar.h"
#include "shell/ControlTips.h"
#include "shell/CMFCRibbonStepSlider.h"
#include "shell/RibbonBar.h"
#include "shell/RibbonIds.h"
#include "shell/TextPair.h"

namespace nr::gui {
namespace {

constexpr TextPair kCategoryNames[] = {{"输入控制", "Input"}, {"输出调节", "Output"}};

// Captions as first built, and as re-labelled afterwards: the two differ for the first panels in
// English and the installed base is used to both, so both are kept. The pitch panel's caption
// belongs to the view once built.
constexpr std::array<TextPair, rid::kPanelCount> kFirstCaptions{{{"话筒音量", "Mic Vol"},
                                                                  {"效果总音量", "Efx Vol"},
                                                                  {"混响音量", "Reverb Vol"},
                                                                  {"回声音量", "Echo Vol"},
                                                                  {"音乐音量", "Music Vol"},
                                                                  {"音乐变调", "Music Pitch"},
                                                                  {"调用", "Load"},
                                                                  {"保存", "Save"}}};
constexpr std::array<TextPair, rid::kPanelCount> kRelabelCaptions{{{"话筒音量", "Mic  Vol"},
                                                                    {"效果总音量", "Effect Vol"},
                                                                    {"混响音量", "Reverb Vol"},
                                                                    {"回声音量", "Echo Vol"},
                                                                    {"音乐音量", "Music Vol"},
                                                                    {"音乐变调", "Music Pitch"},
                                                                    {"调用", "Load"},
                                                                    {"保存", "Save"}}};

// A value label: prefix and field width in each language ("%s%3d"; the English noise gate "%s%7d").
struct ValueLabel {
  TextPair prefix;
  int zhWidth;
  int enWidth;
  QString Format(gui::Language language, int value) const {
    return prefix.Get(language) + QStringLiteral("%1").arg(value, language == Language::English ? enWidth : zhWidth);
  }
};

constexpr ValueLabel kMicLabel{{"话筒音量:", "Mic    Vol: "}, 3, 3};
constexpr ValueLabel kEffectLabel{{"效果总音量:", "Effect    Vol:"}, 3, 3};
constexpr ValueLabel kReverbLabel{{"混响音量:  ", "Reverb Vol:"}, 3, 3};
constexpr ValueLabel kEchoLabel{{"回声音量:", "Echo Vol:"}, 3, 3};
constexpr ValueLabel kMusicLabel{{"音乐音量:", "Music Vol:"}, 3, 3};
constexpr ValueLabel kNoiseGateLabel{{"音乐噪声门:", "Noisegate:"}, 3, 7};
constexpr int kInitialLabelValue = 100;

constexpr TextPair kMute{"静音", "Mute"};
constexpr TextPair kLoadMode{"载入模式", "LoadMode"};
constexpr TextPair kLoadFile{"载入文件", "LoadFile"};
constexpr TextPair kSaveMode{"保存模式", "SaveMode"};
constexpr TextPair kSaveFile{"保存文件", "SaveFile"};

constexpr TextPair kOpen{"打开(&O)", "Open(&O)"};
constexpr TextPair kSave{"保存(&S)", "Save(&S)"};
constexpr TextPair kExit{"退出(&X)", "Exit(&X)"};
constexpr TextPair kDisconnectItem{"断开连接(&D)", "Disconnect(&D)"};
constexpr TextPair kSaveAs{"另存为(&A)…", "Save as(&A)..."};
constexpr TextPair kOpenOffline{"离线打开(&F)…", "Open offline(&F)..."};
constexpr TextPair kUndo{"撤销(&U)", "Undo(&U)"};
constexpr TextPair kRedo{"重做(&R)", "Redo(&R)"};
constexpr TextPair kVenueItem{"场所(&V)…", "Venue(&V)..."};
constexpr TextPair kRecentLabel{"最近的文档(Last documents)", "Last documents(最近的文档)"};
constexpr TextPair kAboutTip{"关于", "About"};

struct TabRowButton {
  int id;
  TextPair text;
};
constexpr TabRowButton kTabRowButtons[] = {
    {rid::kConnectIp, {"网络连接", "Connect IP"}},     {rid::kFeatures, {"特色功能", "Features"}},
    {rid::kInputSource, {"输入源", "Input Source"}},   {rid::kResetMachine, {"机器复位", "Reset"}},
    {rid::kRemoteControl, {"遥控学习", "Remote control"}}, {rid::kSmartPlug, {"智能插座", "Smart plug"}},
    {rid::kVenue, {"场所", "Venue"}},                  {rid::kLanguage, {"中/EN", "中/EN"}},
};

// What each ribbon element does, shown when the pointer rests on it.
struct ElementTip {
  int rid::CategoryIds::*id;
  TextPair tip;
};
constexpr ElementTip kCategoryTips[] = {
    {&rid::CategoryIds::micLabel, {"话筒总音量（不超过机器设置的上限）", "Microphone volume (never above the device's limit)"}},
    {&rid::CategoryIds::micSlider, {"话筒总音量（不超过机器设置的上限）", "Microphone volume (never above the device's limit)"}},
    {&rid::CategoryIds::micMute, {"话筒静音", "Mute the microphones"}},
    {&rid::CategoryIds::effectLabel, {"效果总音量：回声与混响合计", "Effect master volume: echo and reverb together"}},
    {&rid::CategoryIds::effectSlider, {"效果总音量：回声与混响合计", "Effect master volume: echo and reverb together"}},
    {&rid::CategoryIds::effectMute, {"效果静音", "Mute the effects"}},
    {&rid::CategoryIds::reverbLabel, {"混响音量", "Reverb volume"}},
    {&rid::CategoryIds::reverbSlider, {"混响音量", "Reverb volume"}},
    {&rid::CategoryIds::reverbMute, {"混响静音", "Mute the reverb"}},
    {&rid::CategoryIds::echoLabel, {"回声音量", "Echo volume"}},
    {&rid::CategoryIds::echoSlider, {"回声音量", "Echo volume"}},
    {&rid::CategoryIds::echoMute, {"回声静音", "Mute the echo"}},
    {&rid::CategoryIds::musicLabel, {"音乐音量（不超过机器设置的上限）", "Music volume (never above the device's limit)"}},
    {&rid::CategoryIds::musicSlider, {"音乐音量（不超过机器设置的上限）", "Music volume (never above the device's limit)"}},
    {&rid::CategoryIds::musicMute, {"音乐静音", "Mute the music"}},
    {&rid::CategoryIds::noiseGateLabel, {"音乐噪声门：低于此电平的音乐被静音", "Music noise gate: music below this level is silenced"}},
    {&rid::CategoryIds::noiseGateSlider, {"音乐噪声门：低于此电平的音乐被静音", "Music noise gate: music below this level is silenced"}},
    {&rid::CategoryIds::pitchSlider, {"音乐变调：降低或升高 1 至 5 个半音", "Music pitch: down or up by 1 to 5 semitones"}},
    {&rid::CategoryIds::loadMode, {"让机器载入模式 M1…M4（替换正在运行的参数）", "Make the device load mode M1..M4 (replaces the running parameters)"}},
    {&rid::CategoryIds::loadFile, {"把电脑上的模式文件写入机器", "Write a mode file from this PC into the device"}},
    {&rid::CategoryIds::saveMode, {"把正在运行的参数存入机器的模式 M1…M4", "Store the running parameters in the device's mode M1..M4"}},
    {&rid::CategoryIds::saveFile, {"把当前参数保存为电脑上的模式文件（无需连接设备）", "Save the present parameters to a mode file on this PC (no device needed)"}},
};
struct CommandTip {
  int id;
  TextPair tip;
};
constexpr CommandTip kCommandTips[] = {
    {rid::kConnectIp, {"连接设备：网络地址、USB 或演示设备；也可在此断开", "Connect a device: a network address, USB or the demo device; or disconnect"}},
    {rid::kFeatures, {"特色功能：激励、低音与自动电平", "Features: exciter, bass and automatic levels"}},
    {rid::kInputSource, {"输入源与解码格式", "Input source and decoder"}},
    {rid::kResetMachine, {"把机器恢复到出厂状态（会先询问，之后需手动重启）", "Return the device to its factory state (asks first; restart it by hand)"}},
    {rid::kRemoteControl, {"学习遥控器的按键", "Learn the keys of a remote control"}},
    {rid::kSmartPlug, {"智能插座：添加、开关、调光，学习红外按键，运行场景", "Smart plugs: add, switch and dim them, learn infrared keys, run scenes"}},
    {rid::kVenue, {"场所：所有包房的处理器——扫描、状态、备份、推送、核对", "Venue: the processors of every room: scan, status, backup, push, check"}},
    {rid::kVenueMenu, {"场所：所有包房的处理器——扫描、状态、备份、推送、核对", "Venue: the processors of every room: scan, status, backup, push, check"}},
    {rid::kLanguage, {"切换界面语言：中文 / English", "Switch the interface language: 中文 / English"}},
    {rid::kFileOpen, {"打开模式文件并写入机器", "Open a mode file and write it into the device"}},
    {rid::kFileSave, {"把当前参数保存为模式文件；正在编辑文件时直接写回该文件", "Save the present parameters to a mode file; straight into the file being edited, when there is one"}},
    {rid::kFileSaveAs, {"把当前参数保存为另一个模式文件", "Save the present parameters to another mode file"}},
    {rid::kDisconnect, {"断开与设备的连接", "Close the link to the device"}},
    {rid::kFileOpenOffline, {"不连接设备，编辑电脑上的模式文件；保存时写回该文件", "Edit a mode file on this PC without a device; Save writes it back"}},
    {rid::kEditUndo, {"撤销上一步修改，设备同时恢复原值 (Ctrl+Z)", "Undo the last change; the device gets the old values back (Ctrl+Z)"}},
    {rid::kEditRedo, {"重做撤销的修改 (Ctrl+Shift+Z)", "Redo the change that was undone (Ctrl+Shift+Z)"}},
    {rid::kAppExit, {"退出程序（有未保存的修改时会先询问）", "Quit (asks first when changes are not saved)"}},
};

constexpr int kVolumeMax = 99;
constexpr int kVolumeSliderWidth = 90;
constexpr int kNoiseGateMax = 100;
constexpr int kPitchMin = -5;
constexpr int kPitchMax = 5;
constexpr int kWideSliderWidth = 100;

struct VolumePanel {
  int panel;
  const ValueLabel* label;
  int rid::CategoryIds::*labelId;
  int rid::CategoryIds::*sliderId;
  int rid::CategoryIds::*muteId;
};
constexpr VolumePanel kVolumePanels[] = {
    {rid::kPanelMic, &kMicLabel, &rid::CategoryIds::micLabel, &rid::CategoryIds::micSlider,
     &rid::CategoryIds::micMute},
    {rid::kPanelEffect, &kEffectLabel, &rid::CategoryIds::effectLabel, &rid::CategoryIds::effectSlider,
     &rid::CategoryIds::effectMute},
    {rid::kPanelReverb, &kReverbLabel, &rid::CategoryIds::reverbLabel, &rid::CategoryIds::reverbSlider,
     &rid::CategoryIds::reverbMute},
    {rid::kPanelEcho, &kEchoLabel, &rid::CategoryIds::echoLabel, &rid::CategoryIds::echoSlider,
     &rid::CategoryIds::echoMute},
    {rid::kPanelMusic, &kMusicLabel, &rid::CategoryIds::musicLabel, &rid::CategoryIds::musicSlider,
     &rid::CategoryIds::musicMute},
};

// The value a label shows, read back from its text (the view formats it; we keep it when the
// language changes). Missing when the text carries no number.
std::optional<int> ShownValue(const QString& text) {
  static const QRegularExpression trailingNumber(QStringLiteral("([+-]?\\d+)\\s*$"));
  const QRegularExpressionMatch m = trailingNumber.match(text);
  if (!m.hasMatch()) return std::nullopt;
  bool ok = false;
  const int value = m.captured(1).toInt(&ok);
  return ok ? std::optional<int>(value) : std::nullopt;
}

// Holds the view and sizes it to the area, but never below the view's minimum.
class CentralArea : public QWidget {
 public:
  using QWidget::QWidget;
  QWidget* view = nullptr;

 protected:
  void resizeEvent(QResizeEvent*) override {
    if (view) view->setGeometry(QRect(QPoint(0, 0), size().expandedTo(CMainFrame::kMinimumViewSize)));
  }
};

}  // namespace

CMainFrame::CMainFrame(AppContext& app, QWidget* parent)
    : QMainWindow(parent),
      app_(app),
      ribbon_(new CMyMFCRibbonBar(this)),
      statusBar_(new CMFCMyRibbonStatusBar(this)),
      centralArea_(new CentralArea(this)) {
  app_.Settings().SetApplicationLook(kApplicationLook);
  setMinimumSize(kMinimumSize);
  setMenuWidget(ribbon_);
  setStatusBar(statusBar_);
  centralArea_->setMinimumSize(kMinimumViewSize);
  setCentralWidget(centralArea_);
  // Typing goes to the device controls, not to an input method.
  setAttribute(Qt::WA_InputMethodEnabled, false);

  setWindowTitle(QString::fromUtf8(kWindowTitle));
  BuildRibbon();
  ApplyTexts(true);
  RefreshRecentFiles();
  connect(&app_, &AppContext::languageChanged, this, &CMainFrame::Relabel);
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::BuildRibbon() {
  for (int category : {rid::kCategoryInput, rid::kCategoryOutput}) {
    ribbon_->AddCategory(QString());
    for (int panel = 0; panel < rid::kPanelCount; ++panel) ribbon_->AddPanel(category, QString());
    const rid::CategoryIds& ids = rid::IdsOf(category);
    for (const VolumePanel& v : kVolumePanels) {
      ribbon_->AddLabelButton(category, v.panel, ids.*v.labelId, QString());
      ribbon_->AddSlider(category, v.panel, ids.*v.sliderId, 0, kVolumeMax, kVolumeSliderWidth);
      ribbon_->AddCheckBox(category, v.panel, ids.*v.muteId, QString());
    }
    ribbon_->AddLabelButton(category, rid::kPanelPitch, ids.noiseGateLabel, QString());
    ribbon_->AddSlider(category, rid::kPanelPitch, ids.noiseGateSlider, 0, kNoiseGateMax, kWideSliderWidth);
    ribbon_->AddSlider(category, rid::kPanelPitch, ids.pitchSlider, kPitchMin, kPitchMax, kWideSliderWidth);

    ribbon_->AddLargeButton(category, rid::kPanelLoad, ids.loadMode, QString(), RibbonIcon(RibbonGlyph::LoadMode));
    ribbon_->AddLargeButton(category, rid::kPanelLoad, ids.loadFile, QString(), RibbonIcon(RibbonGlyph::LoadFile));
    ribbon_->AddLargeButton(category, rid::kPanelSave, ids.saveMode, QString(), RibbonIcon(RibbonGlyph::SaveMode));
    ribbon_->AddLargeButton(category, rid::kPanelSave, ids.saveFile, QString(), RibbonIcon(RibbonGlyph::SaveFile));
    for (int slot = 0; slot < 4; ++slot) {
      const QString name = QStringLiteral("M%1").arg(slot + 1);
      ribbon_->AddMenuItem(ids.loadMode, rid::kLoadM1 + slot, name);
      ribbon_->AddMenuItem(ids.saveMode, rid::kSaveM1 + slot, name);
    }
  }

  for (const TabRowButton& b : kTabRowButtons) ribbon_->AddTabRowButton(b.id, QString());
  QToolButton* about = ribbon_->AddTabRowButton(rid::kAppAbout, QString(), RibbonIcon(RibbonGlyph::About));
  ribbon_->SetKeyTip(about, QStringLiteral("a"));

  ribbon_->AddAppMenuItem(rid::kFileOpen, QString(), RibbonIcon(RibbonGlyph::Open));
  ribbon_->AddAppMenuItem(rid::kFileOpenOffline, QString(), RibbonIcon(RibbonGlyph::OpenOffline));
  ribbon_->AddAppMenuItem(rid::kFileSave, QString(), RibbonIcon(RibbonGlyph::Save));
  ribbon_->AddAppMenuItem(rid::kFileSaveAs, QString(), RibbonIcon(RibbonGlyph::Save));
  ribbon_->AddAppMenuItem(rid::kEditUndo, QString(), RibbonIcon(RibbonGlyph::Undo));
  ribbon_->AddAppMenuItem(rid::kEditRedo, QString(), RibbonIcon(RibbonGlyph::Redo));
  ribbon_->AddAppMenuItem(rid::kVenueMenu, QString(), RibbonIcon(RibbonGlyph::Venue));
  ribbon_->AddAppMenuItem(rid::kDisconnect, QString(), RibbonIcon(RibbonGlyph::Disconnect));
  ribbon_->AddAppMenuItem(rid::kAppExit, QString(), RibbonIcon(RibbonGlyph::Exit), true);
  ribbon_->SetActiveCategory(rid::kCategoryInput);
}

void CMainFrame::Relabel() { ApplyTexts(false); }

void CMainFrame::ApplyTexts(bool firstBuild) {
  const gui::Language language = app_.Language();
  const auto t = [language](const TextPair& pair) { return pair.Get(language); };

  for (int category : {rid::kCategoryInput, rid::kCategoryOutput}) {
    ribbon_->SetCategoryName(category, t(kCategoryNames[category]));
    for (int panel = 0; panel < rid::kPanelCount; ++panel) {
      if (panel == rid::kPanelPitch && !firstBuild) continue;
      ribbon_->SetPanelCaption(category, panel, t((firstBuild ? kFirstCaptions : kRelabelCaptions)[panel]));
    }

    const rid::CategoryIds& ids = rid::IdsOf(category);
    const auto setValueLabel = [&](int id, const ValueLabel& label) {
      const std::optional<int> shown = firstBuild ? std::nullopt : ShownValue(ribbon_->ElementText(id));
      ribbon_->SetElementText(id, label.Format(language, shown.value_or(kInitialLabelValue)));
    };
    for (const VolumePanel& v : kVolumePanels) {
      setValueLabel(ids.*v.labelId, *v.label);
      ribbon_->SetElementText(ids.*v.muteId, t(kMute));
    }
    setValueLabel(ids.noiseGateLabel, kNoiseGateLabel);
    ribbon_->SetElementText(ids.loadMode, t(kLoadMode));
    ribbon_->SetElementText(ids.loadFile, t(kLoadFile));
    ribbon_->SetElementText(ids.saveMode, t(kSaveMode));
    ribbon_->SetElementText(ids.saveFile, t(kSaveFile));
  }

  for (int category : {rid::kCategoryInput, rid::kCategoryOutput})
    for (const ElementTip& e : kCategoryTips)
      if (QWidget* w = ribbon_->Element(rid::IdsOf(category).*e.id)) w->setToolTip(t(e.tip));
  for (const CommandTip& c : kCommandTips)
    if (QWidget* w = ribbon_->Element(c.id)) w->setToolTip(t(c.tip));
  for (const TabRowButton& b : kTabRowButtons) ribbon_->SetElementText(b.id, t(b.text));
  if (QWidget* about = ribbon_->Element(rid::kAppAbout)) about->setToolTip(t(kAboutTip));
  ribbon_->SetElementText(rid::kFileOpen, t(kOpen));
  ribbon_->SetElementText(rid::kFileSave, t(kSave));
  ribbon_->SetElementText(rid::kDisconnect, t(kDisconnectItem));
  ribbon_->SetElementText(rid::kFileOpenOffline, t(kOpenOffline));
  ribbon_->SetElementText(rid::kFileSaveAs, t(kSaveAs));
  ribbon_->SetElementText(rid::kEditUndo, t(kUndo));
  ribbon_->SetElementText(rid::kEditRedo, t(kRedo));
  ribbon_->SetElementText(rid::kVenueMenu, t(kVenueItem));
  ribbon_->SetElementText(rid::kAppExit, t(kExit));
  ribbon_->SetRecentFilesLabel(t(kRecentLabel));
  statusBar_->Relabel(language);
  ribbon_->AppButton()->setAccessibleName(t({"应用程序菜单", "Application menu"}));
  NameControlsForScreenReaders(this);
}

void CMainFrame::ShowDocument(const QString& fileName, bool modified) {
  const QString base = QString::fromUtf8(kWindowTitle);
  const QString title = fileName.isEmpty() ? base : fileName + QStringLiteral("[*] - ") + base;
  if (windowTitle() != title) setWindowTitle(title);
  setWindowModified(!fileName.isEmpty() && modified);
}

void CMainFrame::RefreshRecentFiles() { ribbon_->SetRecentFiles(app_.Settings().RecentFiles()); }

void CMainFrame::SetView(QWidget* view) {
  auto* area = static_cast<CentralArea*>(centralArea_);
  if (area->view == view) return;
  if (area->view) area->view->deleteLater();
  area->view = view;
  if (view) {
    view->setParent(area);
    view->setGeometry(QRect(QPoint(0, 0), area->size().expandedTo(kMinimumViewSize)));
    view->show();
  }
}

QWidget* CMainFrame::View() const { return static_cast<CentralArea*>(centralArea_)->view; }

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (canClose && !canClose()) {
    event->ignore();
    return;
  }
  emit closing();
  event->accept();
}

}  // namespace nr::gui
