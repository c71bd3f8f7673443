// SPDX-License-Identifier: GPL-3.0-or-later
// The main frame: opening and creating images, the registry of shared window data and
// window numbers, the Window menu, command enabling, the toolbar, the splash and closing.
#include <sys/stat.h>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "app/KestrowMain.h"
#include "app/WindowMenuStyle.h"
#include "dialogs/About.h"
#include "diskwindow/DFSDisk.h"
#include "platform/ScriptedPrompts.h"
#include "support/ImageBuilder.h"
#include "support_gui/MainFrameFixture.h"
#include "support_gui/MainFrameHelpers.h"
#include "util/UsefulQt.h"

namespace {

const std::string kOpenFailed = "Could not open the file, probably in use by another program.";

std::string TitledImage(const QTemporaryDir& dir, const std::string& title,
                        const std::string& name) {
  ImageEntry entry;
  entry.name = "ELITE";
  return ImageBuilder(800).Title(title).AddEntry(entry).WriteToTemp(dir, name);
}

const QStringList kNoChildCommands = {
    "NewDFSFileMnuItem", "NewDSDFileMnuItem", "NewWatfordFileMnuItem", "OpenDFSFileMnuItem",
    "NewMMBMnuItem",     "HelpMnuAbout",      "NewDFSFileBut",         "OpenDFSFileBut"};

// A stand-in for a file inspector window, so the registry and the Window menu can be
// checked with inspector data.
class StandInInspector : public ChildWindowClass {
 public:
  ChildKind WindowKind() const override { return ChildKind::Inspector; }
};

// A window of no kind the registry knows.
class UnknownChild : public ChildWindowClass {};

// Throws from its event handler, as a failing command would.
class ThrowingObject : public MainFrameFixture {
 public:
  bool event(QEvent*) override { throw std::runtime_error("Cannot open file \"x\". Boom"); }
};

}  // namespace

class MainFrameTest : public MainFrameFixture {
  Q_OBJECT

 private slots:
  void menusAndToolbarCarryTheirCaptionsAndShortcuts() {
    const struct {
      const char* name;
      const char* caption;
      const char* shortcut;
    } items[] = {{"NewDFSFileMnuItem", "New disk (ssd 80T)", ""},
                 {"OpenDFSFileMnuItem", "Open", ""},
                 {"FullInfo", "Full disk info", ""},
                 {"DiskPropMnu", "Properties", ""},
                 {"CheckDiskMnuItem", "Check disk", ""},
                 {"CompactDiskMnuItem", "Compact disk", ""},
                 {"OpenInspectorMnuItem", "Open Inspector", ""},
                 {"SaveFileChangesMnuItem", "Save changes", ""},
                 {"SaveAllFileChangesMnuItem", "Save all changes", ""},
                 {"UndoMnuItem", "Undo", "Ctrl+Z"},
                 {"CopyMnuItem", "Copy", "Ctrl+C"},
                 {"PasteMnuItem", "Paste", "Ctrl+V"},
                 {"SelectAllMnuItem", "Select All ", "Ctrl+A"},
                 {"DeleteMnuItem", "Delete", "Del"},
                 {"FindMnuItem", "Find", "Ctrl+F"},
                 {"FindAgainMnuItem", "Find Again", "F3"},
                 {"LockMnuItem", "Lock", "Ctrl+L"},
                 {"UnLockMnuItem", "UnLock", "Ctrl+Alt+L"},
                 {"ViewToolbarMnuItem", "Tool bar", ""},
                 {"CascadeMnuItem", "Cascade", ""},
                 {"TileHMnuItem", "Tile Horizontally", ""},
                 {"TileVMnuItem", "Tile Vertically", ""},
                 {"DuplicateMnuItem", "Duplicate", "Ctrl+U"},
                 {"CloseAllMnuItem", "Close All", ""},
                 {"CloseFileInspectorsMnuItem", "Close File Inspectors", ""},
                 {"HelpMnuAbout", "About...", ""}};
    for (const auto& item : items) {
      auto* action = Frame().findChild<QAction*>(item.name);
      QVERIFY2(action != nullptr, item.name);
      QCOMPARE(action->text(), QString(item.caption));
      QCOMPARE(action->shortcut(), QKeySequence(item.shortcut));
    }
    QStringList menuTitles;
    for (QMenu* menu : {Frame().DiskMnu, Frame().FileMnu, Frame().EditMnu, Frame().View1,
                        Frame().WindowMnu, Frame().HelpMnu}) {
      menuTitles << menu->title();
    }
    QCOMPARE(menuTitles, QStringList({"Disk", "File Inspector", "Edit", "View", "Window", "Help"}));

    QStringList buttons;
    for (QAction* button : Frame().TBToolbar1->actions()) {
      if (!button->objectName().isEmpty()) {
        buttons << button->text() + "|" + button->toolTip();
      }
    }
    QCOMPARE(buttons,
             QStringList({"New|Create new 80 track single sided DFS disk", "Open|Open DFS disk",
                          "Disk properties|Disk properties", "Full Info|Show more disk information",
                          "Check|Check disk", "Compact|Compact disk", "Delete|Delete", "Lock|Lock",
                          "UnLock|UnLock", "File Inspector|File Inspector",
                          "Save File Changes|Save file inspector changes for selected file",
                          "Save all file changes|Save all file inspector changes"}));
    QCOMPARE(Frame().ClipboardFormat, QString("Kestrow_V0_3"));
  }

