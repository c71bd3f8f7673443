// SPDX-License-Identifier: GPL-3.0-or-later
// Find and Find Again in a listing's text, with the rules of the inspector's byte search:
// the pattern is matched byte for byte (the letters a to z folded to upper case on both
// sides when ignoring case), each line on its own; the next search starts one character
// after the last match, so overlapping matches are found in turn; after the last match
// the search says so once and starts again from the first line.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "decode/ListingLine.h"

struct ListingMatch {
  size_t line = 0;
  size_t column = 0;
  size_t length = 0;
  bool operator==(const ListingMatch&) const = default;
};

// The first match at or after column of line, or in a later line.
std::optional<ListingMatch> FindInListing(const std::vector<ListingLine>& lines,
                                          const std::string& pattern, bool ignoreCase, size_t line,
                                          size_t column);

enum class ListingFindOutcome {
  Found,      // Match() holds it
  NoneAtAll,  // a search from the first line found nothing
  Wrapped,    // nothing after the last match; the next search starts from the first line
  NoPattern,  // nothing to look for
};

class ListingSearch {
 public:
  // The next search starts from the first line.
  void Restart();
  ListingFindOutcome FindNext(const std::vector<ListingLine>& lines, const std::string& pattern,
                              bool ignoreCase);
  const std::optional<ListingMatch>& Match() const { return match_; }

 private:
  size_t fromLine_ = 0;
  size_t fromColumn_ = 0;
  std::optional<ListingMatch> match_;
};
