// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/ScreenModes.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "decode/Teletext.h"

namespace {

// clang-format off
constexpr std::array<ScreenModeInfo, 8> kModes = {{
    // mode  width height colours px/byte bytes/row rows rows/char start  size
    {0,      640,  256,   2,      8,      640,      32,  8,        0x3000, 0x5000},
    {1,      320,  256,   4,      4,      640,      32,  8,        0x3000, 0x5000},
    {2,      160,  256,   16,     2,      640,      32,  8,        0x3000, 0x5000},
    {3,      640,  250,   2,      8,      640,      25,  10,       0x4000, 0x4000},
    {4,      320,  256,   2,      8,      320,      32,  8,        0x5800, 0x2800},
    {5,      160,  256,   4,      4,      320,      32,  8,        0x5800, 0x2800},
    {6,      320,  250,   2,      8,      320,      25,  10,       0x6000, 0x2000},
    {7,      480,  500,   8,      0,      40,       25,  20,       0x7C00, 0x0400},
}};
// clang-format on

// The logical colour of pixel p (0 = leftmost) of one screen byte, for every byte, in
// the three ways a byte holds pixels.
struct PixelTables {
  uint8_t twoColour[256][8];
  uint8_t fourColour[256][4];
  uint8_t sixteenColour[256][2];

  PixelTables() {
    for (int value = 0; value < 256; ++value) {
      // Two colours: bit 7 is the leftmost pixel.
      for (int p = 0; p < 8; ++p) {
        twoColour[value][p] = uint8_t((value >> (7 - p)) & 1);
      }
      // Four colours: pixel p takes its high bit from bit 7 - p and its low bit from 3 - p.
      for (int p = 0; p < 4; ++p) {
        fourColour[value][p] = uint8_t(((value >> (7 - p)) & 1) * 2 + ((value >> (3 - p)) & 1));
      }
      // Sixteen colours: the left pixel is bits 7, 5, 3, 1 and the right one bits 6, 4, 2,
      // 0, most significant first.
      for (int p = 0; p < 2; ++p) {
        int colour = 0;
        for (int bit = 7 - p; bit >= 0; bit -= 2) {
          colour = colour * 2 + ((value >> bit) & 1);
        }
        sixteenColour[value][p] = uint8_t(colour);
      }
    }
  }

  const uint8_t* For(int pixelsPerByte, uint8_t value) const {
    switch (pixelsPerByte) {
      case 8:
        return twoColour[value];
      case 4:
        return fourColour[value];
      default:
        return sixteenColour[value];
    }
  }
};

const PixelTables& Tables() {
  static const PixelTables tables;
  return tables;
}

}  // namespace

bool IsScreenMode(int mode) {
  return mode >= kFirstScreenMode && mode <= kLastScreenMode;
}

const ScreenModeInfo& ScreenMode(int mode) {
  if (!IsScreenMode(mode)) {
    throw std::invalid_argument("There is no screen mode " + std::to_string(mode));
  }
  return kModes[size_t(mode)];
}

ScreenPalette DefaultPalette(int mode) {
  ScreenPalette palette{};
  for (size_t index = 0; index < palette.size(); ++index) {
    palette[index] = uint8_t(index);
  }
  switch (ScreenMode(mode).colours) {
    case 2:
      palette[1] = kWhite;
      break;
    case 4:
      palette[1] = kRed;
      palette[2] = kYellow;
      palette[3] = kWhite;
      break;
    default:
      break;
  }
  return palette;
}

std::vector<uint8_t> LogicalPixels(std::span<const uint8_t> memory, int mode) {
  const ScreenModeInfo& info = ScreenMode(mode);
  if (info.pixelsPerByte == 0) {
    throw std::invalid_argument("MODE 7 holds characters, not pixels");
  }
  std::vector<uint8_t> pixels(size_t(info.width) * size_t(info.height), kNoPixel);
  const PixelTables& tables = Tables();
  size_t available = std::min<size_t>(memory.size(), info.screenSize);
  int cellsPerRow = info.bytesPerCharacterRow / 8;
  for (int characterRow = 0; characterRow < info.characterRows; ++characterRow) {
    size_t rowStart = size_t(characterRow) * size_t(info.bytesPerCharacterRow);
    for (int cell = 0; cell < cellsPerRow; ++cell) {
      for (int line = 0; line < 8; ++line) {
        size_t offset = rowStart + size_t(cell) * 8 + size_t(line);
        if (offset >= available) {
          return pixels;
        }
        const uint8_t* colours = tables.For(info.pixelsPerByte, memory[offset]);
        int y = characterRow * info.pixelRowsPerCharacterRow + line;
        uint8_t* out = &pixels[size_t(y) * size_t(info.width) + size_t(cell * info.pixelsPerByte)];
        for (int p = 0; p < info.pixelsPerByte; ++p) {
          out[p] = colours[p];
        }
      }
    }
  }
  return pixels;
}

ScreenRaster RenderScreen(std::span<const uint8_t> memory, int mode, const ScreenPalette& palette) {
  if (mode == kTeletextMode) {
    return RenderTeletext(memory);
  }
  const ScreenModeInfo& info = ScreenMode(mode);
  std::vector<uint8_t> pixels = LogicalPixels(memory, mode);
  std::array<uint32_t, 256> rgbOf{};  // kNoPixel and unused entries stay black
  for (int logical = 0; logical < info.colours; ++logical) {
    rgbOf[size_t(logical)] = PhysicalColourRgb(palette[size_t(logical)]);
  }
  ScreenRaster raster(info.width, info.height);
  uint8_t* out = raster.rgb.data();
  for (uint8_t logical : pixels) {
    uint32_t colour = rgbOf[logical];
    *out++ = uint8_t(colour >> 16);
    *out++ = uint8_t(colour >> 8);
    *out++ = uint8_t(colour);
  }
  return raster;
}

ScreenRaster RenderScreen(std::span<const uint8_t> memory, int mode) {
  return RenderScreen(memory, mode, DefaultPalette(mode));
}
