// SPDX-License-Identifier: GPL-3.0-or-later
// Check disk and Compact disk from the Disk menu and the toolbar, with real clicks: their
// enabling, the findings dialog, the question, the refusal while an inspector is open
// on the disk, the refill and summary, and the offer to compact after a save or a drop
// found no room.
#include <sys/stat.h>

#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include "app/KestrowMain.h"
#include "dialogs/CheckDisk.h"
#include "disk/DiskCheck.h"
#include "disk/DiskCompact.h"
#include "diskwindow/DFSDisk.h"
#include "inspector/FileInspector.h"
#include "support/FragmentedDisk.h"
#include "support/ImageChecks.h"
#include "support_gui/MainFrameFixture.h"
#include "support_gui/MainFrameHelpers.h"

namespace {

const QStringList kMaintenance = {"CheckDiskMnuItem", "CompactDiskMnuItem", "CheckDiskBut",
                                  "CompactDiskBut"};

QStringList EnabledMaintenance(const TKestrowMainFrm& frame) {
  QStringList enabled;
  for (const QString& name : EnabledCommandNames(frame)) {
    if (kMaintenance.contains(name)) {
      enabled << name;
    }
  }
  return enabled;
}

}  // namespace

class MaintenanceTest : public MainFrameFixture {
  Q_OBJECT

 private slots:
  void enabling() {
    QCOMPARE(EnabledMaintenance(Frame()), QStringList());
    const std::string writable = RoomDisk().WriteToTemp(dir_, "writable.ssd");
    TDFSDiskFrm* disk = OpenDisk(writable);
    QCOMPARE(EnabledMaintenance(Frame()), kMaintenance);
    const std::string readOnly = RoomDisk().WriteToTemp(dir_, "readonly.ssd");
    ::chmod(readOnly.c_str(), 0444);
    OpenDisk(readOnly);
    Prompts().Clear();
    QCOMPARE(EnabledMaintenance(Frame()), (QStringList{"CheckDiskMnuItem", "CheckDiskBut"}));
    Frame().MdiArea->setActiveSubWindow(disk);
    QCOMPARE(EnabledMaintenance(Frame()), kMaintenance);
    OpenInspectors(Frame(), disk, "100");
    QCOMPARE(EnabledMaintenance(Frame()), QStringList());
  }

  void checkOfACleanDiskSaysSo() {
    OpenDisk(RoomDisk().WriteToTemp(dir_, "clean.ssd"));
    ClickToolButton(Frame(), Frame().CheckDiskBut);
    QCOMPARE(Prompts().Texts(), std::vector<std::string>{kNoProblemsMessage});
  }

