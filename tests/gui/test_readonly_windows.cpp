// SPDX-License-Identifier: GPL-3.0-or-later
// The windows on disks Kestrow must not or cannot change: an image without write
// permission, and one whose name and layout disagree, open read-only with every command
// that would change them disabled. And on a catalogue that holds two files of one name,
// the commands act on the selected row's own entry.
#include <sys/stat.h>

#include <QTemporaryDir>
#include <QTest>

#include "app/KestrowMain.h"
#include "disk/ImageLayout.h"
#include "diskwindow/DFSDisk.h"
#include "inspector/FileInspector.h"
#include "platform/ScriptedPrompts.h"
#include "support/ImageBuilder.h"
#include "support/RawDisk.h"
#include "support_gui/DiskWindowTestSupport.h"
#include "support_gui/MainFrameFixture.h"
#include "support_gui/MainFrameHelpers.h"

namespace {

ImageBuilder Archive() {
  ImageBuilder image(800);
  image.Title("ARCHIVE");
  image.AddEntry({'$', "GAME", 0x1900, 0x8023, 600, 2}).FileData(2, PatternBytes(600, 1));
  return image;
}

const QStringList kChangingCommands = {
    "DeleteMnuItem", "LockMnuItem", "UnLockMnuItem", "DiskPropMnu", "CompactDiskMnuItem",
    "DeleteToolBut", "LockToolBut", "UnLockToolBut", "DiskPropBut", "CompactDiskBut"};

}  // namespace

class TestReadOnlyWindows : public MainFrameFixture {
  Q_OBJECT

  // Opens the image and checks what a read-only disk window offers.
  TDFSDiskFrm* OpenReadOnly(const std::string& path) {
    TDFSDiskFrm* window = Frame().NewDFSFiler(path);
    if (window == nullptr) {
      return nullptr;
    }
    ClickGridRow(window, 1);
    return window;
  }

 private slots:
  // A file without write permission: read-only caption, no changing command, a drop
  // that says why nothing came in, an inspector that edits but cannot save; the file is
  // never written.
  void unwritableImageOpensReadOnly() {
    const std::string path = Archive().WriteToTemp(dir_, "archive.ssd");
    QCOMPARE(::chmod(path.c_str(), 0444), 0);
    const std::vector<uint8_t> before = ReadHostFile(path);
    TDFSDiskFrm* window = OpenReadOnly(path);
    QVERIFY(window != nullptr);
    QVERIFY(window->windowTitle().endsWith(" (read-only)"));
    QVERIFY(Prompts().Texts().empty());
    const QStringList enabled = EnabledCommandNames(Frame());
    QVERIFY(enabled.contains("OpenInspectorMnuItem"));
    QVERIFY(enabled.contains("CheckDiskMnuItem"));  // checking only reads
    for (const QString& command : kChangingCommands) {
      QVERIFY2(!enabled.contains(command), qPrintable(command));
    }

    const std::string host = dir_.filePath("$.NEW").toStdString();
    ImageBuilder().Bytes(0, PatternBytes(100, 2)).HostSize(100).WriteTo(host);
    QVERIFY(DropFiles(window, {QString::fromStdString(host)}));
    QCOMPARE(Prompts().Messages().size(), size_t(1));
    QVERIFY(QString::fromStdString(Prompts().Messages()[0]).startsWith("Nothing was added."));

    std::vector<TFileInspectorFrm*> inspectors = OpenInspectors(Frame(), window, "1");
    QCOMPARE(inspectors.size(), size_t(1));
    TypeHex(inspectors[0], 0, "AB");
    QVERIFY(!EnabledCommandNames(Frame()).contains("SaveFileChangesMnuItem"));
    QVERIFY(!Frame().SaveFile(inspectors[0]));
    QVERIFY(QString::fromStdString(Prompts().Messages().back())
                .startsWith("The changes cannot be saved."));
    QCOMPARE(ReadHostFile(path), before);
    ::chmod(path.c_str(), 0644);
  }

  // A double-sided image renamed ".ssd" opens read-only and says which layout its
  // content shows, once.
  void layoutMismatchIsToldOnce() {
    const std::vector<uint8_t> image =
        InterleavedImage(Archive().Image(), Archive().Title("SIDE2").Image());
    const std::string path = dir_.filePath("renamed.ssd").toStdString();
    ImageBuilder().Bytes(0, image).HostSize(image.size()).WriteTo(path);
    TDFSDiskFrm* window = OpenReadOnly(path);
    QVERIFY(window != nullptr);
    QCOMPARE(Prompts().Messages(),
             std::vector<std::string>{LayoutMismatchMessage(path, ImageLayout::LinearSingleSided,
                                                            ImageLayout::InterleavedDoubleSided)});
    QVERIFY(window->windowTitle().endsWith(" (read-only)"));
    Frame().DuplicateMnuItem->trigger();
    QCOMPARE(Prompts().Messages().size(), size_t(1));
    QCOMPARE(ReadHostFile(path), image);
  }

  // Two entries named $.BADAPPL: each command acts on the row chosen, not on the first
  // of the name.
  void eachNamesakeIsReachable_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("delete") << "delete";
    QTest::newRow("lock") << "lock";
    QTest::newRow("inspect") << "inspect";
  }
  void eachNamesakeIsReachable() {
    QFETCH(QString, command);
    ImageBuilder image(800);
    image.AddEntry({'$', "BADAPPL", 0, 0, 300, 10}).FileData(10, PatternBytes(300, 3));
    image.AddEntry({'$', "BADAPPL", 0, 0, 500, 2}).FileData(2, PatternBytes(500, 4));
    const std::string path = image.WriteToTemp(dir_, "twins.ssd");
    TDFSDiskFrm* window = Frame().NewDFSFiler(path);
    QVERIFY(window != nullptr);
    QCOMPARE(window->Cells(6, 2), QString("002"));
    if (command == "inspect") {
      std::vector<TFileInspectorFrm*> inspectors = OpenInspectors(Frame(), window, "01");
      QCOMPARE(inspectors.size(), size_t(1));
      auto* data = dynamic_cast<InspectorDataClass*>(inspectors[0]->CommonData);
      QVERIFY(data != nullptr);
      QVERIFY(data->Buffer.Bytes() == PatternBytes(500, 4));
      return;
    }
    ClickGridRow(window, 2);
    QCOMPARE(window->SelectedEntries().size(), size_t(1));
    QCOMPARE(window->SelectedEntries()[0].StartSector, 2);
    QCOMPARE(window->SelectedEntries()[0].CatalogueIndex, 1);
    if (command == "delete") {
      Prompts().QueueYesNo(true);
      Frame().DeleteDFSFile();
      RawDisk disk = DecodeRawDisk(ReadHostFile(path), false, 0);
      QCOMPARE(disk.entries.size(), size_t(1));
      QCOMPARE(disk.entries[0].start, 10u);
    } else {
      Frame().LockMnuItem->trigger();
      for (const RawEntry& entry : DecodeRawDisk(ReadHostFile(path), false, 0).entries) {
        QCOMPARE(entry.locked, entry.start == 2);
      }
    }
  }
};

KESTROW_GUI_TEST_MAIN(TestReadOnlyWindows)
#include "test_readonly_windows.moc"
