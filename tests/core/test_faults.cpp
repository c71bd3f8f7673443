// SPDX-License-Identifier: GPL-3.0-or-later
// Every catalogue change and an import, repeated with a write failure injected at each
// write operation (once, and for good from there on; the rollback journal's writes and
// flushes among them), after each of many byte counts, and with the disk full at each of
// many sizes. Afterwards the image opens (rolling back a journal left behind) with a
// consistent catalogue, the files the change left alone keep their bytes, a file being
// replaced holds wholly its old bytes or wholly its new ones, the image is no longer than
// it was unless the change succeeded, and the caller saw an error exactly when a failure
// was injected. Then the journal's own rollback is made to fail at each of its writes.
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <functional>
#include <set>

#include "disk/DFSUseful.h"
#include "disk/HostFiles.h"
#include "disk/Journal.h"
#include "platform/ScriptedPrompts.h"
#include "support/ImageBuilder.h"
#include "support/ImageChecks.h"

namespace {

// One change to try on one side of an image. run returns false when the change
// reported a failure its own way (an import's message) and raises FileSystemError
// otherwise. replaced names the files whose data the change rewrites.
struct Scenario {
  std::string name;
  std::vector<uint8_t> image;
  bool doubleSided = false;
  int side = 0;
  std::function<bool(DFSDiskClass&)> run;
  std::set<std::string> replaced;
  bool oneCatalogueWrite = true;  // false for an import, which saves file after file
  bool journalled = false;        // the replacement fits only over the old file
};

struct Outcome {
  bool reportedFailure = false;
  std::string error;  // the FileSystemError's text
  bool fired = false;
  int operations = 0;
  int64_t bytesWritten = 0;
  std::vector<uint8_t> image;
  bool journalLeft = false;
  bool rolledBack = false;
};

DFSFileClass NewFile(const std::string& name, int32_t length, char directory = '$') {
  DFSFileClass file;
  file.Name = PadRight(name, 7);
  file.Directory = directory;
  file.Length = length;
  file.LoadAddress = 0x1900;
  file.ExecAddress = 0xFF8023;
  return file;
}

std::function<bool(DFSDiskClass&)> Save(const std::string& name, int32_t length, uint8_t seed) {
  return [=](DFSDiskClass& disk) {
    SMemoryStream source(PatternBytes(static_cast<size_t>(length), seed));
    return disk.SaveFile(NewFile(name, length), source) == kSaveDone;
  };
}

// Locked A at 2 (600 bytes), B at 5 (1000), C at 20 (1200), D at 40 (300); gaps at
// sectors 9-19 and 25-39; the host file ends with D.
ImageBuilder SideImage(uint8_t seed, int sectors = 800) {
  ImageBuilder builder(sectors);
  builder.Title("FAULTS").BootOption(1);
  builder.AddEntry({'$', "D", 0x1900, 0x8023, 300, 40});
  builder.AddEntry({'$', "C", 0xFF1900, 0xFF8023, 1200, 20});
  builder.AddEntry({'$', "B", 0x0E00, 0x0E00, 1000, 5});
  builder.AddEntry({'$', "A", 0, 0, 600, 2, true});
  builder.FileData(2, PatternBytes(600, seed + 1)).FileData(5, PatternBytes(1000, seed + 2));
  builder.FileData(20, PatternBytes(1200, seed + 3)).FileData(40, PatternBytes(300, seed + 4));
  return builder;
}

std::vector<uint8_t> Catalogue512(const std::vector<uint8_t>& image, bool interleaved, int side) {
  std::vector<uint8_t> bytes(512, 0);
  for (size_t offset = 0; offset < bytes.size(); ++offset) {
    size_t at = RawFileOffset(interleaved, side, offset);
    bytes[offset] = at < image.size() ? image[at] : 0;
  }
  return bytes;
}

const RawEntry* FindByLabel(const RawDisk& disk, const std::string& label) {
  for (const RawEntry& entry : disk.entries) {
    if (EntryLabel(entry) == label) {
      return &entry;
    }
  }
  return nullptr;
}

const RawEntry* FindSame(const RawDisk& disk, const RawEntry& entry) {
  for (const RawEntry& candidate : disk.entries) {
    if (SameEntry(candidate, entry)) {
      return &candidate;
    }
  }
  return nullptr;
}

}  // namespace

