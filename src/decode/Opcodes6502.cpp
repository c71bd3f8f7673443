// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/Opcodes6502.h"

#include <array>
#include <cctype>
#include <string>

namespace {

using enum AddressMode;

constexpr bool kCmos = true;

// Every documented opcode once; the lookup tables below are built from this list.
// The Master's 65SC12 has the 65C02 additions except the Rockwell bit instructions
// (RMB, SMB, BBR, BBS) and WAI/STP, so those are not here.
constexpr Opcode6502 kOpcodes[] = {
    // clang-format off
    {0x69, "ADC", Immediate}, {0x65, "ADC", ZeroPage}, {0x75, "ADC", ZeroPageX},
    {0x6D, "ADC", Absolute}, {0x7D, "ADC", AbsoluteX}, {0x79, "ADC", AbsoluteY},
    {0x61, "ADC", ZeroPageIndexedIndirect}, {0x71, "ADC", ZeroPageIndirectIndexed},
    {0x29, "AND", Immediate}, {0x25, "AND", ZeroPage}, {0x35, "AND", ZeroPageX},
    {0x2D, "AND", Absolute}, {0x3D, "AND", AbsoluteX}, {0x39, "AND", AbsoluteY},
    {0x21, "AND", ZeroPageIndexedIndirect}, {0x31, "AND", ZeroPageIndirectIndexed},
    {0x0A, "ASL", Accumulator}, {0x06, "ASL", ZeroPage}, {0x16, "ASL", ZeroPageX},
    {0x0E, "ASL", Absolute}, {0x1E, "ASL", AbsoluteX},
    {0x90, "BCC", Relative}, {0xB0, "BCS", Relative}, {0xF0, "BEQ", Relative},
    {0x30, "BMI", Relative}, {0xD0, "BNE", Relative}, {0x10, "BPL", Relative},
    {0x50, "BVC", Relative}, {0x70, "BVS", Relative},
    {0x24, "BIT", ZeroPage}, {0x2C, "BIT", Absolute},
    {0x00, "BRK", Implied},
    {0x18, "CLC", Implied}, {0xD8, "CLD", Implied}, {0x58, "CLI", Implied},
    {0xB8, "CLV", Implied},
    {0xC9, "CMP", Immediate}, {0xC5, "CMP", ZeroPage}, {0xD5, "CMP", ZeroPageX},
    {0xCD, "CMP", Absolute}, {0xDD, "CMP", AbsoluteX}, {0xD9, "CMP", AbsoluteY},
    {0xC1, "CMP", ZeroPageIndexedIndirect}, {0xD1, "CMP", ZeroPageIndirectIndexed},
    {0xE0, "CPX", Immediate}, {0xE4, "CPX", ZeroPage}, {0xEC, "CPX", Absolute},
    {0xC0, "CPY", Immediate}, {0xC4, "CPY", ZeroPage}, {0xCC, "CPY", Absolute},
    {0xC6, "DEC", ZeroPage}, {0xD6, "DEC", ZeroPageX}, {0xCE, "DEC", Absolute},
    {0xDE, "DEC", AbsoluteX},
    {0xCA, "DEX", Implied}, {0x88, "DEY", Implied},
    {0x49, "EOR", Immediate}, {0x45, "EOR", ZeroPage}, {0x55, "EOR", ZeroPageX},
    {0x4D, "EOR", Absolute}, {0x5D, "EOR", AbsoluteX}, {0x59, "EOR", AbsoluteY},
    {0x41, "EOR", ZeroPageIndexedIndirect}, {0x51, "EOR", ZeroPageIndirectIndexed},
    {0xE6, "INC", ZeroPage}, {0xF6, "INC", ZeroPageX}, {0xEE, "INC", Absolute},
    {0xFE, "INC", AbsoluteX},
    {0xE8, "INX", Implied}, {0xC8, "INY", Implied},
    {0x4C, "JMP", Absolute}, {0x6C, "JMP", Indirect},
    {0x20, "JSR", Absolute},
    {0xA9, "LDA", Immediate}, {0xA5, "LDA", ZeroPage}, {0xB5, "LDA", ZeroPageX},
    {0xAD, "LDA", Absolute}, {0xBD, "LDA", AbsoluteX}, {0xB9, "LDA", AbsoluteY},
    {0xA1, "LDA", ZeroPageIndexedIndirect}, {0xB1, "LDA", ZeroPageIndirectIndexed},
    {0xA2, "LDX", Immediate}, {0xA6, "LDX", ZeroPage}, {0xB6, "LDX", ZeroPageY},
    {0xAE, "LDX", Absolute}, {0xBE, "LDX", AbsoluteY},
    {0xA0, "LDY", Immediate}, {0xA4, "LDY", ZeroPage}, {0xB4, "LDY", ZeroPageX},
    {0xAC, "LDY", Absolute}, {0xBC, "LDY", AbsoluteX},
    {0x4A, "LSR", Accumulator}, {0x46, "LSR", ZeroPage}, {0x56, "LSR", ZeroPageX},
    {0x4E, "LSR", Absolute}, {0x5E, "LSR", AbsoluteX},
    {0xEA, "NOP", Implied},
    {0x09, "ORA", Immediate}, {0x05, "ORA", ZeroPage}, {0x15, "ORA", ZeroPageX},
    {0x0D, "ORA", Absolute}, {0x1D, "ORA", AbsoluteX}, {0x19, "ORA", AbsoluteY},
    {0x01, "ORA", ZeroPageIndexedIndirect}, {0x11, "ORA", ZeroPageIndirectIndexed},
    {0x48, "PHA", Implied}, {0x08, "PHP", Implied}, {0x68, "PLA", Implied},
    {0x28, "PLP", Implied},
    {0x2A, "ROL", Accumulator}, {0x26, "ROL", ZeroPage}, {0x36, "ROL", ZeroPageX},
    {0x2E, "ROL", Absolute}, {0x3E, "ROL", AbsoluteX},
    {0x6A, "ROR", Accumulator}, {0x66, "ROR", ZeroPage}, {0x76, "ROR", ZeroPageX},
    {0x6E, "ROR", Absolute}, {0x7E, "ROR", AbsoluteX},
    {0x40, "RTI", Implied}, {0x60, "RTS", Implied},
    {0xE9, "SBC", Immediate}, {0xE5, "SBC", ZeroPage}, {0xF5, "SBC", ZeroPageX},
    {0xED, "SBC", Absolute}, {0xFD, "SBC", AbsoluteX}, {0xF9, "SBC", AbsoluteY},
    {0xE1, "SBC", ZeroPageIndexedIndirect}, {0xF1, "SBC", ZeroPageIndirectIndexed},
    {0x38, "SEC", Implied}, {0xF8, "SED", Implied}, {0x78, "SEI", Implied},
    {0x85, "STA", ZeroPage}, {0x95, "STA", ZeroPageX}, {0x8D, "STA", Absolute},
    {0x9D, "STA", AbsoluteX}, {0x99, "STA", AbsoluteY},
    {0x81, "STA", ZeroPageIndexedIndirect}, {0x91, "STA", ZeroPageIndirectIndexed},
    {0x86, "STX", ZeroPage}, {0x96, "STX", ZeroPageY}, {0x8E, "STX", Absolute},
    {0x84, "STY", ZeroPage}, {0x94, "STY", ZeroPageX}, {0x8C, "STY", Absolute},
    {0xAA, "TAX", Implied}, {0xA8, "TAY", Implied}, {0xBA, "TSX", Implied},
    {0x8A, "TXA", Implied}, {0x9A, "TXS", Implied}, {0x98, "TYA", Implied},

    // The CMOS additions.
    {0x12, "ORA", ZeroPageIndirect, kCmos}, {0x32, "AND", ZeroPageIndirect, kCmos},
    {0x52, "EOR", ZeroPageIndirect, kCmos}, {0x72, "ADC", ZeroPageIndirect, kCmos},
    {0x92, "STA", ZeroPageIndirect, kCmos}, {0xB2, "LDA", ZeroPageIndirect, kCmos},
    {0xD2, "CMP", ZeroPageIndirect, kCmos}, {0xF2, "SBC", ZeroPageIndirect, kCmos},
    {0x89, "BIT", Immediate, kCmos}, {0x34, "BIT", ZeroPageX, kCmos},
    {0x3C, "BIT", AbsoluteX, kCmos},
    {0x1A, "INC", Accumulator, kCmos}, {0x3A, "DEC", Accumulator, kCmos},
    {0x04, "TSB", ZeroPage, kCmos}, {0x0C, "TSB", Absolute, kCmos},
    {0x14, "TRB", ZeroPage, kCmos}, {0x1C, "TRB", Absolute, kCmos},
    {0x64, "STZ", ZeroPage, kCmos}, {0x74, "STZ", ZeroPageX, kCmos},
    {0x9C, "STZ", Absolute, kCmos}, {0x9E, "STZ", AbsoluteX, kCmos},
    {0x80, "BRA", Relative, kCmos},
    {0x5A, "PHY", Implied, kCmos}, {0x7A, "PLY", Implied, kCmos},
    {0xDA, "PHX", Implied, kCmos}, {0xFA, "PLX", Implied, kCmos},
    {0x7C, "JMP", AbsoluteIndexedIndirect, kCmos},
    // clang-format on
};

struct OpcodeTables {
  std::array<const Opcode6502*, 256> nmos{};
  std::array<const Opcode6502*, 256> cmos{};
};

constexpr OpcodeTables BuildTables() {
  OpcodeTables tables;
  for (const Opcode6502& opcode : kOpcodes) {
    if (!opcode.cmosOnly) {
      tables.nmos[opcode.code] = &opcode;
    }
    tables.cmos[opcode.code] = &opcode;
  }
  return tables;
}

constexpr OpcodeTables kTables = BuildTables();

}  // namespace

