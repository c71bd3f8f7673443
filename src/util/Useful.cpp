// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/Useful.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/Prompts.h"

FileSystemError::FileSystemError(const std::string& action, const std::string& path,
                                 int errorNumber)
    : FileSystemError(action, path, std::string(std::strerror(errorNumber))) {
  errorNumber_ = errorNumber;
}

FileSystemError::FileSystemError(const std::string& action, const std::string& path,
                                 const std::string& reason)
    : std::runtime_error(action + " \"" + path + "\". " + reason),
      action_(action),
      path_(path),
      reason_(reason),
      errorNumber_(0) {}

std::string FileSystemError::UserText() const {
  // "Cannot write file" becomes "write": the verb of the action.
  std::string verb = action_;
  if (verb.rfind("Cannot ", 0) == 0) {
    verb = verb.substr(7);
  }
  if (size_t space = verb.find(' '); space != std::string::npos) {
    verb = verb.substr(0, space);
  }
  return "Could not " + verb + " \"" + path_ + "\": " + reason_ + ".";
}

void SStream::ReadBuffer(void* buffer, size_t count) {
  if (Read(buffer, count) != count) {
    throw StreamReadError();
  }
}

// ---- SMemoryStream ----------------------------------------------------------------

void SMemoryStream::SetSize(int64_t newSize) {
  if (newSize < 0) {
    throw std::invalid_argument("Negative stream size");
  }
  bytes_.resize(static_cast<size_t>(newSize), 0);
}

size_t SMemoryStream::Read(void* buffer, size_t count) {
  if (position_ < 0 || position_ >= Size()) {
    return 0;
  }
  size_t available = bytes_.size() - static_cast<size_t>(position_);
  size_t taken = std::min(count, available);
  if (taken > 0) {
    std::memcpy(buffer, bytes_.data() + position_, taken);
  }
  position_ += static_cast<int64_t>(taken);
  return taken;
}

void SMemoryStream::Write(const void* buffer, size_t count) {
  if (position_ < 0) {
    throw std::out_of_range("Write before the start of a stream");
  }
  if (count == 0) {
    return;
  }
  size_t end = static_cast<size_t>(position_) + count;
  if (end > bytes_.size()) {
    bytes_.resize(end, 0);
  }
  std::memcpy(bytes_.data() + position_, buffer, count);
  position_ = static_cast<int64_t>(end);
}

// ---- FaultPlan ----------------------------------------------------------------------

FaultPlan FaultPlan::FailNthWrite(int k, bool persistent) {
  return FaultPlan(Kind::NthWrite, k, persistent);
}

FaultPlan FaultPlan::FailAfterBytes(int64_t limit) {
  return FaultPlan(Kind::AfterBytes, limit, false);
}

FaultPlan FaultPlan::DiskFull(int64_t size) {
  return FaultPlan(Kind::DiskFull, size, true);
}

bool FaultPlan::NthOperationFails() {
  ++operations_;
  bool fails =
      kind_ == Kind::NthWrite && (operations_ == limit_ || (persistent_ && operations_ > limit_));
  fired_ = fired_ || fails;
  return fails;
}

size_t FaultPlan::BeforeWrite(int64_t position, size_t count, int64_t fileSize, int& failure) {
  failure = 0;
  if (NthOperationFails()) {
    failure = EIO;
    return 0;
  }
  size_t allowed = count;
  if (kind_ == Kind::AfterBytes && !fired_ &&
      bytesWritten_ + static_cast<int64_t>(count) > limit_) {
    allowed = static_cast<size_t>(limit_ - bytesWritten_);
    failure = EIO;
  } else if (kind_ == Kind::DiskFull && position + static_cast<int64_t>(count) > limit_ &&
             position + static_cast<int64_t>(count) > fileSize) {
    // Blocks the file already has can be rewritten; only growth needs new space.
    allowed = static_cast<size_t>(
        std::clamp<int64_t>(std::max(limit_, fileSize) - position, 0, static_cast<int64_t>(count)));
    failure = ENOSPC;
  }
  fired_ = fired_ || failure != 0;
  bytesWritten_ += static_cast<int64_t>(allowed);
  return allowed;
}

