// SPDX-License-Identifier: GPL-3.0-or-later
#include "support_gui/MainFrameFixture.h"

#include "app/KestrowMain.h"
#include "diskwindow/DFSDisk.h"
#include "support/ImageBuilder.h"
#include "support_gui/MainFrameHelpers.h"

MainFrameFixture::MainFrameFixture(LeftoverMessages leftovers) : leftovers_(leftovers) {}
MainFrameFixture::~MainFrameFixture() = default;

void MainFrameFixture::init() {
  prompts_ = std::make_unique<ScopedScriptedPrompts>();
  frame_ = MakeMainFrame();
  FrameShown();
}

void MainFrameFixture::cleanup() {
  {
    ReviewAnswer dropChanges("", "NoSave");
    FrameClosing();
    frame_.reset();
  }
  const std::vector<std::string> texts = Prompts().Texts();
  prompts_.reset();
  if (leftovers_ == LeftoverMessages::Fail && !texts.empty()) {
    QFAIL(("unexpected message: " + texts.front()).c_str());
  }
}

std::string MainFrameFixture::WriteImage(const std::string& name, int count,
                                         const std::string& title) {
  return ImageBuilder(800).Title(title).AddLetterFiles(count).WriteToTemp(dir_, name);
}

TDFSDiskFrm* MainFrameFixture::OpenDisk(const std::string& path) {
  TDFSDiskFrm* window = frame_->NewDFSFiler(path);
  if (window == nullptr) {
    QTest::qFail(("could not open " + path).c_str(), __FILE__, __LINE__);
  }
  return window;
}
