// SPDX-License-Identifier: GPL-3.0-or-later
// MMB files on built files: the index (statuses, titles, boot discs, the extended
// format), every disk operation on a disc through its base offset with every other disc
// and index entry byte-identical afterwards, the slot operations, import and export,
// a locked disc refusing writes, the title kept in step, and a blank MMB file.
#include <sys/stat.h>

#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <map>
#include <optional>
#include <set>

#include "disk/DFSUseful.h"
#include "disk/MMBFile.h"
#include "disk/MMBSlotRules.h"
#include "support/ImageBuilder.h"
#include "support/MMBBuilder.h"
#include "support/RawDisk.h"

namespace {

constexpr int64_t kDisc = 204800;
constexpr int64_t kIndex = 8192;
// Fills the fixture's discs from sector 32 to one byte short of the end.
constexpr int32_t kFill = 204800 - 32 * 256 - 1;

// Formatted discs 0, 1, 254-256, 509 and 510; disc 300 locked, disc 400 invalid.
MMBBuilder Fixture() {
  MMBBuilder mmb;
  for (int number : {0, 1, 254, 255, 256, 509, 510}) {
    mmb.Formatted(number, "DISC" + std::to_string(number));
  }
  mmb.Formatted(300, "LOCKED", true);
  mmb.Entry(400, "BROKEN", 0xFF);
  return mmb;
}

// What the host file holds of the index and of the discs that should not change.
struct Snapshot {
  std::vector<uint8_t> index;
  std::map<int, std::vector<uint8_t>> discs;
  int64_t size = 0;
};

Snapshot Take(const std::string& path, int blocks = 1) {
  Snapshot snapshot;
  for (int block = 0; block < blocks; ++block) {
    std::vector<uint8_t> index =
        ReadHostRange(path, block * MMBBuilder::FullSize(0), size_t(kIndex));
    snapshot.index.insert(snapshot.index.end(), index.begin(), index.end());
  }
  for (int number = 0; number < blocks * 511; ++number) {
    // The fixture's discs and the unformatted ones next to them.
    static const std::set<int> watched = {0,   1,   2,   253, 254, 255, 256, 257, 299, 300,
                                          301, 400, 508, 509, 510, 511, 599, 600, 601};
    if (watched.count(number) != 0) {
      snapshot.discs[number] = ReadHostRange(path, MMBBuilder::DiscOffset(number), size_t(kDisc));
    }
  }
  struct stat status {};
  ::stat(path.c_str(), &status);
  snapshot.size = status.st_size;
  return snapshot;
}

// The first difference between two snapshots outside disc `except` and its index entry,
// or "" (except -1: anywhere). Entry bytes listed in entryBytes may differ too.
std::string ChangedOutside(const Snapshot& before, const Snapshot& after, int except,
                           std::set<int> entryBytes = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 15}) {
  if (before.size != after.size) {
    return "the file size changed";
  }
  for (size_t offset = 0; offset < before.index.size(); ++offset) {
    int block = int(offset / size_t(kIndex));
    int inBlock = int(offset % size_t(kIndex));
    int entryDisc = block * 511 + inBlock / 16 - 1;
    bool allowed = inBlock >= 16 && entryDisc == except && entryBytes.count(inBlock % 16) != 0;
    if (!allowed && before.index[offset] != after.index[offset]) {
      return "index byte " + std::to_string(offset) + " changed";
    }
  }
  for (const auto& [number, bytes] : before.discs) {
    if (number != except && bytes != after.discs.at(number)) {
      return "disc " + std::to_string(number) + " changed";
    }
  }
  return "";
}

std::vector<uint8_t> DiscBytes(const std::string& path, int number) {
  return ReadHostRange(path, MMBBuilder::DiscOffset(number), size_t(kDisc));
}

RawDisk RawDiscOf(const std::string& path, int number) {
  return DecodeRawDisk(DiscBytes(path, number), false, 0);
}

std::vector<uint8_t> Entry(const std::string& path, int number) {
  return ReadHostRange(path, MMBBuilder::EntryOffset(number), 16);
}

std::string IndexTitle(const std::string& path, int number) {
  std::vector<uint8_t> entry = Entry(path, number);
  std::string title;
  for (size_t index = 0; index < 12 && entry[index] != 0; ++index) {
    title += char(entry[index]);
  }
  return title;
}

DFSFileClass NewFile(const std::string& name, int32_t length) {
  DFSFileClass file;
  file.Name = PadRight(name, 7);
  file.Length = length;
  file.LoadAddress = 0x3000;
  return file;
}

std::optional<RawEntry> Find(const RawDisk& disk, const std::string& name) {
  for (const RawEntry& entry : disk.entries) {
    if (entry.name == PadRight(name, 7)) {
      return entry;
    }
  }
  return std::nullopt;
}

// One disk operation and what the disc's raw bytes must show after it.
struct DiscOperation {
  std::function<void(DFSDiskClass&)> run;
  std::function<bool(const std::vector<uint8_t>& disc)> shows;
};

