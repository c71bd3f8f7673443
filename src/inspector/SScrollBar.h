// SPDX-License-Identifier: GPL-3.0-or-later
// A vertical scroll bar that works in pixels: it is told the height the view shows
// (WindowSize) and the height of everything there is to show (WorldSize).
#pragma once

#include <QScrollBar>

class TSScrollBar : public QScrollBar {
  Q_OBJECT
 public:
  explicit TSScrollBar(QWidget* parent = nullptr);

  int WindowSize = 0;
  int WorldSize = 0;

  // Derives the range, the page step and the enabled state from WindowSize and
  // WorldSize; the position stays inside the new range. The minimum stays 0.
  void UpdateBar();

 protected:
  void resizeEvent(QResizeEvent* event) override;
};
