#include "shell/PageArea.h"

#include <QEvent>
#include <QResizeEvent>

#include "shell/LinkNoticeBar.h"

namespace nr::gui {

PageArea::PageArea(QWidget* parent) : QWidget(parent), notice_(new LinkNoticeBar(this)) {
  notice_->installEventFilter(this);
}

void PageArea::SetCategoryPage(int category, int dialogNumber, Factory factory) {
  pages_[category] = CategoryPage{dialogNumber, std::move(factory)};
}

bool PageArea::ShowCategory(int category) {
  const auto it = pages_.find(category);
  if (it == pages_.end()) {
    ShowPage(nullptr);
    return false;
  }
  if (page_ && page_->DialogNumber() == it->second.dialogNumber) {
    page_->RefreshFromImage();  // already showing: only refreshed
    return true;
  }
  ShowPage(it->second.factory());
  return true;
}

void PageArea::ShowPage(std::unique_ptr<Page> page) {
  if (page_) {
    page_->hide();
    page_->deleteLater();
    page_ = nullptr;
  }
  if (page) {
    page_ = page.release();
    page_->setParent(this);
    page_->setGeometry(PageRect());
    page_->show();
    notice_->raise();  // the notice stays over whichever page is shown
  }
  emit pageChanged();
}

void PageArea::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayOut();
}

// The notice takes the top of the area while it is shown; the page moves below it.
QRect PageArea::PageRect() const {
  return notice_->isVisible() ? rect().adjusted(0, notice_->height(), 0, 0) : rect();
}

void PageArea::LayOut() {
  notice_->setGeometry(0, 0, width(), notice_->sizeHint().height());
  if (page_) page_->setGeometry(PageRect());
}

bool PageArea::eventFilter(QObject* watched, QEvent* event) {
  if (watched == notice_ && (event->type() == QEvent::Show || event->type() == QEvent::Hide)) LayOut();
  return QWidget::eventFilter(watched, event);
}

}  // namespace nr::gui
