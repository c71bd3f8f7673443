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
  int catalogue = 0;  // 1: the second catalogue of a Watford 62-file disk
};

// A disk of sectorCount sectors titled "COMPACT" holding the files, in each catalogue in
// the order given, each with its pattern data. With two catalogues it is a Watford
// 62-file disk.
ImageBuilder FragmentedDisk(int sectorCount, const std::vector<PlacedFile>& files,
                            int catalogues = 1);

// A, B, C of two sectors each at 2, 6 and 10 on a 20-sector disk: gaps of two sectors at
// 4 and 8, eight sectors free after C (2048 bytes); compacted, twelve after the last file
// (3072 bytes). With two catalogues, a Watford 62-file disk two sectors larger with
// everything two sectors on, and C in the second catalogue.
ImageBuilder RoomDisk(bool lockC = false, int catalogues = 1);

// count files of sectors sectors each, every one after a one-sector gap from the end of
// the catalogues on, so that each file but the last moves less than its own length: its
// new place overlaps its old one. With two catalogues, alternately in each.
std::vector<PlacedFile> OverlappingFiles(int count, int sectors, int catalogues = 1);

// What compacting before would give: each entry packed from the end of the catalogues in
// ascending start order, an empty one pointing where the packing has got to; what lies
// over the catalogues (Watford's guard, an empty entry) stays.
std::vector<RawEntry> CompactedEntries(const RawDisk& before);

// What is wrong with after, an image that began as before and was compacted in part or
// whole, or "": the title and every byte of the catalogues but the start sectors are
// unchanged, every entry has its old start sector or its compacted one, with its bytes
// intact, and no two entries overlap. With whole, every entry has its compacted one.
std::string CompactionProblem(const std::vector<uint8_t>& before, const std::vector<uint8_t>& after,
                              bool whole, bool interleaved = false, int side = 0);
