// SPDX-License-Identifier: GPL-3.0-or-later
#include "inspector/HexLayout.h"

#include <algorithm>

namespace {

// Division rounding toward minus infinity, for rows above the view.
int32_t FloorDiv(int64_t value, int divisor) {
  int64_t quotient = value / divisor;
  if (value % divisor != 0 && value < 0) {
    --quotient;
  }
  return static_cast<int32_t>(quotient);
}

}  // namespace

HexLayout HexLayout::FromFontWidths(int charWidth, int hexPairWidth, int boldOffsetWidth,
                                    int tabHeight) {
  HexLayout layout;
  layout.TabHeight = tabHeight;
  layout.CharWidth = charWidth;
  layout.HexWidth = hexPairWidth;
  layout.OffsetColumnEnd = boldOffsetWidth + layout.LeftMargin;
  layout.TextColumnWidth = charWidth * layout.BytesPerRow;
  layout.HexAreaStart = layout.OffsetColumnEnd + hexPairWidth;
  layout.HexAreaEnd = layout.HexX(layout.BytesPerRow);
  return layout;
}

int HexLayout::WorkWidth(int scrollBarWidth) const {
  return 3 * HexWidth + OffsetColumnEnd + (HexWidth + HexGap) * BytesPerRow + TextColumnWidth +
         scrollBarWidth;
}

int HexLayout::RowTop(int32_t row, int scroll) const {
  return TabHeight + 4 + row * RowHeight - scroll;
}

int32_t HexLayout::WorldSize(int64_t size) const {
  return static_cast<int32_t>((size + BytesPerRow - 1) / BytesPerRow * RowHeight);
}

RowRange HexLayout::PaintedRows(int scroll, int clientHeight, int32_t rowCount) const {
  // Row r is painted when -RowHeight <= RowTop(r) < clientHeight + 2 * RowHeight.
  int64_t origin = TabHeight + 4 - static_cast<int64_t>(scroll);
  int32_t first = -FloorDiv(origin + RowHeight, RowHeight);
  int32_t last = FloorDiv(clientHeight + 2 * RowHeight - origin - 1, RowHeight) + 1;
  first = std::clamp(first, 0, rowCount);
  last = std::clamp(last, first, rowCount);
  return {first, last};
}

std::optional<HexHit> HexLayout::HitTest(int x, int y, int scroll, bool forDrag) const {
  HexHit hit;
  int hexRight = forDrag ? HexAreaEnd + 1 : HexAreaEnd;
  int column = 0;
  if (x >= HexAreaStart && x < hexRight) {
    // At a drag's right edge this is column 16: the first byte of the next row.
    column = (x - HexAreaStart) / (HexWidth + HexGap);
    hit.InHex = true;
  } else if (x >= CharX(0) && x < CharAreaEnd()) {
    column = (x - CharX(0)) / CharWidth;
  } else {
    return std::nullopt;
  }
  // Truncating toward zero, so the strip just above the first row still hits row 0.
  int32_t row = (y - (TabHeight + 4) + scroll) / RowHeight;
  hit.Offset = column + BytesPerRow * row;
  if (hit.Offset < 0) {
    return std::nullopt;
  }
  return hit;
}