class TestFaults : public QObject {
  Q_OBJECT

 private:
  // Memory-backed when the system has such a folder, since every case flushes.
  QTemporaryDir dir_{(QFileInfo::exists("/dev/shm") ? QString("/dev/shm") : QDir::tempPath()) +
                     "/kestrow-faults-XXXXXX"};
  std::string hostFolder_;
  int cases_ = 0;
  bool failingForGood_ = false;

  std::string ImagePath(const Scenario& scenario) const {
    return dir_.filePath(scenario.doubleSided ? "image.dsd" : "image.ssd").toStdString();
  }

  Outcome Run(const Scenario& scenario, const FaultPlan& plan) {
    std::string path = ImagePath(scenario);
    ImageBuilder().Bytes(0, scenario.image).HostSize(scenario.image.size()).WriteTo(path);
    auto faults = std::make_shared<FaultPlan>(plan);
    Outcome outcome;
    {
      auto stream = std::make_shared<SFileStream>(path, true);
      stream->SetFaultPlan(faults);
      DFSDiskClass disk(stream, path, SectorMapping{scenario.doubleSided, scenario.side});
      try {
        outcome.reportedFailure = !scenario.run(disk);
      } catch (const FileSystemError& error) {
        outcome.reportedFailure = true;
        outcome.error = error.what();
      }
    }
    // The next opening rolls back what a failed rollback left in the journal.
    outcome.journalLeft = Journal::ExistsFor(path);
    if (outcome.journalLeft) {
      ImageSides sides = OpenDiskImage(path);
      outcome.rolledBack =
          sides.front()->OpenNotice == kJournalRolledBackMessage && !sides.front()->IsReadOnly();
    }
    outcome.fired = faults->Fired();
    outcome.operations = faults->Operations();
    outcome.bytesWritten = faults->BytesWritten();
    outcome.image = ReadHostFile(path);
    return outcome;
  }

  // What is wrong with the outcome of one injected failure, or "" when nothing is.
  std::string Problem(const Scenario& scenario, const Outcome& reference, const Outcome& outcome) {
    std::string path = ImagePath(scenario);
    if (outcome.fired != outcome.reportedFailure) {
      return outcome.fired ? "a failed change reported success" : "an undisturbed change failed";
    }
    if (!outcome.error.empty() &&
        outcome.error != FileSystemError("Cannot write file", path, EIO).what() &&
        outcome.error != FileSystemError("Cannot write file", path, ENOSPC).what()) {
      return "unexpected error text: " + outcome.error;
    }
    if (!outcome.fired) {
      return outcome.image == reference.image ? "" : "an undisturbed change wrote other bytes";
    }
    if (outcome.journalLeft && !outcome.rolledBack) {
      return "the journal left behind was not rolled back";
    }
    if (Journal::ExistsFor(path)) {
      return "a journal is still there";
    }
    // Cutting the image back is itself a write, which a disk failing for good refuses.
    if (scenario.oneCatalogueWrite && !failingForGood_ &&
        outcome.image.size() > scenario.image.size()) {
      return "a failed change left the image longer";
    }
    try {
      ImageSides sides = OpenDiskImage(path);
      for (auto& side : sides) {
        DFSFileList list;
        side->ReadCatalogue(list);
      }
    } catch (const std::exception& error) {
      return std::string("the image does not open: ") + error.what();
    }
    const bool interleaved = scenario.doubleSided;
    for (int side = 0; side < (interleaved ? 2 : 1); ++side) {
      RawDisk before = DecodeRawDisk(scenario.image, interleaved, side);
      RawDisk after = DecodeRawDisk(outcome.image, interleaved, side);
      if (std::string problem = CatalogueProblem(after); !problem.empty()) {
        return problem;
      }
      if (side != scenario.side) {
        if (!SameEntries(before.entries, after.entries) ||
            FileContents(scenario.image, interleaved, side) !=
                FileContents(outcome.image, interleaved, side)) {
          return "the other side changed";
        }
        continue;
      }
      if (std::string problem = SideProblem(scenario, reference, outcome, side); !problem.empty()) {
        return problem;
      }
    }
    return "";
  }

