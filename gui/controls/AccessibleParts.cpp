#include "controls/AccessibleParts.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <QWidget>
#include <map>

namespace nr::gui {
namespace {

class PartsInterface;

// One part: no object of its own, it asks the widget for its name and place each time.
class PartInterface : public QAccessibleInterface {
 public:
  PartInterface(PartsInterface& owner, QWidget* widget, int index) : owner_(owner), widget_(widget), index_(index) {}

  bool isValid() const override { return widget_ && index_ < Parts()->PartCount(); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return widget_ ? widget_->window()->windowHandle() : nullptr; }
  QAccessibleInterface* focusChild() const override { return nullptr; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* parent() const override;
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QString text(QAccessible::Text t) const override {
    return t == QAccessible::Name && isValid() ? Parts()->PartName(index_) : QString();
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override {
    if (!isValid()) return {};
    const QRect r = Parts()->PartRect(index_);
    return QRect(widget_->mapToGlobal(r.topLeft()), r.size());
  }
  QAccessible::Role role() const override { return QAccessible::ListItem; }
  QAccessible::State state() const override {
    QAccessible::State s;
    s.invisible = !isValid();
    return s;
  }

 private:
  const AccessibleParts* Parts() const { return dynamic_cast<const AccessibleParts*>(widget_.data()); }
  PartsInterface& owner_;
  QPointer<QWidget> widget_;
  int index_;
};

// The widget's own interface: Qt's, plus its parts as children. The part interfaces are made on
// first use and registered, so a screen reader can hold on to them; they go with the widget.
class PartsInterface : public QAccessibleWidget {
 public:
  explicit PartsInterface(QWidget* w) : QAccessibleWidget(w, QAccessible::Graphic) {}
  ~PartsInterface() override {
    for (const auto& [index, id] : children_) QAccessible::deleteAccessibleInterface(id);
  }

  int childCount() const override { return Parts() ? Parts()->PartCount() : 0; }
  QAccessibleInterface* child(int index) const override {
    if (index < 0 || index >= childCount()) return nullptr;
    auto found = children_.find(index);
    if (found == children_.end()) {
      auto* part = new PartInterface(const_cast<PartsInterface&>(*this), widget(), index);
      found = children_.emplace(index, QAccessible::registerAccessibleInterface(part)).first;
    }
    return QAccessible::accessibleInterface(found->second);
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    for (const auto& [index, id] : children_)
      if (QAccessible::accessibleInterface(id) == child) return index;
    return -1;
  }

 private:
  const AccessibleParts* Parts() const { return dynamic_cast<const AccessibleParts*>(widget()); }
  mutable std::map<int, QAccessible::Id> children_;
};

QAccessibleInterface* PartInterface::parent() const { return &owner_; }

QAccessibleInterface* Factory(const QString&, QObject* object) {
  auto* widget = qobject_cast<QWidget*>(object);
  return widget && dynamic_cast<AccessibleParts*>(widget) ? new PartsInterface(widget) : nullptr;
}

}  // namespace

void InstallAccessibleParts() {
  QAccessible::removeFactory(&Factory);  // installed once, however often the windows are made
  QAccessible::installFactory(&Factory);
}

}  // namespace nr::gui