const std::map<QString, DiscOperation>& DiscOperations() {
  static const std::map<QString, DiscOperation> operations = {
      {"title",
       {[](DFSDiskClass& disk) { disk.SetTitle("RETITLED"); },
        [](const std::vector<uint8_t>& disc) {
          return DecodeRawDisk(disc, false, 0).title == "RETITLED";
        }}},
      {"boot option",
       {[](DFSDiskClass& disk) { disk.SetBootOption(3); },
        [](const std::vector<uint8_t>& disc) {
          return DecodeRawDisk(disc, false, 0).bootOption == 3;
        }}},
      {"save over many sectors",
       {[](DFSDiskClass& disk) {
          SMemoryStream source(PatternBytes(150000, 77));
          QCOMPARE(disk.SaveFile(NewFile("BIG", 150000), source), int(kSaveDone));
        },
        [](const std::vector<uint8_t>& disc) {
          std::optional<RawEntry> big = Find(DecodeRawDisk(disc, false, 0), "BIG");
          return big.has_value() && RawFileBytes(disc, false, 0, *big) == PatternBytes(150000, 77);
        }}},
      {"save to the last sector",
       {[](DFSDiskClass& disk) {
          SMemoryStream source(PatternBytes(kFill, 5));
          QCOMPARE(disk.SaveFile(NewFile("FILL", kFill), source), int(kSaveDone));
        },
        [](const std::vector<uint8_t>& disc) {
          std::optional<RawEntry> fill = Find(DecodeRawDisk(disc, false, 0), "FILL");
          return fill.has_value() &&
                 RawFileBytes(disc, false, 0, *fill) == PatternBytes(kFill, 5) &&
                 fill->start * 256 + kFill == 204800 - 1;
        }}},
      {"delete",
       {[](DFSDiskClass& disk) { QVERIFY(disk.DeleteFile('B', "FIRST  ")); },
        [](const std::vector<uint8_t>& disc) {
          RawDisk raw = DecodeRawDisk(disc, false, 0);
          return raw.entries.size() == 1 && !Find(raw, "FIRST");
        }}},
      {"rename",
       {[](DFSDiskClass& disk) { QVERIFY(disk.RenameFile('$', "SECOND", "OTHER")); },
        [](const std::vector<uint8_t>& disc) {
          return Find(DecodeRawDisk(disc, false, 0), "OTHER").has_value();
        }}},
      {"lock an entry",
       {[](DFSDiskClass& disk) { QVERIFY(disk.SetLocked('$', "SECOND ", true)); },
        [](const std::vector<uint8_t>& disc) {
          std::optional<RawEntry> second = Find(DecodeRawDisk(disc, false, 0), "SECOND");
          return second.has_value() && second->locked;
        }}},
      {"load address",
       {[](DFSDiskClass& disk) { QVERIFY(disk.SetAddress('B', "FIRST  ", "Load", "12345")); },
        [](const std::vector<uint8_t>& disc) {
          std::optional<RawEntry> first = Find(DecodeRawDisk(disc, false, 0), "FIRST");
          return first.has_value() && first->load == 0xFF2345;
        }}},
  };
  return operations;
}

}  // namespace

class TestMMB : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  std::string Path(const std::string& name) const {
    return dir_.filePath(QString::fromStdString(name)).toStdString();
  }
  std::string WriteFixture(const std::string& name = "fixture.mmb") {
    std::string path = Path(name);
    Fixture().WriteTo(path);
    return path;
  }

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }
  void indexEntriesReadAsStored_data();
  void indexEntriesReadAsStored();
  void summaryCountsFormattedAndLocked();
  void filterNarrowsByNumberOrTitle_data();
  void filterNarrowsByNumberOrTitle();
  void bootDiscs_data();
  void bootDiscs();
  void extendedFormatChainsBlocks_data();
  void extendedFormatChainsBlocks();
  void tooShortForItsIndexIsRefused_data();
  void tooShortForItsIndexIsRefused();
  void discOperationsStayInTheirSlot_data();
  void discOperationsStayInTheirSlot();
  void writesNeverReachTheNextDisc();
  void lockedDiscRefusesEveryWrite_data();
  void lockedDiscRefusesEveryWrite();
  void slotOperations_data();
  void slotOperations();
  void titleChangesReachTheIndex_data();
  void titleChangesReachTheIndex();
  void openingTakesTheDiscTitleIntoTheIndex();
  void oneLockWhileTheFileOrADiscIsOpen();
  void importExportRoundTrip_data();
  void importExportRoundTrip();
  void importRefusalsChangeNothing_data();
  void importRefusalsChangeNothing();
  void exportReplacesTheTargetWhole();
  void blankMMBIsSparseAndUnformatted();
  void exportNamesAreSafeAndDistinct_data();
  void exportNamesAreSafeAndDistinct();
};

void TestMMB::indexEntriesReadAsStored_data() {
  QTest::addColumn<QByteArray>("titleBytes");  // the 12 stored bytes, zero-padded
  QTest::addColumn<int>("status");
  QTest::addColumn<QByteArray>("title");
  QTest::addColumn<int>("expected");
  QTest::addColumn<bool>("formatted");
  const int locked = int(MMBDiscStatus::Locked);
  const int readWrite = int(MMBDiscStatus::ReadWrite);
  const int unformatted = int(MMBDiscStatus::Unformatted);
  const int invalid = int(MMBDiscStatus::Invalid);
  QTest::newRow("read-only") << QByteArray("GAMES") << 0x00 << QByteArray("GAMES") << locked
                             << true;
  QTest::newRow("read/write") << QByteArray("UTILS") << 0x0F << QByteArray("UTILS") << readWrite
                              << true;
  QTest::newRow("unformatted") << QByteArray("OLD") << 0xF0 << QByteArray("OLD") << unformatted
                               << false;
  QTest::newRow("invalid") << QByteArray("") << 0xFF << QByteArray() << invalid << false;
  QTest::newRow("unknown status byte")
      << QByteArray("ODD") << 0x42 << QByteArray("ODD") << invalid << false;
  QTest::newRow("12 characters") << QByteArray("TWELVE CHARS") << 0x0F << QByteArray("TWELVE CHARS")
                                 << readWrite << true;
  QTest::newRow("trailing spaces")
      << QByteArray("SPACED      ") << 0x0F << QByteArray("SPACED      ") << readWrite << true;
  QTest::newRow("zero inside") << QByteArray("AB\0CD", 5) << 0x0F << QByteArray("AB") << readWrite
                               << true;
  QTest::newRow("top-bit bytes") << QByteArray("\xA3\xFF", 2) << 0x00 << QByteArray("\xA3\xFF")
                                 << locked << true;
}

