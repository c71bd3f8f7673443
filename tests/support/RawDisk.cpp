// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/RawDisk.h"

#include <algorithm>

namespace {

int RawByte(const std::vector<uint8_t>& image, bool interleaved, int side, size_t diskOffset) {
  size_t at = RawFileOffset(interleaved, side, diskOffset);
  return at < image.size() ? image[at] : 0;
}

int RoundedLength(const RawEntry& entry) {
  return int((entry.length + 255) / 256 * 256);
}

}  // namespace

size_t RawFileOffset(bool interleaved, int side, size_t diskOffset) {
  if (!interleaved) {
    return diskOffset;
  }
  size_t sector = diskOffset / 256;
  return (2 * (sector / 10) + size_t(side)) * 2560 + (sector % 10) * 256 + diskOffset % 256;
}

bool IsRawWatfordGuard(const RawEntry& entry) {
  return entry.directory == '!' && entry.name == "!!!!!!!" && entry.start == 2 &&
         entry.length == 512;
}

RawDisk DecodeRawDisk(const std::vector<uint8_t>& image, bool interleaved, int side) {
  auto at = [&](size_t offset) { return RawByte(image, interleaved, side, offset); };
  RawDisk disk;
  for (size_t offset : {0, 1, 2, 3, 4, 5, 6, 7, 0x100, 0x101, 0x102, 0x103}) {
    if (at(offset) == 0) {
      break;
    }
    disk.title += char(at(offset));
  }
  disk.bootOption = (at(0x106) >> 4) & 3;
  disk.sectors = (at(0x106) & 3) * 256 + at(0x107);
  if (disk.sectors < 2 || disk.sectors > 1023) {
    disk.sectors = (at(0x106) & 3) == 3 ? 800 : 400;
  }
  disk.diskSize = disk.sectors * 256;
  const auto decodeCatalogue = [&](int catalogue) {
    const size_t base = 512 * size_t(catalogue);
    for (size_t k = 0; k < size_t(at(base + 0x105) / 8); ++k) {
      size_t name = base + 8 + 8 * k;
      size_t info = base + 0x108 + 8 * k;
      int mixed = at(info + 6);
      RawEntry entry;
      for (size_t index = 0; index < 7; ++index) {
        entry.name += char(at(name + index));
      }
      entry.directory = char(at(name + 7) & 0x7F);
      entry.locked = at(name + 7) >= 0x80;
      entry.load =
          uint32_t(at(info) + 256 * at(info + 1) + ((mixed & 0x0C) == 0x0C ? 0xFF0000 : 0));
      entry.exec =
          uint32_t(at(info + 2) + 256 * at(info + 3) + ((mixed & 0xC0) == 0xC0 ? 0xFF0000 : 0));
      entry.length = uint32_t(at(info + 4) + 256 * at(info + 5) + 65536 * ((mixed >> 4) & 3));
      entry.start = uint32_t(at(info + 7) + 256 * (mixed & 3));
      entry.catalogue = catalogue;
      disk.entries.push_back(entry);
    }
  };
  decodeCatalogue(0);
  bool marked = true;
  for (size_t offset = 512; offset < 520; ++offset) {
    marked = marked && at(offset) == 0xAA;
  }
  const bool fileOverMark =
      std::any_of(disk.entries.begin(), disk.entries.end(), [](const RawEntry& entry) {
        return entry.length > 0 && entry.start < 4 && entry.start * 256 + entry.length > 512 &&
               !IsRawWatfordGuard(entry);
      });
  if (marked && !fileOverMark) {
    disk.catalogues = 2;
    decodeCatalogue(1);
  }
  const int firstData = 2 * disk.catalogues;
  // Sectors after the catalogues to the last, each counted once however many entries cover.
  std::vector<bool> covered(size_t(std::max(disk.sectors, firstData)), false);
  for (const RawEntry& entry : disk.entries) {
    for (int sector = int(entry.start); sector < int(entry.start) + RoundedLength(entry) / 256;
         ++sector) {
      if (sector >= firstData && sector < disk.sectors) {
        covered[size_t(sector)] = true;
      }
    }
  }
  disk.used = 256 * firstData;
  int run = 0;
  for (int sector = firstData; sector < disk.sectors; ++sector) {
    run = covered[size_t(sector)] ? 0 : run + 1;
    disk.used += covered[size_t(sector)] ? 256 : 0;
    disk.largestFree = std::max(disk.largestFree, run * 256);
  }
  return disk;
}

std::vector<uint8_t> RawFileBytes(const std::vector<uint8_t>& image, bool interleaved, int side,
                                  const RawEntry& entry) {
  std::vector<uint8_t> bytes;
  for (size_t index = 0; index < entry.length; ++index) {
    bytes.push_back(uint8_t(RawByte(image, interleaved, side, entry.start * 256 + index)));
  }
  return bytes;
}
