#pragma once
// One nrtune per settings store: the first start holds a lock file named after the store (the
// user's settings, or the file given with --settings) and listens on a local socket; a later
// start with the same store asks the first to come to the front, or hands it the preset file it
// was given, and quits, saying so. A start with a settings file of its own is a separate
// instance. Lock and socket live in $XDG_RUNTIME_DIR (private to the user) when it is set, else
// in the temporary folder, where the socket is made accessible to the user only.
#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <memory>

namespace nr::gui {

enum class InstanceStart {
  kFirst,        // this is the instance: it serves requests from now on
  kRaisedOther,  // another instance runs and was asked to come to the front
  kHandedFile,   // another instance runs and was given the file to open
  kOtherSilent,  // another instance holds the lock but did not take the request
};

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  // settingsFile: the --settings file, or empty for the user's own store.
  explicit SingleInstance(const QString& settingsKey, const QString& settingsFile = QString(),
                          QObject* parent = nullptr);
  ~SingleInstance() override;

  // file: a preset to hand to a running instance (made absolute here, since the running one has
  // another working folder); offline: it is to be edited without a device.
  InstanceStart Acquire(const QString& file = QString(), bool offline = false);

  // The folder of the lock and the socket.
  static QString RuntimeFolder();
  // The lock file and the socket of this store.
  QString LockPath() const;
  QString SocketPath() const;

 signals:
  void raiseRequested();
  // Another start was given this file (an absolute path); it has asked to come to the front too.
  void openRequested(const QString& path, bool offline);

 private:
  void Serve(QByteArray message);

  QString key_;
  std::unique_ptr<QLockFile> lock_;
  QLocalServer server_;
};

// What a start that is not the instance prints before it ends.
QString SecondStartMessage(InstanceStart start);

}  // namespace nr::gui
