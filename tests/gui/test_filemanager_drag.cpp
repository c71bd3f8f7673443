// SPDX-License-Identifier: GPL-3.0-or-later
// Files go both ways between a disk window and a real file manager: files dragged in
// from pcmanfm are imported, and files dragged out afterwards land in pcmanfm's folder,
// every time. xdotool moves the real pointer, so every drag runs through the X server's
// drag and drop between two programs. Needs an X server with a window manager:
// tests/scripts/filemanager_drag.sh runs it under Xvfb with openbox; elsewhere it skips.
#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/KestrowMain.h"
#include "diskwindow/DFSDisk.h"
#include "platform/QtPrompts.h"
#include "support/ImageBuilder.h"
#include "support_gui/MainFrameFixture.h"
#include "support_gui/MainFrameHelpers.h"

namespace {

constexpr int kToolTimeout = 15000;
constexpr int kDropTimeout = 10000;
constexpr int kDragOuts = 4;

QString Number(int value) {
  return QString::number(value);
}

// Runs xdotool to its end while this process keeps serving its windows: a drag out
// needs our event loop running while the pointer moves. Returns its output.
QString Xdotool(const QStringList& arguments) {
  QProcess xdotool;
  xdotool.start("xdotool", arguments);
  if (!xdotool.waitForStarted()) {
    return "<xdotool did not start>";
  }
  if (!QTest::qWaitFor([&] { return xdotool.state() == QProcess::NotRunning; }, kToolTimeout)) {
    xdotool.kill();
    xdotool.waitForFinished();
    return "<xdotool timed out>";
  }
  return QString::fromLocal8Bit(xdotool.readAllStandardOutput()).trimmed();
}

// A press at from, the pointer moved in small steps to to and nudged there, then a
// release, as a hand drags. Both toolkits answer each position a little later, so the
// last positions must all lie on the target.
QStringList DragSteps(QPoint from, QPoint to) {
  QStringList steps = {
      "mousemove", Number(from.x()), Number(from.y()), "sleep", "0.3", "mousedown", "1", "sleep",
      "0.3"};
  constexpr int kSteps = 12;
  for (int step = 1; step <= kSteps; ++step) {
    const QPoint point = from + (to - from) * step / kSteps;
    steps << "mousemove" << Number(point.x()) << Number(point.y()) << "sleep"
          << "0.05";
  }
  for (const QPoint nudge : {QPoint(4, 2), QPoint(0, 0)}) {
    steps << "mousemove" << Number(to.x() + nudge.x()) << Number(to.y() + nudge.y()) << "sleep"
          << "0.2";
  }
  steps << "mouseup"
        << "1"
        << "sleep"
        << "0.3";
  return steps;
}

// Answers the next message box with a real click on its Yes button.
class ClickYes {
 public:
  ClickYes() {
    QObject::connect(&poll_, &QTimer::timeout, [this] { ClickShownBox(); });
    poll_.start(50);
  }
  bool Clicked() const { return clicked_; }

 private:
  void ClickShownBox() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (clicked_ || box == nullptr || !box->isVisible() ||
        box->button(QMessageBox::Yes) == nullptr) {
      return;
    }
    QAbstractButton* yes = box->button(QMessageBox::Yes);
    const QPoint at = yes->mapToGlobal(yes->rect().center());
    clicked_ = true;
    // Detached: the box's own event loop must keep running while xdotool clicks.
    QProcess::startDetached("xdotool", {"sleep", "0.3", "mousemove", Number(at.x()), Number(at.y()),
                                        "sleep", "0.2", "click", "1"});
  }

  QTimer poll_;
  bool clicked_ = false;
};

}  // namespace

class FileManagerDragTest : public MainFrameFixture {
  Q_OBJECT

 private slots:
  void initTestCase() {
    if (QGuiApplication::platformName() != "xcb") {
      QSKIP("needs a real X server with a window manager: run tests/scripts/filemanager_drag.sh");
    }
    for (const char* tool : {"xdotool", "pcmanfm"}) {
      if (QStandardPaths::findExecutable(tool).isEmpty()) {
        QFAIL(qPrintable(QString("%1 is missing (scripts/install-deps.sh installs it)").arg(tool)));
      }
    }
  }

  void cleanupTestCase() { StopFileManager(); }

