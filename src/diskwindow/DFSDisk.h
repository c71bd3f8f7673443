// SPDX-License-Identifier: GPL-3.0-or-later
// The disk window: one image's catalogue as a grid with the disk's figures in two status
// bars, the selection of catalogue rows by mouse and keyboard, in-place editing of
// entries, files dropped in from the host and files dragged out to it.
#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QString>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "app/children/KestrowClasses.h"
#include "disk/HostFiles.h"

class DiskGridDelegate;
class QCloseEvent;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QLabel;
class QMimeData;
class QMouseEvent;
class QKeyEvent;
class QStatusBar;
class QTableWidget;
class QTimer;

class TDFSDiskFrm : public ChildWindowClass {
  Q_OBJECT
 public:
  static constexpr int kColumnCount = 7;
  static constexpr int kWindowWidth = 365;
  static constexpr int kClientHeight = 220;

  explicit TDFSDiskFrm(QWidget* parent = nullptr);
  ~TDFSDiskFrm() override;

  ChildKind WindowKind() const override { return ChildKind::Disk; }
  TDFSDiskFrm* AsDiskWindow() override { return this; }
  // The client width the grid and both status bars need: the usual 365-pixel window
  // unless the font needs more room for the column titles and the widest status texts.
  int ClientWidthNeeded() const;
  void SetCaption() override;
  // CommonData as the disk data it always is in a disk window (nullptr while closing).
  DiskDataClass* DiskData() const;
  DFSDiskClass* Disk() const;
  // Whether the disk opened read-only: no command changes it and no edit starts.
  bool IsReadOnly() const;
  // The catalogue entries of the selected rows, in row order, each with its catalogue
  // position as the last refill read it; the commands act on these, not on the first
  // entry of the same name.
  std::vector<DFSFileClass> SelectedEntries() const;
  // The entry of a file row (1 = first file).
  DFSFileClass RowEntry(int row) const;

  // Lists the files here and, through OnRefillRelated, in every window on the image.
  void Init();
  // Rebuilds the rows and SelectedRows from the catalogue and updates the status bars;
  // an open edit ends unsaved, as its row may no longer stand for its file.
  void FillFileList();
  void UpdateStatusBar(int fileCount);
  // Whether the second status bar (used, free and largest free space) is shown; each
  // window keeps its own choice, shown at first.
  bool FullInfoShown() const;
  void SetFullInfoShown(bool shown);

  // Applies a mouse press at pos (grid viewport coordinates) to the selection and returns
  // the grid row under it: 0 the title row, r the file of SelectedRows entry r - 1, -1
  // outside every cell.
  int HandleRowSelection(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint pos);
  // Up (-1) or Down (+1): moves the anchor, selects that one row and updates the commands.
  void MoveSelection(int step);
  void ClearSelection();
  void SelectAll() override;
  int SelectedFilesCount() const;

  // The grid as rows 0 (titles) to ListedFiles; column and row outside give "".
  QString Cells(int column, int row) const;
  // Rewrites one cell of a file row (row 1 or more) without refilling the grid.
  void SetCells(int column, int row, const QString& text);
  // Shows the new lock state of the rows of changed (entries this window listed) in the
  // lock column only, without a refill that would end the selection.
  void ShowLockChanges(const std::vector<DFSFileClass>& changed, bool locked);
  int GridRowCount() const;
  // The grid's own current row (the clicked one); -1 after every refill.
  int CurrentGridRow() const;
  // The grid row under pos (grid viewport coordinates): 0 titles, -1 outside every cell.
  int GridRowAt(QPoint pos) const;
  // The cell rectangle of a file row in grid viewport coordinates.
  QRect FileRowRect(int row, int column = 1) const;
  bool IsRowSelected(int row) const;

  // ---- In-place editing ----
  // Commits the open edit of that cell (grid row, 1 = first file) to the image and
  // refills this window; does nothing while no edit is open.
  void CheckEdits(int column, int row);
  // Esc: closes the editor and leaves the cell and the image as they were.
  void CancelEdit();
  // Enter, Esc, Up and Down while the cell editor has the focus; true when handled.
  bool EditorKeyDown(QKeyEvent* event);
  // The open cell editor, or nullptr.
  QLineEdit* CellEditor() const { return cellEditor_; }

  // ---- Dragging out ----
  // Empties the temp area and writes every selected file and its side-car into it.
  void CopyFilesToTempArea();
  // The temp-area files the last press wrote, in row order: each data file followed by
  // its side-car.
  std::vector<std::string> DragFileNames() const;
  // The drag data offering those files; nullptr when there are none. Raises
  // FileSystemError when one of them has gone from the temp area.
  std::unique_ptr<QMimeData> MakeDragData() const;
  // Clears the main frame's drag-source mark when it is still this window's.
  void DragTimerTimer();

  // ---- Dropping in ----
  // Imports the host files one by one into this window's image, each with its own
  // questions and messages, refilling the windows of the image after each.
  void ProcessDroppedFiles(const std::vector<std::string>& hostPaths);
  // Asked when a dropped file found no room and the user agreed to compact the disk:
  // true when the main frame compacted it.
  std::function<bool()> OnMakeRoom;

  QTableWidget* DFSFiles;
  QStatusBar* StatusBar;
  QStatusBar* StatusBar1;
  std::array<QLabel*, 3> StatusPanels{};
  std::array<QLabel*, 3> StatusBar1Panels{};
  QTimer* DragTimer;

  std::vector<bool> SelectedRows;
  int AnchorRow = 0;
  bool ClickedSelected = false;
  int ListedFiles = 0;
  int DragStartX = 0;
  int DragStartY = 0;
  bool DraggingOut = false;
  bool Editing = false;
  int EditCol = 0;
  int EditRow = 0;
  std::string EditSavedText;
  std::string TempAreaPath;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  // The window itself takes file drops: local files offered for copying, from anywhere
  // but this window's own drag.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildGrid();
  void BuildStatusBars(QWidget* client);
  void FitColumnsToFont();
  void WriteFileRow(int row, const DFSFileClass& file);
  void GridMouseEvent(QEvent* event);
  void DFSFilesMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int row, QPoint pos);
  void DFSFilesMouseMove(Qt::MouseButtons buttons, QPoint pos);
  void DFSFilesMouseUp(Qt::MouseButton button, QPoint pos);
  bool DFSFilesKeyDown(QKeyEvent* event);
  void StartEdit(int column, int row);
  std::string EditedText() const;
  // Closes the editor and clears Editing; the grid and the image stay as they are.
  void CloseEdit();
  void FinishCommit();
  void StartDragOut(QPoint pos);
  void EndDragOut();
  bool AcceptsDrop(const QDropEvent* event) const;
  char RowDirectory(int row) const;
  std::string RowName(int row) const;
  void ApplyPress(int row, Qt::KeyboardModifiers shift);
  void ApplyShiftPress(int index);
  void RepaintGrid();

  DiskGridDelegate* delegate_ = nullptr;
  QPointer<QLineEdit> cellEditor_;
  std::vector<ExportedFiles> tempAreaFiles_;
  DFSFileList rowEntries_;
};

// value as upper-case hexadecimal with at least digits digits.
QString HexText(int32_t value, int digits);
