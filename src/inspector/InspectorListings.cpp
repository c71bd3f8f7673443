// SPDX-License-Identifier: GPL-3.0-or-later
#include "inspector/InspectorListings.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QTabBar>

#include "inspector/AssemblerTab.h"
#include "inspector/FileInspector.h"
#include "inspector/Find.h"
#include "inspector/InspectorEditing.h"
#include "inspector/ListingView.h"
#include "platform/Prompts.h"

namespace {

const char* const kNotFoundMessage = "No occurances can be found";

bool IsPointerOrKey(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
    case QEvent::Wheel:
    case QEvent::KeyPress:
      return true;
    default:
      return false;
  }
}

}  // namespace

InspectorListings::InspectorListings(TFileInspectorFrm& window)
    : QObject(&window), window_(window) {
  auto add = [this](int tab, std::function<FileListing(const InspectorDataClass&)> list,
                    ListingView* view, QWidget* page) {
    view->setObjectName(window_.Tab->tabText(tab) + "Listing");
    page->hide();
    view->installEventFilter(this);
    connect(view, &ListingView::SelectionChanged, this, [this] { UpdateCommands(); });
    connect(view, &ListingView::LineActivated, this, [this](qint64 offset) { ShowInHex(offset); });
    tabs_.push_back({tab, std::move(list), view, page, {}, false});
  };
  for (const auto& [tab, kind] :
       {std::pair{kBasicTab, ListingKind::Basic}, std::pair{kTextTab, ListingKind::Text}}) {
    auto* view = new ListingView(window_.View());
    add(
        tab, [kind](const InspectorDataClass& data) { return ListFile(kind, data.Buffer.Bytes()); },
        view, view);
  }
  assembler_ = new AssemblerTab(window_.View());
  add(
      kAssemblerTab, [this](const InspectorDataClass& data) { return assembler_->List(data); },
      assembler_->View(), assembler_);
  connect(assembler_, &AssemblerTab::SettingsChanged, this, [this] {
    ListingTab& tab = *TabOf(assembler_->View());
    tab.upToDate = false;
    tab.view->update();
  });
  hexMenu_ = new QMenu(window_.View());
  hexMenu_->setObjectName("HexMenu");
  disassembleFromHere_ = hexMenu_->addAction("Disassemble from here");
  connect(disassembleFromHere_, &QAction::triggered, this, [this] {
    if (const InspectorDataClass* data = window_.Data()) {
      DisassembleFrom(data->SelStart);
    }
  });
  window_.View()->installEventFilter(this);
  connect(window_.Tab, &QTabBar::currentChanged, this, [this] { TabChanged(); });
  LayoutViews();
}

InspectorListings::ListingTab* InspectorListings::TabOf(const QObject* view) {
  for (ListingTab& tab : tabs_) {
    if (tab.view == view) {
      return &tab;
    }
  }
  return nullptr;
}

ListingView* InspectorListings::ViewOfTab(int tab) const {
  for (const ListingTab& listing : tabs_) {
    if (listing.tab == tab) {
      return listing.view;
    }
  }
  return nullptr;
}

ListingView* InspectorListings::Showing() {
  ListingView* view = ViewOfTab(window_.Tab->currentIndex());
  if (view != nullptr) {
    Refresh(*TabOf(view));
  }
  return view;
}

bool InspectorListings::HexShowing() const {
  return window_.Tab->currentIndex() == kHexTab;
}

// Lists the tab again only when the working copy differs from the bytes last listed:
// comparing is far cheaper than listing, and the selection and search stay put.
void InspectorListings::Refresh(ListingTab& tab) {
  const InspectorDataClass* data = window_.Data();
  if (data == nullptr) {
    if (tab.upToDate || !tab.view->Lines().empty() || !tab.view->Note().empty()) {
      tab.view->SetListing({}, {});
    }
    tab.listed.clear();
    tab.upToDate = false;
    return;
  }
  const std::vector<uint8_t>& bytes = data->Buffer.Bytes();
  if (tab.upToDate && bytes == tab.listed) {
    return;
  }
  FileListing listing = tab.list(*data);
  tab.listed = bytes;
  tab.upToDate = true;
  tab.view->SetListing(std::move(listing.lines), std::move(listing.note));
}

void InspectorListings::TabChanged() {
  QWidget* focus = QApplication::focusWidget();
  const bool focusHere = focus != nullptr && window_.isAncestorOf(focus);
  ListingView* shown = Showing();
  for (ListingTab& tab : tabs_) {
    tab.page->setVisible(tab.view == shown);
  }
  if (focusHere) {
    if (shown != nullptr) {
      shown->setFocus();
    } else {
      window_.View()->setFocus();
    }
  }
  UpdateCommands();
}

