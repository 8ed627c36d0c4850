// One running instance per user and display, over a local socket and a lock
// file beside it.
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>

#include "monitor/vbui/vbui.h"

namespace vlm::vbui {
namespace {

constexpr char kRequest[] = "activate\n";
constexpr char kAnswer[] = "ok\n";

QString Sanitised(QString text) {
  for (QChar& c : text) {
    if (!c.isLetterOrNumber()) c = QLatin1Char('_');
  }
  return text;
}

}  // namespace

QString DefaultInstanceKey() {
  QString display = qEnvironmentVariable("DISPLAY");
  if (display.isEmpty()) display = qEnvironmentVariable("WAYLAND_DISPLAY");
  if (display.isEmpty()) display = QGuiApplication::platformName();
  return QStringLiteral("vlm-tqz2-%1-%2").arg(::getuid()).arg(Sanitised(display));
}

SingleInstance::SingleInstance(QString key, int handOverWaitMs)
    : key_(std::move(key)), wait_(std::max(0, handOverWaitMs)) {}

SingleInstance::~SingleInstance() {
  // The socket goes first: a start that takes the lock next finds no socket
  // of this instance.
  if (server_ != nullptr) server_->close();
  if (lock_ >= 0) ::close(lock_);
}

SingleInstance::HandOver SingleInstance::TryHandOver(int waitMs) {
  QLocalSocket socket;
  socket.connectToServer(key_);
  // A local connection is made or refused at once; a listener whose queue
  // is full is tried again by the caller.
  if (!socket.waitForConnected(std::min(waitMs, 1000))) return HandOver::NoListener;
  QDeadlineTimer deadline(waitMs);
  socket.write(kRequest);
  if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) return HandOver::NoAnswer;
  QByteArray answer;
  while (!answer.contains('\n')) {
    if (!socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) return HandOver::NoAnswer;
    answer += socket.readAll();
  }
  return answer == kAnswer ? HandOver::Acknowledged : HandOver::NoAnswer;
}

bool SingleInstance::TakeLock() {
  if (lock_ >= 0) return true;
  const QByteArray path = QFile::encodeName(QDir(QDir::tempPath()).filePath(key_ + QStringLiteral(".lock")));
  // Not inherited by the programs the monitor starts (a browser, the help
  // viewer), which would otherwise keep the instance locked after it ended.
  const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    lockUnavailable_ = true;
    qWarning("Single-instance lock %s cannot be opened", path.constData());
    return false;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  lock_ = fd;
  return true;
}

void SingleInstance::Listen() {
  // Nobody listens on whatever socket is left, and nobody else holds the
  // lock: the socket is stale.
  QLocalServer::removeServer(key_);
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(key_)) {
    qWarning("Single-instance socket %s: %s", qPrintable(key_), qPrintable(server_->errorString()));
  }
  QObject::connect(server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* peer = server_->nextPendingConnection()) {
      QObject::connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
      QObject::connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
        if (!peer->canReadLine()) return;
        const QByteArray request = peer->readLine();
        if (request != kRequest) {
          peer->disconnectFromServer();
          return;
        }
        peer->write(kAnswer);
        peer->flush();
        if (Activate) RunEvent(Activate);
      });
    }
  });
}

SingleInstance::Outcome SingleInstance::Start() {
  if (server_ != nullptr) return Outcome::Primary;
  QDeadlineTimer deadline(wait_);
  for (;;) {
    // A socket that accepts belongs to a live instance: it is asked to come
    // forward, however long it takes to answer (up to the wait), and never
    // removed.
    switch (TryHandOver(static_cast<int>(std::max<qint64>(0, deadline.remainingTime())))) {
      case HandOver::Acknowledged:
        return Outcome::HandedOver;
      case HandOver::NoAnswer:
        return Outcome::Busy;
      case HandOver::NoListener:
        break;
    }
    // Nobody listens. Whoever holds the lock is an instance that is starting
    // (or one whose socket was removed behind its back): it is tried again
    // until the wait ends. A lock file that cannot be opened leaves the
    // listener as the only sign of a running instance.
    if (TakeLock() || lockUnavailable_) {
      Listen();
      return Outcome::Primary;
    }
    if (deadline.hasExpired()) return Outcome::Busy;
    QThread::msleep(50);
  }
}

}  // namespace vlm::vbui
