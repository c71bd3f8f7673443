// SPDX-License-Identifier: GPL-3.0-or-later
// Compact disk: on the fragmented sample and on built layouts, Watford 62-file disks among
// them, every file keeps its bytes and its catalogue, free space becomes one block and
// nothing in the catalogues but start sectors changes;
// disks with errors are refused untouched; the no-room offer is made exactly when
// compacting lets the save succeed. Then a write failure injected at every write and
// flush (once, for good, and after many byte counts) leaves each file at its old place
// or its new one, and the command line's check and compact.
#include <unistd.h>

#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>
#include <set>

#include "disk/DiskCheck.h"
#include "disk/DiskCompact.h"
#include "disk/Journal.h"
#include "platform/ScriptedPrompts.h"
#include "support/CliRunner.h"
#include "support/FragmentedDisk.h"
#include "support/ImageChecks.h"

Q_DECLARE_METATYPE(std::vector<uint8_t>)
Q_DECLARE_METATYPE(std::vector<PlacedFile>)

namespace {

std::unique_ptr<DFSDiskClass> OpenSide(const std::string& path, int side = 0,
                                       std::shared_ptr<FaultPlan> faults = nullptr) {
  auto stream = std::make_shared<SFileStream>(path, true);
  stream->SetFaultPlan(std::move(faults));
  SectorMapping mapping;
  mapping.interleaved = IsDoubleSidedName(path);
  mapping.side = side;
  return std::make_unique<DFSDiskClass>(stream, path, mapping);
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  ImageBuilder().Bytes(0, bytes).HostSize(bytes.size()).WriteTo(path);
}

std::vector<PlacedFile> InCatalogue(std::vector<PlacedFile> files, int catalogue) {
  for (PlacedFile& file : files) {
    file.catalogue = catalogue;
  }
  return files;
}

DFSFileClass NewFile(const std::string& name, int32_t length) {
  DFSFileClass file;
  file.Name = PadRight(name, 7);
  file.Length = length;
  return file;
}

}  // namespace

