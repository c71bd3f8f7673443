// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes as a single- or double-sided image: every read operation, then a
// random sequence of catalogue changes. After each change both sides' catalogues read
// back, the entries the change did not touch keep every field, new data overlaps no
// other file, and no byte of the host file changes outside the catalogue the change
// rewrote and the data it wrote.
//
// Input: a flags byte (bit 0: double-sided; bit 1: each side gets the Watford 62-file
// mark at the start of sector 2), the image length (2 bytes, low first), the image bytes,
// then the bytes that choose the changes.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cctype>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <tuple>

#include "FuzzSupport.h"
#include "disk/CatalogueListing.h"
#include "disk/DFSUseful.h"

namespace {

using fuzz::Check;

constexpr int kMaxSteps = 24;
constexpr size_t kHeaderSize = 3;

// FUZZ_TRACE=1 prints every step, for reading a reproducer.
const bool kTrace = std::getenv("FUZZ_TRACE") != nullptr;

void Trace(const std::string& text) {
  if (kTrace) {
    std::fprintf(stderr, "%s\n", text.c_str());
  }
}

auto Key(const DFSFileClass& entry) {
  return std::make_tuple(entry.Name, entry.Directory, entry.LoadAddress, entry.ExecAddress,
                         entry.Length, entry.StartSector, entry.Locked);
}

bool SameFields(const DFSFileClass& a, const DFSFileClass& b) {
  return Key(a) == Key(b);
}

// Bytes outside printable ASCII as {hex}.
std::string Shown(const std::string& text) {
  std::string shown;
  for (char value : text) {
    auto code = static_cast<unsigned char>(value);
    if (code >= 32 && code < 127) {
      shown += value;
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "{%02X}", code);
      shown += escape;
    }
  }
  return shown;
}

std::string Describe(const DFSFileClass& entry) {
  return Shown(std::string(1, entry.Directory)) + "." + Shown(entry.Name) + " len " +
         std::to_string(entry.Length) + " at " + std::to_string(entry.StartSector);
}

DFSFileList Catalogue(DFSDiskClass& disk) {
  DFSFileList list;
  disk.ReadCatalogue(list);
  Check(list.size() <= static_cast<size_t>(disk.MaxEntries()),
        "more entries than the format holds");
  return list;
}

int64_t Start(const DFSFileClass& entry) {
  return int64_t{entry.StartSector} * kSectorSize;
}

int64_t RoundedEnd(const DFSFileClass& entry) {
  return Start(entry) + (int64_t{entry.Length} + kSectorSize - 1) / kSectorSize * kSectorSize;
}

bool Overlaps(int64_t start, int64_t end, const DFSFileClass& entry) {
  return entry.Length > 0 && start < RoundedEnd(entry) && Start(entry) < end;
}

// An address as the catalogue gives it back: above 0xFFFF it is a host address.
int32_t StoredAddress(int32_t address) {
  auto value = static_cast<uint32_t>(address);
  return static_cast<int32_t>(value > 0xFFFF ? 0xFF0000 | (value & 0xFFFF) : value);
}

// Free space as the two routines that compute it must agree on it.
void CheckFreeSpace(DFSDiskClass& disk, const DFSFileList& list, int32_t extra) {
  disk.ComputeSpace();
  Check(disk.UsedSpace >= kCatalogueSize, "used space below the catalogue");
  Check(disk.LargestFree >= 0 && disk.LargestFree <= disk.DiskSize - kCatalogueSize,
        "largest free block out of range", std::to_string(disk.LargestFree));
  int32_t largest = disk.LargestFree;
  for (int32_t length : {0, 1, 255, 256, largest - 1, largest, largest + 1, extra}) {
    if (length < 0) {
      continue;
    }
    int32_t offset = disk.FindFreeSpace(length);
    if (length < largest) {
      Check(offset != 0, "no room found below the largest free block", std::to_string(length));
    }
    if (length > largest) {
      Check(offset == 0, "room found above the largest free block", std::to_string(length));
    }
    if (offset == 0) {
      continue;
    }
    Check(offset >= kCatalogueSize && offset % kSectorSize == 0, "free space misplaced");
    Check(int64_t{offset} + length <= disk.DiskSize, "free space past the disk");
    for (const DFSFileClass& entry : list) {
      if (Overlaps(offset, int64_t{offset} + length, entry)) {
        fuzz::Fail("free space on a file", Describe(entry));
      }
    }
  }
}

