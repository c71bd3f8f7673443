// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers for the inspector suites: file data built from bytes, windows opened on it as
// the main frame opens them, and a short markup for bytes with their caret or selection.
#pragma once

#include <QMdiArea>
#include <QPoint>
#include <memory>
#include <string>
#include <vector>

#include "app/children/KestrowClasses.h"

class TFileInspectorFrm;

// The markup: each byte as its character ("{A5}" in hex for bytes outside 33..126 and
// for the markup characters |[]{}()), '|' before the caret's byte (or at the end for
// the end position), '[' before the first and ']' after the last selected byte. States
// the markup cannot show (a reversed selection, ends outside the data, a lone end) are
// written as the bytes followed by " (SelStart,SelEnd)".
std::string InspectorMarkup(const InspectorDataClass& data);
// Sets Buffer, SelStart and SelEnd from markup; "abc (5,4)" sets the pair directly.
void SetFromMarkup(InspectorDataClass& data, const std::string& markup);

// One file of one disk: the disk's data and the file's data, titled "GAMES", file
// "$.PROG" in "/images/games.ssd".
struct InspectedFile {
  explicit InspectedFile(std::vector<uint8_t> bytes, bool locked = false);
  std::unique_ptr<DiskDataClass> Disk;
  std::unique_ptr<InspectorDataClass> Data;
};

// An MDI area with inspector windows opened on one file the way the main frame opens
// them; the repaint hook repaints every window of the area on the same data.
class InspectorDesk {
 public:
  InspectorDesk();
  ~InspectorDesk();
  // Opens, shows and activates a window on data with the given number.
  TFileInspectorFrm* Open(InspectorDataClass& data, int windowNumber = 1);
  QMdiArea& Area() { return area_; }
  int RepaintCalls() const { return repaintCalls_; }

 private:
  QMdiArea area_;
  int repaintCalls_ = 0;
};

// The centre of a byte's hex pair or character cell in the window's view, at the
// present scroll position.
QPoint HexCellCentre(const TFileInspectorFrm& window, int32_t offset);
QPoint CharCellCentre(const TFileInspectorFrm& window, int32_t offset);

// n bytes from a fixed pseudo-random sequence.
std::vector<uint8_t> PatternBytes(size_t count, uint32_t seed = 1);
