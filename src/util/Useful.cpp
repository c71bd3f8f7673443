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
    : std::runtime_error(action + " \"" + path + "\". " + std::strerror(errorNumber)),
      errorNumber_(errorNumber) {}

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

bool HasNoWriteBit(int descriptor) {
  struct stat status {};
  return fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) && (status.st_mode & 0222) == 0;
}

}  // namespace

SFileStream::SFileStream(const std::string& path, bool exclusive, bool createIfMissing)
    : path_(path) {
  const char* action = createIfMissing ? kCreateAction : kOpenAction;
  int flags = O_RDWR | O_CLOEXEC | (createIfMissing ? O_CREAT : 0);
  descriptor_ = ::open(path.c_str(), flags, 0666);
  if (descriptor_ < 0) {
    throw FileSystemError(action, path, errno);
  }
  int failure = 0;
  if (HasNoWriteBit(descriptor_)) {
    failure = EACCES;
  } else if (exclusive && ::flock(descriptor_, LOCK_EX | LOCK_NB) != 0) {
    failure = errno;
  }
  if (failure != 0) {
    ::close(descriptor_);
    descriptor_ = -1;
    throw FileSystemError(action, path, failure);
  }
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
