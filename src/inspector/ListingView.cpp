// SPDX-License-Identifier: GPL-3.0-or-later
#include "inspector/ListingView.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

#include "inspector/SScrollBar.h"

namespace {

const int kScrollBarWidth = 16;
const int kTopMargin = 4;  // as the hex view: the first row four pixels below the tabs
const int kLeftMargin = 4;
const int kWheelLines = 3;

const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);
// Selected lines as the hex view shows selected bytes.
const QColor kSelectionText(255, 255, 0);
const QColor kSelectionBack(0, 0, 255);
const QColor kBlockBorder(96, 96, 96);

QColor SpanColour(SpanKind kind) {
  switch (kind) {
    case SpanKind::LineNumber:
    case SpanKind::LineReference:
      return {0, 110, 130};
    case SpanKind::Keyword:
      return {0, 0, 170};
    case SpanKind::String:
      return {170, 40, 0};
    case SpanKind::Literal:
      return {0, 120, 0};
    case SpanKind::Escape:
      return {150, 0, 150};
    case SpanKind::TeletextColour:
      break;
    case SpanKind::Address:
      return {110, 110, 110};
    case SpanKind::Bytes:
      return {130, 90, 0};
    case SpanKind::Mnemonic:
      return {0, 0, 170};
    case SpanKind::Operand:
      return {120, 0, 120};
    case SpanKind::Label:
      return {0, 110, 130};
    case SpanKind::Comment:
      return {0, 120, 0};
  }
  return kBlack;
}

QColor TeletextRgb(TeletextColour colour) {
  const int code = static_cast<int>(colour);
  return {code & 1 ? 255 : 0, code & 2 ? 255 : 0, code & 4 ? 255 : 0};
}

QString Latin1(const std::string& text, size_t start, size_t length) {
  return QString::fromLatin1(text.data() + start, static_cast<qsizetype>(length));
}

}  // namespace

ListingView::ListingView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);  // the pointer changes over a link
  VScrollBar = new TSScrollBar(this);
  VScrollBar->setObjectName("ListingVScrollBar");
  HScrollBar = new QScrollBar(Qt::Horizontal, this);
  HScrollBar->setObjectName("ListingHScrollBar");
  HScrollBar->setFocusPolicy(Qt::NoFocus);
  HScrollBar->hide();
  connect(VScrollBar, &QScrollBar::valueChanged, this, [this] { update(); });
  connect(HScrollBar, &QScrollBar::valueChanged, this, [this] { update(); });
  MeasureFont();
}

void ListingView::MeasureFont() {
  const QFontMetrics metrics(font());
  charWidth_ = std::max(1, metrics.horizontalAdvance('0'));
  rowHeight_ = std::max(16, metrics.height());
  baseline_ = metrics.ascent() + (rowHeight_ - metrics.height()) / 2;
  VScrollBar->setSingleStep(rowHeight_);
  UpdateBars();
}

// ---- Lines ---------------------------------------------------------------------------

void ListingView::SetListing(std::vector<ListingLine> lines, std::string note) {
  lines_ = std::move(lines);
  note_ = std::move(note);
  widestLine_ = 0;
  for (const ListingLine& line : lines_) {
    widestLine_ = std::max(widestLine_, line.text.size());
  }
  search_ = ListingSearch();
  // Lines that went back would lead somewhere else in the new lines.
  history_.clear();
  const int last = static_cast<int>(lines_.size()) - 1;
  if (anchor_ > last || current_ > last) {
    if (last < 0) {
      anchor_ = current_ = -1;
    } else {
      anchor_ = std::min(anchor_, last);
      current_ = std::min(current_, last);
    }
    emit SelectionChanged();
  }
  UpdateBars();
  update();
}

int ListingView::FirstSelected() const {
  return HasSelection() ? std::min(anchor_, current_) : -1;
}

int ListingView::LastSelected() const {
  return HasSelection() ? std::max(anchor_, current_) : -1;
}

