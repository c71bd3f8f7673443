// SPDX-License-Identifier: GPL-3.0-or-later
// What the content of an image file says about its layout, whatever its name says:
// a linear single-sided image or an interleaved double-sided one. Used when an image is
// opened, so that a file whose name and content disagree is never written through the
// wrong layout.
#pragma once

#include <cstdint>
#include <string>

#include "util/Useful.h"

enum class ImageLayout { LinearSingleSided, InterleavedDoubleSided };

struct LayoutFindings {
  // What the content suggests; the name's layout when the content says nothing either way
  // (a file too short to hold a second side's catalogue).
  ImageLayout layout = ImageLayout::LinearSingleSided;
  // Whether the content decided, rather than the name.
  bool fromContent = false;
};

// Looks for the mark of an interleaved image: the catalogue of track 0, side 1 (at byte
// 2560) holds a count byte that is a multiple of 8 and at most 248, and the same 10-bit
// sector count as side 0, from 2 to 1023. A linear image almost never does, since byte
// 2560 is then sector 10, file data.
LayoutFindings DetectLayout(SStream& image, ImageLayout byName);

// The message for an image whose name says byName and whose content says found.
std::string LayoutMismatchMessage(const std::string& path, ImageLayout byName, ImageLayout found);

// Sector 2 starts with the Watford 62-file mark, yet a file of the first catalogue lies
// there: either reading could be wrong, so nothing is written.
inline constexpr const char* kWatfordReadOnlyMessage =
    "Sector 2 of this disk starts with the mark of a Watford DFS 62-file disk, but its first "
    "catalogue lists a file there. Kestrow cannot tell which is right without risking the "
    "files of one or the other, so the disk is opened read-only as an Acorn DFS disk.";
