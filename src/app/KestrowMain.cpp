// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/KestrowMain.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QLayout>
#include <QMdiArea>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QSvgRenderer>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWidgetAction>
#include <utility>

#include "app/KestrowApplication.h"
#include "app/WindowMenuStyle.h"
#include "dialogs/About.h"
#include "dialogs/DiskProp.h"
#include "dialogs/SaveChanges.h"
#include "disk/FileOperations.h"
#include "diskwindow/DFSDisk.h"
#include "inspector/FileInspector.h"
#include "inspector/Find.h"
#include "inspector/InspectorListings.h"
#include "inspector/ListingView.h"
#include "mmbwindow/TMMBFrm.h"
#include "platform/Prompts.h"
#include "util/UsefulQt.h"

namespace {

const char* const kToolImageFiles[] = {
    "tool00_blank_page",     "tool01_open_folder",    "tool02_red_cross",    "tool03_magnifier",
    "tool04_magnifier_plus", "tool05_closed_padlock", "tool06_open_padlock", "tool07_disk_info",
    "tool08_plus_bar",       "tool09_minus_bar",      "tool10_floppy",       "tool11_floppy_stack",
    "tool12_check_disk",     "tool13_compact_disk"};

const char* const kNoTempFolderMessage =
    "Warning : Your system has no temporary folder, copying/moving files will not be "
    "permitted.";
const char* const kToolImageProperty = "ToolImage";

QPixmap RenderSvg(const QString& path, int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QSvgRenderer renderer(path);
  QPainter painter(&pixmap);
  renderer.render(&painter);
  return pixmap;
}

}  // namespace

static void InitialiseResources() {
  Q_INIT_RESOURCE(kestrow);
}

// ---- Creation ------------------------------------------------------------------------

TKestrowMainFrm::TKestrowMainFrm(QWidget* parent) : QMainWindow(parent) {
  InitialiseResources();
  setObjectName("KestrowMainFrm");
  setWindowTitle("Kestrow");
  // The About box's picture is the program's icon. Set on the application before any
  // child is made, it is what every child's title bar and every dialog shows.
  QIcon programIcon;
  for (int size : {16, 24, 32, 48, 64, 128}) {
    programIcon.addPixmap(RenderSvg(":/resources/kestrow_logo.svg", size));
  }
  QApplication::setWindowIcon(programIcon);
  setWindowIcon(programIcon);
  resize(842, 612);
  MdiArea = new QMdiArea(this);
  MdiArea->setObjectName("MdiArea");
  // Closing the front child brings back the one activated before it.
  MdiArea->setActivationOrder(QMdiArea::ActivationHistoryOrder);
  setCentralWidget(MdiArea);
  registry_ = std::make_unique<ChildRegistryClass>(MdiArea);
  windowMenuStyle_ = new WindowMenuStyle;
  windowMenuStyle_->setParent(this);
  CreateMenus();
  CreateToolbar();
  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setInterval(3000);
  connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(Timer1); });
  Timer1->start();
  AboutFrm = new TAboutFrm(this);
  AboutFrm->OnEndSplash = [this](QObject* sender) { Timer1Timer(sender); };
  DiskPropFrm = new TDiskPropFrm(this);
  SaveChangesFrm = new TSaveChangesFrm(this);
  FindFrm = new TFindFrm(this);
  connect(MdiArea, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* window) {
    auto* child = qobject_cast<ChildWindowClass*>(window);
    if (child != nullptr && !child->IsClosing()) {
      ChildActivated(child);
    }
  });
  connect(qApp, &QGuiApplication::applicationStateChanged, this,
          [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive) {
              SetMenuButtons(ActiveChild());
            }
          });
  // Paste follows what the clipboard offers.
  connect(QApplication::clipboard(), &QClipboard::dataChanged, this,
          [this] { SetMenuButtons(ActiveChild()); });
  ConnectSessionEnd();
  SetMenuButtons(nullptr);
  ClipboardFormat = kClipboardFormatName;
}

TKestrowMainFrm::~TKestrowMainFrm() {
  disconnect(MdiArea, nullptr, this, nullptr);
  // Children go before the registry that owns their common data.
  for (QMdiSubWindow* window : MdiArea->subWindowList()) {
    delete window;
  }
}

QIcon TKestrowMainFrm::ToolImage(int index) {
  const QString path = QString(":/resources/%1.svg").arg(kToolImageFiles[index]);
  QIcon icon;
  icon.addPixmap(RenderSvg(path, 16));
  icon.addPixmap(RenderSvg(path, 32));
  return icon;
}

