// SPDX-License-Identifier: GPL-3.0-or-later
// The image model's lookups and changes: title, boot option, entries, free space,
// saving files, the order and atomicity of writes, and the save messages.
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <functional>
#include <map>
#include <random>

#include "disk/DFSUseful.h"
#include "platform/ScriptedPrompts.h"
#include "support/ImageBuilder.h"

namespace {

// The image file, recording every write ("write OFFSET+COUNT") and flush, and failing
// writes at or past failWritesFrom when that is set.
class RecordingFileStream : public SFileStream {
 public:
  using SFileStream::SFileStream;
  QStringList events;
  int64_t failWritesFrom = -1;

  void Write(const void* buffer, size_t count) override {
    if (failWritesFrom >= 0 && Position() >= failWritesFrom) {
      throw FileSystemError("Cannot write file", Path(), EIO);
    }
    events << QString("write %1+%2").arg(Position()).arg(count);
    SFileStream::Write(buffer, count);
  }
  void Flush() override {
    events << "flush";
    SFileStream::Flush();
  }
};

struct OpenImage {
  std::string path;
  std::shared_ptr<RecordingFileStream> file;
  std::unique_ptr<DFSDiskClass> disk;
};

std::string Padded(const std::string& name) {
  return PadRight(name, 7);
}

DFSFileClass NewFile(const std::string& name, int32_t length, char directory = '$') {
  DFSFileClass file;
  file.Name = Padded(name);
  file.Directory = directory;
  file.Length = length;
  file.LoadAddress = 0x1900;
  file.ExecAddress = 0xFF8023;
  return file;
}

QStringList StartSectors(DFSDiskClass& disk) {
  DFSFileList list;
  disk.ReadCatalogue(list);
  QStringList starts;
  for (const DFSFileClass& entry : list) {
    starts << QString::fromStdString(entry.Name).trimmed() + "@" +
                  QString::number(entry.StartSector);
  }
  return starts;
}

// Two unlocked files A (sectors 2-3) and B (4-5), locked L (6) and a title.
ImageBuilder ThreeFiles() {
  ImageBuilder builder(400);
  builder.Title("DISC").Byte(0x104, 0x42);
  builder.AddEntry({'$', "L", 0, 0, 256, 6, true});
  builder.AddEntry({'$', "B", 0x1900, 0x8023, 512, 4});
  builder.AddEntry({'$', "A", 0xFF1900, 0xFF8023, 512, 2});
  return builder.FileData(2, PatternBytes(512, 1)).FileData(4, PatternBytes(512, 2)).HostSize(2048);
}

}  // namespace

class TestDFSDiskEdit : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  int images_ = 0;
  OpenImage Open(const ImageBuilder& builder, SectorMapping mapping = {}) {
    OpenImage image;
    image.path = builder.WriteToTemp(dir_, "image" + std::to_string(images_++) + ".ssd");
    image.file = std::make_shared<RecordingFileStream>(image.path, true);
    image.disk = std::make_unique<DFSDiskClass>(image.file, image.path, mapping);
    image.file->events.clear();
    return image;
  }

 private slots:
  void setTitle_data();
  void setTitle();
  void setBootOption_data();
  void setBootOption();
  void setAddress_data();
  void setAddress();
  void badHexRaisesBeforeAnythingIsWritten_data();
  void badHexRaisesBeforeAnythingIsWritten();
  void changesRewriteTheCatalogueInDescendingOrder();
  void entriesMatchByDirectoryAndExactName();
  void missingEntryShowsTheLookupMessage_data();
  void missingEntryShowsTheLookupMessage();
  void deleteFile();
  void deleteLockedFileBeepsAndKeepsIt();
  void findFreeSpace_data();
  void findFreeSpace();
  void saveFileStoresDataAndEntry();
  void saveFileReplacesItsNamesake();
  void directoryWithBitSevenReplacesTheNamesake();
  void refusedOrFailedSavesChangeNothing_data();
  void refusedOrFailedSavesChangeNothing();
  void catalogueIsWrittenOnceAfterTheData_data();
  void catalogueIsWrittenOnceAfterTheData();
  void randomSavesAndDeletesKeepEveryFileIntact();
  void saveResultMessages();
  void renameOntoATakenNameIsRefused_data();
  void renameOntoATakenNameIsRefused();
  void fileMessagesBeepAndFillThePlaceholder();
};

