// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SingleInstance.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace {

constexpr int kConnectMilliseconds = 1000;
// The running program may be busy (a dialog, a large image) before it reads the paths.
constexpr int kReplyMilliseconds = 10000;
constexpr char kReceived = 'K';
// A message is each path's bytes followed by a NUL, then one more NUL; no path holds one.
const QByteArray kEndOfMessage("\0\0", 2);
constexpr qsizetype kLongestMessage = 1 << 20;

}  // namespace

SingleInstance::SingleInstance(const QString& serverName, QObject* parent)
    : QObject(parent), serverName_(serverName.isEmpty() ? DefaultServerName() : serverName) {}

QString SingleInstance::DefaultServerName() {
  const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  const QString name = QString("kestrow-%1.socket").arg(getuid());
  return runtime.isEmpty() ? name : QDir(runtime).filePath(name);
}

QStringList SingleInstance::ImageArguments(const QStringList& arguments) {
  QStringList paths;
  bool optionsEnded = false;
  for (const QString& argument : arguments) {
    if (argument == "--" && !optionsEnded) {
      optionsEnded = true;
      continue;
    }
    paths << QDir::cleanPath(QFileInfo(argument).absoluteFilePath());
  }
  return paths;
}

bool SingleInstance::HandOff(const QStringList& paths) {
  QLocalSocket socket;
  socket.connectToServer(serverName_);
  if (!socket.waitForConnected(kConnectMilliseconds)) {
    return false;
  }
  QByteArray message;
  for (const QString& path : paths) {
    message += QFile::encodeName(path) + '\0';
  }
  socket.write(message + '\0');
  // Done only when the running program says it has the paths; else this start opens them.
  while (socket.bytesToWrite() > 0) {
    if (!socket.waitForBytesWritten(kReplyMilliseconds)) {
      return false;
    }
  }
  while (socket.bytesAvailable() == 0) {
    if (!socket.waitForReadyRead(kReplyMilliseconds)) {
      return false;
    }
  }
  char reply = 0;
  return socket.getChar(&reply) && reply == kReceived;
}

bool SingleInstance::Listen() {
  server_ = new QLocalServer(this);
  // No socket options: with them Qt renames its socket into place, which would take
  // the name from a program already listening. The runtime folder is the user's alone.
  connect(server_, &QLocalServer::newConnection, this, &SingleInstance::AcceptConnection);
  if (server_->listen(serverName_)) {
    return true;
  }
  if (server_->serverError() != QAbstractSocket::AddressInUseError) {
    return false;
  }
  // A socket that answers belongs to a running program; one that does not was left by a
  // program that ended without removing it.
  QLocalSocket probe;
  probe.connectToServer(serverName_);
  if (probe.waitForConnected(kConnectMilliseconds)) {
    return false;
  }
  QLocalServer::removeServer(serverName_);
  return server_->listen(serverName_);
}

void SingleInstance::AcceptConnection() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
      pending_.remove(socket);
      socket->deleteLater();
    });
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadMessage(socket); });
  }
}

void SingleInstance::ReadMessage(QLocalSocket* socket) {
  QByteArray& message = pending_[socket];
  message += socket->readAll();
  if (message.size() > kLongestMessage) {
    pending_.remove(socket);
    socket->abort();
    return;
  }
  if (!message.endsWith(kEndOfMessage) && message != QByteArray(1, '\0')) {
    return;  // the rest is still on its way
  }
  QStringList paths;
  for (const QByteArray& path : message.split('\0')) {
    if (!path.isEmpty()) {
      paths << QFile::decodeName(path);
    }
  }
  pending_.remove(socket);
  socket->putChar(kReceived);
  socket->flush();
  socket->disconnectFromServer();
  emit ImagesReceived(paths);
}
