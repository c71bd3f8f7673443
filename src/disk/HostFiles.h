// SPDX-License-Identifier: GPL-3.0-or-later
// Host files of DFS files: naming them, reading and writing their ".INF" side-cars,
// importing dropped host files into an image and writing an entry out to a folder.
// Standard library and POSIX only, so the disk window and command-line tools share it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "disk/DFSUseful.h"

inline constexpr const char* kDestinationLockedOverwriteMessage =
    "The file $File on the destination disk is locked, you cannot overwrite it.";
inline constexpr const char* kInspectorOpenMessage =
    "This file is in open in at least one File Inspector window, you must close the relevent "
    "windows before you can make these changes";
inline constexpr const char* kOverwriteQuestion =
    "A file called $File already exists in that directory on this disk, do you wish to "
    "overwrite ?";
inline constexpr const char* kCouldNotSaveMessage =
    "Could not save one or more of the files, probably the disk is in use by another program.";

// Length of the side-car text this program writes.
constexpr size_t kSideCarLength = 33;
// At most this many bytes of a side-car are read.
constexpr size_t kSideCarReadLimit = 100;

// ---- Host names ---------------------------------------------------------------------
// A byte that cannot stand in a host name as it is ("/", ".", "#", a control character,
// a byte above 126, a space inside a name) is written "#" plus two hex digits.

// The host file name for an entry: the directory, ".", and the name without its
// trailing spaces, each escaped. Always one path component, never "." or "..", and
// never with the extension ".INF".
std::string HostFileName(char directory, const std::string& name);
// Reverses the escapes ("#" followed by two hex digits of either case); any other "#"
// stands for itself.
std::string DecodeHostName(const std::string& hostName);

// Whether the file-name part of hostPath is in Beeb form: one directory character, ".",
// then at most 7 characters with no further "." (an escape counts as one character).
bool BeebFileName(const std::string& hostPath);
// The 7-character DFS name for a host file: the name after "D." of a Beeb-form name with
// its escapes reversed, else the host name as it stands up to and including its first
// "."; padded with spaces or cut to 7 characters.
std::string MakeBeebName(const std::string& hostPath);
// Whether the file-name part ends in ".INF" in any case: such files are never imported.
bool IsSideCarName(const std::string& hostPath);

// ---- Side-cars ----------------------------------------------------------------------

// The names in each host folder, read once on first use and kept for the index's life,
// so that a command looking up many side-cars reads each folder once.
class HostFolderIndex {
 public:
  const std::vector<std::string>& Names(const std::string& folder);

 private:
  std::map<std::string, std::vector<std::string>> folders_;
};

// The fields read from a side-car. Fields the text does not give keep the defaults.
struct BeebFileDetails {
  enum class Layout { Fixed, Tokens };
  Layout SideCarLayout = Layout::Fixed;
  char Directory = '$';
  int32_t LoadAddress = 0;
  int32_t ExecAddress = 0;
  bool Locked = false;
  // Tokens layout only: the 7-character name of its first token, when it has one.
  std::optional<std::string> Name;
};

// Parses a side-car. Text with "." at position 1 and spaces at positions 9 and 10 (and at
// 17, 24 and 31 where it reaches them) is this program's fixed layout: directory at 0,
// load at 11, exec at 18 (six hex digits, else 0), locked when position 32 is "L".
// Anything else is read as whitespace-separated tokens, as other tools write it:
// "D.NAME load exec [length [access]]", with "L"/"Locked" and KEY=VALUE tokens allowed.
BeebFileDetails GetBeebFileDetails(const std::string& sideCarBytes);

// The 33-character side-car text for an entry: directory, ".", name (7 characters), two
// spaces, load, exec and length as 6 upper-case hex digits separated by spaces, a space,
// then "L" or a space.
std::string SideCarText(const DFSFileClass& entry);

// The side-car of a host file: the file in the same folder named like it plus ".INF" in
// any letter case (".INF" preferred, then ".inf"). Nothing when there is none or it is
// not a regular file.
// With an index, the folder's names come from it.
std::optional<std::string> FindSideCar(const std::string& hostPath,
                                       HostFolderIndex* index = nullptr);
// Up to the first kSideCarReadLimit bytes of the side-car of hostPath, or nothing when
// it has none. Raises FileSystemError when the side-car exists but cannot be read.
std::optional<std::string> ReadSideCar(const std::string& hostPath,
                                       HostFolderIndex* index = nullptr);

