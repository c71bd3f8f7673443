// SPDX-License-Identifier: GPL-3.0-or-later
// Double-sided images in the program: a window per side on one shared, locked host file,
// captions and Window-menu entries naming the side, and inspectors, drops, Duplicate and
// closing each working on their own side only.
#include <QMdiArea>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "app/KestrowMain.h"
#include "diskwindow/DFSDisk.h"
#include "inspector/FileInspector.h"
#include "platform/ScriptedPrompts.h"
#include "support/ImageBuilder.h"
#include "support/RawDisk.h"
#include "support_gui/DiskWindowTestSupport.h"
#include "support_gui/MainFrameFixture.h"
#include "support_gui/MainFrameHelpers.h"

namespace {

ImageEntry Entry(const std::string& name, uint32_t length, uint32_t sector) {
  ImageEntry entry;
  entry.name = name;
  entry.length = length;
  entry.startSector = sector;
  return entry;
}

// Side 0 "ZERO" and side 2 "TWO", each with a file $.PROG of its own bytes; side 0 also
// holds $.GAME.
std::string TwoSidedImage(const QTemporaryDir& dir, const std::string& name) {
  ImageBuilder zero;
  zero.Title("ZERO").AddEntry(Entry("PROG", 300, 2)).FileData(2, std::vector<uint8_t>(300, 'z'));
  zero.AddEntry(Entry("GAME", 40, 4)).FileData(4, std::vector<uint8_t>(40, 'g'));
  ImageBuilder two;
  two.Title("TWO").AddEntry(Entry("PROG", 20, 2)).FileData(2, std::vector<uint8_t>(20, 't'));
  const std::string path = dir.filePath(QString::fromStdString(name)).toStdString();
  ImageBuilder().HostSize(0).Bytes(0, InterleavedImage(zero.Image(), two.Image())).WriteTo(path);
  return path;
}

// Whether another process can take the image's lock now.
bool OthersCanLock(const std::string& path) {
  return QProcess::execute("flock", {"-n", QString::fromStdString(path), "true"}) == 0;
}

// The names on drive 0 or 2 of the image file, read from its bytes; "*" marks a locked
// file.
QStringList SideFiles(const std::string& path, int drive) {
  QStringList names;
  for (const RawEntry& entry : DecodeRawDisk(ReadHostFile(path), true, drive / 2).entries) {
    names << QString::fromLatin1(entry.name).trimmed() + (entry.locked ? "*" : "");
  }
  names.sort();
  return names;
}

// The bytes of the host file that belong to drive 0 (every other 2560-byte track).
std::vector<uint8_t> Side0Bytes(const std::vector<uint8_t>& image) {
  std::vector<uint8_t> bytes;
  for (size_t offset = 0; offset < image.size(); offset += 5120) {
    bytes.insert(bytes.end(), image.begin() + offset,
                 image.begin() + std::min(offset + 2560, image.size()));
  }
  return bytes;
}

QString Path(const std::string& path) {
  return QString::fromStdString(path);
}

}  // namespace

class DoubleSidedWindowsTest : public MainFrameFixture {
  Q_OBJECT

 private slots:
  void initTestCase() {
    const std::string missing = MissingSamples({"jsbeeb-bcdtest.dsd"});
    QVERIFY2(missing.empty(), missing.c_str());
  }

