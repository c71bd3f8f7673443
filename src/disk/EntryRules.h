// SPDX-License-Identifier: GPL-3.0-or-later
// The rules for editing a catalogue entry's directory, name, load and execution address:
// which characters each field takes, and how an edited text is committed to the image.
// Shared by the disk window's in-place editor and the command line.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "disk/DFSUseful.h"

inline constexpr const char* kNoValueMessage = "There must be a value";
inline constexpr const char* kEmptyFileNameMessage = "An empty filename is not permitted";

enum class EntryField { Directory, Name, Load, Exec };

// The most characters the field holds: 1 for the directory, 7 for the name, 6 for an
// address.
size_t FieldMaxLength(EntryField field);

// The character as the field takes it when typed at caretPosition (0 = before the first
// character): a letter typed into an address becomes upper case. Nothing when the field
// refuses it. Length is not checked here (FieldMaxLength).
//  - Directory: not "#", "*", "|", "." or ":".
//  - Name: not "#", "*", "|" or a space; not ":" first, not "." first or second.
//  - Load, Exec: the hexadecimal digits 0-9 and A-F only.
// The directory and the name take only printable ASCII: the catalogue keeps 7 bits of a
// directory, and a control character cannot be typed.
std::optional<char> FilterTypedCharacter(EntryField field, char typed, size_t caretPosition);

// A whole text as the field would take it, each character filtered at its own position;
// nothing when a character is refused or the text is longer than the field.
std::optional<std::string> FilterFieldText(EntryField field, const std::string& text);

// The text an edit of the field starts from: a name without its leading and trailing
// spaces, any other field's text as it stands.
std::string EditStartText(EntryField field, const std::string& cellText);

// An address text as it is committed: padded on the left with "0" to 6 digits.
std::string CommittedAddressText(const std::string& text);

// Commits an edited text to the entry (directory, 7-character name) through the disk's
// operations: an empty address shows "There must be a value" and an empty name "An empty
// filename is not permitted" (both beep) and change nothing; an empty directory becomes
// a space. The text is taken as it stands (filter it first). True when the entry
// changed; false after a message (the lookup failure message included).
bool CommitEntryEdit(DFSDiskClass& disk, char directory, const std::string& name, EntryField field,
                     const std::string& text);
// The same for the entry that DFSDiskClass::FindEntryLike finds (its catalogue position,
// checked against its name), so that each of two namesakes can be edited.
bool CommitEntryEdit(DFSDiskClass& disk, const DFSFileClass& entry, EntryField field,
                     const std::string& text);
