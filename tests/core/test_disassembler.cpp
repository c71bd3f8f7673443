// SPDX-License-Identifier: GPL-3.0-or-later
// The 6502 disassembler: the exact lines each instruction and data run gives, tracing
// from the entry points, labels, MOS names and call comments, and a randomised check
// that every byte is shown once and every instruction re-assembles to its bytes.
#include <QtTest>
#include <algorithm>
#include <filesystem>
#include <random>

#include "decode/Disassembler6502.h"
#include "support/ImageBuilder.h"
#include "support/ListingChecks.h"
#include "support/RawDisk.h"

Q_DECLARE_METATYPE(Cpu6502)

namespace {

QByteArray Hex(const char* text) {
  return QByteArray::fromHex(text);
}

std::vector<uint8_t> ToBytes(const QByteArray& bytes) {
  return {bytes.begin(), bytes.end()};
}

// The listing's lines, each ended by a newline.
QByteArray Lines(std::initializer_list<const char*> lines) {
  QByteArray text;
  for (const char* line : lines) {
    text += line;
    text += '\n';
  }
  return text;
}

Disassembly Run(const std::vector<uint8_t>& bytes, uint32_t load, uint32_t exec,
                Cpu6502 cpu = Cpu6502::Nmos6502) {
  DisassemblyInput input;
  input.bytes = bytes;
  input.loadAddress = load;
  input.execAddress = exec;
  input.cpu = cpu;
  return Disassemble(input);
}

QByteArray ListingOf(const QByteArray& bytes, uint32_t load, uint32_t exec,
                     Cpu6502 cpu = Cpu6502::Nmos6502) {
  return QByteArray::fromStdString(Run(ToBytes(bytes), load, exec, cpu).Text());
}

// A listing compared line by line, so a failure names the first line that differs.
#define COMPARE_LISTING(actual, expected)                                                \
  do {                                                                                   \
    QList<QByteArray> actualLines = (actual).split('\n');                                \
    QList<QByteArray> expectedLines = (expected).split('\n');                            \
    for (qsizetype i = 0; i < std::min(actualLines.size(), expectedLines.size()); ++i) { \
      QCOMPARE(actualLines[i], expectedLines[i]);                                        \
    }                                                                                    \
    QCOMPARE(actualLines.size(), expectedLines.size());                                  \
  } while (false)

}  // namespace

class TestDisassembler : public QObject {
  Q_OBJECT

 private slots:
  void everyOpcode_data();
  void everyOpcode();
  void onlyDocumentedOpcodesDecode_data();
  void onlyDocumentedOpcodesDecode();
  void listings_data();
  void listings();
  void callComments_data();
  void callComments();
  void entryPointsAddedByHand_data();
  void entryPointsAddedByHand();
  void entryPointsOutsideTheFileAreReported();
  void machineCodeAfterBasic_data();
  void machineCodeAfterBasic();
  void basicProgramWithMachineCode();
  void spans_data();
  void spans();
  void lineLookUp();
  void randomBytes();
  void fileLongerThanTheAddressSpace();
  void sampleFiles();
};

namespace {
constexpr Cpu6502 kNmos = Cpu6502::Nmos6502;
constexpr Cpu6502 kCmos = Cpu6502::Cmos65C02;
}  // namespace

