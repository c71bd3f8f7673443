// SPDX-License-Identifier: GPL-3.0-or-later
#include "inspector/FileInspector.h"

#include <QApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>

#include "inspector/Find.h"
#include "inspector/InspectorListings.h"
#include "inspector/ListingView.h"
#include "inspector/SScrollBar.h"
#include "inspector/ScreenTab.h"
#include "platform/Prompts.h"
#include "platform/QtPrompts.h"
#include "util/UsefulQt.h"

namespace {

const int kTabHeight = 25;
const int kScrollBarWidth = 16;
const int kLockedTicks = 20;
const int kLockedInterval = 500;
const int kOverTypePanelWidth = 50;
const int kSizePanelWidth = 150;
const char* const kLockedText = " File is locked !";
const char* const kNotFoundMessage = "No occurances can be found";
const char* const kPrivateClipboardFormat = "Kestrow_V0_3";

const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);
const QColor kSelectionText(255, 255, 0);
const QColor kSelectionBack(0, 0, 255);
const QColor kLockedRed(255, 0, 0);

const char kHexDigits[] = "0123456789ABCDEF";

QString HexText(uint32_t value, int digits) {
  QString text(digits, QLatin1Char('0'));
  for (int place = digits - 1; place >= 0; --place) {
    text[place] = QLatin1Char(kHexDigits[value & 0xF]);
    value >>= 4;
  }
  return text;
}

QChar ShownCharacter(uint8_t byte) {
  return byte >= 32 && byte <= 126 ? QLatin1Char(static_cast<char>(byte)) : QLatin1Char('.');
}

EditKey ToEditKey(int key) {
  switch (key) {
    case Qt::Key_Left:
      return EditKey::Left;
    case Qt::Key_Up:
      return EditKey::Up;
    case Qt::Key_Right:
      return EditKey::Right;
    case Qt::Key_Down:
      return EditKey::Down;
    case Qt::Key_Backspace:
      return EditKey::Backspace;
    case Qt::Key_Delete:
      return EditKey::Delete;
    default:
      return EditKey::Other;
  }
}

// The client area. The dump shows nothing of the focus, so gaining or losing it redraws
// nothing: a click into one window on a file leaves the others' pixels alone.
class InspectorView : public QWidget {
 protected:
  void focusInEvent(QFocusEvent*) override {}
  void focusOutEvent(QFocusEvent*) override {}
};

}  // namespace

TFileInspectorFrm::TFileInspectorFrm(QWidget* parent) : ChildWindowClass(parent) {
  FormCreate();
}

TFileInspectorFrm::~TFileInspectorFrm() {
  delete listings_;
  delete screen_;
  // The view and the status bar outlive this part of the window; they must not reach
  // its handlers any more.
  view_->removeEventFilter(this);
  StatusBar->removeEventFilter(this);
  LockedTimer->stop();
}

InspectorDataClass* TFileInspectorFrm::Data() const {
  return dynamic_cast<InspectorDataClass*>(CommonData);
}

// ---- Set-up ------------------------------------------------------------------------

void TFileInspectorFrm::FormCreate() {
  resize(535, 472);
  hexFont_ = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  hexFont_.setPixelSize(13);
  hexFont_.setBold(false);
  boldFont_ = hexFont_;
  boldFont_.setBold(true);
  statusFont_ = QApplication::font();

  view_ = new InspectorView;
  view_->setObjectName("InspectorView");
  // The painter fills every pixel, so the background is never erased first.
  view_->setAttribute(Qt::WA_OpaquePaintEvent);
  view_->setFocusPolicy(Qt::StrongFocus);
  view_->setFont(hexFont_);
  view_->installEventFilter(this);
  setWidget(view_);
  setFocusProxy(view_);

  CreateTab();

  VScrollBar = new TSScrollBar(view_);
  VScrollBar->setObjectName("VScrollBar");
  connect(VScrollBar, &QScrollBar::valueChanged, this, [this] { VScrollBarChange(); });

  StatusBar = new QWidget(view_);
  StatusBar->setObjectName("StatusBar");
  StatusBar->setFont(statusFont_);
  StatusBar->setAutoFillBackground(true);
  StatusBar->installEventFilter(this);
  CreateStatusPanels();

  LockedTimer = new QTimer(this);
  LockedTimer->setInterval(kLockedInterval);
  connect(LockedTimer, &QTimer::timeout, this, [this] { LockedTimerTimer(); });

  SetOverType(true);
  LayoutControls();
  listings_ = new InspectorListings(*this);
  screen_ = new ScreenTab(*this);
}

