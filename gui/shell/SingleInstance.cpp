#include "shell/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>

namespace nr::gui {
namespace {

// Socket and lock names must be plain: the key holds a blank and a dot, a path anything.
QString SafeName(const QString& key) {
  const QString user = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME"));
  return "nrtune-" + QString::fromLatin1(QCryptographicHash::hash((key + "|" + user).toUtf8(),
                                                                   QCryptographicHash::Sha1).toHex().left(16));
}

}  // namespace

SingleInstance::SingleInstance(const QString& settingsKey, const QString& settingsFile, QObject* parent)
    : QObject(parent),
      key_(settingsFile.isEmpty() ? settingsKey
                                  : settingsKey + "|" + QDir::cleanPath(QFileInfo(settingsFile).absoluteFilePath())) {}

SingleInstance::~SingleInstance() = default;

InstanceStart SingleInstance::Acquire() {
  const QString name = SafeName(key_);
  lock_ = std::make_unique<QLockFile>(QDir::temp().filePath(name + ".lock"));
  lock_->setStaleLockTime(0);
  if (!lock_->tryLock(100)) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(1000)) return InstanceStart::kOtherSilent;
    socket.write("raise");
    const bool sent = socket.waitForBytesWritten(1000);
    return sent ? InstanceStart::kRaisedOther : InstanceStart::kOtherSilent;
  }
  QLocalServer::removeServer(name);
  server_.listen(name);
  connect(&server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* client = server_.nextPendingConnection()) {
      connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
      emit raiseRequested();
    }
  });
  return InstanceStart::kFirst;
}

QString SecondStartMessage(InstanceStart start) {
  switch (start) {
    case InstanceStart::kFirst:
      break;
    case InstanceStart::kRaisedOther:
      return QStringLiteral("nrtune is already running with these settings; its window was brought to the front. "
                            "Start with --settings FILE for a separate instance.");
    case InstanceStart::kOtherSilent:
      return QStringLiteral("nrtune is already running with these settings, but it did not answer.");
  }
  return QString();
}

}  // namespace nr::gui