void TestMMB::indexEntriesReadAsStored() {
  QFETCH(QByteArray, titleBytes);
  QFETCH(int, status);
  QFETCH(QByteArray, title);
  QFETCH(int, expected);
  QFETCH(bool, formatted);
  std::string path = Path("index.mmb");
  MMBBuilder builder = Fixture();
  builder.Entry(77, titleBytes.toStdString(), uint8_t(status));
  builder.IndexByte(MMBBuilder::EntryOffset(77) + 12, 0x55);  // bytes 12-14 are not title
  builder.WriteTo(path);
  auto mmb = MMBFileClass::Open(path);
  QCOMPARE(mmb->DiscCount(), 511);
  std::vector<MMBSlot> listed = mmb->ReadIndex();
  QCOMPARE(listed.size(), size_t(511));
  const MMBSlot& slot = listed[77];
  QCOMPARE(slot.Number, 77);
  QCOMPARE(slot.Title, title.toStdString());
  QCOMPARE(int(slot.Status), expected);
  QCOMPARE(int(slot.StatusByte), status);
  QCOMPARE(slot.Formatted(), formatted);
  QCOMPARE(mmb->ReadSlot(77)->Title, slot.Title);
  QCOMPARE(listed[255].Title, std::string("DISC255"));
  QCOMPARE(int(listed[300].Status), int(MMBDiscStatus::Locked));
  QVERIFY(!mmb->ReadSlot(511).has_value());
  QVERIFY(!mmb->ReadSlot(-1).has_value());
}

void TestMMB::summaryCountsFormattedAndLocked() {
  auto mmb = MMBFileClass::Open(WriteFixture());
  QCOMPARE(MMBSummaryText(mmb->ReadIndex()), std::string("511 discs, 8 formatted, 1 locked"));
}

void TestMMB::filterNarrowsByNumberOrTitle_data() {
  QTest::addColumn<QString>("filter");
  QTest::addColumn<QString>(
      "matching");  // of discs 1 "ELITE", 12 "Repton 2", 120 "", 312 "LEVEL 12"
  QTest::newRow("empty") << ""
                         << "1 12 120 312";
  QTest::newRow("spaces only") << "   "
                               << "1 12 120 312";
  QTest::newRow("number prefix") << "12"
                                 << "12 120 312";
  QTest::newRow("whole number") << "120"
                                << "120";
  QTest::newRow("number with spaces") << " 1 "
                                      << "1 12 120 312";
  QTest::newRow("title, any case") << "rep"
                                   << "12";
  QTest::newRow("title with a space") << "ton 2"
                                      << "12";
  QTest::newRow("digits in a title") << "2"
                                     << "12 312";
  QTest::newRow("nothing") << "ZZ"
                           << "";
}

void TestMMB::filterNarrowsByNumberOrTitle() {
  QFETCH(QString, filter);
  QFETCH(QString, matching);
  std::vector<MMBSlot> listed = {{1, "ELITE"}, {12, "Repton 2"}, {120, ""}, {312, "LEVEL 12"}};
  QStringList matched;
  for (const MMBSlot& slot : listed) {
    if (MMBSlotMatches(slot, filter.toStdString())) {
      matched << QString::number(slot.Number);
    }
  }
  QCOMPARE(matched.join(' '), matching);
}

void TestMMB::bootDiscs_data() {
  QTest::addColumn<int>("drive");
  QTest::addColumn<int>("disc");
  QTest::addColumn<bool>("accepted");
  QTest::newRow("drive 0, disc 5") << 0 << 5 << true;
  QTest::newRow("drive 3, disc 510") << 3 << 510 << true;
  QTest::newRow("drive 1, disc 256 (high byte)") << 1 << 256 << true;
  QTest::newRow("drive 2, disc 511") << 2 << 511 << false;
}

void TestMMB::bootDiscs() {
  QFETCH(int, drive);
  QFETCH(int, disc);
  QFETCH(bool, accepted);
  std::string path = Path("boot.mmb");
  Fixture().Boot(2, 0x1FE).WriteTo(path);  // low byte 0xFE, high byte 1
  Snapshot before = Take(path);
  auto mmb = MMBFileClass::Open(path);
  std::array<int, 4> expected = {0, 1, 0x1FE, 3};
  QCOMPARE(mmb->BootDiscs(), expected);
  MMBResult result = mmb->SetBootDisc(drive, disc);
  QCOMPARE(bool(result), accepted);
  if (accepted) {
    expected[size_t(drive)] = disc;
  } else {
    QCOMPARE(result.message, "There is no disc " + std::to_string(disc) + " in this MMB file.");
  }
  QCOMPARE(mmb->BootDiscs(), expected);
  std::vector<uint8_t> header = ReadHostRange(path, 0, 8);
  QCOMPARE(int(header[size_t(drive)]), expected[size_t(drive)] & 0xFF);
  QCOMPARE(int(header[size_t(drive + 4)]), expected[size_t(drive)] >> 8);
  // Only the header's 8 boot bytes may differ.
  Snapshot after = Take(path);
  for (size_t offset = 8; offset < before.index.size(); ++offset) {
    QCOMPARE(after.index[offset], before.index[offset]);
  }
  QVERIFY_THROWS_EXCEPTION(std::invalid_argument, mmb->SetBootDisc(4, 1));
}

