// SPDX-License-Identifier: GPL-3.0-or-later
// Thousands of random clicks, drags, keys and undos on random buffers, checked after
// every step against a plain byte vector that applies the same edits, then undone all
// the way back to the original bytes. Once on the editing alone, once through real
// mouse and key events on a window.
#include <QTabBar>
#include <QtTest>
#include <cctype>
#include <random>

#include "inspector/FileInspector.h"
#include "inspector/InspectorEditing.h"
#include "inspector/SScrollBar.h"
#include "platform/ScriptedPrompts.h"
#include "support_gui/InspectorTestSupport.h"

namespace {

enum class OpKind {
  Click,
  Margin,
  Drag,
  Arrow,
  Type,
  Backspace,
  Delete,
  ToggleInsert,
  Undo,
  Scroll
};

struct Op {
  OpKind Kind = OpKind::Click;
  int32_t Offset = 0;  // click, or the start of a drag
  int32_t Target = 0;  // the end of a drag
  bool InHex = false;
  bool Shift = false;
  bool Control = false;
  EditKey Key = EditKey::Left;
  char Character = 0;
  int Scroll = 0;  // rows to scroll by
};

// The model: the bytes and, for every change the editor should have recorded, the bytes
// and selection before it.
class ByteModel {
 public:
  explicit ByteModel(std::vector<uint8_t> bytes) : Bytes(std::move(bytes)) {}

  // Applies the byte-level effect of op, given the editor's state just before it.
  // Returns true when op undid a change.
  bool Apply(const Op& op, const InspectorDataClass& before, bool overType) {
    const int32_t start = before.SelStart;
    const int32_t end = before.SelEnd;
    if (op.Kind == OpKind::Type) {
      Type(before, op.Character, overType);
    } else if (op.Kind == OpKind::Backspace && start != -1) {
      if (start != end) {
        RemoveSelection(start, end);
      } else if (start > Size()) {
        ++ReadErrors;
      } else if (start > 0) {
        Record(before);
        Bytes.erase(Bytes.begin() + start - 1);
      }
    } else if (op.Kind == OpKind::Delete && start != -1) {
      if (start != end) {
        RemoveSelection(start, end);
      } else if (start < Size()) {
        Record(before);
        Bytes.erase(Bytes.begin() + start);
      }
    } else if (op.Kind == OpKind::Undo && !History.empty()) {
      Bytes = History.back().Bytes;
      UndoneSelection = {History.back().SelStart, History.back().SelEnd};
      History.pop_back();
      return true;
    }
    return false;
  }

  struct Snapshot {
    std::vector<uint8_t> Bytes;
    int32_t SelStart;
    int32_t SelEnd;
  };
  std::vector<uint8_t> Bytes;
  std::vector<Snapshot> History;
  std::pair<int32_t, int32_t> UndoneSelection;
  int ReadErrors = 0;

 private:
  int32_t Size() const { return static_cast<int32_t>(Bytes.size()); }
  void Record(const InspectorDataClass& before) {
    History.push_back({Bytes, before.SelStart, before.SelEnd});
  }

  void RemoveSelection(int32_t start, int32_t end) {
    const int32_t low = std::min(start, end);
    const int32_t high = std::max(start, end);
    if (low < 0 || high >= Size()) {
      ++ReadErrors;
      return;
    }
    History.push_back({Bytes, start, end});
    Bytes.erase(Bytes.begin() + low, Bytes.begin() + high + 1);
  }

  void Type(const InspectorDataClass& before, char character, bool overType) {
    const int32_t caret = before.SelStart;
    if (caret == -1 || caret != before.SelEnd || caret > Size()) {
      return;
    }
    const bool atEnd = caret == Size();
    const bool insert = atEnd || !overType;
    if (before.CaretPane == "Hex") {
      if (!std::isxdigit(static_cast<unsigned char>(character))) {
        return;
      }
      const int value = std::stoi(std::string(1, character), nullptr, 16);
      Record(before);
      if (before.Nibble == "Low" && !atEnd) {
        Bytes[caret] = static_cast<uint8_t>((Bytes[caret] & 0xF0) | value);
      } else if (insert) {
        Bytes.insert(Bytes.begin() + caret, static_cast<uint8_t>(value << 4));
      } else {
        Bytes[caret] = static_cast<uint8_t>((Bytes[caret] & 0x0F) | (value << 4));
      }
    } else if (character >= 32 && character <= 126) {
      Record(before);
      if (insert) {
        Bytes.insert(Bytes.begin() + caret, static_cast<uint8_t>(character));
      } else {
        Bytes[caret] = static_cast<uint8_t>(character);
      }
    }
  }
};

class OpGenerator {
 public:
  explicit OpGenerator(uint32_t seed) : random_(seed) {}

  int Below(int limit) { return std::uniform_int_distribution<int>(0, limit - 1)(random_); }
  bool Chance(int percent) { return Below(100) < percent; }

