// SPDX-License-Identifier: GPL-3.0-or-later
// The main frame's use of the temp area: made under TMPDIR when the splash ends, passing
// over what was planted there, never filled through a link planted at its path, emptied
// and removed on closing.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "app/KestrowMain.h"
#include "diskwindow/DFSDisk.h"
#include "platform/ScriptedPrompts.h"
#include "support/ImageBuilder.h"
#include "support/TempAreaFolders.h"
#include "support_gui/MainFrameHelpers.h"

class TempAreaMainFrameTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { folders_.Renew(); }

  // A link planted at the area's path while the program runs: a press on a file row
  // writes nothing through it, and says why.
  void fillRefusesALinkPlantedAtThePath() {
    ScopedScriptedPrompts prompts;
    std::unique_ptr<TKestrowMainFrm> frame = MakeMainFrame();
    const std::string image = ImageBuilder(800)
                                  .AddEntry({'$', "GAME", 0, 0, 300, 2})
                                  .FileData(2, PatternBytes(300, 1))
                                  .WriteToTemp(*folders_.temp, "game.ssd");
    TDFSDiskFrm* window = frame->NewDFSFiler(image);
    QVERIFY(window != nullptr);
    const QString area = QString::fromStdString(frame->TempAreaPath());
    QVERIFY(QDir().rmdir(area));
    QVERIFY(QFile::link(folders_.victim->path(), area));
    ClickGridRow(window, 1);
    QCOMPARE(QDir(folders_.victim->path()).entryList(QDir::Files), QStringList{"precious"});
    QCOMPARE(prompts->Messages().size(), size_t(1));
    QVERIFY(window->DragFileNames().empty());
    QVERIFY(QFile::remove(area));
  }

  // The main frame makes the area when the splash ends, under TMPDIR, and passes over a
  // link planted at the old fixed name; closing empties and removes it.
  void mainFrameUsesTheAreaSafely() {
    ScopedScriptedPrompts prompts;
    const QByteArray savedTmpdir = qgetenv("TMPDIR");
    qputenv("TMPDIR", folders_.temp->path().toLocal8Bit());
    QVERIFY(QFile::link(folders_.victim->path(), folders_.temp->filePath("Kestrow")));
    auto frame = std::make_unique<TKestrowMainFrm>();
    QVERIFY(frame->TempAreaPath().empty());
    frame->Timer1Timer(nullptr);
    qputenv("TMPDIR", savedTmpdir);
    const QString areaPath = QString::fromStdString(frame->TempAreaPath());
    QCOMPARE(QFileInfo(areaPath).absolutePath(), folders_.temp->path());
    QVERIFY(IsFreshAreaName(QFileInfo(areaPath).fileName()));
    WriteTestFile(areaPath + "/$.FILE");
    frame->ClearTempArea();
    QVERIFY(QDir(areaPath).isEmpty());
    WriteTestFile(areaPath + "/$.FILE");
    frame->show();
    QVERIFY(frame->close());
    QVERIFY(!QFileInfo::exists(areaPath));
    QVERIFY(QFile::exists(folders_.victim->filePath("precious")));
    QVERIFY(prompts->Texts().empty());
  }

 private:
  TempAreaFolders folders_;
};

QTEST_MAIN(TempAreaMainFrameTest)
#include "test_temparea_mainframe.moc"