// Each instruction alone in a file at &1900 that is executed there. Operands are &41
// (immediate), &70 (zero page) and &1234 (absolute); branches go out of the file.
void TestDisassembler::everyOpcode_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<Cpu6502>("cpu");
  QTest::addColumn<QByteArray>("line");
  // clang-format off
  QTest::newRow("ADC #&41") << Hex("69 41") << Cpu6502::Nmos6502 << QByteArray("1900  69 41     ADC #&41");
  QTest::newRow("ADC &70") << Hex("65 70") << Cpu6502::Nmos6502 << QByteArray("1900  65 70     ADC &70");
  QTest::newRow("ADC &70,X") << Hex("75 70") << Cpu6502::Nmos6502 << QByteArray("1900  75 70     ADC &70,X");
  QTest::newRow("ADC &1234") << Hex("6D 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  6D 34 12  ADC &1234");
  QTest::newRow("ADC &1234,X") << Hex("7D 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  7D 34 12  ADC &1234,X");
  QTest::newRow("ADC &1234,Y") << Hex("79 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  79 34 12  ADC &1234,Y");
  QTest::newRow("ADC (&70,X)") << Hex("61 70") << Cpu6502::Nmos6502 << QByteArray("1900  61 70     ADC (&70,X)");
  QTest::newRow("ADC (&70),Y") << Hex("71 70") << Cpu6502::Nmos6502 << QByteArray("1900  71 70     ADC (&70),Y");
  QTest::newRow("AND #&41") << Hex("29 41") << Cpu6502::Nmos6502 << QByteArray("1900  29 41     AND #&41");
  QTest::newRow("AND &70") << Hex("25 70") << Cpu6502::Nmos6502 << QByteArray("1900  25 70     AND &70");
  QTest::newRow("AND &70,X") << Hex("35 70") << Cpu6502::Nmos6502 << QByteArray("1900  35 70     AND &70,X");
  QTest::newRow("AND &1234") << Hex("2D 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  2D 34 12  AND &1234");
  QTest::newRow("AND &1234,X") << Hex("3D 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  3D 34 12  AND &1234,X");
  QTest::newRow("AND &1234,Y") << Hex("39 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  39 34 12  AND &1234,Y");
  QTest::newRow("AND (&70,X)") << Hex("21 70") << Cpu6502::Nmos6502 << QByteArray("1900  21 70     AND (&70,X)");
  QTest::newRow("AND (&70),Y") << Hex("31 70") << Cpu6502::Nmos6502 << QByteArray("1900  31 70     AND (&70),Y");
  QTest::newRow("ASL A") << Hex("0A") << Cpu6502::Nmos6502 << QByteArray("1900  0A        ASL A");
  QTest::newRow("ASL &70") << Hex("06 70") << Cpu6502::Nmos6502 << QByteArray("1900  06 70     ASL &70");
  QTest::newRow("ASL &70,X") << Hex("16 70") << Cpu6502::Nmos6502 << QByteArray("1900  16 70     ASL &70,X");
  QTest::newRow("ASL &1234") << Hex("0E 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  0E 34 12  ASL &1234");
  QTest::newRow("ASL &1234,X") << Hex("1E 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  1E 34 12  ASL &1234,X");
  QTest::newRow("BCC &1912") << Hex("90 10") << Cpu6502::Nmos6502 << QByteArray("1900  90 10     BCC &1912");
  QTest::newRow("BCS &1912") << Hex("B0 10") << Cpu6502::Nmos6502 << QByteArray("1900  B0 10     BCS &1912");
  QTest::newRow("BEQ &1912") << Hex("F0 10") << Cpu6502::Nmos6502 << QByteArray("1900  F0 10     BEQ &1912");
  QTest::newRow("BMI &1912") << Hex("30 10") << Cpu6502::Nmos6502 << QByteArray("1900  30 10     BMI &1912");
  QTest::newRow("BNE &1912") << Hex("D0 10") << Cpu6502::Nmos6502 << QByteArray("1900  D0 10     BNE &1912");
  QTest::newRow("BPL &1912") << Hex("10 10") << Cpu6502::Nmos6502 << QByteArray("1900  10 10     BPL &1912");
  QTest::newRow("BVC &1912") << Hex("50 10") << Cpu6502::Nmos6502 << QByteArray("1900  50 10     BVC &1912");
  QTest::newRow("BVS &1912") << Hex("70 10") << Cpu6502::Nmos6502 << QByteArray("1900  70 10     BVS &1912");
  QTest::newRow("BIT &70") << Hex("24 70") << Cpu6502::Nmos6502 << QByteArray("1900  24 70     BIT &70");
  QTest::newRow("BIT &1234") << Hex("2C 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  2C 34 12  BIT &1234");
  QTest::newRow("BRK") << Hex("00") << Cpu6502::Nmos6502 << QByteArray("1900  00        BRK");
  QTest::newRow("CLC") << Hex("18") << Cpu6502::Nmos6502 << QByteArray("1900  18        CLC");
  QTest::newRow("CLD") << Hex("D8") << Cpu6502::Nmos6502 << QByteArray("1900  D8        CLD");
  QTest::newRow("CLI") << Hex("58") << Cpu6502::Nmos6502 << QByteArray("1900  58        CLI");
  QTest::newRow("CLV") << Hex("B8") << Cpu6502::Nmos6502 << QByteArray("1900  B8        CLV");
  QTest::newRow("CMP #&41") << Hex("C9 41") << Cpu6502::Nmos6502 << QByteArray("1900  C9 41     CMP #&41");
  QTest::newRow("CMP &70") << Hex("C5 70") << Cpu6502::Nmos6502 << QByteArray("1900  C5 70     CMP &70");
  QTest::newRow("CMP &70,X") << Hex("D5 70") << Cpu6502::Nmos6502 << QByteArray("1900  D5 70     CMP &70,X");
  QTest::newRow("CMP &1234") << Hex("CD 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  CD 34 12  CMP &1234");
  QTest::newRow("CMP &1234,X") << Hex("DD 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  DD 34 12  CMP &1234,X");
  QTest::newRow("CMP &1234,Y") << Hex("D9 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  D9 34 12  CMP &1234,Y");
  QTest::newRow("CMP (&70,X)") << Hex("C1 70") << Cpu6502::Nmos6502 << QByteArray("1900  C1 70     CMP (&70,X)");
  QTest::newRow("CMP (&70),Y") << Hex("D1 70") << Cpu6502::Nmos6502 << QByteArray("1900  D1 70     CMP (&70),Y");
  QTest::newRow("CPX #&41") << Hex("E0 41") << Cpu6502::Nmos6502 << QByteArray("1900  E0 41     CPX #&41");
  QTest::newRow("CPX &70") << Hex("E4 70") << Cpu6502::Nmos6502 << QByteArray("1900  E4 70     CPX &70");
  QTest::newRow("CPX &1234") << Hex("EC 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  EC 34 12  CPX &1234");
  QTest::newRow("CPY #&41") << Hex("C0 41") << Cpu6502::Nmos6502 << QByteArray("1900  C0 41     CPY #&41");
  QTest::newRow("CPY &70") << Hex("C4 70") << Cpu6502::Nmos6502 << QByteArray("1900  C4 70     CPY &70");
  QTest::newRow("CPY &1234") << Hex("CC 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  CC 34 12  CPY &1234");
  QTest::newRow("DEC &70") << Hex("C6 70") << Cpu6502::Nmos6502 << QByteArray("1900  C6 70     DEC &70");
  QTest::newRow("DEC &70,X") << Hex("D6 70") << Cpu6502::Nmos6502 << QByteArray("1900  D6 70     DEC &70,X");
  QTest::newRow("DEC &1234") << Hex("CE 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  CE 34 12  DEC &1234");
  QTest::newRow("DEC &1234,X") << Hex("DE 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  DE 34 12  DEC &1234,X");
  QTest::newRow("DEX") << Hex("CA") << Cpu6502::Nmos6502 << QByteArray("1900  CA        DEX");
  QTest::newRow("DEY") << Hex("88") << Cpu6502::Nmos6502 << QByteArray("1900  88        DEY");
  QTest::newRow("EOR #&41") << Hex("49 41") << Cpu6502::Nmos6502 << QByteArray("1900  49 41     EOR #&41");
  QTest::newRow("EOR &70") << Hex("45 70") << Cpu6502::Nmos6502 << QByteArray("1900  45 70     EOR &70");
  QTest::newRow("EOR &70,X") << Hex("55 70") << Cpu6502::Nmos6502 << QByteArray("1900  55 70     EOR &70,X");
  QTest::newRow("EOR &1234") << Hex("4D 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  4D 34 12  EOR &1234");
  QTest::newRow("EOR &1234,X") << Hex("5D 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  5D 34 12  EOR &1234,X");
  QTest::newRow("EOR &1234,Y") << Hex("59 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  59 34 12  EOR &1234,Y");
  QTest::newRow("EOR (&70,X)") << Hex("41 70") << Cpu6502::Nmos6502 << QByteArray("1900  41 70     EOR (&70,X)");
  QTest::newRow("EOR (&70),Y") << Hex("51 70") << Cpu6502::Nmos6502 << QByteArray("1900  51 70     EOR (&70),Y");
  QTest::newRow("INC &70") << Hex("E6 70") << Cpu6502::Nmos6502 << QByteArray("1900  E6 70     INC &70");
  QTest::newRow("INC &70,X") << Hex("F6 70") << Cpu6502::Nmos6502 << QByteArray("1900  F6 70     INC &70,X");
  QTest::newRow("INC &1234") << Hex("EE 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  EE 34 12  INC &1234");
  QTest::newRow("INC &1234,X") << Hex("FE 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  FE 34 12  INC &1234,X");
  QTest::newRow("INX") << Hex("E8") << Cpu6502::Nmos6502 << QByteArray("1900  E8        INX");
  QTest::newRow("INY") << Hex("C8") << Cpu6502::Nmos6502 << QByteArray("1900  C8        INY");
  QTest::newRow("JMP &1234") << Hex("4C 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  4C 34 12  JMP &1234");
  QTest::newRow("JMP (&1234)") << Hex("6C 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  6C 34 12  JMP (&1234)");
  QTest::newRow("JSR &1234") << Hex("20 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  20 34 12  JSR &1234");
  QTest::newRow("LDA #&41") << Hex("A9 41") << Cpu6502::Nmos6502 << QByteArray("1900  A9 41     LDA #&41");
  QTest::newRow("LDA &70") << Hex("A5 70") << Cpu6502::Nmos6502 << QByteArray("1900  A5 70     LDA &70");
  QTest::newRow("LDA &70,X") << Hex("B5 70") << Cpu6502::Nmos6502 << QByteArray("1900  B5 70     LDA &70,X");
  QTest::newRow("LDA &1234") << Hex("AD 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  AD 34 12  LDA &1234");
  QTest::newRow("LDA &1234,X") << Hex("BD 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  BD 34 12  LDA &1234,X");
  QTest::newRow("LDA &1234,Y") << Hex("B9 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  B9 34 12  LDA &1234,Y");
  QTest::newRow("LDA (&70,X)") << Hex("A1 70") << Cpu6502::Nmos6502 << QByteArray("1900  A1 70     LDA (&70,X)");
  QTest::newRow("LDA (&70),Y") << Hex("B1 70") << Cpu6502::Nmos6502 << QByteArray("1900  B1 70     LDA (&70),Y");
  QTest::newRow("LDX #&41") << Hex("A2 41") << Cpu6502::Nmos6502 << QByteArray("1900  A2 41     LDX #&41");
  QTest::newRow("LDX &70") << Hex("A6 70") << Cpu6502::Nmos6502 << QByteArray("1900  A6 70     LDX &70");
  QTest::newRow("LDX &70,Y") << Hex("B6 70") << Cpu6502::Nmos6502 << QByteArray("1900  B6 70     LDX &70,Y");
  QTest::newRow("LDX &1234") << Hex("AE 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  AE 34 12  LDX &1234");
  QTest::newRow("LDX &1234,Y") << Hex("BE 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  BE 34 12  LDX &1234,Y");
  QTest::newRow("LDY #&41") << Hex("A0 41") << Cpu6502::Nmos6502 << QByteArray("1900  A0 41     LDY #&41");
  QTest::newRow("LDY &70") << Hex("A4 70") << Cpu6502::Nmos6502 << QByteArray("1900  A4 70     LDY &70");
  QTest::newRow("LDY &70,X") << Hex("B4 70") << Cpu6502::Nmos6502 << QByteArray("1900  B4 70     LDY &70,X");
  QTest::newRow("LDY &1234") << Hex("AC 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  AC 34 12  LDY &1234");
  QTest::newRow("LDY &1234,X") << Hex("BC 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  BC 34 12  LDY &1234,X");
  QTest::newRow("LSR A") << Hex("4A") << Cpu6502::Nmos6502 << QByteArray("1900  4A        LSR A");
  QTest::newRow("LSR &70") << Hex("46 70") << Cpu6502::Nmos6502 << QByteArray("1900  46 70     LSR &70");
  QTest::newRow("LSR &70,X") << Hex("56 70") << Cpu6502::Nmos6502 << QByteArray("1900  56 70     LSR &70,X");
  QTest::newRow("LSR &1234") << Hex("4E 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  4E 34 12  LSR &1234");
  QTest::newRow("LSR &1234,X") << Hex("5E 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  5E 34 12  LSR &1234,X");
  QTest::newRow("NOP") << Hex("EA") << Cpu6502::Nmos6502 << QByteArray("1900  EA        NOP");
  QTest::newRow("ORA #&41") << Hex("09 41") << Cpu6502::Nmos6502 << QByteArray("1900  09 41     ORA #&41");
  QTest::newRow("ORA &70") << Hex("05 70") << Cpu6502::Nmos6502 << QByteArray("1900  05 70     ORA &70");
  QTest::newRow("ORA &70,X") << Hex("15 70") << Cpu6502::Nmos6502 << QByteArray("1900  15 70     ORA &70,X");
  QTest::newRow("ORA &1234") << Hex("0D 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  0D 34 12  ORA &1234");
  QTest::newRow("ORA &1234,X") << Hex("1D 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  1D 34 12  ORA &1234,X");
  QTest::newRow("ORA &1234,Y") << Hex("19 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  19 34 12  ORA &1234,Y");
  QTest::newRow("ORA (&70,X)") << Hex("01 70") << Cpu6502::Nmos6502 << QByteArray("1900  01 70     ORA (&70,X)");
  QTest::newRow("ORA (&70),Y") << Hex("11 70") << Cpu6502::Nmos6502 << QByteArray("1900  11 70     ORA (&70),Y");
  QTest::newRow("PHA") << Hex("48") << Cpu6502::Nmos6502 << QByteArray("1900  48        PHA");
  QTest::newRow("PHP") << Hex("08") << Cpu6502::Nmos6502 << QByteArray("1900  08        PHP");
  QTest::newRow("PLA") << Hex("68") << Cpu6502::Nmos6502 << QByteArray("1900  68        PLA");
  QTest::newRow("PLP") << Hex("28") << Cpu6502::Nmos6502 << QByteArray("1900  28        PLP");
  QTest::newRow("ROL A") << Hex("2A") << Cpu6502::Nmos6502 << QByteArray("1900  2A        ROL A");
  QTest::newRow("ROL &70") << Hex("26 70") << Cpu6502::Nmos6502 << QByteArray("1900  26 70     ROL &70");
  QTest::newRow("ROL &70,X") << Hex("36 70") << Cpu6502::Nmos6502 << QByteArray("1900  36 70     ROL &70,X");
  QTest::newRow("ROL &1234") << Hex("2E 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  2E 34 12  ROL &1234");
  QTest::newRow("ROL &1234,X") << Hex("3E 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  3E 34 12  ROL &1234,X");
  QTest::newRow("ROR A") << Hex("6A") << Cpu6502::Nmos6502 << QByteArray("1900  6A        ROR A");
  QTest::newRow("ROR &70") << Hex("66 70") << Cpu6502::Nmos6502 << QByteArray("1900  66 70     ROR &70");
  QTest::newRow("ROR &70,X") << Hex("76 70") << Cpu6502::Nmos6502 << QByteArray("1900  76 70     ROR &70,X");
  QTest::newRow("ROR &1234") << Hex("6E 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  6E 34 12  ROR &1234");
  QTest::newRow("ROR &1234,X") << Hex("7E 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  7E 34 12  ROR &1234,X");
  QTest::newRow("RTI") << Hex("40") << Cpu6502::Nmos6502 << QByteArray("1900  40        RTI");
  QTest::newRow("RTS") << Hex("60") << Cpu6502::Nmos6502 << QByteArray("1900  60        RTS");
  QTest::newRow("SBC #&41") << Hex("E9 41") << Cpu6502::Nmos6502 << QByteArray("1900  E9 41     SBC #&41");
  QTest::newRow("SBC &70") << Hex("E5 70") << Cpu6502::Nmos6502 << QByteArray("1900  E5 70     SBC &70");
  QTest::newRow("SBC &70,X") << Hex("F5 70") << Cpu6502::Nmos6502 << QByteArray("1900  F5 70     SBC &70,X");
  QTest::newRow("SBC &1234") << Hex("ED 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  ED 34 12  SBC &1234");
  QTest::newRow("SBC &1234,X") << Hex("FD 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  FD 34 12  SBC &1234,X");
  QTest::newRow("SBC &1234,Y") << Hex("F9 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  F9 34 12  SBC &1234,Y");
  QTest::newRow("SBC (&70,X)") << Hex("E1 70") << Cpu6502::Nmos6502 << QByteArray("1900  E1 70     SBC (&70,X)");
  QTest::newRow("SBC (&70),Y") << Hex("F1 70") << Cpu6502::Nmos6502 << QByteArray("1900  F1 70     SBC (&70),Y");
  QTest::newRow("SEC") << Hex("38") << Cpu6502::Nmos6502 << QByteArray("1900  38        SEC");
  QTest::newRow("SED") << Hex("F8") << Cpu6502::Nmos6502 << QByteArray("1900  F8        SED");
  QTest::newRow("SEI") << Hex("78") << Cpu6502::Nmos6502 << QByteArray("1900  78        SEI");
  QTest::newRow("STA &70") << Hex("85 70") << Cpu6502::Nmos6502 << QByteArray("1900  85 70     STA &70");
  QTest::newRow("STA &70,X") << Hex("95 70") << Cpu6502::Nmos6502 << QByteArray("1900  95 70     STA &70,X");
  QTest::newRow("STA &1234") << Hex("8D 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  8D 34 12  STA &1234");
  QTest::newRow("STA &1234,X") << Hex("9D 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  9D 34 12  STA &1234,X");
  QTest::newRow("STA &1234,Y") << Hex("99 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  99 34 12  STA &1234,Y");
  QTest::newRow("STA (&70,X)") << Hex("81 70") << Cpu6502::Nmos6502 << QByteArray("1900  81 70     STA (&70,X)");
  QTest::newRow("STA (&70),Y") << Hex("91 70") << Cpu6502::Nmos6502 << QByteArray("1900  91 70     STA (&70),Y");
  QTest::newRow("STX &70") << Hex("86 70") << Cpu6502::Nmos6502 << QByteArray("1900  86 70     STX &70");
  QTest::newRow("STX &70,Y") << Hex("96 70") << Cpu6502::Nmos6502 << QByteArray("1900  96 70     STX &70,Y");
  QTest::newRow("STX &1234") << Hex("8E 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  8E 34 12  STX &1234");
  QTest::newRow("STY &70") << Hex("84 70") << Cpu6502::Nmos6502 << QByteArray("1900  84 70     STY &70");
  QTest::newRow("STY &70,X") << Hex("94 70") << Cpu6502::Nmos6502 << QByteArray("1900  94 70     STY &70,X");
  QTest::newRow("STY &1234") << Hex("8C 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  8C 34 12  STY &1234");
  QTest::newRow("TAX") << Hex("AA") << Cpu6502::Nmos6502 << QByteArray("1900  AA        TAX");
  QTest::newRow("TAY") << Hex("A8") << Cpu6502::Nmos6502 << QByteArray("1900  A8        TAY");
  QTest::newRow("TSX") << Hex("BA") << Cpu6502::Nmos6502 << QByteArray("1900  BA        TSX");
  QTest::newRow("TXA") << Hex("8A") << Cpu6502::Nmos6502 << QByteArray("1900  8A        TXA");
  QTest::newRow("TXS") << Hex("9A") << Cpu6502::Nmos6502 << QByteArray("1900  9A        TXS");
  QTest::newRow("TYA") << Hex("98") << Cpu6502::Nmos6502 << QByteArray("1900  98        TYA");
  QTest::newRow("ORA (&70)") << Hex("12 70") << Cpu6502::Cmos65C02 << QByteArray("1900  12 70     ORA (&70)");
  QTest::newRow("AND (&70)") << Hex("32 70") << Cpu6502::Cmos65C02 << QByteArray("1900  32 70     AND (&70)");
  QTest::newRow("EOR (&70)") << Hex("52 70") << Cpu6502::Cmos65C02 << QByteArray("1900  52 70     EOR (&70)");
  QTest::newRow("ADC (&70)") << Hex("72 70") << Cpu6502::Cmos65C02 << QByteArray("1900  72 70     ADC (&70)");
  QTest::newRow("STA (&70)") << Hex("92 70") << Cpu6502::Cmos65C02 << QByteArray("1900  92 70     STA (&70)");
  QTest::newRow("LDA (&70)") << Hex("B2 70") << Cpu6502::Cmos65C02 << QByteArray("1900  B2 70     LDA (&70)");
  QTest::newRow("CMP (&70)") << Hex("D2 70") << Cpu6502::Cmos65C02 << QByteArray("1900  D2 70     CMP (&70)");
  QTest::newRow("SBC (&70)") << Hex("F2 70") << Cpu6502::Cmos65C02 << QByteArray("1900  F2 70     SBC (&70)");
  QTest::newRow("BIT #&41") << Hex("89 41") << Cpu6502::Cmos65C02 << QByteArray("1900  89 41     BIT #&41");
  QTest::newRow("BIT &70,X") << Hex("34 70") << Cpu6502::Cmos65C02 << QByteArray("1900  34 70     BIT &70,X");
  QTest::newRow("BIT &1234,X") << Hex("3C 34 12") << Cpu6502::Cmos65C02 << QByteArray("1900  3C 34 12  BIT &1234,X");
  QTest::newRow("INC A") << Hex("1A") << Cpu6502::Cmos65C02 << QByteArray("1900  1A        INC A");
  QTest::newRow("DEC A") << Hex("3A") << Cpu6502::Cmos65C02 << QByteArray("1900  3A        DEC A");
  QTest::newRow("TSB &70") << Hex("04 70") << Cpu6502::Cmos65C02 << QByteArray("1900  04 70     TSB &70");
  QTest::newRow("TSB &1234") << Hex("0C 34 12") << Cpu6502::Cmos65C02 << QByteArray("1900  0C 34 12  TSB &1234");
  QTest::newRow("TRB &70") << Hex("14 70") << Cpu6502::Cmos65C02 << QByteArray("1900  14 70     TRB &70");
  QTest::newRow("TRB &1234") << Hex("1C 34 12") << Cpu6502::Cmos65C02 << QByteArray("1900  1C 34 12  TRB &1234");
  QTest::newRow("STZ &70") << Hex("64 70") << Cpu6502::Cmos65C02 << QByteArray("1900  64 70     STZ &70");
  QTest::newRow("STZ &70,X") << Hex("74 70") << Cpu6502::Cmos65C02 << QByteArray("1900  74 70     STZ &70,X");
  QTest::newRow("STZ &1234") << Hex("9C 34 12") << Cpu6502::Cmos65C02 << QByteArray("1900  9C 34 12  STZ &1234");
  QTest::newRow("STZ &1234,X") << Hex("9E 34 12") << Cpu6502::Cmos65C02 << QByteArray("1900  9E 34 12  STZ &1234,X");
  QTest::newRow("BRA &1912") << Hex("80 10") << Cpu6502::Cmos65C02 << QByteArray("1900  80 10     BRA &1912");
  QTest::newRow("PHY") << Hex("5A") << Cpu6502::Cmos65C02 << QByteArray("1900  5A        PHY");
  QTest::newRow("PLY") << Hex("7A") << Cpu6502::Cmos65C02 << QByteArray("1900  7A        PLY");
  QTest::newRow("PHX") << Hex("DA") << Cpu6502::Cmos65C02 << QByteArray("1900  DA        PHX");
  QTest::newRow("PLX") << Hex("FA") << Cpu6502::Cmos65C02 << QByteArray("1900  FA        PLX");
  QTest::newRow("JMP (&1234,X)") << Hex("7C 34 12") << Cpu6502::Cmos65C02 << QByteArray("1900  7C 34 12  JMP (&1234,X)");
  QTest::newRow("ORA (&70) is data for the 6502") << Hex("12 70") << Cpu6502::Nmos6502 << QByteArray("1900  12 70     EQUB &12,&70");
  QTest::newRow("AND (&70) is data for the 6502") << Hex("32 70") << Cpu6502::Nmos6502 << QByteArray("1900  32 70     EQUB &32,&70");
  QTest::newRow("EOR (&70) is data for the 6502") << Hex("52 70") << Cpu6502::Nmos6502 << QByteArray("1900  52 70     EQUB &52,&70");
  QTest::newRow("ADC (&70) is data for the 6502") << Hex("72 70") << Cpu6502::Nmos6502 << QByteArray("1900  72 70     EQUB &72,&70");
  QTest::newRow("STA (&70) is data for the 6502") << Hex("92 70") << Cpu6502::Nmos6502 << QByteArray("1900  92 70     EQUB &92,&70");
  QTest::newRow("LDA (&70) is data for the 6502") << Hex("B2 70") << Cpu6502::Nmos6502 << QByteArray("1900  B2 70     EQUB &B2,&70");
  QTest::newRow("CMP (&70) is data for the 6502") << Hex("D2 70") << Cpu6502::Nmos6502 << QByteArray("1900  D2 70     EQUB &D2,&70");
  QTest::newRow("SBC (&70) is data for the 6502") << Hex("F2 70") << Cpu6502::Nmos6502 << QByteArray("1900  F2 70     EQUB &F2,&70");
  QTest::newRow("BIT #&41 is data for the 6502") << Hex("89 41") << Cpu6502::Nmos6502 << QByteArray("1900  89 41     EQUB &89,&41");
  QTest::newRow("BIT &70,X is data for the 6502") << Hex("34 70") << Cpu6502::Nmos6502 << QByteArray("1900  34 70     EQUB &34,&70");
  QTest::newRow("BIT &1234,X is data for the 6502") << Hex("3C 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  3C 34 12  EQUB &3C,&34,&12");
  QTest::newRow("INC A is data for the 6502") << Hex("1A") << Cpu6502::Nmos6502 << QByteArray("1900  1A        EQUB &1A");
  QTest::newRow("DEC A is data for the 6502") << Hex("3A") << Cpu6502::Nmos6502 << QByteArray("1900  3A        EQUB &3A");
  QTest::newRow("TSB &70 is data for the 6502") << Hex("04 70") << Cpu6502::Nmos6502 << QByteArray("1900  04 70     EQUB &04,&70");
  QTest::newRow("TSB &1234 is data for the 6502") << Hex("0C 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  0C 34 12  EQUB &0C,&34,&12");
  QTest::newRow("TRB &70 is data for the 6502") << Hex("14 70") << Cpu6502::Nmos6502 << QByteArray("1900  14 70     EQUB &14,&70");
  QTest::newRow("TRB &1234 is data for the 6502") << Hex("1C 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  1C 34 12  EQUB &1C,&34,&12");
  QTest::newRow("STZ &70 is data for the 6502") << Hex("64 70") << Cpu6502::Nmos6502 << QByteArray("1900  64 70     EQUB &64,&70");
  QTest::newRow("STZ &70,X is data for the 6502") << Hex("74 70") << Cpu6502::Nmos6502 << QByteArray("1900  74 70     EQUB &74,&70");
  QTest::newRow("STZ &1234 is data for the 6502") << Hex("9C 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  9C 34 12  EQUB &9C,&34,&12");
  QTest::newRow("STZ &1234,X is data for the 6502") << Hex("9E 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  9E 34 12  EQUB &9E,&34,&12");
  QTest::newRow("BRA &1912 is data for the 6502") << Hex("80 10") << Cpu6502::Nmos6502 << QByteArray("1900  80 10     EQUB &80,&10");
  QTest::newRow("PHY is data for the 6502") << Hex("5A") << Cpu6502::Nmos6502 << QByteArray("1900  5A        EQUB &5A");
  QTest::newRow("PLY is data for the 6502") << Hex("7A") << Cpu6502::Nmos6502 << QByteArray("1900  7A        EQUB &7A");
  QTest::newRow("PHX is data for the 6502") << Hex("DA") << Cpu6502::Nmos6502 << QByteArray("1900  DA        EQUB &DA");
  QTest::newRow("PLX is data for the 6502") << Hex("FA") << Cpu6502::Nmos6502 << QByteArray("1900  FA        EQUB &FA");
  QTest::newRow("JMP (&1234,X) is data for the 6502") << Hex("7C 34 12") << Cpu6502::Nmos6502 << QByteArray("1900  7C 34 12  EQUB &7C,&34,&12");
  QTest::newRow("absolute address below &100") << Hex("AD 70 00") << Cpu6502::Nmos6502 << QByteArray("1900  AD 70 00  LDA &0070");
  QTest::newRow("branch backwards") << Hex("F0 80") << Cpu6502::Nmos6502 << QByteArray("1900  F0 80     BEQ &1882");
  // clang-format on
}

