// SPDX-License-Identifier: GPL-3.0-or-later
// The inspector's BASIC and Text tabs driven by real mouse and key events: switching
// tabs, selecting and copying lines (the same text kestrow-dfs prints), a double-click
// showing the line's first byte in the Hex tab, an edit in Hex shown in the listing at
// once, Find in the listing, each tab's own scroll position, the sentence shown for a
// file that is not a program, the colours, and the Edit menu on each tab.
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QMdiArea>
#include <QTabBar>
#include <QTemporaryDir>
#include <QtTest>

#include "app/KestrowMain.h"
#include "diskwindow/DFSDisk.h"
#include "inspector/FileInspector.h"
#include "inspector/Find.h"
#include "inspector/InspectorListings.h"
#include "inspector/ListingView.h"
#include "inspector/SScrollBar.h"
#include "platform/ScriptedPrompts.h"
#include "support/BasicProgramBuilder.h"
#include "support/CliRunner.h"
#include "support/ImageBuilder.h"
#include "support_gui/InspectorTestSupport.h"
#include "support_gui/MainFrameHelpers.h"

namespace {

const int kDemoLines = 120;
const int kBasic = InspectorListings::kBasicTab;
const int kText = InspectorListings::kTextTab;

ListingView* Listing(TFileInspectorFrm* window, int tab) {
  return window->Listings()->ViewOfTab(tab);
}

QPoint LineCentre(const ListingView* view, int line) {
  return {60, view->LineTop(line) + view->RowHeight() / 2};
}

// A key press as the user gives it: to the widget with the keyboard focus.
void PressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QWidget* focus = QApplication::focusWidget();
  QVERIFY2(focus != nullptr, "no widget has the keyboard focus");
  QTest::keyClick(focus, key, modifiers);
}

// Runs steps separated by spaces: "mN" clicks tab N, "C+PgUp" / "C+PgDn" Ctrl+Page Up /
// Page Down, "A+N" Alt+N, all to the focused widget.
void SwitchTabs(TFileInspectorFrm* window, const QString& script) {
  for (const QString& step : script.split(' ', Qt::SkipEmptyParts)) {
    if (step.startsWith('m')) {
      QTest::mouseClick(window->Tab, Qt::LeftButton, Qt::NoModifier,
                        window->Tab->tabRect(step.mid(1).toInt()).center());
    } else if (step == "C+PgUp") {
      PressKey(Qt::Key_PageUp, Qt::ControlModifier);
    } else if (step == "C+PgDn") {
      PressKey(Qt::Key_PageDown, Qt::ControlModifier);
    } else if (step.startsWith("A+")) {
      PressKey(Qt::Key(Qt::Key_0 + step.mid(2).toInt()), Qt::AltModifier);
    } else {
      QFAIL(qPrintable("Unknown step " + step));
    }
  }
}

// Selection steps on a listing: "cN" click line N, "sN" Shift+click, "dN-M" drag from N
// to M, "A" Select All, and keys ("Down", "S+Up" with Shift, "Home", "End", ...).
void Select(TFileInspectorFrm* window, ListingView* view, const QString& script) {
  const std::map<QString, Qt::Key> keys = {{"Up", Qt::Key_Up},       {"Down", Qt::Key_Down},
                                           {"Home", Qt::Key_Home},   {"End", Qt::Key_End},
                                           {"PgUp", Qt::Key_PageUp}, {"PgDn", Qt::Key_PageDown}};
  for (const QString& step : script.split(' ', Qt::SkipEmptyParts)) {
    const bool shift = step.startsWith("S+");
    const QString key = shift ? step.mid(2) : step;
    if (keys.count(key) != 0) {
      QTest::keyClick(view, keys.at(key), shift ? Qt::ShiftModifier : Qt::NoModifier);
    } else if (step == "A") {
      window->SelectAll();
    } else if (step.startsWith('c') || step.startsWith('s')) {
      QTest::mouseClick(view, Qt::LeftButton,
                        step.startsWith('s') ? Qt::ShiftModifier : Qt::NoModifier,
                        LineCentre(view, step.mid(1).toInt()));
    } else if (step.startsWith('d')) {
      const QStringList ends = step.mid(1).split('-');
      QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, LineCentre(view, ends[0].toInt()));
      QTest::mouseMove(view, LineCentre(view, ends[1].toInt()));
      QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, LineCentre(view, ends[1].toInt()));
    } else {
      QFAIL(qPrintable("Unknown step " + step));
    }
  }
}

