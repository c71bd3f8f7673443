// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/ListingSearch.h"

namespace {

char Folded(char character, bool ignoreCase) {
  return ignoreCase && character >= 'a' && character <= 'z' ? char(character - 'a' + 'A')
                                                            : character;
}

bool MatchesAt(const std::string& text, size_t at, const std::string& pattern, bool ignoreCase) {
  for (size_t index = 0; index < pattern.size(); ++index) {
    if (Folded(text[at + index], ignoreCase) != Folded(pattern[index], ignoreCase)) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::optional<ListingMatch> FindInListing(const std::vector<ListingLine>& lines,
                                          const std::string& pattern, bool ignoreCase, size_t line,
                                          size_t column) {
  if (pattern.empty()) {
    return std::nullopt;
  }
  for (; line < lines.size(); ++line, column = 0) {
    const std::string& text = lines[line].text;
    for (size_t at = column; at + pattern.size() <= text.size(); ++at) {
      if (MatchesAt(text, at, pattern, ignoreCase)) {
        return ListingMatch{line, at, pattern.size()};
      }
    }
  }
  return std::nullopt;
}

void ListingSearch::Restart() {
  fromLine_ = 0;
  fromColumn_ = 0;
}

ListingFindOutcome ListingSearch::FindNext(const std::vector<ListingLine>& lines,
                                           const std::string& pattern, bool ignoreCase) {
  if (pattern.empty()) {
    return ListingFindOutcome::NoPattern;
  }
  match_ = FindInListing(lines, pattern, ignoreCase, fromLine_, fromColumn_);
  if (match_) {
    fromLine_ = match_->line;
    fromColumn_ = match_->column + 1;
    return ListingFindOutcome::Found;
  }
  const bool fromStart = fromLine_ == 0 && fromColumn_ == 0;
  Restart();
  return fromStart ? ListingFindOutcome::NoneAtAll : ListingFindOutcome::Wrapped;
}
