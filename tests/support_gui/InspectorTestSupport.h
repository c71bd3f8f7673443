// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers for the inspector suites: windows opened on file data (support/InspectorData)
// as the main frame opens them, and the cells of their views.
#pragma once

#include <QMdiArea>
#include <QPoint>
#include <memory>
#include <string>
#include <vector>

#include "app/children/KestrowClasses.h"
#include "support/InspectorData.h"

class TFileInspectorFrm;

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
