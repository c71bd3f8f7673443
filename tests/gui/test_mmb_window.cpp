// SPDX-License-Identifier: GPL-3.0-or-later
// The MMB window driven with real events: opening an MMB file, the filter, the status
// bar, opening a disc as a disk window and changing it, the slot commands with their
// questions, dropping an image on a slot, dragging a slot out, New MMB and closing with
// unsaved inspector changes on a disc.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMimeData>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include "app/KestrowMain.h"
#include "disk/MMBSlotRules.h"
#include "diskwindow/DFSDisk.h"
#include "inspector/FileInspector.h"
#include "mmbwindow/TMMBFrm.h"
#include "support/ImageBuilder.h"
#include "support/MMBBuilder.h"
#include "support/RawDisk.h"
#include "support_gui/MainFrameFixture.h"
#include "support_gui/MainFrameHelpers.h"
#include "util/UsefulQt.h"

namespace {

constexpr int64_t kDisc = 204800;

const QStringList kAlways = {"NewDFSFileMnuItem",  "NewDSDFileMnuItem", "NewWatfordFileMnuItem",
                             "OpenDFSFileMnuItem", "NewMMBMnuItem",     "HelpMnuAbout",
                             "NewDFSFileBut",      "OpenDFSFileBut",    "CascadeMnuItem",
                             "TileHMnuItem",       "TileVMnuItem",      "DuplicateMnuItem",
                             "CloseAllMnuItem"};

QStringList Sorted(QStringList names) {
  names.sort();
  return names;
}

// The status bytes of discs 0, 1, 2 and 5 in the file, e.g. "0F 00 F0 0F".
QString Statuses(const std::string& path) {
  QStringList bytes;
  for (int number : {0, 1, 2, 5}) {
    const uint8_t status = ReadHostRange(path, MMBBuilder::EntryOffset(number) + 15, 1)[0];
    bytes << QString("%1").arg(status, 2, 16, QChar('0')).toUpper();
  }
  return bytes.join(' ');
}

std::vector<uint8_t> DiscBytes(const std::string& path, int number) {
  return ReadHostRange(path, MMBBuilder::DiscOffset(number), kDisc);
}

std::string IndexTitle(const std::string& path, int number) {
  const std::vector<uint8_t> bytes = ReadHostRange(path, MMBBuilder::EntryOffset(number), 12);
  return std::string(bytes.begin(), std::find(bytes.begin(), bytes.end(), 0));
}

// Whether another program could take the file's exclusive lock now.
bool Unlocked(const std::string& path) {
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  const bool free = descriptor >= 0 && ::flock(descriptor, LOCK_EX | LOCK_NB) == 0;
  if (descriptor >= 0) {
    ::close(descriptor);
  }
  return free;
}

QStringList Texts(const ScriptedPrompts& prompts) {
  QStringList texts;
  for (const std::string& text : prompts.Texts()) {
    texts << QString::fromStdString(text);
  }
  return texts;
}

QString Cell(const TMMBFrm* window, int row, int column) {
  return window->MMBSlots->model()->index(row, column).data().toString();
}

// A real click on a listed row (0 = first).
void ClickSlot(TMMBFrm* window, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::mouseClick(window->MMBSlots->viewport(), Qt::LeftButton, modifiers,
                    window->SlotRowRect(row).center());
}

// Clicks the rows listed, the first plainly and the others with Ctrl.
void ClickSlots(TMMBFrm* window, const QList<int>& rows) {
  for (qsizetype index = 0; index < rows.size(); ++index) {
    ClickSlot(window, rows[index], index == 0 ? Qt::NoModifier : Qt::ControlModifier);
  }
}

// Drags local files over a listed row and drops them there, as a file manager does, then
// runs the import the drop queues.
bool DropOnRow(TMMBFrm* window, int row, const QStringList& paths) {
  QMimeData data;
  QList<QUrl> urls;
  for (const QString& path : paths) {
    urls << QUrl::fromLocalFile(path);
  }
  data.setUrls(urls);
  QWidget* viewport = window->MMBSlots->viewport();
  const QPoint at = window->SlotRowRect(row).center();
  QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(viewport, &enter);
  if (!enter.isAccepted()) {
    return false;
  }
  QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(viewport, &drop);
  QCoreApplication::processEvents();
  return drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
}

}  // namespace

