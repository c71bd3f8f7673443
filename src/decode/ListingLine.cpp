// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/ListingLine.h"

#include <algorithm>

std::string PlainText(const std::vector<ListingLine>& lines) {
  return PlainText(lines, 0, lines.size());
}

std::string PlainText(const std::vector<ListingLine>& lines, size_t first, size_t count) {
  first = std::min(first, lines.size());
  size_t last = first + std::min(count, lines.size() - first);
  size_t size = 0;
  for (size_t index = first; index < last; ++index) {
    size += lines[index].text.size() + 1;
  }
  std::string text;
  text.reserve(size);
  for (size_t index = first; index < last; ++index) {
    if (index > first) {
      text.push_back('\n');
    }
    text.append(lines[index].text);
  }
  return text;
}

TeletextColour TeletextColourOf(uint8_t byte) {
  bool alphanumeric = byte >= 0x81 && byte <= 0x87;
  bool graphics = byte >= 0x91 && byte <= 0x97;
  return alphanumeric || graphics ? TeletextColour(byte & 0x07) : TeletextColour::None;
}

void ListingLineWriter::RunCharacter(char character, SpanKind kind) {
  uint32_t at = uint32_t(line_.text.size());
  std::vector<ListingSpan>& spans = line_.spans;
  if (!spans.empty() && spans.back().kind == kind &&
      spans.back().start + spans.back().length == at) {
    ++spans.back().length;
  } else {
    spans.push_back({at, 1, kind});
  }
  line_.text.push_back(character);
}

void ListingLineWriter::Span(std::string_view text, SpanKind kind) {
  line_.spans.push_back({uint32_t(line_.text.size()), uint32_t(text.size()), kind});
  line_.text.append(text);
}

void ListingLineWriter::Escape(uint8_t byte, bool teletext) {
  static constexpr char kHexDigits[] = "0123456789ABCDEF";
  ListingSpan span{uint32_t(line_.text.size()), 4, SpanKind::Escape};
  TeletextColour colour = teletext ? TeletextColourOf(byte) : TeletextColour::None;
  if (colour != TeletextColour::None) {
    span.kind = SpanKind::TeletextColour;
    span.colour = colour;
    span.graphics = byte >= 0x90;
  }
  line_.spans.push_back(span);
  char text[4] = {'\\', 'x', kHexDigits[byte >> 4], kHexDigits[byte & 0x0F]};
  line_.text.append(text, 4);
}
