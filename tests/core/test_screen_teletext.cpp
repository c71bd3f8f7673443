// SPDX-License-Identifier: GPL-3.0-or-later
// MODE 7: control-code sequences against the cells they lay out, the mosaic and letter
// shapes, rounding, double height on the raster, and the page's size.
#include <QtTest>

#include "decode/ScreenModes.h"
#include "decode/Teletext.h"

namespace {

using Height = TeletextHeight;

TeletextCell Letter(char code, uint8_t foreground = kWhite, uint8_t background = kBlack,
                    Height height = Height::kNormal) {
  return {uint8_t(code), false, false, foreground, background, height};
}

TeletextCell Space(uint8_t foreground = kWhite, uint8_t background = kBlack,
                   Height height = Height::kNormal) {
  return Letter(' ', foreground, background, height);
}

TeletextCell Mosaic(uint8_t code, uint8_t foreground, bool separated = false,
                    uint8_t background = kBlack) {
  return {code, true, separated, foreground, background, Height::kNormal};
}

QString Describe(const TeletextCell& cell) {
  static const char* const kHeights[] = {"normal", "top", "bottom"};
  return QString("code %1 %2%3 fg %4 bg %5 %6")
      .arg(cell.code, 2, 16, QChar('0'))
      .arg(cell.mosaic ? "mosaic" : "letter")
      .arg(cell.separated ? " separated" : "")
      .arg(cell.foreground)
      .arg(cell.background)
      .arg(kHeights[int(cell.height)]);
}

std::vector<uint8_t> Bytes(const QByteArray& text) {
  return {text.begin(), text.end()};
}

// A page whose rows are the given texts, each padded with spaces to 40 characters.
QByteArray Rows(const QList<QByteArray>& rows) {
  QByteArray page;
  for (const QByteArray& row : rows) {
    page += row.leftJustified(kTeletextColumns, ' ', true);
  }
  return page;
}

// The bitmap that lights the rectangles given as {left, top, width, height}.
TeletextCellBitmap Rectangles(const QList<QList<int>>& rectangles) {
  TeletextCellBitmap bitmap{};
  for (const QList<int>& rectangle : rectangles) {
    for (int y = rectangle[1]; y < rectangle[1] + rectangle[3]; ++y) {
      for (int x = rectangle[0]; x < rectangle[0] + rectangle[2]; ++x) {
        bitmap[size_t(y)] |= uint16_t(1 << (kTeletextCellWidth - 1 - x));
      }
    }
  }
  return bitmap;
}

bool Lit(const TeletextCellBitmap& bitmap, int x, int y) {
  return (bitmap[size_t(y)] >> (kTeletextCellWidth - 1 - x)) & 1;
}

TeletextDotMatrix Dots(const QList<QByteArray>& art) {
  TeletextDotMatrix dots{};
  for (qsizetype row = 0; row < art.size(); ++row) {
    for (qsizetype column = 0; column < art[row].size(); ++column) {
      if (art[row][column] == '#') {
        dots[size_t(row)] |= uint8_t(1 << (5 - column));
      }
    }
  }
  return dots;
}

}  // namespace

using CellChecks = std::vector<std::pair<int, TeletextCell>>;
Q_DECLARE_METATYPE(CellChecks)
Q_DECLARE_METATYPE(TeletextCellBitmap)

class TestScreenTeletext : public QObject {
  Q_OBJECT

 private slots:
  void controlCodes_data();
  void controlCodes();
  void mosaicBlocks_data();
  void mosaicBlocks();
  void rounding_data();
  void rounding();
  void englishCharacterSetShapes();
  void cellsDrawInTheirColours();
  void doubleHeightDrawsEachHalfStretched();
  void pageIs480By500AndShortPagesStayBlack();
};