  void withNoChildOnlyNewOpenAndAboutAreEnabled() {
    QCOMPARE(EnabledCommandNames(Frame()), kNoChildCommands);
  }

  void toolbarClosesAndComesBackDockedAtTheTop() {
    Frame().addToolBar(Qt::LeftToolBarArea, Frame().TBToolbar1);
    auto* closeBox = Frame().TBToolbar1->findChild<QToolButton*>("TBToolbar1CloseBox");
    QVERIFY(closeBox != nullptr);
    QTest::mouseClick(closeBox, Qt::LeftButton);
    QVERIFY(Frame().TBToolbar1->isHidden());
    QVERIFY(Frame().ViewToolbarMnuItem->isEnabled());
    Frame().SetMenuButtons(nullptr);
    QVERIFY(Frame().ViewToolbarMnuItem->isEnabled());
    Frame().ViewToolbarMnuItem->trigger();
    QVERIFY(!Frame().TBToolbar1->isHidden());
    QCOMPARE(Frame().toolBarArea(Frame().TBToolbar1), Qt::TopToolBarArea);
    QVERIFY(!Frame().ViewToolbarMnuItem->isEnabled());
  }

  void openTwoImages() {
    const std::string games = TitledImage(dir_, "GAMES", "games.ssd");
    const std::string blank = ImageBuilder(800).WriteToTemp(dir_, "blank.ssd");
    Prompts().QueueFileName(games);
    Prompts().QueueFileName(blank);
    Frame().OpenDFSFileMnuItem->trigger();
    QTest::mouseClick(Frame().TBToolbar1->widgetForAction(Frame().OpenDFSFileBut), Qt::LeftButton);
    QCOMPARE(Prompts().Events().size(), size_t(2));
    QCOMPARE(
        Prompts().Events()[0].text,
        std::string("single sided disk (ssd)|*.ssd|double sided disk (dsd)|*.dsd|MMB file|*.mmb"));
    QVERIFY(Prompts().Texts().empty());

    QCOMPARE(Frame().Registry().CommonDataList.size(), size_t(2));
    QCOMPARE(WindowMenuOutline(Frame()), QStringList({"GAMES  ", "Untitled disk  "}));
    for (QAction* entry : WindowEntries(Frame())) {
      QVERIFY(qobject_cast<SMenuItem*>(entry)->OwnerDrawn);
    }
    auto* second = static_cast<TDFSDiskFrm*>(Frame().ActiveChild());
    QCOMPARE(second->windowTitle(), "Untitled disk " + QString::fromStdString(blank));
    QCOMPARE(second->widget()->height(), TDFSDiskFrm::kClientHeight);
    QVERIFY(second->width() >= TDFSDiskFrm::kWindowWidth);
    QCOMPARE(second->maximumWidth(), second->width());
    QCOMPARE(EnabledCommandNames(Frame()),
             QStringList({"NewDFSFileMnuItem",  "NewDSDFileMnuItem",  "NewWatfordFileMnuItem",
                          "OpenDFSFileMnuItem", "FullInfo",           "DiskPropMnu",
                          "CheckDiskMnuItem",   "CompactDiskMnuItem", "NewMMBMnuItem",
                          "CascadeMnuItem",     "TileHMnuItem",       "TileVMnuItem",
                          "DuplicateMnuItem",   "CloseAllMnuItem",    "HelpMnuAbout",
                          "NewDFSFileBut",      "OpenDFSFileBut",     "DiskPropBut",
                          "FullInfoBut",        "CheckDiskBut",       "CompactDiskBut"}));
    auto* first = static_cast<TDFSDiskFrm*>(Frame().Registry().ChildOrder()[1]);
    first->StatusBar1->hide();
    Frame().MdiArea->setActiveSubWindow(first);
    QCOMPARE(Frame().ActiveChild(), first);
    QVERIFY(EnabledCommandNames(Frame()).contains("SelectAllMnuItem"));
    QVERIFY(!Frame().FullInfo->isChecked());
    QCOMPARE(Frame().FullInfoBut->toolTip(), QString("Show more disk information"));
    Frame().MdiArea->setActiveSubWindow(second);
    QVERIFY(Frame().FullInfo->isChecked());
    QCOMPARE(Frame().FullInfoBut->toolTip(), QString("Show less disk information"));
  }

