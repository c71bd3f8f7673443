// SPDX-License-Identifier: GPL-3.0-or-later
// The main frame's inspector commands: opening inspector windows on the files of a disk
// window, saving their working copies back into the image, and the Edit menu's commands
// for the active inspector.
#include <QLineEdit>
#include <QMdiArea>

#include "app/KestrowApplication.h"
#include "app/KestrowMain.h"
#include "disk/FileOperations.h"
#include "diskwindow/DFSDisk.h"
#include "inspector/FileInspector.h"
#include "inspector/Find.h"
#include "platform/Prompts.h"

namespace {

const char* const kDiskClosedMessage =
    "The disk of this file is no longer open, the changes cannot be saved.";

InspectorDataClass* InspectorData(ChildWindowClass* window) {
  return window != nullptr ? window->InspectorData() : nullptr;
}

}  // namespace

// ---- Opening ---------------------------------------------------------------------------

void TKestrowMainFrm::OpenInspectorMnuItemClick() {
  FileInspectorButClick();
}

void TKestrowMainFrm::FileInspectorButClick() {
  TDFSDiskFrm* disk = ActiveDiskWindow();
  if (disk == nullptr) {
    return;
  }
  try {
    // The rows are read first: each new window becomes the active child.
    // Each row's own entry, also when another file of the same name comes first.
    for (const DFSFileClass& entry : disk->SelectedEntries()) {
      if (std::optional<DFSFileClass> file = disk->Disk()->FindEntryLike(entry)) {
        NewInspectorWindow(disk, *file);
      }
    }
  } catch (const std::exception&) {
    Prompts().ShowMessage(kOpenFailedMessage);
  }
}

TFileInspectorFrm* TKestrowMainFrm::NewInspectorWindow(TDFSDiskFrm* diskWindow,
                                                       const DFSFileClass& file) {
  const ChildDataClass* image = diskWindow->CommonData;
  InspectorDataClass* data = registry_->InspectorOn(image->ImagePath, file, image->Side);
  const int number = registry_->AllocateWindowNumber(data);
  std::unique_ptr<InspectorDataClass> newData;
  if (data == nullptr) {
    try {
      newData = NewInspectorData(*diskWindow, file);
    } catch (const std::exception&) {
      Prompts().ShowMessage(kOpenFailedMessage);
      return nullptr;
    }
    data = static_cast<InspectorDataClass*>(registry_->AddCommonData(std::move(newData)));
  }
  const bool maximised = RestoreMaximisedChild();
  auto* window = new TFileInspectorFrm;
  window->CommonData = data;
  ConnectInspectorWindow(window);
  window->ShowOriginalSize(data->OriginalSize);
  window->Init();
  MdiArea->addSubWindow(window);
  window->WindowNumber = number;
  window->SetCaption();
  if (maximised) {
    window->showMaximized();
  } else {
    window->show();
  }
  MdiArea->setActiveSubWindow(window);
  // Activation alone leaves the keys with no widget until the user clicks.
  window->setFocus(Qt::OtherFocusReason);
  ChildActivated(window);
  AddWindowMenuEntry(window, false);
  return window;
}

std::unique_ptr<InspectorDataClass> TKestrowMainFrm::NewInspectorData(TDFSDiskFrm& diskWindow,
                                                                      const DFSFileClass& file) {
  DiskDataClass* disk = diskWindow.DiskData();
  auto data = std::make_unique<InspectorDataClass>();
  data->ImagePath = disk->ImagePath;
  data->Side = disk->Side;
  data->DiskTitle = disk->DiskTitle;
  data->Directory = file.Directory;
  data->Name = file.Name;
  data->Locked = disk->Disk->IsLocked(file.Directory, file.Name);
  data->Buffer = SMemoryStream(disk->Disk->ReadFileData(file));
  data->OriginalSize = file.Length;
  data->OriginalLoadAddress = file.LoadAddress;
  data->OriginalExecAddress = file.ExecAddress;
  data->ClipboardFormat = ClipboardFormat.toStdString();
  data->ParentDisk = disk;
  data->Entry = file;
  return data;
}

bool TKestrowMainFrm::RestoreMaximisedChild() {
  ChildWindowClass* active = ActiveChild();
  if (active == nullptr || !active->isMaximized()) {
    return false;
  }
  active->showNormal();
  return true;
}

void TKestrowMainFrm::ConnectInspectorWindow(TFileInspectorFrm* window) {
  window->MainFrame = this;
  window->OnCloseQuery = [this](ChildWindowClass* child) { return ChildCloseQuery(child); };
  window->OnClosing = [this](ChildWindowClass* child) { ChildClosing(child); };
  window->OnRepaintRelated = [this](ChildWindowClass* child) { ChildRepaintRelatedWindows(child); };
  // A listing tab's selection changes no data, only what the Edit menu can do.
  window->OnUpdateCommands = [this](ChildWindowClass* child) { ChildUpdateCommands(child); };
}

