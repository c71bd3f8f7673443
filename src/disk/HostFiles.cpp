// SPDX-License-Identifier: GPL-3.0-or-later
#include "disk/HostFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "disk/DiskCompact.h"
#include "platform/Prompts.h"
#include "util/Useful.h"

namespace {

constexpr size_t kNameLength = 7;
constexpr int32_t kMaxFileLength = 0x3FFFF;
constexpr char kEscapeMark = '#';
constexpr int32_t kAddressMask = 0xFFFFFF;
constexpr uint32_t kAccessLockedBit = 0x08;

// Positions of this program's fixed side-car layout.
constexpr size_t kDotPosition = 1;
constexpr size_t kLoadPosition = 11;
constexpr size_t kExecPosition = 18;
constexpr size_t kLockPosition = 32;
constexpr size_t kHexFieldWidth = 6;
constexpr size_t kFixedSpacePositions[] = {9, 10, 17, 24, 31};
// A fixed-layout text reaches at least the two spaces after the name field.
constexpr size_t kFixedMinimumLength = 11;

// ---- Small text helpers ---------------------------------------------------------------

char UpperCase(char value) {
  return value >= 'a' && value <= 'z' ? static_cast<char>(value - 'a' + 'A') : value;
}

bool EqualsIgnoringCase(const std::string& first, const std::string& second) {
  return first.size() == second.size() &&
         std::equal(first.begin(), first.end(), second.begin(),
                    [](char a, char b) { return UpperCase(a) == UpperCase(b); });
}

int HexDigitValue(char digit) {
  if (digit >= '0' && digit <= '9') {
    return digit - '0';
  }
  char upper = UpperCase(digit);
  return upper >= 'A' && upper <= 'F' ? upper - 'A' + 10 : -1;
}

// The value of text when it is 1 to maxDigits hex digits.
std::optional<uint32_t> ParseHex(const std::string& text, size_t maxDigits) {
  if (text.empty() || text.size() > maxDigits) {
    return std::nullopt;
  }
  uint32_t value = 0;
  for (char digit : text) {
    int digitValue = HexDigitValue(digit);
    if (digitValue < 0) {
      return std::nullopt;
    }
    value = (value << 4) | static_cast<uint32_t>(digitValue);
  }
  return value;
}

std::string StoredName(const std::string& name) {
  return PadRight(name, kNameLength).substr(0, kNameLength);
}

std::string TrimSpaces(const std::string& text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) {
    return {};
  }
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string FileNamePart(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderPart(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '/') {
    return folder + name;
  }
  return folder + "/" + name;
}

// ---- Escaped host names ---------------------------------------------------------------

// One character of a host name: a byte as it stands, or one written as an escape.
struct NameCharacter {
  char value;
  bool escaped;
};
using NameCharacters = std::vector<NameCharacter>;

NameCharacters SplitHostName(const std::string& hostName) {
  NameCharacters characters;
  for (size_t index = 0; index < hostName.size(); ++index) {
    if (hostName[index] == kEscapeMark && index + 2 < hostName.size() &&
        HexDigitValue(hostName[index + 1]) >= 0 && HexDigitValue(hostName[index + 2]) >= 0) {
      int value = HexDigitValue(hostName[index + 1]) * 16 + HexDigitValue(hostName[index + 2]);
      characters.push_back({static_cast<char>(value), true});
      index += 2;
    } else {
      characters.push_back({hostName[index], false});
    }
  }
  return characters;
}

std::string JoinCharacters(NameCharacters::const_iterator first,
                           NameCharacters::const_iterator last) {
  std::string text;
  for (auto character = first; character != last; ++character) {
    text += character->value;
  }
  return text;
}

bool IsPlainDot(const NameCharacter& character) {
  return !character.escaped && character.value == '.';
}

bool InBeebForm(const NameCharacters& characters) {
  return characters.size() >= 2 && IsPlainDot(characters[1]) &&
         characters.size() - 2 <= kNameLength &&
         std::none_of(characters.begin() + 2, characters.end(), IsPlainDot);
}

bool NeedsEscape(char value) {
  auto byte = static_cast<unsigned char>(value);
  return byte < 32 || byte >= 127 || value == '/' || value == '.' || value == kEscapeMark ||
         value == ' ';
}

std::string EscapedCharacter(char value) {
  char escape[4];
  std::snprintf(escape, sizeof escape, "#%02X", static_cast<unsigned char>(value));
  return escape;
}

std::string EscapeForHost(const std::string& text) {
  std::string escaped;
  for (char value : text) {
    escaped += NeedsEscape(value) ? EscapedCharacter(value) : std::string(1, value);
  }
  return escaped;
}

// ---- Side-car parsing -------------------------------------------------------------------

bool IsFixedLayout(const std::string& text) {
  if (text.size() < kFixedMinimumLength || text[kDotPosition] != '.') {
    return false;
  }
  return std::all_of(
      std::begin(kFixedSpacePositions), std::end(kFixedSpacePositions),
      [&](size_t position) { return position >= text.size() || text[position] == ' '; });
}

// A six-digit hex field of the fixed layout; 0 when it is cut short or not hex.
int32_t FixedHexField(const std::string& text, size_t position) {
  if (position + kHexFieldWidth > text.size()) {
    return 0;
  }
  auto value = ParseHex(text.substr(position, kHexFieldWidth), kHexFieldWidth);
  return value ? static_cast<int32_t>(*value) : 0;
}

BeebFileDetails ParseFixedLayout(const std::string& text) {
  BeebFileDetails details;
  details.SideCarLayout = BeebFileDetails::Layout::Fixed;
  details.Directory = static_cast<char>(text[0] & 0x7F);
  details.LoadAddress = FixedHexField(text, kLoadPosition);
  details.ExecAddress = FixedHexField(text, kExecPosition);
  details.Locked = text.size() > kLockPosition && text[kLockPosition] == 'L';
  return details;
}

// The whitespace-separated tokens of the first non-blank line.
std::vector<std::string> FirstLineTokens(const std::string& text) {
  static const std::string kBlank = " \t\v\f";
  static const std::string kLineEnds = "\r\n";
  size_t start = text.find_first_not_of(kBlank + kLineEnds);
  std::string line = start == std::string::npos ? "" : text.substr(start);
  line = line.substr(0, line.find_first_of(kLineEnds));
  std::vector<std::string> tokens;
  size_t position = 0;
  while ((position = line.find_first_not_of(kBlank, position)) != std::string::npos) {
    size_t end = line.find_first_of(kBlank, position);
    tokens.push_back(line.substr(position, end - position));
    position = end;
  }
  return tokens;
}

void ReadNameToken(const std::string& token, BeebFileDetails& details) {
  std::string name = token;
  if (token.size() >= 2 && token[1] == '.') {
    details.Directory = static_cast<char>(token[0] & 0x7F);
    name = token.substr(2);
  }
  details.Name = StoredName(name);
}

bool IsLockedToken(const std::string& token) {
  return token == "L" || EqualsIgnoringCase(token, "Locked");
}

// Positional fields after the name: 1 load, 2 exec, 3 length (ignored), 4 access byte.
void ReadFieldToken(const std::string& token, int field, BeebFileDetails& details) {
  auto value = ParseHex(token, 8);
  if (!value) {
    return;
  }
  if (field == 1) {
    details.LoadAddress = static_cast<int32_t>(*value) & kAddressMask;
  } else if (field == 2) {
    details.ExecAddress = static_cast<int32_t>(*value) & kAddressMask;
  } else if (field == 4 && (*value & kAccessLockedBit) != 0) {
    details.Locked = true;
  }
}

BeebFileDetails ParseTokens(const std::string& text) {
  BeebFileDetails details;
  details.SideCarLayout = BeebFileDetails::Layout::Tokens;
  std::vector<std::string> tokens = FirstLineTokens(text);
  if (tokens.empty()) {
    return details;
  }
  ReadNameToken(tokens[0], details);
  int field = 0;
  for (size_t index = 1; index < tokens.size(); ++index) {
    if (IsLockedToken(tokens[index])) {
      details.Locked = true;
    } else if (tokens[index].find('=') == std::string::npos) {
      ReadFieldToken(tokens[index], ++field, details);
    }
  }
  return details;
}

std::string Hex6(int32_t value) {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%06X", static_cast<unsigned>(value & kAddressMask));
  return digits;
}

// ---- Host file access -------------------------------------------------------------------

class FileDescriptor {
 public:
  explicit FileDescriptor(int descriptor) : descriptor_(descriptor) {}
  ~FileDescriptor() {
    if (descriptor_ >= 0) {
      ::close(descriptor_);
    }
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return descriptor_; }
  // Closes now, so that a failed close can be reported; returns errno or 0.
  int Close() {
    int result = ::close(descriptor_);
    descriptor_ = -1;
    return result == 0 ? 0 : errno;
  }

