// SPDX-License-Identifier: GPL-3.0-or-later
// kestrow-dfs, run as a program: every command on built images, with its exit status,
// its messages and what it leaves in the image.
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>

#include "disk/DFSUseful.h"
#include "support/CliRunner.h"
#include "support/ImageBuilder.h"

namespace {

const std::vector<uint8_t> kProgData = PatternBytes(700, 1);

// $.LOCKED (locked), $.PROG (host addresses, 700 bytes) and B.DATA (empty); title FIXTURE,
// boot option 1.
ImageBuilder Fixture() {
  ImageBuilder image;
  image.Title("FIXTURE").BootOption(1);
  image.AddEntry({'$', "LOCKED", 0x1900, 0x8023, 300, 20, true}).FileData(20, PatternBytes(300, 2));
  image.AddEntry({'$', "PROG", 0xFF1900, 0xFF8023, 700, 10}).FileData(10, kProgData);
  return image.AddEntry({'B', "DATA", 0, 0, 0, 2});
}

// The entries ("D.NAME___ LOAD EXEC LENGTH [L]") and "title=... boot=N" of one side, sorted.
QStringList Described(const std::string& path, int side = 0) {
  ImageSides sides = OpenDiskImage(path);
  DFSDiskClass& disk = *sides.at(size_t(side));
  QStringList entries;
  DFSFileList files;
  disk.ReadCatalogue(files);
  auto hex = [](int32_t value, int digits) {
    return QString::number(value, 16).toUpper().rightJustified(digits, '0');
  };
  for (const DFSFileClass& file : files) {
    entries << QString(QChar(file.Directory)) + "." +
                   QString::fromLatin1(file.Name).replace(' ', '_') + " " +
                   hex(file.LoadAddress, 6) + " " + hex(file.ExecAddress, 6) + " " +
                   hex(file.Length, 1) + (file.Locked ? " L" : "");
  }
  entries << QString("title=%1 boot=%2").arg(disk.GetTitle().c_str()).arg(disk.BootOption);
  entries.sort();
  return entries;
}

// Arguments with IMG standing for the image path.
QStringList WithImage(QStringList arguments, const std::string& path) {
  arguments.replaceInStrings(QRegularExpression("^IMG"), QString::fromStdString(path));
  return arguments;
}

void WriteHostFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray Bytes(const std::vector<uint8_t>& data) {
  return QByteArray(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
}

}  // namespace

class TestCli : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  std::string Path(const QString& name) const { return dir_.filePath(name).toStdString(); }

 private slots:
  void commandsChangeTheCatalogue_data();
  void commandsChangeTheCatalogue();
  void usageErrorsChangeNothing_data();
  void usageErrorsChangeNothing();
  void listShowsTheDiskWindowTexts();
  void listJsonEscapesEveryByte();
  void newWritesABlankImage();
  void extractWritesFilesAndSideCars();
  void addImportsAsADropDoes();
  void addReportsFullCatalogueAndNoRoom();
  void anImageInUseIsRefused();
  void sidesAndColonsInImagePaths();
};