  std::string SideProblem(const Scenario& scenario, const Outcome& reference,
                          const Outcome& outcome, int side) {
    const bool interleaved = scenario.doubleSided;
    RawDisk before = DecodeRawDisk(scenario.image, interleaved, side);
    RawDisk expected = DecodeRawDisk(reference.image, interleaved, side);
    RawDisk after = DecodeRawDisk(outcome.image, interleaved, side);
    std::vector<uint8_t> catalogue = Catalogue512(outcome.image, interleaved, side);
    if (scenario.oneCatalogueWrite &&
        catalogue != Catalogue512(scenario.image, interleaved, side) &&
        catalogue != Catalogue512(reference.image, interleaved, side)) {
      return "the catalogue is neither the old one nor the new one";
    }
    auto bytesOf = [&](const std::vector<uint8_t>& image, const RawEntry& entry) {
      return RawFileBytes(image, interleaved, side, entry);
    };
    for (const RawEntry& entry : after.entries) {
      std::string label = EntryLabel(entry);
      std::vector<uint8_t> now = bytesOf(outcome.image, entry);
      if (const RawEntry* old = FindSame(before, entry)) {
        if (scenario.replaced.count(label) == 0) {
          if (now != bytesOf(scenario.image, *old)) {
            return label + " lost bytes it should have kept";
          }
          continue;
        }
        // The entry of a file being replaced is still the old one: so are its bytes.
        if (now != bytesOf(scenario.image, *old)) {
          return label + ", being replaced, lost bytes of its old version";
        }
        continue;
      }
      const RawEntry* wanted = FindSame(expected, entry);
      if (wanted == nullptr) {
        // An import that went on after a failure places later files elsewhere.
        wanted = FindByLabel(expected, label);
        RawEntry moved = entry;
        if (wanted != nullptr) {
          moved.start = wanted->start;
        }
        if (wanted == nullptr || !SameEntry(moved, *wanted)) {
          return label + " is an entry of neither catalogue";
        }
      }
      if (now != bytesOf(reference.image, *wanted)) {
        return label + " lists data that was never written";
      }
    }
    for (const std::string& label : scenario.replaced) {
      if (FindByLabel(after, label) == nullptr) {
        return label + ", being replaced, was lost";
      }
    }
    for (const RawEntry& entry : before.entries) {
      bool touched =
          FindSame(expected, entry) == nullptr || scenario.replaced.count(EntryLabel(entry));
      if (!touched && FindSame(after, entry) == nullptr) {
        return EntryLabel(entry) + " was lost";
      }
    }
    return "";
  }

  // The failures to inject into a change whose undisturbed run is reference, on an image
  // of size bytes: each write operation, byte counts across everything it wrote, and
  // every disk size from the image's up to what the change grew it to.
  static std::vector<std::pair<std::string, FaultPlan>> Plans(const Outcome& reference,
                                                              int64_t size) {
    std::vector<std::pair<std::string, FaultPlan>> plans;
    for (int k = 1; k <= reference.operations; ++k) {
      plans.emplace_back("write " + std::to_string(k), FaultPlan::FailNthWrite(k));
      plans.emplace_back("writes from " + std::to_string(k), FaultPlan::FailNthWrite(k, true));
    }
    std::set<int64_t> counts;
    for (int64_t count = 0; count < reference.bytesWritten; count += 97) {
      counts.insert(count);
    }
    for (int64_t boundary = 0; boundary <= reference.bytesWritten; boundary += 256) {
      counts.insert({boundary, boundary + 1, std::max<int64_t>(boundary - 1, 0)});
    }
    counts.insert(reference.bytesWritten - 1);
    for (int64_t count : counts) {
      if (count >= 0 && count < reference.bytesWritten) {
        plans.emplace_back("after " + std::to_string(count) + " bytes",
                           FaultPlan::FailAfterBytes(count));
      }
    }
    auto grownSize = static_cast<int64_t>(reference.image.size());
    for (int64_t limit = size; limit < std::max(grownSize, size + 1); limit += 211) {
      plans.emplace_back("disk full at " + std::to_string(limit), FaultPlan::DiskFull(limit));
    }
    if (grownSize > size) {
      plans.emplace_back("disk full 1 short", FaultPlan::DiskFull(grownSize - 1));
    }
    return plans;
  }

