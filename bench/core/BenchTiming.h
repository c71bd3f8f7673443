// SPDX-License-Identifier: GPL-3.0-or-later
// The timing loop the core benchmarks share.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <numeric>
#include <vector>

// Runs measure repetitions times; prints the median and mean in microseconds and returns
// the median.
inline double Report(const char* name, int repetitions, const std::function<void()>& measure) {
  std::vector<double> times;
  for (int run = 0; run < repetitions; ++run) {
    auto start = std::chrono::steady_clock::now();
    measure();
    times.push_back(
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
            .count());
  }
  std::sort(times.begin(), times.end());
  double mean = std::accumulate(times.begin(), times.end(), 0.0) / double(times.size());
  double median = times[times.size() / 2];
  std::printf("%-48s runs %5d  median %9.1f us  mean %9.1f us\n", name, repetitions, median, mean);
  return median;
}