void TestScreenTeletext::controlCodes_data() {
  QTest::addColumn<QByteArray>("page");
  QTest::addColumn<CellChecks>("cells");
  // clang-format off
  QTest::newRow("plain text is white on black")
      << QByteArray("Hi") << CellChecks{{0, Letter('H')}, {1, Letter('i')}};
  QTest::newRow("alphanumeric colour acts after its cell")
      << QByteArray("\x81" "A\x86" "B") << CellChecks{{0, Space()}, {1, Letter('A', kRed)}, {2, Space(kRed)}, {3, Letter('B', kCyan)}};
  QTest::newRow("bytes 0x80-0xFF act as 0x00-0x7F")
      << QByteArray("\x02\xc1\x82\x41") << CellChecks{{1, Letter('A', kGreen)}, {3, Letter('A', kGreen)}};
  QTest::newRow("graphics colour shows mosaics")
      << QByteArray("\x92\x7f\x23\x60") << CellChecks{{0, Space()}, {1, Mosaic(0x7f, kGreen)}, {2, Mosaic(0x23, kGreen)}, {3, Mosaic(0x60, kGreen)}};
  QTest::newRow("capitals blast through graphics")
      << QByteArray("\x91" "AZ\x40\x5f") << CellChecks{{1, Letter('A', kRed)}, {2, Letter('Z', kRed)}, {3, Letter('@', kRed)}, {4, Letter('_', kRed)}};
  QTest::newRow("alphanumerics after graphics")
      << QByteArray("\x94\x7f\x83\x7f") << CellChecks{{1, Mosaic(0x7f, kBlue)}, {2, Space(kBlue)}, {3, Letter(0x7f, kYellow)}};
  QTest::newRow("separated and contiguous act on their own cell")
      << QByteArray("\x91\x9a\x7f\x99\x7f") << CellChecks{{1, Space(kRed)}, {2, Mosaic(0x7f, kRed, true)}, {3, Space(kRed)}, {4, Mosaic(0x7f, kRed)}};
  QTest::newRow("new background takes the colour in force")
      << QByteArray("\x81\x9d" "A\x9c" "B") << CellChecks{{1, Space(kRed, kRed)}, {2, Letter('A', kRed, kRed)}, {3, Space(kRed)}, {4, Letter('B', kRed)}};
  QTest::newRow("new background before a colour change")
      << QByteArray("\x84\x9d\x83" "C") << CellChecks{{1, Space(kBlue, kBlue)}, {2, Space(kBlue, kBlue)}, {3, Letter('C', kYellow, kBlue)}};
  QTest::newRow("hold graphics repeats the last mosaic in control cells")
      << QByteArray("\x91\x7f\x9e\x92\x93\x9f\x94")
      << CellChecks{{2, Mosaic(0x7f, kRed)}, {3, Mosaic(0x7f, kRed)}, {4, Mosaic(0x7f, kGreen)}, {5, Mosaic(0x7f, kYellow)}, {6, Space(kYellow)}};
  QTest::newRow("without hold control cells are spaces")
      << QByteArray("\x91\x7f\x92\x7f") << CellChecks{{2, Space(kRed)}, {3, Mosaic(0x7f, kGreen)}};
  QTest::newRow("the held mosaic keeps its separation")
      << QByteArray("\x91\x9a\x35\x99\x9e") << CellChecks{{2, Mosaic(0x35, kRed, true)}, {3, Space(kRed)}, {4, Mosaic(0x35, kRed, true)}};
  QTest::newRow("capitals are not held")
      << QByteArray("\x91\x7f" "A\x9e") << CellChecks{{2, Letter('A', kRed)}, {3, Mosaic(0x7f, kRed)}};
  QTest::newRow("a change to alphanumerics clears the held mosaic")
      << QByteArray("\x91\x7f\x9e\x81\x92\x80") << CellChecks{{3, Mosaic(0x7f, kRed)}, {4, Space(kRed)}, {5, Space(kGreen)}};
  QTest::newRow("a change of height clears the held mosaic")
      << QByteArray("\x91\x7f\x9e\x8d\x80") << CellChecks{{3, Mosaic(0x7f, kRed)}, {4, Space(kRed, kBlack, Height::kTop)}};
  QTest::newRow("conceal hides until a colour code")
      << QByteArray("\x98" "AB\x82" "C") << CellChecks{{1, Space()}, {2, Space()}, {3, Space()}, {4, Letter('C', kGreen)}};
  QTest::newRow("concealed mosaics")
      << QByteArray("\x91\x98\x7f\x92\x7f") << CellChecks{{2, Space(kRed)}, {4, Mosaic(0x7f, kGreen)}};
  QTest::newRow("flash draws steady")
      << QByteArray("\x88" "A\x89" "B") << CellChecks{{1, Letter('A')}, {3, Letter('B')}};
  QTest::newRow("double height acts after its cell, normal height on its own")
      << Rows({"\x8d" "A\x8c" "B"})
      << CellChecks{{0, Space()}, {1, Letter('A', kWhite, kBlack, Height::kTop)}, {2, Space()}, {3, Letter('B')}};
  QTest::newRow("the row under double height shows lower halves only")
      << Rows({"N\x8d" "A", "M\x8d" "B", "\x8d" "C"})
      << CellChecks{{0, Letter('N')}, {2, Letter('A', kWhite, kBlack, Height::kTop)},
                    {40, Space()}, {42, Letter('B', kWhite, kBlack, Height::kBottom)},
                    {81, Letter('C', kWhite, kBlack, Height::kTop)}};
  QTest::newRow("lower halves keep the background")
      << Rows({"\x84\x9d\x8d" "X", "\x84\x9d" "Y"})
      << CellChecks{{41, Space(kBlue, kBlue)}, {43, Space(kBlue, kBlue)}};
  QTest::newRow("each row starts afresh")
      << Rows({"\x91\x9a\x9d\x9e\x98", "A\x7f"}) << CellChecks{{40, Letter('A')}, {41, Letter(0x7f)}};
  QTest::newRow("a short page ends in black")
      << QByteArray("\x81\x9d") << CellChecks{{1, Space(kRed, kRed)}, {2, Space()}, {999, Space()}};
  // clang-format on
}

