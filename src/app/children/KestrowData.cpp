// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/children/KestrowData.h"

#include <unordered_map>

namespace {

// Live common-data objects by their menu tag.
std::unordered_map<int, ChildDataClass*>& LiveTags() {
  static std::unordered_map<int, ChildDataClass*> tags;
  return tags;
}

int nextTag = 1;

}  // namespace

ChildDataClass::ChildDataClass() : tag_(nextTag++) {
  LiveTags()[tag_] = this;
}

ChildDataClass::~ChildDataClass() {
  LiveTags().erase(tag_);
}

std::string ChildDataClass::SideSuffix() const {
  return Side == kSingleSided ? std::string() : " (side " + std::to_string(Side) + ")";
}

ChildDataClass* ChildDataClass::FromTag(int tag) {
  auto found = LiveTags().find(tag);
  return found == LiveTags().end() ? nullptr : found->second;
}
