// SPDX-License-Identifier: GPL-3.0-or-later
// The application object: catches every exception that reaches the event loop and
// shows its text, so that no exception ever crosses Qt.
#pragma once

#include <QApplication>

class KestrowApplication : public QApplication {
  Q_OBJECT
 public:
  KestrowApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

// Shows an error's own text through the prompt interface.
void ShowErrorText(const std::exception& error);