void TFileInspectorFrm::CreateTab() {
  Tab = new QTabBar(view_);
  Tab->setObjectName("Tab");
  for (const char* caption : {"Hex", "BASIC", "Assembler", "Text", "Screen"}) {
    Tab->addTab(caption);
  }
  QFont tabFont = QApplication::font();
  tabFont.setPixelSize(13);
  tabFont.setBold(true);
  Tab->setFont(tabFont);
  Tab->setFocusPolicy(Qt::NoFocus);
  Tab->setDrawBase(false);
  Tab->setExpanding(false);
  // The view under the strip paints rows scrolled up behind it and, erasing nothing,
  // keeps whatever the screen showed: the strip paints all of itself.
  Tab->setAutoFillBackground(true);
  Tab->setStyleSheet(
      "QTabBar::tab { background: white; color: black; border: 1px solid #a0a0a0;"
      " padding: 2px 12px; } QTabBar::tab:!selected { margin-top: 2px; }");
  connect(Tab, &QTabBar::currentChanged, this, [this] { TabChange(); });
}

void TFileInspectorFrm::CreateStatusPanels() {
  // 150 pixels, or as wide as the longest size text needs in the platform's font.
  sizePanelWidth_ =
      std::max(kSizePanelWidth,
               QFontMetrics(statusFont_).horizontalAdvance("Original size : 262144 bytes") + 8);
  panels_ = {{QString(), sizePanelWidth_, false, false},
             {QString(), sizePanelWidth_, false, false},
             {QString(), kOverTypePanelWidth, true, false}};
}

void TFileInspectorFrm::Init() {
  QFontMetrics regular(hexFont_);
  QFontMetrics bold(boldFont_);
  layout_ =
      HexLayout::FromFontWidths(regular.horizontalAdvance("0"), regular.horizontalAdvance("00"),
                                bold.horizontalAdvance("000000"), kTabHeight);
  baseline_ = regular.ascent();
  CalculateWorkArea();
  int width = std::max(layout_.WorkWidth(kScrollBarWidth), 250);
  resize(width, height());
  setMaximumWidth(width);
  setMinimumHeight(100);

  Tab->setCurrentIndex(0);
  VScrollBar->setSingleStep(layout_.RowHeight);
  TabChange();

  InspectorDataClass* data = Data();
  if (data != nullptr && data->Locked && !lockPanelShown_) {
    StartLockWarning();
  }
  SetLastPanelWidth();
}

// Puts the warning panel in front of the others and starts its twenty ticks.
void TFileInspectorFrm::StartLockWarning() {
  QFont lockedFont = statusFont_;
  lockedFont.setBold(true);
  const int lockedWidth = QFontMetrics(lockedFont).horizontalAdvance(kLockedText) + 6;
  panels_.insert(panels_.begin(), {kLockedText, lockedWidth, false, true});
  lockPanelShown_ = true;
  lockedCounter_ = kLockedTicks;
  LockedTimer->start();
}

void TFileInspectorFrm::SetCaption() {
  InspectorDataClass* data = Data();
  if (data == nullptr) {
    return;
  }
  std::string caption = data->DiskTitle + "." + data->Directory + "." + data->Name;
  if (WindowNumber != 1) {
    caption += " # " + std::to_string(WindowNumber);
  }
  caption += "   ";
  const ChildDataClass* image = data;
  if (data->ParentDisk != nullptr) {
    image = data->ParentDisk;
  }
  setWindowTitle(QString::fromLatin1(caption) + DisplayText(image->ImageCaption()));
}