void TestDisassembler::everyOpcode() {
  QFETCH(QByteArray, bytes);
  QFETCH(Cpu6502, cpu);
  QFETCH(QByteArray, line);
  QCOMPARE(ListingOf(bytes, 0x1900, 0x1900, cpu), line + '\n');
  if (cpu == kNmos && !line.contains("EQUB")) {
    // The Master's CPU runs every 6502 instruction.
    QCOMPARE(ListingOf(bytes, 0x1900, 0x1900, kCmos), line + '\n');
  }
}

// Every opcode byte the test's own assembler does not know is data, never guessed at.
void TestDisassembler::onlyDocumentedOpcodesDecode_data() {
  QTest::addColumn<Cpu6502>("cpu");
  QTest::addColumn<int>("documented");
  QTest::newRow("6502") << kNmos << 151;
  QTest::newRow("65C02") << kCmos << 178;
}

void TestDisassembler::onlyDocumentedOpcodesDecode() {
  QFETCH(Cpu6502, cpu);
  QFETCH(int, documented);
  int decoded = 0;
  for (int code = 0; code < 256; ++code) {
    std::vector<uint8_t> bytes = {uint8_t(code), 0x34, 0x12};
    Disassembly listing = Run(bytes, 0x1900, 0x1900, cpu);
    QVERIFY(!listing.lines.empty());
    bool isInstruction = listing.lines[0].kind == DisassemblyLineKind::Instruction;
    QVERIFY2(isInstruction == AssemblerKnowsOpcode(uint8_t(code), cpu),
             listing.lines[0].text.c_str());
    decoded += isInstruction;
  }
  QCOMPARE(decoded, documented);
}

