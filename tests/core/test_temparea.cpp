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
#include "support/TempAreaFolders.h"

class TempAreaTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { folders_.Renew(); }

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
    const QString primary = folders_.temp->filePath("Kestrow");
    if (planted == "own") {
      QVERIFY(QDir().mkdir(primary));
    } else if (planted == "link") {
      QVERIFY(QFile::link(folders_.victim->path(), primary));
    } else if (planted == "file") {
      WriteTestFile(primary);
    }
    TempAreaClass area;
    QVERIFY(area.Establish(folders_.temp->path().toStdString() + "/"));
    const QFileInfo info(QString::fromStdString(area.Path()));
    QCOMPARE(info.absolutePath(), folders_.temp->path());
    QVERIFY(IsFreshAreaName(info.fileName()));
    struct stat status {};
    QCOMPARE(lstat(area.Path().c_str(), &status), 0);
    QCOMPARE(status.st_mode & 0777, 0700u);
    QVERIFY(area.IsIntact());
    WriteTestFile(folders_.victim->filePath("second"));
    area.Clear();
    area.Remove();
    QVERIFY(!info.exists());
    QVERIFY(QFile::exists(folders_.victim->filePath("precious")));
    QVERIFY(QFile::exists(folders_.victim->filePath("second")));
    QCOMPARE(QFileInfo::exists(primary) || QFileInfo(primary).isSymLink(), !planted.isEmpty());
  }

  // Two programs running at once have two areas; each clears and removes only its own.
  void eachProgramHasItsOwnArea() {
    TempAreaClass first;
    TempAreaClass second;
    QVERIFY(first.Establish(folders_.temp->path().toStdString() + "/"));
    QVERIFY(second.Establish(folders_.temp->path().toStdString() + "/"));
    QVERIFY(first.Path() != second.Path());
    WriteTestFile(QString::fromStdString(second.Path()) + "/$.KEEP");
    first.Clear();
    first.Remove();
    QVERIFY(!QFileInfo::exists(QString::fromStdString(first.Path())));
    QVERIFY(QFile::exists(QString::fromStdString(second.Path()) + "/$.KEEP"));
  }

  // A folder whose mode was widened, or that someone else owns, is no longer intact.
  void aWidenedFolderIsNoLongerIntact() {
    TempAreaClass area;
    QVERIFY(area.Establish(folders_.temp->path().toStdString() + "/"));
    QCOMPARE(chmod(area.Path().c_str(), 0755), 0);
    QVERIFY(!area.IsIntact());
    WriteTestFile(QString::fromStdString(area.Path()) + "/$.FILE");
    area.Clear();
    QVERIFY(QFile::exists(QString::fromStdString(area.Path()) + "/$.FILE"));
  }

  void clearDeletesOnlyEntriesDirectlyInside() {
    TempAreaClass area;
    QVERIFY(area.Establish(folders_.temp->path().toStdString() + "/"));
    const QDir folder(QString::fromStdString(area.Path()));
    WriteTestFile(folder.filePath("$.HELLO"));
    WriteTestFile(folder.filePath("$.HELLO.INF"));
    QVERIFY(QFile::link(folders_.victim->filePath("precious"), folder.filePath("link-to-file")));
    QVERIFY(QFile::link(folders_.victim->path(), folder.filePath("link-to-folder")));
    QVERIFY(folder.mkdir("sub"));
    WriteTestFile(folder.filePath("sub/inner"));

    area.Clear();
    QCOMPARE(folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
             QStringList({"sub"}));
    QVERIFY(QFile::exists(folder.filePath("sub/inner")));
    QVERIFY(QFile::exists(folders_.victim->filePath("precious")));

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
    QVERIFY(area.Establish(folders_.temp->path().toStdString() + "/"));
    QVERIFY(QDir().rmdir(QString::fromStdString(area.Path())));
    QVERIFY(QFile::link(folders_.victim->path(), QString::fromStdString(area.Path())));
    area.Clear();
    area.Remove();
    QVERIFY(QFile::exists(folders_.victim->filePath("precious")));
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
  TempAreaFolders folders_;
};

QTEST_GUILESS_MAIN(TempAreaTest)
#include "test_temparea.moc"
