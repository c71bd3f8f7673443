// SPDX-License-Identifier: GPL-3.0-or-later
// Importing host files into images: side-cars of every layout, names, conflicts with
// locked files, open inspectors and overwrite questions, full disks, unreadable files,
// a copy out and back in of every byte value, and folders as other tools leave them.
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "disk/HostFiles.h"
#include "platform/ScriptedPrompts.h"
#include "support/ImageBuilder.h"

namespace {

using Kind = ScriptedPrompts::Kind;

// One catalogue entry as "D.NAME___ LOAD EXEC LENGTH [L]"; a raw description keeps the
// name's spaces instead of showing them as "_".
QString Describe(const DFSFileClass& entry, bool raw) {
  QString name = QString::fromLatin1(QByteArray::fromStdString(entry.Name));
  if (!raw) {
    name.replace(' ', '_');
  }
  auto hex = [](int32_t value, int width) {
    return QString("%1").arg(value, width, 16, QChar('0')).toUpper();
  };
  return QString::fromLatin1(QByteArray(1, entry.Directory)) + "." + name + " " +
         hex(entry.LoadAddress, 6) + " " + hex(entry.ExecAddress, 6) + " " + hex(entry.Length, 0) +
         (entry.Locked ? " L" : "");
}

QStringList Catalogue(DFSDiskClass& disk, bool raw = false) {
  DFSFileList list;
  disk.ReadCatalogue(list);
  QStringList entries;
  for (const DFSFileClass& entry : list) {
    entries << Describe(entry, raw);
  }
  entries.sort();
  return entries;
}

// The texts of the messages and questions shown, in order.
QStringList Texts(ScriptedPrompts& prompts) {
  QStringList texts;
  for (const std::string& text : prompts.Texts()) {
    texts << QString::fromStdString(text);
  }
  return texts;
}

std::vector<uint8_t> Data(const std::string& text) {
  return {text.begin(), text.end()};
}

void WriteHostBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  QVERIFY2(out.good(), path.c_str());
}

// An image to drop on and a folder of host files to drop, with the prompts scripted.
class DropScene {
 public:
  explicit DropScene(const ImageBuilder& image = ImageBuilder()) {
    folder_ = dir_.path().toStdString() + "/drop/";
    std::filesystem::create_directory(folder_);
    imagePath_ = image.WriteToTemp(dir_);
    disk = DFSDiskClass::Create(imagePath_, 2);
    callbacks.imagePath = imagePath_;
    callbacks.afterEachFile = [this] { ++refills; };
  }

  std::string Path(const std::string& name) const { return folder_ + name; }
  std::string Add(const std::string& name, const std::string& content) {
    WriteHostBytes(Path(name), Data(content));
    return Path(name);
  }
  ImportSummary Drop(const std::vector<std::string>& names) {
    std::vector<std::string> paths;
    for (const std::string& name : names) {
      paths.push_back(Path(name));
    }
    return ProcessAlienFiles(*disk, paths, callbacks);
  }
  std::vector<uint8_t> FileData(char directory, const std::string& name) {
    std::optional<DFSFileClass> entry = disk->FindFile(directory, name);
    return entry ? disk->ReadFileData(*entry) : std::vector<uint8_t>{};
  }

  ScopedScriptedPrompts prompts;
  std::unique_ptr<DFSDiskClass> disk;
  ImportCallbacks callbacks;
  int refills = 0;

 private:
  QTemporaryDir dir_;
  std::string folder_;
  std::string imagePath_;
};

// An image holding unlocked GAME (5 bytes), locked SAFE and unlocked B.PROG.
ImageBuilder GameAndSafe() {
  ImageBuilder image;
  image.AddEntry({'$', "GAME", 0x1900, 0x8023, 5, 2});
  image.AddEntry({'$', "SAFE", 0x1900, 0x8023, 3, 3, true});
  image.AddEntry({'B', "PROG", 0x1900, 0x8023, 4, 4});
  return image.FileData(2, Data("game!")).FileData(3, Data("old")).FileData(4, Data("prog"));
}

const char* kGameQuestion =
    "A file called GAME already exists in that directory on this disk, do you wish to "
    "overwrite ?";

}  // namespace

