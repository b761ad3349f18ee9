#include "inputs/CDialogMusicInput.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/AppContext.h"
#include "shell/DialogTexts.h"

namespace nr::gui {

CDialogMusicInput::CDialogMusicInput(AppContext& ctx, DeviceSession& session, int templateNumber, QWidget* parent)
    : SourceRowsDialog(ctx, session, parent), template_(templateNumber) {
  setProperty(kDialogNumberProperty, kDialogNumber);
  setWindowTitle(QString::fromUtf8("音源设置"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(18, 16, 18, 18);
  layout->setSpacing(12);
  for (const Row& row : rows_) layout->addWidget(row.widget);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(closeButton_);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  RefreshFromImage();
  Relabel();
}

void CDialogMusicInput::RefreshFromImage() {
  const int version = ctx_.Model().Read([](const DeviceState& s) { return s.info.version; });
  const std::vector<SourceRow> rows = FixedFormSources(template_, version);
  for (int k = 0; k < kSourceCount; ++k) SetRowShown(k, false);
  for (const SourceRow& row : rows) {
    SetCaption(row.source, QString::fromStdString(row.caption));
    SetRowShown(row.source, true);
  }
  SourceRowsDialog::RefreshFromImage();
}

void CDialogMusicInput::Relabel() {
  ApplyDialogTexts(this, kDialogNumber, ctx_.Table());
  TipRows();
}

}  // namespace nr::gui
