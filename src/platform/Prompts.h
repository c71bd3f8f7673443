// SPDX-License-Identifier: GPL-3.0-or-later
// The one interface through which the program shows messages, asks questions,
// beeps and asks for file names, so that tests can script every answer.
#pragma once

#include <string>

// Texts are the program's single-byte strings; a GUI shows them as Latin-1 unless
// they are valid UTF-8 (host paths).
class PromptInterface {
 public:
  enum class Answer { Yes, No, Cancel };

  // What a file dialog offers: a filter in "description|pattern|description|pattern"
  // form and, for saving, the extension added to a name typed without one.
  struct FileDialogOptions {
    std::string filter;
    std::string defaultExtension;
  };

  virtual ~PromptInterface() = default;
  // Message box titled "Kestrow" with an OK button.
  virtual void ShowMessage(const std::string& text) = 0;
  // Box titled "Confirm" with the question icon and Yes/No; true only for Yes.
  virtual bool AskYesNo(const std::string& text) = 0;
  // Box titled "Confirm" with the question icon and Yes/No/Cancel.
  virtual Answer AskYesNoCancel(const std::string& text) = 0;
  // The system's default beep.
  virtual void Beep() = 0;
  // File dialogs; an empty result means the user cancelled.
  virtual std::string AskOpenFileName(const FileDialogOptions& options) = 0;
  virtual std::string AskSaveFileName(const FileDialogOptions& options) = 0;
};

// The prompt interface in force. Until one is installed, prompts are answered by a
// silent implementation that says No / Cancel and cancels file dialogs.
PromptInterface& Prompts();
// Installs the interface (not owned); nullptr restores the silent one.
void SetPrompts(PromptInterface* prompts);
// The installed interface, or nullptr while the silent one is in force.
PromptInterface* CurrentPromptsOrNull();