class TestImport : public QObject {
  Q_OBJECT

 private slots:
  void importsWithoutConflicts_data();
  void importsWithoutConflicts();
  void importsFileData();
  void lockedDestinationIsRefused();
  void openInspectorIsRefused();
  void overwriteAsked_data();
  void overwriteAsked();
  void secondFileOfTheSameNameAsks();
  void saveResultsReported_data();
  void saveResultsReported();
  void unreadableItemsAreSkipped_data();
  void unreadableItemsAreSkipped();
  void unreadableSideCarEndsTheDrop();
  void hostNameAtTheLengthLimit();
  void everyByteComesBack();
  void copiesOntoTheirOwnImageAsk();
  void sampleFolders_data();
  void sampleFolders();
};

// ---- Side-cars and names -------------------------------------------------------------------

void TestImport::importsWithoutConflicts_data() {
  QTest::addColumn<QStringList>("files");  // "NAME" or "NAME=side-car text"; dropped in order
  QTest::addColumn<QStringList>("catalogue");
  QTest::newRow("Beeb form with side-car")
      << QStringList{"$.GAME", "$.GAME.INF=B.GAME     FF1900 FF8023 000005 L"}
      << QStringList{"B.GAME___ FF1900 FF8023 4 L"};
  QTest::newRow("side-car first in the drop")
      << QStringList{"$.GAME.INF=B.GAME     FF1900 FF8023 000005 L", "$.GAME"}
      << QStringList{"B.GAME___ FF1900 FF8023 4 L"};
  QTest::newRow("lower-case .inf") << QStringList{"$.GAME", "$.GAME.inf=$.GAME     001900 008023"}
                                   << QStringList{"$.GAME___ 001900 008023 4"};
  QTest::newRow("side-car not dropped") << QStringList{"$.GAME", "-$.GAME.Inf=C.GAME     0 0"}
                                        << QStringList{"C.GAME___ 000000 000000 4"};
  QTest::newRow("without side-car")
      << QStringList{"B.PROG"} << QStringList{"$.PROG___ 000000 000000 4"};
  QTest::newRow("host extension") << QStringList{"README.TXT"}
                                  << QStringList{"$.README. 000000 000000 4"};
  QTest::newRow("fixed side-car of a non-Beeb name unread")
      << QStringList{"README.TXT", "README.TXT.INF=B.README.  001900 008023 000004 L"}
      << QStringList{"$.README. 000000 000000 4"};
  QTest::newRow("side-cars alone")
      << QStringList{"$.GAME.INF=$.GAME     0 0", "X.inf", "Y.INF"} << QStringList{};
  QTest::newRow("lower-case l unlocked")
      << QStringList{"$.GAME", "$.GAME.INF=$.GAME     001900 008023 000004 l"}
      << QStringList{"$.GAME___ 001900 008023 4"};
  QTest::newRow("bad hex is 0") << QStringList{"$.GAME", "$.GAME.INF=$.GAME     00XY00 008023"}
                                << QStringList{"$.GAME___ 000000 008023 4"};
  QTest::newRow("short side-car") << QStringList{"$.GAME", "$.GAME.INF=D.GAME     001900"}
                                  << QStringList{"D.GAME___ 001900 000000 4"};
  QTest::newRow("other tool's side-car names the file")
      << QStringList{"elite.bin", "elite.bin.inf=$.ELITE FF1900 FF8023 002000 L"}
      << QStringList{"$.ELITE__ FF1900 FF8023 4 L"};
  QTest::newRow("other tool's side-car, Beeb-form host")
      << QStringList{"B.X", "B.X.INF=HELLO 00001900 00008023 00000100 08"}
      << QStringList{"$.HELLO__ 001900 008023 4 L"};
  QTest::newRow("escaped host name")
      << QStringList{"$.A#2eB", "$.A#2eB.INF=C.XXX      000100 000200 000004  "}
      << QStringList{"C.A.B____ 000100 000200 4"};
  QTest::newRow("two files") << QStringList{"B.ONE", "A.TWO", "A.TWO.INF=A.TWO      000E00 000000"}
                             << QStringList{"$.ONE____ 000000 000000 4",
                                            "A.TWO____ 000E00 000000 4"};
}