// ---- Importing ----------------------------------------------------------------------

// What the window (or a tool) supplies to an import.
struct ImportCallbacks {
  std::string imagePath;
  // Whether a file inspector is open on that file of the image at imagePath.
  std::function<bool(const std::string& imagePath, char directory, const std::string& name)>
      windowExists;
  // Runs after every file handed to SaveFile, whatever the result (the window refills).
  std::function<void()> afterEachFile;
  // Runs with each host path before that file's questions and messages, and with ""
  // once the import is over (a command line names the file in each message).
  std::function<void(const std::string& hostPath)> onFile;
  // Asked, after a file found no room and the user agreed to compact the disk, to
  // compact it: true when it did, and the file is then saved again.
  std::function<bool()> makeRoom;
};

// What to store one host file as.
struct AlienFileDetails {
  std::string Name;  // 7 characters
  char Directory = '$';
  int32_t LoadAddress = 0;
  int32_t ExecAddress = 0;
  bool Locked = false;
  bool NameFromSideCar = false;  // the name was given by a side-car
};

struct ImportSummary {
  int storedCount = 0;      // files SaveFile stored
  int skippedCount = 0;     // files refused, declined or failed (side-cars not counted)
  bool endedEarly = false;  // a side-car could not be read; the rest was left alone
};

// The DFS details for a host file: its side-car's where it has one (a fixed-layout
// side-car only for a Beeb-form name), else directory "$", addresses 0, unlocked.
// Raises FileSystemError when the side-car exists but cannot be read.
AlienFileDetails AlienFileDetailsFor(const std::string& hostPath, HostFolderIndex* index = nullptr);

// The message refusing a file whose side-car gives a name that the in-place editing
// rules refuse (an empty name, a control character, one of # * |, ":" first);
// nothing when the details are fine.
std::optional<std::string> SideCarNameProblem(const std::string& hostPath,
                                              const AlienFileDetails& details);

// Imports the host files in order, each with its own questions and messages. Side-car
// files are skipped. A side-car that cannot be read shows the system's error text and
// ends the import. A read-only disk takes nothing and says why.
ImportSummary ProcessAlienFiles(DFSDiskClass& disk, const std::vector<std::string>& hostPaths,
                                const ImportCallbacks& callbacks);

// The same questions and messages, file by file, but the files are stored together
// (DFSDiskClass::SaveFiles): one flush of all the data and one catalogue write, so either
// every file that found room is stored or, when a write fails, none. Each host folder is
// read once for the side-car lookups.
ImportSummary ImportFilesTogether(DFSDiskClass& disk, const std::vector<std::string>& hostPaths,
                                  const ImportCallbacks& callbacks);

// Stores one host file: refuses a locked namesake or one open in an inspector, asks
// before overwriting, and reports the SaveFile result. A host file that cannot be read
// (a folder, a missing file) or an image that cannot be written says what happened
// (`Could not open "PATH": Is a directory.`); kCouldNotSaveMessage when nothing tells.
// True when the file was stored.
bool SaveAlienFile(DFSDiskClass& disk, const std::string& hostPath, const AlienFileDetails& details,
                   const ImportCallbacks& callbacks);

// ---- Exporting ----------------------------------------------------------------------

struct ExportedFiles {
  std::string dataFileName;  // names inside the folder
  std::string sideCarFileName;
};

// Writes the entry's data as HostFileName(...) in folder, replacing any file of that
// name, and its side-car beside it. Each file is written under a temporary name,
// flushed and renamed into place, so a file already there stays whole until its
// replacement is complete, and a failed write leaves no part of a file. Nothing is
// written, and nothing is returned, when the image no longer holds the entry. Raises
// FileSystemError when a file cannot be written.
std::optional<ExportedFiles> CopyFileToHostFolder(DFSDiskClass& disk, char directory,
                                                  const std::string& name,
                                                  const std::string& folder);
// The host file names for entries written out together, in order: each one's
// HostFileName, and for a later namesake that name with "~2", "~3", ... added, so that
// no file overwrites another.
std::vector<std::string> DistinctHostNames(const std::vector<DFSFileClass>& entries);

// The same for the entry found by DFSDiskClass::FindEntryLike, under hostName when given.
std::optional<ExportedFiles> CopyEntryToHostFolder(DFSDiskClass& disk, const DFSFileClass& entry,
                                                   const std::string& folder,
                                                   const std::string& hostName = "");
