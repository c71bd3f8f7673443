// SPDX-License-Identifier: GPL-3.0-or-later
#include "disk/DiskCheck.h"

#include <algorithm>
#include <cstdio>

#include "disk/CatalogueListing.h"
#include "disk/ImageLayout.h"
#include "disk/Journal.h"

namespace {

constexpr size_t kCountByteOffset = 0x105;
constexpr size_t kOptionByteOffset = 0x106;
// Fewer sectors than this cannot hold even the one catalogue.
constexpr int32_t kFewestSectors = 2;
// 80 tracks of 10 sectors: the most any DFS drive formats, and what an MMB slot holds.
constexpr int32_t kMostSectorsOnADisk = 800;

int64_t SectorsOf(const DFSFileClass& entry) {
  return (static_cast<int64_t>(std::max<int32_t>(entry.Length, 0)) + kSectorSize - 1) / kSectorSize;
}

char UpperCase(char value) {
  return value >= 'a' && value <= 'z' ? static_cast<char>(value - 'a' + 'A') : value;
}

bool IsOddByte(char value) {
  auto byte = static_cast<unsigned char>(value);
  return byte < 0x20 || byte >= 0x7F;
}

std::string Hex2(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", value & 0xFF);
  return text;
}

std::string Position(const DFSFileClass& entry) {
  return "#" + std::to_string(entry.CatalogueIndex + 1);
}

// Bytes of [diskOffset, diskOffset + count) that lie past the end of the host file.
int64_t BytesPastHostEnd(const DFSDiskClass& disk, int64_t diskOffset, int64_t count) {
  const int64_t hostSize = disk.HostFile()->Size();
  int64_t missing = 0;
  for (const HostRange& range : disk.HostRanges(diskOffset, count)) {
    missing += std::clamp<int64_t>(range.offset + range.length - hostSize, 0, range.length);
  }
  return missing;
}

class FindingList {
 public:
  void Add(CheckSeverity severity, const char* code, const std::string& sentence) {
    findings_.push_back({severity, code, sentence});
  }
  std::vector<CheckFinding> Take() { return std::move(findings_); }