void InspectorListings::LayoutViews() {
  QWidget* view = window_.View();
  // The status bar is placed after this runs on a resize, but its height never changes.
  const int top = window_.Tab->height();
  const int bottom = view->height() - window_.StatusBar->height();
  for (ListingTab& tab : tabs_) {
    tab.page->setGeometry(0, top, view->width(), std::max(0, bottom - top));
  }
}

void InspectorListings::ShowInHex(qint64 offset) {
  InspectorDataClass* data = window_.Data();
  if (data == nullptr) {
    return;
  }
  window_.Tab->setCurrentIndex(kHexTab);
  InspectorEditing editing(*data);
  editing.MouseDown(HexHit{static_cast<int32_t>(offset), true}, false);
  editing.MouseUp();
  window_.MoveToSelected();
  window_.View()->setFocus();
  window_.RepaintRelated();
}

void InspectorListings::DisassembleFrom(int64_t offset) {
  const InspectorDataClass* data = window_.Data();
  if (data == nullptr || offset < 0 || offset >= int64_t(data->Buffer.Bytes().size())) {
    return;
  }
  assembler_->AddEntryOffset(size_t(offset));
  window_.Tab->setCurrentIndex(kAssemblerTab);
  if (ListingView* view = Showing()) {
    view->ShowOffset(offset);
  }
}

void InspectorListings::ShowHexMenu(const QContextMenuEvent& event) {
  const InspectorDataClass* data = window_.Data();
  disassembleFromHere_->setEnabled(data != nullptr && data->SelStart >= 0 &&
                                   data->SelStart < int64_t(data->Buffer.Bytes().size()));
  hexMenu_->popup(event.globalPos());
}

void InspectorListings::UpdateCommands() {
  if (window_.OnUpdateCommands) {
    window_.OnUpdateCommands(&window_);
  }
}

// ---- Commands ------------------------------------------------------------------------

bool InspectorListings::Copy() {
  if (ListingView* view = Showing()) {
    view->CopySelection();
  }
  return !HexShowing();
}

bool InspectorListings::SelectAll() {
  if (ListingView* view = Showing()) {
    view->SelectAll();
  }
  return !HexShowing();
}

bool InspectorListings::Find(const TFindFrm& findForm, bool fromStart) {
  ListingView* view = Showing();
  if (view != nullptr) {
    const ListingFindOutcome outcome =
        fromStart ? view->Find(findForm.Pattern(), findForm.IgnoreCase())
                  : view->FindAgain(findForm.Pattern(), findForm.IgnoreCase());
    if (outcome == ListingFindOutcome::NoneAtAll) {
      Prompts().ShowMessage(kNotFoundMessage);
    } else if (outcome == ListingFindOutcome::Wrapped) {
      Prompts().Beep();
    }
    UpdateCommands();
  }
  return !HexShowing();
}

bool InspectorListings::SwitchTabKey(const QKeyEvent& event) {
  const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
  const int current = window_.Tab->currentIndex();
  int next = -1;
  if (modifiers == Qt::ControlModifier && event.key() == Qt::Key_PageUp) {
    next = (current + kTabCount - 1) % kTabCount;
  } else if (modifiers == Qt::ControlModifier && event.key() == Qt::Key_PageDown) {
    next = (current + 1) % kTabCount;
  } else if (modifiers == Qt::AltModifier && event.key() >= Qt::Key_1 &&
             event.key() < int(Qt::Key_1) + int(kTabCount)) {
    next = event.key() - Qt::Key_1;
  }
  if (next < 0) {
    return false;
  }
  window_.Tab->setCurrentIndex(next);
  return true;
}

// ---- Events --------------------------------------------------------------------------

bool InspectorListings::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::KeyPress && SwitchTabKey(*static_cast<QKeyEvent*>(event))) {
    return true;
  }
  if (watched == window_.View()) {
    if (type == QEvent::Resize) {
      LayoutViews();
    }
    if (type == QEvent::ContextMenu && HexShowing()) {
      ShowHexMenu(*static_cast<QContextMenuEvent*>(event));
      return true;
    }
    // The hex view takes clicks and keys only while its dump is showing.
    return IsPointerOrKey(type) && !HexShowing();
  }
  if (type == QEvent::Paint) {
    if (ListingTab* tab = TabOf(watched)) {
      Refresh(*tab);
    }
  }
  return false;
}
