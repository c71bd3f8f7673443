// SPDX-License-Identifier: GPL-3.0-or-later
// Bitmap screen modes 0-6: screen memory built byte by byte and the exact pixels it
// draws, the palettes, and what a short file draws.
#include <QtTest>

#include "decode/ScreenModes.h"

namespace {

struct LitPixel {
  int x;
  int y;
  uint8_t physical;
};
using LitPixels = std::vector<LitPixel>;

std::vector<uint8_t> ScreenOf(int mode, size_t offset, uint8_t value) {
  std::vector<uint8_t> memory(ScreenMode(mode).screenSize, 0);
  memory[offset] = value;
  return memory;
}

// Every pixel of raster is black but those listed, which have their colours.
void CompareWithLitPixels(const ScreenRaster& raster, const LitPixels& lit) {
  ScreenRaster expected(raster.width, raster.height);
  for (const LitPixel& pixel : lit) {
    expected.SetPixel(pixel.x, pixel.y, PhysicalColourRgb(pixel.physical));
  }
  for (int y = 0; y < raster.height; ++y) {
    for (int x = 0; x < raster.width; ++x) {
      if (raster.Pixel(x, y) != expected.Pixel(x, y)) {
        QFAIL(qPrintable(QString("pixel (%1, %2) is %3, expected %4")
                             .arg(x)
                             .arg(y)
                             .arg(raster.Pixel(x, y), 6, 16, QChar('0'))
                             .arg(expected.Pixel(x, y), 6, 16, QChar('0'))));
      }
    }
  }
}

}  // namespace

Q_DECLARE_METATYPE(LitPixels)

class TestScreenModes : public QObject {
  Q_OBJECT

 private slots:
  void nativeGrid_data();
  void nativeGrid();
  void singleBytes_data();
  void singleBytes();
  void paletteMapsLogicalToPhysicalColours_data();
  void paletteMapsLogicalToPhysicalColours();
  void shortFileDrawsWhatItHas();
  void textModeGapsStayBlack_data();
  void textModeGapsStayBlack();
  void anyBytesOfAnyLengthDraw_data();
  void anyBytesOfAnyLengthDraw();
};

void TestScreenModes::nativeGrid_data() {
  QTest::addColumn<int>("mode");
  QTest::addColumn<int>("width");
  QTest::addColumn<int>("height");
  QTest::newRow("MODE 0") << 0 << 640 << 256;
  QTest::newRow("MODE 1") << 1 << 320 << 256;
  QTest::newRow("MODE 2") << 2 << 160 << 256;
  QTest::newRow("MODE 3") << 3 << 640 << 250;
  QTest::newRow("MODE 4") << 4 << 320 << 256;
  QTest::newRow("MODE 5") << 5 << 160 << 256;
  QTest::newRow("MODE 6") << 6 << 320 << 250;
  QTest::newRow("MODE 7") << 7 << 480 << 500;
}

void TestScreenModes::nativeGrid() {
  QFETCH(int, mode);
  // An empty file draws a whole black screen at the mode's grid.
  ScreenRaster raster = RenderScreen({}, mode);
  QTEST(raster.width, "width");
  QTEST(raster.height, "height");
  QCOMPARE(raster.rgb.size(), size_t(raster.width) * size_t(raster.height) * 3);
  CompareWithLitPixels(raster, {});
}

