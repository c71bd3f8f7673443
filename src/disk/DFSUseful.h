// SPDX-License-Identifier: GPL-3.0-or-later
// The disk-image model: one open Acorn DFS image (DFSDiskClass) and its catalogue
// entries (DFSFileClass), with every read and every change of the catalogue and of
// file data. Standard library and POSIX only.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "disk/Journal.h"
#include "util/Useful.h"

// One catalogue entry, a value object.
class DFSFileClass {
 public:
  std::string Name;         // the 7 stored characters, never trimmed
  char Directory = '$';     // bit 7 cleared
  int32_t LoadAddress = 0;  // 0x000000-0x00FFFF or 0xFF0000-0xFFFFFF
  int32_t ExecAddress = 0;
  int32_t StartSector = 0;     // 0-1023
  int32_t Length = 0;          // 0-0x3FFFF
  uint8_t Locked = 0;          // 0 or 1
  int32_t CatalogueIndex = 0;  // position in the catalogue when read
  // Which catalogue holds the entry: 0 the one in sectors 0-1; 1 the second catalogue
  // (sectors 2-3) of a Watford DFS 62-file disk. An entry stays in its catalogue.
  int32_t CatalogueNumber = 0;
};

// An owning list of entries.
using DFSFileList = std::vector<DFSFileClass>;

// Where first fit from firstFree (the end of the catalogues) upwards places length bytes
// among the entries of list, or 0 when there is no room. The running end of the used area
// only ever grows, so unordered, overlapping or zero-length entries cannot pull it back
// onto existing data, and new data never spans an empty entry's start sector, as a DFS
// walking its catalogue would not. A gap between files may be filled exactly; the space
// after the last file must be larger than the data. Entries beyond the disk bound nothing
// inside it.
int32_t FirstFitOffset(const DFSFileList& list, int64_t length, int64_t diskSize,
                       int64_t firstFree);

// The entry that Watford DFS discs often carry in their first catalogue, "!.!!!!!!!" of
// 512 bytes at sector 2: it covers the second catalogue, so that an Acorn DFS, which
// sees only the first, never writes a file over it. It holds no data of its own.
bool IsWatfordGuardEntry(const DFSFileClass& entry);

// Where the bytes of one disk lie in its host file. Every byte access of the model
// goes through FileOffset. A linear image holds sector n at n * 256; an interleaved
// double-sided image holds side s, track t at (2t + s) * 2560. A disk inside a larger
// file (a disc of an MMB file) starts at base and may use only its span bytes, so no
// catalogue, however it counts its sectors, reaches into the next disc.
struct SectorMapping {
  bool interleaved = false;
  int side = 0;      // 0 or 1 (drive 0 or drive 2) of an interleaved image
  int64_t base = 0;  // host-file offset of disk byte 0
  int64_t span = 0;  // bytes the disk may use from base; 0 for no bound but its size
  int64_t FileOffset(int64_t diskOffset) const;
};

constexpr int kSectorSize = 256;
constexpr int kCatalogueSize = 512;
constexpr int kMaxCatalogueEntries = 31;  // in each catalogue
constexpr int kMaxWatfordEntries = 62;    // both catalogues of a Watford 62-file disk

// SaveFile results.
enum SaveResult : int {
  kSaveDone = 0,
  kSaveCatalogueFull = 1,
  kSaveNoRoom = 2,
  kSaveDestinationLocked = 3,
};

inline constexpr const char* kEntryLookupFailureMessage =
    "That file appears to have been deleted by another program, I will refresh the disk window.";
inline constexpr const char* kDeleteLockedMessage =
    "The file $File cannot be deleted as it is locked, unlock it and then delete it.";
inline constexpr const char* kCatalogueFullMessage =
    "The maximum file limit of 31 has been reached on this disk.";
inline constexpr const char* kWatfordCatalogueFullMessage =
    "The maximum file limit of 62 has been reached on this disk.";
inline constexpr const char* kNoRoomMessage =
    "There is no room left on this disk, please delete some files or compact the disk";
inline constexpr const char* kDestinationLockedMessage =
    "The file is locked on the  destination disk, you cannot save changes.";
inline constexpr const char* kEmptyImageMessage = "This file is empty, it is not a DFS disk image.";
inline constexpr const char* kNameTakenMessage =
    "A file called $File already exists in that directory on this disk, choose another name.";

// Raised by every change to a disk that is open read-only; the text says why it is.
class ReadOnlyDiskError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Raised when a host file opens but cannot be a disk image (it is empty).
class NotADiskImageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// How an image is opened. ReadWrite takes the exclusive lock; ReadOnly a shared one, for
// commands that only read; WriteIfAllowed is ReadWrite, or ReadOnly when the file or its
// file system may not be written (EACCES, EROFS, EPERM).
enum class OpenAccess { ReadWrite, ReadOnly, WriteIfAllowed };

