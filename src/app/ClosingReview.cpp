// SPDX-License-Identifier: GPL-3.0-or-later
// Closing child windows and the main window with the review of unsaved inspector
// changes: the question for the last window on a changed file, the Save changes dialog
// for several windows, and the release of windows and their common data.
#include <QApplication>
#include <QCloseEvent>
#include <QMdiArea>
#include <QSessionManager>
#include <algorithm>

#include "app/KestrowMain.h"
#include "dialogs/SaveChanges.h"
#include "platform/Prompts.h"

namespace {

bool IsInspector(const ChildWindowClass* window) {
  return window->WindowKind() == ChildWindowClass::ChildKind::Inspector;
}

// The text without leading and trailing blanks and control characters.
std::string TrimmedName(const std::string& text) {
  const auto blank = [](char character) { return static_cast<unsigned char>(character) <= ' '; };
  const auto first = std::find_if_not(text.begin(), text.end(), blank);
  const auto last =
      std::find_if_not(text.rbegin(), std::string::const_reverse_iterator(first), blank);
  return std::string(first, last.base());
}

std::string SaveQuestion(const InspectorDataClass& data) {
  return "Save Changes to " + TrimmedName(data.DiskTitle) + "." + data.Directory + "." +
         TrimmedName(data.Name) + " ?";
}

}  // namespace

// ---- The main window -------------------------------------------------------------------

// The close box, Alt+F4 and every other close request of the main window.
void TKestrowMainFrm::closeEvent(QCloseEvent* event) {
  event->ignore();
  // A request during a running review leaves the decision to that review.
  if (ClosingAll || SaveChangesFrm->isVisible()) {
    return;
  }
  if (MyCloseQuery()) {
    FormClose();
    event->accept();
    QCoreApplication::quit();
  }
}

bool TKestrowMainFrm::MyCloseQuery() {
  ClosingAll = true;
  const bool closed = CloseChildWindows(true);
  ClosingAll = false;
  SetMenuButtons(ActiveChild());
  return closed;
}

bool TKestrowMainFrm::SessionEndQuery(bool interactionAllowed) {
  if (!interactionAllowed || ClosingAll || SaveChangesFrm->isVisible()) {
    return true;
  }
  return MyCloseQuery();
}

// A logout or shutdown asks before the session ends; the session manager ends the
// program afterwards, which empties the temp area on the way out.
void TKestrowMainFrm::ConnectSessionEnd() {
  connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
    const bool interactionAllowed = AnyInspectorChanged() && manager.allowsInteraction();
    const bool mayEnd = SessionEndQuery(interactionAllowed);
    if (interactionAllowed) {
      manager.release();
    }
    if (!mayEnd) {
      manager.cancel();
    }
  });
  connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { FormClose(); });
}

// ---- Window menu -----------------------------------------------------------------------

void TKestrowMainFrm::CloseAllMnuItemClick() {
  ClosingAll = true;
  CloseChildWindows(true);
  ClosingAll = false;
  SetMenuButtons(ActiveChild());
}

void TKestrowMainFrm::CloseFileInspectorsMnuItemClick() {
  ClosingAll = true;
  CloseChildWindows(false);
  ClosingAll = false;
  SetMenuButtons(ActiveChild());
}

// Inspectors close before disk windows, so no inspector data ever refers to a released
// disk.
bool TKestrowMainFrm::CloseChildWindows(bool includeDisks) {
  std::vector<ChildWindowClass*> inspectors;
  std::vector<ChildWindowClass*> disks;
  for (ChildWindowClass* child : registry_->ChildOrder()) {
    if (IsInspector(child) && child->CommonData != nullptr) {
      inspectors.push_back(child);
    } else if (!IsInspector(child) && includeDisks) {
      disks.push_back(child);
    }
  }
  if (!ReviewChanges(inspectors)) {
    return false;
  }
  for (ChildWindowClass* window : inspectors) {
    ReleaseInspectorWindow(window);
  }
  for (ChildWindowClass* window : disks) {
    window->close();
  }
  return true;
}

