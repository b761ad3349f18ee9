#include "shell/PlugOperation.h"

#include <algorithm>

#include "shell/AppContext.h"
#include "shell/CWaitDlg.h"

namespace nr::gui {

PlugOperation::PlugOperation(AppContext& ctx, WaitDialogOwner& wait, QObject* parent)
    : QObject(parent), ctx_(ctx), wait_(wait) {
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, [this] {
    if (last_) wait_.Show(text_, last_->function, last_->node, last_->value, color_);
  });
}

void PlugOperation::Run(const QString& text, const PlugOperationRequest& request, int delayMs) {
  text_ = text;
  color_ = QColor();
  last_ = request;
  ctx_.Conn().Smart().PerformOperation(request.function, request.node, request.value);
  timer_.start(std::max(0, delayMs));
}

void PlugOperation::SetText(const QString& text, const QColor& color) {
  if (wait_.IsShown()) {
    wait_.SetText(text, color);
    return;
  }
  text_ = text;
  color_ = color;
}

}  // namespace nr::gui
