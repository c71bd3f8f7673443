// SPDX-License-Identifier: GPL-3.0-or-later
// Check disk on built images: each condition it looks for is found, with its severity,
// code and a sentence naming what is wrong, and a clean disk (zero-length files sharing
// a sector, locked files, a full catalogue, files in both catalogues of a Watford 62-file
// disk, the sample images) gives nothing.
#include <QTemporaryDir>
#include <QtTest>

#include "disk/DiskCheck.h"
#include "disk/Journal.h"
#include "support/ImageBuilder.h"

Q_DECLARE_METATYPE(std::vector<uint8_t>)

namespace {

ImageEntry File(const std::string& name, uint32_t start, uint32_t length, char directory = '$') {
  ImageEntry entry;
  entry.directory = directory;
  entry.name = name;
  entry.startSector = start;
  entry.length = length;
  return entry;
}

// Three files with gaps between them, one locked, and a zero-length file at sector 2.
ImageBuilder CleanDisk(int sectors = 800) {
  ImageBuilder builder(sectors);
  builder.Title("CLEAN");
  builder.AddEntry(File("LAST", 40, 3000)).AddEntry(File("MIDDLE", 20, 256));
  ImageEntry locked = File("FIRST", 2, 1000);
  locked.locked = true;
  builder.AddEntry(locked).AddEntry(File("EMPTY", 2, 0));
  builder.FileData(2, PatternBytes(1000, 1)).FileData(20, PatternBytes(256, 2));
  return builder.FileData(40, PatternBytes(3000, 3));
}

// A Watford 62-file disk with files of both catalogues, #1-#2 in the first and #3-#4 in
// the second: gaps, a locked file, a zero-length file at sector 4.
ImageBuilder CleanWatfordDisk() {
  ImageBuilder builder(800);
  builder.Title("CLEAN62").Watford62();
  ImageEntry locked = File("FIRST", 4, 1000);
  locked.locked = true;
  builder.AddEntry(File("LAST", 40, 3000)).AddEntry(locked);
  builder.AddSecondEntry(File("MIDDLE", 20, 256)).AddSecondEntry(File("EMPTY", 4, 0));
  builder.FileData(4, PatternBytes(1000, 1)).FileData(20, PatternBytes(256, 2));
  return builder.FileData(40, PatternBytes(3000, 3));
}

std::vector<CheckFinding> Check(const std::string& path) {
  auto stream = std::make_shared<SFileStream>(path, SFileStream::ReadOnlyShared{});
  SectorMapping mapping;
  mapping.interleaved = IsDoubleSidedName(path);
  DFSDiskClass disk(stream, path, mapping);
  return CheckDisk(disk);
}

QStringList Described(const std::vector<CheckFinding>& findings) {
  QStringList lines;
  for (const CheckFinding& finding : findings) {
    lines << QString("%1 %2").arg(SeverityName(finding.severity), finding.code.c_str());
  }
  return lines;
}

}  // namespace

