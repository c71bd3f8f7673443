// SPDX-License-Identifier: GPL-3.0-or-later
// Double-sided images: each side is its own disk, interleaved track by track in one
// locked host file. Reads must find each side's bytes, and writes to one side must leave
// every byte of the other alone, also when they grow the file.
#include <QTemporaryDir>
#include <QtTest>

#include "disk/DFSUseful.h"
#include "support/ImageBuilder.h"
#include "support/RawDisk.h"

namespace {

// Side 0: A, 7000 bytes from sector 7 (tracks 0-3). Side 1: B, 9000 bytes from sector 4
// (tracks 0-3), and C, 600 bytes from sector 60.
const std::vector<uint8_t> kDataA = PatternBytes(7000, 1);
const std::vector<uint8_t> kDataB = PatternBytes(9000, 2);
const std::vector<uint8_t> kDataC = PatternBytes(600, 3);

std::vector<uint8_t> TwoSidedImage() {
  ImageBuilder side0;
  side0.Title("ZERO").AddEntry({'$', "A", 0x1900, 0x8023, 7000, 7}).FileData(7, kDataA);
  ImageBuilder side1;
  side1.Title("TWO").BootOption(3).AddEntry({'$', "C", 0, 0, 600, 60});
  side1.AddEntry({'B', "B", 0xFF1900, 0, 9000, 4}).FileData(4, kDataB).FileData(60, kDataC);
  return InterleavedImage(side0.Image(), side1.Image());
}

void WriteImage(const std::string& path, const std::vector<uint8_t>& bytes) {
  ImageBuilder builder;
  builder.HostSize(0).Bytes(0, bytes).WriteTo(path);
}

// The first host-file offset of side `side` whose byte differs between before and after
// (bytes past the end of before count as zero), or -1.
qint64 FirstChangeOnSide(const std::vector<uint8_t>& before, const std::vector<uint8_t>& after,
                         int side) {
  for (size_t offset = 0; offset < std::max(before.size(), after.size()); ++offset) {
    if (int(offset / 2560 % 2) != side) {
      continue;
    }
    uint8_t was = offset < before.size() ? before[offset] : 0;
    uint8_t is = offset < after.size() ? after[offset] : 0;
    if (was != is) {
      return qint64(offset);
    }
  }
  return -1;
}

}  // namespace

class TestDoubleSided : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  std::string Path(const std::string& name) { return dir_.filePath(name.c_str()).toStdString(); }

 private slots:
  void imageNamesChooseTheLayout_data();
  void imageNamesChooseTheLayout();
  void blankDoubleSidedImage_data();
  void blankDoubleSidedImage();
  void sidesHoldOneLockUntilTheLastCloses();
  void filesSpanningTracksReadBackOnBothSides();
  void writesLeaveTheOtherSideUntouched_data();
  void writesLeaveTheOtherSideUntouched();
};

void TestDoubleSided::imageNamesChooseTheLayout_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<int>("sides");
  QTest::newRow("ssd") << "a.ssd" << 1;
  QTest::newRow("dsd") << "b.dsd" << 2;
  QTest::newRow("upper-case DSD") << "C.DsD" << 2;
  QTest::newRow("dsd inside the name") << "d.dsd.ssd" << 1;
  QTest::newRow("no extension") << "dsd" << 1;
}

void TestDoubleSided::imageNamesChooseTheLayout() {
  QFETCH(QString, name);
  QFETCH(int, sides);
  std::string path = Path(name.toStdString());
  WriteImage(path, TwoSidedImage());
  QCOMPARE(IsDoubleSidedName(path), sides == 2);
  ImageSides opened = OpenDiskImage(path);
  QCOMPARE(int(opened.size()), sides);
  for (int side = 0; side < sides; ++side) {
    QCOMPARE(opened[size_t(side)]->Mapping().interleaved, sides == 2);
    QCOMPARE(opened[size_t(side)]->Mapping().side, side);
    QCOMPARE(opened[size_t(side)]->HostFile(), opened[0]->HostFile());
  }
  QCOMPARE(opened[0]->GetTitle(), std::string("ZERO"));
  opened.clear();
  // Create(path, 2) opens what OpenDiskImage gives as the first side.
  auto first = DFSDiskClass::Create(path, 2);
  QCOMPARE(first->Mapping().interleaved, sides == 2);
  QCOMPARE(first->FileCount(), 1);
}

void TestDoubleSided::blankDoubleSidedImage_data() {
  QTest::addColumn<bool>("throughCreate");
  QTest::newRow("CreateDoubleSided") << false;
  QTest::newRow("Create with flag 1") << true;
}

