// SPDX-License-Identifier: GPL-3.0-or-later
// The child-window base class, the common data shared by windows on one image or one
// file, the registry of that common data and the Window-menu entries of child windows.
#pragma once

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "disk/DFSUseful.h"
#include "util/Useful.h"

class QMenu;
class SMenuItem;
class TKestrowMainFrm;
class ChildWindowClass;
class InspectorDataClass;

// Common data of every window on one image (DiskDataClass) or one file of an image
// (InspectorDataClass).
class ChildDataClass {
 public:
  ChildDataClass();
  virtual ~ChildDataClass();
  ChildDataClass(const ChildDataClass&) = delete;
  ChildDataClass& operator=(const ChildDataClass&) = delete;

  std::string ImagePath;  // compared exactly, case-sensitive
  std::string DiskTitle;  // empty for an untitled disk
  // The drive of a double-sided image's side (0 or 2); kSingleSided for an image with
  // one side. The two sides share ImagePath and are told apart by it.
  int Side = kSingleSided;
  static constexpr int kSingleSided = -1;

  // " (side 0)" or " (side 2)" for a side of a double-sided image, empty otherwise; it
  // follows the image path wherever that is shown.
  std::string SideSuffix() const;
  // ImagePath followed by the side, as captions show it.
  std::string ImageCaption() const { return ImagePath + SideSuffix(); }

  // Non-zero number that stands for this object in the Tag of its Window-menu entries.
  int Tag() const { return tag_; }
  // The live object whose Tag() is tag, or nullptr (also for 0).
  static ChildDataClass* FromTag(int tag);

 private:
  int tag_;
};

// The common data of all disk windows on one image file; owns the open image.
class DiskDataClass : public ChildDataClass {
 public:
  std::unique_ptr<DFSDiskClass> Disk;
};

// Undo record kinds.
enum UndoKind : int32_t {
  kUndoRemoved = 1,
  kUndoInserted = 2,
  kUndoOverwritten = 3,
};

// One record of an inspector's undo history.
class UndoClass {
 public:
  int32_t Offset = 0;        // first offset the change touched
  SMemoryStream Bytes;       // Count bytes of the buffer from Offset, taken with the record
  int32_t Count = 0;         // number of bytes the change covered
  int32_t Kind = 0;          // an UndoKind
  int32_t OldSelStart = -1;  // selection before the change
  int32_t OldSelEnd = -1;
};

// The common data of all inspector windows on one file of one image: the working copy
// of its bytes, the selection and the undo history.
class InspectorDataClass : public ChildDataClass {
 public:
  int32_t SelStart = -1;
  int32_t SelEnd = -1;
  bool Changed = false;
  char Directory = '$';
  std::string Name;  // the catalogue name as held in the file's DFSFileClass
  bool Locked = false;
  SMemoryStream Buffer;
  std::string CaretPane;  // "Hex" or empty
  std::string Nibble;     // "Hi" or "Low"
  bool SaveMarked = false;
  int32_t OriginalSize = 0;
  // The file's addresses when the inspector opened, for a save after the file has left
  // the catalogue.
  int32_t OriginalLoadAddress = 0;
  int32_t OriginalExecAddress = 0;
  QString ClipboardFormat;  // the private clipboard MIME format, "Kestrow_V0_3"
  std::vector<std::unique_ptr<UndoClass>> UndoList;  // oldest first
  int32_t SearchFrom = 0;
  DiskDataClass* ParentDisk = nullptr;
};

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
