// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/PngReadBack.h"

#include <png.h>

PngReadBack ReadPngFile(const std::string& path) {
  PngReadBack result;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) {
    result.error = image.message;
    return result;
  }
  image.format = PNG_FORMAT_RGB;
  result.raster = ScreenRaster(int(image.width), int(image.height));
  if (!png_image_finish_read(&image, nullptr, result.raster.rgb.data(), 0, nullptr)) {
    result.error = image.message;
    return result;
  }
  result.ok = true;
  return result;
}
