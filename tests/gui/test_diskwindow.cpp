// SPDX-License-Identifier: GPL-3.0-or-later
// The disk window: grid contents, status bars, caption, painting and the mouse and
// keyboard selection rules, driven by real mouse and key events.
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "app/KestrowMain.h"
#include "diskwindow/DFSDisk.h"
#include "platform/ScriptedPrompts.h"
#include "support/ImageBuilder.h"
#include "support_gui/MainFrameFixture.h"
#include "support_gui/MainFrameHelpers.h"

namespace {

ImageEntry File(const std::string& name, uint32_t startSector, uint32_t length = 0x100) {
  ImageEntry entry;
  entry.name = name;
  entry.startSector = startSector;
  entry.length = length;
  return entry;
}

// An 80-track image with count one-sector files A, B, C, ... from sector 2 on.
ImageBuilder Files(int count) {
  return ImageBuilder(800).AddLetterFiles(count);
}

QStringList PanelTexts(const TDFSDiskFrm* window) {
  QStringList texts;
  for (const QLabel* panel : window->StatusPanels) {
    texts << panel->text();
  }
  for (const QLabel* panel : window->StatusBar1Panels) {
    texts << panel->text();
  }
  return texts;
}

// Runs a gesture script on window: "cN" plain press on file row N, "CN" Ctrl, "SN" Shift,
// "XN" Ctrl+Shift, "rN" right button, "b" below the last row, "t" the title row,
// "U"/"D" the Up/Down keys.
void RunGestures(TDFSDiskFrm* window, const QString& script) {
  for (const QString& step : script.split(' ', Qt::SkipEmptyParts)) {
    const QChar kind = step[0];
    const int row = step.mid(1).toInt();
    if (kind == 'c') {
      ClickGridRow(window, row);
    } else if (kind == 'C') {
      ClickGridRow(window, row, Qt::ControlModifier);
    } else if (kind == 'S') {
      ClickGridRow(window, row, Qt::ShiftModifier);
    } else if (kind == 'X') {
      ClickGridRow(window, row, Qt::ControlModifier | Qt::ShiftModifier);
    } else if (kind == 'r') {
      ClickGridRow(window, row, Qt::NoModifier, Qt::RightButton);
    } else if (kind == 'b') {
      ClickGridRow(window, window->ListedFiles + 1);
    } else if (kind == 't') {
      ClickGridRow(window, 0);
    } else if (kind == 'U' || kind == 'D') {
      QTest::keyClick(window->DFSFiles, kind == 'U' ? Qt::Key_Up : Qt::Key_Down);
    } else {
      QFAIL(qPrintable("unknown gesture " + step));
    }
  }
}

}  // namespace

class DiskWindowTest : public MainFrameFixture {
  Q_OBJECT

 public:
  DiskWindowTest() : MainFrameFixture(LeftoverMessages::Fail) {}