QAction* TKestrowMainFrm::AddMenuItem(QMenu* menu, const char* name, const char* caption,
                                      const QKeySequence& shortcut) {
  QAction* item = menu->addAction(caption);
  item->setObjectName(name);
  item->setShortcut(shortcut);
  return item;
}

void TKestrowMainFrm::Connect(QAction* command, void (TKestrowMainFrm::*handler)()) {
  connect(command, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
  commandsWithHandlers_.insert(command);
}

void TKestrowMainFrm::CreateMenus() {
  CreateDiskAndFileMenus();
  CreateEditMenu();
  View1 = menuBar()->addMenu("View");
  View1->setObjectName("View1");
  ViewToolbarMnuItem = AddMenuItem(View1, "ViewToolbarMnuItem", "Tool bar");
  Connect(ViewToolbarMnuItem, &TKestrowMainFrm::ViewToolbarMnuItemClick);
  CreateWindowMenu();
  HelpMnu = menuBar()->addMenu("Help");
  HelpMnu->setObjectName("HelpMnu");
  HelpMnuAbout = AddMenuItem(HelpMnu, "HelpMnuAbout", "About...");
  Connect(HelpMnuAbout, &TKestrowMainFrm::HelpMnuAboutClick);
}

void TKestrowMainFrm::CreateDiskAndFileMenus() {
  DiskMnu = menuBar()->addMenu("Disk");
  DiskMnu->setObjectName("DiskMnu");
  NewDFSFileMnuItem = AddMenuItem(DiskMnu, "NewDFSFileMnuItem", "New disk (ssd 80T)");
  NewDSDFileMnuItem = AddMenuItem(DiskMnu, "NewDSDFileMnuItem", "New disk (dsd 80T)");
  NewWatfordFileMnuItem =
      AddMenuItem(DiskMnu, "NewWatfordFileMnuItem", "New disk (Watford 62-file)");
  OpenDFSFileMnuItem = AddMenuItem(DiskMnu, "OpenDFSFileMnuItem", "Open");
  FullInfo = AddMenuItem(DiskMnu, "FullInfo", "Full disk info");
  FullInfo->setCheckable(true);
  FullInfo->setChecked(true);
  DiskPropMnu = AddMenuItem(DiskMnu, "DiskPropMnu", "Properties");
  Connect(NewDFSFileMnuItem, &TKestrowMainFrm::NewDFSFileMnuItemClick);
  Connect(NewDSDFileMnuItem, &TKestrowMainFrm::NewDSDFileMnuItemClick);
  Connect(NewWatfordFileMnuItem, &TKestrowMainFrm::NewWatfordFileMnuItemClick);
  Connect(OpenDFSFileMnuItem, &TKestrowMainFrm::OpenDFSFileMnuItemClick);
  Connect(FullInfo, &TKestrowMainFrm::FullInfoClick);
  Connect(DiskPropMnu, &TKestrowMainFrm::DiskPropButClick);
  CheckDiskMnuItem = AddMenuItem(DiskMnu, "CheckDiskMnuItem", "Check disk");
  CompactDiskMnuItem = AddMenuItem(DiskMnu, "CompactDiskMnuItem", "Compact disk");
  Connect(CheckDiskMnuItem, &TKestrowMainFrm::CheckDiskMnuItemClick);
  Connect(CompactDiskMnuItem, &TKestrowMainFrm::CompactDiskMnuItemClick);
  CreateMMBCommands();

  FileMnu = menuBar()->addMenu("File Inspector");
  FileMnu->setObjectName("FileMnu");
  OpenInspectorMnuItem = AddMenuItem(FileMnu, "OpenInspectorMnuItem", "Open Inspector");
  SaveFileChangesMnuItem = AddMenuItem(FileMnu, "SaveFileChangesMnuItem", "Save changes");
  SaveAllFileChangesMnuItem = AddMenuItem(FileMnu, "SaveAllFileChangesMnuItem", "Save all changes");
  Connect(OpenInspectorMnuItem, &TKestrowMainFrm::OpenInspectorMnuItemClick);
  Connect(SaveFileChangesMnuItem, &TKestrowMainFrm::SaveFileChangesButClick);
  Connect(SaveAllFileChangesMnuItem, &TKestrowMainFrm::SaveAllFileChangesButClick);
}

void TKestrowMainFrm::CreateEditMenu() {
  EditMnu = menuBar()->addMenu("Edit");
  EditMnu->setObjectName("EditMnu");
  UndoMnuItem = AddMenuItem(EditMnu, "UndoMnuItem", "Undo", QKeySequence("Ctrl+Z"));
  CopyMnuItem = AddMenuItem(EditMnu, "CopyMnuItem", "Copy", QKeySequence("Ctrl+C"));
  PasteMnuItem = AddMenuItem(EditMnu, "PasteMnuItem", "Paste", QKeySequence("Ctrl+V"));
  SelectAllMnuItem =
      AddMenuItem(EditMnu, "SelectAllMnuItem", "Select All ", QKeySequence("Ctrl+A"));
  DeleteMnuItem = AddMenuItem(EditMnu, "DeleteMnuItem", "Delete", QKeySequence(Qt::Key_Delete));
  FindMnuItem = AddMenuItem(EditMnu, "FindMnuItem", "Find", QKeySequence("Ctrl+F"));
  FindAgainMnuItem = AddMenuItem(EditMnu, "FindAgainMnuItem", "Find Again", QKeySequence("F3"));
  LockMnuItem = AddMenuItem(EditMnu, "LockMnuItem", "Lock", QKeySequence("Ctrl+L"));
  UnLockMnuItem = AddMenuItem(EditMnu, "UnLockMnuItem", "UnLock", QKeySequence("Ctrl+Alt+L"));
  Connect(UndoMnuItem, &TKestrowMainFrm::UndoMnuItemClick);
  Connect(CopyMnuItem, &TKestrowMainFrm::CopyMnuItemClick);
  Connect(PasteMnuItem, &TKestrowMainFrm::PasteMnuItemClick);
  Connect(SelectAllMnuItem, &TKestrowMainFrm::SelectAllMnuItemClick);
  Connect(DeleteMnuItem, &TKestrowMainFrm::DeleteMnuItemClick);
  Connect(FindMnuItem, &TKestrowMainFrm::FindMnuItemClick);
  Connect(FindAgainMnuItem, &TKestrowMainFrm::FindAgainMnuItemClick);
  Connect(LockMnuItem, &TKestrowMainFrm::LockMnuItemClick);
  Connect(UnLockMnuItem, &TKestrowMainFrm::UnLockMnuItemClick);
}

void TKestrowMainFrm::CreateWindowMenu() {
  WindowMnu = menuBar()->addMenu("Window");
  WindowMnu->setObjectName("WindowMnu");
  WindowMnu->setStyle(windowMenuStyle_);
  CascadeMnuItem = AddMenuItem(WindowMnu, "CascadeMnuItem", "Cascade");
  TileHMnuItem = AddMenuItem(WindowMnu, "TileHMnuItem", "Tile Horizontally");
  TileVMnuItem = AddMenuItem(WindowMnu, "TileVMnuItem", "Tile Vertically");
  N1 = WindowMnu->addSeparator();
  N1->setObjectName("N1");
  DuplicateMnuItem =
      AddMenuItem(WindowMnu, "DuplicateMnuItem", "Duplicate", QKeySequence("Ctrl+U"));
  CloseAllMnuItem = AddMenuItem(WindowMnu, "CloseAllMnuItem", "Close All");
  CloseFileInspectorsMnuItem =
      AddMenuItem(WindowMnu, "CloseFileInspectorsMnuItem", "Close File Inspectors");
  N2 = WindowMnu->addSeparator();
  N2->setObjectName("N2");
  Connect(CascadeMnuItem, &TKestrowMainFrm::CascadeMnuItemClick);
  Connect(TileHMnuItem, &TKestrowMainFrm::TileHMnuItemClick);
  Connect(TileVMnuItem, &TKestrowMainFrm::TileVMnuItemClick);
  Connect(DuplicateMnuItem, &TKestrowMainFrm::DuplicateMnuItemClick);
  Connect(CloseAllMnuItem, &TKestrowMainFrm::CloseAllMnuItemClick);
  Connect(CloseFileInspectorsMnuItem, &TKestrowMainFrm::CloseFileInspectorsMnuItemClick);
}

QAction* TKestrowMainFrm::AddToolButton(const char* name, const char* caption, const char* hint,
                                        int image) {
  QAction* button = TBToolbar1->addAction(caption);
  button->setObjectName(name);
  button->setToolTip(hint);
  SetToolImage(button, image);
  return button;
}

void TKestrowMainFrm::SetToolImage(QAction* button, int image) {
  if (button->property(kToolImageProperty).toInt() == image && !button->icon().isNull()) {
    return;
  }
  button->setIcon(ToolImage(image));
  button->setProperty(kToolImageProperty, image);
}

int TKestrowMainFrm::ToolImageIndex(const QAction* button) {
  return button->property(kToolImageProperty).toInt();
}

void TKestrowMainFrm::CreateToolbar() {
  TBToolbar1 = new QToolBar("Tool bar", this);
  TBToolbar1->setObjectName("TBToolbar1");
  TBToolbar1->setAllowedAreas(Qt::AllToolBarAreas);
  TBToolbar1->setMovable(true);
  TBToolbar1->setFloatable(true);
  TBToolbar1->setIconSize(QSize(16, 16));
  TBToolbar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  addToolBar(Qt::TopToolBarArea, TBToolbar1);
  NewDFSFileBut =
      AddToolButton("NewDFSFileBut", "New", "Create new 80 track single sided DFS disk", 0);
  OpenDFSFileBut = AddToolButton("OpenDFSFileBut", "Open", "Open DFS disk", 1);
  DiskPropBut = AddToolButton("DiskPropBut", "Disk properties", "Disk properties", 7);
  FullInfoBut = AddToolButton("FullInfoBut", "Full Info", kShowMoreHint, kShowMoreImage);
  CheckDiskBut = AddToolButton("CheckDiskBut", "Check", "Check disk", 12);
  CompactDiskBut = AddToolButton("CompactDiskBut", "Compact", "Compact disk", 13);
  DeleteToolBut = AddToolButton("DeleteToolBut", "Delete", "Delete", 2);
  LockToolBut = AddToolButton("LockToolBut", "Lock", "", 5);
  UnLockToolBut = AddToolButton("UnLockToolBut", "UnLock", "", 6);
  FileInspectorBut = AddToolButton("FileInspectorBut", "File Inspector", "File Inspector", 3);
  SaveFileChangesBut = AddToolButton("SaveFileChangesBut", "Save File Changes",
                                     "Save file inspector changes for selected file", 10);
  SaveAllFileChangesBut = AddToolButton("SaveAllFileChangesBut", "Save all file changes",
                                        "Save all file inspector changes", 11);
  Connect(NewDFSFileBut, &TKestrowMainFrm::NewDFSFileMnuItemClick);
  Connect(OpenDFSFileBut, &TKestrowMainFrm::OpenDFSFileMnuItemClick);
  Connect(DiskPropBut, &TKestrowMainFrm::DiskPropButClick);
  Connect(FullInfoBut, &TKestrowMainFrm::FullInfoClick);
  Connect(CheckDiskBut, &TKestrowMainFrm::CheckDiskMnuItemClick);
  Connect(CompactDiskBut, &TKestrowMainFrm::CompactDiskMnuItemClick);
  Connect(DeleteToolBut, &TKestrowMainFrm::Delete);
  Connect(LockToolBut, &TKestrowMainFrm::LockMnuItemClick);
  Connect(UnLockToolBut, &TKestrowMainFrm::UnLockMnuItemClick);
  Connect(FileInspectorBut, &TKestrowMainFrm::FileInspectorButClick);
  Connect(SaveFileChangesBut, &TKestrowMainFrm::SaveFileChangesButClick);
  Connect(SaveAllFileChangesBut, &TKestrowMainFrm::SaveAllFileChangesButClick);

  // The toolbar's own close box; hiding it by any route enables View, Tool bar.
  auto* closeBox = new QToolButton(TBToolbar1);
  closeBox->setObjectName("TBToolbar1CloseBox");
  closeBox->setText(QString::fromUtf8("\u2715"));
  closeBox->setToolTip("Close");
  closeBox->setAutoRaise(true);
  TBToolbar1->addWidget(closeBox);
  connect(closeBox, &QToolButton::clicked, TBToolbar1, &QToolBar::hide);
  connect(TBToolbar1->toggleViewAction(), &QAction::toggled, this, [this](bool shown) {
    if (!shown) {
      TBToolbar1Close();
    } else {
      ViewToolbarMnuItem->setEnabled(false);
    }
  });
}

// ---- Splash and temp area ------------------------------------------------------------

// A window only moved off-screen is kept partly on it by some window managers, so it
// is not mapped at all until the splash is over.
void TKestrowMainFrm::setVisible(bool visible) {
  if (visible && Timer1->isActive()) {
    shownAfterSplash_ = true;
    if (!AboutFrm->isVisible()) {
      AboutFrm->ShowCentred();
      ViewToolbarMnuItem->setEnabled(false);
    }
    return;
  }
  QMainWindow::setVisible(visible);
}

void TKestrowMainFrm::Timer1Timer(QObject* sender) {
  if (sender != nullptr) {
    // Closing the About box calls back here with no sender, which ends the splash.
    AboutFrm->close();
  }
  if (!Timer1->isActive()) {
    return;
  }
  Timer1->stop();
  if (shownAfterSplash_) {
    QMainWindow::setVisible(true);
  }
  CentreOnDesktop();
  const std::string tempFolder = GetTempFolder();
  if (tempFolder.empty()) {
    Prompts().ShowMessage(kNoTempFolderMessage);
  } else {
    tempArea_.Establish(tempFolder);
  }
  OpenImages(std::exchange(imagesAfterSplash_, {}));
}

void TKestrowMainFrm::CentreOnDesktop() {
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
}

void TKestrowMainFrm::ClearTempArea() {
  tempArea_.Clear();
}

void TKestrowMainFrm::FormClose() {
  ClearTempArea();
  tempArea_.Remove();
  AboutFrm->hide();
}

// ---- Child events and hooks ----------------------------------------------------------

ChildWindowClass* TKestrowMainFrm::ActiveChild() const {
  const std::vector<ChildWindowClass*> order = registry_->ChildOrder();
  return order.empty() ? nullptr : order.front();
}

TDFSDiskFrm* TKestrowMainFrm::ActiveDiskWindow() const {
  ChildWindowClass* child = ActiveChild();
  return child != nullptr ? child->AsDiskWindow() : nullptr;
}

void TKestrowMainFrm::ChildActivated(ChildWindowClass* window) {
  SetMenuButtons(window);
}

void TKestrowMainFrm::ChildUpdateCommands(ChildWindowClass* window) {
  SetMenuButtons(window);
}

void TKestrowMainFrm::ChildSetEditing(ChildWindowClass* window, bool editing) {
  DeleteMnuItem->setShortcut(editing ? QKeySequence() : QKeySequence(Qt::Key_Delete));
  SetMenuButtons(window);
}

void TKestrowMainFrm::ChildRefillRelatedWindows(ChildWindowClass* window) {
  if (TDFSDiskFrm* disk = window->AsDiskWindow()) {
    // The given window first: a window being set up is not yet a child.
    disk->FillFileList();
    for (ChildWindowClass* child : registry_->GetRelatedChildren(window->CommonData)) {
      if (TDFSDiskFrm* related = child->AsDiskWindow(); related != nullptr && related != disk) {
        related->FillFileList();
      }
    }
  }
  SetMenuButtons(window);
}

void TKestrowMainFrm::ChildRepaintRelatedWindows(ChildWindowClass* window) {
  if (window->CommonData == nullptr) {
    window->update();
    return;
  }
  for (ChildWindowClass* child : registry_->GetRelatedChildren(window->CommonData)) {
    child->RepaintContents();
  }
  SetMenuButtons(window);
}

// ---- Window arrangement and toolbar --------------------------------------------------

void TKestrowMainFrm::CascadeMnuItemClick() {
  MdiArea->cascadeSubWindows();
}

void TKestrowMainFrm::TileHMnuItemClick() {
  TileChildren(Qt::Horizontal);
}

void TKestrowMainFrm::TileVMnuItemClick() {
  TileChildren(Qt::Vertical);
}

// Horizontal tiling stacks the children in rows, vertical tiling sets them side by side.
void TKestrowMainFrm::TileChildren(Qt::Orientation orientation) {
  std::vector<ChildWindowClass*> windows;
  for (ChildWindowClass* child : registry_->ChildOrder()) {
    if (child->isVisible() && !child->isMinimized()) {
      windows.push_back(child);
    }
  }
  if (windows.empty()) {
    return;
  }
  const QRect area = MdiArea->viewport()->rect();
  const int count = static_cast<int>(windows.size());
  for (int index = 0; index < count; ++index) {
    ChildWindowClass* window = windows[index];
    if (window->isMaximized()) {
      window->showNormal();
    }
    if (orientation == Qt::Horizontal) {
      const int height = area.height() / count;
      window->setGeometry(0, index * height, area.width(), height);
    } else {
      const int width = area.width() / count;
      window->setGeometry(index * width, 0, width, area.height());
    }
  }
}

void TKestrowMainFrm::ViewToolbarMnuItemClick() {
  addToolBar(Qt::TopToolBarArea, TBToolbar1);
  TBToolbar1->show();
  ViewToolbarMnuItem->setEnabled(false);
}

void TKestrowMainFrm::TBToolbar1Close() {
  ViewToolbarMnuItem->setEnabled(true);
}

void TKestrowMainFrm::HelpMnuAboutClick() {
  AboutFrm->ShowCentred();
}
