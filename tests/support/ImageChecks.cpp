// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ImageChecks.h"

#include <algorithm>
#include <tuple>

namespace {

auto Key(const RawEntry& entry) {
  return std::tie(entry.name, entry.directory, entry.locked, entry.load, entry.exec, entry.length,
                  entry.start);
}

}  // namespace

std::string CatalogueProblem(const RawDisk& disk) {
  const std::vector<RawEntry>& entries = disk.entries;
  for (size_t index = 0; index < entries.size(); ++index) {
    const RawEntry& entry = entries[index];
    if (entry.length == 0 || (disk.catalogues == 2 && IsRawWatfordGuard(entry))) {
      continue;
    }
    if (entry.start < uint32_t(2 * disk.catalogues) ||
        entry.start * 256 + entry.length > uint32_t(disk.diskSize)) {
      return EntryLabel(entry) + " lies outside the disk";
    }
    for (size_t other = index + 1; other < entries.size(); ++other) {
      const RawEntry& second = entries[other];
      if (second.length != 0 && entry.start * 256 < second.start * 256 + second.length &&
          second.start * 256 < entry.start * 256 + entry.length) {
        return EntryLabel(entry) + " overlaps " + EntryLabel(second);
      }
    }
  }
  return "";
}

std::string EntryLabel(const RawEntry& entry) {
  std::string name = entry.name;
  name.erase(name.find_last_not_of(' ') + 1);
  return std::string(1, entry.directory) + "." + name;
}

bool SameEntry(const RawEntry& first, const RawEntry& second) {
  return Key(first) == Key(second);
}

bool SameEntries(std::vector<RawEntry> first, std::vector<RawEntry> second) {
  auto order = [](const RawEntry& a, const RawEntry& b) { return Key(a) < Key(b); };
  std::sort(first.begin(), first.end(), order);
  std::sort(second.begin(), second.end(), order);
  return std::equal(first.begin(), first.end(), second.begin(), second.end(), SameEntry);
}

std::map<std::string, std::vector<uint8_t>> FileContents(const std::vector<uint8_t>& image,
                                                         bool interleaved, int side) {
  std::map<std::string, std::vector<uint8_t>> contents;
  for (const RawEntry& entry : DecodeRawDisk(image, interleaved, side).entries) {
    contents[EntryLabel(entry)] = RawFileBytes(image, interleaved, side, entry);
  }
  return contents;
}
