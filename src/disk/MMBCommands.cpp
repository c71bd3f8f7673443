// SPDX-License-Identifier: GPL-3.0-or-later
#include "disk/MMBCommands.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <memory>
#include <stdexcept>

#include "disk/CatalogueListing.h"
#include "disk/DFSUseful.h"
#include "disk/DiskCommands.h"
#include "disk/MMBFile.h"
#include "platform/TerminalPrompts.h"
#include "util/Useful.h"

const char* const kMMBUsage =
    "  dcat [--json] MMB                dformat MMB N            dkill MMB N\n"
    "  dlock MMB N                      dunlock MMB N\n"
    "  dput MMB N IMAGE.ssd             dget MMB N OUT.ssd       donboot MMB DRIVE N\n"
    "FILE.mmb:N is disc N of an MMB file, wherever an IMAGE is taken.\n";

namespace {

constexpr size_t kAnyNumber = SIZE_MAX;
constexpr size_t kTitleWidth = 12;
constexpr size_t kMaxNumberDigits = 5;

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct MMBRun {
  std::vector<std::string> operands;
  bool option = false;  // the command's one option was given
  std::ostream& out;
  TerminalPrompts& prompts;
  std::unique_ptr<MMBFileClass> mmb;  // held for the whole run, so the file stays locked

  const std::string& Operand(size_t index) const { return operands[index]; }
};

using MMBHandler = int (*)(MMBRun&);

struct MMBCommandDefinition {
  const char* name;
  const char* synopsis;
  const char* option;  // the one option it takes, or nullptr
  size_t minOperands;
  size_t maxOperands;
  MMBHandler run;
};

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

// ---- Operands -------------------------------------------------------------------------

const std::string& MMBOperand(const MMBRun& run) {
  const std::string& path = run.Operand(0);
  if (!IsMMBName(path)) {
    throw UsageError("an MMB file's name ends in .mmb: " + path);
  }
  return path;
}

int DiscOperand(const MMBRun& run, size_t index) {
  const std::string& text = run.Operand(index);
  bool digits = !text.empty() && text.size() <= kMaxNumberDigits &&
                std::all_of(text.begin(), text.end(),
                            [](unsigned char value) { return std::isdigit(value) != 0; });
  if (!digits) {
    throw UsageError("a disc number is 0 to 510, or more in an extended MMB file: " + text);
  }
  return std::stoi(text);
}

int DriveOperand(const MMBRun& run, size_t index) {
  const std::string& text = run.Operand(index);
  if (text.size() != 1 || text[0] < '0' || text[0] > '3') {
    throw UsageError("the drive is 0, 1, 2 or 3: " + text);
  }
  return text[0] - '0';
}

// ---- Opening and results ----------------------------------------------------------------

// Opens the MMB file and locks it for the rest of the run; false after the message.
bool OpenMMB(MMBRun& run) {
  const std::string& path = MMBOperand(run);
  try {
    run.mmb = MMBFileClass::Open(path);
  } catch (const FileSystemError&) {
    run.prompts.ShowMessage(kCouldNotOpenMessage);
    return false;
  }
  return true;
}

int Reported(MMBRun& run, const MMBResult& result) {
  if (!result) {
    run.prompts.ShowMessage(result.message);
    return kCommandFailed;
  }
  return kCommandDone;
}

// ---- Listings -------------------------------------------------------------------------

std::string PlainIndex(MMBFileClass& mmb) {
  std::vector<MMBSlot> slots = mmb.ReadIndex();
  std::array<int, kMMBBootDrives> boot = mmb.BootDiscs();
  std::string listing = PrintableText(mmb.FileName()) + ": " + MMBSummaryText(slots) + "\n";
  listing += "Boot:";
  for (size_t drive = 0; drive < boot.size(); ++drive) {
    listing += std::string(drive == 0 ? " " : ", ") + "drive " + std::to_string(drive) + " disc " +
               std::to_string(boot[drive]);
  }
  listing += "\n";
  size_t width = std::max<size_t>(4, std::to_string(mmb.DiscCount() - 1).size());
  // Unformatted slots are most of a card and say nothing; they are left out.
  for (const MMBSlot& slot : slots) {
    if (slot.Status == MMBDiscStatus::Unformatted) {
      continue;
    }
    std::string number = std::to_string(slot.Number);
    std::string padding(kTitleWidth > slot.Title.size() ? kTitleWidth - slot.Title.size() : 0, ' ');
    listing += std::string(width - number.size(), ' ') + number + "  " + PrintableText(slot.Title) +
               padding + "  " + MMBStatusText(slot.Status) + "\n";
  }
  return listing;
}

std::string JsonIndex(MMBFileClass& mmb) {
  std::vector<MMBSlot> slots = mmb.ReadIndex();
  std::array<int, kMMBBootDrives> boot = mmb.BootDiscs();
  auto formatted = std::count_if(slots.begin(), slots.end(),
                                 [](const MMBSlot& slot) { return slot.Formatted(); });
  auto locked = std::count_if(slots.begin(), slots.end(), [](const MMBSlot& slot) {
    return slot.Status == MMBDiscStatus::Locked;
  });
  std::string json = "{\"discs\": " + std::to_string(slots.size()) +
                     ", \"formatted\": " + std::to_string(formatted) +
                     ", \"locked\": " + std::to_string(locked) + ", \"boot\": [";
  for (size_t drive = 0; drive < boot.size(); ++drive) {
    json += (drive == 0 ? "" : ", ") + std::to_string(boot[drive]);
  }
  json += "], \"slots\": [";
  for (size_t index = 0; index < slots.size(); ++index) {
    const MMBSlot& slot = slots[index];
    json += std::string(index == 0 ? "" : ", ") + "{\"number\": " + std::to_string(slot.Number) +
            ", \"title\": " + JsonString(slot.Title) + ", \"status\": \"" +
            MMBStatusKey(slot.Status) + "\"}";
  }
  return json + "]}\n";
}

// ---- Commands -------------------------------------------------------------------------

int NewMMBCommand(MMBRun& run) {
  return Reported(run, CreateBlankMMB(MMBOperand(run)));
}

int CatalogueCommand(MMBRun& run) {
  if (!OpenMMB(run)) {
    return kCommandFailed;
  }
  run.out << (run.option ? JsonIndex(*run.mmb) : PlainIndex(*run.mmb));
  return kCommandDone;
}

// Runs one change on slot N (operand 1).
int SlotCommand(MMBRun& run, MMBResult (*change)(MMBFileClass&, int)) {
  int number = DiscOperand(run, 1);
  if (!OpenMMB(run)) {
    return kCommandFailed;
  }
  return Reported(run, change(*run.mmb, number));
}

int FormatCommand(MMBRun& run) {
  return SlotCommand(run, [](MMBFileClass& mmb, int number) { return mmb.Format(number); });
}

int KillCommand(MMBRun& run) {
  return SlotCommand(run, [](MMBFileClass& mmb, int number) { return mmb.Kill(number); });
}

int LockCommand(MMBRun& run) {
  return SlotCommand(run,
                     [](MMBFileClass& mmb, int number) { return mmb.SetLocked(number, true); });
}

int UnlockCommand(MMBRun& run) {
  return SlotCommand(run,
                     [](MMBFileClass& mmb, int number) { return mmb.SetLocked(number, false); });
}

int PutCommand(MMBRun& run) {
  int number = DiscOperand(run, 1);
  if (!OpenMMB(run)) {
    return kCommandFailed;
  }
  return Reported(run, run.mmb->Import(number, run.Operand(2)));
}

int GetCommand(MMBRun& run) {
  int number = DiscOperand(run, 1);
  const std::string& target = run.Operand(2);
  // Such a name would be read back interleaved, as two sides.
  if (IsDoubleSidedName(target)) {
    throw UsageError("a disc is written as a single-sided image, not a .dsd: " + target);
  }
  if (!OpenMMB(run)) {
    return kCommandFailed;
  }
  return Reported(run, run.mmb->Export(number, target));
}

int OnBootCommand(MMBRun& run) {
  int drive = DriveOperand(run, 1);
  int number = DiscOperand(run, 2);
  if (!OpenMMB(run)) {
    return kCommandFailed;
  }
  return Reported(run, run.mmb->SetBootDisc(drive, number));
}

const MMBCommandDefinition kNewMMB = {
    "new", "new [--double|--mmb] [--watford] IMAGE", "--mmb", 1, 1, NewMMBCommand};

const MMBCommandDefinition kMMBCommands[] = {
    {"dcat", "dcat [--json] MMB", "--json", 1, 1, CatalogueCommand},
    {"dformat", "dformat MMB N", nullptr, 2, 2, FormatCommand},
    {"dkill", "dkill MMB N", nullptr, 2, 2, KillCommand},
    {"dlock", "dlock MMB N", nullptr, 2, 2, LockCommand},
    {"dunlock", "dunlock MMB N", nullptr, 2, 2, UnlockCommand},
    {"dput", "dput MMB N IMAGE.ssd", nullptr, 3, 3, PutCommand},
    {"dget", "dget MMB N OUT.ssd", nullptr, 3, 3, GetCommand},
    {"donboot", "donboot MMB DRIVE N", nullptr, 3, 3, OnBootCommand},
};

// Options end at "--"; everything else not starting with "-" is an operand.
bool OptionGiven(const std::vector<std::string>& arguments, const std::string& option) {
  for (size_t index = 1; index < arguments.size() && arguments[index] != "--"; ++index) {
    if (arguments[index] == option) {
      return true;
    }
  }
  return false;
}

const MMBCommandDefinition* FindMMBCommand(const std::vector<std::string>& arguments) {
  if (arguments.empty()) {
    return nullptr;
  }
  if (arguments[0] == kNewMMB.name) {
    return OptionGiven(arguments, kNewMMB.option) ? &kNewMMB : nullptr;
  }
  for (const MMBCommandDefinition& definition : kMMBCommands) {
    if (arguments[0] == definition.name) {
      return &definition;
    }
  }
  return nullptr;
}

void ParseArguments(const std::vector<std::string>& arguments,
                    const MMBCommandDefinition& definition, MMBRun& run) {
  bool optionsEnded = false;
  for (size_t index = 1; index < arguments.size(); ++index) {
    const std::string& argument = arguments[index];
    if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
      run.operands.push_back(argument);
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (definition.option != nullptr && argument == definition.option) {
      run.option = true;
    } else {
      throw UsageError("unknown option for " + std::string(definition.name) + ": " + argument);
    }
  }
  size_t count = run.operands.size();
  if (count < definition.minOperands || count > definition.maxOperands) {
    throw UsageError("wrong number of arguments for " + std::string(definition.name));
  }
}

}  // namespace

std::optional<int> RunMMBCommand(const std::vector<std::string>& arguments, std::ostream& out,
                                 std::ostream& errors) {
  const MMBCommandDefinition* definition = FindMMBCommand(arguments);
  if (definition == nullptr) {
    return std::nullopt;
  }
  if (arguments.size() == 2 && (arguments[1] == "--help" || arguments[1] == "-h")) {
    out << "Usage: kestrow-dfs " << definition->synopsis << '\n';
    return kCommandDone;
  }
  TerminalPrompts prompts(errors, false);
  ScopedPrompts installed(prompts);
  MMBRun run{{}, false, out, prompts, nullptr};
  int status = kCommandFailed;
  try {
    ParseArguments(arguments, *definition, run);
    status = definition->run(run);
  } catch (const UsageError& error) {
    errors << "kestrow-dfs: " << error.what() << '\n'
           << "Usage: kestrow-dfs " << definition->synopsis << '\n';
    return kCommandUsage;
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