void TestCli::commandsChangeTheCatalogue_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<int>("exitCode");
  QTest::addColumn<QString>("messages");
  QTest::addColumn<QStringList>("changes");  // "-" an old line, "+" its replacement
  const QString prog = "$.PROG___ FF1900 FF8023 2BC";
  const QString data = "B.DATA___ 000000 000000 0";
  const QString title = "title=FIXTURE boot=1";
  // clang-format off
  QTest::newRow("delete") << QStringList{"delete", "IMG", "PROG"} << 0 << "" << QStringList{"-" + prog};
  QTest::newRow("delete locked and missing")
      << QStringList{"delete", "IMG", "$.LOCKED", "NOPE", "b.DATA"} << 1
      << "The file LOCKED  cannot be deleted as it is locked, unlock it and then delete it.\n"
         "There is no file $.NOPE on this disk.\n"
      << QStringList{"-" + data};
  QTest::newRow("lock") << QStringList{"lock", "IMG", "PROG", "B.DATA"} << 0 << ""
      << QStringList{"-" + prog, "+" + prog + " L", "-" + data, "+" + data + " L"};
  QTest::newRow("unlock") << QStringList{"unlock", "IMG", "LOCKED  "} << 0 << ""
      << QStringList{"-$.LOCKED_ 001900 008023 12C L", "+$.LOCKED_ 001900 008023 12C"};
  QTest::newRow("rename") << QStringList{"rename", "IMG", "$.PROG", "AB.C:"} << 0 << ""
      << QStringList{"-" + prog, "+$.AB.C:__ FF1900 FF8023 2BC"};
  QTest::newRow("rename empty") << QStringList{"rename", "IMG", "PROG", ""} << 1
      << "An empty filename is not permitted\n" << QStringList{};
  QTest::newRow("setdir") << QStringList{"setdir", "IMG", "PROG", "x"} << 0 << ""
      << QStringList{"-" + prog, "+x.PROG___ FF1900 FF8023 2BC"};
  QTest::newRow("setdir empty") << QStringList{"setdir", "IMG", "PROG", ""} << 0 << ""
      << QStringList{"-" + prog, "+ .PROG___ FF1900 FF8023 2BC"};
  QTest::newRow("load") << QStringList{"load", "IMG", "PROG", "ff0"} << 0 << ""
      << QStringList{"-" + prog, "+$.PROG___ 000FF0 FF8023 2BC"};
  QTest::newRow("load host address") << QStringList{"load", "IMG", "B.DATA", "12345"} << 0 << ""
      << QStringList{"-" + data, "+B.DATA___ FF2345 000000 0"};
  QTest::newRow("exec") << QStringList{"exec", "IMG", "PROG", "8023"} << 0 << ""
      << QStringList{"-" + prog, "+$.PROG___ FF1900 008023 2BC"};
  QTest::newRow("exec empty") << QStringList{"exec", "IMG", "PROG", ""} << 1
      << "There must be a value\n" << QStringList{};
  QTest::newRow("edit a missing file") << QStringList{"load", "IMG", "NOPE", "0"} << 1
      << "There is no file $.NOPE on this disk.\n" << QStringList{};
  QTest::newRow("title") << QStringList{"title", "IMG", "A TITLE THAT IS CUT"} << 0 << ""
      << QStringList{"-" + title, "+title=A TITLE THAT boot=1"};
  QTest::newRow("boot") << QStringList{"boot", "IMG", "3"} << 0 << ""
      << QStringList{"-" + title, "+title=FIXTURE boot=3"};
  QTest::newRow("missing image") << QStringList{"list", "IMG.missing"} << 1
      << "Could not open \"IMG.missing\": No such file or directory.\n" << QStringList{};
  // clang-format on
}

void TestCli::commandsChangeTheCatalogue() {
  QFETCH(QStringList, arguments);
  QFETCH(QStringList, changes);
  std::string path = Fixture().WriteToTemp(dir_, "edit.ssd");
  QStringList expected = Described(path);
  for (const QString& change : changes) {
    if (change.startsWith('-')) {
      QVERIFY2(expected.removeOne(change.mid(1)), qPrintable(change));
    } else {
      expected << change.mid(1);
    }
  }
  expected.sort();
  CliResult result = RunCli(WithImage(arguments, path));
  QTEST(result.exitCode, "exitCode");
  QFETCH(QString, messages);
  QCOMPARE(QString::fromLatin1(result.err), messages.replace("IMG", QString::fromStdString(path)));
  QCOMPARE(Described(path), expected);
}

void TestCli::usageErrorsChangeNothing_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<QString>("problem");
  // clang-format off
  QTest::newRow("nothing") << QStringList{} << "no command given";
  QTest::newRow("unknown command") << QStringList{"format", "IMG"} << "unknown command: format";
  QTest::newRow("foreign option") << QStringList{"delete", "--overwrite", "IMG", "PROG"} << "unknown option";
  QTest::newRow("too few") << QStringList{"rename", "IMG", "PROG"} << "wrong number";
  QTest::newRow("too many") << QStringList{"boot", "IMG", "1", "2"} << "wrong number";
  QTest::newRow("long name") << QStringList{"lock", "IMG", "$.PROGRAMS"} << "not a file name";
  QTest::newRow("no name") << QStringList{"cat", "IMG", "$."} << "not a file name";
  QTest::newRow("drive 2 of ssd") << QStringList{"list", "IMG:2"} << "only a .dsd image";
  QTest::newRow("double ssd") << QStringList{"new", "--double", "IMG"} << "ending in .dsd";
  QTest::newRow("boot 4") << QStringList{"boot", "IMG", "4"} << "boot option";
  QTest::newRow("hex digit") << QStringList{"load", "IMG", "PROG", "12G"} << "hexadecimal";
  QTest::newRow("7 hex digits") << QStringList{"exec", "IMG", "PROG", "1234567"} << "hexadecimal";
  QTest::newRow(": first") << QStringList{"rename", "IMG", "PROG", ":AB"} << "name";
  QTest::newRow(". second") << QStringList{"rename", "IMG", "PROG", "A.B"} << "name";
  QTest::newRow("space") << QStringList{"rename", "IMG", "PROG", "A B"} << "name";
  QTest::newRow("8 characters") << QStringList{"rename", "IMG", "PROG", "ABCDEFGH"} << "name";
  QTest::newRow("directory .") << QStringList{"setdir", "IMG", "PROG", "."} << "directory";
  QTest::newRow("directory #") << QStringList{"setdir", "IMG", "PROG", "#"} << "directory";
  QTest::newRow("directory |") << QStringList{"setdir", "IMG", "PROG", "|"} << "directory";
  // clang-format on
}

