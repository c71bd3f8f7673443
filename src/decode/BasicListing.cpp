// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/BasicListing.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "decode/BasicTokens.h"

namespace {

constexpr uint8_t kCarriageReturn = 0x0D;
constexpr uint8_t kEndOfProgram = 0xFF;
constexpr size_t kLineHeaderSize = 4;

// "&" and at least digits upper-case hex digits, as BBC BASIC writes hex.
std::string Hex(uint64_t value, int digits) {
  char text[24];
  std::snprintf(text, sizeof text, "&%0*llX", digits, static_cast<unsigned long long>(value));
  return text;
}

std::string Decimal(int value) {
  char text[16];
  auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

// Where a walk through the lines stopped and why: a file that is not BASIC at all when
// the first line is already broken, or a program whose structure breaks after it.
class StructureBreak {
 public:
  StructureBreak(int64_t lineOffset, bool atStart) : lineOffset_(lineOffset), atStart_(atStart) {}

  // "byte 3" when nothing could be listed, "&01A3" after that.
  std::string Position(int64_t offset) const {
    return atStart_ ? "byte " + Decimal(int(offset)) : Hex(uint64_t(offset), 4);
  }
  std::string Byte(int64_t offset, uint8_t value) const {
    std::string at = atStart_ ? Decimal(int(offset)) : Hex(uint64_t(offset), 4);
    return "byte " + at + " is " + Hex(value, 2);
  }

  ListingReport Report(const std::string& reason) const {
    ListingReport report;
    report.offset = lineOffset_;
    if (atStart_) {
      report.kind = ListingReportKind::NotBasic;
      report.message = "This file is not a BASIC program: " + reason;
    } else {
      report.kind = ListingReportKind::BrokenStructure;
      report.message = "The program's structure breaks at offset " + Hex(uint64_t(lineOffset_), 4) +
                       ": " + reason;
    }
    return report;
  }

 private:
  int64_t lineOffset_;
  bool atStart_;
};

// The text of one line: its number and its bytes detokenised.
ListingLine ListLine(std::span<const uint8_t> bytes, size_t offset, int lineNumber, size_t length) {
  ListingLine line;
  line.offset = int64_t(offset);
  line.text.reserve(length * 2 + 8);
  ListingLineWriter writer(line);
  std::string number = Decimal(lineNumber);
  writer.Plain(std::string_view("     ").substr(std::min<size_t>(number.size(), 5)));
  writer.Span(number, SpanKind::LineNumber);

  size_t end = offset + length;
  bool inString = false;
  bool literalToEnd = false;  // after REM or DATA, or in a * command
  bool lineStart = true;      // nothing but spaces so far
  for (size_t at = offset + kLineHeaderSize; at < end; ++at) {
    uint8_t byte = bytes[at];
    if (literalToEnd || inString) {
      SpanKind kind = literalToEnd ? SpanKind::Literal : SpanKind::String;
      if (IsPrintable(byte)) {
        writer.RunCharacter(char(byte), kind);
        inString = inString && byte != '"';
      } else {
        writer.Escape(byte, inString);
      }
      continue;
    }
    if (byte == '"') {
      writer.RunCharacter('"', SpanKind::String);
      inString = true;
    } else if (byte == kLineNumberToken) {
      if (at + 3 < end) {
        writer.Span(Decimal(DecodeLineNumber(bytes[at + 1], bytes[at + 2], bytes[at + 3])),
                    SpanKind::LineReference);
        at += 3;
      } else {
        writer.Escape(byte);  // cut short by the line's end
      }
    } else if (byte >= kFirstToken) {
      writer.Span(TokenWord(byte), SpanKind::Keyword);
      literalToEnd = byte == kRemToken || byte == kDataToken;
    } else if (byte == '*' && lineStart) {
      // BASIC leaves a line that starts with a star command untokenised: it all goes to
      // the operating system.
      writer.RunCharacter('*', SpanKind::Literal);
      literalToEnd = true;
    } else if (IsPrintable(byte)) {
      writer.Plain(char(byte));
    } else {
      writer.Escape(byte);
    }
    lineStart = lineStart && byte == ' ';
  }
  return line;
}

// Walks the lines from the start of bytes, calling onLine(offset, lineNumber, length)
// for each good one, and returns the report on how the walk ended.
template <typename OnLine>
ListingReport WalkProgram(std::span<const uint8_t> bytes, OnLine onLine) {
  const size_t size = bytes.size();
  if (size == 0) {
    return StructureBreak(0, true).Report("it is empty.");
  }
  size_t at = 0;
  bool anyLine = false;
  while (true) {
    StructureBreak broken(int64_t(at), !anyLine);
    if (at < size && bytes[at] != kCarriageReturn) {
      const char* expected = at == 0 ? ", a program starts with &0D." : ", a line starts with &0D.";
      return broken.Report(broken.Byte(int64_t(at), bytes[at]) + expected);
    }
    if (at + 1 >= size) {
      return broken.Report("the file ends at " + broken.Position(int64_t(size)) +
                           " without the end marker &0D &FF.");
    }
    uint8_t high = bytes[at + 1];
    if (high == kEndOfProgram) {
      break;
    }
    if (high > 0x7F) {
      return broken.Report(broken.Byte(int64_t(at + 1), high) +
                           ", a line number's high byte is &00 to &7F.");
    }
    if (at + kLineHeaderSize > size) {
      return broken.Report("the file ends at " + broken.Position(int64_t(size)) +
                           " inside the header of the line at " + broken.Position(int64_t(at)) +
                           ".");
    }
    size_t length = bytes[at + 3];
    if (length < kLineHeaderSize) {
      return broken.Report(broken.Byte(int64_t(at + 3), uint8_t(length)) +
                           ", a line's length is at least 4.");
    }
    if (at + length > size) {
      return broken.Report("the line at " + broken.Position(int64_t(at)) + " is " +
                           Decimal(int(length)) + " bytes long, past the end of the file at " +
                           broken.Position(int64_t(size)) + ".");
    }
    onLine(at, high * 256 + bytes[at + 2], length);
    anyLine = true;
    at += length;
  }
  ListingReport report;
  size_t after = at + 2;
  if (after < size) {
    report.kind = ListingReportKind::DataAfterProgram;
    report.offset = int64_t(after);
    report.message = "This file holds machine code or data after the program, from offset " +
                     Hex(after, 4) + ".";
  }
  return report;
}

}  // namespace

BasicListing ListBasicProgram(std::span<const uint8_t> bytes) {
  BasicListing listing;
  listing.report = WalkProgram(bytes, [&](size_t offset, int lineNumber, size_t length) {
    listing.lines.push_back(ListLine(bytes, offset, lineNumber, length));
  });
  return listing;
}

bool IsBasicProgram(std::span<const uint8_t> bytes) {
  return !WalkProgram(bytes, [](size_t, int, size_t) {}).IsError();
}
