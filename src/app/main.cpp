// Starts Kestrow: the application object, the main window and the event loop.
#include <QApplication>
#include <QMainWindow>

#include "platform/QtPrompts.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QMainWindow mainWindow;
  mainWindow.setWindowTitle("Kestrow");
  mainWindow.resize(842, 612);
  QtPrompts prompts(&mainWindow);
  SetPrompts(&prompts);
  mainWindow.show();
  int result = application.exec();
  SetPrompts(nullptr);
  return result;
}