  void dragsOutReachTheFileManagerAfterDropsIn() {
    QVERIFY(folder_.isValid());
    QFile hostFile(folder_.filePath("HOSTIN"));
    QVERIFY(hostFile.open(QIODevice::WriteOnly));
    hostFile.write("from the file manager\n");
    hostFile.close();
    QVERIFY2(StartFileManager(), "pcmanfm's window never showed");

    ImageEntry entry;
    entry.name = "GAME";
    entry.length = 4;
    const std::string image = ImageBuilder(800)
                                  .Title("DRAG")
                                  .AddEntry(entry)
                                  .FileData(2, {1, 2, 3, 4})
                                  .WriteToTemp(dir_, "drag.ssd");
    TDFSDiskFrm* disk = OpenDisk(image);
    // Kestrow on the left half of the screen, the file manager on the right.
    Frame().setGeometry(0, 40, 600, 600);
    disk->move(0, 0);
    QTest::qWait(500);

    // In: the file manager's only file, from its icon (the first, top left) to the grid.
    const QPoint fileIcon = fileManagerOrigin_ + QPoint(208, 95);
    const QPoint grid = disk->DFSFiles->viewport()->mapToGlobal(QPoint(100, 80));
    Xdotool(DragSteps(fileIcon, grid));
    QVERIFY2(QTest::qWaitFor([&] { return disk->ListedFiles == 2; }, kDropTimeout),
             "the file dropped from the file manager was not imported");
    // In again, now answering the program's own question box, as a user does.
    {
      QtPrompts boxes(&Frame());
      SetPrompts(&boxes);
      ClickYes answer;
      Xdotool(DragSteps(fileIcon, grid));
      const bool answered = QTest::qWaitFor(
          [&] { return answer.Clicked() && QApplication::activeModalWidget() == nullptr; },
          kDropTimeout);
      SetPrompts(&Prompts());
      QVERIFY2(answered, "the second drop in asked nothing, or its question stayed open");
    }
    QTest::qWait(300);

    // Out, several times: the fault showed in most tries after a drop in.
    const int gameRow = static_cast<int>(ListedNames(disk).indexOf("GAME")) + 1;
    QVERIFY(gameRow > 0);
    const QString exported = folder_.filePath("$.GAME");
    for (int attempt = 1; attempt <= kDragOuts; ++attempt) {
      QFile::remove(exported);
      QFile::remove(exported + ".INF");
      QTest::qWait(300);
      const QPoint row =
          disk->DFSFiles->viewport()->mapToGlobal(disk->FileRowRect(gameRow).center());
      Xdotool(DragSteps(row, fileManagerOrigin_ + QPoint(450, 350)));
      QVERIFY2(QTest::qWaitFor([&] { return QFileInfo::exists(exported); }, kDropTimeout),
               qPrintable(QString("drag out %1 of %2 never reached the file manager")
                              .arg(attempt)
                              .arg(kDragOuts)));
    }
    QVERIFY(QFileInfo::exists(exported + ".INF"));
  }

 private:
  // pcmanfm on folder_, placed on the right half of the screen.
  bool StartFileManager() {
    fileManager_.setProgram("pcmanfm");
    fileManager_.setArguments({"--no-desktop", folder_.path()});
    fileManager_.setStandardOutputFile(QProcess::nullDevice());
    fileManager_.setStandardErrorFile(QProcess::nullDevice());
    fileManager_.start();
    if (!fileManager_.waitForStarted()) {
      return false;
    }
    // Its window is titled with the folder's name.
    const QString title = "^" + QFileInfo(folder_.path()).fileName() + "$";
    QString window;
    const bool shown = QTest::qWaitFor(
        [&] {
          window = Xdotool({"search", "--onlyvisible", "--name", title}).section('\n', 0, 0);
          return !window.isEmpty() && !window.startsWith('<');
        },
        kToolTimeout);
    if (!shown) {
      return false;
    }
    Xdotool({"windowmove", window, "640", "40", "windowsize", window, "620", "600"});
    QTest::qWait(500);
    int x = -1;
    int y = -1;
    for (const QString& line : Xdotool({"getwindowgeometry", "--shell", window}).split('\n')) {
      if (line.startsWith("X=")) {
        x = line.mid(2).toInt();
      } else if (line.startsWith("Y=")) {
        y = line.mid(2).toInt();
      }
    }
    fileManagerOrigin_ = QPoint(x, y);
    return x >= 0 && y >= 0;
  }

  void StopFileManager() {
    if (fileManager_.state() != QProcess::NotRunning) {
      fileManager_.terminate();
      if (!fileManager_.waitForFinished(3000)) {
        fileManager_.kill();
        fileManager_.waitForFinished();
      }
    }
  }

  QTemporaryDir folder_;
  QProcess fileManager_;
  QPoint fileManagerOrigin_;
};

KESTROW_GUI_TEST_MAIN(FileManagerDragTest)

#include "test_filemanager_drag.moc"
