// SPDX-License-Identifier: GPL-3.0-or-later
// Disassembles one file's bytes as 6502 machine code placed at its load address: code
// found by tracing from its entry points, data in between, labels for the targets of
// branches, jumps and calls, MOS names for the BBC Micro's entry points and vectors, and
// comments naming the common OSBYTE and OSWORD calls.
//
// Each line is one of
//   1900  A9 41     LDA #&41
//   1902  20 EE FF  JSR OSWRCH  ; optional comment
//   1905  01 02 03  EQUB &01,&02,&03
//   1908  48 49 21 21  EQUS "HI!!"
//   .L1900
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "decode/Opcodes6502.h"

// Where machine code starts after a BBC BASIC program: the offset just past the end
// marker 0x0D 0xFF, when the bytes walk as BASIC lines (0x0D, line number high byte
// 0x00-0x7F, low byte, length of at least 4) from offset 0 to that marker and at least
// one byte follows it. Nothing otherwise.
std::optional<size_t> MachineCodeAfterBasic(std::span<const uint8_t> bytes);

struct DisassemblyInput {
  // Only read during Disassemble().
  std::span<const uint8_t> bytes;
  // Catalogue addresses; only the low 16 bits count (FFxxxx means the I/O processor).
  uint32_t loadAddress = 0;
  uint32_t execAddress = 0;
  Cpu6502 cpu = Cpu6502::Nmos6502;
  // The first byte of machine code after a BASIC program, traced as code.
  std::optional<size_t> machineCodeOffset;
  // Entry points the user added, as file offsets or as addresses. They are traced
  // before the file's own, so they win where the two disagree about a byte.
  std::vector<size_t> entryOffsets;
  std::vector<uint32_t> entryAddresses;
};

// The input for a catalogued file, with the machine code after a BASIC program found.
DisassemblyInput DisassemblyInputForFile(std::span<const uint8_t> bytes, uint32_t loadAddress,
                                         uint32_t execAddress, Cpu6502 cpu);

enum class DisassemblyLineKind : uint8_t { Instruction, Data, Label };

enum class DisassemblySpanKind : uint8_t { Address, Bytes, Mnemonic, Operand, Label, Comment };

// A run of a line's text to colour. A label inside an operand that names a line of this
// file carries that line's address, for jumping to it.
struct DisassemblySpan {
  uint16_t start = 0;
  uint16_t length = 0;
  DisassemblySpanKind kind = DisassemblySpanKind::Operand;
  bool hasTarget = false;
  uint16_t target = 0;
};

struct DisassemblyLine {
  static constexpr size_t kMaxSpans = 8;

  DisassemblyLineKind kind = DisassemblyLineKind::Data;
  uint16_t address = 0;
  // The bytes of the file this line shows; a label line shows none and has the offset
  // of the line after it.
  size_t offset = 0;
  size_t byteCount = 0;
  std::string text;
  std::array<DisassemblySpan, kMaxSpans> spanStorage{};
  uint8_t spanCount = 0;

  std::span<const DisassemblySpan> Spans() const { return {spanStorage.data(), spanCount}; }
  // The address of the line the operand's label names, if it names one in this file.
  std::optional<uint16_t> JumpTarget() const;
};

struct Disassembly {
  uint16_t loadAddress = 0;
  size_t size = 0;
  // In file order; together the lines cover every byte exactly once.
  std::vector<DisassemblyLine> lines;
  // Entry points the user gave that lie outside the file, and so were not traced.
  std::vector<size_t> entryOffsetsOutside;
  std::vector<uint32_t> entryAddressesOutside;

  // Every line followed by "\n", as the command line prints it.
  std::string Text() const;
  // The lines first to last (inclusive) the same way, for copying a selection.
  std::string Text(size_t first, size_t last) const;
  // The line holding the byte at this offset; nothing past the end.
  std::optional<size_t> LineOfOffset(size_t offset) const;
  // The line at this address: its label line when it has one, else the line holding
  // the byte there. Nothing for an address outside the file.
  std::optional<size_t> LineOfAddress(uint16_t address) const;
};

Disassembly Disassemble(const DisassemblyInput& input);
