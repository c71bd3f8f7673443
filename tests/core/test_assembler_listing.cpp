// SPDX-License-Identifier: GPL-3.0-or-later
// A disassembly as the Assembler tab and kestrow-dfs disasm list it: the same text as the
// disassembler's, each span's part of the line kept, every label operand linked to the
// line of its label, and the sentence about entry points that lie outside the file.
#include <QtTest>

#include "decode/AssemblerListing.h"

namespace {

// At &1900: JSR &1908, JSR OSWRCH, BNE &1900, EQUS "DATA", at &1908 RTS.
const std::vector<uint8_t> kCalls = {0x20, 0x08, 0x19, 0x20, 0xEE, 0xFF, 0xD0,
                                     0xF8, 'D',  'A',  'T',  'A',  0x60};

std::vector<uint8_t> RandomBytes(size_t count, uint32_t seed) {
  std::vector<uint8_t> bytes(count);
  for (uint8_t& byte : bytes) {
    seed = seed * 1103515245u + 12345u;
    byte = uint8_t(seed >> 16);
  }
  return bytes;
}

SpanKind Expected(DisassemblySpanKind kind) {
  switch (kind) {
    case DisassemblySpanKind::Address:
      return SpanKind::Address;
    case DisassemblySpanKind::Bytes:
      return SpanKind::Bytes;
    case DisassemblySpanKind::Mnemonic:
      return SpanKind::Mnemonic;
    case DisassemblySpanKind::Operand:
      return SpanKind::Operand;
    case DisassemblySpanKind::Label:
      return SpanKind::Label;
    case DisassemblySpanKind::Comment:
      return SpanKind::Comment;
  }
  return SpanKind::Escape;
}

}  // namespace

class TestAssemblerListing : public QObject {
  Q_OBJECT

 private slots:
  void linesAndLinks_data();
  void linesAndLinks();
  void entryPointsOutside_data();
  void entryPointsOutside();
};

void TestAssemblerListing::linesAndLinks_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<int>("links");  // label operands that name a line of the file
  QTest::newRow("calls, a MOS name and a branch back")
      << QByteArray(reinterpret_cast<const char*>(kCalls.data()), qsizetype(kCalls.size())) << 2;
  QTest::newRow("one byte") << QByteArray("\x60", 1) << 0;
  QTest::newRow("empty") << QByteArray() << 0;
  // Random bytes traced from the start: whatever labels there are, each link finds one.
  const std::vector<uint8_t> random = RandomBytes(4096, 18);
  QTest::newRow("random bytes") << QByteArray(reinterpret_cast<const char*>(random.data()),
                                              qsizetype(random.size()))
                                << -1;
}

void TestAssemblerListing::linesAndLinks() {
  QFETCH(QByteArray, bytes);
  QFETCH(int, links);
  const std::vector<uint8_t> data(bytes.begin(), bytes.end());
  const DisassemblyInput input = DisassemblyInputForFile(data, 0x1900, 0x1900, Cpu6502::Nmos6502);
  const Disassembly disassembly = Disassemble(input);
  const FileListing listing = ListMachineCode(input);
  QCOMPARE(PrintedListing(listing), disassembly.Text());
  QCOMPARE(listing.note, std::string());
  QVERIFY(!listing.failed);
  QCOMPARE(listing.lines.size(), disassembly.lines.size());
  int linked = 0;
  for (size_t index = 0; index < listing.lines.size(); ++index) {
    const ListingLine& line = listing.lines[index];
    const DisassemblyLine& source = disassembly.lines[index];
    QCOMPARE(line.offset, int64_t(source.offset));
    QCOMPARE(line.spans.size(), size_t(source.spanCount));
    for (size_t part = 0; part < line.spans.size(); ++part) {
      const ListingSpan& span = line.spans[part];
      QCOMPARE(span.start, uint32_t(source.Spans()[part].start));
      QCOMPARE(span.length, uint32_t(source.Spans()[part].length));
      QCOMPARE(span.kind, Expected(source.Spans()[part].kind));
      QCOMPARE(span.targetLine >= 0, source.Spans()[part].hasTarget);
      if (span.targetLine >= 0) {
        // The link leads to the label line of the name the operand shows.
        const std::string name = line.text.substr(span.start, span.length);
        QCOMPARE(listing.lines.at(size_t(span.targetLine)).text, "." + name);
        ++linked;
      }
    }
  }
  if (links >= 0) {
    QCOMPARE(linked, links);
  }
}

void TestAssemblerListing::entryPointsOutside_data() {
  QTest::addColumn<int>("size");
  QTest::addColumn<QList<uint32_t>>("addresses");
  QTest::addColumn<QList<qulonglong>>("offsets");
  QTest::addColumn<QString>("note");
  QTest::newRow("all inside") << 13 << QList<uint32_t>{0x1908} << QList<qulonglong>{4} << "";
  QTest::newRow("an address past the end")
      << 13 << QList<uint32_t>{0x190D} << QList<qulonglong>{}
      << "The entry point &190D lies outside the file and was not traced: the file runs from "
         "&1900 to &190C.";
  QTest::newRow("an I/O processor address, by its low 16 bits")
      << 13 << QList<uint32_t>{0xFF2000} << QList<qulonglong>{}
      << "The entry point &2000 lies outside the file and was not traced: the file runs from "
         "&1900 to &190C.";
  QTest::newRow("an offset and an address")
      << 13 << QList<uint32_t>{0x18FF, 0x1901} << QList<qulonglong>{0x12345}
      << "The entry points offset &12345, &18FF lie outside the file and were not traced: the "
         "file runs from &1900 to &190C.";
  QTest::newRow("an empty file") << 0 << QList<uint32_t>{0x1900} << QList<qulonglong>{}
                                 << "The entry point &1900 lies outside the file and was not "
                                    "traced: the file is empty.";
}

// The lines are complete all the same; the sentence says which entry points were left.
void TestAssemblerListing::entryPointsOutside() {
  QFETCH(int, size);
  QFETCH(QList<uint32_t>, addresses);
  QFETCH(QList<qulonglong>, offsets);
  QFETCH(QString, note);
  const std::vector<uint8_t> data(kCalls.begin(), kCalls.begin() + size);
  DisassemblyInput input = DisassemblyInputForFile(data, 0x1900, 0x1900, Cpu6502::Nmos6502);
  input.entryAddresses.assign(addresses.begin(), addresses.end());
  input.entryOffsets.assign(offsets.begin(), offsets.end());
  const FileListing listing = ListMachineCode(input);
  QCOMPARE(QString::fromStdString(listing.note), note);
  QCOMPARE(listing.failed, !note.isEmpty());
  QCOMPARE(PrintedListing(listing), Disassemble(input).Text());
}

QTEST_APPLESS_MAIN(TestAssemblerListing)
#include "test_assembler_listing.moc"