void TestMMB::extendedFormatChainsBlocks_data() {
  QTest::addColumn<int>("extendedByte");
  QTest::addColumn<int>("discs");
  QTest::newRow("0xA1: one more block") << 0xA1 << 1022;
  QTest::newRow("0xA0: no more") << 0xA0 << 511;
  QTest::newRow("0x00: standard") << 0x00 << 511;
  QTest::newRow("0x5A: not the mark") << 0x5A << 511;
}

void TestMMB::extendedFormatChainsBlocks() {
  QFETCH(int, extendedByte);
  QFETCH(int, discs);
  std::string path = Path("extended.mmb");
  MMBBuilder builder(1);
  builder.IndexByte(8, uint8_t(extendedByte));
  builder.Formatted(3, "BLOCK0").Formatted(510, "END0").Formatted(600, "BLOCK1");
  builder.Formatted(601, "NEXT", true).Boot(1, 600).WriteTo(path);
  auto mmb = MMBFileClass::Open(path);
  QCOMPARE(mmb->DiscCount(), discs);
  QCOMPARE(mmb->BootDiscs()[1], 600);
  std::vector<MMBSlot> listed = mmb->ReadIndex();
  QCOMPARE(int(listed.size()), discs);
  QCOMPARE(listed[510].Title, std::string("END0"));
  if (discs == 511) {
    QVERIFY(!mmb->OpenDisc(600).disc);
    return;
  }
  QCOMPARE(listed[600].Title, std::string("BLOCK1"));
  QCOMPARE(int(listed[601].Status), int(MMBDiscStatus::Locked));
  QCOMPARE(int(listed[511].Status), int(MMBDiscStatus::Unformatted));
  // Disc 600 is slot 89 of the second block, after that block's own index.
  QCOMPARE(MMBFileClass::DiscOffset(600), MMBBuilder::FullSize(0) + kIndex + 89 * kDisc);
  Snapshot before = Take(path, 2);
  {
    MMBFileClass::DiscOpening opening = mmb->OpenDisc(600);
    QVERIFY(opening.disc);
    QCOMPARE(opening.disc->GetTitle(), std::string("BLOCK1"));
    opening.disc->SetTitle("MOVED ON");
    SMemoryStream source(PatternBytes(5000, 9));
    QCOMPARE(opening.disc->SaveFile(NewFile("NEW", 5000), source), int(kSaveDone));
  }
  QCOMPARE(mmb->ReadSlot(600)->Title, std::string("MOVED ON"));
  QCOMPARE(ChangedOutside(before, Take(path, 2), 600), std::string());
  RawDisk disc = RawDiscOf(path, 600);
  QCOMPARE(disc.title, std::string("MOVED ON"));
  QVERIFY(Find(disc, "NEW").has_value());
  QVERIFY(mmb->SetLocked(600, true));
  QCOMPARE(int(Entry(path, 600)[15]), 0x00);
}

void TestMMB::tooShortForItsIndexIsRefused_data() {
  QTest::addColumn<int>("extraBlocks");
  QTest::addColumn<qint64>("size");
  QTest::newRow("empty file") << 0 << qint64(0);
  QTest::newRow("half an index") << 0 << qint64(4096);
  QTest::newRow("extended, second index missing") << 2 << qint64(MMBBuilder::FullSize(1));
}

void TestMMB::tooShortForItsIndexIsRefused() {
  QFETCH(int, extraBlocks);
  QFETCH(qint64, size);
  std::string path = Path("short.mmb");
  MMBBuilder(extraBlocks).HostSize(size).WriteTo(path);
  Snapshot before = Take(path, extraBlocks + 1);
  try {
    MMBFileClass::Open(path);
    QFAIL("a file shorter than its index opened");
  } catch (const MMBFormatError& error) {
    QCOMPARE(std::string(error.what()),
             "The file " + path + " is not an MMB file: it is shorter than its index.");
  }
  QCOMPARE(ChangedOutside(before, Take(path, extraBlocks + 1), -1), std::string());
  // The lock went with the failed opening.
  SFileStream again(path, true);
}

void TestMMB::discOperationsStayInTheirSlot_data() {
  QTest::addColumn<int>("disc");
  QTest::addColumn<QString>("operation");
  for (int disc : {0, 255, 510}) {
    for (const auto& [name, operation] : DiscOperations()) {
      QTest::addRow("disc %d, %s", disc, qPrintable(name)) << disc << name;
    }
  }
}

void TestMMB::discOperationsStayInTheirSlot() {
  QFETCH(int, disc);
  QFETCH(QString, operation);
  std::string path = WriteFixture();
  Snapshot before = Take(path);
  const DiscOperation& change = DiscOperations().at(operation);
  {
    auto mmb = MMBFileClass::Open(path);
    MMBFileClass::DiscOpening opening = mmb->OpenDisc(disc);
    QVERIFY(opening.result);
    QCOMPARE(opening.disc->FileName, path + ":" + std::to_string(disc));
    QCOMPARE(opening.disc->FileCount(), 2);
    QCOMPARE(opening.disc->HostFile(), mmb->HostFile());
    change.run(*opening.disc);
    if (QTest::currentTestFailed()) {
      return;
    }
  }
  QVERIFY(change.shows(DiscBytes(path, disc)));
  QCOMPARE(ChangedOutside(before, Take(path), disc), std::string());
  // The disc's title and the index's stay in step.
  QCOMPARE(IndexTitle(path, disc), RawDiscOf(path, disc).title);
}

