// SPDX-License-Identifier: GPL-3.0-or-later
// Disk, New disk (Watford 62-file): a blank 80-track disk with Watford DFS's second
// catalogue in sectors 2 and 3, so that it holds up to 62 files.
#include "app/KestrowApplication.h"
#include "app/KestrowMain.h"
#include "disk/DFSUseful.h"
#include "platform/Prompts.h"

void TKestrowMainFrm::NewWatfordFileMnuItemClick() {
  const std::string name = Prompts().AskSaveFileName({"single sided disk|*.ssd", "ssd"});
  if (name.empty()) {
    return;
  }
  try {
    // A ".dsd" name gets a double-sided image with both catalogues on each side.
    DFSDiskClass::Create(name, 1, true).reset();
  } catch (const std::exception& error) {
    ShowErrorText(error);
    return;
  }
  NewDFSFiler(name);
}
