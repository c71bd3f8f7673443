// SPDX-License-Identifier: GPL-3.0-or-later
// The rules the MMB window follows for the slots a user picks: how a disc's windows are
// named, the questions asked before a slot's disc is lost, the host file names of
// exported slots and the boot discs' summary. Standard library only.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "disk/MMBFile.h"

// "PATH : disc N": what the windows on disc N of the MMB file at path show after the
// disc's title, and the name they share the disc's data by.
std::string MMBDiscWindowPath(const std::string& mmbPath, int number);

// "disc 5 (GAMES)", or "disc 5" for a slot with no title.
std::string MMBDiscLabel(const MMBSlot& slot);

// Refusal of a slot change while the disc is open in a disk window.
std::string MMBDiscInUseMessage(int number);

// The Yes/No questions before the discs of slots are lost: one slot is named, several
// are counted.
std::string MMBKillQuestion(const std::vector<MMBSlot>& chosen);
std::string MMBFormatQuestion(const std::vector<MMBSlot>& chosen);
// Before an image replaces the formatted disc in slot.
std::string MMBReplaceQuestion(const MMBSlot& slot, const std::string& imagePath);

// Whether path names a single-sided image: it ends in ".ssd" in any letter case.
bool IsSingleSidedName(const std::string& path);
// Refusal of a drop that is not one image file.
inline constexpr const char* kMMBDropOneImageMessage =
    "Drop one single-sided disk image (.ssd) on a slot to import it.";

// The host file names of slots exported side by side: the title without leading and
// trailing spaces, "/" and control characters made "_", or "disc N" for a slot with no
// title, then ".ssd"; a name met before gets " (disc N)" before its ".ssd".
std::vector<std::string> MMBExportNames(const std::vector<MMBSlot>& chosen);

// "Boot: 0, 1, 2, 300", the discs of drives 0-3 at boot.
std::string MMBBootText(const std::array<int, kMMBBootDrives>& discs);
