// SPDX-License-Identifier: GPL-3.0-or-later
// The inspector's "Screen" tab: the file read as BBC Micro screen memory and shown as
// the picture it makes, with a choice of mode (the guess marked "guessed"), a palette
// editor and "Save as PNG…". It covers the work area while its tab shows and draws
// from the working copy, again whenever the copy has changed, so an edit in the Hex
// tab of any window on the file shows at once.
#pragma once

#include <QImage>
#include <QWidget>
#include <memory>
#include <optional>

// The core's types stay out of this header: the inspector that includes it has colour
// names of its own.
struct ScreenGuess;
struct ScreenRaster;

class PaletteEditor;
class QComboBox;
class QLabel;
class QPushButton;
class TFileInspectorFrm;

class ScreenTab : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kScreenTab = 4;

  // Builds the tab inside the window's view; it shows itself when its tab is chosen.
  explicit ScreenTab(TFileInspectorFrm& window);
  ~ScreenTab() override;

  QComboBox* ModeChoice() const { return modeChoice_; }
  PaletteEditor* Palette() const { return palette_; }
  QPushButton* SaveButton() const { return saveButton_; }
  QLabel* Note() const { return note_; }
  QWidget* Picture() const { return picture_; }

  int Mode() const { return mode_; }
  const ScreenGuess& Guess() const;
  // The picture at the mode's native grid, drawn afresh when the bytes have changed.
  const ScreenRaster& Raster();
  // Where the picture is drawn inside Picture().
  QRect PictureRect() const;

  // Asks for a file name and writes the picture there as a PNG, one pixel per BBC pixel;
  // a failure is shown and leaves no partial file.
  void SaveAsPng();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Refresh();
  void ChooseMode(int mode);
  void ShowModeChoice();
  void Redraw();
  void LayOut();
  void PaintPicture();
  void TabChanged();

  TFileInspectorFrm& window_;
  QComboBox* modeChoice_ = nullptr;
  PaletteEditor* palette_ = nullptr;
  QLabel* fixedColours_ = nullptr;
  QPushButton* saveButton_ = nullptr;
  QLabel* note_ = nullptr;
  QWidget* picture_ = nullptr;

  struct Drawing;
  std::unique_ptr<Drawing> drawing_;  // the bytes last drawn, their guess and picture
  std::optional<int> chosenMode_;     // the user's choice, which outlasts a new guess
  int mode_ = 0;
  QImage image_;
};