void TestImport::importsWithoutConflicts() {
  QFETCH(QStringList, files);
  QFETCH(QStringList, catalogue);
  DropScene scene;
  std::vector<std::string> dropped;
  for (QString file : files) {
    bool leftOut = file.startsWith('-');  // present in the folder, not in the drop
    file.remove(0, leftOut ? 1 : 0);
    std::string name = file.section('=', 0, 0).toStdString();
    scene.Add(name, file.contains('=') ? file.section('=', 1).toStdString() : "data");
    if (!leftOut) {
      dropped.push_back(name);
    }
  }
  ImportSummary summary = scene.Drop(dropped);
  QCOMPARE(Catalogue(*scene.disk), catalogue);
  QCOMPARE(summary.storedCount, int(catalogue.size()));
  QCOMPARE(summary.skippedCount, 0);
  QCOMPARE(scene.refills, int(catalogue.size()));
  QVERIFY(scene.prompts->Events().empty());
}

void TestImport::importsFileData() {
  DropScene scene;
  scene.Add("$.EMPTY", "");
  WriteHostBytes(scene.Path("$.BIG"), PatternBytes(5000, 3));
  scene.Add("$.BIG.INF", "$.BIG      FF1900 FF8023 001388  ");
  QCOMPARE(scene.Drop({"$.EMPTY", "$.BIG", "$.BIG.INF"}).storedCount, 2);
  QCOMPARE(Catalogue(*scene.disk),
           (QStringList{"$.BIG____ FF1900 FF8023 1388", "$.EMPTY__ 000000 000000 0"}));
  QCOMPARE(scene.FileData('$', "BIG    "), PatternBytes(5000, 3));
  QVERIFY(scene.FileData('$', "EMPTY  ").empty());
}

// ---- Conflicts -------------------------------------------------------------------------------

void TestImport::lockedDestinationIsRefused() {
  DropScene scene(GameAndSafe());
  scene.Add("$.SAFE", "new data");
  scene.Add("$.NEXT", "next");
  ImportSummary summary = scene.Drop({"$.SAFE", "$.NEXT"});
  QCOMPARE(
      Texts(*scene.prompts),
      QStringList{"The file SAFE on the destination disk is locked, you cannot overwrite it."});
  QCOMPARE(scene.prompts->Events().front().kind, Kind::Beep);
  QCOMPARE(scene.prompts->BeepCount(), 1);
  QCOMPARE(scene.FileData('$', "SAFE   "), Data("old"));
  QVERIFY(scene.disk->FileExists('$', "NEXT   "));
  QCOMPARE(summary.storedCount, 1);
  QCOMPARE(summary.skippedCount, 1);
  QCOMPARE(scene.refills, 1);
}

void TestImport::openInspectorIsRefused() {
  DropScene scene(GameAndSafe());
  QStringList asked;
  scene.callbacks.windowExists = [&](const std::string& image, char directory,
                                     const std::string& name) {
    asked << QString::fromStdString(image + " " + directory + "." + name);
    return name == "GAME   ";
  };
  scene.Add("$.GAME", "new data");
  scene.Add("$.OTHER", "other");
  scene.Drop({"$.GAME", "$.OTHER"});
  QCOMPARE(Texts(*scene.prompts), QStringList{kInspectorOpenMessage});
  QCOMPARE(scene.prompts->BeepCount(), 0);
  // Asked only about the namesake on the disk, with the image's path.
  QCOMPARE(asked, QStringList{QString::fromStdString(scene.callbacks.imagePath) + " $.GAME   "});
  QCOMPARE(scene.FileData('$', "GAME   "), Data("game!"));
  QVERIFY(scene.disk->FileExists('$', "OTHER  "));
}

