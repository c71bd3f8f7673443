// SPDX-License-Identifier: GPL-3.0-or-later
// The private scratch folder under the system temporary folder that holds copies of
// files being dragged out of disk windows. Each running program makes its own.
#pragma once

#include <string>

// The folder is used only while it is a real directory (not a link) owned by the current
// user with mode 0700; clearing it unlinks the entries directly inside it and never
// follows a link or descends into a sub-folder.
class TempAreaClass {
 public:
  // Creates a new folder tempFolder + "Kestrow-XXXXXX" (mkdtemp, mode 0700), private to
  // this program; a folder of that name made by anyone else is never used. tempFolder
  // ends in "/". Returns false, leaving the area unset, when tempFolder is empty or the
  // folder cannot be made.
  bool Establish(const std::string& tempFolder);
  // The folder's path without a trailing "/"; empty while the area is unset.
  const std::string& Path() const { return path_; }
  bool IsSet() const { return !path_.empty(); }
  // Whether the folder is still this program's own (IsOwnPrivateFolder): checked before
  // every fill, so that a link planted at its path is never written through.
  bool IsIntact() const;
  // Deletes every entry directly inside the folder; failures are ignored.
  void Clear() const;
  // Removes the folder when it is empty; failures are ignored.
  void Remove() const;

 private:
  std::string path_;
};

// True when path names a real directory (not a link) owned by the current user whose
// mode gives no one else any access.
bool IsOwnPrivateFolder(const std::string& path);
