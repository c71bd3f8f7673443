// SPDX-License-Identifier: GPL-3.0-or-later
// The common data shared by the windows on one image or one file: plain data without
// any window, so that the editing rules built on it need no toolkit.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "disk/DFSUseful.h"
#include "inspector/HexLayout.h"
#include "util/Useful.h"

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
  std::string ClipboardFormat;  // the private clipboard MIME format, "Kestrow_V0_3"
  std::vector<std::unique_ptr<UndoClass>> UndoList;  // oldest first
  int32_t SearchFrom = 0;
  DiskDataClass* ParentDisk = nullptr;
  // The catalogue entry being edited (its position, start sector and length), as read
  // when the inspector opened or written by its last save; a position of -1 stands for
  // the file of that directory and name.
  DFSFileClass Entry = UnplacedEntry();
  // The rows the last change touched, for every window on the data to repaint.
  RowsChanged LastChange;

 private:
  static DFSFileClass UnplacedEntry() {
    DFSFileClass entry;
    entry.CatalogueIndex = -1;
    return entry;
  }
};