// Every read operation of one side.
void ReadEverything(DFSDiskClass& disk, int32_t extra) {
  disk.GetTitle();
  Check(disk.FileCount() <= disk.MaxEntries(), "file count out of range");
  DFSFileList list = Catalogue(disk);
  for (const DFSFileClass& entry : list) {
    std::optional<DFSFileClass> found = disk.FindFile(entry.Directory, entry.Name);
    if (!found || !disk.FileExists(entry.Directory, entry.Name)) {
      fuzz::Fail("a listed entry is not found", Describe(entry));
    }
    Check(disk.IsLocked(entry.Directory, entry.Name) == (found->Locked != 0), "lock mismatch");
    if (entry.CatalogueIndex < 8) {  // long entries cost time; a few are enough
      Check(disk.ReadFileData(entry).size() == static_cast<size_t>(entry.Length), "short data");
    }
    EntryCellTexts(entry);
  }
  CheckFreeSpace(disk, list, extra);
  DiskStatusTexts(disk, static_cast<int>(list.size()));
  SpaceStatusTexts(disk);
  PlainListing(disk, "image");
  JsonListing(disk);
}

// What one change may alter: the entry it removes, the one it adds (start sector found
// afterwards when unknown), whether it rewrites the catalogue, and which side.
struct Expected {
  int side = 0;
  bool catalogue = false;
  std::optional<DFSFileClass> removed;
  std::optional<DFSFileClass> added;
  bool addedStartUnknown = false;
  std::vector<uint8_t> addedData;
};

struct Scene {
  std::string path;
  ImageSides sides;
  FuzzedDataProvider* input = nullptr;
  std::vector<DFSFileList> before;

  DFSDiskClass& Disk(int side) { return *sides[static_cast<size_t>(side)]; }
};

// Directories compare as DFS compares them, ignoring the case of a-z.
bool SameDirectory(char first, char second) {
  auto upper = [](char value) {
    return value >= 'a' && value <= 'z' ? static_cast<char>(value - 32) : value;
  };
  return upper(first) == upper(second);
}

// The first entry matching directory (ignoring case) and the exact name.
std::optional<DFSFileClass> FirstMatch(const DFSFileList& list, char directory,
                                       const std::string& name) {
  for (const DFSFileClass& entry : list) {
    if (SameDirectory(entry.Directory, directory) && entry.Name == name) {
      return entry;
    }
  }
  return std::nullopt;
}

// A directory and 7-character name: an existing entry's (perhaps with the directory in
// the other case) or made up.
std::pair<char, std::string> ChooseName(FuzzedDataProvider& input, const DFSFileList& list) {
  if (!list.empty() && input.ConsumeBool()) {
    const DFSFileClass& entry = list[input.ConsumeIntegralInRange<size_t>(0, list.size() - 1)];
    char directory = entry.Directory;
    if (input.ConsumeBool() && std::isalpha(static_cast<unsigned char>(directory))) {
      directory = static_cast<char>(directory ^ 0x20);
    }
    return {directory, entry.Name};
  }
  char directory = input.ConsumeIntegral<char>();
  return {directory, PadRight(input.ConsumeBytesAsString(7), 7)};
}

std::vector<uint8_t> Pattern(size_t count, uint8_t seed) {
  std::vector<uint8_t> bytes(count);
  for (size_t index = 0; index < count; ++index) {
    bytes[index] = static_cast<uint8_t>(index * 7 + (index >> 8) + seed);
  }
  return bytes;
}