// ---- The review ------------------------------------------------------------------------

bool TKestrowMainFrm::ReviewChanges(const std::vector<ChildWindowClass*>& inspectors) {
  std::vector<InspectorDataClass*> changedFiles;
  std::vector<ChildWindowClass*> windowsToSave;
  for (ChildWindowClass* window : inspectors) {
    InspectorDataClass* data = window->InspectorData();
    if (data != nullptr && data->Changed &&
        std::find(changedFiles.begin(), changedFiles.end(), data) == changedFiles.end()) {
      changedFiles.push_back(data);
      windowsToSave.push_back(window);
    }
  }
  if (changedFiles.empty()) {
    return true;
  }
  if (SaveChangesFrm->isVisible()) {
    return false;  // one review at a time
  }
  SaveChangesFrm->ChangedFiles = changedFiles;
  const int answer = SaveChangesFrm->exec();
  SaveChangesFrm->ChangedFiles.clear();
  if (answer != TSaveChangesFrm::ResultSave) {
    return answer == TSaveChangesFrm::ResultNoSave;
  }
  // Every marked file is tried, also after a failure; any failure keeps all open.
  bool allSaved = true;
  for (size_t index = 0; index < changedFiles.size(); ++index) {
    if (changedFiles[index]->SaveMarked && !SaveFile(windowsToSave[index])) {
      allSaved = false;
    }
  }
  return allSaved;
}

void TKestrowMainFrm::ReleaseInspectorWindow(ChildWindowClass* window) {
  window->OnRepaintRelated = nullptr;
  window->OnCloseQuery = nullptr;
  if (ChildDataClass* data = window->CommonData) {
    registry_->SetCommonDataToNil(data);
    registry_->RemoveCommonData(data);
  }
  window->close();
}

// ---- Child windows ---------------------------------------------------------------------

bool TKestrowMainFrm::ChildCloseQuery(ChildWindowClass* window) {
  InspectorDataClass* data = window->InspectorData();
  if (ClosingAll || data == nullptr || registry_->CountRelatedChildren(data) != 1 ||
      !data->Changed) {
    return true;
  }
  switch (Prompts().AskYesNoCancel(SaveQuestion(*data))) {
    case PromptInterface::Answer::Yes:
      return SaveFile(window);
    case PromptInterface::Answer::No:
      return true;
    case PromptInterface::Answer::Cancel:
      break;
  }
  return false;
}

// The last window on an image takes the inspectors of its files with it, after the
// review of their changes.
bool TKestrowMainFrm::DFSDiskCloseQuery(ChildWindowClass* window) {
  if (ClosingAll || registry_->CountRelatedChildren(window->CommonData) != 1) {
    return true;
  }
  std::vector<ChildWindowClass*> inspectors;
  for (ChildWindowClass* child : registry_->ChildOrder()) {
    if (const InspectorDataClass* data = child->InspectorData();
        data != nullptr && data->ParentDisk == window->CommonData) {
      inspectors.push_back(child);
    }
  }
  if (!ReviewChanges(inspectors)) {
    return false;
  }
  for (ChildWindowClass* inspector : inspectors) {
    ReleaseInspectorWindow(inspector);
  }
  return true;
}

void TKestrowMainFrm::ChildClosing(ChildWindowClass* window) {
  // The closing window no longer counts as a child.
  const bool onlyChild = registry_->ChildOrder().empty();
  ChildDataClass* data = window->CommonData;
  if (data != nullptr && registry_->CountRelatedChildren(data) == 0) {
    window->OnRepaintRelated = nullptr;
    window->CommonData = nullptr;
    registry_->RemoveCommonData(data);
  }
  if (DragSource == window) {
    DragSource = nullptr;
  }
  DeleteWindowMenuEntry(WindowMnu, window);
  if (onlyChild) {
    SetMenuButtons(nullptr);
  }
}