 private:
  int descriptor_;
};

int OpenForReading(const std::string& path) {
  // Non-blocking, so that a named pipe cannot hang the import.
  int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0) {
    throw FileSystemError("Cannot open file", path, errno);
  }
  return descriptor;
}

// A regular host file opened for reading; the source SaveFile copies from.
class HostFileReader : public SStream {
 public:
  explicit HostFileReader(const std::string& path)
      : path_(path), descriptor_(OpenForReading(path)) {
    struct stat status {};
    if (::fstat(descriptor_.Get(), &status) != 0) {
      throw FileSystemError("Cannot open file", path, errno);
    }
    if (S_ISDIR(status.st_mode)) {
      throw FileSystemError("Cannot open file", path, EISDIR);
    }
    if (!S_ISREG(status.st_mode)) {
      throw FileSystemError("Cannot open file", path, std::string("It is not a regular file"));
    }
    size_ = status.st_size;
  }
  int64_t Size() const override { return size_; }
  void SetSize(int64_t) override { throw FileSystemError("Cannot write file", path_, EBADF); }
  void Write(const void*, size_t) override {
    throw FileSystemError("Cannot write file", path_, EBADF);
  }
  size_t Read(void* buffer, size_t count) override {
    size_t done = 0;
    while (done < count) {
      ssize_t got = ::pread(descriptor_.Get(), static_cast<char*>(buffer) + done, count - done,
                            position_ + static_cast<int64_t>(done));
      if (got < 0 && errno == EINTR) {
        continue;
      }
      if (got < 0) {
        throw FileSystemError("Cannot read file", path_, errno);
      }
      if (got == 0) {
        break;
      }
      done += static_cast<size_t>(got);
    }
    position_ += static_cast<int64_t>(done);
    return done;
  }

