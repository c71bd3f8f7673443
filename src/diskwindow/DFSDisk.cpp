// SPDX-License-Identifier: GPL-3.0-or-later
#include "diskwindow/DFSDisk.h"

#include <QCoreApplication>
#include <QDrag>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QStatusBar>
#include <QStyle>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdlib>

#include "app/TempArea.h"
#include "disk/CatalogueListing.h"
#include "disk/EntryRules.h"
#include "diskwindow/DiskDragDrop.h"
#include "diskwindow/DiskGridDelegate.h"
#include "platform/Prompts.h"
#include "platform/QtPrompts.h"

namespace {

constexpr std::array<int, TDFSDiskFrm::kColumnCount> kColumnWidths = {28, 67, 37, 52, 50, 50, 52};
constexpr std::array<const char*, TDFSDiskFrm::kColumnCount> kColumnTitles = {
    "Dir.", "File name ", "Att.", "Load", "Exec", "Size", "Sector"};
constexpr int kRowHeight = 18;
// How far the pointer moves with the left button held before a drag out starts.
constexpr int kDragDistance = 5;

const char* const kBootOptionNames[] = {"Off)", "Load)", "Run)", "Exec)"};

// The widest text each column and panel can hold, for fitting the widths to the font.
constexpr std::array<const char*, TDFSDiskFrm::kColumnCount> kWidestCells = {
    "W", "WELCOME", "L", "FF0000", "FF0000", "03FFFF", "3FF"};
constexpr std::array<const char*, 3> kWidestPanels = {"62 files", "Boot Opt 3 (Exec)",
                                                      "40 track (100K) Watford 62-file"};
constexpr std::array<const char*, 3> kWidestPanels1 = {"204800 bytes used", "204288 bytes free",
                                                       "Largest block: 204288 bytes"};
constexpr int kCellPadding = 6;

// A status-bar panel that asks for its set width but gives way in a narrow window,
// where its text is cut at its own edge instead of running under the next panel.
class StatusPanel : public QLabel {
 public:
  explicit StatusPanel(QWidget* parent) : QLabel(parent) {}
  void SetWidth(int width) {
    width_ = width;
    updateGeometry();
  }
  QSize sizeHint() const override { return {width_, QLabel::sizeHint().height()}; }
  QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

 private:
  int width_ = 0;
};

// A panel of width pixels, wider when the font needs it for widestText; the last one
// takes the room left over.
QLabel* AddPanel(QStatusBar* bar, int width, const char* widestText, bool last) {
  auto* panel = new StatusPanel(bar);
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel->setText(widestText);
  panel->SetWidth(std::max(width, panel->QLabel::sizeHint().width()));
  panel->clear();
  bar->addWidget(panel, last ? 1 : 0);
  return panel;
}

QStatusBar* MakeStatusBar(QWidget* parent, const char* name, std::array<int, 3> widths,
                          const std::array<const char*, 3>& widestTexts,
                          std::array<QLabel*, 3>& panels) {
  auto* bar = new QStatusBar(parent);
  bar->setObjectName(name);
  bar->setSizeGripEnabled(false);
  for (int panel = 0; panel < 3; ++panel) {
    panels[panel] = AddPanel(bar, widths[panel], widestTexts[panel], panel == 2);
    panels[panel]->setObjectName(QString("%1Panel%2").arg(name).arg(panel));
  }
  return bar;
}

}  // namespace

QString HexText(int32_t value, int digits) {
  return QString::number(static_cast<uint32_t>(value), 16).toUpper().rightJustified(digits, '0');
}

TDFSDiskFrm::TDFSDiskFrm(QWidget* parent) : ChildWindowClass(parent) {
  setObjectName("DFSDiskFrm");
  setWindowTitle("DFS Disk");
  auto* client = new QWidget(this);
  auto* layout = new QVBoxLayout(client);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  BuildGrid();
  DFSFiles->setParent(client);
  layout->addWidget(DFSFiles, 1);
  BuildStatusBars(client);
  layout->addWidget(StatusBar);
  layout->addWidget(StatusBar1);
  setWidget(client);
  // Keys for the window go to the file list.
  setFocusProxy(DFSFiles);
  DragTimer = new QTimer(this);
  DragTimer->setObjectName("DragTimer");
  DragTimer->setInterval(500);
  connect(DragTimer, &QTimer::timeout, this, &TDFSDiskFrm::DragTimerTimer);
  setAcceptDrops(true);
}

