// SPDX-License-Identifier: GPL-3.0-or-later
// BASIC programs built byte by byte and the listings they must give, the coloured spans
// of their lines, the sample images' programs, and the *TYPE text view.
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <filesystem>
#include <random>

#include "decode/BasicListing.h"
#include "decode/TextView.h"
#include "disk/DFSUseful.h"
#include "support/BasicProgramBuilder.h"
#include "support/ImageBuilder.h"

Q_DECLARE_METATYPE(ListingReportKind)

namespace {

using Program = BasicProgramBuilder;

std::string T(int number) {
  return LineNumberToken(number);
}

QByteArray ToByteArray(const std::vector<uint8_t>& bytes) {
  return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

std::span<const uint8_t> AsBytes(const QByteArray& bytes) {
  return {reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())};
}

// The line's text with each span written as {kind|text}: n line number, k keyword,
// r line reference, s string, l literal, e escape, tC teletext colour C (tCg graphics).
// Spans out of order, overlapping or past the text show as "{!}".
QString Markup(const ListingLine& line) {
  std::string markup;
  size_t done = 0;
  for (const ListingSpan& span : line.spans) {
    if (span.start < done || span.length == 0 || span.start + span.length > line.text.size()) {
      return "{!}";
    }
    markup += line.text.substr(done, span.start - done);
    static const char* kinds[] = {"n", "k", "r", "s", "l", "e", "t"};
    markup += std::string("{") + kinds[int(span.kind)];
    if (span.kind == SpanKind::TeletextColour) {
      markup += std::to_string(int(span.colour)) + (span.graphics ? "g" : "");
    }
    markup += "|" + line.text.substr(span.start, span.length) + "}";
    done = span.start + span.length;
  }
  return QString::fromStdString(markup + line.text.substr(done));
}

}  // namespace

class TestBasicListing : public QObject {
  Q_OBJECT

 private slots:
  void listing_data();
  void listing();
  void everyToken_data();
  void everyToken();
  void spans_data();
  void spans();
  void lineOffsetsAreThoseOfTheirCarriageReturns();
  void cutProgramsListTheirWholeLines();
  void randomBytesGiveWellFormedLines();
  void plainTextOfSomeLines_data();
  void plainTextOfSomeLines();
  void samplePrograms_data();
  void samplePrograms();
  void textView_data();
  void textView();
};

namespace {

void AddListingRow(const char* name, const Program& program, const char* listing,
                   ListingReportKind kind = ListingReportKind::None, const char* report = "") {
  // clang-format off
  QTest::newRow(name) << ToByteArray(program.Bytes()) << QString(listing) << kind << QString(report);
  // clang-format on
}

}  // namespace

