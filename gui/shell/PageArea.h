#pragma once
// The part of the main window where one page at a time is shown, under the link notice when the
// notice is up (so none of the page's controls hides under it). Pages register per ribbon
// category; switching the category shows its page, or refreshes it when it already shows.
#include <QWidget>
#include <functional>
#include <map>
#include <memory>

#include "shell/Page.h"

namespace nr::gui {

class LinkNoticeBar;

class PageArea : public QWidget, public PageHost {
  Q_OBJECT

 public:
  using Factory = std::function<std::unique_ptr<Page>()>;

  explicit PageArea(QWidget* parent = nullptr);

  void SetCategoryPage(int category, int dialogNumber, Factory factory);
  bool HasCategoryPage(int category) const { return pages_.count(category) != 0; }
  // Shows the category's page (refreshed when it already shows); false when it has none.
  bool ShowCategory(int category);
  void ShowPage(std::unique_ptr<Page> page) override;
  Page* CurrentPage() const override { return page_; }
  LinkNoticeBar* Notice() const { return notice_; }

 signals:
  // Another page (or none) shows.
  void pageChanged();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QRect PageRect() const;
  void LayOut();

  struct CategoryPage {
    int dialogNumber;
    Factory factory;
  };
  std::map<int, CategoryPage> pages_;
  Page* page_ = nullptr;
  LinkNoticeBar* notice_;  // a child
};

}  // namespace nr::gui