void TestCli::usageErrorsChangeNothing() {
  QFETCH(QStringList, arguments);
  QFETCH(QString, problem);
  std::string path = Fixture().WriteToTemp(dir_, "usage.ssd");
  std::vector<uint8_t> before = ReadHostFile(path);
  CliResult result = RunCli(WithImage(arguments, path));
  QCOMPARE(result.exitCode, 2);
  QVERIFY2(result.err.startsWith("kestrow-dfs: ") && result.err.contains(problem.toUtf8()) &&
               result.err.contains("Usage: kestrow-dfs"),
           result.err.constData());
  QCOMPARE(ReadHostFile(path), before);
}

void TestCli::listShowsTheDiskWindowTexts() {
  ImageBuilder image = Fixture();
  image.AddEntry({'$', std::string("A\x01") + "\xE9", 0, 0, 0x1FFFF, 0xFF});
  std::string path = image.WriteToTemp(dir_, "list.ssd");
  CliResult result = RunCli({"list", QString::fromStdString(path)});
  QCOMPARE(result.exitCode, 0);
  QCOMPARE(QString::fromUtf8(result.out),
           QString::fromStdString(path).prepend("FIXTURE ") +
               "\n"
               "Dir. File name  Att. Load   Exec   Size   Sector\n"
               "$    LOCKED     L    001900 008023 00012C 014\n"
               "$    PROG            FF1900 FF8023 0002BC 00A\n"
               "B    DATA            000000 000000 000000 002\n"
               "$    A?é             000000 000000 01FFFF 0FF\n"
               "4 files  Boot Opt 1 (Load)  80 track (200K) DFS Disk\n"
               "132864 bytes used  71936 bytes free  Largest block: 59648 bytes\n");

  std::string small = ImageBuilder(400).AddEntry({'$', "ONE", 0, 0, 1, 2}).WriteToTemp(dir_);
  result = RunCli({"list", QString::fromStdString(small)});
  QVERIFY(
      result.out.endsWith("\n1 file  Boot Opt 0 (Off)  40 track (100K) DFS Disk\n"
                          "768 bytes used  101632 bytes free  Largest block: 101632 bytes\n"));
  QVERIFY(result.out.startsWith("Untitled disk "));
}

void TestCli::listJsonEscapesEveryByte() {
  std::string title = "Q\"\\\x01\xE9";
  std::string name = std::string("\x7F\x80 ") + '\0' + "\xFF";
  std::string path = ImageBuilder()
                         .Title(title)
                         .BootOption(2)
                         .AddEntry({'a', name, 0xFF1900, 0x8023, 5, 2, true})
                         .WriteToTemp(dir_, "json.ssd");
  CliResult result = RunCli({"list", "--json", QString::fromStdString(path)});
  QCOMPARE(result.exitCode, 0);
  // clang-format off
  QCOMPARE(result.out, QByteArray(
      R"({"title": "Q\"\\\u0001)" "\xC3\xA9" R"(", "boot_option": 2, "disk_size": 204800, "sectors": 800, )"
      R"x("size_text": "80 track (200K)", )x"
      R"("used": 768, "free": 204032, "largest_free": 204032, "files": [{"directory": "a", )"
      R"("name": ")" "\x7F\xC2\x80" R"( \u0000)" "\xC3\xBF" R"(  ", "locked": true, )"
      R"("load": 16718080, "exec": 32803, "length": 5, "start_sector": 2}]})" "\n"));
  // clang-format on
  QJsonObject disk = QJsonDocument::fromJson(result.out).object();
  QCOMPARE(disk["title"].toString(), QString::fromLatin1(title));
  QCOMPARE(disk["files"][0]["name"].toString(), QString::fromLatin1(name + "  "));
}

