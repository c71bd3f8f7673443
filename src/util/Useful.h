// SPDX-License-Identifier: GPL-3.0-or-later
// Shared helper routines: stream byte editing and searching, padding, folder
// listing, the temporary folder, and the seekable streams they work on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// Raised by a stream that cannot deliver the bytes asked for; the text is the
// program's own "Stream read error".
class StreamReadError : public std::runtime_error {
 public:
  StreamReadError() : std::runtime_error("Stream read error") {}
};

// Raised by file-system failures. The text reads like
// `Cannot open file "PATH". Permission denied`: the action, the path, then strerror.
class FileSystemError : public std::runtime_error {
 public:
  FileSystemError(const std::string& action, const std::string& path, int errorNumber);
  // A failure the system has no error number for (a FIFO given as an image): reason
  // stands in for strerror, and ErrorNumber() is 0.
  FileSystemError(const std::string& action, const std::string& path, const std::string& reason);
  int ErrorNumber() const { return errorNumber_; }
  const std::string& Path() const { return path_; }
  // `Could not open "PATH": No such file or directory.`: what went wrong, in a user's words.
  std::string UserText() const;

 private:
  std::string action_;
  std::string path_;
  std::string reason_;
  int errorNumber_;
};

// The small seekable-stream interface the stream routines take.
class SStream {
 public:
  virtual ~SStream() = default;
  virtual int64_t Size() const = 0;
  // Grows (with zero bytes) or shrinks the stream; the position is kept.
  virtual void SetSize(int64_t newSize) = 0;
  int64_t Position() const { return position_; }
  void Seek(int64_t position) { position_ = position; }
  // Reads up to count bytes at the position and advances it; returns the number read
  // (fewer at the end of the stream).
  virtual size_t Read(void* buffer, size_t count) = 0;
  // Writes count bytes at the position, growing the stream when needed, and advances it.
  virtual void Write(const void* buffer, size_t count) = 0;
  // Reads exactly count bytes or raises StreamReadError.
  void ReadBuffer(void* buffer, size_t count);

 protected:
  int64_t position_ = 0;
};

