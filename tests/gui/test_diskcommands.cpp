// SPDX-License-Identifier: GPL-3.0-or-later
// The disk commands of the main frame: Full disk info, Select All, Delete, Lock and
// UnLock, driven from their menu items, shortcuts and toolbar buttons.
#include <QMdiArea>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

#include "app/KestrowMain.h"
#include "diskwindow/DFSDisk.h"
#include "platform/ScriptedPrompts.h"
#include "support/ImageBuilder.h"
#include "support/RawDisk.h"
#include "support_gui/MainFrameFixture.h"
#include "support_gui/MainFrameHelpers.h"

namespace {

const std::string kVanished =
    "That file appears to have been deleted by another program, I will refresh the disk window.";

// An 80-track image titled GAMES from a file list such as "A B* C" (* = locked), one
// sector each from sector 2 on.
ImageBuilder Files(const QString& fileList) {
  return ImageBuilder(800).Title("GAMES").AddNamedFiles(fileList.toStdString());
}

// Plain click "cN", Ctrl-click "CN", Shift-click "SN" on grid row N.
void Press(TDFSDiskFrm* window, const QString& gestures) {
  for (const QString& step : gestures.split(' ', Qt::SkipEmptyParts)) {
    const Qt::KeyboardModifiers modifiers = step[0] == 'C'   ? Qt::ControlModifier
                                            : step[0] == 'S' ? Qt::ShiftModifier
                                                             : Qt::NoModifier;
    ClickGridRow(window, step.mid(1).toInt(), modifiers);
  }
}

// The image's entries as "name" or "name*" for a locked one, in catalogue order.
QStringList ImageFiles(const std::string& path) {
  QStringList files;
  for (const RawEntry& entry : DecodeRawDisk(ReadHostFile(path), false, 0).entries) {
    files << QString::fromLatin1(entry.name).trimmed() + (entry.locked ? "*" : "");
  }
  std::sort(files.begin(), files.end());
  return files;
}

// The lock column of the grid by file name, e.g. "A=L|B= ".
QString LockColumn(const TDFSDiskFrm* window) {
  QStringList cells;
  for (int row = 1; row <= window->ListedFiles; ++row) {
    cells << window->Cells(1, row).trimmed() + "=" + window->Cells(2, row);
  }
  cells.sort();
  return cells.join('|');
}

QString FullInfoState(const TKestrowMainFrm& frame) {
  return QString("%1 %2 %3")
      .arg(frame.FullInfo->isChecked() ? "checked" : "unchecked")
      .arg(TKestrowMainFrm::ToolImageIndex(frame.FullInfoBut))
      .arg(frame.FullInfoBut->toolTip());
}

}  // namespace

class DiskCommandsTest : public MainFrameFixture {
  Q_OBJECT

 private slots:
  void deleteAsksAndDeletes_data() {
    QTest::addColumn<QString>("files");
    QTest::addColumn<QString>("gestures");
    QTest::addColumn<QString>("via");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QStringList>("remaining");
    QTest::addColumn<QStringList>("messages");
    const QString one = "Are you sure you want to delete the file %1 from DFS disk titled GAMES %2";
    const QString several =
        "Are you sure you wish to delete the selected files from DFS disk titled GAMES %2";
    QTest::newRow("one file by the Del key")
        << "A B C"
        << "c2"
        << "key" << true << one.arg("B") << QStringList{"A", "C"} << QStringList{};
    QTest::newRow("one file, answered No")
        << "A B C"
        << "c2"
        << "button" << false << one.arg("B") << QStringList{"A", "B", "C"} << QStringList{};
    QTest::newRow("two files from the toolbar")
        << "A B C"
        << "c1 C3"
        << "button" << true << several << QStringList{"B"} << QStringList{};
    QTest::newRow("a locked file among them, from the menu")
        << "A B* C"
        << "c1 S3"
        << "menu" << true << several << QStringList{"B*"}
        << QStringList{
               "The file B       cannot be deleted as it is locked, unlock it and then "
               "delete it."};
    // Row 1 was clicked last, but only B is selected: the question names what goes.
    QTest::newRow("the one selected file, not the last clicked")
        << "A B C"
        << "c2 C1 C1"
        << "key" << true << one.arg("B") << QStringList{"A", "C"} << QStringList{};
  }
  void deleteAsksAndDeletes() {
    QFETCH(QString, files);
    QFETCH(QString, gestures);
    QFETCH(QString, via);
    QFETCH(bool, yes);
    QFETCH(QString, question);
    QFETCH(QStringList, remaining);
    QFETCH(QStringList, messages);
    const std::string path = Files(files).WriteToTemp(dir_, "delete.ssd");
    TDFSDiskFrm* window = Frame().NewDFSFiler(path);
    Press(window, gestures);
    Prompts().QueueYesNo(yes);
    if (via == "key") {
      QTest::keyClick(window->DFSFiles, Qt::Key_Delete);
    } else if (via == "button") {
      ClickToolButton(Frame(), Frame().DeleteToolBut);
    } else {
      ClickMenuItem(Frame(), Frame().EditMnu, Frame().DeleteMnuItem);
    }
    std::vector<std::string> expected = {question.arg(QString::fromStdString(path)).toStdString()};
    for (const QString& message : messages) {
      expected.push_back(message.toStdString());
    }
    QCOMPARE(Prompts().Texts(), expected);
    QCOMPARE(ImageFiles(path), remaining);
    QStringList listed = ListedNames(window);
    listed.sort();
    QCOMPARE(listed, remaining.replaceInStrings("*", ""));
    // Deleting refills the list and clears the selection; No keeps both.
    QCOMPARE(Frame().DeleteToolBut->isEnabled(), !yes);
    QCOMPARE(Frame().DeleteMnuItem->isEnabled(), !yes);
  }

