// SPDX-License-Identifier: GPL-3.0-or-later
// Reads a disassembly listing back, independently of the disassembler's own tables: a
// small BBC BASIC-syntax 6502 assembler and a checker for the listing's line format.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "decode/Opcodes6502.h"

struct AssembledInstruction {
  std::vector<uint8_t> bytes;
  std::string error;  // empty when assembled
};

// Assembles one instruction at address: "LDA", "(&70),Y". Operands are &HH (zero page),
// &HHHH (absolute), a name from names, or a name followed by +1.
AssembledInstruction AssembleInstruction(std::string_view mnemonic, std::string_view operand,
                                         uint16_t address, Cpu6502 cpu,
                                         const std::map<std::string, uint16_t>& names);

// The BBC Micro's MOS entry points and vectors by name, as a listing may use them.
const std::map<std::string, uint16_t>& MosNamesForAssembly();

// Checks the text of a listing of bytes loaded at load: every line in the listing's
// format; the lines cover every byte once, in order, at its address; each line's bytes
// column shows the file's bytes; each instruction re-assembles to them, each EQUB and
// EQUS gives them back; each label line stands just before the line at its address.
// Returns "" or the first problem, quoting the line.
std::string CheckListing(const std::string& text, const std::vector<uint8_t>& bytes, uint16_t load,
                         Cpu6502 cpu);

// Whether the assembler above has an instruction with this opcode on cpu.
bool AssemblerKnowsOpcode(uint8_t code, Cpu6502 cpu);
