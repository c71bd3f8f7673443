// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/ScreenRaster.h"

#include <algorithm>

ScreenRaster::ScreenRaster(int rasterWidth, int rasterHeight)
    : width(std::max(rasterWidth, 0)),
      height(std::max(rasterHeight, 0)),
      rgb(static_cast<size_t>(width) * static_cast<size_t>(height) * 3, 0) {}

uint32_t ScreenRaster::Pixel(int x, int y) const {
  const uint8_t* pixel = &rgb[(static_cast<size_t>(y) * static_cast<size_t>(width) + x) * 3];
  return (uint32_t(pixel[0]) << 16) | (uint32_t(pixel[1]) << 8) | pixel[2];
}

void ScreenRaster::SetPixel(int x, int y, uint32_t colour) {
  uint8_t* pixel = &rgb[(static_cast<size_t>(y) * static_cast<size_t>(width) + x) * 3];
  pixel[0] = uint8_t(colour >> 16);
  pixel[1] = uint8_t(colour >> 8);
  pixel[2] = uint8_t(colour);
}

uint32_t PhysicalColourRgb(uint8_t physical) {
  // Bit 0 drives the red gun, bit 1 green, bit 2 blue, each fully on or off.
  uint8_t steady = physical & 7;
  return ((steady & 1) ? 0xFF0000u : 0) | ((steady & 2) ? 0x00FF00u : 0) |
         ((steady & 4) ? 0x0000FFu : 0);
}
