// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/Teletext.h"

#include <algorithm>

namespace {

constexpr uint8_t kSpace = 0x20;

// The state of the character generator along one row.
struct RowState {
  uint8_t foreground = kWhite;
  uint8_t background = kBlack;
  bool graphics = false;
  bool separated = false;
  bool doubleHeight = false;
  bool concealed = false;
  bool hold = false;
  uint8_t heldCode = kSpace;
  bool heldSeparated = false;

  void ClearHeld() {
    heldCode = kSpace;
    heldSeparated = false;
  }
  void SetGraphics(bool on) {
    if (graphics != on) {
      ClearHeld();
    }
    graphics = on;
  }
  void SetDoubleHeight(bool on) {
    if (doubleHeight != on) {
      ClearHeld();
    }
    doubleHeight = on;
  }
};

// Codes that act on their own cell.
void ApplySetAt(RowState& state, uint8_t code) {
  switch (code) {
    case 0x0C:
      state.SetDoubleHeight(false);
      break;
    case 0x18:
      state.concealed = true;
      break;
    case 0x19:
      state.separated = false;
      break;
    case 0x1A:
      state.separated = true;
      break;
    case 0x1C:
      state.background = kBlack;
      break;
    case 0x1D:
      state.background = state.foreground;
      break;
    case 0x1E:
      state.hold = true;
      break;
    default:
      break;  // steady (0x09) and the codes with no effect change nothing drawn
  }
}

// Codes that act from the next cell on.
void ApplySetAfter(RowState& state, uint8_t code) {
  if (code >= 0x01 && code <= 0x07) {
    state.foreground = code;
    state.SetGraphics(false);
    state.concealed = false;
  } else if (code >= 0x11 && code <= 0x17) {
    state.foreground = code - 0x10;
    state.SetGraphics(true);
    state.concealed = false;
  } else if (code == 0x0D) {
    state.SetDoubleHeight(true);
  } else if (code == 0x1F) {
    state.hold = false;
  }
  // Flash (0x08) draws steady.
}

// Lays out one row into cells; returns whether the row holds double height.
bool LayOutRow(std::span<const uint8_t> rowBytes, bool lowerHalfRow, TeletextCell* cells) {
  RowState state;
  bool hasDoubleHeight = false;
  for (size_t column = 0; column < rowBytes.size(); ++column) {
    uint8_t code = rowBytes[column] & 0x7F;
    TeletextCell& cell = cells[column];
    bool control = code < 0x20;
    if (control) {
      ApplySetAt(state, code);
      if (state.hold && state.graphics) {
        cell.code = state.heldCode;
        cell.mosaic = true;
        cell.separated = state.heldSeparated;
      }
    } else if (state.graphics && (code & 0x20)) {
      cell.code = code;
      cell.mosaic = true;
      cell.separated = state.separated;
      state.heldCode = code;
      state.heldSeparated = state.separated;
    } else {
      cell.code = code;  // alphanumerics, and capitals blasting through graphics
    }
    if (state.concealed) {
      cell.code = kSpace;
    }
    if (cell.code == kSpace) {
      cell.mosaic = false;  // a space looks the same in either set
      cell.separated = false;
    }
    cell.foreground = state.foreground;
    cell.background = state.background;
    if (state.doubleHeight) {
      cell.height = lowerHalfRow ? TeletextHeight::kBottom : TeletextHeight::kTop;
    } else if (lowerHalfRow) {
      cell = TeletextCell{kSpace, false, false, cell.foreground, cell.background};
    }
    if (control) {
      ApplySetAfter(state, code);
      hasDoubleHeight = hasDoubleHeight || state.doubleHeight;
    }
  }
  return hasDoubleHeight;
}

}  // namespace

std::vector<TeletextCell> LayOutTeletext(std::span<const uint8_t> memory) {
  std::vector<TeletextCell> cells(size_t(kTeletextColumns) * kTeletextRows);
  size_t available = std::min(memory.size(), cells.size());
  bool lowerHalfRow = false;
  for (size_t row = 0; row < size_t(kTeletextRows); ++row) {
    size_t start = row * kTeletextColumns;
    if (start >= available) {
      break;
    }
    size_t length = std::min<size_t>(kTeletextColumns, available - start);
    bool hasDoubleHeight = LayOutRow(memory.subspan(start, length), lowerHalfRow, &cells[start]);
    lowerHalfRow = hasDoubleHeight && !lowerHalfRow;
  }
  return cells;
}

TeletextCellBitmap TeletextMosaic(uint8_t code, bool separated) {
  struct Block {
    int bit, left, top, width, height;
  };
  constexpr Block kBlocks[6] = {
      {0x01, 0, 0, 6, 6}, {0x02, 6, 0, 6, 6},  {0x04, 0, 6, 6, 8},
      {0x08, 6, 6, 6, 8}, {0x10, 0, 14, 6, 6}, {0x40, 6, 14, 6, 6},
  };
  TeletextCellBitmap bitmap{};
  for (const Block& block : kBlocks) {
    if (!(code & block.bit)) {
      continue;
    }
    int left = block.left + (separated ? 2 : 0);
    int bottom = block.top + block.height - (separated ? 2 : 0);
    for (int y = block.top; y < bottom; ++y) {
      for (int x = left; x < block.left + block.width; ++x) {
        bitmap[size_t(y)] |= uint16_t(1 << (kTeletextCellWidth - 1 - x));
      }
    }
  }
  return bitmap;
}

void DrawTeletextCell(ScreenRaster& raster, int column, int row, const TeletextCell& cell) {
  TeletextCellBitmap bitmap =
      cell.mosaic ? TeletextMosaic(cell.code, cell.separated) : TeletextGlyph(cell.code);
  uint32_t foreground = PhysicalColourRgb(cell.foreground);
  uint32_t background = PhysicalColourRgb(cell.background);
  int left = column * kTeletextCellWidth;
  int top = row * kTeletextCellHeight;
  for (int y = 0; y < kTeletextCellHeight; ++y) {
    int sourceLine = y;
    if (cell.height == TeletextHeight::kTop) {
      sourceLine = y / 2;
    } else if (cell.height == TeletextHeight::kBottom) {
      sourceLine = kTeletextCellHeight / 2 + y / 2;
    }
    uint16_t line = bitmap[size_t(sourceLine)];
    for (int x = 0; x < kTeletextCellWidth; ++x) {
      bool lit = (line >> (kTeletextCellWidth - 1 - x)) & 1;
      raster.SetPixel(left + x, top + y, lit ? foreground : background);
    }
  }
}

ScreenRaster RenderTeletext(std::span<const uint8_t> memory) {
  ScreenRaster raster(kTeletextColumns * kTeletextCellWidth, kTeletextRows * kTeletextCellHeight);
  std::vector<TeletextCell> cells = LayOutTeletext(memory);
  for (int row = 0; row < kTeletextRows; ++row) {
    for (int column = 0; column < kTeletextColumns; ++column) {
      DrawTeletextCell(raster, column, row, cells[size_t(row) * kTeletextColumns + column]);
    }
  }
  return raster;
}
