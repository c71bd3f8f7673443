// SPDX-License-Identifier: GPL-3.0-or-later
// Builds DFS disk images byte by byte for tests: title, options, catalogue entries
// with any field values, raw bytes and file data, written to a host file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class QTemporaryDir;

// One catalogue entry as the builder encodes it. The name is padded with spaces to 7
// characters (and cut there); addresses above 0xFFFF set both host-address bits.
struct ImageEntry {
  char directory = '$';
  std::string name;
  uint32_t load = 0;
  uint32_t exec = 0;
  uint32_t length = 0;
  uint32_t startSector = 2;
  bool locked = false;
};

class ImageBuilder {
 public:
  // A 512-byte image whose bytes 0x106/0x107 say sectorCount (800 = 80 tracks).
  explicit ImageBuilder(int sectorCount = 800);

  // Writes up to 12 characters (8 in sector 0, then 4 in sector 1) and a zero after a
  // shorter title.
  ImageBuilder& Title(const std::string& title);
  ImageBuilder& BootOption(int option);
  // Bits 0-1 of byte 0x106 and byte 0x107; the boot option and other bits are kept.
  ImageBuilder& SectorCount(int count);
  // Writes the entry into the next free slot and raises the count byte by 8.
  ImageBuilder& AddEntry(const ImageEntry& entry);
  // Writes the entry into slot, leaving the count byte alone.
  ImageBuilder& SetEntry(int slot, const ImageEntry& entry);
  ImageBuilder& CountByte(uint8_t value);
  // Makes the disk a Watford DFS 62-file one as Watford DFS formats it: eight 0xAA bytes
  // at the start of sector 2, no entries in the second catalogue (sectors 2-3), and the
  // sector count repeated in sector 3 bytes 6-7. Call after SectorCount.
  ImageBuilder& Watford62();
  // Adds Watford DFS's guard entry to the first catalogue: "!.!!!!!!!", 512 bytes at
  // sector 2, over the second catalogue.
  ImageBuilder& WatfordGuard();
  // Writes the entry into the next free slot of the second catalogue and raises its count
  // byte (sector 3 byte 5) by 8.
  ImageBuilder& AddSecondEntry(const ImageEntry& entry);
  ImageBuilder& Byte(size_t offset, uint8_t value);
  ImageBuilder& Bytes(size_t offset, const std::vector<uint8_t>& bytes);
  // Places data at sector * 256, growing the image as needed.
  ImageBuilder& FileData(int sector, const std::vector<uint8_t>& data);
  // Cuts the image or pads it with zeros to exactly size bytes.
  ImageBuilder& HostSize(size_t size);

  // Recipes for the catalogues tests keep asking for.
  // count files named A, B, C, ... in one sector each, one after another from sector 2
  // on, with the other fields of like (a length of 256 when like has none). With
  // letterData each file holds its letter in lower case ("aaa...") over its length.
  ImageBuilder& AddLetterFiles(int count, ImageEntry like = {}, bool letterData = false);
  // Files from a list of names such as "A B* C" (* = locked), one sector of 256 bytes
  // each, one after another from sector 2 on.
  ImageBuilder& AddNamedFiles(const std::string& names);
  // Files F0, F1, ... from a list of "start+length" pairs, e.g. "2+1024 10+2816".
  ImageBuilder& AddPlacedFiles(const std::string& placements);
  // A file FILLER from the sector after the last file added to the end of the disk,
  // leaving freeSectors free sectors at the end.
  ImageBuilder& AddFiller(int freeSectors = 1);

  const std::vector<uint8_t>& Image() const { return image_; }
  // Writes the image to path, replacing any file there; aborts the test run on failure.
  void WriteTo(const std::string& path) const;
  // Writes the image as name inside dir and returns its path.
  std::string WriteToTemp(const QTemporaryDir& dir, const std::string& name = "disk.ssd") const;

 private:
  // Writes the entry into slot of the catalogue that starts at byte base (0 or 512).
  ImageBuilder& SetEntryAt(size_t base, int slot, const ImageEntry& entry);

  std::vector<uint8_t> image_;
  int sectorCount_;
  int entryCount_ = 0;
  int secondEntryCount_ = 0;
  uint32_t firstFreeSector_ = 2;  // after the files added so far
};

// A double-sided image from the linear images of its two sides: track t of side s goes
// to (2t + s) * 2560. The result ends with the last track either side reaches.
std::vector<uint8_t> InterleavedImage(const std::vector<uint8_t>& side0,
                                      const std::vector<uint8_t>& side1);

// count bytes that differ from one position to the next and between seeds.
std::vector<uint8_t> PatternBytes(size_t count, uint8_t seed);

// The whole content of a host file (empty when it cannot be read).
std::vector<uint8_t> ReadHostFile(const std::string& path);

// Empty when the sample folder (tests/data) holds every named file or folder, else what
// is missing. Suites check it in initTestCase, so that missing data fails with a message
// before CopySample could throw.
std::string MissingSamples(const std::vector<std::string>& names = {});

// Copies the named image from the sample folder into dir as a writable file.
std::string CopySample(const QTemporaryDir& dir, const std::string& sampleName);

// Every file name in the sample folder that ends in extension (".ssd", ".dsd"), sorted;
// none when the folder is missing.
std::vector<std::string> SampleNames(const std::string& extension);