  // Open gives side 0 then side 2, each with its own data; Duplicate stays on its side;
  // the lock goes with the last window.
  void openingShowsEachSideInItsOwnWindow() {
    const std::string path = CopySample(dir_, "jsbeeb-bcdtest.dsd");
    Prompts().QueueFileName(path);
    Frame().OpenDFSFileMnuItem->trigger();
    const std::vector<ChildWindowClass*> order = Frame().Registry().ChildOrder();
    QCOMPARE(order.size(), size_t(2));
    auto* side2 = static_cast<TDFSDiskFrm*>(order[0]);
    auto* side0 = static_cast<TDFSDiskFrm*>(order[1]);
    QCOMPARE(side0->windowTitle(), "Untitled disk " + Path(path) + " (side 0)");
    QCOMPARE(side2->windowTitle(), "Untitled disk " + Path(path) + " (side 2)");
    QCOMPARE(ListedNames(side0), QStringList{"BCDTEST"});
    QCOMPARE(ListedNames(side2), QStringList{});
    QCOMPARE(Frame().Registry().CommonDataList.size(), size_t(2));
    QVERIFY(!OthersCanLock(path));

    Frame().DuplicateMnuItem->trigger();
    QCOMPARE(Frame().ActiveChild()->windowTitle(), "Untitled disk # 2 " + Path(path) + " (side 2)");
    QCOMPARE(Frame().ActiveChild()->CommonData, side2->CommonData);
    const QString side2Entries =
        "Untitled disk   (side 2)[Untitled disk   (side 2)|Untitled disk   # 2 (side 2)]";
    QCOMPARE(WindowMenuOutline(Frame()), QStringList({"Untitled disk   (side 0)", side2Entries}));
    QVERIFY(Prompts().Texts().empty());

    // Another spelling of the path is another image to the registry: the lock refuses it.
    QVERIFY(Frame().NewDFSFiler(dir_.path().toStdString() + "/./jsbeeb-bcdtest.dsd") == nullptr);
    QCOMPARE(Prompts().Messages(), std::vector<std::string>{TKestrowMainFrm::kOpenFailedMessage});
    QCOMPARE(Frame().Registry().ChildOrder().size(), size_t(3));
    Frame().CloseAllMnuItem->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(Frame().Registry().CommonDataList.empty());
    QVERIFY(OthersCanLock(path));
  }

  // With one side closed the other goes on working on the still locked file; opening
  // the image again brings the missing side back on that same open file.
  void closingOneSideKeepsTheOther() {
    const std::string path = TwoSidedImage(dir_, "two.dsd");
    TDFSDiskFrm* side0 = Frame().NewDFSFiler(path);
    auto* side2 = static_cast<TDFSDiskFrm*>(Frame().ActiveChild());
    QCOMPARE(side0->DiskData()->Side, 0);
    CloseChild(side0);
    QVERIFY(!OthersCanLock(path));
    SelectRows(side2, "1");
    Frame().LockMnuItem->trigger();
    QCOMPARE(side2->Cells(2, 1), QString("L"));
    QCOMPARE(SideFiles(path, 2), QStringList{"PROG*"});

    QVERIFY(Frame().NewDFSFiler(path) != nullptr);
    QVERIFY(Prompts().Texts().empty());
    QCOMPARE(WindowMenuOutline(Frame()),
             QStringList({"TWO   (side 2)[TWO   (side 2)|TWO   # 2 (side 2)]", "ZERO   (side 0)"}));
    auto* reopened = static_cast<TDFSDiskFrm*>(
        Frame().Registry().GetParentDisk(Frame().Registry().FindDiskData(path, 0)));
    QCOMPARE(ListedNames(reopened), QStringList({"PROG", "GAME"}));
    QCOMPARE(reopened->Disk()->HostFile(), side2->Disk()->HostFile());
    CloseChild(side2);
    QVERIFY(!OthersCanLock(path));
    Frame().CloseAllMnuItem->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(OthersCanLock(path));
  }

