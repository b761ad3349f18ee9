#pragma once
// The input-source window of a device without a capability record: the fixed set of sources of
// its model (chosen by template when the window is first made, and kept for its lifetime).
#include "inputs/SourceRows.h"

namespace nr::gui {

class CDialogMusicInput : public SourceRowsDialog {
  Q_OBJECT

 public:
  static constexpr int kDialogNumber = 512;

  CDialogMusicInput(AppContext& ctx, DeviceSession& session, int templateNumber, QWidget* parent = nullptr);

  int TemplateNumber() const { return template_; }
  // The rows of the template (a model speaking protocol version 20 may show one more), then levels.
  void RefreshFromImage() override;
  void Relabel() override;

 private:
  int template_;
};

}  // namespace nr::gui
