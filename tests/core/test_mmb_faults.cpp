// SPDX-License-Identifier: GPL-3.0-or-later
// MMB changes that write a disc and its index entry (a title change on the disc, Format,
// Import), repeated with a write failure injected at each write and flush (once, and for
// good from there on) and after each of many byte counts. Afterwards the caller saw an
// error exactly when a failure was injected, no other disc or index entry changed, the
// disc's catalogue is wholly the old one or wholly the new one, and once the disc has been
// opened again its index title is its own title.
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

#include "disk/DFSUseful.h"
#include "disk/MMBFile.h"
#include "support/ImageBuilder.h"
#include "support/MMBBuilder.h"
#include "support/RawDisk.h"

namespace {

constexpr int kDisc = 255;

struct Scenario {
  std::function<void(MMBFileClass&)> run;  // raises FileSystemError on a failure
  std::vector<uint8_t> newCatalogue;       // the disc's first 512 bytes once it is done
  int64_t bytes = 0;                       // written in all when nothing fails
};

std::vector<uint8_t> Catalogue(const std::vector<uint8_t>& disc) {
  return {disc.begin(), disc.begin() + 512};
}

std::vector<uint8_t> DiscBytes(const std::string& path, int number) {
  return ReadHostRange(path, MMBBuilder::DiscOffset(number), 204800);
}

// The neighbours and the index outside the changed disc's entry.
struct Surroundings {
  std::vector<uint8_t> index;
  std::vector<uint8_t> before;
  std::vector<uint8_t> after;
  bool operator==(const Surroundings&) const = default;
};

Surroundings Around(const std::string& path) {
  Surroundings around;
  around.index = ReadHostRange(path, 0, 8192);
  std::fill_n(around.index.begin() + MMBBuilder::EntryOffset(kDisc), 16, 0);
  around.before = DiscBytes(path, kDisc - 1);
  around.after = DiscBytes(path, kDisc + 1);
  return around;
}

MMBBuilder Fixture() {
  MMBBuilder mmb;
  for (int number : {kDisc - 1, kDisc, kDisc + 1}) {
    mmb.Formatted(number, "DISC" + std::to_string(number));
  }
  return mmb;
}

std::vector<uint8_t> ImportedImage() {
  ImageBuilder image(800);
  image.Title("IMPORTED").AddEntry({'$', "GAME", 0, 0, 9000, 2}).FileData(2, PatternBytes(9000, 6));
  return image.HostSize(12000).Image();
}

const std::map<QString, Scenario>& Scenarios() {
  static const std::map<QString, Scenario> scenarios = [] {
    std::map<QString, Scenario> all;
    std::vector<uint8_t> retitled = FormattedDiscImage(kDisc, "RETITLED");
    all["title on the disc"] = {
        [](MMBFileClass& mmb) { mmb.OpenDisc(kDisc).disc->SetTitle("RETITLED"); },
        Catalogue(retitled), 512 + 12};
    std::vector<uint8_t> blank(512, 0);
    blank[0x106] = 0x03;
    blank[0x107] = 0x20;
    all["format"] = {[](MMBFileClass& mmb) { QVERIFY(mmb.Format(kDisc)); }, blank, 512 + 16};
    std::vector<uint8_t> image = ImportedImage();
    all["import"] = {
        [](MMBFileClass& mmb) {
          QVERIFY(mmb.Import(kDisc, QDir::temp().filePath("import.ssd").toStdString()));
        },
        Catalogue(image), 204800 + 16};
    return all;
  }();
  return scenarios;
}

}  // namespace

class TestMMBFaults : public QObject {
  Q_OBJECT

 private:
  // Memory-backed when the system has such a folder, since every case flushes.
  QTemporaryDir dir_{(QFileInfo::exists("/dev/shm") ? QString("/dev/shm") : QDir::tempPath()) +
                     "/kestrow-mmb-faults-XXXXXX"};
  std::string path_;
  int cases_ = 0;

  // What is wrong after one run with the plan, or "".
  std::string Problem(const Scenario& scenario, const FaultPlan& plan, bool& fired) {
    Fixture().WriteTo(path_);
    Surroundings around = Around(path_);
    std::vector<uint8_t> oldCatalogue = Catalogue(DiscBytes(path_, kDisc));
    auto faults = std::make_shared<FaultPlan>(plan);
    bool raised = false;
    {
      auto mmb = MMBFileClass::Open(path_);
      mmb->HostFile()->SetFaultPlan(faults);
      try {
        scenario.run(*mmb);
      } catch (const FileSystemError&) {
        raised = true;
      }
    }
    ++cases_;
    fired = faults->Fired();
    if (raised != fired) {
      return raised ? "an error without a failure" : "a failure went unreported";
    }
    if (Around(path_) != around) {
      return "another disc or index entry changed";
    }
    std::vector<uint8_t> catalogue = Catalogue(DiscBytes(path_, kDisc));
    if (catalogue != oldCatalogue && catalogue != scenario.newCatalogue) {
      return "the disc's catalogue is neither the old nor the new one";
    }
    if (!fired && catalogue != scenario.newCatalogue) {
      return "the change was not made";
    }
    auto mmb = MMBFileClass::Open(path_);
    if (!mmb->OpenDisc(kDisc).disc) {
      return "the disc does not open";
    }
    std::string discTitle = DecodeRawDisk(DiscBytes(path_, kDisc), false, 0).title;
    if (mmb->ReadSlot(kDisc)->Title != discTitle) {
      return "the index title is not the disc's after opening it";
    }
    return "";
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    path_ = dir_.filePath("faults.mmb").toStdString();
    ImageBuilder image;
    image.HostSize(0)
        .Bytes(0, ImportedImage())
        .WriteTo(QDir::temp().filePath("import.ssd").toStdString());
  }
  void cleanupTestCase() {
    QFile::remove(QDir::temp().filePath("import.ssd"));
    qInfo("fault cases run: %d", cases_);
  }

  void everyFailureLeavesDiscAndIndexInStep_data() {
    QTest::addColumn<QString>("scenario");
    for (const auto& [name, scenario] : Scenarios()) {
      QTest::newRow(qPrintable(name)) << name;
    }
  }

  void everyFailureLeavesDiscAndIndexInStep() {
    QFETCH(QString, scenario);
    const Scenario& tried = Scenarios().at(scenario);
    bool fired = true;
    for (int k = 1; fired; ++k) {
      for (bool persistent : {false, true}) {
        std::string problem = Problem(tried, FaultPlan::FailNthWrite(k, persistent), fired);
        QVERIFY2(problem.empty(), qPrintable(QString("write %1%2: %3")
                                                 .arg(k)
                                                 .arg(persistent ? " on" : "")
                                                 .arg(QString::fromStdString(problem))));
      }
      QVERIFY2(k < 20, "more write operations than a change should need");
    }
    // Every byte count through the catalogue and the index entry; through a whole disc
    // in steps.
    for (int64_t limit = 0; limit <= tried.bytes;
         limit += limit < 1024 || limit > tried.bytes - 600 ? 1 : 1021) {
      std::string problem = Problem(tried, FaultPlan::FailAfterBytes(limit), fired);
      QVERIFY2(problem.empty(),
               qPrintable(
                   QString("after %1 bytes: %2").arg(limit).arg(QString::fromStdString(problem))));
    }
  }
};

QTEST_GUILESS_MAIN(TestMMBFaults)
#include "test_mmb_faults.moc"
