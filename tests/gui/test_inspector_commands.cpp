// SPDX-License-Identifier: GPL-3.0-or-later
// The main frame's inspector commands: opening inspectors from a disk window, windows
// sharing one file, Duplicate, the Edit menu acting on the active inspector, and saving
// the working copy back into the image.
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMdiArea>
#include <QMimeData>
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

constexpr int32_t kLoad = 0x1900;
constexpr int32_t kExec = 0x8023;

// Files A, B, C ... of 32 bytes each ("aaa...", "bbb...", ...) in sectors 2, 3, 4 ... on
// a disk titled GAMES. With nearlyFull, a file FILLER then takes all but the last
// sector.
std::string Files(const QTemporaryDir& dir, int count, bool nearlyFull = false) {
  ImageEntry file;
  file.load = kLoad;
  file.exec = kExec;
  file.length = 32;
  ImageBuilder image(800);
  image.Title("GAMES").AddLetterFiles(count, file, true);
  if (nearlyFull) {
    image.AddFiller();
  }
  return image.WriteToTemp(dir, "games.ssd");
}

// A catalogue name as stored, padded to 7 characters.
std::string Stored(const std::string& name) {
  return PadRight(name, 7);
}

// The bytes of a file as the image now holds them; empty when it is not catalogued.
std::string ImageText(TDFSDiskFrm* disk, const std::string& name) {
  std::optional<DFSFileClass> file = disk->Disk()->FindFile('$', Stored(name));
  if (!file) {
    return {};
  }
  const std::vector<uint8_t> bytes = disk->Disk()->ReadFileData(*file);
  return {bytes.begin(), bytes.end()};
}

// The caption without the image path that ends it.
QString Caption(const TFileInspectorFrm* window) {
  const QString title = window->windowTitle();
  return title.left(title.size() - static_cast<qsizetype>(window->Data()->ImagePath.size()));
}

std::string BufferText(const TFileInspectorFrm* window) {
  const std::vector<uint8_t>& bytes = window->Data()->Buffer.Bytes();
  return {bytes.begin(), bytes.end()};
}

// A column of the named file's row in the disk window, or "" when it is not listed.
QString Cell(TDFSDiskFrm* disk, const QString& name, int column) {
  const int row = static_cast<int>(ListedNames(disk).indexOf(name)) + 1;
  return row == 0 ? QString() : disk->Cells(column, row);
}

// Counts the paints of a widget.
class PaintCounter : public MainFrameFixture {
 public:
  int Paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    Paints += event->type() == QEvent::Paint ? 1 : 0;
    return false;
  }
};

}  // namespace

class InspectorCommandsTest : public MainFrameFixture {
  Q_OBJECT

  // The windows close through the command, as the user closes them.
  void FrameClosing() override { Frame().CloseAllMnuItem->trigger(); }

 private slots:
  void initTestCase() { QApplication::clipboard()->clear(); }

  void openingGivesOneWindowPerSelectedFileInRowOrder() {
    TDFSDiskFrm* disk = Frame().NewDFSFiler(Files(dir_, 4));
    const std::vector<TFileInspectorFrm*> opened = OpenInspectors(Frame(), disk, "1011");
    QCOMPARE(opened.size(), size_t(3));
    QStringList captions;
    for (TFileInspectorFrm* window : opened) {
      captions << Caption(window);
    }
    QCOMPARE(captions,
             QStringList({"GAMES.$.A         ", "GAMES.$.C         ", "GAMES.$.D         "}));
    QCOMPARE(Frame().ActiveChild(), opened.back());
    QCOMPARE(BufferText(opened[1]), std::string(32, 'c'));
    QCOMPARE(opened[1]->PanelText(0), QString("Original size : 32 bytes"));
    QCOMPARE(opened[1]->Data()->ParentDisk, disk->DiskData());

    // The menu item does the same; a maximised front window hands its state on.
    Frame().MdiArea->setActiveSubWindow(disk);
    disk->showMaximized();
    SelectRows(disk, "01");
    ClickMenuItem(Frame(), Frame().FileMnu, Frame().OpenInspectorMnuItem);
    auto* fourth = qobject_cast<TFileInspectorFrm*>(Frame().ActiveChild());
    QVERIFY(fourth != nullptr && fourth->isMaximized());
    QVERIFY(!disk->isMaximized());
    QCOMPARE(BufferText(fourth), std::string(32, 'b'));
  }