Expected SaveStep(DFSDiskClass& disk, FuzzedDataProvider& input, const DFSFileList& list) {
  Expected expected;
  const auto chosen = ChooseName(input, list);
  const char directory = chosen.first;
  const std::string name = chosen.second;
  DFSFileClass file;
  file.Directory = directory;
  file.Name = name;
  file.LoadAddress = input.ConsumeIntegral<int32_t>() & 0xFFFFFF;
  file.ExecAddress = input.ConsumeIntegral<int32_t>() & 0xFFFFFF;
  file.Locked = input.ConsumeBool() ? 1 : 0;
  // Mostly short files, which keep the runs fast; now and then up to the largest.
  file.Length = input.ConsumeIntegralInRange(0, 7) == 0
                    ? input.ConsumeIntegralInRange<int32_t>(0, 0x3FFFF)
                    : input.ConsumeIntegralInRange<int32_t>(0, 2048);
  size_t have = static_cast<size_t>(file.Length);
  if (input.ConsumeIntegralInRange(0, 15) == 0 && have > 0) {
    have -= 1;  // a source that runs out early
  }
  SMemoryStream source(Pattern(have, input.ConsumeIntegral<uint8_t>()));
  // The catalogue keeps 7 bits of a directory, so the namesake is looked up by them.
  std::optional<DFSFileClass> namesake =
      FirstMatch(list, static_cast<char>(directory & 0x7F), name);
  int result = -1;
  if (kTrace) {
    Trace("save " + Describe(file));
  }
  try {
    result = disk.SaveFile(file, source);
  } catch (const StreamReadError&) {
    Check(have < static_cast<size_t>(file.Length), "read error from a full source");
    return expected;
  }
  Trace("saved with result " + std::to_string(result));
  Check(result != kSaveDone || have == static_cast<size_t>(file.Length),
        "a short source was saved");
  if (namesake && namesake->Locked != 0) {
    Check(result == kSaveDestinationLocked, "locked namesake not refused");
  } else if (!namesake && list.size() >= static_cast<size_t>(disk.MaxEntries())) {
    Check(result == kSaveCatalogueFull, "full catalogue not refused");
  }
  if (result != kSaveDone) {
    Check(result >= kSaveCatalogueFull && result <= kSaveDestinationLocked, "bad save result");
    return expected;
  }
  expected.catalogue = true;
  expected.removed = namesake;
  DFSFileClass added = file;
  added.Directory = static_cast<char>(directory & 0x7F);
  added.LoadAddress = StoredAddress(file.LoadAddress);
  added.ExecAddress = StoredAddress(file.ExecAddress);
  expected.added = added;
  expected.addedStartUnknown = true;
  source.Seek(0);
  expected.addedData = source.Bytes();
  return expected;
}

// Whether giving match (an entry of list) a new directory and stored name would take
// another entry's: such a rename or directory change is refused.
bool TakenByAnother(const DFSFileList& list, const std::optional<DFSFileClass>& match,
                    char newDirectory, const std::string& newName) {
  if (!match || (SameDirectory(newDirectory, match->Directory) && newName == match->Name)) {
    return false;  // no change of name: nothing to refuse
  }
  bool skipped = false;
  for (const DFSFileClass& entry : list) {
    if (!skipped && SameFields(entry, *match)) {
      skipped = true;
    } else if (SameDirectory(entry.Directory, newDirectory) && entry.Name == newName) {
      return true;
    }
  }
  return false;
}

// One change to the entry named by the input, through a routine that applies it; a
// refused one changes nothing.
template <typename Apply, typename Change>
Expected EntryStep(const DFSFileList& list, char directory, const std::string& name, Apply apply,
                   Change change, bool refused = false) {
  Expected expected;
  std::optional<DFSFileClass> match = FirstMatch(list, directory, name);
  bool done = apply();
  Check(done == (match.has_value() && !refused), "entry change result wrong", name);
  if (done) {
    expected.catalogue = true;
    expected.removed = match;
    DFSFileClass changed = *match;
    change(changed);
    expected.added = changed;
  }
  return expected;
}

