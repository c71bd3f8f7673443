// SPDX-License-Identifier: GPL-3.0-or-later
// Command enabling: the menu items and toolbar buttons enabled for each subject and
// state, recomputed after every event that can change them.
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMdiArea>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "app/KestrowMain.h"
#include "diskwindow/DFSDisk.h"
#include "inspector/FileInspector.h"
#include "inspector/Find.h"
#include "platform/ScriptedPrompts.h"
#include "support/ImageBuilder.h"
#include "support_gui/DialogScript.h"
#include "support_gui/InspectorTestSupport.h"
#include "support_gui/MainFrameFixture.h"
#include "support_gui/MainFrameHelpers.h"

namespace {

const QStringList kAlways = {"NewDFSFileMnuItem",  "NewDSDFileMnuItem", "NewWatfordFileMnuItem",
                             "OpenDFSFileMnuItem", "NewMMBMnuItem",     "HelpMnuAbout",
                             "NewDFSFileBut",      "OpenDFSFileBut"};
const QStringList kAnyChild = {"CascadeMnuItem", "TileHMnuItem", "TileVMnuItem", "DuplicateMnuItem",
                               "CloseAllMnuItem"};
const QStringList kDiskWindow = {"FullInfo",           "DiskPropMnu",   "CheckDiskMnuItem",
                                 "CompactDiskMnuItem", "DiskPropBut",   "FullInfoBut",
                                 "CheckDiskBut",       "CompactDiskBut"};
const QStringList kSelectAll = {"SelectAllMnuItem"};
const QStringList kFileCommands = {"OpenInspectorMnuItem", "FileInspectorBut", "DeleteMnuItem",
                                   "LockMnuItem",          "UnLockMnuItem",    "DeleteToolBut",
                                   "LockToolBut",          "UnLockToolBut"};
const QStringList kInspector = kAlways + kAnyChild + QStringList{"CloseFileInspectorsMnuItem"};
const QStringList kData = {"SelectAllMnuItem", "FindMnuItem"};
const QStringList kCaret = {"DeleteMnuItem", "DeleteToolBut"};
const QStringList kChanged = {"SaveFileChangesMnuItem", "SaveFileChangesBut",
                              "SaveAllFileChangesMnuItem", "SaveAllFileChangesBut", "UndoMnuItem"};

QStringList Sorted(QStringList names) {
  names.sort();
  return names;
}

// count (up to 3) one-sector files, the second of them locked.
std::string Image(const QTemporaryDir& dir, int count) {
  const std::string fileLists[] = {"", "A", "A B*", "A B* C"};
  return ImageBuilder(800).AddNamedFiles(fileLists[count]).WriteToTemp(dir, "commands.ssd");
}

// "cN" plain click, "CN" Ctrl-click, "SN" Shift-click on row N, "b" below the last row,
// "A" Ctrl+A, "D" and "U" the Down and Up keys, "E" an in-place edit opening, "e" it
// closing.
void Act(TDFSDiskFrm* window, const QString& script) {
  for (const QString& step : script.split(' ', Qt::SkipEmptyParts)) {
    const int row = step.mid(1).toInt();
    switch (step[0].toLatin1()) {
      case 'c':
        ClickGridRow(window, row);
        break;
      case 'C':
        ClickGridRow(window, row, Qt::ControlModifier);
        break;
      case 'S':
        ClickGridRow(window, row, Qt::ShiftModifier);
        break;
      case 'b':
        ClickGridRow(window, window->ListedFiles + 1);
        break;
      case 'A':
        QTest::keyClick(window->DFSFiles, Qt::Key_A, Qt::ControlModifier);
        break;
      case 'D':
      case 'U':
        QTest::keyClick(window->DFSFiles, step[0] == 'D' ? Qt::Key_Down : Qt::Key_Up);
        break;
      case 'E':
      case 'e':
        window->Editing = step[0] == 'E';
        window->OnSetEditing(window, window->Editing);
        break;
      default:
        QFAIL(qPrintable("unknown step " + step));
    }
  }
}

// One file "F" of size bytes.
std::string FileImage(const QTemporaryDir& dir, int size) {
  ImageEntry entry;
  entry.name = "F";
  entry.length = static_cast<uint32_t>(size);
  return ImageBuilder(800)
      .AddEntry(entry)
      .FileData(2, std::vector<uint8_t>(size, 0x41))
      .WriteToTemp(dir, "file.ssd");
}

// "cN" a click on byte N's hex cell (N = size: the end position), "t" a hex digit typed
// there, "T" text put on the clipboard, "F" Find with 41 typed into its hex field, "h"
// 41 left in that field by an earlier search, "d" the disk window brought to the front.
void ActOnInspector(TKestrowMainFrm& frame, TDFSDiskFrm* disk, TFileInspectorFrm* inspector,
                    const QString& script) {
  for (const QString& step : script.split(' ', Qt::SkipEmptyParts)) {
    switch (step[0].toLatin1()) {
      case 'c':
        QTest::mouseClick(inspector->View(), Qt::LeftButton, {},
                          HexCellCentre(*inspector, step.mid(1).toInt()));
        break;
      case 't':
        QTest::keyClick(inspector->View(), Qt::Key_B);
        break;
      case 'T':
        QApplication::clipboard()->setText("hello");
        break;
      case 'F': {
        const WhenShown<TFindFrm> answer([](TFindFrm* dialog) {
          dialog->HexEdit->setText("41");
          dialog->accept();
        });
        frame.FindMnuItem->trigger();
        break;
      }
      case 'h':
        frame.FindFrm->HexEdit->setText("41");
        break;
      case 'd':
        frame.MdiArea->setActiveSubWindow(disk);
        break;
      default:
        QFAIL(qPrintable("unknown step " + step));
    }
  }
}

}  // namespace

