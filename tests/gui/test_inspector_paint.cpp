// SPDX-License-Identifier: GPL-3.0-or-later
// What the hex view paints: only the visible rows' bytes are read, the selection is
// yellow on blue across the gaps, the caret at the end position is a blue block, and
// every pixel of the dump is painted.
#include <QTabBar>
#include <QtTest>

#include "inspector/FileInspector.h"
#include "inspector/SScrollBar.h"
#include "support_gui/InspectorTestSupport.h"

namespace {

const QColor kBlue(0, 0, 255);
const QColor kWhite(255, 255, 255);

// Stands for every row on screen among the rows a window is expected to repaint.
const QList<int> kEveryRow{-1};

// The view as its own painter draws it, without children or background.
QImage PaintedView(TFileInspectorFrm& window, const QColor& underneath = Qt::magenta) {
  QImage image(window.View()->size(), QImage::Format_RGB32);
  image.fill(underneath);
  window.View()->render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
  return image;
}

// The part of the view between the tab strip, the scroll bar and the status bar.
QRect DumpRect(const TFileInspectorFrm& window) {
  return QRect(QPoint(0, window.Tab->height()),
               QPoint(window.VScrollBar->x() - 1, window.StatusBar->y() - 1));
}

QRect HexCell(const TFileInspectorFrm& window, int32_t offset) {
  const HexLayout& layout = window.Layout();
  return QRect(layout.HexX(offset % 16), layout.RowTop(offset / 16, window.VScrollBar->value()),
               layout.HexWidth, layout.RowHeight);
}

QRect GapAfter(const TFileInspectorFrm& window, int32_t offset) {
  const QRect cell = HexCell(window, offset);
  return QRect(cell.right() + 1, cell.top(), window.Layout().HexGap, cell.height());
}

QRect CharCell(const TFileInspectorFrm& window, int32_t offset) {
  const HexLayout& layout = window.Layout();
  return QRect(layout.CharX(offset % 16), layout.RowTop(offset / 16, window.VScrollBar->value()),
               layout.CharWidth, layout.RowHeight);
}

int CountColour(const QImage& image, const QRect& rect, const QColor& colour) {
  int count = 0;
  for (int y = rect.top(); y <= rect.bottom(); ++y) {
    for (int x = rect.left(); x <= rect.right(); ++x) {
      count += image.pixelColor(x, y) == colour ? 1 : 0;
    }
  }
  return count;
}

// Pixels of yellow text drawn (anti-aliased) on blue: more yellow than blue.
int CountYellowText(const QImage& image, const QRect& rect) {
  int count = 0;
  for (int y = rect.top(); y <= rect.bottom(); ++y) {
    for (int x = rect.left(); x <= rect.right(); ++x) {
      const QColor colour = image.pixelColor(x, y);
      count += colour.red() == colour.green() && colour.red() > 128 && colour.blue() < 128;
    }
  }
  return count;
}

bool AllColour(const QImage& image, const QRect& rect, const QColor& colour) {
  return CountColour(image, rect, colour) == rect.width() * rect.height();
}

}  // namespace

class TestInspectorPaint : public QObject {
  Q_OBJECT

 private slots:
  void paintReadsOnlyVisibleRows_data();
  void paintReadsOnlyVisibleRows();
  void hiddenBytesDoNotChangePixels();
  void selectionIsYellowOnBlueAcrossGaps();
  void reversedSelectionPaintsTheSameBytes();
  void endBlock_data();
  void endBlock();
  void unprintableBytesShowAsDots();
  void everyPixelOfTheDumpIsPainted_data();
  void everyPixelOfTheDumpIsPainted();
  void tabStripIsPaintedOutsideItsTabs_data();
  void tabStripIsPaintedOutsideItsTabs();
  void anEditRepaintsOnlyItsRows_data();
  void anEditRepaintsOnlyItsRows();
};

