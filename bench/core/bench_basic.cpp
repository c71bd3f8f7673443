// SPDX-License-Identifier: GPL-3.0-or-later
// Times listing a 30 KB BASIC program (the inspector lists the working copy again after
// every edit, so this must stay well under a frame), its plain text, and the text view
// of the same bytes.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "BenchTiming.h"
#include "decode/BasicListing.h"
#include "decode/TextView.h"
#include "support/BasicProgramBuilder.h"

namespace {

// At least 30 KB of lines like a real program's: keywords, names, strings with teletext
// codes, line-number tokens, REM and DATA text.
std::vector<uint8_t> ThirtyKilobyteProgram() {
  const std::vector<std::string> bodies = {
      "\xF1\"\x81Score:\x87\";S%;TAB(20)\"Lives \";L%",
      "\xE3I%=1\xB8"
      "10:X(I%)=\xB5(I%*\xAF/8)*100:\xED",
      "\xE7"
      "A%>10\x8C" +
          LineNumberToken(1200) + "\x8B" + LineNumberToken(30000),
      "\xF4 Move the player and check for collisions with the walls",
      "\xDC 10,20,30,40,\"LEVEL ONE\",&FF,-1",
      "\xDD\xF2move(dx%,dy%):\xEA x%,y%:x%=x%+dx%:y%=y%+dy%:\xE1",
      "\xEF"
      "23,224,255,129,129,129,129,129,129,255:\xEB"
      "7",
      "\xE4" + LineNumberToken(500) + ":\xF7" + LineNumberToken(2000) + ":\xE5" +
          LineNumberToken(10),
  };
  BasicProgramBuilder program;
  int number = 10;
  for (size_t index = 0; program.Size() < 30 * 1024; ++index, number += 10) {
    program.Line(number, bodies[index % bodies.size()]);
  }
  program.End();
  return program.Bytes();
}

}  // namespace

int main(int argc, char** argv) {
  int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  std::vector<uint8_t> program = ThirtyKilobyteProgram();
  std::printf("program: %zu bytes\n", program.size());

  size_t lines = 0;
  double median = Report("ListBasicProgram (30 KB)", repetitions, [&] {
    BasicListing listing = ListBasicProgram(program);
    if (listing.report.IsError()) {
      std::abort();
    }
    lines = listing.lines.size();
  });
  std::printf("  %zu lines; limit 5000 us: %s\n", lines, median < 5000 ? "met" : "MISSED");

  BasicListing listing = ListBasicProgram(program);
  Report("PlainText of the whole listing", repetitions, [&] {
    if (PlainText(listing.lines).empty()) {
      std::abort();
    }
  });
  Report("TextViewLines (same 30 KB)", repetitions, [&] {
    if (TextViewLines(program).empty()) {
      std::abort();
    }
  });
  return 0;
}