 private slots:
  void statusBars_data() {
    QTest::addColumn<QString>("image");
    QTest::addColumn<QStringList>("panels");
    QTest::newRow("80 tracks, no files")
        << "empty80"
        << QStringList{"0 files",        "Boot Opt 0 (Off)",  "80 track (200K) DFS Disk",
                       "512 bytes used", "204288 bytes free", "Largest block: 204288 bytes"};
    QTest::newRow("40 tracks, one file after a gap")
        << "one40"
        << QStringList{"1 file",          "Boot Opt 3 (Exec)", "40 track (100K) DFS Disk",
                       "1280 bytes used", "101120 bytes free", "Largest block: 99072 bytes"};
    QTest::newRow("31 files, boot option 2")
        << "full80"
        << QStringList{"31 files",        "Boot Opt 2 (Run)",  "80 track (200K) DFS Disk",
                       "8448 bytes used", "196352 bytes free", "Largest block: 196352 bytes"};
    QTest::newRow("split free space, boot option 1")
        << "split80"
        << QStringList{"2 files",         "Boot Opt 1 (Load)", "80 track (200K) DFS Disk",
                       "1024 bytes used", "203776 bytes free", "Largest block: 178944 bytes"};
    QTest::newRow("Watford 62-file, both catalogues full")
        << "watford62"
        << QStringList{"62 files",         "Boot Opt 0 (Off)",  "80 track (200K) Watford 62-file",
                       "16896 bytes used", "187904 bytes free", "Largest block: 187904 bytes"};
  }
  void statusBars() {
    QFETCH(QString, image);
    QFETCH(QStringList, panels);
    ImageBuilder builder(800);
    if (image == "one40") {
      builder = ImageBuilder(400);
      builder.BootOption(3).AddEntry(File("LONE", 10, 0x300));
    } else if (image == "full80") {
      builder = Files(31);
      builder.BootOption(2);
    } else if (image == "split80") {
      // Free: 2 sectors before FIRST, 95 between, and 699 after SECOND.
      builder.BootOption(1).AddEntry(File("FIRST", 4)).AddEntry(File("SECOND", 100));
    } else if (image == "watford62") {
      // Sectors 0-3 hold the two catalogues; 62 one-sector files follow.
      builder.Watford62();
      for (int index = 0; index < 62; ++index) {
        ImageEntry file = File("F" + std::to_string(index), uint32_t(4 + index));
        index < 31 ? builder.AddEntry(file) : builder.AddSecondEntry(file);
      }
    }
    TDFSDiskFrm* window = Frame().NewDFSFiler(builder.WriteToTemp(dir_, "status.ssd"));
    QVERIFY(window != nullptr);
    QCOMPARE(PanelTexts(window), panels);
    QCOMPARE(window->ListedFiles, window->DFSFiles->rowCount());
    QCoreApplication::processEvents();
    for (const auto* bar : {&window->StatusPanels, &window->StatusBar1Panels}) {
      for (const QLabel* panel : *bar) {
        QVERIFY2(
            panel->fontMetrics().horizontalAdvance(panel->text()) <= panel->contentsRect().width(),
            qPrintable(panel->text() + " is cut off"));
      }
    }
    CloseChild(window);
  }

  // Disk, New disk (Watford 62-file) writes and opens a blank disk with both catalogues.
  void newWatfordDisk() {
    const std::string path = dir_.filePath("watford.ssd").toStdString();
    const QList<QAction*> items = Frame().DiskMnu->actions();
    QCOMPARE(items.indexOf(Frame().NewWatfordFileMnuItem),
             items.indexOf(Frame().NewDSDFileMnuItem) + 1);
    QCOMPARE(Frame().NewWatfordFileMnuItem->text(), QString("New disk (Watford 62-file)"));
    Prompts().QueueFileName(path);
    ClickMenuItem(Frame(), Frame().DiskMnu, Frame().NewWatfordFileMnuItem);
    QCOMPARE(Prompts().Events().at(0).text, std::string("single sided disk|*.ssd"));
    Prompts().Clear();
    const std::vector<uint8_t> image = ReadHostFile(path);
    QCOMPARE(image.size(), size_t(1024));
    QCOMPARE(std::vector<uint8_t>(image.begin() + 512, image.begin() + 520),
             std::vector<uint8_t>(8, 0xAA));
    auto* window = qobject_cast<TDFSDiskFrm*>(Frame().ActiveChild());
    QVERIFY(window != nullptr);
    QCOMPARE(PanelTexts(window),
             (QStringList{"0 files", "Boot Opt 0 (Off)", "80 track (200K) Watford 62-file",
                          "1024 bytes used", "203776 bytes free", "Largest block: 203776 bytes"}));
    CloseChild(window);
  }

  void statusPanelsKeepToThemselvesWhenTiled_data() {
    QTest::addColumn<int>("windows");
    QTest::newRow("one window") << 1;
    QTest::newRow("three side by side") << 3;
    QTest::newRow("five side by side") << 5;
    QTest::newRow("eight side by side") << 8;
  }
  void statusPanelsKeepToThemselvesWhenTiled() {
    QFETCH(int, windows);
    std::vector<TDFSDiskFrm*> opened;
    for (int number = 0; number < windows; ++number) {
      const std::string name = "tiled" + std::to_string(number) + ".ssd";
      opened.push_back(Frame().NewDFSFiler(Files(3).WriteToTemp(dir_, name)));
      QVERIFY(opened.back() != nullptr);
    }
    Frame().TileVMnuItem->trigger();
    QCoreApplication::processEvents();
    for (TDFSDiskFrm* window : opened) {
      for (TDFSDiskFrm* other : opened) {
        QVERIFY2(other == window || !other->geometry().intersects(window->geometry()),
                 "tiled windows overlap");
      }
      for (const auto* bar : {&window->StatusPanels, &window->StatusBar1Panels}) {
        const QRect barRect = bar->front()->parentWidget()->rect();
        for (size_t panel = 0; panel < bar->size(); ++panel) {
          const QRect rect = (*bar)[panel]->geometry();
          QVERIFY2(barRect.contains(rect) || rect.isEmpty(),
                   qPrintable((*bar)[panel]->text() + " runs out of its status bar"));
          if (panel > 0) {
            QVERIFY2(!rect.intersects((*bar)[panel - 1]->geometry()),
                     qPrintable((*bar)[panel]->text() + " overlaps the panel before it"));
          }
        }
      }
    }
  }

