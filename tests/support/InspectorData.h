// SPDX-License-Identifier: GPL-3.0-or-later
// An inspector's file data built from bytes, and a short markup for bytes with their
// caret or selection; no window involved.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/children/KestrowData.h"

// The markup: each byte as its character ("{A5}" in hex for bytes outside 33..126 and
// for the markup characters |[]{}()), '|' before the caret's byte (or at the end for
// the end position), '[' before the first and ']' after the last selected byte. States
// the markup cannot show (a reversed selection, ends outside the data, a lone end) are
// written as the bytes followed by " (SelStart,SelEnd)".
std::string InspectorMarkup(const InspectorDataClass& data);
// Sets Buffer, SelStart and SelEnd from markup; "abc (5,4)" sets the pair directly.
void SetFromMarkup(InspectorDataClass& data, const std::string& markup);

// One file of one disk: the disk's data and the file's data, titled "GAMES", file
// "$.PROG" in "/images/games.ssd".
struct InspectedFile {
  explicit InspectedFile(std::vector<uint8_t> bytes, bool locked = false);
  std::unique_ptr<DiskDataClass> Disk;
  std::unique_ptr<InspectorDataClass> Data;
};
