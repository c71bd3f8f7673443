// SPDX-License-Identifier: GPL-3.0-or-later
// The geometry of an inspector's hex view as a plain value: where each column and row
// sits in pixels, which byte lies under the pointer and which rows a paint must draw.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

// A byte found under the pointer: its offset and whether it was hit in the hex column
// (otherwise in the character column).
struct HexHit {
  int32_t Offset = 0;
  bool InHex = false;
  bool operator==(const HexHit&) const = default;
};

// A half-open range of row numbers, [First, Last).
struct RowRange {
  int32_t First = 0;
  int32_t Last = 0;
  bool operator==(const RowRange&) const = default;
};

// The rows a change may have altered on screen: every row when the size changed, else
// the rows of Ranges (which may overlap).
struct RowsChanged {
  bool AllRows = true;
  std::vector<RowRange> Ranges;
};

struct HexLayout {
  // Builds the layout from the font widths: "0" and "00" in the regular font and
  // "000000" in the bold one; tabHeight is the height of the tab strip above the rows.
  static HexLayout FromFontWidths(int charWidth, int hexPairWidth, int boldOffsetWidth,
                                  int tabHeight);

  int BytesPerRow = 16;
  int RowHeight = 16;
  int LeftMargin = 4;
  int HexGap = 5;
  int TabHeight = 25;
  int CharWidth = 0;
  int HexWidth = 0;
  int OffsetColumnEnd = 0;
  int TextColumnWidth = 0;
  int HexAreaStart = 0;
  int HexAreaEnd = 0;

  // Left edge of the hex pair and of the character of column (0 to 15).
  int HexX(int column) const { return HexAreaStart + column * (HexWidth + HexGap); }
  int CharX(int column) const { return HexAreaEnd + HexWidth + column * CharWidth; }
  // Right edge of the character column.
  int CharAreaEnd() const { return CharX(BytesPerRow); }
  // Width of the whole view: three blank pair widths, the columns and the scroll bar.
  int WorkWidth(int scrollBarWidth) const;
  // Top of row (bytes 16 x row on) at scroll position scroll; four pixels below the tab
  // strip for row 0 unscrolled. Row -1 gives the line above the first row.
  int RowTop(int32_t row, int scroll) const;
  // Height of all rows holding size bytes; a partial last row counts whole.
  int32_t WorldSize(int64_t size) const;
  // The rows whose top lies in the band a paint draws: from one row above the view to
  // two rows below its bottom (clientHeight), limited to 0..rowCount.
  RowRange PaintedRows(int scroll, int clientHeight, int32_t rowCount) const;
  // The byte under (x, y), or nothing in the margins and between the columns or above
  // the first row. A drag (forDrag) also takes the right edge of the hex area.
  std::optional<HexHit> HitTest(int x, int y, int scroll, bool forDrag) const;
};
