// SPDX-License-Identifier: GPL-3.0-or-later
#include "disk/DiskCommands.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <stdexcept>

#include "decode/AssemblerListing.h"
#include "decode/FileListing.h"
#include "decode/PngWriter.h"
#include "decode/ScreenGuess.h"
#include "decode/ScreenOptions.h"
#include "disk/CatalogueListing.h"
#include "disk/DFSUseful.h"
#include "disk/EntryRules.h"
#include "disk/FileOperations.h"
#include "disk/HostFiles.h"
#include "disk/MMBCommands.h"
#include "disk/MMBFile.h"
#include "disk/MaintenanceCommands.h"
#include "platform/TerminalPrompts.h"
#include "util/KestrowVersion.h"
#include "util/Useful.h"

namespace {

constexpr size_t kNameLength = 7;
constexpr size_t kAnyNumber = SIZE_MAX;

const char* const kUsage =
    "Usage: kestrow-dfs COMMAND ARGUMENTS\n"
    "  new [--double|--mmb] [--watford] IMAGE   list [--json] IMAGE\n"
    "  extract IMAGE DIR [D.NAME ...]   add [--overwrite] IMAGE HOSTFILE ...\n"
    "  delete IMAGE D.NAME ...          lock IMAGE D.NAME ...    unlock IMAGE D.NAME ...\n"
    "  rename IMAGE D.NAME NEWNAME      setdir IMAGE D.NAME C\n"
    "  load IMAGE D.NAME HEX            exec IMAGE D.NAME HEX\n"
    "  title IMAGE TEXT                 boot IMAGE 0-3           cat IMAGE D.NAME\n"
    "  basic IMAGE D.NAME               type IMAGE D.NAME\n"
    "  screen IMAGE D.NAME OUT.png [--mode N] [--palette LIST]\n"
    "  check [--json] IMAGE             compact IMAGE\n"
    "  disasm IMAGE D.NAME [--cpu 6502|65c02] [--entry HEX ...]\n"
    "IMAGE:2 is drive 2 (side 1) of a .dsd image. A bare NAME is in directory $.\n"
    "#N in place of D.NAME is the N-th file that list shows (for files of the same name).\n";

// A command line that cannot be run as given; reported with the command's usage, or
// the whole usage text when no command is known.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  std::string synopsis;
};

struct CommandLine {
  std::string command;
  std::set<std::string> options;
  // Options that take a value ("--cpu 65c02"); a repeatable one keeps the order given.
  std::multimap<std::string, std::string> values;
  std::vector<std::string> operands;
};

// One run: the command line, where its output goes and, once opened, its disk.
struct CommandRun {
  const CommandLine& line;
  std::ostream& out;
  TerminalPrompts& prompts;
  ImageSides sides;  // held for the whole run, so the image stays locked
  DFSDiskClass* disk = nullptr;

  const std::string& Operand(size_t index) const { return line.operands[index]; }
  bool HasOption(const std::string& option) const { return line.options.count(option) != 0; }
  std::optional<std::string> Value(const std::string& option) const {
    const auto found = line.values.find(option);
    return found == line.values.end() ? std::nullopt : std::optional(found->second);
  }
};

using CommandHandler = int (*)(CommandRun&);

struct CommandDefinition {
  const char* name;
  const char* synopsis;
  const char* option;  // the options it takes, separated by spaces, or nullptr
  size_t minOperands;
  size_t maxOperands;
  CommandHandler run;
  const char* const* valueOptions = nullptr;  // options followed by a value, then nullptr
};

// Installs prompts for the life of the guard and restores the previous interface.
class ScopedPrompts {
 public:
  explicit ScopedPrompts(PromptInterface& prompts) : previous_(CurrentPromptsOrNull()) {
    SetPrompts(&prompts);
  }
  ~ScopedPrompts() { SetPrompts(previous_); }
  ScopedPrompts(const ScopedPrompts&) = delete;
  ScopedPrompts& operator=(const ScopedPrompts&) = delete;

 private:
  PromptInterface* previous_;
};

