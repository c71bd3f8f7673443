// SPDX-License-Identifier: GPL-3.0-or-later
// Tokenised BBC BASIC programs: whether a file is one, and its listing as BBC BASIC II
// prints it with LIST after LISTO 0.
//
// A program is a run of lines, each 0x0D, the line number's high byte (0x00-0x7F), its
// low byte, a length byte counting those four bytes (so at least 4) and then the line's
// bytes, ending in the end marker 0x0D 0xFF.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "decode/ListingLine.h"

enum class ListingReportKind {
  None,              // a whole program, nothing after its end marker
  NotBasic,          // not a program: empty, no 0x0D first, or its first line broken
  BrokenStructure,   // listed up to the last good line
  DataAfterProgram,  // a whole program, then more bytes
};

// What the listing has to say about the file besides its lines.
struct ListingReport {
  ListingReportKind kind = ListingReportKind::None;
  // The line where the structure breaks (0 for NotBasic), or where the trailing bytes
  // start; -1 for None.
  int64_t offset = -1;
  std::string message;  // one sentence; empty for None
  bool IsError() const {
    return kind == ListingReportKind::NotBasic || kind == ListingReportKind::BrokenStructure;
  }
};

struct BasicListing {
  std::vector<ListingLine> lines;  // each line's offset is that of its 0x0D
  ListingReport report;
};

// Lists a program. Each line is its number right-aligned in 5 characters and then its
// bytes with every token expanded, no spaces added or removed. Literal text (strings,
// the rest of a line after REM or DATA, and a line that starts with a * command) is taken byte for
// byte, and a byte outside 0x20-0x7E anywhere is written as \xHH. A line-number token (0x8D) lists
// as the decimal number it holds.
BasicListing ListBasicProgram(std::span<const uint8_t> bytes);

// Whether bytes are a whole BASIC program (possibly with bytes after it).
bool IsBasicProgram(std::span<const uint8_t> bytes);
