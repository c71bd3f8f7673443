// SPDX-License-Identifier: GPL-3.0-or-later
// Times opening a full 100 MB MMB file (511 formatted discs, every byte written) and
// listing its index, and counts the bytes each reads from the host file: both must read
// only the 8 KB index and take well under 20 ms.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "disk/MMBFile.h"
#include "support/ImageBuilder.h"
#include "support/MMBBuilder.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kLimitMicroseconds = 20000;

// Bytes this process has read through read system calls so far (rchar of /proc/self/io).
long long BytesReadSoFar() {
  std::ifstream io("/proc/self/io");
  std::string key;
  long long value = 0;
  while (io >> key >> value) {
    if (key == "rchar:") {
      return value;
    }
  }
  return -1;
}

// What reading /proc/self/io itself adds to the count between two readings.
long long CountingOverhead() {
  long long before = BytesReadSoFar();
  return BytesReadSoFar() - before;
}

// Runs measure repetitions times; prints the median and mean in microseconds and the
// bytes one run reads. Returns false when the median is over the limit.
bool Report(const char* name, int repetitions, const std::function<void()>& measure) {
  std::vector<double> times;
  long long bytes = 0;
  for (int run = 0; run < repetitions; ++run) {
    long long before = BytesReadSoFar();
    auto start = Clock::now();
    measure();
    times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    bytes = BytesReadSoFar() - before - CountingOverhead();
  }
  std::sort(times.begin(), times.end());
  double median = times[times.size() / 2];
  double mean = std::accumulate(times.begin(), times.end(), 0.0) / double(times.size());
  std::printf("%-40s runs %5d  median %8.1f us  mean %8.1f us  read %lld bytes  %s\n", name,
              repetitions, median, mean, bytes, median < kLimitMicroseconds ? "ok" : "OVER 20 ms");
  return median < kLimitMicroseconds;
}

// Every disc formatted with a title and two files, the rest of each disc pattern bytes,
// so the file holds 100 MB of data and no holes.
void WriteFullMMB(const std::string& path) {
  MMBBuilder builder;
  for (int number = 0; number < kMMBDiscsPerBlock; ++number) {
    std::string title = "DISC " + std::to_string(number);
    std::vector<uint8_t> disc = PatternBytes(size_t(kMMBDiscSize), uint8_t(number));
    std::vector<uint8_t> formatted = FormattedDiscImage(number, title);
    std::copy(formatted.begin(), formatted.end(), disc.begin());
    builder.Disc(number, disc).Entry(number, title, number % 10 == 0 ? 0x00 : 0x0F);
  }
  builder.WriteTo(path);
}

}  // namespace

int main(int argc, char** argv) {
  int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("kestrow-bench-mmb-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  std::string path = (folder / "full.mmb").string();
  WriteFullMMB(path);
  std::printf("MMB file: %lld bytes\n", static_cast<long long>(std::filesystem::file_size(path)));

  bool fast = true;
  fast &= Report("open", repetitions, [&] { MMBFileClass::Open(path); });
  size_t formatted = 0;
  fast &= Report("open + list the index (511 slots)", repetitions, [&] {
    auto mmb = MMBFileClass::Open(path);
    std::vector<MMBSlot> index = mmb->ReadIndex();
    formatted = static_cast<size_t>(std::count_if(
        index.begin(), index.end(), [](const MMBSlot& slot) { return slot.Formatted(); }));
  });
  std::string summary;
  fast &= Report("open + list + summary text", repetitions, [&] {
    auto mmb = MMBFileClass::Open(path);
    summary = MMBSummaryText(mmb->ReadIndex());
  });
  std::printf("%zu formatted; %s\n", formatted, summary.c_str());

  std::filesystem::remove_all(folder);
  return fast ? 0 : 1;
}