void TestBasicListing::listing_data() {
  QTest::addColumn<QByteArray>("program");
  QTest::addColumn<QString>("listing");
  QTest::addColumn<ListingReportKind>("kind");
  QTest::addColumn<QString>("report");
  using K = ListingReportKind;

  // Layout: the number in 5 characters, the text exactly as stored.
  AddListingRow("no lines", Program().End(), "");
  AddListingRow("keyword and string", Program().Line(10, "\xF1\"HELLO\"").End(),
                "   10PRINT\"HELLO\"");
  AddListingRow("numbers right-aligned",
                Program().Line(0, "A").Line(7, "B").Line(123, "C").Line(32767, "D").End(),
                "    0A\n    7B\n  123C\n32767D");
  AddListingRow("empty line", Program().Line(10, "").End(), "   10");
  AddListingRow("spaces kept as stored", Program().Line(20, "  \xF1  X ;").End(),
                "   20  PRINT  X ;");
  AddListingRow("tokens run together", Program().Line(10, "\xE7X\x8C\xF1\x8B\xF1").End(),
                "   10IFXTHENPRINTELSEPRINT");
  AddListingRow("pseudo-variables read and assigned",
                Program().Line(10, "\xCF#C=\x8F#C:\xD0=\x90:\xD1=\x91:\xD2=\x92:\xD3=\x93").End(),
                "   10PTR#C=PTR#C:PAGE=PAGE:TIME=TIME:LOMEM=LOMEM:HIMEM=HIMEM");
  AddListingRow("multiplication is code", Program().Line(10, "A=B*\x99(1)").End(),
                "   10A=B*ATN(1)");

  // Line-number tokens.
  AddListingRow("GOTO 10 as BASIC stores it", Program().Line(20, "\xE5\x8D\x54\x4A\x40").End(),
                "   20GOTO10");
  AddListingRow("after GOSUB, RESTORE, THEN and ELSE",
                Program()
                    .Line(10, "\xE4" + T(1000) + ":\xF7" + T(200) +
                                  ":\xE7"
                                  "A\x8C" +
                                  T(30) + "\x8B" + T(0))
                    .End(),
                "   10GOSUB1000:RESTORE200:IFATHEN30ELSE0");
  AddListingRow("every top bit of both bytes",
                Program()
                    .Line(10, "\xE5" + T(64) + ",\xE5" + T(128) + ",\xE5" + T(16384) + ",\xE5" +
                                  T(32767) + ",\xE5" + T(65535))
                    .End(),
                "   10GOTO64,GOTO128,GOTO16384,GOTO32767,GOTO65535");
  AddListingRow("line-number token cut short", Program().Line(10, "\xE5\x8D\x54").End(),
                "   10GOTO\\x8DT");

  // Literal text.
  AddListingRow("string not detokenised", Program().Line(10, "\xF1\"\xF1 \x8D\"").End(),
                "   10PRINT\"\\xF1 \\x8D\"");
  AddListingRow("doubled quotes", Program().Line(10, "\xF1\"A\"\"B\"\xF1").End(),
                "   10PRINT\"A\"\"B\"PRINT");
  AddListingRow("unclosed string ends with its line",
                Program().Line(10, "\xF1\"A\xF1").Line(20, "\xF1").End(),
                "   10PRINT\"A\\xF1\n   20PRINT");
  AddListingRow("REM text", Program().Line(10, "\xF4 \xF1 \"\x0D?").Line(20, "\xE0").End(),
                "   10REM \\xF1 \"\\x0D?\n   20END");
  AddListingRow("DATA text", Program().Line(10, "\xDC 1,\xF1,\"X\":\xF1").End(),
                "   10DATA 1,\\xF1,\"X\":\\xF1");
  AddListingRow("anti-listing star command",
                Program().Line(10, " *|\x15\x80\x0D\xF1").Line(20, "\xF1").End(),
                "   10 *|\\x15\\x80\\x0D\\xF1\n   20PRINT");

  // Escapes.
  AddListingRow("control codes in code", Program().Line(10, std::string("A\x07\x7F\0", 4)).End(),
                "   10A\\x07\\x7F\\x00");
  AddListingRow("teletext codes in a string", Program().Line(10, "\xF1\"\x81R\x9D\xFF\"").End(),
                "   10PRINT\"\\x81R\\x9D\\xFF\"");

  // After the end marker.
  AddListingRow("machine code after the program",
                Program().Line(10, "\xE0").End().Raw(std::string("\xA9\0\x60", 3)), "   10END",
                K::DataAfterProgram,
                "This file holds machine code or data after the program, from offset &0007.");

  // Not BASIC at all.
  AddListingRow("empty file", Program(), "", K::NotBasic,
                "This file is not a BASIC program: it is empty.");
  AddListingRow("text", Program().Raw("ABC"), "", K::NotBasic,
                "This file is not a BASIC program: byte 0 is &41, a program starts with &0D.");
  AddListingRow("lone carriage return", Program().Raw("\x0D"), "", K::NotBasic,
                "This file is not a BASIC program: the file ends at byte 1 without the end "
                "marker &0D &FF.");
  AddListingRow("high byte of the first line", Program().Raw("\x0D\x80\x0A\x05X"), "", K::NotBasic,
                "This file is not a BASIC program: byte 1 is &80, a line number's high byte is "
                "&00 to &7F.");
  AddListingRow("first header cut short", Program().Raw(std::string("\x0D\0\x0A", 3)), "",
                K::NotBasic,
                "This file is not a BASIC program: the file ends at byte 3 inside the header of "
                "the line at byte 0.");
  AddListingRow("first length below 4", Program().Raw(std::string("\x0D\0\x0A\x03", 4)), "",
                K::NotBasic,
                "This file is not a BASIC program: byte 3 is &03, a line's length is at least 4.");
  AddListingRow("first line past the end", Program().Raw(std::string("\x0D\0\x0A\x09X", 5)), "",
                K::NotBasic,
                "This file is not a BASIC program: the line at byte 0 is 9 bytes long, past the "
                "end of the file at byte 5.");

  // Structures that break after good lines.
  AddListingRow("no end marker", Program().Line(10, "\xF1").Line(20, "\xE0"),
                "   10PRINT\n   20END", K::BrokenStructure,
                "The program's structure breaks at offset &000A: the file ends at &000A without "
                "the end marker &0D &FF.");
  AddListingRow("end marker cut to its CR", Program().Line(10, "\xF1").Raw("\x0D"), "   10PRINT",
                K::BrokenStructure,
                "The program's structure breaks at offset &0005: the file ends at &0006 without "
                "the end marker &0D &FF.");
  AddListingRow("no CR where a line starts", Program().Line(10, "\xF1").Raw("XYZ"), "   10PRINT",
                K::BrokenStructure,
                "The program's structure breaks at offset &0005: byte &0005 is &58, a line "
                "starts with &0D.");
  AddListingRow("high byte out of range", Program().Line(10, "\xF1").Raw("\x0D\x90\x01\x05X"),
                "   10PRINT", K::BrokenStructure,
                "The program's structure breaks at offset &0005: byte &0006 is &90, a line "
                "number's high byte is &00 to &7F.");
  AddListingRow("header cut short", Program().Line(10, "\xF1").Raw(std::string("\x0D\0", 2)),
                "   10PRINT", K::BrokenStructure,
                "The program's structure breaks at offset &0005: the file ends at &0007 inside "
                "the header of the line at &0005.");
  AddListingRow("length below 4", Program().Line(10, "\xF1").Raw(std::string("\x0D\0\x14\x02", 4)),
                "   10PRINT", K::BrokenStructure,
                "The program's structure breaks at offset &0005: byte &0008 is &02, a line's "
                "length is at least 4.");
  AddListingRow("line past the end",
                Program().Line(10, "\xF1").Raw(std::string("\x0D\0\x14 AB", 6)), "   10PRINT",
                K::BrokenStructure,
                "The program's structure breaks at offset &0005: the line at &0005 is 32 bytes "
                "long, past the end of the file at &000B.");
}

