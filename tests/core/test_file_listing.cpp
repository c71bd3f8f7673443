// SPDX-License-Identifier: GPL-3.0-or-later
// What a listing tab shows for a file (lines, sentence, failure) and Find / Find Again
// in a listing's text, stepped through a table of searches.
#include <QtTest>

#include "decode/FileListing.h"
#include "decode/ListingSearch.h"
#include "support/BasicProgramBuilder.h"

Q_DECLARE_METATYPE(ListingKind)

namespace {

std::vector<uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

std::vector<ListingLine> Lines(const QStringList& texts) {
  std::vector<ListingLine> lines;
  for (const QString& text : texts) {
    lines.push_back({0, text.toStdString(), {}});
  }
  return lines;
}

}  // namespace

class TestFileListing : public QObject {
  Q_OBJECT

 private slots:
  void listings_data();
  void listings();
  void searches_data();
  void searches();
};

void TestFileListing::listings_data() {
  QTest::addColumn<ListingKind>("kind");
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QString>("printed");
  QTest::addColumn<QString>("note");
  QTest::addColumn<bool>("failed");
  const std::vector<uint8_t> program = BasicProgramBuilder().Line(10, "\xE0").End().Bytes();
  const QByteArray programBytes(reinterpret_cast<const char*>(program.data()),
                                qsizetype(program.size()));
  auto row = [](const char* name, ListingKind kind, const QByteArray& bytes, const char* printed,
                const char* note,
                bool failed) { QTest::newRow(name) << kind << bytes << printed << note << failed; };
  row("program", ListingKind::Basic, programBytes, "   10END\n", "", false);
  row("program and code", ListingKind::Basic, programBytes + "\x60", "   10END\n",
      "This file holds machine code or data after the program, from offset &0007.", false);
  row("not a program", ListingKind::Basic, "\x60", "",
      "This file is not a BASIC program: byte 0 is &60, a program starts with &0D.", true);
  row("broken program", ListingKind::Basic, programBytes.left(6), "   10END\n",
      "The program's structure breaks at offset &0005: the file ends at &0006 without the end "
      "marker &0D &FF.",
      true);
  row("text", ListingKind::Text, "A\rB", "A\nB\n", "", false);
  row("empty text", ListingKind::Text, "", "", "This file is empty.", false);
}

void TestFileListing::listings() {
  QFETCH(ListingKind, kind);
  QFETCH(QByteArray, bytes);
  const FileListing listing = ListFile(kind, Bytes(bytes.toStdString()));
  QTEST(QString::fromStdString(PrintedListing(listing)), "printed");
  QTEST(QString::fromStdString(listing.note), "note");
  QTEST(listing.failed, "failed");
}

void TestFileListing::searches_data() {
  QTest::addColumn<QStringList>("lines");
  QTest::addColumn<QString>("pattern");
  QTest::addColumn<bool>("ignoreCase");
  QTest::addColumn<int>("steps");  // the first a Find, the rest Find Again
  // One entry per step: "line:column", "wrapped", "none" or "no pattern".
  QTest::addColumn<QStringList>("outcomes");
  const QStringList lines = {"   10PRINT\"AAA\"", "   20GOTO10", "   30PRINT AA"};
  QTest::newRow("overlapping matches, then round")
      << lines << "AA" << false << 6
      << QStringList{"0:11", "0:12", "2:11", "wrapped", "0:11", "0:12"};
  QTest::newRow("one per line") << lines << "PRINT" << false << 3
                                << QStringList{"0:5", "2:5", "wrapped"};
  QTest::newRow("case counts") << lines << "print" << false << 2 << QStringList{"none", "none"};
  QTest::newRow("case ignored") << lines << "goto" << true << 2 << QStringList{"1:5", "wrapped"};
  QTest::newRow("ignoring case folds letters only")
      << QStringList{"A[", "a{"} << "A{" << true << 1 << QStringList{"1:0"};
  QTest::newRow("at the very end of a line")
      << lines << "10" << false << 2 << QStringList{"0:3", "1:9"};
  QTest::newRow("not across lines") << lines << "10   20" << false << 1 << QStringList{"none"};
  QTest::newRow("no lines") << QStringList{} << "A" << false << 1 << QStringList{"none"};
  QTest::newRow("no pattern") << lines << "" << false << 1 << QStringList{"no pattern"};
}

void TestFileListing::searches() {
  QFETCH(QStringList, lines);
  QFETCH(QString, pattern);
  QFETCH(bool, ignoreCase);
  QFETCH(int, steps);
  const std::vector<ListingLine> listing = Lines(lines);
  ListingSearch search;
  QStringList outcomes;
  for (int step = 0; step < steps; ++step) {
    if (step == 0) {
      search.Restart();
    }
    switch (search.FindNext(listing, pattern.toStdString(), ignoreCase)) {
      case ListingFindOutcome::Found:
        QCOMPARE(search.Match()->length, size_t(pattern.size()));
        outcomes << QString("%1:%2").arg(search.Match()->line).arg(search.Match()->column);
        break;
      case ListingFindOutcome::Wrapped:
        outcomes << "wrapped";
        break;
      case ListingFindOutcome::NoneAtAll:
        outcomes << "none";
        break;
      case ListingFindOutcome::NoPattern:
        outcomes << "no pattern";
        break;
    }
  }
  QTEST(outcomes, "outcomes");
}

QTEST_APPLESS_MAIN(TestFileListing)
#include "test_file_listing.moc"
