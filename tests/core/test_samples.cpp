// SPDX-License-Identifier: GPL-3.0-or-later
// Real images made by other tools, and built look-alikes of two kinds of disc whose
// contents cannot be shipped: the model must read them as this test decodes them from
// the raw bytes, and the known facts of each image must hold.
#include <QTemporaryDir>
#include <QtTest>
#include <map>
#include <tuple>

#include "disk/DFSUseful.h"
#include "support/ImageBuilder.h"
#include "support/RawDisk.h"

namespace {

// A saved BASIC program starts with a carriage return and ends with CR, 0xFF.
bool LooksLikeBasic(const std::vector<uint8_t>& data) {
  size_t size = data.size();
  return size >= 2 && data[0] == 0x0D && data[size - 2] == 0x0D && data[size - 1] == 0xFF;
}

// A tokenised BASIC program's shape: CR first, CR and 0xFF last.
std::vector<uint8_t> BasicLike(size_t size, uint8_t seed) {
  std::vector<uint8_t> bytes = PatternBytes(size, seed);
  bytes.front() = 0x0D;
  bytes[size - 2] = 0x0D;
  bytes[size - 1] = 0xFF;
  return bytes;
}

// Writes the files into the builder from the last entry's sector downwards, as a DFS
// saving them in turn leaves them, and cuts the host file after the highest one.
void PlaceFiles(ImageBuilder& image, std::vector<ImageEntry> entries,
                const std::vector<std::vector<uint8_t>>& data) {
  uint32_t sector = 2;
  for (size_t index = entries.size(); index-- > 0;) {
    entries[index].startSector = sector;
    entries[index].length = uint32_t(data[index].size());
    sector += (entries[index].length + 255) / 256;
  }
  for (size_t index = 0; index < entries.size(); ++index) {
    image.AddEntry(entries[index]);
    image.FileData(int(entries[index].startSector), data[index]);
  }
  image.HostSize(size_t(sector) * 256);
}

// A welcome disc: a 12-character title, !BOOT exec'd, 25 files of which 19 are BASIC
// saved both for the I/O processor (FFxxxx) and plainly.
ImageBuilder WelcomeDiscLookAlike() {
  ImageBuilder image;
  image.Title("TWELVE-CHARS").BootOption(3);
  const std::pair<uint32_t, uint32_t> basicAddresses[] = {
      {0xFF1900, 0xFF801F}, {0xFF1B00, 0xFF8023}, {0x001900, 0x00801F}};
  std::vector<ImageEntry> entries;
  std::vector<std::vector<uint8_t>> data;
  for (int index = 0; index < 25; ++index) {
    ImageEntry entry;
    entry.directory = index % 4 == 3 ? 'W' : '$';
    entry.name = "PROG" + std::to_string(index);
    if (index < 19) {
      std::tie(entry.load, entry.exec) = basicAddresses[index % 3];
      data.push_back(BasicLike(200 + 97 * size_t(index), uint8_t(index)));
    } else {
      entry.load = 0x3000 + 0x100 * uint32_t(index);
      entry.exec = index == 19 ? 0xFFFFFF : entry.load;
      data.push_back(PatternBytes(1 + 61 * size_t(index), uint8_t(index)));
    }
    entries.push_back(entry);
  }
  entries[19].name = "!BOOT";
  PlaceFiles(image, entries, data);
  return image;
}

// A software disc: a title of 12 spaces, 29 files all locked, mixed-case names, exec
// addresses 000100 and FFFFFF and one file of 3FFF bytes.
ImageBuilder LockedDiscLookAlike() {
  ImageBuilder image;
  image.Title("            ").BootOption(3);
  std::vector<ImageEntry> entries;
  std::vector<std::vector<uint8_t>> data;
  for (int index = 0; index < 29; ++index) {
    ImageEntry entry;
    entry.directory = "$MV"[index % 3];
    entry.name = std::string(index % 2 == 0 ? "Tune" : "vOICE") + std::to_string(index);
    entry.load = 0x0100 * uint32_t(index + 1);
    entry.exec = index % 2 == 0 ? 0x000100 : 0xFFFFFF;
    entry.locked = true;
    entries.push_back(entry);
    data.push_back(PatternBytes(index == 7 ? 0x3FFF : 90 + 37 * size_t(index), uint8_t(index)));
  }
  PlaceFiles(image, entries, data);
  return image;
}

// The built look-alikes by the row names they are tested under.
const std::map<std::string, ImageBuilder (*)()> kLookAlikes = {
    {"built-welcome-disc.ssd", WelcomeDiscLookAlike},
    {"built-locked-disc.ssd", LockedDiscLookAlike},
};

}  // namespace

class TestSamples : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void singleSidedImages_data();
  void singleSidedImages();
  void doubleSidedImagesReadBothSides_data();
  void doubleSidedImagesReadBothSides();
};

void TestSamples::initTestCase() {
  const std::string missing = MissingSamples();
  QVERIFY2(missing.empty(), missing.c_str());
}

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
      {"built-welcome-disc.ssd", {"TWELVE-CHARS", 3, 25, 204800}},
      {"built-locked-disc.ssd", {"            ", 3, 29, 204800}},
  };
  std::vector<std::string> samples = SampleNames(".ssd");
  QCOMPARE(samples.size() + kLookAlikes.size(), facts.size());
  for (const auto& [name, build] : kLookAlikes) {
    samples.push_back(name);
  }
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
  auto lookAlike = kLookAlikes.find(sample.toStdString());
  std::string path = lookAlike != kLookAlikes.end()
                         ? lookAlike->second().WriteToTemp(dir, lookAlike->first)
                         : CopySample(dir, sample.toStdString());
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
  if (sample == "built-welcome-disc.ssd") {
    QCOMPARE(basicFiles, 19);
  }
  if (sample == "built-locked-disc.ssd") {
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