void TestBasicListing::listing() {
  QFETCH(QByteArray, program);
  BasicListing listing = ListBasicProgram(AsBytes(program));
  QTEST(QString::fromStdString(PlainText(listing.lines)), "listing");
  QTEST(listing.report.kind, "kind");
  QTEST(QString::fromStdString(listing.report.message), "report");
  QCOMPARE(IsBasicProgram(AsBytes(program)), !listing.report.IsError());
}

void TestBasicListing::everyToken_data() {
  QTest::addColumn<int>("first");  // tokens first to first + 15, one space between
  QTest::addColumn<QString>("words");
  // 0x8D, the line-number token, has rows of its own above.
  QTest::newRow("0x80") << 0x80
                        << "AND DIV EOR MOD OR ERROR LINE OFF STEP SPC TAB( ELSE THEN  OPENIN PTR";
  QTest::newRow("0x90") << 0x90
                        << "PAGE TIME LOMEM HIMEM ABS ACS ADVAL ASC ASN ATN BGET COS COUNT DEG "
                           "ERL ERR";
  QTest::newRow("0xA0") << 0xA0
                        << "EVAL EXP EXT FALSE FN GET INKEY INSTR( INT LEN LN LOG NOT OPENUP "
                           "OPENOUT PI";
  QTest::newRow("0xB0") << 0xB0
                        << "POINT( POS RAD RND SGN SIN SQR TAN TO TRUE USR VAL VPOS CHR$ GET$ "
                           "INKEY$";
  QTest::newRow("0xC0") << 0xC0
                        << "LEFT$( MID$( RIGHT$( STR$ STRING$( EOF AUTO DELETE LOAD LIST NEW OLD "
                           "RENUMBER SAVE EDIT PTR";
  QTest::newRow("0xD0") << 0xD0
                        << "PAGE TIME LOMEM HIMEM SOUND BPUT CALL CHAIN CLEAR CLOSE CLG CLS DATA";
  QTest::newRow("0xDD") << 0xDD
                        << "DEF DIM DRAW END ENDPROC ENVELOPE FOR GOSUB GOTO GCOL IF "
                           "INPUT LET LOCAL MODE MOVE";
  QTest::newRow("0xED") << 0xED << "NEXT ON VDU PLOT PRINT PROC READ REM";
  QTest::newRow("0xF5") << 0xF5
                        << "REPEAT REPORT RESTORE RETURN RUN STOP COLOUR TRACE UNTIL WIDTH OSCLI";
}