  void windowsOnOneFileShareItsData() {
    TDFSDiskFrm* disk = Frame().NewDFSFiler(Files(dir_, 2));
    TFileInspectorFrm* first = OpenInspectors(Frame(), disk, "1").at(0);
    TypeHex(first, 0, "F");
    Frame().MdiArea->setActiveSubWindow(disk);
    TFileInspectorFrm* second = OpenInspectors(Frame(), disk, "1").at(0);
    QCOMPARE(second->CommonData, first->CommonData);
    QCOMPARE(Caption(second), QString("GAMES.$.A       # 2   "));
    QCOMPARE(BufferText(second).substr(0, 2), std::string("\xF1"
                                                          "a"));
    QCOMPARE(WindowMenuOutline(Frame()).at(1),
             QString("GAMES.$.A        [GAMES.$.A        |GAMES.$.A         # 2]"));

    // An edit in one window repaints the other at once.
    PaintCounter paints;
    first->View()->installEventFilter(&paints);
    TypeHex(second, 1, "0");
    QTRY_VERIFY(paints.Paints > 0);
    QCOMPARE(static_cast<int>(first->Data()->Buffer.Bytes()[1]), 0x01);

    // Duplicate opens the next free number on the same data, edits and history included.
    Frame().DuplicateMnuItem->trigger();
    auto* third = qobject_cast<TFileInspectorFrm*>(Frame().ActiveChild());
    QVERIFY(third != nullptr && third != second);
    QCOMPARE(third->CommonData, first->CommonData);
    QCOMPARE(third->WindowNumber, 3);
    QCOMPARE(third->Data()->UndoList.size(), size_t(2));

    // With the file gone from the catalogue there is nothing to duplicate.
    QVERIFY(disk->Disk()->DeleteFile('$', Stored("A")));
    Frame().DuplicateMnuItem->trigger();
    QCOMPARE(Frame().MdiArea->subWindowList().size(), qsizetype(4));
  }

