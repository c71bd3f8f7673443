// SPDX-License-Identifier: GPL-3.0-or-later
// kestrow-dfs: Kestrow's command-line companion, for scripts and build pipelines. It works
// on DFS disk images with the same rules, texts and result codes as the windows.
#include <iostream>
#include <string>
#include <vector>

#include "disk/DiskCommands.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  return RunDiskCommand(arguments, std::cout, std::cerr);
}
