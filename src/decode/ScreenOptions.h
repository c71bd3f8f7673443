// SPDX-License-Identifier: GPL-3.0-or-later
// The choices a user makes about a screen picture, as text and as a size: the mode
// number, the palette of logical to physical colours, and the frame the picture fills
// in a window.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "decode/ScreenModes.h"

// The mode a text names: one digit, 0 to 7; nothing for anything else.
std::optional<int> ParseScreenModeText(const std::string& text);

// "black", "red", ... "white" for 0-7; "flashing black/white" ... for 8-15.
std::string PhysicalColourName(uint8_t physical);

// A palette given as "C0,C1,...": the physical colour of logical colour 0, 1, and so on,
// each a number 0-15 or one of the eight colour names. Logical colours the text does not
// reach keep the mode's default. Raises std::invalid_argument with a sentence for the
// user when a value is not a colour, when there are more values than the mode has
// logical colours, or for MODE 7, whose teletext colours are fixed.
ScreenPalette ParsePaletteText(const std::string& text, int mode);

// The size a picture is shown at: the BBC Micro's display is 4:3 whatever the mode, so
// the frame is 4:3. It is the largest that fits the area, with its height cut to a whole
// multiple of the picture's rows when at least one multiple fits, so that every pixel
// row of the screen gets the same number of lines, as on the monitor; a smaller area
// scales the picture down to fit. Nothing fits an area under 4 x 3 pixels: 0 x 0.
struct ScreenFrame {
  int width = 0;
  int height = 0;
  friend bool operator==(const ScreenFrame&, const ScreenFrame&) = default;
};
ScreenFrame FitScreenFrame(int pictureRows, int areaWidth, int areaHeight);
