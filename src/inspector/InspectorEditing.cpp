// SPDX-License-Identifier: GPL-3.0-or-later
#include "inspector/InspectorEditing.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <utility>

namespace {

const char* const kHexPane = "Hex";
const char* const kHighNibble = "Hi";
const char* const kLowNibble = "Low";

int HexDigitValue(char character) {
  char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(character)));
  if (upper >= '0' && upper <= '9') {
    return upper - '0';
  }
  if (upper >= 'A' && upper <= 'F') {
    return upper - 'A' + 10;
  }
  return -1;
}

bool IsArrow(EditKey key) {
  return key == EditKey::Left || key == EditKey::Up || key == EditKey::Right ||
         key == EditKey::Down;
}

}  // namespace

int32_t InspectorEditing::Size() const {
  return static_cast<int32_t>(data_.Buffer.Size());
}

bool InspectorEditing::HasCaret() const {
  return data_.SelStart != -1 && data_.SelStart == data_.SelEnd;
}

// ---- Mouse -------------------------------------------------------------------------

bool InspectorEditing::MouseDown(std::optional<HexHit> hit, bool shift) {
  data_.CaretPane.clear();
  data_.Nibble = kHighNibble;
  if (!hit) {
    return false;
  }
  if (hit->InHex) {
    data_.CaretPane = kHexPane;
  }
  if (shift) {
    data_.SelEnd = hit->Offset;
    if (data_.SelEnd < data_.SelStart) {
      std::swap(data_.SelStart, data_.SelEnd);
    }
  } else {
    data_.SelStart = data_.SelEnd = hit->Offset;
  }
  int32_t size = Size();
  if (data_.SelEnd == size) {
    data_.SelStart = data_.SelEnd = size;
  }
  if (data_.SelStart > size || data_.SelEnd > size) {
    data_.SelStart = data_.SelEnd = -1;
  }
  return true;
}

bool InspectorEditing::MouseMove(std::optional<HexHit> hit) {
  if (!hit || hit->Offset == data_.SelEnd) {
    return false;
  }
  data_.SelEnd = hit->Offset;
  return true;
}

void InspectorEditing::MouseUp() {
  if (data_.SelEnd < data_.SelStart) {
    std::swap(data_.SelStart, data_.SelEnd);
  }
}

// ---- Keys --------------------------------------------------------------------------

bool InspectorEditing::KeyDown(EditKey key, bool shift, bool control) {
  // Whatever the key does (it may raise), a lone start without an end is dropped.
  struct DropLoneStart {
    InspectorDataClass& data;
    ~DropLoneStart() {
      if (data.SelEnd == -1) {
        data.SelStart = -1;
      }
    }
  } dropLoneStart{data_};

  if (IsArrow(key) && data_.SelStart != -1) {
    control ? CursorKeyWithControl(key) : CursorKey(key, shift);
    return true;
  }
  if (key == EditKey::Backspace && data_.SelStart != -1) {
    BackSpaceKey();
  } else if (key == EditKey::Delete && data_.SelStart != -1) {
    DeleteKey();
  }
  return false;
}

void InspectorEditing::CursorKey(EditKey key, bool shift) {
  const int32_t size = Size();
  int32_t& start = data_.SelStart;
  int32_t& end = data_.SelEnd;
  // Without shift both ends move; with it only the one on that side.
  auto move = [&](int32_t& side, int32_t step) {
    if (shift) {
      side += step;
    } else {
      data_.SelStart += step;
      data_.SelEnd += step;
    }
  };
  if (key == EditKey::Left && start - 1 >= 0) {
    move(start, -1);
  } else if (key == EditKey::Right && end + 1 <= size) {
    move(end, 1);
  } else if (key == EditKey::Up && start - 16 >= 0) {
    move(start, -16);
  } else if (key == EditKey::Down && end + 16 < size) {
    move(end, 16);
  }
}

