#pragma once
// F6 and F7 anywhere in the application: F7 opens the machine settings, F6 the advanced EQ (only
// with a device). Acted on when the key is released and no synchronisation is running; a second
// press while the first one's dialog is being opened is dropped.
#include <QObject>
#include <functional>

namespace nr::gui {

class KeyShortcuts : public QObject {
  Q_OBJECT

 public:
  explicit KeyShortcuts(QObject* parent = nullptr) : QObject(parent) {}

  std::function<bool()> syncShowing;    // true while the synchronisation dialog is up
  std::function<bool()> connected;
  std::function<void()> openMachineSettings;
  std::function<void()> openAdvancedEq;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool Run(const std::function<void()>& open, bool& busy);

  bool f6Busy_ = false;
  bool f7Busy_ = false;
};

}  // namespace nr::gui
