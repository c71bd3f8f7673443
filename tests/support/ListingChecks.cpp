// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ListingChecks.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <sstream>

namespace {

// Columns of the opcode table below.
enum Mode {
  kImplied,
  kAccumulator,
  kImmediate,
  kZeroPage,
  kZeroPageX,
  kZeroPageY,
  kAbsolute,
  kAbsoluteX,
  kAbsoluteY,
  kIndirect,
  kIndirectX,
  kIndirectY,
  kZeroPageIndirect,
  kAbsoluteIndirectX,
  kRelative,
  kModeCount
};

// One row per mnemonic, one column per mode; "--" where there is no such instruction
// and a leading '*' for the 65C02's additions.
struct Row {
  const char* mnemonic;
  const char* codes;
};
// clang-format off
constexpr Row kRows[] = {
  //        imp acc imm zp  zpx zpy abs abx aby ind izx izy izp iax rel
  {"ADC", " --  --  69  65  75  --  6D  7D  79  --  61  71 *72  --  --"},
  {"AND", " --  --  29  25  35  --  2D  3D  39  --  21  31 *32  --  --"},
  {"ASL", " -- 0A   --  06  16  --  0E  1E  --  --  --  --  --  --  --"},
  {"BCC", " --  --  --  --  --  --  --  --  --  --  --  --  --  --  90"},
  {"BCS", " --  --  --  --  --  --  --  --  --  --  --  --  --  --  B0"},
  {"BEQ", " --  --  --  --  --  --  --  --  --  --  --  --  --  --  F0"},
  {"BIT", " --  -- *89  24 *34  --  2C *3C  --  --  --  --  --  --  --"},
  {"BMI", " --  --  --  --  --  --  --  --  --  --  --  --  --  --  30"},
  {"BNE", " --  --  --  --  --  --  --  --  --  --  --  --  --  --  D0"},
  {"BPL", " --  --  --  --  --  --  --  --  --  --  --  --  --  --  10"},
  {"BRA", " --  --  --  --  --  --  --  --  --  --  --  --  --  -- *80"},
  {"BRK", " 00  --  --  --  --  --  --  --  --  --  --  --  --  --  --"},
  {"BVC", " --  --  --  --  --  --  --  --  --  --  --  --  --  --  50"},
  {"BVS", " --  --  --  --  --  --  --  --  --  --  --  --  --  --  70"},
  {"CLC", " 18  --  --  --  --  --  --  --  --  --  --  --  --  --  --"},
  {"CLD", " D8  --  --  --  --  --  --  --  --  --  --  --  --  --  --"},
  {"CLI", " 58  --  --  --  --  --  --  --  --  --  --  --  --  --  --"},
  {"CLV", " B8  --  --  --  --  --  --  --  --  --  --  --  --  --  --"},
  {"CMP", " --  --  C9  C5  D5  --  CD  DD  D9  --  C1  D1 *D2  --  --"},
  {"CPX", " --  --  E0  E4  --  --  EC  --  --  --  --  --  --  --  --"},
  {"CPY", " --  --  C0  C4  --  --  CC  --  --  --  --  --  --  --  --"},
  {"DEC", " -- *3A  --  C6  D6  --  CE  DE  --  --  --  --  --  --  --"},
  {"DEX", " CA  --  --  --  --  --  --  --  --  --  --  --  --  --  --"},
  {"DEY", " 88  --  --  --  --  --  --  --  --  --  --  --  --  --  --"},
  {"EOR", " --  --  49  45  55  --  4D  5D  59  --  41  51 *52  --  --"},
  {"INC", " -- *1A  --  E6  F6  --  EE  FE  --  --  --  --  --  --  --"},
  {"INX", " E8  --  --  --  --  --  --  --  --  --  --  --  --  --  --"},
  {"INY", " C8  --  --  --  --  --  --  --  --  --  --  --  --  --  --"},
  {"JMP", " --  --  --  --  --  --  4C  --  --  6C  --  --  --  *7C --"},
  {"JSR", " --  --  --  --  --  --  20  --  --  --  --  --  --  --  --"},
  {"LDA", " --  --  A9  A5  B5  --  AD  BD  B9  --  A1  B1 *B2  --  --"},
  {"LDX", " --  --  A2  A6  --  B6  AE  --  BE  --  --  --  --  --  --"},
  {"LDY", " --  --  A0  A4  B4  --  AC  BC  --  --  --  --  --  --  --"},
  {"LSR", " -- 4A   --  46  56  --  4E  5E  --  --  --  --  --  --  --"},
  {"NOP", " EA  --  --  --  --  --  --  --  --  --  --  --  --  --  --"},
  {"ORA", " --  --  09  05  15  --  0D  1D  19  --  01  11 *12  --  --"},
  {"PHA", " 48  --  --  --  --  --  --  --  --  --  --  --  --  --  --"},
  {"PHP", " 08  --  --  --  --  --  --  --  --  --  --  --  --  --  --"},
  {"PHX", "*DA  --  --  --  --  --  --  --  --  --  --  --  --  --  --"},
  {"PHY", "*5A  --  --  --  --  --  --  --  --  --  --  --  --  --  --"},
  {"PLA", " 68  --  --  --  --  --  --  --  --  --  --  --  --  --  --"},
  {"PLP", " 28  --  --  --  --  --  --  --  --  --  --  --  --  --  --"},
  {"PLX", "*FA  --  --  --  --  --  --  --  --  --  --  --  --  --  --"},
  {"PLY", "*7A  --  --  --  --  --  --  --  --  --  --  --  --  --  --"},
  {"ROL", " -- 2A   --  26  36  --  2E  3E  --  --  --  --  --  --  --"},
  {"ROR", " -- 6A   --  66  76  --  6E  7E  --  --  --  --  --  --  --"},
  {"RTI", " 40  --  --  --  --  --  --  --  --  --  --  --  --  --  --"},
  {"RTS", " 60  --  --  --  --  --  --  --  --  --  --  --  --  --  --"},
  {"SBC", " --  --  E9  E5  F5  --  ED  FD  F9  --  E1  F1 *F2  --  --"},
  {"SEC", " 38  --  --  --  --  --  --  --  --  --  --  --  --  --  --"},
  {"SED", " F8  --  --  --  --  --  --  --  --  --  --  --  --  --  --"},
  {"SEI", " 78  --  --  --  --  --  --  --  --  --  --  --  --  --  --"},
  {"STA", " --  --  --  85  95  --  8D  9D  99  --  81  91 *92  --  --"},
  {"STX", " --  --  --  86  --  96  8E  --  --  --  --  --  --  --  --"},
  {"STY", " --  --  --  84  94  --  8C  --  --  --  --  --  --  --  --"},
  {"STZ", " --  --  -- *64 *74  -- *9C *9E  --  --  --  --  --  --  --"},
  {"TAX", " AA  --  --  --  --  --  --  --  --  --  --  --  --  --  --"},
  {"TAY", " A8  --  --  --  --  --  --  --  --  --  --  --  --  --  --"},
  {"TRB", " --  --  -- *14  --  -- *1C  --  --  --  --  --  --  --  --"},
  {"TSB", " --  --  -- *04  --  -- *0C  --  --  --  --  --  --  --  --"},
  {"TSX", " BA  --  --  --  --  --  --  --  --  --  --  --  --  --  --"},
  {"TXA", " 8A  --  --  --  --  --  --  --  --  --  --  --  --  --  --"},
  {"TXS", " 9A  --  --  --  --  --  --  --  --  --  --  --  --  --  --"},
  {"TYA", " 98  --  --  --  --  --  --  --  --  --  --  --  --  --  --"},
};
// clang-format on

int HexDigit(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

std::optional<unsigned> ParseHex(std::string_view text) {
  if (text.empty()) {
    return std::nullopt;
  }
  unsigned value = 0;
  for (char c : text) {
    if (HexDigit(c) < 0) {
      return std::nullopt;
    }
    value = value * 16 + unsigned(HexDigit(c));
  }
  return value;
}

// The table above read once: per mnemonic, each mode's opcode on each CPU (-1: none).
struct ParsedRow {
  std::array<int, kModeCount> nmos{};
  std::array<int, kModeCount> cmos{};
};

const std::map<std::string, ParsedRow, std::less<>>& ParsedRows() {
  static const auto rows = [] {
    std::map<std::string, ParsedRow, std::less<>> parsed;
    for (const Row& row : kRows) {
      ParsedRow& codes = parsed[row.mnemonic];
      std::istringstream columns(row.codes);
      std::string cell;
      for (int column = 0; column < kModeCount && columns >> cell; ++column) {
        bool cmosOnly = cell[0] == '*';
        std::string digits = cmosOnly ? cell.substr(1) : cell;
        int code = digits == "--" ? -1 : int(*ParseHex(digits));
        codes.cmos[column] = code;
        codes.nmos[column] = cmosOnly ? -1 : code;
      }
    }
    return parsed;
  }();
  return rows;
}

// The opcode of mnemonic in mode on cpu, or -1.
int OpcodeFor(std::string_view mnemonic, Mode mode, Cpu6502 cpu) {
  auto found = ParsedRows().find(mnemonic);
  if (found == ParsedRows().end()) {
    return -1;
  }
  return cpu == Cpu6502::Cmos65C02 ? found->second.cmos[mode] : found->second.nmos[mode];
}

struct Value {
  unsigned number = 0;
  bool zeroPage = false;  // written with two digits
};

std::optional<Value> ParseValue(std::string_view text,
                                const std::map<std::string, uint16_t>& names) {
  if (text.size() > 1 && text[0] == '&') {
    auto number = ParseHex(text.substr(1));
    if (!number || (text.size() != 3 && text.size() != 5)) {
      return std::nullopt;
    }
    return Value{*number, text.size() == 3};
  }
  unsigned extra = 0;
  if (text.size() > 2 && text.substr(text.size() - 2) == "+1") {
    extra = 1;
    text.remove_suffix(2);
  }
  auto found = names.find(std::string(text));
  if (found == names.end()) {
    return std::nullopt;
  }
  return Value{unsigned(found->second + extra) & 0xFFFF, false};
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}
bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

}  // namespace

AssembledInstruction AssembleInstruction(std::string_view mnemonic, std::string_view operand,
                                         uint16_t address, Cpu6502 cpu,
                                         const std::map<std::string, uint16_t>& names) {
  AssembledInstruction result;
  auto emit = [&](Mode mode, unsigned value, int operandBytes) {
    int opcode = OpcodeFor(mnemonic, mode, cpu);
    if (opcode < 0) {
      result.error = "no such instruction";
      return result;
    }
    result.bytes.push_back(uint8_t(opcode));
    for (int index = 0; index < operandBytes; ++index) {
      result.bytes.push_back(uint8_t(value >> (8 * index)));
    }
    return result;
  };
  auto fail = [&](const char* why) {
    result.error = why;
    return result;
  };
  if (operand.empty()) {
    return emit(kImplied, 0, 0);
  }
  if (operand == "A") {
    return emit(kAccumulator, 0, 0);
  }
  if (operand[0] == '#') {
    auto value = ParseValue(operand.substr(1), names);
    return value && value->zeroPage ? emit(kImmediate, value->number, 1) : fail("bad immediate");
  }
  if (OpcodeFor(mnemonic, kRelative, cpu) >= 0) {
    auto value = ParseValue(operand, names);
    if (!value || value->zeroPage) {
      return fail("bad branch target");
    }
    int distance = int(value->number) - int(uint16_t(address + 2));
    // The target may lie across the wrap from &FFFF to &0000.
    if (distance > 0x7FFF) {
      distance -= 0x10000;
    } else if (distance < -0x8000) {
      distance += 0x10000;
    }
    if (distance < -128 || distance > 127) {
      return fail("branch out of reach");
    }
    return emit(kRelative, unsigned(distance) & 0xFF, 1);
  }
  struct Form {
    std::string_view before, after;
    Mode zeroPageMode, absoluteMode;
  };
  static constexpr Form kForms[] = {
      {"(", ",X)", kIndirectX, kAbsoluteIndirectX}, {"(", "),Y", kIndirectY, kModeCount},
      {"(", ")", kZeroPageIndirect, kIndirect},     {"", ",X", kZeroPageX, kAbsoluteX},
      {"", ",Y", kZeroPageY, kAbsoluteY},           {"", "", kZeroPage, kAbsolute},
  };
  for (const Form& form : kForms) {
    if (!StartsWith(operand, form.before) || !EndsWith(operand, form.after) ||
        operand.size() <= form.before.size() + form.after.size()) {
      continue;
    }
    auto inner =
        operand.substr(form.before.size(), operand.size() - form.before.size() - form.after.size());
    auto value = ParseValue(inner, names);
    if (!value) {
      return fail("bad operand");
    }
    Mode mode = value->zeroPage ? form.zeroPageMode : form.absoluteMode;
    if (mode == kModeCount) {
      return fail("no such mode");
    }
    return emit(mode, value->number, value->zeroPage ? 1 : 2);
  }
  return fail("bad operand");
}

const std::map<std::string, uint16_t>& MosNamesForAssembly() {
  static const std::map<std::string, uint16_t> names = {
      {"OSCLI", 0xFFF7},  {"OSBYTE", 0xFFF4}, {"OSWORD", 0xFFF1}, {"OSWRCH", 0xFFEE},
      {"OSWRCR", 0xFFEC}, {"OSNEWL", 0xFFE7}, {"OSASCI", 0xFFE3}, {"OSRDCH", 0xFFE0},
      {"OSFILE", 0xFFDD}, {"OSARGS", 0xFFDA}, {"OSBGET", 0xFFD7}, {"OSBPUT", 0xFFD4},
      {"OSGBPB", 0xFFD1}, {"OSFIND", 0xFFCE}, {"NVWRCH", 0xFFCB}, {"NVRDCH", 0xFFC8},
      {"GSREAD", 0xFFC5}, {"GSINIT", 0xFFC2}, {"OSEVEN", 0xFFBF}, {"VDUCHR", 0xFFBC},
      {"OSRDRM", 0xFFB9}, {"USERV", 0x0200},  {"BRKV", 0x0202},   {"IRQ1V", 0x0204},
      {"IRQ2V", 0x0206},  {"CLIV", 0x0208},   {"BYTEV", 0x020A},  {"WORDV", 0x020C},
      {"WRCHV", 0x020E},  {"RDCHV", 0x0210},  {"FILEV", 0x0212},  {"ARGSV", 0x0214},
      {"BGETV", 0x0216},  {"BPUTV", 0x0218},  {"GBPBV", 0x021A},  {"FINDV", 0x021C},
      {"FSCV", 0x021E},   {"EVNTV", 0x0220},  {"UPTV", 0x0222},   {"NETV", 0x0224},
      {"VDUV", 0x0226},   {"KEYV", 0x0228},   {"INSV", 0x022A},   {"REMV", 0x022C},
      {"CNPV", 0x022E},   {"IND1V", 0x0230},  {"IND2V", 0x0232},  {"IND3V", 0x0234},
  };
  return names;
}

namespace {

struct ListingLine {
  bool label = false;
  std::string name;  // of a label line
  unsigned address = 0;
  std::vector<uint8_t> shown;  // the bytes column
  std::string mnemonic;
  std::string operand;
};

// Splits "AAAA  HH HH  MNEMONIC OPERAND  ; comment" or ".NAME"; "" or what is wrong.
std::string ParseLine(const std::string& text, ListingLine& line) {
  if (!text.empty() && text[0] == '.') {
    line.label = true;
    line.name = text.substr(1);
    bool named = !line.name.empty() && std::all_of(line.name.begin(), line.name.end(), [](char c) {
      return std::isupper(static_cast<unsigned char>(c)) ||
             std::isdigit(static_cast<unsigned char>(c));
    });
    return named ? "" : "bad label";
  }
  if (text.size() < 10 || text.substr(4, 2) != "  " || !ParseHex(text.substr(0, 4))) {
    return "bad address column";
  }
  line.address = *ParseHex(text.substr(0, 4));
  size_t position = 6;
  while (true) {
    auto pair = position + 2 <= text.size() ? ParseHex(text.substr(position, 2)) : std::nullopt;
    if (!pair) {
      return "bad bytes column";
    }
    line.shown.push_back(uint8_t(*pair));
    position += 2;
    if (position + 1 < text.size() && text[position] == ' ' && text[position + 1] != ' ') {
      ++position;
      continue;
    }
    break;
  }
  size_t mnemonicColumn = 6 + std::max<size_t>(8, position - 6) + 2;
  if (text.size() <= mnemonicColumn || text.find_first_not_of(' ', position) != mnemonicColumn) {
    return "mnemonic not in its column";
  }
  size_t mnemonicEnd = text.find(' ', mnemonicColumn);
  line.mnemonic = text.substr(mnemonicColumn, mnemonicEnd - mnemonicColumn);
  if (mnemonicEnd == std::string::npos) {
    return "";
  }
  std::string rest = text.substr(mnemonicEnd + 1);
  if (line.mnemonic != "EQUS") {
    rest = rest.substr(0, rest.find("  ; "));
  }
  if (rest.empty() || rest.back() == ' ' || rest.front() == ' ') {
    return "stray spaces";
  }
  line.operand = rest;
  return "";
}

std::string DataBytes(const ListingLine& line, std::vector<uint8_t>& bytes) {
  if (line.mnemonic == "EQUB") {
    std::istringstream items(line.operand);
    std::string item;
    while (std::getline(items, item, ',')) {
      auto value = item.size() == 3 && item[0] == '&' ? ParseHex(item.substr(1)) : std::nullopt;
      if (!value) {
        return "bad EQUB item";
      }
      bytes.push_back(uint8_t(*value));
    }
    return bytes.size() <= 8 ? "" : "more than 8 bytes";
  }
  const std::string& quoted = line.operand;
  if (quoted.size() < 3 || quoted.front() != '"' || quoted.back() != '"') {
    return "bad EQUS string";
  }
  for (size_t index = 1; index + 1 < quoted.size(); ++index) {
    char c = quoted[index];
    if (c == '"') {
      if (quoted[index + 1] != '"' || index + 2 >= quoted.size()) {
        return "lone quote in EQUS";
      }
      ++index;
    }
    if (c < 0x20 || c > 0x7E) {
      return "unprintable byte in EQUS";
    }
    bytes.push_back(uint8_t(c));
  }
  return "";
}

}  // namespace

std::string CheckListing(const std::string& text, const std::vector<uint8_t>& bytes, uint16_t load,
                         Cpu6502 cpu) {
  std::vector<std::string> texts;
  std::istringstream stream(text);
  for (std::string lineText; std::getline(stream, lineText);) {
    texts.push_back(lineText);
  }
  if (!text.empty() && text.back() != '\n') {
    return "the text does not end with a newline";
  }
  std::vector<ListingLine> lines(texts.size());
  std::map<std::string, uint16_t> names = MosNamesForAssembly();
  for (size_t index = 0; index < texts.size(); ++index) {
    std::string problem = ParseLine(texts[index], lines[index]);
    if (!problem.empty()) {
      return problem + ": " + texts[index];
    }
  }
  for (size_t index = 0; index < lines.size(); ++index) {
    if (!lines[index].label) {
      continue;
    }
    if (index + 1 == lines.size() || lines[index + 1].label) {
      return "a label not followed by its line: " + texts[index];
    }
    const std::string& name = lines[index].name;
    auto named = name.size() == 5 && name[0] == 'L' ? ParseHex(name.substr(1)) : std::nullopt;
    if (named && *named != lines[index + 1].address) {
      return "a label not named by its address: " + texts[index];
    }
    names[name] = uint16_t(lines[index + 1].address);
  }
  size_t offset = 0;
  for (size_t index = 0; index < lines.size(); ++index) {
    const ListingLine& line = lines[index];
    const std::string& lineText = texts[index];
    if (line.label) {
      continue;
    }
    if (line.address != uint16_t(load + offset)) {
      return "line not at the address of the next byte: " + lineText;
    }
    if (offset + line.shown.size() > bytes.size() ||
        !std::equal(line.shown.begin(), line.shown.end(), bytes.begin() + ptrdiff_t(offset))) {
      return "bytes column does not show the file's bytes: " + lineText;
    }
    if (line.mnemonic == "EQUB" || line.mnemonic == "EQUS") {
      std::vector<uint8_t> data;
      std::string problem = DataBytes(line, data);
      if (!problem.empty()) {
        return problem + ": " + lineText;
      }
      if (data != line.shown) {
        return "data does not give back its bytes: " + lineText;
      }
    } else {
      AssembledInstruction assembled =
          AssembleInstruction(line.mnemonic, line.operand, uint16_t(line.address), cpu, names);
      if (!assembled.error.empty()) {
        return assembled.error + ": " + lineText;
      }
      if (assembled.bytes != line.shown) {
        return "re-assembles to other bytes: " + lineText;
      }
    }
    offset += line.shown.size();
  }
  if (offset != bytes.size()) {
    return "the lines cover " + std::to_string(offset) + " of " + std::to_string(bytes.size()) +
           " bytes";
  }
  return "";
}

bool AssemblerKnowsOpcode(uint8_t code, Cpu6502 cpu) {
  for (const auto& [mnemonic, row] : ParsedRows()) {
    const auto& codes = cpu == Cpu6502::Cmos65C02 ? row.cmos : row.nmos;
    if (std::find(codes.begin(), codes.end(), int(code)) != codes.end()) {
      return true;
    }
  }
  return false;
}