std::string TrimTrailingSpaces(std::string text) {
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

std::string Shown(const EntryArgument& entry) {
  if (entry.position >= 0) {
    return "#" + std::to_string(entry.position + 1);
  }
  return std::string(1, entry.directory) + "." + TrimTrailingSpaces(entry.name);
}

// ---- Arguments ------------------------------------------------------------------------

ImageArgument ImageOperand(const CommandRun& run) {
  ImageArgument image = ParseImageArgument(run.Operand(0));
  if (image.drive == 2 && !IsDoubleSidedName(image.path)) {
    throw UsageError("only a .dsd image has a drive 2: " + run.Operand(0));
  }
  if (image.mmbDisc < 0 && IsMMBName(image.path)) {
    throw UsageError("an MMB file holds many discs, name one as FILE.mmb:N: " + run.Operand(0));
  }
  return image;
}

EntryArgument EntryOperand(const std::string& text) {
  std::optional<EntryArgument> entry = ParseEntryArgument(text);
  if (!entry) {
    throw UsageError("not a file name (D.NAME, at most 7 characters, or #N): " + text);
  }
  return *entry;
}

std::vector<EntryArgument> EntryOperands(const CommandRun& run, size_t first) {
  std::vector<EntryArgument> entries;
  for (size_t index = first; index < run.line.operands.size(); ++index) {
    entries.push_back(EntryOperand(run.Operand(index)));
  }
  return entries;
}

std::string FieldOperand(EntryField field, const std::string& text, const char* rule) {
  std::optional<std::string> taken = FilterFieldText(field, text);
  if (!taken) {
    throw UsageError(std::string(rule) + ": " + text);
  }
  return *taken;
}

// ---- Opening --------------------------------------------------------------------------

// Opens the image and locks it for the rest of the run: shared for a command that only
// reads, exclusive for one that changes the image; false after the message. A command
// that changes the image is refused on a disk that opened read-only.
bool OpenDisk(CommandRun& run, OpenAccess access = OpenAccess::ReadWrite) {
  ImageArgument image = ImageOperand(run);
  try {
    if (image.mmbDisc < 0) {
      run.sides = OpenDiskImage(image.path, access);
    } else if (MMBResult opened = OpenMMBDiscImage(image.path, image.mmbDisc, run.sides); !opened) {
      run.prompts.ShowMessage(opened.message);
      return false;
    }
  } catch (const std::exception& error) {
    run.prompts.ShowMessage(OpenFailureMessage(error));
    return false;
  }
  run.disk = run.sides.at(static_cast<size_t>(image.drive / 2)).get();
  if (!run.sides.front()->OpenNotice.empty()) {
    run.prompts.ShowNote(run.sides.front()->OpenNotice);
  }
  if (access != OpenAccess::ReadOnly && run.disk->IsReadOnly()) {
    run.prompts.ShowMessage(run.disk->ReadOnlyReason());
    return false;
  }
  return true;
}

bool OpenForReading(CommandRun& run) {
  return OpenDisk(run, OpenAccess::ReadOnly);
}

// The entry the argument names: by its position in listed (the catalogue as the command
// found it, read afresh when not given) for "#N", else the first of that directory and
// name; nothing after the message when there is none.
std::optional<DFSFileClass> ResolveEntry(CommandRun& run, const EntryArgument& entry,
                                         const DFSFileList* listed = nullptr) {
  std::optional<DFSFileClass> found;
  if (entry.position >= 0) {
    DFSFileList files;
    if (listed == nullptr) {
      run.disk->ReadCatalogue(files);
      listed = &files;
    }
    if (static_cast<size_t>(entry.position) < listed->size()) {
      found = (*listed)[static_cast<size_t>(entry.position)];
    }
  } else {
    found = run.disk->FindFile(entry.directory, entry.name);
  }
  if (!found) {
    run.prompts.ShowMessage("There is no file " + Shown(entry) + " on this disk.");
  }
  return found;
}

// ---- Commands -------------------------------------------------------------------------

int NewCommand(CommandRun& run) {
  if (IsMMBName(ParseImageArgument(run.Operand(0)).path)) {
    throw UsageError("an MMB file is made with new --mmb, its discs with dformat: " +
                     run.Operand(0));
  }
  ImageArgument image = ImageOperand(run);
  // Any other name is read single-sided, so it cannot hold a double-sided image.
  if (run.HasOption("--double") && !IsDoubleSidedName(image.path)) {
    throw UsageError("a double-sided image needs a name ending in .dsd: " + image.path);
  }
  // Double-sided for a .dsd name; --watford gives each side a second catalogue.
  DFSDiskClass::Create(image.path, 1, run.HasOption("--watford"));
  return kCommandDone;
}

int ListCommand(CommandRun& run) {
  if (!OpenForReading(run)) {
    return kCommandFailed;
  }
  run.out << (run.HasOption("--json") ? JsonListing(*run.disk)
                                      : PlainListing(*run.disk, run.Operand(0)));
  return kCommandDone;
}

void ExtractEntry(CommandRun& run, const DFSFileClass& entry, const std::string& folder,
                  const std::string& hostName) {
  try {
    std::optional<ExportedFiles> files = CopyEntryToHostFolder(*run.disk, entry, folder, hostName);
    if (files) {
      run.out << Printable(files->dataFileName) << '\n';
    } else {
      run.prompts.ShowMessage(kEntryLookupFailureMessage);
    }
  } catch (const FileSystemError& error) {
    run.prompts.ShowMessage(error.UserText());
  }
}

int ExtractCommand(CommandRun& run) {
  std::vector<EntryArgument> arguments = EntryOperands(run, 2);
  if (!OpenForReading(run)) {
    return kCommandFailed;
  }
  const std::string& folder = run.Operand(1);
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    throw FileSystemError("Cannot create folder", folder, error.value());
  }
  DFSFileList entries;
  if (arguments.empty()) {
    run.disk->ReadCatalogue(entries);
  }
  for (const EntryArgument& argument : arguments) {
    if (std::optional<DFSFileClass> entry = ResolveEntry(run, argument)) {
      entries.push_back(*entry);
    }
  }
  std::vector<std::string> hostNames = DistinctHostNames(entries);
  for (size_t index = 0; index < entries.size(); ++index) {
    ExtractEntry(run, entries[index], folder, hostNames[index]);
  }
  return kCommandDone;
}

