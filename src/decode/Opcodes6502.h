// SPDX-License-Identifier: GPL-3.0-or-later
// The instruction sets the disassembler decodes, as data: the 151 documented opcodes of
// the NMOS 6502 (BBC Micro model B) and the CMOS additions of the Master's 65SC12.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

enum class Cpu6502 : uint8_t { Nmos6502, Cmos65C02 };

// "6502" or "65C02", as the CPU choice shows it.
std::string_view CpuName(Cpu6502 cpu);
// Reads "6502" or "65c02" (any case); nothing for anything else.
std::optional<Cpu6502> ParseCpu(std::string_view text);

enum class AddressMode : uint8_t {
  Implied,                  // RTS
  Accumulator,              // ASL A
  Immediate,                // LDA #&41
  ZeroPage,                 // LDA &70
  ZeroPageX,                // LDA &70,X
  ZeroPageY,                // LDX &70,Y
  Absolute,                 // LDA &1234
  AbsoluteX,                // LDA &1234,X
  AbsoluteY,                // LDA &1234,Y
  Indirect,                 // JMP (&1234)
  ZeroPageIndexedIndirect,  // LDA (&70,X)
  ZeroPageIndirectIndexed,  // LDA (&70),Y
  ZeroPageIndirect,         // LDA (&70), 65C02
  AbsoluteIndexedIndirect,  // JMP (&1234,X), 65C02
  Relative,                 // BNE &1234
};

// What an instruction does to the flow of control, for tracing.
enum class ControlFlow : uint8_t {
  Next,    // carries on with the next instruction
  Branch,  // may go to its target or carry on
  Jump,    // goes to its target and does not come back (JMP, BRA)
  Call,    // goes to its target and comes back (JSR)
  Stop,    // RTS, RTI, BRK, and jumps through a pointer
};

struct Opcode6502 {
  uint8_t code = 0;
  std::string_view mnemonic;
  AddressMode mode = AddressMode::Implied;
  bool cmosOnly = false;
};

// Bytes taken by an instruction in this mode, the opcode included (1 to 3).
int InstructionLength(AddressMode mode);
ControlFlow FlowOf(const Opcode6502& opcode);
// The documented instruction for this byte on this CPU, or nothing: an undocumented
// opcode is never guessed at.
const Opcode6502* LookUpOpcode(uint8_t code, Cpu6502 cpu);
