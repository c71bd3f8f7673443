// SPDX-License-Identifier: GPL-3.0-or-later
// Compact disk: moves files towards the start of the disk, the first sector after the
// catalogues (4 on a Watford 62-file disk), so that all free space is one block after the
// last file. Locked files move too; each catalogue keeps its order and every entry keeps
// its catalogue and its fields but the start sector. Each file is one step, safe to
// interrupt: when its new place overlaps its old sectors, those sectors and the
// catalogues are saved in the rollback journal first; the data is written and flushed,
// then the entry's catalogue, then the journal is dropped. A step that writes only free
// sectors needs no journal: its one catalogue write is what makes it happen. After a
// kill at any moment every file has its old place or its new one, with its bytes intact.
// Standard library only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "disk/DFSUseful.h"

inline constexpr const char* kCompactQuestion =
    "Compact the disk $File? Files will be moved so that all free space is in one block.";
inline constexpr const char* kCompactFailedMessage =
    "Could not compact the disk, probably in use by another program.";
inline constexpr const char* kCompactForRoomQuestion =
    "Compacting the disk would make room for this file. Compact it now?";

// One file to move: its entry as the catalogue holds it now and its new start sector.
struct CompactionMove {
  DFSFileClass entry;
  int32_t newStartSector = 0;
};

// The moves that compact the disk, lowest first: only the files after the first gap,
// each once. An empty entry moves too, to where the packing has got to at its turn, so
// that no start sector of one splits the free block; one over the catalogues stays.
// Assumes a disk that Check disk finds no error on.
std::vector<CompactionMove> PlanCompaction(DFSDiskClass& disk);

struct CompactionResult {
  bool compacted = false;
  std::string refusal;  // why nothing was done, when not compacted
  int filesMoved = 0;
  int32_t largestFree = 0;  // bytes, after compacting
};

// Compacts the disk, or refuses, changing nothing, on a read-only disk or one that Check
// disk finds an error on (naming the first). A failed write raises FileSystemError after
// the step it interrupted has been undone; the files moved before it stay moved.
CompactionResult CompactDisk(DFSDiskClass& disk);

// "The disk has been compacted: N files moved, largest free block now B bytes."
std::string CompactionSummary(const CompactionResult& result);

// Whether file (its directory, name and length) finds no room now but would after
// compacting: the disk can be compacted and then SaveFile would place it.
bool CompactionWouldMakeRoom(DFSDiskClass& disk, const DFSFileClass& file);

// After a save of file found no room: when compacting would make room, asks
// kCompactForRoomQuestion and on Yes runs compact. True when compact says it compacted,
// so the save may be tried again.
bool OfferCompactionForRoom(DFSDiskClass& disk, const DFSFileClass& file,
                            const std::function<bool()>& compact);

// Writes the entries' start sectors into their catalogue positions (CatalogueIndex) and
// nothing else, in one write of their catalogue, and flushes it. The entries must all be
// of one catalogue (std::invalid_argument otherwise). On a failed write or flush the
// catalogue as it was is written back before FileSystemError is raised.
void WriteStartSectors(DFSDiskClass& disk, const DFSFileList& entries);