void TestDFSDiskEdit::setTitle_data() {
  QTest::addColumn<QByteArray>("title");
  QTest::addColumn<QByteArray>("sector0");
  QTest::addColumn<QByteArray>("sector1");
  QTest::addColumn<QByteArray>("readBack");
  // The image starts with the title ABCDEFGHIJKL.
  // clang-format off
  QTest::newRow("14 characters") << QByteArray("NEWTITLEWXYZQQ") << QByteArray("NEWTITLE") << QByteArray("WXYZ") << QByteArray("NEWTITLEWXYZ");
  QTest::newRow("8 characters") << QByteArray("EIGHTCHR") << QByteArray("EIGHTCHR") << QByteArray("\0JKL", 4) << QByteArray("EIGHTCHR");
  QTest::newRow("5 characters") << QByteArray("SHORT") << QByteArray("SHORT\0GH", 8) << QByteArray("IJKL") << QByteArray("SHORT");
  QTest::newRow("empty") << QByteArray() << QByteArray("\0BCDEFGH", 8) << QByteArray("IJKL") << QByteArray();
  // clang-format on
}

void TestDFSDiskEdit::setTitle() {
  QFETCH(QByteArray, title);
  QFETCH(QByteArray, sector0);
  QFETCH(QByteArray, sector1);
  ImageBuilder builder = ThreeFiles();
  OpenImage image = Open(builder.Title("ABCDEFGHIJKL"));
  image.disk->SetTitle(title.toStdString());
  std::vector<uint8_t> expected = builder.Image();
  std::copy(sector0.begin(), sector0.end(), expected.begin());
  std::copy(sector1.begin(), sector1.end(), expected.begin() + 0x100);
  QCOMPARE(ReadHostFile(image.path), expected);
  QTEST(QByteArray::fromStdString(image.disk->GetTitle()), "readBack");
}

void TestDFSDiskEdit::setBootOption_data() {
  QTest::addColumn<int>("before");
  QTest::addColumn<int>("option");
  QTest::addColumn<int>("after");
  QTest::newRow("0x03 to 2") << 0x03 << 2 << 0x23;
  QTest::newRow("0x33 to 2") << 0x33 << 2 << 0x23;
  QTest::newRow("0xCD to 0 keeps other bits") << 0xCD << 0 << 0xCD;
  QTest::newRow("0x00 to 3") << 0x00 << 3 << 0x30;
}

void TestDFSDiskEdit::setBootOption() {
  QFETCH(int, before);
  QFETCH(int, option);
  OpenImage image = Open(ThreeFiles().Byte(0x106, uint8_t(before)));
  image.disk->SetBootOption(option);
  QTEST(int(ReadHostFile(image.path)[0x106]), "after");
  QCOMPARE(image.disk->BootOption, option);
  QVERIFY_THROWS_EXCEPTION(std::invalid_argument, image.disk->SetBootOption(4));
  QCOMPARE(image.disk->BootOption, option);
}

void TestDFSDiskEdit::setAddress_data() {
  QTest::addColumn<QString>("which");
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("load");
  QTest::addColumn<int>("exec");
  QTest::addColumn<int>("mixedHostBits");
  // B starts with load 0x1900 and exec 0x8023.
  QTest::newRow("host load") << "Load"
                             << "FF1900" << 0xFF1900 << 0x8023 << 0x0C;
  QTest::newRow("5 digits") << "Load"
                            << "12345" << 0xFF2345 << 0x8023 << 0x0C;
  QTest::newRow("lower case") << "Load"
                              << "ff0e00" << 0xFF0E00 << 0x8023 << 0x0C;
  QTest::newRow("plain exec") << "Exec"
                              << "801F" << 0x1900 << 0x801F << 0x00;
  QTest::newRow("host exec") << "Exec"
                             << "FFFFFF" << 0x1900 << 0xFFFFFF << 0xC0;
  QTest::newRow("anything else is load") << "load"
                                         << "0E00" << 0x0E00 << 0x8023 << 0x00;
}