void TestScreenModes::singleBytes_data() {
  QTest::addColumn<int>("mode");
  QTest::addColumn<int>("offset");
  QTest::addColumn<int>("value");
  QTest::addColumn<LitPixels>("lit");
  // clang-format off
  // Two colours: bit 7 is the leftmost pixel.
  QTest::newRow("0: bit 7 is pixel 0")            << 0 << 0 << 0x80 << LitPixels{{0, 0, kWhite}};
  QTest::newRow("0: bit 0 is pixel 7")            << 0 << 0 << 0x01 << LitPixels{{7, 0, kWhite}};
  QTest::newRow("0: byte 7 is the cell's last row") << 0 << 7 << 0x80 << LitPixels{{0, 7, kWhite}};
  QTest::newRow("0: byte 8 is the next cell")     << 0 << 8 << 0x81 << LitPixels{{8, 0, kWhite}, {15, 0, kWhite}};
  QTest::newRow("0: end of a character row")      << 0 << 639 << 0x01 << LitPixels{{639, 7, kWhite}};
  QTest::newRow("0: byte 640 starts row 2")       << 0 << 640 << 0x80 << LitPixels{{0, 8, kWhite}};
  QTest::newRow("0: the last byte")               << 0 << 0x4FFF << 0x01 << LitPixels{{639, 255, kWhite}};
  // Four colours: pixel p is bit 7-p (high) and bit 3-p (low).
  QTest::newRow("1: colour 1 of pixel 0")         << 1 << 0 << 0x08 << LitPixels{{0, 0, kRed}};
  QTest::newRow("1: colour 2 of pixel 0")         << 1 << 0 << 0x80 << LitPixels{{0, 0, kYellow}};
  QTest::newRow("1: colour 3 of pixel 0")         << 1 << 0 << 0x88 << LitPixels{{0, 0, kWhite}};
  QTest::newRow("1: pixels 1 and 2")              << 1 << 0 << 0x24 << LitPixels{{1, 0, kRed}, {2, 0, kYellow}};
  QTest::newRow("1: colour 3 of pixel 3")         << 1 << 0 << 0x11 << LitPixels{{3, 0, kWhite}};
  QTest::newRow("1: next cell")                   << 1 << 8 << 0x88 << LitPixels{{4, 0, kWhite}};
  QTest::newRow("1: cell's last row")             << 1 << 15 << 0x01 << LitPixels{{7, 7, kRed}};
  QTest::newRow("1: byte 640 starts row 2")       << 1 << 640 << 0x80 << LitPixels{{0, 8, kYellow}};
  QTest::newRow("1: the last byte")               << 1 << 0x4FFF << 0x11 << LitPixels{{319, 255, kWhite}};
  // Sixteen colours: the left pixel is bits 7, 5, 3, 1; the right one bits 6, 4, 2, 0.
  QTest::newRow("2: left red")                    << 2 << 0 << 0x02 << LitPixels{{0, 0, kRed}};
  QTest::newRow("2: left green")                  << 2 << 0 << 0x08 << LitPixels{{0, 0, kGreen}};
  QTest::newRow("2: left yellow")                 << 2 << 0 << 0x0A << LitPixels{{0, 0, kYellow}};
  QTest::newRow("2: left blue")                   << 2 << 0 << 0x20 << LitPixels{{0, 0, kBlue}};
  QTest::newRow("2: left magenta")                << 2 << 0 << 0x22 << LitPixels{{0, 0, kMagenta}};
  QTest::newRow("2: left cyan")                   << 2 << 0 << 0x28 << LitPixels{{0, 0, kCyan}};
  QTest::newRow("2: left white")                  << 2 << 0 << 0x2A << LitPixels{{0, 0, kWhite}};
  QTest::newRow("2: left flashing black-white")   << 2 << 0 << 0x80 << LitPixels{};
  QTest::newRow("2: left flashing red-cyan")      << 2 << 0 << 0x82 << LitPixels{{0, 0, kRed}};
  QTest::newRow("2: left flashing white-black")   << 2 << 0 << 0xAA << LitPixels{{0, 0, kWhite}};
  QTest::newRow("2: right red")                   << 2 << 0 << 0x01 << LitPixels{{1, 0, kRed}};
  QTest::newRow("2: right green")                 << 2 << 0 << 0x04 << LitPixels{{1, 0, kGreen}};
  QTest::newRow("2: right blue")                  << 2 << 0 << 0x10 << LitPixels{{1, 0, kBlue}};
  QTest::newRow("2: right flashing blue-yellow")  << 2 << 0 << 0x50 << LitPixels{{1, 0, kBlue}};
  QTest::newRow("2: both white")                  << 2 << 0 << 0x3F << LitPixels{{0, 0, kWhite}, {1, 0, kWhite}};
  QTest::newRow("2: next cell")                   << 2 << 8 << 0x2A << LitPixels{{2, 0, kWhite}};
  QTest::newRow("2: byte 640 starts row 2")       << 2 << 640 << 0x15 << LitPixels{{1, 8, kWhite}};
  QTest::newRow("2: the last byte")               << 2 << 0x4FFF << 0x15 << LitPixels{{159, 255, kWhite}};
  // Text modes: each character row is 8 rows of data and 2 blank ones.
  QTest::newRow("3: pixel 0")                     << 3 << 0 << 0x80 << LitPixels{{0, 0, kWhite}};
  QTest::newRow("3: cell's last row")             << 3 << 7 << 0x01 << LitPixels{{7, 7, kWhite}};
  QTest::newRow("3: byte 640 starts row 2 at line 10") << 3 << 640 << 0x80 << LitPixels{{0, 10, kWhite}};
  QTest::newRow("3: the last row's last byte")    << 3 << 24 * 640 + 639 << 0x01 << LitPixels{{639, 247, kWhite}};
  QTest::newRow("4: next cell")                   << 4 << 8 << 0x80 << LitPixels{{8, 0, kWhite}};
  QTest::newRow("4: end of a character row")      << 4 << 319 << 0x01 << LitPixels{{319, 7, kWhite}};
  QTest::newRow("4: byte 320 starts row 2")       << 4 << 320 << 0x80 << LitPixels{{0, 8, kWhite}};
  QTest::newRow("4: the last byte")               << 4 << 0x27FF << 0x01 << LitPixels{{319, 255, kWhite}};
  QTest::newRow("5: colour 1 of pixel 0")         << 5 << 0 << 0x08 << LitPixels{{0, 0, kRed}};
  QTest::newRow("5: colour 2 of pixel 3")         << 5 << 0 << 0x10 << LitPixels{{3, 0, kYellow}};
  QTest::newRow("5: byte 320 starts row 2")       << 5 << 320 << 0x88 << LitPixels{{0, 8, kWhite}};
  QTest::newRow("5: the last byte")               << 5 << 0x27FF << 0x11 << LitPixels{{159, 255, kWhite}};
  QTest::newRow("6: next cell")                   << 6 << 8 << 0x80 << LitPixels{{8, 0, kWhite}};
  QTest::newRow("6: byte 320 starts row 2 at line 10") << 6 << 320 << 0x80 << LitPixels{{0, 10, kWhite}};
  QTest::newRow("6: the last row's last byte")    << 6 << 24 * 320 + 319 << 0x01 << LitPixels{{319, 247, kWhite}};
  // clang-format on
}