TDFSDiskFrm::~TDFSDiskFrm() = default;

void TDFSDiskFrm::BuildGrid() {
  DFSFiles = new QTableWidget(0, kColumnCount, this);
  DFSFiles->setObjectName("DFSFiles");
  delegate_ = new DiskGridDelegate(this, DFSFiles);
  DFSFiles->setItemDelegate(delegate_);
  DFSFiles->setSelectionMode(QAbstractItemView::NoSelection);
  DFSFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
  DFSFiles->setShowGrid(false);
  DFSFiles->setWordWrap(false);
  DFSFiles->verticalHeader()->hide();
  DFSFiles->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  DFSFiles->verticalHeader()->setMinimumSectionSize(kRowHeight);
  DFSFiles->verticalHeader()->setDefaultSectionSize(kRowHeight);
  QHeaderView* titles = DFSFiles->horizontalHeader();
  titles->setSectionResizeMode(QHeaderView::Fixed);
  titles->setHighlightSections(false);
  titles->setSectionsClickable(false);
  titles->setMinimumSectionSize(1);
  titles->setFixedHeight(kRowHeight);
  QFont bold = titles->font();
  bold.setBold(true);
  titles->setFont(bold);
  for (int column = 0; column < kColumnCount; ++column) {
    DFSFiles->setHorizontalHeaderItem(column, new QTableWidgetItem(kColumnTitles[column]));
  }
  FitColumnsToFont();
  DFSFiles->viewport()->installEventFilter(this);
  titles->viewport()->installEventFilter(this);
  DFSFiles->installEventFilter(this);
}

void TDFSDiskFrm::BuildStatusBars(QWidget* client) {
  StatusBar = MakeStatusBar(client, "StatusBar", {40, 100, 50}, kWidestPanels, StatusPanels);
  StatusBar1 =
      MakeStatusBar(client, "StatusBar1", {100, 100, 110}, kWidestPanels1, StatusBar1Panels);
}

void TDFSDiskFrm::FitColumnsToFont() {
  const QFontMetrics cellMetrics(DFSFiles->font());
  const QFontMetrics titleMetrics(DFSFiles->horizontalHeader()->font());
  for (int column = 0; column < kColumnCount; ++column) {
    const int needed = std::max(titleMetrics.horizontalAdvance(kColumnTitles[column]),
                                cellMetrics.horizontalAdvance(kWidestCells[column]));
    DFSFiles->setColumnWidth(column, std::max(kColumnWidths[column], needed + kCellPadding));
  }
}

int TDFSDiskFrm::ClientWidthNeeded() const {
  int gridWidth = 2 * DFSFiles->frameWidth() +
                  DFSFiles->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, DFSFiles);
  for (int column = 0; column < kColumnCount; ++column) {
    gridWidth += DFSFiles->columnWidth(column);
  }
  int barsWidth = 0;
  for (const auto* panels : {&StatusPanels, &StatusBar1Panels}) {
    int barWidth = 0;
    for (const QLabel* panel : *panels) {
      // Each panel sits in the bar's layout with a few pixels of spacing.
      barWidth += panel->sizeHint().width() + 6;
    }
    barsWidth = std::max(barsWidth, barWidth);
  }
  return std::max(gridWidth, barsWidth);
}

DiskDataClass* TDFSDiskFrm::DiskData() const {
  return static_cast<DiskDataClass*>(CommonData);
}

DFSDiskClass* TDFSDiskFrm::Disk() const {
  DiskDataClass* data = DiskData();
  return data == nullptr ? nullptr : data->Disk.get();
}

void TDFSDiskFrm::SetCaption() {
  DiskDataClass* data = DiskData();
  if (data == nullptr) {
    return;
  }
  std::string caption = data->DiskTitle.empty() ? "Untitled disk" : data->DiskTitle;
  if (WindowNumber != 1) {
    caption += " # " + std::to_string(WindowNumber);
  }
  const bool readOnly = data->Disk != nullptr && data->Disk->IsReadOnly();
  setWindowTitle(QString::fromLatin1(caption) + " " + DisplayText(data->ImageCaption()) +
                 (readOnly ? " (read-only)" : ""));
}

