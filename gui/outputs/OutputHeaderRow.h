#pragma once
// The row of buttons over every output page: CH 1 .. CH 8, Location, Record, Comp and Delay. The
// button of the page shown (and of its channel) is drawn as current. The row is the same on every
// page and takes its texts from the output page's table entries, so it labels itself.
#include <QWidget>
#include <array>
#include <functional>

#include "outputs/OutputPages.h"

class QAbstractButton;
class QButtonGroup;
class QPushButton;

namespace nr::gui {

class AppContext;
class Page;

class OutputHeaderRow : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kTextsDialog = 385;  // the table entries the row is labelled from
  static constexpr int kPageButtons = 4;    // Location, Record, Comp, Delay

  OutputHeaderRow(AppContext& ctx, QWidget* parent);

  // Marks the page shown and, on the channel and compressor pages, its channel (-1: none).
  void SetCurrent(OutputPageKind kind, int channel);
  void Relabel();

  QAbstractButton* ChannelButton(int channel) const;
  QAbstractButton* PageButton(OutputPageKind kind) const;

  // Wires the row of `page` (of kind `current`): a channel button opens the output page on that
  // channel, the others their pages; the button of the page itself does nothing. The output page
  // passes onChannel to switch channel in place instead.
  void ConnectNavigation(OutputPageKind current, AppContext& ctx, DeviceSession& session, PageHost& host,
                         std::function<void(int)> onChannel = {});

 signals:
  void channelClicked(int channel);
  void pageClicked(OutputPageKind kind);

 private:
  AppContext& ctx_;
  std::array<QPushButton*, kOutputCount> channels_{};
  std::array<QPushButton*, kPageButtons> pages_{};
};

}  // namespace nr::gui