void TestImport::overwriteAsked_data() {
  QTest::addColumn<bool>("yes");
  QTest::addColumn<QString>("hostName");
  QTest::addColumn<QString>("sideCar");
  QTest::addColumn<char>("directory");  // of the namesake on the disk
  QTest::addColumn<QByteArray>("name");
  QTest::addColumn<QByteArray>("oldData");
  QTest::newRow("yes") << true << "$.GAME"
                       << "$.GAME     001900 008023" << '$' << QByteArray("GAME   ")
                       << QByteArray("game!");
  QTest::newRow("no") << false << "$.GAME"
                      << "$.GAME     001900 008023" << '$' << QByteArray("GAME   ")
                      << QByteArray("game!");
  QTest::newRow("directory letter in either case")
      << true << "$.PROG"
      << "b.PROG     001900 008023" << 'B' << QByteArray("PROG   ") << QByteArray("prog");
}

void TestImport::overwriteAsked() {
  QFETCH(bool, yes);
  QFETCH(QString, hostName);
  QFETCH(QString, sideCar);
  QFETCH(char, directory);
  QFETCH(QByteArray, name);
  QFETCH(QByteArray, oldData);
  DropScene scene(GameAndSafe());
  scene.Add(hostName.toStdString(), "replacement");
  scene.Add(hostName.toStdString() + ".INF", sideCar.toStdString());
  scene.prompts->QueueYesNo(yes);
  ImportSummary summary = scene.Drop({hostName.toStdString(), hostName.toStdString() + ".INF"});
  QCOMPARE(Texts(*scene.prompts),
           QStringList{QString("A file called %1 already exists in that directory on this disk, "
                               "do you wish to overwrite ?")
                           .arg(QString(name).trimmed())});
  QCOMPARE(scene.prompts->Events().front().kind, Kind::Beep);
  QCOMPARE(scene.prompts->BeepCount(), 1);
  QCOMPARE(scene.FileData(directory, name.toStdString()),
           Data(yes ? "replacement" : oldData.toStdString()));
  QCOMPARE(int(Catalogue(*scene.disk).size()), 3);
  QCOMPARE(summary.storedCount, yes ? 1 : 0);
  QCOMPARE(scene.refills, yes ? 1 : 0);
}

void TestImport::secondFileOfTheSameNameAsks() {
  DropScene scene;
  scene.Add("README.TXT", "text");
  scene.Add("README.BAS", "basic");
  scene.Add("B.AFTER", "after");
  scene.prompts->QueueYesNo(false);
  scene.Drop({"README.TXT", "README.BAS", "B.AFTER"});
  QCOMPARE(Texts(*scene.prompts),
           QStringList{"A file called README. already exists in that directory on this disk, do "
                       "you wish to overwrite ?"});
  QCOMPARE(scene.FileData('$', "README."), Data("text"));
  QCOMPARE(scene.FileData('$', "AFTER  "), Data("after"));
}

// ---- Save results and failures -----------------------------------------------------------

void TestImport::saveResultsReported_data() {
  QTest::addColumn<int>("catalogueEntries");
  QTest::addColumn<int>("hostFileSize");
  QTest::addColumn<QString>("message");
  QTest::newRow("catalogue full") << 31 << 10 << kCatalogueFullMessage;
  QTest::newRow("no room") << 1 << 102400 << kNoRoomMessage;
  QTest::newRow("larger than any disk") << 0 << -1 << kNoRoomMessage;
}

void TestImport::saveResultsReported() {
  QFETCH(int, catalogueEntries);
  QFETCH(int, hostFileSize);
  QFETCH(QString, message);
  ImageBuilder image(400);
  for (int index = 0; index < catalogueEntries; ++index) {
    image.AddEntry({'$', "F" + std::to_string(index), 0, 0, 256, uint32_t(2 + index)});
  }
  DropScene scene(image);
  std::string path = scene.Add("$.NEW", "");
  // A size of -1 makes a sparse file of 4 GB and 10 bytes, beyond any disk (and not to be
  // taken for 10 bytes).
  off_t size = hostFileSize < 0 ? (off_t(4) << 30) + 10 : hostFileSize;
  QCOMPARE(::truncate(path.c_str(), size), 0);
  ImportSummary summary = scene.Drop({"$.NEW"});
  QCOMPARE(Texts(*scene.prompts), QStringList{message});
  QCOMPARE(scene.prompts->BeepCount(), 0);
  QCOMPARE(int(Catalogue(*scene.disk).size()), catalogueEntries);
  QCOMPARE(summary.storedCount, 0);
  QCOMPARE(scene.refills, 1);
}

