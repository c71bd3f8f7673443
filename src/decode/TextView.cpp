// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/TextView.h"

namespace {

constexpr uint8_t kCarriageReturn = 0x0D;
constexpr uint8_t kLineFeed = 0x0A;

bool IsLineEnd(uint8_t byte) {
  return byte == kCarriageReturn || byte == kLineFeed;
}

}  // namespace

std::vector<ListingLine> TextViewLines(std::span<const uint8_t> bytes) {
  std::vector<ListingLine> lines;
  const size_t size = bytes.size();
  size_t at = 0;
  while (at < size) {
    ListingLine& line = lines.emplace_back();
    line.offset = int64_t(at);
    ListingLineWriter writer(line);
    while (at < size && !IsLineEnd(bytes[at])) {
      uint8_t byte = bytes[at++];
      if (IsPrintable(byte)) {
        writer.Plain(char(byte));
      } else {
        writer.Escape(byte);
      }
    }
    if (at < size) {
      // CR LF and LF CR are one ending; CR CR or LF LF are two.
      uint8_t ending = bytes[at++];
      if (at < size && IsLineEnd(bytes[at]) && bytes[at] != ending) {
        ++at;
      }
    }
  }
  return lines;
}
