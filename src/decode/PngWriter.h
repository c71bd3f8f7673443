// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a screen raster as an 8-bit RGB PNG file, one PNG pixel per raster pixel.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "decode/ScreenRaster.h"

class FaultPlan;

// The PNG file's bytes for raster. Raises std::invalid_argument for a raster with no
// pixels or whose byte count is not width x height x 3, and std::runtime_error when
// the encoder fails.
std::vector<uint8_t> EncodePng(const ScreenRaster& raster);

// Writes the PNG to path, replacing any file there. The bytes go to a new temporary
// file in the same folder, are flushed to the disk and only then renamed over path, so
// a failure leaves the old file (or none) and no partial file behind. Failures of the
// file system raise FileSystemError naming path; faults (tests only) is installed on
// the temporary file's stream.
void WritePng(const ScreenRaster& raster, const std::string& path,
              std::shared_ptr<FaultPlan> faults = nullptr);