int AddCommand(CommandRun& run) {
  if (!OpenDisk(run)) {
    return kCommandFailed;
  }
  ImportCallbacks callbacks;
  callbacks.imagePath = run.disk->FileName;
  // Each file's messages name it, since several may fail alike.
  callbacks.onFile = [&run](const std::string& hostPath) { run.prompts.SetContext(hostPath); };
  std::vector<std::string> hostPaths(run.line.operands.begin() + 1, run.line.operands.end());
  ImportSummary summary = ImportFilesTogether(*run.disk, hostPaths, callbacks);
  if (summary.skippedCount > 0 || summary.endedEarly) {
    run.prompts.MarkFailed();
  }
  return kCommandDone;
}

// Deletes, locks or unlocks each named entry, one at a time, so that a name given twice
// is looked up afresh; an error of the image file ends the loop, as the disk commands do.
int ForEachEntry(CommandRun& run, const std::function<bool(const DFSFileClass&)>& change) {
  std::vector<EntryArgument> arguments = EntryOperands(run, 1);
  if (!OpenDisk(run)) {
    return kCommandFailed;
  }
  // "#N" counts in the catalogue as the command found it, whatever the changes before.
  DFSFileList listed;
  run.disk->ReadCatalogue(listed);
  for (const EntryArgument& argument : arguments) {
    if (std::optional<DFSFileClass> entry = ResolveEntry(run, argument, &listed);
        entry && !change(*entry)) {
      break;
    }
  }
  return kCommandDone;
}

int DeleteCommand(CommandRun& run) {
  return ForEachEntry(
      run, [&run](const DFSFileClass& entry) { return DeleteEntries(*run.disk, {entry}); });
}

int SetLockedCommand(CommandRun& run, bool locked) {
  return ForEachEntry(run, [&run, locked](const DFSFileClass& entry) {
    return !SetEntriesLocked(*run.disk, {entry}, locked).failed;
  });
}

int LockCommand(CommandRun& run) {
  return SetLockedCommand(run, true);
}