void InspectorEditing::CursorKeyWithControl(EditKey key) {
  const int32_t size = Size();
  int32_t& start = data_.SelStart;
  int32_t& end = data_.SelEnd;
  if (key == EditKey::Left && end >= 0) {
    end -= 1;
  } else if (key == EditKey::Right && start < size) {
    start += 1;
  } else if (key == EditKey::Up && end >= start) {
    end -= 16;
  } else if (key == EditKey::Down && start <= end) {
    start += 16;
  }
}

// ---- Typing ------------------------------------------------------------------------

bool InspectorEditing::KeyPress(char character, bool overType) {
  // A caret outside the data (Ctrl+Up can move one above offset 0) takes no typing.
  if (!HasCaret() || data_.SelStart < 0 || data_.SelStart > Size()) {
    return false;
  }
  if (data_.CaretPane == kHexPane) {
    int value = HexDigitValue(character);
    return value >= 0 && TypeHexDigit(value, overType);
  }
  auto code = static_cast<uint8_t>(character);
  return code >= 32 && code <= 126 && TypeCharacter(code, overType);
}

void InspectorEditing::PrepareByte(int32_t offset, bool insert) {
  if (insert) {
    InsertStreamBytes(data_.Buffer, 1, offset);
    Changed(offset, 1, offset, offset, kUndoInserted);
  } else {
    Changed(offset, 1, offset, offset, kUndoOverwritten);
  }
}

bool InspectorEditing::TypeHexDigit(int value, bool overType) {
  const int32_t caret = data_.SelStart;
  const bool atEnd = caret == Size();
  data_.Changed = true;
  // At the end position there is no byte whose low half could be set: a digit there
  // always starts a new byte.
  if (data_.Nibble != kLowNibble || atEnd) {
    PrepareByte(caret, atEnd || !overType);
    uint8_t old = ReadStreamByte(data_.Buffer, caret);
    WriteStreamByte(data_.Buffer, static_cast<uint8_t>((old & 0x0F) | (value << 4)), caret);
    data_.Nibble = kLowNibble;
    return true;
  }
  PrepareByte(caret, false);
  uint8_t old = ReadStreamByte(data_.Buffer, caret);
  WriteStreamByte(data_.Buffer, static_cast<uint8_t>((old & 0xF0) | value), caret);
  data_.Nibble = kHighNibble;
  ++data_.SelStart;
  ++data_.SelEnd;
  return true;
}

bool InspectorEditing::TypeCharacter(uint8_t code, bool overType) {
  const int32_t caret = data_.SelStart;
  PrepareByte(caret, caret == Size() || !overType);
  WriteStreamByte(data_.Buffer, code, caret);
  ++data_.SelStart;
  ++data_.SelEnd;
  return true;
}

// ---- Deleting ----------------------------------------------------------------------

void InspectorEditing::BackSpaceKey() {
  if (data_.SelStart == -1) {
    return;
  }
  if (data_.SelStart != data_.SelEnd) {
    DeleteSelection();
    return;
  }
  const int32_t caret = data_.SelStart;
  if (caret > 0) {
    Changed(caret - 1, 1, caret, caret, kUndoRemoved);
    DeleteStreamBytes(data_.Buffer, 1, caret - 1);
    --data_.SelStart;
    --data_.SelEnd;
  }
}

void InspectorEditing::DeleteKey() {
  if (data_.SelStart == -1) {
    return;
  }
  if (data_.SelStart == data_.SelEnd) {
    // The byte under the caret goes; the caret stays on its offset, which is then the
    // next byte or the new end position.
    const int32_t caret = data_.SelStart;
    if (caret < Size()) {
      Changed(caret, 1, caret, caret, kUndoRemoved);
      DeleteStreamBytes(data_.Buffer, 1, caret);
    }
  } else {
    DeleteSelection();
  }
  if (data_.SelStart > Size()) {
    data_.SelStart = data_.SelEnd = -1;
  }
}