  void gridShowsEveryColumn() {
    ImageEntry locked;
    locked.directory = 'B';
    locked.name = "HELLO";
    locked.load = 0xFF1900;
    locked.exec = 0x8023;
    locked.length = 0x1234;
    locked.startSector = 0x2A;
    locked.locked = true;
    ImageEntry plain = File("$X", 0x100, 0x10);
    const std::string path =
        ImageBuilder(800).AddEntry(locked).AddEntry(plain).WriteToTemp(dir_, "cells.ssd");
    TDFSDiskFrm* window = Frame().NewDFSFiler(path);
    QVERIFY(window != nullptr);
    const QStringList expected[] = {
        {"Dir.", "File name ", "Att.", "Load", "Exec", "Size", "Sector"},
        {"B", "HELLO  ", "L", "FF1900", "008023", "001234", "02A"},
        {"$", "$X     ", " ", "000000", "000000", "000010", "100"}};
    QCOMPARE(window->GridRowCount(), 3);
    for (int row = 0; row < 3; ++row) {
      QStringList cells;
      for (int column = 0; column < TDFSDiskFrm::kColumnCount; ++column) {
        cells << window->Cells(column, row);
      }
      QCOMPARE(cells, expected[row]);
    }
    QCOMPARE(window->windowTitle(), "Untitled disk " + QString::fromStdString(path));
  }

  void selectionRules_data() {
    QTest::addColumn<QString>("gestures");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<int>("anchor");
    QTest::newRow("plain press selects one") << "c2"
                                             << "01000" << 1;
    QTest::newRow("plain press replaces") << "c2 c4"
                                          << "00010" << 3;
    QTest::newRow("ctrl adds and anchors") << "c2 C4"
                                           << "01010" << 3;
    QTest::newRow("ctrl deselects, no anchor") << "c2 C4 C4"
                                               << "01000" << -1;
    QTest::newRow("ctrl+shift acts as ctrl") << "c1 X3"
                                             << "10100" << 2;
    QTest::newRow("shift on unselected replaces") << "c2 C5 S3"
                                                  << "00111" << 4;
    QTest::newRow("shift on selected keeps the rest") << "c1 C3 C5 S3"
                                                      << "10111" << 4;
    QTest::newRow("shift upwards from anchor") << "c4 S2"
                                               << "01110" << 3;
    QTest::newRow("shift without anchor is plain") << "c2 C2 S4"
                                                   << "00010" << 3;
    QTest::newRow("press on selected keeps all") << "c1 C3 c3"
                                                 << "10100" << 2;
    QTest::newRow("right button selects too") << "r3"
                                              << "00100" << 2;
    QTest::newRow("below last row clears") << "c1 C3 b"
                                           << "00000" << 2;
    QTest::newRow("title row keeps") << "c1 C3 t"
                                     << "10100" << 2;
    QTest::newRow("down from new window's anchor") << "D"
                                                   << "01000" << 1;
    QTest::newRow("down moves from anchor") << "c2 D"
                                            << "00100" << 2;
    QTest::newRow("down counts from anchor, not the last press") << "c1 C3 c1 D"
                                                                 << "00010" << 3;
    QTest::newRow("down from ctrl anchor") << "c1 C4 D"
                                           << "00001" << 4;
    QTest::newRow("up at first row stays") << "c1 U"
                                           << "10000" << 0;
    QTest::newRow("down at last row stays") << "c5 D"
                                            << "00001" << 4;
    QTest::newRow("up without anchor selects first") << "c2 C2 U"
                                                     << "10000" << 0;
    QTest::newRow("down without anchor selects first") << "c2 C2 D"
                                                       << "10000" << 0;
  }
  void selectionRules() {
    QFETCH(QString, gestures);
    QFETCH(QString, selected);
    QFETCH(int, anchor);
    TDFSDiskFrm* window = Frame().NewDFSFiler(Files(5).WriteToTemp(dir_, "select.ssd"));
    QVERIFY(window != nullptr);
    RunGestures(window, gestures);
    QCOMPARE(QString::fromStdString(SelectionMarkup(window)), selected);
    QCOMPARE(window->AnchorRow, anchor);
    QCOMPARE(window->SelectedFilesCount(), selected.count('1'));
  }

