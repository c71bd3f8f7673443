// SPDX-License-Identifier: GPL-3.0-or-later
// The main frame's enabling pass: after every event that may change what a command can
// act on, every command's state is worked out again from the front child.
#include <QMenuBar>
#include <QToolBar>
#include <QWidgetAction>

#include "app/KestrowMain.h"
#include "diskwindow/DFSDisk.h"
#include "inspector/FileInspector.h"
#include "inspector/Find.h"
#include "inspector/InspectorListings.h"
#include "inspector/ListingView.h"

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
  SetMMBButtons(subject);
  if (subject == nullptr) {
    return;
  }
  if (subject->InspectorData() != nullptr) {
    SetFileInspectorButtons(subject);
  }
  if (TDFSDiskFrm* disk = subject->AsDiskWindow()) {
    SetDFSFileButtons(disk);
  }
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
  for (QAction* command :
       {NewDFSFileBut, NewDFSFileMnuItem, NewDSDFileMnuItem, NewWatfordFileMnuItem, OpenDFSFileBut,
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
  // Checking only reads; compacting writes.
  Enable(CheckDiskMnuItem, true);
  Enable(CheckDiskBut, true);
  Enable(CompactDiskMnuItem, !window->IsReadOnly());
  Enable(CompactDiskBut, !window->IsReadOnly());
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
  InspectorDataClass* data = window->InspectorData();
  if (data == nullptr) {
    return;
  }
  const int64_t size = data->Buffer.Size();
  TFileInspectorFrm* inspector = window->AsInspector();
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
    if (const InspectorDataClass* data = child->InspectorData(); data != nullptr && data->Changed) {
      return true;
    }
  }
  return false;
}
