// SPDX-License-Identifier: GPL-3.0-or-later
// MMB files: the DFS discs of a BBC Micro's SD card (MMC interface) in one host file.
// An 8192-byte index of 512 16-byte entries comes first: entry 0 holds the boot discs of
// drives 0-3 and the extended-format byte, entry k + 1 the title and status of disc k.
// Disc k is a linear 80-track single-sided disc of 204800 bytes at 8192 + k * 204800.
// The extended format chains more such blocks (index and 511 discs) one after another.
// Standard library and POSIX only.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "disk/DFSUseful.h"
#include "util/Useful.h"

constexpr int kMMBDiscsPerBlock = 511;
constexpr int kMMBBootDrives = 4;
constexpr int64_t kMMBIndexSize = 8192;
constexpr int64_t kMMBEntrySize = 16;
constexpr int64_t kMMBDiscSize = 204800;
constexpr int64_t kMMBBlockSize = kMMBIndexSize + kMMBDiscsPerBlock * kMMBDiscSize;
constexpr int64_t kMMBLargestImage = kMMBDiscSize;

// Byte 15 of a disc's index entry.
constexpr uint8_t kMMBStatusLocked = 0x00;
constexpr uint8_t kMMBStatusReadWrite = 0x0F;
constexpr uint8_t kMMBStatusUnformatted = 0xF0;
constexpr uint8_t kMMBStatusInvalid = 0xFF;

// Messages; "$Disc" stands for the disc number, "$File" for a host path.
inline constexpr const char* kMMBNoSuchDiscMessage = "There is no disc $Disc in this MMB file.";
inline constexpr const char* kMMBNotFormattedMessage =
    "Disc $Disc is not formatted, format it or import an image into it first.";
inline constexpr const char* kMMBInvalidDiscMessage =
    "Disc $Disc is marked invalid in the MMB index, format it or import an image into it "
    "first.";
inline constexpr const char* kMMBDiscLockedMessage =
    "Disc $Disc is locked, unlock it and then try again.";
// Why a locked disc opens read-only.
inline constexpr const char* kMMBDiscReadOnlyMessage =
    "Disc $Disc is locked in its MMB file, so it is opened read-only.";
inline constexpr const char* kMMBImageTooLargeMessage =
    "The image $File is larger than 200K, so it will not fit in an MMB slot.";
inline constexpr const char* kMMBImageDoubleSidedMessage =
    "The image $File is double-sided, only a single-sided (.ssd) image fits in an MMB slot.";
inline constexpr const char* kMMBTargetInUseMessage =
    "The file $File is in use by another program, it has not been replaced.";
inline constexpr const char* kMMBShortIndexMessage =
    "The file $File is not an MMB file: it is shorter than its index.";

enum class MMBDiscStatus { Locked, ReadWrite, Unformatted, Invalid };

// One slot of the index.
struct MMBSlot {
  int Number = 0;
  std::string Title;  // as stored: up to the first zero byte, at most 12 characters
  MMBDiscStatus Status = MMBDiscStatus::Unformatted;
  uint8_t StatusByte = kMMBStatusUnformatted;  // any byte but the four known is Invalid

  bool Formatted() const {
    return Status == MMBDiscStatus::Locked || Status == MMBDiscStatus::ReadWrite;
  }
};

// "Locked", "Read/write", "Unformatted" or "Invalid", as the slot grid shows it.
const char* MMBStatusText(MMBDiscStatus status);
// "locked", "read-write", "unformatted" or "invalid", for JSON.
const char* MMBStatusKey(MMBDiscStatus status);
// "511 discs, 347 formatted, 12 locked".
std::string MMBSummaryText(const std::vector<MMBSlot>& slots);
// Whether the slot stays in a list narrowed by filter: always for an empty filter (or one
// of spaces only); for digits, when the disc number starts with them; and whenever the
// title holds the filter, letters compared ignoring case.
bool MMBSlotMatches(const MMBSlot& slot, const std::string& filter);

// Why an operation did nothing. Every refusal comes with its message.
enum class MMBRefusal {
  None,
  NoSuchDisc,
  NotFormatted,
  InvalidDisc,
  DiscLocked,
  ImageTooLarge,
  ImageDoubleSided,
  TargetInUse,
};

struct MMBResult {
  MMBRefusal refusal = MMBRefusal::None;
  std::string message;  // the text to show; empty when done
  explicit operator bool() const { return refusal == MMBRefusal::None; }
};

// The message of a refusal about disc `number` or host file `path`.
MMBResult MMBRefused(MMBRefusal refusal, int number, const std::string& path = "");

