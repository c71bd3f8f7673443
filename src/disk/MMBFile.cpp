// SPDX-License-Identifier: GPL-3.0-or-later
#include "disk/MMBFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <functional>

namespace {

constexpr size_t kTitleLength = 12;
constexpr size_t kStatusByte = 15;
constexpr size_t kExtendedByte = 8;
constexpr uint8_t kExtendedMark = 0xA0;
constexpr int kMaxDiscDigits = 5;
constexpr uint16_t kBlankSectorCount = 800;

void ReplaceAll(std::string& text, const std::string& placeholder, const std::string& value) {
  for (size_t at = text.find(placeholder); at != std::string::npos;
       at = text.find(placeholder, at + value.size())) {
    text.replace(at, placeholder.size(), value);
  }
}

MMBDiscStatus StatusOf(uint8_t statusByte) {
  switch (statusByte) {
    case kMMBStatusLocked:
      return MMBDiscStatus::Locked;
    case kMMBStatusReadWrite:
      return MMBDiscStatus::ReadWrite;
    case kMMBStatusUnformatted:
      return MMBDiscStatus::Unformatted;
    default:
      return MMBDiscStatus::Invalid;
  }
}

MMBSlot DecodeSlot(int number, const uint8_t* entry) {
  MMBSlot slot;
  slot.Number = number;
  for (size_t index = 0; index < kTitleLength && entry[index] != 0; ++index) {
    slot.Title += static_cast<char>(entry[index]);
  }
  slot.StatusByte = entry[kStatusByte];
  slot.Status = StatusOf(slot.StatusByte);
  return slot;
}

// The title's first 12 characters, padded with zero bytes to all 12.
void EncodeTitle(uint8_t* entry, const std::string& title) {
  std::memset(entry, 0, kTitleLength);
  std::memcpy(entry, title.data(), std::min(title.size(), kTitleLength));
}

void WriteAt(SFileStream& stream, int64_t offset, const void* bytes, size_t count) {
  stream.Seek(offset);
  stream.Write(bytes, count);
  stream.Flush();
}

// As WriteAt; when the write or the flush fails, the bytes that were there are put back
// before the failure is raised, so a short write never leaves half a title or catalogue.
void WriteRestoring(SFileStream& stream, int64_t offset, const void* bytes, size_t count) {
  std::vector<uint8_t> previous(count, 0);
  stream.Seek(offset);
  stream.Read(previous.data(), count);
  try {
    WriteAt(stream, offset, bytes, count);
  } catch (const FileSystemError&) {
    try {
      WriteAt(stream, offset, previous.data(), count);
    } catch (const FileSystemError&) {
      // The first failure is the one to report.
    }
    throw;
  }
}

void WriteIndexTitle(SFileStream& stream, int number, const std::string& title) {
  uint8_t bytes[kTitleLength];
  EncodeTitle(bytes, title);
  WriteRestoring(stream, MMBFileClass::EntryOffset(number), bytes, sizeof bytes);
}

SectorMapping DiscMapping(int number) {
  SectorMapping mapping;
  mapping.base = MMBFileClass::DiscOffset(number);
  mapping.span = kMMBDiscSize;
  return mapping;
}

// Whether another open file description holds path with an exclusive lock, as this
// program holds every image and MMB file it has open. False when nothing is there.
bool HeldOpen(const std::string& path) {
  int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (descriptor < 0) {
    return false;
  }
  bool held = ::flock(descriptor, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(descriptor);
  return held;
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The mode a replacement gets: the replaced file's, else what a new file would get.
mode_t ReplacementMode(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
    return status.st_mode & 07777;
  }
  mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// Writes a whole file through write at a temporary name beside path, flushes it and
// renames it over path, so path holds either its old bytes or all the new ones. The
// temporary file is removed when anything fails.
void ReplaceFileWhole(const std::string& path, const std::function<void(SFileStream&)>& write) {
  std::string temporary = FolderOf(path) + "/." + BaseNameOf(path) + ".XXXXXX";
  int descriptor = ::mkstemp(temporary.data());
  if (descriptor < 0) {
    throw FileSystemError("Cannot create file", temporary, errno);
  }
  ::fchmod(descriptor, ReplacementMode(path));
  ::close(descriptor);
  try {
    {
      SFileStream stream(temporary, false);
      write(stream);
      stream.Flush();
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
      throw FileSystemError("Cannot write file", path, errno);
    }
  } catch (...) {
    ::unlink(temporary.c_str());
    throw;
  }
  // The rename itself reaches the disk with the folder.
  int folder = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
}

// The whole content of a regular host file of at most limit bytes; nothing when it is
// larger. Anything else (a folder, a pipe, a device) raises FileSystemError, without
// waiting for a pipe's writer.
std::optional<std::vector<uint8_t>> ReadSmallHostFile(const std::string& path, int64_t limit) {
  int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (descriptor < 0) {
    throw FileSystemError("Cannot open file", path, errno);
  }
  struct stat status {};
  int failure = 0;
  if (::fstat(descriptor, &status) != 0) {
    failure = errno;
  } else if (!S_ISREG(status.st_mode)) {
    failure = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
  }
  if (failure != 0) {
    ::close(descriptor);
    throw FileSystemError("Cannot read file", path, failure);
  }
  if (status.st_size > limit) {
    ::close(descriptor);
    return std::nullopt;
  }
  std::vector<uint8_t> bytes;
  uint8_t buffer[65536];
  for (;;) {
    ssize_t got = ::read(descriptor, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0) {
      int failure = errno;
      ::close(descriptor);
      throw FileSystemError("Cannot read file", path, failure);
    }
    if (got == 0) {
      break;
    }
    bytes.insert(bytes.end(), buffer, buffer + got);
    if (static_cast<int64_t>(bytes.size()) > limit) {
      ::close(descriptor);
      return std::nullopt;
    }
  }
  ::close(descriptor);
  return bytes;
}

std::vector<uint8_t> BlankIndex() {
  std::vector<uint8_t> index(static_cast<size_t>(kMMBIndexSize), 0);
  for (int drive = 0; drive < kMMBBootDrives; ++drive) {
    index[static_cast<size_t>(drive)] = static_cast<uint8_t>(drive);
  }
  for (int slot = 1; slot <= kMMBDiscsPerBlock; ++slot) {
    index[static_cast<size_t>(slot * kMMBEntrySize) + kStatusByte] = kMMBStatusUnformatted;
  }
  return index;
}

}  // namespace

// ---- Texts --------------------------------------------------------------------------

const char* MMBStatusText(MMBDiscStatus status) {
  switch (status) {
    case MMBDiscStatus::Locked:
      return "Locked";
    case MMBDiscStatus::ReadWrite:
      return "Read/write";
    case MMBDiscStatus::Unformatted:
      return "Unformatted";
    case MMBDiscStatus::Invalid:
      break;
  }
  return "Invalid";
}

const char* MMBStatusKey(MMBDiscStatus status) {
  switch (status) {
    case MMBDiscStatus::Locked:
      return "locked";
    case MMBDiscStatus::ReadWrite:
      return "read-write";
    case MMBDiscStatus::Unformatted:
      return "unformatted";
    case MMBDiscStatus::Invalid:
      break;
  }
  return "invalid";
}

std::string MMBSummaryText(const std::vector<MMBSlot>& slots) {
  auto formatted = std::count_if(slots.begin(), slots.end(),
                                 [](const MMBSlot& slot) { return slot.Formatted(); });
  auto locked = std::count_if(slots.begin(), slots.end(), [](const MMBSlot& slot) {
    return slot.Status == MMBDiscStatus::Locked;
  });
  return std::to_string(slots.size()) + " discs, " + std::to_string(formatted) + " formatted, " +
         std::to_string(locked) + " locked";
}

bool MMBSlotMatches(const MMBSlot& slot, const std::string& filter) {
  size_t first = filter.find_first_not_of(' ');
  if (first == std::string::npos) {
    return true;
  }
  std::string wanted = filter.substr(first, filter.find_last_not_of(' ') - first + 1);
  bool digits = std::all_of(wanted.begin(), wanted.end(),
                            [](unsigned char value) { return std::isdigit(value) != 0; });
  if (digits && std::to_string(slot.Number).rfind(wanted, 0) == 0) {
    return true;
  }
  auto upper = [](unsigned char value) { return static_cast<char>(std::toupper(value)); };
  std::string title = slot.Title;
  std::transform(title.begin(), title.end(), title.begin(), upper);
  std::transform(wanted.begin(), wanted.end(), wanted.begin(), upper);
  return title.find(wanted) != std::string::npos;
}

MMBResult MMBRefused(MMBRefusal refusal, int number, const std::string& path) {
  const char* message = "";
  switch (refusal) {
    case MMBRefusal::None:
      return {};
    case MMBRefusal::NoSuchDisc:
      message = kMMBNoSuchDiscMessage;
      break;
    case MMBRefusal::NotFormatted:
      message = kMMBNotFormattedMessage;
      break;
    case MMBRefusal::InvalidDisc:
      message = kMMBInvalidDiscMessage;
      break;
    case MMBRefusal::DiscLocked:
      message = kMMBDiscLockedMessage;
      break;
    case MMBRefusal::ImageTooLarge:
      message = kMMBImageTooLargeMessage;
      break;
    case MMBRefusal::ImageDoubleSided:
      message = kMMBImageDoubleSidedMessage;
      break;
    case MMBRefusal::TargetInUse:
      message = kMMBTargetInUseMessage;
      break;
  }
  MMBResult result{refusal, message};
  ReplaceAll(result.message, "$Disc", std::to_string(number));
  ReplaceAll(result.message, "$File", path);
  return result;
}

// ---- Opening ------------------------------------------------------------------------

std::unique_ptr<MMBFileClass> MMBFileClass::Open(const std::string& path) {
  return std::make_unique<MMBFileClass>(std::make_shared<SFileStream>(path, true), path);
}

MMBFileClass::MMBFileClass(std::shared_ptr<SFileStream> stream, const std::string& path)
    : stream_(std::move(stream)), fileName_(path) {
  if (!stream_) {
    throw std::invalid_argument("MMBFileClass needs an open MMB file");
  }
  std::string shortIndex = kMMBShortIndexMessage;
  ReplaceAll(shortIndex, "$File", path);
  int64_t size = stream_->Size();
  if (size < kMMBIndexSize) {
    throw MMBFormatError(shortIndex);
  }
  uint8_t extended = 0;
  stream_->Seek(kExtendedByte);
  stream_->ReadBuffer(&extended, 1);
  blockCount_ = (extended & 0xF0) == kExtendedMark ? 1 + (extended & 0x0F) : 1;
  // Every block's index must be there; discs past the end read as zeros.
  if (size < (blockCount_ - 1) * kMMBBlockSize + kMMBIndexSize) {
    throw MMBFormatError(shortIndex);
  }
}

int64_t MMBFileClass::DiscOffset(int number) {
  int64_t block = number / kMMBDiscsPerBlock;
  int64_t slot = number % kMMBDiscsPerBlock;
  return block * kMMBBlockSize + kMMBIndexSize + slot * kMMBDiscSize;
}

int64_t MMBFileClass::EntryOffset(int number) {
  int64_t block = number / kMMBDiscsPerBlock;
  int64_t slot = number % kMMBDiscsPerBlock;
  return block * kMMBBlockSize + (slot + 1) * kMMBEntrySize;
}

// ---- The index ----------------------------------------------------------------------

std::vector<MMBSlot> MMBFileClass::ReadIndex() {
  std::vector<MMBSlot> slots;
  slots.reserve(static_cast<size_t>(DiscCount()));
  std::vector<uint8_t> index(static_cast<size_t>(kMMBIndexSize));
  for (int block = 0; block < blockCount_; ++block) {
    stream_->Seek(block * kMMBBlockSize);
    stream_->ReadBuffer(index.data(), index.size());
    for (int slot = 0; slot < kMMBDiscsPerBlock; ++slot) {
      const uint8_t* entry = index.data() + (slot + 1) * kMMBEntrySize;
      slots.push_back(DecodeSlot(block * kMMBDiscsPerBlock + slot, entry));
    }
  }
  return slots;
}

void MMBFileClass::ReadEntry(int number, uint8_t (&entry)[kMMBEntrySize]) {
  stream_->Seek(EntryOffset(number));
  stream_->ReadBuffer(entry, sizeof entry);
}

std::optional<MMBSlot> MMBFileClass::ReadSlot(int number) {
  if (number < 0 || number >= DiscCount()) {
    return std::nullopt;
  }
  uint8_t entry[kMMBEntrySize];
  ReadEntry(number, entry);
  return DecodeSlot(number, entry);
}

std::array<int, kMMBBootDrives> MMBFileClass::BootDiscs() {
  uint8_t header[2 * kMMBBootDrives];
  stream_->Seek(0);
  stream_->ReadBuffer(header, sizeof header);
  std::array<int, kMMBBootDrives> discs{};
  for (size_t drive = 0; drive < discs.size(); ++drive) {
    discs[drive] = header[drive] | (header[drive + kMMBBootDrives] << 8);
  }
  return discs;
}

MMBResult MMBFileClass::SetBootDisc(int drive, int number) {
  if (drive < 0 || drive >= kMMBBootDrives) {
    throw std::invalid_argument("The drive must be 0 to 3");
  }
  if (number < 0 || number >= DiscCount()) {
    return MMBRefused(MMBRefusal::NoSuchDisc, number);
  }
  uint8_t header[2 * kMMBBootDrives];
  stream_->Seek(0);
  stream_->ReadBuffer(header, sizeof header);
  header[drive] = static_cast<uint8_t>(number & 0xFF);
  header[drive + kMMBBootDrives] = static_cast<uint8_t>(number >> 8);
  WriteAt(*stream_, 0, header, sizeof header);
  return {};
}

// ---- Slots --------------------------------------------------------------------------

MMBResult MMBFileClass::CheckFormatted(const MMBSlot& slot) const {
  if (slot.Status == MMBDiscStatus::Unformatted) {
    return MMBRefused(MMBRefusal::NotFormatted, slot.Number);
  }
  if (slot.Status == MMBDiscStatus::Invalid) {
    return MMBRefused(MMBRefusal::InvalidDisc, slot.Number);
  }
  return {};
}

void MMBFileClass::WriteStatus(int number, uint8_t status) {
  WriteAt(*stream_, EntryOffset(number) + static_cast<int64_t>(kStatusByte), &status, 1);
}

MMBResult MMBFileClass::SetLocked(int number, bool locked) {
  std::optional<MMBSlot> slot = ReadSlot(number);
  if (!slot) {
    return MMBRefused(MMBRefusal::NoSuchDisc, number);
  }
  if (MMBResult formatted = CheckFormatted(*slot); !formatted) {
    return formatted;
  }
  WriteStatus(number, locked ? kMMBStatusLocked : kMMBStatusReadWrite);
  return {};
}

MMBResult MMBFileClass::Format(int number) {
  std::optional<MMBSlot> slot = ReadSlot(number);
  if (!slot) {
    return MMBRefused(MMBRefusal::NoSuchDisc, number);
  }
  if (slot->Status == MMBDiscStatus::Locked) {
    return MMBRefused(MMBRefusal::DiscLocked, number);
  }
  // The disc before its entry: cut short in between, the slot still says what it said,
  // or (formatted before) its old title, which opening the disc puts right.
  uint8_t catalogue[kCatalogueSize] = {};
  catalogue[0x106] = static_cast<uint8_t>(kBlankSectorCount >> 8);
  catalogue[0x107] = static_cast<uint8_t>(kBlankSectorCount & 0xFF);
  WriteRestoring(*stream_, DiscOffset(number), catalogue, sizeof catalogue);
  uint8_t entry[kMMBEntrySize];
  ReadEntry(number, entry);
  EncodeTitle(entry, "");
  entry[kStatusByte] = kMMBStatusReadWrite;
  WriteRestoring(*stream_, EntryOffset(number), entry, sizeof entry);
  return {};
}

MMBResult MMBFileClass::Kill(int number) {
  std::optional<MMBSlot> slot = ReadSlot(number);
  if (!slot) {
    return MMBRefused(MMBRefusal::NoSuchDisc, number);
  }
  if (slot->Status == MMBDiscStatus::Locked) {
    return MMBRefused(MMBRefusal::DiscLocked, number);
  }
  WriteStatus(number, kMMBStatusUnformatted);
  return {};
}

MMBResult MMBFileClass::Import(int number, const std::string& imagePath) {
  std::optional<MMBSlot> slot = ReadSlot(number);
  if (!slot) {
    return MMBRefused(MMBRefusal::NoSuchDisc, number);
  }
  if (slot->Status == MMBDiscStatus::Locked) {
    return MMBRefused(MMBRefusal::DiscLocked, number);
  }
  if (IsDoubleSidedName(imagePath)) {
    return MMBRefused(MMBRefusal::ImageDoubleSided, number, imagePath);
  }
  std::optional<std::vector<uint8_t>> image = ReadSmallHostFile(imagePath, kMMBLargestImage);
  if (!image) {
    return MMBRefused(MMBRefusal::ImageTooLarge, number, imagePath);
  }
  // The whole disc, so nothing of the disc it replaces shows through past the image.
  image->resize(static_cast<size_t>(kMMBDiscSize), 0);
  // Disc first, entry second, as for a title change; a failed write puts the old disc
  // back whole.
  WriteRestoring(*stream_, DiscOffset(number), image->data(), image->size());
  DFSDiskClass disc(stream_, MMBDiscName(fileName_, number), DiscMapping(number));
  uint8_t entry[kMMBEntrySize];
  ReadEntry(number, entry);
  EncodeTitle(entry, disc.GetTitle());
  entry[kStatusByte] = kMMBStatusReadWrite;
  WriteRestoring(*stream_, EntryOffset(number), entry, sizeof entry);
  return {};
}

MMBResult MMBFileClass::Export(int number, const std::string& imagePath) {
  std::optional<MMBSlot> slot = ReadSlot(number);
  if (!slot) {
    return MMBRefused(MMBRefusal::NoSuchDisc, number);
  }
  if (MMBResult formatted = CheckFormatted(*slot); !formatted) {
    return formatted;
  }
  if (HeldOpen(imagePath)) {
    return MMBRefused(MMBRefusal::TargetInUse, number, imagePath);
  }
  // Read straight from the file: the catalogue's 10-bit sector count, not the disk
  // model's two sizes, says how much of the slot the disc holds.
  uint8_t counts[2] = {};
  stream_->Seek(DiscOffset(number) + 0x106);
  stream_->Read(counts, sizeof counts);
  int64_t sectors = ((counts[0] & 3) << 8) | counts[1];
  int64_t size = std::clamp<int64_t>(sectors * kSectorSize, kCatalogueSize, kMMBDiscSize);
  std::vector<uint8_t> bytes(static_cast<size_t>(size), 0);  // past the file's end: zeros
  stream_->Seek(DiscOffset(number));
  stream_->Read(bytes.data(), bytes.size());
  ReplaceFileWhole(imagePath,
                   [&bytes](SFileStream& target) { target.Write(bytes.data(), bytes.size()); });
  return {};
}

// ---- Discs --------------------------------------------------------------------------

MMBFileClass::DiscOpening MMBFileClass::OpenDisc(int number,
                                                 std::function<void(int)> afterTitleChange) {
  DiscOpening opening;
  std::optional<MMBSlot> slot = ReadSlot(number);
  if (!slot) {
    opening.result = MMBRefused(MMBRefusal::NoSuchDisc, number);
    return opening;
  }
  if (opening.result = CheckFormatted(*slot); !opening.result) {
    return opening;
  }
  auto disc =
      std::make_unique<DFSDiskClass>(stream_, MMBDiscName(fileName_, number), DiscMapping(number));
  // A title change writes the disc first, so the disc is the one to believe.
  std::string title = disc->GetTitle();
  if (title != slot->Title) {
    WriteIndexTitle(*stream_, number, title);
  }
  if (slot->Status == MMBDiscStatus::Locked) {
    std::string reason = kMMBDiscReadOnlyMessage;
    ReplaceAll(reason, "$Disc", std::to_string(number));
    disc->SetReadOnly(reason);
  }
  // The observer holds the stream, not this object, which may go before the disc.
  disc->SetTitleObserver([stream = stream_, number, afterTitleChange = std::move(afterTitleChange)](
                             const std::string& newTitle) {
    WriteIndexTitle(*stream, number, newTitle);
    if (afterTitleChange) {
      afterTitleChange(number);
    }
  });
  opening.disc = std::move(disc);
  return opening;
}

// ---- Names and whole files ----------------------------------------------------------

bool IsMMBName(const std::string& path) {
  static const std::string extension = ".MMB";
  if (path.size() < extension.size()) {
    return false;
  }
  std::string ending = path.substr(path.size() - extension.size());
  std::transform(ending.begin(), ending.end(), ending.begin(),
                 [](unsigned char value) { return static_cast<char>(std::toupper(value)); });
  return ending == extension;
}

std::string MMBDiscName(const std::string& path, int number) {
  return path + ":" + std::to_string(number);
}

std::optional<MMBDiscArgument> ParseMMBDiscName(const std::string& text) {
  size_t colon = text.rfind(':');
  if (colon == std::string::npos) {
    return std::nullopt;
  }
  std::string digits = text.substr(colon + 1);
  bool number = !digits.empty() && digits.size() <= kMaxDiscDigits &&
                std::all_of(digits.begin(), digits.end(),
                            [](unsigned char value) { return std::isdigit(value) != 0; });
  std::string path = text.substr(0, colon);
  if (!number || !IsMMBName(path)) {
    return std::nullopt;
  }
  return MMBDiscArgument{path, std::stoi(digits)};
}

MMBResult OpenMMBDiscImage(const std::string& path, int number, ImageSides& sides) {
  std::unique_ptr<MMBFileClass> mmb = MMBFileClass::Open(path);
  MMBFileClass::DiscOpening opening = mmb->OpenDisc(number);
  if (opening.disc) {
    sides.clear();
    sides.push_back(std::move(opening.disc));
  }
  return opening.result;
}

MMBResult CreateBlankMMB(const std::string& path) {
  if (HeldOpen(path)) {
    return MMBRefused(MMBRefusal::TargetInUse, 0, path);
  }
  ReplaceFileWhole(path, [](SFileStream& target) {
    std::vector<uint8_t> index = BlankIndex();
    target.Write(index.data(), index.size());
    // The discs are holes until something is written to them.
    target.SetSize(kMMBBlockSize);
  });
  return {};
}
