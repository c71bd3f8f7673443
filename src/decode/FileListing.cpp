// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/FileListing.h"

#include "decode/BasicListing.h"
#include "decode/TextView.h"

namespace {

const char* const kEmptyFileNote = "This file is empty.";

}  // namespace

FileListing ListFile(ListingKind kind, std::span<const uint8_t> bytes) {
  FileListing listing;
  switch (kind) {
    case ListingKind::Basic: {
      BasicListing program = ListBasicProgram(bytes);
      listing.lines = std::move(program.lines);
      listing.note = std::move(program.report.message);
      listing.failed = program.report.IsError();
      break;
    }
    case ListingKind::Text:
      listing.lines = TextViewLines(bytes);
      if (bytes.empty()) {
        listing.note = kEmptyFileNote;
      }
      break;
  }
  return listing;
}

std::string PrintedListing(const FileListing& listing) {
  std::string text = PlainText(listing.lines);
  if (!listing.lines.empty()) {
    text.push_back('\n');
  }
  return text;
}