void TestDFSDiskEdit::setAddress() {
  QFETCH(QString, which);
  QFETCH(QString, text);
  OpenImage image = Open(ThreeFiles());
  QVERIFY(image.disk->SetAddress('$', Padded("B"), which.toStdString(), text.toStdString()));
  DFSFileClass entry = image.disk->FindFile('$', Padded("B")).value();
  QTEST(entry.LoadAddress, "load");
  QTEST(entry.ExecAddress, "exec");
  QTEST(ReadHostFile(image.path)[0x108 + 8 * entry.CatalogueIndex + 6] & 0xCC, "mixedHostBits");
}

void TestDFSDiskEdit::badHexRaisesBeforeAnythingIsWritten_data() {
  QTest::addColumn<QString>("text");
  QTest::newRow("letter") << "12G4";
  QTest::newRow("empty") << "";
  QTest::newRow("sign") << "-12";
  QTest::newRow("too long") << "123456789";
}

void TestDFSDiskEdit::badHexRaisesBeforeAnythingIsWritten() {
  QFETCH(QString, text);
  OpenImage image = Open(ThreeFiles());
  QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                           image.disk->SetAddress('$', Padded("A"), "Load", text.toStdString()));
  QCOMPARE(image.file->events, QStringList());
}

void TestDFSDiskEdit::changesRewriteTheCatalogueInDescendingOrder() {
  ImageBuilder builder(400);
  builder.Title("ORDER").Byte(0x104, 0x42);
  builder.AddPlacedFiles("2+256 5+256 9+256");
  OpenImage image = Open(builder);
  std::vector<uint8_t> before = ReadHostFile(image.path);
  QVERIFY(image.disk->SetLocked('$', Padded("F2"), true));
  QCOMPARE(StartSectors(*image.disk), (QStringList{"F2@9", "F1@5", "F0@2"}));
  QVERIFY(image.disk->IsLocked('$', Padded("F2")));
  QVERIFY(!image.disk->IsLocked('$', Padded("F1")));
  std::vector<uint8_t> after = ReadHostFile(image.path);
  for (size_t offset : {0x000, 0x004, 0x100, 0x104, 0x105, 0x106, 0x107}) {
    QCOMPARE(after[offset], before[offset]);
  }
}

void TestDFSDiskEdit::entriesMatchByDirectoryAndExactName() {
  ScopedScriptedPrompts prompts;
  OpenImage image = Open(
      ImageBuilder().AddEntry({'A', "FILE", 0, 0, 10, 2}).AddEntry({'A', "file", 0, 0, 10, 3}));
  DFSDiskClass& disk = *image.disk;
  QCOMPARE(disk.FindFile('a', Padded("FILE")).value().StartSector, 2);
  QCOMPARE(disk.FindFile('A', Padded("file")).value().StartSector, 3);
  QVERIFY(!disk.FileExists('A', "FILE"));  // names are all 7 stored characters
  QVERIFY(!disk.FileExists('B', Padded("FILE")));
  QVERIFY(!disk.IsLocked('Z', Padded("NONE")));

  QVERIFY(disk.RenameFile('a', "file", "NEW"));  // pads both names
  QCOMPARE(disk.FindFile('A', Padded("NEW")).value().StartSector, 3);
  // A directory byte with bit 7 set must not lock the entry.
  QVERIFY(disk.SetDirectory('A', char(0xC2), Padded("NEW")));
  DFSFileClass moved = disk.FindFile('B', Padded("NEW")).value();
  QCOMPARE(moved.Directory, 'B');
  QCOMPARE(int(moved.Locked), 0);
  QVERIFY(prompts->Events().empty());
}

void TestDFSDiskEdit::missingEntryShowsTheLookupMessage_data() {
  QTest::addColumn<int>("operation");
  QTest::newRow("SetLocked") << 0;
  QTest::newRow("DeleteFile") << 1;
  QTest::newRow("SetAddress") << 2;
  QTest::newRow("SetAddress with bad hex") << 3;
  QTest::newRow("SetDirectory") << 4;
  QTest::newRow("RenameFile") << 5;
}