int FaultPlan::BeforeSetSize(int64_t newSize) {
  if (NthOperationFails()) {
    return EIO;
  }
  if (kind_ == Kind::DiskFull && newSize > limit_) {
    fired_ = true;
    return ENOSPC;
  }
  return 0;
}

int FaultPlan::BeforeFlush() {
  return NthOperationFails() ? EIO : 0;
}

// ---- SFileStream --------------------------------------------------------------------

namespace {

const char* const kOpenAction = "Cannot open file";
const char* const kCreateAction = "Cannot create file";
const char* const kReadAction = "Cannot read file";
const char* const kWriteAction = "Cannot write file";

const char* const kNotRegularReason = "It is not a regular file";

}  // namespace

SFileStream::SFileStream(const std::string& path, bool exclusive, bool createIfMissing)
    : path_(path) {
  Open(O_RDWR | (createIfMissing ? O_CREAT : 0), exclusive ? LOCK_EX : 0,
       createIfMissing ? kCreateAction : kOpenAction);
}

SFileStream::SFileStream(const std::string& path, ReadOnlyShared) : path_(path), readOnly_(true) {
  Open(O_RDONLY, LOCK_SH, kOpenAction);
}

void SFileStream::Open(int flags, int lockOperation, const char* action) {
  // O_NONBLOCK: a FIFO opened for reading would otherwise wait for a writer.
  descriptor_ = ::open(path_.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
  if (descriptor_ < 0) {
    throw FileSystemError(action, path_, errno);
  }
  struct stat status {};
  int failure = 0;
  std::string reason;
  if (fstat(descriptor_, &status) != 0) {
    failure = errno;
  } else if (S_ISDIR(status.st_mode)) {
    failure = EISDIR;
  } else if (!S_ISREG(status.st_mode)) {
    reason = kNotRegularReason;
  } else if (!readOnly_ && (status.st_mode & 0222) == 0) {
    failure = EACCES;
  } else if (lockOperation != 0 && ::flock(descriptor_, lockOperation | LOCK_NB) != 0) {
    failure = errno;
  }
  if (failure != 0 || !reason.empty()) {
    ::close(descriptor_);
    descriptor_ = -1;
    if (!reason.empty()) {
      throw FileSystemError(action, path_, reason);
    }
    throw FileSystemError(action, path_, failure);
  }
  ::fcntl(descriptor_, F_SETFL, ::fcntl(descriptor_, F_GETFL) & ~O_NONBLOCK);
}

std::pair<uint64_t, uint64_t> SFileStream::Identity() const {
  struct stat status {};
  if (fstat(descriptor_, &status) != 0) {
    throw FileSystemError(kReadAction, path_, errno);
  }
  return {static_cast<uint64_t>(status.st_dev), static_cast<uint64_t>(status.st_ino)};
}

SFileStream::~SFileStream() {
  if (descriptor_ >= 0) {
    ::close(descriptor_);
  }
}

int64_t SFileStream::Size() const {
  struct stat status {};
  if (fstat(descriptor_, &status) != 0) {
    throw FileSystemError(kReadAction, path_, errno);
  }
  return status.st_size;
}

void SFileStream::SetSize(int64_t newSize) {
  if (readOnly_) {
    throw FileSystemError(kWriteAction, path_, EBADF);
  }
  if (int failure = faults_ ? faults_->BeforeSetSize(newSize) : 0; failure != 0) {
    throw FileSystemError(kWriteAction, path_, failure);
  }
  if (::ftruncate(descriptor_, newSize) != 0) {
    throw FileSystemError(kWriteAction, path_, errno);
  }
}

size_t SFileStream::Read(void* buffer, size_t count) {
  auto* bytes = static_cast<uint8_t*>(buffer);
  size_t done = 0;
  while (done < count) {
    ssize_t got = ::pread(descriptor_, bytes + done, count - done, position_);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0) {
      throw FileSystemError(kReadAction, path_, errno);
    }
    if (got == 0) {
      break;
    }
    done += static_cast<size_t>(got);
    position_ += got;
  }
  return done;
}

