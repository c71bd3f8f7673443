// SPDX-License-Identifier: GPL-3.0-or-later
// The Screen tab's palette: one swatch per logical colour of the mode, showing the
// physical colour it is drawn in. A click on a swatch gives it the next of the eight
// physical colours, a right-click the one before, round the ends.
#pragma once

#include <QWidget>
#include <vector>

#include "decode/ScreenModes.h"

class QToolButton;

class PaletteEditor : public QWidget {
  Q_OBJECT
 public:
  explicit PaletteEditor(QWidget* parent = nullptr);

  // Shows swatches for logical colours 0 to colours - 1 of palette; 0 shows none.
  void SetPalette(const ScreenPalette& palette, int colours);
  const ScreenPalette& Palette() const { return palette_; }
  int Colours() const { return static_cast<int>(swatches_.size()); }
  QToolButton* Swatch(int logical) const { return swatches_.at(static_cast<size_t>(logical)); }

 signals:
  // After the user changed a logical colour.
  void PaletteChanged();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Step(int logical, int by);
  void ShowSwatch(int logical);

  ScreenPalette palette_{};
  std::vector<QToolButton*> swatches_;
};
