// SPDX-License-Identifier: GPL-3.0-or-later
// Host files of DFS files: Beeb-form names and the DFS names made from host names,
// escaped host names, reading side-cars of every layout, the side-car text written out,
// finding side-cars, and copying entries out into a folder.
#include <unistd.h>

#include <QTemporaryDir>
#include <QtTest>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "disk/HostFiles.h"
#include "support/ImageBuilder.h"

namespace {

using Layout = BeebFileDetails::Layout;

std::string Bytes(const QByteArray& bytes) {
  return bytes.toStdString();
}
QByteArray Bytes(const std::string& bytes) {
  return QByteArray::fromStdString(bytes);
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  QVERIFY2(out.good(), path.c_str());
}

std::string InDir(const QTemporaryDir& dir, const std::string& name) {
  return dir.path().toStdString() + "/" + name;
}

DFSFileClass Entry(char directory, const std::string& name, int32_t load, int32_t exec,
                   int32_t length, bool locked) {
  DFSFileClass entry;
  entry.Directory = directory;
  entry.Name = name;
  entry.LoadAddress = load;
  entry.ExecAddress = exec;
  entry.Length = length;
  entry.Locked = locked ? 1 : 0;
  return entry;
}

}  // namespace

class TestHostFiles : public QObject {
  Q_OBJECT

 private slots:
  // ---- Host names ----
  void beebForm_data();
  void beebForm();
  void makeBeebName_data();
  void makeBeebName();
  void hostFileName_data();
  void hostFileName();

  // ---- Side-cars ----
  void fixedLayout_data();
  void fixedLayout();
  void otherToolsLayout_data();
  void otherToolsLayout();
  void sideCarTextPositions_data();
  void sideCarTextPositions();
  void findSideCar_data();
  void findSideCar();
  void sideCarThatCannotBeOpened();

  // ---- Copying out ----
  void copyWritesDataAndSideCar();
  void copyOfMissingEntryWritesNothing();
  void copyReplacesWithoutFollowingLinks();
  void copyIntoMissingFolderFails();
};

// ---- Host names -------------------------------------------------------------------------

void TestHostFiles::beebForm_data() {
  QTest::addColumn<QByteArray>("hostPath");
  QTest::addColumn<bool>("beebForm");
  QTest::newRow("directory and name") << QByteArray("$.GAME") << true;
  QTest::newRow("letter directory") << QByteArray("B.PROG") << true;
  QTest::newRow("in a folder") << QByteArray("/home/me/b.dir/$.GAME") << true;
  QTest::newRow("seven characters") << QByteArray("$.ABCDEFG") << true;
  QTest::newRow("eight characters") << QByteArray("$.LONGNAME") << false;
  QTest::newRow("host extension") << QByteArray("README.TXT") << false;
  QTest::newRow("second dot") << QByteArray("$.A.B") << false;
  QTest::newRow("no name") << QByteArray("$.") << true;
  QTest::newRow("directory only") << QByteArray("$") << false;
  QTest::newRow("escaped dot in name") << QByteArray("$.A#2EB") << true;
  QTest::newRow("lower-case escape") << QByteArray("$.A#2eB") << true;
  QTest::newRow("escaped directory") << QByteArray("#2E.X") << true;
  QTest::newRow("escape counts once") << QByteArray("$.#41#42#43#44#45#46#47") << true;
  QTest::newRow("eight escapes") << QByteArray("$.#41#42#43#44#45#46#47#48") << false;
  QTest::newRow("escaped separator") << QByteArray("$#2EGAME") << false;
  QTest::newRow("hash without hex") << QByteArray("$.A#G1") << true;
  QTest::newRow("cut-off escape") << QByteArray("$.ABCDEF#2") << false;
}

void TestHostFiles::beebForm() {
  QFETCH(QByteArray, hostPath);
  QFETCH(bool, beebForm);
  QCOMPARE(BeebFileName(Bytes(hostPath)), beebForm);
}

