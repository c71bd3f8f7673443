// SPDX-License-Identifier: GPL-3.0-or-later
// The main frame's Disk menu commands that make and open images, and the disk windows
// they open: one per side of a double-sided image, sharing the side's data when it is
// open already.
#include <QLayout>
#include <QMdiArea>
#include <QTimer>
#include <QToolBar>

#include "app/KestrowApplication.h"
#include "app/KestrowMain.h"
#include "disk/FileOperations.h"
#include "diskwindow/DFSDisk.h"
#include "mmbwindow/TMMBFrm.h"
#include "platform/Prompts.h"
#include "util/UsefulQt.h"

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
  return OpenImageSide(path, side, other != nullptr ? other->Disk.get() : nullptr);
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
  window->OnMakeRoom = [this, window] { return CompactDiskWindow(window, nullptr); };
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
