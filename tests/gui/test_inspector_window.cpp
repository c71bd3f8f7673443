// SPDX-License-Identifier: GPL-3.0-or-later
// The inspector window driven by real mouse and key events: caret and selection,
// typing, deleting, the status bar, scrolling, tabs, captions and two windows on one file.
#include <QLineEdit>
#include <QTabBar>
#include <QtTest>

#include "inspector/FileInspector.h"
#include "inspector/Find.h"
#include "inspector/SScrollBar.h"
#include "platform/ScriptedPrompts.h"
#include "support_gui/InspectorTestSupport.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

QString Markup(const InspectedFile& file) {
  return QString::fromStdString(InspectorMarkup(*file.Data));
}

// The dump's part of a grab of the view: below the tab strip, left of the scroll bar,
// above the status bar.
QImage DumpImage(TFileInspectorFrm& window) {
  QWidget* view = window.View();
  const QRect dump(0, window.Tab->height(), window.VScrollBar->x(),
                   window.StatusBar->y() - window.Tab->height());
  return view->grab(dump).toImage();
}

// Counts the key presses that reach a widget.
class KeyCounter : public QObject {
 public:
  int Presses = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    Presses += event->type() == QEvent::KeyPress ? 1 : 0;
    return false;
  }
};

// Sends a key press to the view and tells whether the view kept it from its window.
bool KeyTaken(TFileInspectorFrm& window, Qt::Key key) {
  KeyCounter counter;
  window.installEventFilter(&counter);
  QTest::keyClick(window.View(), key);
  window.removeEventFilter(&counter);
  return counter.Presses == 0;
}

}  // namespace

class TestInspectorWindow : public QObject {
  Q_OBJECT

 private slots:
  void screenshotWithSelection();
  void clickTypeAndUndo();
  void shiftClickDragAndArrows();
  void deleteAndBackspaceKeys();
  void arrowWithoutCaretGoesOn();
  void selectionOutsideTheDataShowsReadError();
  void statusBarPanels();
  void sizeFromTheLayout();
  void scrollBarFollowsTheData_data();
  void scrollBarFollowsTheData();
  void wheelAndPageKeysScroll();
  void otherTabsHideTheDump();
  void twoWindowsOnOneFile();
  void detachedWindowIgnoresInput();
  void viewFollowsTheCaret_data();
  void viewFollowsTheCaret();
  void findAgainShowsTheOccurrenceInAShortWindow();
};

void TestInspectorWindow::screenshotWithSelection() {
  ScopedScriptedPrompts prompts;  // the lock warning beeps
  InspectedFile file(PatternBytes(600), true);
  for (int offset = 0; offset < 64; ++offset) {
    file.Data->Buffer.Bytes()[offset] = static_cast<uint8_t>(
        "Kestrow inspects the bytes of "
        "one DFS file: hex and text.  "[offset % 60]);
  }
  file.Data->SelStart = 21;
  file.Data->SelEnd = 58;
  InspectorDesk desk;
  TFileInspectorFrm* window = desk.Open(*file.Data);
  QPixmap shot = window->grab();
  QVERIFY(!shot.isNull());
  QVERIFY(shot.save("/tmp/inspector.png"));
}

void TestInspectorWindow::clickTypeAndUndo() {
  InspectedFile file(Bytes("abcdef"));
  InspectorDesk desk;
  TFileInspectorFrm* window = desk.Open(*file.Data);
  QWidget* view = window->View();

  QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, HexCellCentre(*window, 2));
  QCOMPARE(Markup(file), "ab|cdef");
  QCOMPARE(file.Data->CaretPane, "Hex");
  QTest::keyClicks(view, "4a");
  QCOMPARE(Markup(file), "abJ|def");
  QTest::keyClick(view, Qt::Key_Insert);
  QCOMPARE(window->OverType(), false);
  QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, CharCellCentre(*window, 1));
  QCOMPARE(file.Data->CaretPane, "");
  QTest::keyClicks(view, "XY");
  QCOMPARE(Markup(file), "aXY|bJdef");
  QVERIFY(file.Data->Changed);

  const int repaintsBefore = desk.RepaintCalls();
  for (const char* expected : {"aX|bJdef", "a|bJdef", "ab|Cdef", "ab|cdef"}) {
    window->Undo();
    QCOMPARE(Markup(file), QString(expected));
  }
  QCOMPARE(desk.RepaintCalls(), repaintsBefore + 4);
  window->Undo();  // nothing left: no repaint
  QCOMPARE(desk.RepaintCalls(), repaintsBefore + 4);
}