// Places the tab strip at the top, the status bar at the bottom and the scroll bar at
// the right between them.
void TFileInspectorFrm::LayoutControls() {
  int width = view_->width();
  int height = view_->height();
  int statusHeight = QFontMetrics(statusFont_).height() + 6;
  Tab->setGeometry(0, 0, width, kTabHeight);
  StatusBar->setGeometry(0, height - statusHeight, width, statusHeight);
  VScrollBar->setGeometry(width - kScrollBarWidth, kTabHeight, kScrollBarWidth,
                          std::max(0, height - statusHeight - kTabHeight));
}

// ---- Layout and scrolling -------------------------------------------------------------

void TFileInspectorFrm::CalculateWorkArea() {
  InspectorDataClass* data = Data();
  if (data == nullptr) {
    return;
  }
  WorkArea = QRect(QPoint(0, Tab->height()),
                   QPoint(layout_.WorkWidth(VScrollBar->width()), StatusBar->y() - 1));
  WorkHeight = WorkArea.bottom() - WorkArea.top();
  WorkWidth = WorkArea.right() - WorkArea.left();
  VScrollBar->WorldSize = layout_.WorldSize(data->Buffer.Size());
  VScrollBar->WindowSize = WorkHeight;
  VScrollBar->UpdateBar();
}

void TFileInspectorFrm::CalcScrollBarPosition() {
  if (VScrollBar->WorldSize < VScrollBar->value() + VScrollBar->WindowSize) {
    VScrollBar->setValue(std::max(0, VScrollBar->WorldSize - VScrollBar->WindowSize));
  }
}

// The position is this window's own: it repaints whole, while the related windows are
// told that no row of the data changed, so they keep their pixels, even when the scroll
// comes from an edit that repaints its rows in them afterwards.
void TFileInspectorFrm::VScrollBarChange() {
  CalcScrollBarPosition();
  view_->update();
  RepaintRelated(RowsChanged{false, {}});
}

void TFileInspectorFrm::FormResize() {
  LayoutControls();
  CalculateWorkArea();
  SetLastPanelWidth();
}

void TFileInspectorFrm::TabChange() {
  if (Tab->currentIndex() != 0) {
    VScrollBar->hide();
  } else {
    VScrollBar->show();
    VScrollBar->UpdateBar();
  }
  RepaintRelated();
}

ListingView* TFileInspectorFrm::ShowingListing() {
  return listings_->Showing();
}

void TFileInspectorFrm::RepaintRelated(const RowsChanged& rows) {
  if (InspectorDataClass* data = Data()) {
    data->LastChange = rows;
  }
  if (OnRepaintRelated) {
    OnRepaintRelated(this);
  } else {
    RepaintContents();
  }
}

// As a hex editor's views do on a change of their model: only the changed rows, which
// keeps typing in a large file cheap.
void TFileInspectorFrm::RepaintContents() {
  const InspectorDataClass* data = Data();
  if (data == nullptr || data->LastChange.AllRows || Tab->currentIndex() != 0) {
    ChildWindowClass::RepaintContents();
    return;
  }
  const int scroll = VScrollBar->value();
  const QRect rowsArea(0, Tab->height(), VScrollBar->x(), StatusBar->y() - Tab->height());
  for (const RowRange& rows : data->LastChange.Ranges) {
    const int top = layout_.RowTop(rows.First, scroll);
    const QRect band(0, top, VScrollBar->x(), layout_.RowTop(rows.Last, scroll) - top);
    if (const QRect shown = band.intersected(rowsArea); !shown.isEmpty()) {
      view_->update(shown);
    }
  }
  StatusBar->update();
}

// ---- Painting ----------------------------------------------------------------------

void TFileInspectorFrm::FormPaint(QPainter& canvas) {
  if (Data() == nullptr) {
    canvas.fillRect(view_->rect(), kWhite);
    return;
  }
  {
    // This paint already uses the corrected position; no second repaint is needed.
    QSignalBlocker blocker(VScrollBar);
    CalculateWorkArea();
    CalcScrollBarPosition();
  }
  if (Tab->currentIndex() == 0) {
    PaintHex(canvas);
  } else if (listings_->ViewOfTab(Tab->currentIndex()) == nullptr &&
             Tab->currentIndex() != ScreenTab::kScreenTab) {
    PaintNotImplemented(canvas);
  } else {
    // The listing or the picture covers the rest of the view.
    canvas.fillRect(0, 0, view_->width(), Tab->height(), kWhite);
  }
  WriteCurrentSize();
}

