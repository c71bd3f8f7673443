// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ScreenBuilder.h"

#include "decode/TeletextFont.h"

#include <cmath>
#include <cstdlib>
#include <random>
#include <stdexcept>

namespace {

struct Layout {
  int width, height, colours, pixelsPerByte, bytesPerCharacterRow, pixelRowsPerCharacterRow,
      screenSize;
};

// The modes as the hardware lays them out, written out here independently of the decoder.
Layout LayoutOf(int mode) {
  switch (mode) {
    case 0:
      return {640, 256, 2, 8, 640, 8, 0x5000};
    case 1:
      return {320, 256, 4, 4, 640, 8, 0x5000};
    case 2:
      return {160, 256, 16, 2, 640, 8, 0x5000};
    case 3:
      return {640, 250, 2, 8, 640, 10, 0x4000};
    case 4:
      return {320, 256, 2, 8, 320, 8, 0x2800};
    case 5:
      return {160, 256, 4, 4, 320, 8, 0x2800};
    case 6:
      return {320, 250, 2, 8, 320, 10, 0x2000};
    default:
      throw std::invalid_argument("ScreenBuilder takes modes 0-6");
  }
}

// Screen pixels are not square: this many pixel columns span the height of one row.
double ColumnsPerRow(int width) {
  return width / 320.0;
}

}  // namespace

ScreenBuilder::ScreenBuilder(int mode) : mode_(mode) {
  Layout layout = LayoutOf(mode);
  width_ = layout.width;
  height_ = layout.height;
  colours_ = layout.colours;
  pixelsPerByte_ = layout.pixelsPerByte;
  bytesPerCharacterRow_ = layout.bytesPerCharacterRow;
  pixelRowsPerCharacterRow_ = layout.pixelRowsPerCharacterRow;
  memory_.assign(size_t(layout.screenSize), 0);
}

ScreenBuilder& ScreenBuilder::Pixel(int x, int y, int colour) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) {
    return *this;
  }
  int line = y % pixelRowsPerCharacterRow_;
  if (line >= 8) {
    return *this;
  }
  size_t offset = size_t(y / pixelRowsPerCharacterRow_) * size_t(bytesPerCharacterRow_) +
                  size_t(x / pixelsPerByte_) * 8 + size_t(line);
  int p = x % pixelsPerByte_;
  // The bits of pixel p, most significant colour bit first.
  std::vector<int> bits;
  if (pixelsPerByte_ == 8) {
    bits = {7 - p};
  } else if (pixelsPerByte_ == 4) {
    bits = {7 - p, 3 - p};
  } else {
    bits = {7 - p, 5 - p, 3 - p, 1 - p};
  }
  uint8_t& byte = memory_[offset];
  for (size_t index = 0; index < bits.size(); ++index) {
    int colourBit = (colour >> (bits.size() - 1 - index)) & 1;
    uint8_t mask = uint8_t(1 << bits[index]);
    byte = colourBit ? uint8_t(byte | mask) : uint8_t(byte & ~mask);
  }
  return *this;
}

ScreenBuilder& ScreenBuilder::Rect(int x, int y, int w, int h, int colour) {
  for (int row = y; row < y + h; ++row) {
    for (int column = x; column < x + w; ++column) {
      Pixel(column, row, colour);
    }
  }
  return *this;
}

ScreenBuilder& ScreenBuilder::Disc(int centreX, int centreY, int radius, int colour) {
  double stretch = ColumnsPerRow(width_);
  for (int row = centreY - radius; row <= centreY + radius; ++row) {
    for (int column = centreX - int(radius * stretch) - 1;
         column <= centreX + int(radius * stretch) + 1; ++column) {
      double dx = (column - centreX) / stretch;
      double dy = row - centreY;
      if (dx * dx + dy * dy <= double(radius) * radius) {
        Pixel(column, row, colour);
      }
    }
  }
  return *this;
}

ScreenBuilder& ScreenBuilder::Chequer(int x, int y, int w, int h, int first, int second) {
  for (int row = y; row < y + h; ++row) {
    for (int column = x; column < x + w; ++column) {
      Pixel(column, row, ((row + column) % 2 == 0) ? first : second);
    }
  }
  return *this;
}

