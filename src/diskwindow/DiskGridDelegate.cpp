// SPDX-License-Identifier: GPL-3.0-or-later
#include "diskwindow/DiskGridDelegate.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QTableWidget>

#include "diskwindow/DFSDisk.h"

namespace {

const QColor kSelectedBackground(0, 0, 128);
const QColor kSelectedText(255, 255, 255);

// Ctrl and Meta chords are commands (copy, undo, select all), not typed characters.
bool IsCommandChord(const QKeyEvent* event) {
  return (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) != 0;
}

}  // namespace

std::optional<EntryField> EditableField(int column) {
  switch (column) {
    case 0:
      return EntryField::Directory;
    case 1:
      return EntryField::Name;
    case 3:
      return EntryField::Load;
    case 4:
      return EntryField::Exec;
    default:
      return std::nullopt;
  }
}

DiskGridDelegate::DiskGridDelegate(TDFSDiskFrm* window, QTableWidget* grid)
    : QStyledItemDelegate(grid), window_(window), grid_(grid) {}

void DiskGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
  const bool selected = window_->IsRowSelected(index.row() + 1);
  painter->save();
  painter->fillRect(option.rect,
                    selected ? kSelectedBackground : option.palette.color(QPalette::Base));
  painter->setPen(selected ? kSelectedText : option.palette.color(QPalette::Text));
  painter->setFont(option.font);
  const QString text = index.data().toString();
  const QFontMetrics metrics(option.font);
  const int textWidth = metrics.horizontalAdvance(text);
  const int textHeight = metrics.height();
  const int top = option.rect.top() + (grid_->rowHeight(index.row()) - textHeight) / 2;
  int left = option.rect.left();
  if (index.column() != 1) {
    left += (grid_->columnWidth(index.column()) - textWidth) / 2;
  }
  painter->drawText(QRect(left, top, textWidth, textHeight), Qt::AlignLeft | Qt::AlignTop, text);
  painter->restore();
}

QWidget* DiskGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const {
  auto* editor = new QLineEdit(parent);
  editor->setObjectName("CellEditor");
  editor->setFrame(false);
  editor->setFont(option.font);
  // As the cell shows it: the name at the left, every other column centred.
  editor->setAlignment(index.column() == 1 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
  editor->setAcceptDrops(false);
  editor->setContextMenuPolicy(Qt::NoContextMenu);
  editor->setAttribute(Qt::WA_InputMethodEnabled, false);
  if (std::optional<EntryField> field = EditableField(index.column())) {
    editor->setMaxLength(static_cast<int>(FieldMaxLength(*field)));
  }
  return editor;
}

void DiskGridDelegate::setEditorData(QWidget* editor, const QModelIndex&) const {
  if (auto* lineEditor = qobject_cast<QLineEdit*>(editor)) {
    lineEditor->setText(QString::fromLatin1(window_->EditSavedText));
  }
}

void DiskGridDelegate::CloseCellEditor(QWidget* editor) {
  emit closeEditor(editor, QAbstractItemDelegate::NoHint);
}

// Replaces the base class's handling, which would commit on focus loss and move on
// with Tab: the window alone decides when an edit ends.
bool DiskGridDelegate::eventFilter(QObject* object, QEvent* event) {
  auto* editor = qobject_cast<QLineEdit*>(object);
  if (editor == nullptr) {
    return false;
  }
  switch (event->type()) {
    case QEvent::ShortcutOverride: {
      // Esc reaches the editor instead of a shortcut.
      auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Escape) {
        event->accept();
        return true;
      }
      return false;
    }
    case QEvent::KeyPress: {
      auto* key = static_cast<QKeyEvent*>(event);
      return window_->EditorKeyDown(key) || FilterTypedKey(editor, key);
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
      // The middle button would paste the selection past the rules.
      return static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton;
    default:
      return false;
  }
}

bool DiskGridDelegate::FilterTypedKey(QLineEdit* editor, QKeyEvent* event) const {
  if (event->matches(QKeySequence::Paste)) {
    return true;
  }
  const QString text = event->text();
  if (event->key() == Qt::Key_Backspace || IsCommandChord(event) || text.size() != 1 ||
      !text[0].isPrint()) {
    return false;
  }
  const std::optional<EntryField> field = EditableField(window_->EditCol);
  if (!field || text[0].unicode() > 0xFF ||
      static_cast<size_t>(editor->text().size()) >= FieldMaxLength(*field)) {
    return true;
  }
  // Typing replaces the selection, so the character lands where the selection starts.
  const int caret = editor->hasSelectedText() ? editor->selectionStart() : editor->cursorPosition();
  const std::optional<char> taken =
      FilterTypedCharacter(*field, text[0].toLatin1(), static_cast<size_t>(caret));
  if (taken) {
    editor->insert(QString(QChar::fromLatin1(*taken)));
  }
  return true;
}