void TestInspectorWindow::shiftClickDragAndArrows() {
  InspectedFile file(Bytes("0123456789ABCDEFghijklmnopqrstuvwxyz"));
  InspectorDesk desk;
  TFileInspectorFrm* window = desk.Open(*file.Data);
  QWidget* view = window->View();

  QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, HexCellCentre(*window, 3));
  QTest::mouseClick(view, Qt::LeftButton, Qt::ShiftModifier, CharCellCentre(*window, 18));
  QCOMPARE(Markup(file), "012[3456789ABCDEFghi]jklmnopqrstuvwxyz");

  // A drag from byte 20 back to byte 5 is put in order when the button comes up.
  QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, HexCellCentre(*window, 20));
  QTest::mouseMove(view, HexCellCentre(*window, 5));
  QCOMPARE(file.Data->SelStart, 20);
  QCOMPARE(file.Data->SelEnd, 5);
  QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, HexCellCentre(*window, 5));
  QCOMPARE(Markup(file), "01234[56789ABCDEFghijk]lmnopqrstuvwxyz");
  // Moving without the button does not drag.
  QTest::mouseMove(view, HexCellCentre(*window, 30));
  QCOMPARE(file.Data->SelEnd, 20);

  QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, HexCellCentre(*window, 17));
  QTest::keyClick(view, Qt::Key_Up);
  QCOMPARE(Markup(file), "0|123456789ABCDEFghijklmnopqrstuvwxyz");
  QTest::keyClick(view, Qt::Key_Right, Qt::ShiftModifier);
  QTest::keyClick(view, Qt::Key_Down);
  QCOMPARE(Markup(file), "0123456789ABCDEFg[hi]jklmnopqrstuvwxyz");
  QTest::keyClick(view, Qt::Key_Left, Qt::ControlModifier);
  QTest::keyClick(view, Qt::Key_Left, Qt::ControlModifier);
  QCOMPARE(Markup(file), "0123456789ABCDEFghijklmnopqrstuvwxyz (17,16)");
}

void TestInspectorWindow::deleteAndBackspaceKeys() {
  InspectedFile file(Bytes("abcd"));
  InspectorDesk desk;
  TFileInspectorFrm* window = desk.Open(*file.Data);
  QWidget* view = window->View();

  QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, HexCellCentre(*window, 1));
  QTest::keyClick(view, Qt::Key_Delete);
  QCOMPARE(Markup(file), "a|cd");
  QTest::keyClick(view, Qt::Key_Backspace);
  QCOMPARE(Markup(file), "|cd");
  QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, HexCellCentre(*window, 1));
  window->DeleteKey();  // the Edit menu's Delete
  QCOMPARE(Markup(file), "c|");
  window->BackSpaceKey();  // the toolbar's Delete
  QCOMPARE(Markup(file), "|");
  window->Undo();
  window->Undo();
  window->Undo();
  window->Undo();
  QCOMPARE(Markup(file), "a|bcd");
}

void TestInspectorWindow::arrowWithoutCaretGoesOn() {
  InspectedFile file(Bytes("abcd"));
  InspectorDesk desk;
  TFileInspectorFrm* window = desk.Open(*file.Data);
  QVERIFY(!KeyTaken(*window, Qt::Key_Left));
  QVERIFY(!KeyTaken(*window, Qt::Key_F5));
  QTest::mouseClick(window->View(), Qt::LeftButton, Qt::NoModifier, HexCellCentre(*window, 1));
  QVERIFY(KeyTaken(*window, Qt::Key_Left));
  QCOMPARE(Markup(file), "|abcd");
}

void TestInspectorWindow::selectionOutsideTheDataShowsReadError() {
  ScopedScriptedPrompts prompts;
  InspectedFile file(Bytes("abcd"));
  InspectorDesk desk;
  TFileInspectorFrm* window = desk.Open(*file.Data);
  QWidget* view = window->View();
  // Dragged from byte 1 to far below the data.
  QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, HexCellCentre(*window, 1));
  QTest::mouseMove(view, HexCellCentre(*window, 90));
  QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, HexCellCentre(*window, 90));
  QCOMPARE(Markup(file), "abcd (1,90)");
  QTest::keyClick(view, Qt::Key_Delete);
  window->DeleteKey();
  window->BackSpaceKey();
  QCOMPARE(prompts->Messages(), std::vector<std::string>(3, "Stream read error"));
  QCOMPARE(Markup(file), "abcd (1,90)");
  QVERIFY(file.Data->UndoList.empty());
  QVERIFY(!file.Data->Changed);
}