  // Inspectors on the namesake files of the two sides are apart; each follows its own
  // side in the Window menu and in the closing review, and a save writes into its side
  // only.
  void inspectorsWorkOnTheirOwnSide() {
    const std::string path = TwoSidedImage(dir_, "insp.dsd");
    TDFSDiskFrm* side0 = Frame().NewDFSFiler(path);
    auto* side2 = static_cast<TDFSDiskFrm*>(Frame().ActiveChild());
    const std::vector<TFileInspectorFrm*> on2 = OpenInspectors(Frame(), side2, "1");
    const std::vector<TFileInspectorFrm*> on0 = OpenInspectors(Frame(), side0, "10");
    QCOMPARE(on2.size(), size_t(1));
    QCOMPARE(on0.size(), size_t(1));
    QVERIFY(on2[0]->CommonData != on0[0]->CommonData);
    QCOMPARE(on2[0]->windowTitle(), "TWO.$.PROG      " + Path(path) + " (side 2)");
    QCOMPARE(WindowMenuOutline(Frame()),
             QStringList({"ZERO   (side 0)", "ZERO.$.PROG      (side 0)", "TWO   (side 2)",
                          "TWO.$.PROG      (side 2)"}));

    TypeHex(on2[0], 0, "41");
    const std::vector<uint8_t> before = ReadHostFile(path);
    CloseChild(side0);  // no review: the changed file is on side 2
    QVERIFY(Prompts().Events().empty());
    QCOMPARE(Frame().Registry().ChildOrder().size(), size_t(2));

    Frame().MdiArea->setActiveSubWindow(on2[0]);
    Frame().SaveFileChangesMnuItem->trigger();
    QVERIFY(Prompts().Texts().empty());
    const std::vector<uint8_t> after = ReadHostFile(path);
    QCOMPARE(Side0Bytes(after), Side0Bytes(before));
    const RawDisk disk = DecodeRawDisk(after, true, 1);
    QCOMPARE(disk.entries.size(), size_t(1));
    std::vector<uint8_t> expected(20, 't');
    expected[0] = 'A';
    QCOMPARE(RawFileBytes(after, true, 1, disk.entries[0]), expected);
  }

  // Files dragged out of side 0 and dropped on side 2 land on side 2 only.
  void dragFromOneSideDropOnTheOther() {
    const std::string path = TwoSidedImage(dir_, "drop.dsd");
    TDFSDiskFrm* side0 = Frame().NewDFSFiler(path);
    auto* side2 = static_cast<TDFSDiskFrm*>(Frame().ActiveChild());
    SelectRows(side0, "01");
    const std::unique_ptr<QMimeData> data = side0->MakeDragData();
    QVERIFY(data != nullptr);
    Frame().DragSource = side0;
    QVERIFY(DropUrls(side2, data->urls()));
    QCOMPARE(SideFiles(path, 2), QStringList({"GAME", "PROG"}));
    QCOMPARE(SideFiles(path, 0), QStringList({"GAME", "PROG"}));
    QCOMPARE(side2->ListedFiles, 2);
    QCOMPARE(side2->Disk()->ReadFileData(*side2->Disk()->FindFile('$', "GAME   ")),
             std::vector<uint8_t>(40, 'g'));
    QVERIFY(Prompts().Texts().empty());
  }

  // Either New disk command writes a double-sided image for a ".dsd" name.
  void newDoubleSidedDisk_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("filter");
    QTest::newRow("New disk (dsd 80T)") << "NewDSDFileMnuItem"
                                        << "double sided disk|*.dsd|single sided disk|*.ssd";
    QTest::newRow("New disk (ssd 80T), a .dsd name") << "NewDFSFileMnuItem"
                                                     << "single sided disk|*.ssd";
  }
  void newDoubleSidedDisk() {
    QFETCH(QString, command);
    QFETCH(QString, filter);
    const std::string path = TwoSidedImage(dir_, "new.dsd");  // replaced
    auto* item = Frame().findChild<QAction*>(command);
    const QList<QAction*> items = Frame().DiskMnu->actions();
    QCOMPARE(items.indexOf(Frame().NewDSDFileMnuItem),
             items.indexOf(Frame().NewDFSFileMnuItem) + 1);
    QCOMPARE(Frame().NewDSDFileMnuItem->text(), QString("New disk (dsd 80T)"));
    Prompts().QueueFileName(path);
    ClickMenuItem(Frame(), Frame().DiskMnu, item);
    QCOMPARE(Prompts().Events().at(0).text, filter.toStdString());
    std::vector<uint8_t> expected(3072, 0);
    for (size_t catalogue : {0, 2560}) {
      expected[catalogue + 0x106] = 0x03;
      expected[catalogue + 0x107] = 0x20;
    }
    QCOMPARE(ReadHostFile(path), expected);
    QCOMPARE(WindowMenuOutline(Frame()),
             QStringList({"Untitled disk   (side 0)", "Untitled disk   (side 2)"}));
    QVERIFY(Prompts().Texts().empty());
  }
};

KESTROW_GUI_TEST_MAIN(DoubleSidedWindowsTest)
#include "test_doublesided_windows.moc"
