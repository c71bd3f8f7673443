// SPDX-License-Identifier: GPL-3.0-or-later
// The temp area: a private folder that each running program makes afresh, that is only
// ever used while it is still its own real directory, and whose clearing never follows
// links or descends into folders.
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/TempArea.h"

namespace {

void WriteFile(const QString& path, const QByteArray& bytes = "data") {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

bool IsFreshAreaName(const QString& name) {
  return name.startsWith("Kestrow-") && name.size() == 14;
}

}  // namespace

class TempAreaTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    temp_ = std::make_unique<QTemporaryDir>();
    victim_ = std::make_unique<QTemporaryDir>();
    WriteFile(victim_->filePath("precious"));
  }

  // Whatever is already in the temporary folder, each area is a new folder of its own,
  // "Kestrow-XXXXXX" with mode 0700; what was planted is never used or touched.
  void makesAFreshPrivateFolder_data() {
    QTest::addColumn<QString>("planted");
    QTest::newRow("nothing there") << "";
    QTest::newRow("a folder named Kestrow") << "own";
    QTest::newRow("a link named Kestrow") << "link";
    QTest::newRow("a plain file named Kestrow") << "file";
  }
  void makesAFreshPrivateFolder() {
    QFETCH(QString, planted);
    const QString primary = temp_->filePath("Kestrow");
    if (planted == "own") {
      QVERIFY(QDir().mkdir(primary));
    } else if (planted == "link") {
      QVERIFY(QFile::link(victim_->path(), primary));
    } else if (planted == "file") {
      WriteFile(primary);
    }
    TempAreaClass area;
    QVERIFY(area.Establish(temp_->path().toStdString() + "/"));
    const QFileInfo info(QString::fromStdString(area.Path()));
    QCOMPARE(info.absolutePath(), temp_->path());
    QVERIFY(IsFreshAreaName(info.fileName()));
    struct stat status {};
    QCOMPARE(lstat(area.Path().c_str(), &status), 0);
    QCOMPARE(status.st_mode & 0777, 0700u);
    QVERIFY(area.IsIntact());
    WriteFile(victim_->filePath("second"));
    area.Clear();
    area.Remove();
    QVERIFY(!info.exists());
    QVERIFY(QFile::exists(victim_->filePath("precious")));
    QVERIFY(QFile::exists(victim_->filePath("second")));
    QCOMPARE(QFileInfo::exists(primary) || QFileInfo(primary).isSymLink(), !planted.isEmpty());
  }

  // Two programs running at once have two areas; each clears and removes only its own.
  void eachProgramHasItsOwnArea() {
    TempAreaClass first;
    TempAreaClass second;
    QVERIFY(first.Establish(temp_->path().toStdString() + "/"));
    QVERIFY(second.Establish(temp_->path().toStdString() + "/"));
    QVERIFY(first.Path() != second.Path());
    WriteFile(QString::fromStdString(second.Path()) + "/$.KEEP");
    first.Clear();
    first.Remove();
    QVERIFY(!QFileInfo::exists(QString::fromStdString(first.Path())));
    QVERIFY(QFile::exists(QString::fromStdString(second.Path()) + "/$.KEEP"));
  }

  // A folder whose mode was widened, or that someone else owns, is no longer intact.
  void aWidenedFolderIsNoLongerIntact() {
    TempAreaClass area;
    QVERIFY(area.Establish(temp_->path().toStdString() + "/"));
    QCOMPARE(chmod(area.Path().c_str(), 0755), 0);
    QVERIFY(!area.IsIntact());
    WriteFile(QString::fromStdString(area.Path()) + "/$.FILE");
    area.Clear();
    QVERIFY(QFile::exists(QString::fromStdString(area.Path()) + "/$.FILE"));
  }

  void clearDeletesOnlyEntriesDirectlyInside() {
    TempAreaClass area;
    QVERIFY(area.Establish(temp_->path().toStdString() + "/"));
    const QDir folder(QString::fromStdString(area.Path()));
    WriteFile(folder.filePath("$.HELLO"));
    WriteFile(folder.filePath("$.HELLO.INF"));
    QVERIFY(QFile::link(victim_->filePath("precious"), folder.filePath("link-to-file")));
    QVERIFY(QFile::link(victim_->path(), folder.filePath("link-to-folder")));
    QVERIFY(folder.mkdir("sub"));
    WriteFile(folder.filePath("sub/inner"));

    area.Clear();
    QCOMPARE(folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
             QStringList({"sub"}));
    QVERIFY(QFile::exists(folder.filePath("sub/inner")));
    QVERIFY(QFile::exists(victim_->filePath("precious")));

    // A sub-folder keeps the folder from being removed, silently.
    area.Remove();
    QVERIFY(folder.exists());
    QVERIFY(QFile::remove(folder.filePath("sub/inner")));
    QVERIFY(folder.rmdir("sub"));
    area.Remove();
    QVERIFY(!folder.exists());
  }

  // A link swapped in for the folder after it was made is neither cleared nor removed.
  void clearIgnoresAFolderReplacedByALink() {
    TempAreaClass area;
    QVERIFY(area.Establish(temp_->path().toStdString() + "/"));
    QVERIFY(QDir().rmdir(QString::fromStdString(area.Path())));
    QVERIFY(QFile::link(victim_->path(), QString::fromStdString(area.Path())));
    area.Clear();
    area.Remove();
    QVERIFY(QFile::exists(victim_->filePath("precious")));
    QVERIFY(QFileInfo(QString::fromStdString(area.Path())).isSymLink());
  }

  void unsetAreaDoesNothing() {
    TempAreaClass area;
    QVERIFY(!area.Establish(""));
    QVERIFY(!area.IsSet());
    area.Clear();
    area.Remove();
  }

 private:
  std::unique_ptr<QTemporaryDir> temp_;
  std::unique_ptr<QTemporaryDir> victim_;
};

QTEST_GUILESS_MAIN(TempAreaTest)
#include "test_temparea.moc"
