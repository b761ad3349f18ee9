#include "shell/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>

namespace nr::gui {
namespace {

// Socket and lock names must be plain: the key holds a blank and a dot.
QString SafeName(const QString& key) {
  const QString user = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME"));
  return "nrtune-" + QString::fromLatin1(QCryptographicHash::hash((key + "|" + user).toUtf8(),
                                                                   QCryptographicHash::Sha1).toHex().left(16));
}

}  // namespace

SingleInstance::SingleInstance(const QString& key, QObject* parent) : QObject(parent), key_(key) {}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::Acquire() {
  const QString name = SafeName(key_);
  lock_ = std::make_unique<QLockFile>(QDir::temp().filePath(name + ".lock"));
  lock_->setStaleLockTime(0);
  if (!lock_->tryLock(100)) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (socket.waitForConnected(1000)) {
      socket.write("raise");
      socket.waitForBytesWritten(1000);
    }
    return false;
  }
  QLocalServer::removeServer(name);
  server_.listen(name);
  connect(&server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* client = server_.nextPendingConnection()) {
      connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
      emit raiseRequested();
    }
  });
  return true;
}

}  // namespace nr::gui
