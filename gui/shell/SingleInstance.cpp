#include "shell/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QUrl>

#include "shell/Platform.h"

namespace nr::gui {
namespace {

// A request is one line naming what is asked ("raise", "open", "open-offline"), for an open a
// second line with the file as an encoded URL (a path may hold any byte but NUL, line ends
// included). Anything longer is no request of ours.
constexpr qsizetype kLongestRequest = 64 * 1024;

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

QString SingleInstance::RuntimeFolder() {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QFileInfo(runtime).isDir() && QFileInfo(runtime).isWritable()) return runtime;
  return QDir::tempPath();
}

QString SingleInstance::LockPath() const { return QDir(RuntimeFolder()).filePath(SafeName(key_) + ".lock"); }
QString SingleInstance::SocketPath() const { return QDir(RuntimeFolder()).filePath(SafeName(key_)); }

InstanceStart SingleInstance::Acquire(const QString& file, bool offline) {
  lock_ = std::make_unique<QLockFile>(LockPath());
  lock_->setStaleLockTime(0);
  if (!lock_->tryLock(100)) {
    QLocalSocket socket;
    socket.connectToServer(SocketPath());
    if (!socket.waitForConnected(1000)) return InstanceStart::kOtherSilent;
    QByteArray request = "raise\n";
    if (!file.isEmpty()) {
      request = (offline ? "open-offline\n" : "open\n") +
                QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()).toEncoded() + "\n";
    }
    LetAnotherProgramComeForward();
    socket.write(request);
    const bool sent = socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(1000);
    if (!sent) return InstanceStart::kOtherSilent;
    return file.isEmpty() ? InstanceStart::kRaisedOther : InstanceStart::kHandedFile;
  }
  QLocalServer::removeServer(SocketPath());
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  server_.listen(SocketPath());
  connect(&server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* client = server_.nextPendingConnection()) {
      // The request is kept on the socket itself until the other start has said all of it.
      connect(client, &QLocalSocket::readyRead, client, [client] {
        const QByteArray received = client->property("request").toByteArray() + client->readAll();
        if (received.size() > kLongestRequest) return client->abort();
        client->setProperty("request", received);
      });
      connect(client, &QLocalSocket::disconnected, this, [this, client] {
        const QByteArray received = client->property("request").toByteArray() + client->readAll();
        client->deleteLater();
        Serve(received.size() > kLongestRequest ? QByteArray() : received);
      });
    }
  });
  return InstanceStart::kFirst;
}

void SingleInstance::Serve(QByteArray message) {
  // Whatever else the request holds, the start wanted this window: it comes to the front.
  const QList<QByteArray> lines = message.split('\n');
  if (lines.size() >= 3 && (lines[0] == "open" || lines[0] == "open-offline") && lines[2].isEmpty()) {
    const QUrl url = QUrl::fromEncoded(lines[1], QUrl::StrictMode);
    if (url.isValid() && url.isLocalFile()) {
      emit openRequested(url.toLocalFile(), lines[0] == "open-offline");
      return;
    }
  }
  emit raiseRequested();
}

QString SecondStartMessage(InstanceStart start) {
  switch (start) {
    case InstanceStart::kFirst:
      break;
    case InstanceStart::kRaisedOther:
      return QStringLiteral("nrtune is already running with these settings; its window was brought to the front. "
                            "Start with --settings FILE for a separate instance.");
    case InstanceStart::kHandedFile:
      return QStringLiteral("nrtune is already running with these settings; the file was handed to it to open.");
    case InstanceStart::kOtherSilent:
      return QStringLiteral("nrtune is already running with these settings, but it did not answer.");
  }
  return QString();
}

}  // namespace nr::gui