void TestInspectorWindow::statusBarPanels() {
  InspectedFile file(Bytes("hello"));
  file.Data->OriginalSize = 7;
  InspectorDesk desk;
  TFileInspectorFrm* window = desk.Open(*file.Data);
  QTRY_COMPARE(window->PanelText(1), "Current size : 5 bytes");
  QCOMPARE(window->PanelCount(), 3);
  QCOMPARE(window->PanelText(0), "Original size : 7 bytes");
  QCOMPARE(window->PanelText(2), "OVR     ");
  // The size panels are 150 pixels wide, or more if the font needs it.
  const int sizeWidth = window->PanelWidth(0);
  QVERIFY(sizeWidth >= 150);
  QVERIFY(sizeWidth >=
          window->StatusBar->fontMetrics().horizontalAdvance("Original size : 262144 bytes"));
  // The current-size panel takes what the others leave; the last runs to the edge.
  QCOMPARE(window->PanelWidth(1), std::max(sizeWidth, window->View()->width() - sizeWidth - 50));
  QCOMPARE(window->PanelRect(2).right(), window->StatusBar->width() - 1);

  QTest::keyClick(window->View(), Qt::Key_Insert);
  QCOMPARE(window->PanelText(2), "INS     ");
  QTest::mouseClick(window->View(), Qt::LeftButton, Qt::NoModifier, HexCellCentre(*window, 5));
  QTest::keyClicks(window->View(), "2");
  QTRY_COMPARE(window->PanelText(1), "Current size : 6 bytes");
  QCOMPARE(window->PanelText(0), "Original size : 7 bytes");
  QTest::keyClick(window->View(), Qt::Key_Insert);
  QCOMPARE(window->PanelText(2), "OVR     ");

  window->resize(window->width() - 60, 300);
  QCOMPARE(window->PanelWidth(1), std::max(sizeWidth, window->View()->width() - sizeWidth - 50));
  window->resize(260, 300);
  QCOMPARE(window->PanelWidth(1), sizeWidth);
}

void TestInspectorWindow::sizeFromTheLayout() {
  InspectedFile file(Bytes("x"));
  InspectorDesk desk;
  TFileInspectorFrm* window = desk.Open(*file.Data);
  const HexLayout& layout = window->Layout();
  const int workWidth = layout.WorkWidth(16);
  QCOMPARE(window->WorkWidth, workWidth);
  QCOMPARE(window->width(), workWidth);
  QCOMPARE(window->maximumWidth(), workWidth);
  QCOMPARE(window->minimumHeight(), 100);
  // The characters and the scroll bar fit inside the window's frame.
  QVERIFY(layout.CharAreaEnd() <= window->VScrollBar->x());
  QCOMPARE(window->VScrollBar->x() + 16, window->View()->width());
  QCOMPARE(window->Tab->height(), 25);
  QCOMPARE(window->WorkArea.top(), 25);
  QCOMPARE(window->WorkHeight, window->StatusBar->y() - 1 - 25);
}

void TestInspectorWindow::scrollBarFollowsTheData_data() {
  QTest::addColumn<int>("size");
  QTest::addColumn<int>("worldSize");
  QTest::newRow("empty") << 0 << 0;
  QTest::newRow("one row") << 16 << 16;
  QTest::newRow("two rows") << 17 << 32;
  QTest::newRow("many rows") << 4000 << 4000;
}

void TestInspectorWindow::scrollBarFollowsTheData() {
  QFETCH(int, size);
  QFETCH(int, worldSize);
  InspectedFile file(PatternBytes(static_cast<size_t>(size)));
  InspectorDesk desk;
  TFileInspectorFrm* window = desk.Open(*file.Data);
  TSScrollBar* bar = window->VScrollBar;
  QCOMPARE(bar->WorldSize, worldSize);
  QCOMPARE(bar->WindowSize, window->WorkHeight);
  const bool scrolls = worldSize > bar->WindowSize;
  QCOMPARE(bar->isEnabled(), scrolls);
  QCOMPARE(bar->minimum(), 0);
  QCOMPARE(bar->maximum(), scrolls ? worldSize - bar->WindowSize : 0);
  if (scrolls) {
    QCOMPARE(bar->pageStep(), bar->WindowSize + 1);
    QCOMPARE(bar->singleStep(), 16);
  }
}

