// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/BasicTokens.h"

#include <array>

namespace {

// Indexed by token - 0x80.
// clang-format off
constexpr std::array<std::string_view, 128> kTokenWords = {
    // 0x80
    "AND", "DIV", "EOR", "MOD", "OR", "ERROR", "LINE", "OFF",
    "STEP", "SPC", "TAB(", "ELSE", "THEN", "", "OPENIN", "PTR",
    // 0x90
    "PAGE", "TIME", "LOMEM", "HIMEM", "ABS", "ACS", "ADVAL", "ASC",
    "ASN", "ATN", "BGET", "COS", "COUNT", "DEG", "ERL", "ERR",
    // 0xA0
    "EVAL", "EXP", "EXT", "FALSE", "FN", "GET", "INKEY", "INSTR(",
    "INT", "LEN", "LN", "LOG", "NOT", "OPENUP", "OPENOUT", "PI",
    // 0xB0
    "POINT(", "POS", "RAD", "RND", "SGN", "SIN", "SQR", "TAN",
    "TO", "TRUE", "USR", "VAL", "VPOS", "CHR$", "GET$", "INKEY$",
    // 0xC0
    "LEFT$(", "MID$(", "RIGHT$(", "STR$", "STRING$(", "EOF", "AUTO", "DELETE",
    "LOAD", "LIST", "NEW", "OLD", "RENUMBER", "SAVE", "EDIT", "PTR",
    // 0xD0
    "PAGE", "TIME", "LOMEM", "HIMEM", "SOUND", "BPUT", "CALL", "CHAIN",
    "CLEAR", "CLOSE", "CLG", "CLS", "DATA", "DEF", "DIM", "DRAW",
    // 0xE0
    "END", "ENDPROC", "ENVELOPE", "FOR", "GOSUB", "GOTO", "GCOL", "IF",
    "INPUT", "LET", "LOCAL", "MODE", "MOVE", "NEXT", "ON", "VDU",
    // 0xF0
    "PLOT", "PRINT", "PROC", "READ", "REM", "REPEAT", "REPORT", "RESTORE",
    "RETURN", "RUN", "STOP", "COLOUR", "TRACE", "UNTIL", "WIDTH", "OSCLI",
};
// clang-format on

}  // namespace

std::string_view TokenWord(uint8_t token) {
  return token < kFirstToken ? std::string_view() : kTokenWords[token - kFirstToken];
}

int DecodeLineNumber(uint8_t b1, uint8_t b2, uint8_t b3) {
  int low = ((b1 << 2) & 0xC0) ^ b2;
  int high = ((b1 << 4) & 0xC0) ^ b3;
  return high * 256 + low;
}