Expected Step(Scene& scene, int side) {
  FuzzedDataProvider& input = *scene.input;
  DFSDiskClass& disk = scene.Disk(side);
  const DFSFileList& list = scene.before[static_cast<size_t>(side)];
  Expected expected;
  int operation = input.ConsumeIntegralInRange(0, 7);
  Trace("step " + std::to_string(operation) + " on side " + std::to_string(side) +
        " of a disk of " + std::to_string(disk.DiskSize));
  switch (operation) {
    case 0:
      expected = SaveStep(disk, input, list);
      break;
    case 1: {
      const auto chosen = ChooseName(input, list);
      const char directory = chosen.first;
      const std::string name = chosen.second;
      std::optional<DFSFileClass> match = FirstMatch(list, directory, name);
      bool deleted = disk.DeleteFile(directory, name);
      Check(deleted == (match && match->Locked == 0), "delete result wrong");
      if (deleted) {
        expected.catalogue = true;
        expected.removed = match;
      }
      break;
    }
    case 2: {
      const auto chosen = ChooseName(input, list);
      const char directory = chosen.first;
      const std::string name = chosen.second;
      bool locked = input.ConsumeBool();
      expected = EntryStep(
          list, directory, name, [&] { return disk.SetLocked(directory, name, locked); },
          [&](DFSFileClass& entry) { entry.Locked = locked ? 1 : 0; });
      break;
    }
    case 3: {
      const auto chosen = ChooseName(input, list);
      const char directory = chosen.first;
      const std::string name = chosen.second;
      std::string trimmedOld =
          input.ConsumeBool() ? name.substr(0, name.find_last_not_of(' ') + 1) : name;
      std::string newName = input.ConsumeRandomLengthString(9);
      const std::string stored = PadRight(newName, 7).substr(0, 7);
      std::optional<DFSFileClass> match = FirstMatch(list, directory, PadRight(trimmedOld, 7));
      const bool taken = TakenByAnother(list, match, match ? match->Directory : 0, stored);
      expected = EntryStep(
          list, directory, PadRight(trimmedOld, 7),
          [&] { return disk.RenameFile(directory, trimmedOld, newName); },
          [&](DFSFileClass& entry) { entry.Name = stored; }, taken);
      break;
    }
    case 4: {
      const auto chosen = ChooseName(input, list);
      const char directory = chosen.first;
      const std::string name = chosen.second;
      std::string which = input.ConsumeBool() ? "Exec" : "Load";
      std::string text = input.ConsumeRandomLengthString(10);
      try {
        expected = EntryStep(
            list, directory, name, [&] { return disk.SetAddress(directory, name, which, text); },
            [&](DFSFileClass& entry) {
              bool hex = !text.empty() && text.size() <= 8 &&
                         text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
              Check(hex, "an address that is not hexadecimal was taken", text);
              int32_t value = static_cast<int32_t>(std::stoul(text, nullptr, 16));
              (which == "Exec" ? entry.ExecAddress : entry.LoadAddress) = StoredAddress(value);
            });
      } catch (const std::invalid_argument&) {
        expected = Expected{};  // not hexadecimal: nothing written
      }
      break;
    }
    case 5: {
      const auto chosen = ChooseName(input, list);
      const char directory = chosen.first;
      const std::string name = chosen.second;
      char newDirectory = input.ConsumeIntegral<char>();
      const auto stored = static_cast<char>(newDirectory & 0x7F);
      expected = EntryStep(
          list, directory, name, [&] { return disk.SetDirectory(directory, newDirectory, name); },
          [&](DFSFileClass& entry) { entry.Directory = stored; },
          TakenByAnother(list, FirstMatch(list, directory, name), stored, name));
      break;
    }
    case 6:
      disk.SetTitle(input.ConsumeRandomLengthString(14));
      expected.catalogue = true;
      break;
    default:
      disk.SetBootOption(input.ConsumeIntegralInRange(0, 3));
      expected.catalogue = true;
      break;
  }
  expected.side = side;
  return expected;
}

