// SPDX-License-Identifier: GPL-3.0-or-later
// Decodes a DFS catalogue and file data straight from image bytes, for checking the
// model and the command line against: a second, independent reading of the format.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RawEntry {
  std::string name;  // the 7 stored bytes
  char directory = '$';
  bool locked = false;
  uint32_t load = 0;
  uint32_t exec = 0;
  uint32_t length = 0;
  uint32_t start = 0;
};

struct RawDisk {
  std::string title;
  int bootOption = 0;
  int sectors = 0;  // the catalogue's 10-bit count, or 400 / 800 when it is malformed
  int diskSize = 0;
  int used = 0;
  int largestFree = 0;
  std::vector<RawEntry> entries;  // catalogue order
};

// Where byte diskOffset of a side lies in the host file: sector n of an interleaved
// (".dsd") image is on track n / 10 of its side, tracks of the two sides alternating.
size_t RawFileOffset(bool interleaved, int side, size_t diskOffset);

// The disk on side 0 or 1 of image; bytes past the end of image read as zero.
RawDisk DecodeRawDisk(const std::vector<uint8_t>& image, bool interleaved, int side);

// The entry's bytes as they lie on that side.
std::vector<uint8_t> RawFileBytes(const std::vector<uint8_t>& image, bool interleaved, int side,
                                  const RawEntry& entry);
