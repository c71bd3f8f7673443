// SPDX-License-Identifier: GPL-3.0-or-later
// kestrow-dfs basic and type, run as a program on built images: what they print on
// standard output and standard error, and their exit status. The image is never changed.
#include <QTemporaryDir>
#include <QtTest>

#include "support/BasicProgramBuilder.h"
#include "support/CliRunner.h"
#include "support/ImageBuilder.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

const std::vector<uint8_t> kProgram = BasicProgramBuilder()
                                          .Line(10, "\xF4 HELLO")
                                          .Line(20,
                                                "\xF1\"A\x81"
                                                "B\"")
                                          .Line(30, "\xE5" + LineNumberToken(10))
                                          .End()
                                          .Bytes();
const char* const kProgramListing =
    "   10REM HELLO\n"
    "   20PRINT\"A\\x81B\"\n"
    "   30GOTO10\n";

// Side 0: $.PROG (the program), $.TEXT, $.CUT (the program cut in its third line),
// $.MC (the program followed by machine code) and $.EMPTY. Side 2 of a .dsd: $.PROG only,
// a text file there.
ImageBuilder Side0() {
  ImageBuilder image;
  std::vector<uint8_t> cut(kProgram.begin(), kProgram.end() - 4);
  std::vector<uint8_t> withCode = kProgram;
  withCode.insert(withCode.end(), {0xA9, 0x00, 0x60});
  const std::vector<uint8_t> text = Bytes("ONE\r\nTWO\n\x07\xFFTHREE");
  image.AddEntry({'$', "PROG", 0x1900, 0x8023, uint32_t(kProgram.size()), 2}).FileData(2, kProgram);
  image.AddEntry({'$', "TEXT", 0, 0, uint32_t(text.size()), 3}).FileData(3, text);
  image.AddEntry({'$', "CUT", 0x1900, 0x8023, uint32_t(cut.size()), 4}).FileData(4, cut);
  image.AddEntry({'$', "MC", 0x1900, 0x8023, uint32_t(withCode.size()), 5}).FileData(5, withCode);
  return image.AddEntry({'$', "EMPTY", 0, 0, 0, 6});
}

ImageBuilder Side2() {
  ImageBuilder image;
  const std::vector<uint8_t> text = Bytes("SIDE TWO");
  return image.AddEntry({'$', "PROG", 0, 0, uint32_t(text.size()), 2}).FileData(2, text);
}

}  // namespace

class TestCliListings : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  std::string single_;
  std::string doubleSided_;

 private slots:
  void initTestCase();
  void commands_data();
  void commands();
};

void TestCliListings::initTestCase() {
  QVERIFY(dir_.isValid());
  single_ = Side0().WriteToTemp(dir_, "listings.ssd");
  doubleSided_ = dir_.filePath("listings.dsd").toStdString();
  ImageBuilder both;
  both.Bytes(0, InterleavedImage(Side0().Image(), Side2().Image()));
  both.WriteTo(doubleSided_);
}

void TestCliListings::commands_data() {
  QTest::addColumn<QStringList>("arguments");  // IMG: the .ssd, DSD: the .dsd
  QTest::addColumn<int>("exitCode");
  QTest::addColumn<QByteArray>("out");
  QTest::addColumn<QByteArray>("err");
  auto row = [](const char* name, QStringList arguments, int exitCode, QByteArray out,
                QByteArray err = {}) {
    QTest::newRow(name) << arguments << exitCode << out << err;
  };
  row("a program", {"basic", "IMG", "$.PROG"}, 0, kProgramListing);
  row("a bare name", {"basic", "IMG", "PROG"}, 0, kProgramListing);
  row("side 0 of a .dsd", {"basic", "DSD:0", "PROG"}, 0, kProgramListing);
  row("machine code after the program", {"basic", "IMG", "MC"}, 0, kProgramListing);
  row("cut program: the whole lines, then why", {"basic", "IMG", "CUT"}, 1,
      "   10REM HELLO\n   20PRINT\"A\\x81B\"\n",
      "The program's structure breaks at offset &0015: the line at &0015 is 9 bytes long, "
      "past the end of the file at &001C.\n");
  row("not a program", {"basic", "IMG", "TEXT"}, 1, "",
      "This file is not a BASIC program: byte 0 is &4F, a program starts with &0D.\n");
  row("empty file", {"basic", "IMG", "EMPTY"}, 1, "",
      "This file is not a BASIC program: it is empty.\n");
  row("no such file", {"basic", "IMG", "NOPE"}, 1, "", "There is no file $.NOPE on this disk.\n");
  row("text", {"type", "IMG", "TEXT"}, 0, "ONE\nTWO\n\\x07\\xFFTHREE\n");
  // Line feeds among the bytes (line 20's length is 0x0A) end lines too.
  row("a program as text", {"type", "IMG", "MC"}, 0,
      "\n\\x00\n\\x0B\\xF4 HELLO\n\\x00\\x14\n\\xF1\"A\\x81B\"\n\\x00\\x1E\\x09\\xE5\\x8DTJ@\n"
      "\\xFF\\xA9\\x00`\n");
  row("empty file as text", {"type", "IMG", "EMPTY"}, 0, "");
  row("side 2 of a .dsd", {"type", "DSD:2", "PROG"}, 0, "SIDE TWO\n");
  row("missing file operand", {"type", "IMG"}, 2, "",
      "kestrow-dfs: wrong number of arguments for type\nUsage: kestrow-dfs type IMAGE D.NAME\n");
}

void TestCliListings::commands() {
  QFETCH(QStringList, arguments);
  arguments.replaceInStrings(QRegularExpression("^IMG"), QString::fromStdString(single_));
  arguments.replaceInStrings(QRegularExpression("^DSD"), QString::fromStdString(doubleSided_));
  const std::vector<uint8_t> before = ReadHostFile(single_);
  const CliResult result = RunCli(arguments);
  QTEST(result.err, "err");
  QTEST(result.out, "out");
  QTEST(result.exitCode, "exitCode");
  QVERIFY(ReadHostFile(single_) == before);
}

QTEST_GUILESS_MAIN(TestCliListings)
#include "test_cli_listings.moc"
