// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/ScreenGuess.h"

#include "decode/ScreenModes.h"

namespace {

struct Layout {
  uint16_t load;
  uint32_t minimumLength;
  uint32_t maximumLength;
  std::vector<int> modes;
};

const std::vector<Layout>& Layouts() {
  static const std::vector<Layout> layouts = {
      {0x3000, 0x5000, 0x5000, {0, 1, 2}},
      {0x4000, 0x4000, 0x4000, {3}},
      {0x5800, 0x2800, 0x2800, {4, 5}},
      {0x6000, 0x2000, 0x2000, {6}},
      {0x7C00, 1, 0x400, {7}},
  };
  return layouts;
}

}  // namespace

std::vector<int> ScreenLayoutModes(uint32_t loadAddress, size_t length) {
  uint32_t high = loadAddress >> 16;
  if (high != 0 && high != 0xFF && high != 0xFFFF) {
    return {};
  }
  uint16_t address = uint16_t(loadAddress & 0xFFFF);
  for (const Layout& layout : Layouts()) {
    if (address == layout.load && length >= layout.minimumLength &&
        length <= layout.maximumLength) {
      return layout.modes;
    }
  }
  return {};
}

bool ScreenDisorder::LessThan(const ScreenDisorder& other) const {
  // newPixels / (comparedPixels / pixelsPerByte) < the same of other, exactly.
  return newPixels * pixelsPerByte * other.comparedPixels <
         other.newPixels * other.pixelsPerByte * comparedPixels;
}

ScreenDisorder MeasureScreenDisorder(std::span<const uint8_t> memory, int mode) {
  const ScreenModeInfo& info = ScreenMode(mode);
  std::vector<uint8_t> pixels = LogicalPixels(memory, mode);
  ScreenDisorder disorder;
  disorder.pixelsPerByte = info.pixelsPerByte;
  for (int y = 0; y < info.height; ++y) {
    const uint8_t* row = &pixels[size_t(y) * size_t(info.width)];
    for (int x = 2; x < info.width; ++x) {
      if (row[x] == kNoPixel || row[x - 1] == kNoPixel || row[x - 2] == kNoPixel) {
        continue;
      }
      ++disorder.comparedPixels;
      if (row[x] != row[x - 1] && row[x] != row[x - 2]) {
        ++disorder.newPixels;
      }
    }
  }
  return disorder;
}

ScreenGuess GuessScreenMode(uint32_t loadAddress, std::span<const uint8_t> data) {
  ScreenGuess guess;
  guess.layoutModes = ScreenLayoutModes(loadAddress, data.size());
  if (guess.layoutModes.empty()) {
    guess.note = kNoScreenLayoutNote;
    return guess;
  }
  guess.guessed = true;
  guess.mode = guess.layoutModes.front();
  if (guess.layoutModes.size() > 1) {
    ScreenDisorder best = MeasureScreenDisorder(data, guess.mode);
    for (size_t index = 1; index < guess.layoutModes.size(); ++index) {
      int candidate = guess.layoutModes[index];
      ScreenDisorder disorder = MeasureScreenDisorder(data, candidate);
      if (disorder.LessThan(best)) {
        best = disorder;
        guess.mode = candidate;
      }
    }
  }
  return guess;
}
