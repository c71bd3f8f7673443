// SPDX-License-Identifier: GPL-3.0-or-later
#include "support_gui/InspectorTestSupport.h"

#include <QTest>
#include <random>
#include <stdexcept>

#include "inspector/FileInspector.h"
#include "inspector/SScrollBar.h"

InspectorDesk::InspectorDesk() {
  area_.resize(900, 700);
  area_.show();
}

InspectorDesk::~InspectorDesk() {
  // Windows go before the data the test owns.
  for (QMdiSubWindow* window : area_.subWindowList()) {
    delete window;
  }
}

TFileInspectorFrm* InspectorDesk::Open(InspectorDataClass& data, int windowNumber) {
  auto* window = new TFileInspectorFrm;
  window->CommonData = &data;
  window->OnRepaintRelated = [this](ChildWindowClass* source) {
    ++repaintCalls_;
    for (QMdiSubWindow* child : area_.subWindowList()) {
      auto* inspector = dynamic_cast<TFileInspectorFrm*>(child);
      if (inspector != nullptr && inspector->CommonData == source->CommonData) {
        inspector->RepaintContents();
      }
    }
  };
  window->ShowOriginalSize(data.OriginalSize);
  window->Init();
  area_.addSubWindow(window);
  window->show();
  area_.setActiveSubWindow(window);
  window->WindowNumber = windowNumber;
  window->SetCaption();
  if (!QTest::qWaitForWindowExposed(&area_)) {
    throw std::runtime_error("The inspector's MDI area was never shown");
  }
  return window;
}

QPoint HexCellCentre(const TFileInspectorFrm& window, int32_t offset) {
  const HexLayout& layout = window.Layout();
  return {layout.HexX(offset % 16) + layout.HexWidth / 2,
          layout.RowTop(offset / 16, window.VScrollBar->value()) + layout.RowHeight / 2};
}

QPoint CharCellCentre(const TFileInspectorFrm& window, int32_t offset) {
  const HexLayout& layout = window.Layout();
  return {layout.CharX(offset % 16) + layout.CharWidth / 2,
          layout.RowTop(offset / 16, window.VScrollBar->value()) + layout.RowHeight / 2};
}

std::vector<uint8_t> PatternBytes(size_t count, uint32_t seed) {
  std::mt19937 generator(seed);
  std::vector<uint8_t> bytes(count);
  for (uint8_t& byte : bytes) {
    byte = static_cast<uint8_t>(generator());
  }
  return bytes;
}
