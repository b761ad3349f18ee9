#include "shell/CMainFrame.h"

#include <QCloseEvent>
#include <QRegularExpression>
#include <QToolButton>
#include <array>
#include <optional>

#include "shell/AppContext.h"
#include "shell/CMFCMyRibbonStatusBar.h"
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
  QString Format(int language, int value) const {
    return prefix.Get(language) + QStringLiteral("%1").arg(value, language == 1 ? enWidth : zhWidth);
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
    {rid::kLanguage, {"中/EN", "中/EN"}},
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
  ribbon_->AddAppMenuItem(rid::kFileSave, QString(), RibbonIcon(RibbonGlyph::Save));
  ribbon_->AddAppMenuItem(rid::kAppExit, QString(), RibbonIcon(RibbonGlyph::Exit), true);
  ribbon_->SetActiveCategory(rid::kCategoryInput);
}

void CMainFrame::Relabel() { ApplyTexts(false); }

void CMainFrame::ApplyTexts(bool firstBuild) {
  const int language = app_.Language();
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

  for (const TabRowButton& b : kTabRowButtons) ribbon_->SetElementText(b.id, t(b.text));
  if (QWidget* about = ribbon_->Element(rid::kAppAbout)) about->setToolTip(t(kAboutTip));
  ribbon_->SetElementText(rid::kFileOpen, t(kOpen));
  ribbon_->SetElementText(rid::kFileSave, t(kSave));
  ribbon_->SetElementText(rid::kAppExit, t(kExit));
  ribbon_->SetRecentFilesLabel(t(kRecentLabel));
  statusBar_->Relabel(language);
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
