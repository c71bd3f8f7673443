// SPDX-License-Identifier: GPL-3.0-or-later
// The inspector's Assembler tab driven by real mouse and key events: the lines and their
// copy are what kestrow-dfs disasm prints, a click on a label operand jumps to its line
// and Alt+Left goes back, the CPU choice of one window, "Disassemble from here" in the
// Hex tab's context menu, an edit in Hex disassembled at once, a double-click showing a
// line's first byte in Hex, Find, and the colours of the parts of a line.
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTabBar>
#include <QTemporaryDir>
#include <QtTest>

#include "inspector/AssemblerTab.h"
#include "inspector/FileInspector.h"
#include "inspector/Find.h"
#include "inspector/InspectorListings.h"
#include "inspector/ListingView.h"
#include "inspector/SScrollBar.h"
#include "support/CliRunner.h"
#include "support/ImageBuilder.h"
#include "support_gui/InspectorTestSupport.h"
#include "support_gui/MainFrameHelpers.h"

namespace {

const int kAssembler = InspectorListings::kAssemblerTab;
const uint32_t kLoad = 0x1900;

// At &1900: a call to a subroutine at &1B00, an OSBYTE call and a jump back. Between them
// a table of 501 bytes that nothing reaches. At &1B00 a loop over the table, then
// 80 01 (BRA on the 65C02, no instruction on the 6502), NOP and RTS.
std::vector<uint8_t> Program() {
  std::vector<uint8_t> bytes = {0x20, 0x00, 0x1B, 0xA9, 0x81, 0x20, 0xF4, 0xFF, 0x4C, 0x00, 0x19};
  const std::vector<uint8_t> table = PatternBytes(size_t(0x1B00 - 0x190B), uint32_t(7));
  bytes.insert(bytes.end(), table.begin(), table.end());
  bytes.insert(bytes.end(),
               {0xA2, 0x00, 0xBD, 0x0B, 0x19, 0xE8, 0xD0, 0xFA, 0x80, 0x01, 0xEA, 0x60});
  return bytes;
}

ListingView* Assembler(TFileInspectorFrm* window) {
  return window->Listings()->ViewOfTab(kAssembler);
}

// The first line whose text holds part; fails the test when there is none.
int LineWith(const ListingView* view, const QString& part) {
  for (size_t line = 0; line < view->Lines().size(); ++line) {
    if (QString::fromStdString(view->Lines()[line].text).contains(part)) {
      return int(line);
    }
  }
  qWarning("no line holds %s", qPrintable(part));
  return -1;
}

QString SelectedText(const ListingView* view) {
  return view->HasSelection()
             ? QString::fromStdString(view->Lines().at(size_t(view->FirstSelected())).text)
             : QString();
}

// The middle of the characters word in the line, scrolled into view first.
QPoint WordCentre(ListingView* view, int line, const QString& word) {
  view->EnsureVisible(line);
  const int column = int(QString::fromStdString(view->Lines().at(size_t(line)).text).indexOf(word));
  return {4 + column * view->CharWidth() + int(word.size()) * view->CharWidth() / 2,
          view->LineTop(line) + view->RowHeight() / 2};
}

bool LineInView(const ListingView* view, int line) {
  return view->LineTop(line) >= 0 &&
         view->LineTop(line) + view->RowHeight() <= view->TextArea().height();
}

// An inspector on the program at &1900, in an active MDI area, showing the Assembler tab.
struct OpenProgram {
  explicit OpenProgram(std::vector<uint8_t> bytes = Program(), int windows = 1)
      : file(std::move(bytes)) {
    file.Data->OriginalLoadAddress = int32_t(kLoad);
    file.Data->OriginalExecAddress = int32_t(kLoad);
    for (int number = 1; number <= windows; ++number) {
      window = desk.Open(*file.Data, number);
      QTest::mouseClick(window->Tab, Qt::LeftButton, {}, window->Tab->tabRect(kAssembler).center());
      all.push_back(window);
    }
    window = all.front();
    desk.Area().setActiveSubWindow(window);
    desk.Area().activateWindow();
    if (!QTest::qWaitForWindowActive(&desk.Area())) {
      qWarning("the inspector's MDI area did not become active");
    }
    Assembler(window)->setFocus();
  }
  InspectedFile file;
  InspectorDesk desk;
  TFileInspectorFrm* window = nullptr;
  std::vector<TFileInspectorFrm*> all;
};

QStringList Texts(const ListingView* view) {
  QStringList texts;
  for (const ListingLine& line : view->Lines()) {
    texts << QString::fromStdString(line.text);
  }
  return texts;
}

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

class TestInspectorAssembler : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  std::string imagePath_;
  // What kestrow-dfs disasm prints for the program, line by line, by CPU.
  std::map<QString, QStringList> printed_;

