// SPDX-License-Identifier: GPL-3.0-or-later
// Builds BBC Micro screen memory for tests: pixels of a bitmap mode set one by one in
// logical colours and packed into bytes as the video hardware reads them, and pictures
// drawn in a mode the way a title screen would be.
#pragma once

#include <cstdint>
#include <vector>

class ScreenBuilder {
 public:
  // All-zero memory of the mode's full screen size; mode is 0-6.
  explicit ScreenBuilder(int mode);

  int Width() const { return width_; }
  int Height() const { return height_; }
  int Colours() const { return colours_; }

  // Pixels outside the screen, and the blank rows of modes 3 and 6, are ignored.
  ScreenBuilder& Pixel(int x, int y, int colour);
  ScreenBuilder& Rect(int x, int y, int w, int h, int colour);
  // Every pixel within radius of the centre, radius measured in pixel rows: the circle is
  // round on the screen, so wider across in modes with fine pixels.
  ScreenBuilder& Disc(int centreX, int centreY, int radius, int colour);
  // Alternates two colours in a chequer, as shading is dithered.
  ScreenBuilder& Chequer(int x, int y, int w, int h, int first, int second);
  ScreenBuilder& Line(int x0, int y0, int x1, int y1, int colour);

  const std::vector<uint8_t>& Memory() const { return memory_; }

 private:
  int mode_;
  int width_;
  int height_;
  int colours_;
  int pixelsPerByte_;
  int bytesPerCharacterRow_;
  int pixelRowsPerCharacterRow_;
  std::vector<uint8_t> memory_;
};

// A title-screen-like picture in mode: a sky of horizontal bands, a sun, hills, a
// dithered field, a frame and thin lines, using every logical colour of the mode.
std::vector<uint8_t> ScenePicture(int mode);

// Forty overlapping rectangles of random sizes and colours, every third one dithered
// between two colours, the same for the same seed.
std::vector<uint8_t> BlocksPicture(int mode, unsigned seed);

// The top half a chequer of logical colours 1 and 2 (1 and 0 in two colours), the
// bottom half black with a disc in the last colour: shading a reading by its neighbouring
// pixels alone cannot tell from noise.
std::vector<uint8_t> DitherPicture(int mode);

// Sixty straight lines of random colours (never 0) on black, the same for the same seed.
std::vector<uint8_t> LinesPicture(int mode, unsigned seed);

// Rows of text on black in the teletext letters, one character cell of the mode per
// letter, each word in the next colour after 0.
std::vector<uint8_t> TextPicture(int mode);