class MMBWindowTest : public MainFrameFixture {
  Q_OBJECT

  // Discs 0 GAMES and 5 DEMO (read/write), 1 UTILS (locked), 7 BROKEN (invalid); the
  // rest unformatted.
  std::string WriteMMB(const std::string& name = "cards.mmb") {
    const std::string path = dir_.filePath(QString::fromStdString(name)).toStdString();
    MMBBuilder()
        .Formatted(0, "GAMES")
        .Formatted(1, "UTILS", true)
        .Formatted(5, "DEMO")
        .Entry(7, "BROKEN", 0xFF)
        .WriteTo(path);
    return path;
  }
  TMMBFrm* OpenMMB(const std::string& path) {
    TMMBFrm* window = Frame().NewMMBWindow(path);
    if (window == nullptr) {
      QTest::qFail(("could not open " + path).c_str(), __FILE__, __LINE__);
    }
    return window;
  }
  // A single-sided image titled title with one file, written as name.
  std::string WriteImage(const std::string& name, const std::string& title) {
    ImageBuilder image(800);
    image.Title(title).AddEntry({'$', "PROG", 0x1900, 0x8023, 600, 2});
    image.FileData(2, PatternBytes(600, 9));
    return image.WriteToTemp(dir_, name);
  }
  void Click(QAction* command) { ClickMenuItem(Frame(), Frame().DiskMnu, command); }

 private slots:
  // Disk, Open offers MMB files and opens one in an MMB window listing every slot, in
  // the Window menu in the disk colour; Duplicate opens a second window on the same data
  // while the file stays locked against any other opening.
  void openShowsTheIndex() {
    const std::string path = WriteMMB();
    Prompts().QueueFileName(path);
    Click(Frame().OpenDFSFileMnuItem);
    QCOMPARE(
        Prompts().Events().front().text,
        std::string("single sided disk (ssd)|*.ssd|double sided disk (dsd)|*.dsd|MMB file|*.mmb"));
    auto* window = qobject_cast<TMMBFrm*>(Frame().ActiveChild());
    QVERIFY(window != nullptr);
    QVERIFY(Texts(Prompts()).isEmpty());
    QCOMPARE(window->windowTitle(), "MMB file " + QString::fromStdString(path));
    QCOMPARE(window->ListedSlots(), 511);
    QCOMPARE(QStringList({Cell(window, 0, 0), Cell(window, 0, 1), Cell(window, 0, 2)}),
             QStringList({"0", "GAMES", "Read/write"}));
    QCOMPARE(Cell(window, 1, 2), QString("Locked"));
    QCOMPARE(Cell(window, 2, 2), QString("Unformatted"));
    QCOMPARE(Cell(window, 7, 2), QString("Invalid"));
    QCOMPARE(Cell(window, 510, 0), QString("510"));
    QCOMPARE(window->SummaryPanel->text(), QString("511 discs, 3 formatted, 1 locked"));
    QCOMPARE(window->BootPanel->text(), QString("Boot: 0, 1, 2, 3"));
    QCOMPARE(WindowMenuOutline(Frame()), QStringList({"cards.mmb  "}));
    QVERIFY(qobject_cast<SMenuItem*>(WindowEntries(Frame()).front())->OwnerDrawn);
    QVERIFY_THROWS_EXCEPTION(FileSystemError, MMBFileClass::Open(path));

    QTest::keyClick(Frame().MdiArea, Qt::Key_U, Qt::ControlModifier);
    auto* second = qobject_cast<TMMBFrm*>(Frame().ActiveChild());
    QVERIFY(second != nullptr && second != window);
    QCOMPARE(second->CommonData, window->CommonData);
    QCOMPARE(second->windowTitle(), "MMB file # 2 " + QString::fromStdString(path));
    QCOMPARE(WindowMenuOutline(Frame()), QStringList({"cards.mmb  [cards.mmb  |cards.mmb   # 2]"}));
    CloseChild(second);
    CloseChild(window);
    QVERIFY(Unlocked(path));
    QCOMPARE(Sorted(EnabledCommandNames(Frame())),
             Sorted({"NewDFSFileMnuItem", "NewDSDFileMnuItem", "NewWatfordFileMnuItem",
                     "OpenDFSFileMnuItem", "NewMMBMnuItem", "HelpMnuAbout", "NewDFSFileBut",
                     "OpenDFSFileBut"}));
  }