// An inspector on bytes, in an active MDI area, with the keyboard focus in its view.
struct OpenFile {
  explicit OpenFile(std::vector<uint8_t> bytes) : file(std::move(bytes)) {
    window = desk.Open(*file.Data);
    desk.Area().activateWindow();
    if (!QTest::qWaitForWindowActive(&desk.Area())) {
      qWarning("the inspector's MDI area did not become active");
    }
    window->setFocus();
  }
  InspectedFile file;
  InspectorDesk desk;
  TFileInspectorFrm* window = nullptr;
};

QColor Darkest(const QImage& image, const QRect& rect) {
  QColor darkest = Qt::white;
  for (int y = rect.top(); y <= rect.bottom(); ++y) {
    for (int x = rect.left(); x <= rect.right(); ++x) {
      const QColor colour = image.pixelColor(x, y);
      if (colour.lightness() < darkest.lightness()) {
        darkest = colour;
      }
    }
  }
  return darkest;
}

}  // namespace

class TestInspectorListings : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  std::string imagePath_;
  std::vector<uint8_t> demo_;
  QStringList printed_;  // what kestrow-dfs basic prints for the demo, line by line

 private slots:
  void initTestCase();
  void switchingTabs_data();
  void switchingTabs();
  void selectingAndCopying_data();
  void selectingAndCopying();
  void lineShownInHex_data();
  void lineShownInHex();
  void hexEditsShowInTheListingAtOnce();
  void findInTheListing_data();
  void findInTheListing();
  void eachTabKeepsItsScrollPosition();
  void longLinesScrollSideways();
  void fileThatIsNotAProgram_data();
  void fileThatIsNotAProgram();
  void spansPaintedInTheirColours();
  void editMenuOnEachTab_data();
  void editMenuOnEachTab();
};

void TestInspectorListings::initTestCase() {
  QVERIFY(dir_.isValid());
  demo_ = DemoProgram(kDemoLines).Bytes();
  ImageBuilder image;
  image.Title("LISTINGS");
  image.AddEntry({'$', "DEMO", 0x1900, 0x8023, uint32_t(demo_.size()), 2}).FileData(2, demo_);
  imagePath_ = image.WriteToTemp(dir_, "listings.ssd");
  const CliResult printed = RunCli({"basic", QString::fromStdString(imagePath_), "DEMO"});
  QCOMPARE(printed.exitCode, 0);
  printed_ = QString::fromLatin1(printed.out).split('\n');
  QCOMPARE(printed_.takeLast(), QString());  // the last line's line feed
  QCOMPARE(printed_.size(), kDemoLines);
}

void TestInspectorListings::switchingTabs_data() {
  QTest::addColumn<QString>("script");
  QTest::addColumn<int>("tab");
  QTest::newRow("opens on Hex") << "" << 0;
  QTest::newRow("mouse on BASIC") << "m1" << 1;
  QTest::newRow("mouse on Text") << "m3" << 3;
  QTest::newRow("Ctrl+PgDown") << "C+PgDn" << 1;
  QTest::newRow("Ctrl+PgDown twice, Ctrl+PgUp") << "C+PgDn C+PgDn C+PgUp" << 1;
  QTest::newRow("Ctrl+PgUp round to Screen") << "C+PgUp" << 4;
  QTest::newRow("Ctrl+PgDown round to Hex") << "A+5 C+PgDn" << 0;
  QTest::newRow("Alt+2") << "A+2" << 1;
  QTest::newRow("Alt+3 Assembler") << "A+3" << 2;
  QTest::newRow("Alt+4") << "A+4" << 3;
  QTest::newRow("Alt+5 Screen") << "A+5" << 4;
  QTest::newRow("Alt+1 from the BASIC listing") << "A+2 A+1" << 0;
  QTest::newRow("keys after a mouse switch") << "m1 C+PgDn C+PgDn" << 3;
}