// One open image file. The file stays open, exclusively locked, for the object's life.
// Nothing of the catalogue is cached but the four space and option figures: every
// query reads the file afresh. File-system failures raise FileSystemError.
class DFSDiskClass {
 public:
  // Flag 1: write a blank 80-track image under fileName, then open it. Any other flag:
  // open the existing file. Fails with FileSystemError for a missing or read-only file
  // or one already held open (by this process or another).
  // A ".dsd" name (IsDoubleSidedName) is read as the double-sided image it is: flag 1
  // writes a blank double-sided image (CreateDoubleSided), and either flag gives its
  // side 0 (drive 0), read through the interleaved mapping. Side 2 needs OpenDiskImage.
  // watford62 makes the blank image (each side of it) a Watford DFS 62-file disk.
  static std::unique_ptr<DFSDiskClass> Create(const std::string& fileName, int creationFlag,
                                              bool watford62 = false);

  // Opens one disk on an already open, locked host file; used for the sides of a
  // double-sided image, which share the file.
  DFSDiskClass(std::shared_ptr<SFileStream> stream, const std::string& fileName,
               SectorMapping mapping);
  ~DFSDiskClass();
  DFSDiskClass(const DFSDiskClass&) = delete;
  DFSDiskClass& operator=(const DFSDiskClass&) = delete;

  std::string FileName;
  // The catalogue's 10-bit sector count x 256 when it is 2 to 1023; otherwise 204800
  // when bits 0-1 of byte 0x106 are both set, else 102400.
  int32_t DiskSize = 0;
  int32_t BootOption = 0;  // 0-3
  // 512 + 256 for each sector from 2 to the last that at least one entry covers.
  int32_t UsedSpace = 0;
  // The longest run of sectors in that range that no entry covers, in bytes.
  int32_t LargestFree = 0;
  // Told to the user once after opening: an interrupted change undone, or why the disk is
  // read-only. Empty when there is nothing to tell.
  std::string OpenNotice;

  int32_t SectorCount() const { return DiskSize / kSectorSize; }
  // A read-only disk refuses every change with ReadOnlyDiskError.
  bool IsReadOnly() const { return !readOnlyReason_.empty(); }
  const std::string& ReadOnlyReason() const { return readOnlyReason_; }
  void SetReadOnly(const std::string& reason) { readOnlyReason_ = reason; }

  // ---- Catalogue format ----
  // A Watford DFS 62-file disk (sector 2 starts with eight 0xAA bytes) has a second
  // catalogue in sectors 2 and 3, laid out as the first, with entries 32-62. Decided when
  // the disk is opened.
  bool IsWatford() const { return watford_; }
  // Sector 2 starts with the mark, but a file of the first catalogue other than the guard
  // entry (IsWatfordGuardEntry) lies in sectors 2-3: the disk is read as an Acorn one, and
  // opened read-only.
  bool HasConflictingWatfordMark() const { return conflictingWatfordMark_; }
  // 1, or 2 on a Watford 62-file disk.
  int CatalogueCount() const { return watford_ ? 2 : 1; }
  // 31, or 62 on a Watford 62-file disk.
  int MaxEntries() const { return kMaxCatalogueEntries * CatalogueCount(); }
  // The first sector that file data may use: 2, or 4 on a Watford 62-file disk.
  int32_t FirstDataSector() const { return watford_ ? 4 : 2; }
  // "DFS Disk", or "Watford 62-file".
  std::string FormatName() const;
  // The message for kSaveCatalogueFull, naming this disk's limit.
  const char* CatalogueFullMessage() const;

  // ---- Reading ----
  std::string GetTitle();
  // Appends one entry per catalogue slot in catalogue order, CatalogueIndex 0, 1, ...:
  // the first catalogue's entries, then (CatalogueNumber 1) the second catalogue's.
  void ReadCatalogue(DFSFileList& list);
  // Entries in catalogue 0 or 1 now; ReadCatalogue lists catalogue 1's after catalogue 0's.
  int CatalogueFileCount(int catalogue);
  // All entries of every catalogue.
  int FileCount();
  void ComputeSpace();

  // ---- Lookup ----
  std::optional<DFSFileClass> FindFile(char directory, const std::string& name);
  bool FileExists(char directory, const std::string& name);
  // False for an entry that does not exist.
  bool IsLocked(char directory, const std::string& name);

  // The entry in the catalogue at the position of entry.CatalogueIndex when it is still
  // that file (same directory and name), else the one with the same name, start sector
  // and length, else the first namesake. This keeps each of two namesakes reachable. An
  // entry with no position (CatalogueIndex -1) is a name alone: the first namesake.
  std::optional<DFSFileClass> FindEntryLike(const DFSFileClass& entry);

