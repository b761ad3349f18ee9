#pragma once
// One nrtune per settings store: the first start holds a lock file named after the store (the
// user's settings, or the file given with --settings) and listens on a local socket; a later
// start with the same store asks the first to come to the front and quits, saying so. A start
// with a settings file of its own is a separate instance.
#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <memory>

namespace nr::gui {

enum class InstanceStart {
  kFirst,        // this is the instance: it serves raise requests from now on
  kRaisedOther,  // another instance runs and was asked to come to the front
  kOtherSilent,  // another instance holds the lock but did not take the request
};

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  // settingsFile: the --settings file, or empty for the user's own store.
  explicit SingleInstance(const QString& settingsKey, const QString& settingsFile = QString(),
                          QObject* parent = nullptr);
  ~SingleInstance() override;

  InstanceStart Acquire();

 signals:
  void raiseRequested();

 private:
  QString key_;
  std::unique_ptr<QLockFile> lock_;
  QLocalServer server_;
};

// What a start that is not the instance prints before it ends.
QString SecondStartMessage(InstanceStart start);

}  // namespace nr::gui
