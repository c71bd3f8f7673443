// SPDX-License-Identifier: GPL-3.0-or-later
// kestrow-dfs on MMB files, run as a program: the MMB commands with their exit statuses,
// messages and what they leave in the index, dput/dget round trips, and FILE.mmb:N as
// the image of the other commands.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include "disk/DiskCommands.h"
#include "disk/MMBFile.h"
#include "support/CliRunner.h"
#include "support/ImageBuilder.h"
#include "support/MMBBuilder.h"
#include "support/RawDisk.h"

namespace {

// Discs 0 GAMES, 5 DEMO (read/write), 1 UTILS (locked), 7 invalid; the rest unformatted.
MMBBuilder Fixture() {
  MMBBuilder mmb;
  mmb.Formatted(0, "GAMES").Formatted(1, "UTILS", true).Formatted(5, "DEMO");
  return mmb.Entry(7, "BROKEN", 0xFF);
}

// "N:TITLE:status" for every slot not unformatted, then "boot=A,B,C,D".
QStringList Described(const std::string& path) {
  auto mmb = MMBFileClass::Open(path);
  QStringList lines;
  for (const MMBSlot& slot : mmb->ReadIndex()) {
    if (slot.Status != MMBDiscStatus::Unformatted) {
      lines << QString("%1:%2:%3")
                   .arg(slot.Number)
                   .arg(QString::fromLatin1(slot.Title))
                   .arg(MMBStatusKey(slot.Status));
    }
  }
  std::array<int, 4> boot = mmb->BootDiscs();
  lines << QString("boot=%1,%2,%3,%4").arg(boot[0]).arg(boot[1]).arg(boot[2]).arg(boot[3]);
  return lines;
}

std::vector<uint8_t> DiscBytes(const std::string& path, int number) {
  return ReadHostRange(path, MMBBuilder::DiscOffset(number), 204800);
}

QByteArray Bytes(const std::vector<uint8_t>& data) {
  return QByteArray(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
}

}  // namespace

class TestCliMMB : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  std::string Path(const QString& name) const { return dir_.filePath(name).toStdString(); }
  // The arguments with MMB standing for the MMB file's path, also before ":N".
  QStringList WithMMB(QStringList arguments, const std::string& path) const {
    arguments.replaceInStrings(QRegularExpression("^MMB"), QString::fromStdString(path));
    return arguments;
  }

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }
  void imageArgumentsNameDiscs_data();
  void imageArgumentsNameDiscs();
  void commandsChangeTheIndex_data();
  void commandsChangeTheIndex();
  void dcatListsTheIndex();
  void dcatJson();
  void dputDgetRoundTrip_data();
  void dputDgetRoundTrip();
  void imageCommandsWorkOnADisc();
  void newMMBWritesABlankFile();
  void anMMBInUseIsRefused();
};

void TestCliMMB::imageArgumentsNameDiscs_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("path");
  QTest::addColumn<int>("drive");
  QTest::addColumn<int>("disc");
  QTest::newRow("disc") << "card.mmb:5"
                        << "card.mmb" << 0 << 5;
  QTest::newRow("capitals") << "CARD.MmB:510"
                            << "CARD.MmB" << 0 << 510;
  QTest::newRow(":2 is a disc, not a side") << "card.mmb:2"
                                            << "card.mmb" << 0 << 2;
  QTest::newRow("leading zeros") << "a:b/card.mmb:007"
                                 << "a:b/card.mmb" << 0 << 7;
  QTest::newRow("extended disc") << "card.mmb:1021"
                                 << "card.mmb" << 0 << 1021;
  QTest::newRow("no disc") << "card.mmb"
                           << "card.mmb" << 0 << -1;
  QTest::newRow("not a number") << "card.mmb:x"
                                << "card.mmb:x" << 0 << -1;
  QTest::newRow("six digits") << "card.mmb:123456"
                              << "card.mmb:123456" << 0 << -1;
  QTest::newRow("an image") << "disc.ssd:5"
                            << "disc.ssd:5" << 0 << -1;
  QTest::newRow("a side") << "pair.dsd:2"
                          << "pair.dsd" << 2 << -1;
}

