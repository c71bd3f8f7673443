// SPDX-License-Identifier: GPL-3.0-or-later
#include "disk/MMBSlotRules.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace {

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) {
    return {};
  }
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string SafeHostName(const std::string& title) {
  std::string name = Trimmed(title);
  for (char& character : name) {
    const auto code = static_cast<unsigned char>(character);
    if (character == '/' || code < ' ' || code == 0x7F) {
      character = '_';
    }
  }
  // "." and ".." are no file names.
  if (name.find_first_not_of('.') == std::string::npos) {
    return {};
  }
  return name;
}

std::string LowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char value) { return static_cast<char>(std::tolower(value)); });
  return text;
}

}  // namespace

std::string MMBDiscWindowPath(const std::string& mmbPath, int number) {
  return mmbPath + " : disc " + std::to_string(number);
}

std::string MMBDiscLabel(const MMBSlot& slot) {
  const std::string title = Trimmed(slot.Title);
  std::string label = "disc " + std::to_string(slot.Number);
  return title.empty() ? label : label + " (" + title + ")";
}

std::string MMBDiscInUseMessage(int number) {
  return "Disc " + std::to_string(number) +
         " is open in a disk window, close its windows before you change its slot.";
}

std::string MMBKillQuestion(const std::vector<MMBSlot>& chosen) {
  if (chosen.size() == 1) {
    return "Are you sure you want to kill " + MMBDiscLabel(chosen.front()) +
           "? Its slot will be marked unformatted.";
  }
  return "Are you sure you want to kill the " + std::to_string(chosen.size()) +
         " selected discs? Their slots will be marked unformatted.";
}

std::string MMBFormatQuestion(const std::vector<MMBSlot>& chosen) {
  if (chosen.size() == 1) {
    return "Are you sure you want to format " + MMBDiscLabel(chosen.front()) +
           "? Every file on it will be lost.";
  }
  return "Are you sure you want to format the " + std::to_string(chosen.size()) +
         " selected discs? Every file on them will be lost.";
}

std::string MMBReplaceQuestion(const MMBSlot& slot, const std::string& imagePath) {
  return "Are you sure you want to replace " + MMBDiscLabel(slot) + " with the image " + imagePath +
         "?";
}

bool IsSingleSidedName(const std::string& path) {
  static const std::string extension = ".ssd";
  return path.size() >= extension.size() &&
         LowerCase(path.substr(path.size() - extension.size())) == extension;
}

std::vector<std::string> MMBExportNames(const std::vector<MMBSlot>& chosen) {
  std::vector<std::string> names;
  std::set<std::string> taken;
  for (const MMBSlot& slot : chosen) {
    const std::string title = SafeHostName(slot.Title);
    const std::string number = std::to_string(slot.Number);
    std::string name = title.empty() ? "disc " + number : title;
    if (taken.count(LowerCase(name + ".ssd")) != 0) {
      name += " (disc " + number + ")";
    }
    name += ".ssd";
    taken.insert(LowerCase(name));
    names.push_back(name);
  }
  return names;
}

std::string MMBBootText(const std::array<int, kMMBBootDrives>& discs) {
  std::string text = "Boot:";
  for (size_t drive = 0; drive < discs.size(); ++drive) {
    text += (drive == 0 ? " " : ", ") + std::to_string(discs[drive]);
  }
  return text;
}
