// SPDX-License-Identifier: GPL-3.0-or-later
// The keyword tokens of BBC BASIC II with the BASIC IV (Master) addition (EDIT), kept as data
// in one place, and the three-byte line numbers that follow token 0x8D.
#pragma once

#include <cstdint>
#include <string_view>

inline constexpr uint8_t kFirstToken = 0x80;
inline constexpr uint8_t kLineNumberToken = 0x8D;
inline constexpr uint8_t kDataToken = 0xDC;
inline constexpr uint8_t kRemToken = 0xF4;

// The word a token byte (0x80-0xFF) lists as. The pseudo-variables PTR, PAGE, TIME,
// LOMEM and HIMEM have a reading token (0x8F-0x93) and an assigning one (0xCF-0xD3) that
// list as the same word. Empty for 0x8D, which introduces a line number, and for bytes
// below 0x80.
std::string_view TokenWord(uint8_t token);

// The line number held in the three bytes after 0x8D, as the BASIC ROM decodes it:
// low = ((b1 << 2) AND 0xC0) XOR b2, high = ((b1 << 4) AND 0xC0) XOR b3.
int DecodeLineNumber(uint8_t b1, uint8_t b2, uint8_t b3);
