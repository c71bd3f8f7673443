// SPDX-License-Identifier: GPL-3.0-or-later
// kestrow-dfs adding many files, killed with SIGKILL at random moments, again and again,
// mostly on the image the previous killed run left behind. After every kill the image
// opens, every listed file reads back whole, no two entries overlap, every file that
// was there before the run is unchanged, and the run added all of its files or none.
// Then "add --overwrite" killed at random moments, with room for the new file away from
// the old one and with room only in its place (the rollback journal's case): once the
// image is opened again the file is wholly old or wholly new, and no journal is left.
#include <signal.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <algorithm>
#include <fstream>
#include <map>
#include <optional>
#include <random>

#include "disk/DFSUseful.h"
#include "disk/Journal.h"
#include "support/ImageBuilder.h"
#include "support/ImageChecks.h"

namespace {

constexpr int kHostFiles = 24;
constexpr int kRuns = 40;
constexpr int kOverwriteRuns = 280;  // for each of the two layouts

// Four files of the disk before any run: a locked one among them.
ImageBuilder BaseImage() {
  ImageBuilder builder(800);
  builder.Title("KILLED");
  builder.AddEntry({'$', "KEEP3", 0, 0, 3000, 60});
  builder.AddEntry({'D', "KEEP2", 0x1900, 0x8023, 1, 40});
  builder.AddEntry({'$', "KEEP1", 0xFF1900, 0xFF8023, 5000, 20, true});
  builder.AddEntry({'$', "KEEP0", 0, 0, 256, 2});
  builder.FileData(2, PatternBytes(256, 1)).FileData(20, PatternBytes(5000, 2));
  builder.FileData(40, PatternBytes(1, 3)).FileData(60, PatternBytes(3000, 4));
  return builder;
}

std::vector<uint8_t> HostFileBytes(int index) {
  return PatternBytes(static_cast<size_t>(300 + index * 251), static_cast<uint8_t>(100 + index));
}

// What went wrong in one killed run, with the seed that repeats it.
QByteArray RunProblem(int run, unsigned seed, const std::string& problem) {
  return QString("run %1 (seed %2): %3")
      .arg(run)
      .arg(seed)
      .arg(QString::fromStdString(problem))
      .toUtf8();
}

}  // namespace

