// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/ScreenOptions.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace {

const std::array<const char*, 8> kColourNames = {"black", "red",     "green", "yellow",
                                                 "blue",  "magenta", "cyan",  "white"};

// The physical colour a palette value names, or nothing.
std::optional<uint8_t> ParseColour(const std::string& text) {
  if (!text.empty() && text.size() <= 2 && std::all_of(text.begin(), text.end(), [](char digit) {
        return digit >= '0' && digit <= '9';
      })) {
    const int value = std::stoi(text);
    if (value <= 15) {
      return static_cast<uint8_t>(value);
    }
    return std::nullopt;
  }
  std::string lower = text;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](char letter) {
    return letter >= 'A' && letter <= 'Z' ? letter - 'A' + 'a' : letter;
  });
  for (size_t colour = 0; colour < kColourNames.size(); ++colour) {
    if (lower == kColourNames[colour]) {
      return static_cast<uint8_t>(colour);
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<int> ParseScreenModeText(const std::string& text) {
  if (text.size() == 1 && text[0] >= '0' && text[0] - '0' <= kLastScreenMode) {
    return text[0] - '0';
  }
  return std::nullopt;
}

std::string PhysicalColourName(uint8_t physical) {
  if (physical < 8) {
    return kColourNames[physical];
  }
  const uint8_t first = physical & 7;
  return std::string("flashing ") + kColourNames[first] + "/" + kColourNames[7 - first];
}

ScreenPalette ParsePaletteText(const std::string& text, int mode) {
  const ScreenModeInfo& info = ScreenMode(mode);
  if (mode == kTeletextMode) {
    throw std::invalid_argument("MODE 7 is teletext, whose colours are fixed: it takes no palette");
  }
  ScreenPalette palette = DefaultPalette(mode);
  size_t logical = 0;
  size_t start = 0;
  while (true) {
    const size_t comma = text.find(',', start);
    const std::string value =
        text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (logical == size_t(info.colours)) {
      throw std::invalid_argument("MODE " + std::to_string(mode) + " has " +
                                  std::to_string(info.colours) +
                                  " logical colours, and the palette gives more");
    }
    const std::optional<uint8_t> colour = ParseColour(value);
    if (!colour) {
      throw std::invalid_argument(
          "a palette colour is a number from 0 to 15 or black, red, green, yellow, blue, "
          "magenta, cyan or white, not \"" +
          value + "\"");
    }
    palette[logical++] = *colour;
    if (comma == std::string::npos) {
      break;
    }
    start = comma + 1;
  }
  return palette;
}

ScreenFrame FitScreenFrame(int pictureRows, int areaWidth, int areaHeight) {
  int height = std::min(areaHeight, areaWidth * 3 / 4);
  if (pictureRows > 0 && height >= pictureRows) {
    height -= height % pictureRows;
  }
  if (height < 3) {
    return {};
  }
  return {height * 4 / 3, height};
}