void TestDisassembler::listings_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<uint>("load");
  QTest::addColumn<uint>("exec");
  QTest::addColumn<Cpu6502>("cpu");
  QTest::addColumn<QByteArray>("listing");
  // clang-format off
  QTest::newRow("branch backwards across a page") << Hex("CA EA D0 FC 60") << 0x18FEu << 0x18FEu << kNmos << Lines({
      ".L18FE",
      "18FE  CA        DEX",
      "18FF  EA        NOP",
      "1900  D0 FC     BNE L18FE",
      "1902  60        RTS",
  });
  QTest::newRow("branch forwards across a page") << Hex("F0 03 A9 00 60 A9 01 60") << 0x19FCu << 0x19FCu << kNmos << Lines({
      "19FC  F0 03     BEQ L1A01",
      "19FE  A9 00     LDA #&00",
      "1A00  60        RTS",
      ".L1A01",
      "1A01  A9 01     LDA #&01",
      "1A03  60        RTS",
  });
  QTest::newRow("branch forwards out of the file") << Hex("D0 10 60") << 0x1900u << 0x1900u << kNmos << Lines({
      "1900  D0 10     BNE &1912",
      "1902  60        RTS",
  });
  QTest::newRow("branch backwards out of the file") << Hex("90 80 60") << 0x1900u << 0x1900u << kNmos << Lines({
      "1900  90 80     BCC &1882",
      "1902  60        RTS",
  });
  QTest::newRow("branch to itself") << Hex("D0 FE 60") << 0x1900u << 0x1900u << kNmos << Lines({
      ".L1900",
      "1900  D0 FE     BNE L1900",
      "1902  60        RTS",
  });
  QTest::newRow("branch across the top of memory") << Hex("F0 02 EA EA 60") << 0xFFFCu << 0xFFFCu << kNmos << Lines({
      "FFFC  F0 02     BEQ L0000",
      "FFFE  EA        NOP",
      "FFFF  EA        NOP",
      ".L0000",
      "0000  60        RTS",
  });
  QTest::newRow("branch into the middle of an instruction") << Hex("D0 01 2C A9 00 60") << 0x1900u << 0x1900u << kNmos << Lines({
      "1900  D0 01     BNE &1903",
      "1902  2C A9 00  BIT &00A9",
      "1905  60        RTS",
  });
  QTest::newRow("BRA always branches on the 65C02") << Hex("80 02 00 00 60") << 0x1900u << 0x1900u << kCmos << Lines({
      "1900  80 02     BRA L1904",
      "1902  00 00     EQUB &00,&00",
      ".L1904",
      "1904  60        RTS",
  });
  QTest::newRow("BRA is data on the 6502") << Hex("80 02 00 00 60") << 0x1900u << 0x1900u << kNmos << Lines({
      "1900  80 02 00 00 60  EQUB &80,&02,&00,&00,&60",
  });
  QTest::newRow("JMP does not fall through") << Hex("4C 05 19 FF FF 60") << 0x1900u << 0x1900u << kNmos << Lines({
      "1900  4C 05 19  JMP L1905",
      "1903  FF FF     EQUB &FF,&FF",
      ".L1905",
      "1905  60        RTS",
  });
  QTest::newRow("JSR comes back") << Hex("20 05 19 60 FF 60") << 0x1900u << 0x1900u << kNmos << Lines({
      "1900  20 05 19  JSR L1905",
      "1903  60        RTS",
      "1904  FF        EQUB &FF",
      ".L1905",
      "1905  60        RTS",
  });
  QTest::newRow("JMP into its own operand") << Hex("4C 01 19") << 0x1900u << 0x1900u << kNmos << Lines({
      "1900  4C 01 19  JMP &1901",
  });
  QTest::newRow("RTI stops") << Hex("40 EA") << 0x1900u << 0x1900u << kNmos << Lines({
      "1900  40        RTI",
      "1901  EA        EQUB &EA",
  });
  QTest::newRow("BRK stops before its error block") << Hex("00 11 42 61 64 20 6E 61 6D 65 00") << 0x1900u << 0x1900u << kNmos << Lines({
      "1900  00        BRK",
      "1901  11        EQUB &11",
      "1902  42 61 64 20 6E 61 6D 65  EQUS \"Bad name\"",
      "190A  00        EQUB &00",
  });
  QTest::newRow("JMP through a vector stops") << Hex("6C 00 02 EA") << 0x1900u << 0x1900u << kNmos << Lines({
      "1900  6C 00 02  JMP (USERV)",
      "1903  EA        EQUB &EA",
  });
  QTest::newRow("undocumented opcode stops") << Hex("A9 00 02 60") << 0x1900u << 0x1900u << kNmos << Lines({
      "1900  A9 00     LDA #&00",
      "1902  02 60     EQUB &02,&60",
  });
  QTest::newRow("instruction cut off by the end") << Hex("A9 00 AD 34") << 0x1900u << 0x1900u << kNmos << Lines({
      "1900  A9 00     LDA #&00",
      "1902  AD 34     EQUB &AD,&34",
  });
  QTest::newRow("code and a data table") << Hex("A2 00 BD 0E 19 20 EE FF E8 E0 05 D0 F5 60 48 45 4C 4C 4F 0D 00 A9 00 60") << 0x1900u << 0x1900u << kNmos << Lines({
      "1900  A2 00     LDX #&00",
      ".L1902",
      "1902  BD 0E 19  LDA &190E,X",
      "1905  20 EE FF  JSR OSWRCH",
      "1908  E8        INX",
      "1909  E0 05     CPX #&05",
      "190B  D0 F5     BNE L1902",
      "190D  60        RTS",
      "190E  48 45 4C 4C 4F  EQUS \"HELLO\"",
      "1913  0D 00 A9 00 60  EQUB &0D,&00,&A9,&00,&60",
  });
  QTest::newRow("execution address outside the file") << Hex("A9 00 60") << 0x1900u << 0x8023u << kNmos << Lines({
      "1900  A9 00 60  EQUB &A9,&00,&60",
  });
  QTest::newRow("I/O processor addresses use the low 16 bits") << Hex("A9 00 60") << 0xFF1900u << 0xFF1900u << kNmos << Lines({
      "1900  A9 00     LDA #&00",
      "1902  60        RTS",
  });
  QTest::newRow("MOS entry points by name") << Hex("20 F7 FF 20 F4 FF 20 F1 FF 20 EE FF 20 E7 FF 20 E3 FF 20 E0 FF 20 DD FF 20 DA FF 20 D7 FF 20 D4 FF 20 D1 FF 20 CE FF 20 EC FF 20 CB FF 20 C8 FF 20 C5 FF 20 C2 FF 20 BF FF 20 BC FF 20 B9 FF 60") << 0x1900u << 0x1900u << kNmos << Lines({
      "1900  20 F7 FF  JSR OSCLI",
      "1903  20 F4 FF  JSR OSBYTE",
      "1906  20 F1 FF  JSR OSWORD",
      "1909  20 EE FF  JSR OSWRCH",
      "190C  20 E7 FF  JSR OSNEWL",
      "190F  20 E3 FF  JSR OSASCI",
      "1912  20 E0 FF  JSR OSRDCH",
      "1915  20 DD FF  JSR OSFILE",
      "1918  20 DA FF  JSR OSARGS",
      "191B  20 D7 FF  JSR OSBGET",
      "191E  20 D4 FF  JSR OSBPUT",
      "1921  20 D1 FF  JSR OSGBPB",
      "1924  20 CE FF  JSR OSFIND",
      "1927  20 EC FF  JSR OSWRCR",
      "192A  20 CB FF  JSR NVWRCH",
      "192D  20 C8 FF  JSR NVRDCH",
      "1930  20 C5 FF  JSR GSREAD",
      "1933  20 C2 FF  JSR GSINIT",
      "1936  20 BF FF  JSR OSEVEN",
      "1939  20 BC FF  JSR VDUCHR",
      "193C  20 B9 FF  JSR OSRDRM",
      "193F  60        RTS",
  });
  QTest::newRow("JMP and branches to MOS names") << Hex("F0 FC 4C F7 FF") << 0xFFE5u << 0xFFE5u << kNmos << Lines({
      "FFE5  F0 FC     BEQ OSASCI",
      "FFE7  4C F7 FF  JMP OSCLI",
  });
  QTest::newRow("vectors by name") << Hex("AD 00 02 8D 02 02 AE 04 02 AC 06 02 8E 08 02 8C 0A 02 BD 0C 02 99 0E 02 BE 10 02 BC 12 02 9D 14 02 B9 16 02 AD 18 02 8D 1A 02 AE 1C 02 AC 1E 02 8E 20 02 8C 22 02 BD 24 02 99 26 02 BE 28 02 BC 2A 02 9D 2C 02 B9 2E 02 AD 30 02 8D 32 02 AE 34 02 8D 0F 02 6C 0E 02") << 0x1900u << 0x1900u << kNmos << Lines({
      "1900  AD 00 02  LDA USERV",
      "1903  8D 02 02  STA BRKV",
      "1906  AE 04 02  LDX IRQ1V",
      "1909  AC 06 02  LDY IRQ2V",
      "190C  8E 08 02  STX CLIV",
      "190F  8C 0A 02  STY BYTEV",
      "1912  BD 0C 02  LDA WORDV,X",
      "1915  99 0E 02  STA WRCHV,Y",
      "1918  BE 10 02  LDX RDCHV,Y",
      "191B  BC 12 02  LDY FILEV,X",
      "191E  9D 14 02  STA ARGSV,X",
      "1921  B9 16 02  LDA BGETV,Y",
      "1924  AD 18 02  LDA BPUTV",
      "1927  8D 1A 02  STA GBPBV",
      "192A  AE 1C 02  LDX FINDV",
      "192D  AC 1E 02  LDY FSCV",
      "1930  8E 20 02  STX EVNTV",
      "1933  8C 22 02  STY UPTV",
      "1936  BD 24 02  LDA NETV,X",
      "1939  99 26 02  STA VDUV,Y",
      "193C  BE 28 02  LDX KEYV,Y",
      "193F  BC 2A 02  LDY INSV,X",
      "1942  9D 2C 02  STA REMV,X",
      "1945  B9 2E 02  LDA CNPV,Y",
      "1948  AD 30 02  LDA IND1V",
      "194B  8D 32 02  STA IND2V",
      "194E  AE 34 02  LDX IND3V",
      "1951  8D 0F 02  STA WRCHV+1",
      "1954  6C 0E 02  JMP (WRCHV)",
  });
  QTest::newRow("STZ to a vector on the 65C02") << Hex("9C 0E 02") << 0x1900u << 0x1900u << kCmos << Lines({
      "1900  9C 0E 02  STZ WRCHV",
  });
  QTest::newRow("vector addresses used otherwise stay numbers") << Hex("6D 0E 02 20 0E 02 AD 36 02 AD FF 01 2C 00 02 60") << 0x1900u << 0x1900u << kNmos << Lines({
      "1900  6D 0E 02  ADC &020E",
      "1903  20 0E 02  JSR &020E",
      "1906  AD 36 02  LDA &0236",
      "1909  AD FF 01  LDA &01FF",
      "190C  2C 00 02  BIT &0200",
      "190F  60        RTS",
  });
  QTest::newRow("MOS name as a label inside the file") << Hex("20 EE FF 60") << 0xFFEBu << 0xFFEBu << kNmos << Lines({
      "FFEB  20 EE FF  JSR OSWRCH",
      ".OSWRCH",
      "FFEE  60        RTS",
  });
  QTest::newRow("labels in the operands of loads") << Hex("20 06 19 BD 06 19 60") << 0x1900u << 0x1900u << kNmos << Lines({
      "1900  20 06 19  JSR L1906",
      "1903  BD 06 19  LDA L1906,X",
      ".L1906",
      "1906  60        RTS",
  });
  QTest::newRow("zero page operands stay numbers") << Hex("A5 70 4C 70 00") << 0x0070u << 0x0070u << kNmos << Lines({
      ".L0070",
      "0070  A5 70     LDA &70",
      "0072  4C 70 00  JMP L0070",
  });
  QTest::newRow("a label on a data byte") << Hex("F0 01 60 02") << 0x1900u << 0x1900u << kNmos << Lines({
      "1900  F0 01     BEQ L1903",
      "1902  60        RTS",
      ".L1903",
      "1903  02        EQUB &02",
  });
  QTest::newRow("sideways ROM") << Hex("4C 14 80 4C 15 80 C2 0D 01 54 45 53 54 00 28 43 29 4D 45 00 60 60") << 0x8000u << 0u << kNmos << Lines({
      "8000  4C 14 80  JMP L8014",
      "8003  4C 15 80  JMP L8015",
      "8006  C2 0D 01  EQUB &C2,&0D,&01",
      "8009  54 45 53 54  EQUS \"TEST\"",
      "800D  00        EQUB &00",
      "800E  28 43 29 4D 45  EQUS \"(C)ME\"",
      "8013  00        EQUB &00",
      ".L8014",
      "8014  60        RTS",
      ".L8015",
      "8015  60        RTS",
  });
  QTest::newRow("service ROM with no language") << Hex("00 00 00 4C 0E 80 82 0A 01 41 00 28 43 29 60") << 0x8000u << 0u << kNmos << Lines({
      "8000  00 00 00  EQUB &00,&00,&00",
      "8003  4C 0E 80  JMP L800E",
      "8006  82 0A 01 41 00 28 43 29  EQUB &82,&0A,&01,&41,&00,&28,&43,&29",
      ".L800E",
      "800E  60        RTS",
  });
  QTest::newRow("ROM loaded at &FF8000") << Hex("00 00 00 4C 0E 80 82 0A 01 41 00 28 43 29 60") << 0xFF8000u << 0u << kNmos << Lines({
      "8000  00 00 00  EQUB &00,&00,&00",
      "8003  4C 0E 80  JMP L800E",
      "8006  82 0A 01 41 00 28 43 29  EQUB &82,&0A,&01,&41,&00,&28,&43,&29",
      ".L800E",
      "800E  60        RTS",
  });
  QTest::newRow("ROM header away from &8000 is data") << Hex("00 00 00 4C 0E 80 82 0A 01 41 00 28 43 29 60") << 0x4000u << 0u << kNmos << Lines({
      "4000  00 00 00 4C 0E 80 82 0A  EQUB &00,&00,&00,&4C,&0E,&80,&82,&0A",
      "4008  01 41 00  EQUB &01,&41,&00",
      "400B  28 43 29 60  EQUS \"(C)`\"",
  });
  QTest::newRow("no copyright string, no ROM") << Hex("00 00 00 4C 0E 80 82 0B 01 41 00 28 43 29 60") << 0x8000u << 0u << kNmos << Lines({
      "8000  00 00 00 4C 0E 80 82 0B  EQUB &00,&00,&00,&4C,&0E,&80,&82,&0B",
      "8008  01 41 00  EQUB &01,&41,&00",
      "800B  28 43 29 60  EQUS \"(C)`\"",
  });
  QTest::newRow("copyright offset past the end") << Hex("4C 00 80 00 00 00 82 F0") << 0x8000u << 0u << kNmos << Lines({
      "8000  4C 00 80 00 00 00 82 F0  EQUB &4C,&00,&80,&00,&00,&00,&82,&F0",
  });
  QTest::newRow("three printable bytes") << Hex("41 42 43") << 0x1900u << 0u << kNmos << Lines({
      "1900  41 42 43  EQUB &41,&42,&43",
  });
  QTest::newRow("four printable bytes") << Hex("41 42 43 44") << 0x1900u << 0u << kNmos << Lines({
      "1900  41 42 43 44  EQUS \"ABCD\"",
  });
  QTest::newRow("quotes doubled") << Hex("73 61 79 20 22 68 69 22") << 0x1900u << 0u << kNmos << Lines({
      "1900  73 61 79 20 22 68 69 22  EQUS \"say \"\"hi\"\"\"",
  });
  QTest::newRow("long string split every 8 bytes") << Hex("41 42 43 44 45 46 47 48 49 4A") << 0x1900u << 0u << kNmos << Lines({
      "1900  41 42 43 44 45 46 47 48  EQUS \"ABCDEFGH\"",
      "1908  49 4A     EQUS \"IJ\"",
  });
  QTest::newRow("string between bytes") << Hex("01 41 42 43 44 02") << 0x1900u << 0u << kNmos << Lines({
      "1900  01        EQUB &01",
      "1901  41 42 43 44  EQUS \"ABCD\"",
      "1905  02        EQUB &02",
  });
  QTest::newRow("space to tilde are printable") << Hex("20 7E 7E 7E 7F 41 42 43") << 0x1900u << 0u << kNmos << Lines({
      "1900  20 7E 7E 7E  EQUS \" ~~~\"",
      "1904  7F 41 42 43  EQUB &7F,&41,&42,&43",
  });
  QTest::newRow("short runs stay bytes") << Hex("41 42 43 1F 41 42 43 80 41") << 0x1900u << 0u << kNmos << Lines({
      "1900  41 42 43 1F 41 42 43 80  EQUB &41,&42,&43,&1F,&41,&42,&43,&80",
      "1908  41        EQUB &41",
  });
  QTest::newRow("a label splits a string") << Hex("D0 04 60 41 42 43 44 45 46") << 0x1900u << 0x1900u << kNmos << Lines({
      "1900  D0 04     BNE L1906",
      "1902  60        RTS",
      "1903  41 42 43  EQUB &41,&42,&43",
      ".L1906",
      "1906  44 45 46  EQUB &44,&45,&46",
  });
  QTest::newRow("empty file") << QByteArray() << 0x1900u << 0x1900u << kNmos << QByteArray();
  QTest::newRow("one byte of code") << Hex("60") << 0x1900u << 0x1900u << kNmos << Lines({
      "1900  60        RTS",
  });
  QTest::newRow("one byte of data") << Hex("60") << 0x1900u << 0x1901u << kNmos << Lines({
      "1900  60        EQUB &60",
  });
  QTest::newRow("one byte starting a longer instruction") << Hex("A9") << 0x1900u << 0x1900u << kNmos << Lines({
      "1900  A9        EQUB &A9",
  });
  // clang-format on
}

