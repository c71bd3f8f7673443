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

#include "app/KestrowApplication.h"
#include "app/KestrowMain.h"
#include "diskwindow/DFSDisk.h"
#include "inspector/FileInspector.h"
#include "inspector/Find.h"
#include "platform/ScriptedPrompts.h"
#include "support/ImageBuilder.h"
#include "support_gui/InspectorTestSupport.h"
#include "support_gui/MainFrameHelpers.h"

namespace {

const QStringList kAlways = {"NewDFSFileMnuItem", "NewDSDFileMnuItem", "OpenDFSFileMnuItem",
                             "NewMMBMnuItem",     "HelpMnuAbout",      "NewDFSFileBut",
                             "OpenDFSFileBut"};
const QStringList kAnyChild = {"CascadeMnuItem", "TileHMnuItem", "TileVMnuItem", "DuplicateMnuItem",
                               "CloseAllMnuItem"};
const QStringList kDiskWindow = {"FullInfo", "DiskPropMnu", "DiskPropBut", "FullInfoBut"};
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

// count one-sector files, the second of them locked.
std::string Image(const QTemporaryDir& dir, int count) {
  ImageBuilder image(800);
  for (int index = 0; index < count; ++index) {
    ImageEntry entry;
    entry.name = std::string(1, static_cast<char>('A' + index));
    entry.startSector = 2 + index;
    entry.length = 0x100;
    entry.locked = index == 1;
    image.AddEntry(entry);
  }
  return image.WriteToTemp(dir, "commands.ssd");
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
      case 'F':
        QTimer::singleShot(0, frame.FindFrm, [&frame] {
          frame.FindFrm->HexEdit->setText("41");
          frame.FindFrm->accept();
        });
        frame.FindMnuItem->trigger();
        break;
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

class CommandEnablingTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    prompts_ = std::make_unique<ScopedScriptedPrompts>();
    frame_ = MakeMainFrame();
  }
  void cleanup() {
    frame_.reset();
    const std::vector<std::string> texts = (*prompts_)->Texts();
    QVERIFY2(texts.empty(), texts.empty() ? "" : ("unexpected message: " + texts.front()).c_str());
    prompts_.reset();
  }

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
    TDFSDiskFrm* window = frame_->NewDFSFiler(Image(dir_, files < 0 ? 1 : files));
    Act(window, script);
    if (files < 0) {
      CloseChild(window);
    }
    QCOMPARE(Sorted(EnabledCommandNames(*frame_)), Sorted(enabled));
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
    TDFSDiskFrm* disk = frame_->NewDFSFiler(FileImage(dir_, size));
    TFileInspectorFrm* inspector = OpenInspectors(*frame_, disk, "1").at(0);
    ActOnInspector(*frame_, disk, inspector, script);
    QCOMPARE(Sorted(EnabledCommandNames(*frame_)), Sorted(enabled));
    frame_->FindFrm->HexEdit->clear();
    // The last window closing disables every command that needs a child.
    ReviewAnswer dropChanges("", "NoSave");
    frame_->CloseAllMnuItem->trigger();
    QCOMPARE(Sorted(EnabledCommandNames(*frame_)), Sorted(kAlways));
  }

  void commandsFollowTheActiveWindow() {
    TDFSDiskFrm* first = frame_->NewDFSFiler(Image(dir_, 2));
    Act(first, "c1");
    TDFSDiskFrm* second = frame_->NewDFSFiler(ImageBuilder(800).WriteToTemp(dir_, "empty.ssd"));
    const QStringList disk = kAlways + kAnyChild + kDiskWindow;
    QCOMPARE(Sorted(EnabledCommandNames(*frame_)), Sorted(disk));
    WindowEntries(*frame_)[0]->trigger();
    QCOMPARE(frame_->ActiveChild(), first);
    QCOMPARE(Sorted(EnabledCommandNames(*frame_)), Sorted(disk + kSelectAll + kFileCommands));
    frame_->MdiArea->setActiveSubWindow(second);
    QCOMPARE(Sorted(EnabledCommandNames(*frame_)), Sorted(disk));
  }

 private:
  QTemporaryDir dir_;
  std::unique_ptr<ScopedScriptedPrompts> prompts_;
  std::unique_ptr<TKestrowMainFrm> frame_;
};

int main(int argc, char* argv[]) {
  KestrowApplication application(argc, argv);
  CommandEnablingTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_commandenabling.moc"