void TestDFSDiskEdit::missingEntryShowsTheLookupMessage() {
  QFETCH(int, operation);
  const std::function<bool(DFSDiskClass&)> operations[] = {
      [](DFSDiskClass& disk) { return disk.SetLocked('$', Padded("GONE"), true); },
      [](DFSDiskClass& disk) { return disk.DeleteFile('$', Padded("GONE")); },
      [](DFSDiskClass& disk) { return disk.SetAddress('$', Padded("GONE"), "Load", "1900"); },
      [](DFSDiskClass& disk) { return disk.SetAddress('$', Padded("GONE"), "Exec", "XYZ"); },
      [](DFSDiskClass& disk) { return disk.SetDirectory('$', 'B', Padded("GONE")); },
      [](DFSDiskClass& disk) { return disk.RenameFile('$', "GONE", "NEW"); },
  };
  ScopedScriptedPrompts prompts;
  OpenImage image = Open(ThreeFiles());
  QVERIFY(!operations[operation](*image.disk));
  QCOMPARE(prompts->Messages(), std::vector<std::string>{kEntryLookupFailureMessage});
  QCOMPARE(prompts->BeepCount(), 0);
  QCOMPARE(image.file->events, QStringList());
}

void TestDFSDiskEdit::deleteFile() {
  ImageBuilder builder;
  OpenImage image = Open(builder.Title("ONLY").AddEntry({'$', "SOLE", 0x1900, 0x8023, 700, 2}));
  QVERIFY(image.disk->DeleteFile('$', Padded("SOLE")));
  std::vector<uint8_t> expected = ImageBuilder().Title("ONLY").Image();
  QCOMPARE(ReadHostFile(image.path), expected);
  QCOMPARE(image.disk->UsedSpace, 512);
  QCOMPARE(image.disk->LargestFree, 204800 - 512);

  OpenImage three = Open(ThreeFiles());
  QVERIFY(three.disk->DeleteFile('$', Padded("B")));
  QCOMPARE(StartSectors(*three.disk), (QStringList{"L@6", "A@2"}));
  QCOMPARE(int(ReadHostFile(three.path)[0x105]), 16);
}

void TestDFSDiskEdit::deleteLockedFileBeepsAndKeepsIt() {
  ScopedScriptedPrompts prompts;
  OpenImage image = Open(ThreeFiles());
  QVERIFY(!image.disk->DeleteFile('$', Padded("L")));
  QCOMPARE(prompts->Events().size(), size_t{2});
  QCOMPARE(prompts->Events()[0].kind, ScriptedPrompts::Kind::Beep);
  QCOMPARE(
      prompts->Messages(),
      std::vector<std::string>{
          "The file L       cannot be deleted as it is locked, unlock it and then delete it."});
  QCOMPARE(image.file->events, QStringList());
}

void TestDFSDiskEdit::findFreeSpace_data() {
  QTest::addColumn<int>("sectors");
  QTest::addColumn<QString>("files");
  QTest::addColumn<int>("length");
  QTest::addColumn<int>("offset");
  QTest::newRow("gap equal to the length") << 400 << "10+2816 2+1024" << 1024 << 1536;
  QTest::newRow("ascending catalogue") << 400 << "2+1024 10+2816" << 1024 << 1536;
  QTest::newRow("gap one byte short") << 400 << "10+2816 2+1024" << 1025 << 5376;
  QTest::newRow("rest one byte more") << 800 << "2+200192" << 4095 << 200704;
  QTest::newRow("rest exactly the length") << 800 << "2+200192" << 4096 << 0;
  QTest::newRow("empty disk") << 400 << "" << 1000 << 512;
  QTest::newRow("empty disk, whole size") << 400 << "" << 102400 << 0;
  QTest::newRow("empty disk, exactly the rest") << 400 << "" << 101888 << 0;
  QTest::newRow("zero length on a full disk") << 400 << "2+101888" << 0 << 512;
  QTest::newRow("zero length after a longer file") << 400 << "2+2560 2+0" << 256 << 3072;
  QTest::newRow("zero length before a longer file") << 400 << "2+0 2+2560" << 256 << 3072;
  QTest::newRow("file inside another") << 400 << "2+5120 4+256" << 256 << 5632;
  QTest::newRow("file in the catalogue sectors") << 400 << "0+256 2+256" << 256 << 768;
  QTest::newRow("file past the disk") << 400 << "2+256 450+256" << 110000 << 0;
  QTest::newRow("file running past the disk") << 400 << "390+5000" << 1000 << 512;
  QTest::newRow("nothing after a file past the end") << 400 << "2+99840 390+5000" << 1000 << 0;
}

