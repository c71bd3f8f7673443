// SPDX-License-Identifier: GPL-3.0-or-later
// The prompt interface shown to a user: QMessageBox, QFileDialog and QApplication::beep.
#pragma once

#include <QString>

#include "platform/Prompts.h"

class QWidget;

class QtPrompts : public PromptInterface {
 public:
  // Boxes and dialogs are parented to the widget the caller gives (usually the main window).
  explicit QtPrompts(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }

  void ShowMessage(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;
  Answer AskYesNoCancel(const std::string& text) override;
  void Beep() override;
  std::string AskOpenFileName(const FileDialogOptions& options) override;
  std::string AskSaveFileName(const FileDialogOptions& options) override;

 private:
  QWidget* parent_;
};

// A program text as shown on screen: valid UTF-8 (host paths) as UTF-8, anything else
// byte for byte as Latin-1.
QString DisplayText(const std::string& text);
// "desc|pattern|desc|pattern" as a QFileDialog filter: "desc (pattern);;desc (pattern)".
QString QtFileFilter(const std::string& filter);
