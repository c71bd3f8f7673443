#include "support_gui/MainFrameHelpers.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QMenu>
#include <QTableWidget>
#include <QTest>

#include "app/KestrowMain.h"
#include "diskwindow/DFSDisk.h"

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
