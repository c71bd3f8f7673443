// SPDX-License-Identifier: GPL-3.0-or-later
// kestrow-dfs on the real sample images: "list --json" and "cat" must agree with the
// catalogue and data this test decodes from the bytes itself, and extracting every file
// and adding it to a new image must keep every entry.
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include "support/CliRunner.h"
#include "support/ImageBuilder.h"
#include "support/RawDisk.h"

namespace {

// The listing, or an object naming the failure when there is none.
QJsonObject ListJson(const QString& image) {
  CliResult result = RunCli({"list", "--json", image});
  QJsonParseError error;
  QJsonDocument json = QJsonDocument::fromJson(result.out, &error);
  if (result.exitCode != 0 || error.error != QJsonParseError::NoError) {
    return {{"failed", QString::fromLatin1(result.err) + error.errorString()}};
  }
  return json.object();
}

QJsonObject Expected(const RawDisk& raw) {
  QJsonArray files;
  for (const RawEntry& entry : raw.entries) {
    files.append(QJsonObject{{"directory", QString(QChar(uchar(entry.directory)))},
                             {"name", QString::fromLatin1(entry.name)},
                             {"locked", entry.locked},
                             {"load", qint64(entry.load)},
                             {"exec", qint64(entry.exec)},
                             {"length", qint64(entry.length)},
                             {"start_sector", qint64(entry.start)}});
  }
  return {
      {"title", QString::fromLatin1(raw.title)},
      {"boot_option", raw.bootOption},
      {"disk_size", raw.diskSize},
      {"sectors", raw.sectors},
      {"size_text", raw.sectors == 800 ? QString("80 track (200K)")
                    : raw.sectors == 400
                        ? QString("40 track (100K)")
                        : QString("%1 sectors (%2K)").arg(raw.sectors).arg(raw.diskSize / 1024)},
      {"used", raw.used},
      {"free", raw.diskSize - raw.used},
      {"largest_free", raw.largestFree},
      {"files", files}};
}

// The listing without what depends on where the files lie, its files in name order.
QJsonObject WithoutPlaces(QJsonObject listing) {
  listing.remove("largest_free");
  QMultiMap<QString, QJsonObject> byName;
  for (const QJsonValue& file : listing["files"].toArray()) {
    QJsonObject entry = file.toObject();
    entry.remove("start_sector");
    byName.insert(entry["directory"].toString() + entry["name"].toString(), entry);
  }
  QJsonArray files;
  for (const QJsonObject& entry : byName) {
    files.append(entry);
  }
  listing["files"] = files;
  return listing;
}

}  // namespace

class TestCliSamples : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir builtDir_;

 private slots:
  void initTestCase() {
    const std::string missing = MissingSamples();
    QVERIFY2(missing.empty(), missing.c_str());
  }
  void listAndCatAgreeWithTheBytes_data();
  void listAndCatAgreeWithTheBytes();
  void extractedFilesAddBackUnchanged_data();
  void extractedFilesAddBackUnchanged();
};

// Every sample, and drive 2 of every double-sided one.
void AddSampleRows() {
  QTest::addColumn<QString>("sample");
  QTest::addColumn<int>("side");
  for (std::string extension : {".ssd", ".dsd"}) {
    for (const std::string& sample : SampleNames(extension)) {
      for (int side = 0; side < (extension == ".dsd" ? 2 : 1); ++side) {
        std::string row = sample + ":" + std::to_string(side * 2);
        QTest::newRow(row.c_str()) << QString::fromStdString(sample) << side;
      }
    }
  }
}

void TestCliSamples::listAndCatAgreeWithTheBytes_data() {
  AddSampleRows();
}

void TestCliSamples::listAndCatAgreeWithTheBytes() {
  QFETCH(QString, sample);
  QFETCH(int, side);
  QTemporaryDir dir;
  std::string path = CopySample(dir, sample.toStdString());
  bool interleaved = sample.endsWith(".dsd");
  std::vector<uint8_t> bytes = ReadHostFile(path);
  RawDisk raw = DecodeRawDisk(bytes, interleaved, side);
  QString image = QString::fromStdString(path) + ":" + QString::number(side * 2);
  QCOMPARE(ListJson(image), Expected(raw));
  for (const RawEntry& entry : raw.entries) {
    QString name = QString(QChar(entry.directory)) + "." + QString::fromLatin1(entry.name);
    CliResult result = RunCli({"cat", image, name});
    QCOMPARE(result.exitCode, 0);
    std::vector<uint8_t> data = RawFileBytes(bytes, interleaved, side, entry);
    QCOMPARE(result.out,
             QByteArray(reinterpret_cast<const char*>(data.data()), qsizetype(data.size())));
  }
  QCOMPARE(ReadHostFile(path), bytes);
}

void TestCliSamples::extractedFilesAddBackUnchanged_data() {
  AddSampleRows();
  // Names that need escapes on the host, every lock state and both address kinds.
  ImageBuilder built;
  built.Title("ESCAPES 12CH").BootOption(2);
  built.AddEntry({'$', "A/B.C#D", 0xFF1900, 0xFF8023, 300, 2, true});
  built.AddEntry({'x', " LEAD", 0x1900, 0, 0, 4});
  built.AddEntry({'$', "INF", 0, 0x8023, 5000, 4});
  built.AddEntry({'.', "..", 0, 0, 1, 30});
  std::string path = built.WriteToTemp(builtDir_, "built.ssd");
  QTest::newRow("built") << QString::fromStdString(path) << 0;
}

void TestCliSamples::extractedFilesAddBackUnchanged() {
  QFETCH(QString, sample);
  QFETCH(int, side);
  QTemporaryDir dir;
  QString image = sample.startsWith('/')
                      ? sample
                      : QString::fromStdString(CopySample(dir, sample.toStdString()));
  image += ":" + QString::number(side * 2);
  QJsonObject source = ListJson(image);
  QString folder = dir.filePath("files");
  CliResult extracted = RunCli({"extract", image, folder});
  QCOMPARE(extracted.exitCode, 0);

  QString copy = dir.filePath("copy.ssd");
  QCOMPARE(RunCli({"new", copy}).exitCode, 0);
  QCOMPARE(RunCli({"title", copy, source["title"].toString()}).exitCode, 0);
  QCOMPARE(RunCli({"boot", copy, QString::number(source["boot_option"].toInt())}).exitCode, 0);
  // The data files extract printed; their side-cars are found beside them.
  QStringList added = {"add", copy};
  for (const QString& name : QString::fromLatin1(extracted.out).split('\n', Qt::SkipEmptyParts)) {
    added << QDir(folder).filePath(name);
  }
  if (added.size() > 2) {  // an empty side has nothing to add
    CliResult result = RunCli(added);
    QCOMPARE(result.err, QByteArray());
    QCOMPARE(result.exitCode, 0);
  }

  QJsonObject copied = ListJson(copy);
  if (source["disk_size"] != copied["disk_size"]) {  // a 40-track source
    for (const char* key : {"disk_size", "sectors", "size_text", "free"}) {
      source.remove(key);
      copied.remove(key);
    }
  }
  QCOMPARE(WithoutPlaces(copied), WithoutPlaces(source));
}

QTEST_GUILESS_MAIN(TestCliSamples)
#include "test_cli_samples.moc"