 private:
  std::string path_;
  FileDescriptor descriptor_;
  int64_t size_ = 0;
};

// Names in folder that are base plus ".INF" in any case, the usual spellings first.
std::vector<std::string> ReadFolderNames(const std::string& folder) {
  std::vector<std::string> names;
  DIR* listing = ::opendir(folder.c_str());
  if (listing == nullptr) {
    return names;
  }
  while (dirent* entry = ::readdir(listing)) {
    names.push_back(entry->d_name);
  }
  ::closedir(listing);
  std::sort(names.begin(), names.end());
  return names;
}

// With an index, only names the folder holds; without, the usual two are tried anyway.
std::vector<std::string> SideCarCandidates(const std::string& folder, const std::string& base,
                                           HostFolderIndex* index) {
  std::vector<std::string> listed = index ? index->Names(folder) : ReadFolderNames(folder);
  std::vector<std::string> names;
  for (const std::string& usual : {base + ".INF", base + ".inf"}) {
    if (!index || std::binary_search(listed.begin(), listed.end(), usual)) {
      names.push_back(usual);
    }
  }
  for (const std::string& name : listed) {
    if (name.size() == base.size() + 4 && name.compare(0, base.size(), base) == 0 &&
        EqualsIgnoringCase(name.substr(base.size()), ".INF") &&
        std::find(names.begin(), names.end(), name) == names.end() && name != base + ".INF" &&
        name != base + ".inf") {
      names.push_back(name);
    }
  }
  return names;
}

// ---- Import steps -------------------------------------------------------------------------

// Whether the new file may take the place of a namesake on the disk, asking the user
// when it is neither locked nor open in an inspector.
bool MayReplaceNamesake(DFSDiskClass& disk, char directory, const std::string& name,
                        const ImportCallbacks& callbacks) {
  if (!disk.FileExists(directory, name)) {
    return true;
  }
  std::string shownName = TrimSpaces(name);
  std::optional<DFSFileClass> namesake = disk.FindFile(directory, name);
  if (namesake && namesake->Locked != 0) {
    Prompts().ShowMessage(MakeFileMessage(kDestinationLockedOverwriteMessage, shownName));
    return false;
  }
  if (namesake && callbacks.windowExists &&
      callbacks.windowExists(callbacks.imagePath, namesake->Directory, namesake->Name)) {
    Prompts().ShowMessage(kInspectorOpenMessage);
    return false;
  }
  return ConfirmYesNo(MakeFileMessage(kOverwriteQuestion, shownName));
}