class CommandEnablingTest : public MainFrameFixture {
  Q_OBJECT

 public:
  CommandEnablingTest() : MainFrameFixture(LeftoverMessages::Fail) {}

 private slots:
  void diskWindowStates_data() {
    QTest::addColumn<int>("files");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("enabled");
    const QStringList disk = kAlways + kAnyChild + kDiskWindow;
    QTest::newRow("no child, its last window closed") << -1 << "c1" << kAlways;
    QTest::newRow("no files") << 0 << "" << disk;
    QTest::newRow("files, none selected") << 3 << "" << disk + kSelectAll;
    QTest::newRow("one selected") << 3 << "c1" << disk + kSelectAll + kFileCommands;
    QTest::newRow("several, a locked one among them")
        << 3 << "c1 S3" << disk + kSelectAll + kFileCommands;
    QTest::newRow("the only selected row deselected") << 3 << "c1 C1" << disk + kSelectAll;
    QTest::newRow("a press below the rows") << 3 << "c2 b" << disk + kSelectAll;
    QTest::newRow("a press on the title row keeps the selection")
        << 3 << "c2 c0" << disk + kSelectAll + kFileCommands;
    QTest::newRow("select all") << 3 << "A" << disk + kSelectAll + kFileCommands;
    QTest::newRow("Down selects a row") << 3 << "D" << disk + kSelectAll + kFileCommands;
    QTest::newRow("Up after a press below the rows")
        << 3 << "c2 b U" << disk + kSelectAll + kFileCommands;
    QTest::newRow("an edit open") << 3 << "c1 C2 E" << disk + kSelectAll;
    QTest::newRow("the edit closed") << 3 << "c1 C2 E e" << disk + kSelectAll + kFileCommands;
  }
  void diskWindowStates() {
    QFETCH(int, files);
    QFETCH(QString, script);
    QFETCH(QStringList, enabled);
    TDFSDiskFrm* window = Frame().NewDFSFiler(Image(dir_, files < 0 ? 1 : files));
    Act(window, script);
    if (files < 0) {
      CloseChild(window);
    }
    QCOMPARE(Sorted(EnabledCommandNames(Frame())), Sorted(enabled));
  }

  void inspectorStates_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("enabled");
    const QStringList disk = kAlways + kAnyChild + kDiskWindow + kSelectAll;
    QTest::newRow("no caret") << 4 << "" << kInspector + kData;
    QTest::newRow("caret on a byte")
        << 4 << "c1" << kInspector + kData + kCaret + QStringList{"CopyMnuItem"};
    QTest::newRow("caret at the end, text on the clipboard")
        << 4 << "T c4" << kInspector + kData + kCaret + QStringList{"PasteMnuItem"};
    QTest::newRow("a byte typed") << 4 << "c0 t"
                                  << kInspector + kData + kCaret + kChanged +
                                         QStringList{"CopyMnuItem"};
    QTest::newRow("empty file, caret and text")
        << 0 << "T c0" << kInspector + kCaret + QStringList{"PasteMnuItem"};
    QTest::newRow("find text entered")
        << 4 << "F" << kInspector + kData + kCaret + QStringList{"CopyMnuItem", "FindAgainMnuItem"};
    QTest::newRow("empty file, find text kept") << 0 << "h c0" << kInspector + kCaret;
    QTest::newRow("changes kept while a disk window is in front")
        << 4 << "c0 t d"
        << disk + kFileCommands +
               QStringList{"CloseFileInspectorsMnuItem", "SaveAllFileChangesMnuItem",
                           "SaveAllFileChangesBut"};
  }
  void inspectorStates() {
    QFETCH(int, size);
    QFETCH(QString, script);
    QFETCH(QStringList, enabled);
    QApplication::clipboard()->clear();
    TDFSDiskFrm* disk = Frame().NewDFSFiler(FileImage(dir_, size));
    TFileInspectorFrm* inspector = OpenInspectors(Frame(), disk, "1").at(0);
    ActOnInspector(Frame(), disk, inspector, script);
    QCOMPARE(Sorted(EnabledCommandNames(Frame())), Sorted(enabled));
    Frame().FindFrm->HexEdit->clear();
    // The last window closing disables every command that needs a child.
    ReviewAnswer dropChanges("", "NoSave");
    Frame().CloseAllMnuItem->trigger();
    QCOMPARE(Sorted(EnabledCommandNames(Frame())), Sorted(kAlways));
  }

  void commandsFollowTheActiveWindow() {
    TDFSDiskFrm* first = Frame().NewDFSFiler(Image(dir_, 2));
    Act(first, "c1");
    TDFSDiskFrm* second = Frame().NewDFSFiler(ImageBuilder(800).WriteToTemp(dir_, "empty.ssd"));
    const QStringList disk = kAlways + kAnyChild + kDiskWindow;
    QCOMPARE(Sorted(EnabledCommandNames(Frame())), Sorted(disk));
    WindowEntries(Frame())[0]->trigger();
    QCOMPARE(Frame().ActiveChild(), first);
    QCOMPARE(Sorted(EnabledCommandNames(Frame())), Sorted(disk + kSelectAll + kFileCommands));
    Frame().MdiArea->setActiveSubWindow(second);
    QCOMPARE(Sorted(EnabledCommandNames(Frame())), Sorted(disk));
  }
};

KESTROW_GUI_TEST_MAIN(CommandEnablingTest)

#include "test_commandenabling.moc"
