// SPDX-License-Identifier: GPL-3.0-or-later
// MODE 7: a page of 40 x 25 teletext character codes laid out and drawn as a Mullard
// SAA5050 character generator shows it, at 12 x 20 pixels a cell (480 x 500 in all).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "decode/ScreenRaster.h"
#include "decode/TeletextFont.h"

constexpr int kTeletextColumns = 40;
constexpr int kTeletextRows = 25;

enum class TeletextHeight : uint8_t {
  kNormal,
  kTop,     // the upper half of a double-height character
  kBottom,  // the lower half, on the row under a row with double height
};

// What one cell shows once the control codes before it on its row have acted.
struct TeletextCell {
  uint8_t code = 0x20;     // 0x20-0x7F; control codes, concealed and missing cells show 0x20
  bool mosaic = false;     // 2 x 3 blocks from the code's bits rather than a letter
  bool separated = false;  // separated rather than contiguous blocks
  uint8_t foreground = kWhite;
  uint8_t background = kBlack;
  TeletextHeight height = TeletextHeight::kNormal;

  friend bool operator==(const TeletextCell&, const TeletextCell&) = default;
};

// The cells of a page, row by row. Bytes 0x80-0xFF act as 0x00-0x7F; bytes past the
// first 1000 are ignored, and cells the memory does not reach are blank and black.
//
// Each row starts with white alphanumerics on black, contiguous, normal height, hold
// released. The codes 0x01-0x07 (alphanumeric colour), 0x11-0x17 (graphics colour),
// 0x08 (flash), 0x0D (double height) and 0x1F (release graphics) take effect from the
// next cell; 0x09 (steady), 0x0C (normal height), 0x18 (conceal), 0x19 (contiguous),
// 0x1A (separated), 0x1C (black background), 0x1D (new background: the foreground
// colour) and 0x1E (hold graphics) from their own cell. A control cell shows a space, or
// under hold graphics the last mosaic shown (cleared by a change between alphanumerics
// and graphics or of height). In graphics, codes 0x40-0x5F still show capitals. A colour
// code ends conceal, which shows spaces. Flash is drawn steady. A row holding double
// height makes the next row its lower half: that row shows the lower halves of its own
// double-height characters and spaces for its normal-height ones.
std::vector<TeletextCell> LayOutTeletext(std::span<const uint8_t> memory);

// The 2 x 3 block picture of a mosaic code: bits 0/1 the top left/right, 2/3 the middle,
// 4/6 the bottom, in a cell split 6 + 6 pixels across and 6 + 8 + 6 lines down. A
// separated block loses its left two pixels and bottom two lines.
TeletextCellBitmap TeletextMosaic(uint8_t code, bool separated);

// The 12 x 20 pixels of a cell in its own colours, doubled in height for double-height
// halves.
void DrawTeletextCell(ScreenRaster& raster, int column, int row, const TeletextCell& cell);

ScreenRaster RenderTeletext(std::span<const uint8_t> memory);
