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
    "tool08_plus_bar",       "tool09_minus_bar",      "tool10_floppy",       "tool11_floppy_stack"};

constexpr int kShowMoreImage = 8;
constexpr int kShowLessImage = 9;
const char* const kShowMoreHint = "Show more disk information";
const char* const kShowLessHint = "Show less disk information";
const char* const kNoTempFolderMessage =
    "Warning : Your system has no temporary folder, copying/moving files will not be "
    "permitted.";
const char* const kSelectFileToDeleteMessage = "Please select a file to delete.";
const char* const kDeleteFailedMessage =
    "Could not delete one or more of the files, probably the disk is in use by another "
    "program.";
const char* const kNoDiskWindowsMessage =
    "You have no DFS windows open, please open one and select a file to delete.";
const char* const kSelectFileMessage = "Please select a file.";
const char* const kFileInInspectorMessage =
    "This file is in open in at least one File Inspector window, you must close the relevent "
    "windows before you can make these changes";
const char* const kLockFailedMessage =
    "Could not lock the file(s), disk probably in use by another program.";
const char* const kToolImageProperty = "ToolImage";

QPixmap RenderSvg(const QString& path, int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QSvgRenderer renderer(path);
  QPainter painter(&pixmap);
  renderer.render(&painter);
  return pixmap;
}

bool IsKind(const ChildWindowClass* window, ChildWindowClass::ChildKind kind) {
  return window != nullptr && window->WindowKind() == kind;
}

TDFSDiskFrm* AsDiskWindow(ChildWindowClass* window) {
  return IsKind(window, ChildWindowClass::ChildKind::Disk) ? static_cast<TDFSDiskFrm*>(window)
                                                           : nullptr;
}

// The text without leading and trailing spaces and control characters.
QString TrimmedText(const QString& text) {
  qsizetype first = 0;
  qsizetype last = text.size();
  while (first < last && text[first].unicode() <= ' ') {
    ++first;
  }
  while (last > first && text[last - 1].unicode() <= ' ') {
    --last;
  }
  return text.mid(first, last - first);
}

// Grid rows (1 for the first file) of the selected files, in row order.
std::vector<int> SelectedGridRows(const TDFSDiskFrm& window) {
  std::vector<int> rows;
  for (size_t index = 0; index < window.SelectedRows.size(); ++index) {
    if (window.SelectedRows[index]) {
      rows.push_back(static_cast<int>(index) + 1);
    }
  }
  return rows;
}