void TestBasicListing::everyToken() {
  QFETCH(int, first);
  QFETCH(QString, words);
  // Each row stops at DATA or REM, whose text runs to the end of the line.
  std::string body;
  int count = int(words.split(' ').size());
  for (int token = first; token < first + count && token <= 0xFF; ++token) {
    if (token != first) {
      body += ' ';
    }
    if (token != 0x8D) {
      body += char(token);
    }
  }
  Program program;
  program.Line(10, body).End();
  BasicListing listing = ListBasicProgram(program.Bytes());
  QCOMPARE(listing.report.kind, ListingReportKind::None);
  QCOMPARE(listing.lines.size(), size_t{1});
  QCOMPARE(QString::fromStdString(listing.lines[0].text), "   10" + words);
}

void TestBasicListing::spans_data() {
  QTest::addColumn<QByteArray>("program");
  QTest::addColumn<QString>("markup");
  auto row = [](const char* name, const std::string& body, const char* markup) {
    QTest::newRow(name) << ToByteArray(Program().Line(10, body).End().Bytes()) << QString(markup);
  };
  row("keyword, name, operator", "\xF1X%+1", "   {n|10}{k|PRINT}X%+1");
  row("line reference", "\xE5" + T(100) + ":X=1", "   {n|10}{k|GOTO}{r|100}:X=1");
  row("string with teletext colours", "\xF1\"A\x81\x07\x97\"",
      "   {n|10}{k|PRINT}{s|\"A}{t1|\\x81}{e|\\x07}{t7g|\\x97}{s|\"}");
  row("only colour codes are teletext", "\xF1\"\x80\x87\x88\x90\x91\"",
      "   {n|10}{k|PRINT}{s|\"}{e|\\x80}{t7|\\x87}{e|\\x88}{e|\\x90}{t1g|\\x91}{s|\"}");
  row("two strings", "\xF1\"A\";\"B\"", "   {n|10}{k|PRINT}{s|\"A\"};{s|\"B\"}");
  row("REM text", "\xF4 HI\x81", "   {n|10}{k|REM}{l| HI}{e|\\x81}");
  row("DATA text",
      "\xDC"
      "1,\"2\"",
      "   {n|10}{k|DATA}{l|1,\"2\"}");
  row("star command", std::string("*FX\0", 4), "   {n|10}{l|*FX}{e|\\x00}");
  row("escape in code", "A\x01", "   {n|10}A{e|\\x01}");
}

void TestBasicListing::spans() {
  QFETCH(QByteArray, program);
  BasicListing listing = ListBasicProgram(AsBytes(program));
  QCOMPARE(listing.lines.size(), size_t{1});
  QTEST(Markup(listing.lines[0]), "markup");
}

void TestBasicListing::lineOffsetsAreThoseOfTheirCarriageReturns() {
  Program program;
  std::vector<int64_t> offsets;
  for (const char* body : {"\xF1\"ONE\"", "", "\xF4 a longer line of text"}) {
    offsets.push_back(int64_t(program.Size()));
    program.Line(int(offsets.size()) * 10, body);
  }
  program.End();
  BasicListing listing = ListBasicProgram(program.Bytes());
  QCOMPARE(listing.lines.size(), offsets.size());
  for (size_t index = 0; index < offsets.size(); ++index) {
    QCOMPARE(listing.lines[index].offset, offsets[index]);
  }
}