void TestInspectorListings::switchingTabs() {
  QFETCH(QString, script);
  QFETCH(int, tab);
  OpenFile open(demo_);
  TFileInspectorFrm* window = open.window;
  SwitchTabs(window, script);
  QCOMPARE(window->Tab->currentIndex(), tab);
  QCOMPARE(window->VScrollBar->isHidden(), tab != 0);
  QCOMPARE(Listing(window, kBasic)->isVisible(), tab == kBasic);
  QCOMPARE(Listing(window, kText)->isVisible(), tab == kText);
  // The keyboard follows the tab: the listing, or the hex view.
  // The Screen tab has no listing; its mode box and palette take the mouse.
  QWidget* expectedFocus = tab != 0 && tab != 4 ? Listing(window, tab) : window->View();
  QCOMPARE(QApplication::focusWidget(), expectedFocus);
}

void TestInspectorListings::selectingAndCopying_data() {
  QTest::addColumn<int>("tab");
  QTest::addColumn<QString>("script");
  QTest::addColumn<int>("first");
  QTest::addColumn<int>("last");
  QTest::newRow("click") << kBasic << "c3" << 3 << 3;
  QTest::newRow("click, Shift+click") << kBasic << "c1 s4" << 1 << 4;
  QTest::newRow("Shift+click above") << kBasic << "c6 s2" << 2 << 6;
  QTest::newRow("drag upwards") << kBasic << "d5-2" << 2 << 5;
  QTest::newRow("Down") << kBasic << "c2 Down" << 3 << 3;
  QTest::newRow("Shift+Down twice") << kBasic << "c2 S+Down S+Down" << 2 << 4;
  QTest::newRow("Shift+Up") << kBasic << "c4 S+Up" << 3 << 4;
  QTest::newRow("Down without a selection") << kBasic << "Down" << 0 << 0;
  QTest::newRow("Shift+Home") << kBasic << "c3 S+Home" << 0 << 3;
  QTest::newRow("End") << kBasic << "End" << kDemoLines - 1 << kDemoLines - 1;
  QTest::newRow("Shift+PgUp from the end stays in the lines")
      << kBasic << "End S+PgUp S+PgUp S+PgUp S+PgUp S+PgUp S+PgUp S+PgUp S+PgUp" << 0
      << kDemoLines - 1;
  QTest::newRow("Select All") << kBasic << "c3 A" << 0 << kDemoLines - 1;
  QTest::newRow("Text tab") << kText << "c1 s3" << 1 << 3;
}

// The copy is the text kestrow-dfs prints for the selected lines (type for the Text tab).
void TestInspectorListings::selectingAndCopying() {
  QFETCH(int, tab);
  QFETCH(QString, script);
  QFETCH(int, first);
  QFETCH(int, last);
  OpenFile open(demo_);
  TFileInspectorFrm* window = open.window;
  window->Tab->setCurrentIndex(tab);
  ListingView* view = Listing(window, tab);
  Select(window, view, script);
  QCOMPARE(view->FirstSelected(), first);
  QCOMPARE(view->LastSelected(), last);
  window->CopyBytes();

  QStringList printed = printed_;
  if (tab == kText) {
    const CliResult type = RunCli({"type", QString::fromStdString(imagePath_), "DEMO"});
    QCOMPARE(type.exitCode, 0);
    printed = QString::fromLatin1(type.out).split('\n');
  }
  QCOMPARE(QApplication::clipboard()->text(), printed.mid(first, last - first + 1).join('\n'));
  // Copying a listing leaves the bytes' selection alone.
  QCOMPARE(open.file.Data->SelStart, -1);
}

void TestInspectorListings::lineShownInHex_data() {
  QTest::addColumn<int>("tab");
  QTest::addColumn<int>("line");
  QTest::addColumn<bool>("enter");
  QTest::newRow("first BASIC line") << kBasic << 0 << false;
  QTest::newRow("a BASIC line far down") << kBasic << 100 << false;
  QTest::newRow("Enter on a BASIC line") << kBasic << 100 << true;
  QTest::newRow("a Text line") << kText << 7 << false;
}