  void newWindowKeepsTheMaximizedMode() {
    TDFSDiskFrm* first = Frame().NewDFSFiler(TitledImage(dir_, "A", "max.ssd"));
    const QSize normalSize = first->size();
    first->showMaximized();
    TDFSDiskFrm* second = Frame().NewDFSFiler(TitledImage(dir_, "B", "max2.ssd"));
    QVERIFY(second->isMaximized());
    second->showNormal();
    QCOMPARE(second->size(), normalSize);
  }

  void sameImageTwiceSharesOneDiskData() {
    const std::string path = TitledImage(dir_, "GAMES", "twice.ssd");
    TDFSDiskFrm* first = Frame().NewDFSFiler(path);
    TDFSDiskFrm* second = Frame().NewDFSFiler(path);
    QVERIFY(first != nullptr && second != nullptr);
    QVERIFY(Prompts().Texts().empty());
    QCOMPARE(Frame().Registry().CommonDataList.size(), size_t(1));
    QCOMPARE(first->CommonData, second->CommonData);
    QCOMPARE(Frame().Registry().FindDiskData(path), first->DiskData());
    const QString shownPath = QString::fromStdString(path);
    QCOMPARE(first->windowTitle(), "GAMES " + shownPath);
    QCOMPARE(second->windowTitle(), "GAMES # 2 " + shownPath);
    QCOMPARE(WindowMenuOutline(Frame()), QStringList({"GAMES  [GAMES  |GAMES   # 2]"}));
    QCOMPARE(second->Cells(1, 1), QString("ELITE  "));
  }