void TestHostFiles::makeBeebName_data() {
  QTest::addColumn<QByteArray>("hostPath");
  QTest::addColumn<QByteArray>("name");
  QTest::newRow("Beeb form") << QByteArray("$.GAME") << QByteArray("GAME   ");
  QTest::newRow("directory dropped") << QByteArray("B.PROG") << QByteArray("PROG   ");
  QTest::newRow("extension dropped, dot kept") << QByteArray("README.TXT") << QByteArray("README.");
  QTest::newRow("cut to seven") << QByteArray("LONGFILENAME.BIN") << QByteArray("LONGFIL");
  QTest::newRow("too long for Beeb form") << QByteArray("$.LONGNAME") << QByteArray("$.     ");
  QTest::newRow("no dot") << QByteArray("/x/y.z/PLAIN") << QByteArray("PLAIN  ");
  QTest::newRow("empty name") << QByteArray("$.") << QByteArray("       ");
  QTest::newRow("escaped dot") << QByteArray("$.A#2EB") << QByteArray("A.B    ");
  QTest::newRow("either case of hex") << QByteArray("$.#2e#2E") << QByteArray("..     ");
  QTest::newRow("leading space") << QByteArray("$.#20AB") << QByteArray(" AB    ");
  QTest::newRow("control and top bytes")
      << QByteArray("$.#00#ff#7F") << QByteArray("\x00\xFF\x7F    ", 7);
  QTest::newRow("escapes kept outside Beeb form")
      << QByteArray("A#2EB.TXT") << QByteArray("A#2EB. ");
  QTest::newRow("literal hash") << QByteArray("$.A#G") << QByteArray("A#G    ");
}

void TestHostFiles::makeBeebName() {
  QFETCH(QByteArray, hostPath);
  QFETCH(QByteArray, name);
  QCOMPARE(Bytes(MakeBeebName(Bytes(hostPath))), name);
}

void TestHostFiles::hostFileName_data() {
  QTest::addColumn<char>("directory");
  QTest::addColumn<QByteArray>("name");
  QTest::addColumn<QByteArray>("hostName");
  QTest::newRow("trailing spaces trimmed") << '$' << QByteArray("HELLO  ") << QByteArray("$.HELLO");
  QTest::newRow("full name") << 'B' << QByteArray("ABCDEFG") << QByteArray("B.ABCDEFG");
  QTest::newRow("slash") << '$' << QByteArray("A/B    ") << QByteArray("$.A#2FB");
  QTest::newRow("dot") << '$' << QByteArray("A.B    ") << QByteArray("$.A#2EB");
  QTest::newRow("hash") << '$' << QByteArray("A#2E   ") << QByteArray("$.A#232E");
  QTest::newRow("inner and leading spaces")
      << '$' << QByteArray(" AB CD ") << QByteArray("$.#20AB#20CD");
  QTest::newRow("control and top bytes")
      << '$' << QByteArray("\x01\x7F\x80\xFF   ") << QByteArray("$.#01#7F#80#FF");
  QTest::newRow("NUL padding kept")
      << '$' << QByteArray("AB\0\0\0\0\0", 7) << QByteArray("$.AB#00#00#00#00#00");
  QTest::newRow("all spaces") << '$' << QByteArray("       ") << QByteArray("$.");
  QTest::newRow("dot directory") << '.' << QByteArray("X      ") << QByteArray("#2E.X");
  QTest::newRow("hash directory") << '#' << QByteArray("X      ") << QByteArray("#23.X");
  QTest::newRow("space directory") << ' ' << QByteArray("X      ") << QByteArray("#20.X");
  QTest::newRow("slash directory") << '/' << QByteArray("X      ") << QByteArray("#2F.X");
  QTest::newRow("name INF") << '$' << QByteArray("INF    ") << QByteArray("$.#49NF");
  QTest::newRow("name inf") << 'A' << QByteArray("inf    ") << QByteArray("A.#69nf");
  QTest::newRow("name INFO") << '$' << QByteArray("INFO   ") << QByteArray("$.INFO");
}

void TestHostFiles::hostFileName() {
  QFETCH(char, directory);
  QFETCH(QByteArray, name);
  QFETCH(QByteArray, hostName);
  std::string made = HostFileName(directory, Bytes(name));
  QCOMPARE(Bytes(made), hostName);
  // And back: Beeb form, the same 7 stored characters, the same directory, no side-car.
  QVERIFY(BeebFileName(made));
  QCOMPARE(Bytes(MakeBeebName(made)), name);
  QCOMPARE(DecodeHostName(made).front(), directory);
  QVERIFY(!IsSideCarName(made));
}

