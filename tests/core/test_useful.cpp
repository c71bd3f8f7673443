// SPDX-License-Identifier: GPL-3.0-or-later
// The shared helper routines and the memory and file streams.
#include <sys/stat.h>

#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>

#include "platform/ScriptedPrompts.h"
#include "support/ImageBuilder.h"
#include "util/Useful.h"

namespace {

std::vector<uint8_t> ToBytes(const QByteArray& text) {
  return {text.begin(), text.end()};
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// Sets or clears an environment variable for one scope.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) {
      old_ = old;
    }
    value ? setenv(name, value, 1) : unsetenv(name);
  }
  ~ScopedEnvironment() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

}  // namespace

class TestUseful : public QObject {
  Q_OBJECT

 private slots:
  void searchStream_data();
  void searchStream();
  void streamEdits_data();
  void streamEdits();
  void streamEditsOutsideTheStreamRaise();
  void streamBytes();
  void padding();
  void confirmYesNoAsksThroughPrompts();
  void listFolder();
  void tempFolder_data();
  void tempFolder();
  void fileStreamOpenFailures();
  void fileStreamReadsAndWrites();
};

void TestUseful::searchStream_data() {
  QTest::addColumn<QByteArray>("content");
  QTest::addColumn<qint64>("position");
  QTest::addColumn<QByteArray>("pattern");
  QTest::addColumn<bool>("ignoreCase");
  QTest::addColumn<qint64>("expected");
  // clang-format off
  QTest::newRow("match ending at the last byte") << QByteArray("xxAB") << 0ll << QByteArray("AB") << false << 2ll;
  QTest::newRow("start after the match") << QByteArray("xxAB") << 3ll << QByteArray("AB") << false << -1ll;
  QTest::newRow("ignore case finds lower case") << QByteArray("xxAB") << 0ll << QByteArray("ab") << true << 2ll;
  QTest::newRow("case matters without it") << QByteArray("xxAB") << 0ll << QByteArray("ab") << false << -1ll;
  QTest::newRow("pattern longer than the rest") << QByteArray("xxAB") << 2ll << QByteArray("ABC") << false << -1ll;
  QTest::newRow("first occurrence from position") << QByteArray("ABxAB") << 1ll << QByteArray("AB") << false << 3ll;
  QTest::newRow("restart after partial match") << QByteArray("AAAB") << 0ll << QByteArray("AAB") << false << 1ll;
  QTest::newRow("only letters fold") << QByteArray("x[y") << 0ll << QByteArray("{") << true << -1ll;
  QTest::newRow("empty pattern inside") << QByteArray("abc") << 1ll << QByteArray() << false << 1ll;
  QTest::newRow("empty pattern at the end") << QByteArray("abc") << 3ll << QByteArray() << false << -1ll;
  QTest::newRow("high bytes") << QByteArray("\x01\xff\xfe", 3) << 0ll << QByteArray("\xff\xfe", 2) << true << 1ll;
  // clang-format on
}

void TestUseful::searchStream() {
  QFETCH(QByteArray, content);
  QFETCH(qint64, position);
  QFETCH(QByteArray, pattern);
  QFETCH(bool, ignoreCase);
  QFETCH(qint64, expected);
  SMemoryStream stream(ToBytes(content));
  stream.Seek(position);
  QCOMPARE(SearchStream(stream, pattern.toStdString(), ignoreCase), expected);
}

void TestUseful::streamEdits_data() {
  QTest::addColumn<bool>("onFile");
  QTest::addColumn<bool>("insert");
  QTest::addColumn<QByteArray>("before");
  QTest::addColumn<qint64>("count");
  QTest::addColumn<qint64>("position");
  QTest::addColumn<QByteArray>("after");
  for (bool onFile : {false, true}) {
    auto row = [onFile](const char* name) {
      return &QTest::newRow(QByteArray(onFile ? "file: " : "memory: ").append(name).constData());
    };
    // clang-format off
    *row("insert inside") << onFile << true << QByteArray("ABCD") << 3ll << 1ll << QByteArray("A\0\0\0BCD", 7);
    *row("insert at the end") << onFile << true << QByteArray("ABCD") << 3ll << 4ll << QByteArray("ABCD\0\0\0", 7);
    *row("insert at the start") << onFile << true << QByteArray("AB") << 1ll << 0ll << QByteArray("\0AB", 3);
    *row("delete inside") << onFile << false << QByteArray("ABCDE") << 2ll << 1ll << QByteArray("ADE");
    *row("delete the tail") << onFile << false << QByteArray("ABCDE") << 2ll << 3ll << QByteArray("ABC");
    *row("delete everything") << onFile << false << QByteArray("ABC") << 3ll << 0ll << QByteArray();
    // clang-format on
  }
}