void TestInspectorWindow::wheelAndPageKeysScroll() {
  InspectedFile file(PatternBytes(4000));
  InspectorDesk desk;
  TFileInspectorFrm* window = desk.Open(*file.Data);
  QWidget* view = window->View();
  TSScrollBar* bar = window->VScrollBar;
  const QPoint centre = HexCellCentre(*window, 40);

  auto wheel = [&](int delta) {
    QWheelEvent event(centre, view->mapToGlobal(centre), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &event);
  };
  wheel(-120);
  QCOMPARE(bar->value(), 8);
  wheel(-240);
  QCOMPARE(bar->value(), 24);
  wheel(120);
  QCOMPARE(bar->value(), 16);
  QTest::keyClick(view, Qt::Key_PageDown);
  QCOMPARE(bar->value(), 16 + bar->pageStep());
  QTest::keyClick(view, Qt::Key_PageUp);
  QTest::keyClick(view, Qt::Key_PageUp);
  QCOMPARE(bar->value(), 0);

  // Clicks follow the scroll position. A scroll repaints its own window and tells the
  // related windows, with no row of the data changed.
  const int repaints = desk.RepaintCalls();
  QTest::qWait(50);
  window->TakePaintedRows();
  bar->setValue(160);
  QTest::qWait(50);
  QVERIFY(!window->TakePaintedRows().empty());
  QCOMPARE(desk.RepaintCalls(), repaints + 1);
  QVERIFY(!file.Data->LastChange.AllRows && file.Data->LastChange.Ranges.empty());
  QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, HexCellCentre(*window, 200));
  QCOMPARE(file.Data->SelStart, 200);

  // When the data shrinks, the position is brought back inside it.
  bar->setValue(bar->maximum());
  file.Data->Buffer.SetSize(100);
  window->View()->repaint();
  QCOMPARE(bar->value(), 0);
  QVERIFY(!bar->isEnabled());
}

void TestInspectorWindow::otherTabsHideTheDump() {
  InspectedFile file(PatternBytes(4000));
  InspectorDesk desk;
  TFileInspectorFrm* window = desk.Open(*file.Data);
  window->VScrollBar->setValue(48);
  const QImage hexView = DumpImage(*window);

  window->Tab->setCurrentIndex(1);
  QVERIFY(window->VScrollBar->isHidden());
  const QImage basicView = DumpImage(*window);
  QVERIFY(basicView != hexView);
  // The large text is drawn; most of the view stays white.
  QCOMPARE(basicView.pixelColor(5, 5), QColor(Qt::white));
  int dark = 0;
  for (int y = 0; y < basicView.height(); ++y) {
    for (int x = 0; x < basicView.width(); ++x) {
      dark += basicView.pixelColor(x, y).lightness() < 100 ? 1 : 0;
    }
  }
  QVERIFY(dark > 500);

  window->Tab->setCurrentIndex(0);
  QVERIFY(!window->VScrollBar->isHidden());
  QCOMPARE(window->VScrollBar->value(), 48);
  QCOMPARE(DumpImage(*window), hexView);
}

void TestInspectorWindow::twoWindowsOnOneFile() {
  InspectedFile file(Bytes("abcd"));
  InspectorDesk desk;
  TFileInspectorFrm* first = desk.Open(*file.Data, 1);
  TFileInspectorFrm* second = desk.Open(*file.Data, 2);
  QCOMPARE(first->windowTitle(), "GAMES.$.PROG   /images/games.ssd");
  QCOMPARE(second->windowTitle(), "GAMES.$.PROG # 2   /images/games.ssd");
  QTRY_COMPARE(second->PanelText(1), "Current size : 4 bytes");

  // Typing in the first window shows in the second through the repaint hook.
  QTest::mouseClick(first->View(), Qt::LeftButton, Qt::NoModifier, CharCellCentre(*first, 4));
  QTest::keyClicks(first->View(), "xyz");
  QTRY_COMPARE(second->PanelText(1), "Current size : 7 bytes");
  QCOMPARE(DumpImage(*second), DumpImage(*first));
  // Each window keeps its own mode.
  QTest::keyClick(second->View(), Qt::Key_Insert);
  QVERIFY(first->OverType());
  QVERIFY(!second->OverType());
  // Undo in the second reverses the first's typing: the history is shared.
  second->Undo();
  QTRY_COMPARE(first->PanelText(1), "Current size : 6 bytes");
  QCOMPARE(Markup(file), "abcdxy|");
}

void TestInspectorWindow::detachedWindowIgnoresInput() {
  InspectedFile file(Bytes("abcd"));
  InspectorDesk desk;
  TFileInspectorFrm* window = desk.Open(*file.Data);
  window->CommonData = nullptr;
  QTest::mouseClick(window->View(), Qt::LeftButton, Qt::NoModifier, HexCellCentre(*window, 1));
  QTest::keyClicks(window->View(), "zz");
  window->DeleteKey();
  window->SetCaption();
  QCOMPARE(Markup(file), "abcd");
  QCOMPARE(window->windowTitle(), "GAMES.$.PROG   /images/games.ssd");
  QCOMPARE(DumpImage(*window).pixelColor(100, 20), QColor(Qt::white));
}

