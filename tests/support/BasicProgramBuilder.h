// SPDX-License-Identifier: GPL-3.0-or-later
// Builds tokenised BBC BASIC programs byte by byte for tests and benchmarks. Line bodies
// are raw bytes: keywords are written as their token bytes ("\xF1" for PRINT).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class BasicProgramBuilder {
 public:
  // 0x0D, the number's high and low bytes, 4 + body.size() (cut to a byte), then body.
  BasicProgramBuilder& Line(int number, std::string_view body);
  // The end marker 0x0D 0xFF.
  BasicProgramBuilder& End();
  // Any bytes, such as machine code after the program or a broken header.
  BasicProgramBuilder& Raw(std::string_view bytes);

  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  // Where the next byte goes: the offset of the line Line would add next.
  size_t Size() const { return bytes_.size(); }

 private:
  std::vector<uint8_t> bytes_;
};

// The four bytes BASIC's tokeniser stores for a line number after GOTO, GOSUB, RESTORE,
// THEN or ELSE: 0x8D, then the number's top two bits of each byte packed and flipped
// into the first, and its low six bits of each byte, with bit 6 set, in the other two.
std::string LineNumberToken(int number);

// A program of lineCount lines (at least 9) numbered 10, 20, ...: a REM, MODE 7, a PRINT
// of a string with teletext colour codes (red, green, graphics yellow), a FOR loop with
// a PRINT of "Hello" and a bell (0x07), DATA,
// an IF ... THEN GOTO and a GOSUB, then PRINT "LINE n" lines up to an END.
BasicProgramBuilder DemoProgram(int lineCount);