class TestKilled : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  std::string image_;
  QStringList arguments_;
  std::map<std::string, std::vector<uint8_t>> hostContents_;  // by label, "$.F07"

  void StartFresh() { BaseImage().WriteTo(image_); }

  // What is wrong with the image after a run that began on before, or "".
  std::string Problem(const std::vector<uint8_t>& before) {
    try {
      ImageSides sides = OpenDiskImage(image_);
      DFSFileList list;
      sides.front()->ReadCatalogue(list);
    } catch (const std::exception& error) {
      return std::string("the image does not open: ") + error.what();
    }
    std::vector<uint8_t> after = ReadHostFile(image_);
    RawDisk oldDisk = DecodeRawDisk(before, false, 0);
    RawDisk newDisk = DecodeRawDisk(after, false, 0);
    if (std::string problem = CatalogueProblem(newDisk); !problem.empty()) {
      return problem;
    }
    if (DecodeRawDisk(after, false, 0).title != "KILLED") {
      return "the title changed";
    }
    std::map<std::string, std::vector<uint8_t>> oldFiles = FileContents(before, false, 0);
    std::map<std::string, std::vector<uint8_t>> newFiles = FileContents(after, false, 0);
    for (const RawEntry& entry : oldDisk.entries) {
      std::string label = EntryLabel(entry);
      bool kept = std::any_of(newDisk.entries.begin(), newDisk.entries.end(),
                              [&](const RawEntry& now) { return SameEntry(now, entry); });
      if (!kept || newFiles[label] != oldFiles[label]) {
        return label + " changed";
      }
    }
    for (const auto& [label, bytes] : newFiles) {
      if (oldFiles.count(label) == 0 &&
          (hostContents_.count(label) == 0 || bytes != hostContents_[label])) {
        return label + " does not read back whole";
      }
    }
    return "";
  }

  // The count byte alone, which is cheap enough to poll.
  size_t EntryCount() const {
    std::ifstream in(image_, std::ios::binary);
    in.seekg(0x105);
    return static_cast<size_t>(in.get()) / 8;
  }

  // Runs the tool. With a target, waits until the image lists that many entries (or the
  // tool ends), waits extraMicroseconds more and kills it. Returns whether it was killed.
  bool RunTool(std::optional<size_t> target = std::nullopt, int64_t extraMicroseconds = 0) {
    QProcess process;
    process.start(KESTROW_BINARY_DIR "/kestrow-dfs", arguments_);
    if (!process.waitForStarted()) {
      return false;
    }
    if (target) {
      while (process.state() == QProcess::Running && EntryCount() < *target) {
        process.waitForFinished(0);
        QThread::usleep(20);
      }
      QThread::usleep(static_cast<unsigned long>(extraMicroseconds));
      // processId() is 0 once the tool has ended, and kill(0) would hit this very test.
      if (const auto pid = static_cast<pid_t>(process.processId()); pid > 0) {
        ::kill(pid, SIGKILL);
      }
    }
    process.waitForFinished(60000);
    return process.exitStatus() == QProcess::CrashExit;
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    image_ = dir_.filePath("killed.ssd").toStdString();
    arguments_ << "add" << QString::fromStdString(image_);
    for (int index = 0; index < kHostFiles; ++index) {
      QString name = QString("F%1").arg(index, 2, 10, QChar('0'));
      std::string path = dir_.filePath(name).toStdString();
      ImageBuilder()
          .Bytes(0, HostFileBytes(index))
          .HostSize(HostFileBytes(index).size())
          .WriteTo(path);
      arguments_ << QString::fromStdString(path);
      hostContents_["$." + name.toStdString()] = HostFileBytes(index);
    }
  }

  // Killed runs of "add" leave an image that opens, lists only whole files and keeps the
  // files it had. Most runs go on from the image the last one left; every fifth, and
  // any with fewer than two files left to add, starts afresh.
  void killedAddLosesNothing() {
    // The slowest of three whole runs sets the span the kills fall in.
    int64_t fullRun = 1000;
    for (int round = 0; round < 3; ++round) {
      StartFresh();
      QElapsedTimer timer;
      timer.start();
      QVERIFY(!RunTool());
      fullRun = std::max<int64_t>(fullRun, timer.nsecsElapsed() / 1000);
      QCOMPARE(DecodeRawDisk(ReadHostFile(image_), false, 0).entries.size(),
               size_t(4 + kHostFiles));
    }

    const unsigned seed = std::random_device()();
    std::mt19937 random(seed);
    int64_t bound = fullRun;
    int killedBefore = 0;  // killed before the catalogue write: nothing added
    int killedAfter = 0;   // killed after it: everything added
    for (int run = 0; run < kRuns; ++run) {
      if (run % 5 == 0 || EntryCount() + 2 > 4 + kHostFiles) {
        StartFresh();
      }
      std::vector<uint8_t> before = ReadHostFile(image_);
      size_t listed = DecodeRawDisk(before, false, 0).entries.size();
      size_t left = 4 + kHostFiles - listed;
      bool killed = RunTool(size_t(0), std::uniform_int_distribution<int64_t>(0, bound)(random));
      size_t added = DecodeRawDisk(ReadHostFile(image_), false, 0).entries.size() - listed;
      std::string problem = Problem(before);
      if (problem.empty() && added != 0 && added != left) {
        problem = "added " + std::to_string(added) + " of " + std::to_string(left) + " files";
      }
      QVERIFY2(problem.empty(), RunProblem(run, seed, problem).constData());
      killedBefore += killed && added == 0 ? 1 : 0;
      // The bound follows the load, as below: kills cluster around the catalogue write.
      bound = added == 0 ? bound * 5 / 4 : std::max<int64_t>(bound * 4 / 5, 200);
      killedAfter += killed && added == left ? 1 : 0;
    }
    qInfo("kill runs: %d, killed before the catalogue write: %d, after it: %d, whole run %lld us",
          kRuns, killedBefore, killedAfter, static_cast<long long>(fullRun));
    QVERIFY2(killedBefore >= kRuns / 4, "too few runs were killed before they added anything");
  }

  // "add --overwrite" of $.REPL killed at random moments. Afterwards the image opens (and
  // so rolls back any journal), $.REPL holds exactly its old bytes or exactly its new
  // ones, the other files are unchanged and no journal is left.
  void killedOverwriteLosesNothing_data() {
    QTest::addColumn<bool>("onlyInPlace");
    QTest::newRow("room elsewhere") << false;
    QTest::newRow("room only in place") << true;
  }
  void killedOverwriteLosesNothing() {
    QFETCH(bool, onlyInPlace);
    const std::vector<uint8_t> oldBytes = PatternBytes(20000, 7);
    const std::vector<uint8_t> newBytes = PatternBytes(24000, 8);
    // KEEP fills sectors 2-99; REPL follows; with onlyInPlace FILL takes what is left
    // but one sector more than the new REPL needs beyond the old.
    ImageBuilder builder(800);
    builder.Title("KILLED");
    builder.AddEntry({'$', "KEEP", 0, 0, 98 * 256, 2}).FileData(2, PatternBytes(98 * 256, 5));
    builder.AddEntry({'$', "REPL", 0x1900, 0x8023, uint32_t(oldBytes.size()), 100});
    builder.FileData(100, oldBytes);
    if (onlyInPlace) {
      int fillStart = 100 + 94 + 1;  // 24000 bytes need 94 sectors; one is left free
      builder.AddEntry({'$', "FILL", 0, 0, uint32_t((800 - fillStart) * 256), uint32_t(fillStart)});
      builder.FileData(fillStart, PatternBytes((800 - fillStart) * 256, 6));
    }
    const std::string host = dir_.filePath("$.REPL").toStdString();
    ImageBuilder().Bytes(0, newBytes).HostSize(newBytes.size()).WriteTo(host);
    arguments_ = QStringList{"add", "--overwrite", QString::fromStdString(image_),
                             QString::fromStdString(host)};
    const std::string journal = Journal::PathFor(image_);

    int64_t fullRun = 1000;
    for (int round = 0; round < 3; ++round) {
      builder.WriteTo(image_);
      QElapsedTimer timer;
      timer.start();
      QVERIFY(!RunTool());
      fullRun = std::max<int64_t>(fullRun, timer.nsecsElapsed() / 1000);
      QCOMPARE(FileContents(ReadHostFile(image_), false, 0)["$.REPL"], newBytes);
      RawDisk done = DecodeRawDisk(ReadHostFile(image_), false, 0);
      bool overOld = std::any_of(done.entries.begin(), done.entries.end(), [](const RawEntry& e) {
        return EntryLabel(e) == "$.REPL" && e.start < 100 + 79;  // 20000 bytes: 79 sectors
      });
      QCOMPARE(overOld, onlyInPlace);
    }

    const unsigned seed = std::random_device()();
    std::mt19937 random(seed);
    // Kills fall at random up to a bound that follows the load on the machine: it grows
    // after a run that kept the old file and shrinks after one that got to the change, so
    // the kills cluster around the moment of the change.
    int64_t bound = fullRun;
    int killed = 0;
    int undone = 0;
    int oldKept = 0;
    for (int run = 0; run < kOverwriteRuns; ++run) {
      builder.WriteTo(image_);
      ::unlink(journal.c_str());
      killed +=
          RunTool(size_t(0), std::uniform_int_distribution<int64_t>(0, bound)(random)) ? 1 : 0;
      undone += QFileInfo::exists(QString::fromStdString(journal)) ? 1 : 0;
      std::string problem;
      try {
        ImageSides sides = OpenDiskImage(image_);  // rolls back an interrupted change
      } catch (const std::exception& error) {
        problem = std::string("the image does not open: ") + error.what();
      }
      std::vector<uint8_t> after = ReadHostFile(image_);
      std::map<std::string, std::vector<uint8_t>> files = FileContents(after, false, 0);
      std::map<std::string, std::vector<uint8_t>> original =
          FileContents(builder.Image(), false, 0);
      if (problem.empty()) {
        problem = CatalogueProblem(DecodeRawDisk(after, false, 0));
      }
      if (problem.empty() && files["$.REPL"] != oldBytes && files["$.REPL"] != newBytes) {
        problem = "$.REPL holds neither its old bytes nor its new ones";
      }
      for (const char* label : {"$.KEEP", "$.FILL"}) {
        if (problem.empty() && files[label] != original[label]) {
          problem = std::string(label) + " changed";
        }
      }
      if (problem.empty() && QFileInfo::exists(QString::fromStdString(journal))) {
        problem = "the journal is still there";
      }
      oldKept += files["$.REPL"] == oldBytes ? 1 : 0;
      bound = files["$.REPL"] == oldBytes ? bound * 5 / 4 : std::max<int64_t>(bound * 4 / 5, 200);
      QVERIFY2(problem.empty(), RunProblem(run, seed, problem).constData());
    }
    qInfo(
        "overwrite kills: %d runs, %d killed, %d left a journal that was rolled back, %d kept "
        "the old file, 0 damaged, whole run %lld us",
        kOverwriteRuns, killed, undone, oldKept, static_cast<long long>(fullRun));
    QVERIFY2(oldKept >= kOverwriteRuns / 5, "too few runs were killed before the change");
    QVERIFY2(kOverwriteRuns - oldKept >= kOverwriteRuns / 5, "too few runs got to the change");
    if (onlyInPlace) {
      QVERIFY2(undone > 0, "no run was killed while its journal was there");
    }
  }
};

QTEST_GUILESS_MAIN(TestKilled)
#include "test_killed.moc"
