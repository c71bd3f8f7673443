// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ImageBuilder.h"

#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

ImageBuilder::ImageBuilder(int sectorCount) : image_(512, 0), sectorCount_(sectorCount) {
  SectorCount(sectorCount);
}

ImageBuilder& ImageBuilder::Title(const std::string& title) {
  std::string kept = title.substr(0, std::min<size_t>(title.size(), 12));
  for (size_t index = 0; index <= kept.size() && index < 12; ++index) {
    uint8_t value = index < kept.size() ? static_cast<uint8_t>(kept[index]) : 0;
    Byte(index < 8 ? index : 0x100 + index - 8, value);
  }
  return *this;
}

ImageBuilder& ImageBuilder::BootOption(int option) {
  return Byte(0x106, static_cast<uint8_t>((image_[0x106] & 0xCF) | ((option & 3) << 4)));
}

ImageBuilder& ImageBuilder::SectorCount(int count) {
  Byte(0x106, static_cast<uint8_t>((image_[0x106] & 0xFC) | ((count >> 8) & 3)));
  return Byte(0x107, static_cast<uint8_t>(count & 0xFF));
}

ImageBuilder& ImageBuilder::AddEntry(const ImageEntry& entry) {
  SetEntry(entryCount_, entry);
  const uint32_t sectors = std::max<uint32_t>(1, (entry.length + 255) / 256);
  firstFreeSector_ = std::max(firstFreeSector_, entry.startSector + sectors);
  ++entryCount_;
  return CountByte(static_cast<uint8_t>(entryCount_ * 8));
}

ImageBuilder& ImageBuilder::SetEntry(int slot, const ImageEntry& entry) {
  return SetEntryAt(0, slot, entry);
}

ImageBuilder& ImageBuilder::Watford62() {
  Bytes(0x200, std::vector<uint8_t>(8, 0xAA));
  Byte(0x306, image_[0x106] & 3);
  return Byte(0x307, image_[0x107]);
}

ImageBuilder& ImageBuilder::WatfordGuard() {
  return AddEntry({'!', "!!!!!!!", 0, 0, 512, 2});
}

ImageBuilder& ImageBuilder::AddSecondEntry(const ImageEntry& entry) {
  SetEntryAt(0x200, secondEntryCount_, entry);
  ++secondEntryCount_;
  return Byte(0x305, static_cast<uint8_t>(secondEntryCount_ * 8));
}

ImageBuilder& ImageBuilder::SetEntryAt(size_t base, int slot, const ImageEntry& entry) {
  size_t nameSlot = base + 0x008 + 8 * static_cast<size_t>(slot);
  size_t infoSlot = base + 0x108 + 8 * static_cast<size_t>(slot);
  std::string name = (entry.name + "       ").substr(0, 7);
  for (size_t index = 0; index < 7; ++index) {
    Byte(nameSlot + index, static_cast<uint8_t>(name[index]));
  }
  Byte(nameSlot + 7, static_cast<uint8_t>((entry.directory & 0x7F) | (entry.locked ? 0x80 : 0)));
  uint32_t words[] = {entry.load, entry.exec, entry.length};
  for (size_t word = 0; word < 3; ++word) {
    Byte(infoSlot + 2 * word, static_cast<uint8_t>(words[word] & 0xFF));
    Byte(infoSlot + 2 * word + 1, static_cast<uint8_t>((words[word] >> 8) & 0xFF));
  }
  uint32_t mixed = ((entry.startSector >> 8) & 3) | (entry.load > 0xFFFF ? 0x0C : 0) |
                   (entry.exec > 0xFFFF ? 0xC0 : 0) | (((entry.length >> 16) & 3) << 4);
  Byte(infoSlot + 6, static_cast<uint8_t>(mixed));
  return Byte(infoSlot + 7, static_cast<uint8_t>(entry.startSector & 0xFF));
}

ImageBuilder& ImageBuilder::AddLetterFiles(int count, ImageEntry like, bool letterData) {
  if (like.length == 0) {
    like.length = 0x100;
  }
  for (int index = 0; index < count; ++index) {
    ImageEntry entry = like;
    entry.name = std::string(1, static_cast<char>('A' + index));
    entry.startSector = 2 + static_cast<uint32_t>(index);
    AddEntry(entry);
    if (letterData) {
      FileData(2 + index, std::vector<uint8_t>(like.length, static_cast<uint8_t>('a' + index)));
    }
  }
  return *this;
}

ImageBuilder& ImageBuilder::AddNamedFiles(const std::string& names) {
  std::istringstream list(names);
  uint32_t sector = 2;
  for (std::string name; list >> name;) {
    ImageEntry entry;
    entry.locked = name.back() == '*';
    entry.name = entry.locked ? name.substr(0, name.size() - 1) : name;
    entry.startSector = sector++;
    entry.length = 0x100;
    AddEntry(entry);
  }
  return *this;
}

