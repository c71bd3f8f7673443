// SPDX-License-Identifier: GPL-3.0-or-later
// The commands of kestrow-dfs, the command-line companion: a command line is parsed and
// run against an image with the same operations, texts and result codes as the windows.
// Nothing is asked: questions are answered from the options.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "disk/DFSUseful.h"
#include "disk/FileOperations.h"

// Exit statuses.
enum CommandStatus : int { kCommandDone = 0, kCommandFailed = 1, kCommandUsage = 2 };

// An image on the command line. A trailing ":0" or ":2" names the side (drive 0 or 2) and
// is not part of the path; any other ":" is. So "a:b.dsd:2" is drive 2 of "a:b.dsd", and
// a file really named "x:2" is given as "x:2:0".
// "FILE.mmb:N" (".mmb" in any case) is disc N of an MMB file.
struct ImageArgument {
  std::string path;
  int drive = 0;
  int mmbDisc = -1;  // the disc of an MMB file, or -1
};
ImageArgument ParseImageArgument(const std::string& text);

// An entry on the command line: "D.NAME", or a bare NAME in directory "$". Trailing spaces
// are optional; the name is padded to its 7 stored characters. Nothing when the name is
// empty or longer than 7 characters. "#N" names the entry at position N (1 for the
// first) of the catalogue as "list" shows it, so each of two namesakes can be named.
struct EntryArgument {
  char directory = '$';
  std::string name;
  int position = -1;  // 0-based catalogue position of a "#N" argument, else -1
};
std::optional<EntryArgument> ParseEntryArgument(const std::string& text);

// Runs one command line (the arguments after the program name). File bytes and listings
// go to out; messages, and usage text for a usage error, go to errors. Returns a
// CommandStatus: kCommandFailed when any message reported a failure.
int RunDiskCommand(const std::vector<std::string>& arguments, std::ostream& out,
                   std::ostream& errors);
