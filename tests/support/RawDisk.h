// SPDX-License-Identifier: GPL-3.0-or-later
// Decodes a DFS catalogue (both of a Watford 62-file disk) and file data straight from
// image bytes, for checking the model and the command line against: a second,
// independent reading of the format.
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
  int catalogue = 0;  // 1 for the second catalogue of a Watford 62-file disk
};

struct RawDisk {
  std::string title;
  int bootOption = 0;
  int sectors = 0;  // the catalogue's 10-bit count, or 400 / 800 when it is malformed
  int diskSize = 0;
  int used = 0;
  int largestFree = 0;
  // 2 on a Watford 62-file disk: sector 2 starts with eight 0xAA bytes and no file of the
  // first catalogue but the guard lies in sectors 2-3. Files start at sector 2 * catalogues.
  int catalogues = 1;
  std::vector<RawEntry> entries;  // catalogue order, the first catalogue's first
};

// Where byte diskOffset of a side lies in the host file: sector n of an interleaved
// (".dsd") image is on track n / 10 of its side, tracks of the two sides alternating.
size_t RawFileOffset(bool interleaved, int side, size_t diskOffset);

// Watford DFS's guard over its second catalogue: "!.!!!!!!!", 512 bytes at sector 2.
bool IsRawWatfordGuard(const RawEntry& entry);

// The disk on side 0 or 1 of image; bytes past the end of image read as zero.
RawDisk DecodeRawDisk(const std::vector<uint8_t>& image, bool interleaved, int side);

// The entry's bytes as they lie on that side.
std::vector<uint8_t> RawFileBytes(const std::vector<uint8_t>& image, bool interleaved, int side,
                                  const RawEntry& entry);
