// SPDX-License-Identifier: GPL-3.0-or-later
#include "disk/DFSUseful.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "disk/ImageLayout.h"
#include "platform/Prompts.h"

namespace {

using Catalogue = std::array<uint8_t, kCatalogueSize>;

constexpr int kSectorsPerTrack = 10;
constexpr int64_t kTrackSize = kSectorsPerTrack * kSectorSize;
constexpr size_t kNameLength = 7;
constexpr size_t kTitleLength = 12;
constexpr size_t kCountByte = 0x105;
constexpr size_t kOptionByte = 0x106;
constexpr size_t kSectorCountByte = 0x107;
constexpr size_t kFirstNameSlot = 0x008;
constexpr size_t kFirstInfoSlot = 0x108;
constexpr int32_t kHostAddress = 0xFF0000;
constexpr int32_t kBlankSectorCount = 800;
constexpr int32_t kLargeDiskSize = 800 * kSectorSize;
constexpr int32_t kSmallDiskSize = 400 * kSectorSize;
constexpr int32_t kFewestSectors = 2;
constexpr int32_t kMostSectors = 1023;
// A Watford DFS 62-file disk keeps its second catalogue in sectors 2 and 3, marked by
// eight 0xAA bytes where the first catalogue has the first half of the title.
constexpr int64_t kWatfordSecondCatalogue = 2 * kSectorSize;
constexpr uint8_t kWatfordMark = 0xAA;
constexpr size_t kWatfordMarkLength = 8;
constexpr int32_t kWatfordFirstDataSector = 4;

// Title character i (0-11) lies in sector 0 for the first 8, then in sector 1.
size_t TitleOffset(size_t index) {
  return index < 8 ? index : 0x100 + index - 8;
}

std::string StoredName(const std::string& name) {
  return PadRight(name, kNameLength).substr(0, kNameLength);
}

char UpperCase(char value) {
  return value >= 'a' && value <= 'z' ? static_cast<char>(value - 'a' + 'A') : value;
}

// Directories compare ignoring the case of a-z; names compare exactly, all 7 characters.
bool IsEntry(const DFSFileClass& entry, char directory, const std::string& name) {
  return UpperCase(entry.Directory) == UpperCase(directory) && entry.Name == name;
}

DFSFileList::iterator FindEntry(DFSFileList& list, char directory, const std::string& name) {
  return std::find_if(list.begin(), list.end(),
                      [&](const DFSFileClass& entry) { return IsEntry(entry, directory, name); });
}

int32_t Word(const Catalogue& bytes, size_t offset) {
  return bytes[offset] | (bytes[offset + 1] << 8);
}

void PutWord(Catalogue& bytes, size_t offset, uint32_t value) {
  bytes[offset] = static_cast<uint8_t>(value & 0xFF);
  bytes[offset + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

// The entry in slot of a catalogue's bytes, listed at position index.
DFSFileClass DecodeEntry(const Catalogue& bytes, int slot, int index) {
  size_t nameSlot = kFirstNameSlot + 8 * static_cast<size_t>(slot);
  size_t infoSlot = kFirstInfoSlot + 8 * static_cast<size_t>(slot);
  uint8_t directoryByte = bytes[nameSlot + 7];
  uint8_t mixed = bytes[infoSlot + 6];
  DFSFileClass entry;
  entry.Name.assign(reinterpret_cast<const char*>(&bytes[nameSlot]), kNameLength);
  entry.Directory = static_cast<char>(directoryByte & 0x7F);
  entry.Locked = directoryByte >> 7;
  entry.LoadAddress = Word(bytes, infoSlot) + ((mixed & 0x0C) == 0x0C ? kHostAddress : 0);
  entry.ExecAddress = Word(bytes, infoSlot + 2) + ((mixed & 0xC0) == 0xC0 ? kHostAddress : 0);
  entry.Length = Word(bytes, infoSlot + 4) + ((mixed >> 4) & 3) * 0x10000;
  entry.StartSector = ((mixed & 3) << 8) | bytes[infoSlot + 7];
  entry.CatalogueIndex = index;
  return entry;
}

void EncodeEntry(Catalogue& bytes, int index, const DFSFileClass& entry) {
  size_t nameSlot = kFirstNameSlot + 8 * static_cast<size_t>(index);
  size_t infoSlot = kFirstInfoSlot + 8 * static_cast<size_t>(index);
  std::string name = StoredName(entry.Name);
  std::copy(name.begin(), name.end(), bytes.begin() + static_cast<ptrdiff_t>(nameSlot));
  bytes[nameSlot + 7] = static_cast<uint8_t>((entry.Directory & 0x7F) | (entry.Locked ? 0x80 : 0));
  auto load = static_cast<uint32_t>(entry.LoadAddress);
  auto exec = static_cast<uint32_t>(entry.ExecAddress);
  auto length = static_cast<uint32_t>(entry.Length);
  auto start = static_cast<uint32_t>(entry.StartSector);
  PutWord(bytes, infoSlot, load);
  PutWord(bytes, infoSlot + 2, exec);
  PutWord(bytes, infoSlot + 4, length);
  // Addresses above 0xFFFF are stored as host addresses (both flag bits set).
  bytes[infoSlot + 6] =
      static_cast<uint8_t>(((start >> 8) & 3) | (load > 0xFFFF ? 0x0C : 0) |
                           (exec > 0xFFFF ? 0xC0 : 0) | (((length >> 16) & 3) << 4));
  bytes[infoSlot + 7] = static_cast<uint8_t>(start & 0xFF);
}

void ClearEntrySlots(Catalogue& bytes) {
  std::fill(bytes.begin() + kFirstNameSlot, bytes.begin() + 0x100, 0);
  std::fill(bytes.begin() + kFirstInfoSlot, bytes.end(), 0);
}

int64_t RoundedLength(const DFSFileClass& entry) {
  int64_t length = std::max<int32_t>(entry.Length, 0);
  return (length + kSectorSize - 1) / kSectorSize * kSectorSize;
}

int64_t StartOffset(const DFSFileClass& entry) {
  return static_cast<int64_t>(entry.StartSector) * kSectorSize;
}

DFSFileList SortedByStart(DFSFileList list) {
  std::stable_sort(list.begin(), list.end(), [](const DFSFileClass& a, const DFSFileClass& b) {
    return a.StartSector < b.StartSector;
  });
  return list;
}

// The first length bytes of source; StreamReadError when it holds fewer.
std::vector<uint8_t> ReadFromStart(SStream& source, int32_t length) {
  std::vector<uint8_t> data(static_cast<size_t>(length));
  source.Seek(0);
  source.ReadBuffer(data.data(), data.size());
  return data;
}

// Calls visit(fileOffset, bufferIndex, length) for each run of the disk range
// [diskOffset, diskOffset + count) that lies contiguously in the host file.
template <typename Visit>
void ForEachHostRun(const SectorMapping& mapping, int64_t diskOffset, size_t count, Visit visit) {
  size_t index = 0;
  while (index < count) {
    int64_t runStart = mapping.FileOffset(diskOffset + static_cast<int64_t>(index));
    size_t runLength = 0;
    while (index + runLength < count) {
      int64_t at = diskOffset + static_cast<int64_t>(index + runLength);
      if (mapping.FileOffset(at) != runStart + static_cast<int64_t>(runLength)) {
        break;
      }
      runLength += std::min<size_t>(count - index - runLength, kSectorSize - at % kSectorSize);
    }
    visit(runStart, index, runLength);
    index += runLength;
  }
}

}  // namespace

// ---- SectorMapping ----------------------------------------------------------------

int64_t SectorMapping::FileOffset(int64_t diskOffset) const {
  if (!interleaved) {
    return base + diskOffset;
  }
  int64_t sector = diskOffset / kSectorSize;
  int64_t track = sector / kSectorsPerTrack;
  return base + (2 * track + side) * kTrackSize + (sector % kSectorsPerTrack) * kSectorSize +
         diskOffset % kSectorSize;
}

// ---- Opening ------------------------------------------------------------------------

namespace {

// The bytes of a blank image: one catalogue, or one for each side of a double-sided one.
std::string BlankImageBytes(bool doubleSided, bool watford62);

}  // namespace

std::unique_ptr<DFSDiskClass> DFSDiskClass::Create(const std::string& fileName, int creationFlag,
                                                   bool watford62) {
  if (creationFlag == 1) {
    // The lock on an image already there is taken first, so a file held elsewhere
    // survives. The blank image is written beside it and renamed into place, so a full
    // disk never leaves a part of one where the image was.
    std::optional<SFileStream> existing;
    try {
      existing.emplace(fileName, true);
    } catch (const FileSystemError& error) {
      if (error.ErrorNumber() != ENOENT) {
        // Reported as the creation it was meant to be.
        if (error.ErrorNumber() == 0) {
          throw FileSystemError("Cannot create file", fileName,
                                std::string("It is not a regular file"));
        }
        throw FileSystemError("Cannot create file", fileName, error.ErrorNumber());
      }
    }
    ReplaceFileAtomically(fileName, BlankImageBytes(IsDoubleSidedName(fileName), watford62));
  }
  // A double-sided name always gets its real layout; side 0 is the first.
  ImageSides sides = OpenDiskImage(fileName);
  return std::move(sides.front());
}

DFSDiskClass::DFSDiskClass(std::shared_ptr<SFileStream> stream, const std::string& fileName,
                           SectorMapping mapping)
    : FileName(fileName), Stream(std::move(stream)), mapping_(mapping) {
  if (!Stream) {
    throw std::invalid_argument("DFSDiskClass needs an open image file");
  }
  ReadDiskOptions();
  DetectWatfordCatalogue();
  ComputeSpace();
}

DFSDiskClass::~DFSDiskClass() = default;

void DFSDiskClass::ReadDiskOptions() {
  uint8_t bytes[2] = {0, 0};
  ReadDisk(kOptionByte, bytes, 2);
  uint8_t options = bytes[0];
  int32_t sectors = ((options & 3) << 8) | bytes[1];
  if (sectors >= kFewestSectors && sectors <= kMostSectors) {
    DiskSize = sectors * kSectorSize;
  } else {
    DiskSize = (options & 3) == 3 ? kLargeDiskSize : kSmallDiskSize;
  }
  BootOption = (options & 0x30) >> 4;
}

void DFSDiskClass::DetectWatfordCatalogue() {
  std::array<uint8_t, kWatfordMarkLength> mark{};
  ReadDisk(kWatfordSecondCatalogue, mark.data(), mark.size());
  if (!std::all_of(mark.begin(), mark.end(), [](uint8_t value) { return value == kWatfordMark; })) {
    return;
  }
  // Watford DFS puts files at sector 4 or later. Data of the first catalogue in sectors
  // 2-3 means the mark is only that file's first bytes, or the disk was written by a DFS
  // that did not know the second catalogue: neither reading can be trusted for writing.
  // The guard entry is the one file that lies there on purpose.
  DFSFileList first;
  ReadCatalogue(first);
  conflictingWatfordMark_ = std::any_of(first.begin(), first.end(), [](const DFSFileClass& entry) {
    return entry.Length > 0 && entry.StartSector < kWatfordFirstDataSector &&
           StartOffset(entry) + RoundedLength(entry) > kWatfordSecondCatalogue &&
           !IsWatfordGuardEntry(entry);
  });
  watford_ = !conflictingWatfordMark_;
}

bool IsWatfordGuardEntry(const DFSFileClass& entry) {
  return entry.Directory == '!' && entry.Name == "!!!!!!!" &&
         StartOffset(entry) == kWatfordSecondCatalogue && entry.Length == kCatalogueSize;
}

int32_t FirstFitOffset(const DFSFileList& list, int64_t length, int64_t diskSize,
                       int64_t firstFree) {
  int64_t candidate = firstFree;
  for (const DFSFileClass& entry : SortedByStart(list)) {
    int64_t start = StartOffset(entry);
    if (start >= diskSize) {
      break;
    }
    if (start - candidate >= length) {
      return static_cast<int32_t>(candidate);
    }
    candidate = std::max(candidate, start + RoundedLength(entry));
  }
  return diskSize - candidate > length ? static_cast<int32_t>(candidate) : 0;
}

std::string DFSDiskClass::FormatName() const {
  return watford_ ? "Watford 62-file" : "DFS Disk";
}

const char* DFSDiskClass::CatalogueFullMessage() const {
  return watford_ ? kWatfordCatalogueFullMessage : kCatalogueFullMessage;
}

void DFSDiskClass::RequireWritable() const {
  if (IsReadOnly()) {
    throw ReadOnlyDiskError(readOnlyReason_);
  }
}

namespace {

// The catalogue of a blank 80-track disk: 800 sectors, boot option 0, nothing else.
Catalogue BlankCatalogue() {
  Catalogue bytes{};
  bytes[kOptionByte] = static_cast<uint8_t>(kBlankSectorCount >> 8);
  bytes[kSectorCountByte] = static_cast<uint8_t>(kBlankSectorCount & 0xFF);
  return bytes;
}

// The second catalogue of a blank Watford 62-file disk, as Watford DFS formats it: the
// mark, no entries, zeros in sector 3 bytes 0-5 (where the first catalogue has the end of
// the title, the cycle number and the count) and the sector count repeated in bytes 6-7
// with boot option bits 0. The boot option itself lives in the first catalogue alone.
Catalogue BlankWatfordCatalogue() {
  Catalogue bytes = BlankCatalogue();
  std::fill_n(bytes.begin(), kWatfordMarkLength, kWatfordMark);
  return bytes;
}

std::string BlankSideBytes(bool watford62) {
  Catalogue blank = BlankCatalogue();
  std::string bytes(blank.begin(), blank.end());
  if (watford62) {
    Catalogue second = BlankWatfordCatalogue();
    bytes.append(second.begin(), second.end());
  }
  return bytes;
}

std::string BlankImageBytes(bool doubleSided, bool watford62) {
  std::string bytes = BlankSideBytes(watford62);
  if (doubleSided) {
    bytes.resize(static_cast<size_t>(kTrackSize), '\0');
    bytes += BlankSideBytes(watford62);
  }
  return bytes;
}

}  // namespace

// ---- Reading ------------------------------------------------------------------------

std::string DFSDiskClass::GetTitle() {
  Catalogue bytes = ReadCatalogueBytes();
  std::string title;
  for (size_t index = 0; index < kTitleLength && bytes[TitleOffset(index)] != 0; ++index) {
    title += static_cast<char>(bytes[TitleOffset(index)]);
  }
  return title;
}

void DFSDiskClass::ReadCatalogue(DFSFileList& list) {
  int index = 0;
  for (int catalogue = 0; catalogue < CatalogueCount(); ++catalogue) {
    Catalogue bytes = ReadCatalogueBytes(catalogue);
    int count = bytes[kCountByte] >> 3;
    for (int slot = 0; slot < count; ++slot) {
      DFSFileClass entry = DecodeEntry(bytes, slot, index++);
      entry.CatalogueNumber = catalogue;
      list.push_back(entry);
    }
  }
}

int DFSDiskClass::CatalogueFileCount(int catalogue) {
  if (catalogue < 0 || catalogue >= CatalogueCount()) {
    return 0;
  }
  uint8_t count = 0;
  ReadDisk(catalogue * kCatalogueSize + static_cast<int64_t>(kCountByte), &count, 1);
  return count >> 3;
}

int DFSDiskClass::FileCount() {
  return CatalogueFileCount(0) + CatalogueFileCount(1);
}

void DFSDiskClass::ComputeSpace() {
  DFSFileList list;
  ReadCatalogue(list);
  // Sectors from the end of the catalogues to the last that some entry covers:
  // overlapping entries count once, and entries past the end count only for what lies
  // inside. The catalogues' own sectors are never free.
  // A zero-length entry covers nothing, but new data is never placed across its start
  // sector (FirstFitOffset), so a free run ends there too.
  const int64_t firstData = FirstDataSector();
  const int64_t sectors = std::max<int64_t>(SectorCount(), firstData);
  std::vector<bool> covered(static_cast<size_t>(sectors), false);
  std::vector<bool> runStarts(static_cast<size_t>(sectors), false);
  for (const DFSFileClass& entry : list) {
    if (entry.Length == 0 && entry.StartSector > firstData && entry.StartSector < sectors) {
      runStarts[static_cast<size_t>(entry.StartSector)] = true;
    }
    int64_t first = std::max<int64_t>(entry.StartSector, firstData);
    int64_t end =
        std::min<int64_t>(entry.StartSector + RoundedLength(entry) / kSectorSize, sectors);
    for (int64_t sector = first; sector < end; ++sector) {
      covered[static_cast<size_t>(sector)] = true;
    }
  }
  int64_t used = 0;
  int64_t run = 0;
  int64_t longest = 0;
  for (int64_t sector = firstData; sector < sectors; ++sector) {
    if (covered[static_cast<size_t>(sector)]) {
      ++used;
      run = 0;
    } else {
      run = runStarts[static_cast<size_t>(sector)] ? 1 : run + 1;
      longest = std::max(longest, run);
    }
  }
  UsedSpace = static_cast<int32_t>((firstData + used) * kSectorSize);
  LargestFree = static_cast<int32_t>(longest * kSectorSize);
}

// ---- Lookup -------------------------------------------------------------------------

std::optional<DFSFileClass> DFSDiskClass::FindFile(char directory, const std::string& name) {
  DFSFileList list;
  ReadCatalogue(list);
  auto entry = FindEntry(list, directory, name);
  if (entry == list.end()) {
    return std::nullopt;
  }
  return *entry;
}

DFSFileList::iterator DFSDiskClass::LocateEntry(DFSFileList& list, const DFSFileClass& entry) {
  if (entry.CatalogueIndex < 0) {
    // Its start and length are defaults, which a zero-length namesake at sector 0 shares.
    return FindEntry(list, entry.Directory, entry.Name);
  }
  size_t position = static_cast<size_t>(entry.CatalogueIndex);
  if (position < list.size() && IsEntry(list[position], entry.Directory, entry.Name)) {
    return list.begin() + static_cast<ptrdiff_t>(position);
  }
  auto same = std::find_if(list.begin(), list.end(), [&](const DFSFileClass& candidate) {
    return IsEntry(candidate, entry.Directory, entry.Name) &&
           candidate.StartSector == entry.StartSector && candidate.Length == entry.Length;
  });
  return same != list.end() ? same : FindEntry(list, entry.Directory, entry.Name);
}

std::optional<DFSFileClass> DFSDiskClass::FindEntryLike(const DFSFileClass& entry) {
  DFSFileList list;
  ReadCatalogue(list);
  auto found = LocateEntry(list, entry);
  if (found == list.end()) {
    return std::nullopt;
  }
  return *found;
}

bool DFSDiskClass::FileExists(char directory, const std::string& name) {
  return FindFile(directory, name).has_value();
}

bool DFSDiskClass::IsLocked(char directory, const std::string& name) {
  std::optional<DFSFileClass> entry = FindFile(directory, name);
  return entry && entry->Locked != 0;
}

// ---- Changes ------------------------------------------------------------------------

void DFSDiskClass::SetTitle(const std::string& title) {
  RequireWritable();
  std::string kept = title.substr(0, std::min(title.size(), kTitleLength));
  Catalogue bytes = ReadCatalogueBytes();
  for (size_t index = 0; index < kept.size(); ++index) {
    bytes[TitleOffset(index)] = static_cast<uint8_t>(kept[index]);
  }
  if (kept.size() < kTitleLength) {
    bytes[TitleOffset(kept.size())] = 0;
  }
  WriteCatalogueBytes(bytes);
  if (titleObserver_) {
    titleObserver_(kept);
  }
}

void DFSDiskClass::SetBootOption(int option) {
  if (option < 0 || option > 3) {
    throw std::invalid_argument("Boot option must be 0 to 3");
  }
  RequireWritable();
  Catalogue bytes = ReadCatalogueBytes();
  bytes[kOptionByte] = static_cast<uint8_t>(option * 16 | (bytes[kOptionByte] & 0xCF));
  WriteCatalogueBytes(bytes);
  BootOption = option;
}

bool DFSDiskClass::ChangeEntry(char directory, const std::string& name,
                               const std::function<void(DFSFileClass&)>& change) {
  DFSFileClass target;
  target.Directory = directory;
  target.Name = name;
  target.CatalogueIndex = -1;
  return ChangeEntryLike(target, change);
}

bool DFSDiskClass::ChangeEntryLike(const DFSFileClass& target,
                                   const std::function<void(DFSFileClass&)>& change) {
  RequireWritable();
  DFSFileList list;
  ReadCatalogue(list);
  auto entry = LocateEntry(list, target);
  if (entry == list.end()) {
    Prompts().ShowMessage(kEntryLookupFailureMessage);
    return false;
  }
  DFSFileClass changed = *entry;
  change(changed);
  // As the catalogue will hold it: 7 bits of directory, 7 characters of name. A directory
  // byte with bit 7 set or a longer name must meet the name check as it will be stored.
  changed.Directory = static_cast<char>(changed.Directory & 0x7F);
  changed.Name = StoredName(changed.Name);
  if ((UpperCase(changed.Directory) != UpperCase(entry->Directory) ||
       changed.Name != entry->Name) &&
      NameTaken(list, entry, changed.Directory, changed.Name)) {
    return false;
  }
  *entry = changed;
  StoreCatalogue(list, false, CatalogueBit(changed));
  return true;
}

bool DFSDiskClass::NameTaken(DFSFileList& list, DFSFileList::iterator changed, char directory,
                             const std::string& name) {
  std::string stored = StoredName(name);
  for (auto other = list.begin(); other != list.end(); ++other) {
    if (other != changed && IsEntry(*other, directory, stored)) {
      Prompts().ShowMessage(MakeFileMessage(
          kNameTakenMessage,
          std::string(1, directory) + "." + stored.substr(0, stored.find_last_not_of(' ') + 1)));
      return true;
    }
  }
  return false;
}

bool DFSDiskClass::SetLocked(char directory, const std::string& name, bool locked) {
  return ChangeEntry(directory, name,
                     [locked](DFSFileClass& entry) { entry.Locked = locked ? 1 : 0; });
}

bool DFSDiskClass::SetLocked(const DFSFileClass& target, bool locked) {
  return ChangeEntryLike(target, [locked](DFSFileClass& entry) { entry.Locked = locked ? 1 : 0; });
}

bool DFSDiskClass::DeleteFile(char directory, const std::string& name) {
  DFSFileClass target;
  target.Directory = directory;
  target.Name = name;
  target.CatalogueIndex = -1;
  return DeleteFile(target);
}

bool DFSDiskClass::DeleteFile(const DFSFileClass& target) {
  RequireWritable();
  DFSFileList list;
  ReadCatalogue(list);
  auto entry = LocateEntry(list, target);
  if (entry == list.end()) {
    Prompts().ShowMessage(kEntryLookupFailureMessage);
    return false;
  }
  if (entry->Locked != 0) {
    Prompts().ShowMessage(MakeFileMessage(kDeleteLockedMessage, entry->Name));
    return false;
  }
  const unsigned touched = CatalogueBit(*entry);
  list.erase(entry);
  StoreCatalogue(list, true, touched);
  ComputeSpace();
  return true;
}

namespace {

// The text as a hexadecimal number of up to 8 digits; std::invalid_argument otherwise.
int32_t ParseHexAddress(const std::string& text) {
  bool valid =
      !text.empty() && text.size() <= 8 && std::all_of(text.begin(), text.end(), [](char digit) {
        return std::isxdigit(static_cast<unsigned char>(digit)) != 0;
      });
  if (!valid) {
    throw std::invalid_argument("'" + text + "' is not a valid hexadecimal address");
  }
  return static_cast<int32_t>(std::stoul(text, nullptr, 16));
}

}  // namespace

bool DFSDiskClass::SetAddress(char directory, const std::string& name, const std::string& which,
                              const std::string& hexText) {
  return ChangeEntry(directory, name, [&](DFSFileClass& entry) {
    int32_t address = ParseHexAddress(hexText);
    (which == "Exec" ? entry.ExecAddress : entry.LoadAddress) = address;
  });
}

bool DFSDiskClass::SetAddress(const DFSFileClass& target, const std::string& which,
                              const std::string& hexText) {
  return ChangeEntryLike(target, [&](DFSFileClass& entry) {
    int32_t address = ParseHexAddress(hexText);
    (which == "Exec" ? entry.ExecAddress : entry.LoadAddress) = address;
  });
}

bool DFSDiskClass::SetDirectory(const DFSFileClass& target, char newDirectory) {
  return ChangeEntryLike(target,
                         [newDirectory](DFSFileClass& entry) { entry.Directory = newDirectory; });
}

bool DFSDiskClass::RenameFile(const DFSFileClass& target, const std::string& newName) {
  std::string paddedNew = PadRight(newName, kNameLength);
  return ChangeEntryLike(target, [&paddedNew](DFSFileClass& entry) { entry.Name = paddedNew; });
}

bool DFSDiskClass::SetDirectory(char directory, char newDirectory, const std::string& name) {
  return ChangeEntry(directory, name,
                     [newDirectory](DFSFileClass& entry) { entry.Directory = newDirectory; });
}

bool DFSDiskClass::RenameFile(char directory, const std::string& oldName,
                              const std::string& newName) {
  std::string paddedNew = PadRight(newName, kNameLength);
  return ChangeEntry(directory, PadRight(oldName, kNameLength),
                     [&paddedNew](DFSFileClass& entry) { entry.Name = paddedNew; });
}

int32_t DFSDiskClass::FindFreeSpace(int32_t length) {
  DFSFileList list;
  ReadCatalogue(list);
  return FirstFitOffset(list, length, DiskSize, FirstDataSector() * kSectorSize);
}

void DFSDiskClass::ClearCatalogue() {
  RequireWritable();
  std::vector<CatalogueBytes> images;
  for (int catalogue = 0; catalogue < CatalogueCount(); ++catalogue) {
    images.push_back(ReadCatalogueBytes(catalogue));
    ClearEntrySlots(images.back());
  }
  WriteCatalogueImages(images, false);
}

void DFSDiskClass::WriteCatalogue(DFSFileList& list) {
  StoreCatalogue(list, false);
}

int DFSDiskClass::CatalogueForNewEntry(const DFSFileList& list) const {
  auto inFirst = std::count_if(list.begin(), list.end(), [](const DFSFileClass& entry) {
    return entry.CatalogueNumber == 0;
  });
  return watford_ && inFirst >= kMaxCatalogueEntries ? 1 : 0;
}

std::vector<DFSDiskClass::CatalogueBytes> DFSDiskClass::CatalogueImages(DFSFileList& list,
                                                                        bool writeCount,
                                                                        unsigned touched) {
  if (std::any_of(list.begin(), list.end(), [this](const DFSFileClass& entry) {
        return entry.CatalogueNumber < 0 || entry.CatalogueNumber >= CatalogueCount();
      })) {
    throw std::invalid_argument("An entry names a catalogue this disk does not have");
  }
  std::stable_sort(list.begin(), list.end(), [](const DFSFileClass& a, const DFSFileClass& b) {
    return a.CatalogueNumber != b.CatalogueNumber ? a.CatalogueNumber < b.CatalogueNumber
                                                  : a.StartSector > b.StartSector;
  });
  std::vector<CatalogueBytes> images;
  for (int catalogue = 0; catalogue < CatalogueCount(); ++catalogue) {
    CatalogueBytes bytes = ReadCatalogueBytes(catalogue);
    if ((touched & (1u << catalogue)) == 0) {
      images.push_back(bytes);  // nothing of it changed: not even its order
      continue;
    }
    ClearEntrySlots(bytes);
    int slot = 0;
    for (const DFSFileClass& entry : list) {
      if (entry.CatalogueNumber != catalogue) {
        continue;
      }
      if (slot == kMaxCatalogueEntries) {
        throw std::length_error(CatalogueFullMessage());
      }
      EncodeEntry(bytes, slot++, entry);
    }
    if (writeCount) {
      bytes[kCountByte] = static_cast<uint8_t>(slot * 8);
    }
    images.push_back(bytes);
  }
  return images;
}

void DFSDiskClass::WriteCatalogueImages(const std::vector<CatalogueBytes>& images,
                                        bool journalled) {
  std::vector<int> changed;
  for (int catalogue = 0; catalogue < static_cast<int>(images.size()); ++catalogue) {
    if (images[static_cast<size_t>(catalogue)] != ReadCatalogueBytes(catalogue)) {
      changed.push_back(catalogue);
    }
  }
  if (changed.empty()) {
    changed.push_back(0);  // every change writes, as on a one-catalogue disk
  }
  if (!watford_ || changed.size() == 1) {
    if (journalled) {
      WriteDisk(changed.front() * kCatalogueSize,
                images[static_cast<size_t>(changed.front())].data(), kCatalogueSize);
      Stream->Flush();
    } else {
      WriteCatalogueBytes(images[static_cast<size_t>(changed.front())], changed.front());
    }
    return;
  }
  // Both catalogues: a kill or failure between the two writes must leave both old.
  std::optional<Journal> journal;
  if (!journalled) {
    journal = Journal::Begin(*Stream, HostRanges(0, CatalogueCount() * kCatalogueSize));
  }
  try {
    for (int catalogue : changed) {
      WriteDisk(catalogue * kCatalogueSize, images[static_cast<size_t>(catalogue)].data(),
                kCatalogueSize);
      Stream->Flush();
    }
  } catch (const std::exception&) {
    if (journal) {
      try {
        journal->RollBack(*Stream);
      } catch (const FileSystemError&) {
        // The journal stays for the next opening; the first failure is the one to report.
      }
    }
    throw;
  }
  if (journal) {
    journal->Commit();
  }
}

void DFSDiskClass::WriteCatalogueUnderJournal(DFSFileList& list) {
  RequireWritable();
  if (list.size() > static_cast<size_t>(MaxEntries())) {
    throw std::length_error(CatalogueFullMessage());
  }
  WriteCatalogueImages(CatalogueImages(list, true), true);
}

void DFSDiskClass::StoreCatalogue(DFSFileList& list, bool writeCount, unsigned touched) {
  RequireWritable();
  if (list.size() > static_cast<size_t>(MaxEntries())) {
    throw std::length_error(CatalogueFullMessage());
  }
  WriteCatalogueImages(CatalogueImages(list, writeCount, touched), false);
}

void DFSDiskClass::AddCatalogueEntry(const DFSFileClass& file, int32_t offset) {
  DFSFileList list;
  ReadCatalogue(list);
  DFSFileClass entry = file;
  entry.StartSector = offset / kSectorSize;
  entry.CatalogueNumber = CatalogueForNewEntry(list);
  list.push_back(entry);
  StoreCatalogue(list, true, CatalogueBit(entry));
}

int DFSDiskClass::SaveFile(const DFSFileClass& file, SStream& source) {
  return SaveFiles({{file, &source}}).front();
}

namespace {

// The part of [offset, offset + length) that entry's sectors cover, as whole sectors.
std::optional<std::pair<int64_t, int64_t>> SectorOverlap(const DFSFileClass& entry, int64_t offset,
                                                         int64_t length) {
  int64_t begin = std::max(offset, StartOffset(entry));
  int64_t end = std::min(offset + (length + kSectorSize - 1) / kSectorSize * kSectorSize,
                         StartOffset(entry) + RoundedLength(entry));
  if (end <= begin) {
    return std::nullopt;
  }
  return std::make_pair(begin, end - begin);
}

}  // namespace

std::vector<int> DFSDiskClass::SaveFiles(const std::vector<SaveRequest>& requests) {
  RequireWritable();
  DFSFileList original;
  ReadCatalogue(original);
  // The catalogue as it will be written, and everything whose sectors must not be
  // written over without the journal: the files there now and the new ones placed.
  DFSFileList final = original;
  DFSFileList occupied = original;
  for (DFSFileClass& entry : final) {
    entry.CatalogueIndex = 0;  // 0 for a file already on the disk, -1 for a new one
  }
  struct Placed {
    int32_t offset;
    std::vector<uint8_t> data;
  };
  std::vector<Placed> placed;
  std::vector<std::pair<int64_t, int64_t>> overwritten;  // live disk ranges in the journal
  std::vector<int> results;
  unsigned touched = 0;  // the catalogues that gain or lose an entry
  for (const SaveRequest& request : requests) {
    if (request.file.Length < 0) {
      throw std::invalid_argument("Negative file length");
    }
    DFSFileClass entry = request.file;
    entry.Name = StoredName(request.file.Name);
    // The catalogue keeps 7 bits of the directory; the namesake is looked up by them, so
    // that a directory byte with bit 7 set cannot add a second entry of the same name.
    entry.Directory = static_cast<char>(request.file.Directory & 0x7F);
    auto namesake = request.replacesEntry ? LocateEntry(final, entry)
                                          : FindEntry(final, entry.Directory, entry.Name);
    if (namesake != final.end() && namesake->Locked != 0) {
      results.push_back(kSaveDestinationLocked);
      continue;
    }
    if (namesake == final.end() && final.size() >= static_cast<size_t>(MaxEntries())) {
      results.push_back(kSaveCatalogueFull);
      continue;
    }
    // Away from every live sector if possible; else over the namesake's own, journalled.
    const int64_t firstFree = FirstDataSector() * kSectorSize;
    int32_t offset = FirstFitOffset(occupied, entry.Length, DiskSize, firstFree);
    DFSFileList others = final;
    if (namesake != final.end()) {
      others.erase(others.begin() + (namesake - final.begin()));
    }
    if (offset == 0 && namesake != final.end()) {
      offset = FirstFitOffset(others, entry.Length, DiskSize, firstFree);
      for (const DFSFileClass& live : original) {
        if (auto overlap = SectorOverlap(live, offset, entry.Length); offset != 0 && overlap) {
          overwritten.push_back(*overlap);
        }
      }
    }
    if (offset == 0) {
      results.push_back(kSaveNoRoom);
      continue;
    }
    placed.push_back({offset, ReadFromStart(*request.source, entry.Length)});
    entry.StartSector = offset / kSectorSize;
    entry.CatalogueIndex = -1;
    // A replacement stays in its namesake's catalogue; a new file fills the first first.
    entry.CatalogueNumber =
        namesake != final.end() ? namesake->CatalogueNumber : CatalogueForNewEntry(others);
    touched |= CatalogueBit(entry);
    others.push_back(entry);
    final = std::move(others);
    occupied.push_back(entry);
    results.push_back(kSaveDone);
  }
  if (placed.empty()) {
    return results;
  }
  // The data never reaches the catalogues' sectors, so their new bytes are known now.
  const std::vector<CatalogueBytes> images = CatalogueImages(final, true, touched);
  int changedCatalogues = 0;
  for (int catalogue = 0; catalogue < CatalogueCount(); ++catalogue) {
    changedCatalogues += images[static_cast<size_t>(catalogue)] != ReadCatalogueBytes(catalogue);
  }
  std::optional<Journal> journal;
  if (!overwritten.empty() || changedCatalogues > 1) {
    std::vector<HostRange> ranges = HostRanges(0, CatalogueCount() * kCatalogueSize);
    for (const auto& [offset, length] : overwritten) {
      std::vector<HostRange> more = HostRanges(offset, length);
      ranges.insert(ranges.end(), more.begin(), more.end());
    }
    try {
      journal = Journal::Begin(*Stream, ranges);
    } catch (const FileSystemError&) {
      // Without the journal the old file could not be kept safe: nothing is written.
      for (int& result : results) {
        result = result == kSaveDone ? kSaveNoRoom : result;
      }
      return results;
    }
  }
  const int64_t originalSize = Stream->Size();
  try {
    for (const Placed& file : placed) {
      WriteDisk(file.offset, file.data.data(), file.data.size());
    }
    Stream->Flush();
    WriteCatalogueImages(images, journal.has_value());
  } catch (const std::exception&) {
    try {
      if (journal) {
        journal->RollBack(*Stream);
      } else if (Stream->Size() > originalSize) {
        Stream->SetSize(originalSize);
        Stream->Flush();
      }
    } catch (const FileSystemError&) {
      // The journal stays for the next opening; the first failure is the one to report.
    }
    ComputeSpace();
    throw;
  }
  if (journal) {
    journal->Commit();
  }
  ComputeSpace();
  return results;
}

// ---- File data and raw access -------------------------------------------------------

std::vector<uint8_t> DFSDiskClass::ReadFileData(const DFSFileClass& file) {
  std::vector<uint8_t> data(static_cast<size_t>(std::max<int32_t>(file.Length, 0)), 0);
  ReadDisk(StartOffset(file), data.data(), data.size());
  return data;
}

int64_t DFSDiskClass::DiskLimit() const {
  int64_t limit = std::max<int64_t>(DiskSize, kCatalogueSize);
  return mapping_.span > 0 ? std::min(limit, mapping_.span) : limit;
}

std::vector<HostRange> DFSDiskClass::HostRanges(int64_t diskOffset, int64_t count) const {
  std::vector<HostRange> ranges;
  ForEachHostRun(mapping_, diskOffset, static_cast<size_t>(std::max<int64_t>(count, 0)),
                 [&](int64_t fileOffset, size_t, size_t length) {
                   ranges.push_back({fileOffset, static_cast<int64_t>(length)});
                 });
  return ranges;
}

void DFSDiskClass::ReadDisk(int64_t diskOffset, void* buffer, size_t count) {
  if (diskOffset < 0) {
    throw std::out_of_range("Read before the start of the disk");
  }
  if (count == 0) {
    return;
  }
  auto* bytes = static_cast<uint8_t*>(buffer);
  std::memset(bytes, 0, count);
  // A disk inside a larger file (an MMB slot) never reads its neighbour's bytes.
  if (mapping_.span > 0) {
    if (diskOffset >= mapping_.span) {
      return;
    }
    count = std::min<size_t>(count, static_cast<size_t>(mapping_.span - diskOffset));
  }
  // Bytes past the host file's end read as zero; the disk's size does not cut a read, as
  // a catalogue may list data beyond what it says the disk holds.
  ForEachHostRun(mapping_, diskOffset, count, [&](int64_t fileOffset, size_t index, size_t length) {
    Stream->Seek(fileOffset);
    Stream->Read(bytes + index, length);
  });
}

void DFSDiskClass::WriteDisk(int64_t diskOffset, const void* buffer, size_t count) {
  RequireWritable();
  if (diskOffset < 0 || diskOffset + static_cast<int64_t>(count) > DiskLimit()) {
    throw std::out_of_range("Write outside the disk");
  }
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  ForEachHostRun(mapping_, diskOffset, count, [&](int64_t fileOffset, size_t index, size_t length) {
    Stream->Seek(fileOffset);
    Stream->Write(bytes + index, length);
  });
}

DFSDiskClass::CatalogueBytes DFSDiskClass::ReadCatalogueBytes(int catalogue) {
  CatalogueBytes bytes{};
  ReadDisk(catalogue * kCatalogueSize, bytes.data(), bytes.size());
  return bytes;
}

void DFSDiskClass::WriteCatalogueBytes(const CatalogueBytes& bytes, int catalogue) {
  // A write that fails part-way, or a flush that fails, would leave names and sector
  // numbers of two different catalogues side by side; the catalogue as it was is put
  // back before the failure is raised.
  CatalogueBytes previous = ReadCatalogueBytes(catalogue);
  const int64_t at = catalogue * kCatalogueSize;
  try {
    WriteDisk(at, bytes.data(), bytes.size());
    Stream->Flush();
  } catch (const FileSystemError&) {
    try {
      WriteDisk(at, previous.data(), previous.size());
      Stream->Flush();
    } catch (const FileSystemError&) {
      // The first failure is the one to report.
    }
    throw;
  }
}

// ---- Whole image files ------------------------------------------------------------

namespace {

const SectorMapping kDoubleSidedMappings[] = {{true, 0}, {true, 1}};
const char* const kCannotUndoNowMessage =
    "The last change to this disk was interrupted, and it cannot be undone while the disk "
    "cannot be written. The disk is opened read-only as it is.";
const char* const kReadOnlyAccessReason = "This disk is open for reading only.";

bool MayNotWrite(int error) {
  return error == EACCES || error == EROFS || error == EPERM;
}

bool LockHeldElsewhere(int error) {
  return error == EWOULDBLOCK || error == EAGAIN;
}

std::shared_ptr<SFileStream> OpenHostFile(const std::string& path, OpenAccess access,
                                          std::string& readOnlyReason) {
  if (access != OpenAccess::ReadOnly) {
    try {
      return std::make_shared<SFileStream>(path, true);
    } catch (const FileSystemError& error) {
      if (access != OpenAccess::WriteIfAllowed || !MayNotWrite(error.ErrorNumber())) {
        throw;
      }
      readOnlyReason = "\"" + path + "\" cannot be written: " + std::strerror(error.ErrorNumber()) +
                       ". The disk is opened read-only.";
    }
  } else {
    readOnlyReason = kReadOnlyAccessReason;
  }
  return std::make_shared<SFileStream>(path, SFileStream::ReadOnlyShared{});
}

struct JournalFindings {
  std::string notice;
  std::string readOnlyReason;
};

// Rolls back the journal of an interrupted change before anything is read. A reader
// that may write takes the exclusive lock for the rollback, then reads as before.
JournalFindings CheckJournal(std::shared_ptr<SFileStream>& stream, const std::string& path) {
  JournalFindings findings;
  if (!Journal::ExistsFor(path)) {
    return findings;
  }
  Journal::Recovery recovery;
  if (!stream->IsReadOnly()) {
    recovery = Journal::Recover(*stream);
  } else {
    stream.reset();
    try {
      SFileStream writer(path, true);
      recovery = Journal::Recover(writer);
    } catch (const FileSystemError& error) {
      if (!MayNotWrite(error.ErrorNumber()) && !LockHeldElsewhere(error.ErrorNumber())) {
        throw;
      }
      recovery = {Journal::Outcome::LeftInPlace, kCannotUndoNowMessage};
    }
    stream = std::make_shared<SFileStream>(path, SFileStream::ReadOnlyShared{});
  }
  findings.notice = recovery.message;
  if (recovery.outcome == Journal::Outcome::LeftInPlace) {
    findings.readOnlyReason = recovery.message;
  }
  return findings;
}

void AddLine(std::string& text, const std::string& line) {
  if (!line.empty()) {
    text += (text.empty() ? "" : "\n") + line;
  }
}

}  // namespace

bool IsDoubleSidedName(const std::string& path) {
  static const std::string extension = ".DSD";
  if (path.size() < extension.size()) {
    return false;
  }
  std::string ending = path.substr(path.size() - extension.size());
  std::transform(ending.begin(), ending.end(), ending.begin(), UpperCase);
  return ending == extension;
}

ImageSides OpenDiskImage(const std::string& path, OpenAccess access) {
  std::string accessReason;
  std::shared_ptr<SFileStream> stream = OpenHostFile(path, access, accessReason);
  JournalFindings journal = CheckJournal(stream, path);
  if (stream->Size() == 0) {
    throw NotADiskImageError(kEmptyImageMessage);
  }
  const bool doubleSided = IsDoubleSidedName(path);
  const ImageLayout byName =
      doubleSided ? ImageLayout::InterleavedDoubleSided : ImageLayout::LinearSingleSided;
  const LayoutFindings layout = DetectLayout(*stream, byName);
  std::string layoutReason =
      layout.layout != byName ? LayoutMismatchMessage(path, byName, layout.layout) : "";
  std::string notice = journal.notice;
  AddLine(notice, layoutReason);

  ImageSides sides;
  std::vector<SectorMapping> mappings = {SectorMapping{}};
  if (doubleSided) {
    mappings.assign(std::begin(kDoubleSidedMappings), std::end(kDoubleSidedMappings));
  }
  for (const SectorMapping& mapping : mappings) {
    auto disk = std::make_unique<DFSDiskClass>(stream, path, mapping);
    std::string reason = !journal.readOnlyReason.empty() ? journal.readOnlyReason : layoutReason;
    if (reason.empty() && disk->HasConflictingWatfordMark()) {
      reason = kWatfordReadOnlyMessage;
      AddLine(notice,
              doubleSided ? "Drive " + std::to_string(mapping.side * 2) + ": " + reason : reason);
    }
    disk->SetReadOnly(!reason.empty() ? reason : accessReason);
    sides.push_back(std::move(disk));
  }
  sides.front()->OpenNotice = notice;
  return sides;
}

ImageSides CreateDoubleSided(const std::string& path) {
  DFSDiskClass::Create(path, 1);
  return OpenDiskImage(path);
}

std::string OpenFailureMessage(const std::exception& error) {
  if (const auto* failure = dynamic_cast<const FileSystemError*>(&error)) {
    return LockHeldElsewhere(failure->ErrorNumber()) ? kCouldNotOpenMessage : failure->UserText();
  }
  return error.what();
}

std::string ChangeFailureMessage(const std::exception& error, const std::string& fallback) {
  if (const auto* failure = dynamic_cast<const FileSystemError*>(&error)) {
    return failure->UserText();
  }
  if (dynamic_cast<const ReadOnlyDiskError*>(&error) != nullptr) {
    return error.what();
  }
  return fallback;
}

// ---- Messages -----------------------------------------------------------------------

void ShowSaveResult(int result) {
  if (result == kSaveCatalogueFull) {
    Prompts().ShowMessage(kCatalogueFullMessage);
    return;
  }
  switch (result) {
    case kSaveNoRoom:
      Prompts().ShowMessage(kNoRoomMessage);
      break;
    case kSaveDestinationLocked:
      Prompts().ShowMessage(kDestinationLockedMessage);
      break;
    default:
      break;
  }
}

void ShowSaveResult(int result, const DFSDiskClass& disk) {
  if (result == kSaveCatalogueFull) {
    Prompts().ShowMessage(disk.CatalogueFullMessage());
  } else {
    ShowSaveResult(result);
  }
}

std::string MakeFileMessage(const std::string& message, const std::string& text) {
  Prompts().Beep();
  static const std::string placeholder = "$File";
  std::string result = message;
  for (size_t at = result.find(placeholder); at != std::string::npos;
       at = result.find(placeholder, at + text.size())) {
    result.replace(at, placeholder.size(), text);
  }
  return result;
}

std::string MakeBareMessage(const std::string& message) {
  return MakeFileMessage(message, "");
}