  // An op for a buffer of size bytes; offsets run past the data now and then.
  Op Next(int32_t size) {
    Op op;
    const int roll = Below(100);
    op.InHex = Chance(60);
    op.Offset = Below(size + (Chance(10) ? 40 : 2));
    if (roll < 14) {
      op.Kind = OpKind::Click;
      op.Shift = Chance(20);
    } else if (roll < 16) {
      op.Kind = OpKind::Margin;
    } else if (roll < 22) {
      op.Kind = OpKind::Drag;
      op.Target = Below(size + (Chance(15) ? 40 : 2));
    } else if (roll < 36) {
      op.Kind = OpKind::Arrow;
      const EditKey keys[] = {EditKey::Left, EditKey::Right, EditKey::Up, EditKey::Down};
      op.Key = keys[Below(4)];
      op.Shift = Chance(25);
      op.Control = Chance(8);
    } else if (roll < 66) {
      op.Kind = OpKind::Type;
      const char* const typed = "0123456789ABCDEFabcdef0123456789xyzQ !~g";
      op.Character = typed[Below(40)];
    } else if (roll < 73) {
      op.Kind = OpKind::Backspace;
    } else if (roll < 80) {
      op.Kind = OpKind::Delete;
    } else if (roll < 83) {
      op.Kind = OpKind::ToggleInsert;
    } else if (roll < 95) {
      op.Kind = OpKind::Undo;
    } else {
      op.Kind = OpKind::Scroll;
      op.Scroll = Below(9) - 4;
    }
    return op;
  }

 private:
  std::mt19937 random_;
};

std::string Describe(const Op& op, int step) {
  return "step " + std::to_string(step) + " kind " + std::to_string(int(op.Kind)) + " offset " +
         std::to_string(op.Offset) + " target " + std::to_string(op.Target) + " char " +
         std::string(1, op.Character);
}

// The drivers apply an op to the inspector; the model follows.
class EditingDriver {
 public:
  explicit EditingDriver(InspectorDataClass& data) : data_(data), editing_(data) {}
  bool OverType() const { return overType_; }
  void Apply(const Op& op) {
    try {
      Run(op);
    } catch (const StreamReadError& error) {
      Prompts().ShowMessage(error.what());
    }
  }

 private:
  void Run(const Op& op) {
    switch (op.Kind) {
      case OpKind::Click:
        editing_.MouseDown(HexHit{op.Offset, op.InHex}, op.Shift);
        editing_.MouseUp();
        break;
      case OpKind::Margin:
        editing_.MouseDown(std::nullopt, false);
        editing_.MouseUp();
        break;
      case OpKind::Drag:
        editing_.MouseDown(HexHit{op.Offset, op.InHex}, false);
        editing_.MouseMove(HexHit{op.Target, op.InHex});
        editing_.MouseUp();
        break;
      case OpKind::Arrow:
        editing_.KeyDown(op.Key, op.Shift, op.Control);
        break;
      case OpKind::Type:
        editing_.KeyDown(EditKey::Other, false, false);
        editing_.KeyPress(op.Character, overType_);
        break;
      case OpKind::Backspace:
        editing_.KeyDown(EditKey::Backspace, false, false);
        break;
      case OpKind::Delete:
        editing_.KeyDown(EditKey::Delete, false, false);
        break;
      case OpKind::ToggleInsert:
        overType_ = !overType_;
        break;
      case OpKind::Undo:
        editing_.Undo();
        break;
      case OpKind::Scroll:
        break;
    }
  }

  InspectorDataClass& data_;
  InspectorEditing editing_;
  bool overType_ = true;
};

class WindowDriver {
 public:
  explicit WindowDriver(TFileInspectorFrm& window) : window_(window), view_(window.View()) {}
  bool OverType() const { return window_.OverType(); }

  // Offsets in the rows wholly on screen: clicks go only there.
  int32_t VisibleOffset(int32_t offset) const {
    const HexLayout& layout = window_.Layout();
    const int scroll = window_.VScrollBar->value();
    const int dumpTop = window_.Tab->height() + 4;
    const int32_t firstRow = (scroll + layout.RowHeight - 1) / layout.RowHeight;
    const int32_t rows = (window_.StatusBar->y() - dumpTop) / layout.RowHeight - 1;
    return firstRow * 16 + offset % (rows * 16);
  }

