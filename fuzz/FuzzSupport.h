// SPDX-License-Identifier: GPL-3.0-or-later
// Small helpers shared by the fuzz targets: a private scratch folder, whole-file reads
// and writes, and a check that stops the run with a message when an invariant breaks.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace fuzz {

// Stops the run, so that libFuzzer keeps the input that broke the invariant.
[[noreturn]] inline void Fail(const char* what, const std::string& detail = "") {
  std::fprintf(stderr, "INVARIANT BROKEN: %s %s\n", what, detail.c_str());
  std::abort();
}

inline void Check(bool condition, const char* what, const std::string& detail = "") {
  if (!condition) {
    Fail(what, detail);
  }
}

void EmptyFolder(const std::string& folder, bool removeFolder);

// A folder of this process under $FUZZ_WORKDIR, /dev/shm or /tmp, made once and removed
// when the run ends normally.
inline const std::string& WorkFolder() {
  // Never destroyed, so that the exit handler can still use it.
  static const std::string* folder = [] {
    const char* base = std::getenv("FUZZ_WORKDIR");
    std::string root =
        base != nullptr ? base : (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
    auto* pattern = new std::string(root + "/kestrow-fuzz-XXXXXX");
    if (mkdtemp(pattern->data()) == nullptr) {
      Fail("cannot make the work folder", *pattern);
    }
    return pattern;
  }();
  static const bool removedAtExit = std::atexit([] { EmptyFolder(*folder, true); }) == 0;
  (void)removedAtExit;
  return *folder;
}

inline void WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  Check(descriptor >= 0, "cannot create", path);
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t put = write(descriptor, bytes.data() + done, bytes.size() - done);
    Check(put > 0, "cannot write", path);
    done += static_cast<size_t>(put);
  }
  close(descriptor);
}

inline std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  std::vector<uint8_t> bytes;
  int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) {
    return bytes;
  }
  uint8_t block[65536];
  ssize_t got = 0;
  while ((got = read(descriptor, block, sizeof block)) > 0) {
    bytes.insert(bytes.end(), block, block + got);
  }
  close(descriptor);
  return bytes;
}

// Makes each side of image look like a Watford 62-file disk: the eight 0xAA bytes at the
// start of sector 2 and the sector count repeated in sector 3, as Watford DFS formats it.
// Side 1 of a double-sided image starts on the second track of the file.
inline void StampWatfordMark(std::vector<uint8_t>& image, bool doubleSided) {
  constexpr size_t kTrack = 2560;
  for (size_t side = 0; side < (doubleSided ? 2u : 1u); ++side) {
    const size_t base = side * kTrack;
    if (image.size() < base + 1024) {
      image.resize(base + 1024, 0);
    }
    std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(base + 512), 8, 0xAA);
    image[base + 0x306] = image[base + 0x106] & 3;
    image[base + 0x307] = image[base + 0x107];
  }
}

// Names inside folder, without "." and "..".
inline std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  DIR* listing = opendir(folder.c_str());
  if (listing == nullptr) {
    return names;
  }
  while (dirent* entry = readdir(listing)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") {
      names.push_back(name);
    }
  }
  closedir(listing);
  return names;
}

// Removes everything in folder, then the folder itself when asked.
inline void EmptyFolder(const std::string& folder, bool removeFolder) {
  for (const std::string& name : FolderNames(folder)) {
    std::string path = folder + "/" + name;
    struct stat status {};
    if (lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
      EmptyFolder(path, true);
    } else {
      unlink(path.c_str());
    }
  }
  if (removeFolder) {
    rmdir(folder.c_str());
  }
}

}  // namespace fuzz