void ListingView::SelectLines(int anchor, int current) {
  const int last = static_cast<int>(lines_.size()) - 1;
  if (last < 0) {
    ClearSelection();
    return;
  }
  anchor_ = std::clamp(anchor, 0, last);
  current_ = std::clamp(current, 0, last);
  update();
  emit SelectionChanged();
}

void ListingView::SelectAll() {
  SelectLines(0, static_cast<int>(lines_.size()) - 1);
}

void ListingView::ClearSelection() {
  if (anchor_ == -1) {
    return;
  }
  anchor_ = current_ = -1;
  update();
  emit SelectionChanged();
}

std::string ListingView::SelectedText() const {
  if (!HasSelection()) {
    return {};
  }
  const auto first = static_cast<size_t>(FirstSelected());
  return PlainText(lines_, first, static_cast<size_t>(LastSelected()) - first + 1);
}

void ListingView::CopySelection() {
  if (!HasSelection()) {
    return;
  }
  const std::string text = SelectedText();
  QApplication::clipboard()->setText(
      QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

// ---- Find ----------------------------------------------------------------------------

ListingFindOutcome ListingView::Find(const std::string& pattern, bool ignoreCase) {
  search_.Restart();
  return FindAgain(pattern, ignoreCase);
}

ListingFindOutcome ListingView::FindAgain(const std::string& pattern, bool ignoreCase) {
  const ListingFindOutcome outcome = search_.FindNext(lines_, pattern, ignoreCase);
  ShowMatch(outcome);
  return outcome;
}

// ---- Links ---------------------------------------------------------------------------

int ListingView::LinkAt(QPoint point) const {
  const int line = LineAt(point.y());
  if (line < 0 || line >= static_cast<int>(lines_.size()) || point.x() >= TextArea().width()) {
    return -1;
  }
  const int x = point.x() - kLeftMargin + HScrollBar->value();
  if (x < 0) {
    return -1;
  }
  const auto column = static_cast<uint32_t>(x / charWidth_);
  for (const ListingSpan& span : lines_[static_cast<size_t>(line)].spans) {
    if (span.targetLine >= 0 && span.start <= column && column < span.start + span.length) {
      return span.targetLine < static_cast<int>(lines_.size()) ? span.targetLine : -1;
    }
  }
  return -1;
}

void ListingView::FollowLink(int from, int target) {
  history_.push_back(from);
  SelectAndShow(target);
}

bool ListingView::GoBack() {
  if (history_.empty()) {
    return false;
  }
  const int line = history_.back();
  history_.pop_back();
  SelectAndShow(line);
  return true;
}

bool ListingView::ShowOffset(int64_t offset) {
  if (lines_.empty()) {
    return false;
  }
  auto after = std::upper_bound(
      lines_.begin(), lines_.end(), offset,
      [](int64_t wanted, const ListingLine& line) { return wanted < line.offset; });
  SelectAndShow(after == lines_.begin() ? 0 : static_cast<int>(after - lines_.begin()) - 1);
  return true;
}

void ListingView::SelectAndShow(int line) {
  line = std::clamp(line, 0, std::max(0, static_cast<int>(lines_.size()) - 1));
  anchor_ = current_ = line;
  // Third from the top, as far as the scroll range allows, as Find shows a match.
  VScrollBar->setValue(rowHeight_ * (line - 2));
  HScrollBar->setValue(0);
  update();
  emit SelectionChanged();
}

void ListingView::ShowMatch(ListingFindOutcome outcome) {
  if (outcome != ListingFindOutcome::Found) {
    update();
    return;
  }
  const ListingMatch& match = *search_.Match();
  const int line = static_cast<int>(match.line);
  anchor_ = current_ = line;
  // The line stands third from the top, as far as the scroll range allows.
  VScrollBar->setValue(rowHeight_ * (line - 2));
  const int areaWidth = TextArea().width();
  const int left = kLeftMargin + static_cast<int>(match.column) * charWidth_;
  const int right = left + static_cast<int>(match.length) * charWidth_;
  if (left < HScrollBar->value() || right > HScrollBar->value() + areaWidth) {
    HScrollBar->setValue(left - areaWidth / 3);
  }
  update();
  emit SelectionChanged();
}

// ---- Geometry ------------------------------------------------------------------------

int ListingView::LineTop(int line) const {
  return kTopMargin + line * rowHeight_ - VScrollBar->value();
}

int ListingView::LineAt(int y) const {
  const int content = y - kTopMargin + VScrollBar->value();
  return content < 0 ? -1 - (-content - 1) / rowHeight_ : content / rowHeight_;
}

QRect ListingView::TextArea() const {
  const int bottom = HScrollBar->isVisibleTo(this) ? HScrollBar->y() : height();
  return QRect(0, 0, std::max(0, width() - kScrollBarWidth), std::max(0, bottom));
}

void ListingView::EnsureVisible(int line) {
  const int top = kTopMargin + line * rowHeight_;
  const int areaHeight = TextArea().height();
  if (top < VScrollBar->value()) {
    VScrollBar->setValue(top - kTopMargin);
  } else if (top + rowHeight_ > VScrollBar->value() + areaHeight) {
    VScrollBar->setValue(top + rowHeight_ - areaHeight);
  }
}

int ListingView::NoteHeight(int width) const {
  if (note_.empty()) {
    return 0;
  }
  const QRect bounds =
      QFontMetrics(font()).boundingRect(QRect(0, 0, std::max(1, width - 2 * kLeftMargin), 10000),
                                        Qt::TextWordWrap, QString::fromLatin1(note_));
  // A blank row between the last line and the sentence.
  return bounds.height() + (lines_.empty() ? 0 : rowHeight_);
}

void ListingView::UpdateBars() {
  const int areaWidth = std::max(0, width() - kScrollBarWidth);
  const int contentWidth = 2 * kLeftMargin + static_cast<int>(widestLine_) * charWidth_;
  const bool wide = contentWidth > areaWidth;
  HScrollBar->setVisible(wide);
  const int areaHeight = std::max(0, height() - (wide ? kScrollBarWidth : 0));
  HScrollBar->setGeometry(0, areaHeight, areaWidth, kScrollBarWidth);
  HScrollBar->setRange(0, wide ? contentWidth - areaWidth : 0);
  HScrollBar->setPageStep(std::max(1, areaWidth));
  HScrollBar->setSingleStep(charWidth_);
  VScrollBar->setGeometry(areaWidth, 0, kScrollBarWidth, areaHeight);
  VScrollBar->WorldSize =
      kTopMargin + static_cast<int>(lines_.size()) * rowHeight_ + NoteHeight(areaWidth);
  VScrollBar->WindowSize = areaHeight;
  VScrollBar->UpdateBar();
}

void ListingView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  UpdateBars();
}

void ListingView::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    MeasureFont();
  }
}