std::string_view CpuName(Cpu6502 cpu) {
  return cpu == Cpu6502::Cmos65C02 ? "65C02" : "6502";
}

std::optional<Cpu6502> ParseCpu(std::string_view text) {
  std::string lower;
  for (char c : text) {
    lower += char(std::tolower(static_cast<unsigned char>(c)));
  }
  if (lower == "6502") {
    return Cpu6502::Nmos6502;
  }
  if (lower == "65c02") {
    return Cpu6502::Cmos65C02;
  }
  return std::nullopt;
}

int InstructionLength(AddressMode mode) {
  switch (mode) {
    case Implied:
    case Accumulator:
      return 1;
    case Immediate:
    case ZeroPage:
    case ZeroPageX:
    case ZeroPageY:
    case ZeroPageIndexedIndirect:
    case ZeroPageIndirectIndexed:
    case ZeroPageIndirect:
    case Relative:
      return 2;
    case Absolute:
    case AbsoluteX:
    case AbsoluteY:
    case Indirect:
    case AbsoluteIndexedIndirect:
      return 3;
  }
  return 1;
}

ControlFlow FlowOf(const Opcode6502& opcode) {
  const std::string_view name = opcode.mnemonic;
  if (name == "BRA") {
    return ControlFlow::Jump;
  }
  if (opcode.mode == Relative) {
    return ControlFlow::Branch;
  }
  if (name == "JMP") {
    return opcode.mode == Absolute ? ControlFlow::Jump : ControlFlow::Stop;
  }
  if (name == "JSR") {
    return ControlFlow::Call;
  }
  if (name == "RTS" || name == "RTI" || name == "BRK") {
    return ControlFlow::Stop;
  }
  return ControlFlow::Next;
}

const Opcode6502* LookUpOpcode(uint8_t code, Cpu6502 cpu) {
  return cpu == Cpu6502::Cmos65C02 ? kTables.cmos[code] : kTables.nmos[code];
}