void TestDoubleSided::blankDoubleSidedImage() {
  QFETCH(bool, throughCreate);
  std::string path = Path("blank.dsd");
  WriteImage(path, TwoSidedImage());  // replaced
  if (throughCreate) {
    QVERIFY(DFSDiskClass::Create(path, 1)->Mapping().interleaved);
  } else {
    CreateDoubleSided(path);
  }
  std::vector<uint8_t> expected(3072, 0);
  for (size_t catalogue : {0, 2560}) {
    expected[catalogue + 0x106] = 0x03;
    expected[catalogue + 0x107] = 0x20;
  }
  QCOMPARE(ReadHostFile(path), expected);
  ImageSides sides = OpenDiskImage(path);
  for (const auto& side : sides) {
    QCOMPARE(side->DiskSize, 204800);
    QCOMPARE(side->BootOption, 0);
    QCOMPARE(side->FileCount(), 0);
    QCOMPARE(side->LargestFree, 204800 - 512);
  }
}

void TestDoubleSided::sidesHoldOneLockUntilTheLastCloses() {
  std::string path = Path("locked.dsd");
  WriteImage(path, TwoSidedImage());
  ImageSides sides = OpenDiskImage(path);
  QVERIFY_THROWS_EXCEPTION(FileSystemError, OpenDiskImage(path));
  sides.erase(sides.begin());
  QVERIFY_THROWS_EXCEPTION(FileSystemError, OpenDiskImage(path));
  QCOMPARE(sides[0]->GetTitle(), std::string("TWO"));
  sides.clear();
  QCOMPARE(OpenDiskImage(path).size(), size_t{2});
}

void TestDoubleSided::filesSpanningTracksReadBackOnBothSides() {
  std::string path = Path("read.dsd");
  WriteImage(path, TwoSidedImage());
  ImageSides sides = OpenDiskImage(path);
  QCOMPARE(sides[1]->GetTitle(), std::string("TWO"));
  QCOMPARE(sides[1]->BootOption, 3);
  QCOMPARE(sides[0]->ReadFileData(sides[0]->FindFile('$', "A      ").value()), kDataA);
  QCOMPARE(sides[1]->ReadFileData(sides[1]->FindFile('B', "B      ").value()), kDataB);
  QCOMPARE(sides[1]->ReadFileData(sides[1]->FindFile('$', "C      ").value()), kDataC);
  QVERIFY(!sides[0]->FindFile('B', "B      ").has_value());
}

void TestDoubleSided::writesLeaveTheOtherSideUntouched_data() {
  QTest::addColumn<int>("side");
  QTest::addColumn<int>("length");      // of a file saved; 0 for title and delete only
  QTest::addColumn<bool>("truncated");  // the host file ends after side 1's catalogue
  QTest::newRow("side 0, catalogue") << 0 << 0 << false;
  QTest::newRow("side 1, catalogue") << 1 << 0 << false;
  QTest::newRow("side 0, file over tracks") << 0 << 12000 << false;
  QTest::newRow("side 1, file over tracks") << 1 << 12000 << false;
  QTest::newRow("side 0, past the end") << 0 << 40000 << true;
  QTest::newRow("side 1, past the end") << 1 << 40000 << true;
}

void TestDoubleSided::writesLeaveTheOtherSideUntouched() {
  QFETCH(int, side);
  QFETCH(int, length);
  QFETCH(bool, truncated);
  std::string path = Path("write.dsd");
  std::vector<uint8_t> image = TwoSidedImage();
  if (truncated) {
    image.resize(3072);
  }
  WriteImage(path, image);
  std::vector<uint8_t> data = PatternBytes(size_t(length), 9);
  {
    ImageSides sides = OpenDiskImage(path);
    DFSDiskClass& disk = *sides[size_t(side)];
    disk.SetTitle("CHANGED");
    if (length == 0) {
      QVERIFY(disk.DeleteFile(side == 0 ? '$' : 'B', side == 0 ? "A      " : "B      "));
    } else {
      DFSFileClass entry;
      entry.Name = "NEW    ";
      entry.Length = length;
      SMemoryStream source(data);
      QCOMPARE(disk.SaveFile(entry, source), int(kSaveDone));
    }
  }
  std::vector<uint8_t> after = ReadHostFile(path);
  QCOMPARE(FirstChangeOnSide(image, after, 1 - side), qint64(-1));
  RawDisk written = DecodeRawDisk(after, true, side);
  QCOMPARE(written.title, std::string("CHANGED"));
  if (length > 0) {
    auto entry = std::find_if(written.entries.begin(), written.entries.end(),
                              [](const RawEntry& e) { return e.name == "NEW    "; });
    QVERIFY(entry != written.entries.end());
    QCOMPARE(RawFileBytes(after, true, side, *entry), data);
  }
}

QTEST_GUILESS_MAIN(TestDoubleSided)
#include "test_doublesided.moc"
