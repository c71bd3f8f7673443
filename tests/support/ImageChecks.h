// SPDX-License-Identifier: GPL-3.0-or-later
// Consistency checks of images that writes were made to fail on, shared by the suites
// that inject write failures, kill the command-line tool and run it twice at once.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "support/RawDisk.h"

// The first inconsistency of the catalogue, or "" when there is none: an entry that
// starts inside the catalogue or runs past the disk, or two entries whose data overlap
// (a zero-length entry holds no data).
std::string CatalogueProblem(const RawDisk& disk);

// "D.NAME" with the name's trailing spaces removed.
std::string EntryLabel(const RawEntry& entry);

// Whether every field of the two entries is the same.
bool SameEntry(const RawEntry& first, const RawEntry& second);

// Whether the two catalogues list the same entries, in any order.
bool SameEntries(std::vector<RawEntry> first, std::vector<RawEntry> second);

// The bytes of every entry of a side, by label.
std::map<std::string, std::vector<uint8_t>> FileContents(const std::vector<uint8_t>& image,
                                                         bool interleaved, int side);
