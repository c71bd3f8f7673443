// SPDX-License-Identifier: GPL-3.0-or-later
// Closing windows with unsaved inspector changes: the question for the last window on a
// changed file, the one review of the Save changes dialog for several windows, failed
// saves that stop the close, and the release of windows and their data.
#include <QApplication>
#include <QClipboard>
#include <QMdiArea>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include "app/KestrowMain.h"
#include "diskwindow/DFSDisk.h"
#include "inspector/FileInspector.h"
#include "platform/ScriptedPrompts.h"
#include "support/ImageBuilder.h"
#include "support/RawDisk.h"
#include "support_gui/MainFrameFixture.h"
#include "support_gui/MainFrameHelpers.h"

namespace {

using Answer = PromptInterface::Answer;

const QStringList kNoChildCommands = {
    "NewDFSFileMnuItem", "NewDSDFileMnuItem", "NewWatfordFileMnuItem", "OpenDFSFileMnuItem",
    "NewMMBMnuItem",     "HelpMnuAbout",      "NewDFSFileBut",         "OpenDFSFileBut"};

// Files A, B, C of 32 bytes each ("aaa...", "bbb...", "ccc...") in sectors 2, 3, 4 of a
// disk with that title. With nearlyFull, a file FILLER then takes all but the last sector.
std::string Image(const QTemporaryDir& dir, const std::string& title, bool nearlyFull = false) {
  ImageEntry file;
  file.length = 32;
  ImageBuilder image(800);
  image.Title(title).AddLetterFiles(3, file, true);
  if (nearlyFull) {
    image.AddFiller();
  }
  return image.WriteToTemp(dir, title + ".ssd");
}

// The first 32 bytes of file A (0), B (1) or C (2) as the image file holds them, wherever
// the catalogue now places it.
std::string FileInImage(const std::string& path, int file) {
  const std::vector<uint8_t> image = ReadHostFile(path);
  for (const RawEntry& entry : DecodeRawDisk(image, false, 0).entries) {
    if (entry.name == std::string(1, static_cast<char>('A' + file)) + "      ") {
      const std::vector<uint8_t> bytes = RawFileBytes(image, false, 0, entry);
      return {bytes.begin(), bytes.begin() + std::min<size_t>(32, bytes.size())};
    }
  }
  return {};
}

const std::string kSavedA = "w" + std::string(31, 'a');
const std::string kSavedB = "w" + std::string(31, 'b');

// Changes the first byte to "w".
void Edit(TFileInspectorFrm* window) {
  TypeHex(window, 0, "77");
}

QStringList Sorted(QStringList names) {
  names.sort();
  return names;
}

}  // namespace

class ClosingTest : public MainFrameFixture {
  Q_OBJECT

 private slots:
  void closingAnInspector_data() {
    QTest::addColumn<int>("windows");
    QTest::addColumn<bool>("edited");
    QTest::addColumn<bool>("lockedMeanwhile");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<bool>("saved");
    const int none = -1;
    QTest::newRow("no changes") << 1 << false << false << none << false << true << false;
    QTest::newRow("one of two windows on a changed file")
        << 2 << true << false << none << false << true << false;
    QTest::newRow("Yes saves") << 1 << true << false << int(Answer::Yes) << true << true << true;
    QTest::newRow("No drops the changes")
        << 1 << true << false << int(Answer::No) << true << true << false;
    QTest::newRow("Cancel keeps the window")
        << 1 << true << false << int(Answer::Cancel) << true << false << false;
    QTest::newRow("Yes with a failed save keeps the window")
        << 1 << true << true << int(Answer::Yes) << true << false << false;
  }
  void closingAnInspector() {
    QFETCH(int, windows);
    QFETCH(bool, edited);
    QFETCH(bool, lockedMeanwhile);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(bool, closes);
    QFETCH(bool, saved);
    const std::string path = Image(dir_, "GAMES");
    TDFSDiskFrm* disk = Frame().NewDFSFiler(path);
    TFileInspectorFrm* first = OpenInspectors(Frame(), disk, "1").at(0);
    if (windows == 2) {
      Frame().DuplicateMnuItem->trigger();
    }
    QPointer<TFileInspectorFrm> window = qobject_cast<TFileInspectorFrm*>(Frame().ActiveChild());
    if (edited) {
      Edit(first);
    }
    if (lockedMeanwhile) {
      QVERIFY(disk->Disk()->SetLocked('$', "A      ", true));
    }
    if (answer >= 0) {
      Prompts().QueueYesNoCancel(static_cast<Answer>(answer));
    }
    CloseChild(window);
    std::vector<std::string> expected;
    if (asked) {
      expected.push_back("Save Changes to GAMES.$.A ?");
    }
    if (lockedMeanwhile) {
      expected.push_back(kDestinationLockedMessage);
    }
    QCOMPARE(Prompts().Texts(), expected);
    QCOMPARE(window.isNull(), closes);
    QCOMPARE(FileInImage(path, 0), saved ? kSavedA : std::string(32, 'a'));
    const size_t expectedData = closes && windows == 1 ? 1 : 2;
    QCOMPARE(Frame().Registry().CommonDataList.size(), expectedData);
  }

