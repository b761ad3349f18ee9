#pragma once
// Only one nrtune runs per user: the first start holds a lock file named after the settings key
// and listens on a local socket; a second start asks the first to come to the front and quits.
#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <memory>

namespace nr::gui {

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  explicit SingleInstance(const QString& key, QObject* parent = nullptr);
  ~SingleInstance() override;

  // True for the first instance (which then serves raise requests); false when another instance
  // runs, after it has been asked to raise its window.
  bool Acquire();

 signals:
  void raiseRequested();

 private:
  QString key_;
  std::unique_ptr<QLockFile> lock_;
  QLocalServer server_;
};

}  // namespace nr::gui
