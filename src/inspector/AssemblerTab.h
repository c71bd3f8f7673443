// SPDX-License-Identifier: GPL-3.0-or-later
// The inspector's "Assembler" tab: the file's 6502 disassembly on a ListingView (painted,
// selected, copied and searched as the other listing tabs are, with label operands as
// links), under a CPU choice of 6502 or 65C02. The choice and the entry points added by
// "Disassemble from here" belong to this window alone; the rules (tracing, labels, the
// line format) are the core's (ListMachineCode).
#pragma once

#include <QWidget>
#include <cstddef>
#include <vector>

#include "decode/FileListing.h"
#include "decode/Opcodes6502.h"

class InspectorDataClass;
class ListingView;
class QComboBox;

class AssemblerTab : public QWidget {
  Q_OBJECT
 public:
  explicit AssemblerTab(QWidget* parent = nullptr);

  ListingView* View() const { return view_; }
  // "6502" and "65C02", in that order.
  QComboBox* CpuChoice() const { return cpuChoice_; }
  Cpu6502 Cpu() const;

  // Traces from the byte at offset as well; an offset already given is not added again.
  void AddEntryOffset(size_t offset);
  const std::vector<size_t>& EntryOffsets() const { return entryOffsets_; }

  // The working copy disassembled at the file's addresses: those of its catalogue entry
  // now, or those it had when the inspector opened once it has left the catalogue.
  FileListing List(const InspectorDataClass& data) const;

 signals:
  // The CPU or the entry points changed, so the lines must be listed again.
  void SettingsChanged();

 private:
  QComboBox* cpuChoice_ = nullptr;
  ListingView* view_ = nullptr;
  std::vector<size_t> entryOffsets_;
};
