// SPDX-License-Identifier: GPL-3.0-or-later
// Times Compact disk on a fragmented 800-sector disk (30 files of 1 to 16 sectors, a gap
// of 1 to 8 sectors before each; the gaps add up, so only the first file overlaps its old
// place), and counts the bytes it writes (image and journal) and its flushes against the
// least the layout needs. Then the same on a Watford 62-file disk, the files alternately
// in its two catalogues.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "BenchTiming.h"
#include "disk/DiskCompact.h"
#include "support/FragmentedDisk.h"

namespace {

// Counts the image's own flushes; the journal's come through the fault plan.
class CountingStream : public SFileStream {
 public:
  using SFileStream::SFileStream;
  void Flush() override {
    ++flushes;
    SFileStream::Flush();
  }
  int flushes = 0;
};

std::vector<PlacedFile> Files(int catalogues) {
  std::mt19937 random(16);
  std::vector<PlacedFile> files;
  auto next = static_cast<uint32_t>(2 * catalogues);
  for (int index = 0; index < 30 && next < 760; ++index) {
    next += std::uniform_int_distribution<uint32_t>(1, 8)(random);
    const uint32_t sectors = std::uniform_int_distribution<uint32_t>(1, 16)(random);
    std::string name = "F";
    name += std::to_string(index);
    files.push_back({name, next, sectors * 256 - 17, index % 4 == 0, static_cast<uint8_t>(index),
                     index % catalogues});
    next += sectors;
  }
  return files;
}

void BenchCompaction(const std::string& path, const char* what, int catalogues) {
  const ImageBuilder image = FragmentedDisk(800, Files(catalogues), catalogues);

  int64_t leastBytes = kCatalogueSize * catalogues;
  int moves = 0;
  int overlapping = 0;
  int64_t savedSectors = 0;
  {
    image.WriteTo(path);
    auto stream = std::make_shared<SFileStream>(path, true);
    DFSDiskClass disk(stream, path, SectorMapping{});
    for (const CompactionMove& move : PlanCompaction(disk)) {
      const int64_t sectors = (move.entry.Length + 255) / 256;
      leastBytes += move.entry.Length;
      ++moves;
      if (move.newStartSector + sectors > move.entry.StartSector) {
        ++overlapping;
        savedSectors += move.newStartSector + sectors - move.entry.StartSector;
      }
    }
  }

  int flushes = 0;
  int operations = 0;
  int64_t written = 0;
  Report(what, 20, [&] {
    image.WriteTo(path);
    auto stream = std::make_shared<CountingStream>(path, true);
    auto plan = std::make_shared<FaultPlan>(FaultPlan::FailNthWrite(INT32_MAX));
    stream->SetFaultPlan(plan);
    DFSDiskClass disk(stream, path, SectorMapping{});
    CompactDisk(disk);
    flushes = stream->flushes;
    operations = plan->Operations();
    written = plan->BytesWritten();
  });
  // Every write operation is the data or the catalogue of a move, a journal's one write,
  // or a flush: the image's, or a journal's file and folder.
  const int journalFlushes = operations - flushes - moves * 2 - overlapping;
  std::printf("files moved %d, of them overlapping their old places %d\n", moves, overlapping);
  std::printf(
      "bytes written %lld (image and journals); least the layout needs %lld "
      "(the moved files once and each catalogue once), journals' share of the old sectors "
      "%lld\n",
      static_cast<long long>(written), static_cast<long long>(leastBytes),
      static_cast<long long>(savedSectors * 256));
  std::printf(
      "image flushes %d, journal flushes %d; least for steps safe to interrupt %d "
      "(data and catalogue per file), least at all 2\n",
      flushes, journalFlushes, moves * 2);
}

}  // namespace

int main() {
  const std::string folder =
      (std::filesystem::temp_directory_path() / "kestrow-bench-compact").string();
  std::filesystem::create_directories(folder);
  const std::string path = folder + "/fragmented.ssd";
  BenchCompaction(path, "compact a fragmented 800-sector disk", 1);
  BenchCompaction(path, "compact a fragmented 800-sector Watford disk", 2);
  ::unlink(path.c_str());
  return 0;
}