ScreenBuilder& ScreenBuilder::Line(int x0, int y0, int x1, int y1, int colour) {
  int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
  for (int step = 0; step <= steps; ++step) {
    double t = steps == 0 ? 0.0 : double(step) / steps;
    Pixel(int(std::lround(x0 + (x1 - x0) * t)), int(std::lround(y0 + (y1 - y0) * t)), colour);
  }
  return *this;
}

std::vector<uint8_t> ScenePicture(int mode) {
  ScreenBuilder picture(mode);
  int width = picture.Width();
  int colours = picture.Colours();
  auto colour = [colours](int n) { return n % colours; };
  double stretch = ColumnsPerRow(width);
  auto across = [stretch](double columns320) { return int(std::lround(columns320 * stretch)); };
  // Sky bands, each a colour of its own.
  int bands = std::min(colours, 8);
  for (int band = 0; band < bands; ++band) {
    picture.Rect(0, band * 12, width, 12, colour(band));
  }
  // The sun, hills and a dithered field.
  picture.Disc(across(240), 70, 30, colour(colours - 1));
  picture.Disc(across(70), 230, 90, colour(1));
  picture.Disc(across(250), 260, 80, colour(colours > 2 ? 2 : 1));
  picture.Chequer(across(100), 190, across(120), 40, colour(colours > 2 ? 3 : 1), colour(0));
  // A frame, a house and some thin lines.
  picture.Rect(0, 100, width, 2, colour(colours - 1));
  picture.Rect(across(150), 120, across(60), 50, colour(colours > 4 ? 5 : 1));
  picture.Rect(across(165), 140, across(12), 15, colour(0));
  for (int line = 0; line < 6; ++line) {
    picture.Line(across(10 + line * 7), 110, across(60 + line * 9), 180, colour(line + 1));
  }
  // The remaining colours of sixteen, in boxes.
  for (int extra = 8; extra < colours; ++extra) {
    picture.Rect(across(10 + (extra - 8) * 38), 240, across(30), 12, extra);
  }
  return picture.Memory();
}

std::vector<uint8_t> BlocksPicture(int mode, unsigned seed) {
  ScreenBuilder picture(mode);
  std::mt19937 random(seed);
  auto below = [&random](int limit) { return int(random() % unsigned(limit)); };
  int colours = picture.Colours();
  for (int block = 0; block < 40; ++block) {
    int x = below(picture.Width());
    int y = below(picture.Height());
    int w = below(picture.Width() / 4) + 1;
    int h = below(60) + 1;
    if (block % 3 == 0) {
      int first = below(colours);
      picture.Chequer(x, y, w, h, first, below(colours));
    } else {
      picture.Rect(x, y, w, h, below(colours));
    }
  }
  return picture.Memory();
}

std::vector<uint8_t> DitherPicture(int mode) {
  ScreenBuilder picture(mode);
  int colours = picture.Colours();
  picture.Chequer(0, 0, picture.Width(), 128, 1, 2 % colours);
  picture.Disc(picture.Width() / 2, 180, 50, colours - 1);
  return picture.Memory();
}

std::vector<uint8_t> LinesPicture(int mode, unsigned seed) {
  ScreenBuilder picture(mode);
  std::mt19937 random(seed);
  auto below = [&random](int limit) { return int(random() % unsigned(limit)); };
  for (int line = 0; line < 60; ++line) {
    int x0 = below(picture.Width());
    int y0 = below(picture.Height());
    int x1 = below(picture.Width());
    int y1 = below(picture.Height());
    picture.Line(x0, y0, x1, y1, 1 + below(picture.Colours() - 1));
  }
  return picture.Memory();
}

std::vector<uint8_t> TextPicture(int mode) {
  ScreenBuilder picture(mode);
  const std::string text = "The quick brown fox jumps over the lazy dog. PRESS SPACE TO START ";
  int colours = picture.Colours();
  int colour = 1;
  size_t next = 0;
  for (int row = 1; row < 31; row += 3) {
    for (int cell = 0; cell < picture.Width() / 8; ++cell) {
      char letter = text[next++ % text.size()];
      if (letter == ' ') {
        colour = colour % (colours - 1) + 1;
      }
      TeletextDotMatrix dots = TeletextDots(uint8_t(letter));
      for (int line = 0; line < 8; ++line) {
        for (int dot = 0; dot < 6; ++dot) {
          if ((dots[size_t(line) + 1] >> (5 - dot)) & 1) {
            picture.Pixel(cell * 8 + dot, row * 8 + line, colour);
          }
        }
      }
    }
  }
  return picture.Memory();
}
