// SPDX-License-Identifier: GPL-3.0-or-later
// Side-car text and host file names through the import rules. Every disk name becomes
// one host name inside the export folder that reads back as the same directory and
// name, and a file copied out with its side-car comes back in with the same fields and
// bytes. Any host name with any side-car text imports without harm: the catalogue stays
// consistent, a stored file holds the host file's bytes, and nothing is written outside
// the image.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <set>

#include "FuzzSupport.h"
#include "disk/DFSUseful.h"
#include "disk/HostFiles.h"
#include "platform/ScriptedPrompts.h"

namespace {

using fuzz::Check;

std::string TrimRight(const std::string& text) {
  size_t last = text.find_last_not_of(' ');
  return last == std::string::npos ? "" : text.substr(0, last + 1);
}

std::unique_ptr<DFSDiskClass> BlankImage(const std::string& path) {
  unlink(path.c_str());
  return DFSDiskClass::Create(path, 1);
}

DFSFileList Catalogue(DFSDiskClass& disk) {
  DFSFileList list;
  disk.ReadCatalogue(list);
  return list;
}

void CheckNoOverlap(const DFSFileList& list) {
  for (size_t first = 0; first < list.size(); ++first) {
    for (size_t second = first + 1; second < list.size(); ++second) {
      const DFSFileClass& a = list[first];
      const DFSFileClass& b = list[second];
      if (a.Length == 0 || b.Length == 0) {
        continue;
      }
      int64_t aStart = int64_t{a.StartSector} * kSectorSize;
      int64_t bStart = int64_t{b.StartSector} * kSectorSize;
      Check(aStart + a.Length <= bStart || bStart + b.Length <= aStart, "imported files overlap");
    }
  }
}

std::set<std::string> Names(const std::string& folder) {
  std::vector<std::string> names = fuzz::FolderNames(folder);
  return {names.begin(), names.end()};
}

// A disk name goes out as a host file and side-car and comes back unchanged.
void RoundTrip(FuzzedDataProvider& input, const std::string& work) {
  DFSFileClass entry;
  entry.Directory = static_cast<char>(input.ConsumeIntegral<uint8_t>() & 0x7F);
  entry.Name = PadRight(input.ConsumeBytesAsString(7), 7);
  entry.LoadAddress = input.ConsumeBool() ? 0xFF0000 | input.ConsumeIntegral<uint16_t>()
                                          : input.ConsumeIntegral<uint16_t>();
  entry.ExecAddress = input.ConsumeIntegral<uint16_t>();
  entry.Locked = input.ConsumeBool() ? 1 : 0;
  std::vector<uint8_t> data = input.ConsumeBytes<uint8_t>(input.ConsumeIntegralInRange(0, 600));
  entry.Length = static_cast<int32_t>(data.size());

  std::string host = HostFileName(entry.Directory, entry.Name);
  Check(!host.empty() && host != "." && host != ".." && host.size() < 256, "bad host name", host);
  Check(host.find('/') == std::string::npos && host.find('\0') == std::string::npos,
        "host name is not one path component", host);
  Check(!IsSideCarName(host), "host name reads as a side-car", host);
  Check(BeebFileName(host), "host name not in Beeb form", host);
  Check(MakeBeebName(host) == entry.Name, "host name does not give the name back", host);
  Check(DecodeHostName(host) == std::string(1, entry.Directory) + "." + TrimRight(entry.Name),
        "host name does not decode back", host);

  std::string out = work + "/out";
  mkdir(out.c_str(), 0700);
  std::unique_ptr<DFSDiskClass> source = BlankImage(work + "/source.ssd");
  SMemoryStream bytes(data);
  Check(source->SaveFile(entry, bytes) == kSaveDone, "cannot save to a blank image");
  std::set<std::string> workBefore = Names(work);
  std::optional<ExportedFiles> files =
      CopyFileToHostFolder(*source, entry.Directory, entry.Name, out);
  Check(files.has_value(), "saved entry not exported");
  Check(Names(out) == std::set<std::string>{files->dataFileName, files->sideCarFileName},
        "export wrote other files", files->dataFileName);
  Check(Names(work) == workBefore, "export wrote outside its folder");

  std::unique_ptr<DFSDiskClass> target = BlankImage(work + "/target.ssd");
  std::vector<std::string> paths = {out + "/" + files->sideCarFileName,
                                    out + "/" + files->dataFileName};
  ImportSummary summary = ProcessAlienFiles(*target, paths, ImportCallbacks{});
  Check(summary.storedCount == 1 && summary.skippedCount == 0, "exported file not imported back");
  DFSFileList list = Catalogue(*target);
  Check(list.size() == 1, "import made other entries");
  const DFSFileClass& back = list.front();
  Check(back.Directory == entry.Directory && back.Name == entry.Name &&
            back.LoadAddress == entry.LoadAddress && back.ExecAddress == entry.ExecAddress &&
            back.Locked == entry.Locked,
        "fields changed on the way out and back", host);
  Check(target->ReadFileData(back) == data, "bytes changed on the way out and back");
  fuzz::EmptyFolder(out, true);
}

// A host file, not a path: no "/" and no zero byte, never "." or "..".
std::string HostName(std::string name) {
  std::replace(name.begin(), name.end(), '/', '_');
  std::replace(name.begin(), name.end(), '\0', '_');
  if (name.empty() || name == "." || name == "..") {
    name = "x" + name;
  }
  return name;
}

// Any host name with any side-car imports safely.
void ImportAnything(FuzzedDataProvider& input, const std::string& work) {
  std::string hostName = HostName(input.ConsumeRandomLengthString(40));
  if (input.ConsumeIntegralInRange(0, 7) == 0) {
    // Names near the host's limit of 255 bytes; from 252 bytes on "NAME.INF" is too
    // long to exist, which must read as "no side-car".
    hostName.resize(input.ConsumeIntegralInRange<size_t>(240, 255), 'n');
  }
  std::string sideCar = input.ConsumeRandomLengthString(120);
  static const char* const kSideCarEndings[] = {".INF", ".inf", ".Inf", nullptr};
  const char* ending = kSideCarEndings[input.ConsumeIntegralInRange(0, 3)];
  std::vector<uint8_t> content = input.ConsumeBytes<uint8_t>(input.ConsumeIntegralInRange(0, 300));
  bool namesakeFirst = input.ConsumeBool();
  bool answerYes = input.ConsumeBool();

  BeebFileDetails details = GetBeebFileDetails(sideCar);
  Check((details.Directory & 0x80) == 0, "side-car directory has bit 7");
  Check(details.LoadAddress >= 0 && details.LoadAddress <= 0xFFFFFF, "load address too wide");
  Check(details.ExecAddress >= 0 && details.ExecAddress <= 0xFFFFFF, "exec address too wide");
  Check(!details.Name || details.Name->size() == 7, "side-car name not 7 characters");
  Check(MakeBeebName(hostName).size() == 7, "made name not 7 characters");
  DecodeHostName(hostName);

  std::string drop = work + "/drop";
  mkdir(drop.c_str(), 0700);
  std::string hostPath = drop + "/" + hostName;
  fuzz::WriteWholeFile(hostPath, content);
  std::vector<std::string> paths = {hostPath};
  bool sideCarWritten = ending != nullptr && hostName.size() + 4 < 256;
  if (sideCarWritten) {
    std::string sideCarPath = hostPath + ending;
    fuzz::WriteWholeFile(sideCarPath, {sideCar.begin(), sideCar.end()});
    paths.insert(paths.begin() + input.ConsumeIntegralInRange(0, 1), sideCarPath);
  }
  std::set<std::string> dropBefore = Names(drop);

  std::unique_ptr<DFSDiskClass> disk = BlankImage(work + "/import.ssd");
  AlienFileDetails expected;
  try {
    expected = AlienFileDetailsFor(hostPath);
  } catch (const FileSystemError& error) {
    // Every side-car here is readable, so nothing may stop the import.
    fuzz::Fail("a readable host file cannot be imported", error.what());
  }
  if (namesakeFirst) {
    DFSFileClass namesake;
    namesake.Directory = expected.Directory;
    namesake.Name = expected.Name;
    namesake.Length = 700;
    SMemoryStream bytes(std::vector<uint8_t>(700, 0xEE));
    Check(disk->SaveFile(namesake, bytes) == kSaveDone, "cannot save the namesake");
  }
  ScriptedPrompts prompts;
  prompts.QueueYesNo(answerYes);
  SetPrompts(&prompts);
  ImportSummary summary = ProcessAlienFiles(*disk, paths, ImportCallbacks{});
  SetPrompts(nullptr);

  DFSFileList list = Catalogue(*disk);
  CheckNoOverlap(list);
  Check(Names(drop) == dropBefore, "import changed the host folder");
  // A side-car naming what no DFS disk can hold refuses its file, with a message.
  bool storable = !IsSideCarName(hostName) && !SideCarNameProblem(hostPath, expected) &&
                  (!namesakeFirst || answerYes);
  Check(summary.storedCount == (storable ? 1 : 0), "a host file was not imported as it should",
        hostName);
  if (summary.storedCount == 1) {
    Check(list.size() == 1, "replaced namesake still listed");
    const DFSFileClass& stored = list.front();
    Check(stored.Name == expected.Name && stored.Directory == (expected.Directory & 0x7F),
          "stored under another name", hostName);
    Check(disk->ReadFileData(stored) == content, "stored bytes differ from the host file");
  } else if (namesakeFirst) {
    Check(list.size() == 1 && list.front().Length == 700, "namesake lost by a refused import");
  }
  fuzz::EmptyFolder(drop, true);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string& work = fuzz::WorkFolder();
  if (input.ConsumeBool()) {
    RoundTrip(input, work);
  } else {
    ImportAnything(input, work);
  }
  return 0;
}