  // ---- Changes (each written and flushed before it returns) ----
  // Every change raises ReadOnlyDiskError on a read-only disk before it writes anything.
  void SetTitle(const std::string& title);
  void SetBootOption(int option);
  bool SetLocked(char directory, const std::string& name, bool locked);
  bool SetLocked(const DFSFileClass& entry, bool locked);
  // Returns true when the entry was removed.
  bool DeleteFile(char directory, const std::string& name);
  bool DeleteFile(const DFSFileClass& entry);
  // which == "Exec" sets the execution address, anything else the load address.
  // Raises std::invalid_argument for text that is not hexadecimal.
  bool SetAddress(char directory, const std::string& name, const std::string& which,
                  const std::string& hexText);
  // A directory change or rename onto a name another entry of that directory already
  // has (directories compared ignoring case) shows kNameTakenMessage and changes nothing.
  bool SetDirectory(char directory, char newDirectory, const std::string& name);
  bool RenameFile(char directory, const std::string& oldName, const std::string& newName);
  // The same for the entry found by FindEntryLike.
  bool SetAddress(const DFSFileClass& entry, const std::string& which, const std::string& hexText);
  bool SetDirectory(const DFSFileClass& entry, char newDirectory);
  bool RenameFile(const DFSFileClass& entry, const std::string& newName);
  // Byte offset where data of that length can go (first fit), or 0 when there is no room.
  int32_t FindFreeSpace(int32_t length);
  // Zeroes the entry slots of every catalogue.
  void ClearCatalogue();
  // Writes each entry into the catalogue its CatalogueNumber names (count bytes not
  // written). A change to both catalogues commits through the rollback journal.
  void WriteCatalogue(DFSFileList& list);
  // For a change that already holds the rollback journal over sectors 0-3 and whatever
  // else it rewrites (a journal of its own would replace the caller's): stores list by
  // CatalogueNumber with the count bytes, one write and flush for each catalogue that
  // changes.
  void WriteCatalogueUnderJournal(DFSFileList& list);
  // The new entry goes into the first catalogue while it has room, then the second.
  void AddCatalogueEntry(const DFSFileClass& file, int32_t offset);
  // Writes file.Length bytes of source (from its start) into free space and catalogues
  // them; returns a SaveResult. An unlocked namesake is replaced. Its replacement goes
  // first fit into free space away from the namesake's sectors whenever it fits there,
  // so the one catalogue write is the commit point. When it fits only over the
  // namesake's sectors, those sectors and the catalogue are saved in the rollback journal
  // first; a journal that cannot be written gives kSaveNoRoom and changes nothing. On a
  // failed write the image is as it was: its old catalogue, bytes and length.
  int SaveFile(const DFSFileClass& file, SStream& source);
  // Saves several files with one data flush and one catalogue write: all of the files
  // that get kSaveDone are stored, or (on a failed write, which raises) none. Results
  // are in request order; each file sees the ones before it as already saved.
  struct SaveRequest {
    DFSFileClass file;
    SStream* source = nullptr;
    // Replace the entry file is (its catalogue position, checked against its name),
    // not the first namesake, so that each of two namesakes can be saved.
    bool replacesEntry = false;
  };
  std::vector<int> SaveFiles(const std::vector<SaveRequest>& requests);

  // ---- File data ----
  // The entry's Length bytes; bytes past the end of the host file read as zero.
  std::vector<uint8_t> ReadFileData(const DFSFileClass& file);

  // ---- Raw access through the sector mapping ----
  void ReadDisk(int64_t diskOffset, void* buffer, size_t count);
  void WriteDisk(int64_t diskOffset, const void* buffer, size_t count);

  // The runs of the host file that hold disk bytes [diskOffset, diskOffset + count).
  std::vector<HostRange> HostRanges(int64_t diskOffset, int64_t count) const;

  const SectorMapping& Mapping() const { return mapping_; }
  const std::shared_ptr<SFileStream>& HostFile() const { return Stream; }

  // ---- Disks inside a larger file ----
  // Runs after SetTitle has written and flushed the new title, with the title as
  // stored (at most 12 characters); an MMB disc keeps its index entry in step with it.
  void SetTitleObserver(std::function<void(const std::string&)> observer) {
    titleObserver_ = std::move(observer);
  }

 private:
  using CatalogueBytes = std::array<uint8_t, kCatalogueSize>;

