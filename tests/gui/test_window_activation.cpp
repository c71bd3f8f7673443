// SPDX-License-Identifier: GPL-3.0-or-later
// Which child window is active: a new window takes the keyboard focus at once, and
// closing the front window brings the one activated before it back to the front.
#include <QApplication>
#include <QMdiArea>
#include <QTest>

#include "app/KestrowMain.h"
#include "diskwindow/DFSDisk.h"
#include "inspector/FileInspector.h"
#include "inspector/SScrollBar.h"
#include "support/ImageBuilder.h"
#include "support_gui/MainFrameFixture.h"
#include "support_gui/MainFrameHelpers.h"

namespace {

// Window numbers in a script are 1-based positions in the order the windows opened.
QList<int> Numbers(const QString& script) {
  QList<int> numbers;
  for (const QString& number : script.split(' ', Qt::SkipEmptyParts)) {
    numbers << number.toInt();
  }
  return numbers;
}

}  // namespace

class WindowActivationTest : public MainFrameFixture {
  Q_OBJECT

 private slots:
  void newDiskWindowTakesTheKeys() {
    TDFSDiskFrm* window = OpenDisk(WriteImage("keys.ssd"));
    // A key goes wherever the focus is, as a key typed by the user does.
    QTest::keyClick(Frame().windowHandle(), Qt::Key_Down);
    QCOMPARE(SelectionMarkup(window), std::string("010"));
  }

  void newInspectorTakesTheKeys() {
    // A 4 KB file: more rows than the window shows.
    ImageEntry entry;
    entry.name = "BIG";
    entry.length = 4096;
    const std::string image = ImageBuilder(800)
                                  .AddEntry(entry)
                                  .FileData(2, std::vector<uint8_t>(4096, 0x41))
                                  .WriteToTemp(dir_, "keys.ssd");
    TDFSDiskFrm* disk = OpenDisk(image);
    const std::vector<TFileInspectorFrm*> opened = OpenInspectors(Frame(), disk, "1");
    QCOMPARE(opened.size(), size_t{1});
    QTest::keyClick(Frame().windowHandle(), Qt::Key_PageDown);
    QVERIFY2(opened.front()->VScrollBar->value() > 0, "Page Down did not scroll the inspector");
  }

  void closingBringsBackTheWindowActivatedBefore_data() {
    QTest::addColumn<int>("windows");
    QTest::addColumn<QString>("activated");
    QTest::addColumn<QString>("closed");
    QTest::addColumn<int>("front");
    // Creation order would give window 4 after 3, and 2 before it.
    QTest::newRow("the front window") << 4 << "2 1 3"
                                      << "3" << 1;
    QTest::newRow("the front window twice") << 4 << "2 1 3"
                                            << "3 1" << 2;
    QTest::newRow("the newest window, activated last") << 4 << "1 3 2 4"
                                                       << "4" << 2;
    QTest::newRow("a window behind the front one") << 4 << "2 1 3"
                                                   << "1" << 3;
  }
  void closingBringsBackTheWindowActivatedBefore() {
    QFETCH(int, windows);
    QFETCH(QString, activated);
    QFETCH(QString, closed);
    QFETCH(int, front);
    std::vector<TDFSDiskFrm*> opened;
    for (int number = 1; number <= windows; ++number) {
      opened.push_back(OpenDisk(WriteImage("disk" + std::to_string(number) + ".ssd")));
    }
    for (int number : Numbers(activated)) {
      // A click on a file row, as the user brings a window forward.
      ClickGridRow(opened[number - 1], 1);
    }
    for (int number : Numbers(closed)) {
      CloseChild(opened[number - 1]);
    }
    TDFSDiskFrm* expected = opened[front - 1];
    QCOMPARE(Frame().MdiArea->activeSubWindow(), expected);
    QCOMPARE(Frame().ActiveChild(), expected);
    QCOMPARE(Frame().MdiArea->subWindowList(QMdiArea::StackingOrder).last(), expected);
  }
};

KESTROW_GUI_TEST_MAIN(WindowActivationTest)

#include "test_window_activation.moc"
