// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/Disassembler6502.h"

#include <algorithm>
#include <string_view>

#include "decode/MosNames.h"

namespace {

constexpr size_t kBytesPerDataLine = 8;
constexpr size_t kShortestString = 4;
// The bytes column is at least this wide, so the mnemonics of instructions line up.
constexpr size_t kBytesColumnWidth = 8;
constexpr uint16_t kOsbyte = 0xFFF4;
constexpr uint16_t kOsword = 0xFFF1;
constexpr uint8_t kJsr = 0x20;
constexpr uint8_t kLdaImmediate = 0xA9;

enum ByteRole : uint8_t { kUnclaimed, kInstructionStart, kInstructionRest };

bool IsPrintable(uint8_t byte) {
  return byte >= 0x20 && byte <= 0x7E;
}

void AppendHex(std::string& text, unsigned value, int digits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
    text += kDigits[(value >> shift) & 0xF];
  }
}

bool IsLoadOrStore(std::string_view mnemonic) {
  return mnemonic == "LDA" || mnemonic == "LDX" || mnemonic == "LDY" || mnemonic == "STA" ||
         mnemonic == "STX" || mnemonic == "STY" || mnemonic == "STZ";
}

// Builds one line's text and spans.
class LineWriter {
 public:
  explicit LineWriter(DisassemblyLine& line) : line_(line) {}

  void Append(std::string_view text, DisassemblySpanKind kind,
              std::optional<uint16_t> target = {}) {
    size_t start = line_.text.size();
    line_.text += text;
    Mark(start, kind, target);
  }
  void AppendPlain(std::string_view text) { line_.text += text; }
  std::string& Text() { return line_.text; }
  // Records the text appended since start as one span; plain text of one kind next to
  // another run of it joins that run.
  void Mark(size_t start, DisassemblySpanKind kind, std::optional<uint16_t> target = {}) {
    if (line_.text.size() == start) {
      return;
    }
    if (line_.spanCount > 0 && !target) {
      DisassemblySpan& last = line_.spanStorage[line_.spanCount - 1];
      if (last.kind == kind && !last.hasTarget && last.start + last.length == start) {
        last.length = uint16_t(line_.text.size() - last.start);
        return;
      }
    }
    if (line_.spanCount == DisassemblyLine::kMaxSpans) {
      return;
    }
    DisassemblySpan& span = line_.spanStorage[line_.spanCount++];
    span.start = uint16_t(start);
    span.length = uint16_t(line_.text.size() - start);
    span.kind = kind;
    span.hasTarget = target.has_value();
    span.target = target.value_or(0);
  }

 private:
  DisassemblyLine& line_;
};

class Disassembler {
 public:
  explicit Disassembler(const DisassemblyInput& input)
      : bytes_(input.bytes),
        load_(uint16_t(input.loadAddress)),
        cpu_(input.cpu),
        role_(bytes_.size(), kUnclaimed),
        targeted_(bytes_.size(), 0) {
    result_.loadAddress = load_;
    result_.size = bytes_.size();
  }

  Disassembly Run(const DisassemblyInput& input) {
    for (size_t offset : input.entryOffsets) {
      if (offset < bytes_.size()) {
        Trace(offset);
      } else {
        result_.entryOffsetsOutside.push_back(offset);
      }
    }
    for (uint32_t address : input.entryAddresses) {
      if (auto offset = OffsetOf(uint16_t(address))) {
        Trace(*offset);
      } else {
        result_.entryAddressesOutside.push_back(address);
      }
    }
    TraceRomHeader();
    if (auto offset = OffsetOf(uint16_t(input.execAddress))) {
      Trace(*offset);
    }
    if (input.machineCodeOffset && *input.machineCodeOffset < bytes_.size()) {
      Trace(*input.machineCodeOffset);
    }
    LayOut();
    return std::move(result_);
  }

 private:
  uint16_t AddressOf(size_t offset) const { return uint16_t(load_ + offset); }