void TestDFSDiskEdit::findFreeSpace() {
  QFETCH(int, sectors);
  QFETCH(QString, files);
  QFETCH(int, length);
  ImageBuilder builder(sectors);
  builder.AddPlacedFiles(files.toStdString());
  QTEST(Open(builder).disk->FindFreeSpace(length), "offset");
}

void TestDFSDiskEdit::saveFileStoresDataAndEntry() {
  OpenImage image = Open(ThreeFiles());
  std::vector<uint8_t> data = PatternBytes(1000, 9);
  SMemoryStream source(data);
  source.Seek(700);  // SaveFile copies from the start whatever the position
  DFSFileClass file = NewFile("NEW", 1000, 'C');
  file.Name = "NEW";  // stored padded to 7 characters
  QCOMPARE(image.disk->SaveFile(file, source), int(kSaveDone));
  DFSFileClass saved = image.disk->FindFile('C', Padded("NEW")).value();
  QCOMPARE(saved.StartSector, 7);
  QCOMPARE(saved.LoadAddress, 0x1900);
  QCOMPARE(saved.ExecAddress, 0xFF8023);
  QCOMPARE(image.disk->ReadFileData(saved), data);
  QCOMPARE(image.disk->FileCount(), 4);
  QCOMPARE(image.disk->UsedSpace, 512 + 512 + 512 + 256 + 1024);
  QCOMPARE(StartSectors(*image.disk).first(), QString("NEW@7"));
}

void TestDFSDiskEdit::saveFileReplacesItsNamesake() {
  OpenImage image = Open(ThreeFiles());
  std::vector<uint8_t> longer = PatternBytes(600, 4);
  SMemoryStream longerSource(longer);
  QCOMPARE(image.disk->SaveFile(NewFile("A", 600), longerSource), int(kSaveDone));
  QCOMPARE(StartSectors(*image.disk), (QStringList{"A@7", "L@6", "B@4"}));
  QCOMPARE(image.disk->ReadFileData(image.disk->FindFile('$', Padded("A")).value()), longer);
  QCOMPARE(image.disk->ReadFileData(image.disk->FindFile('$', Padded("B")).value()),
           PatternBytes(512, 2));

  SMemoryStream shorter(PatternBytes(300, 5));
  QCOMPARE(image.disk->SaveFile(NewFile("A", 300), shorter), int(kSaveDone));
  QCOMPARE(StartSectors(*image.disk), (QStringList{"L@6", "B@4", "A@2"}));

  ImageBuilder full(800);
  for (int slot = 0; slot < 31; ++slot) {
    full.AddEntry({'$', "F" + std::to_string(slot), 0, 0, 256, uint32_t(2 + slot)});
  }
  OpenImage fullImage = Open(full);
  SMemoryStream replacement(PatternBytes(256, 6));
  QCOMPARE(fullImage.disk->SaveFile(NewFile("F30", 256), replacement), int(kSaveDone));
  QCOMPARE(fullImage.disk->FileCount(), 31);
  // Placed away from the file it replaces, so the old one stays whole until the catalogue
  // write.
  QCOMPARE(fullImage.disk->FindFile('$', Padded("F30")).value().StartSector, 33);
  // A 32nd entry would wrap the count byte to 0 and hide every file.
  QVERIFY_THROWS_EXCEPTION(std::length_error,
                           fullImage.disk->AddCatalogueEntry(NewFile("X", 1), 0x10000));
  QCOMPARE(fullImage.disk->FileCount(), 31);
}

// Found by fuzz_image: a directory byte with bit 7 set is stored as its low 7 bits, so a
// save under it must replace the namesake stored under those bits, not add a second
// entry of the same name.
void TestDFSDiskEdit::directoryWithBitSevenReplacesTheNamesake() {
  const std::string path = ImageBuilder(800)
                               .AddEntry({'$', "GAME", 0x1900, 0x8023, 300, 2})
                               .FileData(2, PatternBytes(300, 1))
                               .WriteToTemp(dir_, "bit7.ssd");
  std::unique_ptr<DFSDiskClass> disk = DFSDiskClass::Create(path, 2);
  DFSFileClass file;
  file.Name = PadRight("GAME", 7);
  file.Directory = static_cast<char>('$' | 0x80);
  file.Length = 100;
  SMemoryStream source(PatternBytes(100, 2));
  QCOMPARE(disk->SaveFile(file, source), int(kSaveDone));
  DFSFileList list;
  disk->ReadCatalogue(list);
  QCOMPARE(list.size(), size_t(1));
  QCOMPARE(list[0].Directory, '$');
  QVERIFY(disk->ReadFileData(list[0]) == PatternBytes(100, 2));
}

