// SPDX-License-Identifier: GPL-3.0-or-later
#include "disk/DiskCompact.h"

#include <algorithm>
#include <array>
#include <optional>
#include <stdexcept>
#include <utility>

#include "disk/DiskCheck.h"
#include "disk/Journal.h"
#include "platform/Prompts.h"

namespace {

constexpr size_t kFirstInfoSlot = 0x108;
constexpr size_t kNameLength = 7;

int64_t SectorsOf(const DFSFileClass& entry) {
  return (static_cast<int64_t>(std::max<int32_t>(entry.Length, 0)) + kSectorSize - 1) / kSectorSize;
}

char UpperCase(char value) {
  return value >= 'a' && value <= 'z' ? static_cast<char>(value - 'a' + 'A') : value;
}

// By start sector, an empty entry before a file that starts where it does: an empty
// entry packed to a file's new start then keeps its turn, and compacting again moves
// nothing.
DFSFileList EntriesByStart(DFSFileList list) {
  std::stable_sort(list.begin(), list.end(), [](const DFSFileClass& a, const DFSFileClass& b) {
    return std::make_pair(a.StartSector, a.Length > 0) <
           std::make_pair(b.StartSector, b.Length > 0);
  });
  return list;
}

// Whether CompactDisk would refuse; the reason when it would.
std::optional<std::string> Refusal(DFSDiskClass& disk) {
  if (disk.IsReadOnly()) {
    return "The disk cannot be compacted. " + disk.ReadOnlyReason();
  }
  const std::vector<CheckFinding> findings = CheckDisk(disk);
  if (const CheckFinding* error = FirstError(findings)) {
    return "The disk cannot be compacted: " + error->sentence +
           " Check disk lists every problem it finds.";
  }
  return std::nullopt;
}

// One file moved as one step (see the header). On a failed write the step is undone
// before the error is raised.
void MoveFile(DFSDiskClass& disk, const CompactionMove& move) {
  const DFSFileClass& entry = move.entry;
  const std::vector<uint8_t> data = disk.ReadFileData(entry);
  const int64_t sectors = SectorsOf(entry);
  const int64_t from = entry.StartSector;
  const int64_t to = move.newStartSector;
  std::optional<Journal> journal;
  if (sectors > 0 && to + sectors > from) {
    // The new place runs into the old one: the old sectors it covers are kept first, with
    // every catalogue, so that a rollback restores the entry's as it was.
    std::vector<HostRange> ranges = disk.HostRanges(0, disk.CatalogueCount() * kCatalogueSize);
    std::vector<HostRange> old =
        disk.HostRanges(from * kSectorSize, (to + sectors - from) * kSectorSize);
    ranges.insert(ranges.end(), old.begin(), old.end());
    journal = Journal::Begin(*disk.HostFile(), ranges);
  }
  DFSFileClass moved = entry;
  moved.StartSector = move.newStartSector;
  try {
    if (!data.empty()) {
      disk.WriteDisk(to * kSectorSize, data.data(), data.size());
      disk.HostFile()->Flush();
    }
    WriteStartSectors(disk, {moved});
  } catch (const std::exception&) {
    if (journal) {
      try {
        journal->RollBack(*disk.HostFile());
      } catch (const FileSystemError&) {
        // The journal stays for the next opening; the first failure is the one to report.
      }
    }
    disk.ComputeSpace();
    throw;
  }
  if (journal) {
    journal->Commit();
  }
}

}  // namespace

std::vector<CompactionMove> PlanCompaction(DFSDiskClass& disk) {
  DFSFileList entries;
  disk.ReadCatalogue(entries);
  std::vector<CompactionMove> moves;
  int32_t next = disk.FirstDataSector();
  // An empty entry takes its turn too, pointing where the packing has got to: left where
  // it was, its start would split the free block, since new data never spans it.
  for (const DFSFileClass& entry : EntriesByStart(entries)) {
    if (entry.StartSector < disk.FirstDataSector()) {
      continue;  // an empty entry there, or Watford's guard over the second catalogue
    }
    if (entry.StartSector != next) {
      moves.push_back({entry, next});
    }
    next += static_cast<int32_t>(SectorsOf(entry));
  }
  return moves;
}

CompactionResult CompactDisk(DFSDiskClass& disk) {
  CompactionResult result;
  if (std::optional<std::string> refusal = Refusal(disk)) {
    result.refusal = *refusal;
    return result;
  }
  try {
    for (const CompactionMove& move : PlanCompaction(disk)) {
      MoveFile(disk, move);
      ++result.filesMoved;
    }
  } catch (const std::exception&) {
    disk.ComputeSpace();
    throw;
  }
  disk.ComputeSpace();
  result.compacted = true;
  result.largestFree = disk.LargestFree;
  return result;
}