 private:
  std::vector<CheckFinding> findings_;
};

// How findings name one catalogue of the view.
std::string CatalogueName(const CatalogueView& view, size_t catalogue) {
  if (view.headers.size() == 1) {
    return "The catalogue";
  }
  return catalogue == 0 ? "The first catalogue" : "The second catalogue";
}

void CheckCounts(const DFSDiskClass& disk, const CatalogueView& view, FindingList& findings) {
  for (size_t catalogue = 0; catalogue < view.headers.size(); ++catalogue) {
    const uint8_t countByte = view.headers[catalogue].countByte;
    const int counted = countByte >> 3;
    const std::string name = CatalogueName(view, catalogue);
    if ((countByte & 7) != 0) {
      findings.Add(CheckSeverity::Error, check_code::kCountByte,
                   name + "'s file count byte is " + Hex2(countByte) +
                       ", which is not a multiple of 8; it is read as " + std::to_string(counted) +
                       " files.");
    }
    if (counted > view.mostEntries) {
      findings.Add(CheckSeverity::Error, check_code::kTooManyFiles,
                   name + " counts " + std::to_string(counted) + " files, but it holds at most " +
                       std::to_string(view.mostEntries) + ".");
    }
  }
  const int32_t sectors = view.headers.front().sectorCountField;
  // Watford DFS repeats the sector count in the second catalogue; the first is the one
  // every DFS goes by, so a difference loses nothing but tells of a stray write.
  if (view.headers.size() > 1 && view.headers[1].sectorCountField != sectors) {
    findings.Add(CheckSeverity::Warning, check_code::kWatfordSectorCount,
                 "The second catalogue gives the disk " +
                     std::to_string(view.headers[1].sectorCountField) +
                     " sectors, but the first gives " + std::to_string(sectors) +
                     "; the first catalogue's count is the one used.");
  }
  if (sectors < kFewestSectors) {
    findings.Add(CheckSeverity::Error, check_code::kSectorCountTooSmall,
                 "The catalogue gives the disk " + std::to_string(sectors) +
                     " sectors, too few for any disk; it is taken as " +
                     std::to_string(disk.SectorCount()) + " sectors.");
  } else if (sectors < view.firstDataSector) {
    findings.Add(CheckSeverity::Error, check_code::kSectorCountTooSmall,
                 "The catalogue gives the disk " + std::to_string(sectors) +
                     " sectors, too few to hold its two catalogues (sectors 0 to 3).");
  } else if (sectors > kMostSectorsOnADisk) {
    findings.Add(CheckSeverity::Error, check_code::kSectorCountTooLarge,
                 "The catalogue gives the disk " + std::to_string(sectors) +
                     " sectors, more than a disk can hold (" + std::to_string(kMostSectorsOnADisk) +
                     ", 80 tracks).");
  }
}

// Where each entry lies: over the catalogue, past the disk, past the host file. A
// zero-length entry holds no data, so its position is only a warning.
void CheckPlaces(const DFSDiskClass& disk, const CatalogueView& view, FindingList& findings) {
  const int32_t lastSector = disk.SectorCount() - 1;
  for (const DFSFileClass& entry : view.entries) {
    const std::string name = FindingEntryName(entry);
    const CheckSeverity severity = entry.Length > 0 ? CheckSeverity::Error : CheckSeverity::Warning;
    const bool guard = view.headers.size() > 1 && IsWatfordGuardEntry(entry);
    if (entry.StartSector < view.firstDataSector && !guard) {
      findings.Add(severity, check_code::kInCatalogue,
                   name + " starts in sector " + std::to_string(entry.StartSector) +
                       (view.headers.size() == 1 ? ", inside the catalogue (sectors 0 and 1)."
                                                 : ", inside the catalogues (sectors 0 to 3)."));
    }
    const int64_t end = entry.StartSector + std::max<int64_t>(SectorsOf(entry), 1) - 1;
    if (end > lastSector) {
      findings.Add(severity, check_code::kPastDiskEnd,
                   name + (entry.Length > 0 ? " runs to sector " : " starts at sector ") +
                       std::to_string(end) + ", past the disk's last sector (" +
                       std::to_string(lastSector) + ").");
    }
    const int64_t missing =
        BytesPastHostEnd(disk, static_cast<int64_t>(entry.StartSector) * kSectorSize, entry.Length);
    if (missing > 0) {
      findings.Add(CheckSeverity::Error, check_code::kPastImageEnd,
                   name + " runs past the end of the image file: the image is cut short and " +
                       std::to_string(missing) +
                       " bytes of the file are missing (they read as zeros).");
    }
  }
}

void CheckOverlaps(const CatalogueView& view, FindingList& findings) {
  const DFSFileList& entries = view.entries;
  for (size_t first = 0; first < entries.size(); ++first) {
    for (size_t second = first + 1; second < entries.size(); ++second) {
      const DFSFileClass& a = entries[first];
      const DFSFileClass& b = entries[second];
      const int64_t from = std::max<int64_t>(a.StartSector, b.StartSector);
      const int64_t to =
          std::min<int64_t>(a.StartSector + SectorsOf(a), b.StartSector + SectorsOf(b));
      if (from < to) {
        findings.Add(CheckSeverity::Error, check_code::kOverlap,
                     FindingEntryName(a) + " (" + Position(a) + ") and " + FindingEntryName(b) +
                         " (" + Position(b) + ") share sectors " + std::to_string(from) + " to " +
                         std::to_string(to - 1) + ".");
      }
    }
  }
}

// Namesakes as the model finds entries: the directory ignoring case, the name exactly.
void CheckNames(const CatalogueView& view, FindingList& findings) {
  const DFSFileList& entries = view.entries;
  for (size_t later = 0; later < entries.size(); ++later) {
    const DFSFileClass& entry = entries[later];
    for (size_t earlier = 0; earlier < later; ++earlier) {
      const DFSFileClass& other = entries[earlier];
      if (UpperCase(other.Directory) == UpperCase(entry.Directory) && other.Name == entry.Name) {
        findings.Add(CheckSeverity::Warning, check_code::kDuplicateName,
                     FindingEntryName(other) + " (" + Position(other) + ") and " +
                         FindingEntryName(entry) + " (" + Position(entry) +
                         ") have the same name in one directory; DFS finds only the first.");
        break;
      }
    }
    if (IsOddByte(entry.Directory) ||
        std::any_of(entry.Name.begin(), entry.Name.end(), IsOddByte)) {
      findings.Add(CheckSeverity::Warning, check_code::kOddCharacters,
                   FindingEntryName(entry) + " (" + Position(entry) +
                       ") has a control character or a byte above 127 in its name or directory.");
    }
  }
}

// What the image file and its surroundings say: a Watford mark over a file, a layout the
// name contradicts, a journal of an interrupted change.
void CheckImage(DFSDiskClass& disk, FindingList& findings) {
  SFileStream& host = *disk.HostFile();
  const bool insideLargerFile = disk.Mapping().span > 0;  // a disc of an MMB file
  // Either reading of such a disk may be the wrong one, so nothing may be moved on it.
  if (disk.HasConflictingWatfordMark()) {
    findings.Add(CheckSeverity::Error, check_code::kWatfordCatalogue,
                 "Sector 2 starts with the mark of a Watford DFS 62-file disk, but the first "
                 "catalogue lists a file there; either the mark or that file could be wrong.");
  }
  if (!insideLargerFile) {
    const ImageLayout byName = IsDoubleSidedName(disk.FileName)
                                   ? ImageLayout::InterleavedDoubleSided
                                   : ImageLayout::LinearSingleSided;
    const LayoutFindings layout = DetectLayout(host, byName);
    if (layout.layout != byName) {
      findings.Add(CheckSeverity::Error, check_code::kLayoutMismatch,
                   LayoutMismatchMessage(disk.FileName, byName, layout.layout));
    }
  }
  if (Journal::ExistsFor(host.Path())) {
    findings.Add(CheckSeverity::Error, check_code::kPendingJournal,
                 "The journal \"" + Journal::PathFor(host.Path()) +
                     "\" of an interrupted change is still there; the change is undone when the "
                     "disk is next opened for writing.");
  }
}

}  // namespace

