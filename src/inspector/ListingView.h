// SPDX-License-Identifier: GPL-3.0-or-later
// A read-only view of a file listing (a BASIC program, a file as text): the lines with
// their coloured spans, painted like the hex dump, only those in view, with a vertical
// TSScrollBar of its own (and a horizontal bar for lines wider than the view). Lines are
// selected by click, drag, Shift+click and the keys Up, Down, Page Up, Page Down, Home
// and End; the selection is copied as the same plain text the command line prints. A
// double-click (or Enter) on a line reports the offset of the line's first byte. Find
// searches the lines' text. A span that names another line (a label operand in a
// disassembly) is a link: clicking it selects that line, and Alt+Left goes back to where
// each link was followed from. What the lines hold and what is copied are the core's rules
// (FileListing, PlainText, ListingSearch); this widget only shows and selects.
#pragma once

#include <QWidget>
#include <optional>
#include <string>
#include <vector>

#include "decode/ListingLine.h"
#include "decode/ListingSearch.h"

class QScrollBar;
class TSScrollBar;

class ListingView : public QWidget {
  Q_OBJECT
 public:
  explicit ListingView(QWidget* parent = nullptr);

  // Replaces the lines and the sentence shown below them (alone when there are no lines).
  // The scroll position and the selection stay where they were, as far as the new lines
  // reach; a search starts again from the first line.
  void SetListing(std::vector<ListingLine> lines, std::string note);
  const std::vector<ListingLine>& Lines() const { return lines_; }
  const std::string& Note() const { return note_; }

  // ---- Selection ----
  bool HasSelection() const { return anchor_ >= 0; }
  // The selected lines, first to last, or -1 for both without a selection.
  int FirstSelected() const;
  int LastSelected() const;
  // Selects from anchor to current (either order); current is the line that the keys
  // move. Clipped to the lines there are.
  void SelectLines(int anchor, int current);
  void SelectAll();
  void ClearSelection();
  // The selected lines as plain text, joined by line feeds.
  std::string SelectedText() const;
  // Puts SelectedText() on the clipboard as plain text; nothing without a selection.
  void CopySelection();

  // ---- Links ----
  // The line the link under the point leads to, or -1 when there is no link there.
  int LinkAt(QPoint point) const;
  // Selects target and shows it third from the top, remembering from (the line of the
  // link) for GoBack.
  void FollowLink(int from, int target);
  // Back to the line the last link was followed from; false when there is none.
  bool GoBack();
  size_t BackSteps() const { return history_.size(); }
  // Selects the line holding the byte at offset (the last line starting at or before
  // it) and shows it third from the top; false when there are no lines.
  bool ShowOffset(int64_t offset);

  // ---- Find ----
  // A new search from the first line; selects the line of the match and scrolls it into
  // view (third from the top, as the hex view does).
  ListingFindOutcome Find(const std::string& pattern, bool ignoreCase);
  ListingFindOutcome FindAgain(const std::string& pattern, bool ignoreCase);
  const std::optional<ListingMatch>& Match() const { return search_.Match(); }

  // ---- Geometry ----
  TSScrollBar* VScrollBar = nullptr;
  QScrollBar* HScrollBar = nullptr;
  int RowHeight() const { return rowHeight_; }
  int CharWidth() const { return charWidth_; }
  // Top of a line in the widget at the present scroll position.
  int LineTop(int line) const;
  // The line whose row holds y (possibly outside the lines).
  int LineAt(int y) const;
  // The area the lines are painted in, left of and above the scroll bars.
  QRect TextArea() const;
  // Scrolls as little as needed to show the whole line.
  void EnsureVisible(int line);
  // Lines the last paint drew.
  int LastPaintLines() const { return lastPaintLines_; }

 signals:
  void SelectionChanged();
  // A double-click or Enter on a line: the offset of the line's first byte in the file.
  void LineActivated(qint64 offset);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void MeasureFont();
  void UpdateBars();
  int NoteHeight(int width) const;
  // Moves the current line to line (clipped), extending the selection with extend.
  void MoveCurrent(int line, bool extend);
  void ShowMatch(ListingFindOutcome outcome);
  // Selects line alone and scrolls it to the third row from the top.
  void SelectAndShow(int line);
  void PaintLine(class QPainter& canvas, int line, int top, int right);
  void PaintTeletextBlock(class QPainter& canvas, const ListingSpan& span, int x, int top);

  std::vector<ListingLine> lines_;
  std::string note_;
  size_t widestLine_ = 0;  // in characters
  int anchor_ = -1;
  int current_ = -1;
  bool dragging_ = false;
  ListingSearch search_;
  int rowHeight_ = 16;
  int charWidth_ = 8;
  int baseline_ = 12;
  int wheelRemainder_ = 0;
  int lastPaintLines_ = 0;
  std::vector<int> history_;  // the lines links were followed from, oldest first
};
