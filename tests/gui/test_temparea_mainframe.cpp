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
#include "support_gui/MainFrameHelpers.h"

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

class TempAreaMainFrameTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    temp_ = std::make_unique<QTemporaryDir>();
    victim_ = std::make_unique<QTemporaryDir>();
    WriteFile(victim_->filePath("precious"));
  }

  // A link planted at the area's path while the program runs: a press on a file row
  // writes nothing through it, and says why.
  void fillRefusesALinkPlantedAtThePath() {
    ScopedScriptedPrompts prompts;
    std::unique_ptr<TKestrowMainFrm> frame = MakeMainFrame();
    const std::string image = ImageBuilder(800)
                                  .AddEntry({'$', "GAME", 0, 0, 300, 2})
                                  .FileData(2, PatternBytes(300, 1))
                                  .WriteToTemp(*temp_, "game.ssd");
    TDFSDiskFrm* window = frame->NewDFSFiler(image);
    QVERIFY(window != nullptr);
    const QString area = QString::fromStdString(frame->TempAreaPath());
    QVERIFY(QDir().rmdir(area));
    QVERIFY(QFile::link(victim_->path(), area));
    ClickGridRow(window, 1);
    QCOMPARE(QDir(victim_->path()).entryList(QDir::Files), QStringList{"precious"});
    QCOMPARE(prompts->Messages().size(), size_t(1));
    QVERIFY(window->DragFileNames().empty());
    QVERIFY(QFile::remove(area));
  }

  // The main frame makes the area when the splash ends, under TMPDIR, and passes over a
  // link planted at the old fixed name; closing empties and removes it.
  void mainFrameUsesTheAreaSafely() {
    ScopedScriptedPrompts prompts;
    const QByteArray savedTmpdir = qgetenv("TMPDIR");
    qputenv("TMPDIR", temp_->path().toLocal8Bit());
    QVERIFY(QFile::link(victim_->path(), temp_->filePath("Kestrow")));
    auto frame = std::make_unique<TKestrowMainFrm>();
    QVERIFY(frame->TempAreaPath().empty());
    frame->Timer1Timer(nullptr);
    qputenv("TMPDIR", savedTmpdir);
    const QString areaPath = QString::fromStdString(frame->TempAreaPath());
    QCOMPARE(QFileInfo(areaPath).absolutePath(), temp_->path());
    QVERIFY(IsFreshAreaName(QFileInfo(areaPath).fileName()));
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

QTEST_MAIN(TempAreaMainFrameTest)
#include "test_temparea_mainframe.moc"