int UnlockCommand(CommandRun& run) {
  return SetLockedCommand(run, false);
}

// Commits one field of one entry as in-place editing does.
int EditEntry(CommandRun& run, EntryField field, const char* rule) {
  EntryArgument argument = EntryOperand(run.Operand(1));
  std::string text = FieldOperand(field, run.Operand(2), rule);
  if (!OpenDisk(run)) {
    return kCommandFailed;
  }
  std::optional<DFSFileClass> entry = ResolveEntry(run, argument);
  if (!entry) {
    return kCommandFailed;
  }
  CommitEntryEdit(*run.disk, *entry, field, text);
  return kCommandDone;
}

int RenameCommand(CommandRun& run) {
  return EditEntry(run, EntryField::Name,
                   "a name has at most 7 printable characters, none of # * | or space, "
                   "no : first and no . first or second");
}

int SetDirectoryCommand(CommandRun& run) {
  return EditEntry(run, EntryField::Directory,
                   "a directory is one printable character other than # * | . :");
}

int LoadCommand(CommandRun& run) {
  return EditEntry(run, EntryField::Load, "an address has at most 6 hexadecimal digits");
}

int ExecCommand(CommandRun& run) {
  return EditEntry(run, EntryField::Exec, "an address has at most 6 hexadecimal digits");
}

int TitleCommand(CommandRun& run) {
  const std::string& title = run.Operand(1);
  if (std::any_of(title.begin(), title.end(),
                  [](char value) { return value < 0x20 || value > 0x7E; })) {
    throw UsageError("a title has printable ASCII characters only: " + Printable(title));
  }
  if (!OpenDisk(run)) {
    return kCommandFailed;
  }
  run.disk->SetTitle(run.Operand(1));  // cut to 12 characters
  return kCommandDone;
}

int BootCommand(CommandRun& run) {
  const std::string& option = run.Operand(1);
  if (option.size() != 1 || option[0] < '0' || option[0] > '3') {
    throw UsageError("the boot option is 0, 1, 2 or 3: " + option);
  }
  if (!OpenDisk(run)) {
    return kCommandFailed;
  }
  run.disk->SetBootOption(option[0] - '0');
  return kCommandDone;
}

// The bytes of the file the operand after the image names, and its catalogue entry when
// asked for; nothing after the message.
std::optional<std::vector<uint8_t>> NamedFileData(CommandRun& run, DFSFileClass* named = nullptr) {
  EntryArgument argument = EntryOperand(run.Operand(1));
  if (!OpenForReading(run)) {
    return std::nullopt;
  }
  std::optional<DFSFileClass> entry = ResolveEntry(run, argument);
  if (!entry) {
    return std::nullopt;
  }
  if (named != nullptr) {
    *named = *entry;
  }
  return run.disk->ReadFileData(*entry);
}

int CatCommand(CommandRun& run) {
  std::optional<std::vector<uint8_t>> data = NamedFileData(run);
  if (!data) {
    return kCommandFailed;
  }
  run.out.write(reinterpret_cast<const char*>(data->data()),
                static_cast<std::streamsize>(data->size()));
  return kCommandDone;
}

// Prints the lines that could be listed; a file that is not of the kind, or breaks off,
// fails with the reason.
int ListingCommand(CommandRun& run, ListingKind kind) {
  std::optional<std::vector<uint8_t>> data = NamedFileData(run);
  if (!data) {
    return kCommandFailed;
  }
  FileListing listing = ListFile(kind, *data);
  run.out << PrintedListing(listing);
  if (listing.failed) {
    run.prompts.ShowMessage(listing.note);
  }
  return kCommandDone;
}

int BasicCommand(CommandRun& run) {
  return ListingCommand(run, ListingKind::Basic);
}

int TypeCommand(CommandRun& run) {
  return ListingCommand(run, ListingKind::Text);
}