void TestInspectorListings::lineShownInHex() {
  QFETCH(int, tab);
  QFETCH(int, line);
  QFETCH(bool, enter);
  OpenFile open(demo_);
  TFileInspectorFrm* window = open.window;
  SwitchTabs(window, QString("A+%1").arg(tab + 1));
  ListingView* view = Listing(window, tab);
  // The first Down selects the first line, each further one moves down a line.
  for (int step = 0; step <= line; ++step) {
    QTest::keyClick(view, Qt::Key_Down);
  }
  const int64_t offset = view->Lines().at(size_t(line)).offset;
  if (enter) {
    QCOMPARE(view->FirstSelected(), line);
    QTest::keyClick(view, Qt::Key_Return);
  } else {
    QTest::mouseDClick(view, Qt::LeftButton, Qt::NoModifier, LineCentre(view, line));
  }
  QCOMPARE(window->Tab->currentIndex(), 0);
  QCOMPARE(open.file.Data->SelStart, offset);
  QCOMPARE(open.file.Data->SelEnd, offset);
  QCOMPARE(open.file.Data->CaretPane, "Hex");
  QCOMPARE(QApplication::focusWidget(), window->View());
  // The caret's row is in view.
  const int top = window->Layout().RowTop(int32_t(offset / 16), window->VScrollBar->value());
  QVERIFY(top >= window->Tab->height() && top + 16 <= window->StatusBar->y());
}

void TestInspectorListings::hexEditsShowInTheListingAtOnce() {
  InspectedFile file(demo_);
  InspectorDesk desk;
  TFileInspectorFrm* hex = desk.Open(*file.Data, 1);
  TFileInspectorFrm* basic = desk.Open(*file.Data, 2);
  basic->Tab->setCurrentIndex(kBasic);
  ListingView* listing = Listing(basic, kBasic);
  QTRY_COMPARE(listing->Lines().at(1).text, "   20MODE7");

  // Line 20 is 0D, 00, 14, its length, the MODE token and then the digit.
  const int32_t digit = int32_t(listing->Lines()[1].offset) + 5;
  TypeHex(hex, digit, "38");
  QTRY_COMPARE(listing->Lines().at(1).text, "   20MODE8");
  // A byte that breaks the structure: the listing ends before it, with the reason.
  TypeHex(hex, int32_t(listing->Lines()[2].offset), "41");
  QTRY_COMPARE(listing->Lines().size(), size_t(2));
  QVERIFY(listing->Note().find("structure breaks at offset &") != std::string::npos);
  while (!file.Data->UndoList.empty()) {
    hex->Undo();
  }
  QTRY_COMPARE(listing->Lines().size(), size_t(kDemoLines));
  QCOMPARE(listing->Lines().at(1).text, "   20MODE7");
  QCOMPARE(listing->Note(), "");
}

void TestInspectorListings::findInTheListing_data() {
  QTest::addColumn<int>("tab");
  QTest::addColumn<QString>("script");  // "F" Find, "A" Find Again
  QTest::addColumn<QString>("pattern");
  QTest::addColumn<bool>("ignoreCase");
  QTest::addColumn<int>("line");    // of the last match, -1 for none
  QTest::addColumn<int>("column");  // of the last match
  QTest::addColumn<int>("messages");
  QTest::addColumn<int>("beeps");
  QTest::newRow("first match") << kBasic << "F"
                               << "PRINT" << false << 2 << 5 << 0 << 0;
  QTest::newRow("Find Again moves on") << kBasic << "F A"
                                       << "PRINT" << false << 4 << 5 << 0 << 0;
  QTest::newRow("far down") << kBasic << "F"
                            << "LINE 900" << false << 89 << 11 << 0 << 0;
  QTest::newRow("after the last, a beep") << kBasic << "F A"
                                          << "MODE" << false << -1 << 0 << 0 << 1;
  QTest::newRow("then from the start") << kBasic << "F A A"
                                       << "MODE" << false << 1 << 5 << 0 << 1;
  QTest::newRow("ignoring case") << kBasic << "F"
                                 << "hello" << true << 4 << 19 << 0 << 0;
  QTest::newRow("case counts") << kBasic << "F"
                               << "hello" << false << -1 << 0 << 1 << 0;
  QTest::newRow("the escape's text") << kBasic << "F"
                                     << "\\x07" << false << 4 << 24 << 0 << 0;
  QTest::newRow("Text tab") << kText << "F"
                            << "Hello" << false << 6 << 22 << 0 << 0;
}