void TestCliMMB::imageArgumentsNameDiscs() {
  QFETCH(QString, text);
  QFETCH(QString, path);
  QFETCH(int, drive);
  QFETCH(int, disc);
  ImageArgument image = ParseImageArgument(text.toStdString());
  QCOMPARE(QString::fromStdString(image.path), path);
  QCOMPARE(image.drive, drive);
  QCOMPARE(image.mmbDisc, disc);
  if (disc >= 0) {
    QCOMPARE(MMBDiscName(image.path, disc),
             text.toStdString().substr(0, size_t(path.size())) + ":" + std::to_string(disc));
  }
}

void TestCliMMB::commandsChangeTheIndex_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<int>("exitCode");
  QTest::addColumn<QString>("messages");     // PATH stands for the MMB file's path
  QTest::addColumn<QStringList>("changes");  // "-" an old line, "+" its replacement
  const QString games = "0:GAMES:read-write";
  const QString utils = "1:UTILS:locked";
  const QString boot = "boot=0,1,2,3";
  const QString locked = "Disc 1 is locked, unlock it and then try again.\n";
  const QString notFormatted =
      "Disc 2 is not formatted, format it or import an image into it first.\n";
  // clang-format off
  QTest::newRow("dformat") << QStringList{"dformat", "MMB", "2"} << 0 << ""
      << QStringList{"+2::read-write"};
  QTest::newRow("dformat over a disc") << QStringList{"dformat", "MMB", "0"} << 0 << ""
      << QStringList{"-" + games, "+0::read-write"};
  QTest::newRow("dformat locked") << QStringList{"dformat", "MMB", "1"} << 1 << locked
      << QStringList{};
  QTest::newRow("dformat past the end") << QStringList{"dformat", "MMB", "511"} << 1
      << "There is no disc 511 in this MMB file.\n" << QStringList{};
  QTest::newRow("dkill") << QStringList{"dkill", "MMB", "0"} << 0 << ""
      << QStringList{"-" + games};
  QTest::newRow("dkill locked") << QStringList{"dkill", "MMB", "1"} << 1 << locked
      << QStringList{};
  QTest::newRow("dlock") << QStringList{"dlock", "MMB", "0"} << 0 << ""
      << QStringList{"-" + games, "+0:GAMES:locked"};
  QTest::newRow("dunlock") << QStringList{"dunlock", "MMB", "1"} << 0 << ""
      << QStringList{"-" + utils, "+1:UTILS:read-write"};
  QTest::newRow("dlock unformatted") << QStringList{"dlock", "MMB", "2"} << 1 << notFormatted
      << QStringList{};
  QTest::newRow("donboot") << QStringList{"donboot", "MMB", "3", "300"} << 0 << ""
      << QStringList{"-" + boot, "+boot=0,1,2,300"};
  QTest::newRow("donboot past the end") << QStringList{"donboot", "MMB", "0", "600"} << 1
      << "There is no disc 600 in this MMB file.\n" << QStringList{};
  QTest::newRow("title on a disc") << QStringList{"title", "MMB:0", "NEW NAME"} << 0 << ""
      << QStringList{"-" + games, "+0:NEW NAME:read-write"};
  QTest::newRow("title on a locked disc") << QStringList{"title", "MMB:1", "X"} << 1
      << "Disc 1 is locked in its MMB file, so it is opened read-only.\n" << QStringList{};
  QTest::newRow("list an unformatted disc") << QStringList{"list", "MMB:2"} << 1 << notFormatted
      << QStringList{};
  QTest::newRow("list past the end") << QStringList{"list", "MMB:511"} << 1
      << "There is no disc 511 in this MMB file.\n" << QStringList{};
  QTest::newRow("list an invalid disc") << QStringList{"list", "MMB:7"} << 1
      << "Disc 7 is marked invalid in the MMB index, format it or import an image into it first.\n"
      << QStringList{};
  QTest::newRow("drive out of range") << QStringList{"donboot", "MMB", "4", "5"} << 2
      << "kestrow-dfs: the drive is 0, 1, 2 or 3: 4\nUsage: kestrow-dfs donboot MMB DRIVE N\n"
      << QStringList{};
  QTest::newRow("disc not a number") << QStringList{"dformat", "MMB", "x"} << 2
      << "kestrow-dfs: a disc number is 0 to 510, or more in an extended MMB file: x\n"
         "Usage: kestrow-dfs dformat MMB N\n" << QStringList{};
  QTest::newRow("missing operand") << QStringList{"dkill", "MMB"} << 2
      << "kestrow-dfs: wrong number of arguments for dkill\nUsage: kestrow-dfs dkill MMB N\n"
      << QStringList{};
  QTest::newRow("unknown option") << QStringList{"dcat", "--all", "MMB"} << 2
      << "kestrow-dfs: unknown option for dcat: --all\nUsage: kestrow-dfs dcat [--json] MMB\n"
      << QStringList{};
  QTest::newRow("not an MMB name") << QStringList{"dlock", "disc.ssd", "0"} << 2
      << "kestrow-dfs: an MMB file's name ends in .mmb: disc.ssd\nUsage: kestrow-dfs dlock MMB N\n"
      << QStringList{};
  QTest::newRow("an MMB as an image") << QStringList{"list", "MMB"} << 2
      << "kestrow-dfs: an MMB file holds many discs, name one as FILE.mmb:N: PATH\n"
         "Usage: kestrow-dfs list [--json] IMAGE\n" << QStringList{};
  QTest::newRow("new on an MMB disc") << QStringList{"new", "MMB:3"} << 2
      << "kestrow-dfs: an MMB file is made with new --mmb, its discs with dformat: PATH:3\n"
         "Usage: kestrow-dfs new [--double|--mmb] [--watford] IMAGE\n" << QStringList{};
  QTest::newRow("dget to a .dsd") << QStringList{"dget", "MMB", "0", "out.dsd"} << 2
      << "kestrow-dfs: a disc is written as a single-sided image, not a .dsd: out.dsd\n"
         "Usage: kestrow-dfs dget MMB N OUT.ssd\n" << QStringList{};
  QTest::newRow("dput a .dsd") << QStringList{"dput", "MMB", "2", "two.dsd"} << 1
      << "The image two.dsd is double-sided, only a single-sided (.ssd) image fits in an MMB "
         "slot.\n" << QStringList{};
  // clang-format on
}

