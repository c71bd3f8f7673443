// SPDX-License-Identifier: GPL-3.0-or-later
#include "disk/Journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <tuple>

namespace {

const char kMagic[8] = {'K', 'S', 'T', 'R', 'W', 'J', 'N', '1'};
const char* const kSuffix = ".kestrow-journal";
const char* const kPartSuffix = ".part";
// No journal of a disk image comes near this; anything longer is not one of ours.
constexpr int64_t kLongestJournal = 16 * 1024 * 1024;

// FNV-1a, 64 bits: enough to tell a torn or damaged journal from a whole one.
uint64_t Checksum(const std::string& bytes) {
  uint64_t hash = 1469598103934665603ULL;
  for (char value : bytes) {
    hash ^= static_cast<unsigned char>(value);
    hash *= 1099511628211ULL;
  }
  return hash;
}

void PutNumber(std::string& out, uint64_t value, int bytes) {
  for (int index = 0; index < bytes; ++index) {
    out += static_cast<char>((value >> (8 * index)) & 0xFF);
  }
}

// Reads little-endian numbers and byte runs, failing softly past the end.
class Reader {
 public:
  explicit Reader(const std::string& text) : text_(text) {}
  bool Number(uint64_t& value, int bytes) {
    if (position_ + static_cast<size_t>(bytes) > text_.size()) {
      return false;
    }
    value = 0;
    for (int index = 0; index < bytes; ++index) {
      value |= static_cast<uint64_t>(static_cast<unsigned char>(text_[position_++])) << (8 * index);
    }
    return true;
  }
  bool Bytes(std::string& out, uint64_t count) {
    if (count > text_.size() - position_) {
      return false;
    }
    out = text_.substr(position_, count);
    position_ += count;
    return true;
  }
  size_t Position() const { return position_; }

 private:
  const std::string& text_;
  size_t position_ = 0;
};

// The whole journal file, or false when there is none.
bool ReadJournalFile(const std::string& path, std::string& text) {
  int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  if (descriptor < 0) {
    if (errno == ENOENT) {
      return false;
    }
    throw FileSystemError("Cannot open file", path, errno);
  }
  struct stat status {};
  if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) ||
      status.st_size > kLongestJournal) {
    ::close(descriptor);
    text.clear();  // not a journal of ours: reported as damaged
    return true;
  }
  text.assign(static_cast<size_t>(status.st_size), '\0');
  size_t done = 0;
  while (done < text.size()) {
    ssize_t got = ::read(descriptor, text.data() + done, text.size() - done);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      break;
    }
    done += static_cast<size_t>(got);
  }
  ::close(descriptor);
  text.resize(done);
  return true;
}

void WriteWhole(int descriptor, const std::string& text, const std::string& path) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t written = ::write(descriptor, text.data() + done, text.size() - done);
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      throw FileSystemError("Cannot write file", path, written < 0 ? errno : EIO);
    }
    done += static_cast<size_t>(written);
  }
}

}  // namespace

std::string Journal::PathFor(const std::string& imagePath) {
  return imagePath + kSuffix;
}

bool Journal::ExistsFor(const std::string& imagePath) {
  struct stat status {};
  return ::lstat(PathFor(imagePath).c_str(), &status) == 0;
}

std::string Journal::Encode(const Contents& contents) {
  std::string out(kMagic, sizeof kMagic);
  PutNumber(out, contents.device, 8);
  PutNumber(out, contents.inode, 8);
  PutNumber(out, static_cast<uint64_t>(contents.imageLength), 8);
  PutNumber(out, contents.imageName.size(), 4);
  out += contents.imageName;
  PutNumber(out, contents.saved.size(), 4);
  for (const Saved& saved : contents.saved) {
    PutNumber(out, static_cast<uint64_t>(saved.range.offset), 8);
    PutNumber(out, saved.bytes.size(), 4);
    out.append(saved.bytes.begin(), saved.bytes.end());
  }
  PutNumber(out, Checksum(out), 8);
  return out;
}

bool Journal::Decode(const std::string& text, Contents& contents) {
  if (text.size() < sizeof kMagic + 8 || std::memcmp(text.data(), kMagic, sizeof kMagic) != 0) {
    return false;
  }
  std::string body = text.substr(0, text.size() - 8);
  Reader trailer(text);
  std::string skipped;
  uint64_t checksum = 0;
  if (!trailer.Bytes(skipped, body.size()) || !trailer.Number(checksum, 8) ||
      checksum != Checksum(body)) {
    return false;
  }
  Reader reader(body);
  std::string magic;
  uint64_t length = 0;
  uint64_t nameLength = 0;
  uint64_t count = 0;
  if (!reader.Bytes(magic, sizeof kMagic) || !reader.Number(contents.device, 8) ||
      !reader.Number(contents.inode, 8) || !reader.Number(length, 8) ||
      !reader.Number(nameLength, 4) || !reader.Bytes(contents.imageName, nameLength) ||
      !reader.Number(count, 4)) {
    return false;
  }
  contents.imageLength = static_cast<int64_t>(length);
  for (uint64_t index = 0; index < count; ++index) {
    uint64_t offset = 0;
    uint64_t size = 0;
    std::string bytes;
    if (!reader.Number(offset, 8) || !reader.Number(size, 4) || !reader.Bytes(bytes, size)) {
      return false;
    }
    Saved saved{{static_cast<int64_t>(offset), static_cast<int64_t>(size)}, {}};
    saved.bytes.assign(bytes.begin(), bytes.end());
    contents.saved.push_back(std::move(saved));
  }
  return reader.Position() == body.size() && contents.imageLength >= 0;
}

