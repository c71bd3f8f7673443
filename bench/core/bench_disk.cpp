// SPDX-License-Identifier: GPL-3.0-or-later
// Times the image model's common paths: opening a full image and reading its catalogue
// and space figures, saving a 100 KB file into a nearly full disk, and importing 20 host
// files with side-cars file by file (as a drop does) and all together (as kestrow-dfs
// add does), counting the flushes each makes.
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "disk/DFSUseful.h"
#include "disk/HostFiles.h"
#include "support/ImageBuilder.h"

namespace {

using Clock = std::chrono::steady_clock;

// Runs prepare (untimed) and then measure (timed) repetitions times; prints the median
// and mean in microseconds.
void Report(const char* name, int repetitions, const std::function<void()>& prepare,
            const std::function<void()>& measure) {
  std::vector<double> times;
  for (int run = 0; run < repetitions; ++run) {
    prepare();
    auto start = Clock::now();
    measure();
    times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  double mean = std::accumulate(times.begin(), times.end(), 0.0) / double(times.size());
  std::printf("%-48s runs %5d  median %9.1f us  mean %9.1f us\n", name, repetitions,
              times[times.size() / 2], mean);
}

// 31 files of 6 KB each, the catalogue full and the data in place.
ImageBuilder FullImage() {
  ImageBuilder builder(800);
  builder.Title("BENCHMARK").BootOption(3);
  for (uint32_t slot = 0; slot < 31; ++slot) {
    uint32_t start = 2 + slot * 24;
    builder.AddEntry({'$', "FILE" + std::to_string(slot), 0x1900, 0x8023, 6000, start});
    builder.FileData(int(start), PatternBytes(6000, uint8_t(slot)));
  }
  return builder;
}

// 30 files, each followed by a one-sector gap too small for the new file so the search
// walks them all, and 110 KB free at the end of the disk.
ImageBuilder NearlyFullImage() {
  ImageBuilder builder(800);
  for (uint32_t slot = 0; slot < 30; ++slot) {
    uint32_t start = 2 + slot * 12;
    builder.AddEntry({'$', "DATA" + std::to_string(slot), 0, 0, 2800, start});
    builder.FileData(int(start), PatternBytes(2800, uint8_t(slot)));
  }
  return builder;
}

// Counts the flushes of an image opened through it.
class CountingStream : public SFileStream {
 public:
  using SFileStream::SFileStream;
  void Flush() override {
    ++flushes;
    SFileStream::Flush();
  }
  int flushes = 0;
};

// count host files of 3 KB with Beeb names and side-cars in folder.
std::vector<std::string> HostFiles(const std::filesystem::path& folder, int count) {
  std::filesystem::create_directories(folder);
  std::vector<std::string> paths;
  for (int index = 0; index < count; ++index) {
    std::string name = "$.HOST" + std::to_string(index);
    std::string path = (folder / name).string();
    std::vector<uint8_t> bytes = PatternBytes(3000, uint8_t(index));
    ImageBuilder().Bytes(0, bytes).HostSize(bytes.size()).WriteTo(path);
    std::string sideCar = "$.HOST" + std::to_string(index);
    sideCar.resize(9, ' ');
    sideCar += "  001900 008023 000BB8  ";
    ImageBuilder()
        .Bytes(0, {sideCar.begin(), sideCar.end()})
        .HostSize(sideCar.size())
        .WriteTo(path + ".inf");
    paths.push_back(path);
  }
  return paths;
}

}  // namespace

int main(int argc, char** argv) {
  int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("kestrow-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  std::string fullPath = (folder / "full.ssd").string();
  std::string nearlyFullPath = (folder / "nearly-full.ssd").string();
  ImageBuilder full = FullImage();
  ImageBuilder nearlyFull = NearlyFullImage();
  full.WriteTo(fullPath);

  Report(
      "open + ReadCatalogue + ComputeSpace (31 files)", repetitions, [] {},
      [&] {
        auto disk = DFSDiskClass::Create(fullPath, 2);
        DFSFileList list;
        disk->ReadCatalogue(list);
        disk->ComputeSpace();
        if (list.size() != 31) {
          std::abort();
        }
      });

  DFSFileClass file;
  file.Name = "BIG    ";
  file.Length = 100 * 1024;
  SMemoryStream source(PatternBytes(size_t(file.Length), 42));
  std::unique_ptr<DFSDiskClass> disk;
  Report(
      "SaveFile 100 KB into a nearly full disk", repetitions,
      [&] {
        disk.reset();
        nearlyFull.WriteTo(nearlyFullPath);
        disk = DFSDiskClass::Create(nearlyFullPath, 2);
      },
      [&] {
        if (disk->SaveFile(file, source) != kSaveDone) {
          std::abort();
        }
      });
  disk.reset();

  const std::vector<std::string> hostPaths = HostFiles(folder / "host", 20);
  const std::string importPath = (folder / "import.ssd").string();
  using Import =
      ImportSummary (*)(DFSDiskClass&, const std::vector<std::string>&, const ImportCallbacks&);
  const std::pair<const char*, Import> imports[] = {
      {"import 20 files one by one (a drop)", ProcessAlienFiles},
      {"import 20 files together (kestrow-dfs add)", ImportFilesTogether}};
  for (const auto& [name, import] : imports) {
    std::shared_ptr<CountingStream> stream;
    std::unique_ptr<DFSDiskClass> target;
    int flushes = 0;
    Report(
        name, std::max(1, repetitions / 10),
        [&] {
          target.reset();
          stream.reset();
          ImageBuilder(800).WriteTo(importPath);
          stream = std::make_shared<CountingStream>(importPath, true);
          target = std::make_unique<DFSDiskClass>(stream, importPath, SectorMapping{});
        },
        [&] {
          if (import(*target, hostPaths, ImportCallbacks{}).storedCount != 20) {
            std::abort();
          }
          flushes = stream->flushes;
        });
    std::printf("%-48s flushes of the image per import: %d\n", name, flushes);
  }
  std::filesystem::remove_all(folder);
  return 0;
}