  // Files that are no MMB file are refused with a message and no window.
  void badFilesOpenNoWindow_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("message");
    QTest::newRow("shorter than its index")
        << 100 << "The file PATH is not an MMB file: it is shorter than its index.";
    QTest::newRow("missing") << -1 << "Could not open \"PATH\": No such file or directory.";
  }
  void badFilesOpenNoWindow() {
    QFETCH(int, size);
    QFETCH(QString, message);
    const std::string path = dir_.filePath("bad.mmb").toStdString();
    QFile::remove(QString::fromStdString(path));
    if (size >= 0) {
      ImageBuilder().HostSize(static_cast<size_t>(size)).WriteTo(path);
    }
    QVERIFY(Frame().NewMMBWindow(path) == nullptr);
    QCOMPARE(Texts(Prompts()),
             QStringList({QString(message).replace("PATH", QString::fromStdString(path))}));
    QVERIFY(Frame().Registry().CommonDataList.empty());
    QVERIFY(Frame().MdiArea->subWindowList().isEmpty());
  }

  // Typing in the filter narrows the list by number or title; the status bar keeps the
  // whole file's figures.
  void filterNarrowsTheList_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("first");
    QTest::newRow("nothing") << "" << 511 << "0,1,2";
    QTest::newRow("a title, any case") << "gam" << 1 << "0";
    QTest::newRow("a number's start") << "5" << 22 << "5,50,51";
    QTest::newRow("part of a title") << "TIL" << 1 << "1";
    QTest::newRow("nothing matches") << "ZZZ" << 0 << "";
  }
  void filterNarrowsTheList() {
    QFETCH(QString, typed);
    QFETCH(int, count);
    QFETCH(QString, first);
    TMMBFrm* window = OpenMMB(WriteMMB());
    QTest::keyClicks(window->FilterEdit, typed);
    QCOMPARE(window->ListedSlots(), count);
    QStringList listed;
    for (int row = 0; row < std::min(count, 3); ++row) {
      listed << QString::number(window->ListedSlot(row).Number);
    }
    QCOMPARE(listed.join(','), first);
    QCOMPARE(window->SummaryPanel->text(), QString("511 discs, 3 formatted, 1 locked"));
  }

  // The slot commands follow the selection; the disk window's own commands stay off.
  void commandsFollowTheSelection_data() {
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<QStringList>("commands");
    const QStringList some = {"MMBLockMnuItem", "MMBUnLockMnuItem", "MMBFormatMnuItem",
                              "MMBKillMnuItem"};
    const QStringList one =
        some + QStringList{"MMBOpenDiscMnuItem", "MMBImportMnuItem", "MMBBootMnuItem"};
    QTest::newRow("none") << QList<int>{} << QStringList{};
    QTest::newRow("a formatted disc") << QList<int>{0} << one + QStringList{"MMBExportMnuItem"};
    QTest::newRow("an unformatted slot") << QList<int>{2} << one;
    QTest::newRow("two discs") << QList<int>{0, 5} << some;
  }
  void commandsFollowTheSelection() {
    QFETCH(QList<int>, rows);
    QFETCH(QStringList, commands);
    TMMBFrm* window = OpenMMB(WriteMMB());
    ClickSlots(window, rows);
    QCOMPARE(Sorted(EnabledCommandNames(Frame())), Sorted(kAlways + commands));
  }

  // A disc opens in an ordinary disk window whose changes reach that disc alone; opening
  // it again shares its data, a locked disc opens read-only, and a title changed there
  // shows in the slot list and the index at once.
  void openDiscAndChangeIt() {
    const std::string path = WriteMMB();
    const std::vector<uint8_t> index = ReadHostRange(path, 0, 8192);
    const std::vector<uint8_t> disc1 = DiscBytes(path, 1);
    const std::vector<uint8_t> disc5 = DiscBytes(path, 5);
    TMMBFrm* mmb = OpenMMB(path);
    ClickSlot(mmb, 0);
    QTest::mouseDClick(mmb->MMBSlots->viewport(), Qt::LeftButton, Qt::NoModifier,
                       mmb->SlotRowRect(0).center());
    auto* disc = qobject_cast<TDFSDiskFrm*>(Frame().ActiveChild());
    QVERIFY(disc != nullptr);
    QCOMPARE(disc->windowTitle(), "GAMES " + QString::fromStdString(path) + " : disc 0");
    QCOMPARE(disc->ListedFiles, 2);
    ClickGridRow(disc, 1);
    Prompts().QueueYesNo(true);
    ClickToolButton(Frame(), Frame().DeleteToolBut);
    QCOMPARE(DecodeRawDisk(DiscBytes(path, 0), false, 0).entries.size(), size_t(1));
    QCOMPARE(ReadHostRange(path, 0, 8192), index);
    QVERIFY(DiscBytes(path, 1) == disc1);
    QVERIFY(DiscBytes(path, 5) == disc5);

    ClickSlot(mmb, 0);
    QTest::keyClick(mmb->MMBSlots, Qt::Key_Return);
    auto* again = qobject_cast<TDFSDiskFrm*>(Frame().ActiveChild());
    QVERIFY(again != nullptr && again != disc);
    QCOMPARE(again->CommonData, disc->CommonData);
    QCOMPARE(again->windowTitle(), "GAMES # 2 " + QString::fromStdString(path) + " : disc 0");

    disc->Disk()->SetTitle("RENAMED");
    QCOMPARE(Cell(mmb, 0, 1), QString("RENAMED"));
    QCOMPARE(IndexTitle(path, 0), std::string("RENAMED"));

    ClickSlot(mmb, 1);
    QTest::keyClick(mmb->MMBSlots, Qt::Key_Return);
    auto* locked = qobject_cast<TDFSDiskFrm*>(Frame().ActiveChild());
    QVERIFY(locked != nullptr && locked != again);
    QVERIFY(locked->windowTitle().endsWith(" : disc 1 (read-only)"));
    ClickGridRow(locked, 1);
    QVERIFY(!EnabledCommandNames(Frame()).contains("DeleteToolBut"));
    QVERIFY(!EnabledCommandNames(Frame()).contains("LockMnuItem"));

    ClickSlot(mmb, 2);
    QTest::keyClick(mmb->MMBSlots, Qt::Key_Return);
    QCOMPARE(Texts(Prompts()).last(),
             QString("Disc 2 is not formatted, format it or import an image into it first."));
    QCOMPARE(Frame().ActiveChild(), mmb);
  }

  // Each slot command on the selected slots, with its question and its refusals. A disc
  // open in a disk window keeps its slot as it is.
  void slotCommands_data() {
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<bool>("openDisc0");
    QTest::addColumn<QStringList>("prompts");
    QTest::addColumn<QString>("statuses");  // of discs 0, 1, 2, 5
    QTest::addColumn<QString>("title0");
    const QString before = "0F 00 F0 0F";
    const QString locked = "Disc 1 is locked, unlock it and then try again.";
    const QString format0 =
        "Are you sure you want to format disc 0 (GAMES)? Every file on it will be lost.";
    QTest::newRow("lock") << QList<int>{0} << "MMBLockMnuItem" << false << false << QStringList{}
                          << "00 00 F0 0F"
                          << "GAMES";
    QTest::newRow("unlock") << QList<int>{1} << "MMBUnLockMnuItem" << false << false
                            << QStringList{} << "0F 0F F0 0F"
                            << "GAMES";
    QTest::newRow("format an empty slot")
        << QList<int>{2} << "MMBFormatMnuItem" << false << false << QStringList{} << "0F 00 0F 0F"
        << "GAMES";
    QTest::newRow("format a disc, yes") << QList<int>{0} << "MMBFormatMnuItem" << true << false
                                        << QStringList{format0} << before << "";
    QTest::newRow("format a disc, no") << QList<int>{0} << "MMBFormatMnuItem" << false << false
                                       << QStringList{format0} << before << "GAMES";
    QTest::newRow("format a locked disc") << QList<int>{1} << "MMBFormatMnuItem" << true << false
                                          << QStringList{locked} << before << "GAMES";
    QTest::newRow("kill, yes")
        << QList<int>{5} << "MMBKillMnuItem" << true << false
        << QStringList{"Are you sure you want to kill disc 5 (DEMO)? Its slot will be marked "
                       "unformatted."}
        << "0F 00 F0 F0" << "GAMES";
    QTest::newRow("kill two, no")
        << QList<int>{0, 5} << "MMBKillMnuItem" << false << false
        << QStringList{"Are you sure you want to kill the 2 selected discs? Their slots will be "
                       "marked unformatted."}
        << before << "GAMES";
    QTest::newRow("kill a locked disc") << QList<int>{1} << "MMBKillMnuItem" << true << false
                                        << QStringList{locked} << before << "GAMES";
    QTest::newRow("lock an open disc")
        << QList<int>{0, 5} << "MMBLockMnuItem" << false << true
        << QStringList{"Disc 0 is open in a disk window, close its windows before you change its "
                       "slot."}
        << "0F 00 F0 00" << "GAMES";
  }
  void slotCommands() {
    QFETCH(QList<int>, rows);
    QFETCH(QString, command);
    QFETCH(bool, yes);
    QFETCH(bool, openDisc0);
    QFETCH(QStringList, prompts);
    QFETCH(QString, statuses);
    QFETCH(QString, title0);
    const std::string path = WriteMMB();
    TMMBFrm* window = OpenMMB(path);
    if (openDisc0) {
      QVERIFY(Frame().OpenMMBDisc(window, 0) != nullptr);
    }
    ClickSlots(window, rows);
    Prompts().QueueYesNo(yes);
    QAction* action = Frame().DiskMnu->findChild<QAction*>(command);
    QVERIFY(action != nullptr);
    Click(action);
    QCOMPARE(Texts(Prompts()), prompts);
    QCOMPARE(Statuses(path), statuses);
    QCOMPARE(IndexTitle(path, 0), title0.toStdString());
    QCOMPARE(Cell(window, 0, 1), title0);
    QCOMPARE(Cell(window, 5, 2), QString(statuses.endsWith("00")   ? "Locked"
                                         : statuses.endsWith("F0") ? "Unformatted"
                                                                   : "Read/write"));
  }

  // The context menu offers the slot commands; Set as boot disc writes the header.
  void contextMenuAndBootDisc() {
    const std::string path = WriteMMB();
    TMMBFrm* window = OpenMMB(path);
    ClickSlot(window, 5);
    QStringList offered;
    QTimer::singleShot(0, [&offered] {
      if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        for (QAction* item : menu->actions()) {
          offered << item->text() + (item->isEnabled() ? "" : " (off)");
        }
        menu->close();
      }
    });
    const QPoint at = window->SlotRowRect(5).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at,
                            window->MMBSlots->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(window->MMBSlots->viewport(), &event);
    QCOMPARE(offered,
             QStringList({"Open disc", "Lock", "UnLock", "Format", "Kill", "Import .ssd...",
                          "Export as .ssd...", "Set as boot disc for drive"}));
    ClickMenuItem(Frame(), Frame().MMBBootMnu, Frame().MMBBootDriveMnuItems[2]);
    QCOMPARE(ReadHostRange(path, 0, 8), std::vector<uint8_t>({0, 1, 5, 3, 0, 0, 0, 0}));
    QCOMPARE(window->BootPanel->text(), QString("Boot: 0, 1, 5, 3"));
    QVERIFY(Texts(Prompts()).isEmpty());
  }

  // Import .ssd... puts an image into the selected slot, asking before it replaces a
  // disc; an image too large for a slot is refused. Export as .ssd... writes the disc.
  void importAndExport_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("imageSize");  // 0: the dialog is cancelled
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<bool>("imported");
    QTest::newRow("into an empty slot") << 2 << 1 << false << "" << true;
    QTest::newRow("over a disc, yes")
        << 0 << 1 << true << "Are you sure you want to replace disc 0 (GAMES) with the image PATH?"
        << true;
    QTest::newRow("over a disc, no")
        << 0 << 1 << false << "Are you sure you want to replace disc 0 (GAMES) with the image PATH?"
        << false;
    QTest::newRow("too large")
        << 2 << 300000 << false
        << "The image PATH is larger than 200K, so it will not fit in an MMB slot." << false;
    QTest::newRow("cancelled") << 2 << 0 << false << "" << false;
  }
  void importAndExport() {
    QFETCH(int, row);
    QFETCH(int, imageSize);
    QFETCH(bool, yes);
    QFETCH(QString, prompt);
    QFETCH(bool, imported);
    const std::string path = WriteMMB();
    std::string image = WriteImage("new.ssd", "NEWONE");
    if (imageSize > 1) {
      ImageBuilder().HostSize(static_cast<size_t>(imageSize)).WriteTo(image);
    }
    const std::vector<uint8_t> before = DiscBytes(path, row);
    TMMBFrm* window = OpenMMB(path);
    ClickSlot(window, row);
    if (imageSize > 0) {
      Prompts().QueueFileName(image);
    }
    Prompts().QueueYesNo(yes);
    Click(Frame().MMBImportMnuItem);
    QCOMPARE(Texts(Prompts()).join('|'),
             QString(prompt).replace("PATH", QString::fromStdString(image)));
    std::vector<uint8_t> expected = ReadHostFile(image);
    expected.resize(kDisc, 0);
    QCOMPARE(DiscBytes(path, row) == expected, imported);
    QCOMPARE(DiscBytes(path, row) == before, !imported);
    QCOMPARE(Cell(window, row, 1) == "NEWONE", imported);

    const std::string exported = dir_.filePath("out.ssd").toStdString();
    ClickSlot(window, 0);
    Prompts().QueueFileName(exported);
    Click(Frame().MMBExportMnuItem);
    QVERIFY(ReadHostFile(exported) == DiscBytes(path, 0));
  }

  // An image dropped on a slot is imported into it, with the question before it replaces
  // a disc; a drop of anything but one single-sided image is refused.
  void dropOnSlot_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<bool>("imported");
    QTest::newRow("on an empty slot") << 2 << QStringList{"drop.ssd"} << "" << true;
    QTest::newRow("on a disc, no")
        << 0 << QStringList{"drop.ssd"}
        << "Are you sure you want to replace disc 0 (GAMES) with the image PATH?" << false;
    QTest::newRow("two images") << 2 << QStringList{"drop.ssd", "other.ssd"}
                                << QString(kMMBDropOneImageMessage) << false;
    QTest::newRow("a double-sided image")
        << 2 << QStringList{"drop.dsd"} << QString(kMMBDropOneImageMessage) << false;
  }
  void dropOnSlot() {
    QFETCH(int, row);
    QFETCH(QStringList, names);
    QFETCH(QString, prompt);
    QFETCH(bool, imported);
    const std::string path = WriteMMB();
    QStringList paths;
    for (const QString& name : names) {
      paths << QString::fromStdString(WriteImage(name.toStdString(), "DROPPED"));
    }
    const std::vector<uint8_t> before = DiscBytes(path, row);
    TMMBFrm* window = OpenMMB(path);
    QVERIFY(DropOnRow(window, row, paths));
    QCOMPARE(Texts(Prompts()).join('|'), QString(prompt).replace("PATH", paths.front()));
    QCOMPARE(DiscBytes(path, row) == before, !imported);
    QCOMPARE(Cell(window, row, 1) == "DROPPED", imported);
  }

  // Pressing on a selected slot and moving the pointer drags it out as an ".ssd" file in
  // the temp area, named after its title. (The offscreen platform ends a drag at once.)
  void dragSlotOut() {
    const std::string path = WriteMMB();
    TMMBFrm* window = OpenMMB(path);
    ClickSlots(window, {0, 5});
    QWidget* viewport = window->MMBSlots->viewport();
    const QPoint start = window->SlotRowRect(0).center();
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, start);
    QTest::mouseMove(viewport, start + QPoint(8, 0));
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, start + QPoint(8, 0));
    const QString area = QString::fromStdString(Frame().TempAreaPath());
    QCOMPARE(QDir(area).entryList(QDir::Files, QDir::Name), QStringList({"DEMO.ssd", "GAMES.ssd"}));
    QVERIFY(ReadHostFile((area + "/GAMES.ssd").toStdString()) == DiscBytes(path, 0));
    QCOMPARE(Frame().DragSource, nullptr);
    QCOMPARE(window->SelectedSlots().size(), size_t(2));
  }

  // New MMB... writes a blank MMB file and opens it; the same name again, while it is
  // open, is refused and the open file kept.
  void newMMB() {
    const std::string path = dir_.filePath("blank.mmb").toStdString();
    Prompts().QueueFileName(path);
    Click(Frame().NewMMBMnuItem);
    auto* window = qobject_cast<TMMBFrm*>(Frame().ActiveChild());
    QVERIFY(window != nullptr);
    QCOMPARE(QFileInfo(QString::fromStdString(path)).size(), qint64(104660992));
    QCOMPARE(window->SummaryPanel->text(), QString("511 discs, 0 formatted, 0 locked"));
    QCOMPARE(Prompts().Events().front().text, std::string("MMB file|*.mmb"));
    Prompts().QueueFileName(path);
    Click(Frame().NewMMBMnuItem);
    QCOMPARE(Texts(Prompts()),
             QStringList({"The file " + QString::fromStdString(path) +
                          " is in use by another program, it has not been replaced."}));
    QCOMPARE(Frame().MdiArea->subWindowList().size(), 1);
  }

  // Closing the MMB window closes the windows on its discs first, after the review of
  // unsaved inspector changes there; Cancel keeps every window open, and the file stays
  // locked until the last of them has gone.
  void closeReviewsTheDiscs_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("windowsLeft");
    QTest::addColumn<bool>("saved");
    QTest::newRow("cancel") << "Cancel" << 3 << false;
    QTest::newRow("close without saving") << "NoSave" << 0 << false;
    QTest::newRow("save") << "Save" << 0 << true;
  }
  void closeReviewsTheDiscs() {
    QFETCH(QString, button);
    QFETCH(int, windowsLeft);
    QFETCH(bool, saved);
    const std::string path = WriteMMB();
    TMMBFrm* mmb = OpenMMB(path);
    TDFSDiskFrm* disc = Frame().OpenMMBDisc(mmb, 0);
    QVERIFY(disc != nullptr);
    std::vector<TFileInspectorFrm*> inspectors = OpenInspectors(Frame(), disc, "1");
    QCOMPARE(inspectors.size(), size_t(1));
    TypeHex(inspectors[0], 0, "77");
    ReviewAnswer review("1", button);
    CloseChild(mmb);
    QCOMPARE(review.Shows, 1);
    QCOMPARE(Frame().MdiArea->subWindowList().size(), windowsLeft);
    const std::vector<uint8_t> bytes = DiscBytes(path, 0);
    const RawDisk raw = DecodeRawDisk(bytes, false, 0);
    const auto second = std::find_if(raw.entries.begin(), raw.entries.end(),
                                     [](const RawEntry& entry) { return entry.name == "SECOND "; });
    QVERIFY(second != raw.entries.end());
    QCOMPARE(RawFileBytes(bytes, false, 0, *second)[0] == 0x77, saved);
    QCOMPARE(Unlocked(path), windowsLeft == 0);
  }
};

KESTROW_GUI_TEST_MAIN(MMBWindowTest)
#include "test_mmb_window.moc"
