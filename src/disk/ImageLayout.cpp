// SPDX-License-Identifier: GPL-3.0-or-later
#include "disk/ImageLayout.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

constexpr int64_t kSecondSideCatalogue = 2560;
constexpr size_t kCountByte = 0x105;
constexpr size_t kOptionByte = 0x106;
constexpr size_t kSectorCountByte = 0x107;
constexpr uint8_t kMaxCountByte = 31 * 8;

struct CatalogueMarks {
  uint8_t countByte = 0;
  int sectorCount = 0;
};

CatalogueMarks ReadMarks(SStream& image, int64_t catalogue) {
  std::array<uint8_t, 3> bytes{};
  image.Seek(catalogue + static_cast<int64_t>(kCountByte));
  image.Read(bytes.data(), bytes.size());
  return {bytes[0],
          ((bytes[kOptionByte - kCountByte] & 3) << 8) | bytes[kSectorCountByte - kCountByte]};
}

// Whether every track slot that an interleaved image gives to side 1 is zero.
bool OddTracksBlank(SStream& image) {
  std::vector<uint8_t> track(static_cast<size_t>(kSecondSideCatalogue));
  for (int64_t at = kSecondSideCatalogue; at < image.Size(); at += 2 * kSecondSideCatalogue) {
    image.Seek(at);
    size_t got = image.Read(track.data(), track.size());
    if (std::any_of(track.begin(), track.begin() + static_cast<ptrdiff_t>(got),
                    [](uint8_t value) { return value != 0; })) {
      return false;
    }
  }
  return true;
}

const char* LayoutName(ImageLayout layout) {
  return layout == ImageLayout::InterleavedDoubleSided ? "a double-sided (interleaved) image"
                                                       : "a single-sided (linear) image";
}

}  // namespace

LayoutFindings DetectLayout(SStream& image, ImageLayout byName) {
  if (image.Size() < kSecondSideCatalogue + static_cast<int64_t>(kSectorCountByte) + 1) {
    return {byName, false};
  }
  CatalogueMarks side0 = ReadMarks(image, 0);
  CatalogueMarks side1 = ReadMarks(image, kSecondSideCatalogue);
  // A second side never formatted is all zeros, and so is an unused sector 10 of a
  // linear image; then only the rest of the odd tracks can tell them apart.
  if (side1.countByte == 0 && side1.sectorCount == 0 && OddTracksBlank(image)) {
    return {byName, false};
  }
  bool interleaved = side1.countByte % 8 == 0 && side1.countByte <= kMaxCountByte &&
                     side1.sectorCount == side0.sectorCount && side0.sectorCount >= 2;
  return {interleaved ? ImageLayout::InterleavedDoubleSided : ImageLayout::LinearSingleSided, true};
}

std::string LayoutMismatchMessage(const std::string& path, ImageLayout byName, ImageLayout found) {
  const char* extension = found == ImageLayout::InterleavedDoubleSided ? ".dsd" : ".ssd";
  return "The file \"" + path + "\" is named as " + LayoutName(byName) +
         ", but its content looks like " + LayoutName(found) +
         ". It is opened read-only so that nothing is written in the wrong places; rename it to "
         "end in \"" +
         extension + "\" to open it as it is.";
}