void TestScreenTeletext::controlCodes() {
  QFETCH(QByteArray, page);
  QFETCH(CellChecks, cells);
  std::vector<TeletextCell> laidOut = LayOutTeletext(Bytes(page));
  QCOMPARE(laidOut.size(), size_t(kTeletextColumns * kTeletextRows));
  for (const auto& [index, expected] : cells) {
    const TeletextCell& actual = laidOut[size_t(index)];
    QVERIFY2(actual == expected, qPrintable(QString("cell %1 is %2, expected %3")
                                                .arg(index)
                                                .arg(Describe(actual))
                                                .arg(Describe(expected))));
  }
}

void TestScreenTeletext::mosaicBlocks_data() {
  QTest::addColumn<int>("code");
  QTest::addColumn<bool>("separated");
  QTest::addColumn<TeletextCellBitmap>("expected");
  // clang-format off
  QTest::newRow("space")                 << 0x20 << false << Rectangles({});
  QTest::newRow("top left")              << 0x21 << false << Rectangles({{0, 0, 6, 6}});
  QTest::newRow("top right")             << 0x22 << false << Rectangles({{6, 0, 6, 6}});
  QTest::newRow("middle row")            << 0x2C << false << Rectangles({{0, 6, 12, 8}});
  QTest::newRow("bottom left")           << 0x30 << false << Rectangles({{0, 14, 6, 6}});
  QTest::newRow("bottom right")          << 0x60 << false << Rectangles({{6, 14, 6, 6}});
  QTest::newRow("all six")               << 0x7F << false << Rectangles({{0, 0, 12, 20}});
  QTest::newRow("separated top left")    << 0x21 << true  << Rectangles({{2, 0, 4, 4}});
  QTest::newRow("separated middle right") << 0x28 << true << Rectangles({{8, 6, 4, 6}});
  QTest::newRow("separated bottom right") << 0x60 << true << Rectangles({{8, 14, 4, 4}});
  QTest::newRow("separated all six")     << 0x7F << true  << Rectangles({{2, 0, 4, 4}, {8, 0, 4, 4}, {2, 6, 4, 6}, {8, 6, 4, 6}, {2, 14, 4, 4}, {8, 14, 4, 4}});
  // clang-format on
}