void TFileInspectorFrm::PaintHex(QPainter& canvas) {
  const InspectorDataClass& data = *Data();
  const int tabHeight = Tab->height();
  const int statusTop = StatusBar->y();
  const int right = VScrollBar->x();
  const int scroll = VScrollBar->value();
  const int64_t size = data.Buffer.Size();
  lastPaintBytesRead_ = 0;

  canvas.setBrush(kWhite);
  FillRectangle(canvas, 0, tabHeight, right, tabHeight + 4);
  FillRectangle(canvas, 0, statusTop - 4, right, statusTop);

  // Rows hold the bytes and, with the caret at the end position, the end block.
  const int64_t shown = size + (data.SelStart == size ? 1 : 0);
  const auto rowCount = static_cast<int32_t>((shown + 15) / 16);
  const RowRange rows = layout_.PaintedRows(scroll, view_->height(), rowCount);
  for (int32_t row = rows.First; row < rows.Last; ++row) {
    // Only the rows in the part being painted.
    if (!paintArea_.intersects(QRect(0, layout_.RowTop(row, scroll), right, layout_.RowHeight))) {
      continue;
    }
    paintedRows_.push_back(row);
    PaintRow(canvas, row, right);
  }
  const int belowLastRow = layout_.RowTop(rowCount, scroll);
  if (belowLastRow < statusTop) {
    canvas.setBrush(kWhite);
    FillRectangle(canvas, 0, belowLastRow, right, statusTop);
  }
}

void TFileInspectorFrm::PaintRow(QPainter& canvas, int32_t row, int right) {
  const InspectorDataClass& data = *Data();
  const HexLayout& layout = layout_;
  const int top = layout.RowTop(row, VScrollBar->value());
  const int bottom = top + layout.RowHeight;
  const int64_t first = int64_t{row} * layout.BytesPerRow;

  canvas.setBrush(kWhite);
  FillRectangle(canvas, 0, top, layout.HexAreaStart, bottom);
  canvas.setPen(kBlack);
  canvas.setFont(boldFont_);
  canvas.drawText(layout.LeftMargin, top + baseline_, HexText(static_cast<uint32_t>(first), 6));
  canvas.setFont(hexFont_);

  int column = 0;
  for (; column < layout.BytesPerRow && first + column < data.Buffer.Size(); ++column) {
    PaintByte(canvas, first + column, top);
  }
  int hexBlankFrom = layout.HexX(column);
  int charBlankFrom = layout.CharX(column);
  if (column < layout.BytesPerRow && first + column == data.SelStart) {
    // The end position: a blue block in both columns.
    canvas.setBrush(kSelectionBack);
    FillRectangle(canvas, hexBlankFrom, top, hexBlankFrom + layout.HexWidth, bottom);
    FillRectangle(canvas, charBlankFrom, top, charBlankFrom + layout.CharWidth, bottom);
    hexBlankFrom += layout.HexWidth;
    charBlankFrom += layout.CharWidth;
  }
  canvas.setBrush(kWhite);
  FillRectangle(canvas, hexBlankFrom, top, layout.CharX(0), bottom);
  FillRectangle(canvas, charBlankFrom, top, right, bottom);
}