// ---- Saving ----------------------------------------------------------------------------

void TKestrowMainFrm::SaveFileChangesButClick() {
  if (ChildWindowClass* child = ActiveChild(); InspectorData(child) != nullptr) {
    SaveFile(child);
  }
}

// A file shown in several windows is saved once, whatever the result; a failure is
// shown once.
void TKestrowMainFrm::SaveAllFileChangesButClick() {
  std::vector<InspectorDataClass*> done;
  for (ChildWindowClass* child : registry_->ChildOrder()) {
    InspectorDataClass* data = InspectorData(child);
    if (data != nullptr && data->Changed &&
        std::find(done.begin(), done.end(), data) == done.end()) {
      done.push_back(data);
      SaveFile(child);
    }
  }
}

bool TKestrowMainFrm::SaveFile(ChildWindowClass* window) {
  InspectorDataClass* data = InspectorData(window);
  if (data == nullptr) {
    return false;
  }
  // ParentDisk is cleared when its disk is released, so a closed image is never written.
  ChildWindowClass* parentWindow =
      data->ParentDisk == nullptr ? nullptr : registry_->GetParentDisk(data->ParentDisk);
  TDFSDiskFrm* parent = parentWindow != nullptr ? parentWindow->AsDiskWindow() : nullptr;
  bool saved = false;
  if (parent == nullptr || parent->Disk() == nullptr) {
    Prompts().ShowMessage(kDiskClosedMessage);
  } else if (parent->Disk()->IsReadOnly()) {
    Prompts().ShowMessage("The changes cannot be saved. " + parent->Disk()->ReadOnlyReason());
  } else {
    try {
      int result = SaveInspectorData(*parent->Disk(), *data);
      ShowSaveResult(result, *parent->Disk());
      if (result == kSaveNoRoom && OfferCompactionForSave(parent, *data)) {
        result = SaveInspectorData(*parent->Disk(), *data);
        ShowSaveResult(result, *parent->Disk());
      }
      saved = result == kSaveDone;
    } catch (const std::exception& error) {
      ShowErrorText(error);
    }
  }
  if (saved) {
    data->Changed = false;
    // The file's start sector and length have changed.
    ChildRefillRelatedWindows(parent);
  }
  SetMenuButtons(ActiveChild());
  return saved;
}

// The save replaces exactly the entry the inspector was opened on. A file that has left
// the catalogue (deleted or renamed meanwhile) is written as a new, unlocked entry with
// the addresses it had when the inspector opened, so that the edits are not lost.
int TKestrowMainFrm::SaveInspectorData(DFSDiskClass& disk, InspectorDataClass& data) {
  DFSFileClass entry = data.Entry;
  entry.Directory = data.Directory;
  entry.Name = data.Name;
  entry.LoadAddress = data.OriginalLoadAddress;
  entry.ExecAddress = data.OriginalExecAddress;
  const EntrySave outcome = SaveEntryData(disk, entry, data.Buffer);
  if (outcome.saved) {
    data.Entry = *outcome.saved;
  }
  return outcome.result;
}

// ---- Edit menu -------------------------------------------------------------------------

TFileInspectorFrm* TKestrowMainFrm::ActiveInspector() const {
  ChildWindowClass* child = ActiveChild();
  return child != nullptr ? child->AsInspector() : nullptr;
}

void TKestrowMainFrm::UndoMnuItemClick() {
  if (TFileInspectorFrm* inspector = ActiveInspector()) {
    inspector->Undo();
  }
}

void TKestrowMainFrm::CopyMnuItemClick() {
  if (TFileInspectorFrm* inspector = ActiveInspector()) {
    inspector->CopyBytes();
  }
}

void TKestrowMainFrm::PasteMnuItemClick() {
  if (TFileInspectorFrm* inspector = ActiveInspector()) {
    inspector->PasteBytes();
  }
}

void TKestrowMainFrm::FindMnuItemClick() {
  TFileInspectorFrm* inspector = ActiveInspector();
  if (inspector == nullptr) {
    return;
  }
  if (FindFrm->exec() == QDialog::Accepted && !FindFrm->HexEdit->text().isEmpty()) {
    inspector->Find(*FindFrm);
  }
  SetMenuButtons(ActiveChild());
}

void TKestrowMainFrm::FindAgainMnuItemClick() {
  if (TFileInspectorFrm* inspector = ActiveInspector()) {
    inspector->FindAgain(*FindFrm);
  }
}