void TestScreenTeletext::mosaicBlocks() {
  QFETCH(int, code);
  QFETCH(bool, separated);
  QFETCH(TeletextCellBitmap, expected);
  QCOMPARE(TeletextMosaic(uint8_t(code), separated), expected);
}

void TestScreenTeletext::rounding_data() {
  QTest::addColumn<TeletextDotMatrix>("dots");
  // Pixels lit besides the 2 x 2 blocks of the dots, as {x, y}.
  QTest::addColumn<QList<QPoint>>("halfDots");
  // clang-format off
  QTest::newRow("a single dot")
      << Dots({"", "#"}) << QList<QPoint>{};
  QTest::newRow("falling diagonal")
      << Dots({"", "#.", ".#"}) << QList<QPoint>{{2, 3}, {1, 4}};
  QTest::newRow("rising diagonal")
      << Dots({"", ".#", "#."}) << QList<QPoint>{{1, 3}, {2, 4}};
  QTest::newRow("a filled corner needs none")
      << Dots({"", "##", ".#"}) << QList<QPoint>{};
  QTest::newRow("a cross fills all four corners")
      << Dots({"", "#.#", ".#.", "#.#"})
      << QList<QPoint>{{2, 3}, {3, 3}, {1, 4}, {4, 4}, {1, 5}, {4, 5}, {2, 6}, {3, 6}};
  // clang-format on
}

void TestScreenTeletext::rounding() {
  QFETCH(TeletextDotMatrix, dots);
  QFETCH(QList<QPoint>, halfDots);
  TeletextCellBitmap rounded = RoundTeletextDots(dots);
  for (int y = 0; y < kTeletextCellHeight; ++y) {
    for (int x = 0; x < kTeletextCellWidth; ++x) {
      bool dot = (dots[size_t(y / 2)] >> (5 - x / 2)) & 1;
      bool expected = dot || halfDots.contains(QPoint(x, y));
      QVERIFY2(Lit(rounded, x, y) == expected,
               qPrintable(QString("pixel (%1, %2) should be %3").arg(x).arg(y).arg(expected)));
    }
  }
}

void TestScreenTeletext::englishCharacterSetShapes() {
  auto mirrored = [](const TeletextDotMatrix& dots) {
    TeletextDotMatrix result{};
    for (size_t row = 0; row < dots.size(); ++row) {
      for (int column = 1; column <= 5; ++column) {
        if ((dots[row] >> (5 - column)) & 1) {
          result[row] |= uint8_t(1 << (5 - (6 - column)));
        }
      }
    }
    return result;
  };
  // The arrows point both ways, the bars and the up arrow are symmetric, the long dash
  // is one bar across the whole glyph, and 0x5F rather than 0x23 is the hash.
  QCOMPARE(mirrored(TeletextDots(0x5B)), TeletextDots(0x5D));
  QCOMPARE(mirrored(TeletextDots(0x5E)), TeletextDots(0x5E));
  QCOMPARE(mirrored(TeletextDots(0x7C)), TeletextDots(0x7C));
  QCOMPARE(mirrored(TeletextDots(0x7E)), TeletextDots(0x7E));
  TeletextDotMatrix dash = TeletextDots(0x60);
  QCOMPARE(std::count(dash.begin(), dash.end(), uint8_t(0x1F)), 1);
  QCOMPARE(std::count(dash.begin(), dash.end(), uint8_t(0)), 9);
  QCOMPARE(mirrored(TeletextDots(0x5F)), TeletextDots(0x5F));
  QVERIFY(TeletextDots(0x23) != TeletextDots(0x5F));
  QVERIFY(mirrored(TeletextDots(0x23)) != TeletextDots(0x23));  // the pound sign leans
  // Every printable code has a glyph of its own but the space, and rounding only adds.
  for (int code = 0x21; code < 0x80; ++code) {
    TeletextDotMatrix dots = TeletextDots(uint8_t(code));
    QVERIFY2(dots != TeletextDotMatrix{}, qPrintable(QString("code %1 is blank").arg(code, 0, 16)));
    QCOMPARE(dots[0], uint8_t(0));
    for (int other = 0x20; other < code; ++other) {
      QVERIFY2(
          TeletextDots(uint8_t(other)) != dots,
          qPrintable(QString("codes %1 and %2 look alike").arg(other, 0, 16).arg(code, 0, 16)));
    }
  }
  QCOMPARE(TeletextGlyph(0xC1), TeletextGlyph(0x41));
  QCOMPARE(TeletextGlyph(0x05), TeletextGlyph(0x20));
}

