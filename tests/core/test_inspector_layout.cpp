// SPDX-License-Identifier: GPL-3.0-or-later
// The hex view's geometry without a widget: columns, rows, pointer hits and the rows a
// paint draws. The font here is 8 pixels per character, as bold as regular.
#include <QtTest>

#include "inspector/HexLayout.h"

namespace {

HexLayout EightPixelLayout() {
  return HexLayout::FromFontWidths(8, 16, 48, 25);
}

using Hit = std::optional<HexHit>;

}  // namespace

Q_DECLARE_METATYPE(Hit)
Q_DECLARE_METATYPE(RowRange)

class TestInspectorLayout : public QObject {
  Q_OBJECT

 private slots:
  void columnsFromTheFontWidths();
  void rowTopsAndWorldSize();
  void hitTest_data();
  void hitTest();
  void hitsMatchTheCells();
  void paintedRows_data();
  void paintedRows();
};

void TestInspectorLayout::columnsFromTheFontWidths() {
  const HexLayout layout = EightPixelLayout();
  QCOMPARE(layout.OffsetColumnEnd, 52);
  QCOMPARE(layout.HexWidth, 16);
  QCOMPARE(layout.HexAreaStart, 68);
  QCOMPARE(layout.HexAreaEnd, 404);
  QCOMPARE(layout.HexX(1), 89);
  QCOMPARE(layout.CharX(0), 420);
  QCOMPARE(layout.CharAreaEnd(), 548);
  QCOMPARE(layout.TextColumnWidth, 128);
  QCOMPARE(layout.WorkWidth(16), 580);

  const HexLayout wide = HexLayout::FromFontWidths(7, 15, 45, 25);
  QCOMPARE(wide.OffsetColumnEnd, 49);
  QCOMPARE(wide.HexAreaEnd, 64 + 16 * 20);
  QCOMPARE(wide.CharX(3), wide.HexAreaEnd + 15 + 21);
}

void TestInspectorLayout::rowTopsAndWorldSize() {
  const HexLayout layout = EightPixelLayout();
  QCOMPARE(layout.RowTop(0, 0), 29);  // four pixels below the tab strip
  QCOMPARE(layout.RowTop(2, 0), 61);
  QCOMPARE(layout.RowTop(2, 40), 21);
  QCOMPARE(layout.RowTop(-1, 0), 13);
  const std::pair<int64_t, int32_t> sizes[] = {
      {0, 0}, {1, 16}, {16, 16}, {17, 32}, {262144, 262144}};
  for (auto [size, world] : sizes) {
    QCOMPARE(layout.WorldSize(size), world);
  }
}

void TestInspectorLayout::hitTest_data() {
  QTest::addColumn<int>("x");
  QTest::addColumn<int>("y");
  QTest::addColumn<int>("scroll");
  QTest::addColumn<bool>("forDrag");
  QTest::addColumn<Hit>("hit");
  const Hit none;
  QTest::newRow("first hex pair") << 68 << 29 << 0 << false << Hit(HexHit{0, true});
  QTest::newRow("gap after a pair belongs to it") << 88 << 29 << 0 << false << Hit(HexHit{0, true});
  QTest::newRow("second pair") << 89 << 29 << 0 << false << Hit(HexHit{1, true});
  QTest::newRow("last pair") << 403 << 29 << 0 << false << Hit(HexHit{15, true});
  QTest::newRow("right edge of the hex area") << 404 << 29 << 0 << false << none;
  QTest::newRow("right edge while dragging is the next row's first byte")
      << 404 << 29 << 0 << true << Hit(HexHit{16, true});
  QTest::newRow("first character") << 420 << 29 << 0 << false << Hit(HexHit{0, false});
  QTest::newRow("last character") << 547 << 44 << 0 << false << Hit(HexHit{15, false});
  QTest::newRow("after the characters") << 548 << 29 << 0 << false << none;
  QTest::newRow("left margin") << 2 << 29 << 0 << false << none;
  QTest::newRow("offset column") << 30 << 29 << 0 << false << none;
  QTest::newRow("blank before the hex area") << 67 << 29 << 0 << false << none;
  QTest::newRow("between the columns") << 410 << 29 << 0 << false << none;
  QTest::newRow("second row") << 420 << 45 << 0 << false << Hit(HexHit{16, false});
  QTest::newRow("strip above the first row") << 89 << 26 << 0 << false << Hit(HexHit{1, true});
  QTest::newRow("scrolled") << 89 << 29 << 40 << false << Hit(HexHit{33, true});
  QTest::newRow("far below the data") << 89 << 2000 << 0 << true << Hit(HexHit{1969, true});
  QTest::newRow("above everything") << 89 << 0 << 0 << false << none;
}