void TFileInspectorFrm::PaintByte(QPainter& canvas, int64_t offset, int top) {
  InspectorDataClass& data = *Data();
  const HexLayout& layout = layout_;
  const uint8_t byte = ReadStreamByte(data.Buffer, offset);
  ++lastPaintBytesRead_;
  const int32_t low = std::min(data.SelStart, data.SelEnd);
  const int32_t high = std::max(data.SelStart, data.SelEnd);
  const bool selected = data.SelStart != -1 && low <= offset && offset <= high;
  canvas.setBrush(selected ? kSelectionBack : kWhite);
  canvas.setPen(selected ? kSelectionText : kBlack);
  // The gap after the pair takes the pair's colours, so a selection runs unbroken.
  const int column = static_cast<int>(offset % layout.BytesPerRow);
  const int hexX = layout.HexX(column);
  FillRectangle(canvas, hexX, top, hexX + layout.HexWidth + layout.HexGap, top + layout.RowHeight);
  canvas.drawText(hexX, top + baseline_, HexText(byte, 2));
  const int charX = layout.CharX(column);
  FillRectangle(canvas, charX, top, charX + layout.CharWidth, top + layout.RowHeight);
  canvas.drawText(charX, top + baseline_, QString(ShownCharacter(byte)));
}

void TFileInspectorFrm::PaintNotImplemented(QPainter& canvas) {
  canvas.setBrush(kWhite);
  FillRectangle(canvas, 0, 0, view_->width(), StatusBar->y());
  QFont large = canvas.font();
  large.setPointSize(40);
  canvas.setFont(large);
  canvas.setPen(kBlack);
  const int ascent = QFontMetrics(large).ascent();
  canvas.drawText(40, 60 + ascent, "Feature not yet");
  canvas.drawText(100, 120 + ascent, "Implemented");
  canvas.setFont(hexFont_);
}

void TFileInspectorFrm::WriteCurrentSize() {
  SetPanelText(PanelCount() - 2, QString("Current size : %1 bytes").arg(Data()->Buffer.Size()));
}

// ---- Status bar ----------------------------------------------------------------------

QString TFileInspectorFrm::PanelText(int panel) const {
  return panels_.at(panel).Text;
}

int TFileInspectorFrm::PanelWidth(int panel) const {
  return panels_.at(panel).Width;
}

QRect TFileInspectorFrm::PanelRect(int panel) const {
  int left = 0;
  for (int index = 0; index < panel; ++index) {
    left += panels_[index].Width;
  }
  // The last panel runs to the right edge.
  int width =
      panel == PanelCount() - 1 ? std::max(0, StatusBar->width() - left) : panels_.at(panel).Width;
  return QRect(left, 0, width, StatusBar->height());
}

void TFileInspectorFrm::SetPanelText(int panel, const QString& text) {
  if (panels_.at(panel).Text == text) {
    return;
  }
  panels_[panel].Text = text;
  StatusBar->update(PanelRect(panel));
}

void TFileInspectorFrm::ShowOriginalSize(int64_t size) {
  SetPanelText(lockPanelShown_ ? 1 : 0, QString("Original size : %1 bytes").arg(size));
}

bool TFileInspectorFrm::OverType() const {
  return panels_.back().Text.contains("OVR");
}

void TFileInspectorFrm::SetOverType(bool overType) {
  SetPanelText(PanelCount() - 1, overType ? "OVR     " : "INS     ");
}

void TFileInspectorFrm::SetLastPanelWidth() {
  const int count = PanelCount();
  int others = 0;
  for (int index = 0; index <= count - 3; ++index) {
    others += panels_[index].Width;
  }
  // The status bar spans the client area, inside the window's frame.
  panels_[count - 2].Width =
      std::max(sizePanelWidth_, view_->width() - others - kOverTypePanelWidth);
  StatusBar->update();
}

void TFileInspectorFrm::StatusBarPaint(QPainter& canvas) {
  const QColor border = StatusBar->palette().color(QPalette::Mid);
  for (int panel = 0; panel < PanelCount(); ++panel) {
    const QRect rect = PanelRect(panel);
    canvas.setFont(statusFont_);
    if (panels_[panel].OwnerDrawn) {
      // The warning is drawn (and beeps while young) only when its panel is redrawn.
      if (canvas.clipBoundingRect().intersects(rect)) {
        StatusBarDrawPanel(canvas, rect);
      }
      continue;
    }
    canvas.setPen(border);
    canvas.drawLine(rect.topRight(), rect.bottomRight());
    canvas.setPen(StatusBar->palette().color(QPalette::WindowText));
    const Qt::Alignment alignment =
        Qt::AlignVCenter | (panels_[panel].RightAligned ? Qt::AlignRight : Qt::AlignLeft);
    canvas.drawText(rect.adjusted(3, 0, -3, 0), alignment, panels_[panel].Text);
  }
}