void TestInspectorListings::findInTheListing() {
  QFETCH(int, tab);
  QFETCH(QString, script);
  QFETCH(QString, pattern);
  QFETCH(bool, ignoreCase);
  QFETCH(int, line);
  QFETCH(int, column);
  ScopedScriptedPrompts prompts;
  TFindFrm form;
  form.AlphaEdit->setText(pattern);
  form.IgnoreCaseChk->setChecked(ignoreCase);
  OpenFile open(demo_);
  TFileInspectorFrm* window = open.window;
  window->Tab->setCurrentIndex(tab);
  ListingView* view = Listing(window, tab);
  for (const QString& step : script.split(' ')) {
    step == "F" ? window->Find(form) : window->FindAgain(form);
  }
  QTEST(int(prompts->Messages().size()), "messages");
  QTEST(prompts->BeepCount(), "beeps");
  if (line < 0) {
    QVERIFY(!view->Match());
    return;
  }
  QVERIFY(view->Match());
  QCOMPARE(int(view->Match()->line), line);
  QCOMPARE(int(view->Match()->column), column);
  QCOMPARE(view->FirstSelected(), line);
  QCOMPARE(view->LastSelected(), line);
  // The line stands third from the top, unless the view is at the top.
  QCOMPARE(view->LineTop(line), 4 + std::min(line, 2) * view->RowHeight());
  // The bytes' search and selection are the Hex tab's own.
  QCOMPARE(open.file.Data->SelStart, -1);
  QCOMPARE(open.file.Data->SearchFrom, 0);
}

void TestInspectorListings::eachTabKeepsItsScrollPosition() {
  OpenFile open(demo_);
  TFileInspectorFrm* window = open.window;
  QTest::keyClick(window->View(), Qt::Key_PageDown);
  const int hexPosition = window->VScrollBar->value();
  SwitchTabs(window, "A+2");
  PressKey(Qt::Key_PageDown);
  PressKey(Qt::Key_PageDown);
  PressKey(Qt::Key_PageDown);
  const int basicPosition = Listing(window, kBasic)->VScrollBar->value();
  SwitchTabs(window, "A+4");
  PressKey(Qt::Key_End);
  const int textPosition = Listing(window, kText)->VScrollBar->value();
  QVERIFY(hexPosition > 0 && basicPosition > 0 && textPosition > 0);
  QVERIFY(basicPosition != hexPosition && textPosition != basicPosition);

  SwitchTabs(window, "A+1");
  QCOMPARE(window->VScrollBar->value(), hexPosition);
  SwitchTabs(window, "A+2");
  QCOMPARE(Listing(window, kBasic)->VScrollBar->value(), basicPosition);
  SwitchTabs(window, "A+4");
  QCOMPARE(Listing(window, kText)->VScrollBar->value(), textPosition);
}

// A line wider than the window gets a horizontal scroll bar; a match at its far end is
// scrolled into view, and Left goes back towards the start.
void TestInspectorListings::longLinesScrollSideways() {
  const std::string longString = std::string(200, '-') + "END OF LINE";
  OpenFile open(BasicProgramBuilder().Line(10, "\xF1\"" + longString + "\"").End().Bytes());
  TFileInspectorFrm* window = open.window;
  SwitchTabs(window, "A+2");
  ListingView* view = Listing(window, kBasic);
  QVERIFY(view->HScrollBar->isVisible());
  QCOMPARE(view->HScrollBar->value(), 0);
  TFindFrm form;
  form.AlphaEdit->setText("END OF LINE");
  window->Find(form);
  const int matchLeft =
      4 + int(view->Match()->column) * view->CharWidth() - view->HScrollBar->value();
  QVERIFY(matchLeft >= 0);
  QVERIFY(matchLeft + 11 * view->CharWidth() <= view->TextArea().width());
  const int scrolled = view->HScrollBar->value();
  QTest::keyClick(view, Qt::Key_Left);
  QCOMPARE(view->HScrollBar->value(), scrolled - view->CharWidth());
}