// ---- Side-cars -----------------------------------------------------------------------------

namespace {

void AddDetailColumns() {
  QTest::addColumn<QByteArray>("text");
  QTest::addColumn<char>("directory");
  QTest::addColumn<int>("load");
  QTest::addColumn<int>("exec");
  QTest::addColumn<bool>("locked");
}

void CompareDetails(const BeebFileDetails& details) {
  QFETCH(char, directory);
  QFETCH(int, load);
  QFETCH(int, exec);
  QFETCH(bool, locked);
  QCOMPARE(details.Directory, directory);
  QCOMPARE(details.LoadAddress, load);
  QCOMPARE(details.ExecAddress, exec);
  QCOMPARE(details.Locked, locked);
}

}  // namespace

void TestHostFiles::fixedLayout_data() {
  AddDetailColumns();
  QTest::newRow("locked, host addresses")
      << QByteArray("B.GAME     FF1900 FF8023 000100 L") << 'B' << 0xFF1900 << 0xFF8023 << true;
  QTest::newRow("lower-case l is unlocked")
      << QByteArray("$.GAME     001900 008023 000100 l") << '$' << 0x1900 << 0x8023 << false;
  QTest::newRow("lower-case hex") << QByteArray("x.GAME     00ab0c 00e0f1 000000  ") << 'x'
                                  << 0xAB0C << 0xE0F1 << false;
  QTest::newRow("bad hex gives 0")
      << QByteArray("$.GAME     FG1900 FF8023 000100 L") << '$' << 0 << 0xFF8023 << true;
  QTest::newRow("space in a field gives 0")
      << QByteArray("$.GAME     001900  08023 000100  ") << '$' << 0x1900 << 0 << false;
  QTest::newRow("name with spaces")
      << QByteArray("$.AB CD    001900 002000 000010 L") << '$' << 0x1900 << 0x2000 << true;
  QTest::newRow("directory byte is raw") << QByteArray("\n.GAME     001900 002000 000010 L") << '\n'
                                         << 0x1900 << 0x2000 << true;
  QTest::newRow("line end after the text")
      << QByteArray("$.GAME     001900 008023 000100 L\r\n") << '$' << 0x1900 << 0x8023 << true;
  QTest::newRow("short: no lock character")
      << QByteArray("$.GAME     001900 008023 000100 ") << '$' << 0x1900 << 0x8023 << false;
  QTest::newRow("short: exec cut off")
      << QByteArray("$.GAME     001900 0080") << '$' << 0x1900 << 0 << false;
  QTest::newRow("short: load only")
      << QByteArray("B.GAME     001900") << 'B' << 0x1900 << 0 << false;
  QTest::newRow("short: to the name") << QByteArray("B.GAME     ") << 'B' << 0 << 0 << false;
}

void TestHostFiles::fixedLayout() {
  QFETCH(QByteArray, text);
  BeebFileDetails details = GetBeebFileDetails(Bytes(text));
  QCOMPARE(details.SideCarLayout, Layout::Fixed);
  QVERIFY(!details.Name.has_value());
  CompareDetails(details);
}