class TestDiskCheck : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }

  void findsEachCondition_data() {
    QTest::addColumn<std::vector<uint8_t>>("image");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("sentencePart");  // in the first finding's sentence

    QTest::newRow("clean disk") << CleanDisk().Image() << "clean.ssd" << QStringList{} << "";
    ImageBuilder full(800);
    for (int index = 0; index < 31; ++index) {
      full.AddEntry(File("F" + std::to_string(index), 2 + index, 256));
    }
    full.HostSize(33 * 256);
    QTest::newRow("31 files, no gaps") << full.Image() << "full.ssd" << QStringList{} << "";
    QTest::newRow("count byte not a multiple of 8")
        << CleanDisk().CountByte(0x23).Image() << "count.ssd" << QStringList{"error count-byte"}
        << "0x23, which is not a multiple of 8; it is read as 4 files.";
    QTest::newRow("sector count 0")
        << CleanDisk().SectorCount(0).Image() << "zero.ssd"
        << QStringList{"error sector-count-too-small"} << "gives the disk 0 sectors";
    QTest::newRow("sector count 1")
        << CleanDisk().SectorCount(1).Image() << "one.ssd"
        << QStringList{"error sector-count-too-small"} << "too few for any disk";
    QTest::newRow("sector count beyond 80 tracks")
        << CleanDisk(1000).Image() << "large.ssd" << QStringList{"error sector-count-too-large"}
        << "1000 sectors, more than a disk can hold (800";
    QTest::newRow("file in the catalogue")
        << CleanDisk().AddEntry(File("CAT", 1, 300)).Image() << "cat.ssd"
        << QStringList{"error in-catalogue", "error overlap"} << "$.CAT starts in sector 1";
    QTest::newRow("zero-length entry in the catalogue")
        << CleanDisk().AddEntry(File("NIL", 0, 0)).Image() << "nil.ssd"
        << QStringList{"warning in-catalogue"} << "$.NIL starts in sector 0";
    QTest::newRow("file past the disk's last sector")
        << CleanDisk(400)
               .AddEntry(File("END", 398, 600))
               .FileData(398, PatternBytes(600, 4))
               .Image()
        << "end.ssd" << QStringList{"error past-disk-end"}
        << "$.END runs to sector 400, past the disk's last sector (399).";
    QTest::newRow("image cut short in a file")
        << CleanDisk().HostSize(40 * 256 + 1000).Image() << "short.ssd"
        << QStringList{"error past-image-end"} << "2000 bytes of the file are missing";
    QTest::newRow("two files overlapping")
        << CleanDisk().AddEntry(File("OVER", 20, 600)).Image() << "over.ssd"
        << QStringList{"error overlap"} << "$.MIDDLE (#2) and $.OVER (#5) share sectors 20 to 20.";
    QTest::newRow("namesakes, directories in either case")
        << CleanDisk()
               .AddEntry(File("MIDDLE", 60, 10, '$'))
               .AddEntry(File("X", 61, 1, 'a'))
               .AddEntry(File("X", 62, 1, 'A'))
               .HostSize(80 * 256)
               .Image()
        << "dup.ssd" << QStringList{"warning duplicate-name", "warning duplicate-name"}
        << "$.MIDDLE (#2) and $.MIDDLE (#5) have the same name in one directory";
    QTest::newRow("control character in a name")
        << CleanDisk().AddEntry(File(std::string("B\x07L"), 60, 10)).HostSize(80 * 256).Image()
        << "bell.ssd" << QStringList{"warning odd-characters"} << "(#5) has a control character";
    QTest::newRow("bit-7 byte in a name")
        << CleanDisk().AddEntry(File(std::string("\xA3UK"), 60, 10)).HostSize(80 * 256).Image()
        << "pound.ssd" << QStringList{"warning odd-characters"} << "or a byte above 127";
    QTest::newRow("control character as directory")
        << CleanDisk().AddEntry(File("D", 60, 10, '\x01')).HostSize(80 * 256).Image() << "dir.ssd"
        << QStringList{"warning odd-characters"} << "in its name or directory";
    QTest::newRow("Watford, files in both catalogues")
        << CleanWatfordDisk().Image() << "watford.ssd" << QStringList{} << "";
    QTest::newRow("Watford, the guard entry over the second catalogue")
        << CleanWatfordDisk().WatfordGuard().Image() << "guard.ssd" << QStringList{} << "";
    QTest::newRow("Watford, second count byte not a multiple of 8")
        << CleanWatfordDisk().Byte(0x305, 0x13).Image() << "count62.ssd"
        << QStringList{"error count-byte"}
        << "The second catalogue's file count byte is 0x13, which is not a multiple of 8; it is "
           "read as 2 files.";
    QTest::newRow("Watford, a file of the second catalogue in sector 3")
        << CleanWatfordDisk().AddSecondEntry(File("CAT", 3, 256)).Image() << "cat62.ssd"
        << QStringList{"error in-catalogue"}
        << "$.CAT starts in sector 3, inside the catalogues (sectors 0 to 3).";
    QTest::newRow("Watford, files of the two catalogues overlapping")
        << CleanWatfordDisk().AddSecondEntry(File("OVER", 7, 300)).Image() << "over62.ssd"
        << QStringList{"error overlap"} << "$.FIRST (#2) and $.OVER (#5) share sectors 7 to 7.";
    QTest::newRow("Watford, namesakes in the two catalogues")
        << CleanWatfordDisk().AddSecondEntry(File("LAST", 60, 10)).HostSize(80 * 256).Image()
        << "dup62.ssd" << QStringList{"warning duplicate-name"} << "$.LAST (#1) and $.LAST (#5)";
    QTest::newRow("Watford, the catalogues' sector counts disagree")
        << CleanWatfordDisk().Byte(0x307, 0x90).Image() << "sectors62.ssd"
        << QStringList{"warning watford-sector-count"}
        << "The second catalogue gives the disk 912 sectors, but the first gives 800";
    QTest::newRow("Watford, 3 sectors")
        << ImageBuilder(3).Watford62().Image() << "small62.ssd"
        << QStringList{"error sector-count-too-small"}
        << "gives the disk 3 sectors, too few to hold its two catalogues (sectors 0 to 3).";
    QTest::newRow("Watford mark over a file of the first catalogue")
        << ImageBuilder(800)
               .AddEntry(File("DATA", 2, 1000))
               .FileData(2, PatternBytes(1000, 4))
               .Bytes(0x200, std::vector<uint8_t>(8, 0xAA))
               .Image()
        << "marked.ssd" << QStringList{"error watford-catalogue"}
        << "Sector 2 starts with the mark of a Watford DFS 62-file disk, but the first catalogue "
           "lists a file there";
    const std::vector<uint8_t> sides = InterleavedImage(CleanDisk().Image(), CleanDisk().Image());
    QTest::newRow("double-sided content named .ssd")
        << sides << "sides.ssd" << QStringList{"error layout-mismatch"} << "is named as";
    QTest::newRow("double-sided image named .dsd") << sides << "sides.dsd" << QStringList{} << "";
  }
  void findsEachCondition() {
    QFETCH(std::vector<uint8_t>, image);
    QFETCH(QString, name);
    QFETCH(QStringList, expected);
    QFETCH(QString, sentencePart);
    const std::string path = dir_.filePath(name).toStdString();
    ImageBuilder().Bytes(0, image).HostSize(image.size()).WriteTo(path);
    const std::vector<CheckFinding> findings = Check(path);
    QCOMPARE(Described(findings), expected);
    if (!findings.empty()) {
      QVERIFY2(QString::fromLatin1(findings.front().sentence).contains(sentencePart),
               findings.front().sentence.c_str());
    }
    QCOMPARE(ReadHostFile(path), image);  // read only
  }

  // A journal beside the image is reported and left where it is.
  void findsAPendingJournal() {
    const std::string path = dir_.filePath("journal.ssd").toStdString();
    CleanDisk().WriteTo(path);
    ImageBuilder().Bytes(0, {1, 2, 3}).HostSize(3).WriteTo(Journal::PathFor(path));
    const std::vector<CheckFinding> findings = Check(path);
    QCOMPARE(Described(findings), QStringList{"error pending-journal"});
    QVERIFY(QString::fromStdString(findings.front().sentence)
                .contains(QString::fromStdString(Journal::PathFor(path))));
    QVERIFY(Journal::ExistsFor(path));
  }

  void samplesAreClean_data() {
    QTest::addColumn<QString>("sample");
    for (const char* name : {"oaknut-01-basic-validation.ssd", "oaknut-03-fragmented.ssd",
                             "beebtools-acorn-dfs-sd-40t.ssd"}) {
      QTest::newRow(name) << QString(name);
    }
  }
  void samplesAreClean() {
    QFETCH(QString, sample);
    if (std::string missing = MissingSamples({sample.toStdString()}); !missing.empty()) {
      QFAIL(missing.c_str());
    }
    const std::vector<CheckFinding> findings = Check(CopySample(dir_, sample.toStdString()));
    QVERIFY2(FirstError(findings) == nullptr, PlainFindings(findings).c_str());
  }

  void findingsPrintAsLinesAndJson() {
    const std::vector<CheckFinding> findings = {
        {CheckSeverity::Error, "overlap", "$.A and $.B share sectors 2 to 3."},
        {CheckSeverity::Warning, "odd-characters", std::string("$.\x07 \"x\"")}};
    QCOMPARE(QString::fromStdString(PlainFindings(findings)),
             QString("error overlap: $.A and $.B share sectors 2 to 3.\n"
                     "warning odd-characters: $.? \"x\"\n"));
    QCOMPARE(
        QString::fromStdString(JsonFindings(findings)),
        QString("[{\"severity\": \"error\", \"code\": \"overlap\", \"sentence\": \"$.A and $.B "
                "share sectors 2 to 3.\"}, {\"severity\": \"warning\", \"code\": "
                "\"odd-characters\", \"sentence\": \"$.\\u0007 \\\"x\\\"\"}]\n"));
    QCOMPARE(QString::fromStdString(JsonFindings({})), QString("[]\n"));
  }
};

QTEST_GUILESS_MAIN(TestDiskCheck)
#include "test_diskcheck.moc"