void TestCliMMB::commandsChangeTheIndex() {
  QFETCH(QStringList, arguments);
  QFETCH(int, exitCode);
  QFETCH(QString, messages);
  QFETCH(QStringList, changes);
  std::string path = Path("commands.mmb");
  Fixture().WriteTo(path);
  QStringList expected = Described(path);
  for (const QString& change : changes) {
    if (change.startsWith('-')) {
      QVERIFY2(expected.removeOne(change.mid(1)), qPrintable("no line " + change));
    } else {
      expected << change.mid(1);
    }
  }
  expected.sort();
  CliResult result = RunCli(WithMMB(arguments, path));
  QCOMPARE(QString::fromUtf8(result.err),
           QString(messages).replace("PATH", QString::fromStdString(path)));
  QCOMPARE(result.exitCode, exitCode);
  QStringList described = Described(path);
  described.sort();
  QCOMPARE(described, expected);
  // The disc's own title follows the index's wherever a title changed.
  for (const QString& line : described) {
    QStringList fields = line.split(':');
    if (fields.size() == 3 && fields[2] != "invalid") {
      QCOMPARE(
          QString::fromStdString(DecodeRawDisk(DiscBytes(path, fields[0].toInt()), false, 0).title),
          fields[1]);
    }
  }
}

void TestCliMMB::dcatListsTheIndex() {
  std::string path = Path("dcat.mmb");
  MMBBuilder builder = Fixture();
  builder.Formatted(510, "TWELVE CHARS").Entry(6, "TAB\tBELL\a", 0x0F).Boot(2, 258);
  builder.WriteTo(path);
  CliResult result = RunCli({"dcat", QString::fromStdString(path)});
  QCOMPARE(result.exitCode, 0);
  QCOMPARE(result.err, QByteArray());
  QCOMPARE(QString::fromUtf8(result.out),
           QString::fromStdString(path) +
               ": 511 discs, 5 formatted, 1 locked\n"
               "Boot: drive 0 disc 0, drive 1 disc 1, drive 2 disc 258, drive 3 disc 3\n"
               "   0  GAMES         Read/write\n"
               "   1  UTILS         Locked\n"
               "   5  DEMO          Read/write\n"
               "   6  TAB?BELL?     Read/write\n"
               "   7  BROKEN        Invalid\n"
               " 510  TWELVE CHARS  Read/write\n");
}