// Writes the file's picture as a PNG, one pixel per BBC pixel, and says which mode it
// used. The mode is guessed from the load address and length unless given.
int ScreenCommand(CommandRun& run) {
  std::optional<int> givenMode;
  if (std::optional<std::string> text = run.Value("--mode")) {
    givenMode = ParseScreenModeText(*text);
    if (!givenMode) {
      throw UsageError("the mode is a number from 0 to 7: " + *text);
    }
  }
  EntryArgument argument = EntryOperand(run.Operand(1));
  if (!OpenForReading(run)) {
    return kCommandFailed;
  }
  std::optional<DFSFileClass> entry = ResolveEntry(run, argument);
  if (!entry) {
    return kCommandFailed;
  }
  const std::vector<uint8_t> data = run.disk->ReadFileData(*entry);
  if (data.empty()) {
    run.prompts.ShowMessage("The file " + Shown(argument) + " is empty: it holds no picture.");
    return kCommandFailed;
  }
  const ScreenGuess guess = GuessScreenMode(uint32_t(entry->LoadAddress), data);
  const int mode = givenMode.value_or(guess.mode);
  ScreenPalette palette = DefaultPalette(mode);
  if (std::optional<std::string> text = run.Value("--palette")) {
    try {
      palette = ParsePaletteText(*text, mode);
    } catch (const std::invalid_argument& error) {
      throw UsageError(error.what());
    }
  }
  try {
    WritePng(RenderScreen(data, mode, palette), run.Operand(2));
  } catch (const FileSystemError& error) {
    run.prompts.ShowMessage(error.UserText());
    return kCommandFailed;
  }
  run.out << "MODE " << mode
          << (givenMode       ? " (as given)"
              : guess.guessed ? " (guessed)"
                              : " (not guessed)")
          << '\n';
  if (!givenMode && !guess.guessed) {
    run.out << guess.note << '\n';
  }
  return kCommandDone;
}

// "--entry 1900": one to six hex digits, of which the low 16 bits count, as for a load
// address.
uint32_t EntryAddressOption(const std::string& text) {
  std::string digits =
      text.size() > 1 && (text[0] == '&' || text[0] == '$') ? text.substr(1) : text;
  if (digits.empty() || digits.size() > 6 ||
      !std::all_of(digits.begin(), digits.end(),
                   [](char digit) { return std::isxdigit(static_cast<unsigned char>(digit)); })) {
    throw UsageError("an entry point has 1 to 6 hexadecimal digits: " + text);
  }
  return uint32_t(std::stoul(digits, nullptr, 16));
}

// The file's disassembly at its load address, traced from its own entry points and the
// ones given; an entry point outside the file fails with the reason after the lines.
int DisasmCommand(CommandRun& run) {
  Cpu6502 cpu = Cpu6502::Nmos6502;
  if (std::optional<std::string> text = run.Value("--cpu")) {
    std::optional<Cpu6502> chosen = ParseCpu(*text);
    if (!chosen) {
      throw UsageError("the CPU is 6502 or 65c02: " + *text);
    }
    cpu = *chosen;
  }
  std::vector<uint32_t> entries;
  const auto [first, last] = run.line.values.equal_range("--entry");
  for (auto given = first; given != last; ++given) {
    entries.push_back(EntryAddressOption(given->second));
  }
  DFSFileClass entry;
  std::optional<std::vector<uint8_t>> data = NamedFileData(run, &entry);
  if (!data) {
    return kCommandFailed;
  }
  DisassemblyInput input =
      DisassemblyInputForFile(*data, uint32_t(entry.LoadAddress), uint32_t(entry.ExecAddress), cpu);
  input.entryAddresses = entries;
  const FileListing listing = ListMachineCode(input);
  run.out << PrintedListing(listing);
  if (listing.failed) {
    run.prompts.ShowMessage(listing.note);
  }
  return kCommandDone;
}

const char* const kScreenValueOptions[] = {"--mode", "--palette", nullptr};
const char* const kDisasmValueOptions[] = {"--cpu", "--entry", nullptr};
// The one option that may be given more than once: each adds an entry point.
const char* const kRepeatableOption = "--entry";
int CheckCommand(CommandRun& run) {
  return CheckImageCommand(ImageOperand(run), run.HasOption("--json"), run.out, run.prompts);
}

int CompactCommand(CommandRun& run) {
  return OpenDisk(run) ? CompactImageCommand(*run.disk, run.out, run.prompts) : kCommandFailed;
}