void TestDFSDiskEdit::refusedOrFailedSavesChangeNothing_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<int>("length");
  QTest::addColumn<int>("sourceLength");
  QTest::addColumn<bool>("failDataWrite");
  QTest::addColumn<int>("result");  // -1: an exception
  // The disk: A (sectors 2-3), B (4-5), locked L (6), one-sector files F3-F29 in
  // sectors 7-33, then 62000 bytes of F30 from sector 34; 31488 bytes free at the end.
  // clang-format off
  QTest::newRow("locked namesake") << "L" << 100 << 100 << false << int(kSaveDestinationLocked);
  QTest::newRow("catalogue full") << "NEW" << 100 << 100 << false << int(kSaveCatalogueFull);
  QTest::newRow("no room even without the namesake") << "A" << 32000 << 32000 << false << int(kSaveNoRoom);
  QTest::newRow("data write fails") << "A" << 600 << 600 << true << -1;
  QTest::newRow("source too short") << "A" << 600 << 599 << false << -1;
  // clang-format on
}

void TestDFSDiskEdit::refusedOrFailedSavesChangeNothing() {
  QFETCH(QString, name);
  QFETCH(int, length);
  QFETCH(int, sourceLength);
  QFETCH(bool, failDataWrite);
  ImageBuilder builder = ThreeFiles();
  for (int slot = 3; slot < 30; ++slot) {
    builder.AddEntry({'$', "F" + std::to_string(slot), 0, 0, 256, uint32_t(4 + slot)});
  }
  builder.AddEntry({'$', "F30", 0, 0, 62000, 34}).HostSize(75008);
  OpenImage image = Open(builder);
  QCOMPARE(image.disk->FileCount(), 31);
  std::vector<uint8_t> before = ReadHostFile(image.path);
  image.file->failWritesFrom = failDataWrite ? 512 : -1;
  SMemoryStream source(PatternBytes(size_t(sourceLength), 8));
  int result = -1;
  try {
    result = image.disk->SaveFile(NewFile(name.toStdString(), length), source);
  } catch (const std::exception&) {
    result = -1;
  }
  QTEST(result, "result");
  QCOMPARE(image.file->events, QStringList());
  QCOMPARE(ReadHostFile(image.path), before);
}

// A rename or directory change that would give a second entry of that directory the
// same name is refused with a message, and nothing is written; the directory compares
// as DFS compares it, ignoring case.
void TestDFSDiskEdit::renameOntoATakenNameIsRefused_data() {
  using Operation = std::function<bool(DFSDiskClass&)>;
  QTest::addColumn<Operation>("operation");
  QTest::addColumn<bool>("refused");
  // clang-format off
  QTest::newRow("rename A to B") << Operation([](DFSDiskClass& disk) { return disk.RenameFile('$', "A", "B"); }) << true;
  QTest::newRow("rename A to b (names are case-sensitive)") << Operation([](DFSDiskClass& disk) { return disk.RenameFile('$', "A", "b"); }) << false;
  QTest::newRow("rename A to its own name") << Operation([](DFSDiskClass& disk) { return disk.RenameFile('$', "A", "A"); }) << false;
  QTest::newRow("A to directory c, where C.A is") << Operation([](DFSDiskClass& disk) { return disk.SetDirectory('$', 'c', Padded("A")); }) << true;
  QTest::newRow("B to directory C, where no C.B is") << Operation([](DFSDiskClass& disk) { return disk.SetDirectory('$', 'C', Padded("B")); }) << false;
  QTest::newRow("A to directory C with bit 7 set, stored as C") << Operation([](DFSDiskClass& disk) { return disk.SetDirectory('$', static_cast<char>('C' | 0x80), Padded("A")); }) << true;
  QTest::newRow("rename A to B and more, stored as B") << Operation([](DFSDiskClass& disk) { return disk.RenameFile('$', "A", "B      XY"); }) << true;
  QTest::newRow("rename A to A and more, stored as A") << Operation([](DFSDiskClass& disk) { return disk.RenameFile('$', "A", "A      XY"); }) << false;
  // clang-format on
}