 private slots:
  void initTestCase();
  void cpuChoice_data();
  void cpuChoice();
  void selectingAndCopying_data();
  void selectingAndCopying();
  void jumpAndBack_data();
  void jumpAndBack();
  void disassembleFromHere_data();
  void disassembleFromHere();
  void hexEditsAreDisassembledAtOnce();
  void lineShownInHex_data();
  void lineShownInHex();
  void findInTheDisassembly();
  void partsPaintedInTheirColours();
};

void TestInspectorAssembler::initTestCase() {
  QVERIFY(dir_.isValid());
  const std::vector<uint8_t> program = Program();
  ImageBuilder image;
  image.Title("ASSEMBLER");
  image.AddEntry({'$', "PROG", kLoad, kLoad, uint32_t(program.size()), 2}).FileData(2, program);
  imagePath_ = image.WriteToTemp(dir_, "assembler.ssd");
  for (const QString cpu : {"6502", "65c02"}) {
    const CliResult printed =
        RunCli({"disasm", QString::fromStdString(imagePath_), "PROG", "--cpu", cpu});
    QCOMPARE(printed.exitCode, 0);
    QStringList lines = QString::fromLatin1(printed.out).split('\n');
    QCOMPARE(lines.takeLast(), QString());  // the last line's line feed
    printed_[cpu] = lines;
  }
  QVERIFY(printed_["6502"] != printed_["65c02"]);
}

void TestInspectorAssembler::cpuChoice_data() {
  QTest::addColumn<QList<int>>("keys");  // pressed on the CPU choice
  QTest::addColumn<QString>("cpu");
  QTest::addColumn<QString>("line");  // the line at &1B08
  QTest::newRow("opens on the 6502") << QList<int>{} << "6502"
                                     << "1B08  80 01 EA 60  EQUB &80,&01,&EA,&60";
  QTest::newRow("Down: the 65C02") << QList<int>{Qt::Key_Down} << "65c02"
                                   << "1B08  80 01     BRA L1B0B";
  QTest::newRow("Down, Up: the 6502 again") << QList<int>{Qt::Key_Down, Qt::Key_Up} << "6502"
                                            << "1B08  80 01 EA 60  EQUB &80,&01,&EA,&60";
}

// The choice sits above the lines and changes this window's lines only.
void TestInspectorAssembler::cpuChoice() {
  QFETCH(QList<int>, keys);
  QFETCH(QString, cpu);
  QFETCH(QString, line);
  OpenProgram open(Program(), 2);
  QComboBox* choice = open.window->Listings()->Assembler()->CpuChoice();
  QVERIFY(choice->isVisible());
  QVERIFY(choice->mapTo(open.window, QPoint(0, choice->height())).y() <=
          Assembler(open.window)->mapTo(open.window, QPoint(0, 0)).y());
  QTest::mouseClick(choice, Qt::LeftButton);  // opens the list: Escape closes it again
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
  for (int key : keys) {
    QTest::keyClick(choice, Qt::Key(key));
  }
  ListingView* view = Assembler(open.window);
  view->repaint();
  QCOMPARE(Texts(view), printed_[cpu]);
  QCOMPARE(SelectedText(view), QString());
  QVERIFY(Texts(view).contains(line));
  // The other window on the same file keeps its own choice.
  ListingView* other = Assembler(open.all.at(1));
  other->repaint();
  QCOMPARE(open.all.at(1)->Listings()->Assembler()->CpuChoice()->currentText(), "6502");
  QCOMPARE(Texts(other), printed_["6502"]);
}