const CommandDefinition kCommands[] = {
    {"new", "new [--double|--mmb] [--watford] IMAGE", "--double --watford", 1, 1, NewCommand},
    {"list", "list [--json] IMAGE", "--json", 1, 1, ListCommand},
    {"extract", "extract IMAGE DIR [D.NAME ...]", nullptr, 2, kAnyNumber, ExtractCommand},
    {"add", "add [--overwrite] IMAGE HOSTFILE ...", "--overwrite", 2, kAnyNumber, AddCommand},
    {"delete", "delete IMAGE D.NAME ...", nullptr, 2, kAnyNumber, DeleteCommand},
    {"lock", "lock IMAGE D.NAME ...", nullptr, 2, kAnyNumber, LockCommand},
    {"unlock", "unlock IMAGE D.NAME ...", nullptr, 2, kAnyNumber, UnlockCommand},
    {"rename", "rename IMAGE D.NAME NEWNAME", nullptr, 3, 3, RenameCommand},
    {"setdir", "setdir IMAGE D.NAME C", nullptr, 3, 3, SetDirectoryCommand},
    {"load", "load IMAGE D.NAME HEX", nullptr, 3, 3, LoadCommand},
    {"exec", "exec IMAGE D.NAME HEX", nullptr, 3, 3, ExecCommand},
    {"title", "title IMAGE TEXT", nullptr, 2, 2, TitleCommand},
    {"boot", "boot IMAGE 0-3", nullptr, 2, 2, BootCommand},
    {"cat", "cat IMAGE D.NAME", nullptr, 2, 2, CatCommand},
    {"basic", "basic IMAGE D.NAME", nullptr, 2, 2, BasicCommand},
    {"type", "type IMAGE D.NAME", nullptr, 2, 2, TypeCommand},
    {"screen", "screen IMAGE D.NAME OUT.png [--mode N] [--palette LIST]", nullptr, 3, 3,
     ScreenCommand, kScreenValueOptions},
    {"check", "check [--json] IMAGE", "--json", 1, 1, CheckCommand},
    {"compact", "compact IMAGE", nullptr, 1, 1, CompactCommand},
    {"disasm", "disasm IMAGE D.NAME [--cpu 6502|65c02] [--entry HEX ...]", nullptr, 2, 2,
     DisasmCommand, kDisasmValueOptions},
};

const CommandDefinition& FindCommand(const std::string& name) {
  for (const CommandDefinition& definition : kCommands) {
    if (name == definition.name) {
      return definition;
    }
  }
  throw UsageError("unknown command: " + name);
}

bool TakesValue(const CommandDefinition& definition, const std::string& argument) {
  for (const char* const* option = definition.valueOptions; option != nullptr && *option != nullptr;
       ++option) {
    if (argument == *option) {
      return true;
    }
  }
  return false;
}

bool TakesOption(const CommandDefinition& definition, const std::string& argument) {
  if (definition.option == nullptr) {
    return false;
  }
  std::string options = std::string(" ") + definition.option + " ";
  return options.find(" " + argument + " ") != std::string::npos;
}

CommandLine ParseCommandLine(const std::vector<std::string>& arguments,
                             const CommandDefinition& definition) {
  CommandLine line;
  line.command = definition.name;
  bool optionsEnded = false;
  for (size_t index = 1; index < arguments.size(); ++index) {
    const std::string& argument = arguments[index];
    if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
      line.operands.push_back(argument);
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (TakesOption(definition, argument)) {
      line.options.insert(argument);
    } else if (TakesValue(definition, argument)) {
      if (index + 1 == arguments.size()) {
        throw UsageError(argument + " needs a value");
      }
      if (argument != kRepeatableOption && line.values.count(argument) != 0) {
        throw UsageError(argument + " is given twice");
      }
      line.values.emplace(argument, arguments[++index]);
    } else {
      throw UsageError("unknown option for " + line.command + ": " + argument);
    }
  }
  size_t count = line.operands.size();
  if (count < definition.minOperands || count > definition.maxOperands) {
    throw UsageError("wrong number of arguments for " + line.command);
  }
  return line;
}

