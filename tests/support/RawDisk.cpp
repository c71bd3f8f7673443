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
  for (size_t k = 0; k < size_t(at(0x105) / 8); ++k) {
    size_t name = 8 + 8 * k;
    size_t info = 0x108 + 8 * k;
    int mixed = at(info + 6);
    RawEntry entry;
    for (size_t index = 0; index < 7; ++index) {
      entry.name += char(at(name + index));
    }
    entry.directory = char(at(name + 7) & 0x7F);
    entry.locked = at(name + 7) >= 0x80;
    entry.load = uint32_t(at(info) + 256 * at(info + 1) + ((mixed & 0x0C) == 0x0C ? 0xFF0000 : 0));
    entry.exec =
        uint32_t(at(info + 2) + 256 * at(info + 3) + ((mixed & 0xC0) == 0xC0 ? 0xFF0000 : 0));
    entry.length = uint32_t(at(info + 4) + 256 * at(info + 5) + 65536 * ((mixed >> 4) & 3));
    entry.start = uint32_t(at(info + 7) + 256 * (mixed & 3));
    disk.entries.push_back(entry);
  }
  // Sectors 2 to the last, each counted once however many entries cover it.
  std::vector<bool> covered(size_t(disk.sectors), false);
  for (const RawEntry& entry : disk.entries) {
    for (int sector = int(entry.start); sector < int(entry.start) + RoundedLength(entry) / 256;
         ++sector) {
      if (sector >= 2 && sector < disk.sectors) {
        covered[size_t(sector)] = true;
      }
    }
  }
  disk.used = 512;
  int run = 0;
  for (int sector = 2; sector < disk.sectors; ++sector) {
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
