// SPDX-License-Identifier: GPL-3.0-or-later
// The lines of a file listing (a BASIC program, or a file as *TYPE shows it): each
// line's text, where its bytes start in the file, and coloured spans, so a view can
// paint just the lines it shows; and the same lines as plain text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class SpanKind : uint8_t {
  LineNumber,      // the number at the start of a BASIC line
  Keyword,         // an expanded token
  LineReference,   // a line number after GOTO, GOSUB, RESTORE, THEN or ELSE
  String,          // a string literal with its quotes
  Literal,         // REM or DATA text, or a * command, to the end of the line
  Escape,          // \xHH standing for a byte outside 0x20-0x7E
  TeletextColour,  // \xHH for a teletext colour code inside a string
  // The parts of a disassembly line.
  Address,   // the address at the start of the line
  Bytes,     // the instruction's or data's bytes in hex
  Mnemonic,  // LDA, JSR, EQUB, ...
  Operand,   // #&41, &70,X, (&1234), the bytes of EQUB, the text of EQUS
  Label,     // .L1900 on its own line, or a label or MOS name in an operand
  Comment,   // ; OSBYTE &81 ...
};

// The colours of teletext control codes 0x81-0x87 (alphanumeric) and 0x91-0x97
// (graphics): the code's low three bits.
enum class TeletextColour : uint8_t {
  None = 0,
  Red = 1,
  Green = 2,
  Yellow = 3,
  Blue = 4,
  Magenta = 5,
  Cyan = 6,
  White = 7,
};

// length characters of a line's text from start. A line's spans are in order and never
// overlap; text outside them is plain (names, numbers, operators, spaces).
struct ListingSpan {
  uint32_t start = 0;
  uint32_t length = 0;
  SpanKind kind = SpanKind::Escape;
  TeletextColour colour = TeletextColour::None;  // TeletextColour spans only
  bool graphics = false;                         // a graphics colour (0x91-0x97)
  // A span that names another line of the same listing (a label operand): that line's
  // index, followed when the span is clicked. -1 for none.
  int32_t targetLine = -1;
};

struct ListingLine {
  int64_t offset = 0;  // where the line's first byte lies in the file
  std::string text;    // printable ASCII only
  std::vector<ListingSpan> spans;
};

// The lines' texts joined by "\n", with no line feed after the last: the text a copy of
// those lines gives and the command line prints (adding the final line feed itself).
std::string PlainText(const std::vector<ListingLine>& lines);
// The same for count lines from first (clipped to the lines there are).
std::string PlainText(const std::vector<ListingLine>& lines, size_t first, size_t count);

// The teletext colour of a control code, None for any other byte.
TeletextColour TeletextColourOf(uint8_t byte);

// Appends text and spans to one line. Runs of String or Literal characters written one
// by one join into one span.
class ListingLineWriter {
 public:
  explicit ListingLineWriter(ListingLine& line) : line_(line) {}

  void Plain(char character) { line_.text.push_back(character); }
  void Plain(std::string_view text) { line_.text.append(text); }
  // A character of a String or Literal run.
  void RunCharacter(char character, SpanKind kind);
  // A span of its own.
  void Span(std::string_view text, SpanKind kind);
  // "\xHH" for byte, as an Escape span, or as a TeletextColour span when asked and the
  // byte is a teletext colour code.
  void Escape(uint8_t byte, bool teletext = false);

 private:
  ListingLine& line_;
};

// Whether a byte is listed as itself (0x20-0x7E).
inline bool IsPrintable(uint8_t byte) {
  return byte >= 0x20 && byte <= 0x7E;
}