bool TDFSDiskFrm::IsReadOnly() const {
  DFSDiskClass* disk = Disk();
  return disk != nullptr && disk->IsReadOnly();
}

DFSFileClass TDFSDiskFrm::RowEntry(int row) const {
  if (row >= 1 && static_cast<size_t>(row) <= rowEntries_.size()) {
    return rowEntries_[static_cast<size_t>(row - 1)];
  }
  DFSFileClass entry;
  entry.Directory = RowDirectory(row);
  entry.Name = RowName(row);
  entry.CatalogueIndex = -1;
  return entry;
}

std::vector<DFSFileClass> TDFSDiskFrm::SelectedEntries() const {
  std::vector<DFSFileClass> entries;
  for (int row = 1; row <= static_cast<int>(SelectedRows.size()); ++row) {
    if (IsRowSelected(row)) {
      entries.push_back(RowEntry(row));
    }
  }
  return entries;
}

// ---- Listing -------------------------------------------------------------------------

void TDFSDiskFrm::Init() {
  DFSFiles->setCurrentItem(nullptr);
  if (OnRefillRelated) {
    OnRefillRelated(this);
  } else {
    FillFileList();
  }
}

void TDFSDiskFrm::FillFileList() {
  DFSDiskClass* disk = Disk();
  if (disk == nullptr) {
    return;
  }
  // The rows may change under an open edit, which therefore ends unsaved.
  if (Editing) {
    CloseEdit();
    if (OnSetEditing) {
      OnSetEditing(this, false);
    }
  }
  DFSFileList files;
  disk->ReadCatalogue(files);
  const int count = static_cast<int>(files.size());
  rowEntries_ = files;
  SelectedRows.assign(files.size(), false);
  DFSFiles->setRowCount(count);
  for (int index = 0; index < count; ++index) {
    WriteFileRow(index, files[index]);
  }
  ListedFiles = count;
  UpdateStatusBar(count);
  RepaintGrid();
}

void TDFSDiskFrm::WriteFileRow(int row, const DFSFileClass& file) {
  const QString texts[kColumnCount] = {QString::fromLatin1(&file.Directory, 1),
                                       QString::fromLatin1(file.Name),
                                       file.Locked != 0 ? "L" : " ",
                                       HexText(file.LoadAddress, 6),
                                       HexText(file.ExecAddress, 6),
                                       HexText(file.Length, 6),
                                       HexText(file.StartSector, 3)};
  for (int column = 0; column < kColumnCount; ++column) {
    QTableWidgetItem* item = DFSFiles->item(row, column);
    if (item == nullptr) {
      item = new QTableWidgetItem;
      DFSFiles->setItem(row, column, item);
    }
    item->setText(texts[column]);
  }
}

void TDFSDiskFrm::UpdateStatusBar(int fileCount) {
  DFSDiskClass* disk = Disk();
  if (disk == nullptr) {
    return;
  }
  StatusPanels[0]->setText(QString::number(fileCount) + " file" + (fileCount == 1 ? "" : "s"));
  const int option = std::clamp(disk->BootOption, 0, 3);
  StatusPanels[1]->setText(
      QString("Boot Opt %1 (%2").arg(disk->BootOption).arg(kBootOptionNames[option]));
  StatusPanels[2]->setText(QString::fromStdString(DiskSizeText(*disk) + " " + disk->FormatName()));
  StatusBar1Panels[0]->setText(QString::number(disk->UsedSpace) + " bytes used");
  StatusBar1Panels[1]->setText(QString::number(disk->DiskSize - disk->UsedSpace) + " bytes free");
  StatusBar1Panels[2]->setText("Largest block: " + QString::number(disk->LargestFree) + " bytes");
}

bool TDFSDiskFrm::FullInfoShown() const {
  return !StatusBar1->isHidden();
}

// The layout keeps the bar directly below StatusBar.
void TDFSDiskFrm::SetFullInfoShown(bool shown) {
  StatusBar1->setVisible(shown);
}

// ---- Grid access ---------------------------------------------------------------------

