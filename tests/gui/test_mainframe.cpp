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

#include "app/KestrowApplication.h"
#include "app/KestrowMain.h"
#include "app/WindowMenuStyle.h"
#include "dialogs/About.h"
#include "diskwindow/DFSDisk.h"
#include "platform/ScriptedPrompts.h"
#include "support/ImageBuilder.h"
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
    "NewDFSFileMnuItem", "NewDSDFileMnuItem", "OpenDFSFileMnuItem", "NewMMBMnuItem",
    "HelpMnuAbout",      "NewDFSFileBut",     "OpenDFSFileBut"};

// A stand-in for a file inspector window, so the registry and the Window menu can be
// checked with inspector data.
class StandInInspector : public ChildWindowClass {
 public:
  ChildKind WindowKind() const override { return ChildKind::Inspector; }
};

// A window of no kind the registry knows.
class UnknownChild : public ChildWindowClass {};

// Throws from its event handler, as a failing command would.
class ThrowingObject : public QObject {
 public:
  bool event(QEvent*) override { throw std::runtime_error("Cannot open file \"x\". Boom"); }
};

}  // namespace

class MainFrameTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    prompts_ = std::make_unique<ScopedScriptedPrompts>();
    frame_ = MakeMainFrame();
  }
  void cleanup() {
    frame_.reset();
    prompts_.reset();
  }

  void menusAndToolbarCarryTheirCaptionsAndShortcuts() {
    const struct {
      const char* name;
      const char* caption;
      const char* shortcut;
    } items[] = {{"NewDFSFileMnuItem", "New disk (ssd 80T)", ""},
                 {"OpenDFSFileMnuItem", "Open", ""},
                 {"FullInfo", "Full disk info", ""},
                 {"DiskPropMnu", "Properties", ""},
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
      auto* action = frame_->findChild<QAction*>(item.name);
      QVERIFY2(action != nullptr, item.name);
      QCOMPARE(action->text(), QString(item.caption));
      QCOMPARE(action->shortcut(), QKeySequence(item.shortcut));
    }
    QStringList menuTitles;
    for (QMenu* menu : {frame_->DiskMnu, frame_->FileMnu, frame_->EditMnu, frame_->View1,
                        frame_->WindowMnu, frame_->HelpMnu}) {
      menuTitles << menu->title();
    }
    QCOMPARE(menuTitles, QStringList({"Disk", "File Inspector", "Edit", "View", "Window", "Help"}));

    QStringList buttons;
    for (QAction* button : frame_->TBToolbar1->actions()) {
      if (!button->objectName().isEmpty()) {
        buttons << button->text() + "|" + button->toolTip();
      }
    }
    QCOMPARE(
        buttons,
        QStringList({"New|Create new 80 track single sided DFS disk", "Open|Open DFS disk",
                     "Disk properties|Disk properties", "Full Info|Show more disk information",
                     "Delete|Delete", "Lock|Lock", "UnLock|UnLock", "File Inspector|File Inspector",
                     "Save File Changes|Save file inspector changes for selected file",
                     "Save all file changes|Save all file inspector changes"}));
    QCOMPARE(frame_->ClipboardFormat, QString("Kestrow_V0_3"));
  }

  void withNoChildOnlyNewOpenAndAboutAreEnabled() {
    QCOMPARE(EnabledCommandNames(*frame_), kNoChildCommands);
  }

  void toolbarClosesAndComesBackDockedAtTheTop() {
    frame_->addToolBar(Qt::LeftToolBarArea, frame_->TBToolbar1);
    auto* closeBox = frame_->TBToolbar1->findChild<QToolButton*>("TBToolbar1CloseBox");
    QVERIFY(closeBox != nullptr);
    QTest::mouseClick(closeBox, Qt::LeftButton);
    QVERIFY(frame_->TBToolbar1->isHidden());
    QVERIFY(frame_->ViewToolbarMnuItem->isEnabled());
    frame_->SetMenuButtons(nullptr);
    QVERIFY(frame_->ViewToolbarMnuItem->isEnabled());
    frame_->ViewToolbarMnuItem->trigger();
    QVERIFY(!frame_->TBToolbar1->isHidden());
    QCOMPARE(frame_->toolBarArea(frame_->TBToolbar1), Qt::TopToolBarArea);
    QVERIFY(!frame_->ViewToolbarMnuItem->isEnabled());
  }

  void openTwoImages() {
    const std::string games = TitledImage(dir_, "GAMES", "games.ssd");
    const std::string blank = ImageBuilder(800).WriteToTemp(dir_, "blank.ssd");
    (*prompts_)->QueueFileName(games);
    (*prompts_)->QueueFileName(blank);
    frame_->OpenDFSFileMnuItem->trigger();
    QTest::mouseClick(frame_->TBToolbar1->widgetForAction(frame_->OpenDFSFileBut), Qt::LeftButton);
    QCOMPARE((*prompts_)->Events().size(), size_t(2));
    QCOMPARE(
        (*prompts_)->Events()[0].text,
        std::string("single sided disk (ssd)|*.ssd|double sided disk (dsd)|*.dsd|MMB file|*.mmb"));
    QVERIFY((*prompts_)->Texts().empty());

    QCOMPARE(frame_->Registry().CommonDataList.size(), size_t(2));
    QCOMPARE(WindowMenuOutline(*frame_), QStringList({"GAMES  ", "Untitled disk  "}));
    for (QAction* entry : WindowEntries(*frame_)) {
      QVERIFY(qobject_cast<SMenuItem*>(entry)->OwnerDrawn);
    }
    auto* second = static_cast<TDFSDiskFrm*>(frame_->ActiveChild());
    QCOMPARE(second->windowTitle(), "Untitled disk " + QString::fromStdString(blank));
    QCOMPARE(second->widget()->height(), TDFSDiskFrm::kClientHeight);
    QVERIFY(second->width() >= TDFSDiskFrm::kWindowWidth);
    QCOMPARE(second->maximumWidth(), second->width());
    QCOMPARE(
        EnabledCommandNames(*frame_),
        QStringList({"NewDFSFileMnuItem", "NewDSDFileMnuItem", "OpenDFSFileMnuItem", "FullInfo",
                     "DiskPropMnu", "NewMMBMnuItem", "CascadeMnuItem", "TileHMnuItem",
                     "TileVMnuItem", "DuplicateMnuItem", "CloseAllMnuItem", "HelpMnuAbout",
                     "NewDFSFileBut", "OpenDFSFileBut", "DiskPropBut", "FullInfoBut"}));
    auto* first = static_cast<TDFSDiskFrm*>(frame_->Registry().ChildOrder()[1]);
    first->StatusBar1->hide();
    frame_->MdiArea->setActiveSubWindow(first);
    QCOMPARE(frame_->ActiveChild(), first);
    QVERIFY(EnabledCommandNames(*frame_).contains("SelectAllMnuItem"));
    QVERIFY(!frame_->FullInfo->isChecked());
    QCOMPARE(frame_->FullInfoBut->toolTip(), QString("Show more disk information"));
    frame_->MdiArea->setActiveSubWindow(second);
    QVERIFY(frame_->FullInfo->isChecked());
    QCOMPARE(frame_->FullInfoBut->toolTip(), QString("Show less disk information"));
  }

  void newWindowKeepsTheMaximizedMode() {
    TDFSDiskFrm* first = frame_->NewDFSFiler(TitledImage(dir_, "A", "max.ssd"));
    const QSize normalSize = first->size();
    first->showMaximized();
    TDFSDiskFrm* second = frame_->NewDFSFiler(TitledImage(dir_, "B", "max2.ssd"));
    QVERIFY(second->isMaximized());
    second->showNormal();
    QCOMPARE(second->size(), normalSize);
  }

  void sameImageTwiceSharesOneDiskData() {
    const std::string path = TitledImage(dir_, "GAMES", "twice.ssd");
    TDFSDiskFrm* first = frame_->NewDFSFiler(path);
    TDFSDiskFrm* second = frame_->NewDFSFiler(path);
    QVERIFY(first != nullptr && second != nullptr);
    QVERIFY((*prompts_)->Texts().empty());
    QCOMPARE(frame_->Registry().CommonDataList.size(), size_t(1));
    QCOMPARE(first->CommonData, second->CommonData);
    QCOMPARE(frame_->Registry().FindDiskData(path), first->DiskData());
    const QString shownPath = QString::fromStdString(path);
    QCOMPARE(first->windowTitle(), "GAMES " + shownPath);
    QCOMPARE(second->windowTitle(), "GAMES # 2 " + shownPath);
    QCOMPARE(WindowMenuOutline(*frame_), QStringList({"GAMES  [GAMES  |GAMES   # 2]"}));
    QCOMPARE(second->Cells(1, 1), QString("ELITE  "));
  }

  void closingRenumbersThroughTheCollapse() {
    const std::string path = TitledImage(dir_, "GAMES", "collapse.ssd");
    TDFSDiskFrm* first = frame_->NewDFSFiler(path);
    TDFSDiskFrm* second = frame_->NewDFSFiler(path);
    CloseChild(first);
    QCOMPARE(second->WindowNumber, 1);
    QCOMPARE(second->windowTitle(), "GAMES " + QString::fromStdString(path));
    QCOMPARE(WindowMenuOutline(*frame_), QStringList({"GAMES  "}));
    QCOMPARE(qobject_cast<SMenuItem*>(WindowEntries(*frame_)[0])->ChildWindow, second);
    QCOMPARE(frame_->Registry().CommonDataList.size(), size_t(1));

    CloseChild(second);
    QVERIFY(frame_->Registry().CommonDataList.empty());
    QVERIFY(WindowEntries(*frame_).empty());
    QCOMPARE(EnabledCommandNames(*frame_), kNoChildCommands);
    // The image was released with its last window.
    QVERIFY(frame_->NewDFSFiler(path) != nullptr);
  }

  void windowNumbersReuseTheLowestFree() {
    const std::string path = TitledImage(dir_, "GAMES", "numbers.ssd");
    TDFSDiskFrm* first = frame_->NewDFSFiler(path);
    QTest::keyClick(frame_.get(), Qt::Key_U, Qt::ControlModifier);
    QTest::keyClick(frame_.get(), Qt::Key_U, Qt::ControlModifier);
    std::vector<ChildWindowClass*> order = frame_->Registry().ChildOrder();
    QCOMPARE(order.size(), size_t(3));
    ChildWindowClass* second = order[1];
    QCOMPARE(second->WindowNumber, 2);
    CloseChild(second);
    QCOMPARE(WindowMenuOutline(*frame_), QStringList({"GAMES  [GAMES  |GAMES   # 3]"}));
    frame_->DuplicateMnuItem->trigger();
    QCOMPARE(frame_->ActiveChild()->WindowNumber, 2);
    QCOMPARE(WindowMenuOutline(*frame_), QStringList({"GAMES  [GAMES  |GAMES   # 3|GAMES   # 2]"}));
    // Closing window 1 of three renumbers nothing; the next window takes number 1.
    CloseChild(first);
    QCOMPARE(WindowMenuOutline(*frame_), QStringList({"GAMES  [GAMES   # 3|GAMES   # 2]"}));
    frame_->DuplicateMnuItem->trigger();
    QCOMPARE(frame_->ActiveChild()->WindowNumber, 1);
    QCOMPARE(frame_->Registry().CommonDataList.size(), size_t(1));
  }

  void windowEntriesSelectTheirWindow() {
    TDFSDiskFrm* games = frame_->NewDFSFiler(TitledImage(dir_, "GAMES", "a.ssd"));
    TDFSDiskFrm* tools = frame_->NewDFSFiler(TitledImage(dir_, "TOOLS", "b.ssd"));
    frame_->NewDFSFiler(TitledImage(dir_, "TOOLS", "b.ssd"));
    QCOMPARE(frame_->ActiveChild()->CommonData, tools->CommonData);
    std::vector<QAction*> entries = WindowEntries(*frame_);
    entries[0]->trigger();
    QCOMPARE(frame_->ActiveChild(), games);
    // An entry that heads a submenu only opens it.
    entries[1]->trigger();
    QCOMPARE(frame_->ActiveChild(), games);
    entries[1]->menu()->actions()[0]->trigger();
    QCOMPARE(frame_->ActiveChild(), tools);
  }

  void diskEntriesAreDrawnBlue() {
    frame_->NewDFSFiler(TitledImage(dir_, "GAMES", "blue.ssd"));
    frame_->WindowMnu->popup(frame_->mapToGlobal(QPoint(10, 10)));
    QVERIFY(QTest::qWaitForWindowExposed(frame_->WindowMnu));
    const QImage image = frame_->WindowMnu->grab().toImage();
    frame_->WindowMnu->hide();
    const QRect entryRect = frame_->WindowMnu->actionGeometry(WindowEntries(*frame_)[0]);
    const QRect cascadeRect = frame_->WindowMnu->actionGeometry(frame_->CascadeMnuItem);
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
    TDFSDiskFrm* games = frame_->NewDFSFiler(TitledImage(dir_, "GAMES", "g.ssd"));
    TDFSDiskFrm* blank = frame_->NewDFSFiler(ImageBuilder(800).WriteToTemp(dir_, "u.ssd"));
    AddStandInInspector(games, "ELITE  ");
    AddStandInInspector(blank, "NOTES  ");
    AddStandInInspector(games, "REVS   ");
    QCOMPARE(WindowMenuOutline(*frame_),
             QStringList({"GAMES  ", "GAMES.$.ELITE    ", "GAMES.$.REVS     ", "Untitled disk  ",
                          ".$.NOTES    "}));
    QCOMPARE(frame_->Registry().CountFileInspectorWindows(), 3);
    QVERIFY(frame_->Registry().WindowExists(games->CommonData->ImagePath, '$', "REVS   "));
    QVERIFY(!frame_->Registry().WindowExists(games->CommonData->ImagePath, '$', "REVS"));
    QVERIFY(EnabledCommandNames(*frame_).contains("CloseFileInspectorsMnuItem"));

    // The last window on an image takes the inspectors of its files with it.
    CloseChild(games);
    QCOMPARE(WindowMenuOutline(*frame_), QStringList({"Untitled disk  ", ".$.NOTES    "}));
    QCOMPARE(frame_->Registry().CommonDataList.size(), size_t(2));

    frame_->CloseFileInspectorsMnuItem->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(WindowMenuOutline(*frame_), QStringList({"Untitled disk  "}));
    QCOMPARE(frame_->Registry().CommonDataList.size(), size_t(1));
    QCOMPARE(frame_->Registry().ChildOrder().size(), size_t(1));
  }

  void unknownWindowKindsAreReported() {
    auto* stranger = new UnknownChild;
    frame_->MdiArea->addSubWindow(stranger);
    ChildRegistryClass& registry = frame_->Registry();
    QVERIFY(registry.GetFormCommonData(stranger) == nullptr);
    DiskDataClass data;
    registry.SetCommonData(stranger, &data);
    QVERIFY(stranger->CommonData == nullptr);
    const std::string className = stranger->metaObject()->className();
    QCOMPARE((*prompts_)->Messages(),
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
      QVERIFY(frame_->NewDFSFiler(path) != nullptr);
      path = dir_.path().toStdString() + "/./" + name;
    }
    const size_t windowsBefore = frame_->Registry().ChildOrder().size();
    const size_t dataBefore = frame_->Registry().CommonDataList.size();
    (*prompts_)->QueueFileName(path);
    frame_->OpenDFSFileMnuItem->trigger();
    QFETCH(QString, message);
    QCOMPARE((*prompts_)->Messages(),
             std::vector<std::string>(
                 {message.replace("PATH", QString::fromStdString(path)).toStdString()}));
    QCOMPARE(frame_->Registry().ChildOrder().size(), windowsBefore);
    QCOMPARE(frame_->Registry().CommonDataList.size(), dataBefore);
    QCOMPARE(WindowEntries(*frame_).size(), windowsBefore);
    holder.kill();
    holder.waitForFinished();
  }

  void newDiskWritesABlankImageAndOpensIt() {
    const std::string path = dir_.filePath("new.ssd").toStdString();
    ImageBuilder(400).AddEntry(ImageEntry{'$', "OLD"}).WriteTo(path);
    (*prompts_)->QueueFileName(path);
    frame_->NewDFSFileMnuItem->trigger();
    QCOMPARE((*prompts_)->Events()[0].text, std::string("single sided disk|*.ssd"));
    std::vector<uint8_t> expected(512, 0);
    expected[0x106] = 0x03;
    expected[0x107] = 0x20;
    QCOMPARE(ReadHostFile(path), expected);
    auto* window = static_cast<TDFSDiskFrm*>(frame_->ActiveChild());
    QVERIFY(window != nullptr);
    QCOMPARE(window->windowTitle(), "Untitled disk " + QString::fromStdString(path));
    QCOMPARE(window->StatusPanels[0]->text(), QString("0 files"));
    QCOMPARE(window->StatusPanels[2]->text(), QString("80 track (200K) DFS Disk"));
    QVERIFY((*prompts_)->Texts().empty());
  }

  void newDiskOverAnOpenImageShowsTheErrorAndKeepsTheImage() {
    const std::string path = TitledImage(dir_, "KEEP", "open.ssd");
    const std::vector<uint8_t> before = ReadHostFile(path);
    QVERIFY(frame_->NewDFSFiler(path) != nullptr);
    (*prompts_)->QueueFileName(path);
    frame_->NewDFSFileBut->trigger();
    QCOMPARE((*prompts_)->Messages().size(), size_t(1));
    QVERIFY((*prompts_)->Messages()[0] != kOpenFailed);
    QVERIFY(QString::fromStdString((*prompts_)->Messages()[0]).contains("open.ssd"));
    QCOMPARE(ReadHostFile(path), before);
    QCOMPARE(frame_->Registry().ChildOrder().size(), size_t(1));
  }

  void cancelledDialogsDoNothing() {
    frame_->OpenDFSFileMnuItem->trigger();
    frame_->NewDFSFileMnuItem->trigger();
    QVERIFY(frame_->Registry().ChildOrder().empty());
    QVERIFY((*prompts_)->Texts().empty());
  }

  void tilingArrangesRowsAndColumns() {
    TDFSDiskFrm* first = frame_->NewDFSFiler(TitledImage(dir_, "A", "ta.ssd"));
    TDFSDiskFrm* second = frame_->NewDFSFiler(TitledImage(dir_, "B", "tb.ssd"));
    frame_->TileHMnuItem->trigger();
    QCOMPARE(first->x(), second->x());
    QVERIFY(first->y() != second->y());
    frame_->TileVMnuItem->trigger();
    QCOMPARE(first->y(), second->y());
    QVERIFY(first->x() != second->x());
  }

  void closeBoxClosesEveryChildAndTheTempArea() {
    frame_->NewDFSFiler(TitledImage(dir_, "A", "ca.ssd"));
    frame_->NewDFSFiler(TitledImage(dir_, "A", "ca.ssd"));
    const QString tempArea = QString::fromStdString(frame_->TempAreaPath());
    QVERIFY(QFileInfo(tempArea).isDir());
    QVERIFY(frame_->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(frame_->Registry().ChildOrder().empty());
    QVERIFY(frame_->Registry().CommonDataList.empty());
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
    QCOMPARE((*prompts_)->Messages(), std::vector<std::string>({"Cannot open file \"x\". Boom"}));
  }

 private:
  void AddStandInInspector(TDFSDiskFrm* disk, const std::string& name) {
    ChildRegistryClass& registry = frame_->Registry();
    auto data = std::make_unique<InspectorDataClass>();
    data->ImagePath = disk->CommonData->ImagePath;
    data->DiskTitle = disk->CommonData->DiskTitle;
    data->Name = name;
    data->ParentDisk = disk->DiskData();
    auto* window = new StandInInspector;
    window->CommonData = registry.AddCommonData(std::move(data));
    window->OnClosing = [this](ChildWindowClass* child) { frame_->ChildClosing(child); };
    frame_->MdiArea->addSubWindow(window);
    window->show();
    window->CreateWindowMenuEntry(
        frame_->WindowMnu, registry.CountRelatedChildren(window->CommonData), window->CommonData);
  }

  QTemporaryDir dir_;
  std::unique_ptr<ScopedScriptedPrompts> prompts_;
  std::unique_ptr<TKestrowMainFrm> frame_;
};

int main(int argc, char* argv[]) {
  KestrowApplication application(argc, argv);
  MainFrameTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_mainframe.moc"
