#include "inputs/CDialogMusicInputSet.h"

#include <QLayout>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "shell/AppContext.h"
#include "shell/DialogTexts.h"

namespace nr::gui {

CDialogMusicInputSet::CDialogMusicInputSet(AppContext& ctx, DeviceSession& session, QWidget* parent)
    : SourceRowsDialog(ctx, session, parent) {
  setProperty(kDialogNumberProperty, kDialogNumber);
  setWindowTitle(QString::fromUtf8("音源设置"));
  int width = 0;
  for (const Row& row : rows_) {
    row.widget->adjustSize();
    width = std::max(width, row.widget->width());
  }
  setFixedWidth(kFirstRow.x() * 2 + width);
  RefreshFromImage();
  Relabel();
}

void CDialogMusicInputSet::ApplyCapabilityLayout() {
  const SourceCapability capability = ctx_.Model().Read([](const DeviceState& s) { return s.capability; });
  if (!capability.Valid()) return;
  const auto present = CapabilitySourcesPresent(capability);
  const auto captions = CapabilityCaptions(capability);
  // Source 0's row is the origin even when it is hidden; every further row present goes one
  // pitch below the last one placed.
  QRect running(kFirstRow, rows_[0].widget->sizeHint());
  for (int k = 0; k < kSourceCount; ++k) {
    Row& row = rows_[static_cast<size_t>(k)];
    SetCaption(k, QString::fromStdString(captions[static_cast<size_t>(k)]));
    const bool shown = present[static_cast<size_t>(k)];
    if (k > 0 && shown) running.translate(0, kRowPitch);
    if (k == 0 || shown) row.widget->setGeometry(running.x(), running.y(), width() - 2 * kFirstRow.x(), running.height());
    SetRowShown(k, shown);
  }
  rows_[0].widget->layout()->activate();
  const int radioBottom = running.top() + rows_[0].radio->geometry().bottom() + 1;
  // The Close button sits at the right, in the margin below the last row.
  const QSize button = closeButton_->sizeHint();
  const int buttonTop = radioBottom + std::max(0, (kBottomMargin - button.height()) / 2);
  closeButton_->setGeometry(width() - kFirstRow.x() - button.width(), buttonTop, button.width(), button.height());
  setFixedHeight(radioBottom + kBottomMargin);
}

void CDialogMusicInputSet::RefreshFromImage() {
  ApplyCapabilityLayout();
  SourceRowsDialog::RefreshFromImage();
}

void CDialogMusicInputSet::Relabel() {
  ApplyDialogTexts(this, kDialogNumber, ctx_.Table());
  ApplyCapabilityLayout();
  TipRows();
}

}  // namespace nr::gui
