// SPDX-License-Identifier: GPL-3.0-or-later
// Which screen mode a file was saved from, told by where it loads and how long it is,
// and between modes that share a layout, by which reading of the bytes makes the
// most orderly picture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The mode shown for a file that matches no screen layout.
constexpr int kUnguessedScreenMode = 1;

inline constexpr const char* kNoScreenLayoutNote =
    "This file's load address and length match no screen mode, so it is shown in MODE 1.";

struct ScreenGuess {
  bool guessed = false;
  int mode = kUnguessedScreenMode;
  // The modes whose layout matches the file, the guess among them; empty when none does.
  std::vector<int> layoutModes;
  // kNoScreenLayoutNote when nothing was guessed, else empty.
  std::string note;
};

// The modes whose screen memory a file loading at loadAddress with length bytes fills,
// checked in this order: &3000 with &5000 bytes is MODE 0, 1 or 2; &4000/&4000 is
// MODE 3; &5800/&2800 is MODE 4 or 5; &6000/&2000 is MODE 6; &7C00 with 1 to &400 bytes
// is MODE 7. Only the low 16 bits of an address count when the bits above are all zero
// or all one (the I/O processor's memory, as a DFS catalogue stores it).
std::vector<int> ScreenLayoutModes(uint32_t loadAddress, size_t length);

// How disorderly memory looks read in bitmap mode 0-6: how many pixels differ from both
// of the two pixels before them on their row, for each byte of screen compared. A run of
// one colour continues without news, and so does a two-pixel dither; reading bytes in
// the wrong mode breaks colour runs into stripes a byte wide and mixes colours along
// their edges, which shows up as new pixels. Counting them per byte rather than per pixel
// weighs every reading over the same stretch of screen, so a finer reading gains nothing
// from having more pixels of empty background. (Text on a blank screen is where this
// falls short: two-colour text reads about as well in the coarser modes, and MODE 1 text
// about as well as MODE 2.) Pixels the memory does not reach are left out.
struct ScreenDisorder {
  int64_t newPixels = 0;
  int64_t comparedPixels = 0;
  int pixelsPerByte = 1;
  // Whether this reading has strictly fewer new pixels per byte than other.
  bool LessThan(const ScreenDisorder& other) const;
};
ScreenDisorder MeasureScreenDisorder(std::span<const uint8_t> memory, int mode);

// The guess for a file: its layout modes, and among several the one with the least
// disorder (on equal terms the lower mode number, whose finer pixels explain the
// bytes at least as well). A file matching no layout gets no guess, MODE 1 and the note.
ScreenGuess GuessScreenMode(uint32_t loadAddress, std::span<const uint8_t> data);
