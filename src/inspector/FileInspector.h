// SPDX-License-Identifier: GPL-3.0-or-later
// The file inspector: an MDI child window that shows one catalogue file's bytes as a
// hex dump (offsets, hex pairs, characters) and edits them in insert or overtype mode
// with undo. Every window on one file shares its InspectorDataClass.
//
// How the main frame opens one:
//   auto* window = new TFileInspectorFrm;          // set-up of the form (FormCreate)
//   window->CommonData = data;                     // the file's InspectorDataClass
//   window->OnRepaintRelated = ...;                // repaint every window on data
//   window->ShowOriginalSize(data->OriginalSize);  // "Original size : N bytes"
//   window->Init();                                // layout, size, tab, lock warning
//   mdiArea->addSubWindow(window); window->show();
//   window->WindowNumber = number; window->SetCaption();
// The Edit menu routes Undo to Undo(), Delete to DeleteKey() and the toolbar's Delete
// button to BackSpaceKey(); a failure (a selection running past the data) is shown as
// "Stream read error" and changes nothing. Before releasing the data of its last window,
// set CommonData to nullptr: the window then paints blank and ignores input.
//
// Find and the clipboard. The main frame creates one TFindFrm at start-up, parented to
// itself, and keeps it for the whole run. Its Edit menu acts on the active inspector:
//   Copy        inspector->CopyBytes();
//   Paste       inspector->PasteBytes();
//   Select All  inspector->SelectAll();
//   Find        if (findForm->exec() == QDialog::Accepted && !findForm->HexEdit->text().isEmpty())
//                 inspector->Find(*findForm);
//               then SetMenuButtons for the active child;
//   Find Again  inspector->FindAgain(*findForm);
// and enables Paste from CanPaste() and Find Again from CanFindAgain(*findForm). Copy and
// paste use the data's ClipboardFormat, which the main frame sets to "Kestrow_V0_3".
// On a listing tab (BASIC, Assembler, Text) Copy, Select All, Find and Find Again act on the
// listing instead, and only the Hex tab edits (see InspectorListings).
#pragma once

#include <QFont>
#include <QRect>
#include <QRegion>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

#include "app/children/KestrowClasses.h"
#include "inspector/HexLayout.h"
#include "inspector/InspectorEditing.h"

class InspectorListings;
class ListingView;
class QPainter;
class ScreenTab;
class QTabBar;
class QTimer;
class TFindFrm;
class TSScrollBar;

class TFileInspectorFrm : public ChildWindowClass {
  Q_OBJECT
 public:
  explicit TFileInspectorFrm(QWidget* parent = nullptr);
  ~TFileInspectorFrm() override;

  ChildKind WindowKind() const override { return ChildKind::Inspector; }
  TFileInspectorFrm* AsInspector() override { return this; }
  // DiskTitle.Directory.Name, " # " and the number for windows other than 1, then three
  // spaces and the disk's image path.
  void SetCaption() override;

  // Computes the layout from the fonts, sizes the window, selects the Hex tab and starts
  // the lock warning for a locked file. Called once, after CommonData is set.
  void Init();
  // CommonData as the file's data, or nullptr.
  InspectorDataClass* Data() const;

  // ---- Commands the main frame routes here ----
  void Undo();
  // Removes the byte under the caret, or the selection.
  void DeleteKey();
  // Removes the byte before the caret, or the selection.
  void BackSpaceKey();
  // Key-down handling (arrows, Insert, Backspace, Delete, Page Up, Page Down); returns
  // true when the key was consumed.
  bool FormKeyDown(int key, Qt::KeyboardModifiers shift);
  // A typed character: a hex digit in the hex column, a printable one in the other.
  void FormKeyPress(char character);

  // ---- Find ----
  // A new search from the start with the dialog's pattern.
  void Find(const TFindFrm& findForm);
  // Selects the next occurrence and scrolls to it; with none after the last one found,
  // beeps once and starts again from the start next time; with none at all, says so.
  void FindAgain(const TFindFrm& findForm);
  // Scrolls so that the selection's row stands third (fourth when the selection starts a
  // row) from the top, as far as the scroll range allows.
  void MoveToSelected();
  // Scrolls just enough to show the row of offset whole between the tab strip and the
  // status bar, when it is not already.
  void ScrollToShow(int32_t offset);
  // The buffer is not empty and the dialog holds at least one whole byte to look for.
  bool CanFindAgain(const TFindFrm& findForm) const;

  // ---- Clipboard ----
  // Puts the selected bytes on the clipboard under the private format together with
  // their hex dump as plain text. Nothing without a caret or selection.
  void CopyBytes();
  // Adds the hex dump to the clipboard data CopyBytes is assembling.
  void CopyAsText();
  // Pastes the private format when the clipboard has it, else plain text; inserts or
  // overwrites by the mode and leaves the caret or selection on its offsets.
  void PasteBytes();
  void PasteNativeData();
  void PasteTextData();
  void SelectAll() override;
  // There is a caret or selection and the clipboard offers the private format or text.
  bool CanPaste() const;