void TestInspectorPaint::anEditRepaintsOnlyItsRows_data() {
  QTest::addColumn<int>("caret");
  QTest::addColumn<QString>("nibble");
  QTest::addColumn<bool>("overType");
  QTest::addColumn<QString>("keys");
  QTest::addColumn<int>("firstScroll");   // of the window the edit is made in
  QTest::addColumn<int>("secondScroll");  // of another window on the same file
  QTest::addColumn<QList<int>>("firstRows");
  QTest::addColumn<QList<int>>("secondRows");
  QTest::newRow("a digit overtyped")
      << 40 << "Hi" << true << "A" << 0 << 0 << QList<int>{2} << QList<int>{2};
  QTest::newRow("the low half moves the caret onto the next row")
      << 47 << "Low" << true << "A" << 0 << 0 << QList<int>{2, 3} << QList<int>{2, 3};
  QTest::newRow("an arrow across a row end")
      << 15 << "Hi" << true << "right" << 0 << 0 << QList<int>{0, 1} << QList<int>{0, 1};
  QTest::newRow("a character typed in insert mode moves every byte after it")
      << 40 << "Hi" << false << "A" << 0 << 0 << kEveryRow << kEveryRow;
  QTest::newRow("Delete takes a byte out")
      << 40 << "Hi" << true << "delete" << 0 << 0 << kEveryRow << kEveryRow;
  // Row 2 stands half behind the other window's tab strip.
  QTest::newRow("the other window scrolled by two and a half rows")
      << 40 << "Hi" << true << "A" << 0 << 40 << QList<int>{2} << QList<int>{2};
  QTest::newRow("the other window scrolled past the change")
      << 40 << "Hi" << true << "A" << 0 << 320 << QList<int>{2} << QList<int>{};
  // The caret's row, half behind the tab strip, is scrolled into view: only the window
  // of the edit moved.
  QTest::newRow("an edit that scrolls its own window")
      << 40 << "Hi" << true << "A" << 40 << 0 << kEveryRow << QList<int>{2};
  // The focus leaves the other window; the window clicked comes to the front, whole.
  QTest::newRow("a click that moves the caret into the window")
      << 40 << "Hi" << true << "click 100" << 0 << 0 << kEveryRow << QList<int>{2, 6};
}

// Every window on the file repaints the rows the change touched on its screen and no
// others, unless the size changed or the window itself scrolled or came to the front.
void TestInspectorPaint::anEditRepaintsOnlyItsRows() {
  QFETCH(int, caret);
  QFETCH(QString, nibble);
  QFETCH(bool, overType);
  QFETCH(QString, keys);
  QFETCH(int, firstScroll);
  QFETCH(int, secondScroll);
  QFETCH(QList<int>, firstRows);
  QFETCH(QList<int>, secondRows);
  InspectedFile file(PatternBytes(4096));
  InspectorDesk desk;
  TFileInspectorFrm* first = desk.Open(*file.Data);
  TFileInspectorFrm* second = desk.Open(*file.Data, 2);
  first->VScrollBar->setValue(firstScroll);
  second->VScrollBar->setValue(secondScroll);
  file.Data->SelStart = file.Data->SelEnd = caret;
  file.Data->Nibble = nibble.toStdString();
  first->SetOverType(overType);
  file.Data->Changed = true;
  if (keys.startsWith("click")) {
    QTest::mouseClick(second->View(), Qt::LeftButton, Qt::NoModifier,
                      HexCellCentre(*second, caret));
    QVERIFY(second->View()->hasFocus());
  }
  QTest::qWait(50);
  first->TakePaintedRows();
  second->TakePaintedRows();
  if (keys.startsWith("click")) {
    const int32_t clicked = keys.section(' ', 1).toInt();
    QTest::mouseClick(first->View(), Qt::LeftButton, Qt::NoModifier,
                      HexCellCentre(*first, clicked));
    QVERIFY(first->View()->hasFocus());
  } else if (keys == "right") {
    first->FormKeyDown(Qt::Key_Right, Qt::NoModifier);
  } else if (keys == "delete") {
    first->FormKeyDown(Qt::Key_Delete, Qt::NoModifier);
  } else {
    first->FormKeyPress(keys.at(0).toLatin1());
  }
  QTest::qWait(50);
  for (const auto& [window, rows] : {std::pair{first, firstRows}, std::pair{second, secondRows}}) {
    std::vector<int32_t> painted = window->TakePaintedRows();
    std::sort(painted.begin(), painted.end());
    painted.erase(std::unique(painted.begin(), painted.end()), painted.end());
    window->View()->repaint();
    const std::vector<int32_t> everyRow = window->TakePaintedRows();
    QVERIFY(everyRow.size() > 4);
    const std::vector<int32_t> expected =
        rows == kEveryRow ? everyRow : std::vector<int32_t>(rows.begin(), rows.end());
    QVERIFY2(painted == expected, qPrintable(QString("window %1 painted %2 rows, from %3")
                                                 .arg(window->WindowNumber)
                                                 .arg(painted.size())
                                                 .arg(painted.empty() ? -1 : painted.front())));
  }
}

