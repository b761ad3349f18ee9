#pragma once
// The input-source window of a device that reports a capability record: the rows of the sources
// the record's masks name, 35 pixels apart in source order without gaps, captioned by the record
// (Android boards, Bluetooth, the HDMI inputs behind an Android board), the window as tall as
// its rows.
#include "inputs/SourceRows.h"

namespace nr::gui {

class CDialogMusicInputSet : public SourceRowsDialog {
  Q_OBJECT

 public:
  static constexpr int kDialogNumber = 543;
  static constexpr int kRowPitch = 35;
  static constexpr int kBottomMargin = 60;  // below the last row's radio button
  static constexpr QPoint kFirstRow{18, 18};

  CDialogMusicInputSet(AppContext& ctx, DeviceSession& session, QWidget* parent = nullptr);

  // Rows and captions from the capability record, then levels.
  void RefreshFromImage() override;
  void Relabel() override;

 private:
  void ApplyCapabilityLayout();
};

}  // namespace nr::gui