void TFileInspectorFrm::StatusBarDrawPanel(QPainter& canvas, const QRect& rect) {
  SetLockedCanvas(canvas);
  canvas.fillRect(rect, canvas.brush());
  canvas.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter, panels_.front().Text);
}

void TFileInspectorFrm::SetLockedCanvas(QPainter& canvas) {
  if (lockedCounter_ > 15) {
    Prompts().Beep();
  }
  QFont bold = statusFont_;
  bold.setBold(true);
  canvas.setFont(bold);
  if (lockedCounter_ % 2 == 1) {
    canvas.setPen(kSelectionText);
    canvas.setBrush(kBlack);
  } else {
    canvas.setPen(kLockedRed);
    canvas.setBrush(StatusBar->palette().color(QPalette::Window));
  }
}

void TFileInspectorFrm::LockedTimerTimer() {
  if (lockedCounter_ > 0) {
    --lockedCounter_;
  }
  if (lockedCounter_ == 0) {
    LockedTimer->stop();
  }
  if (lockPanelShown_) {
    StatusBar->repaint(PanelRect(0));
  }
}

// ---- Editing -----------------------------------------------------------------------

template <typename Step>
bool TFileInspectorFrm::RunEditing(Step step) {
  InspectorDataClass* data = Data();
  if (data == nullptr) {
    return false;
  }
  InspectorEditing editing(*data);
  try {
    const bool done = step(editing);
    editedRows_ = editing.ChangedRows();
    return done;
  } catch (const StreamReadError& error) {
    Prompts().ShowMessage(error.what());
    return false;
  }
}

void TFileInspectorFrm::Undo() {
  if (RunEditing([](InspectorEditing& editing) { return editing.Undo(); })) {
    RepaintRelated(editedRows_);
  }
}

void TFileInspectorFrm::DeleteKey() {
  if (RunEditing([](InspectorEditing& editing) {
        editing.DeleteKey();
        return true;
      })) {
    RepaintRelated(editedRows_);
  }
}

void TFileInspectorFrm::BackSpaceKey() {
  if (RunEditing([](InspectorEditing& editing) {
        editing.BackSpaceKey();
        return true;
      })) {
    RepaintRelated(editedRows_);
  }
}

bool TFileInspectorFrm::FormKeyDown(int key, Qt::KeyboardModifiers shift) {
  if (Data() == nullptr) {
    return false;
  }
  if (key == Qt::Key_Insert) {
    SetOverType(!OverType());
  } else if (key == Qt::Key_PageUp) {
    VScrollBar->setValue(VScrollBar->value() - VScrollBar->pageStep());
  } else if (key == Qt::Key_PageDown) {
    VScrollBar->setValue(VScrollBar->value() + VScrollBar->pageStep());
  }
  const EditKey editKey = ToEditKey(key);
  const bool edits =
      (editKey == EditKey::Backspace || editKey == EditKey::Delete) && Data()->SelStart != -1;
  bool consumed = false;
  const bool done = RunEditing([&](InspectorEditing& editing) {
    consumed = editing.KeyDown(editKey, shift.testFlag(Qt::ShiftModifier),
                               shift.testFlag(Qt::ControlModifier));
    return true;
  });
  if (done && (consumed || edits)) {
    ScrollToCaret();
    RepaintRelated(editedRows_);
  }
  return consumed;
}

void TFileInspectorFrm::FormKeyPress(char character) {
  const bool overType = OverType();
  if (RunEditing(
          [&](InspectorEditing& editing) { return editing.KeyPress(character, overType); })) {
    ScrollToCaret();
    RepaintRelated(editedRows_);
  }
}

bool TFileInspectorFrm::HandleKey(QKeyEvent* event) {
  if (FormKeyDown(event->key(), event->modifiers())) {
    return true;
  }
  const QString text = event->text();
  if (text.size() == 1 && text[0].unicode() < 128) {
    FormKeyPress(static_cast<char>(text[0].unicode()));
    return true;
  }
  // Keys the view does not use go on to the window.
  return event->key() == Qt::Key_Insert || event->key() == Qt::Key_PageUp ||
         event->key() == Qt::Key_PageDown || event->key() == Qt::Key_Backspace ||
         event->key() == Qt::Key_Delete;
}