void TestInspectorPaint::paintReadsOnlyVisibleRows_data() {
  QTest::addColumn<int>("size");
  QTest::addColumn<double>("position");
  QTest::newRow("small file, all of it") << 100 << 0.0;
  QTest::newRow("256 KB at the top") << 262144 << 0.0;
  QTest::newRow("256 KB in the middle") << 262144 << 0.5;
  QTest::newRow("256 KB at the end") << 262144 << 1.0;
}

void TestInspectorPaint::paintReadsOnlyVisibleRows() {
  QFETCH(int, size);
  QFETCH(double, position);
  InspectedFile file(PatternBytes(static_cast<size_t>(size)));
  InspectorDesk desk;
  TFileInspectorFrm* window = desk.Open(*file.Data);
  window->VScrollBar->setValue(static_cast<int>(window->VScrollBar->maximum() * position));
  window->View()->repaint();

  // At most the rows of the view plus the band above and below it; at least the rows
  // wholly inside the dump.
  const int viewRows = window->View()->height() / 16 + 1;
  const int64_t read = window->LastPaintBytesRead();
  const int64_t wholeRows = (window->StatusBar->y() - window->Tab->height() - 4) / 16 - 1;
  QVERIFY2(read <= std::min<int64_t>(size, 16 * (viewRows + 3)), qPrintable(QString::number(read)));
  QVERIFY2(read >= std::min<int64_t>(size, 16 * wholeRows), qPrintable(QString::number(read)));
}

void TestInspectorPaint::hiddenBytesDoNotChangePixels() {
  // Two files alike in the rows on screen and different everywhere else paint alike;
  // one byte changed on screen shows.
  const size_t size = 262144;
  InspectedFile shown(PatternBytes(size, 7));
  InspectedFile other(PatternBytes(size, 7));
  InspectorDesk desk;
  TFileInspectorFrm* first = desk.Open(*shown.Data);
  TFileInspectorFrm* second = desk.Open(*other.Data);
  second->resize(first->size());
  const int scroll = 100000;
  first->VScrollBar->setValue(scroll);
  second->VScrollBar->setValue(scroll);
  const RowRange rows = first->Layout().PaintedRows(scroll, first->View()->height(), size / 16);
  std::vector<uint8_t>& bytes = other.Data->Buffer.Bytes();
  for (size_t offset = 0; offset < size; ++offset) {
    if (offset / 16 < size_t(rows.First) || offset / 16 >= size_t(rows.Last)) {
      bytes[offset] = static_cast<uint8_t>(~bytes[offset]);
    }
  }
  const QRect dump = DumpRect(*first);
  QCOMPARE(PaintedView(*second).copy(dump), PaintedView(*first).copy(dump));

  const int32_t visible = rows.First * 16 + 40;
  bytes[visible] = static_cast<uint8_t>(bytes[visible] + 1);
  QVERIFY(PaintedView(*second).copy(dump) != PaintedView(*first).copy(dump));
}

