// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/MMBBuilder.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include "support/ImageBuilder.h"

namespace {

constexpr int64_t kIndex = 8192;
constexpr int64_t kDisc = 204800;
constexpr int kPerBlock = 511;
constexpr int64_t kBlock = kIndex + kPerBlock * kDisc;

[[noreturn]] void Fail(const char* what, const std::string& path) {
  std::fprintf(stderr, "MMBBuilder: cannot %s %s\n", what, path.c_str());
  std::abort();
}

void WriteAll(int descriptor, const std::vector<uint8_t>& bytes, int64_t offset,
              const std::string& path) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t put = ::pwrite(descriptor, bytes.data() + done, bytes.size() - done,
                           static_cast<off_t>(offset + static_cast<int64_t>(done)));
    if (put <= 0) {
      Fail("write", path);
    }
    done += static_cast<size_t>(put);
  }
}

}  // namespace

MMBBuilder::MMBBuilder(int extraBlocks)
    : extraBlocks_(extraBlocks),
      index_(static_cast<size_t>((extraBlocks + 1) * kIndex), 0),
      hostSize_(FullSize(extraBlocks)) {
  if (extraBlocks > 0) {
    index_[8] = static_cast<uint8_t>(0xA0 + extraBlocks);
  }
  for (int drive = 0; drive < 4; ++drive) {
    Boot(drive, drive);
  }
  for (int number = 0; number < (extraBlocks + 1) * kPerBlock; ++number) {
    Entry(number, "", 0xF0);
  }
}

int64_t MMBBuilder::DiscOffset(int number) {
  return (number / kPerBlock) * kBlock + kIndex + (number % kPerBlock) * kDisc;
}

int64_t MMBBuilder::EntryOffset(int number) {
  return (number / kPerBlock) * kBlock + 16 * (number % kPerBlock + 1);
}

int64_t MMBBuilder::FullSize(int extraBlocks) {
  return (extraBlocks + 1) * kBlock;
}

MMBBuilder& MMBBuilder::Boot(int drive, int number) {
  index_[static_cast<size_t>(drive)] = static_cast<uint8_t>(number & 0xFF);
  index_[static_cast<size_t>(drive + 4)] = static_cast<uint8_t>(number >> 8);
  return *this;
}

MMBBuilder& MMBBuilder::Entry(int number, const std::string& title, uint8_t status) {
  int64_t entry = EntryOffset(number);
  // The index of block b lies at b * kBlock in the file, at b * kIndex here.
  size_t at = static_cast<size_t>((number / kPerBlock) * kIndex + entry % kBlock);
  for (size_t index = 0; index < 12; ++index) {
    index_[at + index] = index < title.size() ? static_cast<uint8_t>(title[index]) : 0;
  }
  index_[at + 15] = status;
  return *this;
}

MMBBuilder& MMBBuilder::IndexByte(int64_t offset, uint8_t value) {
  index_[static_cast<size_t>(offset)] = value;
  return *this;
}

MMBBuilder& MMBBuilder::Disc(int number, const std::vector<uint8_t>& image) {
  discs_[number] = image;
  return *this;
}

MMBBuilder& MMBBuilder::Formatted(int number, const std::string& title, bool locked) {
  Disc(number, FormattedDiscImage(number, title));
  return Entry(number, title, locked ? 0x00 : 0x0F);
}

MMBBuilder& MMBBuilder::HostSize(int64_t size) {
  hostSize_ = size;
  return *this;
}

void MMBBuilder::WriteTo(const std::string& path) const {
  int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (descriptor < 0) {
    Fail("create", path);
  }
  for (int block = 0; block <= extraBlocks_; ++block) {
    auto from = index_.begin() + static_cast<ptrdiff_t>(block * kIndex);
    WriteAll(descriptor, std::vector<uint8_t>(from, from + kIndex), block * kBlock, path);
  }
  for (const auto& [number, image] : discs_) {
    WriteAll(descriptor, image, DiscOffset(number), path);
  }
  if (::ftruncate(descriptor, static_cast<off_t>(hostSize_)) != 0) {
    Fail("size", path);
  }
  ::close(descriptor);
}

std::vector<uint8_t> FormattedDiscImage(int number, const std::string& title) {
  auto seed = static_cast<uint8_t>(number);
  ImageBuilder disc(800);
  disc.Title(title).BootOption(number % 4);
  disc.AddEntry({'$', "SECOND", 0x1900, 0x8023, 3000, 20});
  disc.AddEntry({'B', "FIRST", 0xFF0E00, 0xFF0E00, 700, 2});
  disc.FileData(2, PatternBytes(700, seed)).FileData(20, PatternBytes(3000, seed + 1));
  return disc.Image();
}

std::vector<uint8_t> ReadHostRange(const std::string& path, int64_t offset, size_t count) {
  std::vector<uint8_t> bytes(count, 0);
  int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) {
    return bytes;
  }
  size_t done = 0;
  while (done < count) {
    ssize_t got = ::pread(descriptor, bytes.data() + done, count - done,
                          static_cast<off_t>(offset + static_cast<int64_t>(done)));
    if (got <= 0) {
      break;
    }
    done += static_cast<size_t>(got);
  }
  ::close(descriptor);
  return bytes;
}
