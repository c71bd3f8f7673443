// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/children/KestrowClasses.h"

#include <QCloseEvent>
#include <QMenu>
#include <algorithm>

#include "disk/FileOperations.h"
#include "platform/Prompts.h"
#include "util/UsefulQt.h"

namespace {

std::string ClassName(const ChildWindowClass* window) {
  return window->metaObject()->className();
}

bool IsKnownKind(const ChildWindowClass* window) {
  return window->WindowKind() != ChildWindowClass::ChildKind::Other;
}

// The first item of menu that stands for data, or nullptr.
QAction* FindEntryFor(QMenu* menu, const ChildDataClass* data) {
  for (QAction* item : menu->actions()) {
    if (EntryData(item) == data) {
      return item;
    }
  }
  return nullptr;
}

std::string EntryCaption(const ChildWindowClass* window, const ChildDataClass* data) {
  std::string caption = data->DiskTitle.empty() ? "Untitled disk" : data->DiskTitle;
  if (auto* inspector = dynamic_cast<const InspectorDataClass*>(data)) {
    // An inspected file's entry starts with the bare title, which may be empty.
    caption = data->DiskTitle + "." + inspector->Directory + "." + inspector->Name;
  }
  caption += "  ";
  if (window->WindowNumber != 1) {
    caption += " # " + std::to_string(window->WindowNumber);
  }
  return caption + data->SideSuffix();
}

// Places a first inspector entry after its disk's entry and the file entries that
// already follow it; at the end when the disk has no entry.
void InsertInspectorEntry(QMenu* parent, SMenuItem* entry, const InspectorDataClass* data) {
  const QList<QAction*> items = parent->actions();
  qsizetype position = 0;
  while (position < items.size() && EntryData(items[position]) != data->ParentDisk) {
    ++position;
  }
  if (position < items.size()) {
    ++position;
    while (position < items.size() &&
           dynamic_cast<InspectorDataClass*>(EntryData(items[position])) != nullptr) {
      ++position;
    }
  }
  if (position < items.size()) {
    parent->insertAction(items[position], entry);
  } else {
    parent->addAction(entry);
  }
}

// Turns head into a submenu listing a copy of itself (the first window) and entry.
void MakeSubmenu(QMenu* parent, QAction* head, SMenuItem* entry) {
  auto* submenu = new QMenu(parent);
  submenu->setStyle(parent->style());
  auto* sourceItem = qobject_cast<SMenuItem*>(head);
  submenu->addAction(CloneMenuItem(submenu, sourceItem));
  entry->setParent(submenu);
  submenu->addAction(entry);
  head->setMenu(submenu);
}

// The collapse of a submenu left with one entry: head takes over that entry's window,
// which becomes window 1.
void CollapseSubmenu(SMenuItem* head) {
  QMenu* submenu = head->menu();
  auto* remaining = qobject_cast<SMenuItem*>(submenu->actions().value(0));
  ChildWindowClass* window = remaining->ChildWindow;
  head->ChildWindow = window;
  head->setMenu(static_cast<QMenu*>(nullptr));
  delete remaining;
  submenu->deleteLater();
  if (window != nullptr) {
    window->WindowNumber = 1;
    window->SetCaption();
  }
}

}  // namespace

// ---- Common data ---------------------------------------------------------------------

bool IsWindowEntry(const QAction* item) {
  auto* entry = qobject_cast<const SMenuItem*>(item);
  return entry != nullptr && entry->Tag != 0;
}

ChildDataClass* EntryData(const QAction* item) {
  auto* entry = qobject_cast<const SMenuItem*>(item);
  return entry == nullptr ? nullptr : ChildDataClass::FromTag(entry->Tag);
}

// ---- Child window base ---------------------------------------------------------------

ChildWindowClass::ChildWindowClass(QWidget* parent) : QMdiSubWindow(parent) {
  setAttribute(Qt::WA_DeleteOnClose);
}

ChildWindowClass::~ChildWindowClass() = default;

void ChildWindowClass::RepaintContents() {
  if (widget() != nullptr) {
    widget()->update();
  }
  update();
}

void ChildWindowClass::SetCaption() {}

InspectorDataClass* ChildWindowClass::InspectorData() const {
  return WindowKind() == ChildKind::Inspector ? dynamic_cast<InspectorDataClass*>(CommonData)
                                              : nullptr;
}