  // Only the first 64 KB of a file can be reached by an address.
  std::optional<size_t> OffsetOf(uint16_t address) const {
    size_t offset = uint16_t(address - load_);
    return offset < bytes_.size() ? std::optional<size_t>(offset) : std::nullopt;
  }

  uint16_t Word(size_t offset) const { return uint16_t(bytes_[offset] | bytes_[offset + 1] << 8); }

  // Where a branch, jump or call at offset goes.
  uint16_t TargetOf(const Opcode6502& opcode, size_t offset) const {
    if (opcode.mode == AddressMode::Relative) {
      return uint16_t(AddressOf(offset) + 2 + int8_t(bytes_[offset + 1]));
    }
    return Word(offset + 1);
  }

  // A sideways ROM at &8000 starts with JMPs to its language and service entries, and
  // byte 7 points at a zero byte followed by "(C)".
  void TraceRomHeader() {
    if (load_ != 0x8000 || bytes_.size() < 8) {
      return;
    }
    size_t copyright = bytes_[7];
    if (copyright + 4 > bytes_.size() || bytes_[copyright] != 0 || bytes_[copyright + 1] != '(' ||
        bytes_[copyright + 2] != 'C' || bytes_[copyright + 3] != ')') {
      return;
    }
    for (size_t entry : {size_t(0), size_t(3)}) {
      if (bytes_[entry] == 0x4C) {
        Trace(entry);
      }
    }
  }

  void Trace(size_t start) {
    pending_.push_back(start);
    while (!pending_.empty()) {
      size_t offset = pending_.back();
      pending_.pop_back();
      while (offset < bytes_.size() && role_[offset] == kUnclaimed) {
        const Opcode6502* opcode = LookUpOpcode(bytes_[offset], cpu_);
        if (!opcode) {
          break;
        }
        size_t length = size_t(InstructionLength(opcode->mode));
        if (offset + length > bytes_.size() ||
            std::any_of(role_.begin() + ptrdiff_t(offset) + 1,
                        role_.begin() + ptrdiff_t(offset + length),
                        [](uint8_t role) { return role != kUnclaimed; })) {
          break;
        }
        role_[offset] = kInstructionStart;
        std::fill_n(role_.begin() + ptrdiff_t(offset) + 1, length - 1, kInstructionRest);
        ControlFlow flow = FlowOf(*opcode);
        if (flow == ControlFlow::Branch || flow == ControlFlow::Jump || flow == ControlFlow::Call) {
          if (auto target = OffsetOf(TargetOf(*opcode, offset))) {
            targeted_[*target] = 1;
            pending_.push_back(*target);
          }
        }
        if (flow == ControlFlow::Jump || flow == ControlFlow::Stop) {
          break;
        }
        offset += length;
      }
    }
  }

  // A target gets a label when a line starts there.
  bool HasLabel(size_t offset) const {
    return targeted_[offset] && role_[offset] != kInstructionRest;
  }

  std::optional<size_t> LabelledOffset(uint16_t address) const {
    auto offset = OffsetOf(address);
    return offset && HasLabel(*offset) ? offset : std::nullopt;
  }

  void AppendLabelName(std::string& text, uint16_t address) const {
    std::string_view mosName = MosEntryName(address);
    if (!mosName.empty()) {
      text += mosName;
    } else {
      text += 'L';
      AppendHex(text, address, 4);
    }
  }

  void LayOut() {
    result_.lines.reserve(bytes_.size() / 2 + 16);
    size_t offset = 0;
    while (offset < bytes_.size()) {
      if (HasLabel(offset)) {
        AddLabelLine(offset);
      }
      if (role_[offset] == kInstructionStart) {
        offset += AddInstructionLine(offset);
        continue;
      }
      size_t end = offset + 1;
      while (end < bytes_.size() && role_[end] == kUnclaimed && !HasLabel(end)) {
        ++end;
      }
      AddDataLines(offset, end);
      offset = end;
    }
  }

  DisassemblyLine& NewLine(DisassemblyLineKind kind, size_t offset, size_t byteCount) {
    DisassemblyLine& line = result_.lines.emplace_back();
    line.kind = kind;
    line.address = AddressOf(offset);
    line.offset = offset;
    line.byteCount = byteCount;
    line.text.reserve(40);
    return line;
  }