void TestHostFiles::otherToolsLayout_data() {
  AddDetailColumns();
  QTest::addColumn<QByteArray>("name");  // empty: no name token
  QTest::newRow("length and L") << QByteArray("$.ELITE FF1900 FF8023 002000 L") << '$' << 0xFF1900
                                << 0xFF8023 << true << QByteArray("ELITE  ");
  QTest::newRow("Locked and CRC=") << QByteArray("$.FOO   FF1900 FF8023  Locked CRC=AB7A") << '$'
                                   << 0xFF1900 << 0xFF8023 << true << QByteArray("FOO    ");
  QTest::newRow("seven-character name") << QByteArray("$.CHUCKIE 001100 0029AB 002700") << '$'
                                        << 0x1100 << 0x29AB << false << QByteArray("CHUCKIE");
  QTest::newRow("no directory, access 08")
      << QByteArray("HELLO 00001900 00008023 00000100 08") << '$' << 0x1900 << 0x8023 << true
      << QByteArray("HELLO  ");
  QTest::newRow("access 0F") << QByteArray("B.X 1900 8023 100 0F") << 'B' << 0x1900 << 0x8023
                             << true << QByteArray("X      ");
  QTest::newRow("access 07 unlocked") << QByteArray("B.X 1900 8023 100 07") << 'B' << 0x1900
                                      << 0x8023 << false << QByteArray("X      ");
  QTest::newRow("tab, no length") << QByteArray("$.!BOOT\t000000 FFFFFF") << '$' << 0 << 0xFFFFFF
                                  << false << QByteArray("!BOOT  ");
  QTest::newRow("two tabs, lower-case name")
      << QByteArray("$.help\t\t000000 000000") << '$' << 0 << 0 << false << QByteArray("help   ");
  QTest::newRow("eight digits, CR LF") << QByteArray("$.!I ffffffff ffffffff\r\n") << '$'
                                       << 0xFFFFFF << 0xFFFFFF << false << QByteArray("!I     ");
  QTest::newRow("low 24 bits kept")
      << QByteArray("$.X 12345678 1") << '$' << 0x345678 << 1 << false << QByteArray("X      ");
  QTest::newRow("nine digits unread")
      << QByteArray("$.X 123456789 8023") << '$' << 0 << 0x8023 << false << QByteArray("X      ");
  QTest::newRow("bad hex keeps default")
      << QByteArray("$.X ZZ 8023 L") << '$' << 0 << 0x8023 << true << QByteArray("X      ");
  QTest::newRow("KEY=VALUE not a field") << QByteArray("$.X CRC=1 1900 8023") << '$' << 0x1900
                                         << 0x8023 << false << QByteArray("X      ");
  QTest::newRow("long name cut") << QByteArray("A.LONGERNAME 1900 8023") << 'A' << 0x1900 << 0x8023
                                 << false << QByteArray("LONGERN");
  QTest::newRow("first line only")
      << QByteArray("$.A\r\nB.OTHER 1 2 3 L") << '$' << 0 << 0 << false << QByteArray("A      ");
  QTest::newRow("name only") << QByteArray("$.GAME") << '$' << 0 << 0 << false
                             << QByteArray("GAME   ");
  QTest::newRow("empty") << QByteArray("") << '$' << 0 << 0 << false << QByteArray();
  QTest::newRow("blank line") << QByteArray(" \t\r\n") << '$' << 0 << 0 << false << QByteArray();
  QTest::newRow("only 100 bytes read") << QByteArray("$.X 1900 8023") + QByteArray(90, ' ') + "L"
                                       << '$' << 0x1900 << 0x8023 << false << QByteArray("X      ");
}

void TestHostFiles::otherToolsLayout() {
  QFETCH(QByteArray, text);
  QFETCH(QByteArray, name);
  BeebFileDetails details = GetBeebFileDetails(Bytes(text));
  QCOMPARE(details.SideCarLayout, Layout::Tokens);
  CompareDetails(details);
  QCOMPARE(details.Name.has_value(), !name.isEmpty());
  if (details.Name) {
    QCOMPARE(Bytes(*details.Name), name);
  }
}

void TestHostFiles::sideCarTextPositions_data() {
  QTest::addColumn<char>("directory");
  QTest::addColumn<QByteArray>("name");
  QTest::addColumn<int>("load");
  QTest::addColumn<int>("exec");
  QTest::addColumn<int>("length");
  QTest::addColumn<bool>("locked");
  QTest::addColumn<QByteArray>("text");
  QTest::newRow("short name") << '$' << QByteArray("HELLO  ") << 0x1900 << 0x8023 << 0x100 << false
                              << QByteArray("$.HELLO    001900 008023 000100  ");
  QTest::newRow("locked, host addresses")
      << 'B' << QByteArray("AB     ") << 0xFF1900 << 0xFF8023 << 0x3FFFF << true
      << QByteArray("B.AB       FF1900 FF8023 03FFFF L");
  QTest::newRow("empty file") << 'z' << QByteArray("ABCDEFG") << 0 << 0 << 0 << false
                              << QByteArray("z.ABCDEFG  000000 000000 000000  ");
  QTest::newRow("raw bytes") << '\x01' << QByteArray("\x00\n\xFF.   ", 7) << 0xABCDEF << 0x12 << 1
                             << true
                             << QByteArray("\x01.\x00\n\xFF.     ABCDEF 000012 000001 L", 33);
  QTest::newRow("wide values kept to 6 digits")
      << '$' << QByteArray("X      ") << 0x1FF1900 << -1 << 0x1000000 << false
      << QByteArray("$.X        FF1900 FFFFFF 000000  ");
}

