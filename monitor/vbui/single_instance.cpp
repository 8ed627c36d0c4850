// One running instance per user and display, over a local socket.
#include <QDir>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

#include <unistd.h>

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
    : key_(std::move(key)), wait_(handOverWaitMs) {}

SingleInstance::~SingleInstance() {
  if (server_ != nullptr) server_->close();
}

bool SingleInstance::TryHandOver() {
  QLocalSocket socket;
  socket.connectToServer(key_);
  if (!socket.waitForConnected(wait_)) return false;
  socket.write(kRequest);
  if (!socket.waitForBytesWritten(wait_)) return false;
  QByteArray answer;
  while (!answer.contains('\n')) {
    if (!socket.waitForReadyRead(wait_)) return false;
    answer += socket.readAll();
  }
  return answer == kAnswer;
}

SingleInstance::Outcome SingleInstance::Start() {
  if (server_ != nullptr) return Outcome::Primary;
  // The look for a running instance and the listen are one step between
  // processes, so two starts at the same moment never both become the
  // instance.
  QLockFile lock(QDir(QDir::tempPath()).filePath(key_ + QStringLiteral(".lock")));
  lock.setStaleLockTime(10000);
  const bool locked = lock.tryLock(wait_ * 2 + 1000);
  if (TryHandOver()) return Outcome::HandedOver;
  // Nobody answered: whatever socket is left is stale.
  QLocalServer::removeServer(key_);
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(key_)) {
    qWarning("Single-instance socket %s: %s", qPrintable(key_),
             qPrintable(server_->errorString()));
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
  if (locked) lock.unlock();
  return Outcome::Primary;
}

}  // namespace vlm::vbui