  void AddLabelLine(size_t offset) {
    DisassemblyLine& line = NewLine(DisassemblyLineKind::Label, offset, 0);
    LineWriter writer(line);
    writer.AppendPlain(".");
    AppendLabelName(line.text, line.address);
    writer.Mark(0, DisassemblySpanKind::Label);
  }

  // "AAAA  HH HH HH  ": the address and the bytes, padded.
  void AppendAddressAndBytes(LineWriter& writer, size_t offset, size_t count) const {
    std::string& text = writer.Text();
    AppendHex(text, AddressOf(offset), 4);
    writer.Mark(0, DisassemblySpanKind::Address);
    text += "  ";
    size_t bytesStart = text.size();
    for (size_t index = 0; index < count; ++index) {
      if (index > 0) {
        text += ' ';
      }
      AppendHex(text, bytes_[offset + index], 2);
    }
    writer.Mark(bytesStart, DisassemblySpanKind::Bytes);
    text.append(kBytesColumnWidth - std::min(kBytesColumnWidth, text.size() - bytesStart), ' ');
    text += "  ";
  }

  void AddDataLines(size_t start, size_t end) {
    // runEnds_[i - start]: where the run of printable bytes from i ends.
    runEnds_.assign(end - start + 1, end);
    for (size_t index = end; index-- > start;) {
      runEnds_[index - start] = IsPrintable(bytes_[index]) ? runEnds_[index - start + 1] : index;
    }
    auto isStringStart = [&](size_t index) {
      return runEnds_[index - start] - index >= kShortestString;
    };
    size_t offset = start;
    while (offset < end) {
      if (isStringStart(offset)) {
        size_t runEnd = runEnds_[offset - start];
        for (; offset < runEnd; offset += kBytesPerDataLine) {
          AddStringLine(offset, std::min(kBytesPerDataLine, runEnd - offset));
        }
        offset = runEnd;
        continue;
      }
      size_t lineEnd = offset + 1;
      while (lineEnd < end && lineEnd - offset < kBytesPerDataLine && !isStringStart(lineEnd)) {
        ++lineEnd;
      }
      AddByteLine(offset, lineEnd - offset);
      offset = lineEnd;
    }
  }

  void AddByteLine(size_t offset, size_t count) {
    DisassemblyLine& line = NewLine(DisassemblyLineKind::Data, offset, count);
    LineWriter writer(line);
    AppendAddressAndBytes(writer, offset, count);
    writer.Append("EQUB", DisassemblySpanKind::Mnemonic);
    writer.AppendPlain(" ");
    size_t operandStart = line.text.size();
    for (size_t index = 0; index < count; ++index) {
      line.text += index > 0 ? ",&" : "&";
      AppendHex(line.text, bytes_[offset + index], 2);
    }
    writer.Mark(operandStart, DisassemblySpanKind::Operand);
  }

  void AddStringLine(size_t offset, size_t count) {
    DisassemblyLine& line = NewLine(DisassemblyLineKind::Data, offset, count);
    LineWriter writer(line);
    AppendAddressAndBytes(writer, offset, count);
    writer.Append("EQUS", DisassemblySpanKind::Mnemonic);
    writer.AppendPlain(" ");
    size_t operandStart = line.text.size();
    line.text += '"';
    for (size_t index = 0; index < count; ++index) {
      char c = char(bytes_[offset + index]);
      // BBC BASIC writes a quote inside a string as two.
      line.text += c == '"' ? "\"\"" : std::string_view(&c, 1);
    }
    line.text += '"';
    writer.Mark(operandStart, DisassemblySpanKind::Operand);
  }