void TestDisassembler::listings() {
  QFETCH(QByteArray, bytes);
  QFETCH(uint, load);
  QFETCH(uint, exec);
  QFETCH(Cpu6502, cpu);
  QFETCH(QByteArray, listing);
  COMPARE_LISTING(ListingOf(bytes, load, exec, cpu), listing);
}

// The first line of each: the LDA #n that selects the call.
void TestDisassembler::callComments_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QByteArray>("line");
  const std::pair<int, const char*> osbyteCalls[] = {
      {0x00, "Read OS version"},
      {0x02, "Select input stream"},
      {0x03, "Select output streams"},
      {0x04, "Set cursor key editing"},
      {0x0F, "Flush buffers"},
      {0x15, "Flush buffer"},
      {0x7E, "Acknowledge Escape condition"},
      {0x81, "Read key with time limit"},
      {0x82, "Read machine high order address"},
      {0x83, "Read OSHWM (PAGE)"},
      {0x84, "Read HIMEM"},
      {0x87, "Read character at cursor and screen mode"},
      {0x8B, "*OPT"},
      {0x8F, "Issue paged ROM service call"},
      {0x97, "Write SHEILA"},
      {0xA8, "Read address of extended vector table"},
      {0xDA, "Read/write VDU queue length"},
  };
  for (auto [call, name] : osbyteCalls) {
    QByteArray hex = QByteArray::number(call, 16).rightJustified(2, '0').toUpper();
    QTest::newRow(("OSBYTE &" + hex).constData())
        << QByteArray::fromHex("A9" + hex + "20F4FF")
        << "1900  A9 " + hex + "     LDA #&" + hex + "  ; " + name;
  }
  const char* oswordCalls[] = {
      "Read line from input",       "Read system clock",    "Write system clock",
      "Read interval timer",        "Write interval timer", "Read I/O processor memory",
      "Write I/O processor memory", "Make a sound",         "Define an envelope",
  };
  for (int call = 0; call <= 8; ++call) {
    QByteArray hex = "0" + QByteArray::number(call);
    QTest::newRow(("OSWORD &" + hex).constData())
        << QByteArray::fromHex("A9" + hex + "20F1FF")
        << "1900  A9 " + hex + "     LDA #&" + hex + "  ; " + oswordCalls[call];
  }
  // clang-format off
  QTest::newRow("LDX and LDY in between") << Hex("A9 81 A2 00 A0 FF 20 F4 FF") << QByteArray("1900  A9 81     LDA #&81  ; Read key with time limit");
  QTest::newRow("LDX from memory in between") << Hex("A9 07 AE 34 12 20 F1 FF") << QByteArray("1900  A9 07     LDA #&07  ; Make a sound");
  QTest::newRow("another instruction in between") << Hex("A9 81 AA 20 F4 FF") << QByteArray("1900  A9 81     LDA #&81");
  QTest::newRow("the JSR is a branch target") << Hex("A9 81 20 F4 FF D0 FB 60") << QByteArray("1900  A9 81     LDA #&81");
  QTest::newRow("JSR to another routine") << Hex("A9 81 20 EE FF") << QByteArray("1900  A9 81     LDA #&81");
  QTest::newRow("JMP to OSBYTE") << Hex("A9 81 4C F4 FF") << QByteArray("1900  A9 81     LDA #&81");
  QTest::newRow("LDA from zero page") << Hex("A5 81 20 F4 FF") << QByteArray("1900  A5 81     LDA &81");
  QTest::newRow("a call with no name") << Hex("A9 FF 20 F4 FF") << QByteArray("1900  A9 FF     LDA #&FF");
  QTest::newRow("LDA at the end of the file") << Hex("A9 81") << QByteArray("1900  A9 81     LDA #&81");
  // clang-format on
}

