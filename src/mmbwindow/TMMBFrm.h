// SPDX-License-Identifier: GPL-3.0-or-later
// The MMB window: the slots of one MMB file as a grid of disc number, title and status,
// narrowed by a filter as the user types, with the file's figures in the status bar.
// A disc opens in an ordinary disk window; an image dropped on a slot is imported into
// it, and slots dragged out arrive as ".ssd" files.
#pragma once

#include <QList>
#include <QPoint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/children/KestrowClasses.h"
#include "disk/MMBFile.h"

class MMBSlotModel;
class QAction;
class QDropEvent;
class QLabel;
class QLineEdit;
class QStatusBar;
class QTableView;

// The common data of every MMB window on one MMB file; owns the open file. ImagePath is
// the file's path and DiskTitle its name, for the Window menu.
class MMBDataClass : public ChildDataClass {
 public:
  std::unique_ptr<MMBFileClass> File;
};

class TMMBFrm : public ChildWindowClass {
  Q_OBJECT
 public:
  static constexpr int kWindowWidth = 330;
  static constexpr int kClientHeight = 420;

  explicit TMMBFrm(QWidget* parent = nullptr);
  ~TMMBFrm() override;

  ChildKind WindowKind() const override { return ChildKind::MMB; }
  // "MMB file", " # " and the number when it is not 1, then a space and the path.
  void SetCaption() override;
  MMBDataClass* MMBData() const;

  // Reads the index afresh into the grid and the status bar; the discs that were
  // selected stay selected when they are still listed.
  void FillSlotList();
  // The selected slots, in row order.
  std::vector<MMBSlot> SelectedSlots() const;
  // The slot of the grid's current row, if any row is current.
  const MMBSlot* CurrentSlot() const;
  // Selects the listed rows of these discs (and nothing else); the first is made current.
  void SelectDiscs(const std::vector<int>& numbers);
  int ListedSlots() const;
  // The slot a grid row (0 = first listed) shows.
  const MMBSlot& ListedSlot(int row) const;
  // A row's rectangle in grid viewport coordinates.
  QRect SlotRowRect(int row) const;

  // ---- Dragging out ----
  // Exports the selected formatted slots into the emptied temp area; their file names
  // there, in row order. Nothing (after a message) when the temp area is not usable.
  std::vector<std::string> ExportSelectionToTempArea();

  QLineEdit* FilterEdit;
  QTableView* MMBSlots;
  QStatusBar* StatusBar;
  QLabel* SummaryPanel;
  QLabel* BootPanel;
  std::string TempAreaPath;
  // The commands of the slot context menu, owned by the main frame.
  QList<QAction*> ContextActions;

  // Open disc `number` in a disk window (double-click, Enter).
  std::function<void(TMMBFrm*, int)> OnOpenDisc;
  // Import the host image at path into disc `number` (a drop on its slot).
  std::function<void(TMMBFrm*, int, const std::string&)> OnImportImage;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildGrid(QWidget* client);
  void OpenCurrentDisc();
  bool GridMouseEvent(QEvent* event);
  void StartDragOut();
  bool AcceptsDrop(const QDropEvent* event) const;
  void DropOnSlot(QDropEvent* event);

  MMBSlotModel* model_;
  QPoint dragStart_;
  bool pressedOnSelection_ = false;
  bool heldSelection_ = false;
  bool draggedOut_ = false;
  int pressedNumber_ = -1;
};