void TestUseful::streamEdits() {
  QFETCH(bool, onFile);
  QFETCH(bool, insert);
  QFETCH(QByteArray, before);
  QFETCH(qint64, count);
  QFETCH(qint64, position);
  QFETCH(QByteArray, after);
  QTemporaryDir dir;
  std::string path = dir.filePath("stream.bin").toStdString();
  WriteText(path, before.toStdString());
  SMemoryStream memory(ToBytes(before));
  std::unique_ptr<SFileStream> file;
  if (onFile) {
    file = std::make_unique<SFileStream>(path, false);
  }
  SStream& stream = onFile ? static_cast<SStream&>(*file) : memory;
  insert ? InsertStreamBytes(stream, count, position) : DeleteStreamBytes(stream, count, position);
  file.reset();
  QCOMPARE(onFile ? ReadHostFile(path) : memory.Bytes(), ToBytes(after));
}

void TestUseful::streamEditsOutsideTheStreamRaise() {
  SMemoryStream stream(ToBytes("ABCD"));
  QVERIFY_THROWS_EXCEPTION(std::out_of_range, DeleteStreamBytes(stream, 2, 3));
  QVERIFY_THROWS_EXCEPTION(std::out_of_range, InsertStreamBytes(stream, 1, 5));
  QCOMPARE(stream.Bytes(), ToBytes("ABCD"));
}

void TestUseful::streamBytes() {
  SMemoryStream stream(ToBytes("AB"));
  WriteStreamByte(stream, 'Z', 4);
  QCOMPARE(stream.Bytes(), ToBytes(QByteArray("AB\0\0Z", 5)));
  QCOMPARE(ReadStreamByte(stream, 4), uint8_t('Z'));
  try {
    ReadStreamByte(stream, 5);
    QFAIL("reading past the end must raise");
  } catch (const StreamReadError& error) {
    QCOMPARE(QString(error.what()), QString("Stream read error"));
  }
  stream.Seek(1);
  stream.SetSize(8);
  QCOMPARE(stream.Position(), int64_t{1});
  QCOMPARE(stream.Size(), int64_t{8});
}

void TestUseful::padding() {
  QCOMPARE(PadRight("AB", 7), std::string("AB     "));
  QCOMPARE(PadRight("ABCDEFGHI", 7), std::string("ABCDEFGHI"));
  QCOMPARE(PadLeft("1F", '0', 6), std::string("00001F"));
  QCOMPARE(PadLeft("1234567", '0', 6), std::string("1234567"));
}

void TestUseful::confirmYesNoAsksThroughPrompts() {
  ScopedScriptedPrompts prompts;
  prompts->QueueYesNo(true);
  QVERIFY(ConfirmYesNo("Delete it?"));
  QVERIFY(!ConfirmYesNo("And this?"));
  QCOMPARE(prompts->Texts(), (std::vector<std::string>{"Delete it?", "And this?"}));
  QCOMPARE(prompts->Events().front().kind, ScriptedPrompts::Kind::YesNo);
}