void TestCli::newWritesABlankImage() {
  std::string path = Fixture().WriteToTemp(dir_, "new.ssd");  // replaced
  QCOMPARE(RunCli({"new", QString::fromStdString(path)}).exitCode, 0);
  std::vector<uint8_t> blank(512, 0);
  blank[0x106] = 0x03;
  blank[0x107] = 0x20;
  QCOMPARE(ReadHostFile(path), blank);

  for (QString option : {"--double", "--"}) {
    std::string dsd = Path("new" + option + ".dsd");
    QCOMPARE(RunCli({"new", option, QString::fromStdString(dsd)}).exitCode, 0);
    std::vector<uint8_t> both = blank;
    both.resize(2560);
    both.insert(both.end(), blank.begin(), blank.end());
    QCOMPARE(ReadHostFile(dsd), both);
  }
  CliResult failed = RunCli({"new", dir_.filePath("no/such/folder.ssd")});
  QCOMPARE(failed.exitCode, 1);
  QVERIFY2(failed.err.startsWith("Cannot create file"), failed.err.constData());
}

void TestCli::extractWritesFilesAndSideCars() {
  ImageBuilder image = Fixture();
  image.AddEntry({'$', "A/B.C", 0, 0, 0, 2});
  std::string path = image.WriteToTemp(dir_, "extract.ssd");
  QString all = dir_.filePath("all/new");
  CliResult result = RunCli({"extract", QString::fromStdString(path), all});
  QCOMPARE(result.exitCode, 0);
  QStringList names = QDir(all).entryList(QDir::Files, QDir::Name);
  QCOMPARE(names, QStringList({"$.A#2FB#2EC", "$.A#2FB#2EC.INF", "$.LOCKED", "$.LOCKED.INF",
                               "$.PROG", "$.PROG.INF", "B.DATA", "B.DATA.INF"}));
  QCOMPARE(ReadHostFile((all + "/$.PROG").toStdString()), kProgData);
  QFile sideCar(all + "/$.LOCKED.INF");
  QVERIFY(sideCar.open(QIODevice::ReadOnly));
  QCOMPARE(sideCar.readAll(), QByteArray("$.LOCKED   001900 008023 00012C L"));

  QString some = dir_.filePath("some");
  result = RunCli({"extract", QString::fromStdString(path), some, "NOPE", "b.DATA"});
  QCOMPARE(result.exitCode, 1);
  QCOMPARE(result.err, QByteArray("There is no file $.NOPE on this disk.\n"));
  QCOMPARE(QDir(some).entryList(QDir::Files), QStringList({"B.DATA", "B.DATA.INF"}));
}

void TestCli::addImportsAsADropDoes() {
  std::string path = ImageBuilder().WriteToTemp(dir_, "add.ssd");
  QDir host(dir_.filePath("host"));
  QVERIFY(host.mkpath("."));
  WriteHostFile(host.filePath("$.GAME"), "game");
  WriteHostFile(host.filePath("$.GAME.INF"), "G.GAME     FF1900 FF8023 000004 L");
  WriteHostFile(host.filePath("README.TXT"), "readme");
  WriteHostFile(host.filePath("X.inf"), "side-car only");
  QStringList files;
  for (const QString& name : host.entryList(QDir::Files, QDir::Name)) {
    files << host.filePath(name);
  }
  QString image = QString::fromStdString(path);
  CliResult result = RunCli(QStringList{"add", image} + files);
  QCOMPARE(result.exitCode, 0);
  QCOMPARE(result.err, QByteArray());
  QStringList stored = {"$.README. 000000 000000 6", "G.GAME___ FF1900 FF8023 4 L",
                        "title= boot=0"};
  QCOMPARE(Described(path), stored);

  WriteHostFile(host.filePath("README.TXT"), "longer readme");
  QString game = host.filePath("$.GAME");
  QString readme = host.filePath("README.TXT");
  result = RunCli(QStringList{"add", image} + files);
  QCOMPARE(result.exitCode, 1);
  QCOMPARE(QString::fromLatin1(result.err),
           game + ": The file GAME on the destination disk is locked, you cannot overwrite it.\n" +
               readme +
               ": A file called README. already exists in that directory on this disk, do you "
               "wish to overwrite ? No\n");
  QCOMPARE(Described(path), stored);

  result = RunCli({"add", "--overwrite", image, readme});
  QCOMPARE(result.exitCode, 0);
  stored[0] = "$.README. 000000 000000 D";
  QCOMPARE(Described(path), stored);
}

