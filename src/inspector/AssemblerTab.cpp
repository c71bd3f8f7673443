// SPDX-License-Identifier: GPL-3.0-or-later
#include "inspector/AssemblerTab.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

#include "app/children/KestrowClasses.h"
#include "decode/AssemblerListing.h"
#include "disk/DFSUseful.h"
#include "inspector/ListingView.h"

namespace {

struct FileAddresses {
  uint32_t load = 0;
  uint32_t exec = 0;
};

// An address edited in the disk window since the inspector opened counts at once. A
// catalogue that cannot be read now only costs that: the addresses at opening stand in.
FileAddresses AddressesOf(const InspectorDataClass& data) {
  FileAddresses addresses{uint32_t(data.OriginalLoadAddress), uint32_t(data.OriginalExecAddress)};
  if (data.ParentDisk == nullptr || data.ParentDisk->Disk == nullptr) {
    return addresses;
  }
  try {
    if (std::optional<DFSFileClass> entry =
            data.ParentDisk->Disk->FindFile(data.Directory, data.Name)) {
      addresses = {uint32_t(entry->LoadAddress), uint32_t(entry->ExecAddress)};
    }
  } catch (const std::exception&) {
  }
  return addresses;
}

}  // namespace

AssemblerTab::AssemblerTab(QWidget* parent) : QWidget(parent) {
  setObjectName("AssemblerTab");
  setAutoFillBackground(true);
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);

  auto* bar = new QHBoxLayout;
  bar->setContentsMargins(4, 4, 4, 0);
  auto* label = new QLabel("CPU:", this);
  cpuChoice_ = new QComboBox(this);
  cpuChoice_->setObjectName("CpuChoice");
  for (Cpu6502 cpu : {Cpu6502::Nmos6502, Cpu6502::Cmos65C02}) {
    cpuChoice_->addItem(QString::fromLatin1(CpuName(cpu).data(), qsizetype(CpuName(cpu).size())),
                        int(cpu));
  }
  label->setBuddy(cpuChoice_);
  bar->addWidget(label);
  bar->addWidget(cpuChoice_);
  bar->addStretch(1);

  view_ = new ListingView(this);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addLayout(bar);
  column->addWidget(view_, 1);

  connect(cpuChoice_, &QComboBox::currentIndexChanged, this, [this] {
    emit SettingsChanged();
    // The keys go back to the lines.
    view_->setFocus();
  });
}

Cpu6502 AssemblerTab::Cpu() const {
  return Cpu6502(cpuChoice_->currentData().toInt());
}

void AssemblerTab::AddEntryOffset(size_t offset) {
  if (std::find(entryOffsets_.begin(), entryOffsets_.end(), offset) == entryOffsets_.end()) {
    entryOffsets_.push_back(offset);
    emit SettingsChanged();
  }
}

FileListing AssemblerTab::List(const InspectorDataClass& data) const {
  const FileAddresses addresses = AddressesOf(data);
  DisassemblyInput input =
      DisassemblyInputForFile(data.Buffer.Bytes(), addresses.load, addresses.exec, Cpu());
  // An entry point past the end of an edited copy is simply not traced; the lines never
  // carry a complaint about it.
  for (size_t offset : entryOffsets_) {
    if (offset < data.Buffer.Bytes().size()) {
      input.entryOffsets.push_back(offset);
    }
  }
  return ListMachineCode(input);
}