void TestDisassembler::callComments() {
  QFETCH(QByteArray, bytes);
  QFETCH(QByteArray, line);
  Disassembly listing = Run(ToBytes(bytes), 0x1900, 0x1900);
  QVERIFY(!listing.lines.empty());
  QCOMPARE(QByteArray::fromStdString(listing.lines[0].text), line);
}

void TestDisassembler::entryPointsAddedByHand_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QList<int>>("offsets");
  QTest::addColumn<QList<uint>>("addresses");
  QTest::addColumn<QByteArray>("listing");
  const QByteArray table = Hex("60 A9 07 20 EE FF 60");
  // clang-format off
  QTest::newRow("none") << table << QList<int>() << QList<uint>() << Lines({
      "1900  60        RTS",
      "1901  A9 07 20 EE FF 60  EQUB &A9,&07,&20,&EE,&FF,&60",
  });
  const QByteArray traced = Lines({
      "1900  60        RTS",
      "1901  A9 07     LDA #&07",
      "1903  20 EE FF  JSR OSWRCH",
      "1906  60        RTS",
  });
  QTest::newRow("by offset") << table << QList<int>{1} << QList<uint>() << traced;
  QTest::newRow("by address") << table << QList<int>() << QList<uint>{0x1901} << traced;
  QTest::newRow("by I/O processor address") << table << QList<int>() << QList<uint>{0xFF1901} << traced;
  QTest::newRow("inside a traced stretch") << table << QList<int>{3} << QList<uint>() << Lines({
      "1900  60        RTS",
      "1901  A9 07     EQUB &A9,&07",
      "1903  20 EE FF  JSR OSWRCH",
      "1906  60        RTS",
  });
  QTest::newRow("wins over the file's own trace") << Hex("2C A9 00 60") << QList<int>{1} << QList<uint>() << Lines({
      "1900  2C        EQUB &2C",
      "1901  A9 00     LDA #&00",
      "1903  60        RTS",
  });
  // clang-format on
}

