// SPDX-License-Identifier: GPL-3.0-or-later
// The commands that change several catalogue entries at once (Delete, Lock, UnLock) and
// the opening of one side of an image, shared by the windows and kestrow-dfs. Each
// reports through the prompt interface with the texts defined here.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "disk/DFSUseful.h"

inline constexpr const char* kCouldNotDeleteMessage =
    "Could not delete one or more of the files, probably the disk is in use by another "
    "program.";
inline constexpr const char* kCouldNotLockMessage =
    "Could not lock the file(s), disk probably in use by another program.";

// Deletes each entry (found as FindEntryLike finds it). A locked or vanished entry is
// reported by the model and the others go on; a failed write ends the loop with its
// message, leaving the entries deleted so far deleted. False after a failed write.
bool DeleteEntries(DFSDiskClass& disk, const std::vector<DFSFileClass>& entries);

// What SetEntriesLocked did.
struct LockOutcome {
  std::vector<DFSFileClass> changed;  // the entries whose flag was written, as given
  bool vanished = false;              // one was no longer in the catalogue
  bool failed = false;                // a write failed and ended the loop
};

// Locks or unlocks each entry. An entry for which busy says true (open in an inspector)
// is skipped with kInspectorOpenMessage; a failed write ends the loop with its message.
LockOutcome SetEntriesLocked(DFSDiskClass& disk, const std::vector<DFSFileClass>& entries,
                             bool locked,
                             const std::function<bool(const DFSFileClass&)>& busy = {});

// The entry of the catalogue that is still entry: the one at its catalogue position with
// its directory and name, else the one with its name, start sector and length. Unlike
// FindEntryLike, never another namesake.
std::optional<DFSFileClass> FindSameEntry(DFSDiskClass& disk, const DFSFileClass& entry);

// What SaveEntryData did: a SaveResult and, when saved, the new catalogue entry.
struct EntrySave {
  int result = kSaveDone;
  std::optional<DFSFileClass> saved;
};

// Writes data as the new contents of entry, replacing exactly that entry while
// FindSameEntry finds it (with its current addresses). An entry gone from the catalogue
// is saved as before under its name, with the addresses entry has.
EntrySave SaveEntryData(DFSDiskClass& disk, const DFSFileClass& entry, SStream& data);

// Drive 0 or 2 of a double-sided image whose other side is already open as openSide: the
// new side shares openSide's host file, since the file's exclusive lock allows no second
// opening, and keeps its read-only state.
std::unique_ptr<DFSDiskClass> OpenOtherSide(const DFSDiskClass& openSide, int drive);

// The disk of drive (0 or 2, or -1 for a single-sided image) of the image at path,
// sharing the host file of openSide when the other side is open already. Raises as
// OpenDiskImage does.
std::unique_ptr<DFSDiskClass> OpenImageSide(const std::string& path, int drive,
                                            const DFSDiskClass* openSide);
