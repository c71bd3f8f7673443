// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/KestrowApplication.h"

#include <exception>

#include "platform/Prompts.h"

KestrowApplication::KestrowApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool KestrowApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    ShowErrorText(error);
  } catch (...) {
    Prompts().ShowMessage("Unknown error");
  }
  return false;
}

void ShowErrorText(const std::exception& error) {
  Prompts().ShowMessage(error.what());
}
