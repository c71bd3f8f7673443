#include "disk/DFSUseful.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <stdexcept>

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

DFSFileClass DecodeEntry(const Catalogue& bytes, int index) {
  size_t nameSlot = kFirstNameSlot + 8 * static_cast<size_t>(index);
  size_t infoSlot = kFirstInfoSlot + 8 * static_cast<size_t>(index);
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

// First fit from the end of the catalogue upwards. The running end of the used area only
// ever grows, so unordered, overlapping or zero-length entries cannot pull it back onto
// existing data. A gap between files may be filled exactly; the space after the last
// file must be larger than the data. Entries beyond the disk bound nothing inside it.
int32_t FirstFit(const DFSFileList& list, int64_t length, int64_t diskSize) {
  int64_t candidate = kCatalogueSize;
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

std::unique_ptr<DFSDiskClass> DFSDiskClass::Create(const std::string& fileName, int creationFlag) {
  bool blank = creationFlag == 1;
  if (IsDoubleSidedName(fileName)) {
    // Read linearly, side 0 beyond track 0 would be the wrong bytes and its writes would
    // land on side 1, so a double-sided name always gets its real layout.
    ImageSides sides = blank ? CreateDoubleSided(fileName) : OpenDiskImage(fileName);
    return std::move(sides.front());
  }
  // The lock is taken before anything is truncated, so a file held elsewhere survives.
  auto stream = std::make_shared<SFileStream>(fileName, true, blank);
  if (blank) {
    stream->SetSize(0);
  }
  auto disk = std::make_unique<DFSDiskClass>(stream, fileName, SectorMapping{});
  if (blank) {
    disk->WriteBlankCatalogue();
  }
  return disk;
}

DFSDiskClass::DFSDiskClass(std::shared_ptr<SFileStream> stream, const std::string& fileName,
                           SectorMapping mapping)
    : FileName(fileName), Stream(std::move(stream)), mapping_(mapping) {
  if (!Stream) {
    throw std::invalid_argument("DFSDiskClass needs an open image file");
  }
  ReadDiskOptions();
  ComputeSpace();
}

DFSDiskClass::~DFSDiskClass() = default;

void DFSDiskClass::ReadDiskOptions() {
  uint8_t options = 0;
  ReadDisk(kOptionByte, &options, 1);
  DiskSize = (options & 3) == 3 ? kLargeDiskSize : kSmallDiskSize;
  BootOption = (options & 0x30) >> 4;
}

namespace {

// The catalogue of a blank 80-track disk: 800 sectors, boot option 0, nothing else.
Catalogue BlankCatalogue() {
  Catalogue bytes{};
  bytes[kOptionByte] = static_cast<uint8_t>(kBlankSectorCount >> 8);
  bytes[kSectorCountByte] = static_cast<uint8_t>(kBlankSectorCount & 0xFF);
  return bytes;
}

}  // namespace

void DFSDiskClass::WriteBlankCatalogue() {
  WriteCatalogueBytes(BlankCatalogue());
  ReadDiskOptions();
  ComputeSpace();
}

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
  Catalogue bytes = ReadCatalogueBytes();
  int count = bytes[kCountByte] >> 3;
  for (int index = 0; index < count; ++index) {
    list.push_back(DecodeEntry(bytes, index));
  }
}

int DFSDiskClass::FileCount() {
  uint8_t count = 0;
  ReadDisk(kCountByte, &count, 1);
  return count >> 3;
}

void DFSDiskClass::ComputeSpace() {
  DFSFileList list;
  ReadCatalogue(list);
  int64_t used = kCatalogueSize;
  int64_t end = kCatalogueSize;
  int64_t largest = 0;
  for (const DFSFileClass& entry : SortedByStart(list)) {
    used += RoundedLength(entry);
    largest = std::max(largest, std::min<int64_t>(StartOffset(entry), DiskSize) - end);
    end = std::max(end, StartOffset(entry) + RoundedLength(entry));
  }
  largest = std::max(largest, DiskSize - end);
  UsedSpace = static_cast<int32_t>(used);
  LargestFree = static_cast<int32_t>(largest);
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

bool DFSDiskClass::FileExists(char directory, const std::string& name) {
  return FindFile(directory, name).has_value();
}

bool DFSDiskClass::IsLocked(char directory, const std::string& name) {
  std::optional<DFSFileClass> entry = FindFile(directory, name);
  return entry && entry->Locked != 0;
}

// ---- Changes ------------------------------------------------------------------------

void DFSDiskClass::SetTitle(const std::string& title) {
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
  Catalogue bytes = ReadCatalogueBytes();
  bytes[kOptionByte] = static_cast<uint8_t>(option * 16 | (bytes[kOptionByte] & 0xCF));
  WriteCatalogueBytes(bytes);
  BootOption = option;
}

bool DFSDiskClass::ChangeEntry(char directory, const std::string& name,
                               const std::function<void(DFSFileClass&)>& change) {
  DFSFileList list;
  ReadCatalogue(list);
  auto entry = FindEntry(list, directory, name);
  if (entry == list.end()) {
    Prompts().ShowMessage(kEntryLookupFailureMessage);
    return false;
  }
  change(*entry);
  StoreCatalogue(list, false);
  return true;
}

bool DFSDiskClass::SetLocked(char directory, const std::string& name, bool locked) {
  return ChangeEntry(directory, name,
                     [locked](DFSFileClass& entry) { entry.Locked = locked ? 1 : 0; });
}

bool DFSDiskClass::DeleteFile(char directory, const std::string& name) {
  DFSFileList list;
  ReadCatalogue(list);
  auto entry = FindEntry(list, directory, name);
  if (entry == list.end()) {
    Prompts().ShowMessage(kEntryLookupFailureMessage);
    return false;
  }
  if (entry->Locked != 0) {
    Prompts().ShowMessage(MakeFileMessage(kDeleteLockedMessage, entry->Name));
    return false;
  }
  list.erase(entry);
  StoreCatalogue(list, true);
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
  return FirstFit(list, length, DiskSize);
}

void DFSDiskClass::ClearCatalogue() {
  Catalogue bytes = ReadCatalogueBytes();
  ClearEntrySlots(bytes);
  WriteCatalogueBytes(bytes);
}

void DFSDiskClass::WriteCatalogue(DFSFileList& list) {
  StoreCatalogue(list, false);
}

void DFSDiskClass::StoreCatalogue(DFSFileList& list, bool writeCount) {
  if (list.size() > kMaxCatalogueEntries) {
    throw std::length_error(kCatalogueFullMessage);
  }
  std::stable_sort(list.begin(), list.end(), [](const DFSFileClass& a, const DFSFileClass& b) {
    return a.StartSector > b.StartSector;
  });
  Catalogue bytes = ReadCatalogueBytes();
  ClearEntrySlots(bytes);
  for (size_t index = 0; index < list.size(); ++index) {
    EncodeEntry(bytes, static_cast<int>(index), list[index]);
  }
  if (writeCount) {
    bytes[kCountByte] = static_cast<uint8_t>(list.size() * 8);
  }
  WriteCatalogueBytes(bytes);
}

void DFSDiskClass::AddCatalogueEntry(const DFSFileClass& file, int32_t offset) {
  DFSFileList list;
  ReadCatalogue(list);
  DFSFileClass entry = file;
  entry.StartSector = offset / kSectorSize;
  list.push_back(entry);
  StoreCatalogue(list, true);
}

int DFSDiskClass::SaveFile(const DFSFileClass& file, SStream& source) {
  if (file.Length < 0) {
    throw std::invalid_argument("Negative file length");
  }
  DFSFileClass entry = file;
  entry.Name = StoredName(file.Name);
  // The catalogue keeps 7 bits of the directory; the namesake is looked up by them, so
  // that a directory byte with bit 7 set cannot add a second entry of the same name.
  entry.Directory = static_cast<char>(file.Directory & 0x7F);
  DFSFileList list;
  ReadCatalogue(list);
  auto namesake = FindEntry(list, entry.Directory, entry.Name);
  if (namesake != list.end() && namesake->Locked != 0) {
    return kSaveDestinationLocked;
  }
  if (namesake == list.end() && list.size() >= kMaxCatalogueEntries) {
    return kSaveCatalogueFull;
  }
  // The namesake leaves the catalogue only with the write that adds its replacement, so
  // it survives when there is no room or the data cannot be written.
  if (namesake != list.end()) {
    list.erase(namesake);
  }
  int32_t offset = FirstFit(list, entry.Length, DiskSize);
  if (offset == 0) {
    return kSaveNoRoom;
  }
  WriteFileData(offset, ReadFromStart(source, entry.Length));
  entry.StartSector = offset / kSectorSize;
  list.push_back(entry);
  StoreCatalogue(list, true);
  ComputeSpace();
  return kSaveDone;
}

void DFSDiskClass::WriteFileData(int32_t offset, const std::vector<uint8_t>& data) {
  WriteDisk(offset, data.data(), data.size());
  Stream->Flush();
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

void DFSDiskClass::ReadDisk(int64_t diskOffset, void* buffer, size_t count) {
  if (diskOffset < 0) {
    throw std::out_of_range("Read before the start of the disk");
  }
  if (count == 0) {
    return;
  }
  auto* bytes = static_cast<uint8_t*>(buffer);
  std::memset(bytes, 0, count);
  // Bytes past the disk or past the host file's end read as zero.
  int64_t inside = std::clamp<int64_t>(DiskLimit() - diskOffset, 0, static_cast<int64_t>(count));
  ForEachHostRun(mapping_, diskOffset, static_cast<size_t>(inside),
                 [&](int64_t fileOffset, size_t index, size_t length) {
                   Stream->Seek(fileOffset);
                   Stream->Read(bytes + index, length);
                 });
}

void DFSDiskClass::WriteDisk(int64_t diskOffset, const void* buffer, size_t count) {
  if (diskOffset < 0 || diskOffset + static_cast<int64_t>(count) > DiskLimit()) {
    throw std::out_of_range("Write outside the disk");
  }
  if (writeProtected_) {
    throw FileSystemError("Cannot write file", FileName, EROFS);
  }
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  ForEachHostRun(mapping_, diskOffset, count, [&](int64_t fileOffset, size_t index, size_t length) {
    Stream->Seek(fileOffset);
    Stream->Write(bytes + index, length);
  });
}

DFSDiskClass::CatalogueBytes DFSDiskClass::ReadCatalogueBytes() {
  CatalogueBytes bytes{};
  ReadDisk(0, bytes.data(), bytes.size());
  return bytes;
}

void DFSDiskClass::WriteCatalogueBytes(const CatalogueBytes& bytes) {
  // A write that fails part-way, or a flush that fails, would leave names and sector
  // numbers of two different catalogues side by side; the catalogue as it was is put
  // back before the failure is raised.
  CatalogueBytes previous = ReadCatalogueBytes();
  try {
    WriteDisk(0, bytes.data(), bytes.size());
    Stream->Flush();
  } catch (const FileSystemError&) {
    try {
      WriteDisk(0, previous.data(), previous.size());
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

ImageSides OpenSides(const std::shared_ptr<SFileStream>& stream, const std::string& path) {
  ImageSides sides;
  if (!IsDoubleSidedName(path)) {
    sides.push_back(std::make_unique<DFSDiskClass>(stream, path, SectorMapping{}));
    return sides;
  }
  for (const SectorMapping& mapping : kDoubleSidedMappings) {
    sides.push_back(std::make_unique<DFSDiskClass>(stream, path, mapping));
  }
  return sides;
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

ImageSides OpenDiskImage(const std::string& path) {
  return OpenSides(std::make_shared<SFileStream>(path, true), path);
}

ImageSides CreateDoubleSided(const std::string& path) {
  // The lock is taken before anything is truncated, so a file held elsewhere survives.
  auto stream = std::make_shared<SFileStream>(path, true, true);
  stream->SetSize(0);
  Catalogue blank = BlankCatalogue();
  for (const SectorMapping& mapping : kDoubleSidedMappings) {
    stream->Seek(mapping.FileOffset(0));
    stream->Write(blank.data(), blank.size());
  }
  stream->Flush();
  return OpenSides(stream, path);
}

// ---- Messages -----------------------------------------------------------------------

void ShowSaveResult(int result) {
  switch (result) {
    case kSaveCatalogueFull:
      Prompts().ShowMessage(kCatalogueFullMessage);
      break;
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
