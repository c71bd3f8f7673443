#include "decode/ScreenRaster.h"

#include <algorithm>

ScreenRaster::ScreenRaster(int rasterWidth, int rasterHeight)
    : width(rasterWidth),
      height(rasterHeight),
      rgb(static_cast<size_t>(rasterWidth) * static_cast<size_t>(rasterHeight) * 3, 0) {}

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

void ScreenRaster::FillRect(int x, int y, int w, int h, uint32_t colour) {
  int left = std::max(x, 0);
  int right = std::min(x + w, width);
  int top = std::max(y, 0);
  int bottom = std::min(y + h, height);
  for (int row = top; row < bottom; ++row) {
    for (int column = left; column < right; ++column) {
      SetPixel(column, row, colour);
    }
  }
}

uint32_t PhysicalColourRgb(uint8_t physical) {
  // Bit 0 drives the red gun, bit 1 green, bit 2 blue, each fully on or off.
  uint8_t steady = physical & 7;
  return ((steady & 1) ? 0xFF0000u : 0) | ((steady & 2) ? 0x00FF00u : 0) |
         ((steady & 4) ? 0x0000FFu : 0);
}