  void checkListsFindingsWithTheirIcons() {
    const std::string path = RoomDisk()
                                 .AddEntry({'$', "X", 0, 0, 256, 11})
                                 .AddEntry({'$', "A", 0, 0, 10, 19})
                                 .HostSize(20 * 256)
                                 .WriteToTemp(dir_, "bad.ssd");
    OpenDisk(path);
    QStringList shown;
    bool iconsShown = true;
    // The dialog is made and shown by the command; it is read and closed once it shows.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      TCheckDiskFrm* dialog = Frame().CheckDiskFrm;
      if (dialog == nullptr || !dialog->isVisible()) {
        return;
      }
      poll.stop();
      for (int row = 0; row < dialog->FindingsList->count(); ++row) {
        QListWidgetItem* item = dialog->FindingsList->item(row);
        shown << item->toolTip();
        iconsShown = iconsShown && !item->icon().isNull();
      }
      QTest::mouseClick(dialog->CloseBut, Qt::LeftButton);
    });
    poll.start(20);
    ClickMenuItem(Frame(), Frame().DiskMnu, Frame().CheckDiskMnuItem);
    QCOMPARE(shown, (QStringList{"error overlap", "warning duplicate-name"}));
    QVERIFY(iconsShown);
    QVERIFY(!Frame().CheckDiskFrm->isVisible());
    QVERIFY(Prompts().Texts().empty());
  }

  void compactAsksThenCompacts_data() {
    QTest::addColumn<bool>("fromMenu");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<int>("catalogues");
    QTest::addColumn<QString>("firstStart");  // the first row's start sector afterwards
    QTest::newRow("menu, Yes") << true << true << 1 << "006";
    QTest::newRow("toolbar, Yes") << false << true << 1 << "006";
    QTest::newRow("toolbar, No") << false << false << 1 << "00A";
    QTest::newRow("Watford 62-file disk, menu, Yes") << true << true << 2 << "006";
  }
  void compactAsksThenCompacts() {
    QFETCH(bool, fromMenu);
    QFETCH(bool, yes);
    QFETCH(int, catalogues);
    QFETCH(QString, firstStart);
    const std::string path = RoomDisk(false, catalogues).WriteToTemp(dir_, "compact.ssd");
    const std::vector<uint8_t> before = ReadHostFile(path);
    TDFSDiskFrm* disk = OpenDisk(path);
    Frame().DuplicateMnuItem->trigger();
    auto* other = static_cast<TDFSDiskFrm*>(Frame().ActiveChild());
    const QString caption = other->windowTitle().trimmed();
    Prompts().QueueYesNo(yes);
    if (fromMenu) {
      ClickMenuItem(Frame(), Frame().DiskMnu, Frame().CompactDiskMnuItem);
    } else {
      ClickToolButton(Frame(), Frame().CompactDiskBut);
    }
    std::vector<std::string> expected = {
        QString("Compact the disk titled %1? Files will be moved so that all free space is in one "
                "block.")
            .arg(caption)
            .toStdString()};
    if (yes) {
      expected.push_back(
          "The disk has been compacted: 2 files moved, largest free block now 3072 bytes.");
    }
    QCOMPARE(Prompts().Texts(), expected);
    const std::vector<uint8_t> after = ReadHostFile(path);
    QCOMPARE(QString::fromStdString(CompactionProblem(before, after, yes)), QString());
    // Both windows on the disk show the new start sectors.
    for (TDFSDiskFrm* window : {disk, other}) {
      QCOMPARE(window->Cells(6, 1).trimmed(), firstStart);
    }
  }

  void compactRefusesWhileAnInspectorIsOpen() {
    const std::string path = RoomDisk().WriteToTemp(dir_, "inspected.ssd");
    TDFSDiskFrm* disk = OpenDisk(path);
    OpenInspectors(Frame(), disk, "010");
    Frame().MdiArea->setActiveSubWindow(disk);
    Prompts().Clear();
    ClickToolButton(Frame(), Frame().CompactDiskBut);
    QCOMPARE(Prompts().Texts(), std::vector<std::string>{TKestrowMainFrm::kFileInInspectorMessage});
    QCOMPARE(ReadHostFile(path), RoomDisk().Image());
  }

  // A dropped file that fits only once the disk is compacted: the no-room message, the
  // offer, the summary, and the file is stored.
  void droppedFileWithNoRoomOffersCompaction() {
    const std::string path = RoomDisk().WriteToTemp(dir_, "drop.ssd");
    TDFSDiskFrm* disk = OpenDisk(path);
    const std::string host = dir_.filePath("$.BIG").toStdString();
    ImageBuilder().Bytes(0, PatternBytes(3000, 7)).HostSize(3000).WriteTo(host);
    Prompts().QueueYesNo(true);
    disk->ProcessDroppedFiles({host});
    QCOMPARE(Prompts().Texts(),
             (std::vector<std::string>{kNoRoomMessage, kCompactForRoomQuestion,
                                       "The disk has been compacted: 2 files moved, largest free "
                                       "block now 3072 bytes."}));
    QCOMPARE(ListedNames(disk), (QStringList{"BIG", "C", "B", "A"}));
  }

  // The inspector's save of a grown file: the offer, and the save succeeds after the
  // compaction, which the inspector itself does not stand in the way of.
  void inspectorSaveWithNoRoomOffersCompaction() {
    const std::string path = RoomDisk().WriteToTemp(dir_, "save.ssd");
    TDFSDiskFrm* disk = OpenDisk(path);
    std::vector<TFileInspectorFrm*> inspectors = OpenInspectors(Frame(), disk, "100");
    QCOMPARE(inspectors.size(), size_t(1));
    auto* data = static_cast<InspectorDataClass*>(inspectors.front()->CommonData);
    data->Buffer = SMemoryStream(PatternBytes(3500, 8));
    data->Changed = true;
    Frame().SetMenuButtons(inspectors.front());
    Prompts().Clear();
    Prompts().QueueYesNo(true);
    ClickToolButton(Frame(), Frame().SaveFileChangesBut);
    QCOMPARE(Prompts().Texts(),
             (std::vector<std::string>{kNoRoomMessage, kCompactForRoomQuestion,
                                       "The disk has been compacted: 2 files moved, largest free "
                                       "block now 3072 bytes."}));
    QVERIFY(!data->Changed);
    QCOMPARE(FileContents(ReadHostFile(path), false, 0)["$.C"], PatternBytes(3500, 8));
  }
};

KESTROW_GUI_TEST_MAIN(MaintenanceTest)
#include "test_maintenance.moc"