void TestMMB::writesNeverReachTheNextDisc() {
  // A catalogue that counts 1023 sectors claims more than the slot's 800.
  std::string path = Path("overlong.mmb");
  MMBBuilder builder = Fixture();
  std::vector<uint8_t> disc = FormattedDiscImage(255, "OVERLONG");
  disc[0x106] |= 0x03;
  disc[0x107] = 0xFF;
  disc.resize(size_t(kDisc), 0);
  std::fill_n(disc.begin() + kDisc / 2 - 2, 4, 0xAA);  // across the middle of the slot
  builder.Disc(255, disc).Entry(255, "OVERLONG", 0x0F).WriteTo(path);
  Snapshot before = Take(path);
  {
    auto mmb = MMBFileClass::Open(path);
    std::unique_ptr<DFSDiskClass> opened = mmb->OpenDisc(255).disc;
    SMemoryStream source(PatternBytes(200000, 1));
    try {
      QCOMPARE(opened->SaveFile(NewFile("HUGE", 200000), source), int(kSaveNoRoom));
    } catch (const std::out_of_range&) {
      // Refused before a byte was written.
    }
    uint8_t bytes[20] = {};
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, opened->WriteDisk(kDisc - 10, bytes, 20));
    // The span bounds a disk whatever its catalogue says: here half the slot.
    DFSDiskClass half(mmb->HostFile(), path, {false, 0, MMBFileClass::DiscOffset(255), kDisc / 2});
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, half.WriteDisk(kDisc / 2 - 10, bytes, 20));
    uint8_t beyond[4] = {1, 1, 1, 1};
    half.ReadDisk(kDisc / 2 - 2, beyond, sizeof beyond);
    QCOMPARE(std::vector<uint8_t>(beyond, beyond + 4), (std::vector<uint8_t>{0xAA, 0xAA, 0, 0}));
  }
  QCOMPARE(ChangedOutside(before, Take(path), -1), std::string());
}

void TestMMB::lockedDiscRefusesEveryWrite_data() {
  QTest::addColumn<QString>("operation");
  for (const auto& [name, operation] : DiscOperations()) {
    QTest::newRow(qPrintable(name)) << name;
  }
}

void TestMMB::lockedDiscRefusesEveryWrite() {
  QFETCH(QString, operation);
  std::string path = WriteFixture();
  Snapshot before = Take(path);
  {
    auto mmb = MMBFileClass::Open(path);
    MMBFileClass::DiscOpening opening = mmb->OpenDisc(300);
    QVERIFY(opening.disc);
    QVERIFY(opening.disc->IsReadOnly());
    QCOMPARE(opening.disc->ReadOnlyReason(),
             std::string("Disc 300 is locked in its MMB file, so it is opened read-only."));
    QCOMPARE(opening.disc->GetTitle(), std::string("LOCKED"));
    try {
      DiscOperations().at(operation).run(*opening.disc);
      QFAIL("a locked disc was written");
    } catch (const ReadOnlyDiskError& error) {
      QCOMPARE(std::string(error.what()), opening.disc->ReadOnlyReason());
    }
    QCOMPARE(opening.disc->GetTitle(), std::string("LOCKED"));
  }
  QCOMPARE(ChangedOutside(before, Take(path), -1), std::string());
}

void TestMMB::slotOperations_data() {
  QTest::addColumn<int>("disc");
  QTest::addColumn<QString>("operation");
  QTest::addColumn<int>("refusal");
  QTest::addColumn<QString>("message");
  QTest::addColumn<int>("status");  // byte 15 afterwards
  QTest::addColumn<QString>("title");
  const int none = int(MMBRefusal::None);
  const int locked = int(MMBRefusal::DiscLocked);
  const int notFormatted = int(MMBRefusal::NotFormatted);
  const int invalid = int(MMBRefusal::InvalidDisc);
  const int noSuch = int(MMBRefusal::NoSuchDisc);
  const QString lockedText = "Disc 300 is locked, unlock it and then try again.";
  // clang-format off
  QTest::newRow("lock") << 255 << "lock" << none << "" << 0x00 << "DISC255";
  QTest::newRow("unlock") << 300 << "unlock" << none << "" << 0x0F << "LOCKED";
  QTest::newRow("lock unformatted") << 2 << "lock" << notFormatted
      << "Disc 2 is not formatted, format it or import an image into it first." << 0xF0 << "";
  QTest::newRow("unlock invalid") << 400 << "unlock" << invalid
      << "Disc 400 is marked invalid in the MMB index, format it or import an image into it first."
      << 0xFF << "BROKEN";
  QTest::newRow("format unformatted") << 2 << "format" << none << "" << 0x0F << "";
  QTest::newRow("format formatted") << 255 << "format" << none << "" << 0x0F << "";
  QTest::newRow("format invalid") << 400 << "format" << none << "" << 0x0F << "";
  QTest::newRow("format locked") << 300 << "format" << locked << lockedText << 0x00 << "LOCKED";
  QTest::newRow("kill") << 255 << "kill" << none << "" << 0xF0 << "DISC255";
  QTest::newRow("kill locked") << 300 << "kill" << locked << lockedText << 0x00 << "LOCKED";
  QTest::newRow("open unformatted") << 2 << "open" << notFormatted
      << "Disc 2 is not formatted, format it or import an image into it first." << 0xF0 << "";
  QTest::newRow("open invalid") << 400 << "open" << invalid
      << "Disc 400 is marked invalid in the MMB index, format it or import an image into it first."
      << 0xFF << "BROKEN";
  QTest::newRow("format past the end") << 511 << "format" << noSuch
      << "There is no disc 511 in this MMB file." << -1 << "";
  QTest::newRow("open before the start") << -1 << "open" << noSuch
      << "There is no disc -1 in this MMB file." << -1 << "";
  // clang-format on
}

