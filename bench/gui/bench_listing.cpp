// SPDX-License-Identifier: GPL-3.0-or-later
// Times a paint of the inspector's BASIC and Text tabs on a 30 KB program, and of its
// Assembler tab on 20 KB of machine code: unchanged (the working copy is only compared
// with the bytes last listed), and after a one-byte edit (listed again, then painted), at
// the top and the end of the listing.
#include <QApplication>
#include <QTabBar>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "inspector/FileInspector.h"
#include "inspector/InspectorListings.h"
#include "inspector/ListingView.h"
#include "inspector/SScrollBar.h"
#include "support/BasicProgramBuilder.h"
#include "support_gui/InspectorTestSupport.h"

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> times) {
  std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
  return times[times.size() / 2];
}

// Median milliseconds of a repaint of the tab's listing, with the byte at offset changed
// before each paint when edit is set.
double TimePaint(TFileInspectorFrm& window, int tab, bool atEnd, bool edit, int64_t offset) {
  window.Tab->setCurrentIndex(tab);
  ListingView* view = window.Listings()->ViewOfTab(tab);
  view->repaint();
  view->VScrollBar->setValue(atEnd ? view->VScrollBar->maximum() : 0);
  std::vector<uint8_t>& bytes = window.Data()->Buffer.Bytes();
  std::vector<double> times;
  for (int run = 0; run < 200; ++run) {
    if (edit) {
      bytes[size_t(offset)] ^= 0x01;  // a letter of a string: the structure stays whole
    }
    const auto start = Clock::now();
    view->repaint();
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  return Median(times);
}

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication application(argc, argv);
  const std::vector<uint8_t> program = DemoProgram(1900).Bytes();
  InspectedFile file(program);
  InspectorDesk desk;
  TFileInspectorFrm* window = desk.Open(*file.Data);
  window->Tab->setCurrentIndex(InspectorListings::kBasicTab);
  // The "R" of "RED" in line 30.
  const int64_t letter = window->ShowingListing()->Lines().at(2).offset + 7;
  std::printf("%zu bytes, %zu lines\n", program.size(), window->ShowingListing()->Lines().size());
  std::printf("%-34s %12s %12s\n", "paint (median ms)", "unchanged", "after edit");
  for (int tab : {int(InspectorListings::kBasicTab), int(InspectorListings::kTextTab)}) {
    for (bool atEnd : {false, true}) {
      const double unchanged = TimePaint(*window, tab, atEnd, false, letter);
      const double edited = TimePaint(*window, tab, atEnd, true, letter);
      std::printf(
          "%-34s %12.3f %12.3f\n",
          (window->Tab->tabText(tab) + (atEnd ? " tab, end" : " tab, top")).toLatin1().constData(),
          unchanged, edited);
    }
  }
  // Bytes that decode as code almost everywhere, traced from the start at &1900.
  std::vector<uint8_t> code = PatternBytes(20 * 1024, 3);
  InspectedFile codeFile(code);
  codeFile.Data->OriginalLoadAddress = 0x1900;
  codeFile.Data->OriginalExecAddress = 0x1900;
  TFileInspectorFrm* codeWindow = desk.Open(*codeFile.Data, 2);
  codeWindow->Tab->setCurrentIndex(InspectorListings::kAssemblerTab);
  std::printf("%zu bytes of code, %zu lines\n", code.size(),
              codeWindow->ShowingListing()->Lines().size());
  for (bool atEnd : {false, true}) {
    const int tab = InspectorListings::kAssemblerTab;
    const double unchanged = TimePaint(*codeWindow, tab, atEnd, false, 0x100);
    const double edited = TimePaint(*codeWindow, tab, atEnd, true, 0x100);
    std::printf("%-34s %12.3f %12.3f\n", atEnd ? "Assembler tab, end" : "Assembler tab, top",
                unchanged, edited);
  }
  return 0;
}