void TestHostFiles::sideCarTextPositions() {
  QFETCH(char, directory);
  QFETCH(QByteArray, name);
  QFETCH(int, load);
  QFETCH(int, exec);
  QFETCH(int, length);
  QFETCH(bool, locked);
  QFETCH(QByteArray, text);
  std::string written = SideCarText(Entry(directory, Bytes(name), load, exec, length, locked));
  QCOMPARE(written.size(), kSideCarLength);
  QCOMPARE(Bytes(written), text);
}

void TestHostFiles::findSideCar_data() {
  QTest::addColumn<QStringList>("files");  // a trailing "/" makes a folder, "->" a link
  QTest::addColumn<QString>("expected");   // empty: none
  QTest::newRow("upper case") << QStringList{"GAME", "GAME.INF"} << "GAME.INF";
  QTest::newRow("lower case") << QStringList{"GAME", "GAME.inf"} << "GAME.inf";
  QTest::newRow("mixed case") << QStringList{"GAME", "GAME.iNf"} << "GAME.iNf";
  QTest::newRow("upper case preferred")
      << QStringList{"GAME", "GAME.Inf", "GAME.inf", "GAME.INF"} << "GAME.INF";
  QTest::newRow("lower case next") << QStringList{"GAME", "GAME.Inf", "GAME.inf"} << "GAME.inf";
  QTest::newRow("name must match exactly") << QStringList{"GAME", "game.INF", "GAMES.INF"} << "";
  QTest::newRow("none") << QStringList{"GAME"} << "";
  QTest::newRow("folder is no side-car") << QStringList{"GAME", "GAME.INF/"} << "";
  QTest::newRow("dangling link is none") << QStringList{"GAME", "GAME.INF->nowhere"} << "";
  QTest::newRow("link to a side-car")
      << QStringList{"GAME", "real", "GAME.inf->real"} << "GAME.inf";
}

void TestHostFiles::findSideCar() {
  QFETCH(QStringList, files);
  QFETCH(QString, expected);
  QTemporaryDir dir;
  for (const QString& file : files) {
    std::string path = InDir(dir, file.section("->", 0, 0).toStdString());
    if (file.contains("->")) {
      QCOMPARE(::symlink(file.section("->", 1).toStdString().c_str(), path.c_str()), 0);
    } else if (file.endsWith('/')) {
      QVERIFY(std::filesystem::create_directory(path));
    } else {
      WriteText(path, "$.GAME");
    }
  }
  std::optional<std::string> found = FindSideCar(InDir(dir, "GAME"));
  QCOMPARE(found.has_value(), !expected.isEmpty());
  if (found) {
    QCOMPARE(QString::fromStdString(*found), QString::fromStdString(InDir(dir, "")) + expected);
  }
}

void TestHostFiles::sideCarThatCannotBeOpened() {
  QTemporaryDir dir;
  std::string sideCar = InDir(dir, "GAME.INF");
  QCOMPARE(::symlink(sideCar.c_str(), sideCar.c_str()), 0);  // a loop: exists, never opens
  WriteText(InDir(dir, "GAME"), "data");
  QCOMPARE(FindSideCar(InDir(dir, "GAME")), std::optional<std::string>(sideCar));
  try {
    ReadSideCar(InDir(dir, "GAME"));
    QFAIL("no error raised");
  } catch (const FileSystemError& error) {
    QCOMPARE(QString(error.what()),
             QString("Cannot open file \"%1\". %2")
                 .arg(QString::fromStdString(sideCar), QString(std::strerror(ELOOP))));
  }
}

// ---- Copying out ---------------------------------------------------------------------------

