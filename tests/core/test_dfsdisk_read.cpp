// SPDX-License-Identifier: GPL-3.0-or-later
// The image model: opening and creating images, exclusive use, decoding the catalogue,
// space figures, reading file data and the sector mapping.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <cstring>

#include "disk/DFSUseful.h"
#include "support/ImageBuilder.h"

namespace {

// A child process that holds an exclusive flock on a file until this object ends.
class LockHoldingChild {
 public:
  explicit LockHoldingChild(const std::string& path) {
    int ready[2];
    int release[2];
    if (pipe(ready) != 0 || pipe(release) != 0) {
      return;
    }
    pid_ = fork();
    if (pid_ == 0) {
      close(ready[0]);
      close(release[1]);
      int descriptor = open(path.c_str(), O_RDWR);
      char locked = descriptor >= 0 && flock(descriptor, LOCK_EX | LOCK_NB) == 0 ? 1 : 0;
      char ignored = 0;
      if (write(ready[1], &locked, 1) == 1 && read(release[0], &ignored, 1) >= 0) {
        _exit(0);
      }
      _exit(1);
    }
    close(ready[1]);
    close(release[0]);
    if (read(ready[0], &locked_, 1) != 1) {
      locked_ = 0;
    }
    close(ready[0]);
    release_ = release[1];
  }
  ~LockHoldingChild() {
    close(release_);
    waitpid(pid_, nullptr, 0);
  }
  bool Locked() const { return locked_ == 1; }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  char locked_ = 0;
};

std::string CreateFailure(const std::string& path, int flag) {
  try {
    DFSDiskClass::Create(path, flag);
  } catch (const FileSystemError& error) {
    return error.what();
  }
  return "opened";
}

std::string Failure(const std::string& action, const std::string& path, int error) {
  return action + " \"" + path + "\". " + std::strerror(error);
}

}  // namespace

class TestDFSDiskRead : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  int images_ = 0;
  std::string Write(const ImageBuilder& builder) {
    return builder.WriteToTemp(dir_, "image" + std::to_string(images_++) + ".ssd");
  }
  std::unique_ptr<DFSDiskClass> Open(const ImageBuilder& builder) {
    return DFSDiskClass::Create(Write(builder), 2);
  }

 private slots:
  void createWritesABlankImage();
  void createReplacesAFileNobodyHolds();
  void missingAndReadOnlyFilesFail();
  void imageHeldElsewhereIsRefusedAndKept();
  void diskOptions_data();
  void diskOptions();
  void decodesEntries_data();
  void decodesEntries();
  void titles_data();
  void titles();
  void countByteGivesAtMost31Entries_data();
  void countByteGivesAtMost31Entries();
  void computeSpace_data();
  void computeSpace();
  void readFileData_data();
  void readFileData();
  void sectorMapping_data();
  void sectorMapping();
  void sidesOfAnInterleavedImageShareTheFile();
};

void TestDFSDiskRead::createWritesABlankImage() {
  std::string path = dir_.filePath("blank.ssd").toStdString();
  auto disk = DFSDiskClass::Create(path, 1);
  std::vector<uint8_t> expected(512, 0);
  expected[0x106] = 0x03;
  expected[0x107] = 0x20;
  QCOMPARE(ReadHostFile(path), expected);
  QCOMPARE(disk->DiskSize, 204800);
  QCOMPARE(disk->BootOption, 0);
  QCOMPARE(disk->UsedSpace, 512);
  QCOMPARE(disk->LargestFree, 204800 - 512);
  QCOMPARE(disk->FileCount(), 0);
  QCOMPARE(disk->GetTitle(), std::string());
  QCOMPARE(disk->FileName, path);
}

void TestDFSDiskRead::createReplacesAFileNobodyHolds() {
  std::string path =
      Write(ImageBuilder().Title("OLD").AddEntry({'$', "A", 0, 0, 9000, 2}).HostSize(20000));
  auto disk = DFSDiskClass::Create(path, 1);
  QCOMPARE(ReadHostFile(path).size(), size_t{512});
  QCOMPARE(disk->FileCount(), 0);
  QCOMPARE(disk->GetTitle(), std::string());
}