void TestCliMMB::dcatJson() {
  std::string path = Path("json.mmb");
  MMBBuilder builder = Fixture();
  builder.Entry(6, "Q\"\xA3", 0x0F).WriteTo(path);
  CliResult result = RunCli({"dcat", "--json", QString::fromStdString(path)});
  QCOMPARE(result.exitCode, 0);
  QJsonParseError error;
  QJsonObject json = QJsonDocument::fromJson(result.out, &error).object();
  QCOMPARE(error.error, QJsonParseError::NoError);
  QCOMPARE(json["discs"].toInt(), 511);
  QCOMPARE(json["formatted"].toInt(), 4);
  QCOMPARE(json["locked"].toInt(), 1);
  QCOMPARE(json["boot"].toArray(), (QJsonArray{0, 1, 2, 3}));
  QJsonArray entries = json["slots"].toArray();
  QCOMPARE(entries.size(), 511);
  QCOMPARE(entries[1].toObject(),
           (QJsonObject{{"number", 1}, {"title", "UTILS"}, {"status", "locked"}}));
  QCOMPARE(entries[2].toObject()["status"].toString(), QString("unformatted"));
  QCOMPARE(entries[6].toObject()["title"].toString(), QString::fromLatin1("Q\"\xA3"));
  QCOMPARE(entries[7].toObject()["status"].toString(), QString("invalid"));
  QCOMPARE(entries[5].toObject()["status"].toString(), QString("read-write"));
}

void TestCliMMB::dputDgetRoundTrip_data() {
  QTest::addColumn<int>("disc");
  QTest::addColumn<int>("imageSize");
  QTest::addColumn<int>("sectors");
  QTest::newRow("trimmed image into an unformatted slot") << 2 << 5000 << 800;
  QTest::newRow("full image over a disc") << 0 << 204800 << 800;
  QTest::newRow("40-track image into the last slot") << 510 << 102400 << 400;
}

void TestCliMMB::dputDgetRoundTrip() {
  QFETCH(int, disc);
  QFETCH(int, imageSize);
  QFETCH(int, sectors);
  std::string path = Path("roundtrip.mmb");
  Fixture().WriteTo(path);
  ImageBuilder image(sectors);
  image.Title("ROUND TRIP")
      .AddEntry({'$', "DATA", 0, 0, 4000, 2})
      .FileData(2, PatternBytes(4000, 8));
  image.HostSize(size_t(imageSize));
  std::string in = image.WriteToTemp(dir_, "in.ssd");
  std::vector<uint8_t> neighbour = DiscBytes(path, disc == 0 ? 1 : disc - 1);
  QString mmb = QString::fromStdString(path);
  CliResult put = RunCli({"dput", mmb, QString::number(disc), QString::fromStdString(in)});
  QCOMPARE(put.err, QByteArray());
  QCOMPARE(put.exitCode, 0);
  QVERIFY(Described(path).contains(QString("%1:ROUND TRIP:read-write").arg(disc)));
  QString out = dir_.filePath("out.ssd");
  CliResult get = RunCli({"dget", mmb, QString::number(disc), out});
  QCOMPARE(get.err, QByteArray());
  QCOMPARE(get.exitCode, 0);
  std::vector<uint8_t> expected = image.Image();
  expected.resize(size_t(sectors) * 256, 0);
  QCOMPARE(ReadHostFile(out.toStdString()), expected);
  QCOMPARE(DiscBytes(path, disc == 0 ? 1 : disc - 1), neighbour);
  // The exported image lists the file as the disc did.
  CliResult cat = RunCli({"cat", out, "DATA"});
  QCOMPARE(cat.out, Bytes(PatternBytes(4000, 8)));
}

