// SPDX-License-Identifier: GPL-3.0-or-later
// The picture a screen decoder produces: a plain RGB raster at the screen's native
// grid, and the BBC Micro's eight physical colours.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// width x height pixels, three bytes (red, green, blue) each, row by row from the top
// left. A new raster is black.
struct ScreenRaster {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;

  ScreenRaster() = default;
  // Black; a negative size counts as 0.
  ScreenRaster(int rasterWidth, int rasterHeight);

  // 0xRRGGBB of the pixel at (x, y); the caller keeps x and y inside the raster.
  uint32_t Pixel(int x, int y) const;
  void SetPixel(int x, int y, uint32_t colour);

  friend bool operator==(const ScreenRaster&, const ScreenRaster&) = default;
};

// The physical colours in the order the hardware numbers them.
enum PhysicalColour : uint8_t {
  kBlack = 0,
  kRed = 1,
  kGreen = 2,
  kYellow = 3,
  kBlue = 4,
  kMagenta = 5,
  kCyan = 6,
  kWhite = 7,
};

// 0xRRGGBB of physical colour 0-15. Colours 8-15 flash between colour - 8 and its
// complement; a still picture shows the first of the two.
uint32_t PhysicalColourRgb(uint8_t physical);