void TestInspectorPaint::selectionIsYellowOnBlueAcrossGaps() {
  InspectedFile file(PatternBytes(64));
  file.Data->SelStart = 2;
  file.Data->SelEnd = 17;
  InspectorDesk desk;
  TFileInspectorFrm* window = desk.Open(*file.Data);
  const QImage image = PaintedView(*window);
  const HexLayout& layout = window->Layout();

  for (int32_t offset : {2, 9, 15, 16, 17}) {
    QVERIFY2(AllColour(image, GapAfter(*window, offset), kBlue),
             qPrintable(QString::number(offset)));
    QVERIFY(CountYellowText(image, HexCell(*window, offset)) > 0);
    QVERIFY(CountYellowText(image, CharCell(*window, offset)) > 0);
    QCOMPARE(CountColour(image, HexCell(*window, offset), Qt::black), 0);
    QVERIFY(CountColour(image, CharCell(*window, offset), kBlue) > 0);
    QCOMPARE(CountColour(image, CharCell(*window, offset), kWhite), 0);
  }
  for (int32_t offset : {0, 1, 18, 31}) {
    QVERIFY(AllColour(image, GapAfter(*window, offset), kWhite));
    QCOMPARE(CountColour(image, HexCell(*window, offset), kBlue), 0);
    QVERIFY(CountColour(image, HexCell(*window, offset), Qt::black) > 0);
  }
  // The blank between the columns stays white beside a selected row end.
  const QRect between(layout.HexAreaEnd, layout.RowTop(0, 0), layout.HexWidth, 16);
  QVERIFY(AllColour(image, between, kWhite));
}

void TestInspectorPaint::reversedSelectionPaintsTheSameBytes() {
  InspectedFile file(PatternBytes(64));
  InspectorDesk desk;
  TFileInspectorFrm* window = desk.Open(*file.Data);
  file.Data->SelStart = 5;
  file.Data->SelEnd = 20;
  const QImage ordered = PaintedView(*window);
  file.Data->SelStart = 20;
  file.Data->SelEnd = 5;
  QCOMPARE(PaintedView(*window), ordered);
  file.Data->SelStart = -1;  // no caret: nothing selected, whatever SelEnd holds
  QCOMPARE(CountColour(PaintedView(*window), DumpRect(*window), kBlue), 0);
}

void TestInspectorPaint::endBlock_data() {
  QTest::addColumn<int>("size");
  QTest::newRow("empty file") << 0;
  QTest::newRow("part of a row") << 7;
  QTest::newRow("one whole row") << 16;
  QTest::newRow("last column") << 15;
}

void TestInspectorPaint::endBlock() {
  QFETCH(int, size);
  InspectedFile file(PatternBytes(static_cast<size_t>(size)));
  file.Data->SelStart = file.Data->SelEnd = size;
  InspectorDesk desk;
  TFileInspectorFrm* window = desk.Open(*file.Data);
  const QImage image = PaintedView(*window);
  QVERIFY(AllColour(image, HexCell(*window, size), kBlue));
  QVERIFY(AllColour(image, CharCell(*window, size), kBlue));
  // Only the block is blue, and the rest of its row is blank.
  const int blockPixels = 16 * (window->Layout().HexWidth + window->Layout().CharWidth);
  QCOMPARE(CountColour(image, DumpRect(*window), kBlue), blockPixels);
  if (size % 16 != 15) {
    QVERIFY(AllColour(image, HexCell(*window, size + 1), kWhite));
    QVERIFY(AllColour(image, GapAfter(*window, size), kWhite));
  }
  QCOMPARE(window->VScrollBar->WorldSize, (size + 15) / 16 * 16);
}

void TestInspectorPaint::unprintableBytesShowAsDots() {
  InspectedFile file({0x00, '.', 0x1F, 0x7F, 0xFF, 'A', ' ', '~'});
  InspectorDesk desk;
  TFileInspectorFrm* window = desk.Open(*file.Data);
  const QImage image = PaintedView(*window);
  const QImage dot = image.copy(CharCell(*window, 1));
  for (int32_t offset : {0, 2, 3, 4}) {
    QCOMPARE(image.copy(CharCell(*window, offset)), dot);
  }
  for (int32_t offset : {5, 6, 7}) {
    QVERIFY(image.copy(CharCell(*window, offset)) != dot);
  }
}