void TestDisassembler::entryPointsAddedByHand() {
  QFETCH(QByteArray, bytes);
  QFETCH(QList<int>, offsets);
  QFETCH(QList<uint>, addresses);
  QFETCH(QByteArray, listing);
  std::vector<uint8_t> data = ToBytes(bytes);
  DisassemblyInput input;
  input.bytes = data;
  input.loadAddress = 0x1900;
  input.execAddress = 0x1900;
  input.entryOffsets.assign(offsets.begin(), offsets.end());
  input.entryAddresses.assign(addresses.begin(), addresses.end());
  Disassembly result = Disassemble(input);
  COMPARE_LISTING(QByteArray::fromStdString(result.Text()), listing);
  QVERIFY(result.entryOffsetsOutside.empty());
  QVERIFY(result.entryAddressesOutside.empty());
}

void TestDisassembler::entryPointsOutsideTheFileAreReported() {
  std::vector<uint8_t> data = ToBytes(Hex("60 A9 07"));
  DisassemblyInput input;
  input.bytes = data;
  input.loadAddress = 0x1900;
  input.execAddress = 0x1900;
  input.entryOffsets = {3, 1};
  input.entryAddresses = {0x1903, 0x18FF};
  Disassembly result = Disassemble(input);
  QCOMPARE(result.entryOffsetsOutside, std::vector<size_t>{3});
  QCOMPARE(result.entryAddressesOutside, (std::vector<uint32_t>{0x1903, 0x18FF}));
  COMPARE_LISTING(QByteArray::fromStdString(result.Text()), Lines({
                                                                "1900  60        RTS",
                                                                "1901  A9 07     LDA #&07",
                                                            }));
}

void TestDisassembler::machineCodeAfterBasic_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<int>("codeStart");  // -1: none
  // clang-format off
  QTest::newRow("after one line") << Hex("0D 00 0A 05 E0 0D FF 60") << 7;
  QTest::newRow("after two lines") << Hex("0D 00 0A 05 E0 0D 00 14 06 41 42 0D FF 60") << 13;
  QTest::newRow("after a program with no lines") << Hex("0D FF 60") << 2;
  QTest::newRow("line 32767") << Hex("0D 7F FF 05 E0 0D FF 60") << 7;
  QTest::newRow("nothing after the end marker") << Hex("0D 00 0A 05 E0 0D FF") << -1;
  QTest::newRow("not BASIC") << Hex("A9 41 0D FF 60") << -1;
  QTest::newRow("line length below 4") << Hex("0D 00 0A 03 0D FF 60") << -1;
  QTest::newRow("line number above 32767") << Hex("0D 80 0A 05 E0 0D FF 60") << -1;
  QTest::newRow("line running past the end") << Hex("0D 00 0A 40 E0 0D FF 60") << -1;
  QTest::newRow("line not ending at a carriage return") << Hex("0D 00 0A 04 E0 0D FF 60") << -1;
  QTest::newRow("cut off in a line header") << Hex("0D 00 0A") << -1;
  QTest::newRow("a lone carriage return") << Hex("0D") << -1;
  QTest::newRow("empty") << QByteArray() << -1;
  // clang-format on
}

void TestDisassembler::machineCodeAfterBasic() {
  QFETCH(QByteArray, bytes);
  QFETCH(int, codeStart);
  std::vector<uint8_t> data = ToBytes(bytes);
  std::optional<size_t> found = MachineCodeAfterBasic(data);
  QCOMPARE(found.has_value(), codeStart >= 0);
  if (found) {
    QCOMPARE(int(*found), codeStart);
  }
  // The input for a catalogued file starts tracing there; BASIC's own exec address lies
  // outside the program.
  Disassembly listing =
      Disassemble(DisassemblyInputForFile(data, 0xFF1900, 0xFF8023, Cpu6502::Nmos6502));
  bool anyCode = std::any_of(listing.lines.begin(), listing.lines.end(), [](const auto& line) {
    return line.kind == DisassemblyLineKind::Instruction;
  });
  QCOMPARE(anyCode, codeStart >= 0);
}

void TestDisassembler::basicProgramWithMachineCode() {
  std::vector<uint8_t> data = ToBytes(Hex("0D 00 0A 05 E0 0D FF A9 41 20 EE FF 60"));
  Disassembly listing =
      Disassemble(DisassemblyInputForFile(data, 0x0E00, 0x8023, Cpu6502::Nmos6502));
  COMPARE_LISTING(QByteArray::fromStdString(listing.Text()),
                  Lines({
                      "0E00  0D 00 0A 05 E0 0D FF  EQUB &0D,&00,&0A,&05,&E0,&0D,&FF",
                      "0E07  A9 41     LDA #&41",
                      "0E09  20 EE FF  JSR OSWRCH",
                      "0E0C  60        RTS",
                  }));
}

namespace {

const char* SpanKindName(DisassemblySpanKind kind) {
  switch (kind) {
    case DisassemblySpanKind::Address:
      return "Address";
    case DisassemblySpanKind::Bytes:
      return "Bytes";
    case DisassemblySpanKind::Mnemonic:
      return "Mnemonic";
    case DisassemblySpanKind::Operand:
      return "Operand";
    case DisassemblySpanKind::Label:
      return "Label";
    case DisassemblySpanKind::Comment:
      return "Comment";
  }
  return "?";
}

// "Kind text" for each span, "|"-separated; a jump target is added as " >HHHH".
QByteArray DescribeSpans(const DisassemblyLine& line) {
  QByteArrayList parts;
  for (const DisassemblySpan& span : line.Spans()) {
    QByteArray part = QByteArray(SpanKindName(span.kind)) + ' ' +
                      QByteArray::fromStdString(line.text.substr(span.start, span.length));
    if (span.hasTarget) {
      part += " >" + QByteArray::number(span.target, 16).toUpper();
    }
    parts << part;
  }
  return parts.join('|');
}

}  // namespace

void TestDisassembler::spans_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<uint>("load");
  QTest::addColumn<uint>("exec");
  QTest::addColumn<Cpu6502>("cpu");
  QTest::addColumn<int>("line");
  QTest::addColumn<QByteArray>("spans");
  // clang-format off
  QTest::newRow("call to a label") << Hex("20 06 19 BD 06 19 60") << 0x1900u << 0x1900u << kNmos << 0 << QByteArray("Address 1900|Bytes 20 06 19|Mnemonic JSR|Label L1906 >1906");
  QTest::newRow("indexed label") << Hex("20 06 19 BD 06 19 60") << 0x1900u << 0x1900u << kNmos << 1 << QByteArray("Address 1903|Bytes BD 06 19|Mnemonic LDA|Label L1906 >1906|Operand ,X");
  QTest::newRow("label line") << Hex("20 06 19 BD 06 19 60") << 0x1900u << 0x1900u << kNmos << 2 << QByteArray("Label .L1906");
  QTest::newRow("implied") << Hex("20 06 19 BD 06 19 60") << 0x1900u << 0x1900u << kNmos << 3 << QByteArray("Address 1906|Bytes 60|Mnemonic RTS");
  QTest::newRow("MOS name") << Hex("20 EE FF") << 0x1900u << 0x1900u << kNmos << 0 << QByteArray("Address 1900|Bytes 20 EE FF|Mnemonic JSR|Label OSWRCH");
  QTest::newRow("comment") << Hex("A9 81 20 F4 FF") << 0x1900u << 0x1900u << kNmos << 0 << QByteArray("Address 1900|Bytes A9 81|Mnemonic LDA|Operand #&81|Comment ; Read key with time limit");
  QTest::newRow("vector through brackets") << Hex("6C 0E 02") << 0x1900u << 0x1900u << kNmos << 0 << QByteArray("Address 1900|Bytes 6C 0E 02|Mnemonic JMP|Operand (|Label WRCHV|Operand )");
  QTest::newRow("vector high byte") << Hex("8D 0F 02") << 0x1900u << 0x1900u << kNmos << 0 << QByteArray("Address 1900|Bytes 8D 0F 02|Mnemonic STA|Label WRCHV|Operand +1");
  QTest::newRow("label through brackets on the 65C02") << Hex("7C 03 19 60") << 0x1900u << 0x1900u << kCmos << 0 << QByteArray("Address 1900|Bytes 7C 03 19|Mnemonic JMP|Operand (&1903,X)");
  QTest::newRow("branch") << Hex("D0 FE") << 0x1900u << 0x1900u << kNmos << 1 << QByteArray("Address 1900|Bytes D0 FE|Mnemonic BNE|Label L1900 >1900");
  QTest::newRow("zero page") << Hex("B1 70") << 0x1900u << 0x1900u << kNmos << 0 << QByteArray("Address 1900|Bytes B1 70|Mnemonic LDA|Operand (&70),Y");
  QTest::newRow("bytes") << Hex("01 02") << 0x1900u << 0u << kNmos << 0 << QByteArray("Address 1900|Bytes 01 02|Mnemonic EQUB|Operand &01,&02");
  QTest::newRow("string") << Hex("41 42 43 44") << 0x1900u << 0u << kNmos << 0 << QByteArray("Address 1900|Bytes 41 42 43 44|Mnemonic EQUS|Operand \"ABCD\"");
  // clang-format on
}