  void closingRenumbersThroughTheCollapse() {
    const std::string path = TitledImage(dir_, "GAMES", "collapse.ssd");
    TDFSDiskFrm* first = Frame().NewDFSFiler(path);
    TDFSDiskFrm* second = Frame().NewDFSFiler(path);
    CloseChild(first);
    QCOMPARE(second->WindowNumber, 1);
    QCOMPARE(second->windowTitle(), "GAMES " + QString::fromStdString(path));
    QCOMPARE(WindowMenuOutline(Frame()), QStringList({"GAMES  "}));
    QCOMPARE(qobject_cast<SMenuItem*>(WindowEntries(Frame())[0])->ChildWindow, second);
    QCOMPARE(Frame().Registry().CommonDataList.size(), size_t(1));

    CloseChild(second);
    QVERIFY(Frame().Registry().CommonDataList.empty());
    QVERIFY(WindowEntries(Frame()).empty());
    QCOMPARE(EnabledCommandNames(Frame()), kNoChildCommands);
    // The image was released with its last window.
    QVERIFY(Frame().NewDFSFiler(path) != nullptr);
  }

  void windowNumbersReuseTheLowestFree() {
    const std::string path = TitledImage(dir_, "GAMES", "numbers.ssd");
    TDFSDiskFrm* first = Frame().NewDFSFiler(path);
    QTest::keyClick(&Frame(), Qt::Key_U, Qt::ControlModifier);
    QTest::keyClick(&Frame(), Qt::Key_U, Qt::ControlModifier);
    std::vector<ChildWindowClass*> order = Frame().Registry().ChildOrder();
    QCOMPARE(order.size(), size_t(3));
    ChildWindowClass* second = order[1];
    QCOMPARE(second->WindowNumber, 2);
    CloseChild(second);
    QCOMPARE(WindowMenuOutline(Frame()), QStringList({"GAMES  [GAMES  |GAMES   # 3]"}));
    Frame().DuplicateMnuItem->trigger();
    QCOMPARE(Frame().ActiveChild()->WindowNumber, 2);
    QCOMPARE(WindowMenuOutline(Frame()), QStringList({"GAMES  [GAMES  |GAMES   # 3|GAMES   # 2]"}));
    // Closing window 1 of three renumbers nothing; the next window takes number 1.
    CloseChild(first);
    QCOMPARE(WindowMenuOutline(Frame()), QStringList({"GAMES  [GAMES   # 3|GAMES   # 2]"}));
    Frame().DuplicateMnuItem->trigger();
    QCOMPARE(Frame().ActiveChild()->WindowNumber, 1);
    QCOMPARE(Frame().Registry().CommonDataList.size(), size_t(1));
  }

  void windowEntriesSelectTheirWindow() {
    TDFSDiskFrm* games = Frame().NewDFSFiler(TitledImage(dir_, "GAMES", "a.ssd"));
    TDFSDiskFrm* tools = Frame().NewDFSFiler(TitledImage(dir_, "TOOLS", "b.ssd"));
    Frame().NewDFSFiler(TitledImage(dir_, "TOOLS", "b.ssd"));
    QCOMPARE(Frame().ActiveChild()->CommonData, tools->CommonData);
    std::vector<QAction*> entries = WindowEntries(Frame());
    entries[0]->trigger();
    QCOMPARE(Frame().ActiveChild(), games);
    // An entry that heads a submenu only opens it.
    entries[1]->trigger();
    QCOMPARE(Frame().ActiveChild(), games);
    entries[1]->menu()->actions()[0]->trigger();
    QCOMPARE(Frame().ActiveChild(), tools);
  }