void TestMMB::slotOperations() {
  QFETCH(int, disc);
  QFETCH(QString, operation);
  QFETCH(int, refusal);
  QFETCH(QString, message);
  QFETCH(int, status);
  QFETCH(QString, title);
  std::string path = WriteFixture();
  Snapshot before = Take(path);
  std::vector<uint8_t> discBefore =
      disc >= 0 && disc < 511 ? DiscBytes(path, disc) : std::vector<uint8_t>();
  MMBResult result;
  {
    auto mmb = MMBFileClass::Open(path);
    if (operation == "lock" || operation == "unlock") {
      result = mmb->SetLocked(disc, operation == "lock");
    } else if (operation == "format") {
      result = mmb->Format(disc);
    } else if (operation == "kill") {
      result = mmb->Kill(disc);
    } else {
      MMBFileClass::DiscOpening opening = mmb->OpenDisc(disc);
      QCOMPARE(bool(opening.disc), bool(opening.result));
      result = opening.result;
    }
  }
  QCOMPARE(int(result.refusal), refusal);
  QCOMPARE(QString::fromStdString(result.message), message);
  Snapshot after = Take(path);
  if (refusal != int(MMBRefusal::None)) {
    QCOMPARE(ChangedOutside(before, after, -1), std::string());
    return;
  }
  QCOMPARE(ChangedOutside(before, after, disc), std::string());
  QCOMPARE(int(Entry(path, disc)[15]), status);
  QCOMPARE(QString::fromStdString(IndexTitle(path, disc)), title);
  std::vector<uint8_t> discAfter = DiscBytes(path, disc);
  if (operation == "format") {
    // A blank 80-track catalogue; the sectors after it are left alone.
    std::vector<uint8_t> blank(512, 0);
    blank[0x106] = 0x03;
    blank[0x107] = 0x20;
    QCOMPARE(std::vector<uint8_t>(discAfter.begin(), discAfter.begin() + 512), blank);
    QVERIFY(std::equal(discAfter.begin() + 512, discAfter.end(), discBefore.begin() + 512));
  } else {
    QCOMPARE(discAfter, discBefore);
  }
}

void TestMMB::titleChangesReachTheIndex_data() {
  QTest::addColumn<QString>("title");
  QTest::addColumn<QString>("stored");
  QTest::newRow("short") << "NEW"
                         << "NEW";
  QTest::newRow("12 characters") << "TWELVE CHARS"
                                 << "TWELVE CHARS";
  QTest::newRow("14 characters, cut") << "FOURTEEN CHARS"
                                      << "FOURTEEN CHA";
  QTest::newRow("trailing spaces") << "SPACES    "
                                   << "SPACES    ";
  QTest::newRow("empty") << ""
                         << "";
}

void TestMMB::titleChangesReachTheIndex() {
  QFETCH(QString, title);
  QFETCH(QString, stored);
  std::string path = WriteFixture();
  Snapshot before = Take(path);
  auto mmb = MMBFileClass::Open(path);
  std::unique_ptr<DFSDiskClass> disc = mmb->OpenDisc(254).disc;
  disc->SetTitle(title.toStdString());
  QCOMPARE(mmb->ReadSlot(254)->Title, stored.toStdString());
  QCOMPARE(disc->GetTitle(), stored.toStdString());
  // The rest of the 12 bytes are zeros; bytes 12-15 of the entry are not touched.
  std::vector<uint8_t> entry = Entry(path, 254);
  for (size_t index = size_t(stored.size()); index < 12; ++index) {
    QCOMPARE(int(entry[index]), 0);
  }
  QCOMPARE(ChangedOutside(before, Take(path), 254, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}),
           std::string());
}

void TestMMB::openingTakesTheDiscTitleIntoTheIndex() {
  // As a title change cut short between the disc and the index leaves it.
  std::string path = Path("disagree.mmb");
  MMBBuilder builder = Fixture();
  builder.Disc(255, FormattedDiscImage(255, "NEWER")).WriteTo(path);
  auto mmb = MMBFileClass::Open(path);
  QCOMPARE(mmb->ReadSlot(255)->Title, std::string("DISC255"));
  QVERIFY(mmb->OpenDisc(255).disc);
  QCOMPARE(mmb->ReadSlot(255)->Title, std::string("NEWER"));
  QCOMPARE(int(Entry(path, 255)[15]), 0x0F);
}

void TestMMB::oneLockWhileTheFileOrADiscIsOpen() {
  std::string path = WriteFixture();
  auto mmb = MMBFileClass::Open(path);
  QVERIFY_THROWS_EXCEPTION(FileSystemError, MMBFileClass::Open(path));
  std::unique_ptr<DFSDiskClass> disc = mmb->OpenDisc(1).disc;
  mmb.reset();
  QVERIFY_THROWS_EXCEPTION(FileSystemError, MMBFileClass::Open(path));
  // The disc still keeps its index entry in step without the MMB object.
  disc->SetTitle("ALONE");
  disc.reset();
  ImageSides sides;
  QVERIFY(OpenMMBDiscImage(path, 1, sides));
  QCOMPARE(sides.size(), size_t(1));
  QCOMPARE(sides[0]->GetTitle(), std::string("ALONE"));
  QCOMPARE(IndexTitle(path, 1), std::string("ALONE"));
  QVERIFY_THROWS_EXCEPTION(FileSystemError, MMBFileClass::Open(path));
  sides.clear();
  QVERIFY(MMBFileClass::Open(path));
}