  void Apply(const Op& op) {
    const Qt::KeyboardModifiers shift = op.Shift ? Qt::ShiftModifier : Qt::NoModifier;
    const QPoint at = Cell(VisibleOffset(op.Offset), op.InHex);
    switch (op.Kind) {
      case OpKind::Click:
        QTest::mouseClick(view_, Qt::LeftButton, shift, at);
        break;
      case OpKind::Margin:
        QTest::mouseClick(view_, Qt::LeftButton, Qt::NoModifier, QPoint(2, at.y()));
        break;
      case OpKind::Drag: {
        const QPoint to = Cell(VisibleOffset(op.Target), op.InHex);
        QTest::mousePress(view_, Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseMove(view_, to);
        QTest::mouseRelease(view_, Qt::LeftButton, Qt::NoModifier, to);
        break;
      }
      case OpKind::Arrow: {
        const Qt::Key keys[] = {Qt::Key_Left, Qt::Key_Up, Qt::Key_Right, Qt::Key_Down};
        QTest::keyClick(view_, keys[int(op.Key)],
                        op.Control ? Qt::ControlModifier : Qt::KeyboardModifiers(shift));
        break;
      }
      case OpKind::Type:
        QTest::keyClick(view_, op.Character);
        break;
      case OpKind::Backspace:
        QTest::keyClick(view_, Qt::Key_Backspace);
        break;
      case OpKind::Delete:
        QTest::keyClick(view_, Qt::Key_Delete);
        break;
      case OpKind::ToggleInsert:
        QTest::keyClick(view_, Qt::Key_Insert);
        break;
      case OpKind::Undo:
        window_.Undo();
        break;
      case OpKind::Scroll:
        window_.VScrollBar->setValue(window_.VScrollBar->value() + op.Scroll * 16);
        break;
    }
  }

 private:
  QPoint Cell(int32_t offset, bool inHex) const {
    return inHex ? HexCellCentre(window_, offset) : CharCellCentre(window_, offset);
  }

  TFileInspectorFrm& window_;
  QWidget* view_;
};

// Runs steps random ops through driver, comparing with the model after each, then undoes
// everything; fails the test at the first difference.
template <typename Driver>
void RunRandomEdits(InspectorDataClass& data, Driver& driver, OpGenerator& generator, int steps,
                    ScriptedPrompts& prompts) {
  const std::vector<uint8_t> original = data.Buffer.Bytes();
  ByteModel model(original);
  for (int step = 0; step < steps; ++step) {
    const Op op = generator.Next(static_cast<int32_t>(model.Bytes.size()));
    const bool overType = driver.OverType();
    const bool undid = model.Apply(op, data, overType);
    driver.Apply(op);
    const std::string where = Describe(op, step);
    QVERIFY2(data.Buffer.Bytes() == model.Bytes, where.c_str());
    QVERIFY2(data.UndoList.size() == model.History.size(), where.c_str());
    QVERIFY2(prompts.Messages().size() == size_t(model.ReadErrors), where.c_str());
    if (undid) {
      QVERIFY2(std::pair(data.SelStart, data.SelEnd) == model.UndoneSelection, where.c_str());
      QVERIFY2(data.Nibble == "Hi", where.c_str());
    }
  }
  while (!model.History.empty()) {
    const ByteModel::Snapshot expected = model.History.back();
    model.History.pop_back();
    driver.Apply(Op{OpKind::Undo});
    QVERIFY(data.Buffer.Bytes() == expected.Bytes);
    QCOMPARE(data.SelStart, expected.SelStart);
    QCOMPARE(data.SelEnd, expected.SelEnd);
    QCOMPARE(data.Nibble, "Hi");
  }
  QVERIFY(data.UndoList.empty());
  QVERIFY(data.Buffer.Bytes() == original);
  for (const std::string& message : prompts.Messages()) {
    QCOMPARE(message, "Stream read error");
  }
}

}  // namespace

class TestInspectorRandom : public QObject {
  Q_OBJECT

 private slots:
  void editingMatchesTheModel_data();
  void editingMatchesTheModel();
  void windowEventsMatchTheModel_data();
  void windowEventsMatchTheModel();
};

void TestInspectorRandom::editingMatchesTheModel_data() {
  QTest::addColumn<uint32_t>("seed");
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    QTest::newRow(qPrintable(QString("seed %1").arg(seed))) << seed;
  }
}

void TestInspectorRandom::editingMatchesTheModel() {
  QFETCH(uint32_t, seed);
  ScopedScriptedPrompts prompts;
  OpGenerator generator(seed);
  InspectorDataClass data;
  data.Buffer = SMemoryStream(PatternBytes(static_cast<size_t>(generator.Below(80)), seed));
  EditingDriver driver(data);
  RunRandomEdits(data, driver, generator, 2500, *prompts);
}

void TestInspectorRandom::windowEventsMatchTheModel_data() {
  QTest::addColumn<uint32_t>("seed");
  for (uint32_t seed = 101; seed <= 103; ++seed) {
    QTest::newRow(qPrintable(QString("seed %1").arg(seed))) << seed;
  }
}

void TestInspectorRandom::windowEventsMatchTheModel() {
  QFETCH(uint32_t, seed);
  ScopedScriptedPrompts prompts;
  OpGenerator generator(seed);
  InspectedFile file(PatternBytes(static_cast<size_t>(100 + generator.Below(300)), seed));
  InspectorDesk desk;
  TFileInspectorFrm* window = desk.Open(*file.Data);
  window->resize(window->width(), 260);  // short, so the dump scrolls
  WindowDriver driver(*window);
  RunRandomEdits(*file.Data, driver, generator, 1500, *prompts);
}

QTEST_MAIN(TestInspectorRandom)
#include "test_inspector_random.moc"
