// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/AssemblerListing.h"

namespace {

SpanKind ListingKindOf(DisassemblySpanKind kind) {
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
  return SpanKind::Operand;
}

// "&" and at least four upper-case hex digits.
std::string Hex4(uint64_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string digits;
  do {
    digits.insert(digits.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  return "&" + std::string(digits.size() < 4 ? 4 - digits.size() : 0, '0') + digits;
}

// Why the user's entry points were not all traced, or nothing.
std::string OutsideNote(const Disassembly& disassembly) {
  std::string points;
  auto add = [&points](const std::string& point) {
    points += points.empty() ? point : ", " + point;
  };
  for (size_t offset : disassembly.entryOffsetsOutside) {
    add("offset " + Hex4(offset));
  }
  for (uint32_t address : disassembly.entryAddressesOutside) {
    add(Hex4(address & 0xFFFF));
  }
  if (points.empty()) {
    return {};
  }
  const size_t count =
      disassembly.entryOffsetsOutside.size() + disassembly.entryAddressesOutside.size();
  std::string where = disassembly.size == 0
                          ? "the file is empty"
                          : "the file runs from " + Hex4(disassembly.loadAddress) + " to " +
                                Hex4((disassembly.loadAddress + disassembly.size - 1) & 0xFFFF);
  return std::string(count == 1 ? "The entry point " : "The entry points ") + points +
         (count == 1 ? " lies" : " lie") + " outside the file and " +
         (count == 1 ? "was" : "were") + " not traced: " + where + ".";
}

}  // namespace

FileListing ListMachineCode(const DisassemblyInput& input) {
  const Disassembly disassembly = Disassemble(input);
  FileListing listing;
  listing.lines.reserve(disassembly.lines.size());
  for (const DisassemblyLine& line : disassembly.lines) {
    ListingLine& listed = listing.lines.emplace_back();
    listed.offset = int64_t(line.offset);
    listed.text = line.text;
    listed.spans.reserve(line.spanCount);
    for (const DisassemblySpan& span : line.Spans()) {
      ListingSpan& converted = listed.spans.emplace_back();
      converted.start = span.start;
      converted.length = span.length;
      converted.kind = ListingKindOf(span.kind);
      if (span.hasTarget) {
        if (std::optional<size_t> target = disassembly.LineOfAddress(span.target)) {
          converted.targetLine = int32_t(*target);
        }
      }
    }
  }
  listing.note = OutsideNote(disassembly);
  listing.failed = !listing.note.empty();
  return listing;
}
