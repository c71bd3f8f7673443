// SPDX-License-Identifier: GPL-3.0-or-later
// The main frame's maintenance commands: Check disk, Compact disk, and the offer to
// compact a disk that a save found no room on.
#include "app/KestrowApplication.h"
#include "app/KestrowMain.h"
#include "dialogs/CheckDisk.h"
#include "disk/DiskCheck.h"
#include "disk/DiskCompact.h"
#include "diskwindow/DFSDisk.h"
#include "platform/Prompts.h"
#include "util/UsefulQt.h"

namespace {

// The question with the disk described as Delete describes it: "titled CAPTION", or
// "with no title.".
std::string CompactQuestion(const TDFSDiskFrm& window) {
  const QString caption = TrimmedText(window.windowTitle());
  const QString disk = caption.isEmpty() ? "with no title." : "titled " + caption;
  QString question = kCompactQuestion;
  return question.replace("$File", disk).toUtf8().toStdString();
}

}  // namespace

void TKestrowMainFrm::CheckDiskMnuItemClick() {
  TDFSDiskFrm* window = ActiveDiskWindow();
  if (window == nullptr || window->Disk() == nullptr) {
    return;
  }
  std::vector<CheckFinding> findings;
  try {
    findings = CheckDisk(*window->Disk());
  } catch (const std::exception& error) {
    ShowErrorText(error);
    return;
  }
  if (findings.empty()) {
    Prompts().ShowMessage(kNoProblemsMessage);
    return;
  }
  if (CheckDiskFrm == nullptr) {
    CheckDiskFrm = new TCheckDiskFrm(this);
  }
  CheckDiskFrm->ShowFindings(findings, TrimmedText(window->windowTitle()));
}

void TKestrowMainFrm::CompactDiskMnuItemClick() {
  TDFSDiskFrm* window = ActiveDiskWindow();
  if (window == nullptr || window->Disk() == nullptr || window->IsReadOnly()) {
    return;
  }
  if (InspectorOpenOnDisk(window->DiskData(), nullptr)) {
    Prompts().ShowMessage(kFileInInspectorMessage);
  } else if (ConfirmYesNo(CompactQuestion(*window))) {
    CompactDiskWindow(window, nullptr);
  }
  SetMenuButtons(ActiveChild());
}

bool TKestrowMainFrm::CompactDiskWindow(TDFSDiskFrm* window, const InspectorDataClass* saving) {
  DiskDataClass* data = window->DiskData();
  if (data == nullptr || data->Disk == nullptr) {
    return false;
  }
  if (InspectorOpenOnDisk(data, saving)) {
    Prompts().ShowMessage(kFileInInspectorMessage);
    return false;
  }
  CompactionResult result;
  try {
    result = CompactDisk(*data->Disk);
  } catch (const std::exception& error) {
    Prompts().ShowMessage(ChangeFailureMessage(error, kCompactFailedMessage));
    window->Init();  // the files moved before the failure stay moved
    return false;
  }
  if (!result.compacted) {
    Prompts().ShowMessage(result.refusal);
    return false;
  }
  window->Init();
  Prompts().ShowMessage(CompactionSummary(result));
  return true;
}

bool TKestrowMainFrm::InspectorOpenOnDisk(const DiskDataClass* disk,
                                          const InspectorDataClass* except) const {
  for (ChildWindowClass* child : registry_->ChildOrder()) {
    auto* inspector = dynamic_cast<InspectorDataClass*>(child->CommonData);
    if (child->WindowKind() == ChildWindowClass::ChildKind::Inspector && inspector != nullptr &&
        inspector->ParentDisk == disk && inspector != except) {
      return true;
    }
  }
  return false;
}

bool TKestrowMainFrm::OfferCompactionForSave(TDFSDiskFrm* parent, InspectorDataClass& data) {
  DFSFileClass file;
  file.Directory = data.Directory;
  file.Name = data.Name;
  file.Length = static_cast<int32_t>(data.Buffer.Size());
  return OfferCompactionForRoom(*parent->Disk(), file,
                                [&] { return CompactDiskWindow(parent, &data); });
}