SMenuItem* ChildWindowClass::CreateWindowMenuEntry(QMenu* parent, int mode, ChildDataClass* data) {
  auto* entry = new SMenuItem(parent);
  entry->setText(QString::fromLatin1(EntryCaption(this, data)));
  entry->Tag = data->Tag();
  entry->ChildWindow = this;
  auto* inspectorData = dynamic_cast<InspectorDataClass*>(data);
  QAction* head = mode >= 2 ? FindEntryFor(parent, data) : nullptr;
  if (head == nullptr && inspectorData != nullptr) {
    InsertInspectorEntry(parent, entry, inspectorData);
  } else if (head == nullptr) {
    parent->addAction(entry);
  } else if (head->menu() == nullptr) {
    MakeSubmenu(parent, head, entry);
  } else {
    entry->setParent(head->menu());
    head->menu()->addAction(entry);
  }
  return entry;
}

void ChildWindowClass::closeEvent(QCloseEvent* event) {
  if (!closing_) {
    if (OnCloseQuery && !OnCloseQuery(this)) {
      event->ignore();
      return;
    }
    closing_ = true;
    if (OnClosing) {
      OnClosing(this);
    }
  }
  QMdiSubWindow::closeEvent(event);
}

// ---- Registry ------------------------------------------------------------------------

std::vector<ChildWindowClass*> ChildRegistryClass::ChildOrder() const {
  std::vector<ChildWindowClass*> order;
  const QList<QMdiSubWindow*> history = area_->subWindowList(QMdiArea::ActivationHistoryOrder);
  for (auto it = history.rbegin(); it != history.rend(); ++it) {
    auto* child = qobject_cast<ChildWindowClass*>(*it);
    if (child != nullptr && !child->IsClosing()) {
      order.push_back(child);
    }
  }
  return order;
}

ChildDataClass* ChildRegistryClass::GetCommonData(int index) const {
  const std::vector<ChildWindowClass*> order = ChildOrder();
  if (index < 0 || index >= static_cast<int>(order.size())) {
    return nullptr;
  }
  return GetFormCommonData(order[index]);
}

ChildDataClass* ChildRegistryClass::GetFormCommonData(ChildWindowClass* window) const {
  if (!IsKnownKind(window)) {
    Prompts().ShowMessage("You have not created a TKestrowMainFrm.GetCommonData entry for " +
                          ClassName(window));
    return nullptr;
  }
  return window->CommonData;
}

void ChildRegistryClass::SetCommonData(ChildWindowClass* window, ChildDataClass* data) const {
  if (!IsKnownKind(window)) {
    Prompts().ShowMessage("You have not created a TKestrowMainFrm.SetCommonData entry for " +
                          ClassName(window));
    return;
  }
  window->CommonData = data;
}

void ChildRegistryClass::SetCommonDataToNil(ChildDataClass* data) const {
  for (QMdiSubWindow* sub : area_->subWindowList()) {
    auto* child = qobject_cast<ChildWindowClass*>(sub);
    if (child != nullptr && child->CommonData == data) {
      child->CommonData = nullptr;
    }
  }
}

int ChildRegistryClass::GetChildIndex(ChildWindowClass* window) const {
  const std::vector<ChildWindowClass*> order = ChildOrder();
  auto found = std::find(order.begin(), order.end(), window);
  return found == order.end() ? -1 : static_cast<int>(found - order.begin());
}

int ChildRegistryClass::CountRelatedChildren(ChildDataClass* data) const {
  return data == nullptr ? 0 : static_cast<int>(GetRelatedChildren(data).size());
}

std::vector<ChildWindowClass*> ChildRegistryClass::GetRelatedChildren(ChildDataClass* data) const {
  std::vector<ChildWindowClass*> related;
  for (ChildWindowClass* child : ChildOrder()) {
    if (child->CommonData == data) {
      related.push_back(child);
    }
  }
  return related;
}

int ChildRegistryClass::CountFileInspectorWindows() const {
  int count = 0;
  for (ChildWindowClass* child : ChildOrder()) {
    if (child->WindowKind() == ChildWindowClass::ChildKind::Inspector &&
        child->CommonData != nullptr) {
      ++count;
    }
  }
  return count;
}

int ChildRegistryClass::AllocateWindowNumber(ChildDataClass* data) const {
  if (data == nullptr) {
    return 1;
  }
  std::vector<int> numbers;
  for (ChildWindowClass* child : GetRelatedChildren(data)) {
    numbers.push_back(child->WindowNumber);
  }
  std::sort(numbers.begin(), numbers.end());
  int number = 1;
  while (number <= static_cast<int>(numbers.size()) && numbers[number - 1] == number) {
    ++number;
  }
  return number;
}