DFSFileClass NewEntry(const AlienFileDetails& details, int64_t length) {
  DFSFileClass entry;
  entry.Name = StoredName(details.Name);
  entry.Directory = static_cast<char>(details.Directory & 0x7F);
  entry.LoadAddress = details.LoadAddress;
  entry.ExecAddress = details.ExecAddress;
  entry.Locked = details.Locked ? 1 : 0;
  // Anything this long is refused for want of room; the cap keeps it in range.
  entry.Length = static_cast<int32_t>(std::min<int64_t>(length, INT32_MAX));
  return entry;
}

}  // namespace

// ---- Host names ---------------------------------------------------------------------------

std::string HostFileName(char directory, const std::string& name) {
  std::string kept = StoredName(name);
  kept.erase(kept.find_last_not_of(' ') + 1);
  std::string escapedName = EscapeForHost(kept);
  // "D.INF" would read as a side-car and never come back in.
  if (EqualsIgnoringCase(escapedName, "INF")) {
    escapedName = EscapedCharacter(kept[0]) + escapedName.substr(1);
  }
  return EscapeForHost(std::string(1, directory)) + "." + escapedName;
}

std::string DecodeHostName(const std::string& hostName) {
  NameCharacters characters = SplitHostName(hostName);
  return JoinCharacters(characters.begin(), characters.end());
}

bool BeebFileName(const std::string& hostPath) {
  return InBeebForm(SplitHostName(FileNamePart(hostPath)));
}

std::string MakeBeebName(const std::string& hostPath) {
  std::string hostName = FileNamePart(hostPath);
  NameCharacters characters = SplitHostName(hostName);
  if (InBeebForm(characters)) {
    return StoredName(JoinCharacters(characters.begin() + 2, characters.end()));
  }
  // Any other host name is taken as it stands, up to and including its first ".".
  size_t dot = hostName.find('.');
  return StoredName(dot == std::string::npos ? hostName : hostName.substr(0, dot + 1));
}

bool IsSideCarName(const std::string& hostPath) {
  std::string name = FileNamePart(hostPath);
  return name.size() >= 4 && EqualsIgnoringCase(name.substr(name.size() - 4), ".INF");
}

// ---- Side-cars ------------------------------------------------------------------------------

BeebFileDetails GetBeebFileDetails(const std::string& sideCarBytes) {
  std::string text = sideCarBytes.substr(0, kSideCarReadLimit);
  return IsFixedLayout(text) ? ParseFixedLayout(text) : ParseTokens(text);
}

std::string SideCarText(const DFSFileClass& entry) {
  return std::string(1, entry.Directory) + "." + StoredName(entry.Name) + "  " +
         Hex6(entry.LoadAddress) + " " + Hex6(entry.ExecAddress) + " " + Hex6(entry.Length) + " " +
         (entry.Locked != 0 ? "L" : " ");
}

const std::vector<std::string>& HostFolderIndex::Names(const std::string& folder) {
  auto found = folders_.find(folder);
  if (found == folders_.end()) {
    found = folders_.emplace(folder, ReadFolderNames(folder)).first;
  }
  return found->second;
}

std::optional<std::string> FindSideCar(const std::string& hostPath, HostFolderIndex* index) {
  std::string base = FileNamePart(hostPath);
  if (base.empty()) {
    return std::nullopt;
  }
  std::string folder = FolderPart(hostPath);
  for (const std::string& name : SideCarCandidates(folder, base, index)) {
    std::string path = JoinPath(folder, name);
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0) {
      if (S_ISREG(status.st_mode)) {
        return path;
      }
    } else if (errno != ENOENT && errno != ENOTDIR && errno != ENAMETOOLONG) {
      return path;  // there, but unreadable: the caller reports it
    }
  }
  return std::nullopt;
}

std::optional<std::string> ReadSideCar(const std::string& hostPath, HostFolderIndex* index) {
  std::optional<std::string> path = FindSideCar(hostPath, index);
  if (!path) {
    return std::nullopt;
  }
  HostFileReader sideCar(*path);
  std::string text(kSideCarReadLimit, '\0');
  text.resize(sideCar.Read(text.data(), text.size()));
  return text;
}

// ---- Importing ------------------------------------------------------------------------------