  // Writes an address operand: a label or MOS name where there is one, else &HHHH.
  void AppendAddressOperand(LineWriter& writer, const Opcode6502& opcode, uint16_t address) const {
    std::string& text = writer.Text();
    size_t start = text.size();
    if (LabelledOffset(address)) {
      AppendLabelName(text, address);
      writer.Mark(start, DisassemblySpanKind::Label, address);
      return;
    }
    ControlFlow flow = FlowOf(opcode);
    bool transfersControl =
        flow == ControlFlow::Branch || flow == ControlFlow::Jump || flow == ControlFlow::Call;
    if (transfersControl && !MosEntryName(address).empty() && !OffsetOf(address)) {
      text += MosEntryName(address);
      writer.Mark(start, DisassemblySpanKind::Label);
      return;
    }
    bool usesVector = (opcode.mnemonic == "JMP" && opcode.mode == AddressMode::Indirect) ||
                      IsLoadOrStore(opcode.mnemonic);
    if (usesVector && !MosVectorName(address).empty()) {
      text += MosVectorName(address);
      writer.Mark(start, DisassemblySpanKind::Label);
      return;
    }
    if (usesVector && !MosVectorName(uint16_t(address - 1)).empty()) {
      text += MosVectorName(uint16_t(address - 1));
      writer.Mark(start, DisassemblySpanKind::Label);
      writer.Append("+1", DisassemblySpanKind::Operand);
      return;
    }
    text += '&';
    AppendHex(text, address, 4);
    writer.Mark(start, DisassemblySpanKind::Operand);
  }

  void AppendOperand(LineWriter& writer, const Opcode6502& opcode, size_t offset) const {
    using enum AddressMode;
    std::string& text = writer.Text();
    auto appendZeroPage = [&](std::string_view before, std::string_view after) {
      size_t start = text.size();
      text += before;
      text += '&';
      AppendHex(text, bytes_[offset + 1], 2);
      text += after;
      writer.Mark(start, DisassemblySpanKind::Operand);
    };
    auto appendAbsolute = [&](std::string_view before, uint16_t address, std::string_view after) {
      writer.Append(before, DisassemblySpanKind::Operand);
      AppendAddressOperand(writer, opcode, address);
      writer.Append(after, DisassemblySpanKind::Operand);
    };
    switch (opcode.mode) {
      case Implied:
        return;
      case Accumulator:
        writer.Append("A", DisassemblySpanKind::Operand);
        return;
      case Immediate:
        return appendZeroPage("#", "");
      case ZeroPage:
        return appendZeroPage("", "");
      case ZeroPageX:
        return appendZeroPage("", ",X");
      case ZeroPageY:
        return appendZeroPage("", ",Y");
      case ZeroPageIndexedIndirect:
        return appendZeroPage("(", ",X)");
      case ZeroPageIndirectIndexed:
        return appendZeroPage("(", "),Y");
      case ZeroPageIndirect:
        return appendZeroPage("(", ")");
      case Absolute:
        return appendAbsolute("", Word(offset + 1), "");
      case AbsoluteX:
        return appendAbsolute("", Word(offset + 1), ",X");
      case AbsoluteY:
        return appendAbsolute("", Word(offset + 1), ",Y");
      case Indirect:
        return appendAbsolute("(", Word(offset + 1), ")");
      case AbsoluteIndexedIndirect:
        return appendAbsolute("(", Word(offset + 1), ",X)");
      case Relative:
        return appendAbsolute("", TargetOf(opcode, offset), "");
    }
  }

  // The OSBYTE or OSWORD call that LDA #n at offset selects, when the next instructions
  // are LDX/LDY and then JSR OSBYTE or OSWORD with no label in between.
  std::string_view CallComment(size_t offset) const {
    uint8_t call = bytes_[offset + 1];
    for (size_t next = offset + 2; next < bytes_.size();) {
      if (role_[next] != kInstructionStart || HasLabel(next)) {
        return {};
      }
      const Opcode6502* opcode = LookUpOpcode(bytes_[next], cpu_);
      if (opcode->code == kJsr) {
        uint16_t target = Word(next + 1);
        return target == kOsbyte   ? OsbyteCallName(call)
               : target == kOsword ? OswordCallName(call)
                                   : std::string_view();
      }
      if (opcode->mnemonic != "LDX" && opcode->mnemonic != "LDY") {
        return {};
      }
      next += size_t(InstructionLength(opcode->mode));
    }
    return {};
  }