void SFileStream::Write(const void* buffer, size_t count) {
  if (readOnly_) {
    throw FileSystemError(kWriteAction, path_, EBADF);
  }
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  if (!faults_) {
    WriteAll(bytes, count);
    return;
  }
  int failure = 0;
  WriteAll(bytes, faults_->BeforeWrite(position_, count, Size(), failure));
  if (failure != 0) {
    throw FileSystemError(kWriteAction, path_, failure);
  }
}

void SFileStream::WriteAll(const uint8_t* bytes, size_t count) {
  size_t done = 0;
  while (done < count) {
    ssize_t put = ::pwrite(descriptor_, bytes + done, count - done, position_);
    if (put < 0 && errno == EINTR) {
      continue;
    }
    if (put <= 0) {
      throw FileSystemError(kWriteAction, path_, put < 0 ? errno : EIO);
    }
    done += static_cast<size_t>(put);
    position_ += put;
  }
}

void SFileStream::Flush() {
  if (readOnly_) {
    return;
  }
  if (int failure = faults_ ? faults_->BeforeFlush() : 0; failure != 0) {
    throw FileSystemError(kWriteAction, path_, failure);
  }
  // Files that cannot be synchronised (special files) have nothing to flush.
  if (::fdatasync(descriptor_) != 0 && errno != EINVAL && errno != EROFS) {
    throw FileSystemError(kWriteAction, path_, errno);
  }
}

// ---- Stream byte editing and searching -------------------------------------------

namespace {

uint8_t UpperCase(uint8_t value) {
  return value >= 'a' && value <= 'z' ? static_cast<uint8_t>(value - 'a' + 'A') : value;
}

std::vector<uint8_t> ReadRange(SStream& stream, int64_t from, int64_t to) {
  std::vector<uint8_t> bytes(static_cast<size_t>(std::max<int64_t>(to - from, 0)));
  stream.Seek(from);
  stream.ReadBuffer(bytes.data(), bytes.size());
  return bytes;
}

void CheckRange(SStream& stream, int64_t count, int64_t position) {
  if (count < 0 || position < 0 || position > stream.Size()) {
    throw std::out_of_range("Stream edit outside the stream");
  }
}

}  // namespace

int64_t SearchStream(SStream& stream, const std::string& pattern, bool ignoreCase) {
  int64_t start = std::max<int64_t>(stream.Position(), 0);
  int64_t size = stream.Size();
  int64_t patternLength = static_cast<int64_t>(pattern.size());
  if (start >= size || size - start < patternLength) {
    return -1;
  }
  std::vector<uint8_t> bytes = ReadRange(stream, start, size);
  auto equal = [ignoreCase](uint8_t left, char right) {
    auto other = static_cast<uint8_t>(right);
    return ignoreCase ? UpperCase(left) == UpperCase(other) : left == other;
  };
  auto found = std::search(bytes.begin(), bytes.end(), pattern.begin(), pattern.end(), equal);
  return found == bytes.end() && patternLength > 0 ? -1 : start + (found - bytes.begin());
}

void InsertStreamBytes(SStream& stream, int64_t count, int64_t position) {
  CheckRange(stream, count, position);
  if (count == 0) {
    return;
  }
  int64_t oldSize = stream.Size();
  std::vector<uint8_t> tail = ReadRange(stream, position, oldSize);
  stream.SetSize(oldSize + count);
  stream.Seek(position + count);
  stream.Write(tail.data(), tail.size());
  std::vector<uint8_t> zeros(static_cast<size_t>(count), 0);
  stream.Seek(position);
  stream.Write(zeros.data(), zeros.size());
}

void DeleteStreamBytes(SStream& stream, int64_t count, int64_t position) {
  CheckRange(stream, count, position);
  int64_t oldSize = stream.Size();
  if (position + count > oldSize) {
    throw std::out_of_range("Stream edit outside the stream");
  }
  std::vector<uint8_t> tail = ReadRange(stream, position + count, oldSize);
  stream.Seek(position);
  stream.Write(tail.data(), tail.size());
  stream.SetSize(oldSize - count);
}

uint8_t ReadStreamByte(SStream& stream, int64_t position) {
  uint8_t value = 0;
  stream.Seek(position);
  stream.ReadBuffer(&value, 1);
  return value;
}

void WriteStreamByte(SStream& stream, uint8_t value, int64_t position) {
  stream.Seek(position);
  stream.Write(&value, 1);
}