void TestUseful::listFolder() {
  QTemporaryDir dir;
  std::string folder = dir.path().toStdString();
  for (const char* name : {"README", "a.inf", "b.INF", ".hidden", "c.ssd"}) {
    WriteText(folder + "/" + name, "x");
  }
  QVERIFY(QDir(dir.path()).mkdir("sub.d"));
  using Names = std::vector<std::string>;
  QCOMPARE(ListFolder(folder, "*.*"),
           (Names{".hidden", "README", "a.inf", "b.INF", "c.ssd", "sub.d"}));
  QCOMPARE(ListFolder(folder + "/", "*.inf"), (Names{"a.inf"}));
  QCOMPARE(ListFolder(folder, "c.ssd"), (Names{"c.ssd"}));
  QVERIFY(ListFolder(folder, "*.dsd").empty());
  QVERIFY(ListFolder(folder + "/missing", "*.*").empty());
}

void TestUseful::tempFolder_data() {
  QTest::addColumn<QByteArray>("tmpdir");
  QTest::addColumn<bool>("set");
  QTest::addColumn<QString>("expected");
  QTest::newRow("unset") << QByteArray() << false << "/tmp/";
  QTest::newRow("empty") << QByteArray("") << true << "/tmp/";
  QTest::newRow("without slash") << QByteArray("/var/scratch") << true << "/var/scratch/";
  QTest::newRow("with slash") << QByteArray("/var/scratch/") << true << "/var/scratch/";
  QTest::newRow("with two slashes") << QByteArray("/var/scratch//") << true << "/var/scratch/";
  QTest::newRow("root") << QByteArray("/") << true << "/";
}

void TestUseful::tempFolder() {
  QFETCH(QByteArray, tmpdir);
  QFETCH(bool, set);
  QFETCH(QString, expected);
  ScopedEnvironment environment("TMPDIR", set ? tmpdir.constData() : nullptr);
  QCOMPARE(QString::fromStdString(GetTempFolder()), expected);
}

void TestUseful::fileStreamOpenFailures() {
  QTemporaryDir dir;
  auto failureOf = [](const std::string& path, bool create = false) -> std::string {
    try {
      SFileStream stream(path, true, create);
    } catch (const FileSystemError& error) {
      return error.what();
    }
    return "opened";
  };
  std::string missing = dir.filePath("missing.ssd").toStdString();
  QCOMPARE(failureOf(missing), "Cannot open file \"" + missing + "\". No such file or directory");

  std::string readOnly = dir.filePath("ro.ssd").toStdString();
  WriteText(readOnly, "x");
  QCOMPARE(chmod(readOnly.c_str(), 0444), 0);
  QCOMPARE(failureOf(readOnly), "Cannot open file \"" + readOnly + "\". " + std::strerror(EACCES));
  QCOMPARE(failureOf(readOnly, true),
           "Cannot create file \"" + readOnly + "\". " + std::strerror(EACCES));

  std::string image = dir.filePath("disk.ssd").toStdString();
  WriteText(image, "x");
  {
    SFileStream holder(image, true);
    std::string otherSpelling = dir.path().toStdString() + "/./disk.ssd";
    QCOMPARE(failureOf(otherSpelling),
             "Cannot open file \"" + otherSpelling + "\". " + std::strerror(EWOULDBLOCK));
    SFileStream shared(image, false);  // a non-exclusive open takes no lock
  }
  QCOMPARE(failureOf(image), std::string("opened"));
}

void TestUseful::fileStreamReadsAndWrites() {
  QTemporaryDir dir;
  std::string path = dir.filePath("grow.bin").toStdString();
  WriteText(path, "AB");
  {
    SFileStream stream(path, true, true);  // creating an existing file keeps its bytes
    QCOMPARE(stream.Size(), int64_t{2});
    stream.Seek(5);
    stream.Write("Z", 1);
    QCOMPARE(stream.Position(), int64_t{6});
    char buffer[8] = {};
    stream.Seek(4);
    QCOMPARE(stream.Read(buffer, sizeof buffer), size_t{2});
    QCOMPARE(QByteArray(buffer, 2), QByteArray("\0Z", 2));
    stream.Flush();
  }
  QCOMPARE(ReadHostFile(path), ToBytes(QByteArray("AB\0\0\0Z", 6)));
  SFileStream stream(path, true);
  stream.SetSize(1);
  QCOMPARE(stream.Size(), int64_t{1});
}

QTEST_GUILESS_MAIN(TestUseful)
#include "test_useful.moc"