void TestDFSDiskRead::missingAndReadOnlyFilesFail() {
  std::string missing = dir_.filePath("missing.ssd").toStdString();
  QCOMPARE(CreateFailure(missing, 2), Failure("Cannot open file", missing, ENOENT));

  std::string readOnly = Write(ImageBuilder().Title("KEEP"));
  std::vector<uint8_t> before = ReadHostFile(readOnly);
  QCOMPARE(chmod(readOnly.c_str(), 0444), 0);
  QCOMPARE(CreateFailure(readOnly, 2), Failure("Cannot open file", readOnly, EACCES));
  QCOMPARE(CreateFailure(readOnly, 1), Failure("Cannot create file", readOnly, EACCES));
  QCOMPARE(ReadHostFile(readOnly), before);
}

void TestDFSDiskRead::imageHeldElsewhereIsRefusedAndKept() {
  std::string path = Write(ImageBuilder().Title("HELD").AddEntry({'$', "A", 0, 0, 256, 2}));
  std::string otherSpelling = dir_.path().toStdString() + "/./" + path.substr(path.rfind('/') + 1);
  std::vector<uint8_t> before = ReadHostFile(path);
  {
    auto holder = DFSDiskClass::Create(path, 2);
    QCOMPARE(CreateFailure(otherSpelling, 2),
             Failure("Cannot open file", otherSpelling, EWOULDBLOCK));
    QCOMPARE(CreateFailure(otherSpelling, 1),
             Failure("Cannot create file", otherSpelling, EWOULDBLOCK));
    QCOMPARE(holder->GetTitle(), std::string("HELD"));
  }
  {
    LockHoldingChild child(path);
    QVERIFY(child.Locked());
    QCOMPARE(CreateFailure(path, 2), Failure("Cannot open file", path, EWOULDBLOCK));
    QCOMPARE(CreateFailure(path, 1), Failure("Cannot create file", path, EWOULDBLOCK));
  }
  QCOMPARE(ReadHostFile(path), before);
  QCOMPARE(CreateFailure(path, 2), std::string("opened"));
}

void TestDFSDiskRead::diskOptions_data() {
  QTest::addColumn<int>("optionByte");
  QTest::addColumn<int>("countByte");
  QTest::addColumn<int>("diskSize");
  QTest::addColumn<int>("bootOption");
  QTest::newRow("0x01 0x90: 400 sectors") << 0x01 << 0x90 << 102400 << 0;
  QTest::newRow("0x03 0x20: 800 sectors") << 0x03 << 0x20 << 204800 << 0;
  QTest::newRow("0x33 0x20") << 0x33 << 0x20 << 204800 << 3;
  QTest::newRow("0xE1 0x90: other bits ignored") << 0xE1 << 0x90 << 102400 << 2;
  QTest::newRow("0x02 0xE7: 743 sectors") << 0x02 << 0xE7 << 743 * 256 << 0;
  QTest::newRow("0x03 0xFF: 1023 sectors") << 0x03 << 0xFF << 1023 * 256 << 0;
  QTest::newRow("0x00 0x02: 2 sectors") << 0x00 << 0x02 << 512 << 0;
  // A malformed count falls back to bits 0-1 of byte 0x106 alone.
  QTest::newRow("0x00 0x00: falls back to 40 track") << 0x00 << 0x00 << 102400 << 0;
  QTest::newRow("0x00 0x01: falls back to 40 track") << 0x00 << 0x01 << 102400 << 0;
}

void TestDFSDiskRead::diskOptions() {
  QFETCH(int, optionByte);
  QFETCH(int, countByte);
  QFETCH(int, diskSize);
  QFETCH(int, bootOption);
  auto disk = Open(ImageBuilder()
                       .Byte(0x106, static_cast<uint8_t>(optionByte))
                       .Byte(0x107, static_cast<uint8_t>(countByte)));
  QCOMPARE(disk->DiskSize, diskSize);
  QCOMPARE(disk->BootOption, bootOption);
  QCOMPARE(disk->LargestFree, diskSize - 512);
}