  // The last disk window on an image reviews the changes of all its inspectors: A is
  // shown in two windows, B in one, C unchanged; image TOOLS is not involved.
  void closingTheLastDiskWindow_data() {
    QTest::addColumn<QString>("ticks");
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<bool>("savedB");
    QTest::newRow("save the first only") << "10"
                                         << "Save" << true << true;
    QTest::newRow("close without saving") << ""
                                          << "NoSave" << true << false;
    QTest::newRow("cancel") << "11"
                            << "Cancel" << false << false;
  }
  void closingTheLastDiskWindow() {
    QFETCH(QString, ticks);
    QFETCH(QString, button);
    QFETCH(bool, closes);
    QFETCH(bool, savedB);
    const std::string path = Image(dir_, "GAMES");
    TDFSDiskFrm* tools = Frame().NewDFSFiler(Image(dir_, "TOOLS"));
    OpenInspectors(Frame(), tools, "1");
    TDFSDiskFrm* disk = Frame().NewDFSFiler(path);
    const std::vector<TFileInspectorFrm*> inspectors = OpenInspectors(Frame(), disk, "111");
    Frame().MdiArea->setActiveSubWindow(inspectors[0]);
    Frame().DuplicateMnuItem->trigger();
    Edit(inspectors[0]);
    Edit(inspectors[1]);

    // Another window on the image keeps it open: no review.
    ReviewAnswer review(ticks.toStdString(), button);
    TDFSDiskFrm* second = Frame().NewDFSFiler(path);
    CloseChild(second);
    QCOMPARE(review.Shows, 0);
    QCOMPARE(Frame().Registry().ChildOrder().size(), size_t(7));

    CloseChild(disk);
    QCOMPARE(review.Shows, 1);
    // In child order: B was edited last.
    const QString imagePath = QString::fromStdString(path);
    QCOMPARE(review.Lines, QStringList({"GAMES.$.B         (" + imagePath + ")",
                                        "GAMES.$.A         (" + imagePath + ")"}));
    QCOMPARE(Frame().Registry().ChildOrder().size(), closes ? size_t(2) : size_t(7));
    QCOMPARE(Frame().Registry().CommonDataList.size(), closes ? size_t(2) : size_t(6));
    if (!closes) {
      QVERIFY(inspectors[0]->Data()->Changed && inspectors[1]->Data()->Changed);
      QCOMPARE(inspectors[1]->Data()->Buffer.Bytes()[0], uint8_t('w'));
    }
    QCOMPARE(FileInImage(path, 0), std::string(32, 'a'));
    QCOMPARE(FileInImage(path, 1), savedB ? kSavedB : std::string(32, 'b'));
    QVERIFY(Prompts().Texts().empty());
  }