void TestInspectorListings::fileThatIsNotAProgram_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<int>("lines");
  QTest::addColumn<QString>("note");
  QTest::newRow("text") << QByteArray("ABC") << 0
                        << "This file is not a BASIC program: byte 0 is &41, a program starts "
                           "with &0D.";
  QTest::newRow("empty") << QByteArray() << 0 << "This file is not a BASIC program: it is empty.";
  QByteArray withCode =
      QByteArray(reinterpret_cast<const char*>(demo_.data()), qsizetype(demo_.size()));
  withCode.append("\xA9\x00\x60", 3);
  QTest::newRow("machine code after")
      << withCode << kDemoLines
      << "This file holds machine code or data after the program, from offset &" +
             QString::number(demo_.size(), 16).toUpper().rightJustified(4, '0') + ".";
}

// The sentence is written in the listing's own font below the lines, and only there.
void TestInspectorListings::fileThatIsNotAProgram() {
  QFETCH(QByteArray, bytes);
  QFETCH(int, lines);
  QFETCH(QString, note);
  OpenFile open(std::vector<uint8_t>(bytes.begin(), bytes.end()));
  TFileInspectorFrm* window = open.window;
  SwitchTabs(window, "A+2");
  ListingView* view = Listing(window, kBasic);
  if (lines > 0) {
    PressKey(Qt::Key_End);
  }
  QCOMPARE(int(view->Lines().size()), lines);
  QCOMPARE(QString::fromStdString(view->Note()), note);
  const QImage image = view->grab(view->TextArea()).toImage();
  const int noteTop = view->LineTop(lines) + (lines > 0 ? view->RowHeight() : 0);
  int inkInNote = 0;
  int inkBelow = 0;
  for (int y = std::max(0, noteTop); y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const bool ink = image.pixelColor(x, y).lightness() < 128;
      (y < noteTop + 3 * view->RowHeight() ? inkInNote : inkBelow) += ink ? 1 : 0;
    }
  }
  QVERIFY(inkInNote > 100);
  QCOMPARE(inkBelow, 0);
}

void TestInspectorListings::spansPaintedInTheirColours() {
  OpenFile open(demo_);
  TFileInspectorFrm* window = open.window;
  SwitchTabs(window, "A+2");
  ListingView* view = Listing(window, kBasic);
  QTest::qWait(0);
  const QImage image = view->grab().toImage();
  if (qEnvironmentVariableIsSet("KESTROW_SCREENSHOT")) {
    Select(window, view, "c3 s5");
    window->grab().save(qEnvironmentVariable("KESTROW_SCREENSHOT"));
  }
  auto cells = [&](int line, const ListingSpan& span) {
    return QRect(4 + int(span.start) * view->CharWidth(), view->LineTop(line) + 1,
                 int(span.length) * view->CharWidth(), view->RowHeight() - 2);
  };
  std::map<SpanKind, QColor> colours;
  std::map<TeletextColour, QColor> blocks;
  for (int line = 0; line < 8; ++line) {
    for (const ListingSpan& span : view->Lines()[size_t(line)].spans) {
      const QRect rect = cells(line, span);
      if (span.kind == SpanKind::TeletextColour) {
        // Beside the centre, off the lines that split a graphics block into its cells.
        blocks[span.colour] = image.pixelColor(rect.center() + QPoint(-2, 0));
      } else {
        colours[span.kind] = Darkest(image, rect);
      }
    }
  }
  QCOMPARE(blocks[TeletextColour::Red], QColor(255, 0, 0));
  QCOMPARE(blocks[TeletextColour::Green], QColor(0, 255, 0));
  QCOMPARE(blocks[TeletextColour::Yellow], QColor(255, 255, 0));
  // Line numbers, keywords, strings, REM and DATA text and escapes differ from each other
  // and from the plain text's black.
  for (SpanKind kind : {SpanKind::LineNumber, SpanKind::Keyword, SpanKind::String,
                        SpanKind::Literal, SpanKind::Escape}) {
    QVERIFY2(colours.count(kind) != 0, "a kind of span is missing from the demo");
    QVERIFY(colours[kind].lightness() < 200);
    QVERIFY(colours[kind] != QColor(Qt::black));
    for (SpanKind other : {SpanKind::LineNumber, SpanKind::Keyword, SpanKind::String,
                           SpanKind::Literal, SpanKind::Escape}) {
      QVERIFY(kind == other || colours[kind] != colours[other]);
    }
  }
}

