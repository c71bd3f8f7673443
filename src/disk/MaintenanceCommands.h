// SPDX-License-Identifier: GPL-3.0-or-later
// The maintenance commands of kestrow-dfs: "check" lists what Check disk finds, reading
// the image only (an interrupted change's journal is reported, not applied), and
// "compact" compacts one disk, printing the summary the windows show.
#pragma once

#include <ostream>

#include "disk/DFSUseful.h"
#include "disk/DiskCommands.h"
#include "platform/TerminalPrompts.h"

// Opens the image read-only, leaving any journal alone, and writes the findings to out:
// a line per finding, or a JSON array with json. kCommandFailed when there is an error
// among them or the image does not open.
int CheckImageCommand(const ImageArgument& image, bool json, std::ostream& out,
                      TerminalPrompts& prompts);

// Compacts the disk, open for writing, and prints the summary; kCommandFailed after the
// reason when it refuses or a write fails.
int CompactImageCommand(DFSDiskClass& disk, std::ostream& out, TerminalPrompts& prompts);