void TestInspectorPaint::everyPixelOfTheDumpIsPainted_data() {
  QTest::addColumn<int>("size");
  QTest::addColumn<int>("selStart");
  QTest::addColumn<int>("selEnd");
  QTest::addColumn<double>("position");
  QTest::newRow("empty") << 0 << -1 << -1 << 0.0;
  QTest::newRow("empty with the end block") << 0 << 0 << 0 << 0.0;
  QTest::newRow("end block in the last column") << 15 << 15 << 15 << 0.0;
  QTest::newRow("end block after a whole row") << 32 << 32 << 32 << 0.0;
  QTest::newRow("selection") << 100 << 3 << 40 << 0.0;
  QTest::newRow("selection running past the data") << 100 << 90 << 300 << 0.0;
  QTest::newRow("long file, middle") << 20000 << -1 << -1 << 0.5;
  QTest::newRow("long file, end") << 20000 << 19999 << 19999 << 1.0;
}

void TestInspectorPaint::everyPixelOfTheDumpIsPainted() {
  QFETCH(int, size);
  QFETCH(int, selStart);
  QFETCH(int, selEnd);
  QFETCH(double, position);
  InspectedFile file(PatternBytes(static_cast<size_t>(size)));
  file.Data->SelStart = selStart;
  file.Data->SelEnd = selEnd;
  InspectorDesk desk;
  TFileInspectorFrm* window = desk.Open(*file.Data);
  window->VScrollBar->setValue(static_cast<int>(window->VScrollBar->maximum() * position));
  const QImage image = PaintedView(*window, Qt::magenta);
  QCOMPARE(CountColour(image, DumpRect(*window), Qt::magenta), 0);
  QCOMPARE(image.copy(DumpRect(*window)), PaintedView(*window, Qt::green).copy(DumpRect(*window)));
}

void TestInspectorPaint::tabStripIsPaintedOutsideItsTabs_data() {
  QTest::addColumn<int>("scroll");
  QTest::addColumn<int>("tab");
  QTest::newRow("at the top") << 0 << 0;
  // Rows scrolled up behind the strip: row 1 stands wholly inside it.
  QTest::newRow("scrolled by two and a half rows") << 40 << 0;
  QTest::newRow("scrolled by half a row") << 8 << 0;
  QTest::newRow("another tab") << 40 << 2;
}

void TestInspectorPaint::tabStripIsPaintedOutsideItsTabs() {
  QFETCH(int, scroll);
  QFETCH(int, tab);
  InspectedFile file(PatternBytes(4096));
  InspectorDesk desk;
  TFileInspectorFrm* window = desk.Open(*file.Data);
  window->VScrollBar->setValue(scroll);
  QTest::mouseClick(window->Tab, Qt::LeftButton, {}, window->Tab->tabRect(tab).center());
  QCOMPARE(window->Tab->currentIndex(), tab);
  // The view erases nothing itself, so whatever was on the screen stays where nobody
  // paints: magenta stands for it.
  QImage image(window->View()->size(), QImage::Format_RGB32);
  image.fill(Qt::magenta);
  window->View()->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
  const QRect strip = window->Tab->geometry();
  QCOMPARE(CountColour(image, strip, Qt::magenta), 0);
  // Outside the tabs the strip shows its own background and nothing of the rows.
  const QColor background = window->Tab->palette().color(window->Tab->backgroundRole());
  QRegion outside(strip);
  for (int index = 0; index < window->Tab->count(); ++index) {
    outside -= window->Tab->tabRect(index).translated(strip.topLeft());
  }
  for (const QRect& part : outside) {
    QVERIFY2(AllColour(image, part, background),
             qPrintable(QString("strip area %1,%2 %3x%4 not all background")
                            .arg(part.x())
                            .arg(part.y())
                            .arg(part.width())
                            .arg(part.height())));
  }
}

QTEST_MAIN(TestInspectorPaint)
#include "test_inspector_paint.moc"