void TestScreenModes::singleBytes() {
  QFETCH(int, mode);
  QFETCH(int, offset);
  QFETCH(int, value);
  QFETCH(LitPixels, lit);
  CompareWithLitPixels(RenderScreen(ScreenOf(mode, size_t(offset), uint8_t(value)), mode), lit);
}

void TestScreenModes::paletteMapsLogicalToPhysicalColours_data() {
  QTest::addColumn<int>("mode");
  QTest::addColumn<int>("value");  // the first byte; the rest of the screen is logical 0
  QTest::addColumn<QList<int>>("palette");
  QTest::addColumn<int>("firstPixel");
  QTest::addColumn<int>("otherPixels");
  // clang-format off
  QTest::newRow("MODE 0 blue on yellow")      << 0 << 0x80 << QList<int>{3, 4} << int(kBlue) << int(kYellow);
  QTest::newRow("MODE 1 colour 3 green")      << 1 << 0x88 << QList<int>{4, 6, 5, 2} << int(kGreen) << int(kBlue);
  QTest::newRow("MODE 1 colour 1 magenta")    << 1 << 0x08 << QList<int>{0, 5, 3, 7} << int(kMagenta) << int(kBlack);
  QTest::newRow("MODE 2 colour 1 cyan")       << 2 << 0x02 << QList<int>{7, 6} << int(kCyan) << int(kWhite);
  QTest::newRow("MODE 5 flashing first colour") << 5 << 0x80 << QList<int>{0, 1, 13, 7} << int(kMagenta) << int(kBlack);
  QTest::newRow("MODE 6 red on cyan")         << 6 << 0x80 << QList<int>{6, 1} << int(kRed) << int(kCyan);
  // clang-format on
}