void TestImport::unreadableItemsAreSkipped_data() {
  QTest::addColumn<QString>("kind");
  QTest::addColumn<QString>("reason");
  QTest::newRow("folder") << "folder"
                          << "Is a directory";
  QTest::newRow("dangling link") << "link"
                                 << "No such file or directory";
  QTest::newRow("missing") << "missing"
                           << "No such file or directory";
}

void TestImport::unreadableItemsAreSkipped() {
  QFETCH(QString, kind);
  DropScene scene(GameAndSafe());
  // Named like an existing file: an item that cannot be read raises no question.
  std::string bad = scene.Path("$.GAME");
  if (kind == "folder") {
    QVERIFY(std::filesystem::create_directory(bad));
  } else if (kind == "link") {
    QCOMPARE(::symlink("nowhere", bad.c_str()), 0);
  }
  scene.Add("$.NEXT", "next");
  ImportSummary summary = scene.Drop({"$.GAME", "$.NEXT"});
  // What went wrong, not a guess that the disk is in use.
  QFETCH(QString, reason);
  QCOMPARE(Texts(*scene.prompts),
           QStringList{"Could not open \"" + QString::fromStdString(bad) + "\": " + reason + "."});
  QCOMPARE(scene.prompts->BeepCount(), 0);
  QCOMPARE(scene.FileData('$', "GAME   "), Data("game!"));
  QCOMPARE(scene.FileData('$', "NEXT   "), Data("next"));
  QCOMPARE(summary.storedCount, 1);
  QCOMPARE(summary.skippedCount, 1);
  QVERIFY(!summary.endedEarly);
}

void TestImport::unreadableSideCarEndsTheDrop() {
  DropScene scene;
  scene.Add("$.FIRST", "first");
  scene.Add("$.SECOND", "second");
  std::string loop = scene.Path("$.SECOND.inf");
  QCOMPARE(::symlink(loop.c_str(), loop.c_str()), 0);
  scene.Add("$.THIRD", "third");
  ImportSummary summary = scene.Drop({"$.FIRST", "$.SECOND", "$.THIRD"});
  QString error = QString("Cannot open file \"%1\". %2")
                      .arg(QString::fromStdString(loop), QString(std::strerror(ELOOP)));
  QCOMPARE(Texts(*scene.prompts), QStringList{error});
  QCOMPARE(Catalogue(*scene.disk), QStringList{"$.FIRST__ 000000 000000 5"});
  QVERIFY(summary.endedEarly);
  QCOMPARE(summary.storedCount, 1);
}

// ---- Copy out and back in ----------------------------------------------------------------

namespace {

// Entries carrying every directory byte (0-127) and every name byte (0-255) at the
// start, middle and end of a name and filling it, and the names INF, with varied
// addresses, lengths and locks.
std::vector<ImageEntry> EveryByteEntries() {
  std::vector<ImageEntry> entries;
  const uint32_t addresses[] = {0, 0x1900, 0xFFFF, 0xFF0000, 0xFF8023, 0xFFFFFF, 0x0E00};
  auto add = [&](char directory, const std::string& name) {
    size_t count = entries.size();
    entries.push_back({directory, name, addresses[count % 7], addresses[(count / 7) % 7],
                       static_cast<uint32_t>(count % 5) * 100, 0, count % 4 == 0});
  };
  for (int value = 0; value < 128; ++value) {
    add(static_cast<char>(value), "D" + std::to_string(value));
  }
  for (int value = 0; value < 256; ++value) {
    char byte = static_cast<char>(value);
    add('$', std::string{byte, 'N', byte});
    add('$', std::string(7, byte));
  }
  // Names that would give host names with the side-car extension.
  for (const char* name : {"INF", "inf", "iNf"}) {
    add('$', name);
  }
  return entries;
}

// Builds an image of up to 31 entries with pattern data, sector by sector.
ImageBuilder ImageOf(const std::vector<ImageEntry>& batch) {
  ImageBuilder image;
  int sector = 2;
  for (ImageEntry entry : batch) {
    entry.startSector = static_cast<uint32_t>(sector);
    image.AddEntry(entry);
    image.FileData(sector, PatternBytes(entry.length, static_cast<uint8_t>(sector)));
    sector += 2;
  }
  return image;
}

}  // namespace

