#pragma once
// What the output pages share: how one page opens another from the header row, the pair-link
// options kept in the settings, the page look, slider rows, and their registration with the main
// view and the screenshot mode.
#include <QString>
#include <array>

#include "controls/SliderRow.h"
#include "outputs/OutputChannels.h"
#include "shell/TextPair.h"

class QGridLayout;
class QLabel;
class QSlider;
class QWidget;

namespace nr {
class DeviceSession;
}

namespace nr::gui {

class AppContext;
class AppSettings;
class NrTuneApp;
class PageHost;

// The pages of the Output category; each has its button in the header row.
enum class OutputPageKind { kChannel, kLocation, kRecord, kComp, kDelay };

// Replaces the host's page with an output page (the channel page on `channel`, which also
// becomes the application's last output channel; the compressor page opens on it too).
void OpenOutputPage(OutputPageKind kind, int channel, AppContext& ctx, DeviceSession& session, PageHost& host);

// Makes the output channel page the Output category's page and adds every output page to the
// screenshot mode.
void RegisterOutputPages(NrTuneApp& app);

// The pair links as stored in the settings ("QtOption", first three bytes).
LinkOptions StoredLinkOptions(const AppSettings& settings);
// Stores them, keeping the setting's other bytes; false (and the trace "保存失败") when the
// settings could not be written.
bool StoreLinkOptions(AppSettings& settings, const LinkOptions& options, AppContext& ctx);

// Names of speaker positions 0..7 as the position lists show them ("前置左" / "CH-L", ...).
TextPair PositionText(int position);
// "通道1" / "CH 1".
QString ChannelText(int channel, gui::Language language);

// Adds a row to grid at `row`: the caption (Chinese template text, control identifier), a
// slider over [min, max] and a value label wide enough for `widest`.
SliderRow AddOutputSliderRow(QGridLayout* grid, int row, const char* templateText, int captionId, int min, int max,
                             const QString& widest);
// Sets the slider without notifying and the value text.
void ShowSliderValue(const SliderRow& row, int position, const QString& text);

// Background and frames of the output pages (those of the input pages).
void ApplyOutputPageStyle(QWidget* page);

}  // namespace nr::gui