std::pair<int32_t, int32_t> InspectorEditing::SelectedBytes() const {
  const int32_t low = std::min(data_.SelStart, data_.SelEnd);
  const int32_t high = std::max(data_.SelStart, data_.SelEnd);
  if (low < 0 || high >= Size()) {
    throw StreamReadError();
  }
  return {low, high - low + 1};
}

void InspectorEditing::DeleteSelection() {
  const auto [low, count] = SelectedBytes();
  Changed(low, count, data_.SelStart, data_.SelEnd, kUndoRemoved);
  DeleteStreamBytes(data_.Buffer, count, low);
  data_.SelStart = data_.SelEnd = -1;
}

// ---- Undo --------------------------------------------------------------------------

namespace {

constexpr int32_t kBytesPerRow = 16;

// The rows from the lower to the higher of two byte offsets; none without a caret.
std::optional<RowRange> SelectionRows(int32_t selStart, int32_t selEnd) {
  if (selStart < 0) {
    return std::nullopt;
  }
  const int32_t low = selEnd < 0 ? selStart : std::min(selStart, selEnd);
  const int32_t high = std::max(selStart, selEnd);
  return RowRange{low / kBytesPerRow, high / kBytesPerRow + 1};
}

}  // namespace

InspectorEditing::InspectorEditing(InspectorDataClass& data)
    : data_(data),
      startSize_(data.Buffer.Size()),
      startSelStart_(data.SelStart),
      startSelEnd_(data.SelEnd) {}

void InspectorEditing::MarkBytes(int64_t offset, int64_t count) {
  if (count > 0) {
    changedRows_.push_back({static_cast<int32_t>(offset / kBytesPerRow),
                            static_cast<int32_t>((offset + count - 1) / kBytesPerRow + 1)});
  }
}

RowsChanged InspectorEditing::ChangedRows() const {
  RowsChanged changed;
  changed.AllRows = data_.Buffer.Size() != startSize_;
  if (changed.AllRows) {
    return changed;
  }
  changed.Ranges = changedRows_;
  for (const std::optional<RowRange>& rows :
       {SelectionRows(startSelStart_, startSelEnd_), SelectionRows(data_.SelStart, data_.SelEnd)}) {
    if (rows) {
      changed.Ranges.push_back(*rows);
    }
  }
  return changed;
}

void InspectorEditing::Changed(int32_t offset, int32_t count, int32_t oldSelStart,
                               int32_t oldSelEnd, UndoKind kind) {
  // The record copies the bytes it covers, so nothing outside the data can be recorded.
  if (offset < 0 || count < 0 || int64_t{offset} + count > Size()) {
    throw StreamReadError();
  }
  auto record = std::make_unique<UndoClass>();
  record->Offset = offset;
  const auto& bytes = data_.Buffer.Bytes();
  record->Bytes =
      SMemoryStream(std::vector<uint8_t>(bytes.begin() + offset, bytes.begin() + offset + count));
  record->Count = count;
  record->Kind = kind;
  record->OldSelStart = oldSelStart;
  record->OldSelEnd = oldSelEnd;
  data_.UndoList.push_back(std::move(record));
  MarkBytes(offset, count);
  data_.Changed = true;
}

bool InspectorEditing::Undo() {
  if (data_.UndoList.empty()) {
    return false;
  }
  UndoClass& record = *data_.UndoList.back();
  const std::vector<uint8_t>& saved = record.Bytes.Bytes();
  MarkBytes(record.Offset, std::max<int64_t>(record.Count, static_cast<int64_t>(saved.size())));
  if (record.Kind == kUndoInserted) {
    DeleteStreamBytes(data_.Buffer, record.Count, record.Offset);
  } else {
    if (record.Kind == kUndoRemoved) {
      InsertStreamBytes(data_.Buffer, static_cast<int64_t>(saved.size()), record.Offset);
    }
    data_.Buffer.Seek(record.Offset);
    data_.Buffer.Write(saved.data(), saved.size());
  }
  data_.SelStart = record.OldSelStart;
  data_.SelEnd = record.OldSelEnd;
  data_.UndoList.pop_back();
  data_.Changed = true;
  data_.Nibble = kHighNibble;
  return true;
}

