// SPDX-License-Identifier: GPL-3.0-or-later
// A file's disassembly as listing lines, for the inspector's Assembler tab and for
// kestrow-dfs disasm: the same text as Disassembly::Text(), spans coloured by the part
// of the line they are (address, bytes, mnemonic, operand, label, comment), and every
// label operand that names a line of the file linked to that line's index.
#pragma once

#include "decode/Disassembler6502.h"
#include "decode/FileListing.h"

// Fails, with the reason as its note, when an entry point the user gave lies outside the
// file; the lines are complete all the same.
FileListing ListMachineCode(const DisassemblyInput& input);
