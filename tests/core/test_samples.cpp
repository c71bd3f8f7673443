// Real images made by other tools: the model must read them as this test decodes them
// from the raw bytes, and the known facts of each image must hold.
#include <QTemporaryDir>
#include <QtTest>

#include "disk/DFSUseful.h"
#include "support/ImageBuilder.h"
#include "support/RawDisk.h"

namespace {

// A saved BASIC program starts with a carriage return and ends with CR, 0xFF.
bool LooksLikeBasic(const std::vector<uint8_t>& data) {
  size_t size = data.size();
  return size >= 2 && data[0] == 0x0D && data[size - 2] == 0x0D && data[size - 1] == 0xFF;
}

}  // namespace

class TestSamples : public QObject {
  Q_OBJECT

 private slots:
  void singleSidedImages_data();
  void singleSidedImages();
  void doubleSidedImagesReadBothSides_data();
  void doubleSidedImagesReadBothSides();
};

void TestSamples::singleSidedImages_data() {
  QTest::addColumn<QString>("sample");
  QTest::addColumn<QString>("title");  // known facts of the image
  QTest::addColumn<int>("bootOption");
  QTest::addColumn<int>("files");
  QTest::addColumn<int>("diskSize");
  const std::map<std::string, std::tuple<QString, int, int, int>> facts = {
      {"oaknut-01-basic-validation.ssd", {"BASIC", 0, 11, 204800}},
      {"oaknut-03-fragmented.ssd", {"FRAGMENT", 0, 4, 204800}},
      {"beebtools-acorn-dfs-sd-40t.ssd", {"ACORN40", 3, 4, 102400}},
      {"jsbeeb-Welcome.ssd", {"WELCOME-DISK", 3, 25, 204800}},
      {"bem-Music5plus3000.ssd", {"            ", 3, 29, 204800}},
  };
  std::vector<std::string> samples = SampleNames(".ssd");
  QVERIFY(samples.size() >= facts.size());
  for (const std::string& sample : samples) {
    auto known = facts.find(sample);
    QVERIFY2(known != facts.end(), ("no known facts for " + sample).c_str());
    auto [title, bootOption, files, diskSize] = known->second;
    // clang-format off
    QTest::newRow(sample.c_str()) << QString::fromStdString(sample) << title << bootOption << files << diskSize;
    // clang-format on
  }
}

void TestSamples::singleSidedImages() {
  QFETCH(QString, sample);
  QTemporaryDir dir;
  std::string path = CopySample(dir, sample.toStdString());
  std::vector<uint8_t> bytes = ReadHostFile(path);
  RawDisk raw = DecodeRawDisk(bytes, false, 0);
  QTEST(QString::fromStdString(raw.title), "title");
  QTEST(raw.bootOption, "bootOption");
  QTEST(int(raw.entries.size()), "files");

  auto disk = DFSDiskClass::Create(path, 2);
  QTEST(disk->DiskSize, "diskSize");
  QCOMPARE(disk->GetTitle(), raw.title);
  QCOMPARE(disk->BootOption, raw.bootOption);
  QCOMPARE(disk->FileCount(), int(raw.entries.size()));
  DFSFileList list;
  disk->ReadCatalogue(list);
  QCOMPARE(list.size(), raw.entries.size());
  int64_t used = 512;
  int basicFiles = 0;
  for (size_t index = 0; index < list.size(); ++index) {
    const RawEntry& expected = raw.entries[index];
    QCOMPARE(list[index].Name, expected.name);
    QCOMPARE(list[index].Directory, expected.directory);
    QCOMPARE(list[index].Locked != 0, expected.locked);
    QCOMPARE(list[index].Length, int(expected.length));
    QCOMPARE(list[index].StartSector, int(expected.start));
    std::vector<uint8_t> data = disk->ReadFileData(list[index]);
    QCOMPARE(data, RawFileBytes(bytes, false, 0, expected));
    if ((expected.exec & 0xFFFF) == 0x8023 || (expected.exec & 0xFFFF) == 0x801F) {
      QVERIFY2(LooksLikeBasic(data), list[index].Name.c_str());
      ++basicFiles;
    }
    used += (expected.length + 255) / 256 * 256;
  }
  QCOMPARE(int64_t(disk->UsedSpace), used);
  QVERIFY(disk->LargestFree >= 0 && disk->LargestFree <= disk->DiskSize - disk->UsedSpace);
  if (sample == "jsbeeb-Welcome.ssd") {
    QCOMPARE(basicFiles, 19);
  }
  if (sample == "bem-Music5plus3000.ssd") {
    QVERIFY(std::all_of(list.begin(), list.end(),
                        [](const DFSFileClass& entry) { return entry.Locked; }));
  }
}

