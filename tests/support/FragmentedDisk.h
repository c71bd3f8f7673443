// SPDX-License-Identifier: GPL-3.0-or-later
// Fragmented disks for the compaction suites and benchmark, and the check of what a
// compaction (whole, interrupted or failed) may leave behind.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/ImageBuilder.h"
#include "support/RawDisk.h"

// One file of a fragmented disk: its data is PatternBytes(length, seed).
struct PlacedFile {
  std::string name;
  uint32_t startSector = 2;
  uint32_t length = 256;
  bool locked = false;
  uint8_t seed = 1;
};

// A disk of sectorCount sectors titled "COMPACT" holding the files, in the catalogue in
// the order given, each with its pattern data.
ImageBuilder FragmentedDisk(int sectorCount, const std::vector<PlacedFile>& files);

// count files of sectors sectors each, every one after a one-sector gap, so that each
// file but the last moves less than its own length: its new place overlaps its old one.
std::vector<PlacedFile> OverlappingFiles(int count, int sectors);

// What compacting before would give: each data-holding entry packed from sector 2 in
// ascending start order.
std::vector<RawEntry> CompactedEntries(const RawDisk& before);

// What is wrong with after, an image that began as before and was compacted in part or
// whole, or "": the title and every byte of the catalogue but the start sectors are
// unchanged, every entry has its old start sector or its compacted one, with its bytes
// intact, and no two entries overlap. With whole, every entry has its compacted one.
std::string CompactionProblem(const std::vector<uint8_t>& before, const std::vector<uint8_t>& after,
                              bool whole, bool interleaved = false, int side = 0);