void TestCli::addReportsFullCatalogueAndNoRoom() {
  ImageBuilder full;
  for (int index = 0; index < 31; ++index) {
    full.AddEntry({'$', "F" + std::to_string(index), 0, 0, 0, 2});
  }
  ImageBuilder nearlyFull(400);
  nearlyFull.AddEntry({'$', "BIG", 0, 0, 101000, 2});
  QString host = dir_.filePath("one.bin");
  WriteHostFile(host, QByteArray(2000, 'x'));
  const std::pair<ImageBuilder, const char*> cases[] = {
      {full, "The maximum file limit of 31 has been reached on this disk."},
      {nearlyFull,
       "There is no room left on this disk, please delete some files or compact the "
       "disk"}};
  for (const auto& [image, message] : cases) {
    std::string path = image.WriteToTemp(dir_, "full.ssd");
    CliResult result = RunCli({"add", QString::fromStdString(path), host});
    QCOMPARE(result.exitCode, 1);
    QCOMPARE(QString::fromLatin1(result.err), host + ": " + message + "\n");
    QCOMPARE(ReadHostFile(path), image.Image());
  }
  std::string path = ImageBuilder().WriteToTemp(dir_, "missing.ssd");
  CliResult result = RunCli({"add", QString::fromStdString(path), host + ".missing"});
  QCOMPARE(result.exitCode, 1);
  QCOMPARE(QString::fromLatin1(result.err), host + ".missing: Could not open \"" + host +
                                                ".missing\": No such file or directory.\n");
}

void TestCli::anImageInUseIsRefused() {
  std::string path = Fixture().WriteToTemp(dir_, "held.ssd");
  std::vector<uint8_t> before = ReadHostFile(path);
  QString image = QString::fromStdString(path);
  ImageSides held = OpenDiskImage(path);
  for (const QStringList& arguments : {QStringList{"list", image},
                                       {"delete", image, "PROG"},
                                       {"add", "--overwrite", image, image}}) {
    CliResult result = RunCli(arguments);
    QCOMPARE(result.exitCode, 1);
    QCOMPARE(result.err,
             QByteArray("Could not open the file, probably in use by another program.\n"));
  }
  CliResult result = RunCli({"new", image});
  QCOMPARE(result.exitCode, 1);
  QCOMPARE(QString::fromLatin1(result.err),
           "Cannot create file \"" + image + "\". Resource temporarily unavailable\n");
  QCOMPARE(ReadHostFile(path), before);
}

void TestCli::sidesAndColonsInImagePaths() {
  QString image = dir_.filePath("a:b.dsd");
  QCOMPARE(RunCli({"new", "--double", image}).exitCode, 0);
  std::vector<uint8_t> blank = ReadHostFile(image.toStdString());
  QString host = dir_.filePath("$.SIDE");
  std::vector<uint8_t> data = PatternBytes(6000, 4);
  WriteHostFile(host, Bytes(data));
  QCOMPARE(RunCli({"add", image + ":2", host}).exitCode, 0);
  QCOMPARE(RunCli({"title", image + ":2", "TWO"}).exitCode, 0);
  QCOMPARE(RunCli({"cat", image + ":2", "SIDE"}).out, Bytes(data));
  QCOMPARE(Described(image.toStdString(), 1),
           QStringList({"$.SIDE___ 000000 000000 1770", "title=TWO boot=0"}));
  QCOMPARE(Described(image.toStdString(), 0), QStringList({"title= boot=0"}));
  QCOMPARE(RunCli({"cat", image + ":0", "SIDE"}).exitCode, 1);

  // A file whose own name ends in ":2" is given with an explicit side.
  QString odd = dir_.filePath("x:2");
  ImageBuilder().Title("ODD").WriteTo(odd.toStdString());
  QVERIFY(RunCli({"list", odd + ":0"}).out.startsWith("ODD "));
}

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
