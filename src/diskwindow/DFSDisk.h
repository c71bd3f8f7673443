// The disk window: one image's catalogue as a grid with the disk's figures in two status
// bars, and the selection of catalogue rows by mouse and keyboard.
#pragma once

#include <QString>
#include <array>
#include <string>
#include <vector>

#include "app/children/KestrowClasses.h"

class QLabel;
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
  // The client width the grid and both status bars need: the usual 365-pixel window
  // unless the font needs more room for the column titles and the widest status texts.
  int ClientWidthNeeded() const;
  void SetCaption() override;
  // CommonData as the disk data it always is in a disk window (nullptr while closing).
  DiskDataClass* DiskData() const;
  DFSDiskClass* Disk() const;

  // Lists the files here and, through OnRefillRelated, in every window on the image.
  void Init();
  // Rebuilds the rows and SelectedRows from the catalogue and updates the status bars.
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
  // Up (-1) or Down (+1): moves the anchor and selects that one row.
  void MoveSelection(int step);
  void ClearSelection();
  void SelectAll();
  int SelectedFilesCount() const;

  // The grid as rows 0 (titles) to ListedFiles; column and row outside give "".
  QString Cells(int column, int row) const;
  // Rewrites one cell of a file row (row 1 or more) without refilling the grid.
  void SetCells(int column, int row, const QString& text);
  int GridRowCount() const;
  // The grid's own current row (the clicked one); -1 after every refill.
  int CurrentGridRow() const;
  // The grid row under pos (grid viewport coordinates): 0 titles, -1 outside every cell.
  int GridRowAt(QPoint pos) const;
  // The cell rectangle of a file row in grid viewport coordinates.
  QRect FileRowRect(int row, int column = 1) const;
  bool IsRowSelected(int row) const;

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

 private:
  void BuildGrid();
  void BuildStatusBars(QWidget* client);
  void FitColumnsToFont();
  void WriteFileRow(int row, const DFSFileClass& file);
  void DFSFilesMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int row, QPoint pos);
  bool DFSFilesKeyDown(QKeyEvent* event);
  void ApplyPress(int row, Qt::KeyboardModifiers shift);
  void ApplyShiftPress(int index);
  void RepaintGrid();
};

// value as upper-case hexadecimal with at least digits digits.
QString HexText(int32_t value, int digits);
