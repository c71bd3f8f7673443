// SPDX-License-Identifier: GPL-3.0-or-later
// Watford DFS 62-file disks: a second catalogue in sectors 2 and 3 holds entries 32-62.
// Reading both catalogues, every change on an entry of either, saves that fill the first
// catalogue and spill into the second, the 62-file limit, new blank disks, the command
// line, and changes to both catalogues under injected write failures and SIGKILL: both
// catalogues old or both new. Every disk written here is read back by the decoder below,
// written for this suite alone.
#include <signal.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <functional>
#include <map>
#include <random>
#include <sstream>

#include "disk/CatalogueListing.h"
#include "disk/DFSUseful.h"
#include "disk/DiskCommands.h"
#include "disk/Journal.h"
#include "platform/ScriptedPrompts.h"
#include "support/ImageBuilder.h"
#include "support/RawDisk.h"

namespace {

constexpr int kFileLength = 300;  // two sectors
constexpr int kKillRuns = 60;

// One entry as this suite's own decoder reads it.
struct Decoded {
  std::string name;  // 7 stored bytes
  char directory = '$';
  bool locked = false;
  uint32_t load = 0, exec = 0, length = 0, start = 0;
  int catalogue = 0;
  std::string Label() const {
    std::string trimmed = name.substr(0, name.find_last_not_of(' ') + 1);
    return std::string(1, directory) + "." + trimmed;
  }
};

// Both catalogues of a Watford 62-file disk, straight from the bytes: the Acorn layout at
// byte 0 and again at byte 512, the second after its eight 0xAA bytes.
std::vector<Decoded> DecodeWatford(const std::vector<uint8_t>& image) {
  auto at = [&](size_t offset) -> uint32_t { return offset < image.size() ? image[offset] : 0; };
  std::vector<Decoded> entries;
  for (int catalogue = 0; catalogue < 2; ++catalogue) {
    const size_t base = 512 * static_cast<size_t>(catalogue);
    for (size_t k = 0; k < at(base + 0x105) / 8; ++k) {
      const size_t name = base + 8 + 8 * k;
      const size_t info = base + 0x108 + 8 * k;
      const uint32_t mixed = at(info + 6);
      Decoded entry;
      for (size_t index = 0; index < 7; ++index) {
        entry.name += static_cast<char>(at(name + index));
      }
      entry.directory = static_cast<char>(at(name + 7) & 0x7F);
      entry.locked = at(name + 7) >= 0x80;
      entry.load = at(info) | at(info + 1) << 8 | ((mixed & 0x0C) == 0x0C ? 0xFF0000 : 0);
      entry.exec = at(info + 2) | at(info + 3) << 8 | ((mixed & 0xC0) == 0xC0 ? 0xFF0000 : 0);
      entry.length = at(info + 4) | at(info + 5) << 8 | ((mixed >> 4) & 3) << 16;
      entry.start = at(info + 7) | (mixed & 3) << 8;
      entry.catalogue = catalogue;
      entries.push_back(entry);
    }
  }
  return entries;
}

std::vector<uint8_t> DecodedBytes(const std::vector<uint8_t>& image, const Decoded& entry) {
  std::vector<uint8_t> bytes(entry.length, 0);
  for (size_t index = 0; index < bytes.size(); ++index) {
    size_t at = entry.start * 256 + index;
    bytes[index] = at < image.size() ? image[at] : 0;
  }
  return bytes;
}

std::map<std::string, Decoded> ByLabel(const std::vector<Decoded>& entries) {
  std::map<std::string, Decoded> labels;
  for (const Decoded& entry : entries) {
    labels[entry.Label()] = entry;
  }
  return labels;
}

// What is wrong with the layout: a file in sectors 0-3 or past the disk, two that
// overlap, or a marker gone. "" when nothing is.
std::string LayoutProblem(const std::vector<uint8_t>& image) {
  for (size_t at = 512; at < 520; ++at) {
    if (at >= image.size() || image[at] != 0xAA) {
      return "the second catalogue's mark is gone";
    }
  }
  std::vector<Decoded> entries = DecodeWatford(image);
  for (size_t index = 0; index < entries.size(); ++index) {
    const Decoded& entry = entries[index];
    if (entry.length == 0) {
      continue;
    }
    if (entry.start < 4 || entry.start * 256 + entry.length > 800 * 256) {
      return entry.Label() + " lies outside the data area";
    }
    for (size_t other = index + 1; other < entries.size(); ++other) {
      const Decoded& second = entries[other];
      if (second.length != 0 && entry.start * 256 < second.start * 256 + second.length &&
          second.start * 256 < entry.start * 256 + entry.length) {
        return entry.Label() + " overlaps " + second.Label();
      }
    }
  }
  return "";
}

std::string FileName(char prefix, int index) {
  return std::string(1, prefix) + (index < 10 ? "0" : "") + std::to_string(index);
}

// first files F00... in the first catalogue and second files S00... in the second, each
// kFileLength bytes, two sectors apart from sector 4 on: first-catalogue files first.
ImageBuilder WatfordDisk(int first, int second) {
  ImageBuilder builder(800);
  builder.Title("WATFORD62").Watford62();
  for (int index = 0; index < first + second; ++index) {
    const bool inFirst = index < first;
    const std::string name = inFirst ? FileName('F', index) : FileName('S', index - first);
    const auto sector = static_cast<uint32_t>(4 + 2 * index);
    ImageEntry entry{'$', name, 0x1900, 0x8023, kFileLength, sector, false};
    inFirst ? builder.AddEntry(entry) : builder.AddSecondEntry(entry);
    builder.FileData(static_cast<int>(sector),
                     PatternBytes(kFileLength, static_cast<uint8_t>(index + 1)));
  }
  return builder;
}

DFSFileClass NewFile(const std::string& name, int32_t length) {
  DFSFileClass file;
  file.Name = PadRight(name, 7);
  file.Length = length;
  file.LoadAddress = 0x3000;
  file.ExecAddress = 0x3000;
  return file;
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& image, size_t from, size_t count) {
  std::vector<uint8_t> bytes(count, 0);
  for (size_t index = 0; index < count && from + index < image.size(); ++index) {
    bytes[index] = image[from + index];
  }
  return bytes;
}

}  // namespace

