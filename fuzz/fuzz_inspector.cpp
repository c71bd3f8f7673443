// SPDX-License-Identifier: GPL-3.0-or-later
// Random editing sequences on an inspector's bytes, each step checked against a plain
// byte vector that applies the same edit, then undone all the way back to the start.
// An edit that raises must leave the bytes and the undo history as they were.
#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>

#include "FuzzSupport.h"
#include "inspector/InspectorEditing.h"

namespace {

using fuzz::Check;

constexpr int kMaxSteps = 64;

// What an edit should do to the bytes: raise, leave them, or give new bytes with one
// new undo record.
struct Effect {
  bool raises = false;
  bool records = false;
  std::vector<uint8_t> bytes;
  bool modelled = false;  // an edit the model predicts exactly, raising included
};

int HexValue(char character) {
  if (character >= '0' && character <= '9') {
    return character - '0';
  }
  char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(character)));
  return upper >= 'A' && upper <= 'F' ? upper - 'A' + 10 : -1;
}

// The plain model of every edit, from the selection and typing state before it.
class ByteModel {
 public:
  ByteModel(std::vector<uint8_t> bytes, const InspectorDataClass& data)
      : bytes_(std::move(bytes)),
        s_(data.SelStart),
        e_(data.SelEnd),
        size_(Size()),
        hexPane_(data.CaretPane == "Hex"),
        lowNibble_(data.Nibble == "Low") {}

  Effect RemoveSelection() const {
    int32_t low = std::min(s_, e_);
    int32_t high = std::max(s_, e_);
    if (low < 0 || high >= size_) {
      return Raises();
    }
    std::vector<uint8_t> bytes = bytes_;
    bytes.erase(bytes.begin() + low, bytes.begin() + high + 1);
    return Records(bytes);
  }

  Effect Backspace() const {
    if (s_ == -1) {
      return Unchanged();
    }
    if (s_ != e_) {
      return RemoveSelection();
    }
    if (s_ <= 0) {
      return Unchanged();
    }
    if (s_ > size_) {
      return Raises();
    }
    std::vector<uint8_t> bytes = bytes_;
    bytes.erase(bytes.begin() + s_ - 1);
    return Records(bytes);
  }

  Effect Delete() const {
    if (s_ == -1) {
      return Unchanged();
    }
    if (s_ != e_) {
      return RemoveSelection();
    }
    if (s_ >= size_) {
      return Unchanged();
    }
    if (s_ < 0) {
      return Raises();
    }
    std::vector<uint8_t> bytes = bytes_;
    bytes.erase(bytes.begin() + s_);
    return Records(bytes);
  }

  Effect Type(char character, bool overType) const {
    if (s_ == -1 || s_ != e_ || s_ > size_) {
      return Unchanged();
    }
    int value = HexValue(character);
    auto code = static_cast<uint8_t>(character);
    if (hexPane_ ? value < 0 : (code < 32 || code > 126)) {
      return Unchanged();
    }
    // A caret outside the data (Ctrl+Up can put one above offset 0) takes no typing.
    if (s_ < 0) {
      return Unchanged();
    }
    bool atEnd = s_ == size_;
    std::vector<uint8_t> bytes = bytes_;
    bool insert = atEnd || (!overType && !(hexPane_ && lowNibble_));
    if (insert) {
      bytes.insert(bytes.begin() + s_, 0);
    }
    uint8_t& byte = bytes[static_cast<size_t>(s_)];
    if (!hexPane_) {
      byte = code;
    } else if (!lowNibble_ || atEnd) {
      byte = static_cast<uint8_t>((byte & 0x0F) | (value << 4));
    } else {
      byte = static_cast<uint8_t>((byte & 0xF0) | value);
    }
    return Records(bytes);
  }

  Effect Paste(const std::vector<uint8_t>& pasted, bool overType) const {
    if (s_ == -1 || pasted.empty()) {
      return Unchanged();
    }
    int32_t at = s_;
    if (s_ != e_) {
      at = std::min(s_, e_);
      if (at < 0 || std::max(s_, e_) >= size_) {
        return Raises();
      }
    } else if (s_ < 0 || s_ > size_) {
      return Raises();
    }
    std::vector<uint8_t> bytes = bytes_;
    auto count = static_cast<int32_t>(pasted.size());
    if (overType && at != size_) {
      if (at + count > size_) {
        return Raises();
      }
      std::copy(pasted.begin(), pasted.end(), bytes.begin() + at);
    } else {
      bytes.insert(bytes.begin() + at, pasted.begin(), pasted.end());
    }
    return Records(bytes);
  }

  Effect Unchanged() const { return {false, false, bytes_, true}; }
  Effect Raises() const { return {true, false, bytes_, true}; }
  static Effect Records(std::vector<uint8_t> bytes) {
    return {false, true, std::move(bytes), true};
  }

 private:
  int32_t Size() const { return static_cast<int32_t>(bytes_.size()); }

