// SPDX-License-Identifier: GPL-3.0-or-later
// The caret, selection, typing, deleting and undo of a file inspector, done on the data
// shared by every window on the file; no widget involved, so tests drive it directly.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/children/KestrowData.h"
#include "inspector/HexLayout.h"

// The keys the editing reacts to on key-down.
enum class EditKey { Left, Up, Right, Down, Backspace, Delete, Other };

// What one step of a search came to.
enum class FindOutcome {
  Found,      // the occurrence is selected
  NoneAtAll,  // a search from the start found nothing
  Wrapped,    // nothing after the last occurrence; the next search starts again at 0
  NoPattern,  // nothing to look for
};

// Operations that would read or remove bytes outside the data (a selection that runs
// past the last byte or onto the end position) raise StreamReadError before changing
// anything; the window shows the error's text.
class InspectorEditing {
 public:
  explicit InspectorEditing(InspectorDataClass& data);

  // The rows of 16 bytes the steps taken through this object changed on screen: those
  // of the bytes they changed and of the caret and selection before and after; every
  // row when the size changed.
  RowsChanged ChangedRows() const;

  // Places the caret or, with shift, moves the selection's end. hit is the byte under
  // the pointer or nothing. Returns true when the view must repaint.
  bool MouseDown(std::optional<HexHit> hit, bool shift);
  // Drags the selection's end to hit (no limit to the data); true when it moved.
  bool MouseMove(std::optional<HexHit> hit);
  // Puts the selection's ends in order.
  void MouseUp();

  // The editing part of key-down: arrows (with shift or control), Backspace, Delete.
  // Returns true when the key was consumed (an arrow while there is a caret). Every key
  // ends by dropping SelStart when SelEnd is -1.
  bool KeyDown(EditKey key, bool shift, bool control);
  void CursorKey(EditKey key, bool shift);
  void CursorKeyWithControl(EditKey key);

  // Types one character at the caret: a hex digit in the hex column, a printable
  // character in the character column. Returns true when the bytes changed.
  bool KeyPress(char character, bool overType);

  void BackSpaceKey();
  // Removes the byte under the caret (recorded for undo), or the selection.
  void DeleteKey();
  // Removes the selected bytes, recorded for undo; no caret afterwards.
  void DeleteSelection();
  // The first selected byte and the number of bytes from it to the last, whichever end
  // is lower. Raises StreamReadError when the selection runs outside the data, so that
  // deleting, copying or overwriting it stops before anything changes.
  std::pair<int32_t, int32_t> SelectedBytes() const;
  // Records count bytes from offset in a new undo record and sets the Changed flag.
  void Changed(int32_t offset, int32_t count, int32_t oldSelStart, int32_t oldSelEnd,
               UndoKind kind);
  // Reverses the newest undo record; false when there is none.
  bool Undo();

  // Looks for pattern (bytes, 00 included) from SearchFrom on and selects the first
  // occurrence. SearchFrom then stands one past the occurrence's start, so overlapping
  // occurrences are found in turn.
  FindOutcome FindNext(const std::string& pattern, bool ignoreCase);
  // Selects every byte; false for an empty buffer, which has nothing to select.
  bool SelectAll();
  // The selection as hex-dump text: one 71-character line per row of 16 bytes touched
  // (offset, hex pairs, characters; unselected cells blank), joined by CR LF.
  std::string SelectionAsText() const;
  // Inserts the bytes at the caret or in front of the selection, or overwrites as many
  // bytes from there in overtype mode (appending at the end position), as one undo step.
  // The caret or selection keeps its offsets. Raises StreamReadError, changing nothing,
  // when the selection runs outside the data or an overwrite would pass the last byte.
  // Returns true when the bytes changed.
  bool Paste(const std::vector<uint8_t>& bytes, bool overType);

 private:
  int32_t Size() const;
  bool HasCaret() const;
  bool TypeHexDigit(int value, bool overType);
  bool TypeCharacter(uint8_t code, bool overType);
  // Opens a one-byte gap at offset (recorded as inserted) or records the byte there as
  // about to be overwritten.
  void PrepareByte(int32_t offset, bool insert);
  // Where a paste goes: the caret (the end position included) or the selection's first
  // byte. Raises StreamReadError for a caret or selection outside the data.
  int32_t PasteOffset() const;

  // Notes that the bytes [offset, offset + count) change.
  void MarkBytes(int64_t offset, int64_t count);

  InspectorDataClass& data_;
  const int64_t startSize_;
  const int32_t startSelStart_;
  const int32_t startSelEnd_;
  std::vector<RowRange> changedRows_;
};
