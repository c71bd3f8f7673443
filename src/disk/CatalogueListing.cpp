// SPDX-License-Identifier: GPL-3.0-or-later
#include "disk/CatalogueListing.h"

#include <algorithm>
#include <cstdio>

namespace {

const char* const kBootOptionNames[] = {"Off)", "Load)", "Run)", "Exec)"};
// Characters in each column's cells: directory, name, lock, load, exec, length, sector.
constexpr std::array<size_t, 7> kWidestCells = {1, 7, 1, 6, 6, 6, 3};

std::string Hex(int32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(value));
  return text;
}

// A Latin-1 byte as UTF-8.
void AppendLatin1(std::string& out, unsigned char byte) {
  if (byte < 0x80) {
    out += static_cast<char>(byte);
  } else {
    out += static_cast<char>(0xC0 | (byte >> 6));
    out += static_cast<char>(0x80 | (byte & 0x3F));
  }
}

// The number of characters text takes on screen once Printable has made it UTF-8.
size_t ScreenWidth(const std::string& text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char value) {
    return (static_cast<unsigned char>(value) & 0xC0) != 0x80;
  }));
}

std::string JoinPanels(const std::array<std::string, 3>& panels) {
  return panels[0] + "  " + panels[1] + "  " + panels[2];
}

// Cells padded to their columns' widths, one space apart; the last is not padded.
std::string AlignedLine(const std::array<std::string, 7>& cells) {
  std::string line;
  for (size_t column = 0; column < cells.size(); ++column) {
    line += cells[column];
    if (column + 1 < cells.size()) {
      size_t width =
          std::max(std::string(kListingColumnTitles[column]).size(), kWidestCells[column]);
      size_t shown = ScreenWidth(cells[column]);
      line += std::string(width > shown ? width - shown : 0, ' ') + " ";
    }
  }
  return line + "\n";
}

std::string JsonEntry(const DFSFileClass& entry) {
  return "{\"directory\": " + JsonString(std::string(1, entry.Directory)) +
         ", \"name\": " + JsonString(entry.Name) +
         ", \"locked\": " + (entry.Locked != 0 ? "true" : "false") +
         ", \"load\": " + std::to_string(entry.LoadAddress) +
         ", \"exec\": " + std::to_string(entry.ExecAddress) +
         ", \"length\": " + std::to_string(entry.Length) +
         ", \"start_sector\": " + std::to_string(entry.StartSector) + "}";
}

}  // namespace

std::array<std::string, 7> EntryCellTexts(const DFSFileClass& entry) {
  return {std::string(1, entry.Directory), entry.Name,
          entry.Locked != 0 ? "L" : " ",   Hex(entry.LoadAddress, 6),
          Hex(entry.ExecAddress, 6),       Hex(entry.Length, 6),
          Hex(entry.StartSector, 3)};
}

std::string DiskSizeText(const DFSDiskClass& disk) {
  switch (disk.SectorCount()) {
    case 800:
      return "80 track (200K)";
    case 400:
      return "40 track (100K)";
    default:
      return std::to_string(disk.SectorCount()) + " sectors (" +
             std::to_string(disk.DiskSize / 1024) + "K)";
  }
}

std::array<std::string, 3> DiskStatusTexts(const DFSDiskClass& disk, int fileCount) {
  int option = std::clamp(disk.BootOption, 0, 3);
  return {std::to_string(fileCount) + " file" + (fileCount == 1 ? "" : "s"),
          "Boot Opt " + std::to_string(disk.BootOption) + " (" + kBootOptionNames[option],
          DiskSizeText(disk) + " " + disk.FormatName()};
}

std::array<std::string, 3> SpaceStatusTexts(const DFSDiskClass& disk) {
  return {std::to_string(disk.UsedSpace) + " bytes used",
          std::to_string(disk.DiskSize - disk.UsedSpace) + " bytes free",
          "Largest block: " + std::to_string(disk.LargestFree) + " bytes"};
}

std::string PlainListing(DFSDiskClass& disk, const std::string& imageName) {
  std::string title = disk.GetTitle();
  std::string listing =
      (title.empty() ? "Untitled disk" : Printable(title)) + " " + Printable(imageName) + "\n";
  std::array<std::string, 7> titles;
  std::copy(kListingColumnTitles.begin(), kListingColumnTitles.end(), titles.begin());
  listing += AlignedLine(titles);
  DFSFileList files;
  disk.ReadCatalogue(files);
  for (const DFSFileClass& entry : files) {
    std::array<std::string, 7> cells = EntryCellTexts(entry);
    std::transform(cells.begin(), cells.end(), cells.begin(), Printable);
    listing += AlignedLine(cells);
  }
  listing += JoinPanels(DiskStatusTexts(disk, static_cast<int>(files.size()))) + "\n";
  return listing + JoinPanels(SpaceStatusTexts(disk)) + "\n";
}

std::string JsonListing(DFSDiskClass& disk) {
  std::string json = "{\"title\": " + JsonString(disk.GetTitle()) +
                     ", \"boot_option\": " + std::to_string(disk.BootOption) +
                     ", \"disk_size\": " + std::to_string(disk.DiskSize) +
                     ", \"sectors\": " + std::to_string(disk.SectorCount()) +
                     ", \"size_text\": " + JsonString(DiskSizeText(disk)) +
                     ", \"used\": " + std::to_string(disk.UsedSpace) +
                     ", \"free\": " + std::to_string(disk.DiskSize - disk.UsedSpace) +
                     ", \"largest_free\": " + std::to_string(disk.LargestFree) + ", \"files\": [";
  DFSFileList files;
  disk.ReadCatalogue(files);
  for (size_t index = 0; index < files.size(); ++index) {
    json += (index == 0 ? "" : ", ") + JsonEntry(files[index]);
  }
  return json + "]}\n";
}

std::string PrintableText(const std::string& text) {
  return Printable(text);
}

std::string JsonString(const std::string& text) {
  std::string json = "\"";
  for (char value : text) {
    auto byte = static_cast<unsigned char>(value);
    if (value == '"' || value == '\\') {
      json += '\\';
      json += value;
    } else if (byte < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", byte);
      json += escape;
    } else {
      AppendLatin1(json, byte);
    }
  }
  return json + "\"";
}
