// SPDX-License-Identifier: GPL-3.0-or-later
// Check disk: examines one disk of an image, reading only, and lists what no DFS would
// have written there (bad counts, entries over the catalogues, past the disk or the image
// file, overlapping or namesake entries, odd bytes in names, a Watford second catalogue
// that disagrees with the first) and what stands in the way of a safe change (a Watford
// mark over a file, a contradicting layout, a pending journal). Standard library only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "disk/DFSUseful.h"

enum class CheckSeverity { Error, Warning };

// One problem: its severity, a code that scripts may rely on, and a sentence for people.
struct CheckFinding {
  CheckSeverity severity = CheckSeverity::Error;
  std::string code;
  std::string sentence;
};

inline constexpr const char* kNoProblemsMessage = "No problems found on this disk.";

// The stable codes.
namespace check_code {
inline constexpr const char* kCountByte = "count-byte";
inline constexpr const char* kTooManyFiles = "too-many-files";
inline constexpr const char* kSectorCountTooSmall = "sector-count-too-small";
inline constexpr const char* kSectorCountTooLarge = "sector-count-too-large";
inline constexpr const char* kInCatalogue = "in-catalogue";
inline constexpr const char* kPastDiskEnd = "past-disk-end";
inline constexpr const char* kPastImageEnd = "past-image-end";
inline constexpr const char* kOverlap = "overlap";
inline constexpr const char* kDuplicateName = "duplicate-name";
inline constexpr const char* kOddCharacters = "odd-characters";
inline constexpr const char* kWatfordCatalogue = "watford-catalogue";
inline constexpr const char* kWatfordSectorCount = "watford-sector-count";
inline constexpr const char* kLayoutMismatch = "layout-mismatch";
inline constexpr const char* kPendingJournal = "pending-journal";
}  // namespace check_code

// What the count and sector-count bytes of one catalogue hold, as stored.
struct CatalogueHeader {
  uint8_t countByte = 0;
  int32_t sectorCountField = 0;  // the 10-bit count in bytes 6-7 of its second sector
};

// The catalogues as checking and compacting see them: every entry in catalogue order with
// CatalogueIndex its position, one header for each catalogue (two on a Watford 62-file
// disk), how many entries each catalogue holds and where file data may begin. This and
// WriteStartSectors (DiskCompact) are the only places that know the catalogue's bytes.
struct CatalogueView {
  DFSFileList entries;
  std::vector<CatalogueHeader> headers;
  int mostEntries = kMaxCatalogueEntries;
  int32_t firstDataSector = 2;
};
CatalogueView ReadCatalogueView(DFSDiskClass& disk);

// Every finding on the disk, errors and warnings in the order of the checks; empty for a
// clean disk. Reads only: nothing is written and no journal is applied.
std::vector<CheckFinding> CheckDisk(DFSDiskClass& disk);

// The first error among findings, or nullptr.
const CheckFinding* FirstError(const std::vector<CheckFinding>& findings);

// "error" or "warning".
const char* SeverityName(CheckSeverity severity);

// One line per finding, "error CODE: sentence", terminal-safe.
std::string PlainFindings(const std::vector<CheckFinding>& findings);
// A JSON array of {"severity", "code", "sentence"} objects on one line, with a line feed.
std::string JsonFindings(const std::vector<CheckFinding>& findings);

// "D.NAME" with the name's trailing spaces removed, as findings name an entry.
std::string FindingEntryName(const DFSFileClass& entry);
