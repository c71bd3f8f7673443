// SPDX-License-Identifier: GPL-3.0-or-later
// kestrow-dfs basic, type and disasm, run as a program on built images: what they print on
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

// Machine code at &1900: LDA #&41, JSR OSWRCH, then 80 03 (BRA on the 65C02, no
// instruction on the 6502), JMP &1900, RTS (0x60, a printable "`") and "HELLO".
const std::vector<uint8_t> kCode = {0xA9, 0x41, 0x20, 0xEE, 0xFF, 0x80, 0x03, 0x4C,
                                    0x00, 0x19, 0x60, 'H',  'E',  'L',  'L',  'O'};
const char* const kCodeListing =
    "1900  A9 41     LDA #&41\n"
    "1902  20 EE FF  JSR OSWRCH\n"
    "1905  80 03 4C 00 19  EQUB &80,&03,&4C,&00,&19\n"
    "190A  60 48 45 4C 4C 4F  EQUS \"`HELLO\"\n";

// Side 0: $.PROG (the program), $.TEXT, $.CUT (the program cut in its third line),
// $.MC (the program followed by machine code), $.EMPTY and $.CODE (kCode). Side 2 of a .dsd: $.PROG
// only, a text file there.
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
  image.AddEntry({'$', "EMPTY", 0, 0, 0, 6});
  return image.AddEntry({'$', "CODE", 0xFF1900, 0xFF1900, uint32_t(kCode.size()), 7})
      .FileData(7, kCode);
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
  const QByteArray disasmUsage =
      "Usage: kestrow-dfs disasm IMAGE D.NAME [--cpu 6502|65c02] [--entry HEX ...]\n";
  row("machine code", {"disasm", "IMG", "CODE"}, 0, kCodeListing);
  row("--cpu 6502 is the default", {"disasm", "IMG", "CODE", "--cpu", "6502"}, 0, kCodeListing);
  row("the 65C02", {"disasm", "--cpu", "65C02", "IMG", "CODE"}, 0,
      "1900  A9 41     LDA #&41\n"
      "1902  20 EE FF  JSR OSWRCH\n"
      "1905  80 03     BRA L190A\n"
      "1907  4C 00 19  EQUB &4C,&00,&19\n"
      ".L190A\n"
      "190A  60        RTS\n"
      "190B  48 45 4C 4C 4F  EQUS \"HELLO\"\n");
  row("an entry point given", {"disasm", "IMG", "CODE", "--entry", "1907"}, 0,
      ".L1900\n"
      "1900  A9 41     LDA #&41\n"
      "1902  20 EE FF  JSR OSWRCH\n"
      "1905  80 03     EQUB &80,&03\n"
      "1907  4C 00 19  JMP L1900\n"
      "190A  60 48 45 4C 4C 4F  EQUS \"`HELLO\"\n");
  row("two entry points, with & and an I/O address",
      {"disasm", "IMG", "CODE", "--entry", "&190A", "--entry", "FF1907"}, 0,
      ".L1900\n"
      "1900  A9 41     LDA #&41\n"
      "1902  20 EE FF  JSR OSWRCH\n"
      "1905  80 03     EQUB &80,&03\n"
      "1907  4C 00 19  JMP L1900\n"
      "190A  60        RTS\n"
      "190B  48 45 4C 4C 4F  EQUS \"HELLO\"\n");
  row("an entry point outside the file: the lines, then why",
      {"disasm", "IMG", "CODE", "--entry", "2000"}, 1, kCodeListing,
      "The entry point &2000 lies outside the file and was not traced: the file runs from "
      "&1900 to &190F.\n");
  row("machine code after a BASIC program", {"disasm", "IMG", "MC"}, 0,
      "1900  0D 00 0A 0B F4  EQUB &0D,&00,&0A,&0B,&F4\n"
      "1905  20 48 45 4C 4C 4F  EQUS \" HELLO\"\n"
      "190B  0D 00 14 0A F1 22 41 81  EQUB &0D,&00,&14,&0A,&F1,&22,&41,&81\n"
      "1913  42 22 0D 00 1E 09 E5 8D  EQUB &42,&22,&0D,&00,&1E,&09,&E5,&8D\n"
      "191B  54 4A 40 0D FF  EQUB &54,&4A,&40,&0D,&FF\n"
      "1920  A9 00     LDA #&00\n"
      "1922  60        RTS\n");
  row("an empty file", {"disasm", "IMG", "EMPTY"}, 0, "");
  row("an unknown CPU", {"disasm", "IMG", "CODE", "--cpu", "z80"}, 2, "",
      "kestrow-dfs: the CPU is 6502 or 65c02: z80\n" + disasmUsage);
  row("the CPU twice", {"disasm", "IMG", "CODE", "--cpu", "6502", "--cpu", "65c02"}, 2, "",
      "kestrow-dfs: --cpu is given twice\n" + disasmUsage);
  row("an entry point that is not hex", {"disasm", "IMG", "CODE", "--entry", "19G0"}, 2, "",
      "kestrow-dfs: an entry point has 1 to 6 hexadecimal digits: 19G0\n" + disasmUsage);
  row("an option without its value", {"disasm", "IMG", "CODE", "--entry"}, 2, "",
      "kestrow-dfs: --entry needs a value\n" + disasmUsage);
  row("disasm of a missing file", {"disasm", "IMG", "NOPE"}, 1, "",
      "There is no file $.NOPE on this disk.\n");
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
