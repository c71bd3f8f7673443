// SPDX-License-Identifier: GPL-3.0-or-later
// Starts Kestrow: the application object, the main frame and the event loop. The
// arguments name images to open after the splash; when Kestrow is already running they
// are handed to it instead and this start ends.
#include <QFile>
#include <QTimer>
#include <cstring>
#include <iostream>

#include "app/KestrowApplication.h"
#include "app/KestrowMain.h"
#include "app/SingleInstance.h"
#include "platform/QtPrompts.h"
#include "util/KestrowVersion.h"

namespace {

std::vector<std::string> LocalPaths(const QStringList& paths) {
  std::vector<std::string> local;
  for (const QString& path : paths) {
    local.push_back(QFile::encodeName(path).toStdString());
  }
  return local;
}

// Images handed over while a dialog is open wait until it has closed, so that no window
// appears in the middle of a question.
void OpenWhenNoDialogIsOpen(TKestrowMainFrm& mainFrame, const std::vector<std::string>& paths) {
  if (QApplication::activeModalWidget() != nullptr) {
    QTimer::singleShot(250, &mainFrame,
                       [&mainFrame, paths] { OpenWhenNoDialogIsOpen(mainFrame, paths); });
    return;
  }
  mainFrame.OpenImages(paths);
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::cout << "kestrow " << kKestrowVersion << '\n';
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::cout << "Usage: kestrow [FILE...]\n"
                 "Opens each DFS disk image (.ssd, .dsd) in Kestrow, in the program already\n"
                 "running when there is one.\n";
    return 0;
  }
  KestrowApplication application(argc, argv);
  // Names the program to the desktop, which finds its menu entry and icon by it.
  QGuiApplication::setDesktopFileName("org.example.Kestrow");
  const QStringList images = SingleInstance::ImageArguments(application.arguments().mid(1));
  SingleInstance instance;
  if (!images.isEmpty() && instance.HandOff(images)) {
    return 0;
  }
  instance.Listen();
  int result = 0;
  {
    TKestrowMainFrm mainFrame;
    QtPrompts prompts(&mainFrame);
    SetPrompts(&prompts);
    QObject::connect(&instance, &SingleInstance::ImagesReceived, &mainFrame,
                     [&mainFrame](const QStringList& paths) {
                       if (mainFrame.isMinimized()) {
                         mainFrame.showNormal();
                       }
                       mainFrame.raise();
                       mainFrame.activateWindow();
                       OpenWhenNoDialogIsOpen(mainFrame, LocalPaths(paths));
                     });
    mainFrame.show();
    mainFrame.OpenImages(LocalPaths(images));
    result = application.exec();
    SetPrompts(nullptr);
  }
  return result;
}
