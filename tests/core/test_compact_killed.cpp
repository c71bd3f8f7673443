// SPDX-License-Identifier: GPL-3.0-or-later
// "kestrow-dfs compact" killed with SIGKILL at random moments, again and again, on a
// fragmented disk (Acorn, and Watford 62-file with files in both catalogues) whose files
// nearly all overlap their own old places (so most steps go through the rollback
// journal), often on the image an earlier killed run left behind. After every kill the
// image opens (rolling back an interrupted step), no journal is left, every file has its
// old place or its new one with its bytes intact, and nothing else in the catalogues has
// changed.
#include <signal.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <algorithm>
#include <random>

#include "disk/DFSUseful.h"
#include "disk/Journal.h"
#include "support/FragmentedDisk.h"

namespace {

constexpr int kRuns = 240;
constexpr int kFiles = 12;
constexpr int kFileSectors = 12;

}  // namespace

class TestCompactKilled : public QObject {
  Q_OBJECT

 private:
  // Memory-backed when the system has such a folder: every step flushes.
  QTemporaryDir dir_{(QFileInfo::exists("/dev/shm") ? QString("/dev/shm") : QDir::tempPath()) +
                     "/kestrow-compact-killed-XXXXXX"};
  std::string image_;

  // Runs the tool; with a delay, kills it that many microseconds after it started. True
  // when it was killed.
  bool RunTool(int64_t killAfterMicroseconds = -1) {
    QProcess process;
    process.start(KESTROW_BINARY_DIR "/kestrow-dfs", {"compact", QString::fromStdString(image_)});
    if (!process.waitForStarted()) {
      return false;
    }
    if (killAfterMicroseconds >= 0) {
      QThread::usleep(static_cast<unsigned long>(killAfterMicroseconds));
      // processId() is 0 once the tool has ended, and kill(0) would hit this very test.
      if (const auto pid = static_cast<pid_t>(process.processId()); pid > 0) {
        ::kill(pid, SIGKILL);
      }
    }
    process.waitForFinished(60000);
    return process.exitStatus() == QProcess::CrashExit;
  }

  // Files at their compacted place.
  int MovedFiles(const std::vector<uint8_t>& original, const std::vector<uint8_t>& now) const {
    const std::vector<RawEntry> compacted = CompactedEntries(DecodeRawDisk(original, false, 0));
    const RawDisk disk = DecodeRawDisk(now, false, 0);
    int moved = 0;
    for (size_t index = 0; index < disk.entries.size(); ++index) {
      moved += disk.entries[index].start == compacted[index].start ? 1 : 0;
    }
    return moved;
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    image_ = dir_.filePath("killed.ssd").toStdString();
  }

  void killedCompactionLosesNothing_data() {
    QTest::addColumn<int>("catalogues");
    QTest::newRow("Acorn DFS") << 1;
    QTest::newRow("Watford 62-file, files of both catalogues") << 2;
  }
  void killedCompactionLosesNothing() {
    QFETCH(int, catalogues);
    const ImageBuilder original =
        FragmentedDisk(170, OverlappingFiles(kFiles, kFileSectors, catalogues), catalogues);
    const std::string journal = Journal::PathFor(image_);
    int64_t fullRun = 1000;
    for (int round = 0; round < 3; ++round) {
      original.WriteTo(image_);
      QElapsedTimer timer;
      timer.start();
      QVERIFY(!RunTool());
      fullRun = std::max<int64_t>(fullRun, timer.nsecsElapsed() / 1000);
      const std::string problem = CompactionProblem(original.Image(), ReadHostFile(image_), true);
      QVERIFY2(problem.empty(), problem.c_str());
    }

    const unsigned seed = std::random_device()();
    std::mt19937 random(seed);
    int64_t bound = fullRun;
    int killed = 0;
    int rolledBack = 0;
    int partly = 0;  // runs that left some files moved and some not
    QElapsedTimer timer;
    timer.start();
    // A kill inside a journalled step is a matter of timing on a loaded machine: the loop
    // goes on, up to four times as long, until one has fallen there and one between files.
    int runs = 0;
    for (int run = 0; run < kRuns || ((rolledBack == 0 || partly == 0) && run < 4 * kRuns);
         ++run, ++runs) {
      std::vector<uint8_t> before = ReadHostFile(image_);
      // Two runs in three go on from what the last one left, unless that was finished.
      if (run % 3 == 0 || MovedFiles(original.Image(), before) == kFiles) {
        original.WriteTo(image_);
        before = original.Image();
      }
      const int movedBefore = MovedFiles(original.Image(), before);
      killed += RunTool(std::uniform_int_distribution<int64_t>(0, bound)(random)) ? 1 : 0;
      const bool journalLeft = QFileInfo::exists(QString::fromStdString(journal));
      std::string problem;
      try {
        ImageSides sides = OpenDiskImage(image_);  // rolls back an interrupted step
        if (sides.front()->IsReadOnly()) {
          problem = "the image opens read-only: " + sides.front()->ReadOnlyReason();
        }
      } catch (const std::exception& error) {
        problem = std::string("the image does not open: ") + error.what();
      }
      const std::vector<uint8_t> after = ReadHostFile(image_);
      if (problem.empty()) {
        problem = CompactionProblem(original.Image(), after, false);
      }
      if (problem.empty() && QFileInfo::exists(QString::fromStdString(journal))) {
        problem = "the journal is still there";
      }
      if (problem.empty() && after.size() != original.Image().size()) {
        problem = "the image changed its length";
      }
      QVERIFY2(problem.empty(), QString("run %1 (seed %2): %3")
                                    .arg(run)
                                    .arg(seed)
                                    .arg(QString::fromStdString(problem))
                                    .toUtf8()
                                    .constData());
      rolledBack += journalLeft ? 1 : 0;
      const int movedAfter = MovedFiles(original.Image(), after);
      partly += movedAfter > 0 && movedAfter < kFiles ? 1 : 0;
      // The bound follows the load: it grows after a run that moved nothing and shrinks
      // after one that finished, so the kills fall while files are being moved.
      if (movedAfter == movedBefore) {
        bound = bound * 5 / 4;
      } else if (movedAfter == kFiles) {
        bound = std::max<int64_t>(bound * 4 / 5, 200);
      }
    }
    qInfo(
        "compact kills: %d runs, %d killed, %d left a journal that was rolled back, %d left the "
        "disk partly compacted, 0 damaged; whole run %lld us, kill loop %lld ms",
        runs, killed, rolledBack, partly, static_cast<long long>(fullRun),
        static_cast<long long>(timer.elapsed()));
    QVERIFY2(killed >= runs / 2, "too few runs were killed");
    QVERIFY2(rolledBack > 0, "no run was killed while its journal was there");
    QVERIFY2(partly > 0, "no run was killed between two files");
  }
};

QTEST_GUILESS_MAIN(TestCompactKilled)
#include "test_compact_killed.moc"
