// SPDX-License-Identifier: GPL-3.0-or-later
#include "support_gui/MainFrameHelpers.h"

#include <QApplication>
#include <QCoreApplication>
#include <QHeaderView>
#include <QListWidget>
#include <QMdiArea>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableWidget>
#include <QTest>
#include <QToolBar>
#include <cerrno>

#include "app/KestrowMain.h"
#include "dialogs/SaveChanges.h"
#include "diskwindow/DFSDisk.h"
#include "inspector/FileInspector.h"
#include "support_gui/InspectorTestSupport.h"

std::unique_ptr<TKestrowMainFrm> MakeMainFrame() {
  auto frame = std::make_unique<TKestrowMainFrm>();
  frame->Timer1Timer(nullptr);
  frame->show();
  frame->activateWindow();
  if (!QTest::qWaitForWindowActive(frame.get())) {
    qWarning("main frame did not become active");
  }
  return frame;
}

std::vector<QAction*> WindowEntries(const TKestrowMainFrm& frame) {
  std::vector<QAction*> entries;
  bool afterSecondSeparator = false;
  for (QAction* item : frame.WindowMnu->actions()) {
    if (afterSecondSeparator) {
      entries.push_back(item);
    }
    afterSecondSeparator = afterSecondSeparator || item == frame.N2;
  }
  return entries;
}

QStringList WindowMenuOutline(const TKestrowMainFrm& frame) {
  QStringList outline;
  for (QAction* entry : WindowEntries(frame)) {
    QString text = entry->text();
    if (entry->menu() != nullptr) {
      QStringList subEntries;
      for (QAction* subEntry : entry->menu()->actions()) {
        subEntries << subEntry->text();
      }
      text += "[" + subEntries.join("|") + "]";
    }
    outline << text;
  }
  return outline;
}

void CloseChild(ChildWindowClass* window) {
  window->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
}

void ClickGridRow(TDFSDiskFrm* window, int row, Qt::KeyboardModifiers modifiers,
                  Qt::MouseButton button) {
  QTableWidget* grid = window->DFSFiles;
  if (row == 0) {
    QHeaderView* titles = grid->horizontalHeader();
    QTest::mouseClick(titles->viewport(), button, modifiers, QPoint(40, titles->height() / 2));
    return;
  }
  QPoint point;
  if (row > grid->rowCount()) {
    // Just below the last row (or the top of an empty grid).
    const int bottom = grid->rowCount() == 0 ? 0 : window->FileRowRect(grid->rowCount()).bottom();
    point = QPoint(40, bottom + 4);
  } else {
    point = window->FileRowRect(row).center();
  }
  QTest::mouseClick(grid->viewport(), button, modifiers, point);
}

std::string SelectionMarkup(const TDFSDiskFrm* window) {
  std::string markup;
  for (bool selected : window->SelectedRows) {
    markup += selected ? '1' : '0';
  }
  return markup;
}

void SelectRows(TDFSDiskFrm* window, const std::string& markup) {
  bool first = true;
  for (size_t index = 0; index < markup.size(); ++index) {
    if (markup[index] == '1') {
      ClickGridRow(window, static_cast<int>(index) + 1,
                   first ? Qt::NoModifier : Qt::ControlModifier);
      first = false;
    }
  }
}

QStringList EnabledCommandNames(const TKestrowMainFrm& frame) {
  QStringList enabled;
  for (QMenu* menu :
       {frame.DiskMnu, frame.FileMnu, frame.EditMnu, frame.View1, frame.WindowMnu, frame.HelpMnu}) {
    for (QAction* item : menu->actions()) {
      if (!IsWindowEntry(item) && !item->isSeparator() && item->isEnabled()) {
        enabled << item->objectName();
      }
    }
  }
  for (QAction* button : frame.TBToolbar1->actions()) {
    if (!button->objectName().isEmpty() && button->isEnabled()) {
      enabled << button->objectName();
    }
  }
  return enabled;
}

