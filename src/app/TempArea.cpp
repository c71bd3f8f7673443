#include "app/TempArea.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace {

// Creates path with mode 0700, or adopts it when it already is our own folder.
bool UseFolder(const std::string& path) {
  if (mkdir(path.c_str(), 0700) == 0) {
    return true;
  }
  if (errno != EEXIST || !IsOwnPrivateFolder(path)) {
    return false;
  }
  chmod(path.c_str(), 0700);
  return true;
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
  return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid();
}

bool TempAreaClass::Establish(const std::string& tempFolder) {
  path_.clear();
  if (tempFolder.empty()) {
    return false;
  }
  for (const std::string& name :
       {std::string("Kestrow"), "Kestrow-" + std::to_string(static_cast<long>(geteuid()))}) {
    if (UseFolder(tempFolder + name)) {
      path_ = tempFolder + name;
      return true;
    }
  }
  return false;
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
  if (fstat(folder, &info) != 0 || info.st_uid != geteuid()) {
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