void TestInspectorLayout::hitTest() {
  QFETCH(int, x);
  QFETCH(int, y);
  QFETCH(int, scroll);
  QFETCH(bool, forDrag);
  QFETCH(Hit, hit);
  QCOMPARE(EightPixelLayout().HitTest(x, y, scroll, forDrag), hit);
}

void TestInspectorLayout::hitsMatchTheCells() {
  // Every pixel of a cell maps back to the cell's byte, at any scroll position.
  const HexLayout layout = HexLayout::FromFontWidths(7, 14, 42, 25);
  for (int scroll : {0, 5, 16, 333}) {
    for (int32_t offset = 0; offset < 48; ++offset) {
      const int row = offset / 16 + scroll / 16 + 1;
      const int column = offset % 16;
      const int top = layout.RowTop(row, scroll);
      const int32_t expected = row * 16 + column;
      for (int dy : {0, layout.RowHeight - 1}) {
        for (int x = layout.HexX(column); x < layout.HexX(column + 1); ++x) {
          QCOMPARE(layout.HitTest(x, top + dy, scroll, false), Hit(HexHit{expected, true}));
        }
        for (int x = layout.CharX(column); x < layout.CharX(column + 1); ++x) {
          QCOMPARE(layout.HitTest(x, top + dy, scroll, false), Hit(HexHit{expected, false}));
        }
      }
    }
  }
}

void TestInspectorLayout::paintedRows_data() {
  QTest::addColumn<int>("scroll");
  QTest::addColumn<int>("clientHeight");
  QTest::addColumn<int>("rowCount");
  QTest::addColumn<RowRange>("rows");
  // A row is drawn when its top lies between one row above the view and two rows below
  // its bottom: rows 0 to 26 of an unscrolled 420-pixel view.
  QTest::newRow("all of a short file") << 0 << 420 << 3 << RowRange{0, 3};
  QTest::newRow("top of a long file") << 0 << 420 << 16384 << RowRange{0, 27};
  QTest::newRow("one row scrolled") << 16 << 420 << 16384 << RowRange{0, 28};
  QTest::newRow("first row partly above") << 40 << 420 << 16384 << RowRange{0, 29};
  QTest::newRow("first row wholly above") << 46 << 420 << 16384 << RowRange{1, 30};
  QTest::newRow("the end") << 261800 << 420 << 16384 << RowRange{16360, 16384};
  QTest::newRow("empty file") << 0 << 420 << 0 << RowRange{0, 0};
}

void TestInspectorLayout::paintedRows() {
  QFETCH(int, scroll);
  QFETCH(int, clientHeight);
  QFETCH(int, rowCount);
  QFETCH(RowRange, rows);
  const HexLayout layout = EightPixelLayout();
  const RowRange painted = layout.PaintedRows(scroll, clientHeight, rowCount);
  QCOMPARE(painted, rows);
  // The range is exactly the rows whose top lies in the painted band.
  for (int32_t row = std::max(0, rows.First - 2); row < std::min(rowCount, rows.Last + 2); ++row) {
    const int top = layout.RowTop(row, scroll);
    const bool inBand = top >= -layout.RowHeight && top < clientHeight + 2 * layout.RowHeight;
    QCOMPARE(row >= painted.First && row < painted.Last, inBand);
  }
}

QTEST_GUILESS_MAIN(TestInspectorLayout)
#include "test_inspector_layout.moc"