QString TDFSDiskFrm::Cells(int column, int row) const {
  if (column < 0 || column >= kColumnCount || row < 0 || row > DFSFiles->rowCount()) {
    return QString();
  }
  if (row == 0) {
    return kColumnTitles[column];
  }
  const QTableWidgetItem* item = DFSFiles->item(row - 1, column);
  return item == nullptr ? QString() : item->text();
}

void TDFSDiskFrm::SetCells(int column, int row, const QString& text) {
  if (QTableWidgetItem* item = DFSFiles->item(row - 1, column)) {
    item->setText(text);
  }
}

void TDFSDiskFrm::ShowLockChanges(const std::vector<DFSFileClass>& changed, bool locked) {
  for (int row = 1; row <= static_cast<int>(rowEntries_.size()); ++row) {
    DFSFileClass& listed = rowEntries_[static_cast<size_t>(row - 1)];
    const bool isChanged =
        std::any_of(changed.begin(), changed.end(), [&listed](const DFSFileClass& entry) {
          return entry.CatalogueIndex == listed.CatalogueIndex &&
                 entry.Directory == listed.Directory && entry.Name == listed.Name;
        });
    if (isChanged) {
      listed.Locked = locked ? 1 : 0;
      SetCells(2, row, locked ? "L" : "");
    }
  }
}

int TDFSDiskFrm::GridRowCount() const {
  return DFSFiles->rowCount() + 1;
}

int TDFSDiskFrm::CurrentGridRow() const {
  const int row = DFSFiles->currentRow();
  return row < 0 ? -1 : row + 1;
}

int TDFSDiskFrm::GridRowAt(QPoint pos) const {
  const QModelIndex index = DFSFiles->indexAt(pos);
  return index.isValid() ? index.row() + 1 : -1;
}

QRect TDFSDiskFrm::FileRowRect(int row, int column) const {
  return DFSFiles->visualRect(DFSFiles->model()->index(row - 1, column));
}

bool TDFSDiskFrm::IsRowSelected(int row) const {
  return row > 0 && row <= static_cast<int>(SelectedRows.size()) && SelectedRows[row - 1];
}

// ---- Selection -----------------------------------------------------------------------

int TDFSDiskFrm::HandleRowSelection(Qt::MouseButton, Qt::KeyboardModifiers shift, QPoint pos) {
  ClickedSelected = false;
  // Any press on the grid ends an open edit with a commit; the rows are refilled first,
  // so the row is found afterwards.
  CheckEdits(EditCol, EditRow);
  const int row = GridRowAt(pos);
  ApplyPress(row, shift);
  return row;
}

void TDFSDiskFrm::ApplyPress(int row, Qt::KeyboardModifiers shift) {
  ClickedSelected = false;
  if (row == 0) {
    return;
  }
  if (row < 0) {
    ClearSelection();
    RepaintGrid();
    return;
  }
  const int index = row - 1;
  const bool validAnchor = AnchorRow >= 0;
  if (shift & Qt::ControlModifier) {
    SelectedRows[index] = !SelectedRows[index];
    AnchorRow = SelectedRows[index] ? index : -1;
  } else if ((shift & Qt::ShiftModifier) && validAnchor) {
    ApplyShiftPress(index);
  } else if (SelectedRows[index]) {
    ClickedSelected = true;
  } else {
    ClearSelection();
    SelectedRows[index] = true;
    AnchorRow = index;
  }
  RepaintGrid();
}

void TDFSDiskFrm::ApplyShiftPress(int index) {
  if (!SelectedRows[index]) {
    ClearSelection();
  }
  // An anchor left beyond the list by a shorter refill stands for the last entry.
  const int anchor = std::min(AnchorRow, static_cast<int>(SelectedRows.size()) - 1);
  for (int entry = std::min(anchor, index); entry <= std::max(anchor, index); ++entry) {
    SelectedRows[entry] = true;
  }
}

void TDFSDiskFrm::MoveSelection(int step) {
  const int count = static_cast<int>(SelectedRows.size());
  if (count == 0) {
    return;
  }
  AnchorRow = std::clamp(AnchorRow + step, 0, count - 1);
  ClearSelection();
  SelectedRows[AnchorRow] = true;
  // The grid's current row follows, so commands that name the current row see this one.
  DFSFiles->setCurrentCell(AnchorRow, std::max(DFSFiles->currentColumn(), 0));
  RepaintGrid();
  // The keys change what the file commands can act on, as a click does.
  if (OnUpdateCommands) {
    OnUpdateCommands(this);
  }
}

