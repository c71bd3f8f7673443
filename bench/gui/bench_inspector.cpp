// SPDX-License-Identifier: GPL-3.0-or-later
// Times the inspector's paint at the top, middle and end of a 256 KB file and of a 1 KB
// file, and typing one hex byte at offset 0 in insert mode (edit, undo records, repaint).
#include <QApplication>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "inspector/FileInspector.h"
#include "inspector/SScrollBar.h"
#include "support_gui/InspectorTestSupport.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> times) {
  std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
  return times[times.size() / 2];
}

// One inspector window on a file of the given size.
struct Subject {
  explicit Subject(size_t size) : File(PatternBytes(size)) { Window = Desk.Open(*File.Data); }
  InspectedFile File;
  InspectorDesk Desk;
  TFileInspectorFrm* Window = nullptr;
};

// A full paint of the window at a fraction of its scroll range.
double TimePaint(Subject& subject, double position) {
  TSScrollBar* bar = subject.Window->VScrollBar;
  bar->setValue(static_cast<int>(bar->maximum() * position));
  const auto start = Clock::now();
  subject.Window->View()->repaint();
  return Milliseconds(start);
}

// Typing one hex byte at offset 0 in insert mode with its repaint; undone afterwards.
double TimeTypeByte(Subject& subject) {
  TFileInspectorFrm& window = *subject.Window;
  const auto start = Clock::now();
  window.FormKeyPress('4');
  window.FormKeyPress('1');
  window.View()->repaint();
  const double time = Milliseconds(start);
  window.Undo();
  window.Undo();
  return time;
}

void PrepareTyping(Subject& subject) {
  TFileInspectorFrm& window = *subject.Window;
  window.VScrollBar->setValue(0);
  QTest::mouseClick(window.View(), Qt::LeftButton, Qt::NoModifier, HexCellCentre(window, 0));
  QTest::keyClick(window.View(), Qt::Key_Insert);
}

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication application(argc, argv);
  Subject large(262144);
  Subject small(1024);
  const int runs = 300;
  // The two sizes take turns, so that load from elsewhere falls on both alike.
  std::printf("%-28s %10s %10s %8s\n", "operation (median ms)", "256 KB", "1 KB", "ratio");
  const char* const places[] = {"top", "middle", "end"};
  const double positions[] = {0.0, 0.5, 1.0};
  double worstRatio = 0;
  for (int place = 0; place < 3; ++place) {
    std::vector<double> largeTimes;
    std::vector<double> smallTimes;
    for (int run = 0; run < runs; ++run) {
      largeTimes.push_back(TimePaint(large, positions[place]));
      smallTimes.push_back(TimePaint(small, positions[place]));
    }
    const double ratio = Median(largeTimes) / Median(smallTimes);
    worstRatio = std::max(worstRatio, ratio);
    std::printf("paint at the %-15s %10.3f %10.3f %8.2f\n", places[place], Median(largeTimes),
                Median(smallTimes), ratio);
  }
  PrepareTyping(large);
  PrepareTyping(small);
  std::vector<double> largeTimes;
  std::vector<double> smallTimes;
  for (int run = 0; run < runs; ++run) {
    largeTimes.push_back(TimeTypeByte(large));
    smallTimes.push_back(TimeTypeByte(small));
  }
  std::printf("%-28s %10.3f %10.3f %8.2f\n", "type a hex byte at 0 (INS)", Median(largeTimes),
              Median(smallTimes), Median(largeTimes) / Median(smallTimes));
  std::printf("worst paint ratio %.2f (goal at most 1.2); one 60 Hz frame is 16.7 ms\n",
              worstRatio);
  return 0;
}