  void diskEntriesAreDrawnBlue() {
    Frame().NewDFSFiler(TitledImage(dir_, "GAMES", "blue.ssd"));
    Frame().WindowMnu->popup(Frame().mapToGlobal(QPoint(10, 10)));
    QVERIFY(QTest::qWaitForWindowExposed(Frame().WindowMnu));
    const QImage image = Frame().WindowMnu->grab().toImage();
    Frame().WindowMnu->hide();
    const QRect entryRect = Frame().WindowMnu->actionGeometry(WindowEntries(Frame())[0]);
    const QRect cascadeRect = Frame().WindowMnu->actionGeometry(Frame().CascadeMnuItem);
    auto bluePixels = [&](const QRect& rect) {
      int count = 0;
      for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
          count += image.pixelColor(x, y) == QColor(0, 0, 255) ? 1 : 0;
        }
      }
      return count;
    };
    QVERIFY(bluePixels(entryRect) > 10);
    QCOMPARE(bluePixels(cascadeRect), 0);
    QCOMPARE(DiskEntryTextColour(QStyle::State_Selected | QStyle::State_Enabled),
             QColor(255, 255, 255));
    QCOMPARE(DiskEntryTextColour(QStyle::State_Enabled), QColor(0, 0, 255));
  }

  void inspectorEntriesFollowTheirDisk() {
    TDFSDiskFrm* games = Frame().NewDFSFiler(TitledImage(dir_, "GAMES", "g.ssd"));
    TDFSDiskFrm* blank = Frame().NewDFSFiler(ImageBuilder(800).WriteToTemp(dir_, "u.ssd"));
    AddStandInInspector(games, "ELITE  ");
    AddStandInInspector(blank, "NOTES  ");
    AddStandInInspector(games, "REVS   ");
    QCOMPARE(WindowMenuOutline(Frame()),
             QStringList({"GAMES  ", "GAMES.$.ELITE    ", "GAMES.$.REVS     ", "Untitled disk  ",
                          ".$.NOTES    "}));
    QCOMPARE(Frame().Registry().CountFileInspectorWindows(), 3);
    QVERIFY(Frame().Registry().WindowExists(games->CommonData->ImagePath, '$', "REVS   "));
    QVERIFY(!Frame().Registry().WindowExists(games->CommonData->ImagePath, '$', "REVS"));
    QVERIFY(EnabledCommandNames(Frame()).contains("CloseFileInspectorsMnuItem"));

    // The last window on an image takes the inspectors of its files with it.
    CloseChild(games);
    QCOMPARE(WindowMenuOutline(Frame()), QStringList({"Untitled disk  ", ".$.NOTES    "}));
    QCOMPARE(Frame().Registry().CommonDataList.size(), size_t(2));

    Frame().CloseFileInspectorsMnuItem->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(WindowMenuOutline(Frame()), QStringList({"Untitled disk  "}));
    QCOMPARE(Frame().Registry().CommonDataList.size(), size_t(1));
    QCOMPARE(Frame().Registry().ChildOrder().size(), size_t(1));
  }

  void unknownWindowKindsAreReported() {
    auto* stranger = new UnknownChild;
    Frame().MdiArea->addSubWindow(stranger);
    ChildRegistryClass& registry = Frame().Registry();
    QVERIFY(registry.GetFormCommonData(stranger) == nullptr);
    DiskDataClass data;
    registry.SetCommonData(stranger, &data);
    QVERIFY(stranger->CommonData == nullptr);
    const std::string className = stranger->metaObject()->className();
    QCOMPARE(Prompts().Messages(),
             std::vector<std::string>(
                 {"You have not created a TKestrowMainFrm.GetCommonData entry for " + className,
                  "You have not created a TKestrowMainFrm.SetCommonData entry for " + className}));
  }

  // A read-only file is no failure: it opens read-only (see test_readonly_windows). A
  // missing file says so; only a lock held elsewhere gets the "in use" message.
  void openFailures_data() {
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing file") << "missing"
                                  << "Could not open \"PATH\": No such file or directory.";
    QTest::newRow("held by another process") << "locked" << QString::fromStdString(kOpenFailed);
    QTest::newRow("same image, other spelling")
        << "respelled" << QString::fromStdString(kOpenFailed);
  }
  void openFailures() {
    QFETCH(QString, situation);
    const std::string name = situation.toStdString() + ".ssd";
    std::string path = ImageBuilder(800).WriteToTemp(dir_, name);
    QProcess holder;
    if (situation == "missing") {
      path = dir_.filePath("absent.ssd").toStdString();
    } else if (situation == "locked") {
      holder.start("flock", {"-x", QString::fromStdString(path), "-c", "echo held; sleep 60"});
      QVERIFY(holder.waitForReadyRead(5000));
    } else {
      QVERIFY(Frame().NewDFSFiler(path) != nullptr);
      path = dir_.path().toStdString() + "/./" + name;
    }
    const size_t windowsBefore = Frame().Registry().ChildOrder().size();
    const size_t dataBefore = Frame().Registry().CommonDataList.size();
    Prompts().QueueFileName(path);
    Frame().OpenDFSFileMnuItem->trigger();
    QFETCH(QString, message);
    QCOMPARE(Prompts().Messages(),
             std::vector<std::string>(
                 {message.replace("PATH", QString::fromStdString(path)).toStdString()}));
    QCOMPARE(Frame().Registry().ChildOrder().size(), windowsBefore);
    QCOMPARE(Frame().Registry().CommonDataList.size(), dataBefore);
    QCOMPARE(WindowEntries(Frame()).size(), windowsBefore);
    holder.kill();
    holder.waitForFinished();
  }

  void newDiskWritesABlankImageAndOpensIt() {
    const std::string path = dir_.filePath("new.ssd").toStdString();
    ImageBuilder(400).AddEntry(ImageEntry{'$', "OLD"}).WriteTo(path);
    Prompts().QueueFileName(path);
    Frame().NewDFSFileMnuItem->trigger();
    QCOMPARE(Prompts().Events()[0].text, std::string("single sided disk|*.ssd"));
    std::vector<uint8_t> expected(512, 0);
    expected[0x106] = 0x03;
    expected[0x107] = 0x20;
    QCOMPARE(ReadHostFile(path), expected);
    auto* window = static_cast<TDFSDiskFrm*>(Frame().ActiveChild());
    QVERIFY(window != nullptr);
    QCOMPARE(window->windowTitle(), "Untitled disk " + QString::fromStdString(path));
    QCOMPARE(window->StatusPanels[0]->text(), QString("0 files"));
    QCOMPARE(window->StatusPanels[2]->text(), QString("80 track (200K) DFS Disk"));
    QVERIFY(Prompts().Texts().empty());
  }

  void newDiskOverAnOpenImageShowsTheErrorAndKeepsTheImage() {
    const std::string path = TitledImage(dir_, "KEEP", "open.ssd");
    const std::vector<uint8_t> before = ReadHostFile(path);
    QVERIFY(Frame().NewDFSFiler(path) != nullptr);
    Prompts().QueueFileName(path);
    Frame().NewDFSFileBut->trigger();
    QCOMPARE(Prompts().Messages().size(), size_t(1));
    QVERIFY(Prompts().Messages()[0] != kOpenFailed);
    QVERIFY(QString::fromStdString(Prompts().Messages()[0]).contains("open.ssd"));
    QCOMPARE(ReadHostFile(path), before);
    QCOMPARE(Frame().Registry().ChildOrder().size(), size_t(1));
  }

  void cancelledDialogsDoNothing() {
    Frame().OpenDFSFileMnuItem->trigger();
    Frame().NewDFSFileMnuItem->trigger();
    QVERIFY(Frame().Registry().ChildOrder().empty());
    QVERIFY(Prompts().Texts().empty());
  }

  void tilingArrangesRowsAndColumns() {
    TDFSDiskFrm* first = Frame().NewDFSFiler(TitledImage(dir_, "A", "ta.ssd"));
    TDFSDiskFrm* second = Frame().NewDFSFiler(TitledImage(dir_, "B", "tb.ssd"));
    Frame().TileHMnuItem->trigger();
    QCOMPARE(first->x(), second->x());
    QVERIFY(first->y() != second->y());
    Frame().TileVMnuItem->trigger();
    QCOMPARE(first->y(), second->y());
    QVERIFY(first->x() != second->x());
  }

  void closeBoxClosesEveryChildAndTheTempArea() {
    Frame().NewDFSFiler(TitledImage(dir_, "A", "ca.ssd"));
    Frame().NewDFSFiler(TitledImage(dir_, "A", "ca.ssd"));
    const QString tempArea = QString::fromStdString(Frame().TempAreaPath());
    QVERIFY(QFileInfo(tempArea).isDir());
    QVERIFY(Frame().close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(Frame().Registry().ChildOrder().empty());
    QVERIFY(Frame().Registry().CommonDataList.empty());
    QVERIFY(!QFileInfo::exists(tempArea));
  }

  void splashShowsTheAboutBoxWithTheFrameOffScreen() {
    auto frame = std::make_unique<TKestrowMainFrm>();
    frame->show();
    QVERIFY(frame->AboutFrm->isVisible());
    // Not even a strip of the frame is on the screen: it is not mapped at all.
    QVERIFY(!frame->isVisible());
    QVERIFY(frame->windowHandle() == nullptr || !frame->windowHandle()->isVisible());
    QVERIFY(frame->Timer1->isActive());
    QCOMPARE(frame->Timer1->interval(), 3000);
    QVERIFY(!frame->ViewToolbarMnuItem->isEnabled());
    QTest::mouseClick(frame->AboutFrm->CloseBut, Qt::LeftButton);
    QVERIFY(!frame->AboutFrm->isVisible());
    QVERIFY(!frame->Timer1->isActive());
    QVERIFY(frame->isVisible());
    const QPoint screenCentre = frame->screen()->availableGeometry().center();
    QVERIFY((frame->frameGeometry().center() - screenCentre).manhattanLength() <= 2);
    QVERIFY(!frame->TempAreaPath().empty());

    // Later showings of the About box leave everything else alone.
    const QPoint position = frame->pos();
    frame->HelpMnuAbout->trigger();
    QVERIFY(frame->AboutFrm->isVisible());
    frame->AboutFrm->close();
    QVERIFY(!frame->AboutFrm->isVisible());
    QCOMPARE(frame->pos(), position);
    QCOMPARE(frame->AboutFrm->VersionLabel->text(), QString(TAboutFrm::kVersionText));
    QVERIFY(frame->AboutFrm->ContactLabel->text().contains("mailto:kestrow@example.org"));
  }

  void splashTimerClosesTheAboutBox() {
    auto frame = std::make_unique<TKestrowMainFrm>();
    frame->show();
    QVERIFY(!frame->isVisible());
    frame->Timer1Timer(frame->Timer1);
    QVERIFY(!frame->AboutFrm->isVisible());
    QVERIFY(!frame->Timer1->isActive());
    QVERIFY(frame->isVisible());
  }

  void exceptionsReachingTheEventLoopAreShown() {
    ThrowingObject target;
    QEvent event(QEvent::User);
    QCOMPARE(QCoreApplication::sendEvent(&target, &event), false);
    QCOMPARE(Prompts().Messages(), std::vector<std::string>({"Cannot open file \"x\". Boom"}));
  }

 private:
  void AddStandInInspector(TDFSDiskFrm* disk, const std::string& name) {
    ChildRegistryClass& registry = Frame().Registry();
    auto data = std::make_unique<InspectorDataClass>();
    data->ImagePath = disk->CommonData->ImagePath;
    data->DiskTitle = disk->CommonData->DiskTitle;
    data->Name = name;
    data->ParentDisk = disk->DiskData();
    auto* window = new StandInInspector;
    window->CommonData = registry.AddCommonData(std::move(data));
    window->OnClosing = [this](ChildWindowClass* child) { Frame().ChildClosing(child); };
    Frame().MdiArea->addSubWindow(window);
    window->show();
    window->CreateWindowMenuEntry(
        Frame().WindowMnu, registry.CountRelatedChildren(window->CommonData), window->CommonData);
  }
};

KESTROW_GUI_TEST_MAIN(MainFrameTest)

#include "test_mainframe.moc"
