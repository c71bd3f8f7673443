// SPDX-License-Identifier: GPL-3.0-or-later
// Builds MMB files for tests as the common tools write them: an 8192-byte index per block
// (boot discs, the extended-format byte, a 12-byte title and a status byte per disc) and
// 204800-byte discs, written as a sparse host file of the full size. Offsets are worked
// out here again, independently of the model.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class MMBBuilder {
 public:
  // extraBlocks > 0 gives the extended format: header byte 8 = 0xA0 + extraBlocks and
  // 511 more discs per block. Every disc starts unformatted (0xF0) with no title, and
  // drives 0-3 boot discs 0-3.
  explicit MMBBuilder(int extraBlocks = 0);

  static int64_t DiscOffset(int number);
  static int64_t EntryOffset(int number);
  static int64_t FullSize(int extraBlocks = 0);

  MMBBuilder& Boot(int drive, int number);
  // The index entry: the title's bytes (cut to 12, zeros after) and the status byte.
  MMBBuilder& Entry(int number, const std::string& title, uint8_t status);
  MMBBuilder& IndexByte(int64_t offset, uint8_t value);
  // The disc's bytes from its start (at most 204800).
  MMBBuilder& Disc(int number, const std::vector<uint8_t>& image);
  // A disc with a title, two files of pattern data and the matching index entry.
  MMBBuilder& Formatted(int number, const std::string& title, bool locked = false);
  // The host file's size; the full size of every block by default.
  MMBBuilder& HostSize(int64_t size);

  // Writes the file at path, replacing any file there; aborts the test run on failure.
  void WriteTo(const std::string& path) const;

 private:
  int extraBlocks_;
  std::vector<uint8_t> index_;  // every block's index, one after another
  std::map<int, std::vector<uint8_t>> discs_;
  int64_t hostSize_;
};

// A disc image as MMBBuilder::Formatted writes it for that number and title.
std::vector<uint8_t> FormattedDiscImage(int number, const std::string& title);

// count bytes of the host file from offset; zeros past its end.
std::vector<uint8_t> ReadHostRange(const std::string& path, int64_t offset, size_t count);
