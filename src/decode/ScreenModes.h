// SPDX-License-Identifier: GPL-3.0-or-later
// BBC Micro screen memory to pictures: the layout of each screen mode, the palettes of
// logical to physical colours, and the decoding of a screen dump into pixels.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "decode/ScreenRaster.h"

// The facts of one screen mode. Modes 0-6 are bitmaps laid out in character cells of 8
// bytes, one byte per pixel row; cells run left to right along a character row and
// character rows run top to bottom. MODE 7 is 40 x 25 teletext character codes.
struct ScreenModeInfo {
  int mode;
  int width;                     // native pixels across
  int height;                    // native pixel rows
  int colours;                   // logical colours (MODE 7: the 8 teletext colours)
  int pixelsPerByte;             // 8, 4 or 2 (MODE 7: 0, bytes are characters)
  int bytesPerCharacterRow;      // 640 or 320 (MODE 7: 40)
  int characterRows;             // 32 or 25
  int pixelRowsPerCharacterRow;  // 8; 10 in modes 3 and 6, whose last two rows are blank
  uint32_t screenStart;          // where the screen sits in memory
  uint32_t screenSize;           // bytes of screen memory, from screenStart to 0x8000
};

constexpr int kFirstScreenMode = 0;
constexpr int kLastScreenMode = 7;
constexpr int kTeletextMode = 7;

bool IsScreenMode(int mode);
// The facts of mode 0-7; raises std::invalid_argument for any other number.
const ScreenModeInfo& ScreenMode(int mode);

// Logical colour n is shown as physical colour palette[n] (0-15). Entries past the
// mode's colours are unused.
using ScreenPalette = std::array<uint8_t, 16>;

// The palette a mode starts with: black and white for two colours; black, red, yellow
// and white for four; in MODE 2 logical colour n is physical colour n.
ScreenPalette DefaultPalette(int mode);

// Marks a pixel the screen memory does not reach: a short file's missing bytes and the
// blank rows under each character row of modes 3 and 6. It is drawn black whatever the
// palette says.
constexpr uint8_t kNoPixel = 0xFF;

// The logical colour of each pixel of a bitmap mode (0-6), width x height, row by row;
// kNoPixel where memory holds nothing. Bytes past the screen size are ignored.
std::vector<uint8_t> LogicalPixels(std::span<const uint8_t> memory, int mode);

// The picture of memory in mode at the mode's native grid. MODE 7 draws teletext (the
// palette has no part in it). A short file draws what it has; the rest stays black.
ScreenRaster RenderScreen(std::span<const uint8_t> memory, int mode, const ScreenPalette& palette);
ScreenRaster RenderScreen(std::span<const uint8_t> memory, int mode);
