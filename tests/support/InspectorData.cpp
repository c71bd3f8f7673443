// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/InspectorData.h"

#include <cstdio>
#include <stdexcept>

namespace {

const std::string kMarkupCharacters = "|[]{}()";

std::string ByteText(uint8_t byte) {
  if (byte >= 33 && byte <= 126 && kMarkupCharacters.find(char(byte)) == std::string::npos) {
    return std::string(1, char(byte));
  }
  char text[8];
  std::snprintf(text, sizeof text, "{%02X}", byte);
  return text;
}

}  // namespace

std::string InspectorMarkup(const InspectorDataClass& data) {
  const std::vector<uint8_t>& bytes = data.Buffer.Bytes();
  const auto size = static_cast<int32_t>(bytes.size());
  const int32_t start = data.SelStart;
  const int32_t end = data.SelEnd;
  const bool none = start == -1;
  const bool caret = !none && start == end && start <= size;
  const bool selection = !none && start < end && start >= 0 && end < size;
  std::string text;
  for (int32_t offset = 0; offset <= size; ++offset) {
    if ((caret && offset == start) || (selection && offset == start)) {
      text += caret ? "|" : "[";
    }
    if (selection && offset == end + 1) {
      text += "]";
    }
    if (offset < size) {
      text += ByteText(bytes[offset]);
    }
  }
  if (!none && !caret && !selection) {
    text += " (" + std::to_string(start) + "," + std::to_string(end) + ")";
  } else if (none && end != -1) {
    text += " (-1," + std::to_string(end) + ")";
  }
  return text;
}

void SetFromMarkup(InspectorDataClass& data, const std::string& markup) {
  std::vector<uint8_t> bytes;
  int32_t start = -1;
  int32_t end = -1;
  size_t index = 0;
  for (; index < markup.size() && markup[index] != ' '; ++index) {
    const char character = markup[index];
    const auto offset = static_cast<int32_t>(bytes.size());
    if (character == '|') {
      start = end = offset;
    } else if (character == '[') {
      start = offset;
    } else if (character == ']') {
      end = offset - 1;
    } else if (character == '{') {
      bytes.push_back(static_cast<uint8_t>(std::stoi(markup.substr(index + 1, 2), nullptr, 16)));
      index += 3;
    } else {
      bytes.push_back(static_cast<uint8_t>(character));
    }
  }
  if (index < markup.size()) {
    if (std::sscanf(markup.c_str() + index, " (%d,%d)", &start, &end) != 2) {
      throw std::invalid_argument("Bad inspector markup: " + markup);
    }
  }
  data.Buffer = SMemoryStream(std::move(bytes));
  data.SelStart = start;
  data.SelEnd = end;
}

InspectedFile::InspectedFile(std::vector<uint8_t> bytes, bool locked)
    : Disk(std::make_unique<DiskDataClass>()), Data(std::make_unique<InspectorDataClass>()) {
  Disk->ImagePath = "/images/games.ssd";
  Disk->DiskTitle = "GAMES";
  Data->ImagePath = Disk->ImagePath;
  Data->DiskTitle = Disk->DiskTitle;
  Data->Directory = '$';
  Data->Name = "PROG";
  Data->Locked = locked;
  Data->OriginalSize = static_cast<int32_t>(bytes.size());
  Data->Buffer = SMemoryStream(std::move(bytes));
  Data->ParentDisk = Disk.get();
}