// ---- Find --------------------------------------------------------------------------

void TFileInspectorFrm::Find(const TFindFrm& findForm) {
  if (Data() == nullptr || listings_->Find(findForm, true)) {
    return;
  }
  Data()->SearchFrom = 0;
  FindAgain(findForm);
}

void TFileInspectorFrm::FindAgain(const TFindFrm& findForm) {
  if (Data() == nullptr || listings_->Find(findForm, false)) {
    return;
  }
  InspectorEditing editing(*Data());
  switch (editing.FindNext(findForm.Pattern(), findForm.IgnoreCase())) {
    case FindOutcome::NoPattern:
      return;
    case FindOutcome::Found:
      MoveToSelected();
      // A view too short for the third row still shows the occurrence's start.
      ScrollToShow(Data()->SelStart);
      break;
    case FindOutcome::NoneAtAll:
      Prompts().ShowMessage(kNotFoundMessage);
      break;
    case FindOutcome::Wrapped:
      Prompts().Beep();
      break;
  }
  RepaintRelated();
}

void TFileInspectorFrm::MoveToSelected() {
  const int32_t start = Data()->SelStart;
  const int32_t rowsAbove = (start + 15) / 16 - 3;  // ceiling of start / 16, less three
  CalculateWorkArea();
  VScrollBar->setValue(layout_.RowHeight * rowsAbove);
}

void TFileInspectorFrm::ScrollToShow(int32_t offset) {
  if (offset < 0) {
    return;
  }
  CalculateWorkArea();
  const int top = layout_.RowTop(offset / layout_.BytesPerRow, VScrollBar->value());
  const int bandTop = Tab->height() + 4;
  const int bandBottom = StatusBar->y() - 4;
  if (top < bandTop) {
    VScrollBar->setValue(VScrollBar->value() - (bandTop - top));
  } else if (top + layout_.RowHeight > bandBottom) {
    VScrollBar->setValue(VScrollBar->value() + top + layout_.RowHeight - bandBottom);
  }
}

// The caret is the moving end of a selection.
void TFileInspectorFrm::ScrollToCaret() {
  InspectorDataClass* data = Data();
  if (data != nullptr) {
    ScrollToShow(data->SelEnd != -1 ? data->SelEnd : data->SelStart);
  }
}

bool TFileInspectorFrm::CanFindAgain(const TFindFrm& findForm) const {
  return Data() != nullptr && Data()->Buffer.Size() > 0 && !findForm.Pattern().empty();
}

// ---- Clipboard ---------------------------------------------------------------------

QString TFileInspectorFrm::ClipboardFormat() const {
  const std::string& format = Data()->ClipboardFormat;
  return QString::fromStdString(format.empty() ? kPrivateClipboardFormat : format);
}

void TFileInspectorFrm::CopyBytes() {
  InspectorDataClass* data = Data();
  if (data == nullptr || listings_->Copy() || data->SelStart == -1) {
    return;
  }
  const bool copied = RunEditing([&](InspectorEditing& editing) {
    const auto [low, count] = editing.SelectedBytes();
    const auto first = data->Buffer.Bytes().begin() + low;
    SMemoryStream bytes(std::vector<uint8_t>(first, first + count));
    if (CopyStreamToClipboard(ClipboardFormat(), bytes, true)) {
      CopyAsText();
      CloseClipboard();
    }
    return true;
  });
  if (copied) {
    RepaintRelated();
  }
}

void TFileInspectorFrm::CopyAsText() {
  QMimeData* clipboard = OpenClipboardData();
  if (clipboard != nullptr && Data() != nullptr) {
    const std::string text = InspectorEditing(*Data()).SelectionAsText();
    clipboard->setText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
  }
}