void TestCliMMB::imageCommandsWorkOnADisc() {
  std::string path = Path("image.mmb");
  Fixture().WriteTo(path);
  QString disc = QString::fromStdString(path) + ":5";
  std::vector<uint8_t> others[] = {DiscBytes(path, 4), DiscBytes(path, 6)};
  QString host = dir_.filePath("NOTES");
  ImageBuilder().HostSize(0).Bytes(0, PatternBytes(1234, 3)).WriteTo(host.toStdString());
  QCOMPARE(RunCli({"add", disc, host}).exitCode, 0);
  CliResult cat = RunCli({"cat", disc, "NOTES"});
  QCOMPARE(cat.exitCode, 0);
  QCOMPARE(cat.out, Bytes(PatternBytes(1234, 3)));
  CliResult list = RunCli({"list", "--json", disc});
  QCOMPARE(list.exitCode, 0);
  QJsonObject json = QJsonDocument::fromJson(list.out).object();
  QCOMPARE(json["title"].toString(), QString("DEMO"));
  QCOMPARE(json["files"].toArray().size(), 3);
  QString folder = dir_.filePath("extracted");
  QCOMPARE(RunCli({"extract", disc, folder, "B.FIRST"}).exitCode, 0);
  QCOMPARE(ReadHostFile(folder.toStdString() + "/B.FIRST"), PatternBytes(700, 5));
  QCOMPARE(RunCli({"delete", disc, "$.SECOND"}).exitCode, 0);
  QCOMPARE(RunCli({"boot", disc, "3"}).exitCode, 0);
  RawDisk raw = DecodeRawDisk(DiscBytes(path, 5), false, 0);
  QCOMPARE(raw.bootOption, 3);
  QCOMPARE(raw.entries.size(), size_t(2));
  QCOMPARE(DiscBytes(path, 4), others[0]);
  QCOMPARE(DiscBytes(path, 6), others[1]);
  // Capitals in the extension name an MMB disc too.
  std::string upper = Path("UPPER.MMB");
  Fixture().WriteTo(upper);
  CliResult plain = RunCli({"list", QString::fromStdString(upper) + ":1"});
  QCOMPARE(plain.exitCode, 0);
  QVERIFY(plain.out.startsWith("UTILS " + QByteArray::fromStdString(upper) + ":1\n"));
}

void TestCliMMB::newMMBWritesABlankFile() {
  std::string path = Path("new.mmb");
  ImageBuilder().Title("REPLACED").WriteTo(path);
  QString mmb = QString::fromStdString(path);
  CliResult made = RunCli({"new", "--mmb", mmb});
  QCOMPARE(made.err, QByteArray());
  QCOMPARE(made.exitCode, 0);
  QCOMPARE(QFileInfo(mmb).size(), qint64(104660992));
  QCOMPARE(Described(path), QStringList{"boot=0,1,2,3"});
  QCOMPARE(RunCli({"new", "--mmb", QString::fromStdString(Path("new.ssd"))}).exitCode, 2);
  QVERIFY(!QFileInfo::exists(dir_.filePath("new.ssd")));
  auto held = MMBFileClass::Open(path);
  QVERIFY(held->Format(3));
  CliResult refused = RunCli({"new", "--mmb", mmb});
  QCOMPARE(refused.exitCode, 1);
  QCOMPARE(QString::fromUtf8(refused.err),
           "The file " + mmb + " is in use by another program, it has not been replaced.\n");
  held.reset();
  QCOMPARE(Described(path), (QStringList{"3::read-write", "boot=0,1,2,3"}));
}

void TestCliMMB::anMMBInUseIsRefused() {
  std::string path = Path("held.mmb");
  Fixture().WriteTo(path);
  auto held = MMBFileClass::Open(path);
  QString mmb = QString::fromStdString(path);
  for (const QStringList& arguments : {QStringList{"dcat", mmb}, QStringList{"dlock", mmb, "0"},
                                       QStringList{"list", mmb + ":0"}}) {
    CliResult result = RunCli(arguments);
    QCOMPARE(result.exitCode, 1);
    QCOMPARE(result.err,
             QByteArray("Could not open the file, probably in use by another program.\n"));
  }
  held.reset();
  QCOMPARE(Described(path).size(), 5);
}

QTEST_GUILESS_MAIN(TestCliMMB)
#include "test_cli_mmb.moc"
