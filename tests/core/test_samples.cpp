// Real images made by other tools: the model must read them as this test decodes them
// from the raw bytes, and the known facts of each image must hold.
#include <QTemporaryDir>
#include <QtTest>

#include "disk/DFSUseful.h"
#include "support/ImageBuilder.h"

namespace {

struct RawEntry {
  std::string name;
  char directory;
  bool locked;
  int length;
  int start;
  int exec16;
};

struct RawCatalogue {
  std::string title;
  int bootOption = 0;
  std::vector<RawEntry> entries;
};

// Decodes a catalogue straight from the image bytes, independently of the model.
RawCatalogue Decode(const std::vector<uint8_t>& image) {
  auto at = [&image](size_t offset) -> int { return offset < image.size() ? image[offset] : 0; };
  RawCatalogue catalogue;
  for (size_t offset : {0, 1, 2, 3, 4, 5, 6, 7, 0x100, 0x101, 0x102, 0x103}) {
    if (at(offset) == 0) {
      break;
    }
    catalogue.title += char(at(offset));
  }
  catalogue.bootOption = (at(0x106) >> 4) & 3;
  for (int k = 0; k < at(0x105) / 8; ++k) {
    size_t name = 8 + 8 * size_t(k);
    size_t info = 0x108 + 8 * size_t(k);
    RawEntry entry;
    for (size_t index = 0; index < 7; ++index) {
      entry.name += char(at(name + index));
    }
    entry.directory = char(at(name + 7) & 0x7F);
    entry.locked = at(name + 7) >= 0x80;
    entry.length = at(info + 4) + 256 * at(info + 5) + 65536 * ((at(info + 6) >> 4) & 3);
    entry.start = at(info + 7) + 256 * (at(info + 6) & 3);
    entry.exec16 = at(info + 2) + 256 * at(info + 3);
    catalogue.entries.push_back(entry);
  }
  return catalogue;
}

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
  void doubleSidedImagesOpenAsSideZero_data();
  void doubleSidedImagesOpenAsSideZero();
  void secondSideReadsThroughTheInterleavedMapping();
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
  RawCatalogue raw = Decode(bytes);
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
    QCOMPARE(list[index].Length, expected.length);
    QCOMPARE(list[index].StartSector, expected.start);
    std::vector<uint8_t> data = disk->ReadFileData(list[index]);
    QCOMPARE(int(data.size()), expected.length);
    if (expected.exec16 == 0x8023 || expected.exec16 == 0x801F) {
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

void TestSamples::doubleSidedImagesOpenAsSideZero_data() {
  QTest::addColumn<QString>("sample");
  QTest::addColumn<QString>("title");
  QTest::addColumn<QString>("firstFile");
  const std::map<std::string, std::pair<QString, QString>> facts = {
      {"beebtools-dfs-80t-double-sided.dsd", {"DRIVE0", "THISIS0"}},
      {"jsbeeb-bcdtest.dsd", {"", "BCDTEST"}},
  };
  for (const std::string& sample : SampleNames(".dsd")) {
    auto known = facts.find(sample);
    QVERIFY2(known != facts.end(), ("no known facts for " + sample).c_str());
    // clang-format off
    QTest::newRow(sample.c_str()) << QString::fromStdString(sample) << known->second.first << known->second.second;
    // clang-format on
  }
}

void TestSamples::doubleSidedImagesOpenAsSideZero() {
  QFETCH(QString, sample);
  QTemporaryDir dir;
  auto disk = DFSDiskClass::Create(CopySample(dir, sample.toStdString()), 2);
  QTEST(QString::fromStdString(disk->GetTitle()), "title");
  DFSFileList list;
  disk->ReadCatalogue(list);
  QCOMPARE(list.size(), size_t{1});
  QTEST(QString::fromStdString(list[0].Name).trimmed(), "firstFile");
  QVERIFY(LooksLikeBasic(disk->ReadFileData(list[0])) || list[0].ExecAddress == 0x2900);
}

void TestSamples::secondSideReadsThroughTheInterleavedMapping() {
  QTemporaryDir dir;
  auto side0 = DFSDiskClass::Create(CopySample(dir, "beebtools-dfs-80t-double-sided.dsd"), 2);
  DFSDiskClass side2(side0->HostFile(), side0->FileName, SectorMapping{true, 1});
  QCOMPARE(side2.GetTitle(), std::string("DRIVE2"));
  std::optional<DFSFileClass> file = side2.FindFile('$', "THISIS2");
  QVERIFY(file.has_value());
  QCOMPARE(file->ExecAddress, 0x8023);
  QVERIFY(LooksLikeBasic(side2.ReadFileData(*file)));
  QVERIFY(LooksLikeBasic(side0->ReadFileData(side0->FindFile('$', "THISIS0").value())));
}

QTEST_GUILESS_MAIN(TestSamples)
#include "test_samples.moc"
