// SPDX-License-Identifier: GPL-3.0-or-later
// A prompt interface for tests: records every text and beep in order and answers
// questions and file dialogs from a script.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/Prompts.h"

class ScriptedPrompts : public PromptInterface {
 public:
  enum class Kind { Message, YesNo, YesNoCancel, Beep, OpenFile, SaveFile };
  struct Event {
    Kind kind;
    std::string text;  // empty for a beep; the filter for a file dialog
  };

  // Queue answers, consumed in order. An unscripted Yes/No answers No, an unscripted
  // Yes/No/Cancel answers Cancel and an unscripted file dialog is cancelled.
  void QueueYesNo(bool yes) { yesNoAnswers_.push_back(yes); }
  void QueueYesNoCancel(Answer answer) { yesNoCancelAnswers_.push_back(answer); }
  void QueueFileName(const std::string& path) { fileNames_.push_back(path); }

  void ShowMessage(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;
  Answer AskYesNoCancel(const std::string& text) override;
  void Beep() override;
  std::string AskOpenFileName(const FileDialogOptions& options) override;
  std::string AskSaveFileName(const FileDialogOptions& options) override;

  const std::vector<Event>& Events() const { return events_; }
  // Texts of messages and questions (not beeps or dialogs), in order.
  std::vector<std::string> Texts() const;
  std::vector<std::string> Messages() const;  // OK boxes only
  int BeepCount() const;
  void Clear();

 private:
  std::vector<Event> events_;
  std::deque<bool> yesNoAnswers_;
  std::deque<Answer> yesNoCancelAnswers_;
  std::deque<std::string> fileNames_;
};

// Installs a ScriptedPrompts for the life of the guard and restores the previous one.
class ScopedScriptedPrompts {
 public:
  ScopedScriptedPrompts();
  ~ScopedScriptedPrompts();
  ScriptedPrompts& operator*() { return prompts_; }
  ScriptedPrompts* operator->() { return &prompts_; }

 private:
  ScriptedPrompts prompts_;
  PromptInterface* previous_;
};
