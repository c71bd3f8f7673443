// SPDX-License-Identifier: GPL-3.0-or-later
// The prompt interface of a command-line run: nothing is ever asked interactively.
// Messages go to an error stream, beeps are ignored, questions are answered from a choice
// fixed in advance, and the run remembers whether anything went wrong.
#pragma once

#include <ostream>
#include <string>

#include "platform/Prompts.h"

class TerminalPrompts : public PromptInterface {
 public:
  // answerYes: how every Yes/No question is answered (Yes/No/Cancel ones too).
  TerminalPrompts(std::ostream& errors, bool answerYes);

  // Every message reports a failure or a refusal: it is written as one line and marks
  // the run as failed.
  void ShowMessage(const std::string& text) override;
  // Information that is no failure (an interrupted change undone): written, not counted.
  void ShowNote(const std::string& text);
  // The question is written with its answer; a No marks the run as failed, since what
  // was asked about did not happen.
  bool AskYesNo(const std::string& text) override;
  Answer AskYesNoCancel(const std::string& text) override;
  void Beep() override {}
  // There is no one to choose a file: the dialog counts as cancelled.
  std::string AskOpenFileName(const FileDialogOptions& options) override;
  std::string AskSaveFileName(const FileDialogOptions& options) override;

  // Written before each line until changed ("" for none), followed by ": ".
  void SetContext(const std::string& context) { context_ = context; }
  void MarkFailed() { failed_ = true; }
  bool Failed() const { return failed_; }

 private:
  void WriteLine(const std::string& text);

  std::ostream& errors_;
  bool answerYes_;
  bool failed_ = false;
  std::string context_;
};