// "Are you sure ..." naming the one file to go, or the selection, and the disk by its
// window caption. With one file selected the question names that file, also when
// another row was clicked last.
std::string DeleteQuestion(const TDFSDiskFrm& window, int currentRow) {
  const QString caption = TrimmedText(window.windowTitle());
  const QString disk = caption.isEmpty() ? "with no title." : "titled " + caption;
  const std::vector<int> selected = SelectedGridRows(window);
  if (selected.size() >= 2) {
    return ("Are you sure you wish to delete the selected files from DFS disk " + disk)
        .toUtf8()
        .toStdString();
  }
  const int row = selected.size() == 1 ? selected.front() : currentRow;
  const QString name = TrimmedText(window.Cells(1, row));
  return ("Are you sure you want to delete the file " + name + " from DFS disk " + disk)
      .toUtf8()
      .toStdString();
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
  OpenDFSFileMnuItem = AddMenuItem(DiskMnu, "OpenDFSFileMnuItem", "Open");
  FullInfo = AddMenuItem(DiskMnu, "FullInfo", "Full disk info");
  FullInfo->setCheckable(true);
  FullInfo->setChecked(true);
  DiskPropMnu = AddMenuItem(DiskMnu, "DiskPropMnu", "Properties");
  Connect(NewDFSFileMnuItem, &TKestrowMainFrm::NewDFSFileMnuItemClick);
  Connect(NewDSDFileMnuItem, &TKestrowMainFrm::NewDSDFileMnuItemClick);
  Connect(OpenDFSFileMnuItem, &TKestrowMainFrm::OpenDFSFileMnuItemClick);
  Connect(FullInfo, &TKestrowMainFrm::FullInfoClick);
  Connect(DiskPropMnu, &TKestrowMainFrm::DiskPropButClick);
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

// ---- Disk windows --------------------------------------------------------------------

void TKestrowMainFrm::NewDFSFileMnuItemClick() {
  NewDisk({"single sided disk|*.ssd", "ssd"});
}

void TKestrowMainFrm::NewDSDFileMnuItemClick() {
  NewDisk({"double sided disk|*.dsd|single sided disk|*.ssd", "dsd"});
}

// The chosen name's extension decides: a ".dsd" name gets a blank double-sided image.
void TKestrowMainFrm::NewDisk(const PromptInterface::FileDialogOptions& dialog) {
  const std::string name = Prompts().AskSaveFileName(dialog);
  if (name.empty()) {
    return;
  }
  try {
    DFSDiskClass::Create(name, 1).reset();
  } catch (const std::exception& error) {
    ShowErrorText(error);
    return;
  }
  NewDFSFiler(name);
}

void TKestrowMainFrm::OpenDFSFileMnuItemClick() {
  const std::string name = Prompts().AskOpenFileName(
      {"single sided disk (ssd)|*.ssd|double sided disk (dsd)|*.dsd|MMB file|*.mmb", ""});
  if (IsMMBName(name)) {
    NewMMBWindow(name);
  } else if (!name.empty()) {
    NewDFSFiler(name);
  }
}

void TKestrowMainFrm::OpenImages(const std::vector<std::string>& paths) {
  if (Timer1->isActive()) {
    imagesAfterSplash_.insert(imagesAfterSplash_.end(), paths.begin(), paths.end());
    return;
  }
  for (const std::string& path : paths) {
    if (IsMMBName(path)) {
      NewMMBWindow(path);
    } else {
      NewDFSFiler(path);
    }
  }
}

TDFSDiskFrm* TKestrowMainFrm::NewDFSFiler(const std::string& path) {
  if (!IsDoubleSidedName(path)) {
    return NewDiskWindow(path, ChildDataClass::kSingleSided);
  }
  return NewDiskWindows(path);
}

// Side 0, then side 2. A side already open gets one more window on its data. With
// neither open, the image is opened once for both.
TDFSDiskFrm* TKestrowMainFrm::NewDiskWindows(const std::string& path) {
  ImageSides sides;
  if (registry_->FindDiskData(path, 0) == nullptr && registry_->FindDiskData(path, 2) == nullptr) {
    try {
      sides = OpenDiskImage(path, OpenAccess::WriteIfAllowed);
    } catch (const std::exception& error) {
      Prompts().ShowMessage(OpenFailureMessage(error));
      return nullptr;
    }
  }
  sides.resize(2);
  TDFSDiskFrm* first = NewDiskWindow(path, 0, std::move(sides[0]));
  TDFSDiskFrm* second = NewDiskWindow(path, 2, std::move(sides[1]));
  return first != nullptr ? first : second;
}

// A side not yet open shares the host file the other side holds: the file's exclusive
// lock allows no second opening.
std::unique_ptr<DFSDiskClass> TKestrowMainFrm::OpenDiskSide(const std::string& path, int side) {
  DiskDataClass* other =
      side == ChildDataClass::kSingleSided ? nullptr : registry_->FindDiskData(path, 2 - side);
  if (other == nullptr || other->Disk == nullptr) {
    ImageSides sides = OpenDiskImage(path, OpenAccess::WriteIfAllowed);
    return std::move(sides.at(side == ChildDataClass::kSingleSided ? 0 : side / 2));
  }
  SectorMapping mapping = other->Disk->Mapping();
  mapping.side = side / 2;
  auto disk =
      std::make_unique<DFSDiskClass>(other->Disk->HostFile(), other->Disk->FileName, mapping);
  // The side opened later keeps the image's read-only state.
  if (other->Disk->IsReadOnly()) {
    disk->SetReadOnly(other->Disk->ReadOnlyReason());
  }
  return disk;
}

std::unique_ptr<DiskDataClass> TKestrowMainFrm::NewDiskData(const std::string& path, int side,
                                                            std::unique_ptr<DFSDiskClass> disk) {
  auto data = std::make_unique<DiskDataClass>();
  data->ImagePath = path;
  data->Side = side;
  data->Disk = disk != nullptr ? std::move(disk) : OpenDiskSide(path, side);
  data->DiskTitle = data->Disk->GetTitle();
  return data;
}

TDFSDiskFrm* TKestrowMainFrm::NewDiskWindow(const std::string& path, int side,
                                            std::unique_ptr<DFSDiskClass> disk) {
  DiskDataClass* data = registry_->FindDiskData(path, side);
  const int number = registry_->AllocateWindowNumber(data);
  std::unique_ptr<DiskDataClass> newData;
  auto* window = new TDFSDiskFrm;
  try {
    if (data == nullptr) {
      newData = NewDiskData(path, side, std::move(disk));
    }
    window->CommonData = data != nullptr ? data : newData.get();
    window->MainFrame = this;
    window->TempAreaPath = tempArea_.Path();
    window->OnRefillRelated = [this](ChildWindowClass* child) { ChildRefillRelatedWindows(child); };
    window->Init();
  } catch (const std::exception& error) {
    delete window;
    Prompts().ShowMessage(OpenFailureMessage(error));
    return nullptr;
  }
  if (newData != nullptr) {
    data = static_cast<DiskDataClass*>(registry_->AddCommonData(std::move(newData)));
  }
  MdiArea->addSubWindow(window);
  ConnectDiskWindow(window);
  window->WindowNumber = number;
  window->SetCaption();
  window->show();
  MdiArea->setActiveSubWindow(window);
  // Activation alone leaves the keys with no widget until the user clicks.
  window->setFocus(Qt::OtherFocusReason);
  SizeNewDiskWindow(window);
  // A new window shows its full information; activation then matches the button to it.
  FullInfo->setChecked(true);
  SetToolImage(FullInfoBut, kShowMoreImage);
  FullInfoBut->setToolTip(kShowLessHint);
  ChildActivated(window);
  AddWindowMenuEntry(window, true);
  // An interrupted change undone, or why the disk is read-only: told once, by the first
  // window on the image.
  const std::string notice = data->Disk->OpenNotice;
  data->Disk->OpenNotice.clear();
  if (!notice.empty()) {
    Prompts().ShowMessage(notice);
  }
  return window;
}

void TKestrowMainFrm::ConnectDiskWindow(TDFSDiskFrm* window) {
  window->OnCloseQuery = [this](ChildWindowClass* child) { return DFSDiskCloseQuery(child); };
  window->OnClosing = [this](ChildWindowClass* child) { ChildClosing(child); };
  window->OnUpdateCommands = [this](ChildWindowClass* child) { ChildUpdateCommands(child); };
  window->OnClearTempArea = [this] { ClearTempArea(); };
  window->OnSetDragSource = [this](ChildWindowClass* child) { DragSource = child; };
  window->OnGetDragSource = [this] { return DragSource; };
  window->OnSetEditing = [this](ChildWindowClass* child, bool editing) {
    ChildSetEditing(child, editing);
  };
  // The window asks about files of its own side.
  window->OnWindowExists = [this, window](const std::string& path, char directory,
                                          const std::string& name) {
    const int side =
        window->CommonData != nullptr ? window->CommonData->Side : ChildDataClass::kSingleSided;
    return registry_->WindowExists(path, directory, name, side);
  };
}

void TKestrowMainFrm::SizeNewDiskWindow(TDFSDiskFrm* window) {
  const bool maximized = window->isMaximized();
  if (maximized) {
    window->showNormal();
  }
  QMargins frame = window->contentsMargins();
  if (window->layout() != nullptr) {
    frame += window->layout()->contentsMargins();
  }
  const int width = std::max(TDFSDiskFrm::kWindowWidth,
                             window->ClientWidthNeeded() + frame.left() + frame.right());
  window->resize(width, TDFSDiskFrm::kClientHeight + frame.top() + frame.bottom());
  window->setMaximumWidth(width);
  if (maximized) {
    window->showMaximized();
  }
}

void TKestrowMainFrm::AddWindowMenuEntry(ChildWindowClass* window, bool diskEntry) {
  SMenuItem* entry = window->CreateWindowMenuEntry(
      WindowMnu, registry_->CountRelatedChildren(window->CommonData), window->CommonData);
  entry->ClickHandler = [this](SMenuItem* item) { SelectChild(MdiArea, item); };
  entry->OwnerDrawn = diskEntry;
}

void TKestrowMainFrm::FullInfoClick() {
  if (TDFSDiskFrm* disk = AsDiskWindow(ActiveChild())) {
    disk->SetFullInfoShown(!disk->FullInfoShown());
    ShowFullInfoState(disk->FullInfoShown());
  }
}

void TKestrowMainFrm::ShowFullInfoState(bool shown) {
  FullInfo->setChecked(shown);
  SetToolImage(FullInfoBut, shown ? kShowLessImage : kShowMoreImage);
  FullInfoBut->setToolTip(shown ? kShowLessHint : kShowMoreHint);
}

void TKestrowMainFrm::DiskPropButClick() {
  if (TDFSDiskFrm* disk = AsDiskWindow(ActiveChild())) {
    DiskPropFrm->DiskWindow = disk;
    DiskPropFrm->exec();
    DiskPropFrm->DiskWindow = nullptr;
  }
}

void TKestrowMainFrm::SelectAllMnuItemClick() {
  SelectAll();
}

void TKestrowMainFrm::SelectAll() {
  ChildWindowClass* child = ActiveChild();
  if (TDFSDiskFrm* disk = AsDiskWindow(child)) {
    disk->SelectAll();
    SetMenuButtons(disk);
  } else if (auto* inspector = qobject_cast<TFileInspectorFrm*>(child)) {
    inspector->SelectAll();
    SetMenuButtons(inspector);
  }
}

void TKestrowMainFrm::Delete() {
  ChildWindowClass* child = ActiveChild();
  if (AsDiskWindow(child) != nullptr) {
    DeleteDFSFile();
  } else if (auto* inspector = qobject_cast<TFileInspectorFrm*>(child)) {
    inspector->BackSpaceKey();
  }
}

void TKestrowMainFrm::DeleteMnuItemClick() {
  if (auto* inspector = qobject_cast<TFileInspectorFrm*>(ActiveChild())) {
    inspector->FormKeyDown(Qt::Key_Delete, Qt::NoModifier);
  } else {
    Delete();
  }
}

void TKestrowMainFrm::DeleteDFSFile() {
  TDFSDiskFrm* window = AsDiskWindow(ActiveChild());
  if (window == nullptr) {
    return;
  }
  const int currentRow = window->CurrentGridRow();
  if (currentRow < 0) {
    Prompts().ShowMessage(kSelectFileToDeleteMessage);
    return;
  }
  if (ConfirmYesNo(DeleteQuestion(*window, currentRow)) && DeleteSelectedFiles(*window)) {
    window->Init();
  }
  SetMenuButtons(window);
}

// DeleteFile itself reports a locked or vanished file and the loop goes on; a failed
// write stops it, leaving the files deleted so far deleted.
bool TKestrowMainFrm::DeleteSelectedFiles(TDFSDiskFrm& window) {
  DFSDiskClass* disk = window.Disk();
  try {
    for (const DFSFileClass& entry : window.SelectedEntries()) {
      disk->DeleteFile(entry);
    }
  } catch (const std::exception& error) {
    Prompts().ShowMessage(ChangeFailureMessage(error, kDeleteFailedMessage));
    return false;
  }
  return true;
}

void TKestrowMainFrm::LockMnuItemClick() {
  SetFileLockStatus(true);
}

void TKestrowMainFrm::UnLockMnuItemClick() {
  SetFileLockStatus(false);
}

void TKestrowMainFrm::SetFileLockStatus(bool locked) {
  ChildWindowClass* child = ActiveChild();
  if (child == nullptr) {
    Prompts().ShowMessage(kNoDiskWindowsMessage);
    return;
  }
  TDFSDiskFrm* window = AsDiskWindow(child);
  if (window == nullptr) {
    return;
  }
  if (window->CurrentGridRow() < 0) {
    Prompts().ShowMessage(kSelectFileMessage);
    return;
  }
  if (LockSelectedFiles(*window, locked)) {
    window->Init();
  }
}

// Files open in an inspector are skipped; each change shows at once in this window's
// lock column only.
bool TKestrowMainFrm::LockSelectedFiles(TDFSDiskFrm& window, bool locked) {
  bool refreshDue = false;
  for (int row : SelectedGridRows(window)) {
    const DFSFileClass entry = window.RowEntry(row);
    if (registry_->WindowExists(window.CommonData->ImagePath, entry.Directory,
                                PadRight(entry.Name, 7), window.CommonData->Side)) {
      Prompts().ShowMessage(kFileInInspectorMessage);
      continue;
    }
    try {
      if (window.Disk()->SetLocked(entry, locked)) {
        window.SetCells(2, row, locked ? "L" : "");
      } else {
        refreshDue = true;
      }
    } catch (const std::exception& error) {
      Prompts().ShowMessage(ChangeFailureMessage(error, kLockFailedMessage));
      break;
    }
  }
  return refreshDue;
}

// Another window on the active child's image or file, sharing its data.
void TKestrowMainFrm::DuplicateMnuItemClick() {
  ChildWindowClass* child = ActiveChild();
  if (TDFSDiskFrm* disk = AsDiskWindow(child)) {
    NewDiskWindow(disk->CommonData->ImagePath, disk->CommonData->Side);
    return;
  }
  if (auto* mmb = qobject_cast<TMMBFrm*>(child)) {
    NewMMBWindow(mmb->CommonData->ImagePath);
    return;
  }
  auto* data = dynamic_cast<InspectorDataClass*>(child != nullptr ? child->CommonData : nullptr);
  auto* parent =
      AsDiskWindow(data != nullptr ? registry_->GetParentDisk(data->ParentDisk) : nullptr);
  if (parent == nullptr) {
    return;
  }
  try {
    if (std::optional<DFSFileClass> file = parent->Disk()->FindFile(data->Directory, data->Name)) {
      NewInspectorWindow(parent, *file);
    }
  } catch (const std::exception&) {
    Prompts().ShowMessage(kOpenFailedMessage);
  }
}

// ---- Child events and hooks ----------------------------------------------------------

ChildWindowClass* TKestrowMainFrm::ActiveChild() const {
  const std::vector<ChildWindowClass*> order = registry_->ChildOrder();
  return order.empty() ? nullptr : order.front();
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
  if (TDFSDiskFrm* disk = AsDiskWindow(window)) {
    // The given window first: a window being set up is not yet a child.
    disk->FillFileList();
    for (ChildWindowClass* child : registry_->GetRelatedChildren(window->CommonData)) {
      if (TDFSDiskFrm* related = AsDiskWindow(child); related != nullptr && related != disk) {
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
    if (child->widget() != nullptr) {
      child->widget()->update();
    }
    child->update();
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

// ---- Command enabling ----------------------------------------------------------------

void TKestrowMainFrm::Enable(QAction* command, bool enabled) {
  command->setEnabled(enabled && commandsWithHandlers_.contains(command));
}

void TKestrowMainFrm::SetMenuButtons(ChildWindowClass* subject) {
  DisableAllButtons();
  Enable(ViewToolbarMnuItem, TBToolbar1->isHidden());
  SetCommonButtons(subject);
  const bool anyChanged = AnyInspectorChanged();
  Enable(SaveAllFileChangesBut, anyChanged);
  Enable(SaveAllFileChangesMnuItem, anyChanged);
  if (IsKind(subject, ChildWindowClass::ChildKind::Inspector)) {
    SetFileInspectorButtons(subject);
  }
  if (TDFSDiskFrm* disk = AsDiskWindow(subject)) {
    SetDFSFileButtons(disk);
  }
  SetMMBButtons(subject);
}

void TKestrowMainFrm::DisableAllButtons() {
  for (QAction* button : TBToolbar1->actions()) {
    if (!button->isSeparator() && qobject_cast<QWidgetAction*>(button) == nullptr) {
      button->setEnabled(false);
    }
  }
  for (QAction* menu : menuBar()->actions()) {
    if (menu->menu() == nullptr) {
      continue;
    }
    for (QAction* item : menu->menu()->actions()) {
      if (!IsWindowEntry(item)) {
        item->setEnabled(false);
      }
    }
  }
}

void TKestrowMainFrm::SetCommonButtons(ChildWindowClass* subject) {
  for (QAction* command : {NewDFSFileBut, NewDFSFileMnuItem, NewDSDFileMnuItem, OpenDFSFileBut,
                           OpenDFSFileMnuItem, HelpMnuAbout}) {
    Enable(command, true);
  }
  if (subject == nullptr) {
    return;
  }
  for (QAction* command :
       {CascadeMnuItem, TileVMnuItem, TileHMnuItem, DuplicateMnuItem, CloseAllMnuItem}) {
    Enable(command, true);
  }
  Enable(CloseFileInspectorsMnuItem, registry_->CountFileInspectorWindows() > 0);
}

void TKestrowMainFrm::SetDFSFileButtons(TDFSDiskFrm* window) {
  for (QAction* command : {FullInfo, FullInfoBut}) {
    Enable(command, true);
  }
  // The properties dialog changes the title and boot option.
  for (QAction* command : {DiskPropBut, DiskPropMnu}) {
    Enable(command, !window->IsReadOnly());
  }
  ShowFullInfoState(window->FullInfoShown());
  SetFileOpButtons(window);
}

void TKestrowMainFrm::SetFileOpButtons(TDFSDiskFrm* window) {
  const bool files = window->SelectedFilesCount() > 0 && !window->Editing;
  Enable(FileInspectorBut, files);
  Enable(OpenInspectorMnuItem, files);
  for (QAction* command :
       {DeleteToolBut, LockToolBut, UnLockToolBut, DeleteMnuItem, LockMnuItem, UnLockMnuItem}) {
    Enable(command, files && !window->IsReadOnly());
  }
  Enable(SelectAllMnuItem, window->ListedFiles > 0);
}

void TKestrowMainFrm::SetFileInspectorButtons(ChildWindowClass* window) {
  auto* data = dynamic_cast<InspectorDataClass*>(window->CommonData);
  if (data == nullptr) {
    return;
  }
  const int64_t size = data->Buffer.Size();
  auto* inspector = qobject_cast<TFileInspectorFrm*>(window);
  // An inspector on a read-only disk edits its copy but cannot save it.
  const bool savable =
      data->Changed && !(data->ParentDisk != nullptr && data->ParentDisk->Disk != nullptr &&
                         data->ParentDisk->Disk->IsReadOnly());
  Enable(SaveFileChangesBut, savable);
  Enable(SaveFileChangesMnuItem, savable);
  Enable(DeleteToolBut, data->SelStart != -1);
  Enable(DeleteMnuItem, data->SelStart != -1);
  Enable(UndoMnuItem, !data->UndoList.empty());
  Enable(CopyMnuItem, data->SelStart >= 0 && data->SelStart < size);
  Enable(PasteMnuItem, inspector != nullptr && inspector->CanPaste());
  Enable(SelectAllMnuItem, size > 0);
  Enable(FindMnuItem, size > 0);
  Enable(FindAgainMnuItem, inspector != nullptr && inspector->CanFindAgain(*FindFrm));
  if (inspector != nullptr && !inspector->Listings()->HexShowing()) {
    SetListingTabButtons(*inspector);
  }
}

// Only the Hex tab edits. A listing tab copies, selects and searches its lines; a tab
// with nothing to show yet does none of that.
void TKestrowMainFrm::SetListingTabButtons(TFileInspectorFrm& inspector) {
  for (QAction* command : {DeleteToolBut, DeleteMnuItem, UndoMnuItem, PasteMnuItem}) {
    Enable(command, false);
  }
  const ListingView* listing = inspector.ShowingListing();
  const bool lines = listing != nullptr && !listing->Lines().empty();
  Enable(CopyMnuItem, listing != nullptr && listing->HasSelection());
  Enable(SelectAllMnuItem, lines);
  Enable(FindMnuItem, lines);
  Enable(FindAgainMnuItem, lines && !FindFrm->Pattern().empty());
}

bool TKestrowMainFrm::AnyInspectorChanged() const {
  for (ChildWindowClass* child : registry_->ChildOrder()) {
    auto* data = dynamic_cast<InspectorDataClass*>(child->CommonData);
    if (IsKind(child, ChildWindowClass::ChildKind::Inspector) && data != nullptr && data->Changed) {
      return true;
    }
  }
  return false;
}
