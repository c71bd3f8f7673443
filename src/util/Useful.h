// Shared helper routines: stream byte editing and searching, padding, folder
// listing, the temporary folder, and the seekable streams they work on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
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
  int ErrorNumber() const { return errorNumber_; }

 private:
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

// A host file opened read-write through a POSIX descriptor. Reads past the end give
// fewer bytes; writes past the end grow the file with zeros in between.
class SFileStream : public SStream {
 public:
  // Opens an existing file read-write (createIfMissing: creates it, never truncates);
  // with exclusive set, also takes a non-blocking flock(LOCK_EX) held until the stream
  // is destroyed. A regular file without any write permission bit counts as read-only
  // and fails with EACCES, even for root. Raises FileSystemError.
  SFileStream(const std::string& path, bool exclusive, bool createIfMissing = false);
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

 private:
  std::string path_;
  int descriptor_ = -1;
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
