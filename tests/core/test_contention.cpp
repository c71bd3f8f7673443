// SPDX-License-Identifier: GPL-3.0-or-later
// Two processes on one image. While one holds it, kestrow-dfs fails cleanly with its
// message, whatever the command, and changes nothing, and the holder goes on working.
// Two adds started together never both write: each adds all its files, or fails at the
// start having added none.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <map>

#include "disk/DFSUseful.h"
#include "disk/DiskCommands.h"
#include "support/CliRunner.h"
#include "support/ImageBuilder.h"
#include "support/ImageChecks.h"

namespace {

const QByteArray kRefused = QByteArray(kCouldNotOpenMessage) + "\n";

std::string Stored(const std::string& name) {
  return PadRight(name, 7);
}

}  // namespace

class TestContention : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;

  std::string Path(const QString& name) const { return dir_.filePath(name).toStdString(); }

  // count host files named prefix + number, each with its own bytes.
  QStringList HostFiles(const QString& prefix, int count) {
    QStringList paths;
    for (int index = 0; index < count; ++index) {
      std::string path = Path(prefix + QString::number(index));
      std::vector<uint8_t> bytes = PatternBytes(size_t(700 + 300 * index), uint8_t(index));
      ImageBuilder().Bytes(0, bytes).HostSize(bytes.size()).WriteTo(path);
      paths << QString::fromStdString(path);
    }
    return paths;
  }

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }

  // The image held open here: every command of the tool is refused with the message and
  // leaves the image as it was, even "new", which would otherwise blank it; meanwhile
  // the holder saves files, and once it lets go the tool works again.
  void heldImageRefusesTheTool() {
    const std::string image = Path("held.ssd");
    ImageBuilder(800)
        .Title("HELD")
        .AddEntry({'$', "OLD", 0x1900, 0x8023, 600, 2})
        .FileData(2, PatternBytes(600, 9))
        .WriteTo(image);
    const QString path = QString::fromStdString(image);
    const QString folder = QString::fromStdString(Path("out"));
    const QString hostFile = HostFiles("H", 1).front();
    const QList<QStringList> commands = {
        {"list", path},        {"add", path, hostFile},   {"delete", path, "OLD"},
        {"lock", path, "OLD"}, {"title", path, "X"},      {"boot", path, "3"},
        {"cat", path, "OLD"},  {"extract", path, folder}, {"rename", path, "OLD", "NEW"}};
    {
      ImageSides holder = OpenDiskImage(image);
      for (int index = 0; index < commands.size(); ++index) {
        const std::vector<uint8_t> before = ReadHostFile(image);
        CliResult result = RunCli(commands[index]);
        QCOMPARE(result.exitCode, 1);
        QCOMPARE(result.err, kRefused);
        QVERIFY(result.out.isEmpty());
        QVERIFY(ReadHostFile(image) == before);
        // The holder is not disturbed.
        DFSFileClass file;
        file.Name = Stored("N" + std::to_string(index));
        file.Length = 1000 + index;
        SMemoryStream source(PatternBytes(size_t(file.Length), uint8_t(index)));
        QCOMPARE(holder.front()->SaveFile(file, source), int(kSaveDone));
        std::optional<DFSFileClass> saved = holder.front()->FindFile('$', file.Name);
        QVERIFY(saved && holder.front()->ReadFileData(*saved) == source.Bytes());
      }
      CliResult blank = RunCli({"new", path});
      QCOMPARE(blank.exitCode, 1);
      QVERIFY2(blank.err.contains("Resource temporarily unavailable"), blank.err.constData());
      QCOMPARE(holder.front()->FileCount(), 1 + int(commands.size()));
    }
    CliResult listed = RunCli({"list", "--json", path});
    QCOMPARE(listed.exitCode, 0);
    QVERIFY(listed.out.contains("\"OLD    \""));
    QVERIFY(listed.out.contains("\"N8     \""));
  }

  // Two adds of ten files each, started together on a blank image, again and again.
  void twoAddsAtOnce() {
    const QStringList first = HostFiles("A", 10);
    const QStringList second = HostFiles("B", 10);
    const std::string image = Path("both.ssd");
    int refusals = 0;
    for (int round = 0; round < 8; ++round) {
      DFSDiskClass::Create(image, 1);
      QProcess processes[2];
      const QStringList* files[] = {&first, &second};
      for (int index = 0; index < 2; ++index) {
        processes[index].start(KESTROW_BINARY_DIR "/kestrow-dfs",
                               QStringList{"add", QString::fromStdString(image)} + *files[index]);
      }
      int succeeded = 0;
      RawDisk disk;
      for (int index = 0; index < 2; ++index) {
        QVERIFY(processes[index].waitForFinished(60000));
        const int exitCode = processes[index].exitCode();
        const QByteArray errors = processes[index].readAllStandardError();
        QVERIFY2(exitCode == 0 || (exitCode == 1 && errors == kRefused), errors.constData());
        disk = DecodeRawDisk(ReadHostFile(image), false, 0);
        // All of its files, or none.
        int found = 0;
        for (const RawEntry& entry : disk.entries) {
          found += entry.name[0] == (index == 0 ? 'A' : 'B') ? 1 : 0;
        }
        QCOMPARE(found, exitCode == 0 ? 10 : 0);
        succeeded += exitCode == 0 ? 1 : 0;
        refusals += exitCode == 0 ? 0 : 1;
      }
      QVERIFY(succeeded >= 1);
      QCOMPARE(CatalogueProblem(disk), std::string());
      std::map<std::string, std::vector<uint8_t>> contents =
          FileContents(ReadHostFile(image), false, 0);
      for (const auto& [label, bytes] : contents) {
        QVERIFY(bytes == ReadHostFile(Path(QString::fromStdString(label.substr(2)))));
      }
    }
    qInfo("two adds at once, 8 rounds: the later one refused %d times", refusals);
  }
};

QTEST_GUILESS_MAIN(TestContention)
#include "test_contention.moc"
