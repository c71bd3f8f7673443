// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ScriptedPrompts.h"

void ScriptedPrompts::ShowMessage(const std::string& text) {
  events_.push_back({Kind::Message, text});
}

bool ScriptedPrompts::AskYesNo(const std::string& text) {
  events_.push_back({Kind::YesNo, text});
  if (yesNoAnswers_.empty()) {
    return false;
  }
  bool answer = yesNoAnswers_.front();
  yesNoAnswers_.pop_front();
  return answer;
}

PromptInterface::Answer ScriptedPrompts::AskYesNoCancel(const std::string& text) {
  events_.push_back({Kind::YesNoCancel, text});
  if (yesNoCancelAnswers_.empty()) {
    return Answer::Cancel;
  }
  Answer answer = yesNoCancelAnswers_.front();
  yesNoCancelAnswers_.pop_front();
  return answer;
}

void ScriptedPrompts::Beep() {
  events_.push_back({Kind::Beep, {}});
}

std::string ScriptedPrompts::AskOpenFileName(const FileDialogOptions& options) {
  events_.push_back({Kind::OpenFile, options.filter});
  if (fileNames_.empty()) {
    return {};
  }
  std::string path = fileNames_.front();
  fileNames_.pop_front();
  return path;
}

std::string ScriptedPrompts::AskSaveFileName(const FileDialogOptions& options) {
  events_.push_back({Kind::SaveFile, options.filter});
  if (fileNames_.empty()) {
    return {};
  }
  std::string path = fileNames_.front();
  fileNames_.pop_front();
  return path;
}

std::vector<std::string> ScriptedPrompts::Texts() const {
  std::vector<std::string> texts;
  for (const Event& event : events_) {
    if (event.kind == Kind::Message || event.kind == Kind::YesNo ||
        event.kind == Kind::YesNoCancel) {
      texts.push_back(event.text);
    }
  }
  return texts;
}

std::vector<std::string> ScriptedPrompts::Messages() const {
  std::vector<std::string> texts;
  for (const Event& event : events_) {
    if (event.kind == Kind::Message) {
      texts.push_back(event.text);
    }
  }
  return texts;
}

int ScriptedPrompts::BeepCount() const {
  int count = 0;
  for (const Event& event : events_) {
    count += event.kind == Kind::Beep ? 1 : 0;
  }
  return count;
}

void ScriptedPrompts::Clear() {
  events_.clear();
  yesNoAnswers_.clear();
  yesNoCancelAnswers_.clear();
  fileNames_.clear();
}

ScopedScriptedPrompts::ScopedScriptedPrompts() : previous_(CurrentPromptsOrNull()) {
  SetPrompts(&prompts_);
}

ScopedScriptedPrompts::~ScopedScriptedPrompts() {
  SetPrompts(previous_);
}