void TestInspectorWindow::viewFollowsTheCaret_data() {
  QTest::addColumn<int>("scrollRows");
  QTest::addColumn<int>("caretRow");  // counted from the top visible row; -1 the last one
  QTest::addColumn<int>("column");
  QTest::addColumn<QString>("keys");
  QTest::addColumn<QString>("edge");  // where the caret's row ends up: "top", "bottom", "" stays
  QTest::newRow("Down below the last row") << 0 << -1 << 3 << "Down"
                                           << "bottom";
  QTest::newRow("Up above the first row") << 10 << 0 << 5 << "Up"
                                          << "top";
  QTest::newRow("Right off the end of the last row") << 4 << -1 << 15 << "Right"
                                                     << "bottom";
  QTest::newRow("Left off the start of the first row") << 4 << 0 << 0 << "Left"
                                                       << "top";
  QTest::newRow("Shift+Down moves the selection's end") << 2 << -1 << 7 << "Shift+Down"
                                                        << "bottom";
  QTest::newRow("typing past the end of the last row") << 0 << -1 << 15 << "A B"
                                                       << "bottom";
  QTest::newRow("Down inside the view scrolls nothing") << 3 << 2 << 3 << "Down"
                                                        << "";
}

void TestInspectorWindow::viewFollowsTheCaret() {
  QFETCH(int, scrollRows);
  QFETCH(int, caretRow);
  QFETCH(int, column);
  QFETCH(QString, keys);
  QFETCH(QString, edge);
  InspectedFile file(PatternBytes(4096));
  InspectorDesk desk;
  TFileInspectorFrm* window = desk.Open(*file.Data);
  const int rowHeight = window->Layout().RowHeight;
  // Rows stand whole between these two lines.
  const int bandTop = window->Tab->height() + 4;
  const int bandBottom = window->StatusBar->y() - 4;
  const int rowsShown = (bandBottom - bandTop) / rowHeight;
  window->VScrollBar->setValue(scrollRows * rowHeight);
  const int row = scrollRows + (caretRow < 0 ? rowsShown - 1 : caretRow);
  QTest::mouseClick(window->View(), Qt::LeftButton, {}, HexCellCentre(*window, row * 16 + column));
  QCOMPARE(file.Data->SelStart, row * 16 + column);
  const int scrollBefore = window->VScrollBar->value();
  for (const QString& key : keys.split(' ')) {
    QTest::keyClick(window->View(), QKeySequence(key)[0].key(),
                    QKeySequence(key)[0].keyboardModifiers());
  }
  const int32_t caret = file.Data->SelEnd != -1 ? file.Data->SelEnd : file.Data->SelStart;
  const int top = window->Layout().RowTop(caret / 16, window->VScrollBar->value());
  if (edge == "top") {
    QCOMPARE(top, bandTop);
  } else if (edge == "bottom") {
    QCOMPARE(top + rowHeight, bandBottom);
  } else {
    QCOMPARE(window->VScrollBar->value(), scrollBefore);
  }
}

void TestInspectorWindow::findAgainShowsTheOccurrenceInAShortWindow() {
  std::vector<uint8_t> bytes(4096, 0x11);
  bytes[2000] = 0xA5;
  bytes[2001] = 0x5A;
  InspectedFile file(bytes);
  InspectorDesk desk;
  TFileInspectorFrm* window = desk.Open(*file.Data);
  // As short as the window goes: fewer rows than the three above a found one.
  window->resize(window->width(), window->minimumHeight());
  QCoreApplication::processEvents();
  const int bandTop = window->Tab->height() + 4;
  const int bandBottom = window->StatusBar->y() - 4;
  QVERIFY(bandBottom - bandTop < 3 * window->Layout().RowHeight);
  TFindFrm findForm;
  findForm.HexEdit->setText("A55A");
  window->Find(findForm);
  QCOMPARE(file.Data->SelStart, 2000);
  const int top = window->Layout().RowTop(2000 / 16, window->VScrollBar->value());
  QVERIFY2(top >= bandTop && top + window->Layout().RowHeight <= bandBottom,
           qPrintable(QString("the found row stands at %1, the view shows %2 to %3")
                          .arg(top)
                          .arg(bandTop)
                          .arg(bandBottom)));
}

QTEST_MAIN(TestInspectorWindow)
#include "test_inspector_window.moc"