  void TryEveryFailure(const Scenario& scenario) {
    Outcome reference = Run(scenario, FaultPlan::FailNthWrite(INT32_MAX));
    QVERIFY2(!reference.reportedFailure, scenario.name.c_str());
    QVERIFY2(reference.operations > 0, scenario.name.c_str());
    if (scenario.journalled) {
      // The case meant: the replacement lies over sectors of the old file.
      const RawDisk before = DecodeRawDisk(scenario.image, scenario.doubleSided, scenario.side);
      const RawDisk after = DecodeRawDisk(reference.image, scenario.doubleSided, scenario.side);
      const RawEntry* old = FindByLabel(before, *scenario.replaced.begin());
      const RawEntry* now = FindByLabel(after, *scenario.replaced.begin());
      QVERIFY2(old && now && now->start < old->start + (old->length + 255) / 256 &&
                   old->start < now->start + (now->length + 255) / 256,
               scenario.name.c_str());
    }
    for (const auto& [description, plan] :
         Plans(reference, static_cast<int64_t>(scenario.image.size()))) {
      failingForGood_ = description.rfind("writes from", 0) == 0;
      Outcome outcome = Run(scenario, plan);
      std::string problem = Problem(scenario, reference, outcome);
      ++cases_;
      QVERIFY2(problem.empty(), (scenario.name + ", " + description + ": " + problem).c_str());
    }
  }

  Scenario Single(const std::string& name, std::function<bool(DFSDiskClass&)> run,
                  std::set<std::string> replaced = {}) {
    return {name, SideImage(0).Image(), false, 0, std::move(run), std::move(replaced), true};
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    hostFolder_ = dir_.filePath("host").toStdString();
    QVERIFY(QDir().mkpath(QString::fromStdString(hostFolder_)));
  }

  void cleanupTestCase() { qInfo("fault-injection cases tried: %d", cases_); }

  void saveFile_data() {
    QTest::addColumn<int>("which");
    QTest::newRow("new file in a gap") << 0;
    QTest::newRow("replacing a file in its own place") << 1;
    QTest::newRow("replacing a file by a longer one that grows the image") << 2;
    QTest::newRow("new file past the end of the image") << 3;
    QTest::newRow("replacing a file that fits only in its own place") << 4;
  }
  void saveFile() {
    QFETCH(int, which);
    Scenario inPlace = Single("replace C in place", Save("C", 5000, 13), {"$.C"});
    inPlace.image = SideImage(0, 45).Image();
    inPlace.journalled = true;
    const Scenario scenarios[] = {
        Single("save NEW", Save("NEW", 2000, 9)),
        Single("replace B", Save("B", 900, 10), {"$.B"}),
        Single("replace D", Save("D", 5000, 11), {"$.D"}),
        Single("save BIG", Save("BIG", 20000, 12)),
        inPlace,
    };
    TryEveryFailure(scenarios[which]);
  }

  void catalogueChanges_data() {
    QTest::addColumn<int>("which");
    const char* names[] = {"DeleteFile",   "SetLocked", "RenameFile",   "SetAddress",
                           "SetDirectory", "SetTitle",  "SetBootOption"};
    for (int which = 0; which < 7; ++which) {
      QTest::newRow(names[which]) << which;
    }
  }
  void catalogueChanges() {
    QFETCH(int, which);
    const std::string b = PadRight("B", 7);
    const std::string c = PadRight("C", 7);
    const std::string d = PadRight("D", 7);
    const std::function<bool(DFSDiskClass&)> changes[] = {
        [&](DFSDiskClass& disk) { return disk.DeleteFile('$', b); },
        [&](DFSDiskClass& disk) { return disk.SetLocked('$', c, true); },
        [&](DFSDiskClass& disk) { return disk.RenameFile('$', "C", "RENAMED"); },
        [&](DFSDiskClass& disk) { return disk.SetAddress('$', d, "Load", "FF1234"); },
        [&](DFSDiskClass& disk) { return disk.SetDirectory('$', 'X', d); },
        [](DFSDiskClass& disk) {
          disk.SetTitle("NEW TITLE XY");
          return true;
        },
        [](DFSDiskClass& disk) {
          disk.SetBootOption(2);
          return true;
        },
    };
    TryEveryFailure(Single(QTest::currentDataTag(), changes[which]));
  }

