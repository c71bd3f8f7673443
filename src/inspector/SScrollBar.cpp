// SPDX-License-Identifier: GPL-3.0-or-later
#include "inspector/SScrollBar.h"

TSScrollBar::TSScrollBar(QWidget* parent) : QScrollBar(Qt::Vertical, parent) {
  setRange(0, 0);
  setPageStep(0);
  setEnabled(false);
  setFocusPolicy(Qt::NoFocus);
}

void TSScrollBar::UpdateBar() {
  if (WorldSize > WindowSize) {
    // The page is one pixel taller than the view, so the last position shows the last
    // row's bottom at the view's bottom.
    setPageStep(WindowSize + 1);
    setMaximum(WorldSize - WindowSize);
    setEnabled(true);
  } else {
    setValue(0);
    setMaximum(0);
    setEnabled(false);
  }
}

void TSScrollBar::resizeEvent(QResizeEvent* event) {
  UpdateBar();
  QScrollBar::resizeEvent(event);
}
