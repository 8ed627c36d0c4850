// One running instance per user and display, over a local socket and a lock
// file beside it, both in the user's runtime folder where there is one.
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
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

// The folder of the instance's socket and lock: the user's runtime folder
// when $XDG_RUNTIME_DIR names a folder of this user that nobody else may
// enter (what Qt asks of it too), so that no other user can put a file
// where the instance looks; else the temporary folder, shared with every
// user, where the files found are checked before they are used. A runtime
// folder whose path would make the socket's too long for a local socket
// address is not used either: the server could not listen there.
QString InstanceFolder(const QString& key) {
  const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
  // sun_path holds 108 bytes with the closing NUL; a server with
  // UserAccessOption first listens in a folder named after the socket with
  // up to 8 bytes more ("<socket>.XXXXXX/s").
  constexpr qsizetype kLongestSocketPath = 107 - 8;
  struct stat st {};
  if (runtime.startsWith('/') && ::stat(runtime.constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
      st.st_uid == ::getuid() && (st.st_mode & 077) == 0 &&
      runtime.size() + 1 + QFile::encodeName(key).size() <= kLongestSocketPath) {
    return QFile::decodeName(runtime);
  }
  return QDir::tempPath();
}

QString BelongsToAnotherUser(const QString& path) { return path + QStringLiteral(" belongs to another user"); }

// Why the file of status st cannot be the instance's own: another user's,
// or (with regularOnly) not a regular file. Empty when it may be.
QString NotOurs(const QString& path, const struct stat& st, bool regularOnly) {
  if (st.st_uid != ::getuid()) return BelongsToAnotherUser(path);
  if (regularOnly && !S_ISREG(st.st_mode)) return path + QStringLiteral(" is not a regular file");
  return {};
}

// The same for the file at path, not followed when it is a link; empty when
// there is none.
QString NotOurs(const QString& path, bool regularOnly) {
  struct stat st {};
  if (::lstat(QFile::encodeName(path).constData(), &st) != 0) return {};
  return NotOurs(path, st, regularOnly);
}

}  // namespace

QString DefaultInstanceKey() {
  QString display = qEnvironmentVariable("DISPLAY");
  if (display.isEmpty()) display = qEnvironmentVariable("WAYLAND_DISPLAY");
  if (display.isEmpty()) display = QGuiApplication::platformName();
  return QStringLiteral("vlm-tqz2-%1-%2").arg(::getuid()).arg(Sanitised(display));
}

SingleInstance::SingleInstance(QString key, int handOverWaitMs)
    : key_(std::move(key)),
      // A key that is a path already names its socket.
      socket_(QDir(InstanceFolder(key_)).filePath(key_)),
      wait_(std::max(0, handOverWaitMs)) {}

SingleInstance::~SingleInstance() {
  // The socket goes first: a start that takes the lock next finds no socket
  // of this instance.
  if (server_ != nullptr) server_->close();
  if (lock_ >= 0) ::close(lock_);
}

SingleInstance::HandOver SingleInstance::TryHandOver(int waitMs) {
  QLocalSocket socket;
  socket.connectToServer(socket_);
  // A local connection is made or refused at once; a listener whose queue
  // is full is tried again by the caller.
  if (!socket.waitForConnected(std::min(waitMs, 1000))) return HandOver::NoListener;
  // Only a listener of this user is an instance: what another user's
  // process answers is never taken for a hand-over.
  ucred peer{};
  socklen_t size = sizeof peer;
  if (::getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 ||
      peer.uid != ::getuid()) {
    return HandOver::Foreign;
  }
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

SingleInstance::Lock SingleInstance::TakeLock() {
  if (lock_ >= 0) return Lock::Taken;
  const QString name = socket_ + QStringLiteral(".lock");
  const QByteArray path = QFile::encodeName(name);
  // Not inherited by the programs the monitor starts (a browser, the help
  // viewer), which would otherwise keep the instance locked after it ended.
  // A link is not followed, and a file that is not a regular file of this
  // user is refused: in a shared folder another user may have put it there
  // to hold the lock for ever.
  const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0600);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0) {
    if (fd >= 0) ::close(fd);
    refusal_ = NotOurs(name, true);
    if (!refusal_.isEmpty()) return Lock::Foreign;
    qWarning("Single-instance lock %s cannot be opened", path.constData());
    return Lock::Unavailable;
  }
  refusal_ = NotOurs(name, st, true);
  if (!refusal_.isEmpty()) {
    ::close(fd);
    return Lock::Foreign;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return Lock::Held;
  }
  lock_ = fd;
  return Lock::Taken;
}

SingleInstance::Outcome SingleInstance::Refuse(const QString& why) {
  refusal_ = why;
  if (lock_ >= 0) ::close(lock_);
  lock_ = -1;
  return Outcome::Refused;
}

void SingleInstance::Listen() {
  // Nobody listens on whatever socket is left, and nobody else holds the
  // lock: the socket is stale.
  QLocalServer::removeServer(socket_);
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(socket_)) {
    qWarning("Single-instance socket %s: %s", qPrintable(socket_), qPrintable(server_->errorString()));
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
  refusal_.clear();
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
      case HandOver::Foreign:
        return Refuse(BelongsToAnotherUser(socket_));
      case HandOver::NoListener:
        break;
    }
    // Nobody listens. Whoever holds the lock is an instance that is starting
    // (or one whose socket was removed behind its back): it is tried again
    // until the wait ends. A lock file that cannot be opened leaves the
    // listener as the only sign of a running instance. Another user's
    // lock, or another user's socket file left there, is neither waited
    // for nor removed.
    switch (TakeLock()) {
      case Lock::Foreign:
        return Refuse(refusal_);
      case Lock::Taken:
      case Lock::Unavailable:
        if (QString why = NotOurs(socket_, false); !why.isEmpty()) return Refuse(why);
        Listen();
        return Outcome::Primary;
      case Lock::Held:
        break;
    }
    if (deadline.hasExpired()) return Outcome::Busy;
    QThread::msleep(50);
  }
}

}  // namespace vlm::vbui
