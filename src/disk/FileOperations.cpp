// SPDX-License-Identifier: GPL-3.0-or-later
#include "disk/FileOperations.h"

#include <algorithm>
#include <exception>

#include "disk/HostFiles.h"
#include "platform/Prompts.h"

bool DeleteEntries(DFSDiskClass& disk, const std::vector<DFSFileClass>& entries) {
  try {
    for (const DFSFileClass& entry : entries) {
      disk.DeleteFile(entry);
    }
  } catch (const std::exception& error) {
    Prompts().ShowMessage(ChangeFailureMessage(error, kCouldNotDeleteMessage));
    return false;
  }
  return true;
}

LockOutcome SetEntriesLocked(DFSDiskClass& disk, const std::vector<DFSFileClass>& entries,
                             bool locked, const std::function<bool(const DFSFileClass&)>& busy) {
  LockOutcome outcome;
  for (const DFSFileClass& entry : entries) {
    if (busy && busy(entry)) {
      Prompts().ShowMessage(kInspectorOpenMessage);
      continue;
    }
    try {
      if (disk.SetLocked(entry, locked)) {
        outcome.changed.push_back(entry);
      } else {
        outcome.vanished = true;
      }
    } catch (const std::exception& error) {
      Prompts().ShowMessage(ChangeFailureMessage(error, kCouldNotLockMessage));
      outcome.failed = true;
      break;
    }
  }
  return outcome;
}

std::optional<DFSFileClass> FindSameEntry(DFSDiskClass& disk, const DFSFileClass& entry) {
  DFSFileList list;
  disk.ReadCatalogue(list);
  auto named = [&entry](const DFSFileClass& candidate) {
    return candidate.Directory == entry.Directory && candidate.Name == entry.Name;
  };
  const size_t position = static_cast<size_t>(entry.CatalogueIndex);
  if (entry.CatalogueIndex >= 0 && position < list.size() && named(list[position])) {
    return list[position];
  }
  auto same = std::find_if(list.begin(), list.end(), [&](const DFSFileClass& candidate) {
    return named(candidate) && candidate.StartSector == entry.StartSector &&
           candidate.Length == entry.Length;
  });
  return same != list.end() ? std::optional<DFSFileClass>(*same) : std::nullopt;
}

namespace {

bool SameName(const DFSFileClass& candidate, char directory, const std::string& name) {
  return candidate.Directory == directory && candidate.Name == name;
}

}  // namespace

EntrySave SaveEntryData(DFSDiskClass& disk, const DFSFileClass& entry, SStream& data) {
  DFSDiskClass::SaveRequest request{entry, &data};
  if (std::optional<DFSFileClass> present = FindSameEntry(disk, entry)) {
    request.file = *present;
    request.replacesEntry = true;
  } else if (std::optional<DFSFileClass> namesake = disk.FindFile(entry.Directory, entry.Name)) {
    request.file = *namesake;
  } else {
    request.file.Locked = 0;
  }
  request.file.Length = static_cast<int32_t>(data.Size());
  // The namesakes that stay as they are: the new entry is the one not among them.
  DFSFileList before;
  disk.ReadCatalogue(before);
  const DFSFileClass replaced = request.file;
  std::erase_if(before, [&replaced](const DFSFileClass& candidate) {
    return !SameName(candidate, replaced.Directory, replaced.Name) ||
           (candidate.StartSector == replaced.StartSector && candidate.Length == replaced.Length);
  });
  EntrySave outcome;
  outcome.result = disk.SaveFiles({request}).front();
  if (outcome.result != kSaveDone) {
    return outcome;
  }
  DFSFileList after;
  disk.ReadCatalogue(after);
  for (const DFSFileClass& candidate : after) {
    const bool kept = std::any_of(before.begin(), before.end(), [&](const DFSFileClass& old) {
      return old.StartSector == candidate.StartSector && old.Length == candidate.Length;
    });
    if (SameName(candidate, replaced.Directory, replaced.Name) && !kept) {
      outcome.saved = candidate;
      break;
    }
  }
  return outcome;
}

std::unique_ptr<DFSDiskClass> OpenOtherSide(const DFSDiskClass& openSide, int drive) {
  SectorMapping mapping = openSide.Mapping();
  mapping.side = drive / 2;
  auto disk = std::make_unique<DFSDiskClass>(openSide.HostFile(), openSide.FileName, mapping);
  if (openSide.IsReadOnly()) {
    disk->SetReadOnly(openSide.ReadOnlyReason());
  }
  return disk;
}

std::unique_ptr<DFSDiskClass> OpenImageSide(const std::string& path, int drive,
                                            const DFSDiskClass* openSide) {
  if (drive >= 0 && openSide != nullptr) {
    return OpenOtherSide(*openSide, drive);
  }
  ImageSides sides = OpenDiskImage(path, OpenAccess::WriteIfAllowed);
  return std::move(sides.at(drive < 0 ? 0 : static_cast<size_t>(drive / 2)));
}