void TFileInspectorFrm::PasteBytes() {
  if (Data() == nullptr || Data()->SelStart == -1) {
    return;
  }
  if (ClipboardHasFormat(ClipboardFormat())) {
    PasteNativeData();
  } else if (ClipboardHasText()) {
    PasteTextData();
  }
}

void TFileInspectorFrm::PasteNativeData() {
  SMemoryStream stream;
  CopyStreamFromClipboard(ClipboardFormat(), stream);
  PasteData(stream.Bytes());
}

void TFileInspectorFrm::PasteTextData() {
  PasteData(ClipboardTextBytes());
}

void TFileInspectorFrm::PasteData(const std::vector<uint8_t>& bytes) {
  const bool overType = OverType();
  if (RunEditing([&](InspectorEditing& editing) { return editing.Paste(bytes, overType); })) {
    RepaintRelated(editedRows_);
  }
}

void TFileInspectorFrm::SelectAll() {
  if (listings_->SelectAll()) {
    return;
  }
  if (RunEditing([](InspectorEditing& editing) { return editing.SelectAll(); })) {
    RepaintRelated();
  }
}

bool TFileInspectorFrm::CanPaste() const {
  return Data() != nullptr && Data()->SelStart != -1 &&
         (ClipboardHasFormat(ClipboardFormat()) || ClipboardHasText());
}

// ---- Mouse ---------------------------------------------------------------------------

void TFileInspectorFrm::FormMouseDown(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    leftButtonDown_ = true;
  }
  const QPoint point = event->position().toPoint();
  const auto hit = layout_.HitTest(point.x(), point.y(), VScrollBar->value(), false);
  const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
  if (RunEditing([&](InspectorEditing& editing) { return editing.MouseDown(hit, shift); })) {
    RepaintRelated(editedRows_);
  }
}

void TFileInspectorFrm::FormMouseMove(QMouseEvent* event) {
  if (!leftButtonDown_ || !event->buttons().testFlag(Qt::LeftButton)) {
    return;
  }
  const QPoint point = event->position().toPoint();
  const auto hit = layout_.HitTest(point.x(), point.y(), VScrollBar->value(), true);
  if (RunEditing([&](InspectorEditing& editing) { return editing.MouseMove(hit); })) {
    RepaintRelated(editedRows_);
  }
}

void TFileInspectorFrm::FormMouseUp(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    leftButtonDown_ = false;
  }
  RunEditing([](InspectorEditing& editing) {
    editing.MouseUp();
    return false;
  });
}

void TFileInspectorFrm::FormMouseWheel(QWheelEvent* event) {
  // Each notch scrolls by half a row.
  wheelRemainder_ += event->angleDelta().y();
  const int notches = wheelRemainder_ / 120;
  wheelRemainder_ -= notches * 120;
  VScrollBar->setValue(VScrollBar->value() - notches * (VScrollBar->singleStep() / 2));
}

// ---- Events --------------------------------------------------------------------------

bool TFileInspectorFrm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == StatusBar && event->type() == QEvent::Paint) {
    QPainter canvas(StatusBar);
    canvas.setClipRegion(static_cast<QPaintEvent*>(event)->region());
    StatusBarPaint(canvas);
    return true;
  }
  if (watched != view_) {
    return ChildWindowClass::eventFilter(watched, event);
  }
  switch (event->type()) {
    case QEvent::Paint: {
      QPainter canvas(view_);
      paintArea_ = static_cast<QPaintEvent*>(event)->region();
      FormPaint(canvas);
      return true;
    }
    case QEvent::Resize:
      FormResize();
      return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
      FormMouseDown(static_cast<QMouseEvent*>(event));
      return true;
    case QEvent::MouseMove:
      FormMouseMove(static_cast<QMouseEvent*>(event));
      return true;
    case QEvent::MouseButtonRelease:
      FormMouseUp(static_cast<QMouseEvent*>(event));
      return true;
    case QEvent::Wheel:
      FormMouseWheel(static_cast<QWheelEvent*>(event));
      return true;
    case QEvent::KeyPress:
      return HandleKey(static_cast<QKeyEvent*>(event));
    default:
      return ChildWindowClass::eventFilter(watched, event);
  }
}