void TDFSDiskFrm::ClearSelection() {
  std::fill(SelectedRows.begin(), SelectedRows.end(), false);
}

void TDFSDiskFrm::SelectAll() {
  std::fill(SelectedRows.begin(), SelectedRows.end(), true);
  RepaintGrid();
}

int TDFSDiskFrm::SelectedFilesCount() const {
  return static_cast<int>(std::count(SelectedRows.begin(), SelectedRows.end(), true));
}

void TDFSDiskFrm::RepaintGrid() {
  DFSFiles->viewport()->update();
}

char TDFSDiskFrm::RowDirectory(int row) const {
  const QByteArray directory = Cells(0, row).toLatin1();
  return directory.isEmpty() ? ' ' : directory[0];
}

std::string TDFSDiskFrm::RowName(int row) const {
  return Cells(1, row).toLatin1().toStdString();
}

// ---- Mouse and keys ------------------------------------------------------------------

void TDFSDiskFrm::DFSFilesMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, int row,
                                    QPoint pos) {
  if (row > 0) {
    if (button == Qt::LeftButton) {
      DragStartX = pos.x();
      DragStartY = pos.y();
    }
    CopyFilesToTempArea();
  }
  if (OnUpdateCommands) {
    OnUpdateCommands(this);
  }
}

void TDFSDiskFrm::DFSFilesMouseMove(Qt::MouseButtons buttons, QPoint pos) {
  if (DraggingOut || (buttons & Qt::LeftButton) == 0 || SelectedFilesCount() == 0) {
    return;
  }
  if (std::abs(pos.x() - DragStartX) >= kDragDistance ||
      std::abs(pos.y() - DragStartY) >= kDragDistance) {
    StartDragOut(pos);
  }
}

// A second left click on a cell of an already selected row opens its editor.
void TDFSDiskFrm::DFSFilesMouseUp(Qt::MouseButton button, QPoint pos) {
  if (DraggingOut || !ClickedSelected || button != Qt::LeftButton) {
    return;
  }
  const QModelIndex index = DFSFiles->indexAt(pos);
  if (index.isValid() && IsRowSelected(index.row() + 1) && EditableField(index.column())) {
    StartEdit(index.column(), index.row() + 1);
  }
}

bool TDFSDiskFrm::DFSFilesKeyDown(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
      CheckEdits(EditCol, EditRow);
      MoveSelection(event->key() == Qt::Key_Up ? -1 : 1);
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      if (!Editing) {
        return false;
      }
      return EditorKeyDown(event);
    default:
      return false;
  }
}

bool TDFSDiskFrm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == DFSFiles->viewport()) {
    GridMouseEvent(event);
  } else if (event->type() == QEvent::MouseButtonPress &&
             watched == DFSFiles->horizontalHeader()->viewport()) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    CheckEdits(EditCol, EditRow);
    ApplyPress(0, mouse->modifiers());
    DFSFilesMouseDown(mouse->button(), mouse->modifiers(), 0, mouse->position().toPoint());
  } else if (event->type() == QEvent::KeyPress && watched == DFSFiles) {
    return DFSFilesKeyDown(static_cast<QKeyEvent*>(event));
  }
  return ChildWindowClass::eventFilter(watched, event);
}

// A double click arrives as a press followed by a double-click event; the press counts.
void TDFSDiskFrm::GridMouseEvent(QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
      type != QEvent::MouseButtonRelease) {
    return;
  }
  auto* mouse = static_cast<QMouseEvent*>(event);
  const QPoint pos = mouse->position().toPoint();
  if (type == QEvent::MouseButtonPress) {
    const int row = HandleRowSelection(mouse->button(), mouse->modifiers(), pos);
    DFSFilesMouseDown(mouse->button(), mouse->modifiers(), row, pos);
  } else if (type == QEvent::MouseMove) {
    DFSFilesMouseMove(mouse->buttons(), pos);
  } else {
    DFSFilesMouseUp(mouse->button(), pos);
  }
}

// ---- In-place editing ----------------------------------------------------------------

