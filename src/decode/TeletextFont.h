// SPDX-License-Identifier: GPL-3.0-or-later
// The teletext character generator's alphanumeric font: the English character set of
// a Mullard SAA5050, drawn as its 5 x 9 dot matrix in a 6 x 10 dot cell and scaled to
// 12 x 20 pixels with the chip's character rounding.
#pragma once

#include <array>
#include <cstdint>

constexpr int kTeletextCellWidth = 12;
constexpr int kTeletextCellHeight = 20;

// One character cell, a row per pixel line from the top; pixel x of a row is bit
// (kTeletextCellWidth - 1 - x), so bit 11 is the leftmost pixel.
using TeletextCellBitmap = std::array<uint16_t, kTeletextCellHeight>;

// The glyph of code 0x20-0x7F (bit 7 ignored; codes below 0x20 draw as spaces). In this
// set 0x23 is a pound sign and 0x5B-0x60 and 0x7B-0x7E are the arrows, fractions and
// signs that take the places of [ \ ] ^ _ ` { | } ~.
const TeletextCellBitmap& TeletextGlyph(uint8_t code);

// The undoubled dot matrix of code: 10 rows of 6 dots, bit 5 the leftmost dot. The
// glyph sits in rows 1-9 and dot columns 1-5.
using TeletextDotMatrix = std::array<uint8_t, 10>;
TeletextDotMatrix TeletextDots(uint8_t code);

// A dot matrix scaled to the 12 x 20 cell: each dot becomes 2 x 2 pixels, and where two
// dots touch only at a corner the chip lights the half dots on either side of the
// corner on the two pixel lines that meet there, so diagonals come out smooth.
TeletextCellBitmap RoundTeletextDots(const TeletextDotMatrix& dots);