AlienFileDetails AlienFileDetailsFor(const std::string& hostPath, HostFolderIndex* index) {
  AlienFileDetails details;
  details.Name = MakeBeebName(hostPath);
  std::optional<std::string> sideCar = ReadSideCar(hostPath, index);
  if (!sideCar) {
    return details;
  }
  BeebFileDetails read = GetBeebFileDetails(*sideCar);
  // This program's own layout names the file by its host name, so it needs Beeb form.
  if (read.SideCarLayout == BeebFileDetails::Layout::Fixed && !BeebFileName(hostPath)) {
    return details;
  }
  details.Directory = read.Directory;
  details.LoadAddress = read.LoadAddress;
  details.ExecAddress = read.ExecAddress;
  details.Locked = read.Locked;
  if (read.Name) {
    details.Name = *read.Name;
    details.NameFromSideCar = true;
  }
  return details;
}

std::optional<std::string> SideCarNameProblem(const std::string& hostPath,
                                              const AlienFileDetails& details) {
  auto control = [](char value) {
    auto byte = static_cast<unsigned char>(value);
    return byte < 0x20 || byte >= 0x7F;
  };
  bool nameRefused = false;
  if (details.NameFromSideCar) {
    std::string name = TrimSpaces(details.Name);
    nameRefused =
        name.empty() || name[0] == ':' || std::any_of(name.begin(), name.end(), [&](char value) {
          return control(value) || value == '#' || value == '*' || value == '|';
        });
  }
  if (!nameRefused) {
    return std::nullopt;
  }
  return "The side-car of \"" + hostPath +
         "\" gives a name that a DFS disk cannot hold (empty, a control character, one of "
         "# * |, or : first), so that file was not added.";
}

namespace {

void TellFile(const ImportCallbacks& callbacks, const std::string& hostPath) {
  if (callbacks.onFile) {
    callbacks.onFile(hostPath);
  }
}

// Whether the disk takes files at all; the reason when it does not.
bool TakesFiles(DFSDiskClass& disk) {
  if (!disk.IsReadOnly()) {
    return true;
  }
  Prompts().ShowMessage("Nothing was added. " + disk.ReadOnlyReason());
  return false;
}

}  // namespace

ImportSummary ProcessAlienFiles(DFSDiskClass& disk, const std::vector<std::string>& hostPaths,
                                const ImportCallbacks& callbacks) {
  ImportSummary summary;
  if (!TakesFiles(disk)) {
    summary.skippedCount = static_cast<int>(hostPaths.size());
    return summary;
  }
  HostFolderIndex index;
  for (const std::string& hostPath : hostPaths) {
    if (IsSideCarName(hostPath)) {
      continue;
    }
    TellFile(callbacks, hostPath);
    AlienFileDetails details;
    try {
      details = AlienFileDetailsFor(hostPath, &index);
    } catch (const FileSystemError& error) {
      Prompts().ShowMessage(error.what());
      summary.endedEarly = true;
      break;
    }
    if (std::optional<std::string> problem = SideCarNameProblem(hostPath, details)) {
      Prompts().ShowMessage(*problem);
      ++summary.skippedCount;
      continue;
    }
    if (SaveAlienFile(disk, hostPath, details, callbacks)) {
      ++summary.storedCount;
    } else {
      ++summary.skippedCount;
    }
  }
  TellFile(callbacks, "");
  return summary;
}

bool SaveAlienFile(DFSDiskClass& disk, const std::string& hostPath, const AlienFileDetails& details,
                   const ImportCallbacks& callbacks) {
  std::optional<int> result;
  bool saveStarted = false;
  try {
    // Opened first, so that a folder or a vanished file raises no question.
    HostFileReader source(hostPath);
    DFSFileClass entry = NewEntry(details, source.Size());
    if (!MayReplaceNamesake(disk, entry.Directory, entry.Name, callbacks)) {
      return false;
    }
    saveStarted = true;
    result = disk.SaveFile(entry, source);
    // The no-room message comes first, then the offer to compact; a compacted disk
    // takes the file on a second try.
    if (result == kSaveNoRoom && callbacks.makeRoom) {
      ShowSaveResult(*result);
      const bool compacted = OfferCompactionForRoom(disk, entry, callbacks.makeRoom);
      result = compacted ? std::optional<int>(disk.SaveFile(entry, source)) : std::nullopt;
    }
  } catch (const std::exception& error) {
    Prompts().ShowMessage(ChangeFailureMessage(error, kCouldNotSaveMessage));
  }
  if (result) {
    ShowSaveResult(*result, disk);
  }
  if (saveStarted && callbacks.afterEachFile) {
    callbacks.afterEachFile();
  }
  return result == kSaveDone;
}