std::string CompactionSummary(const CompactionResult& result) {
  return "The disk has been compacted: " + std::to_string(result.filesMoved) +
         " files moved, largest free block now " + std::to_string(result.largestFree) + " bytes.";
}

bool CompactionWouldMakeRoom(DFSDiskClass& disk, const DFSFileClass& file) {
  if (Refusal(disk)) {
    return false;
  }
  DFSFileList compacted;
  disk.ReadCatalogue(compacted);
  const DFSFileList now = compacted;
  for (const CompactionMove& move : PlanCompaction(disk)) {
    compacted[static_cast<size_t>(move.entry.CatalogueIndex)].StartSector = move.newStartSector;
  }
  // The namesake SaveFile would replace: the first of that directory and stored name.
  const std::string name = PadRight(file.Name, kNameLength).substr(0, kNameLength);
  const char directory = static_cast<char>(file.Directory & 0x7F);
  auto namesake = std::find_if(compacted.begin(), compacted.end(), [&](const DFSFileClass& entry) {
    return UpperCase(entry.Directory) == UpperCase(directory) && entry.Name == name;
  });
  if (namesake != compacted.end() ? namesake->Locked != 0
                                  : compacted.size() >= static_cast<size_t>(disk.MaxEntries())) {
    return false;
  }
  const int64_t firstFree = static_cast<int64_t>(disk.FirstDataSector()) * kSectorSize;
  const auto fits = [&](const DFSFileList& layout) {
    return FirstFitOffset(layout, file.Length, disk.DiskSize, firstFree) != 0;
  };
  DFSFileList withoutNamesake = compacted;
  DFSFileList nowWithoutNamesake = now;
  if (namesake != compacted.end()) {
    withoutNamesake.erase(withoutNamesake.begin() + (namesake - compacted.begin()));
    nowWithoutNamesake.erase(nowWithoutNamesake.begin() + (namesake - compacted.begin()));
  }
  const bool fitsNow = fits(now) || (namesake != compacted.end() && fits(nowWithoutNamesake));
  const bool fitsAfter = fits(compacted) || (namesake != compacted.end() && fits(withoutNamesake));
  return !fitsNow && fitsAfter;
}

bool OfferCompactionForRoom(DFSDiskClass& disk, const DFSFileClass& file,
                            const std::function<bool()>& compact) {
  return CompactionWouldMakeRoom(disk, file) && Prompts().AskYesNo(kCompactForRoomQuestion) &&
         compact();
}

void WriteStartSectors(DFSDiskClass& disk, const DFSFileList& entries) {
  if (entries.empty()) {
    return;
  }
  // Entries are numbered across the catalogues in order: the second's slots come after
  // the first's entries.
  const int catalogue = entries.front().CatalogueNumber;
  if (catalogue < 0 || catalogue >= disk.CatalogueCount()) {
    throw std::out_of_range("No catalogue " + std::to_string(catalogue));
  }
  const int firstIndex = catalogue == 0 ? 0 : disk.CatalogueFileCount(0);
  const int64_t base = static_cast<int64_t>(catalogue) * kCatalogueSize;
  std::array<uint8_t, kCatalogueSize> bytes{};
  disk.ReadDisk(base, bytes.data(), bytes.size());
  const std::array<uint8_t, kCatalogueSize> previous = bytes;
  for (const DFSFileClass& entry : entries) {
    if (entry.CatalogueNumber != catalogue) {
      // Two writes, and a kill between them would leave half the change: not this way.
      throw std::invalid_argument("Start sectors of two catalogues are written one at a time");
    }
    const int slot = entry.CatalogueIndex - firstIndex;
    if (slot < 0 || slot >= kMaxCatalogueEntries) {
      throw std::out_of_range("No catalogue position " + std::to_string(entry.CatalogueIndex));
    }
    // Bits 0-1 of the mixed byte and the low byte; the mixed byte's other bits as found.
    const size_t info = kFirstInfoSlot + 8 * static_cast<size_t>(slot);
    const auto start = static_cast<uint32_t>(entry.StartSector);
    bytes[info + 6] = static_cast<uint8_t>((bytes[info + 6] & 0xFC) | ((start >> 8) & 3));
    bytes[info + 7] = static_cast<uint8_t>(start & 0xFF);
  }
  try {
    disk.WriteDisk(base, bytes.data(), bytes.size());
    disk.HostFile()->Flush();
  } catch (const FileSystemError&) {
    try {
      disk.WriteDisk(base, previous.data(), previous.size());
      disk.HostFile()->Flush();
    } catch (const FileSystemError&) {
      // The first failure is the one to report.
    }
    throw;
  }
}
