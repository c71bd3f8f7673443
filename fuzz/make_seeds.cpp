// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the seed corpora of the fuzz targets: the sample images and side-cars, and
// images built here with the model (blank, several files, a full catalogue, a nearly
// full disk, a fragmented Watford 62-file disk, both sides of a double-sided image, an
// unordered and overlapping catalogue).
//
// Usage: make_seeds SAMPLES_FOLDER OUTPUT_FOLDER
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <random>

#include "FuzzSupport.h"
#include "disk/DFSUseful.h"

namespace {

// Image seeds hold at most this much of an image: the catalogue and the first files.
constexpr size_t kImageSeedLimit = 20480;

std::mt19937 random(20240601);

std::vector<uint8_t> RandomBytes(size_t count) {
  std::vector<uint8_t> bytes(count);
  for (uint8_t& byte : bytes) {
    byte = static_cast<uint8_t>(random());
  }
  return bytes;
}

bool EndsWith(const std::string& text, const std::string& ending) {
  return text.size() >= ending.size() &&
         text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

int seedNumber = 0;

void WriteSeed(const std::string& folder, const std::vector<uint8_t>& bytes) {
  fuzz::WriteWholeFile(folder + "/seed-" + std::to_string(seedNumber++), bytes);
}

void WriteImageSeed(const std::string& folder, const std::vector<uint8_t>& image,
                    bool doubleSided) {
  size_t length = std::min(image.size(), kImageSeedLimit);
  std::vector<uint8_t> seed = {static_cast<uint8_t>(doubleSided ? 1 : 0),
                               static_cast<uint8_t>(length & 0xFF),
                               static_cast<uint8_t>(length >> 8)};
  seed.insert(seed.end(), image.begin(), image.begin() + static_cast<ptrdiff_t>(length));
  std::vector<uint8_t> steps = RandomBytes(96);
  seed.insert(seed.end(), steps.begin(), steps.end());
  WriteSeed(folder, seed);
}

DFSFileClass Entry(const std::string& name, char directory, int32_t length, bool locked = false) {
  DFSFileClass entry;
  entry.Name = PadRight(name, 7);
  entry.Directory = directory;
  entry.Length = length;
  entry.LoadAddress = 0x1900;
  entry.ExecAddress = 0xFF8023;
  entry.Locked = locked ? 1 : 0;
  return entry;
}

void Save(DFSDiskClass& disk, const DFSFileClass& entry) {
  SMemoryStream source(RandomBytes(static_cast<size_t>(entry.Length)));
  disk.SaveFile(entry, source);
}

void BuiltImages(const std::string& work, const std::string& folder) {
  std::string single = work + "/built.ssd";
  {
    auto disk = DFSDiskClass::Create(single, 1);
    WriteImageSeed(folder, fuzz::ReadWholeFile(single), false);
    disk->SetTitle("FUZZ SEEDS");
    disk->SetBootOption(3);
    Save(*disk, Entry("!BOOT", '$', 40));
    Save(*disk, Entry("PROG", '$', 3000, true));
    Save(*disk, Entry("DATA", 'D', 0));
    Save(*disk, Entry("Prog", 'b', 700));
    Save(*disk, Entry("LAST", '$', 256));
    disk->DeleteFile('$', PadRight("LAST", 7));
    WriteImageSeed(folder, fuzz::ReadWholeFile(single), false);
  }
  {
    auto disk = DFSDiskClass::Create(single, 1);
    for (int index = 0; index < kMaxCatalogueEntries; ++index) {
      Save(*disk, Entry("F" + std::to_string(index), '$', 100 + index * 37, index % 5 == 0));
    }
    WriteImageSeed(folder, fuzz::ReadWholeFile(single), false);
  }
  {
    auto disk = DFSDiskClass::Create(single, 1);
    Save(*disk, Entry("BIG", '$', 200000));
    Save(*disk, Entry("SMALL", '$', 1000));
    WriteImageSeed(folder, fuzz::ReadWholeFile(single), false);
  }
  {
    // Watford 62-file: files in both catalogues, with gaps left by deleted ones.
    auto disk = DFSDiskClass::Create(single, 1, true);
    for (int index = 0; index < 40; ++index) {
      Save(*disk, Entry("W" + std::to_string(index), '$', 50 + index * 29, index % 7 == 0));
    }
    for (int index = 1; index < 40; index += 3) {
      disk->DeleteFile('$', PadRight("W" + std::to_string(index), 7));
    }
    WriteImageSeed(folder, fuzz::ReadWholeFile(single), false);
  }
  std::string both = work + "/built.dsd";
  {
    ImageSides sides = CreateDoubleSided(both);
    Save(*sides[0], Entry("SIDE0", '$', 3000));
    Save(*sides[1], Entry("SIDE1", '$', 5000, true));
    sides[1]->SetTitle("OTHER SIDE");
    WriteImageSeed(folder, fuzz::ReadWholeFile(both), true);
  }
  // A 40-track catalogue in ascending order with an overlap, a zero-length entry sharing
  // a start sector and an entry past the disk.
  std::vector<uint8_t> odd(4096, 0);
  odd[0x105] = 4 * 8;
  odd[0x106] = 0x01;
  odd[0x107] = 0x90;
  const uint8_t starts[] = {2, 3, 3, 0xA0};
  const uint8_t mixed[] = {0x00, 0x00, 0x00, 0x03};
  const uint16_t lengths[] = {600, 0, 400, 300};
  for (size_t slot = 0; slot < 4; ++slot) {
    odd[8 + 8 * slot] = static_cast<uint8_t>('A' + slot);
    std::fill(odd.begin() + 9 + 8 * slot, odd.begin() + 15 + 8 * slot, ' ');
    odd[15 + 8 * slot] = '$';
    odd[0x10C + 8 * slot] = static_cast<uint8_t>(lengths[slot] & 0xFF);
    odd[0x10D + 8 * slot] = static_cast<uint8_t>(lengths[slot] >> 8);
    odd[0x10E + 8 * slot] = mixed[slot];
    odd[0x10F + 8 * slot] = starts[slot];
  }
  WriteImageSeed(folder, odd, false);
  unlink(single.c_str());
  unlink(both.c_str());
}

void ImageSeeds(const std::string& samples, const std::string& work, const std::string& folder) {
  for (const std::string& name : fuzz::FolderNames(samples)) {
    bool doubleSided = EndsWith(name, ".dsd");
    if (doubleSided || EndsWith(name, ".ssd")) {
      WriteImageSeed(folder, fuzz::ReadWholeFile(samples + "/" + name), doubleSided);
    }
  }
  BuiltImages(work, folder);
}

// "host name\n side-car\n content" with trailing bytes for the choices; the last byte
// even, so that the target imports it rather than making a round trip.
void ImportSeeds(const std::string& samples, const std::string& folder) {
  std::string sideCarFolders = samples + "/folders";
  for (const std::string& sub : fuzz::FolderNames(sideCarFolders)) {
    std::string path = sideCarFolders + "/" + sub;
    for (const std::string& name : fuzz::FolderNames(path)) {
      if (!EndsWith(name, ".inf") && !EndsWith(name, ".INF")) {
        continue;
      }
      std::vector<uint8_t> sideCar = fuzz::ReadWholeFile(path + "/" + name);
      std::string host = name.substr(0, name.size() - 4);
      std::vector<uint8_t> seed(host.begin(), host.end());
      seed.push_back('\\');
      seed.push_back('n');
      seed.insert(seed.end(), sideCar.begin(),
                  sideCar.begin() + std::min<size_t>(sideCar.size(), 100));
      seed.push_back('\\');
      seed.push_back('n');
      std::vector<uint8_t> tail = RandomBytes(24);
      seed.insert(seed.end(), tail.begin(), tail.end());
      seed.back() &= 0xFE;
      WriteSeed(folder, seed);
    }
  }
  const char* const fixedSideCars[] = {"$.GAME     001900 008023 000100 L",
                                       "B.PROG  FF1900 FF8023 3000 8", "$.ODD  1900",
                                       "A.B     zz1900 008023",
                                       // a disc-build tool's spelling: TAB, no length
                                       "$.!BOOT\t000000 FFFFFF", "$.help\t\t000000 000000"};
  for (const char* sideCar : fixedSideCars) {
    std::string text = std::string("$.GAME\\n") + sideCar + "\\n";
    std::vector<uint8_t> seed(text.begin(), text.end());
    std::vector<uint8_t> tail = RandomBytes(16);
    seed.insert(seed.end(), tail.begin(), tail.end());
    seed.back() &= 0xFE;
    WriteSeed(folder, seed);
  }
  for (int round = 0; round < 6; ++round) {
    std::vector<uint8_t> seed = RandomBytes(40 + 50 * round);
    seed.back() |= 1;
    WriteSeed(folder, seed);
  }
}

void InspectorSeeds(const std::string& folder) {
  for (size_t size : {16, 100, 300, 700, 1500}) {
    WriteSeed(folder, RandomBytes(size));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "Usage: make_seeds SAMPLES_FOLDER OUTPUT_FOLDER\n");
    return 2;
  }
  std::string samples = argv[1];
  std::string output = argv[2];
  for (const char* target :
       {"", "/fuzz_image", "/fuzz_compact", "/fuzz_import", "/fuzz_inspector", "/work"}) {
    mkdir((output + target).c_str(), 0755);
  }
  ImageSeeds(samples, output + "/work", output + "/fuzz_image");
  ImageSeeds(samples, output + "/work", output + "/fuzz_compact");
  ImportSeeds(samples, output + "/fuzz_import");
  InspectorSeeds(output + "/fuzz_inspector");
  rmdir((output + "/work").c_str());
  return 0;
}
