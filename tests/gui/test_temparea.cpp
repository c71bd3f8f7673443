// The temp area: a private folder that is only ever used when it is our own real
// directory, and whose clearing never follows links or descends into folders.
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "app/KestrowMain.h"
#include "app/TempArea.h"
#include "platform/ScriptedPrompts.h"
#include "support_gui/MainFrameHelpers.h"

namespace {

void WriteFile(const QString& path, const QByteArray& bytes = "data") {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

QString FallbackName() {
  return QString("Kestrow-%1").arg(geteuid());
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

  // What is already at <temp>/Kestrow decides which folder the area uses.
  void choosesASafeFolder_data() {
    QTest::addColumn<QString>("planted");
    QTest::addColumn<QString>("expected");
    QTest::newRow("nothing there") << ""
                                   << "Kestrow";
    QTest::newRow("our own folder") << "own"
                                    << "Kestrow";
    QTest::newRow("link to a folder") << "link" << FallbackName();
    QTest::newRow("plain file") << "file" << FallbackName();
    QTest::newRow("folder of another user") << "foreign" << FallbackName();
    QTest::newRow("both names are links") << "links"
                                          << "";
  }
  void choosesASafeFolder() {
    QFETCH(QString, planted);
    QFETCH(QString, expected);
    const QString primary = temp_->filePath("Kestrow");
    if (planted == "own") {
      QVERIFY(QDir().mkdir(primary));
    } else if (planted == "link" || planted == "links") {
      QVERIFY(QFile::link(victim_->path(), primary));
      if (planted == "links") {
        QVERIFY(QFile::link(victim_->path(), temp_->filePath(FallbackName())));
      }
    } else if (planted == "file") {
      WriteFile(primary);
    } else if (planted == "foreign") {
      QVERIFY(QDir().mkdir(primary));
      QCOMPARE(chown(primary.toLocal8Bit().constData(), geteuid() + 4242, -1), 0);
    }
    TempAreaClass area;
    QCOMPARE(area.Establish(temp_->path().toStdString() + "/"), !expected.isEmpty());
    const QString expectedPath = expected.isEmpty() ? "" : temp_->filePath(expected);
    QCOMPARE(QString::fromStdString(area.Path()), expectedPath);
    if (!expected.isEmpty()) {
      struct stat info {};
      QCOMPARE(lstat(area.Path().c_str(), &info), 0);
      QCOMPARE(info.st_mode & 0777, 0700u);
    }
    WriteFile(victim_->filePath("second"));
    area.Clear();
    area.Remove();
    QVERIFY(QFile::exists(victim_->filePath("precious")));
    QVERIFY(QFile::exists(victim_->filePath("second")));
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

  // The main frame makes the area when the splash ends, under TMPDIR, and passes over a
  // link planted at the usual name; closing empties and removes it.
  void mainFrameUsesTheAreaSafely() {
    ScopedScriptedPrompts prompts;
    const QByteArray savedTmpdir = qgetenv("TMPDIR");
    qputenv("TMPDIR", temp_->path().toLocal8Bit());
    QVERIFY(QFile::link(victim_->path(), temp_->filePath("Kestrow")));
    auto frame = std::make_unique<TKestrowMainFrm>();
    QVERIFY(frame->TempAreaPath().empty());
    frame->Timer1Timer(nullptr);
    qputenv("TMPDIR", savedTmpdir);
    const QString areaPath = temp_->filePath(FallbackName());
    QCOMPARE(QString::fromStdString(frame->TempAreaPath()), areaPath);
    WriteFile(areaPath + "/$.FILE");
    frame->ClearTempArea();
    QVERIFY(QDir(areaPath).isEmpty());
    WriteFile(areaPath + "/$.FILE");
    frame->show();
    QVERIFY(frame->close());
    QVERIFY(!QFileInfo::exists(areaPath));
    QVERIFY(QFile::exists(victim_->filePath("precious")));
    QVERIFY(prompts->Texts().empty());
  }

 private:
  std::unique_ptr<QTemporaryDir> temp_;
  std::unique_ptr<QTemporaryDir> victim_;
};

QTEST_MAIN(TempAreaTest)
#include "test_temparea.moc"
