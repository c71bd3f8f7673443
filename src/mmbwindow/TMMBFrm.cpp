// SPDX-License-Identifier: GPL-3.0-or-later
#include "mmbwindow/TMMBFrm.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDrag>
#include <QDropEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "app/TempArea.h"
#include "disk/MMBSlotRules.h"
#include "diskwindow/DiskDragDrop.h"
#include "mmbwindow/MMBSlotModel.h"
#include "platform/Prompts.h"
#include "platform/QtPrompts.h"

namespace {

constexpr int kRowHeight = 18;
constexpr int kDragDistance = 5;
constexpr int kColumnWidths[] = {40, 130, 90};

}  // namespace

TMMBFrm::TMMBFrm(QWidget* parent) : ChildWindowClass(parent) {
  setObjectName("MMBFrm");
  setWindowTitle("MMB file");
  auto* client = new QWidget(this);
  auto* layout = new QVBoxLayout(client);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  FilterEdit = new QLineEdit(client);
  FilterEdit->setObjectName("FilterEdit");
  FilterEdit->setPlaceholderText("Filter by number or title");
  FilterEdit->setClearButtonEnabled(true);
  layout->addWidget(FilterEdit);
  BuildGrid(client);
  layout->addWidget(MMBSlots, 1);
  StatusBar = new QStatusBar(client);
  StatusBar->setObjectName("StatusBar");
  StatusBar->setSizeGripEnabled(false);
  SummaryPanel = new QLabel(StatusBar);
  SummaryPanel->setObjectName("SummaryPanel");
  BootPanel = new QLabel(StatusBar);
  BootPanel->setObjectName("BootPanel");
  for (QLabel* panel : {SummaryPanel, BootPanel}) {
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  }
  StatusBar->addWidget(SummaryPanel, 1);
  StatusBar->addWidget(BootPanel);
  layout->addWidget(StatusBar);
  setWidget(client);
  setFocusProxy(MMBSlots);
  connect(FilterEdit, &QLineEdit::textChanged, this, [this](const QString& text) {
    model_->SetFilter(text.toLatin1().toStdString());
    if (OnUpdateCommands) {
      OnUpdateCommands(this);
    }
  });
}

TMMBFrm::~TMMBFrm() = default;

void TMMBFrm::BuildGrid(QWidget* client) {
  MMBSlots = new QTableView(client);
  MMBSlots->setObjectName("MMBSlots");
  model_ = new MMBSlotModel(MMBSlots);
  MMBSlots->setModel(model_);
  MMBSlots->setSelectionBehavior(QAbstractItemView::SelectRows);
  MMBSlots->setSelectionMode(QAbstractItemView::ExtendedSelection);
  MMBSlots->setEditTriggers(QAbstractItemView::NoEditTriggers);
  MMBSlots->setShowGrid(false);
  MMBSlots->setWordWrap(false);
  MMBSlots->setAcceptDrops(true);
  MMBSlots->viewport()->setAcceptDrops(true);
  MMBSlots->verticalHeader()->hide();
  MMBSlots->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  MMBSlots->verticalHeader()->setDefaultSectionSize(kRowHeight);
  MMBSlots->horizontalHeader()->setHighlightSections(false);
  MMBSlots->horizontalHeader()->setSectionsClickable(false);
  MMBSlots->horizontalHeader()->setStretchLastSection(true);
  for (int column = 0; column < MMBSlotModel::ColumnCount; ++column) {
    MMBSlots->setColumnWidth(column, kColumnWidths[column]);
  }
  MMBSlots->viewport()->installEventFilter(this);
  MMBSlots->installEventFilter(this);
  connect(MMBSlots, &QAbstractItemView::doubleClicked, this, [this] { OpenCurrentDisc(); });
  connect(MMBSlots->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    if (OnUpdateCommands) {
      OnUpdateCommands(this);
    }
  });
}

MMBDataClass* TMMBFrm::MMBData() const {
  return static_cast<MMBDataClass*>(CommonData);
}

void TMMBFrm::SetCaption() {
  MMBDataClass* data = MMBData();
  if (data == nullptr) {
    return;
  }
  QString caption = "MMB file";
  if (WindowNumber != 1) {
    caption += QString(" # %1").arg(WindowNumber);
  }
  setWindowTitle(caption + " " + DisplayText(data->ImagePath));
}

// ---- Listing -------------------------------------------------------------------------

