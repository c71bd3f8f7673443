// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers for tests that drive the main frame and its disk windows with real events.
#pragma once

#include <QStringList>
#include <Qt>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support_gui/DialogScript.h"

class QAction;
class QListWidget;
class QMenu;
class ChildWindowClass;
class TDFSDiskFrm;
class TFileInspectorFrm;
class TKestrowMainFrm;

// A shown main frame past its splash, with the temp area established.
std::unique_ptr<TKestrowMainFrm> MakeMainFrame();

// The window entries of the Window menu (the items after its second separator).
std::vector<QAction*> WindowEntries(const TKestrowMainFrm& frame);

// The Window menu's entries as text: a plain entry is its caption, an entry with a
// submenu is its caption followed by its sub-entries in brackets, joined by "|".
// E.g. "GAMES  [GAMES  |GAMES   # 2]".
QStringList WindowMenuOutline(const TKestrowMainFrm& frame);

// Closes the window and lets its pending destruction complete.
void CloseChild(ChildWindowClass* window);

// A real mouse click (press and release) on grid row row (1 = first file; 0 is the
// title row) of a disk window; a row past the last clicks below the last row.
void ClickGridRow(TDFSDiskFrm* window, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                  Qt::MouseButton button = Qt::LeftButton);

// The disk window's SelectedRows as a string of '1' and '0', e.g. "0110".
std::string SelectionMarkup(const TDFSDiskFrm* window);

// Selects rows by real clicks from a markup of '1' and '0' (one per file): a plain click
// on the first '1', Ctrl-clicks on the others. The last row clicked is the grid's current
// row.
void SelectRows(TDFSDiskFrm* window, const std::string& markup);

// The object names of the enabled fixed commands: menu items in menu order, then the
// toolbar buttons.
QStringList EnabledCommandNames(const TKestrowMainFrm& frame);

// A real mouse click on a toolbar button.
void ClickToolButton(const TKestrowMainFrm& frame, QAction* button);
// Opens the item's menu from the menu bar and clicks the item with the mouse.
void ClickMenuItem(const TKestrowMainFrm& frame, QMenu* menu, QAction* item);

// Column 1 of every listed file, trailing spaces removed.
QStringList ListedNames(const TDFSDiskFrm* window);

// Makes every later write to the window's image fail with a file-system error, as a disk
// that can no longer be written would; reads still work.
void MakeImageWritesFail(TDFSDiskFrm* window);

// Selects the rows of markup in the disk window by clicks and presses the toolbar's File
// Inspector; returns the inspector windows it opened, in the order they opened.
std::vector<TFileInspectorFrm*> OpenInspectors(TKestrowMainFrm& frame, TDFSDiskFrm* disk,
                                               const std::string& markup);

// Clicks the inspector's hex cell at offset and types the hex digits there.
void TypeHex(TFileInspectorFrm* window, int32_t offset, const QString& digits);

// Clicks the check box of one line of a check-list, as a user would.
void ClickListCheckBox(QListWidget* list, int row);

// Answers every Save changes dialog that appears while it lives: ticks the lines marked
// '1' in ticks by clicking their check boxes ("*" ticks them all with Ctrl+A), then
// clicks the button of that object name ("Save", "NoSave" or "Cancel").
class ReviewAnswer {
 public:
  ReviewAnswer(std::string ticks, QString button);
  int Shows = 0;
  QStringList Lines;  // the lines of the last review shown

 private:
  void Answer(QDialog* dialog);
  std::string ticks_;
  QString button_;
  DialogScript script_;
};