// ---- Painting ------------------------------------------------------------------------

void ListingView::paintEvent(QPaintEvent*) {
  QPainter canvas(this);
  const QRect area = TextArea();
  canvas.fillRect(area, kWhite);
  if (HScrollBar->isVisibleTo(this)) {
    // The corner between the two bars.
    canvas.fillRect(QRect(area.right() + 1, area.bottom() + 1, kScrollBarWidth, kScrollBarWidth),
                    palette().color(QPalette::Window));
  }
  canvas.setClipRect(area);
  const int count = static_cast<int>(lines_.size());
  const int first = std::max(0, LineAt(area.top()));
  const int last = std::min(count - 1, LineAt(area.bottom()));
  lastPaintLines_ = 0;
  for (int line = first; line <= last; ++line) {
    PaintLine(canvas, line, LineTop(line), area.right() + 1);
    ++lastPaintLines_;
  }
  if (!note_.empty()) {
    const int top = LineTop(count) + (count > 0 ? rowHeight_ : 0);
    canvas.setFont(font());
    canvas.setPen(kBlack);
    canvas.drawText(QRect(kLeftMargin, top, area.width() - 2 * kLeftMargin, 10000),
                    Qt::TextWordWrap, QString::fromLatin1(note_));
  }
}

void ListingView::PaintLine(QPainter& canvas, int line, int top, int right) {
  const ListingLine& listed = lines_[static_cast<size_t>(line)];
  const std::string& text = listed.text;
  const bool selected = HasSelection() && FirstSelected() <= line && line <= LastSelected();
  if (selected) {
    canvas.fillRect(QRect(0, top, right, rowHeight_), kSelectionBack);
  }
  QFont regular = font();
  QFont bold = regular;
  bold.setBold(true);
  const int originX = kLeftMargin - HScrollBar->value();
  const int firstColumn = std::max(0, -originX / charWidth_ - 1);
  const int lastColumn = (right - originX) / charWidth_ + 1;
  // Draws text[start, start + length) at its columns, cut to the columns in view.
  QFont underlined = regular;
  underlined.setUnderline(true);
  auto draw = [&](size_t start, size_t length, const QColor& colour, bool isBold,
                  bool isLink = false) {
    const size_t from = std::max(start, static_cast<size_t>(firstColumn));
    const size_t to = std::min(start + length, static_cast<size_t>(std::max(0, lastColumn)));
    if (from >= to) {
      return;
    }
    canvas.setFont(isBold ? bold : isLink ? underlined : regular);
    canvas.setPen(selected ? kSelectionText : colour);
    canvas.drawText(originX + static_cast<int>(from) * charWidth_, top + baseline_,
                    Latin1(text, from, to - from));
  };
  size_t done = 0;
  for (const ListingSpan& span : listed.spans) {
    draw(done, span.start - done, kBlack, false);
    if (span.kind == SpanKind::TeletextColour) {
      PaintTeletextBlock(canvas, span, originX + static_cast<int>(span.start) * charWidth_, top);
    } else {
      draw(span.start, span.length, SpanColour(span.kind),
           span.kind == SpanKind::Keyword || span.kind == SpanKind::Mnemonic, span.targetLine >= 0);
    }
    done = span.start + span.length;
  }
  draw(done, text.size() - std::min(done, text.size()), kBlack, false);

  const std::optional<ListingMatch>& match = search_.Match();
  if (match && static_cast<int>(match->line) == line) {
    const int x = originX + static_cast<int>(match->column) * charWidth_;
    canvas.fillRect(QRect(x, top, static_cast<int>(match->length) * charWidth_, rowHeight_),
                    kSelectionText);
    canvas.setFont(regular);
    canvas.setPen(kSelectionBack);
    canvas.drawText(x, top + baseline_, Latin1(text, match->column, match->length));
  }
}