// Found by fuzz_import: a host file whose name is 252 to 255 bytes long has no side-car
// (the side-car's name would be too long to exist), so it imports with the defaults and
// the rest of the drop goes on.
void TestImport::hostNameAtTheLengthLimit() {
  ScopedScriptedPrompts prompts;
  QTemporaryDir dir;
  const std::string folder = dir.filePath("long").toStdString();
  QVERIFY(QDir().mkpath(QString::fromStdString(folder)));
  const std::string longName = folder + "/" + std::string(253, 'n');
  const std::string shortName = folder + "/SHORT";
  ImageBuilder().Bytes(0, PatternBytes(40, 3)).HostSize(40).WriteTo(longName);
  ImageBuilder().Bytes(0, PatternBytes(50, 4)).HostSize(50).WriteTo(shortName);
  std::unique_ptr<DFSDiskClass> disk =
      DFSDiskClass::Create(dir.filePath("long.ssd").toStdString(), 1);
  ImportSummary summary = ProcessAlienFiles(*disk, {longName, shortName}, ImportCallbacks{});
  QCOMPARE(summary.storedCount, 2);
  QVERIFY(prompts->Texts().empty());
  QVERIFY(disk->FileExists('$', "nnnnnnn"));
}

void TestImport::everyByteComesBack() {
  std::vector<ImageEntry> entries = EveryByteEntries();
  for (size_t first = 0; first < entries.size(); first += kMaxCatalogueEntries) {
    std::vector<ImageEntry> batch(
        entries.begin() + first,
        entries.begin() + std::min(entries.size(), first + kMaxCatalogueEntries));
    QTemporaryDir dir;
    std::string tempArea = dir.path().toStdString() + "/Kestrow/";
    std::filesystem::create_directory(tempArea);
    auto source = DFSDiskClass::Create(ImageOf(batch).WriteToTemp(dir, "source.ssd"), 2);
    DropScene target;
    std::vector<std::string> offered;
    for (const ImageEntry& entry : batch) {
      auto files =
          CopyFileToHostFolder(*source, entry.directory, PadRight(entry.name, 7), tempArea);
      QVERIFY(files.has_value());
      offered.push_back(tempArea + files->dataFileName);
      offered.push_back(tempArea + files->sideCarFileName);
    }
    QCOMPARE(ListFolder(tempArea, "*.*").size(), offered.size());
    ImportSummary summary = ProcessAlienFiles(*target.disk, offered, target.callbacks);
    QCOMPARE(summary.storedCount, int(batch.size()));
    QCOMPARE(Texts(*target.prompts), QStringList{});
    QCOMPARE(Catalogue(*target.disk, true), Catalogue(*source, true));
    DFSFileList list;
    source->ReadCatalogue(list);
    for (const DFSFileClass& entry : list) {
      QCOMPARE(target.FileData(entry.Directory, entry.Name), source->ReadFileData(entry));
    }
  }
}

void TestImport::copiesOntoTheirOwnImageAsk() {
  DropScene scene(GameAndSafe());
  QTemporaryDir tempArea;
  std::string folder = tempArea.path().toStdString();
  std::vector<std::string> offered;
  for (const char* name : {"GAME   ", "SAFE   "}) {
    auto files = CopyFileToHostFolder(*scene.disk, '$', name, folder);
    QVERIFY(files.has_value());
    offered.push_back(folder + "/" + files->dataFileName);
    offered.push_back(folder + "/" + files->sideCarFileName);
  }
  QStringList before = Catalogue(*scene.disk);
  scene.prompts->QueueYesNo(true);
  ProcessAlienFiles(*scene.disk, offered, scene.callbacks);
  QCOMPARE(Texts(*scene.prompts),
           (QStringList{kGameQuestion,
                        "The file SAFE on the destination disk is locked, you cannot overwrite "
                        "it."}));
  QCOMPARE(Catalogue(*scene.disk), before);
  QCOMPARE(scene.FileData('$', "GAME   "), Data("game!"));
}