Journal Journal::Begin(SFileStream& image, const std::vector<HostRange>& ranges) {
  Contents contents;
  std::tie(contents.device, contents.inode) = image.Identity();
  contents.imageLength = image.Size();
  contents.imageName = NameOfPath(image.Path());
  for (const HostRange& range : ranges) {
    // Bytes past the end need no copy: the rollback cuts the file back to its length.
    int64_t end = std::min(range.offset + range.length, contents.imageLength);
    if (range.offset < 0 || end <= range.offset) {
      continue;
    }
    Saved saved{{range.offset, end - range.offset}, {}};
    saved.bytes.resize(static_cast<size_t>(saved.range.length));
    image.Seek(range.offset);
    image.ReadBuffer(saved.bytes.data(), saved.bytes.size());
    contents.saved.push_back(std::move(saved));
  }
  // Written whole under a second name, then renamed: the journal under its own name is
  // never a torn one.
  std::string path = PathFor(image.Path());
  std::string part = path + kPartSuffix;
  int descriptor =
      ::open(part.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (descriptor < 0) {
    throw FileSystemError("Cannot create file", path, errno);
  }
  // Injected failures of the image (tests) count the journal's writes and flushes too.
  const std::shared_ptr<FaultPlan>& faults = image.Faults();
  try {
    std::string text = Encode(contents);
    int failure = 0;
    size_t allowed = faults ? faults->BeforeWrite(0, text.size(), 0, failure) : text.size();
    WriteWhole(descriptor, text.substr(0, allowed), part);
    if (failure != 0) {
      throw FileSystemError("Cannot write file", path, failure);
    }
    if (int flushFailure = faults ? faults->BeforeFlush() : 0; flushFailure != 0) {
      throw FileSystemError("Cannot write file", path, flushFailure);
    }
    if (::fdatasync(descriptor) != 0 && errno != EINVAL) {
      throw FileSystemError("Cannot write file", part, errno);
    }
    if (::close(descriptor) != 0) {
      descriptor = -1;
      throw FileSystemError("Cannot write file", part, errno);
    }
    descriptor = -1;
    if (::rename(part.c_str(), path.c_str()) != 0) {
      throw FileSystemError("Cannot create file", path, errno);
    }
    if (int flushFailure = faults ? faults->BeforeFlush() : 0; flushFailure != 0) {
      throw FileSystemError("Cannot write file", FolderOfPath(path), flushFailure);
    }
    FlushFolder(FolderOfPath(path));
  } catch (const FileSystemError&) {
    if (descriptor >= 0) {
      ::close(descriptor);
    }
    ::unlink(part.c_str());
    ::unlink(path.c_str());
    throw;
  }
  return Journal(path, std::move(contents));
}

void Journal::Commit() {
  if (::unlink(path_.c_str()) != 0 && errno != ENOENT) {
    throw FileSystemError("Cannot delete file", path_, errno);
  }
  try {
    FlushFolder(FolderOfPath(path_));
  } catch (const FileSystemError&) {
    // The change is complete; a journal that reappears only undoes it whole.
  }
}

void Journal::Apply(SFileStream& image, const Contents& contents) {
  for (const Saved& saved : contents.saved) {
    image.Seek(saved.range.offset);
    image.Write(saved.bytes.data(), saved.bytes.size());
  }
  if (image.Size() != contents.imageLength) {
    image.SetSize(contents.imageLength);
  }
  image.Flush();
}

void Journal::RollBack(SFileStream& image) {
  Apply(image, contents_);
  Commit();
}

std::string Journal::NotAppliedMessage(const std::string& imagePath) {
  return "The journal \"" + PathFor(imagePath) +
         "\" of an interrupted change cannot be applied: it is damaged or belongs to another "
         "disk. It has been left in place, and the disk is opened read-only.";
}

Journal::Recovery Journal::Recover(SFileStream& image) {
  std::string path = PathFor(image.Path());
  std::string text;
  if (!ReadJournalFile(path, text)) {
    return {};
  }
  Contents contents;
  auto [device, inode] = image.Identity();
  if (!Decode(text, contents) || contents.device != device || contents.inode != inode ||
      contents.imageName != NameOfPath(image.Path())) {
    return {Outcome::LeftInPlace, NotAppliedMessage(image.Path())};
  }
  Journal journal(path, std::move(contents));
  journal.RollBack(image);
  return {Outcome::RolledBack, kJournalRolledBackMessage};
}