  void editMenuActsOnTheActiveInspector_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<QString>("after");
    QTest::newRow("Delete removes the byte under the caret")
        << "ab|cd" << QStringList{"DeleteMnuItem"} << "ab|d";
    QTest::newRow("the toolbar's Delete removes the byte before it")
        << "ab|cd" << QStringList{"DeleteToolBut"} << "a|cd";
    QTest::newRow("Undo") << "ab|cd" << QStringList{"DeleteMnuItem", "UndoMnuItem"} << "ab|cd";
    QTest::newRow("Select All") << "ab|cd" << QStringList{"SelectAllMnuItem"} << "[abcd]";
    QTest::newRow("Copy, then Paste in front of the selection")
        << "[ab]cd" << QStringList{"CopyMnuItem", "PasteMnuItem"} << "[ab]abcd";
    QTest::newRow("Find") << "abcabc" << QStringList{"FindMnuItem"} << "a[bc]abc";
    QTest::newRow("Find Again goes on from the last found")
        << "abcabc" << QStringList{"FindMnuItem", "FindAgainMnuItem"} << "abca[bc]";
  }
  void editMenuActsOnTheActiveInspector() {
    QFETCH(QString, before);
    QFETCH(QStringList, commands);
    QFETCH(QString, after);
    TDFSDiskFrm* disk = Frame().NewDFSFiler(Files(dir_, 1));
    TFileInspectorFrm* window = OpenInspectors(Frame(), disk, "1").at(0);
    SetFromMarkup(*window->Data(), before.toStdString());
    window->SetOverType(false);
    Frame().ChildActivated(window);
    const WhenShown<TFindFrm> answerFind([](TFindFrm* dialog) {
      dialog->HexEdit->setText("6263");
      dialog->accept();
    });
    for (const QString& name : commands) {
      auto* command = Frame().findChild<QAction*>(name);
      QVERIFY2(command->isEnabled(), qPrintable(name));
      command->trigger();
    }
    QCOMPARE(QString::fromStdString(InspectorMarkup(*window->Data())), after);
  }

  void saveResults_data() {
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("message");
    QTest::newRow("saved") << ""
                           << "";
    QTest::newRow("catalogue full, the file gone") << "full" << kCatalogueFullMessage;
    QTest::newRow("no room") << "grown" << kNoRoomMessage;
    QTest::newRow("locked meanwhile") << "locked" << kDestinationLockedMessage;
  }
  void saveResults() {
    QFETCH(QString, situation);
    QFETCH(QString, message);
    TDFSDiskFrm* disk = Frame().NewDFSFiler(Files(dir_, 3, true));
    TDFSDiskFrm* otherDisk = Frame().NewDFSFiler(disk->CommonData->ImagePath);
    Frame().MdiArea->setActiveSubWindow(disk);
    TFileInspectorFrm* window = OpenInspectors(Frame(), disk, "1").at(0);
    window->SetOverType(false);
    TypeHex(window, 0, "77");  // inserts a byte
    if (situation == "full") {
      QVERIFY(disk->Disk()->DeleteFile('$', Stored("A")));
      for (char name = 'D'; name < 'D' + 28; ++name) {
        SMemoryStream none;
        DFSFileClass entry;
        entry.Name = Stored(std::string(1, name));
        QCOMPARE(disk->Disk()->SaveFile(entry, none), int(kSaveDone));
      }
    } else if (situation == "grown") {
      QApplication::clipboard()->setText(QString(800, 'x'));
      Frame().PasteMnuItem->trigger();
    } else if (situation == "locked") {
      QVERIFY(disk->Disk()->SetLocked('$', Stored("A"), true));
    }
    const std::string imageBefore = ImageText(disk, "A");
    const size_t undoRecords = window->Data()->UndoList.size();
    ClickToolButton(Frame(), Frame().SaveFileChangesBut);
    const bool saved = message.isEmpty();
    QCOMPARE(Prompts().Messages(),
             saved ? std::vector<std::string>() : std::vector<std::string>{message.toStdString()});
    QCOMPARE(window->Data()->Changed, !saved);
    QCOMPARE(ImageText(disk, "A"), saved ? BufferText(window) : imageBefore);
    QCOMPARE(Frame().SaveFileChangesBut->isEnabled(), !saved);
    if (saved) {
      // Both windows on the image show the new length and place.
      for (TDFSDiskFrm* shown : {disk, otherDisk}) {
        QCOMPARE(Cell(shown, "A", 5), QString("000021"));
      }
      QCOMPARE(window->Data()->UndoList.size(), undoRecords);
    }
  }

  // Two entries named $.BADAPPL, as some real catalogues hold: each has its own
  // inspector, and each save, also a second one, replaces its own entry only.
  void namesakesHaveTheirOwnInspectors_data() {
    QTest::addColumn<int>("saved");  // the inspector saved: 1 or 2, in row order
    QTest::newRow("the first namesake") << 1;
    QTest::newRow("the second namesake") << 2;
  }
  void namesakesHaveTheirOwnInspectors() {
    QFETCH(int, saved);
    ImageBuilder image(800);
    image.AddEntry({'$', "BADAPPL", kLoad, kExec, 300, 10})
        .FileData(10, std::vector<uint8_t>(300, 'p'));
    image.AddEntry({'$', "BADAPPL", kLoad, kExec, 500, 2})
        .FileData(2, std::vector<uint8_t>(500, 'q'));
    TDFSDiskFrm* disk = Frame().NewDFSFiler(image.WriteToTemp(dir_, "twins.ssd"));
    const std::vector<TFileInspectorFrm*> windows = OpenInspectors(Frame(), disk, "11");
    QCOMPARE(windows.size(), size_t(2));
    QVERIFY(windows[0]->CommonData != windows[1]->CommonData);
    QCOMPARE(BufferText(windows[0]), std::string(300, 'p'));
    QCOMPARE(BufferText(windows[1]), std::string(500, 'q'));
    QCOMPARE(Frame().NewInspectorWindow(disk, disk->RowEntry(saved))->CommonData,
             windows[saved - 1]->CommonData);
    TFileInspectorFrm* window = windows[saved - 1];
    const int32_t otherStart = saved == 1 ? 2 : 10;
    const std::string otherText = saved == 1 ? std::string(500, 'q') : std::string(300, 'p');
    for (size_t length : {400, 100}) {
      window->Data()->Buffer = SMemoryStream(std::vector<uint8_t>(length, 'z'));
      window->Data()->Changed = true;
      QVERIFY(Frame().SaveFile(window));
      QCOMPARE(Prompts().Messages(), std::vector<std::string>());
      DFSFileList entries;
      disk->Disk()->ReadCatalogue(entries);
      QCOMPARE(entries.size(), size_t(2));
      int others = 0;
      for (const DFSFileClass& entry : entries) {
        const std::vector<uint8_t> bytes = disk->Disk()->ReadFileData(entry);
        const std::string text(bytes.begin(), bytes.end());
        if (entry.StartSector == otherStart && text == otherText) {
          ++others;
        } else {
          QCOMPARE(text, BufferText(window));
        }
      }
      QCOMPARE(others, 1);
    }
  }

  // A file deleted or renamed while inspected is saved as a new, unlocked entry with the
  // addresses it had when the inspector opened.
  void saveAfterTheFileLeftTheCatalogue_data() {
    QTest::addColumn<bool>("renamed");
    QTest::newRow("deleted through the disk window") << false;
    QTest::newRow("renamed") << true;
  }
  void saveAfterTheFileLeftTheCatalogue() {
    QFETCH(bool, renamed);
    TDFSDiskFrm* disk = Frame().NewDFSFiler(Files(dir_, 2));
    TFileInspectorFrm* window = OpenInspectors(Frame(), disk, "1").at(0);
    TypeHex(window, 0, "77");
    QVERIFY(disk->Disk()->SetAddress('$', Stored("A"), "Load", "2000"));
    if (renamed) {
      QVERIFY(disk->Disk()->RenameFile('$', Stored("A"), "X"));
    } else {
      Frame().MdiArea->setActiveSubWindow(disk);
      SelectRows(disk, "1");
      Prompts().QueueYesNo(true);
      ClickToolButton(Frame(), Frame().DeleteToolBut);
      QCOMPARE(ListedNames(disk), QStringList({"B"}));
      Frame().MdiArea->setActiveSubWindow(window);
    }
    Prompts().Clear();
    Frame().SaveFileChangesMnuItem->trigger();
    QVERIFY(Prompts().Messages().empty());
    QVERIFY(!window->Data()->Changed);
    std::optional<DFSFileClass> entry = disk->Disk()->FindFile('$', Stored("A"));
    QVERIFY(entry.has_value());
    QCOMPARE(ImageText(disk, "A"), "w" + std::string(31, 'a'));
    QCOMPARE(entry->LoadAddress, kLoad);
    QCOMPARE(entry->ExecAddress, kExec);
    QCOMPARE(int(entry->Locked), 0);
    QCOMPARE(ImageText(disk, "X"), renamed ? std::string(32, 'a') : std::string());
    QVERIFY(ListedNames(disk).contains("A"));
  }

  // Each changed file is saved once, also when it is shown twice and its save fails.
  void saveAllSavesEachChangedFileOnce() {
    TDFSDiskFrm* disk = Frame().NewDFSFiler(Files(dir_, 3));
    const std::vector<TFileInspectorFrm*> windows = OpenInspectors(Frame(), disk, "111");
    Frame().MdiArea->setActiveSubWindow(windows[0]);
    Frame().DuplicateMnuItem->trigger();
    TypeHex(windows[0], 0, "77");
    TypeHex(windows[1], 0, "77");
    QVERIFY(disk->Disk()->SetLocked('$', Stored("A"), true));
    Frame().MdiArea->setActiveSubWindow(disk);
    QVERIFY(Frame().SaveAllFileChangesBut->isEnabled());
    ClickToolButton(Frame(), Frame().SaveAllFileChangesBut);
    QCOMPARE(Prompts().Messages(), std::vector<std::string>{kDestinationLockedMessage});
    QVERIFY(windows[0]->Data()->Changed);
    QVERIFY(!windows[1]->Data()->Changed);
    QCOMPARE(ImageText(disk, "B"), "w" + std::string(31, 'b'));
    QCOMPARE(ImageText(disk, "A"), std::string(32, 'a'));
    QCOMPARE(ImageText(disk, "C"), std::string(32, 'c'));
    // The commands still follow the disk window in front.
    QVERIFY(Frame().FullInfoBut->isEnabled());
  }
};

KESTROW_GUI_TEST_MAIN(InspectorCommandsTest)

#include "test_inspector_commands.moc"