  size_t AddInstructionLine(size_t offset) {
    const Opcode6502& opcode = *LookUpOpcode(bytes_[offset], cpu_);
    size_t length = size_t(InstructionLength(opcode.mode));
    DisassemblyLine& line = NewLine(DisassemblyLineKind::Instruction, offset, length);
    LineWriter writer(line);
    AppendAddressAndBytes(writer, offset, length);
    writer.Append(opcode.mnemonic, DisassemblySpanKind::Mnemonic);
    if (opcode.mode != AddressMode::Implied) {
      writer.AppendPlain(" ");
      AppendOperand(writer, opcode, offset);
    }
    if (opcode.code == kLdaImmediate) {
      std::string_view comment = CallComment(offset);
      if (!comment.empty()) {
        writer.AppendPlain("  ");
        size_t commentStart = line.text.size();
        line.text += "; ";
        line.text += comment;
        writer.Mark(commentStart, DisassemblySpanKind::Comment);
      }
    }
    return length;
  }

  std::span<const uint8_t> bytes_;
  uint16_t load_;
  Cpu6502 cpu_;
  std::vector<uint8_t> role_;
  std::vector<uint8_t> targeted_;
  std::vector<size_t> pending_;
  std::vector<size_t> runEnds_;
  Disassembly result_;
};

}  // namespace

std::optional<size_t> MachineCodeAfterBasic(std::span<const uint8_t> bytes) {
  size_t offset = 0;
  while (offset + 1 < bytes.size() && bytes[offset] == 0x0D) {
    if (bytes[offset + 1] == 0xFF) {
      size_t codeStart = offset + 2;
      return codeStart < bytes.size() ? std::optional<size_t>(codeStart) : std::nullopt;
    }
    if (offset + 3 >= bytes.size() || bytes[offset + 1] > 0x7F || bytes[offset + 3] < 4) {
      return std::nullopt;
    }
    offset += bytes[offset + 3];
  }
  return std::nullopt;
}

DisassemblyInput DisassemblyInputForFile(std::span<const uint8_t> bytes, uint32_t loadAddress,
                                         uint32_t execAddress, Cpu6502 cpu) {
  DisassemblyInput input;
  input.bytes = bytes;
  input.loadAddress = loadAddress;
  input.execAddress = execAddress;
  input.cpu = cpu;
  input.machineCodeOffset = MachineCodeAfterBasic(bytes);
  return input;
}

std::optional<uint16_t> DisassemblyLine::JumpTarget() const {
  for (const DisassemblySpan& span : Spans()) {
    if (span.hasTarget) {
      return span.target;
    }
  }
  return std::nullopt;
}

std::string Disassembly::Text() const {
  return lines.empty() ? std::string() : Text(0, lines.size() - 1);
}

std::string Disassembly::Text(size_t first, size_t last) const {
  std::string text;
  if (first > last || last >= lines.size()) {
    return text;
  }
  size_t total = 0;
  for (size_t index = first; index <= last; ++index) {
    total += lines[index].text.size() + 1;
  }
  text.reserve(total);
  for (size_t index = first; index <= last; ++index) {
    text += lines[index].text;
    text += '\n';
  }
  return text;
}

std::optional<size_t> Disassembly::LineOfOffset(size_t offset) const {
  if (offset >= size) {
    return std::nullopt;
  }
  auto after = std::upper_bound(
      lines.begin(), lines.end(), offset,
      [](size_t value, const DisassemblyLine& line) { return value < line.offset; });
  return size_t(after - lines.begin()) - 1;
}

std::optional<size_t> Disassembly::LineOfAddress(uint16_t address) const {
  size_t offset = uint16_t(address - loadAddress);
  auto index = LineOfOffset(offset);
  if (index && *index > 0 && lines[*index].offset == offset &&
      lines[*index - 1].kind == DisassemblyLineKind::Label) {
    return *index - 1;
  }
  return index;
}

Disassembly Disassemble(const DisassemblyInput& input) {
  return Disassembler(input).Run(input);
}