// ---- Find --------------------------------------------------------------------------

FindOutcome InspectorEditing::FindNext(const std::string& pattern, bool ignoreCase) {
  if (pattern.empty()) {
    return FindOutcome::NoPattern;
  }
  data_.Buffer.Seek(data_.SearchFrom);
  const int64_t found = SearchStream(data_.Buffer, pattern, ignoreCase);
  if (found >= 0) {
    const auto start = static_cast<int32_t>(found);
    data_.SearchFrom = start + 1;
    data_.SelStart = start;
    data_.SelEnd = start + static_cast<int32_t>(pattern.size()) - 1;
    return FindOutcome::Found;
  }
  if (data_.SearchFrom == 0) {
    return FindOutcome::NoneAtAll;
  }
  data_.SearchFrom = 0;
  return FindOutcome::Wrapped;
}

// ---- Clipboard ---------------------------------------------------------------------

bool InspectorEditing::SelectAll() {
  if (Size() == 0) {
    return false;
  }
  data_.SelStart = 0;
  data_.SelEnd = Size() - 1;
  return true;
}

namespace {

// One row of the text copy: "RRRRRR " then sixteen "HH " cells and sixteen characters,
// blank where the offset lies outside low..high.
std::string HexDumpLine(const std::vector<uint8_t>& bytes, int32_t row, int32_t low, int32_t high) {
  char cell[16];
  std::snprintf(cell, sizeof cell, "%06X ", static_cast<unsigned>(row));
  std::string line = cell;
  std::string characters;
  for (int32_t offset = row; offset < row + 16; ++offset) {
    if (offset < low || offset > high) {
      line += "   ";
      characters += ' ';
      continue;
    }
    const uint8_t byte = bytes[static_cast<size_t>(offset)];
    std::snprintf(cell, sizeof cell, "%02X ", byte);
    line += cell;
    characters += byte >= 32 && byte <= 126 ? static_cast<char>(byte) : '.';
  }
  return line + characters;
}

}  // namespace

std::string InspectorEditing::SelectionAsText() const {
  const auto [low, count] = SelectedBytes();
  const int32_t high = low + count - 1;
  std::string text;
  for (int32_t row = low - low % 16; row <= high; row += 16) {
    if (!text.empty()) {
      text += "\r\n";
    }
    text += HexDumpLine(data_.Buffer.Bytes(), row, low, high);
  }
  return text;
}

int32_t InspectorEditing::PasteOffset() const {
  if (data_.SelStart != data_.SelEnd) {
    return SelectedBytes().first;
  }
  if (data_.SelStart < 0 || data_.SelStart > Size()) {
    throw StreamReadError();
  }
  return data_.SelStart;
}

bool InspectorEditing::Paste(const std::vector<uint8_t>& bytes, bool overType) {
  if (data_.SelStart == -1 || bytes.empty()) {
    return false;
  }
  const int32_t at = PasteOffset();
  const int32_t size = Size();
  if (bytes.size() > static_cast<size_t>(INT32_MAX - size)) {
    throw StreamReadError();
  }
  const auto count = static_cast<int32_t>(bytes.size());
  if (overType && at != size) {
    // Overwriting never reaches past the last byte.
    if (at + count > size) {
      throw StreamReadError();
    }
    Changed(at, count, data_.SelStart, data_.SelEnd, kUndoOverwritten);
  } else {
    InsertStreamBytes(data_.Buffer, count, at);
    Changed(at, count, data_.SelStart, data_.SelEnd, kUndoInserted);
  }
  data_.Buffer.Seek(at);
  data_.Buffer.Write(bytes.data(), bytes.size());
  return true;
}