  // One review lists the changes of both images; the disk window in front closes after
  // the inspectors that refer to its image.
  void closeAllOverTwoImages() {
    const std::string games = Image(dir_, "GAMES");
    const std::string tools = Image(dir_, "TOOLS");
    TDFSDiskFrm* toolsDisk = Frame().NewDFSFiler(tools);
    Edit(OpenInspectors(Frame(), toolsDisk, "01").at(0));
    TDFSDiskFrm* gamesDisk = Frame().NewDFSFiler(games);
    Edit(OpenInspectors(Frame(), gamesDisk, "1").at(0));
    Frame().MdiArea->setActiveSubWindow(toolsDisk);
    ReviewAnswer review("*", "Save");
    Frame().CloseAllMnuItem->trigger();
    QCOMPARE(review.Shows, 1);
    QCOMPARE(review.Lines.size(), qsizetype(2));
    QVERIFY(review.Lines[0].startsWith("GAMES.$.A") && review.Lines[1].startsWith("TOOLS.$.B"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(Frame().MdiArea->subWindowList().isEmpty());
    QVERIFY(Frame().Registry().CommonDataList.empty());
    QVERIFY(WindowEntries(Frame()).empty());
    QCOMPARE(FileInImage(games, 0), kSavedA);
    QCOMPARE(FileInImage(tools, 1), kSavedB);
    QCOMPARE(Sorted(EnabledCommandNames(Frame())), Sorted(kNoChildCommands));
  }

  void closeFileInspectorsLeavesTheDiskWindows() {
    TDFSDiskFrm* disk = Frame().NewDFSFiler(Image(dir_, "GAMES"));
    OpenInspectors(Frame(), disk, "11");
    ReviewAnswer review("", "Cancel");
    Frame().CloseFileInspectorsMnuItem->trigger();
    QCOMPARE(review.Shows, 0);
    QCOMPARE(Frame().Registry().ChildOrder(), std::vector<ChildWindowClass*>({disk}));
    QCOMPARE(Frame().Registry().CommonDataList.size(), size_t(1));
    QVERIFY(!Frame().CloseFileInspectorsMnuItem->isEnabled());
    QVERIFY(Frame().CloseAllMnuItem->isEnabled());
  }

  // A save that fails in the review (GAMES is full) stops every closing route: nothing
  // closes and the unsaved bytes stay; TOOLS, saved in the same review, stays saved.
  void failedSaveKeepsEverythingOpen_data() {
    QTest::addColumn<QString>("route");
    QTest::addColumn<bool>("toolsReviewed");
    QTest::newRow("Close All") << "CloseAllMnuItem" << true;
    QTest::newRow("Close File Inspectors") << "CloseFileInspectorsMnuItem" << true;
    QTest::newRow("the main window's close box") << "main" << true;
    QTest::newRow("the session ending") << "session" << true;
    QTest::newRow("the disk window's close box") << "disk" << false;
  }
  void failedSaveKeepsEverythingOpen() {
    QFETCH(QString, route);
    QFETCH(bool, toolsReviewed);
    const std::string tools = Image(dir_, "TOOLS");
    Edit(OpenInspectors(Frame(), Frame().NewDFSFiler(tools), "1").at(0));
    TDFSDiskFrm* games = Frame().NewDFSFiler(Image(dir_, "GAMES", true));
    TFileInspectorFrm* grown = OpenInspectors(Frame(), games, "1").at(0);
    grown->SetOverType(false);
    Edit(grown);
    QApplication::clipboard()->setText(QString(300, 'x'));
    Frame().PasteMnuItem->trigger();
    const std::vector<uint8_t> unsaved = grown->Data()->Buffer.Bytes();
    const std::vector<ChildWindowClass*> children = Frame().Registry().ChildOrder();

    ReviewAnswer review("*", "Save");
    if (route == "main") {
      QVERIFY(!Frame().close());
    } else if (route == "session") {
      QVERIFY(!Frame().SessionEndQuery(true));
    } else if (route == "disk") {
      CloseChild(games);
    } else {
      Frame().findChild<QAction*>(route)->trigger();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(review.Shows, 1);
    QCOMPARE(Prompts().Messages(), std::vector<std::string>{kNoRoomMessage});
    QCOMPARE(Frame().Registry().ChildOrder().size(), children.size());
    QVERIFY(Frame().isVisible());
    QVERIFY(!Frame().ClosingAll);
    QVERIFY(grown->Data()->Changed);
    QVERIFY(grown->Data()->Buffer.Bytes() == unsaved);
    QCOMPARE(FileInImage(tools, 0), toolsReviewed ? kSavedA : std::string(32, 'a'));
  }

  // The main window's close box and the end of the session review alike.
  void closingTheMainWindow_data() {
    QTest::addColumn<bool>("session");
    QTest::addColumn<QString>("button");
    QTest::newRow("close box, Cancel") << false << "Cancel";
    QTest::newRow("close box, close without saving") << false << "NoSave";
    QTest::newRow("session end, Cancel") << true << "Cancel";
    QTest::newRow("session end, close without saving") << true << "NoSave";
  }
  void closingTheMainWindow() {
    QFETCH(bool, session);
    QFETCH(QString, button);
    const std::string path = Image(dir_, "GAMES");
    TDFSDiskFrm* disk = Frame().NewDFSFiler(path);
    Frame().NewDFSFiler(Image(dir_, "TOOLS"));
    Edit(OpenInspectors(Frame(), disk, "1").at(0));
    ReviewAnswer review("1", button);
    const bool closed = session ? Frame().SessionEndQuery(true) : Frame().close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const bool cancelled = button == "Cancel";
    QCOMPARE(review.Shows, 1);
    QCOMPARE(closed, !cancelled);
    QCOMPARE(Frame().Registry().ChildOrder().size(), cancelled ? size_t(3) : size_t(0));
    QCOMPARE(Frame().isVisible(), cancelled || session);
    QCOMPARE(FileInImage(path, 0), std::string(32, 'a'));
  }
};

KESTROW_GUI_TEST_MAIN(ClosingTest)

#include "test_closing.moc"