void TestInspectorAssembler::selectingAndCopying_data() {
  QTest::addColumn<QString>("from");  // clicked, then Shift+clicked
  QTest::addColumn<QString>("to");
  QTest::newRow("one instruction") << "LDA #&81"
                                   << "LDA #&81";
  QTest::newRow("a label line to the call after it") << ".L1900"
                                                     << "JSR L1B00";
  QTest::newRow("upwards, with the comment") << "JMP L1900"
                                             << "LDA #&81";
  QTest::newRow("into the data table") << "JMP L1900"
                                       << "1913  ";
}

// Clicks on a line's address (never on a link) select; the copy is the printed lines.
void TestInspectorAssembler::selectingAndCopying() {
  QFETCH(QString, from);
  QFETCH(QString, to);
  OpenProgram open;
  ListingView* view = Assembler(open.window);
  const int first = LineWith(view, from);
  const int last = LineWith(view, to);
  QTest::mouseClick(
      view, Qt::LeftButton, {},
      WordCentre(view, first, view->Lines()[size_t(first)].text.substr(0, 1).c_str()));
  QTest::mouseClick(view, Qt::LeftButton, Qt::ShiftModifier,
                    WordCentre(view, last, view->Lines()[size_t(last)].text.substr(0, 1).c_str()));
  QCOMPARE(view->FirstSelected(), std::min(first, last));
  QCOMPARE(view->LastSelected(), std::max(first, last));
  QCOMPARE(view->BackSteps(), size_t(0));
  QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
  open.window->CopyBytes();
  QCOMPARE(QApplication::clipboard()->text(),
           printed_["6502"].mid(std::min(first, last), std::abs(last - first) + 1).join('\n'));
  QCOMPARE(open.file.Data->SelStart, -1);
}

void TestInspectorAssembler::jumpAndBack_data() {
  // Steps: "L:text" clicks the label operand of the line holding text, "M:text" the
  // mnemonic of that line, "B" is Alt+Left.
  QTest::addColumn<QStringList>("steps");
  QTest::addColumn<QString>("selected");  // the selected line's text, empty for none
  QTest::addColumn<int>("backSteps");
  QTest::newRow("a call down the file") << QStringList{"L:JSR L1B00"} << ".L1B00" << 1;
  QTest::newRow("a jump up the file") << QStringList{"L:JMP L1900"} << ".L1900" << 1;
  QTest::newRow("a branch back") << QStringList{"L:BNE L1B02"} << ".L1B02" << 1;
  QTest::newRow("call, then branch") << QStringList{"L:JSR L1B00", "L:BNE L1B02"} << ".L1B02" << 2;
  QTest::newRow("call, branch, back")
      << QStringList{"L:JSR L1B00", "L:BNE L1B02", "B"} << "1B06  D0 FA     BNE L1B02" << 1;
  QTest::newRow("back twice to the start")
      << QStringList{"L:JSR L1B00", "L:BNE L1B02", "B", "B"} << "1900  20 00 1B  JSR L1B00" << 0;
  QTest::newRow("back once too often stays")
      << QStringList{"L:JSR L1B00", "B", "B"} << "1900  20 00 1B  JSR L1B00" << 0;
  QTest::newRow("back with nowhere to go") << QStringList{"B"} << "" << 0;
  QTest::newRow("a MOS name is no link")
      << QStringList{"L:JSR OSBYTE"} << "1905  20 F4 FF  JSR OSBYTE" << 0;
  QTest::newRow("the mnemonic selects its line")
      << QStringList{"M:JSR L1B00"} << "1900  20 00 1B  JSR L1B00" << 0;
}