// A teletext colour code keeps the four columns of its \xHH text (so the columns match
// the copied text) and is drawn as a small block in its colour; a graphics colour as a
// block split into the six cells of a mosaic.
void ListingView::PaintTeletextBlock(QPainter& canvas, const ListingSpan& span, int x, int top) {
  // Half as wide as the text, in the middle of its columns.
  const int width = static_cast<int>(span.length) * charWidth_ / 2;
  const QRect block(x + width / 2, top + 3, width, rowHeight_ - 6);
  const QColor colour = TeletextRgb(span.colour);
  canvas.fillRect(block, colour);
  if (span.graphics) {
    const QColor gap = kWhite;
    const int middle = block.left() + block.width() / 2;
    canvas.fillRect(QRect(middle, block.top(), 1, block.height()), gap);
    for (int third = 1; third < 3; ++third) {
      canvas.fillRect(
          QRect(block.left(), block.top() + block.height() * third / 3, block.width(), 1), gap);
    }
  }
  canvas.setPen(kBlockBorder);
  canvas.setBrush(Qt::NoBrush);
  canvas.drawRect(block.adjusted(0, 0, -1, -1));
}

// ---- Mouse and keys ------------------------------------------------------------------

void ListingView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    return;
  }
  const int line = LineAt(event->position().toPoint().y());
  if (line < 0 || line >= static_cast<int>(lines_.size())) {
    ClearSelection();
    return;
  }
  const int target = LinkAt(event->position().toPoint());
  if (target >= 0 && event->modifiers() == Qt::NoModifier) {
    FollowLink(line, target);
    return;
  }
  dragging_ = true;
  const bool extend = event->modifiers().testFlag(Qt::ShiftModifier) && HasSelection();
  SelectLines(extend ? anchor_ : line, line);
}

