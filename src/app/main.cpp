// Starts Kestrow: the application object, the main frame and the event loop. Kestrow
// takes no command-line arguments.
#include "app/KestrowApplication.h"
#include "app/KestrowMain.h"
#include "platform/QtPrompts.h"

int main(int argc, char* argv[]) {
  KestrowApplication application(argc, argv);
  int result = 0;
  {
    TKestrowMainFrm mainFrame;
    QtPrompts prompts(&mainFrame);
    SetPrompts(&prompts);
    mainFrame.show();
    result = application.exec();
    SetPrompts(nullptr);
  }
  return result;
}
