#include "ui/qt/single_instance.h"

#include <unistd.h>

#include <QApplication>
#include <QCryptographicHash>
#include <QLocalSocket>
#include <QWidget>

namespace quillon::gui {

namespace {

constexpr int AnswerWaitMs = 2000;
constexpr char Brought = '1';
constexpr char Declined = '0';

}  // namespace

SingleInstance::SingleInstance(const QString& name) : key_(KeyOf(name)) {
  connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::Answer);
}

QString SingleInstance::KeyOf(const QString& name) {
  const QByteArray digest = QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
  return QStringLiteral("quillon-%1-%2").arg(::getuid()).arg(QString::fromLatin1(digest));
}

bool SingleInstance::HandOverToRunning() {
  QLocalSocket socket;
  socket.connectToServer(key_);
  if (!socket.waitForConnected(AnswerWaitMs)) {
    return false;
  }
  otherRunning_ = true;
  if (!socket.waitForReadyRead(AnswerWaitMs)) {
    return false;
  }
  char answer = Declined;
  return socket.getChar(&answer) && answer == Brought;
}

void SingleInstance::Serve(QWidget* window) {
  window_ = window;
  if (otherRunning_) {
    return;
  }
  // A socket left behind by a window that crashed would refuse the name.
  QLocalServer::removeServer(key_);
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  server_.listen(key_);
}

void SingleInstance::Answer() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    const bool brought = window_ != nullptr;
    if (brought) {
      if (window_->isMinimized()) {
        window_->showNormal();
      }
      window_->raise();
      window_->activateWindow();
      // A dialog or message box open over the window is what the person must answer.
      if (QWidget* popup = QApplication::activeModalWidget(); popup != nullptr && popup != window_) {
        popup->raise();
        popup->activateWindow();
      }
    }
    socket->putChar(brought ? Brought : Declined);
    socket->flush();
    socket->disconnectFromServer();
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
  }
}

}  // namespace quillon::gui
