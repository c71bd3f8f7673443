// SPDX-License-Identifier: GPL-3.0-or-later
// What the content of an image file says about its layout, whatever its name says:
// a linear single-sided image or an interleaved double-sided one, and whether a side
// holds a Watford DFS 62-file catalogue. Used when an image is opened, so that a file
// whose name and content disagree is never written through the wrong layout.
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

// Whether the disk whose sector 2 starts at byte sector2Offset of the host file holds a
// Watford DFS 62-file disk's second catalogue: eight 0xAA bytes at the start of sector 2.
bool HasWatfordCatalogue(SStream& image, int64_t sector2Offset);

// The message for an image whose name says byName and whose content says found.
std::string LayoutMismatchMessage(const std::string& path, ImageLayout byName, ImageLayout found);

inline constexpr const char* kWatfordReadOnlyMessage =
    "This is a Watford DFS 62-file disk. Kestrow cannot change such a disk yet without "
    "overwriting its second catalogue (sectors 2 and 3) and the files it lists, so it is "
    "opened read-only.";