class TestDiskCompact : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_{(QFileInfo::exists("/dev/shm") ? QString("/dev/shm") : QDir::tempPath()) +
                     "/kestrow-compact-XXXXXX"};
  int faultCases_ = 0;

  std::string Path(const char* name) const { return dir_.filePath(name).toStdString(); }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    if (std::string missing = MissingSamples({"oaknut-03-fragmented.ssd"}); !missing.empty()) {
      QFAIL(missing.c_str());
    }
  }
  void cleanupTestCase() { qInfo("compaction fault cases tried: %d", faultCases_); }

  void compactsTheFragmentedSample() {
    const std::string path = CopySample(dir_, "oaknut-03-fragmented.ssd");
    const std::vector<uint8_t> before = ReadHostFile(path);
    CompactionResult result;
    {
      ImageSides sides = OpenDiskImage(path);
      result = CompactDisk(*sides.front());
      QCOMPARE(sides.front()->LargestFree, sides.front()->DiskSize - sides.front()->UsedSpace);
    }
    QVERIFY(result.compacted);
    QCOMPARE(CompactionSummary(result),
             std::string("The disk has been compacted: 3 files moved, largest free block now "
                         "202496 bytes."));
    const std::vector<uint8_t> after = ReadHostFile(path);
    QCOMPARE(QString::fromStdString(CompactionProblem(before, after, true)), QString());
    const RawDisk disk = DecodeRawDisk(after, false, 0);
    QCOMPARE(disk.largestFree, disk.diskSize - disk.used);
    QCOMPARE(after.size(), before.size());
  }

  void compacts_data() {
    QTest::addColumn<std::vector<uint8_t>>("image");
    QTest::addColumn<bool>("doubleSided");
    QTest::addColumn<int>("filesMoved");
    QTest::newRow("already compact")
        << FragmentedDisk(100, {{"B", 4, 300}, {"A", 2, 512}}).Image() << false << 0;
    QTest::newRow("files overlapping their old places, some locked")
        << FragmentedDisk(100, OverlappingFiles(6, 4)).Image() << false << 6;
    QTest::newRow("catalogue in ascending order")
        << FragmentedDisk(100, {{"A", 5, 700, true}, {"B", 9, 100}, {"C", 30, 2000}}).Image()
        << false << 3;
    QTest::newRow("zero-length entries take their turn in the packing")
        << FragmentedDisk(100, {{"Z", 40, 0}, {"B", 20, 256}, {"E", 2, 0}, {"A", 10, 1000}}).Image()
        << false << 3;
    QTest::newRow("a zero-length entry in the free space no longer splits it")
        << FragmentedDisk(100, {{"E", 60, 0}, {"A", 10, 1000}}).Image() << false << 2;
    QTest::newRow("a zero-length entry packed to the start of a file listed before it")
        << FragmentedDisk(100, {{"F", 8, 512}, {"E", 5, 0}}).Image() << false << 2;
    QTest::newRow("drive 2 of a double-sided image")
        << InterleavedImage(FragmentedDisk(100, OverlappingFiles(3, 12)).Image(),
                            FragmentedDisk(100, OverlappingFiles(4, 12)).Image())
        << true << 4;
    QTest::newRow("Watford, both catalogues, files overlapping their old places")
        << FragmentedDisk(100, OverlappingFiles(7, 4, 2), 2).Image() << false << 7;
    QTest::newRow("Watford, the guard entry stays over the second catalogue")
        << FragmentedDisk(100, OverlappingFiles(5, 3, 2), 2).WatfordGuard().Image() << false << 5;
    QTest::newRow("Watford, an empty first catalogue and a full second")
        << FragmentedDisk(100, InCatalogue(OverlappingFiles(31, 1, 2), 1), 2).Image() << false
        << 31;
    QTest::newRow("Watford, already compact")
        << FragmentedDisk(100, {{"B", 6, 300, false, 2, 1}, {"Z", 2, 0}, {"A", 4, 512}}, 2).Image()
        << false << 0;
    QTest::newRow("Watford, drive 2 of a double-sided image")
        << InterleavedImage(FragmentedDisk(100, OverlappingFiles(3, 12)).Image(),
                            FragmentedDisk(100, OverlappingFiles(5, 6, 2), 2).Image())
        << true << 5;
  }
  void compacts() {
    QFETCH(std::vector<uint8_t>, image);
    QFETCH(bool, doubleSided);
    QFETCH(int, filesMoved);
    const std::string path = Path(doubleSided ? "layout.dsd" : "layout.ssd");
    WriteBytes(path, image);
    const int side = doubleSided ? 1 : 0;
    CompactionResult result = CompactDisk(*OpenSide(path, side));
    QVERIFY2(result.compacted, result.refusal.c_str());
    QCOMPARE(result.filesMoved, filesMoved);
    const std::vector<uint8_t> after = ReadHostFile(path);
    QCOMPARE(QString::fromStdString(CompactionProblem(image, after, true, doubleSided, side)),
             QString());
    if (filesMoved == 0) {
      QCOMPARE(after, image);
    }
    // All free space is one block, as new data would find it.
    const RawDisk compacted = DecodeRawDisk(after, doubleSided, side);
    QCOMPARE(result.largestFree, compacted.diskSize - compacted.used);
    QVERIFY2(PlanCompaction(*OpenSide(path, side)).empty(), "compacting again would move files");
    if (doubleSided) {
      QCOMPARE(FileContents(after, true, 0), FileContents(image, true, 0));
      QVERIFY(SameEntries(DecodeRawDisk(after, true, 0).entries,
                          DecodeRawDisk(image, true, 0).entries));
    }
    QVERIFY(!Journal::ExistsFor(path));
  }

  void refusesOnAnError_data() {
    QTest::addColumn<std::vector<uint8_t>>("image");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("overlapping files")
        << FragmentedDisk(100, {{"B", 11, 300}, {"A", 10, 512}}).Image() << false
        << "The disk cannot be compacted: $.B (#1) and $.A (#2) share sectors 11 to 11. Check "
           "disk lists every problem it finds.";
    QTest::newRow("Watford, files of the two catalogues overlapping")
        << FragmentedDisk(100, {{"B", 11, 300, false, 1, 1}, {"A", 10, 512}}, 2).Image() << false
        << "The disk cannot be compacted: $.A (#1) and $.B (#2) share sectors 11 to 11. Check "
           "disk lists every problem it finds.";
    QTest::newRow("Watford mark over a file of the first catalogue")
        << FragmentedDisk(100, {{"A", 2, 700}}).Bytes(0x200, std::vector<uint8_t>(8, 0xAA)).Image()
        << false
        << "The disk cannot be compacted: Sector 2 starts with the mark of a Watford DFS 62-file "
           "disk, but the first catalogue lists a file there; either the mark or that file could "
           "be wrong. Check disk lists every problem it finds.";
    QTest::newRow("read-only disk") << FragmentedDisk(100, {{"A", 10, 512}}).Image() << true
                                    << "The disk cannot be compacted. This disk is open for "
                                       "reading only.";
  }
  void refusesOnAnError() {
    QFETCH(std::vector<uint8_t>, image);
    QFETCH(bool, readOnly);
    QFETCH(QString, refusal);
    const std::string path = Path("refused.ssd");
    WriteBytes(path, image);
    {
      ImageSides sides =
          OpenDiskImage(path, readOnly ? OpenAccess::ReadOnly : OpenAccess::ReadWrite);
      // The model opens a disk with a Watford mark over a file read-only; the check refuses
      // it by itself.
      sides.front()->SetReadOnly(readOnly ? sides.front()->ReadOnlyReason() : "");
      CompactionResult result = CompactDisk(*sides.front());
      QVERIFY(!result.compacted);
      QCOMPARE(QString::fromStdString(result.refusal), refusal);
    }
    QCOMPARE(ReadHostFile(path), image);
  }

  // The offer is made exactly when the save finds no room now and SaveFile places it once
  // the disk is compacted.
  void offersCompactionOnlyWhenItMakesRoom_data() {
    QTest::addColumn<std::vector<uint8_t>>("image");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("makesRoom");
    QTest::newRow("fits now") << RoomDisk().Image() << "NEW" << 1000 << false;
    QTest::newRow("fits only after") << RoomDisk().Image() << "NEW" << 3000 << true;
    QTest::newRow("would exactly fill the disk") << RoomDisk().Image() << "NEW" << 3072 << false;
    QTest::newRow("replacing the last file") << RoomDisk().Image() << "C" << 3500 << true;
    QTest::newRow("replacing a locked file") << RoomDisk(true).Image() << "C" << 3500 << false;
    QTest::newRow("a disk with an error")
        << RoomDisk().AddEntry({'$', "X", 0, 0, 256, 11}).Image() << "NEW" << 3000 << false;
    QTest::newRow("Watford, fits now") << RoomDisk(false, 2).Image() << "NEW" << 1000 << false;
    QTest::newRow("Watford, fits only after")
        << RoomDisk(false, 2).Image() << "NEW" << 3000 << true;
    QTest::newRow("Watford, replacing a file of the second catalogue")
        << RoomDisk(false, 2).Image() << "C" << 3500 << true;
    // 31 one-sector files with gaps: the first catalogue is full, the second has room.
    QTest::newRow("Watford, a full first catalogue")
        << FragmentedDisk(70, InCatalogue(OverlappingFiles(31, 1, 2), 0), 2).Image() << "NEW"
        << 2000 << true;
  }
  void offersCompactionOnlyWhenItMakesRoom() {
    QFETCH(std::vector<uint8_t>, image);
    QFETCH(QString, name);
    QFETCH(int, length);
    QFETCH(bool, makesRoom);
    const std::string path = Path("room.ssd");
    WriteBytes(path, image);
    ImageSides sides = OpenDiskImage(path);
    DFSDiskClass& disk = *sides.front();
    const DFSFileClass file = NewFile(name.toStdString(), length);
    QCOMPARE(CompactionWouldMakeRoom(disk, file), makesRoom);
    ScopedScriptedPrompts prompts;
    prompts->QueueYesNo(true);
    int compacted = 0;
    const bool offered = OfferCompactionForRoom(disk, file, [&] {
      ++compacted;
      return CompactDisk(disk).compacted;
    });
    QCOMPARE(offered, makesRoom);
    QCOMPARE(prompts->Texts(), makesRoom ? std::vector<std::string>{kCompactForRoomQuestion}
                                         : std::vector<std::string>{});
    if (makesRoom) {
      SMemoryStream data(PatternBytes(static_cast<size_t>(length), 9));
      QCOMPARE(disk.SaveFile(file, data), int(kSaveDone));
      QCOMPARE(compacted, 1);
    }
  }

  void noToTheOfferCompactsNothing() {
    const std::string path = Path("declined.ssd");
    WriteBytes(path, RoomDisk().Image());
    ImageSides sides = OpenDiskImage(path);
    ScopedScriptedPrompts prompts;
    prompts->QueueYesNo(false);
    QVERIFY(!OfferCompactionForRoom(*sides.front(), NewFile("NEW", 3000), [] { return true; }));
    QCOMPARE(ReadHostFile(path), RoomDisk().Image());
  }

  // A failure injected at every write and flush, journal writes included, once and for
  // good, and after many byte counts. The image then opens (rolling back a journal left
  // behind) with every file at its old place or its new one, whole; a later compaction
  // completes the work.
  void failuresLoseNothing_data() {
    QTest::addColumn<std::vector<uint8_t>>("image");
    QTest::newRow("Acorn DFS") << FragmentedDisk(60, OverlappingFiles(4, 3)).Image();
    QTest::newRow("Watford 62-file, both catalogues")
        << FragmentedDisk(60, OverlappingFiles(4, 3, 2), 2).Image();
  }
  void failuresLoseNothing() {
    QFETCH(std::vector<uint8_t>, image);
    const std::string path = Path("faults.ssd");
    auto run = [&](const FaultPlan& plan, bool& failed) {
      WriteBytes(path, image);
      auto faults = std::make_shared<FaultPlan>(plan);
      failed = false;
      try {
        failed = !CompactDisk(*OpenSide(path, 0, faults)).compacted;
      } catch (const FileSystemError&) {
        failed = true;
      }
      return faults;
    };
    bool failed = false;
    std::shared_ptr<FaultPlan> reference = run(FaultPlan::FailNthWrite(INT32_MAX), failed);
    QVERIFY(!failed);
    const std::vector<uint8_t> compacted = ReadHostFile(path);
    std::vector<std::pair<std::string, FaultPlan>> plans;
    for (int k = 1; k <= reference->Operations(); ++k) {
      plans.emplace_back("write " + std::to_string(k), FaultPlan::FailNthWrite(k));
      plans.emplace_back("writes from " + std::to_string(k), FaultPlan::FailNthWrite(k, true));
    }
    std::set<int64_t> counts;
    for (int64_t count = 0; count < reference->BytesWritten(); count += 97) {
      counts.insert(count);
    }
    for (int64_t boundary = 256; boundary < reference->BytesWritten(); boundary += 256) {
      counts.insert({boundary - 1, boundary, boundary + 1});
    }
    for (int64_t count : counts) {
      plans.emplace_back("after " + std::to_string(count) + " bytes",
                         FaultPlan::FailAfterBytes(count));
    }
    for (const auto& [description, plan] : plans) {
      std::shared_ptr<FaultPlan> faults = run(plan, failed);
      const std::string label = description + ": ";
      QVERIFY2(failed == faults->Fired(),
               (label + "an error exactly when one was injected").c_str());
      {
        ImageSides sides = OpenDiskImage(path);  // rolls back what a failed rollback left
        QVERIFY2(!sides.front()->IsReadOnly(), (label + sides.front()->ReadOnlyReason()).c_str());
      }
      QVERIFY2(!Journal::ExistsFor(path), (label + "a journal is left").c_str());
      const std::vector<uint8_t> after = ReadHostFile(path);
      const std::string problem = CompactionProblem(image, after, !failed);
      QVERIFY2(problem.empty(), (label + problem).c_str());
      QCOMPARE(after.size(), image.size());
      QVERIFY(CompactDisk(*OpenSide(path)).compacted);
      QVERIFY2(ReadHostFile(path) == compacted, (label + "compacting again differs").c_str());
      ++faultCases_;
    }
  }

  void commandLineCheck_data() {
    QTest::addColumn<std::vector<uint8_t>>("image");
    QTest::addColumn<QString>("argument");  // the image operand, %1 the path
    QTest::addColumn<bool>("json");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    const std::vector<uint8_t> overlapping =
        FragmentedDisk(100, {{"B", 11, 300}, {"A", 10, 512}}).Image();
    const std::vector<uint8_t> namesakes =
        FragmentedDisk(100, {{"A", 11, 300}, {"A", 10, 256}}).Image();
    QTest::newRow("clean") << FragmentedDisk(100, {{"A", 10, 512}}).Image() << "%1" << false << 0
                           << "No problems found on this disk.\n";
    QTest::newRow("an error") << overlapping << "%1" << false << 1
                              << "error overlap: $.B (#1) and $.A (#2) share sectors 11 to 11.\n";
    QTest::newRow("a warning, as JSON")
        << namesakes << "%1" << true << 0
        << "[{\"severity\": \"warning\", \"code\": \"duplicate-name\", \"sentence\": \"$.A (#1) "
           "and $.A (#2) have the same name in one directory; DFS finds only the first.\"}]\n";
    QTest::newRow("drive 2") << InterleavedImage(FragmentedDisk(100, {{"A", 10, 512}}).Image(),
                                                 overlapping)
                             << "%1:2" << false << 1
                             << "error overlap: $.B (#1) and $.A (#2) share sectors 11 to 11.\n";
    QTest::newRow("Watford, clean") << FragmentedDisk(100, OverlappingFiles(5, 2, 2), 2).Image()
                                    << "%1" << false << 0 << "No problems found on this disk.\n";
  }
  void commandLineCheck() {
    QFETCH(std::vector<uint8_t>, image);
    QFETCH(QString, argument);
    QFETCH(bool, json);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    const std::string path = Path(argument.endsWith(":2") ? "check.dsd" : "check.ssd");
    WriteBytes(path, image);
    QStringList arguments{"check", argument.arg(QString::fromStdString(path))};
    if (json) {
      arguments << "--json";
    }
    CliResult result = RunCli(arguments);
    QCOMPARE(result.exitCode, exitCode);
    QCOMPARE(QString::fromUtf8(result.out), out);
    QCOMPARE(ReadHostFile(path), image);
  }

  // check reads only: the journal of an interrupted change is reported and stays.
  void commandLineCheckLeavesAJournal() {
    const std::string path = Path("journal.ssd");
    const std::vector<uint8_t> image = FragmentedDisk(100, {{"A", 10, 512}}).Image();
    WriteBytes(path, image);
    WriteBytes(Journal::PathFor(path), {'K', 'S', 'T'});
    CliResult result = RunCli({"check", QString::fromStdString(path)});
    QCOMPARE(result.exitCode, 1);
    QVERIFY(result.out.startsWith("error pending-journal: The journal \""));
    QVERIFY(Journal::ExistsFor(path));
    QCOMPARE(ReadHostFile(path), image);
    ::unlink(Journal::PathFor(path).c_str());
  }

  void commandLineCompact() {
    const std::string path = CopySample(dir_, "oaknut-03-fragmented.ssd");
    const std::vector<uint8_t> before = ReadHostFile(path);
    CliResult result = RunCli({"compact", QString::fromStdString(path)});
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(QString::fromUtf8(result.out),
             QString("The disk has been compacted: 3 files moved, largest free block now 202496 "
                     "bytes.\n"));
    QCOMPARE(QString::fromStdString(CompactionProblem(before, ReadHostFile(path), true)),
             QString());

    const std::string refused = Path("refused.ssd");
    const std::vector<uint8_t> overlapping =
        FragmentedDisk(100, {{"B", 11, 300}, {"A", 10, 512}}).Image();
    WriteBytes(refused, overlapping);
    result = RunCli({"compact", QString::fromStdString(refused)});
    QCOMPARE(result.exitCode, 1);
    QVERIFY(result.err.contains("Check disk lists every problem it finds."));
    QCOMPARE(ReadHostFile(refused), overlapping);
  }
};

QTEST_GUILESS_MAIN(TestDiskCompact)
#include "test_diskcompact.moc"
