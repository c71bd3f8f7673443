// SPDX-License-Identifier: GPL-3.0-or-later
// The main frame's MMB commands: opening MMB files in MMB windows and their discs in
// disk windows, New MMB, the slot commands of the Disk menu and the slot context menu,
// the enabling of those commands and the close of an MMB window with its discs.
#include <QLayout>
#include <QMdiArea>
#include <QMenu>
#include <algorithm>
#include <iterator>
#include <optional>
#include <set>

#include "app/KestrowApplication.h"
#include "app/KestrowMain.h"
#include "disk/MMBSlotRules.h"
#include "diskwindow/DFSDisk.h"
#include "mmbwindow/TMMBFrm.h"
#include "platform/Prompts.h"
#include "util/UsefulQt.h"

namespace {

const char* const kSlotChangeFailedMessage =
    "Could not change the MMB file, probably in use by another program.";

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

// ---- Menu ------------------------------------------------------------------------------

void TKestrowMainFrm::CreateMMBCommands() {
  DiskMnu->addSeparator();
  NewMMBMnuItem = AddMenuItem(DiskMnu, "NewMMBMnuItem", "New MMB...");
  DiskMnu->addSeparator();
  MMBOpenDiscMnuItem = AddMenuItem(DiskMnu, "MMBOpenDiscMnuItem", "Open disc");
  MMBLockMnuItem = AddMenuItem(DiskMnu, "MMBLockMnuItem", "Lock");
  MMBUnLockMnuItem = AddMenuItem(DiskMnu, "MMBUnLockMnuItem", "UnLock");
  MMBFormatMnuItem = AddMenuItem(DiskMnu, "MMBFormatMnuItem", "Format");
  MMBKillMnuItem = AddMenuItem(DiskMnu, "MMBKillMnuItem", "Kill");
  MMBImportMnuItem = AddMenuItem(DiskMnu, "MMBImportMnuItem", "Import .ssd...");
  MMBExportMnuItem = AddMenuItem(DiskMnu, "MMBExportMnuItem", "Export as .ssd...");
  MMBBootMnu = DiskMnu->addMenu("Set as boot disc for drive");
  MMBBootMnu->setObjectName("MMBBootMnu");
  MMBBootMnu->menuAction()->setObjectName("MMBBootMnuItem");
  // The submenu is enabled and disabled as a whole; its drives always are.
  commandsWithHandlers_.insert(MMBBootMnu->menuAction());
  for (int drive = 0; drive < kMMBBootDrives; ++drive) {
    QAction* item = MMBBootMnu->addAction(QString::number(drive));
    item->setObjectName(QString("MMBBootDrive%1MnuItem").arg(drive));
    connect(item, &QAction::triggered, this, [this, drive] { SetMMBBootDisc(drive); });
    MMBBootDriveMnuItems.push_back(item);
  }
  Connect(NewMMBMnuItem, &TKestrowMainFrm::NewMMBMnuItemClick);
  Connect(MMBOpenDiscMnuItem, &TKestrowMainFrm::MMBOpenDiscMnuItemClick);
  Connect(MMBLockMnuItem, &TKestrowMainFrm::MMBLockMnuItemClick);
  Connect(MMBUnLockMnuItem, &TKestrowMainFrm::MMBUnLockMnuItemClick);
  Connect(MMBFormatMnuItem, &TKestrowMainFrm::MMBFormatMnuItemClick);
  Connect(MMBKillMnuItem, &TKestrowMainFrm::MMBKillMnuItemClick);
  Connect(MMBImportMnuItem, &TKestrowMainFrm::MMBImportMnuItemClick);
  Connect(MMBExportMnuItem, &TKestrowMainFrm::MMBExportMnuItemClick);
}

void TKestrowMainFrm::SetMMBButtons(ChildWindowClass* subject) {
  Enable(NewMMBMnuItem, true);
  auto* window = qobject_cast<TMMBFrm*>(subject);
  if (window == nullptr || window->WindowKind() != ChildWindowClass::ChildKind::MMB) {
    return;
  }
  const std::vector<MMBSlot> selected = window->SelectedSlots();
  const bool one = selected.size() == 1;
  for (QAction* command : {MMBLockMnuItem, MMBUnLockMnuItem, MMBFormatMnuItem, MMBKillMnuItem}) {
    Enable(command, !selected.empty());
  }
  for (QAction* command : {MMBOpenDiscMnuItem, MMBImportMnuItem, MMBBootMnu->menuAction()}) {
    Enable(command, one);
  }
  Enable(MMBExportMnuItem, one && selected.front().Formatted());
}

// ---- Opening ---------------------------------------------------------------------------

MMBDataClass* TKestrowMainFrm::FindMMBData(const std::string& path) const {
  for (const auto& data : registry_->CommonDataList) {
    auto* mmb = dynamic_cast<MMBDataClass*>(data.get());
    if (mmb != nullptr && mmb->ImagePath == path) {
      return mmb;
    }
  }
  return nullptr;
}

TMMBFrm* TKestrowMainFrm::NewMMBWindow(const std::string& path) {
  MMBDataClass* data = FindMMBData(path);
  const int number = registry_->AllocateWindowNumber(data);
  std::unique_ptr<MMBDataClass> newData;
  auto* window = new TMMBFrm;
  try {
    if (data == nullptr) {
      newData = std::make_unique<MMBDataClass>();
      newData->ImagePath = path;
      newData->DiskTitle = BaseName(path);
      newData->File = MMBFileClass::Open(path);
    }
    window->CommonData = data != nullptr ? data : newData.get();
    window->MainFrame = this;
    window->TempAreaPath = tempArea_.Path();
    window->FillSlotList();
  } catch (const std::exception& error) {
    delete window;
    Prompts().ShowMessage(OpenFailureMessage(error));
    return nullptr;
  }
  if (newData != nullptr) {
    registry_->AddCommonData(std::move(newData));
  }
  const bool maximised = RestoreMaximisedChild();
  MdiArea->addSubWindow(window);
  ConnectMMBWindow(window);
  window->WindowNumber = number;
  window->SetCaption();
  QMargins frame = window->contentsMargins();
  if (window->layout() != nullptr) {
    frame += window->layout()->contentsMargins();
  }
  window->resize(TMMBFrm::kWindowWidth + frame.left() + frame.right(),
                 TMMBFrm::kClientHeight + frame.top() + frame.bottom());
  if (maximised) {
    window->showMaximized();
  } else {
    window->show();
  }
  MdiArea->setActiveSubWindow(window);
  window->setFocus(Qt::OtherFocusReason);
  ChildActivated(window);
  AddWindowMenuEntry(window, true);
  return window;
}

void TKestrowMainFrm::ConnectMMBWindow(TMMBFrm* window) {
  window->OnCloseQuery = [this](ChildWindowClass* child) { return MMBCloseQuery(child); };
  window->OnClosing = [this](ChildWindowClass* child) { ChildClosing(child); };
  window->OnUpdateCommands = [this](ChildWindowClass* child) { ChildUpdateCommands(child); };
  window->OnClearTempArea = [this] { ClearTempArea(); };
  window->OnSetDragSource = [this](ChildWindowClass* child) { DragSource = child; };
  window->OnGetDragSource = [this] { return DragSource; };
  window->OnOpenDisc = [this](TMMBFrm* mmb, int number) { OpenMMBDisc(mmb, number); };
  window->OnImportImage = [this](TMMBFrm* mmb, int number, const std::string& path) {
    ImportIntoSlot(mmb, number, path);
  };
  window->ContextActions = {MMBOpenDiscMnuItem, MMBLockMnuItem,          MMBUnLockMnuItem,
                            MMBFormatMnuItem,   MMBKillMnuItem,          MMBImportMnuItem,
                            MMBExportMnuItem,   MMBBootMnu->menuAction()};
}

TDFSDiskFrm* TKestrowMainFrm::OpenMMBDisc(TMMBFrm* window, int number) {
  MMBDataClass* data = window->MMBData();
  if (data == nullptr || data->File == nullptr) {
    return nullptr;
  }
  const std::string discPath = MMBDiscWindowPath(data->ImagePath, number);
  if (registry_->FindDiskData(discPath) != nullptr) {
    return NewDiskWindow(discPath, ChildDataClass::kSingleSided);
  }
  MMBFileClass::DiscOpening opening;
  try {
    // A title changed in the disc's windows shows in the slot list at once.
    opening = data->File->OpenDisc(
        number, [this, path = data->ImagePath](int) { RefreshMMBWindows(path); });
  } catch (const std::exception& error) {
    Prompts().ShowMessage(OpenFailureMessage(error));
    return nullptr;
  }
  if (!opening.disc) {
    Prompts().ShowMessage(opening.result.message);
    return nullptr;
  }
  RefreshMMBWindows(data->ImagePath);
  return NewDiskWindow(discPath, ChildDataClass::kSingleSided, std::move(opening.disc));
}

void TKestrowMainFrm::NewMMBMnuItemClick() {
  const std::string name = Prompts().AskSaveFileName({"MMB file|*.mmb", "mmb"});
  if (name.empty()) {
    return;
  }
  try {
    if (MMBResult created = CreateBlankMMB(name); !created) {
      Prompts().ShowMessage(created.message);
      return;
    }
  } catch (const std::exception& error) {
    ShowErrorText(error);
    return;
  }
  NewMMBWindow(name);
}

// ---- Slot commands ---------------------------------------------------------------------

TMMBFrm* TKestrowMainFrm::ActiveMMBWindow() const {
  ChildWindowClass* child = ActiveChild();
  return child != nullptr && child->WindowKind() == ChildWindowClass::ChildKind::MMB
             ? static_cast<TMMBFrm*>(child)
             : nullptr;
}

void TKestrowMainFrm::RefreshMMBWindows(const std::string& path) {
  MMBDataClass* data = FindMMBData(path);
  if (data == nullptr) {
    return;
  }
  for (ChildWindowClass* child : registry_->GetRelatedChildren(data)) {
    if (child->WindowKind() == ChildWindowClass::ChildKind::MMB) {
      static_cast<TMMBFrm*>(child)->FillSlotList();
    }
  }
  SetMenuButtons(ActiveChild());
}

std::vector<TDFSDiskFrm*> TKestrowMainFrm::MMBDiscWindows(const MMBDataClass& data) const {
  std::vector<TDFSDiskFrm*> windows;
  for (ChildWindowClass* child : registry_->ChildOrder()) {
    auto* disk = qobject_cast<TDFSDiskFrm*>(child);
    if (disk != nullptr && disk->Disk() != nullptr && data.File != nullptr &&
        disk->Disk()->HostFile() == data.File->HostFile()) {
      windows.push_back(disk);
    }
  }
  return windows;
}

// A disc open in a window keeps its slot as it is: the window's disk would no longer be
// the disc in the file.
void TKestrowMainFrm::ChangeSelectedSlots(
    TMMBFrm* window, const std::vector<MMBSlot>& chosen,
    const std::function<MMBResult(MMBFileClass&, int)>& change) {
  MMBDataClass* data = window != nullptr ? window->MMBData() : nullptr;
  if (data == nullptr || data->File == nullptr) {
    return;
  }
  std::string refusal;
  try {
    for (const MMBSlot& slot : chosen) {
      MMBResult result;
      if (registry_->FindDiskData(MMBDiscWindowPath(data->ImagePath, slot.Number)) != nullptr) {
        result = {MMBRefusal::DiscLocked, MMBDiscInUseMessage(slot.Number)};
      } else {
        result = change(*data->File, slot.Number);
      }
      if (!result && refusal.empty()) {
        refusal = result.message;
      }
    }
  } catch (const std::exception& error) {
    refusal = ChangeFailureMessage(error, kSlotChangeFailedMessage);
  }
  RefreshMMBWindows(data->ImagePath);
  if (!refusal.empty()) {
    Prompts().ShowMessage(refusal);
  }
}

void TKestrowMainFrm::MMBOpenDiscMnuItemClick() {
  if (TMMBFrm* window = ActiveMMBWindow()) {
    if (const MMBSlot* slot = window->CurrentSlot()) {
      OpenMMBDisc(window, slot->Number);
    }
  }
}

void TKestrowMainFrm::MMBLockMnuItemClick() {
  if (TMMBFrm* window = ActiveMMBWindow()) {
    ChangeSelectedSlots(window, window->SelectedSlots(), [](MMBFileClass& file, int number) {
      return file.SetLocked(number, true);
    });
  }
}

void TKestrowMainFrm::MMBUnLockMnuItemClick() {
  if (TMMBFrm* window = ActiveMMBWindow()) {
    ChangeSelectedSlots(window, window->SelectedSlots(), [](MMBFileClass& file, int number) {
      return file.SetLocked(number, false);
    });
  }
}

// Formatting a slot that holds a disc loses its files, so that is asked first.
void TKestrowMainFrm::MMBFormatMnuItemClick() {
  TMMBFrm* window = ActiveMMBWindow();
  if (window == nullptr) {
    return;
  }
  const std::vector<MMBSlot> chosen = window->SelectedSlots();
  // A locked disc is refused by the format itself, so it is not asked about.
  std::vector<MMBSlot> formatted;
  std::copy_if(chosen.begin(), chosen.end(), std::back_inserter(formatted),
               [](const MMBSlot& slot) { return slot.Status == MMBDiscStatus::ReadWrite; });
  if (!formatted.empty() && !ConfirmYesNo(MMBFormatQuestion(formatted))) {
    return;
  }
  ChangeSelectedSlots(window, chosen,
                      [](MMBFileClass& file, int number) { return file.Format(number); });
}

void TKestrowMainFrm::MMBKillMnuItemClick() {
  TMMBFrm* window = ActiveMMBWindow();
  if (window == nullptr) {
    return;
  }
  const std::vector<MMBSlot> chosen = window->SelectedSlots();
  std::vector<MMBSlot> killable;
  std::copy_if(chosen.begin(), chosen.end(), std::back_inserter(killable),
               [](const MMBSlot& slot) { return slot.Status != MMBDiscStatus::Locked; });
  if (!killable.empty() && !ConfirmYesNo(MMBKillQuestion(killable))) {
    return;
  }
  ChangeSelectedSlots(window, chosen,
                      [](MMBFileClass& file, int number) { return file.Kill(number); });
}

void TKestrowMainFrm::MMBImportMnuItemClick() {
  TMMBFrm* window = ActiveMMBWindow();
  const MMBSlot* slot = window != nullptr ? window->CurrentSlot() : nullptr;
  if (slot == nullptr) {
    return;
  }
  const int number = slot->Number;
  const std::string path = Prompts().AskOpenFileName({"single sided disk (ssd)|*.ssd", ""});
  if (!path.empty()) {
    ImportIntoSlot(window, number, path);
  }
}

void TKestrowMainFrm::ImportIntoSlot(TMMBFrm* window, int number, const std::string& imagePath) {
  MMBDataClass* data = window->MMBData();
  if (data == nullptr || data->File == nullptr) {
    return;
  }
  std::optional<MMBSlot> slot;
  try {
    slot = data->File->ReadSlot(number);
  } catch (const std::exception& error) {
    Prompts().ShowMessage(ChangeFailureMessage(error, kSlotChangeFailedMessage));
    return;
  }
  if (!slot) {
    return;
  }
  if (slot->Formatted() && slot->Status != MMBDiscStatus::Locked &&
      registry_->FindDiskData(MMBDiscWindowPath(data->ImagePath, number)) == nullptr &&
      !ConfirmYesNo(MMBReplaceQuestion(*slot, imagePath))) {
    return;
  }
  // The refusals (locked, open, too large, double-sided) come from the slot change.
  ChangeSelectedSlots(window, {*slot}, [&imagePath](MMBFileClass& file, int disc) {
    return file.Import(disc, imagePath);
  });
}

void TKestrowMainFrm::MMBExportMnuItemClick() {
  TMMBFrm* window = ActiveMMBWindow();
  const MMBSlot* slot = window != nullptr ? window->CurrentSlot() : nullptr;
  if (slot == nullptr) {
    return;
  }
  const int number = slot->Number;
  const std::string path = Prompts().AskSaveFileName({"single sided disk|*.ssd", "ssd"});
  if (path.empty()) {
    return;
  }
  try {
    if (MMBResult exported = window->MMBData()->File->Export(number, path); !exported) {
      Prompts().ShowMessage(exported.message);
    }
  } catch (const std::exception& error) {
    Prompts().ShowMessage(ChangeFailureMessage(error, kSlotChangeFailedMessage));
  }
}

void TKestrowMainFrm::SetMMBBootDisc(int drive) {
  TMMBFrm* window = ActiveMMBWindow();
  const MMBSlot* slot = window != nullptr ? window->CurrentSlot() : nullptr;
  if (slot == nullptr) {
    return;
  }
  const int number = slot->Number;
  MMBDataClass* data = window->MMBData();
  try {
    if (MMBResult set = data->File->SetBootDisc(drive, number); !set) {
      Prompts().ShowMessage(set.message);
    }
  } catch (const std::exception& error) {
    Prompts().ShowMessage(ChangeFailureMessage(error, kSlotChangeFailedMessage));
  }
  RefreshMMBWindows(data->ImagePath);
}

// ---- Closing ---------------------------------------------------------------------------

bool TKestrowMainFrm::MMBCloseQuery(ChildWindowClass* window) {
  auto* data = dynamic_cast<MMBDataClass*>(window->CommonData);
  if (ClosingAll || data == nullptr || registry_->CountRelatedChildren(data) != 1) {
    return true;
  }
  const std::vector<TDFSDiskFrm*> discs = MMBDiscWindows(*data);
  std::set<const ChildDataClass*> discData;
  for (TDFSDiskFrm* disc : discs) {
    discData.insert(disc->CommonData);
  }
  std::vector<ChildWindowClass*> inspectors;
  for (ChildWindowClass* child : registry_->ChildOrder()) {
    auto* file = dynamic_cast<InspectorDataClass*>(child->CommonData);
    if (child->WindowKind() == ChildWindowClass::ChildKind::Inspector && file != nullptr &&
        discData.count(file->ParentDisk) != 0) {
      inspectors.push_back(child);
    }
  }
  if (!ReviewChanges(inspectors)) {
    return false;
  }
  for (ChildWindowClass* inspector : inspectors) {
    ReleaseInspectorWindow(inspector);
  }
  // With their inspectors gone, the discs' own close queries ask nothing.
  for (TDFSDiskFrm* disc : discs) {
    disc->close();
  }
  return true;
}