// ---- Strings ------------------------------------------------------------------------

std::string PadLeft(const std::string& text, char fill, size_t length) {
  return text.size() >= length ? text : std::string(length - text.size(), fill) + text;
}

std::string PadRight(const std::string& text, size_t length) {
  return text.size() >= length ? text : text + std::string(length - text.size(), ' ');
}

void SwapIntegers(int32_t& first, int32_t& second) {
  std::swap(first, second);
}

std::string Printable(const std::string& text) {
  std::string out;
  for (char value : text) {
    auto byte = static_cast<unsigned char>(value);
    bool control = byte < 0x20 || (byte >= 0x7F && byte < 0xA0);
    byte = control ? '?' : byte;
    if (byte < 0x80) {
      out += static_cast<char>(byte);
    } else {
      out += static_cast<char>(0xC0 | (byte >> 6));
      out += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return out;
}

// ---- Questions ----------------------------------------------------------------------

bool ConfirmYesNo(const std::string& message) {
  return Prompts().AskYesNo(message);
}

// ---- Folders ------------------------------------------------------------------------

std::vector<std::string> ListFolder(const std::string& folder, const std::string& pattern) {
  std::vector<std::string> names;
  DIR* directory = ::opendir(folder.c_str());
  if (directory == nullptr) {
    return names;
  }
  bool matchAll = pattern == "*.*";
  while (const dirent* entry = ::readdir(directory)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") {
      continue;
    }
    if (matchAll || ::fnmatch(pattern.c_str(), name.c_str(), 0) == 0) {
      names.push_back(name);
    }
  }
  ::closedir(directory);
  std::sort(names.begin(), names.end());
  return names;
}

std::string GetTempFolder() {
  const char* fromEnvironment = std::getenv("TMPDIR");
  std::string folder =
      fromEnvironment != nullptr && *fromEnvironment != '\0' ? fromEnvironment : "/tmp";
  while (!folder.empty() && folder.back() == '/') {
    folder.pop_back();
  }
  return folder + "/";
}

void FlushFolder(const std::string& folder) {
  int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0) {
    throw FileSystemError(kWriteAction, folder, errno);
  }
  int failure = ::fsync(descriptor) == 0 || errno == EINVAL ? 0 : errno;
  ::close(descriptor);
  if (failure != 0) {
    throw FileSystemError(kWriteAction, folder, failure);
  }
}

std::string FolderOfPath(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOfPath(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void ReplaceFileAtomically(const std::string& path, const std::string& bytes) {
  std::string folder = FolderOfPath(path);
  std::string pattern = folder + "/." + NameOfPath(path) + ".kestrow-XXXXXX";
  std::vector<char> temporary(pattern.begin(), pattern.end());
  temporary.push_back('\0');
  int descriptor = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (descriptor < 0) {
    throw FileSystemError(kCreateAction, path, errno);
  }
  std::string temporaryPath = temporary.data();
  int failure = 0;
  size_t done = 0;
  while (failure == 0 && done < bytes.size()) {
    ssize_t written = ::write(descriptor, bytes.data() + done, bytes.size() - done);
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      failure = written < 0 ? errno : EIO;
    } else {
      done += static_cast<size_t>(written);
    }
  }
  // The usual mode of a new file, as open(0666) under the umask would give.
  mode_t mask = ::umask(0);
  ::umask(mask);
  if (failure == 0 && ::fchmod(descriptor, 0666 & ~mask) != 0) {
    failure = errno;
  }
  if (failure == 0 && ::fdatasync(descriptor) != 0 && errno != EINVAL) {
    failure = errno;
  }
  if (::close(descriptor) != 0 && failure == 0) {
    failure = errno;
  }
  if (failure == 0 && ::rename(temporaryPath.c_str(), path.c_str()) != 0) {
    failure = errno;
  }
  if (failure != 0) {
    ::unlink(temporaryPath.c_str());
    throw FileSystemError(failure == ENOSPC || failure == EIO ? kWriteAction : kCreateAction, path,
                          failure);
  }
  try {
    FlushFolder(folder);
  } catch (const FileSystemError&) {
    // The new file is in place; only its durability is in doubt.
  }
}
