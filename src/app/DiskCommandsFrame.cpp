// SPDX-License-Identifier: GPL-3.0-or-later
// The main frame's commands on the active disk window: full information, properties,
// Select All, Delete, Lock, UnLock and Duplicate. The frame asks and tells; the loops
// over the selected entries are the core's (disk/FileOperations).
#include "app/KestrowMain.h"
#include "dialogs/DiskProp.h"
#include "disk/FileOperations.h"
#include "diskwindow/DFSDisk.h"
#include "inspector/FileInspector.h"
#include "mmbwindow/TMMBFrm.h"
#include "platform/Prompts.h"
#include "util/UsefulQt.h"

namespace {

const char* const kSelectFileToDeleteMessage = "Please select a file to delete.";
const char* const kNoDiskWindowsMessage =
    "You have no DFS windows open, please open one and select a file to delete.";
const char* const kSelectFileMessage = "Please select a file.";

// "Are you sure ..." naming the one file to go, or the selection, and the disk by its
// window caption. With one file selected the question names that file, also when
// another row was clicked last.
std::string DeleteQuestion(const TDFSDiskFrm& window, int currentRow) {
  const QString caption = TrimmedText(window.windowTitle());
  const QString disk = caption.isEmpty() ? "with no title." : "titled " + caption;
  const std::vector<DFSFileClass> selected = window.SelectedEntries();
  if (selected.size() >= 2) {
    return ("Are you sure you wish to delete the selected files from DFS disk " + disk)
        .toUtf8()
        .toStdString();
  }
  const DFSFileClass file = selected.size() == 1 ? selected.front() : window.RowEntry(currentRow);
  const QString name = TrimmedText(QString::fromLatin1(file.Name));
  return ("Are you sure you want to delete the file " + name + " from DFS disk " + disk)
      .toUtf8()
      .toStdString();
}

}  // namespace

void TKestrowMainFrm::FullInfoClick() {
  if (TDFSDiskFrm* disk = ActiveDiskWindow()) {
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
  if (TDFSDiskFrm* disk = ActiveDiskWindow()) {
    DiskPropFrm->DiskWindow = disk;
    DiskPropFrm->exec();
    DiskPropFrm->DiskWindow = nullptr;
  }
}

void TKestrowMainFrm::SelectAllMnuItemClick() {
  SelectAll();
}

void TKestrowMainFrm::SelectAll() {
  if (ChildWindowClass* child = ActiveChild()) {
    child->SelectAll();
    SetMenuButtons(child);
  }
}

void TKestrowMainFrm::Delete() {
  if (ActiveDiskWindow() != nullptr) {
    DeleteDFSFile();
  } else if (TFileInspectorFrm* inspector = ActiveInspector()) {
    inspector->BackSpaceKey();
  }
}

void TKestrowMainFrm::DeleteMnuItemClick() {
  if (TFileInspectorFrm* inspector = ActiveInspector()) {
    inspector->FormKeyDown(Qt::Key_Delete, Qt::NoModifier);
  } else {
    Delete();
  }
}

void TKestrowMainFrm::DeleteDFSFile() {
  TDFSDiskFrm* window = ActiveDiskWindow();
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

// DeleteEntries itself reports a locked or vanished file and the loop goes on; a failed
// write stops it, leaving the files deleted so far deleted.
bool TKestrowMainFrm::DeleteSelectedFiles(TDFSDiskFrm& window) {
  return DeleteEntries(*window.Disk(), window.SelectedEntries());
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
  TDFSDiskFrm* window = child->AsDiskWindow();
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
  const ChildDataClass* image = window.CommonData;
  const LockOutcome outcome = SetEntriesLocked(
      *window.Disk(), window.SelectedEntries(), locked, [this, image](const DFSFileClass& entry) {
        return registry_->InspectorOn(image->ImagePath, entry, image->Side) != nullptr;
      });
  window.ShowLockChanges(outcome.changed, locked);
  return outcome.vanished;
}

// Another window on the active child's image or file, sharing its data.
void TKestrowMainFrm::DuplicateMnuItemClick() {
  ChildWindowClass* child = ActiveChild();
  if (TDFSDiskFrm* disk = ActiveDiskWindow()) {
    NewDiskWindow(disk->CommonData->ImagePath, disk->CommonData->Side);
    return;
  }
  if (auto* mmb = qobject_cast<TMMBFrm*>(child)) {
    NewMMBWindow(mmb->CommonData->ImagePath);
    return;
  }
  InspectorDataClass* data = child != nullptr ? child->InspectorData() : nullptr;
  ChildWindowClass* parentWindow =
      data != nullptr ? registry_->GetParentDisk(data->ParentDisk) : nullptr;
  TDFSDiskFrm* parent = parentWindow != nullptr ? parentWindow->AsDiskWindow() : nullptr;
  if (parent == nullptr) {
    return;
  }
  try {
    std::optional<DFSFileClass> file = FindSameEntry(*parent->Disk(), data->Entry);
    if (!file) {
      file = parent->Disk()->FindFile(data->Directory, data->Name);
    }
    if (file) {
      NewInspectorWindow(parent, *file);
    }
  } catch (const std::exception&) {
    Prompts().ShowMessage(kOpenFailedMessage);
  }
}
