// SPDX-License-Identifier: GPL-3.0-or-later
// The listing tabs of a file inspector: a ListingView over the work area for each tab
// that lists the file ("BASIC", "Assembler", "Text"), listed from the working copy when its tab
// shows and again whenever the copy has changed since (an edit in the Hex tab of any window on the
// file shows at once). It also switches tabs from the keyboard (Ctrl+Page Up/Down, Alt+1 to Alt+5),
// keeps the hex view's mouse and keys to the Hex tab, takes the Edit menu's Copy, Select All, Find
// and Find Again on a listing tab, and answers a double-click on a line by showing its first byte
// in the Hex tab. The Hex tab's context menu holds "Disassemble from here".
//
// A further listing tab is one more entry in the table the constructor builds, with the
// function that lists the file for it.
#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <vector>

#include "decode/FileListing.h"

class AssemblerTab;
class InspectorDataClass;
class ListingView;
class QAction;
class QContextMenuEvent;
class QKeyEvent;
class QMenu;
class TFileInspectorFrm;
class TFindFrm;

class InspectorListings : public QObject {
  Q_OBJECT
 public:
  enum Tabs {
    kHexTab = 0,
    kBasicTab = 1,
    kAssemblerTab = 2,
    kTextTab = 3,
    kScreenTab = 4,
    kTabCount = 5
  };

  // Builds the views inside the window's view; the window's own event filter must be
  // installed already, so that this one sees the view's events first.
  explicit InspectorListings(TFileInspectorFrm& window);

  // The listing view of a tab, or nullptr for a tab without one.
  ListingView* ViewOfTab(int tab) const;
  // The showing tab's view, listed afresh when the working copy has changed; nullptr on
  // the Hex tab and on tabs not yet implemented.
  ListingView* Showing();
  bool HexShowing() const;

  // The Edit menu's commands. Each does its work on a listing tab and returns true when
  // the showing tab is not the Hex tab, so the hex view's command must not run.
  bool Copy();
  bool SelectAll();
  // fromStart: Find; otherwise Find Again. "No occurances can be found" when there is no
  // match at all, a beep when the search starts again from the first line.
  bool Find(const TFindFrm& findForm, bool fromStart);

  // Ctrl+Page Up / Ctrl+Page Down (the previous and next tab, round the ends) and Alt+1
  // to Alt+5; true when the key was one of them.
  bool SwitchTabKey(const QKeyEvent& event);

  // ---- Assembler tab ----
  AssemblerTab* Assembler() const { return assembler_; }
  // Adds the byte at offset as an entry point and shows the Assembler tab with the line
  // holding that byte selected. Nothing for an offset outside the data.
  void DisassembleFrom(int64_t offset);
  // The Hex tab's context menu, shown at the pointer by a right click there; its
  // "Disassemble from here" acts on the caret's offset.
  QMenu* HexMenu() const { return hexMenu_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct ListingTab {
    int tab = 0;
    std::function<FileListing(const InspectorDataClass&)> list;
    ListingView* view = nullptr;
    QWidget* page = nullptr;      // what shows on the tab: the view, or a page holding it
    std::vector<uint8_t> listed;  // the bytes the view was last listed from
    bool upToDate = false;
  };

  ListingTab* TabOf(const QObject* view);
  void Refresh(ListingTab& tab);
  void TabChanged();
  void LayoutViews();
  void ShowInHex(qint64 offset);
  void UpdateCommands();
  void ShowHexMenu(const QContextMenuEvent& event);

  TFileInspectorFrm& window_;
  std::vector<ListingTab> tabs_;
  AssemblerTab* assembler_ = nullptr;
  QMenu* hexMenu_ = nullptr;
  QAction* disassembleFromHere_ = nullptr;
};
