// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a fuzz target once on each file named on the command line, without libFuzzer:
// the main build replays the inputs kept in fuzz/regressions with it. A broken
// invariant aborts with the target's message.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size);

int main(int argc, char** argv) {
  for (int index = 1; index < argc; ++index) {
    std::ifstream file(argv[index], std::ios::binary);
    if (!file) {
      std::fprintf(stderr, "cannot read %s\n", argv[index]);
      return 1;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                               std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    std::printf("replayed %s\n", argv[index]);
  }
  return argc > 1 ? 0 : 1;
}