void TDFSDiskFrm::StartEdit(int column, int row) {
  DiskDataClass* data = DiskData();
  // Nothing on a read-only disk can be changed, so no edit starts.
  if (data == nullptr || IsReadOnly()) {
    return;
  }
  const std::string name = RowName(row);
  if (OnWindowExists && OnWindowExists(data->ImagePath, RowDirectory(row), PadRight(name, 7))) {
    Prompts().ShowMessage(kInspectorOpenMessage);
    return;
  }
  EditSavedText =
      EditStartText(*EditableField(column), Cells(column, row).toLatin1().toStdString());
  EditCol = column;
  EditRow = row;
  Editing = true;
  const QModelIndex index = DFSFiles->model()->index(row - 1, column);
  DFSFiles->edit(index);
  cellEditor_ = qobject_cast<QLineEdit*>(DFSFiles->indexWidget(index));
  if (OnSetEditing) {
    OnSetEditing(this, true);
  }
}

std::string TDFSDiskFrm::EditedText() const {
  if (cellEditor_ != nullptr) {
    return cellEditor_->text().toLatin1().toStdString();
  }
  return Cells(EditCol, EditRow).toLatin1().toStdString();
}

void TDFSDiskFrm::CloseEdit() {
  Editing = false;
  if (cellEditor_ != nullptr &&
      DFSFiles->indexWidget(DFSFiles->model()->index(EditRow - 1, EditCol)) == cellEditor_) {
    delegate_->CloseCellEditor(cellEditor_);
  }
  cellEditor_ = nullptr;
}

void TDFSDiskFrm::CheckEdits(int column, int row) {
  DFSDiskClass* disk = Disk();
  if (!Editing || disk == nullptr) {
    return;
  }
  const std::string text = EditedText();
  CloseEdit();
  const EntryField field = *EditableField(column);
  // The row's own entry, found by its catalogue position and checked against its name,
  // so that the second of two namesakes is the one changed.
  const DFSFileClass entry = RowEntry(row);
  try {
    CommitEntryEdit(*disk, entry, field, text);
  } catch (...) {
    FinishCommit();
    throw;
  }
  FinishCommit();
}

// Only this window is refilled; the others show the change at their next refill.
void TDFSDiskFrm::FinishCommit() {
  FillFileList();
  if (OnSetEditing) {
    OnSetEditing(this, false);
  }
}

void TDFSDiskFrm::CancelEdit() {
  if (!Editing) {
    return;
  }
  CloseEdit();
  if (OnSetEditing) {
    OnSetEditing(this, false);
  }
  RepaintGrid();
}

bool TDFSDiskFrm::EditorKeyDown(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      CheckEdits(EditCol, EditRow);
      return true;
    case Qt::Key_Escape:
      CancelEdit();
      return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
      CheckEdits(EditCol, EditRow);
      MoveSelection(event->key() == Qt::Key_Up ? -1 : 1);
      return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      // The editor stays on its cell.
      return true;
    default:
      return false;
  }
}

// A window closed during an edit drops the edit, so that the main frame gets Del back.
void TDFSDiskFrm::closeEvent(QCloseEvent* event) {
  CancelEdit();
  ChildWindowClass::closeEvent(event);
}

// ---- Dragging out --------------------------------------------------------------------

void TDFSDiskFrm::CopyFilesToTempArea() {
  tempAreaFiles_.clear();
  DFSDiskClass* disk = Disk();
  if (TempAreaPath.empty() || disk == nullptr) {
    return;
  }
  // A link or someone else's folder planted at the path since it was made is never
  // written through.
  if (!IsOwnPrivateFolder(TempAreaPath)) {
    Prompts().ShowMessage("The temporary folder \"" + TempAreaPath +
                          "\" is no longer this program's own, so no files were copied.");
    return;
  }
  if (OnClearTempArea) {
    OnClearTempArea();
  }
  try {
    const std::vector<DFSFileClass> entries = SelectedEntries();
    const std::vector<std::string> hostNames = DistinctHostNames(entries);
    for (size_t index = 0; index < entries.size(); ++index) {
      // A row renamed through another window finds no entry and is left out.
      if (std::optional<ExportedFiles> files =
              CopyEntryToHostFolder(*disk, entries[index], TempAreaPath, hostNames[index])) {
        tempAreaFiles_.push_back(*files);
      }
    }
  } catch (const std::exception& error) {
    tempAreaFiles_.clear();
    Prompts().ShowMessage(error.what());
  }
}

