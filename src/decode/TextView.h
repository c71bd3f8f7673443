// SPDX-License-Identifier: GPL-3.0-or-later
// Any file as text, the way *TYPE shows it: CR, LF, CR LF and LF CR each end a line,
// and every other byte outside 0x20-0x7E is written as \xHH (an Escape span).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "decode/ListingLine.h"

// One line per line ending, plus a last line for bytes after the last ending; an empty
// file has no lines. Each line's offset is that of its first byte (of its line ending,
// for an empty line).
std::vector<ListingLine> TextViewLines(std::span<const uint8_t> bytes);
