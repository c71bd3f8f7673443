// SPDX-License-Identifier: GPL-3.0-or-later
// What the BBC Micro's operating system calls its entry points, vectors and the
// OSBYTE and OSWORD calls, for the disassembler's labels and comments.
#pragma once

#include <cstdint>
#include <string_view>

// The name of the MOS entry point at this address (OSWRCH for &FFEE ...), or "".
std::string_view MosEntryName(uint16_t address);
// The name of the vector whose low byte is at this address (WRCHV for &020E ...), or "".
std::string_view MosVectorName(uint16_t address);
// What OSBYTE does with this value in A ("Read key with time limit" for &81 ...), or ""
// for a call that is not listed.
std::string_view OsbyteCallName(uint8_t call);
// The same for OSWORD.
std::string_view OswordCallName(uint8_t call);