  // Side 1 of a double-sided image: data crosses from one track to the next, which the
  // interleaving puts apart, and side 0 must never change.
  void doubleSided_data() {
    QTest::addColumn<int>("which");
    QTest::newRow("save across tracks") << 0;
    QTest::newRow("replace across tracks") << 1;
    QTest::newRow("delete") << 2;
    QTest::newRow("replace in place across tracks") << 3;
  }
  void doubleSided() {
    QFETCH(int, which);
    const std::function<bool(DFSDiskClass&)> changes[] = {
        Save("NEW", 3000, 20),
        Save("C", 4000, 21),
        [](DFSDiskClass& disk) { return disk.DeleteFile('$', PadRight("C", 7)); },
        Save("C", 5000, 22),
    };
    Scenario scenario{QTest::currentDataTag(),
                      InterleavedImage(SideImage(30, which == 3 ? 45 : 800).Image(),
                                       SideImage(40, which == 3 ? 45 : 800).Image()),
                      true,
                      1,
                      changes[which],
                      which % 2 == 1 ? std::set<std::string>{"$.C"} : std::set<std::string>{},
                      true,
                      which == 3};
    TryEveryFailure(scenario);
  }

  // Three host files, the first replacing B after the overwrite question, the last with
  // a side-car: every failure shows the import's message, and the files stored before
  // and after a passing failure are whole.
  void import() {
    const std::string folder = hostFolder_ + "/";
    ImageBuilder().Bytes(0, PatternBytes(700, 50)).WriteTo(folder + "$.B");
    ImageBuilder().Bytes(0, PatternBytes(1500, 51)).WriteTo(folder + "NEWONE");
    ImageBuilder().Bytes(0, PatternBytes(2600, 52)).WriteTo(folder + "$.TWO");
    const std::string sideCar = "$.TWO     003000 003000 000A28 L";
    ImageBuilder().Bytes(0, {sideCar.begin(), sideCar.end()}).WriteTo(folder + "$.TWO.inf");
    const std::vector<std::string> paths = {folder + "$.B", folder + "NEWONE", folder + "$.TWO",
                                            folder + "$.TWO.inf"};
    Scenario scenario = Single("import",
                               [paths](DFSDiskClass& disk) {
                                 ScopedScriptedPrompts prompts;
                                 prompts->QueueYesNo(true);
                                 ImportSummary summary =
                                     ProcessAlienFiles(disk, paths, ImportCallbacks{});
                                 bool complained = false;
                                 for (const std::string& message : prompts->Messages()) {
                                   complained = complained || message == kCouldNotSaveMessage;
                                 }
                                 return summary.storedCount == 3 && !complained;
                               },
                               {"$.B"});
    scenario.oneCatalogueWrite = false;
    TryEveryFailure(scenario);
  }