void TestInspectorAssembler::jumpAndBack() {
  QFETCH(QStringList, steps);
  QFETCH(QString, selected);
  QFETCH(int, backSteps);
  OpenProgram open;
  ListingView* view = Assembler(open.window);
  for (const QString& step : steps) {
    if (step == "B") {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left, Qt::AltModifier);
      continue;
    }
    const QString text = step.mid(2);
    const int line = LineWith(view, text);
    QVERIFY(line >= 0);
    const QString word = step.startsWith("L:") ? text.section(' ', 1) : text.section(' ', 0, 0);
    const QPoint point = WordCentre(view, line, word);
    QTest::mouseMove(view, point);
    QCOMPARE(view->cursor().shape(), step.startsWith("L:") && word.startsWith('L')
                                         ? Qt::PointingHandCursor
                                         : Qt::ArrowCursor);
    QTest::mouseClick(view, Qt::LeftButton, {}, point);
  }
  QCOMPARE(SelectedText(view), selected);
  QCOMPARE(int(view->BackSteps()), backSteps);
  if (view->HasSelection()) {
    QVERIFY(LineInView(view, view->FirstSelected()));
  }
  QCOMPARE(QApplication::focusWidget(), view);
}

void TestInspectorAssembler::disassembleFromHere_data() {
  QTest::addColumn<int>("caret");  // -1 for none; the size for the end position
  QTest::addColumn<bool>("enabled");
  QTest::addColumn<QString>("selected");
  QTest::newRow("the NOP after the 6502's data") << 0x20A << true << "1B0A  EA        NOP";
  QTest::newRow("inside the data") << 0x209 << true << "1B09  01 EA     ORA (&EA,X)";
  QTest::newRow("no caret") << -1 << false << "";
  QTest::newRow("the end position") << int(Program().size()) << false << "";
}

// A right click in the Hex tab offers "Disassemble from here" on the caret's byte.
void TestInspectorAssembler::disassembleFromHere() {
  QFETCH(int, caret);
  QFETCH(bool, enabled);
  QFETCH(QString, selected);
  OpenProgram open;
  TFileInspectorFrm* window = open.window;
  QTest::mouseClick(window->Tab, Qt::LeftButton, {}, window->Tab->tabRect(0).center());
  if (caret >= 0 && caret < int(open.file.Data->Buffer.Size())) {
    window->ScrollToShow(caret);
    QTest::mouseClick(window->View(), Qt::LeftButton, {}, HexCellCentre(*window, caret));
  } else if (caret >= 0) {
    open.file.Data->SelStart = open.file.Data->SelEnd = caret;
  }
  QCOMPARE(open.file.Data->SelStart, caret);
  const QPoint where(60, 60);
  QContextMenuEvent rightClick(QContextMenuEvent::Mouse, where, window->View()->mapToGlobal(where));
  QApplication::sendEvent(window->View(), &rightClick);
  QMenu* menu = window->Listings()->HexMenu();
  QTRY_VERIFY(menu->isVisible());
  QCOMPARE(menu->actions().size(), 1);
  QAction* item = menu->actions().at(0);
  QCOMPARE(item->text(), "Disassemble from here");
  QCOMPARE(item->isEnabled(), enabled);
  QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
  if (!enabled) {
    QTest::keyClick(menu, Qt::Key_Escape);
    QTRY_VERIFY(!menu->isVisible());
    QCOMPARE(window->Tab->currentIndex(), 0);
    QCOMPARE(open.window->Listings()->Assembler()->EntryOffsets().size(), size_t(0));
    return;
  }
  QTRY_VERIFY(!menu->isVisible());
  QCOMPARE(window->Tab->currentIndex(), kAssembler);
  ListingView* view = Assembler(window);
  QCOMPARE(SelectedText(view), selected);
  QCOMPARE(view->Lines().at(size_t(view->FirstSelected())).offset, caret);
  QVERIFY(LineInView(view, view->FirstSelected()));
  // The bytes and their caret are left as they were.
  QCOMPARE(open.file.Data->Buffer.Bytes(), Program());
  QCOMPARE(open.file.Data->SelStart, caret);
}