namespace {

struct SourceImage {
  QTemporaryDir dir;
  std::unique_ptr<DFSDiskClass> disk;
  std::string folder;
};

// HELLO (600 bytes), locked AB (trailing spaces, empty) and "A/B.C" in directory ".".
void OpenSourceImage(SourceImage& image) {
  ImageBuilder builder;
  builder.AddEntry({'$', "HELLO", 0xFF1900, 0xFF8023, 600, 2});
  builder.AddEntry({'$', "AB", 0x0E00, 0x0E23, 0, 5, true});
  builder.AddEntry({'.', "A/B.C", 0x1234, 0x5678, 3, 5});
  builder.FileData(2, PatternBytes(600, 4)).FileData(5, {7, 8, 9});
  image.disk = DFSDiskClass::Create(builder.WriteToTemp(image.dir), 2);
  image.folder = image.dir.path().toStdString() + "/out/";
  std::filesystem::create_directory(image.folder);
}

std::vector<uint8_t> Data(const std::string& text) {
  return {text.begin(), text.end()};
}

}  // namespace

void TestHostFiles::copyWritesDataAndSideCar() {
  struct Case {
    char directory;
    std::string name, dataFile;
    std::vector<uint8_t> data;
    std::string sideCar;
  };
  const Case cases[] = {
      {'$', "HELLO  ", "$.HELLO", PatternBytes(600, 4), "$.HELLO    FF1900 FF8023 000258  "},
      {'$', "AB     ", "$.AB", {}, "$.AB       000E00 000E23 000000 L"},
      {'.', "A/B.C  ", "#2E.A#2FB#2EC", {7, 8, 9}, "..A/B.C    001234 005678 000003  "},
  };
  SourceImage image;
  OpenSourceImage(image);
  for (const Case& item : cases) {
    std::optional<ExportedFiles> files =
        CopyFileToHostFolder(*image.disk, item.directory, item.name, image.folder);
    QVERIFY(files.has_value());
    QCOMPARE(QString::fromStdString(files->dataFileName), QString::fromStdString(item.dataFile));
    QCOMPARE(files->sideCarFileName, item.dataFile + ".INF");
    QCOMPARE(ReadHostFile(image.folder + item.dataFile), item.data);
    QCOMPARE(ReadHostFile(image.folder + item.dataFile + ".INF"), Data(item.sideCar));
  }
  QCOMPARE(ListFolder(image.folder, "*.*").size(), size_t(6));
}

void TestHostFiles::copyOfMissingEntryWritesNothing() {
  SourceImage image;
  OpenSourceImage(image);
  QVERIFY(!CopyFileToHostFolder(*image.disk, '$', "HELLO", image.folder).has_value());  // unpadded
  QVERIFY(!CopyFileToHostFolder(*image.disk, 'B', "HELLO  ", image.folder).has_value());
  QVERIFY(ListFolder(image.folder, "*.*").empty());
}

void TestHostFiles::copyReplacesWithoutFollowingLinks() {
  SourceImage image;
  OpenSourceImage(image);
  std::string outside = image.dir.path().toStdString() + "/outside";
  WriteText(outside, "keep me");
  QCOMPARE(::symlink(outside.c_str(), (image.folder + "$.HELLO").c_str()), 0);
  WriteText(image.folder + "$.HELLO.INF", std::string(200, 'x'));
  QVERIFY(CopyFileToHostFolder(*image.disk, '$', "HELLO  ", image.folder).has_value());
  QCOMPARE(ReadHostFile(outside), Data("keep me"));
  QCOMPARE(ReadHostFile(image.folder + "$.HELLO"), PatternBytes(600, 4));
  QCOMPARE(ReadHostFile(image.folder + "$.HELLO.INF").size(), kSideCarLength);
}

void TestHostFiles::copyIntoMissingFolderFails() {
  SourceImage image;
  OpenSourceImage(image);
  std::string folder = image.folder + "missing";
  try {
    CopyFileToHostFolder(*image.disk, '$', "HELLO  ", folder);
    QFAIL("no error raised");
  } catch (const FileSystemError& error) {
    QCOMPARE(error.ErrorNumber(), ENOENT);
    QVERIFY(
        QString(error.what())
            .startsWith("Cannot create file \"" + QString::fromStdString(folder + "/$.HELLO\"")));
  }
}

QTEST_APPLESS_MAIN(TestHostFiles)
#include "test_hostfiles.moc"