void TestDFSDiskRead::decodesEntries_data() {
  QTest::addColumn<int>("mixed");
  QTest::addColumn<int>("startLow");
  QTest::addColumn<int>("directoryByte");
  QTest::addColumn<int>("load");
  QTest::addColumn<int>("exec");
  QTest::addColumn<int>("length");
  QTest::addColumn<int>("start");
  QTest::addColumn<char>("directory");
  QTest::addColumn<int>("locked");
  // The raw words are load 0x1234, exec 0x5678, length 0x9ABC.
  // clang-format off
  QTest::newRow("plain") << 0x00 << 0x05 << 0x24 << 0x1234 << 0x5678 << 0x9ABC << 5 << '$' << 0;
  QTest::newRow("0x0C: host load") << 0x0C << 0x05 << 0x24 << 0xFF1234 << 0x5678 << 0x9ABC << 5 << '$' << 0;
  QTest::newRow("0x04 alone") << 0x04 << 0x05 << 0x24 << 0x1234 << 0x5678 << 0x9ABC << 5 << '$' << 0;
  QTest::newRow("0x08 alone") << 0x08 << 0x05 << 0x24 << 0x1234 << 0x5678 << 0x9ABC << 5 << '$' << 0;
  QTest::newRow("0xC0: host exec") << 0xC0 << 0x05 << 0x24 << 0x1234 << 0xFF5678 << 0x9ABC << 5 << '$' << 0;
  QTest::newRow("0x40 alone") << 0x40 << 0x05 << 0x24 << 0x1234 << 0x5678 << 0x9ABC << 5 << '$' << 0;
  QTest::newRow("0x80 alone") << 0x80 << 0x05 << 0x24 << 0x1234 << 0x5678 << 0x9ABC << 5 << '$' << 0;
  QTest::newRow("0x33: high start and length") << 0x33 << 0x20 << 0x24 << 0x1234 << 0x5678 << 0x39ABC << 0x320 << '$' << 0;
  QTest::newRow("0xFF: every bit") << 0xFF << 0xFF << 0x24 << 0xFF1234 << 0xFF5678 << 0x39ABC << 0x3FF << '$' << 0;
  QTest::newRow("locked lower case") << 0x00 << 0x05 << 0xE1 << 0x1234 << 0x5678 << 0x9ABC << 5 << 'a' << 1;
  // clang-format on
}

void TestDFSDiskRead::decodesEntries() {
  QFETCH(int, mixed);
  QFETCH(int, startLow);
  QFETCH(int, directoryByte);
  ImageBuilder builder;
  builder.CountByte(8).Bytes(0x008, {'N', 'A', 'M', 'E', ' ', ' ', ' ', uint8_t(directoryByte)});
  builder.Bytes(0x108, {0x34, 0x12, 0x78, 0x56, 0xBC, 0x9A, uint8_t(mixed), uint8_t(startLow)});
  DFSFileList list;
  Open(builder)->ReadCatalogue(list);
  QCOMPARE(list.size(), size_t{1});
  const DFSFileClass& entry = list[0];
  QTEST(entry.LoadAddress, "load");
  QTEST(entry.ExecAddress, "exec");
  QTEST(entry.Length, "length");
  QTEST(entry.StartSector, "start");
  QTEST(entry.Directory, "directory");
  QTEST(int(entry.Locked), "locked");
  QCOMPARE(entry.Name, std::string("NAME   "));
}

void TestDFSDiskRead::titles_data() {
  QTest::addColumn<QByteArray>("sector0");
  QTest::addColumn<QByteArray>("sector1");
  QTest::addColumn<QByteArray>("title");
  // clang-format off
  QTest::newRow("12 characters") << QByteArray("WELCOME-") << QByteArray("DISK") << QByteArray("WELCOME-DISK");
  QTest::newRow("zero after 5") << QByteArray("HELLO\0XY", 8) << QByteArray("ABCD") << QByteArray("HELLO");
  QTest::newRow("zero in sector 1") << QByteArray("ABCDEFGH") << QByteArray("IJ\0L", 4) << QByteArray("ABCDEFGHIJ");
  QTest::newRow("trailing spaces kept") << QByteArray("AB      ") << QByteArray("    ") << QByteArray("AB          ");
  QTest::newRow("zero at byte 0") << QByteArray("\0BCDEFGH", 8) << QByteArray("IJKL") << QByteArray();
  // clang-format on
}

void TestDFSDiskRead::titles() {
  QFETCH(QByteArray, sector0);
  QFETCH(QByteArray, sector1);
  QFETCH(QByteArray, title);
  ImageBuilder builder;
  builder.Bytes(0x000, {sector0.begin(), sector0.end()})
      .Bytes(0x100, {sector1.begin(), sector1.end()});
  QCOMPARE(QByteArray::fromStdString(Open(builder)->GetTitle()), title);
}