  void pressOnSelectedRowMarksClickedSelected() {
    TDFSDiskFrm* window = Frame().NewDFSFiler(Files(3).WriteToTemp(dir_, "clicked.ssd"));
    RunGestures(window, "c2");
    QVERIFY(!window->ClickedSelected);
    RunGestures(window, "c2");
    QVERIFY(window->ClickedSelected);
    RunGestures(window, "C2");
    QVERIFY(!window->ClickedSelected);
  }

  void anchorBeyondShorterListIsClamped_data() {
    QTest::addColumn<QString>("gestures");
    QTest::addColumn<QString>("selected");
    QTest::newRow("shift") << "S1"
                           << "111";
    QTest::newRow("down") << "D"
                          << "001";
    QTest::newRow("up") << "U"
                        << "001";
  }
  void anchorBeyondShorterListIsClamped() {
    QFETCH(QString, gestures);
    QFETCH(QString, selected);
    TDFSDiskFrm* window = Frame().NewDFSFiler(Files(5).WriteToTemp(dir_, "shrink.ssd"));
    RunGestures(window, "c5");
    QVERIFY(window->Disk()->DeleteFile('$', PadRight("D", 7)));
    QVERIFY(window->Disk()->DeleteFile('$', PadRight("E", 7)));
    window->Init();
    QCOMPARE(QString::fromStdString(SelectionMarkup(window)), QString("000"));
    QCOMPARE(window->AnchorRow, 4);
    RunGestures(window, gestures);
    QCOMPARE(QString::fromStdString(SelectionMarkup(window)), selected);
  }

  void keysOnEmptyDiskDoNothing() {
    TDFSDiskFrm* window = Frame().NewDFSFiler(ImageBuilder(800).WriteToTemp(dir_, "e.ssd"));
    RunGestures(window, "D U b");
    QVERIFY(window->SelectedRows.empty());
    QCOMPARE(window->AnchorRow, 0);
  }

  void downMovesTheCurrentRowAlong() {
    TDFSDiskFrm* window = Frame().NewDFSFiler(Files(4).WriteToTemp(dir_, "current.ssd"));
    QCOMPARE(window->CurrentGridRow(), -1);
    RunGestures(window, "c1 D D");
    QCOMPARE(window->CurrentGridRow(), 3);
    QCOMPARE(QString::fromStdString(SelectionMarkup(window)), QString("0010"));
  }

  void refillClearsSelection() {
    TDFSDiskFrm* window = Frame().NewDFSFiler(Files(3).WriteToTemp(dir_, "refill.ssd"));
    RunGestures(window, "c1 C3");
    window->Init();
    QCOMPARE(QString::fromStdString(SelectionMarkup(window)), QString("000"));
    QCOMPARE(window->CurrentGridRow(), -1);
  }

  // Selected rows are painted navy from SelectedRows; the grid's current cell (the last
  // clicked one) is never highlighted on its own.
  void paintsSelectionFromSelectedRows() {
    TDFSDiskFrm* window = Frame().NewDFSFiler(Files(3).WriteToTemp(dir_, "paint.ssd"));
    window->resize(365, 300);
    RunGestures(window, "c1 C3 C1");
    QCOMPARE(window->CurrentGridRow(), 1);
    const QImage image = window->DFSFiles->viewport()->grab().toImage();
    auto colourAt = [&](int row) {
      const QRect cell = window->FileRowRect(row, 5);
      return image.pixelColor(cell.left() + 1, cell.top() + 1);
    };
    const QColor base = window->DFSFiles->palette().color(QPalette::Base);
    QCOMPARE(colourAt(1), base);
    QCOMPARE(colourAt(2), base);
    QCOMPARE(colourAt(3), QColor(0, 0, 128));
  }

  void selectAllSelectsEveryRow() {
    TDFSDiskFrm* window = Frame().NewDFSFiler(Files(4).WriteToTemp(dir_, "all.ssd"));
    window->DFSFiles->setFocus();
    QTest::keyClick(&Frame(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(QString::fromStdString(SelectionMarkup(window)), QString("1111"));
  }
};

KESTROW_GUI_TEST_MAIN(DiskWindowTest)
#include "test_diskwindow.moc"