class TestWatford : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_{(QFileInfo::exists("/dev/shm") ? QString("/dev/shm") : QDir::tempPath()) +
                     "/kestrow-watford-XXXXXX"};

  std::string Path(const std::string& name) const {
    return dir_.filePath(name.c_str()).toStdString();
  }

  // Saves count new files N00... of 600 bytes (seeded from seed) in one SaveFiles call.
  static std::vector<int> SaveNew(DFSDiskClass& disk, int count, uint8_t seed) {
    std::vector<SMemoryStream> sources;
    sources.reserve(static_cast<size_t>(count));
    std::vector<DFSDiskClass::SaveRequest> requests;
    for (int index = 0; index < count; ++index) {
      sources.emplace_back(PatternBytes(600, static_cast<uint8_t>(seed + index)));
    }
    for (int index = 0; index < count; ++index) {
      requests.push_back(
          {NewFile(FileName('N', index), 600), &sources[static_cast<size_t>(index)]});
    }
    return disk.SaveFiles(requests);
  }

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }

  void readsBothCatalogues_data() {
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");
    QTest::newRow("no entries") << 0 << 0;
    QTest::newRow("31 entries") << 31 << 0;
    QTest::newRow("32 entries") << 31 << 1;
    QTest::newRow("62 entries") << 31 << 31;
    QTest::newRow("empty first catalogue, full second") << 0 << 31;
  }
  void readsBothCatalogues() {
    QFETCH(int, first);
    QFETCH(int, second);
    const std::string path = WatfordDisk(first, second).WriteToTemp(dir_, "read.ssd");
    ImageSides sides = OpenDiskImage(path);
    DFSDiskClass& disk = *sides.front();
    QVERIFY(disk.IsWatford());
    QVERIFY(!disk.IsReadOnly());
    QCOMPARE(disk.OpenNotice, std::string());
    QCOMPARE(disk.MaxEntries(), 62);
    const int total = first + second;
    DFSFileList list;
    disk.ReadCatalogue(list);
    QCOMPARE(int(list.size()), total);
    QCOMPARE(disk.FileCount(), total);
    QCOMPARE(disk.CatalogueFileCount(0), first);
    QCOMPARE(disk.CatalogueFileCount(1), second);
    for (int index = 0; index < total; ++index) {
      const DFSFileClass& entry = list[static_cast<size_t>(index)];
      const bool inFirst = index < first;
      QCOMPARE(entry.Name,
               PadRight(inFirst ? FileName('F', index) : FileName('S', index - first), 7));
      QCOMPARE(entry.CatalogueNumber, inFirst ? 0 : 1);
      QCOMPARE(entry.CatalogueIndex, index);
      QCOMPARE(disk.ReadFileData(entry), PatternBytes(kFileLength, uint8_t(index + 1)));
    }
    // Sectors 0-3 are never free; each file takes two sectors.
    QCOMPARE(disk.UsedSpace, (4 + 2 * total) * 256);
    QCOMPARE(disk.LargestFree, (800 - 4 - 2 * total) * 256);
    QCOMPARE(DiskStatusTexts(disk, total)[2], std::string("80 track (200K) Watford 62-file"));
    QCOMPARE(DiskStatusTexts(disk, total)[0], std::to_string(total) + " files");
  }

  // A mark in sector 2 over a file of the first catalogue is not a second catalogue, unless
  // that file is exactly the guard Watford DFS puts there; an Acorn disk keeps its status
  // text.
  void recognisesTheFormat_data() {
    QTest::addColumn<QString>("fileAtSector2");  // "D.NAME LENGTH", or none
    QTest::addColumn<bool>("mark");
    QTest::addColumn<bool>("watford");
    QTest::newRow("Acorn disk") << "" << false << false;
    QTest::newRow("Acorn disk, a file at sector 2 starting with the mark")
        << "$.DATA 1000" << true << false;
    QTest::newRow("Watford disk, the guard over its second catalogue")
        << "!.!!!!!!! 512" << true << true;
    QTest::newRow("a guard of another length") << "!.!!!!!!! 768" << true << false;
    QTest::newRow("a guard of another name") << "!.GUARD 512" << true << false;
    QTest::newRow("Acorn disk, a file like the guard and no mark")
        << "!.!!!!!!! 512" << false << false;
  }
  void recognisesTheFormat() {
    QFETCH(QString, fileAtSector2);
    QFETCH(bool, mark);
    QFETCH(bool, watford);
    ImageBuilder builder(800);
    if (!fileAtSector2.isEmpty()) {
      const QStringList parts = fileAtSector2.split(' ');
      const auto length = parts[1].toUInt();
      builder.AddEntry({parts[0].at(0).toLatin1(), parts[0].mid(2).toStdString(), 0, 0, length, 2})
          .FileData(2, PatternBytes(length, 3));
    }
    if (mark) {
      builder.Watford62().AddSecondEntry({'$', "SECOND", 0, 0, 256, 10});
    }
    const std::vector<uint8_t> image = builder.Image();
    ImageSides sides = OpenDiskImage(builder.WriteToTemp(dir_, "format.ssd"));
    DFSDiskClass& disk = *sides.front();
    QCOMPARE(disk.IsWatford(), watford);
    QCOMPARE(disk.IsReadOnly(), mark && !watford);
    QCOMPARE(disk.MaxEntries(), watford ? 62 : 31);
    QCOMPARE(DiskStatusTexts(disk, 0)[2],
             std::string(watford ? "80 track (200K) Watford 62-file" : "80 track (200K) DFS Disk"));
    DFSFileList list;
    disk.ReadCatalogue(list);
    QCOMPARE(list.size(), size_t(fileAtSector2.isEmpty() ? 0 : 1) + (watford ? 1 : 0));
    if (watford) {
      // The guard covers only the catalogues' own sectors: SECOND is the one file counted.
      QVERIFY(IsWatfordGuardEntry(list.front()));
      QCOMPARE(disk.UsedSpace, 5 * 256);
      QCOMPARE(DecodeRawDisk(image, false, 0).catalogues, 2);
    }
  }

  // Each change to an entry of either catalogue writes only that catalogue, and the entry
  // stays in it.
  void everyOperationOnEachCatalogue_data() {
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("catalogue");
    for (const char* operation : {"delete", "lock", "rename", "directory", "load", "exec"}) {
      for (int catalogue = 0; catalogue < 2; ++catalogue) {
        QTest::newRow((std::string(operation) + ", catalogue " + std::to_string(catalogue)).c_str())
            << QString(operation) << catalogue;
      }
    }
  }
  void everyOperationOnEachCatalogue() {
    QFETCH(QString, operation);
    QFETCH(int, catalogue);
    const std::string path = WatfordDisk(30, 20).WriteToTemp(dir_, "ops.ssd");
    const std::vector<uint8_t> before = ReadHostFile(path);
    const std::string name = catalogue == 0 ? "F07" : "S07";
    {
      ScopedScriptedPrompts prompts;
      ImageSides sides = OpenDiskImage(path);
      DFSDiskClass& disk = *sides.front();
      DFSFileClass entry = disk.FindFile('$', PadRight(name, 7)).value();
      QCOMPARE(entry.CatalogueNumber, catalogue);
      bool done = false;
      if (operation == "delete") {
        done = disk.DeleteFile(entry);
        QCOMPARE(disk.UsedSpace, (4 + 2 * 49) * 256);
      } else if (operation == "lock") {
        done = disk.SetLocked(entry, true);
      } else if (operation == "rename") {
        done = disk.RenameFile(entry, "NEWNAME");
      } else if (operation == "directory") {
        done = disk.SetDirectory(entry, 'W');
      } else {
        done = disk.SetAddress(entry, operation == "load" ? "Load" : "Exec", "FF1234");
      }
      QVERIFY(done);
      QVERIFY(prompts->Messages().empty());
    }
    const std::vector<uint8_t> after = ReadHostFile(path);
    const size_t other = 512 * static_cast<size_t>(1 - catalogue);
    QVERIFY2(Slice(after, other, 512) == Slice(before, other, 512), "the other catalogue changed");
    QCOMPARE(after.size(), before.size());
    QCOMPARE(LayoutProblem(after), std::string());
    std::map<std::string, Decoded> entries = ByLabel(DecodeWatford(after));
    const std::string label = operation == "rename"      ? "$.NEWNAME"
                              : operation == "directory" ? "W." + name
                                                         : "$." + name;
    QCOMPARE(entries.size(), size_t(operation == "delete" ? 49 : 50));
    QCOMPARE(entries.count(label), size_t(operation == "delete" ? 0 : 1));
    if (operation != "delete") {
      const Decoded& changed = entries[label];
      QCOMPARE(changed.catalogue, catalogue);
      QCOMPARE(changed.locked, operation == "lock");
      QCOMPARE(changed.load, operation == "load" ? 0xFF1234u : 0x1900u);
      QCOMPARE(changed.exec, operation == "exec" ? 0xFF1234u : 0x8023u);
      QCOMPARE(DecodedBytes(after, changed), DecodedBytes(before, changed));
    }
  }

  // New files fill the first catalogue, then the second; a replacement stays in the
  // catalogue of the file it replaces.
  void savesFillTheFirstCatalogueThenTheSecond() {
    const std::string path = WatfordDisk(29, 0).WriteToTemp(dir_, "spill.ssd");
    {
      ImageSides sides = OpenDiskImage(path);
      DFSDiskClass& disk = *sides.front();
      QCOMPARE(SaveNew(disk, 5, 40), std::vector<int>(5, kSaveDone));
      QCOMPARE(disk.CatalogueFileCount(0), 31);
      QCOMPARE(disk.CatalogueFileCount(1), 3);
      // Room in the first again: a new file goes there, N04's replacement stays second.
      QVERIFY(disk.DeleteFile('$', PadRight("F00", 7)));
      SMemoryStream replacement(PatternBytes(900, 60));
      QCOMPARE(disk.SaveFile(NewFile("N04", 900), replacement), int(kSaveDone));
      SMemoryStream extra(PatternBytes(10, 61));
      QCOMPARE(disk.SaveFile(NewFile("EXTRA", 10), extra), int(kSaveDone));
    }
    const std::vector<uint8_t> image = ReadHostFile(path);
    QCOMPARE(LayoutProblem(image), std::string());
    std::map<std::string, Decoded> entries = ByLabel(DecodeWatford(image));
    QCOMPARE(entries.size(), size_t(34));
    for (int index = 0; index < 5; ++index) {
      const Decoded& saved = entries["$." + FileName('N', index)];
      QCOMPARE(saved.catalogue, index < 2 ? 0 : 1);
      QCOMPARE(DecodedBytes(image, saved),
               index == 4 ? PatternBytes(900, 60) : PatternBytes(600, uint8_t(40 + index)));
    }
    QCOMPARE(entries["$.EXTRA"].catalogue, 0);
    QCOMPARE(DecodedBytes(image, entries["$.EXTRA"]), PatternBytes(10, 61));
  }

  // A full disk refuses a new file with its own limit in the message, and changes nothing.
  void catalogueLimit_data() {
    QTest::addColumn<bool>("watford");
    QTest::addColumn<QString>("message");
    QTest::newRow("Watford, 62 files") << true << kWatfordCatalogueFullMessage;
    QTest::newRow("Acorn, 31 files") << false << kCatalogueFullMessage;
  }
  void catalogueLimit() {
    QFETCH(bool, watford);
    QFETCH(QString, message);
    ImageBuilder builder = WatfordDisk(31, watford ? 31 : 0);
    if (!watford) {
      builder.Bytes(512, std::vector<uint8_t>(512, 0));
    }
    const std::string path = builder.WriteToTemp(dir_, "full.ssd");
    const std::vector<uint8_t> before = ReadHostFile(path);
    ScopedScriptedPrompts prompts;
    ImageSides sides = OpenDiskImage(path);
    DFSDiskClass& disk = *sides.front();
    QCOMPARE(disk.IsWatford(), watford);
    SMemoryStream source(PatternBytes(100, 1));
    const int result = disk.SaveFile(NewFile("ONEMORE", 100), source);
    QCOMPARE(result, int(kSaveCatalogueFull));
    ShowSaveResult(result, disk);
    QCOMPARE(prompts->Messages(), std::vector<std::string>{message.toStdString()});
    QCOMPARE(ReadHostFile(path), before);
    // A namesake is still replaced.
    SMemoryStream replacement(PatternBytes(100, 2));
    QCOMPARE(disk.SaveFile(NewFile(watford ? "S30" : "F30", 100), replacement), int(kSaveDone));
  }

  // New disk (Watford 62-file) writes both catalogues, each side of a double-sided image.
  void newBlankDisk_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("single-sided") << "blank.ssd";
    QTest::newRow("double-sided") << "blank.dsd";
  }
  void newBlankDisk() {
    QFETCH(QString, name);
    const std::string path = Path(name.toStdString());
    DFSDiskClass::Create(path, 1, true).reset();
    const bool doubleSided = name.endsWith(".dsd");
    std::vector<uint8_t> side(1024, 0);
    side[0x106] = 0x03;
    side[0x107] = 0x20;
    std::fill_n(side.begin() + 512, 8, 0xAA);
    side[0x306] = 0x03;
    side[0x307] = 0x20;
    std::vector<uint8_t> expected = side;
    if (doubleSided) {
      expected.resize(2560, 0);
      expected.insert(expected.end(), side.begin(), side.end());
    }
    QCOMPARE(ReadHostFile(path), expected);
    ImageSides sides = OpenDiskImage(path);
    QCOMPARE(sides.size(), size_t(doubleSided ? 2 : 1));
    for (auto& disk : sides) {
      QVERIFY(disk->IsWatford());
      QCOMPARE(disk->FileCount(), 0);
      QCOMPARE(disk->UsedSpace, 1024);
      QCOMPARE(disk->LargestFree, (800 - 4) * 256);
    }
  }

  // Moving entries between catalogues is only ever asked for: WriteCatalogue writes them
  // where their CatalogueNumber says, through a journal of its own, and a caller that
  // holds one keeps it.
  void entriesMoveOnlyWhenAsked_data() {
    QTest::addColumn<bool>("callerJournal");
    QTest::newRow("WriteCatalogue") << false;
    QTest::newRow("WriteCatalogueUnderJournal") << true;
  }
  void entriesMoveOnlyWhenAsked() {
    QFETCH(bool, callerJournal);
    const std::string path = WatfordDisk(20, 20).WriteToTemp(dir_, "move.ssd");
    {
      ImageSides sides = OpenDiskImage(path);
      DFSDiskClass& disk = *sides.front();
      DFSFileList list;
      disk.ReadCatalogue(list);
      list[25].CatalogueNumber = 0;  // S05 into the first catalogue
      list[3].CatalogueNumber = 1;   // F03 into the second
      if (callerJournal) {
        Journal journal = Journal::Begin(*disk.HostFile(), disk.HostRanges(0, 1024));
        const std::vector<uint8_t> saved = ReadHostFile(Journal::PathFor(path));
        disk.WriteCatalogueUnderJournal(list);
        QCOMPARE(ReadHostFile(Journal::PathFor(path)), saved);
        journal.Commit();
      } else {
        disk.WriteCatalogue(list);
      }
      QVERIFY(!Journal::ExistsFor(path));
    }
    std::map<std::string, Decoded> entries = ByLabel(DecodeWatford(ReadHostFile(path)));
    QCOMPARE(entries.size(), size_t(40));
    QCOMPARE(entries["$.S05"].catalogue, 0);
    QCOMPARE(entries["$.F03"].catalogue, 1);
    QCOMPARE(entries["$.F04"].catalogue, 0);
  }

  // kestrow-dfs: new --watford, add past 31 files, list, and #N up to 62.
  void commandLine() {
    const std::string image = Path("cli.ssd");
    std::ostringstream out;
    std::ostringstream errors;
    QCOMPARE(RunDiskCommand({"new", "--watford", image}, out, errors), int(kCommandDone));
    std::vector<std::string> add = {"add", image};
    for (int index = 0; index < 62; ++index) {
      const std::string host = Path("H" + std::to_string(index));
      ImageBuilder().Bytes(0, PatternBytes(20, uint8_t(index))).HostSize(20).WriteTo(host);
      add.push_back(host);
    }
    QCOMPARE(RunDiskCommand(add, out, errors), int(kCommandDone));
    QCOMPARE(errors.str(), std::string());
    QCOMPARE(DecodeWatford(ReadHostFile(image)).size(), size_t(62));
    std::ostringstream listing;
    QCOMPARE(RunDiskCommand({"list", image}, listing, errors), int(kCommandDone));
    QVERIFY(listing.str().find("62 files  Boot Opt 0 (Off)  80 track (200K) Watford 62-file") !=
            std::string::npos);
    // #N counts in catalogue order, as list shows it: the first catalogue, then the second.
    const std::vector<Decoded> listed = DecodeWatford(ReadHostFile(image));
    QCOMPARE(listed[30].catalogue, 0);
    QCOMPARE(listed[31].catalogue, 1);
    QCOMPARE(RunDiskCommand({"delete", image, "#62", "#1", "#32"}, out, errors), int(kCommandDone));
    std::map<std::string, Decoded> left = ByLabel(DecodeWatford(ReadHostFile(image)));
    QCOMPARE(left.size(), size_t(59));
    for (size_t gone : {0, 31, 61}) {
      QVERIFY(left.count(listed[gone].Label()) == 0);
    }
    std::ostringstream usage;
    QCOMPARE(RunDiskCommand({"cat", image, "#63"}, usage, errors), int(kCommandUsage));
  }

  // Changes that write both catalogues, with a write failure injected at each write and
  // flush (once, and for good from there on) and after many byte counts: afterwards, once the image
  // has been opened again, both catalogues are old or both new, and every listed file reads back
  // whole.
  void bothCataloguesUnderInjectedFailures_data() {
    QTest::addColumn<QString>("change");
    QTest::newRow("saves that spill into the second catalogue") << "spill";
    QTest::newRow("clearing both catalogues") << "clear";
  }
  void bothCataloguesUnderInjectedFailures() {
    QFETCH(QString, change);
    const std::vector<uint8_t> original = WatfordDisk(29, 3).Image();
    const std::string path = Path("faults.ssd");
    auto run = [&](const FaultPlan& plan, int& operations, int64_t& bytes) {
      ImageBuilder().Bytes(0, original).WriteTo(path);
      auto faults = std::make_shared<FaultPlan>(plan);
      bool failed = false;
      {
        auto stream = std::make_shared<SFileStream>(path, true);
        stream->SetFaultPlan(faults);
        DFSDiskClass disk(stream, path, SectorMapping{});
        try {
          if (change == "spill") {
            std::vector<int> results = SaveNew(disk, 4, 70);
            failed = results != std::vector<int>(4, kSaveDone);
          } else {
            disk.ClearCatalogue();
          }
        } catch (const FileSystemError&) {
          failed = true;
        }
      }
      OpenDiskImage(path).clear();  // rolls back what a failed rollback left
      operations = faults->Operations();
      bytes = faults->BytesWritten();
      return std::make_pair(failed, ReadHostFile(path));
    };
    int operations = 0;
    int64_t bytes = 0;
    const auto [referenceFailed, reference] =
        run(FaultPlan::FailNthWrite(INT32_MAX), operations, bytes);
    QVERIFY(!referenceFailed);
    QVERIFY(Slice(reference, 0, 512) != Slice(original, 0, 512));
    QVERIFY(Slice(reference, 512, 512) != Slice(original, 512, 512));
    std::vector<std::pair<std::string, FaultPlan>> plans;
    for (int k = 1; k <= operations; ++k) {
      plans.emplace_back("write " + std::to_string(k), FaultPlan::FailNthWrite(k));
      plans.emplace_back("writes from " + std::to_string(k), FaultPlan::FailNthWrite(k, true));
    }
    for (int64_t count = 0; count < bytes; count += 131) {
      plans.emplace_back("after " + std::to_string(count) + " bytes",
                         FaultPlan::FailAfterBytes(count));
    }
    int cases = 0;
    for (const auto& [where, plan] : plans) {
      {
        int ignoredOperations = 0;
        int64_t ignoredBytes = 0;
        const auto [failed, image] = run(plan, ignoredOperations, ignoredBytes);
        QVERIFY2(failed, where.c_str());
        QVERIFY2(!Journal::ExistsFor(path), where.c_str());
        QVERIFY2(Slice(image, 0, 1024) == Slice(original, 0, 1024),
                 (where + ": the catalogues are not both old").c_str());
        QCOMPARE(LayoutProblem(image), std::string());
        for (const Decoded& entry : DecodeWatford(image)) {
          QVERIFY(DecodedBytes(image, entry) == DecodedBytes(original, entry));
        }
        ++cases;
      }
    }
    qInfo("injected failures on both catalogues: %d", cases);
  }

  // kestrow-dfs adding files that spill from the first catalogue into the second, killed
  // at random moments: once opened again, the disk lists all of them or none, both
  // catalogues old or both new, and no journal is left.
  void killedSpillLosesNothing() {
    const ImageBuilder base = WatfordDisk(28, 2);
    const std::string image = Path("killed.ssd");
    QStringList arguments{"add", QString::fromStdString(image)};
    for (int index = 0; index < 6; ++index) {
      const std::string host = Path("K" + std::to_string(index));
      ImageBuilder().Bytes(0, PatternBytes(700, uint8_t(90 + index))).HostSize(700).WriteTo(host);
      arguments << QString::fromStdString(host);
    }
    auto runTool = [&](std::optional<int64_t> killAfterMicroseconds) {
      QProcess process;
      process.start(KESTROW_BINARY_DIR "/kestrow-dfs", arguments);
      if (!process.waitForStarted()) {
        return false;
      }
      if (killAfterMicroseconds) {
        QThread::usleep(static_cast<unsigned long>(*killAfterMicroseconds));
        if (const auto pid = static_cast<pid_t>(process.processId()); pid > 0) {
          ::kill(pid, SIGKILL);
        }
      }
      process.waitForFinished(60000);
      return process.exitStatus() == QProcess::CrashExit;
    };
    base.WriteTo(image);
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!runTool(std::nullopt));
    const int64_t fullRun = std::max<int64_t>(timer.nsecsElapsed() / 1000, 1000);
    const std::vector<uint8_t> complete = ReadHostFile(image);
    QCOMPARE(DecodeWatford(complete).size(), size_t(36));

    const unsigned seed = std::random_device()();
    std::mt19937 random(seed);
    int64_t bound = fullRun;
    int killed = 0, oldKept = 0, rolledBack = 0;
    for (int run = 0; run < kKillRuns; ++run) {
      base.WriteTo(image);
      ::unlink(Journal::PathFor(image).c_str());
      killed += runTool(std::uniform_int_distribution<int64_t>(0, bound)(random)) ? 1 : 0;
      rolledBack += Journal::ExistsFor(image) ? 1 : 0;
      std::string problem;
      try {
        OpenDiskImage(image).clear();
      } catch (const std::exception& error) {
        problem = std::string("the image does not open: ") + error.what();
      }
      const std::vector<uint8_t> after = ReadHostFile(image);
      const bool old = Slice(after, 0, 1024) == Slice(base.Image(), 0, 1024);
      if (problem.empty() && !old && Slice(after, 0, 1024) != Slice(complete, 0, 1024)) {
        problem = "the catalogues are neither both old nor both new";
      }
      if (problem.empty()) {
        problem = LayoutProblem(after);
      }
      if (problem.empty() && Journal::ExistsFor(image)) {
        problem = "the journal is still there";
      }
      for (const Decoded& entry : DecodeWatford(after)) {
        if (problem.empty() && DecodedBytes(after, entry) != DecodedBytes(complete, entry)) {
          problem = entry.Label() + " does not read back whole";
        }
      }
      oldKept += old ? 1 : 0;
      bound = old ? bound * 5 / 4 : std::max<int64_t>(bound * 4 / 5, 200);
      QVERIFY2(problem.empty(),
               ("run " + std::to_string(run) + " (seed " + std::to_string(seed) + "): " + problem)
                   .c_str());
    }
    qInfo("spill kills: %d runs, %d killed, %d left a journal, %d kept the old catalogues",
          kKillRuns, killed, rolledBack, oldKept);
    QVERIFY2(oldKept > 0 && oldKept < kKillRuns, "no kill fell on each side of the change");
  }
};

QTEST_GUILESS_MAIN(TestWatford)
#include "test_watford.moc"