void TestBasicListing::cutProgramsListTheirWholeLines() {
  Program program;
  std::vector<size_t> lineEnds;
  for (int number = 10; number <= 50; number += 10) {
    program.Line(number, "\xF1\"LINE\";" + std::to_string(number) + ":\xE5" + T(number));
    lineEnds.push_back(program.Size());
  }
  program.End();
  const std::vector<uint8_t>& whole = program.Bytes();
  BasicListing full = ListBasicProgram(whole);
  QCOMPARE(full.lines.size(), lineEnds.size());
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    std::span<const uint8_t> start(whole.data(), cut);
    BasicListing listing = ListBasicProgram(start);
    size_t wholeLines = size_t(
        std::count_if(lineEnds.begin(), lineEnds.end(), [&](size_t end) { return end <= cut; }));
    QVERIFY2(listing.report.IsError(), qPrintable(QString("cut at %1").arg(cut)));
    QCOMPARE(listing.report.kind,
             wholeLines == 0 ? ListingReportKind::NotBasic : ListingReportKind::BrokenStructure);
    QCOMPARE(listing.lines.size(), wholeLines);
    for (size_t index = 0; index < wholeLines; ++index) {
      QCOMPARE(listing.lines[index].text, full.lines[index].text);
    }
  }
}

void TestBasicListing::randomBytesGiveWellFormedLines() {
  // Whatever the bytes, every line is printable text with spans inside it, the lines
  // lie in order inside the file, and an error report comes with a message.
  std::mt19937 random(17);
  for (int round = 0; round < 1000; ++round) {
    std::vector<uint8_t> bytes(random() % 600);
    for (uint8_t& byte : bytes) {
      byte = uint8_t(random());
    }
    // Mostly plausible lines, so the walk gets past the first header.
    for (size_t at = 0; at + 4 <= bytes.size() && round % 2 == 0;) {
      bytes[at] = 0x0D;
      bytes[at + 1] &= 0x7F;
      bytes[at + 3] = uint8_t(4 + random() % 40);
      at += bytes[at + 3];
    }
    BasicListing listing = ListBasicProgram(bytes);
    QCOMPARE(listing.report.message.empty(), listing.report.kind == ListingReportKind::None);
    std::vector<ListingLine> view = TextViewLines(bytes);
    for (const std::vector<ListingLine>* lines : {&listing.lines, &view}) {
      int64_t previous = -1;
      for (const ListingLine& line : *lines) {
        QVERIFY(line.offset > previous && line.offset < int64_t(bytes.size()));
        previous = line.offset;
        QVERIFY(std::all_of(line.text.begin(), line.text.end(),
                            [](char c) { return IsPrintable(uint8_t(c)); }));
        QVERIFY(Markup(line) != "{!}");
      }
    }
  }
}

void TestBasicListing::plainTextOfSomeLines_data() {
  QTest::addColumn<int>("first");
  QTest::addColumn<int>("count");
  QTest::addColumn<QString>("text");
  QTest::newRow("all") << 0 << 3 << "   10A\n   20B\n   30C";
  QTest::newRow("middle") << 1 << 1 << "   20B";
  QTest::newRow("clipped at the end") << 1 << 9 << "   20B\n   30C";
  QTest::newRow("past the end") << 3 << 1 << "";
  QTest::newRow("none") << 0 << 0 << "";
}

void TestBasicListing::plainTextOfSomeLines() {
  QFETCH(int, first);
  QFETCH(int, count);
  BasicListing listing =
      ListBasicProgram(Program().Line(10, "A").Line(20, "B").Line(30, "C").End().Bytes());
  QTEST(QString::fromStdString(PlainText(listing.lines, size_t(first), size_t(count))), "text");
}

