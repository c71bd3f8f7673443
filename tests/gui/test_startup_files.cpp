// SPDX-License-Identifier: GPL-3.0-or-later
// Images named when Kestrow starts: the arguments as paths, the hand-over to a program
// already running through its local socket, and opening them after the splash with the
// messages of Disk, Open.
#include <QDir>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <fstream>

#include "app/KestrowMain.h"
#include "app/SingleInstance.h"
#include "platform/ScriptedPrompts.h"
#include "support/ImageBuilder.h"
#include "support_gui/GuiTestMain.h"
#include "support_gui/MainFrameHelpers.h"

namespace {

// HandOff waits for the running program's answer, so it runs on a thread of its own
// while this one serves the event loop.
bool HandOffFromAnotherThread(const QString& serverName, const QStringList& paths) {
  bool handedOff = false;
  std::unique_ptr<QThread> thread(QThread::create([&] {
    SingleInstance later(serverName);
    handedOff = later.HandOff(paths);
  }));
  thread->start();
  while (!thread->wait(10)) {
    QCoreApplication::processEvents();
  }
  return handedOff;
}

}  // namespace

class StartupFilesTest : public QObject {
  Q_OBJECT

 private slots:
  void argumentsArePaths_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("paths");  // "CWD/" is the current folder
    QTest::newRow("none") << QStringList{} << QStringList{};
    QTest::newRow("absolute") << QStringList{"/discs/a.ssd"} << QStringList{"/discs/a.ssd"};
    QTest::newRow("relative") << QStringList{"a.ssd", "b/c.dsd"}
                              << QStringList{"CWD/a.ssd", "CWD/b/c.dsd"};
    QTest::newRow("dots cleaned") << QStringList{"/discs/./x/../a.ssd"}
                                  << QStringList{"/discs/a.ssd"};
    QTest::newRow("-- ends the options")
        << QStringList{"--", "-a.ssd", "--"} << QStringList{"CWD/-a.ssd", "CWD/--"};
  }
  void argumentsArePaths() {
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, paths);
    paths.replaceInStrings(QRegularExpression("^CWD"), QDir::currentPath());
    QCOMPARE(SingleInstance::ImageArguments(arguments), paths);
  }

  void laterStartHandsOverItsPaths_data() {
    QTest::addColumn<QStringList>("paths");
    QTest::newRow("one") << QStringList{"/discs/games.ssd"};
    QTest::newRow("spaces and non-ASCII") << QStringList{"/my discs/spiel f\u00fcr zwei.dsd"};
    QTest::newRow("several") << QStringList{"/a.ssd", "/b.dsd", "/c.ssd"};
  }
  void laterStartHandsOverItsPaths() {
    QFETCH(QStringList, paths);
    SingleInstance running(ServerName());
    QVERIFY(running.Listen());
    QSignalSpy received(&running, &SingleInstance::ImagesReceived);
    QVERIFY(HandOffFromAnotherThread(ServerName(), paths));
    QCOMPARE(received.size(), 1);
    QCOMPARE(received.first().first().toStringList(), paths);
  }

  void nobodyListeningTakesNothing() {
    SingleInstance alone(ServerName());
    QVERIFY(!alone.HandOff({"/a.ssd"}));
  }

  // Only one program listens; a later one leaves its socket alone.
  void secondListenerIsRefused() {
    SingleInstance running(ServerName());
    QVERIFY(running.Listen());
    SingleInstance later(ServerName());
    QVERIFY(!later.Listen());
    QSignalSpy received(&running, &SingleInstance::ImagesReceived);
    QVERIFY(HandOffFromAnotherThread(ServerName(), {"/a.ssd"}));
    QCOMPARE(received.size(), 1);
  }

  // A program that was killed leaves its socket file behind; the next one replaces it.
  void leftoverSocketIsReplaced() {
    std::ofstream(ServerName().toStdString()) << "left behind";
    SingleInstance next(ServerName());
    QVERIFY(next.Listen());
    QSignalSpy received(&next, &SingleInstance::ImagesReceived);
    QVERIFY(HandOffFromAnotherThread(ServerName(), {"/a.ssd"}));
    QCOMPARE(received.size(), 1);
  }

  // During the splash the images wait; at its end they open in order, each as Disk, Open
  // opens it, with its message when it cannot be opened.
  void imagesOpenAfterTheSplash() {
    ScopedScriptedPrompts prompts;
    const std::string first = ImageBuilder().Title("FIRST").WriteToTemp(dir_, "first.ssd");
    const std::string both = dir_.filePath("both.dsd").toStdString();
    const std::vector<uint8_t> sides =
        InterleavedImage(ImageBuilder().Image(), ImageBuilder().Image());
    std::ofstream(both, std::ios::binary)
        .write(reinterpret_cast<const char*>(sides.data()), std::streamsize(sides.size()));
    const std::string missing = dir_.filePath("missing.ssd").toStdString();
    TKestrowMainFrm frame;
    frame.show();
    QVERIFY(frame.Timer1->isActive());
    frame.OpenImages({first, missing, both});
    QVERIFY(frame.Registry().ChildOrder().empty());
    QVERIFY(prompts->Texts().empty());

    frame.Timer1Timer(frame.Timer1);
    const std::vector<ChildWindowClass*> order = frame.Registry().ChildOrder();
    QCOMPARE(order.size(), size_t(3));  // first.ssd, then both sides of both.dsd
    QCOMPARE(order.back()->windowTitle(), "FIRST " + QString::fromStdString(first));
    QCOMPARE(prompts->Messages(), std::vector<std::string>{"Could not open \"" + missing +
                                                           "\": No such file or directory."});

    // After the splash an image opens at once.
    const std::string later = ImageBuilder().Title("LATER").WriteToTemp(dir_, "later.ssd");
    frame.OpenImages({later});
    QCOMPARE(frame.ActiveChild()->windowTitle(), "LATER " + QString::fromStdString(later));
    frame.CloseAllMnuItem->trigger();
  }

 private:
  QString ServerName() const { return dir_.filePath("kestrow.socket"); }

  QTemporaryDir dir_;
};

KESTROW_GUI_TEST_MAIN(StartupFilesTest)

#include "test_startup_files.moc"