DiskDataClass* ChildRegistryClass::FindDiskData(const std::string& path, int side) const {
  for (const auto& data : CommonDataList) {
    auto* disk = dynamic_cast<DiskDataClass*>(data.get());
    if (disk != nullptr && disk->ImagePath == path && disk->Side == side) {
      return disk;
    }
  }
  return nullptr;
}

InspectorDataClass* ChildRegistryClass::WindowExists(const std::string& path, char directory,
                                                     const std::string& name, int side) const {
  for (const auto& data : CommonDataList) {
    auto* file = dynamic_cast<InspectorDataClass*>(data.get());
    if (file != nullptr && file->ImagePath == path && file->Side == side &&
        file->Directory == directory && file->Name == name) {
      return file;
    }
  }
  return nullptr;
}

namespace {

// Where data's entry is in the catalogue now; -1 when that cannot be told.
int32_t CurrentPosition(InspectorDataClass& data) {
  if (data.Entry.CatalogueIndex < 0 || data.ParentDisk == nullptr ||
      data.ParentDisk->Disk == nullptr) {
    return -1;
  }
  try {
    std::optional<DFSFileClass> found = FindSameEntry(*data.ParentDisk->Disk, data.Entry);
    return found ? found->CatalogueIndex : -1;
  } catch (const std::exception&) {
    return -1;
  }
}

}  // namespace

InspectorDataClass* ChildRegistryClass::InspectorOn(const std::string& path,
                                                    const DFSFileClass& entry, int side) const {
  InspectorDataClass* byName = nullptr;
  for (const auto& data : CommonDataList) {
    auto* file = dynamic_cast<InspectorDataClass*>(data.get());
    if (file == nullptr || file->ImagePath != path || file->Side != side ||
        file->Directory != entry.Directory || file->Name != entry.Name) {
      continue;
    }
    const int32_t position = entry.CatalogueIndex < 0 ? -1 : CurrentPosition(*file);
    if (position >= 0 && position == entry.CatalogueIndex) {
      return file;
    }
    if (position < 0 && byName == nullptr) {
      byName = file;
    }
  }
  return byName;
}

ChildWindowClass* ChildRegistryClass::GetParentDisk(DiskDataClass* diskData) const {
  for (ChildWindowClass* child : ChildOrder()) {
    if (child->WindowKind() == ChildWindowClass::ChildKind::Disk && child->CommonData == diskData) {
      return child;
    }
  }
  return nullptr;
}

ChildDataClass* ChildRegistryClass::AddCommonData(std::unique_ptr<ChildDataClass> data) {
  CommonDataList.push_back(std::move(data));
  return CommonDataList.back().get();
}

void ChildRegistryClass::RemoveCommonData(ChildDataClass* data) {
  auto found = std::find_if(CommonDataList.begin(), CommonDataList.end(),
                            [data](const auto& held) { return held.get() == data; });
  if (found == CommonDataList.end()) {
    return;
  }
  if (auto* disk = dynamic_cast<DiskDataClass*>(data)) {
    disk->Disk.reset();
    for (const auto& held : CommonDataList) {
      auto* file = dynamic_cast<InspectorDataClass*>(held.get());
      if (file != nullptr && file->ParentDisk == disk) {
        file->ParentDisk = nullptr;
      }
    }
  }
  CommonDataList.erase(found);
}

// ---- Window menu ---------------------------------------------------------------------

bool DeleteWindowMenuEntry(QMenu* menu, ChildWindowClass* window) {
  for (QAction* item : menu->actions()) {
    if (!IsWindowEntry(item)) {
      continue;
    }
    auto* entry = static_cast<SMenuItem*>(item);
    if (entry->menu() != nullptr) {
      if (DeleteWindowMenuEntry(entry->menu(), window)) {
        if (entry->menu()->actions().size() == 1) {
          CollapseSubmenu(entry);
        }
        return true;
      }
    } else if (entry->ChildWindow == window) {
      delete entry;
      return true;
    }
  }
  return false;
}

void SelectChild(QMdiArea* area, SMenuItem* entry) {
  if (entry->menu() != nullptr) {
    return;
  }
  const QList<QMdiSubWindow*> children = area->subWindowList();
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    if (*it == entry->ChildWindow) {
      if ((*it)->isMinimized()) {
        (*it)->showNormal();
      }
      (*it)->show();
      area->setActiveSubWindow(*it);
      (*it)->raise();
      return;
    }
  }
}
