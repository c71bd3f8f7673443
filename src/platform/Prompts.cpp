// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Prompts.h"

namespace {

// Answers as a user who declines everything would, and shows nothing.
class SilentPrompts : public PromptInterface {
 public:
  void ShowMessage(const std::string&) override {}
  bool AskYesNo(const std::string&) override { return false; }
  Answer AskYesNoCancel(const std::string&) override { return Answer::Cancel; }
  void Beep() override {}
  std::string AskOpenFileName(const FileDialogOptions&) override { return {}; }
  std::string AskSaveFileName(const FileDialogOptions&) override { return {}; }
};

SilentPrompts silentPrompts;
PromptInterface* currentPrompts = &silentPrompts;

}  // namespace

PromptInterface& Prompts() {
  return *currentPrompts;
}

void SetPrompts(PromptInterface* prompts) {
  currentPrompts = prompts != nullptr ? prompts : &silentPrompts;
}

PromptInterface* CurrentPromptsOrNull() {
  return currentPrompts == &silentPrompts ? nullptr : currentPrompts;
}
