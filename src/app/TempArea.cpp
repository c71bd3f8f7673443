// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TempArea.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace {

bool IsPrivate(const struct stat& info) {
  return S_ISDIR(info.st_mode) && info.st_uid == geteuid() && (info.st_mode & 0077) == 0;
}

// Names of the entries of the open folder, without "." and "..".
std::vector<std::string> EntryNames(int folder) {
  std::vector<std::string> names;
  int listingDescriptor = dup(folder);
  DIR* listing = listingDescriptor < 0 ? nullptr : fdopendir(listingDescriptor);
  if (listing == nullptr) {
    if (listingDescriptor >= 0) {
      close(listingDescriptor);
    }
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

}  // namespace

bool IsOwnPrivateFolder(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0 && IsPrivate(info);
}

bool TempAreaClass::Establish(const std::string& tempFolder) {
  path_.clear();
  if (tempFolder.empty()) {
    return false;
  }
  std::string pattern = tempFolder + "Kestrow-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  // mkdtemp makes a new folder of mode 0700: never one that someone else prepared.
  if (mkdtemp(name.data()) == nullptr) {
    return false;
  }
  path_ = name.data();
  return true;
}

bool TempAreaClass::IsIntact() const {
  return !path_.empty() && IsOwnPrivateFolder(path_);
}

void TempAreaClass::Clear() const {
  if (path_.empty()) {
    return;
  }
  // O_NOFOLLOW: a link planted in the folder's place since it was made is not followed.
  int folder = open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (folder < 0) {
    return;
  }
  struct stat info {};
  if (fstat(folder, &info) != 0 || !IsPrivate(info)) {
    close(folder);
    return;
  }
  for (const std::string& name : EntryNames(folder)) {
    // unlinkat without AT_REMOVEDIR removes files and links, never a folder.
    unlinkat(folder, name.c_str(), 0);
  }
  close(folder);
}

void TempAreaClass::Remove() const {
  if (!path_.empty() && IsOwnPrivateFolder(path_)) {
    rmdir(path_.c_str());
  }
}
