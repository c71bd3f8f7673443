// SPDX-License-Identifier: GPL-3.0-or-later
// The common set-up of suites that drive a whole main frame: scripted prompts and a
// shown main frame past its splash, fresh for every test, and one temporary folder for
// the suite's images. Unsaved inspector changes are dropped when a test ends.
// A suite derives from MainFrameFixture and ends with KESTROW_GUI_TEST_MAIN(SuiteClass).
#pragma once

#include <QObject>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <string>

#include "platform/ScriptedPrompts.h"
#include "support_gui/GuiTestMain.h"

class TDFSDiskFrm;
class TKestrowMainFrm;

class MainFrameFixture : public QObject {
  Q_OBJECT
 public:
  // Whether a message or question left over when a test ends fails that test.
  enum class LeftoverMessages { Allowed, Fail };

  explicit MainFrameFixture(LeftoverMessages leftovers = LeftoverMessages::Allowed);
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

  // Run after the frame is shown, before each test; a failed check there skips the test.
  virtual void FrameShown() {}
  // Run before the frame closes after each test.
  virtual void FrameClosing() {}

  QTemporaryDir dir_;

 private slots:
  void init();
  void cleanup();

 private:
  LeftoverMessages leftovers_;
  std::unique_ptr<ScopedScriptedPrompts> prompts_;
  std::unique_ptr<TKestrowMainFrm> frame_;
};