void TestDFSDiskRead::countByteGivesAtMost31Entries_data() {
  QTest::addColumn<int>("countByte");
  QTest::addColumn<int>("entries");
  QTest::newRow("0x00") << 0x00 << 0;
  QTest::newRow("0x0F: low bits ignored") << 0x0F << 1;
  QTest::newRow("0xF8") << 0xF8 << 31;
  QTest::newRow("0xFF") << 0xFF << 31;
}

void TestDFSDiskRead::countByteGivesAtMost31Entries() {
  QFETCH(int, countByte);
  QFETCH(int, entries);
  ImageBuilder builder;
  for (int slot = 0; slot < 31; ++slot) {
    builder.SetEntry(slot, {'$', "F" + std::to_string(slot), 0, 0, 256, uint32_t(2 + slot)});
  }
  auto disk = Open(builder.CountByte(uint8_t(countByte)));
  DFSFileList list(1);  // ReadCatalogue appends
  disk->ReadCatalogue(list);
  QCOMPARE(int(list.size()), entries + 1);
  QCOMPARE(disk->FileCount(), entries);
  for (int index = 0; index < entries; ++index) {
    QCOMPARE(list[index + 1].CatalogueIndex, index);
    QCOMPARE(list[index + 1].StartSector, 2 + index);
  }
}

void TestDFSDiskRead::computeSpace_data() {
  QTest::addColumn<int>("sectors");
  QTest::addColumn<QString>("files");
  QTest::addColumn<int>("used");
  QTest::addColumn<int>("largest");
  QTest::newRow("empty") << 800 << "" << 512 << 204288;
  QTest::newRow("files at 2-5 and 10-20") << 400 << "10+2816 2+1024" << 4352 << 97024;
  QTest::newRow("first file at sector 10") << 400 << "10+99840" << 100352 << 2048;
  QTest::newRow("zero gap") << 400 << "4+101376 2+512" << 102400 << 0;
  QTest::newRow("lengths round up") << 400 << "2+1 3+257" << 1280 << 101120;
  QTest::newRow("ascending catalogue") << 400 << "2+1024 10+2816" << 4352 << 97024;
  QTest::newRow("zero length after a longer file") << 400 << "2+2560 2+0" << 3072 << 99328;
  QTest::newRow("zero length before a longer file") << 400 << "2+0 2+2560" << 3072 << 99328;
  QTest::newRow("file inside another") << 400 << "2+5120 4+256" << 5632 << 96768;
  QTest::newRow("file past the disk") << 400 << "2+256 500+256" << 768 << 101632;
  QTest::newRow("file in the catalogue sectors") << 400 << "0+256" << 512 << 101888;
  // Sectors count once however many entries cover them, so free space is never negative.
  QTest::newRow("two files on the same sectors") << 400 << "2+1024 2+1024" << 1536 << 100864;
  QTest::newRow("file longer than the disk") << 400 << "2+150000" << 102400 << 0;
  QTest::newRow("743 sectors") << 743 << "2+1024" << 1536 << 188672;
  // New data never spans an empty entry's start, so neither does the largest block.
  QTest::newRow("zero length in the free space") << 400 << "2+256 100+0" << 768 << 76800;
}

void TestDFSDiskRead::computeSpace() {
  QFETCH(int, sectors);
  QFETCH(QString, files);
  ImageBuilder builder(sectors);
  builder.AddPlacedFiles(files.toStdString());
  auto disk = Open(builder);
  QTEST(disk->UsedSpace, "used");
  QTEST(disk->LargestFree, "largest");
  // The largest block is exactly what placing new data finds.
  if (disk->LargestFree > 0) {
    QVERIFY(disk->FindFreeSpace(disk->LargestFree - 1) != 0);
  }
  QCOMPARE(disk->FindFreeSpace(disk->LargestFree + 1), 0);
}

