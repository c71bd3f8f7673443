// SPDX-License-Identifier: GPL-3.0-or-later
// What a listing of a file shows, whichever window or command shows it: the lines, and
// one sentence about the file when there is something to say (why it is not a program,
// where its structure breaks, what follows it). One kind per inspector listing tab.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "decode/ListingLine.h"

enum class ListingKind {
  Basic,  // a tokenised BBC BASIC program
  Text,   // any file, as *TYPE shows it
};

struct FileListing {
  std::vector<ListingLine> lines;
  std::string note;     // one sentence, or empty
  bool failed = false;  // the file is not of the kind, or it breaks off: the note says why
};

FileListing ListFile(ListingKind kind, std::span<const uint8_t> bytes);

// The lines as the command line prints them: each followed by a line feed.
std::string PrintedListing(const FileListing& listing);