  void deleteOfAVanishedFileRefreshesTheList() {
    const std::string path = Files("A B C").WriteToTemp(dir_, "vanish.ssd");
    TDFSDiskFrm* window = Frame().NewDFSFiler(path);
    Press(window, "c2 C3");
    // Another program rewrites the catalogue while the image is open.
    Files("A C").WriteTo(path);
    Prompts().QueueYesNo(true);
    ClickToolButton(Frame(), Frame().DeleteToolBut);
    QCOMPARE(Prompts().Messages(), std::vector<std::string>({kVanished}));
    QCOMPARE(ImageFiles(path), QStringList({"A"}));
    QCOMPARE(ListedNames(window), QStringList({"A"}));
  }

  void deleteAfterSelectAllWithoutAClickAsksForAFile() {
    const std::string path = Files("A B").WriteToTemp(dir_, "all.ssd");
    TDFSDiskFrm* window = Frame().NewDFSFiler(path);
    QTest::keyClick(window->DFSFiles, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(SelectionMarkup(window), std::string("11"));
    QVERIFY(Frame().DeleteToolBut->isEnabled());
    ClickToolButton(Frame(), Frame().DeleteToolBut);
    QCOMPARE(Prompts().Texts(), std::vector<std::string>({"Please select a file to delete."}));
    QCOMPARE(ImageFiles(path), QStringList({"A", "B"}));
  }

  void deleteThatCannotWriteStopsWithoutARefresh() {
    const std::string path = Files("A B").WriteToTemp(dir_, "fail.ssd");
    TDFSDiskFrm* window = Frame().NewDFSFiler(path);
    Press(window, "c1 C2");
    MakeImageWritesFail(window);
    Prompts().QueueYesNo(true);
    ClickToolButton(Frame(), Frame().DeleteToolBut);
    // The real cause, not a guess that the disk is in use.
    QCOMPARE(Prompts().Messages(),
             std::vector<std::string>({"Could not write \"" + path + "\": Input/output error."}));
    QCOMPARE(ImageFiles(path), QStringList({"A", "B"}));
    QCOMPARE(SelectionMarkup(window), std::string("11"));
  }

  void lockAndUnlock_data() {
    QTest::addColumn<QString>("files");
    QTest::addColumn<QString>("gestures");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("lockColumn");
    QTest::addColumn<QStringList>("image");
    QTest::addColumn<QStringList>("messages");
    const QStringList none;
    QTest::newRow("lock one by Ctrl+L") << "A B C"
                                        << "c2"
                                        << "lock key"
                                        << ""
                                        << "A= |B=L|C= " << QStringList{"A", "B*", "C"} << none;
    QTest::newRow("lock two from the toolbar")
        << "A B C"
        << "c1 C3"
        << "lock button"
        << ""
        << "A=L|B= |C=L" << QStringList{"A*", "B", "C*"} << none;
    QTest::newRow("unlock two from the menu") << "A* B* C*"
                                              << "c1 S2"
                                              << "unlock menu"
                                              << ""
                                              << "A=|B=|C=L" << QStringList{"A", "B", "C*"} << none;
    QTest::newRow("unlock by Ctrl+Alt+L") << "A* B"
                                          << "c1"
                                          << "unlock key"
                                          << ""
                                          << "A=|B= " << QStringList{"A", "B"} << none;
    QTest::newRow("a vanished file refreshes the list")
        << "A B C"
        << "c1 C2"
        << "lock button"
        << "vanish"
        << "A=L|C= " << QStringList{"A*", "C"} << QStringList{QString::fromStdString(kVanished)};
    QTest::newRow("a file open in an inspector is skipped")
        << "A B"
        << "c1 C2"
        << "lock button"
        << "inspector"
        << "A=L|B= " << QStringList{"A*", "B"}
        << QStringList{
               "This file is in open in at least one File Inspector window, you must "
               "close the relevent windows before you can make these changes"};
    QTest::newRow("a failed write stops, also when unlocking")
        << "A* B*"
        << "c1 C2"
        << "unlock button"
        << "fail"
        << "A=L|B=L" << QStringList{"A*", "B*"}
        << QStringList{"Could not write \"IMAGE\": Input/output error."};
  }
  void lockAndUnlock() {
    QFETCH(QString, files);
    QFETCH(QString, gestures);
    QFETCH(QString, command);
    QFETCH(QString, situation);
    QFETCH(QString, lockColumn);
    QFETCH(QStringList, image);
    QFETCH(QStringList, messages);
    const std::string path = Files(files).WriteToTemp(dir_, "lock.ssd");
    TDFSDiskFrm* window = Frame().NewDFSFiler(path);
    TDFSDiskFrm* other = Frame().NewDFSFiler(path);
    Frame().MdiArea->setActiveSubWindow(window);
    Press(window, gestures);
    if (situation == "vanish") {
      Files("A C").WriteTo(path);
    } else if (situation == "inspector") {
      auto data = std::make_unique<InspectorDataClass>();
      data->ImagePath = path;
      data->Name = "B      ";
      Frame().Registry().AddCommonData(std::move(data));
    } else if (situation == "fail") {
      MakeImageWritesFail(window);
    }
    const QString otherColumn = LockColumn(other);
    const bool locking = command.startsWith("lock");
    if (command.endsWith("key")) {
      QTest::keyClick(window->DFSFiles, Qt::Key_L,
                      locking ? Qt::ControlModifier : Qt::ControlModifier | Qt::AltModifier);
    } else if (command.endsWith("button")) {
      ClickToolButton(Frame(), locking ? Frame().LockToolBut : Frame().UnLockToolBut);
    } else {
      ClickMenuItem(Frame(), Frame().EditMnu,
                    locking ? Frame().LockMnuItem : Frame().UnLockMnuItem);
    }
    std::vector<std::string> expected;
    for (QString message : messages) {
      expected.push_back(message.replace("IMAGE", QString::fromStdString(path)).toStdString());
    }
    QCOMPARE(Prompts().Texts(), expected);
    QCOMPARE(LockColumn(window), lockColumn);
    QCOMPARE(ImageFiles(path), image);
    // Other windows on the image show the change at their next refill only.
    if (situation != "vanish") {
      QCOMPARE(LockColumn(other), otherColumn);
    }
  }

  void lockNeedsAWindowAndAClickedRow() {
    Frame().SetFileLockStatus(true);
    TDFSDiskFrm* window = Frame().NewDFSFiler(Files("A B").WriteToTemp(dir_, "row.ssd"));
    QTest::keyClick(window->DFSFiles, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(window->DFSFiles, Qt::Key_L, Qt::ControlModifier);
    QCOMPARE(Prompts().Texts(),
             std::vector<std::string>(
                 {"You have no DFS windows open, please open one and select a file to delete.",
                  "Please select a file."}));
    QCOMPARE(LockColumn(window), QString("A= |B= "));
  }

  void fullInfoIsKeptPerWindow() {
    const QString shown = "checked 9 Show less disk information";
    const QString hidden = "unchecked 8 Show more disk information";
    TDFSDiskFrm* first = Frame().NewDFSFiler(Files("A").WriteToTemp(dir_, "one.ssd"));
    TDFSDiskFrm* second = Frame().NewDFSFiler(Files("B").WriteToTemp(dir_, "two.ssd"));
    QCOMPARE(FullInfoState(Frame()), shown);

    ClickMenuItem(Frame(), Frame().DiskMnu, Frame().FullInfo);
    QVERIFY(second->StatusBar1->isHidden());
    QCOMPARE(FullInfoState(Frame()), hidden);

    Frame().MdiArea->setActiveSubWindow(first);
    QCOMPARE(FullInfoState(Frame()), shown);
    ClickToolButton(Frame(), Frame().FullInfoBut);
    QVERIFY(first->StatusBar1->isHidden());
    QCOMPARE(FullInfoState(Frame()), hidden);
    ClickToolButton(Frame(), Frame().FullInfoBut);
    QVERIFY(!first->StatusBar1->isHidden());
    QVERIFY(first->StatusBar1->geometry().top() >= first->StatusBar->geometry().bottom());

    Frame().MdiArea->setActiveSubWindow(second);
    QCOMPARE(FullInfoState(Frame()), hidden);
    QVERIFY(second->StatusBar1->isHidden());
  }
};

KESTROW_GUI_TEST_MAIN(DiskCommandsTest)

#include "test_diskcommands.moc"