  // Calls OnRepaintRelated, or repaints this window alone when no hook is set; rows says
  // which rows changed (all of them unless told).
  void RepaintRelated(const RowsChanged& rows = {});
  // Repaints the rows the shared data's last change touched, or everything when its size
  // changed or another tab is showing.
  void RepaintContents() override;

  // ---- Status bar ----
  // Writes "Original size : " + size + " bytes" into the size-at-opening panel.
  void ShowOriginalSize(int64_t size);
  bool OverType() const;
  void SetOverType(bool overType);
  int PanelCount() const { return static_cast<int>(panels_.size()); }
  QString PanelText(int panel) const;
  int PanelWidth(int panel) const;
  QRect PanelRect(int panel) const;
  // Gives the current-size panel the width the other panels leave, at least as much as
  // the size-at-opening panel.
  void SetLastPanelWidth();

  // ---- Layout and scrolling ----
  const HexLayout& Layout() const { return layout_; }
  void CalculateWorkArea();
  void CalcScrollBarPosition();
  // The client area the dump is painted on; the tab strip, the scroll bar and the status
  // bar are its children.
  QWidget* View() const { return view_; }

  // ---- Lock warning ----
  // One step of the flashing: counts down and redraws the warning.
  void LockedTimerTimer();
  int LockedCounter() const { return lockedCounter_; }

  // ---- Listing tabs ("BASIC", "Text") ----
  InspectorListings* Listings() const { return listings_; }
  // The showing tab's listing, up to date with the bytes; nullptr on the Hex tab.
  ListingView* ShowingListing();
  // The "Screen" tab, after the listing tabs.
  ScreenTab* Screen() const { return screen_; }

  // Bytes of the buffer the last paint of the dump read (only the painted rows').
  int64_t LastPaintBytesRead() const { return lastPaintBytesRead_; }
  // The rows the Hex tab's paints drew since the last call, in paint order.
  std::vector<int32_t> TakePaintedRows() { return std::exchange(paintedRows_, {}); }

  QTabBar* Tab = nullptr;
  TSScrollBar* VScrollBar = nullptr;
  QWidget* StatusBar = nullptr;
  QTimer* LockedTimer = nullptr;
  QRect WorkArea;
  int WorkHeight = 0;
  int WorkWidth = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct StatusPanel {
    QString Text;
    int Width = 0;
    bool RightAligned = false;
    bool OwnerDrawn = false;
  };

  void FormCreate();
  void CreateTab();
  void CreateStatusPanels();
  void StartLockWarning();
  void LayoutControls();
  // Runs one editing step, showing a read error instead of letting it escape.
  template <typename Step>
  bool RunEditing(Step step);
  // The private clipboard format of the data ("Kestrow_V0_3" when none was given).
  QString ClipboardFormat() const;
  void PasteData(const std::vector<uint8_t>& bytes);
  void ScrollToCaret();

  void FormPaint(QPainter& canvas);
  void PaintHex(QPainter& canvas);
  void PaintRow(QPainter& canvas, int32_t row, int right);
  void PaintByte(QPainter& canvas, int64_t offset, int top);
  void PaintNotImplemented(QPainter& canvas);
  void WriteCurrentSize();
  void TabChange();
  void VScrollBarChange();
  void FormResize();
  void FormMouseDown(QMouseEvent* event);
  void FormMouseMove(QMouseEvent* event);
  void FormMouseUp(QMouseEvent* event);
  void FormMouseWheel(QWheelEvent* event);
  bool HandleKey(QKeyEvent* event);

  void StatusBarPaint(QPainter& canvas);
  void StatusBarDrawPanel(QPainter& canvas, const QRect& rect);
  void SetLockedCanvas(QPainter& canvas);
  void SetPanelText(int panel, const QString& text);

  QWidget* view_ = nullptr;
  HexLayout layout_;
  int baseline_ = 0;  // of the text in a row, from the row's top
  QFont hexFont_;
  QFont boldFont_;
  QFont statusFont_;
  std::vector<StatusPanel> panels_;
  int sizePanelWidth_ = 0;
  bool lockPanelShown_ = false;
  int lockedCounter_ = 0;
  bool leftButtonDown_ = false;
  int wheelRemainder_ = 0;
  int64_t lastPaintBytesRead_ = 0;
  std::vector<int32_t> paintedRows_;
  // The part of the view the paint in progress must draw.
  QRegion paintArea_;
  // The rows the last successful editing step changed.
  RowsChanged editedRows_;
  InspectorListings* listings_ = nullptr;
  ScreenTab* screen_ = nullptr;
};
