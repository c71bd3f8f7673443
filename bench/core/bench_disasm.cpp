// SPDX-License-Identifier: GPL-3.0-or-later
// Times the 6502 disassembler on 20 KB files: one that traces as code almost throughout,
// random bytes entered at the start, and data with text that is never entered.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "BenchTiming.h"
#include "decode/Disassembler6502.h"

namespace {

constexpr size_t kFileSize = 20 * 1024;
constexpr uint16_t kLoad = 0x1900;

// Instructions that carry on to the next, with branches and calls to anywhere in the
// file, OSBYTE calls and a final RTS: tracing from the start reaches nearly every byte.
std::vector<uint8_t> CodeFile(std::mt19937& random) {
  std::vector<const Opcode6502*> carryOn;
  for (int code = 0; code < 256; ++code) {
    const Opcode6502* opcode = LookUpOpcode(uint8_t(code), Cpu6502::Nmos6502);
    if (opcode && FlowOf(*opcode) != ControlFlow::Stop && FlowOf(*opcode) != ControlFlow::Jump) {
      carryOn.push_back(opcode);
    }
  }
  std::vector<uint8_t> bytes;
  while (bytes.size() + 8 < kFileSize) {
    if (random() % 16 == 0) {
      bytes.insert(bytes.end(), {0xA9, uint8_t(random() % 0x100), 0x20, 0xF4, 0xFF});
      continue;
    }
    const Opcode6502& opcode = *carryOn[random() % carryOn.size()];
    bytes.push_back(opcode.code);
    if (FlowOf(opcode) == ControlFlow::Call) {
      uint16_t target = uint16_t(kLoad + random() % kFileSize);
      bytes.insert(bytes.end(), {uint8_t(target), uint8_t(target >> 8)});
      continue;
    }
    for (int operand = 1; operand < InstructionLength(opcode.mode); ++operand) {
      bytes.push_back(uint8_t(random()));
    }
  }
  bytes.resize(kFileSize - 1, 0xEA);
  bytes.push_back(0x60);
  return bytes;
}

std::vector<uint8_t> RandomFile(std::mt19937& random) {
  std::vector<uint8_t> bytes(kFileSize);
  std::generate(bytes.begin(), bytes.end(), [&] { return uint8_t(random()); });
  return bytes;
}

// Runs of text between runs of bytes.
std::vector<uint8_t> DataFile(std::mt19937& random) {
  std::vector<uint8_t> bytes;
  while (bytes.size() < kFileSize) {
    bool text = random() % 2;
    for (size_t count = 1 + random() % 40; count > 0; --count) {
      bytes.push_back(text ? uint8_t(0x20 + random() % 0x5F) : uint8_t(random() % 0x20));
    }
  }
  bytes.resize(kFileSize);
  return bytes;
}

void Measure(const char* name, int repetitions, const std::vector<uint8_t>& bytes, uint32_t exec) {
  DisassemblyInput input;
  input.bytes = bytes;
  input.loadAddress = kLoad;
  input.execAddress = exec;
  Disassembly sample = Disassemble(input);
  size_t codeBytes = 0;
  for (const DisassemblyLine& line : sample.lines) {
    codeBytes += line.kind == DisassemblyLineKind::Instruction ? line.byteCount : 0;
  }
  std::printf("%s: %zu lines, %zu%% of the bytes in instructions\n", name, sample.lines.size(),
              codeBytes * 100 / bytes.size());
  Report((std::string(name) + ": Disassemble").c_str(), repetitions, [&] {
    if (Disassemble(input).lines.empty()) {
      std::abort();
    }
  });
  Report((std::string(name) + ": Disassemble + Text").c_str(), repetitions, [&] {
    if (Disassemble(input).Text().empty()) {
      std::abort();
    }
  });
}

}  // namespace

int main(int argc, char** argv) {
  int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  std::mt19937 random(18);
  Measure("20 KB of code", repetitions, CodeFile(random), kLoad);
  Measure("20 KB of random bytes", repetitions, RandomFile(random), kLoad);
  Measure("20 KB of data and text", repetitions, DataFile(random), 0);
  return 0;
}