void TestInspectorListings::editMenuOnEachTab_data() {
  QTest::addColumn<int>("tab");
  QTest::addColumn<QString>("select");
  QTest::addColumn<QStringList>("enabled");
  const QStringList hex = {"UndoMnuItem",   "CopyMnuItem", "PasteMnuItem",     "SelectAllMnuItem",
                           "DeleteMnuItem", "FindMnuItem", "FindAgainMnuItem", "DeleteToolBut"};
  QTest::newRow("Hex") << 0 << "" << hex;
  QTest::newRow("BASIC, no line selected")
      << kBasic << "" << QStringList{"SelectAllMnuItem", "FindMnuItem", "FindAgainMnuItem"};
  QTest::newRow("BASIC, lines selected")
      << kBasic << "c1 s2"
      << QStringList{"CopyMnuItem", "SelectAllMnuItem", "FindMnuItem", "FindAgainMnuItem"};
  QTest::newRow("Text, a line selected")
      << kText << "c1"
      << QStringList{"CopyMnuItem", "SelectAllMnuItem", "FindMnuItem", "FindAgainMnuItem"};
  QTest::newRow("Assembler, no line selected")
      << int(InspectorListings::kAssemblerTab) << ""
      << QStringList{"SelectAllMnuItem", "FindMnuItem", "FindAgainMnuItem"};
}

// Only the Hex tab edits: on the other tabs Undo, Paste and Delete are disabled and the
// keys change nothing; a listing copies, selects and searches its lines.
void TestInspectorListings::editMenuOnEachTab() {
  QFETCH(int, tab);
  QFETCH(QString, select);
  QFETCH(QStringList, enabled);
  ScopedScriptedPrompts prompts;
  auto frame = MakeMainFrame();
  // Whatever the outcome, the windows close without asking about the typed byte.
  struct CloseAll {
    TKestrowMainFrm& frame;
    ~CloseAll() {
      ReviewAnswer dropChanges("", "NoSave");
      frame.CloseAllMnuItem->trigger();
    }
  } closeAll{*frame};
  TDFSDiskFrm* disk = frame->NewDFSFiler(imagePath_);
  TFileInspectorFrm* window = OpenInspectors(*frame, disk, "1").at(0);
  TypeHex(window, 2, "0A");  // the same byte again: a caret and one undo step
  QApplication::clipboard()->setText("XY");
  frame->FindFrm->HexEdit->setText("4D4F4445");  // MODE
  frame->ChildActivated(window);
  const std::vector<uint8_t> bytes = window->Data()->Buffer.Bytes();
  const size_t undoSteps = window->Data()->UndoList.size();

  SwitchTabs(window, QString("A+%1").arg(tab + 1));
  if (ListingView* view = Listing(window, tab)) {
    Select(window, view, select);
  }
  QStringList shown;
  const QStringList edit = {"UndoMnuItem",   "CopyMnuItem", "PasteMnuItem",     "SelectAllMnuItem",
                            "DeleteMnuItem", "FindMnuItem", "FindAgainMnuItem", "DeleteToolBut"};
  for (const QString& name : EnabledCommandNames(*frame)) {
    if (edit.contains(name)) {
      shown << name;
    }
  }
  QCOMPARE(shown, enabled);
  if (tab == 0) {
    return;
  }
  for (Qt::Key key : {Qt::Key_Delete, Qt::Key_Backspace, Qt::Key_4, Qt::Key_X}) {
    PressKey(key);
  }
  PressKey(Qt::Key_V, Qt::ControlModifier);
  PressKey(Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(window->Data()->Buffer.Bytes(), bytes);
  QCOMPARE(window->Data()->UndoList.size(), undoSteps);
  if (tab == kBasic) {
    // Ctrl+C copies the selected lines, Ctrl+A then Ctrl+C the whole listing.
    PressKey(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(),
             select.isEmpty() ? QString("XY") : printed_.mid(1, 2).join('\n'));
    PressKey(Qt::Key_A, Qt::ControlModifier);
    PressKey(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), printed_.join('\n'));
  }
}

QTEST_MAIN(TestInspectorListings)
#include "test_inspector_listings.moc"