void TestMMB::importExportRoundTrip_data() {
  QTest::addColumn<int>("disc");
  QTest::addColumn<int>("sectors");    // the image's sector count
  QTest::addColumn<int>("imageSize");  // bytes of the .ssd file
  QTest::addColumn<int>("exported");   // bytes of the exported .ssd
  QTest::newRow("catalogue only, into unformatted") << 2 << 800 << 512 << 204800;
  QTest::newRow("trimmed image over a formatted disc") << 255 << 800 << 23552 << 204800;
  QTest::newRow("full 200K image into the last slot") << 510 << 800 << 204800 << 204800;
  QTest::newRow("40-track image") << 1 << 400 << 102400 << 102400;
  QTest::newRow("odd sector count") << 256 << 555 << 30000 << 555 * 256;
  QTest::newRow("into an invalid slot") << 400 << 800 << 4000 << 204800;
}

void TestMMB::importExportRoundTrip() {
  QFETCH(int, disc);
  QFETCH(int, sectors);
  QFETCH(int, imageSize);
  QFETCH(int, exported);
  std::string path = WriteFixture();
  ImageBuilder image(sectors);
  image.Title("IMPORTED").BootOption(2);
  image.AddEntry({'$', "GAME", 0x1900, 0x8023, 20000, 2}).FileData(2, PatternBytes(20000, 4));
  image.HostSize(size_t(imageSize));
  std::string ssd = image.WriteToTemp(dir_, "in.ssd");
  Snapshot before = Take(path);
  auto mmb = MMBFileClass::Open(path);
  QVERIFY(mmb->Import(disc, ssd));
  std::vector<uint8_t> expected = image.Image();
  expected.resize(size_t(kDisc), 0);
  QCOMPARE(DiscBytes(path, disc), expected);
  QCOMPARE(IndexTitle(path, disc), std::string("IMPORTED"));
  QCOMPARE(int(Entry(path, disc)[15]), 0x0F);
  QCOMPARE(ChangedOutside(before, Take(path), disc), std::string());

  std::string out = Path("out.ssd");
  QVERIFY(mmb->Export(disc, out));
  expected.resize(size_t(exported));
  QCOMPARE(ReadHostFile(out), expected);
  QCOMPARE(ListFolder(dir_.path().toStdString(), ".*"), std::vector<std::string>());
  // The exported image opens as the disc it came from.
  ImageSides sides = OpenDiskImage(out);
  QCOMPARE(sides[0]->GetTitle(), std::string("IMPORTED"));
  QCOMPARE(sides[0]->ReadFileData(sides[0]->FindFile('$', "GAME   ").value()),
           std::vector<uint8_t>(expected.begin() + 512, expected.begin() + 512 + 20000));
}

void TestMMB::importRefusalsChangeNothing_data() {
  QTest::addColumn<int>("disc");
  QTest::addColumn<QString>("name");
  QTest::addColumn<int>("size");  // -1: no such file; -2: a folder; -3: a pipe
  QTest::addColumn<int>("refusal");
  const int tooLarge = int(MMBRefusal::ImageTooLarge);
  const int doubleSided = int(MMBRefusal::ImageDoubleSided);
  const int failure = -1;  // a FileSystemError
  QTest::newRow("one byte over 200K") << 2 << "big.ssd" << 204801 << tooLarge;
  QTest::newRow("400K") << 2 << "huge.ssd" << 409600 << tooLarge;
  QTest::newRow("double-sided") << 2 << "two.dsd" << 3072 << doubleSided;
  QTest::newRow("double-sided, capitals") << 2 << "TWO.DSD" << 3072 << doubleSided;
  QTest::newRow("into a locked disc") << 300 << "fine.ssd" << 512 << int(MMBRefusal::DiscLocked);
  QTest::newRow("past the last disc") << 511 << "fine.ssd" << 512 << int(MMBRefusal::NoSuchDisc);
  QTest::newRow("missing image") << 2 << "missing.ssd" << -1 << failure;
  QTest::newRow("a folder") << 2 << "folder.ssd" << -2 << failure;
  QTest::newRow("a pipe without a writer") << 2 << "pipe.ssd" << -3 << failure;
}

void TestMMB::importRefusalsChangeNothing() {
  QFETCH(int, disc);
  QFETCH(QString, name);
  QFETCH(int, size);
  QFETCH(int, refusal);
  std::string path = WriteFixture();
  std::string image = Path(name.toStdString());
  if (size >= 0) {
    ImageBuilder().Title("NOPE").HostSize(size_t(size)).WriteTo(image);
  } else if (size == -2) {
    QVERIFY(QDir().mkpath(QString::fromStdString(image)));
  } else if (size == -3) {
    QCOMPARE(::mkfifo(image.c_str(), 0600), 0);
  }
  Snapshot before = Take(path);
  auto mmb = MMBFileClass::Open(path);
  if (refusal < 0) {
    QVERIFY_THROWS_EXCEPTION(FileSystemError, mmb->Import(disc, image));
  } else {
    MMBResult result = mmb->Import(disc, image);
    QCOMPARE(int(result.refusal), refusal);
    QVERIFY(!result.message.empty());
    if (refusal == int(MMBRefusal::ImageTooLarge) || refusal == int(MMBRefusal::ImageDoubleSided)) {
      QVERIFY(result.message.find(image) != std::string::npos);
    }
  }
  QCOMPARE(ChangedOutside(before, Take(path), -1), std::string());
}