// ---- Other tools' folders -----------------------------------------------------------------

namespace {

// A folder as a disc-build tool leaves its inputs: each side-car "D.NAME<TAB>LOAD EXEC",
// 6-digit hex, no length and no final newline (one with two TABs), host names that differ
// from the DFS names, and some DFS names in lower case.
void WriteDiscBuildFolder(const std::filesystem::path& folder) {
  struct BuildInput {
    const char* hostName;
    const char* sideCar;
    size_t length;
  };
  const BuildInput inputs[] = {
      {"boot", "$.!BOOT\t000000 FFFFFF", 0x14},     {"intro", "$.INTRO\t000000 000000", 6},
      {"level2", "$.LEVEL2\t000000 000000", 0x13F}, {"level3", "$.LEVEL3\t000000 000000", 0x230},
      {"level4", "$.LEVEL4\t000000 000000", 0x3E8}, {"level8", "$.LEVEL8\t000000 000000", 0x718},
      {"help", "$.help\t\t000000 000000", 0x395},   {"readme", "$.readme\t000000 000000", 0x7D4},
  };
  std::filesystem::create_directory(folder);
  uint8_t seed = 1;
  for (const BuildInput& input : inputs) {
    const std::string host = (folder / input.hostName).string();
    WriteHostBytes(host, PatternBytes(input.length, seed++));
    WriteHostBytes(host + ".inf", Data(input.sideCar));
  }
}

}  // namespace

void TestImport::sampleFolders_data() {
  QTest::addColumn<QString>("folder");  // in the sample folder; empty for the built one
  QTest::addColumn<QStringList>("catalogue");
  // As their side-cars give them; the lengths are the host files' sizes.
  QTest::newRow("disc-build tool: tabs, host names differ")
      << "" << QStringList{"$.!BOOT__ 000000 FFFFFF 14",  "$.INTRO__ 000000 000000 6",
                           "$.LEVEL2_ 000000 000000 13F", "$.LEVEL3_ 000000 000000 230",
                           "$.LEVEL4_ 000000 000000 3E8", "$.LEVEL8_ 000000 000000 718",
                           "$.help___ 000000 000000 395", "$.readme_ 000000 000000 7D4"};
  QTest::newRow("beeblink: 8 digits, CR LF")
      << "beeblink-B"
      << QStringList{"$.!I_____ FFFFFF FFFFFF 24", "$.!R_____ FFFFFF FFFFFF 23",
                     "$.!T_____ FFFFFF FFFFFF 1B"};
}

void TestImport::sampleFolders() {
  QFETCH(QString, folder);
  QFETCH(QStringList, catalogue);
  namespace fs = std::filesystem;
  QTemporaryDir dir;
  fs::path copy = fs::path(dir.path().toStdString()) / "copy";
  if (folder.isEmpty()) {
    WriteDiscBuildFolder(copy);
  } else {
    const std::string sample = "folders/" + folder.toStdString();
    const std::string missing = MissingSamples({sample});
    QVERIFY2(missing.empty(), missing.c_str());
    fs::copy(fs::path(KESTROW_SAMPLES_DIR) / sample, copy);
  }
  std::vector<std::string> dropped;
  for (const fs::directory_entry& entry : fs::directory_iterator(copy)) {
    dropped.push_back(entry.path().string());
  }
  std::sort(dropped.begin(), dropped.end());
  DropScene scene;
  ImportSummary summary = ProcessAlienFiles(*scene.disk, dropped, scene.callbacks);
  QVERIFY(scene.prompts->Events().empty());
  QCOMPARE(summary.storedCount, int(catalogue.size()));
  QCOMPARE(Catalogue(*scene.disk), catalogue);
  if (folder.isEmpty()) {
    QCOMPARE(scene.FileData('$', "!BOOT  "), ReadHostFile((copy / "boot").string()));
    QCOMPARE(scene.FileData('$', "readme "), ReadHostFile((copy / "readme").string()));
  } else {
    QCOMPARE(scene.FileData('$', "!I     "), ReadHostFile((copy / "$.!I").string()));
  }
}

QTEST_APPLESS_MAIN(TestImport)
#include "test_import.moc"