ImportSummary ImportFilesTogether(DFSDiskClass& disk, const std::vector<std::string>& hostPaths,
                                  const ImportCallbacks& callbacks) {
  ImportSummary summary;
  if (!TakesFiles(disk)) {
    summary.skippedCount = static_cast<int>(hostPaths.size());
    return summary;
  }
  HostFolderIndex index;
  struct Accepted {
    std::string hostPath;
    SMemoryStream bytes;
  };
  std::vector<Accepted> accepted;
  std::vector<DFSDiskClass::SaveRequest> requests;
  for (const std::string& hostPath : hostPaths) {
    if (IsSideCarName(hostPath)) {
      continue;
    }
    TellFile(callbacks, hostPath);
    AlienFileDetails details;
    try {
      details = AlienFileDetailsFor(hostPath, &index);
    } catch (const FileSystemError& error) {
      Prompts().ShowMessage(error.what());
      summary.endedEarly = true;
      break;
    }
    if (std::optional<std::string> problem = SideCarNameProblem(hostPath, details)) {
      Prompts().ShowMessage(*problem);
      ++summary.skippedCount;
      continue;
    }
    try {
      HostFileReader source(hostPath);
      DFSFileClass entry = NewEntry(details, source.Size());
      if (!MayReplaceNamesake(disk, entry.Directory, entry.Name, callbacks)) {
        ++summary.skippedCount;
        continue;
      }
      // Anything longer than a file can be finds no room and is never read.
      std::vector<uint8_t> bytes;
      if (entry.Length <= kMaxFileLength) {
        bytes.resize(static_cast<size_t>(entry.Length));
        source.ReadBuffer(bytes.data(), bytes.size());
      }
      accepted.push_back({hostPath, SMemoryStream(std::move(bytes))});
      requests.push_back({entry, nullptr});
    } catch (const std::exception& error) {
      Prompts().ShowMessage(ChangeFailureMessage(error, kCouldNotSaveMessage));
      ++summary.skippedCount;
    }
  }
  if (!requests.empty()) {
    for (size_t index = 0; index < requests.size(); ++index) {
      requests[index].source = &accepted[index].bytes;
    }
    try {
      std::vector<int> results = disk.SaveFiles(requests);
      for (size_t index = 0; index < results.size(); ++index) {
        TellFile(callbacks, accepted[index].hostPath);
        ShowSaveResult(results[index], disk);
        ++(results[index] == kSaveDone ? summary.storedCount : summary.skippedCount);
      }
    } catch (const std::exception& error) {
      TellFile(callbacks, "");
      Prompts().ShowMessage(ChangeFailureMessage(error, kCouldNotSaveMessage));
      summary.skippedCount += static_cast<int>(requests.size());
    }
    if (callbacks.afterEachFile) {
      callbacks.afterEachFile();
    }
  }
  TellFile(callbacks, "");
  return summary;
}

// ---- Exporting ------------------------------------------------------------------------------

std::optional<ExportedFiles> CopyFileToHostFolder(DFSDiskClass& disk, char directory,
                                                  const std::string& name,
                                                  const std::string& folder) {
  std::optional<DFSFileClass> entry = disk.FindFile(directory, name);
  if (!entry) {
    return std::nullopt;
  }
  return CopyEntryToHostFolder(disk, *entry, folder);
}

std::vector<std::string> DistinctHostNames(const std::vector<DFSFileClass>& entries) {
  std::vector<std::string> names;
  std::map<std::string, int> seen;
  for (const DFSFileClass& entry : entries) {
    std::string name = HostFileName(entry.Directory, entry.Name);
    int count = ++seen[name];
    names.push_back(count == 1 ? name : name + "~" + std::to_string(count));
  }
  return names;
}

std::optional<ExportedFiles> CopyEntryToHostFolder(DFSDiskClass& disk, const DFSFileClass& target,
                                                   const std::string& folder,
                                                   const std::string& hostName) {
  std::optional<DFSFileClass> entry = disk.FindEntryLike(target);
  if (!entry) {
    return std::nullopt;
  }
  std::vector<uint8_t> data = disk.ReadFileData(*entry);
  ExportedFiles files;
  files.dataFileName = hostName.empty() ? HostFileName(entry->Directory, entry->Name) : hostName;
  files.sideCarFileName = files.dataFileName + ".INF";
  ReplaceFileAtomically(JoinPath(folder, files.dataFileName),
                        std::string(data.begin(), data.end()));
  ReplaceFileAtomically(JoinPath(folder, files.sideCarFileName), SideCarText(*entry));
  return files;
}