void TestMMB::exportReplacesTheTargetWhole() {
  std::string path = WriteFixture();
  QTemporaryDir folder;
  std::string target = folder.filePath("target.ssd").toStdString();
  std::vector<uint8_t> old = PatternBytes(1000, 3);
  ImageBuilder().HostSize(0).Bytes(0, old).WriteTo(target);
  ::chmod(target.c_str(), 0640);
  auto mmb = MMBFileClass::Open(path);
  {
    // Held open, as a disk window holds an image: refused, left alone.
    SFileStream held(target, true);
    MMBResult result = mmb->Export(255, target);
    QCOMPARE(int(result.refusal), int(MMBRefusal::TargetInUse));
    QCOMPARE(result.message,
             "The file " + target + " is in use by another program, it has not been replaced.");
    QCOMPARE(ReadHostFile(target), old);
  }
  QCOMPARE(int(mmb->Export(2, target).refusal), int(MMBRefusal::NotFormatted));
  QCOMPARE(ReadHostFile(target), old);
  QVERIFY(mmb->Export(255, target));
  std::vector<uint8_t> expected = DiscBytes(path, 255);
  QCOMPARE(ReadHostFile(target), expected);
  struct stat status {};
  QCOMPARE(::stat(target.c_str(), &status), 0);
  QCOMPARE(int(status.st_mode & 0777), 0640);
  QCOMPARE(ListFolder(folder.path().toStdString(), "*.*"), std::vector<std::string>{"target.ssd"});
  // A folder that does not exist: an error, and nothing written anywhere.
  QVERIFY_THROWS_EXCEPTION(FileSystemError,
                           mmb->Export(255, folder.filePath("none/target.ssd").toStdString()));
  QCOMPARE(ListFolder(folder.path().toStdString(), "*.*"), std::vector<std::string>{"target.ssd"});
  // A locked disc exports like any other.
  QVERIFY(mmb->Export(300, target));
  QCOMPARE(DecodeRawDisk(ReadHostFile(target), false, 0).title, std::string("LOCKED"));
}

void TestMMB::blankMMBIsSparseAndUnformatted() {
  QTemporaryDir folder;
  std::string path = folder.filePath("blank.mmb").toStdString();
  Fixture().WriteTo(path);  // replaced
  QVERIFY(CreateBlankMMB(path));
  struct stat status {};
  QCOMPARE(::stat(path.c_str(), &status), 0);
  QCOMPARE(qint64(status.st_size), qint64(104660992));
  QVERIFY2(status.st_blocks * 512 < 1024 * 1024, "the discs take space on the host disk");
  std::vector<uint8_t> expected(8192, 0);
  for (int drive = 0; drive < 4; ++drive) {
    expected[size_t(drive)] = uint8_t(drive);
  }
  for (int disc = 0; disc < 511; ++disc) {
    expected[size_t(16 * (disc + 1) + 15)] = 0xF0;
  }
  QCOMPARE(ReadHostRange(path, 0, 8192), expected);
  QCOMPARE(DiscBytes(path, 510), std::vector<uint8_t>(size_t(kDisc), 0));
  QCOMPARE(ListFolder(folder.path().toStdString(), "*.*"), std::vector<std::string>{"blank.mmb"});
  auto mmb = MMBFileClass::Open(path);
  QCOMPARE(MMBSummaryText(mmb->ReadIndex()), std::string("511 discs, 0 formatted, 0 locked"));
  // Held open: refused, and the file is the one that was there.
  MMBResult refused = CreateBlankMMB(path);
  QCOMPARE(int(refused.refusal), int(MMBRefusal::TargetInUse));
  QVERIFY(mmb->Format(7));
  mmb.reset();
  QCOMPARE(int(Entry(path, 7)[15]), 0x0F);
  QVERIFY_THROWS_EXCEPTION(FileSystemError,
                           CreateBlankMMB(folder.filePath("none/blank.mmb").toStdString()));
  QCOMPARE(ListFolder(folder.path().toStdString(), "*.*"), std::vector<std::string>{"blank.mmb"});
}

// Slots dragged out side by side get host file names from their titles: trimmed, with no
// "/" or control character, "disc N" for no title, and no name given twice.
void TestMMB::exportNamesAreSafeAndDistinct_data() {
  QTest::addColumn<QStringList>("titles");  // of discs 0, 1, ...
  QTest::addColumn<QStringList>("names");
  QTest::newRow("titles") << QStringList{"GAMES", " DEMO  "}
                          << QStringList{"GAMES.ssd", "DEMO.ssd"};
  QTest::newRow("no title") << QStringList{"", "   "} << QStringList{"disc 0.ssd", "disc 1.ssd"};
  QTest::newRow("unsafe characters") << QStringList{"A/B", QString("X") + QChar(7), ".."}
                                     << QStringList{"A_B.ssd", "X_.ssd", "disc 2.ssd"};
  QTest::newRow("the same title twice, any case")
      << QStringList{"ELITE", "elite", "ELITE"}
      << QStringList{"ELITE.ssd", "elite (disc 1).ssd", "ELITE (disc 2).ssd"};
}

void TestMMB::exportNamesAreSafeAndDistinct() {
  QFETCH(QStringList, titles);
  QFETCH(QStringList, names);
  std::vector<MMBSlot> chosen;
  for (int number = 0; number < titles.size(); ++number) {
    MMBSlot slot;
    slot.Number = number;
    slot.Title = titles[number].toLatin1().toStdString();
    chosen.push_back(slot);
  }
  QStringList made;
  for (const std::string& name : MMBExportNames(chosen)) {
    made << QString::fromStdString(name);
  }
  QCOMPARE(made, names);
}

QTEST_GUILESS_MAIN(TestMMB)
#include "test_mmb.moc"
