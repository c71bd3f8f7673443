// SPDX-License-Identifier: GPL-3.0-or-later
// The frame a screen picture is shown in: 4:3 whatever the mode, whole lines per pixel
// row wherever a whole multiple of the rows fits, scaled down to fit otherwise.
#include <QtTest>

#include "decode/ScreenOptions.h"

class TestScreenFrame : public QObject {
  Q_OBJECT

 private slots:
  void frames_data();
  void frames();
};

void TestScreenFrame::frames_data() {
  QTest::addColumn<int>("rows");
  QTest::addColumn<int>("areaWidth");
  QTest::addColumn<int>("areaHeight");
  QTest::addColumn<int>("width");
  QTest::addColumn<int>("height");
  QTest::newRow("256 rows, once") << 256 << 560 << 400 << 341 << 256;
  QTest::newRow("256 rows, twice") << 256 << 700 << 600 << 682 << 512;
  QTest::newRow("256 rows, exactly twice") << 256 << 683 << 512 << 682 << 512;
  QTest::newRow("width decides") << 256 << 400 << 900 << 341 << 256;
  QTest::newRow("250 rows of MODE 3/6") << 250 << 1000 << 760 << 1000 << 750;
  QTest::newRow("teletext too tall: scaled down") << 500 << 560 << 365 << 486 << 365;
  QTest::newRow("too narrow for one multiple") << 256 << 300 << 400 << 300 << 225;
  QTest::newRow("tiny area") << 256 << 4 << 3 << 4 << 3;
  QTest::newRow("no room") << 256 << 3 << 100 << 0 << 0;
  QTest::newRow("negative area") << 256 << -10 << -10 << 0 << 0;
  QTest::newRow("no picture rows") << 0 << 400 << 300 << 400 << 300;
}

void TestScreenFrame::frames() {
  QFETCH(int, rows);
  QFETCH(int, areaWidth);
  QFETCH(int, areaHeight);
  const ScreenFrame frame = FitScreenFrame(rows, areaWidth, areaHeight);
  QTEST(frame.width, "width");
  QTEST(frame.height, "height");
}

QTEST_GUILESS_MAIN(TestScreenFrame)
#include "test_screen_frame.moc"