void TMMBFrm::FillSlotList() {
  MMBDataClass* data = MMBData();
  if (data == nullptr || data->File == nullptr) {
    return;
  }
  std::vector<int> selected;
  for (const MMBSlot& slot : SelectedSlots()) {
    selected.push_back(slot.Number);
  }
  const MMBSlot* current = CurrentSlot();
  const int currentNumber = current != nullptr ? current->Number : -1;
  std::vector<MMBSlot> chosen = data->File->ReadIndex();
  SummaryPanel->setText(QString::fromLatin1(MMBSummaryText(chosen)));
  BootPanel->setText(QString::fromStdString(MMBBootText(data->File->BootDiscs())));
  model_->SetSlots(std::move(chosen));
  if (currentNumber >= 0) {
    // The current row first, so that it stays current.
    selected.erase(std::remove(selected.begin(), selected.end(), currentNumber), selected.end());
    selected.insert(selected.begin(), currentNumber);
  }
  SelectDiscs(selected);
}

std::vector<MMBSlot> TMMBFrm::SelectedSlots() const {
  std::vector<int> rows;
  for (const QModelIndex& index : MMBSlots->selectionModel()->selectedRows()) {
    rows.push_back(index.row());
  }
  std::sort(rows.begin(), rows.end());
  std::vector<MMBSlot> chosen;
  for (int row : rows) {
    chosen.push_back(model_->SlotAt(row));
  }
  return chosen;
}

const MMBSlot* TMMBFrm::CurrentSlot() const {
  const QModelIndex current = MMBSlots->currentIndex();
  return current.isValid() ? &model_->SlotAt(current.row()) : nullptr;
}

void TMMBFrm::SelectDiscs(const std::vector<int>& numbers) {
  QItemSelectionModel* selection = MMBSlots->selectionModel();
  selection->clearSelection();
  bool first = true;
  for (int number : numbers) {
    const int row = model_->RowOf(number);
    if (row < 0) {
      continue;
    }
    const QModelIndex index = model_->index(row, 0);
    const auto flags = QItemSelectionModel::Select | QItemSelectionModel::Rows;
    if (first) {
      selection->setCurrentIndex(index, flags);
      first = false;
    } else {
      selection->select(index, flags);
    }
  }
}

int TMMBFrm::ListedSlots() const {
  return model_->rowCount();
}

const MMBSlot& TMMBFrm::ListedSlot(int row) const {
  return model_->SlotAt(row);
}

QRect TMMBFrm::SlotRowRect(int row) const {
  return MMBSlots->visualRect(model_->index(row, MMBSlotModel::TitleColumn));
}

void TMMBFrm::OpenCurrentDisc() {
  if (const MMBSlot* slot = CurrentSlot(); slot != nullptr && OnOpenDisc) {
    OnOpenDisc(this, slot->Number);
  }
}

// ---- Events --------------------------------------------------------------------------

bool TMMBFrm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == MMBSlots && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      OpenCurrentDisc();
      return true;
    }
    return false;
  }
  if (watched != MMBSlots->viewport()) {
    return ChildWindowClass::eventFilter(watched, event);
  }
  switch (event->type()) {
    case QEvent::ContextMenu:
      if (!ContextActions.isEmpty()) {
        QMenu menu(this);
        menu.addActions(ContextActions);
        menu.exec(static_cast<QContextMenuEvent*>(event)->globalPos());
      }
      return true;
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* move = static_cast<QDragMoveEvent*>(event);
      if (AcceptsDrop(move)) {
        move->setDropAction(Qt::CopyAction);
        move->accept();
      } else {
        move->ignore();
      }
      return true;
    }
    case QEvent::Drop:
      DropOnSlot(static_cast<QDropEvent*>(event));
      return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
      return GridMouseEvent(event);
    default:
      return false;
  }
}