void TestScreenTeletext::cellsDrawInTheirColours() {
  // A yellow A on blue, and a separated magenta mosaic on blue.
  ScreenRaster raster =
      RenderTeletext(Bytes(Rows({"\x84\x9d\x83"
                                 "A\x95\x9a\x7f"})));
  struct Expect {
    int column;
    TeletextCellBitmap bitmap;
    uint8_t foreground;
  };
  const Expect expectations[] = {
      {3, TeletextGlyph('A'), kYellow},
      {6, TeletextMosaic(0x7F, true), kMagenta},
      {1, TeletextCellBitmap{}, kBlue},
  };
  for (const Expect& expect : expectations) {
    for (int y = 0; y < kTeletextCellHeight; ++y) {
      for (int x = 0; x < kTeletextCellWidth; ++x) {
        uint32_t expected =
            PhysicalColourRgb(Lit(expect.bitmap, x, y) ? expect.foreground : uint8_t(kBlue));
        QCOMPARE(raster.Pixel(expect.column * kTeletextCellWidth + x, y), expected);
      }
    }
  }
  // Past the row's last code the blue background runs on to the edge.
  QCOMPARE(raster.Pixel(479, 0), PhysicalColourRgb(kBlue));
}

void TestScreenTeletext::doubleHeightDrawsEachHalfStretched() {
  ScreenRaster raster =
      RenderTeletext(Bytes(Rows({"\x8d"
                                 "A",
                                 "\x8d"
                                 "A"})));
  TeletextCellBitmap glyph = TeletextGlyph('A');
  for (int y = 0; y < 2 * kTeletextCellHeight; ++y) {
    for (int x = 0; x < kTeletextCellWidth; ++x) {
      uint32_t expected = PhysicalColourRgb(Lit(glyph, x, y / 2) ? kWhite : kBlack);
      QCOMPARE(raster.Pixel(kTeletextCellWidth + x, y), expected);
    }
  }
}

void TestScreenTeletext::pageIs480By500AndShortPagesStayBlack() {
  QByteArray page(1000, char(0x9D));  // new background everywhere, but white never starts
  page[0] = char(0x84);
  ScreenRaster full = RenderScreen(Bytes(page), kTeletextMode);
  QCOMPARE(full.width, 480);
  QCOMPARE(full.height, 500);
  QCOMPARE(full.Pixel(479, 499), PhysicalColourRgb(kWhite));
  // Bytes past the first 1000 change nothing.
  QByteArray longer = page + QByteArray(24, 'X');
  QVERIFY(RenderScreen(Bytes(longer), kTeletextMode) == full);
  // The first two rows alone: the rest of the page is black.
  ScreenRaster shortPage = RenderScreen(Bytes(page.left(80)), kTeletextMode);
  QCOMPARE(shortPage.Pixel(479, 39), PhysicalColourRgb(kWhite));
  for (int y = 40; y < 500; y += 7) {
    QCOMPARE(shortPage.Pixel(479, y), PhysicalColourRgb(kBlack));
    QCOMPARE(shortPage.Pixel(0, y), PhysicalColourRgb(kBlack));
  }
}

QTEST_GUILESS_MAIN(TestScreenTeletext)
#include "test_screen_teletext.moc"