void TestInspectorAssembler::hexEditsAreDisassembledAtOnce() {
  OpenProgram open(Program(), 2);
  TFileInspectorFrm* hex = open.all.at(1);
  QTest::mouseClick(hex->Tab, Qt::LeftButton, {}, hex->Tab->tabRect(0).center());
  ListingView* view = Assembler(open.window);
  const QString before = "1903  A9 81     LDA #&81  ; Read key with time limit";
  QTRY_VERIFY(Texts(view).contains(before));
  TypeHex(hex, 4, "00");
  QTRY_VERIFY(Texts(view).contains("1903  A9 00     LDA #&00  ; Read OS version"));
  // The call becomes data: JMP &1900 after it is then the only way to the label.
  TypeHex(hex, 0, "00");
  QTRY_VERIFY(Texts(view).contains("1900  00        BRK"));
  while (!open.file.Data->UndoList.empty()) {
    hex->Undo();
  }
  QTRY_COMPARE(Texts(view), printed_["6502"]);
}

void TestInspectorAssembler::lineShownInHex_data() {
  QTest::addColumn<QString>("line");
  QTest::addColumn<int>("offset");
  QTest::newRow("a label line: the byte it labels") << ".L1B00" << 0x200;
  QTest::newRow("an instruction") << "BNE L1B02" << 0x206;
  QTest::newRow("a data line") << "EQUB &80" << 0x208;
}

void TestInspectorAssembler::lineShownInHex() {
  QFETCH(QString, line);
  QFETCH(int, offset);
  OpenProgram open;
  ListingView* view = Assembler(open.window);
  const int index = LineWith(view, line);
  QTest::mouseDClick(view, Qt::LeftButton, {}, WordCentre(view, index, line.left(1)));
  QCOMPARE(open.window->Tab->currentIndex(), 0);
  QCOMPARE(open.file.Data->SelStart, offset);
  QCOMPARE(open.file.Data->SelEnd, offset);
  QCOMPARE(QApplication::focusWidget(), open.window->View());
}

void TestInspectorAssembler::findInTheDisassembly() {
  TFindFrm form;
  form.AlphaEdit->setText("jsr");
  form.IgnoreCaseChk->setChecked(true);
  OpenProgram open;
  open.window->Find(form);
  ListingView* view = Assembler(open.window);
  QCOMPARE(SelectedText(view), "1900  20 00 1B  JSR L1B00");
  open.window->FindAgain(form);
  QCOMPARE(SelectedText(view), "1905  20 F4 FF  JSR OSBYTE");
  QCOMPARE(open.file.Data->SelStart, -1);
}

// Addresses, bytes, mnemonics, operands, labels and comments each have a colour of their
// own, none of them the plain text's black.
void TestInspectorAssembler::partsPaintedInTheirColours() {
  OpenProgram open;
  ListingView* view = Assembler(open.window);
  QTest::qWait(0);
  if (qEnvironmentVariableIsSet("KESTROW_SCREENSHOT")) {
    open.window->resize(640, 420);
    QTest::mouseClick(view, Qt::LeftButton, {}, WordCentre(view, 4, "1"));
    QTest::mouseClick(view, Qt::LeftButton, Qt::ShiftModifier, WordCentre(view, 5, "1"));
    QTest::mouseMove(view, WordCentre(view, 1, "L1B00"));
    open.window->grab().save(qEnvironmentVariable("KESTROW_SCREENSHOT"));
    view->ClearSelection();
  }
  const QImage image = view->grab().toImage();
  std::map<SpanKind, QColor> colours;
  for (int line = 0; line < 6; ++line) {
    for (const ListingSpan& span : view->Lines()[size_t(line)].spans) {
      const QRect cells(4 + int(span.start) * view->CharWidth(), view->LineTop(line) + 1,
                        int(span.length) * view->CharWidth(), view->RowHeight() - 3);
      colours[span.kind] = Darkest(image, cells);
    }
  }
  const std::vector<SpanKind> kinds = {SpanKind::Address, SpanKind::Bytes, SpanKind::Mnemonic,
                                       SpanKind::Operand, SpanKind::Label, SpanKind::Comment};
  for (SpanKind kind : kinds) {
    QVERIFY2(colours.count(kind) != 0, "a part of a line is missing from the first lines");
    QVERIFY(colours[kind].lightness() < 200);
    QVERIFY(colours[kind] != QColor(Qt::black));
    for (SpanKind other : kinds) {
      QVERIFY(kind == other || colours[kind] != colours[other]);
    }
  }
}

QTEST_MAIN(TestInspectorAssembler)
#include "test_inspector_assembler.moc"