// The catalogue after a change is the one before, less what it removed, plus what it
// added; returns the added entry as stored.
std::optional<DFSFileClass> CheckEntries(DFSFileList before, DFSFileList after,
                                         const Expected& expected) {
  if (kTrace) {
    for (const DFSFileClass& entry : before) {
      Trace("  before " + Describe(entry));
    }
    for (const DFSFileClass& entry : after) {
      Trace("  after  " + Describe(entry));
    }
  }
  auto order = [](const DFSFileClass& a, const DFSFileClass& b) { return Key(a) < Key(b); };
  if (expected.removed) {
    auto found = std::find_if(before.begin(), before.end(), [&](const DFSFileClass& entry) {
      return SameFields(entry, *expected.removed);
    });
    Check(found != before.end(), "removed entry was not there");
    before.erase(found);
  }
  std::sort(before.begin(), before.end(), order);
  std::sort(after.begin(), after.end(), order);
  // Entries found now that were not there before (as a multiset), and the reverse.
  DFSFileList appeared;
  DFSFileList vanished;
  std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                      std::back_inserter(appeared), order);
  std::set_difference(before.begin(), before.end(), after.begin(), after.end(),
                      std::back_inserter(vanished), order);
  Check(vanished.empty(), "an untouched entry changed or vanished",
        vanished.empty() ? "" : Describe(vanished.front()));
  if (!expected.added) {
    Check(appeared.empty(), "an entry appeared", appeared.empty() ? "" : Describe(appeared[0]));
    return std::nullopt;
  }
  Check(appeared.size() == 1, "not exactly one entry changed or added");
  DFSFileClass wanted = *expected.added;
  if (expected.addedStartUnknown) {
    wanted.StartSector = appeared.front().StartSector;
  }
  if (!SameFields(appeared.front(), wanted)) {
    fuzz::Fail("the changed entry is wrong", Describe(appeared.front()) + " / " + Describe(wanted));
  }
  return appeared.front();
}

// Host byte ranges [first, second) that the disk range [from, to) occupies.
std::vector<std::pair<int64_t, int64_t>> HostRanges(const SectorMapping& mapping, int64_t from,
                                                    int64_t to) {
  std::vector<std::pair<int64_t, int64_t>> ranges;
  for (int64_t at = from; at < to;) {
    int64_t next = std::min(to, (at / kSectorSize + 1) * kSectorSize);
    int64_t start = mapping.FileOffset(at);
    int64_t end = start + (next - at);
    if (!ranges.empty() && ranges.back().second == start) {
      ranges.back().second = end;
    } else {
      ranges.emplace_back(start, end);
    }
    at = next;
  }
  return ranges;
}

void CheckHostBytes(std::vector<uint8_t> before, std::vector<uint8_t> after, DFSDiskClass& disk,
                    const Expected& expected, const std::optional<DFSFileClass>& added) {
  size_t size = std::max(before.size(), after.size());
  before.resize(size, 0);
  after.resize(size, 0);
  std::vector<std::pair<int64_t, int64_t>> allowed;
  if (expected.catalogue) {
    allowed = HostRanges(disk.Mapping(), 0, int64_t{kCatalogueSize} * disk.CatalogueCount());
  }
  if (expected.addedStartUnknown && added) {
    auto data = HostRanges(disk.Mapping(), Start(*added), Start(*added) + added->Length);
    allowed.insert(allowed.end(), data.begin(), data.end());
  }
  // What the change was allowed to write takes the new bytes; everything else must match.
  for (const auto& [from, to] : allowed) {
    for (int64_t at = from; at < to && static_cast<size_t>(at) < size; ++at) {
      before[static_cast<size_t>(at)] = after[static_cast<size_t>(at)];
    }
  }
  if (before != after) {
    auto differs = std::mismatch(before.begin(), before.end(), after.begin());
    fuzz::Fail("a byte outside the change was written",
               std::to_string(differs.first - before.begin()));
  }
}