void ClickToolButton(const TKestrowMainFrm& frame, QAction* button) {
  QTest::mouseClick(frame.TBToolbar1->widgetForAction(button), Qt::LeftButton);
}

void ClickMenuItem(const TKestrowMainFrm& frame, QMenu* menu, QAction* item) {
  menu->popup(frame.mapToGlobal(QPoint(10, 10)));
  if (!QTest::qWaitForWindowExposed(menu)) {
    qWarning("menu did not show");
  }
  QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(item).center());
  menu->hide();
}

QStringList ListedNames(const TDFSDiskFrm* window) {
  QStringList names;
  for (int row = 1; row <= window->ListedFiles; ++row) {
    QString name = window->Cells(1, row);
    while (name.endsWith(' ')) {
      name.chop(1);
    }
    names << name;
  }
  return names;
}

namespace {

// A host file whose every write fails, as on a disk gone read-only.
class FailingWriteStream : public SFileStream {
 public:
  explicit FailingWriteStream(const std::string& path) : SFileStream(path, true) {}
  void Write(const void*, size_t) override {
    throw FileSystemError("Cannot write file", Path(), EIO);
  }
};

}  // namespace

void MakeImageWritesFail(TDFSDiskFrm* window) {
  DiskDataClass* data = window->DiskData();
  const std::string path = data->Disk->FileName;
  const SectorMapping mapping = data->Disk->Mapping();
  // The open image lets go of its lock before the failing stream takes it.
  data->Disk.reset();
  data->Disk =
      std::make_unique<DFSDiskClass>(std::make_shared<FailingWriteStream>(path), path, mapping);
}

std::vector<TFileInspectorFrm*> OpenInspectors(TKestrowMainFrm& frame, TDFSDiskFrm* disk,
                                               const std::string& markup) {
  const qsizetype before = frame.MdiArea->subWindowList().size();
  SelectRows(disk, markup);
  ClickToolButton(frame, frame.FileInspectorBut);
  std::vector<TFileInspectorFrm*> opened;
  const QList<QMdiSubWindow*> windows = frame.MdiArea->subWindowList();
  for (qsizetype index = before; index < windows.size(); ++index) {
    opened.push_back(qobject_cast<TFileInspectorFrm*>(windows[index]));
  }
  return opened;
}

void TypeHex(TFileInspectorFrm* window, int32_t offset, const QString& digits) {
  QTest::mouseClick(window->View(), Qt::LeftButton, Qt::NoModifier, HexCellCentre(*window, offset));
  QTest::keyClicks(window->View(), digits);
}

void ClickListCheckBox(QListWidget* list, int row) {
  QStyleOptionViewItem option;
  option.initFrom(list->viewport());
  option.rect = list->visualItemRect(list->item(row));
  option.features |= QStyleOptionViewItem::HasCheckIndicator;
  const QRect box =
      list->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, list);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, box.center());
}

ReviewAnswer::ReviewAnswer(std::string ticks, QString button)
    : ticks_(std::move(ticks)),
      button_(std::move(button)),
      script_(TSaveChangesFrm::staticMetaObject, [this](QDialog* dialog) { Answer(dialog); }) {}

void ReviewAnswer::Answer(QDialog* dialog) {
  ++Shows;
  auto* list = dialog->findChild<QListWidget*>("List");
  Lines.clear();
  for (int row = 0; row < list->count(); ++row) {
    Lines << list->item(row)->text();
  }
  if (ticks_ == "*") {
    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
  }
  for (size_t row = 0; row < ticks_.size() && static_cast<int>(row) < list->count(); ++row) {
    if (ticks_[row] == '1') {
      ClickListCheckBox(list, static_cast<int>(row));
    }
  }
  QTest::mouseClick(dialog->findChild<QPushButton*>(button_), Qt::LeftButton);
}
