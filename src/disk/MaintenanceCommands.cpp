// SPDX-License-Identifier: GPL-3.0-or-later
#include "disk/MaintenanceCommands.h"

#include <memory>

#include "disk/DiskCheck.h"
#include "disk/DiskCompact.h"
#include "disk/MMBFile.h"

namespace {

// The disk as it lies in the file, read-only. Unlike an ordinary opening this applies no
// journal, so an archive copy stays as it is and the journal is reported.
std::unique_ptr<DFSDiskClass> OpenAsItLies(const ImageArgument& image, ImageSides& sides) {
  if (image.mmbDisc >= 0) {
    if (MMBResult opened = OpenMMBDiscImage(image.path, image.mmbDisc, sides); !opened) {
      throw std::runtime_error(opened.message);
    }
    return nullptr;
  }
  auto stream = std::make_shared<SFileStream>(image.path, SFileStream::ReadOnlyShared{});
  if (stream->Size() == 0) {
    throw NotADiskImageError(kEmptyImageMessage);
  }
  const bool doubleSided = IsDoubleSidedName(image.path);
  SectorMapping mapping;
  mapping.interleaved = doubleSided;
  mapping.side = doubleSided ? image.drive / 2 : 0;
  auto disk = std::make_unique<DFSDiskClass>(stream, image.path, mapping);
  disk->SetReadOnly("This disk is open for reading only.");
  return disk;
}

}  // namespace

int CheckImageCommand(const ImageArgument& image, bool json, std::ostream& out,
                      TerminalPrompts& prompts) {
  ImageSides sides;
  std::unique_ptr<DFSDiskClass> disk;
  try {
    disk = OpenAsItLies(image, sides);
  } catch (const std::exception& error) {
    prompts.ShowMessage(OpenFailureMessage(error));
    return kCommandFailed;
  }
  DFSDiskClass& checked = disk != nullptr ? *disk : *sides.front();
  const std::vector<CheckFinding> findings = CheckDisk(checked);
  if (json) {
    out << JsonFindings(findings);
  } else {
    out << (findings.empty() ? std::string(kNoProblemsMessage) + "\n" : PlainFindings(findings));
  }
  return FirstError(findings) != nullptr ? kCommandFailed : kCommandDone;
}

int CompactImageCommand(DFSDiskClass& disk, std::ostream& out, TerminalPrompts& prompts) {
  try {
    CompactionResult result = CompactDisk(disk);
    if (!result.compacted) {
      prompts.ShowMessage(result.refusal);
      return kCommandFailed;
    }
    out << CompactionSummary(result) << '\n';
  } catch (const std::exception& error) {
    prompts.ShowMessage(ChangeFailureMessage(error, kCompactFailedMessage));
    return kCommandFailed;
  }
  return kCommandDone;
}
