#include "outputs/OutputPages.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QRadioButton>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>

#include "eq/BandEditor.h"
#include "inputs/InputPages.h"
#include "link/Trace.h"
#include "outputs/CCompDlg.h"
#include "outputs/CDelayDlg.h"
#include "outputs/CDialogOutput.h"
#include "outputs/CDialogRec.h"
#include "outputs/CompressorControls.h"
#include "outputs/CSSVCDlg.h"
#include "shell/AppContext.h"
#include "shell/AppSettings.h"
#include "shell/CGQ2270v13View.h"
#include "shell/CMainFrame.h"
#include "shell/DialogTexts.h"
#include "shell/NrTuneApp.h"

namespace nr::gui {
namespace {

constexpr int kOutputCategory = 1;
constexpr int kCrossoverShotChannel = 4;  // output 5 holds the SUB crossover from the factory

constexpr std::array<TextPair, kPositionCount> kPositionTexts{{{"前置左", "CH-L"},
                                                               {"前置右", "CH-R"},
                                                               {"侧环绕左", "CH-SL"},
                                                               {"侧环绕右", "CH-SR"},
                                                               {"超低", "CH-SUB"},
                                                               {"中置", "CH-CEN"},
                                                               {"后环绕左", "CH-SBL"},
                                                               {"后环绕右", "CH-SBR"}}};

std::unique_ptr<Page> MakePage(OutputPageKind kind, int channel, AppContext& ctx, DeviceSession& session,
                               PageHost& host) {
  switch (kind) {
    case OutputPageKind::kChannel: return std::make_unique<CDialogOutput>(ctx, session, host, channel);
    case OutputPageKind::kLocation: return std::make_unique<CSSVCDlg>(ctx, session, host);
    case OutputPageKind::kRecord: return std::make_unique<CDialogRec>(ctx, session, host);
    case OutputPageKind::kComp: return std::make_unique<CCompDlg>(ctx, session, host, channel);
    case OutputPageKind::kDelay: return std::make_unique<CDelayDlg>(ctx, session, host);
  }
  return nullptr;
}

void AddShot(NrTuneApp& app, const char* name, OutputPageKind kind, int channel,
             std::function<void(Page&)> arrange = {}) {
  app.AddScreenshot({QString::fromLatin1(name), [=](NrTuneApp& a) -> QWidget* {
                       a.View().SwitchCategory(kOutputCategory);
                       AppContext& ctx = a.Context();
                       OpenOutputPage(kind, channel, ctx, ctx.Session(), a.View());
                       if (arrange && a.View().CurrentPage()) arrange(*a.View().CurrentPage());
                       return &a.Frame();
                     }});
}

}  // namespace

void OpenOutputPage(OutputPageKind kind, int channel, AppContext& ctx, DeviceSession& session, PageHost& host) {
  if (ValidChannel(channel)) ctx.SetOutputChannel(channel);
  host.ShowPage(MakePage(kind, ctx.OutputChannel(), ctx, session, host));
}

void RegisterOutputPages(NrTuneApp& app) {
  AppContext& ctx = app.Context();
  app.View().SetCategoryPage(kOutputCategory, CDialogOutput::kDialogNumber,
                             [&ctx](CGQ2270v13View& view) -> std::unique_ptr<Page> {
                               return std::make_unique<CDialogOutput>(ctx, view, ctx.OutputChannel());
                             });
  // The channel page on output 5, its crossover band picked so the slope list shows.
  AddShot(app, "output_ch5", OutputPageKind::kChannel, kCrossoverShotChannel, [](Page& page) {
    if (auto* output = qobject_cast<CDialogOutput*>(&page)) output->Editor()->ShowBand(9);
  });
  // A compressor at work: its knee below the top of the view, switched on.
  AddShot(app, "compressor", OutputPageKind::kComp, 0, [](Page& page) {
    auto* comp = qobject_cast<CCompDlg*>(&page);
    if (!comp) return;
    comp->Controls()->Slider(CompressorSlider::kThreshold)->setValue(-20);
    comp->Controls()->Slider(CompressorSlider::kRatio)->setValue(40);
    if (!comp->Controls()->Switch()->isChecked()) comp->Controls()->Switch()->click();
  });
  // Two channels aligned by delay, one of them split above 1.2 kHz.
  AddShot(app, "delay", OutputPageKind::kDelay, 0, [](Page& page) {
    auto* delay = qobject_cast<CDelayDlg*>(&page);
    if (!delay) return;
    delay->DelayBox(2)->setValue(12.5);
    delay->DelayBox(6)->setValue(34.0);
    if (!delay->OnBox(2)->isChecked()) delay->OnBox(2)->click();
    delay->SplitModeButton(2)->click();
    delay->SplitSlider(2)->setValue(7);
  });
  AddShot(app, "sound_field", OutputPageKind::kLocation, 0);
  AddShot(app, "record", OutputPageKind::kRecord, 0);
}

LinkOptions StoredLinkOptions(const AppSettings& settings) {
  const QByteArray bytes = settings.QtOption();
  return LinkOptions::FromBytes(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                                         static_cast<size_t>(bytes.size())));
}

bool StoreLinkOptions(AppSettings& settings, const LinkOptions& options, AppContext& ctx) {
  QByteArray bytes = settings.QtOption();
  options.ToBytes(std::span<uint8_t>(reinterpret_cast<uint8_t*>(bytes.data()), static_cast<size_t>(bytes.size())));
  settings.SetQtOption(bytes);
  if (settings.QtOption() == bytes && settings.Sync()) return true;
  Trace(ctx.Session().Tracer(), "保存失败\n");
  return false;
}

TextPair PositionText(int position) {
  return position >= 0 && position < kPositionCount ? kPositionTexts[static_cast<size_t>(position)] : TextPair{"", ""};
}

QString ChannelText(int channel, gui::Language language) {
  return TextPair{"通道%1", "CH %1"}.Get(language).arg(channel + 1);
}

SliderRow AddOutputSliderRow(QGridLayout* grid, int row, const char* templateText, int captionId, int min, int max,
                             const QString& widest) {
  // The output pages are narrow: their sliders may shrink further than the tool windows' ones.
  SliderRow r = AddSliderRow(grid, row, 0, captionId, QString::fromUtf8(templateText), min, max, widest);
  r.slider->setMinimumWidth(70);
  grid->setColumnStretch(1, 1);
  return r;
}

void ShowSliderValue(const SliderRow& row, int position, const QString& text) { SliderRow(row).Show(position, text); }

void ApplyOutputPageStyle(QWidget* page) { ApplyInputPageStyle(page); }

}  // namespace nr::gui