// A left press on a selected row may start a drag of the selection. A plain press on
// one of several selected rows keeps them all, so that they can be dragged together;
// released without a drag, it selects that row alone, as the grid itself would.
bool TMMBFrm::GridMouseEvent(QEvent* event) {
  auto* mouse = static_cast<QMouseEvent*>(event);
  const QPoint pos = mouse->position().toPoint();
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      const QModelIndex index = MMBSlots->indexAt(pos);
      pressedOnSelection_ = mouse->button() == Qt::LeftButton && index.isValid() &&
                            MMBSlots->selectionModel()->isRowSelected(index.row(), QModelIndex());
      heldSelection_ = pressedOnSelection_ && mouse->modifiers() == Qt::NoModifier &&
                       MMBSlots->selectionModel()->selectedRows().size() > 1;
      pressedNumber_ = index.isValid() ? model_->SlotAt(index.row()).Number : -1;
      draggedOut_ = false;
      dragStart_ = pos;
      return heldSelection_;
    }
    case QEvent::MouseMove:
      if ((mouse->buttons() & Qt::LeftButton) == 0) {
        pressedOnSelection_ = false;
        return false;
      }
      if (pressedOnSelection_ && (pos - dragStart_).manhattanLength() >= kDragDistance) {
        pressedOnSelection_ = false;
        draggedOut_ = true;
        StartDragOut();
        return true;
      }
      // The selection the press left is what a drag takes; moving does not extend it.
      return pressedOnSelection_;
    case QEvent::MouseButtonRelease: {
      const bool held = heldSelection_;
      heldSelection_ = false;
      pressedOnSelection_ = false;
      if (draggedOut_) {
        draggedOut_ = false;
        return held;
      }
      if (held) {
        SelectDiscs({pressedNumber_});
        return true;
      }
      return false;
    }
    default:
      return false;
  }
}

// ---- Dragging out --------------------------------------------------------------------

std::vector<std::string> TMMBFrm::ExportSelectionToTempArea() {
  MMBDataClass* data = MMBData();
  if (TempAreaPath.empty() || data == nullptr || data->File == nullptr) {
    return {};
  }
  if (!IsOwnPrivateFolder(TempAreaPath)) {
    Prompts().ShowMessage("The temporary folder \"" + TempAreaPath +
                          "\" is no longer this program's own, so no files were copied.");
    return {};
  }
  std::vector<MMBSlot> chosen;
  for (const MMBSlot& slot : SelectedSlots()) {
    if (slot.Formatted()) {
      chosen.push_back(slot);
    }
  }
  if (OnClearTempArea) {
    OnClearTempArea();
  }
  const std::vector<std::string> names = MMBExportNames(chosen);
  try {
    for (size_t index = 0; index < chosen.size(); ++index) {
      if (MMBResult exported =
              data->File->Export(chosen[index].Number, TempAreaPath + "/" + names[index]);
          !exported) {
        Prompts().ShowMessage(exported.message);
        return {};
      }
    }
  } catch (const std::exception& error) {
    Prompts().ShowMessage(error.what());
    return {};
  }
  return names;
}

void TMMBFrm::StartDragOut() {
  const std::vector<std::string> names = ExportSelectionToTempArea();
  std::unique_ptr<QMimeData> data;
  try {
    data = MakeDataObject(TempAreaPath, names);
  } catch (const std::exception& error) {
    Prompts().ShowMessage(error.what());
    return;
  }
  if (data == nullptr) {
    return;
  }
  if (OnSetDragSource) {
    OnSetDragSource(this);
  }
  auto* drag = new QDrag(MMBSlots);  // Qt deletes it once the drag is over
  drag->setMimeData(data.release());
  {
    RightButtonDragCanceller canceller;
    drag->exec(Qt::CopyAction, Qt::CopyAction);
  }
  if (OnSetDragSource && OnGetDragSource && OnGetDragSource() == this) {
    OnSetDragSource(nullptr);
  }
}

// ---- Dropping in ---------------------------------------------------------------------

bool TMMBFrm::AcceptsDrop(const QDropEvent* event) const {
  const QObject* source = event->source();
  const bool fromHere = source != nullptr && (source == this || source == MMBSlots);
  return !fromHere && (event->possibleActions() & Qt::CopyAction) != 0 &&
         HasLocalFiles(event->mimeData());
}

// The drop is taken at once and imported from the event loop, so that the questions of
// the import do not hold up the program the file came from.
void TMMBFrm::DropOnSlot(QDropEvent* event) {
  const QModelIndex index = MMBSlots->indexAt(event->position().toPoint());
  if (!AcceptsDrop(event) || !index.isValid()) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
  const std::vector<std::string> paths = DroppedLocalPaths(event->mimeData());
  const int number = model_->SlotAt(index.row()).Number;
  QTimer::singleShot(0, this, [this, paths, number] {
    if (paths.size() != 1 || !IsSingleSidedName(paths.front())) {
      Prompts().ShowMessage(kMMBDropOneImageMessage);
    } else if (OnImportImage) {
      OnImportImage(this, number, paths.front());
    }
  });
}