void TestDFSDiskRead::readFileData_data() {
  QTest::addColumn<int>("sectors");
  QTest::addColumn<int>("startSector");
  QTest::addColumn<int>("length");
  QTest::addColumn<int>("hostSize");
  QTest::addColumn<int>("readable");  // bytes of the pattern that should come back
  QTest::newRow("whole file") << 800 << 3 << 700 << 4096 << 700;
  QTest::newRow("host file ends inside it") << 800 << 3 << 700 << 1024 << 256;
  QTest::newRow("host file ends before it") << 800 << 20 << 300 << 1024 << 0;
  // The host file, not the disk's size, limits what reads back.
  QTest::newRow("runs past the disk") << 400 << 399 << 600 << 103000 << 600;
  QTest::newRow("starts past the disk") << 400 << 1000 << 300 << 300000 << 300;
  QTest::newRow("past the disk and the host file") << 400 << 399 << 600 << 102500 << 356;
  QTest::newRow("zero length") << 800 << 3 << 0 << 4096 << 0;
}

void TestDFSDiskRead::readFileData() {
  QFETCH(int, sectors);
  QFETCH(int, startSector);
  QFETCH(int, length);
  QFETCH(int, hostSize);
  QFETCH(int, readable);
  std::vector<uint8_t> pattern = PatternBytes(size_t(length) + 512, 7);
  ImageBuilder builder(sectors);
  builder.AddEntry({'$', "F", 0, 0, uint32_t(length), uint32_t(startSector)});
  builder.FileData(startSector, pattern).HostSize(size_t(hostSize));
  auto disk = Open(builder);
  std::vector<uint8_t> expected(pattern.begin(), pattern.begin() + readable);
  expected.resize(size_t(length), 0);
  QCOMPARE(disk->ReadFileData(disk->FindFile('$', "F      ").value()), expected);
}

void TestDFSDiskRead::sectorMapping_data() {
  QTest::addColumn<bool>("interleaved");
  QTest::addColumn<int>("side");
  QTest::addColumn<qint64>("diskOffset");
  QTest::addColumn<qint64>("fileOffset");
  QTest::newRow("linear") << false << 0 << 123456ll << 123456ll;
  QTest::newRow("side 0, track 0") << true << 0 << 2559ll << 2559ll;
  QTest::newRow("side 0, track 1") << true << 0 << 2560ll << 5120ll;
  QTest::newRow("side 1, track 0") << true << 1 << 0x105ll << 2560ll + 0x105;
  QTest::newRow("side 1, track 1") << true << 1 << 2565ll << 7685ll;
  QTest::newRow("side 1, track 79") << true << 1 << 79 * 2560ll + 300 << 159 * 2560ll + 300;
}

void TestDFSDiskRead::sectorMapping() {
  QFETCH(bool, interleaved);
  QFETCH(int, side);
  QFETCH(qint64, diskOffset);
  SectorMapping mapping{interleaved, side};
  QTEST(qint64(mapping.FileOffset(diskOffset)), "fileOffset");
}

void TestDFSDiskRead::sidesOfAnInterleavedImageShareTheFile() {
  // Side 1's catalogue sits in the second 2560-byte block; its file runs from sector 9
  // (track 0) into sector 10 (track 1), which lie 2816 bytes apart in the host file.
  std::vector<uint8_t> data = PatternBytes(400, 3);
  ImageBuilder side1;
  side1.Title("SIDE1").AddEntry({'$', "S1", 0, 0, 400, 9});
  ImageBuilder image;
  image.Title("SIDE0").AddEntry({'$', "S0", 0, 0, 10, 2});
  image.Bytes(2560, side1.Image());
  image.Bytes(2560 + 9 * 256, {data.begin(), data.begin() + 256});
  image.Bytes(3 * 2560, {data.begin() + 256, data.end()});
  image.HostSize(4 * 2560);
  auto side0 = Open(image);
  DFSDiskClass other(side0->HostFile(), side0->FileName, SectorMapping{true, 1});
  QCOMPARE(side0->GetTitle(), std::string("SIDE0"));
  QCOMPARE(other.GetTitle(), std::string("SIDE1"));
  QCOMPARE(other.ReadFileData(other.FindFile('$', "S1     ").value()), data);

  other.SetTitle("CHANGED");
  QCOMPARE(side0->GetTitle(), std::string("SIDE0"));
  QCOMPARE(other.GetTitle(), std::string("CHANGED"));
  std::vector<uint8_t> host = ReadHostFile(side0->FileName);
  QCOMPARE(std::string(host.begin() + 2560, host.begin() + 2567), std::string("CHANGED"));
}

QTEST_GUILESS_MAIN(TestDFSDiskRead)
#include "test_dfsdisk_read.moc"