void CheckNewFile(DFSDiskClass& disk, const DFSFileList& after, const DFSFileClass& added,
                  const std::vector<uint8_t>& data) {
  Check(disk.ReadFileData(added) == data, "saved data reads back wrong");
  if (added.Length == 0) {
    return;
  }
  Check(Start(added) >= int64_t{disk.FirstDataSector()} * kSectorSize &&
            Start(added) + added.Length <= disk.DiskSize,
        "saved data outside the disk");
  bool self = false;
  for (const DFSFileClass& entry : after) {
    if (!self && SameFields(entry, added)) {
      self = true;
      continue;
    }
    if (Overlaps(Start(added), RoundedEnd(added), entry)) {
      fuzz::Fail("saved data overlaps a file", Describe(added) + " / " + Describe(entry));
    }
  }
}

void RunSteps(Scene& scene) {
  FuzzedDataProvider& input = *scene.input;
  for (int step = 0; step < kMaxSteps && input.remaining_bytes() > 0; ++step) {
    int side = input.ConsumeIntegralInRange<int>(0, static_cast<int>(scene.sides.size()) - 1);
    scene.before.clear();
    for (auto& disk : scene.sides) {
      scene.before.push_back(Catalogue(*disk));
    }
    std::vector<uint8_t> hostBefore = fuzz::ReadWholeFile(scene.path);
    // A side that opened read-only (its layout contradicts its name, a Watford mark over
    // a file) refuses every change: then nothing of it may have changed.
    Expected expected;
    try {
      expected = Step(scene, side);
    } catch (const ReadOnlyDiskError&) {
      Check(scene.Disk(side).IsReadOnly(), "a writable disk refused a change as read-only");
    }
    std::vector<uint8_t> hostAfter = fuzz::ReadWholeFile(scene.path);
    for (size_t other = 0; other < scene.sides.size(); ++other) {
      DFSFileList after = Catalogue(*scene.sides[other]);
      if (static_cast<int>(other) != side) {
        CheckEntries(scene.before[other], after, Expected{});
        continue;
      }
      std::optional<DFSFileClass> added = CheckEntries(scene.before[other], after, expected);
      CheckHostBytes(hostBefore, hostAfter, scene.Disk(side), expected, added);
      if (added && expected.addedStartUnknown) {
        CheckNewFile(scene.Disk(side), after, *added, expected.addedData);
      }
      CheckFreeSpace(scene.Disk(side), after, input.ConsumeIntegralInRange<int32_t>(0, 0x3FFFF));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kHeaderSize) {
    return 0;
  }
  bool doubleSided = (data[0] & 1) != 0;
  size_t imageLength = std::min<size_t>(data[1] | (data[2] << 8), size - kHeaderSize);
  std::vector<uint8_t> image(data + kHeaderSize, data + kHeaderSize + imageLength);
  FuzzedDataProvider input(data + kHeaderSize + imageLength, size - kHeaderSize - imageLength);

  if ((data[0] & 2) != 0) {
    fuzz::StampWatfordMark(image, doubleSided);
  }
  Scene scene;
  scene.path = fuzz::WorkFolder() + (doubleSided ? "/image.dsd" : "/image.ssd");
  scene.input = &input;
  fuzz::WriteWholeFile(scene.path, image);
  try {
    scene.sides = OpenDiskImage(scene.path);
  } catch (const NotADiskImageError&) {
    Check(image.empty(), "an image with bytes was refused as empty");
    return 0;
  }
  for (auto& disk : scene.sides) {
    ReadEverything(*disk, input.ConsumeIntegralInRange<int32_t>(0, 0x3FFFF));
  }
  RunSteps(scene);
  return 0;
}
