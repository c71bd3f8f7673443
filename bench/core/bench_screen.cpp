// SPDX-License-Identifier: GPL-3.0-or-later
// Times drawing screen memory as pictures: a 20 KB screen in each of the three modes of
// that layout, a teletext page, the mode guess among MODE 0, 1 and 2, and PNG encoding.
// A 20 KB screen should draw in under 5 ms.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <numeric>
#include <vector>

#include "BenchTiming.h"
#include "decode/PngWriter.h"
#include "decode/ScreenGuess.h"
#include "decode/ScreenModes.h"
#include "support/ScreenBuilder.h"

namespace {

std::vector<uint8_t> TeletextPage() {
  std::vector<uint8_t> page(1000);
  for (size_t index = 0; index < page.size(); ++index) {
    size_t column = index % 40;
    // Colours, double height and mosaics along every row.
    page[index] = column == 0   ? 0x91 + uint8_t(index / 40 % 7)
                  : column == 1 ? 0x9D
                  : column == 2 ? 0x8D
                                : uint8_t(0x20 + (index * 7) % 96);
  }
  return page;
}

}  // namespace

int main(int argc, char** argv) {
  int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  const double budgetMicroseconds = 5000;
  double worst = 0;
  size_t checksum = 0;
  const char* names[] = {"RenderScreen 20 KB in MODE 0", "RenderScreen 20 KB in MODE 1",
                         "RenderScreen 20 KB in MODE 2"};
  for (int mode = 0; mode <= 2; ++mode) {
    std::vector<uint8_t> screen = ScenePicture(mode);
    worst = std::max(worst, Report(names[mode], repetitions, [&] {
                       checksum += RenderScreen(screen, mode).rgb[size_t(mode) * 999];
                     }));
  }
  std::vector<uint8_t> page = TeletextPage();
  Report("RenderScreen teletext page (MODE 7)", repetitions,
         [&] { checksum += RenderScreen(page, kTeletextMode).rgb[4321]; });
  std::vector<uint8_t> picture = ScenePicture(2);
  Report("GuessScreenMode among 0/1/2 (20 KB)", repetitions,
         [&] { checksum += size_t(GuessScreenMode(0x3000, picture).mode); });
  ScreenRaster raster = RenderScreen(picture, 2);
  Report("EncodePng 160 x 256", repetitions, [&] { checksum += EncodePng(raster).size(); });
  std::printf("slowest 20 KB screen: median %.1f us, budget %.0f us: %s (checksum %zu)\n", worst,
              budgetMicroseconds, worst < budgetMicroseconds ? "within" : "OVER", checksum);
  return worst < budgetMicroseconds ? 0 : 1;
}
