// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/TerminalPrompts.h"

#include "util/Useful.h"

TerminalPrompts::TerminalPrompts(std::ostream& errors, bool answerYes)
    : errors_(errors), answerYes_(answerYes) {}

void TerminalPrompts::WriteLine(const std::string& text) {
  // Names from a disk or a side-car may hold control characters; none reaches the terminal.
  if (!context_.empty()) {
    errors_ << Printable(context_) << ": ";
  }
  errors_ << Printable(text) << '\n';
  errors_.flush();
}

void TerminalPrompts::ShowMessage(const std::string& text) {
  WriteLine(text);
  failed_ = true;
}

void TerminalPrompts::ShowNote(const std::string& text) {
  WriteLine(text);
}

bool TerminalPrompts::AskYesNo(const std::string& text) {
  WriteLine(text + (answerYes_ ? " Yes" : " No"));
  if (!answerYes_) {
    failed_ = true;
  }
  return answerYes_;
}

PromptInterface::Answer TerminalPrompts::AskYesNoCancel(const std::string& text) {
  return AskYesNo(text) ? Answer::Yes : Answer::No;
}

std::string TerminalPrompts::AskOpenFileName(const FileDialogOptions&) {
  failed_ = true;
  return {};
}

std::string TerminalPrompts::AskSaveFileName(const FileDialogOptions&) {
  failed_ = true;
  return {};
}
