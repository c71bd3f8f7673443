// SPDX-License-Identifier: GPL-3.0-or-later
// Reads a PNG file back with libpng as 8-bit RGB, for tests that check written pictures
// pixel by pixel.
#pragma once

#include <string>

#include "decode/ScreenRaster.h"

struct PngReadBack {
  bool ok = false;
  ScreenRaster raster;
  std::string error;  // libpng's reason when ok is false
};

PngReadBack ReadPngFile(const std::string& path);
