// SPDX-License-Identifier: GPL-3.0-or-later
// The MMB commands of kestrow-dfs: listing an MMB file's index and changing its slots and
// boot discs, with the exit statuses and message conventions of the other commands.
// A disc of an MMB file is also an IMAGE for every other command ("FILE.mmb:N").
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

// The MMB lines of the usage text.
extern const char* const kMMBUsage;

// Runs the command line when it is an MMB command (dcat, dformat, dkill, dlock, dunlock,
// dput, dget, donboot, or new with --mmb) and returns its CommandStatus; nothing for any
// other command line.
std::optional<int> RunMMBCommand(const std::vector<std::string>& arguments, std::ostream& out,
                                 std::ostream& errors);
