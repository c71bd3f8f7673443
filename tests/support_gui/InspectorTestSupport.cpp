// SPDX-License-Identifier: GPL-3.0-or-later
#include "support_gui/InspectorTestSupport.h"

#include <QTest>
#include <cstdio>
#include <random>
#include <stdexcept>

#include "inspector/FileInspector.h"
#include "inspector/SScrollBar.h"

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

InspectorDesk::InspectorDesk() {
  area_.resize(900, 700);
  area_.show();
}

InspectorDesk::~InspectorDesk() {
  // Windows go before the data the test owns.
  for (QMdiSubWindow* window : area_.subWindowList()) {
    delete window;
  }
}

TFileInspectorFrm* InspectorDesk::Open(InspectorDataClass& data, int windowNumber) {
  auto* window = new TFileInspectorFrm;
  window->CommonData = &data;
  window->OnRepaintRelated = [this](ChildWindowClass* source) {
    ++repaintCalls_;
    for (QMdiSubWindow* child : area_.subWindowList()) {
      auto* inspector = dynamic_cast<TFileInspectorFrm*>(child);
      if (inspector != nullptr && inspector->CommonData == source->CommonData) {
        inspector->View()->update();
      }
    }
  };
  window->ShowOriginalSize(data.OriginalSize);
  window->Init();
  area_.addSubWindow(window);
  window->show();
  area_.setActiveSubWindow(window);
  window->WindowNumber = windowNumber;
  window->SetCaption();
  if (!QTest::qWaitForWindowExposed(&area_)) {
    throw std::runtime_error("The inspector's MDI area was never shown");
  }
  return window;
}

QPoint HexCellCentre(const TFileInspectorFrm& window, int32_t offset) {
  const HexLayout& layout = window.Layout();
  return {layout.HexX(offset % 16) + layout.HexWidth / 2,
          layout.RowTop(offset / 16, window.VScrollBar->value()) + layout.RowHeight / 2};
}

QPoint CharCellCentre(const TFileInspectorFrm& window, int32_t offset) {
  const HexLayout& layout = window.Layout();
  return {layout.CharX(offset % 16) + layout.CharWidth / 2,
          layout.RowTop(offset / 16, window.VScrollBar->value()) + layout.RowHeight / 2};
}

std::vector<uint8_t> PatternBytes(size_t count, uint32_t seed) {
  std::mt19937 generator(seed);
  std::vector<uint8_t> bytes(count);
  for (uint8_t& byte : bytes) {
    byte = static_cast<uint8_t>(generator());
  }
  return bytes;
}