void TestDFSDiskEdit::renameOntoATakenNameIsRefused() {
  using Operation = std::function<bool(DFSDiskClass&)>;
  QFETCH(Operation, operation);
  QFETCH(bool, refused);
  ImageBuilder builder = ThreeFiles();
  builder.AddEntry({'C', "A", 0, 0, 256, 7}).FileData(7, PatternBytes(256, 3));
  OpenImage image = Open(builder);
  ScopedScriptedPrompts prompts;
  const std::vector<uint8_t> before = ReadHostFile(image.path);
  QCOMPARE(operation(*image.disk), !refused);
  QCOMPARE(prompts->Messages().size(), size_t(refused ? 1 : 0));
  if (refused) {
    QVERIFY(prompts->Messages()[0].find("already exists in that directory") != std::string::npos);
    QCOMPARE(prompts->BeepCount(), 1);
    QCOMPARE(ReadHostFile(image.path), before);
  }
}

void TestDFSDiskEdit::catalogueIsWrittenOnceAfterTheData_data() {
  using Operation = std::function<void(DFSDiskClass&)>;
  QTest::addColumn<Operation>("operation");
  QTest::addColumn<bool>("sideOne");
  QTest::addColumn<QStringList>("events");
  const QStringList catalogue{"write 0+512", "flush"};
  auto save = [](const char* name, int length) {
    return [=](DFSDiskClass& disk) {
      SMemoryStream source(PatternBytes(size_t(length), 1));
      disk.SaveFile(NewFile(name, length), source);
    };
  };
  // clang-format off
  QTest::newRow("SetTitle") << Operation([](DFSDiskClass& disk) { disk.SetTitle("NEW"); }) << false << catalogue;
  QTest::newRow("SetBootOption") << Operation([](DFSDiskClass& disk) { disk.SetBootOption(2); }) << false << catalogue;
  QTest::newRow("SetLocked") << Operation([](DFSDiskClass& disk) { disk.SetLocked('$', Padded("A"), true); }) << false << catalogue;
  // clang-format off
  QTest::newRow("SetAddress") << Operation([](DFSDiskClass& disk) { disk.SetAddress('$', Padded("A"), "Exec", "801F"); }) << false << catalogue;
  QTest::newRow("SetDirectory") << Operation([](DFSDiskClass& disk) { disk.SetDirectory('$', 'C', Padded("A")); }) << false << catalogue;
  QTest::newRow("RenameFile") << Operation([](DFSDiskClass& disk) { disk.RenameFile('$', "A", "Z"); }) << false << catalogue;
  QTest::newRow("DeleteFile") << Operation([](DFSDiskClass& disk) { disk.DeleteFile('$', Padded("A")); }) << false << catalogue;
  QTest::newRow("ClearCatalogue") << Operation([](DFSDiskClass& disk) { disk.ClearCatalogue(); }) << false << catalogue;
  QTest::newRow("WriteCatalogue") << Operation([](DFSDiskClass& disk) { DFSFileList none; disk.WriteCatalogue(none); }) << false << catalogue;
  QTest::newRow("AddCatalogueEntry") << Operation([](DFSDiskClass& disk) { disk.AddCatalogueEntry(NewFile("C", 9), 0x2000); }) << false << catalogue;
  QTest::newRow("SaveFile of a new file") << Operation(save("C", 300)) << false << QStringList{"write 1792+300", "flush"} + catalogue;
  QTest::newRow("SaveFile over A") << Operation(save("A", 600)) << false << QStringList{"write 1792+600", "flush"} + catalogue;
  QTest::newRow("SaveFiles of three files, one flush") << Operation([](DFSDiskClass& disk) {
    SMemoryStream c(PatternBytes(300, 1)), d(PatternBytes(600, 2)), e(PatternBytes(100, 3));
    disk.SaveFiles({{NewFile("C", 300), &c}, {NewFile("D", 600), &d}, {NewFile("E", 100), &e}});
  }) << false << QStringList{"write 1792+300", "write 2304+600", "write 3072+100", "flush"} + catalogue;
  QTest::newRow("SetTitle on side 1") << Operation([](DFSDiskClass& disk) { disk.SetTitle("NEW"); }) << true << QStringList{"write 2560+512", "flush"};
  // clang-format on
  // clang-format on
}