void TestScreenModes::paletteMapsLogicalToPhysicalColours() {
  QFETCH(int, mode);
  QFETCH(int, value);
  QFETCH(QList<int>, palette);
  QFETCH(int, firstPixel);
  QFETCH(int, otherPixels);
  ScreenPalette chosen = DefaultPalette(mode);
  for (qsizetype index = 0; index < palette.size(); ++index) {
    chosen[size_t(index)] = uint8_t(palette[index]);
  }
  ScreenRaster raster = RenderScreen(ScreenOf(mode, 0, uint8_t(value)), mode, chosen);
  QCOMPARE(raster.Pixel(0, 0), PhysicalColourRgb(uint8_t(firstPixel)));
  QCOMPARE(raster.Pixel(1, 0), PhysicalColourRgb(uint8_t(otherPixels)));
  QCOMPARE(raster.Pixel(raster.width - 1, 7), PhysicalColourRgb(uint8_t(otherPixels)));
}

void TestScreenModes::shortFileDrawsWhatItHas() {
  // Nine bytes of MODE 1 white: the first cell and the top row of the second. Logical 0
  // is blue, yet everything the file does not reach is black.
  ScreenPalette palette = DefaultPalette(1);
  palette[0] = kBlue;
  std::vector<uint8_t> memory(9, 0xFF);
  memory[8] = 0x0F;  // pixel row 0 of the second cell: colour 1
  ScreenRaster raster = RenderScreen(memory, 1, palette);
  LitPixels lit;
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 4; ++x) {
      lit.push_back({x, y, kWhite});
    }
  }
  for (int x = 4; x < 8; ++x) {
    lit.push_back({x, 0, kRed});
  }
  CompareWithLitPixels(raster, lit);
}

void TestScreenModes::textModeGapsStayBlack_data() {
  QTest::addColumn<int>("mode");
  QTest::newRow("MODE 3") << 3;
  QTest::newRow("MODE 6") << 6;
}

void TestScreenModes::textModeGapsStayBlack() {
  QFETCH(int, mode);
  // Logical 0 is blue, so the data rows of a zero screen are blue and the two rows under
  // each character row black.
  ScreenPalette palette = DefaultPalette(mode);
  palette[0] = kBlue;
  const ScreenModeInfo& info = ScreenMode(mode);
  ScreenRaster raster = RenderScreen(std::vector<uint8_t>(info.screenSize, 0), mode, palette);
  for (int y = 0; y < raster.height; ++y) {
    uint32_t expected = (y % 10) < 8 ? PhysicalColourRgb(kBlue) : PhysicalColourRgb(kBlack);
    QCOMPARE(raster.Pixel(0, y), expected);
    QCOMPARE(raster.Pixel(raster.width - 1, y), expected);
  }
}

void TestScreenModes::anyBytesOfAnyLengthDraw_data() {
  QTest::addColumn<int>("mode");
  QTest::addColumn<int>("length");
  for (int mode = 0; mode <= 7; ++mode) {
    for (int length : {1, 7, 999, 1001, 0x2001, 0x4FFF, 0x5001, 0x10000}) {
      QTest::newRow(qPrintable(QString("MODE %1, %2 bytes").arg(mode).arg(length)))
          << mode << length;
    }
  }
}

void TestScreenModes::anyBytesOfAnyLengthDraw() {
  QFETCH(int, mode);
  QFETCH(int, length);
  std::vector<uint8_t> memory(static_cast<size_t>(length));
  uint32_t state = uint32_t(length) * 2654435761u + uint32_t(mode);
  for (uint8_t& value : memory) {
    state = state * 1103515245u + 12345u;
    value = uint8_t(state >> 16);
  }
  ScreenRaster raster = RenderScreen(memory, mode);
  QCOMPARE(raster.width, ScreenMode(mode).width);
  QCOMPARE(raster.height, ScreenMode(mode).height);
  // Bytes past the screen change nothing.
  if (size_t(length) > ScreenMode(mode).screenSize) {
    memory.resize(ScreenMode(mode).screenSize);
    QVERIFY(RenderScreen(memory, mode) == raster);
  }
}

QTEST_GUILESS_MAIN(TestScreenModes)
#include "test_screen_modes.moc"
