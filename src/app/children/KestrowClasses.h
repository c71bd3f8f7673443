// SPDX-License-Identifier: GPL-3.0-or-later
// The child-window base class, the registry of the common data shared by windows on one
// image or one file (KestrowData) and the Window-menu entries of child windows.
#pragma once

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/children/KestrowData.h"

class QMenu;
class SMenuItem;
class TDFSDiskFrm;
class TFileInspectorFrm;
class TKestrowMainFrm;

// The base of both child window kinds (disk windows and file inspectors): its window
// number, its common data and the hooks through which it reaches the main frame.
class ChildWindowClass : public QMdiSubWindow {
  Q_OBJECT
 public:
  enum class ChildKind { Other, Disk, Inspector, MMB };

  explicit ChildWindowClass(QWidget* parent = nullptr);
  ~ChildWindowClass() override;

  // Which window kind this is: disk, inspector or MMB; the registry knows no other.
  virtual ChildKind WindowKind() const { return ChildKind::Other; }
  // Sets the title bar text. The base does nothing.
  virtual void SetCaption();
  // Repaints what shows the common data after a change to it: the whole window here.
  virtual void RepaintContents();

  // ---- What the main frame forwards to the active child ----
  // The window as the disk window or the inspector it is; nullptr for the other kind.
  virtual TDFSDiskFrm* AsDiskWindow() { return nullptr; }
  virtual TFileInspectorFrm* AsInspector() { return nullptr; }
  // The inspector's common data; nullptr for a disk window and while closing.
  InspectorDataClass* InspectorData() const;
  // Edit, Select All. The base selects nothing.
  virtual void SelectAll() {}
  // Builds this window's Window-menu entry under parent; mode is the number of windows
  // on data including this one. Returns the entry (owned by the menu).
  virtual SMenuItem* CreateWindowMenuEntry(QMenu* parent, int mode, ChildDataClass* data);

  // True from the moment a close has been allowed; such a window no longer counts as a
  // child.
  bool IsClosing() const { return closing_; }

  int WindowNumber = 1;
  ChildDataClass* CommonData = nullptr;  // not owned; nullptr only while closing
  TKestrowMainFrm* MainFrame = nullptr;

  // Close query: false keeps the window open.
  std::function<bool(ChildWindowClass*)> OnCloseQuery;
  // Runs once a close has been allowed, before the window goes.
  std::function<void(ChildWindowClass*)> OnClosing;
  std::function<void(ChildWindowClass*)> OnUpdateCommands;
  std::function<void()> OnClearTempArea;
  std::function<void(ChildWindowClass*)> OnSetDragSource;
  std::function<ChildWindowClass*()> OnGetDragSource;
  std::function<void(ChildWindowClass*, bool)> OnSetEditing;
  std::function<InspectorDataClass*(const std::string&, char, const std::string&)> OnWindowExists;
  std::function<void(ChildWindowClass*)> OnRefillRelated;
  std::function<void(ChildWindowClass*)> OnRepaintRelated;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  bool closing_ = false;
};

// The registry of the main frame: the common data of every open child window (owned)
// and the queries over the MDI area's children.
class ChildRegistryClass {
 public:
  explicit ChildRegistryClass(QMdiArea* area) : area_(area) {}

  // The open children, most recently activated first; windows being closed are left out.
  std::vector<ChildWindowClass*> ChildOrder() const;

  ChildDataClass* GetCommonData(int index) const;
  ChildDataClass* GetFormCommonData(ChildWindowClass* window) const;
  void SetCommonData(ChildWindowClass* window, ChildDataClass* data) const;
  void SetCommonDataToNil(ChildDataClass* data) const;
  int GetChildIndex(ChildWindowClass* window) const;
  int CountRelatedChildren(ChildDataClass* data) const;
  std::vector<ChildWindowClass*> GetRelatedChildren(ChildDataClass* data) const;
  int CountFileInspectorWindows() const;
  int AllocateWindowNumber(ChildDataClass* data) const;
  // The disk data of the image at path; side picks a side of a double-sided image.
  DiskDataClass* FindDiskData(const std::string& path,
                              int side = ChildDataClass::kSingleSided) const;
  InspectorDataClass* WindowExists(const std::string& path, char directory, const std::string& name,
                                   int side = ChildDataClass::kSingleSided) const;
  // The inspector data on exactly entry of that image and side, so that each of two
  // namesakes has its own: the data's entry as the catalogue holds it now (its position,
  // checked against its name) is entry's position. Data whose entry has no position or
  // is no longer found is matched by name, as is an entry with no position.
  InspectorDataClass* InspectorOn(const std::string& path, const DFSFileClass& entry,
                                  int side = ChildDataClass::kSingleSided) const;
  // The first disk window in child order whose common data is diskData.
  ChildWindowClass* GetParentDisk(DiskDataClass* diskData) const;

  // Takes ownership of data and appends it to CommonDataList; returns it.
  ChildDataClass* AddCommonData(std::unique_ptr<ChildDataClass> data);
  // Removes data from CommonDataList and releases it (a disk's image first). Inspector
  // data left referring to a released disk loses its ParentDisk.
  void RemoveCommonData(ChildDataClass* data);

  std::vector<std::unique_ptr<ChildDataClass>> CommonDataList;

 private:
  QMdiArea* area_;
};

// Removes window's entry from menu (searching submenus), collapsing a submenu left with
// one entry into a plain entry for that window, which becomes window 1. True when an
// entry was removed.
bool DeleteWindowMenuEntry(QMenu* menu, ChildWindowClass* window);

// Click handler of window entries: brings the entry's window (a child of area) to the
// front unless the entry heads a submenu.
void SelectChild(QMdiArea* area, SMenuItem* entry);

// True for Window-menu entries (their tag is not 0), false for the fixed commands.
bool IsWindowEntry(const QAction* item);
// The live common data a Window-menu entry stands for, or nullptr (fixed commands, and
// entries whose data has been released).
ChildDataClass* EntryData(const QAction* item);