// Raised for a file too short to be an MMB file, with kMMBShortIndexMessage.
class MMBFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One open MMB file. The host file stays open, exclusively locked, while this object or
// any disc opened from it lives. Nothing is cached but the number of blocks: every
// query reads the index afresh, and only the index. Every change is written and flushed
// before it returns. File-system failures raise FileSystemError.
class MMBFileClass {
 public:
  // Opens an existing MMB file; reads its header. Raises FileSystemError (missing,
  // read-only or held open) or MMBFormatError.
  static std::unique_ptr<MMBFileClass> Open(const std::string& path);
  MMBFileClass(std::shared_ptr<SFileStream> stream, const std::string& path);

  const std::string& FileName() const { return fileName_; }
  // 511 for each block: 1 + n blocks when header byte 8 is 0xA0 + n, else 1.
  int DiscCount() const { return blockCount_ * kMMBDiscsPerBlock; }
  int BlockCount() const { return blockCount_; }
  const std::shared_ptr<SFileStream>& HostFile() const { return stream_; }

  // Where disc `number`'s bytes and its index entry lie in the host file.
  static int64_t DiscOffset(int number);
  static int64_t EntryOffset(int number);

  // ---- The index ----
  std::vector<MMBSlot> ReadIndex();
  // Nothing for a number outside 0 to DiscCount() - 1.
  std::optional<MMBSlot> ReadSlot(int number);
  // The disc numbers in drives 0-3 at boot.
  std::array<int, kMMBBootDrives> BootDiscs();
  // drive 0-3 (std::invalid_argument otherwise).
  MMBResult SetBootDisc(int drive, int number);

  // ---- Slots ----
  // Locks (status 0x00) or unlocks (0x0F) a formatted disc.
  MMBResult SetLocked(int number, bool locked);
  // Writes a blank 80-track catalogue (800 sectors, no title, no entries) and marks the
  // disc read/write with an empty title. The rest of the disc's bytes are left as they
  // are. Refused for a locked disc.
  MMBResult Format(int number);
  // Marks the disc unformatted; its bytes and title stay. Refused for a locked disc.
  MMBResult Kill(int number);
  // Writes the single-sided image at imagePath as the whole disc (zeros after its end)
  // and marks it read/write with the image's title. Refused for a locked disc, an
  // image over 200K or a double-sided one (a ".dsd" name).
  MMBResult Import(int number, const std::string& imagePath);
  // Writes the formatted disc as a single-sided image of as many sectors as its
  // catalogue gives (at most 800): to a temporary file in the target's folder, flushed,
  // then renamed over imagePath. Refused when a program holds imagePath open.
  MMBResult Export(int number, const std::string& imagePath);

  // ---- Discs ----
  // Opens formatted disc `number` as an ordinary disk on this file's stream, named
  // MMBDiscName(FileName(), number). A locked disc opens read-only, with
  // kMMBDiscReadOnlyMessage as its reason. Its SetTitle writes the disc's catalogue
  // first, then the index title, each flushed, then calls afterTitleChange (when given)
  // with the disc number; when the two disagree on opening (a change cut short between
  // them), the disc's title is taken into the index.
  struct DiscOpening {
    MMBResult result;
    std::unique_ptr<DFSDiskClass> disc;
  };
  DiscOpening OpenDisc(int number, std::function<void(int)> afterTitleChange = nullptr);

 private:
  void ReadEntry(int number, uint8_t (&entry)[kMMBEntrySize]);
  // The refusal for a number outside the file, or for a disc not formatted.
  MMBResult CheckFormatted(const MMBSlot& slot) const;
  void WriteStatus(int number, uint8_t status);

  std::shared_ptr<SFileStream> stream_;
  std::string fileName_;
  int blockCount_ = 1;
};

// Whether path names an MMB file: it ends in ".mmb" in any letter case.
bool IsMMBName(const std::string& path);

// "PATH:N", the name of disc N of the MMB file at path, as the command line takes it.
std::string MMBDiscName(const std::string& path, int number);
// Splits "PATH:N" where PATH is an MMB name and N is 1 to 5 decimal digits.
struct MMBDiscArgument {
  std::string path;
  int number = 0;
};
std::optional<MMBDiscArgument> ParseMMBDiscName(const std::string& text);

// Opens disc `number` of the MMB file at path as the only disk in sides; the disc holds
// the file's lock. A refusal leaves sides empty.
MMBResult OpenMMBDiscImage(const std::string& path, int number, ImageSides& sides);

// Writes a blank MMB file at path: 511 unformatted discs, drives 0-3 booting discs 0-3,
// as a sparse file of 104660992 bytes. It is written beside path and renamed into place,
// so a file already there is replaced only whole; refused (TargetInUse) when a program
// holds that file open.
MMBResult CreateBlankMMB(const std::string& path);