void TestBasicListing::samplePrograms_data() {
  QTest::addColumn<QByteArray>("program");
  if (!std::filesystem::is_directory(KESTROW_SAMPLES_DIR)) {
    QFAIL("the sample folder " KESTROW_SAMPLES_DIR " is missing");
  }
  QTemporaryDir dir;
  int programs = 0;
  std::vector<std::string> samples = SampleNames(".ssd");
  for (const std::string& sample : SampleNames(".dsd")) {
    samples.push_back(sample);
  }
  for (const std::string& sample : samples) {
    ImageSides sides = OpenDiskImage(CopySample(dir, sample));
    for (size_t side = 0; side < sides.size(); ++side) {
      DFSFileList files;
      sides[side]->ReadCatalogue(files);
      for (const DFSFileClass& file : files) {
        int exec = file.ExecAddress & 0xFFFF;
        if (exec != 0x8023 && exec != 0x801F) {
          continue;
        }
        std::string row =
            sample + ":" + std::to_string(side * 2) + " " + file.Directory + "." + file.Name;
        QTest::newRow(row.c_str()) << ToByteArray(sides[side]->ReadFileData(file));
        ++programs;
      }
    }
  }
  QVERIFY2(programs > 0, "no BASIC programs in the sample images");
}

void TestBasicListing::samplePrograms() {
  QFETCH(QByteArray, program);
  BasicListing listing = ListBasicProgram(AsBytes(program));
  QVERIFY2(!listing.report.IsError(), listing.report.message.c_str());
  QVERIFY(!listing.lines.empty());
}

void TestBasicListing::textView_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QStringList>("lines");
  QTest::addColumn<QList<qint64>>("offsets");
  using Offsets = QList<qint64>;
  QTest::newRow("empty") << QByteArray() << QStringList() << Offsets();
  QTest::newRow("no line ending") << QByteArray("AB") << QStringList{"AB"} << Offsets{0};
  QTest::newRow("CR") << QByteArray("A\rB\r") << QStringList{"A", "B"} << Offsets{0, 2};
  QTest::newRow("LF") << QByteArray("A\nB") << QStringList{"A", "B"} << Offsets{0, 2};
  QTest::newRow("CR LF") << QByteArray("A\r\nB\r\n") << QStringList{"A", "B"} << Offsets{0, 3};
  QTest::newRow("LF CR") << QByteArray("A\n\rB") << QStringList{"A", "B"} << Offsets{0, 3};
  QTest::newRow("CR CR") << QByteArray("A\r\rB") << QStringList{"A", "", "B"} << Offsets{0, 2, 3};
  QTest::newRow("LF LF") << QByteArray("A\n\nB") << QStringList{"A", "", "B"} << Offsets{0, 2, 3};
  QTest::newRow("CR LF CR") << QByteArray("A\r\n\rB") << QStringList{"A", "", "B"}
                            << Offsets{0, 3, 4};
  QTest::newRow("only an ending") << QByteArray("\r") << QStringList{""} << Offsets{0};
  QTest::newRow("escapes") << QByteArray("\x1B[\x7F\x80\xFF\t", 6)
                           << QStringList{"\\x1B[\\x7F\\x80\\xFF\\x09"} << Offsets{0};
  QTest::newRow("zero byte") << QByteArray("\0~ ", 3) << QStringList{"\\x00~ "} << Offsets{0};
}

void TestBasicListing::textView() {
  QFETCH(QByteArray, bytes);
  QFETCH(QStringList, lines);
  QFETCH(QList<qint64>, offsets);
  std::vector<ListingLine> view = TextViewLines(AsBytes(bytes));
  QStringList texts;
  QList<qint64> starts;
  for (const ListingLine& line : view) {
    texts << QString::fromStdString(line.text);
    starts << line.offset;
    // Every escape is an Escape span of its own, and nothing else is coloured.
    QCOMPARE(qsizetype(line.spans.size()), texts.last().count("\\x"));
    for (const ListingSpan& span : line.spans) {
      QCOMPARE(span.kind, SpanKind::Escape);
      QCOMPARE(line.text.substr(span.start, 2), std::string("\\x"));
      QCOMPARE(span.length, 4u);
    }
  }
  QCOMPARE(texts, lines);
  QCOMPARE(starts, offsets);
}

QTEST_APPLESS_MAIN(TestBasicListing)
#include "test_basic_listing.moc"