// Runs the command with its questions answered from the options; kCommandFailed when
// any message reported a failure.
int RunCommand(const CommandDefinition& definition, const CommandLine& line, std::ostream& out,
               std::ostream& errors) {
  TerminalPrompts prompts(errors, line.options.count("--overwrite") != 0);
  ScopedPrompts installed(prompts);
  CommandRun run{line, out, prompts, {}, nullptr};
  int status = kCommandFailed;
  try {
    status = definition.run(run);
  } catch (const UsageError&) {
    throw;
  } catch (const std::exception& error) {
    // As the windows' general error handler: the error's own text.
    prompts.ShowMessage(error.what());
  }
  out.flush();
  if (!out) {
    prompts.ShowMessage("Cannot write standard output");
  }
  return status == kCommandDone && prompts.Failed() ? kCommandFailed : status;
}

bool AsksForHelp(const std::vector<std::string>& arguments) {
  return arguments.size() == 1 &&
         (arguments[0] == "--help" || arguments[0] == "-h" || arguments[0] == "help");
}

// "COMMAND --help": that command's usage line alone.
bool AsksForCommandHelp(const std::vector<std::string>& arguments) {
  return arguments.size() == 2 && (arguments[1] == "--help" || arguments[1] == "-h");
}

int ReportUsageError(const UsageError& error, std::ostream& errors) {
  errors << "kestrow-dfs: " << Printable(error.what()) << '\n';
  if (error.synopsis.empty()) {
    errors << kUsage << kMMBUsage;
  } else {
    errors << "Usage: kestrow-dfs " << error.synopsis << '\n';
  }
  return kCommandUsage;
}

}  // namespace

ImageArgument ParseImageArgument(const std::string& text) {
  if (std::optional<MMBDiscArgument> disc = ParseMMBDiscName(text)) {
    return {disc->path, 0, disc->number};
  }
  size_t size = text.size();
  if (size > 2 && text[size - 2] == ':' && (text[size - 1] == '0' || text[size - 1] == '2')) {
    return {text.substr(0, size - 2), text[size - 1] - '0'};
  }
  return {text, 0};
}

std::optional<EntryArgument> ParseEntryArgument(const std::string& text) {
  EntryArgument entry;
  if (text.size() >= 2 && text.size() <= 3 && text[0] == '#' &&
      std::all_of(text.begin() + 1, text.end(),
                  [](char digit) { return digit >= '0' && digit <= '9'; })) {
    int position = std::stoi(text.substr(1));
    if (position < 1 || position > kMaxWatfordEntries) {
      return std::nullopt;
    }
    entry.position = position - 1;
    return entry;
  }
  std::string name = text;
  if (text.size() >= 2 && text[1] == '.') {
    entry.directory = text[0];
    name = text.substr(2);
  }
  name = TrimTrailingSpaces(name);
  if (name.empty() || name.size() > kNameLength) {
    return std::nullopt;
  }
  entry.name = PadRight(name, kNameLength);
  return entry;
}

int RunDiskCommand(const std::vector<std::string>& arguments, std::ostream& out,
                   std::ostream& errors) {
  if (AsksForHelp(arguments)) {
    out << kUsage << kMMBUsage;
    return kCommandDone;
  }
  if (arguments.size() == 1 && arguments[0] == "--version") {
    out << "kestrow-dfs " << kKestrowVersion << '\n';
    return kCommandDone;
  }
  if (std::optional<int> status = RunMMBCommand(arguments, out, errors)) {
    return *status;
  }
  try {
    if (arguments.empty()) {
      throw UsageError("no command given");
    }
    const CommandDefinition& definition = FindCommand(arguments[0]);
    if (AsksForCommandHelp(arguments)) {
      out << "Usage: kestrow-dfs " << definition.synopsis << '\n';
      return kCommandDone;
    }
    try {
      return RunCommand(definition, ParseCommandLine(arguments, definition), out, errors);
    } catch (UsageError& error) {
      error.synopsis = definition.synopsis;
      throw;
    }
  } catch (const UsageError& error) {
    return ReportUsageError(error, errors);
  }
}
