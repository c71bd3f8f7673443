// SPDX-License-Identifier: GPL-3.0-or-later
// The rollback journal of an image: before a change overwrites sectors that hold live
// data, their bytes, the catalogue and the image's length are saved beside the image in
// "IMAGE.kestrow-journal" and flushed. The change then writes its data and catalogue and
// removes the journal. A journal found when the image is next opened means the change
// was interrupted: it is rolled back, so the disk is as it was before the change.
// Standard library and POSIX only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "util/Useful.h"

inline constexpr const char* kJournalRolledBackMessage =
    "The last change to this disk was interrupted and has been undone.";

// A run of bytes of the host file.
struct HostRange {
  int64_t offset = 0;
  int64_t length = 0;
};

class Journal {
 public:
  // "IMAGE.kestrow-journal" beside the image.
  static std::string PathFor(const std::string& imagePath);
  static bool ExistsFor(const std::string& imagePath);

  // Saves the current bytes of ranges of image (the parts inside the file) with the
  // image's identity and length, and flushes the journal and its folder. The journal
  // appears under its name only once it is complete. Raises FileSystemError when it
  // cannot be written, leaving nothing behind; the caller then changes nothing.
  static Journal Begin(SFileStream& image, const std::vector<HostRange>& ranges);

  // The step is complete: removes the journal.
  void Commit();
  // Puts the saved bytes and length back into image, flushes it and removes the journal.
  // Raises FileSystemError; the journal then stays for the next opening to roll back.
  void RollBack(SFileStream& image);

  enum class Outcome {
    NoJournal,
    RolledBack,   // a complete journal was applied and removed
    LeftInPlace,  // a torn journal, or another image's: not applied, not removed
  };
  struct Recovery {
    Outcome outcome = Outcome::NoJournal;
    std::string message;  // what to tell the user, empty for NoJournal
  };
  // Looks for the journal of image (open read-write and locked) and rolls it back when
  // it is complete and the image's own. Raises FileSystemError when the rollback fails.
  static Recovery Recover(SFileStream& image);
  // The message for a journal that cannot be applied now (the image is read-only).
  static std::string NotAppliedMessage(const std::string& imagePath);

 private:
  struct Saved {
    HostRange range;
    std::vector<uint8_t> bytes;
  };
  struct Contents {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t imageLength = 0;
    std::string imageName;
    std::vector<Saved> saved;
  };
  Journal(std::string path, Contents contents)
      : path_(std::move(path)), contents_(std::move(contents)) {}
  static std::string Encode(const Contents& contents);
  // Nothing when the text is torn or damaged.
  static bool Decode(const std::string& text, Contents& contents);
  static void Apply(SFileStream& image, const Contents& contents);

  std::string path_;
  Contents contents_;
};
