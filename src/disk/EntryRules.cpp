// SPDX-License-Identifier: GPL-3.0-or-later
#include "disk/EntryRules.h"

#include <cstring>

#include "platform/Prompts.h"
#include "util/Useful.h"

namespace {

constexpr size_t kAddressDigits = 6;

bool IsPrintableAscii(char value) {
  return value >= ' ' && value <= '~';
}

bool IsHexDigit(char value) {
  return (value >= '0' && value <= '9') || (value >= 'A' && value <= 'F');
}

char UpperCase(char value) {
  return value >= 'a' && value <= 'z' ? static_cast<char>(value - 'a' + 'A') : value;
}

bool InSet(char value, const char* refused) {
  return value != '\0' && std::strchr(refused, value) != nullptr;
}

bool DirectoryTakes(char value) {
  return IsPrintableAscii(value) && !InSet(value, "#*|.:");
}

bool NameTakes(char value, size_t caretPosition) {
  if (!IsPrintableAscii(value) || InSet(value, "#*| ")) {
    return false;
  }
  if (value == ':' && caretPosition == 0) {
    return false;
  }
  return !(value == '.' && caretPosition <= 1);
}

}  // namespace

size_t FieldMaxLength(EntryField field) {
  switch (field) {
    case EntryField::Directory:
      return 1;
    case EntryField::Name:
      return 7;
    default:
      return kAddressDigits;
  }
}

std::optional<char> FilterTypedCharacter(EntryField field, char typed, size_t caretPosition) {
  switch (field) {
    case EntryField::Directory:
      return DirectoryTakes(typed) ? std::optional<char>(typed) : std::nullopt;
    case EntryField::Name:
      return NameTakes(typed, caretPosition) ? std::optional<char>(typed) : std::nullopt;
    default: {
      char upper = UpperCase(typed);
      return IsHexDigit(upper) ? std::optional<char>(upper) : std::nullopt;
    }
  }
}

std::optional<std::string> FilterFieldText(EntryField field, const std::string& text) {
  if (text.size() > FieldMaxLength(field)) {
    return std::nullopt;
  }
  std::string taken;
  for (size_t position = 0; position < text.size(); ++position) {
    std::optional<char> character = FilterTypedCharacter(field, text[position], position);
    if (!character) {
      return std::nullopt;
    }
    taken += *character;
  }
  return taken;
}

std::string EditStartText(EntryField field, const std::string& cellText) {
  if (field != EntryField::Name) {
    return cellText;
  }
  const size_t first = cellText.find_first_not_of(' ');
  if (first == std::string::npos) {
    return std::string();
  }
  return cellText.substr(first, cellText.find_last_not_of(' ') - first + 1);
}

std::string CommittedAddressText(const std::string& text) {
  return PadLeft(text, '0', kAddressDigits);
}

bool CommitEntryEdit(DFSDiskClass& disk, char directory, const std::string& name, EntryField field,
                     const std::string& text) {
  DFSFileClass entry;
  entry.Directory = directory;
  entry.Name = name;
  entry.CatalogueIndex = -1;
  return CommitEntryEdit(disk, entry, field, text);
}

bool CommitEntryEdit(DFSDiskClass& disk, const DFSFileClass& entry, EntryField field,
                     const std::string& text) {
  switch (field) {
    case EntryField::Directory:
      return disk.SetDirectory(entry, text.empty() ? ' ' : text[0]);
    case EntryField::Name:
      if (text.empty()) {
        Prompts().ShowMessage(MakeBareMessage(kEmptyFileNameMessage));
        return false;
      }
      return disk.RenameFile(entry, text);
    default:
      if (text.empty()) {
        Prompts().ShowMessage(MakeBareMessage(kNoValueMessage));
        return false;
      }
      return disk.SetAddress(entry, field == EntryField::Exec ? "Exec" : "Load",
                             CommittedAddressText(text));
  }
}
