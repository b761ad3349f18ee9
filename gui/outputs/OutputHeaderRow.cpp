#include "outputs/OutputHeaderRow.h"

#include <QHBoxLayout>
#include <QPushButton>

#include "outputs/OutputTips.h"
#include "shell/AppContext.h"
#include "shell/DialogTexts.h"
#include "shell/Page.h"

namespace nr::gui {
namespace {

// Identifiers of the channel buttons 1..8 and of Location, Record, Comp, Delay.
constexpr std::array<int, kOutputCount> kChannelIds{1069, 1072, 1070, 1071, 1076, 1077, 1078, 1079};
constexpr std::array<int, OutputHeaderRow::kPageButtons> kPageIds{1073, 1074, 1075, 1082};
constexpr std::array<const char*, OutputHeaderRow::kPageButtons> kPageTemplates{"声场定位", "录音输出", "输出压限",
                                                                                "输出延时"};
constexpr std::array<OutputPageKind, OutputHeaderRow::kPageButtons> kPageKinds{
    OutputPageKind::kLocation, OutputPageKind::kRecord, OutputPageKind::kComp, OutputPageKind::kDelay};

// Picture-like buttons: white text on blue, the current one orange.
const char* const kRowStyle = R"(
QPushButton {
  color: white;
  font-family: "SimSun", "NSimSun", "WenQuanYi Micro Hei", "Noto Sans CJK SC", sans-serif;
  font-size: 12px;
  border: 1px solid rgb(20, 70, 120);
  border-radius: 4px;
  padding: 4px 10px;
  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 rgb(70, 140, 205), stop:1 rgb(25, 90, 155));
}
QPushButton:hover:!checked {
  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 rgb(95, 165, 225), stop:1 rgb(40, 110, 175));
}
QPushButton:checked {
  border-color: rgb(170, 90, 10);
  font-weight: bold;
  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 rgb(255, 180, 70), stop:1 rgb(225, 120, 20));
}
)";

QPushButton* HeaderButton(const QString& text, int id, QWidget* parent) {
  auto* b = WithId(new QPushButton(text, parent), id);
  b->setCheckable(true);
  b->setFocusPolicy(Qt::NoFocus);
  b->setMinimumWidth(58);
  return b;
}

int PageIndex(OutputPageKind kind) {
  for (int i = 0; i < OutputHeaderRow::kPageButtons; ++i)
    if (kPageKinds[static_cast<size_t>(i)] == kind) return i;
  return -1;
}

}  // namespace

OutputHeaderRow::OutputHeaderRow(AppContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {
  // A nested table of texts: the page around it does not label the row, the row does.
  setProperty(kDialogNumberProperty, kTextsDialog);
  setStyleSheet(QString::fromLatin1(kRowStyle));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(3);
  for (int c = 0; c < kOutputCount; ++c) {
    QPushButton* b = HeaderButton(QString::fromUtf8("通道%1").arg(c + 1), kChannelIds[static_cast<size_t>(c)], this);
    channels_[static_cast<size_t>(c)] = b;
    layout->addWidget(b);
    connect(b, &QPushButton::clicked, this, [this, c] { emit channelClicked(c); });
  }
  layout->addSpacing(10);
  for (int i = 0; i < kPageButtons; ++i) {
    QPushButton* b =
        HeaderButton(QString::fromUtf8(kPageTemplates[static_cast<size_t>(i)]), kPageIds[static_cast<size_t>(i)], this);
    pages_[static_cast<size_t>(i)] = b;
    layout->addWidget(b);
    connect(b, &QPushButton::clicked, this, [this, i] { emit pageClicked(kPageKinds[static_cast<size_t>(i)]); });
  }
  layout->addStretch(1);
  Relabel();
}

void OutputHeaderRow::Relabel() {
  ApplyDialogTexts(this, kTextsDialog, ctx_.Table());
  ApplyOutputHeaderTips(this, ctx_.Language());
  for (size_t c = 0; c < channels_.size(); ++c)
    channels_[c]->setToolTip(ctx_.T({"显示输出通道 %1", "Show output channel %1"}).arg(c + 1));
}

void OutputHeaderRow::SetCurrent(OutputPageKind kind, int channel) {
  for (int c = 0; c < kOutputCount; ++c) channels_[static_cast<size_t>(c)]->setChecked(c == channel);
  for (int i = 0; i < kPageButtons; ++i) pages_[static_cast<size_t>(i)]->setChecked(kPageKinds[static_cast<size_t>(i)] == kind);
}

QAbstractButton* OutputHeaderRow::ChannelButton(int channel) const { return channels_.at(static_cast<size_t>(channel)); }

QAbstractButton* OutputHeaderRow::PageButton(OutputPageKind kind) const {
  const int i = PageIndex(kind);
  return i < 0 ? nullptr : pages_[static_cast<size_t>(i)];
}

void OutputHeaderRow::ConnectNavigation(OutputPageKind current, AppContext& ctx, DeviceSession& session, PageHost& host,
                                        std::function<void(int)> onChannel) {
  connect(this, &OutputHeaderRow::channelClicked, this, [onChannel, &ctx, &session, &host](int channel) {
    if (onChannel)
      onChannel(channel);
    else
      OpenOutputPage(OutputPageKind::kChannel, channel, ctx, session, host);
  });
  connect(this, &OutputHeaderRow::pageClicked, this, [this, current, &ctx, &session, &host](OutputPageKind kind) {
    if (kind == current) {
      SetCurrent(current, current == OutputPageKind::kChannel || current == OutputPageKind::kComp ? ctx.OutputChannel() : -1);
      return;  // a click on the page's own button leaves the page as it is
    }
    OpenOutputPage(kind, ctx.OutputChannel(), ctx, session, host);
  });
}

}  // namespace nr::gui