void TestSamples::doubleSidedImagesReadBothSides_data() {
  QTest::addColumn<QString>("sample");
  QTest::addColumn<int>("side");
  QTest::addColumn<QString>("title");  // known facts of the side
  QTest::addColumn<QString>("files");
  const std::map<std::string, std::array<std::pair<QString, QString>, 2>> facts = {
      {"beebtools-dfs-80t-double-sided.dsd", {{{"DRIVE0", "$.THISIS0"}, {"DRIVE2", "$.THISIS2"}}}},
      {"jsbeeb-bcdtest.dsd", {{{"", "$.BCDTEST"}, {"", ""}}}},
  };
  for (const std::string& sample : SampleNames(".dsd")) {
    auto known = facts.find(sample);
    QVERIFY2(known != facts.end(), ("no known facts for " + sample).c_str());
    for (int side = 0; side < 2; ++side) {
      auto [title, files] = known->second[size_t(side)];
      std::string row = sample + ":" + std::to_string(side * 2);
      // clang-format off
      QTest::newRow(row.c_str()) << QString::fromStdString(sample) << side << title << files;
      // clang-format on
    }
  }
}

void TestSamples::doubleSidedImagesReadBothSides() {
  QFETCH(QString, sample);
  QFETCH(int, side);
  QTemporaryDir dir;
  std::string path = CopySample(dir, sample.toStdString());
  std::vector<uint8_t> bytes = ReadHostFile(path);
  RawDisk raw = DecodeRawDisk(bytes, true, side);
  QTEST(QString::fromStdString(raw.title), "title");

  ImageSides sides = OpenDiskImage(path);
  QCOMPARE(sides.size(), size_t{2});
  DFSDiskClass& disk = *sides[size_t(side)];
  QCOMPARE(disk.GetTitle(), raw.title);
  QCOMPARE(disk.BootOption, raw.bootOption);
  QCOMPARE(disk.DiskSize, raw.diskSize);
  QCOMPARE(disk.UsedSpace, raw.used);
  QCOMPARE(disk.LargestFree, raw.largestFree);
  DFSFileList list;
  disk.ReadCatalogue(list);
  QCOMPARE(list.size(), raw.entries.size());
  QStringList names;
  for (size_t index = 0; index < list.size(); ++index) {
    const RawEntry& expected = raw.entries[index];
    names << QString("%1.%2").arg(expected.directory).arg(expected.name.c_str()).trimmed();
    QCOMPARE(list[index].Name, expected.name);
    QCOMPARE(uint32_t(list[index].LoadAddress), expected.load);
    QCOMPARE(uint32_t(list[index].ExecAddress), expected.exec);
    std::vector<uint8_t> data = disk.ReadFileData(list[index]);
    QCOMPARE(data, RawFileBytes(bytes, true, side, expected));
    // The BASIC programs must parse as read through the mapping.
    QVERIFY(LooksLikeBasic(data) || expected.exec == 0x2900);
  }
  QTEST(names.join(' '), "files");
}

QTEST_GUILESS_MAIN(TestSamples)
#include "test_samples.moc"