// The memory stream that holds an inspector's bytes.
class SMemoryStream : public SStream {
 public:
  SMemoryStream() = default;
  explicit SMemoryStream(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  int64_t Size() const override { return static_cast<int64_t>(bytes_.size()); }
  void SetSize(int64_t newSize) override;
  size_t Read(void* buffer, size_t count) override;
  void Write(const void* buffer, size_t count) override;
  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  std::vector<uint8_t>& Bytes() { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

// Injected write failures for tests of what a failing disk leaves behind. An SFileStream
// with a plan installed consults it before every Write, SetSize and Flush; a failure
// raises FileSystemError with the system's text for EIO or ENOSPC, as a real one does.
class FaultPlan {
 public:
  // The k-th write operation (Write, SetSize or Flush, counted from 1) fails with EIO
  // and writes nothing; with persistent set, every later one fails the same way.
  static FaultPlan FailNthWrite(int k, bool persistent = false);
  // Writes pass until limit bytes have been written in all; the write that would pass
  // the limit writes the bytes up to it (a short write), then fails with EIO.
  static FaultPlan FailAfterBytes(int64_t limit);
  // The disk is full: the file cannot grow past size bytes. A write reaching past it
  // writes up to it and fails with ENOSPC, as does growing the file with SetSize.
  static FaultPlan DiskFull(int64_t size);

  // Write operations and bytes seen so far, and whether a failure has been raised.
  int Operations() const { return operations_; }
  int64_t BytesWritten() const { return bytesWritten_; }
  bool Fired() const { return fired_; }

  // For SFileStream: how many of count bytes at position (fileSize bytes in the file)
  // to write, with the errno to raise after writing them in failure (0 for none).
  size_t BeforeWrite(int64_t position, size_t count, int64_t fileSize, int& failure);
  // The errno to raise instead of the size change or flush, or 0.
  int BeforeSetSize(int64_t newSize);
  int BeforeFlush();

 private:
  enum class Kind { NthWrite, AfterBytes, DiskFull };
  FaultPlan(Kind kind, int64_t limit, bool persistent)
      : kind_(kind), limit_(limit), persistent_(persistent) {}
  // Counts one operation; true when it is the one (or one of those) that fails.
  bool NthOperationFails();

  Kind kind_;
  int64_t limit_;
  bool persistent_;
  int operations_ = 0;
  int64_t bytesWritten_ = 0;
  bool fired_ = false;
};

// A host file opened read-write through a POSIX descriptor. Reads past the end give
// fewer bytes; writes past the end grow the file with zeros in between.
class SFileStream : public SStream {
 public:
  // Opens an existing file read-write (createIfMissing: creates it, never truncates);
  // with exclusive set, also takes a non-blocking flock(LOCK_EX) held until the stream
  // is destroyed. A regular file without any write permission bit counts as read-only
  // and fails with EACCES, even for root. Only regular files open: a folder, FIFO or
  // device (or a link to one) is refused at once, never waited on. Raises FileSystemError.
  SFileStream(const std::string& path, bool exclusive, bool createIfMissing = false);
  // Opens an existing regular file for reading only, with a shared flock(LOCK_SH): readers
  // exclude writers, not each other. Every write raises FileSystemError (EBADF).
  struct ReadOnlyShared {};
  SFileStream(const std::string& path, ReadOnlyShared);
  ~SFileStream() override;
  SFileStream(const SFileStream&) = delete;
  SFileStream& operator=(const SFileStream&) = delete;

  int64_t Size() const override;
  void SetSize(int64_t newSize) override;
  size_t Read(void* buffer, size_t count) override;
  void Write(const void* buffer, size_t count) override;
  // Flushes written data to the host disk (fdatasync). Virtual so tests can record it.
  virtual void Flush();
  const std::string& Path() const { return path_; }
  bool IsReadOnly() const { return readOnly_; }
  // The host file's device and inode, which tell one image from another.
  std::pair<uint64_t, uint64_t> Identity() const;

  // Installs injected failures (tests only); nullptr removes them.
  void SetFaultPlan(std::shared_ptr<FaultPlan> plan) { faults_ = std::move(plan); }
  const std::shared_ptr<FaultPlan>& Faults() const { return faults_; }

 private:
  void Open(int flags, int lockOperation, const char* action);
  void WriteAll(const uint8_t* bytes, size_t count);

  std::string path_;
  int descriptor_ = -1;
  bool readOnly_ = false;
  std::shared_ptr<FaultPlan> faults_;
};

// ---- Stream byte editing and searching -------------------------------------------

// First offset at or after the stream's position where pattern occurs whole, or -1.
// With ignoreCase the letters a-z compare equal to A-Z. The position afterwards is
// unspecified; callers reposition.
int64_t SearchStream(SStream& stream, const std::string& pattern, bool ignoreCase);

// Grows the stream by count bytes, moves the bytes from position up by count and
// writes count zero bytes at position.
void InsertStreamBytes(SStream& stream, int64_t count, int64_t position);

// Moves the bytes from position + count down by count and shrinks the stream.
// The caller keeps position + count within the stream.
void DeleteStreamBytes(SStream& stream, int64_t count, int64_t position);

uint8_t ReadStreamByte(SStream& stream, int64_t position);
void WriteStreamByte(SStream& stream, uint8_t value, int64_t position);

// ---- Strings ------------------------------------------------------------------------

// Prefixes fill until text has length characters; a longer text is returned unchanged.
std::string PadLeft(const std::string& text, char fill, size_t length);
// Appends spaces until text has length characters; a longer text is never cut.
std::string PadRight(const std::string& text, size_t length);

void SwapIntegers(int32_t& first, int32_t& second);

// Text safe to print on a terminal: control characters (C0, DEL and C1) become "?", other
// bytes are taken as Latin-1 and written in UTF-8.
std::string Printable(const std::string& text);

// ---- Questions ----------------------------------------------------------------------

// Asks a Yes/No question titled "Confirm" through the prompt interface; true only for Yes.
bool ConfirmYesNo(const std::string& message);

// ---- Folders ------------------------------------------------------------------------

// Names (not paths) of every entry of folder matching pattern, without "." and "..".
// "*.*" matches every name, as it does for the file systems the pattern comes from.
// Empty when nothing matches or the folder does not exist.
std::vector<std::string> ListFolder(const std::string& folder, const std::string& pattern);

// The system temporary folder ($TMPDIR, else /tmp) ending in exactly one "/";
// empty when the system names none.
std::string GetTempFolder();

// Flushes the entries of a folder (a file created, renamed or removed in it) to the
// host disk. Raises FileSystemError.
void FlushFolder(const std::string& folder);

// The folder part of a path ("." for a bare name) and the name part.
std::string FolderOfPath(const std::string& path);
std::string NameOfPath(const std::string& path);

// Writes bytes to a new temporary file beside path, flushes it and renames it over path,
// so path holds either its old content or all of the new, never a part. Raises
// FileSystemError; nothing is left behind on failure.
void ReplaceFileAtomically(const std::string& path, const std::string& bytes);
