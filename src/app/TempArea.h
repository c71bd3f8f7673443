// The private scratch folder under the system temporary folder that holds copies of
// files being dragged out of disk windows.
#pragma once

#include <string>

// The folder is used only when it is a real directory (not a link) owned by the current
// user; clearing it unlinks the entries directly inside it and never follows a link or
// descends into a sub-folder.
class TempAreaClass {
 public:
  // Creates (mode 0700) or adopts tempFolder + "Kestrow", else tempFolder + "Kestrow-" +
  // the numeric uid. tempFolder ends in "/". Returns false, leaving the area unset, when
  // tempFolder is empty or neither folder is safe to use.
  bool Establish(const std::string& tempFolder);
  // The folder's path without a trailing "/"; empty while the area is unset.
  const std::string& Path() const { return path_; }
  bool IsSet() const { return !path_.empty(); }
  // Deletes every entry directly inside the folder; failures are ignored.
  void Clear() const;
  // Removes the folder when it is empty; failures are ignored.
  void Remove() const;

 private:
  std::string path_;
};

// True when path names a real directory (not a link) owned by the current user.
bool IsOwnPrivateFolder(const std::string& path);
