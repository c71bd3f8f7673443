// SPDX-License-Identifier: GPL-3.0-or-later
// Paints the disk window's grid cells in the window's own selection colours and runs the
// in-place cell editor: it takes typed characters through the entry rules and hands the
// keys that commit or cancel an edit to the window.
#pragma once

#include <QStyledItemDelegate>
#include <optional>

#include "disk/EntryRules.h"

class QKeyEvent;
class QLineEdit;
class QTableWidget;
class TDFSDiskFrm;

// The entry field a grid column edits: 0 directory, 1 name, 3 load, 4 exec; nothing for
// the lock, size and sector columns.
std::optional<EntryField> EditableField(int column);

class DiskGridDelegate : public QStyledItemDelegate {
 public:
  DiskGridDelegate(TDFSDiskFrm* window, QTableWidget* grid);

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  // A frameless line editor in the grid's font that takes no drops, pastes or input
  // method text, so that every character arrives as a key the rules can look at.
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override;
  // The editor starts from the window's EditSavedText.
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  // The window writes the cells itself when it commits.
  void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const override {}
  // Closes the open editor without writing anything to the grid.
  void CloseCellEditor(QWidget* editor);

 protected:
  bool eventFilter(QObject* object, QEvent* event) override;

 private:
  // Applies the field's rules to a typed character; true when the key was used up.
  bool FilterTypedKey(QLineEdit* editor, QKeyEvent* event) const;

  TDFSDiskFrm* window_;
  QTableWidget* grid_;
};