ImageBuilder& ImageBuilder::AddPlacedFiles(const std::string& placements) {
  std::istringstream list(placements);
  int number = 0;
  for (std::string placement; list >> placement;) {
    const size_t plus = placement.find('+');
    const auto start = static_cast<uint32_t>(std::stoul(placement.substr(0, plus)));
    const auto length = static_cast<uint32_t>(std::stoul(placement.substr(plus + 1)));
    AddEntry({'$', "F" + std::to_string(number++), 0, 0, length, start});
  }
  return *this;
}

ImageBuilder& ImageBuilder::AddFiller(int freeSectors) {
  const uint32_t start = firstFreeSector_;
  const uint32_t length = (static_cast<uint32_t>(sectorCount_ - freeSectors) - start) * 256;
  return AddEntry({'$', "FILLER", 0, 0, length, start, false});
}

ImageBuilder& ImageBuilder::CountByte(uint8_t value) {
  return Byte(0x105, value);
}

ImageBuilder& ImageBuilder::Byte(size_t offset, uint8_t value) {
  if (offset >= image_.size()) {
    image_.resize(offset + 1, 0);
  }
  image_[offset] = value;
  return *this;
}

ImageBuilder& ImageBuilder::Bytes(size_t offset, const std::vector<uint8_t>& bytes) {
  if (offset + bytes.size() > image_.size()) {
    image_.resize(offset + bytes.size(), 0);
  }
  std::copy(bytes.begin(), bytes.end(), image_.begin() + static_cast<ptrdiff_t>(offset));
  return *this;
}

ImageBuilder& ImageBuilder::FileData(int sector, const std::vector<uint8_t>& data) {
  return Bytes(static_cast<size_t>(sector) * 256, data);
}

ImageBuilder& ImageBuilder::HostSize(size_t size) {
  image_.resize(size, 0);
  return *this;
}

void ImageBuilder::WriteTo(const std::string& path) const {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(image_.data()),
            static_cast<std::streamsize>(image_.size()));
  if (!out) {
    std::fprintf(stderr, "ImageBuilder: cannot write %s\n", path.c_str());
    std::abort();
  }
}

std::string ImageBuilder::WriteToTemp(const QTemporaryDir& dir, const std::string& name) const {
  std::string path = dir.filePath(QString::fromStdString(name)).toStdString();
  WriteTo(path);
  return path;
}

std::vector<uint8_t> InterleavedImage(const std::vector<uint8_t>& side0,
                                      const std::vector<uint8_t>& side1) {
  const size_t track = 2560;
  std::vector<uint8_t> image;
  const std::vector<uint8_t>* sides[] = {&side0, &side1};
  for (size_t side = 0; side < 2; ++side) {
    const std::vector<uint8_t>& linear = *sides[side];
    for (size_t start = 0; start < linear.size(); start += track) {
      size_t at = (2 * (start / track) + side) * track;
      size_t count = std::min(track, linear.size() - start);
      if (image.size() < at + count) {
        image.resize(at + count, 0);
      }
      std::copy_n(linear.begin() + ptrdiff_t(start), count, image.begin() + ptrdiff_t(at));
    }
  }
  return image;
}

std::vector<uint8_t> PatternBytes(size_t count, uint8_t seed) {
  std::vector<uint8_t> bytes(count);
  for (size_t index = 0; index < count; ++index) {
    bytes[index] = static_cast<uint8_t>(index * 7 + seed * 31 + index / 251);
  }
  return bytes;
}

std::vector<uint8_t> ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string MissingSamples(const std::vector<std::string>& names) {
  namespace fs = std::filesystem;
  const fs::path folder(KESTROW_SAMPLES_DIR);
  std::error_code error;
  if (!fs::is_directory(folder, error)) {
    return "the sample folder " + folder.string() +
           " is missing (it is tests/data in the "
           "source tree)";
  }
  for (const std::string& name : names) {
    if (!fs::exists(folder / name, error)) {
      return "the sample " + name + " is missing from " + folder.string();
    }
  }
  return {};
}

std::string CopySample(const QTemporaryDir& dir, const std::string& sampleName) {
  namespace fs = std::filesystem;
  fs::path source = fs::path(KESTROW_SAMPLES_DIR) / sampleName;
  fs::path target = fs::path(dir.path().toStdString()) / sampleName;
  fs::copy_file(source, target, fs::copy_options::overwrite_existing);
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
  return target.string();
}

std::vector<std::string> SampleNames(const std::string& extension) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(KESTROW_SAMPLES_DIR, error)) {
    std::string name = entry.path().filename().string();
    if (name.size() > extension.size() &&
        name.compare(name.size() - extension.size(), extension.size(), extension) == 0) {
      names.push_back(name);
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}
