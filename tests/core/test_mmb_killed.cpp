// SPDX-License-Identifier: GPL-3.0-or-later
// kestrow-dfs changing the title of an MMB disc (and importing an image into one),
// killed with SIGKILL at random moments, again and again on what the last run left.
// After every kill no other disc or index entry has changed, the disc's title is the old
// or the new one, and once the disc has been opened its index title is its own title.
#include <signal.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <random>

#include "disk/MMBFile.h"
#include "support/ImageBuilder.h"
#include "support/MMBBuilder.h"
#include "support/RawDisk.h"

namespace {

constexpr int kDisc = 300;
constexpr int kRuns = 40;

std::vector<uint8_t> DiscBytes(const std::string& path, int number) {
  return ReadHostRange(path, MMBBuilder::DiscOffset(number), 204800);
}

std::string DiscTitle(const std::string& path) {
  return DecodeRawDisk(DiscBytes(path, kDisc), false, 0).title;
}

// The index outside the disc's entry and the discs either side.
std::vector<uint8_t> Surroundings(const std::string& path) {
  std::vector<uint8_t> bytes = ReadHostRange(path, 0, 8192);
  std::fill_n(bytes.begin() + MMBBuilder::EntryOffset(kDisc), 16, 0);
  for (int number : {kDisc - 1, kDisc + 1}) {
    std::vector<uint8_t> disc = DiscBytes(path, number);
    bytes.insert(bytes.end(), disc.begin(), disc.end());
  }
  return bytes;
}

}  // namespace

class TestMMBKilled : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  std::string path_;

  // Runs the tool; with a moment, kills it that many microseconds after it started.
  // Returns whether it was killed before it ended.
  bool RunTool(const QStringList& arguments, std::optional<int64_t> moment = std::nullopt) {
    QProcess process;
    process.start(KESTROW_BINARY_DIR "/kestrow-dfs", arguments);
    if (!process.waitForStarted()) {
      return false;
    }
    if (moment) {
      QThread::usleep(static_cast<unsigned long>(*moment));
      // processId() is 0 once the tool has ended, and kill(0) would hit this very test.
      if (const auto pid = static_cast<pid_t>(process.processId()); pid > 0) {
        ::kill(pid, SIGKILL);
      }
    }
    process.waitForFinished(60000);
    return process.exitStatus() == QProcess::CrashExit;
  }

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }

  void killedChangesKeepDiscAndIndexInStep_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("title") << "title";
    QTest::newRow("dput") << "dput";
  }

  void killedChangesKeepDiscAndIndexInStep() {
    QFETCH(QString, command);
    path_ = dir_.filePath("killed.mmb").toStdString();
    MMBBuilder builder;
    builder.Formatted(kDisc - 1, "BEFORE")
        .Formatted(kDisc, "TITLE 0")
        .Formatted(kDisc + 1, "AFTER");
    builder.WriteTo(path_);
    const std::vector<uint8_t> surroundings = Surroundings(path_);
    const QString disc = QString::fromStdString(path_) + ":" + QString::number(kDisc);
    auto arguments = [&](int run) {
      QString title = QString("TITLE %1").arg(run + 1);
      if (command == "title") {
        return QStringList{"title", disc, title};
      }
      std::string image = dir_.filePath(QString("in%1.ssd").arg(run % 2)).toStdString();
      ImageBuilder().Title(title.toStdString()).HostSize(150000).WriteTo(image);
      return QStringList{"dput", QString::fromStdString(path_), QString::number(kDisc),
                         QString::fromStdString(image)};
    };
    // The slowest of three whole runs sets the span the kills fall in.
    int64_t fullRun = 500;
    for (int round = 0; round < 3; ++round) {
      QElapsedTimer timer;
      timer.start();
      QVERIFY(!RunTool(arguments(round)));
      fullRun = std::max<int64_t>(fullRun, timer.nsecsElapsed() / 1000);
      QCOMPARE(DiscTitle(path_), QString("TITLE %1").arg(round + 1).toStdString());
    }
    const unsigned seed = std::random_device()();
    std::mt19937 random(seed);
    std::uniform_int_distribution<int64_t> moment(0, fullRun);
    int killed = 0;
    int disagreed = 0;  // kills that left the index behind the disc until it was opened
    for (int run = 3; run < 3 + kRuns; ++run) {
      std::string before = DiscTitle(path_);
      std::string after = QString("TITLE %1").arg(run + 1).toStdString();
      killed += RunTool(arguments(run), moment(random)) ? 1 : 0;
      QString context = QString("run %1 (seed %2)").arg(run).arg(seed);
      QVERIFY2(Surroundings(path_) == surroundings,
               qPrintable(context + ": another disc or index entry changed"));
      std::string title = DiscTitle(path_);
      QVERIFY2(title == before || title == after,
               qPrintable(context + ": the title is " + QString::fromStdString(title)));
      auto mmb = MMBFileClass::Open(path_);
      disagreed += mmb->ReadSlot(kDisc)->Title != title ? 1 : 0;
      QVERIFY2(mmb->OpenDisc(kDisc).disc, qPrintable(context + ": the disc does not open"));
      QVERIFY2(mmb->ReadSlot(kDisc)->Title == title,
               qPrintable(context + ": the index title is not the disc's after opening it"));
    }
    qInfo("%s: %d runs, %d killed, %d left the index behind, whole run %lld us",
          qPrintable(command), kRuns, killed, disagreed, static_cast<long long>(fullRun));
    QVERIFY2(killed >= kRuns / 4, "too few runs were killed before they ended");
  }
};

QTEST_GUILESS_MAIN(TestMMBKilled)
#include "test_mmb_killed.moc"