  void ReadDiskOptions();
  void DetectWatfordCatalogue();
  // The catalogue a new entry goes into, given the entries of list: 0 while it has room.
  int CatalogueForNewEntry(const DFSFileList& list) const;
  // The bytes of each catalogue with list stored in it (each part in descending start
  // order); count bytes set when writeCount is. A catalogue whose bit is clear in touched
  // keeps its bytes as they are. Raises std::length_error for more than 31 entries in one
  // catalogue.
  std::vector<CatalogueBytes> CatalogueImages(DFSFileList& list, bool writeCount,
                                              unsigned touched = kAllCatalogues);
  // Writes the catalogues whose images differ from the disk, each in one write, and
  // flushes. Two of them commit through the journal unless the caller has one (journalled).
  void WriteCatalogueImages(const std::vector<CatalogueBytes>& images, bool journalled);
  void RequireWritable() const;
  // Finds the entry of list like FindEntryLike does.
  static DFSFileList::iterator LocateEntry(DFSFileList& list, const DFSFileClass& entry);
  bool ChangeEntryLike(const DFSFileClass& target,
                       const std::function<void(DFSFileClass&)>& change);
  // Refuses (with kNameTakenMessage) a change that would give the entry at changed the
  // directory and name of another entry of list.
  static bool NameTaken(DFSFileList& list, DFSFileList::iterator changed, char directory,
                        const std::string& name);
  int64_t DiskLimit() const;
  // Catalogue 0 (sectors 0-1) or 1 (sectors 2-3).
  CatalogueBytes ReadCatalogueBytes(int catalogue = 0);
  // Writes the two sectors of a catalogue in one write and flushes them to the host disk.
  // When the write or the flush fails, the previous catalogue is written back before the
  // FileSystemError is raised.
  void WriteCatalogueBytes(const CatalogueBytes& bytes, int catalogue = 0);
  // Stores list as the entries of the catalogues whose bits are set in touched, with
  // count bytes when writeCount is set: one write for each catalogue that changes.
  void StoreCatalogue(DFSFileList& list, bool writeCount, unsigned touched = kAllCatalogues);
  static unsigned CatalogueBit(const DFSFileClass& entry) { return 1u << entry.CatalogueNumber; }
  static constexpr unsigned kAllCatalogues = 3;
  // Applies change to the named entry and stores the catalogue; false (after the
  // lookup failure message) when the entry is missing.
  bool ChangeEntry(char directory, const std::string& name,
                   const std::function<void(DFSFileClass&)>& change);

  std::shared_ptr<SFileStream> Stream;
  SectorMapping mapping_;
  std::function<void(const std::string&)> titleObserver_;
  std::string readOnlyReason_;
  bool watford_ = false;
  bool conflictingWatfordMark_ = false;
};

// ---- Whole image files -------------------------------------------------------------

// Whether path names a double-sided image: its name ends in ".dsd" in any letter case.
// Such an image is interleaved track by track, and each side is a disk of its own.
bool IsDoubleSidedName(const std::string& path);

// The disks of one image file in drive order: one for a single-sided image; two for a
// double-sided one, drive 0 (side 0) then drive 2 (side 1). They share one open,
// exclusively locked host file, which is closed when the last of them is destroyed.
using ImageSides = std::vector<std::unique_ptr<DFSDiskClass>>;

// Opens the image at path, single- or double-sided by its name. Only a regular file that
// is not empty opens (NotADiskImageError for an empty one). A journal left by an
// interrupted change is rolled back first (OpenNotice of the first side tells of it); a
// journal that cannot be applied is left alone and the image opens read-only. So does an
// image whose content is laid out otherwise than its name says, and a side whose sector 2
// carries the Watford 62-file mark while its first catalogue lists a file there. Fails
// with FileSystemError as Create does.
ImageSides OpenDiskImage(const std::string& path, OpenAccess access = OpenAccess::ReadWrite);

inline constexpr const char* kCouldNotOpenMessage =
    "Could not open the file, probably in use by another program.";

// What to tell the user when an image cannot be opened: kCouldNotOpenMessage's text when
// another program holds the lock, else what happened (`Could not open "PATH": reason.`).
std::string OpenFailureMessage(const std::exception& error);
// What to tell the user when a change failed: what happened when the system said
// (`Could not write "PATH": No space left on device.`), else fallback.
std::string ChangeFailureMessage(const std::exception& error, const std::string& fallback);

// Writes a blank 80-track double-sided image at path, replacing any file there that no
// one holds open: the catalogue of each side in place (800 sectors, boot option 0, no
// title, no entries), so the file is 3072 bytes long. Then opens both sides.
ImageSides CreateDoubleSided(const std::string& path);

// Shows the message for a SaveFile result through the prompt interface; nothing for 0.
void ShowSaveResult(int result);
// The same, with the catalogue-full message naming disk's own limit.
void ShowSaveResult(int result, const DFSDiskClass& disk);

// Beeps, then returns message with every "$File" replaced by text.
std::string MakeFileMessage(const std::string& message, const std::string& text);
// Beeps, then returns message with every "$File" removed.
std::string MakeBareMessage(const std::string& message);