  // An in-place replacement interrupted for good after its journal was written leaves
  // the journal; the rollback at the next opening is then made to fail at each of its
  // writes and flushes in turn. The journal stays until a rollback completes, and after
  // it the disk lists its old catalogue with every file's old bytes, at its old length.
  void journalRecoveryAtEveryStep_data() {
    QTest::addColumn<bool>("doubleSided");
    QTest::newRow("single-sided") << false;
    QTest::newRow("drive 2 of a double-sided image") << true;
  }
  void journalRecoveryAtEveryStep() {
    QFETCH(bool, doubleSided);
    Scenario scenario = Single("replace C in place", Save("C", 5000, 13), {"$.C"});
    scenario.image = doubleSided
                         ? InterleavedImage(SideImage(30, 45).Image(), SideImage(40, 45).Image())
                         : SideImage(0, 45).Image();
    scenario.doubleSided = doubleSided;
    scenario.side = doubleSided ? 1 : 0;
    const std::string path = ImagePath(scenario);
    const std::string journal = Journal::PathFor(path);
    Outcome reference = Run(scenario, FaultPlan::FailNthWrite(INT32_MAX));
    int interrupted = 0;
    int recoveries = 0;
    for (int k = 1; k <= reference.operations; ++k) {
      // Everything from write k on fails, the in-process rollback included.
      ImageBuilder().Bytes(0, scenario.image).HostSize(scenario.image.size()).WriteTo(path);
      {
        auto stream = std::make_shared<SFileStream>(path, true);
        stream->SetFaultPlan(std::make_shared<FaultPlan>(FaultPlan::FailNthWrite(k, true)));
        DFSDiskClass disk(stream, path, SectorMapping{scenario.doubleSided, scenario.side});
        try {
          QVERIFY(!scenario.run(disk));  // no room, when the journal could not be written
        } catch (const FileSystemError&) {
          // the change itself failed
        }
      }
      if (!Journal::ExistsFor(path)) {
        continue;  // the journal was never complete: nothing had been overwritten
      }
      ++interrupted;
      const std::vector<uint8_t> left = ReadHostFile(path);
      const std::vector<uint8_t> leftJournal = ReadHostFile(journal);
      for (int step = 1;; ++step) {
        QVERIFY2(step < 50, "the rollback never completes");
        ImageBuilder().Bytes(0, left).HostSize(left.size()).WriteTo(path);
        ImageBuilder().Bytes(0, leftJournal).HostSize(leftJournal.size()).WriteTo(journal);
        bool failed = false;
        {
          SFileStream stream(path, true);
          stream.SetFaultPlan(std::make_shared<FaultPlan>(FaultPlan::FailNthWrite(step)));
          try {
            QCOMPARE(Journal::Recover(stream).outcome, Journal::Outcome::RolledBack);
          } catch (const FileSystemError&) {
            failed = true;
          }
        }
        ++recoveries;
        if (failed) {
          QVERIFY2(Journal::ExistsFor(path), "a failed rollback removed its journal");
        }
        ImageSides sides = OpenDiskImage(path);
        QCOMPARE(sides.front()->OpenNotice, std::string(failed ? kJournalRolledBackMessage : ""));
        QVERIFY(!Journal::ExistsFor(path));
        sides.clear();
        std::vector<uint8_t> after = ReadHostFile(path);
        for (int side = 0; side < (doubleSided ? 2 : 1); ++side) {
          QCOMPARE(Catalogue512(after, doubleSided, side),
                   Catalogue512(scenario.image, doubleSided, side));
          QVERIFY(FileContents(after, doubleSided, side) ==
                  FileContents(scenario.image, doubleSided, side));
        }
        QCOMPARE(after.size(), scenario.image.size());
        if (!failed) {
          break;
        }
      }
    }
    qInfo("interrupted replacements: %d, rollbacks tried: %d", interrupted, recoveries);
    QVERIFY2(interrupted > 0, "no failure left a journal behind");
    cases_ += recoveries;
  }

  // The failures surface with the system's own texts.
  void injectedFailuresReadLikeRealOnes() {
    std::string path = dir_.filePath("texts.ssd").toStdString();
    ImageBuilder().WriteTo(path);
    SFileStream stream(path, false);
    stream.SetFaultPlan(std::make_shared<FaultPlan>(FaultPlan::DiskFull(600)));
    std::vector<uint8_t> bytes(200, 7);
    stream.Seek(500);
    QVERIFY_THROWS_EXCEPTION(FileSystemError, stream.Write(bytes.data(), bytes.size()));
    QCOMPARE(stream.Size(), 600);  // the part that fitted was written
    try {
      stream.SetSize(4096);
      QFAIL("no error");
    } catch (const FileSystemError& error) {
      QCOMPARE(error.ErrorNumber(), ENOSPC);
      QCOMPARE(QString(error.what()), "Cannot write file \"" + QString::fromStdString(path) +
                                          "\". No space left on device");
    }
    stream.SetFaultPlan(std::make_shared<FaultPlan>(FaultPlan::FailNthWrite(2)));
    stream.Seek(0);
    stream.Write(bytes.data(), 10);
    try {
      stream.Flush();
      QFAIL("no error");
    } catch (const FileSystemError& error) {
      QCOMPARE(error.ErrorNumber(), EIO);
      QVERIFY(QString(error.what()).endsWith("Input/output error"));
    }
    stream.Flush();  // a single failure passes
  }
};

QTEST_GUILESS_MAIN(TestFaults)
#include "test_faults.moc"