void ListingView::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) {
    if (LinkAt(event->position().toPoint()) >= 0) {
      setCursor(Qt::PointingHandCursor);
    } else {
      unsetCursor();
    }
  }
  if (!dragging_ || !event->buttons().testFlag(Qt::LeftButton) || lines_.empty()) {
    return;
  }
  const int line =
      std::clamp(LineAt(event->position().toPoint().y()), 0, static_cast<int>(lines_.size()) - 1);
  if (line != current_) {
    current_ = line;
    EnsureVisible(line);  // dragging past the top or bottom scrolls
    update();
    emit SelectionChanged();
  }
}

void ListingView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    dragging_ = false;
  }
}

void ListingView::mouseDoubleClickEvent(QMouseEvent* event) {
  const int line = LineAt(event->position().toPoint().y());
  if (event->button() != Qt::LeftButton || line < 0 || line >= static_cast<int>(lines_.size())) {
    return;
  }
  SelectLines(line, line);
  emit LineActivated(lines_[static_cast<size_t>(line)].offset);
}

void ListingView::wheelEvent(QWheelEvent* event) {
  wheelRemainder_ += event->angleDelta().y();
  const int notches = wheelRemainder_ / 120;
  wheelRemainder_ -= notches * 120;
  VScrollBar->setValue(VScrollBar->value() - notches * kWheelLines * rowHeight_);
}

void ListingView::MoveCurrent(int line, bool extend) {
  if (lines_.empty()) {
    return;
  }
  line = std::clamp(line, 0, static_cast<int>(lines_.size()) - 1);
  anchor_ = extend && HasSelection() ? anchor_ : line;
  current_ = line;
  EnsureVisible(line);
  update();
  emit SelectionChanged();
}

void ListingView::keyPressEvent(QKeyEvent* event) {
  const bool extend = event->modifiers().testFlag(Qt::ShiftModifier);
  const int page = std::max(1, TextArea().height() / rowHeight_ - 1);
  // Without a selection the keys start from the first line in view.
  const int from = HasSelection() ? current_ : std::max(0, LineAt(kTopMargin));
  const int step = HasSelection() ? 1 : 0;
  switch (event->key()) {
    case Qt::Key_Up:
      MoveCurrent(from - step, extend);
      break;
    case Qt::Key_Down:
      MoveCurrent(from + step, extend);
      break;
    case Qt::Key_PageUp:
      MoveCurrent(from - page, extend);
      break;
    case Qt::Key_PageDown:
      MoveCurrent(from + page, extend);
      break;
    case Qt::Key_Home:
      MoveCurrent(0, extend);
      break;
    case Qt::Key_End:
      MoveCurrent(static_cast<int>(lines_.size()) - 1, extend);
      VScrollBar->setValue(VScrollBar->maximum());  // the sentence below the lines too
      break;
    case Qt::Key_Left:
      if (event->modifiers().testFlag(Qt::AltModifier)) {
        GoBack();
        break;
      }
      HScrollBar->setValue(HScrollBar->value() - charWidth_);
      break;
    case Qt::Key_Right:
      HScrollBar->setValue(HScrollBar->value() + charWidth_);
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (HasSelection()) {
        emit LineActivated(lines_[static_cast<size_t>(current_)].offset);
      }
      break;
    default:
      event->ignore();
      return;
  }
  event->accept();
}