void TestDisassembler::spans() {
  QFETCH(QByteArray, bytes);
  QFETCH(uint, load);
  QFETCH(uint, exec);
  QFETCH(Cpu6502, cpu);
  QFETCH(int, line);
  QFETCH(QByteArray, spans);
  Disassembly listing = Run(ToBytes(bytes), load, exec, cpu);
  QVERIFY(size_t(line) < listing.lines.size());
  QCOMPARE(DescribeSpans(listing.lines[size_t(line)]), spans);
}

void TestDisassembler::lineLookUp() {
  // 1900 JSR L1906 / 1903 LDA L1906,X / .L1906 / 1906 RTS / 1907 EQUB &02
  std::vector<uint8_t> data = ToBytes(Hex("20 06 19 BD 06 19 60 02"));
  Disassembly listing = Run(data, 0x1900, 0x1900);
  QCOMPARE(listing.lines.size(), size_t(5));
  const std::pair<size_t, size_t> lineOfOffset[] = {{0, 0}, {1, 0}, {2, 0}, {3, 1},
                                                    {5, 1}, {6, 3}, {7, 4}};
  for (auto [offset, line] : lineOfOffset) {
    QCOMPARE(listing.LineOfOffset(offset), std::optional<size_t>(line));
  }
  QCOMPARE(listing.LineOfOffset(8), std::nullopt);
  QCOMPARE(listing.LineOfAddress(0x1906), std::optional<size_t>(2));
  QCOMPARE(listing.LineOfAddress(0x1904), std::optional<size_t>(1));
  QCOMPARE(listing.LineOfAddress(0x1907), std::optional<size_t>(4));
  QCOMPARE(listing.LineOfAddress(0x1908), std::nullopt);
  QCOMPARE(listing.LineOfAddress(0x18FF), std::nullopt);
  QCOMPARE(listing.lines[0].JumpTarget(), std::optional<uint16_t>(0x1906));
  QCOMPARE(listing.lines[3].JumpTarget(), std::nullopt);
  QCOMPARE(QByteArray::fromStdString(listing.Text(1, 2)), Lines({
                                                              "1903  BD 06 19  LDA L1906,X",
                                                              ".L1906",
                                                          }));
  QCOMPARE(listing.Text(3, 2), std::string());
  QCOMPARE(listing.Text(4, 5), std::string());
}

namespace {

// Random bytes, or bytes drawn mostly from documented opcodes so that tracing runs far.
std::vector<uint8_t> RandomFile(std::mt19937& random, Cpu6502 cpu) {
  size_t size = std::uniform_int_distribution<size_t>(0, 1200)(random);
  if (random() % 8 == 0) {
    size = random() % 3;
  }
  bool codeLike = random() % 2 == 0;
  std::vector<uint8_t> documented;
  for (int code = 0; code < 256; ++code) {
    if (AssemblerKnowsOpcode(uint8_t(code), cpu)) {
      documented.push_back(uint8_t(code));
    }
  }
  std::vector<uint8_t> bytes(size);
  for (uint8_t& byte : bytes) {
    byte = codeLike && random() % 3 != 0 ? documented[random() % documented.size()]
                                         : uint8_t(random());
  }
  return bytes;
}

}  // namespace

void TestDisassembler::randomBytes() {
  size_t instructions = 0;
  size_t labels = 0;
  for (uint32_t seed = 1; seed <= 400; ++seed) {
    std::mt19937 random(seed);
    Cpu6502 cpu = random() % 2 ? kCmos : kNmos;
    std::vector<uint8_t> bytes = RandomFile(random, cpu);
    DisassemblyInput input;
    input.bytes = bytes;
    input.cpu = cpu;
    input.loadAddress = random() % 4 == 0 ? 0xFF0000 | (random() & 0xFFFF) : random() & 0xFFFF;
    input.execAddress = uint32_t(input.loadAddress + random() % (bytes.size() + 2));
    for (uint32_t entries = random() % 32; entries > 0; --entries) {
      if (random() % 2) {
        input.entryOffsets.push_back(random() % (bytes.size() + 2));
      } else {
        input.entryAddresses.push_back(uint32_t(input.loadAddress + random() % (bytes.size() + 2)));
      }
    }
    if (random() % 4 == 0 && !bytes.empty()) {
      input.machineCodeOffset = random() % bytes.size();
    }
    Disassembly listing = Disassemble(input);
    const std::string context = "seed " + std::to_string(seed) + ": ";

    std::string problem = CheckListing(listing.Text(), bytes, uint16_t(input.loadAddress), cpu);
    QVERIFY2(problem.empty(), (context + problem).c_str());

    size_t offset = 0;
    for (size_t index = 0; index < listing.lines.size(); ++index) {
      const DisassemblyLine& line = listing.lines[index];
      const std::string where = context + line.text;
      QVERIFY2(line.offset == offset, where.c_str());
      QVERIFY2(line.address == uint16_t(input.loadAddress + offset), where.c_str());
      instructions += line.kind == DisassemblyLineKind::Instruction;
      labels += line.kind == DisassemblyLineKind::Label;
      if (line.kind == DisassemblyLineKind::Label) {
        QVERIFY2(line.byteCount == 0 && index + 1 < listing.lines.size() &&
                     listing.lines[index + 1].kind != DisassemblyLineKind::Label,
                 where.c_str());
      } else {
        QVERIFY2(line.byteCount > 0, where.c_str());
        bool isData = line.text.find("  EQU") != std::string::npos;
        QVERIFY2(isData == (line.kind == DisassemblyLineKind::Data), where.c_str());
        for (size_t byte = offset; byte < offset + line.byteCount; ++byte) {
          QVERIFY2(listing.LineOfOffset(byte) == index, where.c_str());
        }
      }
      // Spans lie in order inside the text, one after another.
      size_t spanEnd = 0;
      for (const DisassemblySpan& span : line.Spans()) {
        QVERIFY2(span.start >= spanEnd && span.length > 0 &&
                     size_t(span.start + span.length) <= line.text.size(),
                 where.c_str());
        spanEnd = span.start + span.length;
        if (span.hasTarget) {
          auto target = listing.LineOfAddress(span.target);
          QVERIFY2(target && listing.lines[*target].kind == DisassemblyLineKind::Label,
                   where.c_str());
        }
      }
      offset += line.byteCount;
    }
    QCOMPARE(offset, bytes.size());
  }
  // The fixed seeds give files with enough code to exercise the re-assembly.
  QVERIFY2(instructions > 10000 && labels > 400,
           qPrintable(QString("only %1 instructions and %2 labels").arg(instructions).arg(labels)));
}

// Addresses wrap at &FFFF; lines stay in file order and only the first 64 KB can be
// reached by a branch.
void TestDisassembler::fileLongerThanTheAddressSpace() {
  std::vector<uint8_t> bytes(70000, 0xEA);
  bytes[0] = 0xD0;  // BNE &1902: offset 2 gets the label, not offset 65536 + 2
  bytes[1] = 0x00;
  bytes.back() = 0x60;
  Disassembly listing = Run(bytes, 0x1900, 0x1900);
  std::string problem = CheckListing(listing.Text(), bytes, 0x1900, kNmos);
  QVERIFY2(problem.empty(), problem.c_str());
  // The branch, 69997 NOPs, the RTS and one label.
  QCOMPARE(listing.lines.size(), size_t(1 + 69997 + 1 + 1));
  QCOMPARE(listing.lines[1].text, std::string(".L1902"));
  QCOMPARE(listing.lines.back().text, std::string("2A6F  60        RTS"));
  QCOMPARE(listing.LineOfAddress(0x1902), std::optional<size_t>(1));
}

// Every file on the sample discs, as its catalogue places it, on both CPUs.
void TestDisassembler::sampleFiles() {
  if (!std::filesystem::is_directory(KESTROW_SAMPLES_DIR)) {
    QFAIL("the sample discs are missing: " KESTROW_SAMPLES_DIR);
  }
  size_t files = 0;
  size_t instructions = 0;
  for (const std::string& extension : {std::string(".ssd"), std::string(".dsd")}) {
    for (const std::string& name : SampleNames(extension)) {
      std::vector<uint8_t> image = ReadHostFile(std::string(KESTROW_SAMPLES_DIR) + "/" + name);
      QVERIFY2(!image.empty(), name.c_str());
      bool interleaved = extension == ".dsd";
      for (int side = 0; side < (interleaved ? 2 : 1); ++side) {
        RawDisk disk = DecodeRawDisk(image, interleaved, side);
        for (const RawEntry& entry : disk.entries) {
          std::vector<uint8_t> bytes = RawFileBytes(image, interleaved, side, entry);
          for (Cpu6502 cpu : {kNmos, kCmos}) {
            Disassembly listing =
                Disassemble(DisassemblyInputForFile(bytes, entry.load, entry.exec, cpu));
            std::string problem = CheckListing(listing.Text(), bytes, uint16_t(entry.load), cpu);
            QVERIFY2(problem.empty(), (name + " " + entry.name + ": " + problem).c_str());
            instructions += size_t(std::count_if(
                listing.lines.begin(), listing.lines.end(),
                [](const auto& line) { return line.kind == DisassemblyLineKind::Instruction; }));
          }
          ++files;
        }
      }
    }
  }
  QVERIFY(files > 0);
  QVERIFY(instructions > 0);
}

QTEST_GUILESS_MAIN(TestDisassembler)
#include "test_disassembler.moc"
