// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/FragmentedDisk.h"

#include <algorithm>
#include <numeric>
#include <utility>

#include "support/ImageChecks.h"

ImageBuilder FragmentedDisk(int sectorCount, const std::vector<PlacedFile>& files, int catalogues) {
  ImageBuilder builder(sectorCount);
  builder.Title("COMPACT");
  if (catalogues == 2) {
    builder.Watford62();
  }
  for (const PlacedFile& file : files) {
    const ImageEntry entry{'$',         file.name,        0x1900,     0x8023,
                           file.length, file.startSector, file.locked};
    file.catalogue == 0 ? builder.AddEntry(entry) : builder.AddSecondEntry(entry);
    builder.FileData(static_cast<int>(file.startSector), PatternBytes(file.length, file.seed));
  }
  return builder;
}

ImageBuilder RoomDisk(bool lockC, int catalogues) {
  const auto first = static_cast<uint32_t>(2 * catalogues);
  return FragmentedDisk(18 + 2 * catalogues,
                        {{"C", first + 8, 512, lockC, 3, catalogues - 1},
                         {"B", first + 4, 512, false, 2},
                         {"A", first, 512, false, 1}},
                        catalogues);
}

std::vector<PlacedFile> OverlappingFiles(int count, int sectors, int catalogues) {
  std::vector<PlacedFile> files;
  for (int index = 0; index < count; ++index) {
    PlacedFile file;
    file.name = "F" + std::to_string(index);
    file.startSector = static_cast<uint32_t>(2 * catalogues + 1 + index * (sectors + 1));
    file.catalogue = index % catalogues;
    file.length = static_cast<uint32_t>(sectors * 256 - 100);
    file.locked = index % 3 == 1;
    file.seed = static_cast<uint8_t>(10 + index);
    files.push_back(file);
  }
  return files;
}

std::vector<RawEntry> CompactedEntries(const RawDisk& before) {
  std::vector<RawEntry> entries = before.entries;
  std::vector<size_t> order(entries.size());
  std::iota(order.begin(), order.end(), 0);
  // An empty entry goes before a file of the same start, as it does on the disk after.
  const auto key = [&](size_t index) {
    return std::make_pair(entries[index].start, entries[index].length > 0);
  };
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return key(a) < key(b); });
  auto next = static_cast<uint32_t>(2 * before.catalogues);
  for (size_t index : order) {
    // What lies over the catalogues stays: Watford's guard, or an empty entry.
    if (entries[index].start >= static_cast<uint32_t>(2 * before.catalogues)) {
      entries[index].start = next;
      next += (entries[index].length + 255) / 256;
    }
  }
  return entries;
}

namespace {

// The catalogues' bytes with the start-sector bits of every entry cleared.
std::vector<uint8_t> CatalogueWithoutStarts(const std::vector<uint8_t>& image, bool interleaved,
                                            int side, int catalogues) {
  std::vector<uint8_t> bytes(512 * size_t(catalogues), 0);
  for (size_t offset = 0; offset < bytes.size(); ++offset) {
    size_t at = RawFileOffset(interleaved, side, offset);
    bytes[offset] = at < image.size() ? image[at] : 0;
  }
  for (size_t base = 0; base < bytes.size(); base += 512) {
    for (size_t info = base + 0x108; info < base + 0x200; info += 8) {
      bytes[info + 6] &= 0xFC;
      bytes[info + 7] = 0;
    }
  }
  return bytes;
}

}  // namespace

std::string CompactionProblem(const std::vector<uint8_t>& before, const std::vector<uint8_t>& after,
                              bool whole, bool interleaved, int side) {
  const RawDisk old = DecodeRawDisk(before, interleaved, side);
  const RawDisk now = DecodeRawDisk(after, interleaved, side);
  if (now.catalogues != old.catalogues) {
    return "the second catalogue's mark changed";
  }
  if (CatalogueWithoutStarts(before, interleaved, side, old.catalogues) !=
      CatalogueWithoutStarts(after, interleaved, side, old.catalogues)) {
    return "the catalogue changed beyond start sectors";
  }
  if (now.entries.size() != old.entries.size()) {
    return "the number of entries changed";
  }
  if (std::string problem = CatalogueProblem(now); !problem.empty()) {
    return problem;
  }
  const std::vector<RawEntry> compacted = CompactedEntries(old);
  for (size_t index = 0; index < now.entries.size(); ++index) {
    const RawEntry& entry = now.entries[index];
    const std::string label = EntryLabel(entry);
    const bool atNew = entry.start == compacted[index].start;
    if (!atNew && (whole || entry.start != old.entries[index].start)) {
      return label + " is at sector " + std::to_string(entry.start) + ", neither its old place (" +
             std::to_string(old.entries[index].start) + ") nor its new one (" +
             std::to_string(compacted[index].start) + ")";
    }
    // The guard's bytes are the second catalogue, whose start sectors do change.
    const bool guard = now.catalogues == 2 && IsRawWatfordGuard(entry);
    if (!guard && RawFileBytes(after, interleaved, side, entry) !=
                      RawFileBytes(before, interleaved, side, old.entries[index])) {
      return label + " lost bytes";
    }
  }
  return "";
}
