// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes as a single- or double-sided image, each side checked and compacted.
// Checking never writes. A side that is read-only or has an error is refused with a
// reason and not a byte of the file changes. Any other side compacts: every entry keeps
// its catalogue, position and every field but its start sector, every file its bytes,
// no two files overlap, nothing lies over the catalogues but Watford's guard and empty
// entries that were there, the free space is one block as placing new data finds it, the
// other side of the image is untouched, and compacting again moves nothing.
//
// Input: a flags byte (bit 0: double-sided; bit 1: each side gets the Watford 62-file
// mark at the start of sector 2), the image length (2 bytes, low first), the image bytes.
// Trailing bytes are ignored, so the image seeds of fuzz_image serve here too.
#include <algorithm>
#include <stdexcept>
#include <tuple>

#include "FuzzSupport.h"
#include "disk/DiskCheck.h"
#include "disk/DiskCompact.h"
#include "disk/Journal.h"

namespace {

using fuzz::Check;

constexpr size_t kHeaderSize = 3;

auto FieldsButStart(const DFSFileClass& entry) {
  return std::make_tuple(entry.Name, entry.Directory, entry.LoadAddress, entry.ExecAddress,
                         entry.Length, entry.Locked, entry.CatalogueIndex, entry.CatalogueNumber);
}

int64_t Sectors(const DFSFileClass& entry) {
  return (int64_t{std::max(entry.Length, 0)} + kSectorSize - 1) / kSectorSize;
}

DFSFileList Catalogue(DFSDiskClass& disk) {
  DFSFileList list;
  disk.ReadCatalogue(list);
  return list;
}

// The host bytes of every side but this one's.
std::vector<uint8_t> OtherSides(const std::vector<uint8_t>& host, const DFSDiskClass& disk) {
  if (!disk.Mapping().interleaved) {
    return {};
  }
  std::vector<uint8_t> others;
  constexpr size_t kTrack = 2560;
  for (size_t at = 0; at < host.size(); ++at) {
    if ((at / kTrack) % 2 != static_cast<size_t>(disk.Mapping().side)) {
      others.push_back(host[at]);
    }
  }
  return others;
}

void CheckCompacted(DFSDiskClass& disk, const DFSFileList& before,
                    const std::vector<std::vector<uint8_t>>& data) {
  const DFSFileList after = Catalogue(disk);
  Check(after.size() == before.size(), "the number of entries changed");
  const int64_t firstData = disk.FirstDataSector();
  int64_t usedSectors = 0;
  for (size_t index = 0; index < after.size(); ++index) {
    const DFSFileClass& entry = after[index];
    Check(FieldsButStart(entry) == FieldsButStart(before[index]),
          "an entry changed beyond its start", entry.Name);
    Check(disk.ReadFileData(entry) == data[index], "a file lost bytes", entry.Name);
    if (entry.Length == 0) {
      // Over the catalogues it stays; elsewhere it points at the packing, inside the disk.
      Check(before[index].StartSector < firstData
                ? entry.StartSector == before[index].StartSector
                : entry.StartSector >= firstData && entry.StartSector <= disk.SectorCount(),
            "an empty entry is out of place");
      continue;
    }
    if (entry.StartSector < firstData) {
      Check(IsWatfordGuardEntry(entry) && disk.IsWatford(), "a file over the catalogues");
      Check(entry.StartSector == before[index].StartSector, "the guard moved");
      continue;
    }
    Check(entry.StartSector + Sectors(entry) <= disk.SectorCount(), "a file past the disk");
    usedSectors += Sectors(entry);
    for (size_t other = index + 1; other < after.size(); ++other) {
      const DFSFileClass& second = after[other];
      const bool apart = second.Length == 0 ||
                         second.StartSector + Sectors(second) <= entry.StartSector ||
                         entry.StartSector + Sectors(entry) <= second.StartSector;
      Check(apart, "two files overlap", entry.Name + " / " + second.Name);
    }
  }
  // Packed: the files fill the sectors from the catalogues' end, the rest is one block.
  Check(disk.UsedSpace == (firstData + usedSectors) * kSectorSize, "used space is not packed");
  Check(disk.LargestFree == disk.DiskSize - disk.UsedSpace, "free space is not one block");
  Check(PlanCompaction(disk).empty(), "compacting again would move files");
}

void CompactSide(DFSDiskClass& disk, const std::string& path) {
  const std::vector<uint8_t> hostBefore = fuzz::ReadWholeFile(path);
  const std::vector<CheckFinding> findings = CheckDisk(disk);
  Check(fuzz::ReadWholeFile(path) == hostBefore, "checking wrote to the image");
  for (const CheckFinding& finding : findings) {
    Check(!finding.code.empty() && !finding.sentence.empty(), "a finding says nothing");
  }
  const DFSFileList before = Catalogue(disk);
  std::vector<std::vector<uint8_t>> data;
  for (const DFSFileClass& entry : before) {
    data.push_back(disk.ReadFileData(entry));
  }
  const bool refusable = disk.IsReadOnly() || FirstError(findings) != nullptr;
  const CompactionResult result = CompactDisk(disk);
  Check(!Journal::ExistsFor(path), "a journal was left");
  const std::vector<uint8_t> hostAfter = fuzz::ReadWholeFile(path);
  if (refusable) {
    Check(!result.compacted && !result.refusal.empty(), "a disk with an error was compacted");
    Check(hostAfter == hostBefore, "a refused compaction wrote to the image");
    return;
  }
  Check(result.compacted, "a clean disk was refused", result.refusal);
  // An image cut short inside its catalogues grows to hold them when one is written; it
  // never grows otherwise.
  const std::vector<HostRange> catalogues =
      disk.HostRanges(0, int64_t{kCatalogueSize} * disk.CatalogueCount());
  const auto catalogueEnd =
      static_cast<size_t>(catalogues.back().offset + catalogues.back().length);
  Check(hostAfter.size() == hostBefore.size() ||
            (hostBefore.size() < catalogueEnd && hostAfter.size() == catalogueEnd),
        "the image changed its length");
  Check(OtherSides(hostAfter, disk) == OtherSides(hostBefore, disk), "the other side changed");
  CheckCompacted(disk, before, data);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kHeaderSize) {
    return 0;
  }
  const bool doubleSided = (data[0] & 1) != 0;
  const size_t imageLength = std::min<size_t>(data[1] | (data[2] << 8), size - kHeaderSize);
  std::vector<uint8_t> image(data + kHeaderSize, data + kHeaderSize + imageLength);
  if ((data[0] & 2) != 0) {
    fuzz::StampWatfordMark(image, doubleSided);
  }
  const std::string path = fuzz::WorkFolder() + (doubleSided ? "/image.dsd" : "/image.ssd");
  fuzz::WriteWholeFile(path, image);
  try {
    ImageSides sides = OpenDiskImage(path);
    for (auto& disk : sides) {
      CompactSide(*disk, path);
    }
  } catch (const NotADiskImageError&) {
    // An empty image: nothing to compact.
  }
  return 0;
}
