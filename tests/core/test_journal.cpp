// SPDX-License-Identifier: GPL-3.0-or-later
// The rollback journal beside an image: a complete one is rolled back when the image is
// next opened (by the model or by kestrow-dfs, whichever side), and the user is told once;
// a torn one, or another image's, is left alone and never applied; a journal that cannot
// be written makes a replacement "no room" and changes nothing.
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <QtTest>

#include "disk/DFSUseful.h"
#include "disk/Journal.h"
#include "support/CliRunner.h"
#include "support/ImageBuilder.h"
#include "support/ImageChecks.h"

namespace {

// OLD fills sectors 2-21, and the disk ends soon after it: a longer OLD fits only over
// its own sectors.
ImageBuilder TightImage() {
  ImageBuilder builder(30);
  builder.Title("JOURNAL").AddEntry({'$', "OLD", 0x1900, 0x8023, 20 * 256, 2});
  builder.FileData(2, PatternBytes(20 * 256, 4));
  return builder;
}

DFSFileClass NewOld(int32_t length) {
  DFSFileClass file;
  file.Name = "OLD    ";
  file.Length = length;
  return file;
}

}  // namespace

class TestJournal : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;

  // An image whose last change was interrupted after its journal was complete: the
  // journal holds the catalogue and OLD's first sectors, which have been half rewritten.
  std::string Interrupted(const std::string& name, const std::vector<uint8_t>& image,
                          int64_t catalogueAt = 0, int64_t dataAt = 512) {
    std::string path = dir_.filePath(QString::fromStdString(name)).toStdString();
    ImageBuilder().Bytes(0, image).HostSize(image.size()).WriteTo(path);
    SFileStream stream(path, true);
    Journal::Begin(stream, {{catalogueAt, 512}, {dataAt, 2048}});
    std::vector<uint8_t> scribble(1500, 0x55);
    stream.Seek(dataAt);
    stream.Write(scribble.data(), scribble.size());
    stream.Seek(catalogueAt + 0x105);
    uint8_t count = 0;
    stream.Write(&count, 1);
    stream.SetSize(static_cast<int64_t>(image.size()) + 4096);
    return path;
  }

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }

  void completeJournalIsRolledBack() {
    std::vector<uint8_t> image = TightImage().Image();
    std::string path = Interrupted("complete.ssd", image);
    ImageSides sides = OpenDiskImage(path);
    QCOMPARE(sides.front()->OpenNotice, std::string(kJournalRolledBackMessage));
    QVERIFY(!sides.front()->IsReadOnly());
    QVERIFY(!Journal::ExistsFor(path));
    QCOMPARE(sides.front()->FileCount(), 1);
    sides.clear();
    QCOMPARE(ReadHostFile(path), image);
  }

  // kestrow-dfs rolls back before it reads, even for a command that only reads, and says
  // so once without failing; both sides of a double-sided image then read as before.
  void theToolRollsBackOnceForEverySide_data() {
    QTest::addColumn<bool>("doubleSided");
    QTest::addColumn<QString>("drive");
    QTest::newRow("single-sided") << false << "";
    QTest::newRow("double-sided, drive 0") << true << ":0";
    QTest::newRow("double-sided, drive 2") << true << ":2";
  }
  void theToolRollsBackOnceForEverySide() {
    QFETCH(bool, doubleSided);
    QFETCH(QString, drive);
    std::vector<uint8_t> image = doubleSided ? InterleavedImage(TightImage().Title("SIDE0").Image(),
                                                                TightImage().Title("SIDE2").Image())
                                             : TightImage().Image();
    // Drive 2's catalogue and data lie on its own tracks.
    std::string path = Interrupted(doubleSided ? "tool.dsd" : "tool.ssd", image,
                                   doubleSided ? 2560 : 0, doubleSided ? 2560 + 512 : 512);
    CliResult listed = RunCli({"list", QString::fromStdString(path) + drive});
    QCOMPARE(listed.exitCode, 0);
    QCOMPARE(listed.err, QByteArray(kJournalRolledBackMessage) + "\n");
    QVERIFY(!Journal::ExistsFor(path));
    QCOMPARE(ReadHostFile(path), image);
    CliResult again = RunCli({"list", QString::fromStdString(path) + drive});
    QCOMPARE(again.err, QByteArray());
  }

  // A journal that is torn, damaged or another image's is never applied: the image opens
  // read-only as it is, with a message, and the journal stays where it was.
  void journalThatCannotBeAppliedIsLeftAlone_data() {
    QTest::addColumn<QString>("damage");
    QTest::newRow("cut short") << "cut";
    QTest::newRow("a byte changed") << "flip";
    QTest::newRow("another image's") << "other";
    QTest::newRow("not a file") << "folder";
  }
  void journalThatCannotBeAppliedIsLeftAlone() {
    QFETCH(QString, damage);
    std::vector<uint8_t> image = TightImage().Image();
    std::string path = Interrupted("damaged-" + damage.toStdString() + ".ssd", image);
    std::string journal = Journal::PathFor(path);
    std::vector<uint8_t> journalBytes = ReadHostFile(journal);
    if (damage == "cut") {
      journalBytes.resize(journalBytes.size() - 1);
    } else if (damage == "flip") {
      journalBytes[journalBytes.size() / 2] ^= 1;
    } else if (damage == "other") {
      // The journal of another image that has the same name elsewhere.
      std::string other = dir_.filePath("elsewhere").toStdString();
      QVERIFY(QDir().mkpath(QString::fromStdString(other)));
      std::string otherImage = other + "/" + path.substr(path.rfind('/') + 1);
      ImageBuilder().Bytes(0, image).WriteTo(otherImage);
      SFileStream stream(otherImage, true);
      Journal::Begin(stream, {{0, 512}}).Commit();
      Journal::Begin(stream, {{0, 512}});
      journalBytes = ReadHostFile(Journal::PathFor(otherImage));
    }
    if (damage == "folder") {
      QCOMPARE(::unlink(journal.c_str()), 0);
      QCOMPARE(::mkdir(journal.c_str(), 0700), 0);
    } else {
      ImageBuilder().Bytes(0, journalBytes).HostSize(journalBytes.size()).WriteTo(journal);
    }
    std::vector<uint8_t> before = ReadHostFile(path);
    ImageSides sides = OpenDiskImage(path);
    QCOMPARE(sides.front()->OpenNotice, Journal::NotAppliedMessage(path));
    QVERIFY(sides.front()->IsReadOnly());
    sides.clear();
    QCOMPARE(ReadHostFile(path), before);
    QVERIFY(Journal::ExistsFor(path));
    if (damage != "folder") {
      QCOMPARE(ReadHostFile(journal), journalBytes);
    }
  }

  // A replacement that needs the journal but cannot write it finds "no room": the disk
  // and the old file are as they were, and no journal is left.
  void unwritableJournalMeansNoRoom() {
    std::string path = dir_.filePath("nojournal.ssd").toStdString();
    TightImage().WriteTo(path);
    std::vector<uint8_t> before = ReadHostFile(path);
    {
      ImageSides sides = OpenDiskImage(path);
      // Where the journal is written before it takes its name, a folder is in the way.
      std::string part = Journal::PathFor(path) + ".part";
      QCOMPARE(::mkdir(part.c_str(), 0700), 0);
      SMemoryStream longer(PatternBytes(24 * 256, 5));
      QCOMPARE(sides.front()->SaveFile(NewOld(24 * 256), longer), int(kSaveNoRoom));
      QCOMPARE(ReadHostFile(path), before);
      QCOMPARE(::rmdir(part.c_str()), 0);
      QVERIFY(!Journal::ExistsFor(path));
      // With the way clear the same replacement goes over the old file's sectors.
      QCOMPARE(sides.front()->SaveFile(NewOld(24 * 256), longer), int(kSaveDone));
      QCOMPARE(sides.front()->FindFile('$', "OLD    ").value().StartSector, 2);
      QVERIFY(!Journal::ExistsFor(path));
      QCOMPARE(sides.front()->ReadFileData(sides.front()->FindFile('$', "OLD    ").value()),
               longer.Bytes());
    }
  }
};

QTEST_GUILESS_MAIN(TestJournal)
#include "test_journal.moc"