CatalogueView ReadCatalogueView(DFSDiskClass& disk) {
  CatalogueView view;
  disk.ReadCatalogue(view.entries);
  for (int catalogue = 0; catalogue < disk.CatalogueCount(); ++catalogue) {
    uint8_t bytes[3] = {0, 0, 0};
    disk.ReadDisk(catalogue * kCatalogueSize + static_cast<int64_t>(kCountByteOffset), bytes,
                  sizeof bytes);
    CatalogueHeader header;
    header.countByte = bytes[0];
    header.sectorCountField = ((bytes[kOptionByteOffset - kCountByteOffset] & 3) << 8) | bytes[2];
    view.headers.push_back(header);
  }
  view.firstDataSector = disk.FirstDataSector();
  return view;
}

std::vector<CheckFinding> CheckDisk(DFSDiskClass& disk) {
  FindingList findings;
  const CatalogueView view = ReadCatalogueView(disk);
  CheckImage(disk, findings);
  CheckCounts(disk, view, findings);
  CheckPlaces(disk, view, findings);
  CheckOverlaps(view, findings);
  CheckNames(view, findings);
  return findings.Take();
}

const CheckFinding* FirstError(const std::vector<CheckFinding>& findings) {
  auto error = std::find_if(findings.begin(), findings.end(), [](const CheckFinding& finding) {
    return finding.severity == CheckSeverity::Error;
  });
  return error == findings.end() ? nullptr : &*error;
}

const char* SeverityName(CheckSeverity severity) {
  return severity == CheckSeverity::Error ? "error" : "warning";
}

std::string PlainFindings(const std::vector<CheckFinding>& findings) {
  std::string text;
  for (const CheckFinding& finding : findings) {
    text += std::string(SeverityName(finding.severity)) + " " + finding.code + ": " +
            PrintableText(finding.sentence) + "\n";
  }
  return text;
}

std::string JsonFindings(const std::vector<CheckFinding>& findings) {
  std::string json = "[";
  for (size_t index = 0; index < findings.size(); ++index) {
    const CheckFinding& finding = findings[index];
    json += std::string(index == 0 ? "" : ", ") +
            "{\"severity\": " + JsonString(SeverityName(finding.severity)) +
            ", \"code\": " + JsonString(finding.code) +
            ", \"sentence\": " + JsonString(finding.sentence) + "}";
  }
  return json + "]\n";
}

std::string FindingEntryName(const DFSFileClass& entry) {
  std::string name = entry.Name;
  name.erase(name.find_last_not_of(' ') + 1);
  return std::string(1, entry.Directory) + "." + name;
}