std::vector<std::string> TDFSDiskFrm::DragFileNames() const {
  std::vector<std::string> names;
  for (const ExportedFiles& files : tempAreaFiles_) {
    names.push_back(files.dataFileName);
    names.push_back(files.sideCarFileName);
  }
  return names;
}

std::unique_ptr<QMimeData> TDFSDiskFrm::MakeDragData() const {
  if (TempAreaPath.empty()) {
    return nullptr;
  }
  return MakeDataObject(TempAreaPath, DragFileNames());
}

void TDFSDiskFrm::StartDragOut(QPoint pos) {
  std::unique_ptr<QMimeData> data;
  try {
    data = MakeDragData();
  } catch (const std::exception& error) {
    Prompts().ShowMessage(error.what());
    tempAreaFiles_.clear();
    return;
  }
  if (data == nullptr) {
    return;
  }
  DraggingOut = true;
  // The grid stops tracking the mouse; the release does nothing while DraggingOut is set.
  QMouseEvent release(QEvent::MouseButtonRelease, pos, DFSFiles->viewport()->mapToGlobal(pos),
                      Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(DFSFiles->viewport(), &release);
  if (OnSetDragSource) {
    OnSetDragSource(this);
  }
  auto* drag = new QDrag(DFSFiles);  // Qt deletes it once the drag is over
  drag->setMimeData(data.release());
  {
    RightButtonDragCanceller canceller;
    drag->exec(Qt::CopyAction, Qt::CopyAction);
  }
  EndDragOut();
}

// The release that ends the drag (delivered after the drag loop) starts no edit.
void TDFSDiskFrm::EndDragOut() {
  DragTimer->start();
  DraggingOut = false;
  ClickedSelected = false;
}

void TDFSDiskFrm::DragTimerTimer() {
  DragTimer->stop();
  if (OnGetDragSource && OnSetDragSource && OnGetDragSource() == this) {
    OnSetDragSource(nullptr);
  }
}

// ---- Dropping in ---------------------------------------------------------------------

// Copy only: a source that would delete the originals after a move is never agreed to.
bool TDFSDiskFrm::AcceptsDrop(const QDropEvent* event) const {
  const QObject* source = event->source();
  const bool fromHere = source != nullptr && (source == this || source == DFSFiles);
  return !fromHere && (event->possibleActions() & Qt::CopyAction) != 0 &&
         HasLocalFiles(event->mimeData());
}

void TDFSDiskFrm::dragEnterEvent(QDragEnterEvent* event) {
  dragMoveEvent(event);
}

void TDFSDiskFrm::dragMoveEvent(QDragMoveEvent* event) {
  if (AcceptsDrop(event)) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
  } else {
    event->ignore();
  }
}

// The drop is taken at once and imported from the event loop, so that the questions of
// the import do not hold up the program the files came from.
void TDFSDiskFrm::dropEvent(QDropEvent* event) {
  DragTimer->stop();
  const bool fromHere = OnGetDragSource && OnGetDragSource() == this;
  if (fromHere || !AcceptsDrop(event)) {
    event->ignore();
  } else {
    event->setDropAction(Qt::CopyAction);
    event->accept();
    QTimer::singleShot(0, this, [this, paths = DroppedLocalPaths(event->mimeData())] {
      ProcessDroppedFiles(paths);
    });
  }
  if (OnSetDragSource) {
    OnSetDragSource(nullptr);
  }
}

void TDFSDiskFrm::ProcessDroppedFiles(const std::vector<std::string>& hostPaths) {
  DiskDataClass* data = DiskData();
  if (data == nullptr || data->Disk == nullptr) {
    return;
  }
  ImportCallbacks callbacks;
  callbacks.imagePath = data->ImagePath;
  callbacks.windowExists = [this](const std::string& path, char directory,
                                  const std::string& name) {
    return OnWindowExists && OnWindowExists(path, directory, name) != nullptr;
  };
  callbacks.afterEachFile = [this] { Init(); };
  if (OnMakeRoom) {
    callbacks.makeRoom = OnMakeRoom;
  }
  ProcessAlienFiles(*data->Disk, hostPaths, callbacks);
}