void TestDFSDiskEdit::catalogueIsWrittenOnceAfterTheData() {
  using Operation = std::function<void(DFSDiskClass&)>;
  QFETCH(Operation, operation);
  QFETCH(bool, sideOne);
  ImageBuilder builder = ThreeFiles();
  builder.HostSize(3 * 2560);
  OpenImage image = Open(builder, SectorMapping{sideOne, sideOne ? 1 : 0});
  operation(*image.disk);
  QTEST(image.file->events, "events");
}

void TestDFSDiskEdit::randomSavesAndDeletesKeepEveryFileIntact() {
  struct ModelFile {
    std::vector<uint8_t> data;
    bool locked = false;
  };
  std::map<std::string, ModelFile> model;
  ScopedScriptedPrompts prompts;
  OpenImage image = Open(ImageBuilder(400));
  DFSDiskClass& disk = *image.disk;
  std::mt19937 random(20240607);
  for (int step = 0; step < 400; ++step) {
    std::string name = Padded("F" + std::to_string(random() % 9));
    bool exists = model.count(name) != 0;
    int action = int(random() % 10);
    if (action < 6) {
      std::vector<uint8_t> data =
          PatternBytes(random() % 4 == 0 ? 0 : random() % 26000, uint8_t(step));
      SMemoryStream source(data);
      int result = disk.SaveFile(NewFile(name, int32_t(data.size())), source);
      if (exists && model[name].locked) {
        QCOMPARE(result, int(kSaveDestinationLocked));
      } else if (result == kSaveDone) {
        model[name] = {data, false};
      } else {
        QCOMPARE(result, int(kSaveNoRoom));
        QVERIFY2(data.size() > 0, "a zero-length file always has room");
      }
    } else if (action < 9) {
      QCOMPARE(disk.DeleteFile('$', name), exists && !model[name].locked);
      if (exists && !model[name].locked) {
        model.erase(name);
      }
    } else if (exists) {
      QVERIFY(disk.SetLocked('$', name, !model[name].locked));
      model[name].locked = !model[name].locked;
    }
    DFSFileList list;
    disk.ReadCatalogue(list);
    QCOMPARE(list.size(), model.size());
    int64_t used = 512;
    int64_t previousEnd = 512;
    for (auto entry = list.rbegin(); entry != list.rend(); ++entry) {  // ascending start
      QVERIFY(model.count(entry->Name) != 0);
      QCOMPARE(disk.ReadFileData(*entry), model[entry->Name].data);
      QCOMPARE(entry->Locked != 0, model[entry->Name].locked);
      int64_t start = entry->StartSector * 256;
      int64_t rounded = (entry->Length + 255) / 256 * 256;
      QVERIFY2(entry->Length == 0 || start >= previousEnd, "files overlap");
      QVERIFY(start + rounded <= disk.DiskSize);
      previousEnd = std::max(previousEnd, start + rounded);
      used += rounded;
    }
    QCOMPARE(int64_t(disk.UsedSpace), used);
  }
}

void TestDFSDiskEdit::saveResultMessages() {
  ScopedScriptedPrompts prompts;
  for (int result : {0, 1, 2, 3}) {
    ShowSaveResult(result);
  }
  QCOMPARE(prompts->Messages(),
           (std::vector<std::string>{
               "The maximum file limit of 31 has been reached on this disk.",
               "There is no room left on this disk, please delete some files or compact the disk",
               "The file is locked on the  destination disk, you cannot save changes."}));
  QCOMPARE(prompts->BeepCount(), 0);
}

void TestDFSDiskEdit::fileMessagesBeepAndFillThePlaceholder() {
  ScopedScriptedPrompts prompts;
  QCOMPARE(MakeFileMessage("File $File is $File.", "X"), std::string("File X is X."));
  QCOMPARE(MakeFileMessage("No placeholder, $file", "X"), std::string("No placeholder, $file"));
  QCOMPARE(MakeFileMessage("[$File]", "$File"), std::string("[$File]"));
  QCOMPARE(MakeBareMessage("Remove $File here$File"), std::string("Remove  here"));
  QCOMPARE(prompts->BeepCount(), 4);
  QVERIFY(prompts->Messages().empty());
}

QTEST_GUILESS_MAIN(TestDFSDiskEdit)
#include "test_dfsdisk_edit.moc"
