// SPDX-License-Identifier: GPL-3.0-or-later
// The common set-up of suites that drive a whole main frame: scripted prompts and a
// shown main frame past its splash, fresh for every test, and one temporary folder for
// the suite's images.
// A suite derives from MainFrameFixture and ends with KESTROW_GUI_TEST_MAIN(SuiteClass).
#pragma once

#include <QObject>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <string>

#include "app/KestrowApplication.h"
#include "platform/ScriptedPrompts.h"

class TDFSDiskFrm;
class TKestrowMainFrm;

class MainFrameFixture : public QObject {
  Q_OBJECT
 public:
  MainFrameFixture();
  ~MainFrameFixture() override;

 protected:
  ScriptedPrompts& Prompts() { return **prompts_; }
  TKestrowMainFrm& Frame() { return *frame_; }
  // An image titled title with count one-sector files "A", "B", ... written as name into
  // the test's folder.
  std::string WriteImage(const std::string& name, int count = 3, const std::string& title = "DISK");
  // Opens the image in a disk window through the main frame; fails the test when it
  // does not open.
  TDFSDiskFrm* OpenDisk(const std::string& path);

  QTemporaryDir dir_;

 private slots:
  void init();
  void cleanup();

 private:
  std::unique_ptr<ScopedScriptedPrompts> prompts_;
  std::unique_ptr<TKestrowMainFrm> frame_;
};

// The main of a GUI suite: the program's own application object, then the tests.
#define KESTROW_GUI_TEST_MAIN(SuiteClass)       \
  int main(int argc, char* argv[]) {            \
    KestrowApplication application(argc, argv); \
    SuiteClass suite;                           \
    return QTest::qExec(&suite, argc, argv);    \
  }