  std::vector<uint8_t> bytes_;
  int32_t s_;
  int32_t e_;
  int32_t size_;
  bool hexPane_;
  bool lowNibble_;
};

std::optional<HexHit> Hit(FuzzedDataProvider& input, int32_t size) {
  if (input.ConsumeIntegralInRange(0, 7) == 0) {
    return std::nullopt;
  }
  return HexHit{input.ConsumeIntegralInRange<int32_t>(-2, size + 2), input.ConsumeBool()};
}

EditKey Arrow(FuzzedDataProvider& input) {
  static const EditKey kArrows[] = {EditKey::Left, EditKey::Up, EditKey::Right, EditKey::Down};
  return kArrows[input.ConsumeIntegralInRange(0, 3)];
}

// Runs one random step; returns what the bytes should now be.
Effect Step(FuzzedDataProvider& input, InspectorEditing& editing, InspectorDataClass& data,
            bool& raised) {
  ByteModel model(data.Buffer.Bytes(), data);
  auto size = static_cast<int32_t>(data.Buffer.Size());
  Effect effect = model.Unchanged();
  effect.modelled = false;
  raised = false;
  try {
    switch (input.ConsumeIntegralInRange(0, 11)) {
      case 0:
        editing.MouseDown(Hit(input, size), input.ConsumeBool());
        break;
      case 1:
        editing.MouseMove(Hit(input, size));
        break;
      case 2:
        editing.MouseUp();
        break;
      case 3:
        editing.KeyDown(Arrow(input), input.ConsumeBool(), input.ConsumeBool());
        break;
      case 4: {
        bool control = input.ConsumeBool();
        effect = model.Backspace();
        editing.KeyDown(EditKey::Backspace, input.ConsumeBool(), control);
        break;
      }
      case 5: {
        bool control = input.ConsumeBool();
        effect = model.Delete();
        editing.KeyDown(EditKey::Delete, input.ConsumeBool(), control);
        break;
      }
      case 6: {
        char character = input.ConsumeIntegral<char>();
        bool overType = input.ConsumeBool();
        effect = model.Type(character, overType);
        editing.KeyPress(character, overType);
        break;
      }
      case 7: {
        std::vector<uint8_t> pasted =
            input.ConsumeBytes<uint8_t>(input.ConsumeIntegralInRange<size_t>(0, 40));
        bool overType = input.ConsumeBool();
        effect = model.Paste(pasted, overType);
        editing.Paste(pasted, overType);
        break;
      }
      case 8:
        effect.records = false;
        editing.Undo();  // checked by the caller against its history
        break;
      case 9:
        editing.SelectAll();
        break;
      case 10:
        data.SearchFrom = input.ConsumeIntegralInRange<int32_t>(0, size + 2);
        editing.FindNext(input.ConsumeRandomLengthString(6), input.ConsumeBool());
        break;
      default:
        editing.SelectionAsText();
        break;
    }
  } catch (const std::exception&) {
    raised = true;
  }
  return effect;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  FuzzedDataProvider input(bytes, size);
  std::vector<uint8_t> original = input.ConsumeBytes<uint8_t>(input.ConsumeIntegralInRange(0, 300));
  InspectorDataClass data;
  data.Buffer = SMemoryStream(original);
  data.Nibble = "Hi";
  InspectorEditing editing(data);

  // The bytes before each recorded change, newest last: what each undo must give back.
  std::vector<std::vector<uint8_t>> history;
  for (int step = 0; step < kMaxSteps && input.remaining_bytes() > 0; ++step) {
    std::vector<uint8_t> before = data.Buffer.Bytes();
    size_t recordsBefore = data.UndoList.size();
    bool raised = false;
    Effect effect = Step(input, editing, data, raised);
    const std::vector<uint8_t>& now = data.Buffer.Bytes();
    Check(data.UndoList.size() >= recordsBefore ? data.UndoList.size() - recordsBefore <= 1
                                                : recordsBefore - data.UndoList.size() == 1,
          "more than one undo record per step");
    if (data.UndoList.size() < recordsBefore) {
      Check(!history.empty() && now == history.back(), "undo did not restore the bytes");
      history.pop_back();
      continue;
    }
    if (raised) {
      Check(effect.raises || !effect.modelled, "an edit raised unexpectedly");
      Check(now == before && data.UndoList.size() == recordsBefore,
            "an edit that raised changed something");
      continue;
    }
    Check(!effect.raises, "an edit outside the data did not raise");
    Check(now == effect.bytes, "bytes differ from the plain model");
    Check(effect.records == (data.UndoList.size() > recordsBefore),
          "undo record kept or missed wrongly");
    if (effect.records) {
      history.push_back(before);
    }
  }
  Check(history.size() == data.UndoList.size(), "history and undo list differ in length");
  while (editing.Undo()) {
    Check(data.Buffer.Bytes() == history.back(), "undo back to the start went wrong");
    history.pop_back();
  }
  Check(data.Buffer.Bytes() == original, "undo did not give the original bytes back");
  return 0;
}
