// SPDX-License-Identifier: GPL-3.0-or-later
// The texts that describe one disk: the cells of a catalogue row and the status-bar
// panels as the disk window shows them, and whole listings of a disk as plain text and
// as JSON for the command line.
#pragma once

#include <array>
#include <string>

#include "disk/DFSUseful.h"

inline constexpr std::array<const char*, 7> kListingColumnTitles = {
    "Dir.", "File name ", "Att.", "Load", "Exec", "Size", "Sector"};

// Directory, name as stored, "L" or " ", load, exec and length as 6 upper-case hex
// digits, start sector as 3.
std::array<std::string, 7> EntryCellTexts(const DFSFileClass& entry);

// "80 track (200K)" for 800 sectors, "40 track (100K)" for 400, else "N sectors (xK)".
std::string DiskSizeText(const DFSDiskClass& disk);

// "N files", "Boot Opt B (...)" and DiskSizeText + " DFS Disk" (or " Watford 62-file").
std::array<std::string, 3> DiskStatusTexts(const DFSDiskClass& disk, int fileCount);
// "N bytes used", "N bytes free" and "Largest block: N bytes".
std::array<std::string, 3> SpaceStatusTexts(const DFSDiskClass& disk);

// A caption line (the title, or "Untitled disk", then imageName), the column titles, one
// aligned line per entry in catalogue order, then the two status-bar lines. Bytes that
// would act on a terminal (control characters) are shown as "?"; others as Latin-1 in
// UTF-8.
std::string PlainListing(DFSDiskClass& disk, const std::string& imageName);

// One JSON object with the title, boot option, disk size, used, free and largest free
// space and every entry in catalogue order; one line, ending in a line feed. Each stored
// byte becomes the character of the same code, escaped as JSON requires, in UTF-8.
std::string JsonListing(DFSDiskClass& disk);

// text as a terminal shows it: control characters as "?", other bytes as Latin-1 in UTF-8.
std::string PrintableText(const std::string& text);

// text as a JSON string literal, quotes included, each byte taken as a Latin-1 character.
std::string JsonString(const std::string& text);
