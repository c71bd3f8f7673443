// SPDX-License-Identifier: GPL-3.0-or-later
#include "support_gui/MainFrameFixture.h"

#include "app/KestrowMain.h"
#include "diskwindow/DFSDisk.h"
#include "support/ImageBuilder.h"
#include "support_gui/MainFrameHelpers.h"

MainFrameFixture::MainFrameFixture() = default;
MainFrameFixture::~MainFrameFixture() = default;

void MainFrameFixture::init() {
  prompts_ = std::make_unique<ScopedScriptedPrompts>();
  frame_ = MakeMainFrame();
}

void MainFrameFixture::cleanup() {
  frame_.reset();
  prompts_.reset();
}

std::string MainFrameFixture::WriteImage(const std::string& name, int count,
                                         const std::string& title) {
  ImageBuilder image(800);
  image.Title(title);
  for (int index = 0; index < count; ++index) {
    ImageEntry entry;
    entry.name = std::string(1, static_cast<char>('A' + index));
    entry.startSector = 2 + index;
    entry.length = 0x100;
    image.AddEntry(entry);
  }
  return image.WriteToTemp(dir_, name);
}

TDFSDiskFrm* MainFrameFixture::OpenDisk(const std::string& path) {
  TDFSDiskFrm* window = frame_->NewDFSFiler(path);
  if (window == nullptr) {
    QTest::qFail(("could not open " + path).c_str(), __FILE__, __LINE__);
  }
  return window;
}
