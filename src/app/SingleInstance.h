// SPDX-License-Identifier: GPL-3.0-or-later
// One Kestrow per user: the first program started listens on a local socket named for
// the user; a later start with image files hands them to it and ends, so a file manager's
// double-clicks all open in the program that is already running.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

class SingleInstance : public QObject {
  Q_OBJECT
 public:
  // serverName: empty for the user's own name (DefaultServerName).
  explicit SingleInstance(const QString& serverName = QString(), QObject* parent = nullptr);

  // A socket in the user's private runtime folder, so that users never meet.
  static QString DefaultServerName();

  // The image paths among a start's arguments (those after the program name), made
  // absolute against the current folder. "--" ends the options; anything after it is a
  // file even when it starts with "-".
  static QStringList ImageArguments(const QStringList& arguments);

  // Hands the paths to a program already listening; true when it took them.
  bool HandOff(const QStringList& paths);

  // Listens for later starts, replacing a socket left behind by a program that has gone;
  // false when a running program already listens or the socket cannot be made.
  bool Listen();

 signals:
  // A later start handed over these paths.
  void ImagesReceived(const QStringList& paths);

 private:
  void AcceptConnection();
  // Collects a connection's bytes; a whole message is answered and announced.
  void ReadMessage(QLocalSocket* socket);

  QString serverName_;
  QLocalServer* server_ = nullptr;
  QHash<QLocalSocket*, QByteArray> pending_;
};
