// SPDX-License-Identifier: GPL-3.0-or-later
// Caret, selection, typing, deleting and undo of the inspector's editing, written as
// before/after markup (see InspectorTestSupport.h) and a short script of user actions:
//   h5 / c5      click on byte 5 in the hex / character column (S-h5: with Shift)
//   margin       click beside the columns
//   h2>h9        drag from byte 2 to byte 9 (h2>h9> : the button is still held)
//   Left S-Left C-Left ...   arrow keys, plain, with Shift, with Ctrl
//   BS Del Undo  Backspace, Delete, undo
//   Ins Ovr      switch to insert / overtype mode (overtype at first)
//   'A5'         type the characters between the quotes
#include <QtTest>
#include <sstream>

#include "inspector/InspectorEditing.h"
#include "platform/ScriptedPrompts.h"
#include "support/InspectorData.h"

namespace {

std::optional<HexHit> ParseHit(const std::string& token) {
  return HexHit{std::stoi(token.substr(1)), token[0] == 'h'};
}

EditKey ParseArrow(const std::string& name) {
  if (name == "Left")
    return EditKey::Left;
  if (name == "Right")
    return EditKey::Right;
  if (name == "Up")
    return EditKey::Up;
  if (name == "Down")
    return EditKey::Down;
  throw std::invalid_argument("Unknown key " + name);
}

// Runs the script on data, as the window would: read errors are shown as messages.
void RunScript(InspectorDataClass& data, const std::string& script) {
  InspectorEditing editing(data);
  bool overType = true;
  std::istringstream tokens(script);
  std::string token;
  while (tokens >> token) {
    try {
      if (token == "margin") {
        editing.MouseDown(std::nullopt, false);
      } else if (token.find('>') != std::string::npos) {
        size_t arrow = token.find('>');
        editing.MouseDown(ParseHit(token.substr(0, arrow)), false);
        std::string target = token.substr(arrow + 1);
        editing.MouseMove(ParseHit(target.substr(0, target.find('>'))));
        if (target.back() != '>') {
          editing.MouseUp();
        }
      } else if (token[0] == 'h' || token[0] == 'c') {
        editing.MouseDown(ParseHit(token), false);
        editing.MouseUp();
      } else if (token.starts_with("S-h") || token.starts_with("S-c")) {
        editing.MouseDown(ParseHit(token.substr(2)), true);
        editing.MouseUp();
      } else if (token[0] == '\'') {
        for (char character : token.substr(1, token.size() - 2)) {
          editing.KeyPress(character, overType);
        }
      } else if (token == "BS") {
        editing.KeyDown(EditKey::Backspace, false, false);
      } else if (token == "Del") {
        editing.KeyDown(EditKey::Delete, false, false);
      } else if (token == "Undo") {
        editing.Undo();
      } else if (token == "Ins" || token == "Ovr") {
        overType = token == "Ovr";
      } else if (token.starts_with("S-")) {
        editing.KeyDown(ParseArrow(token.substr(2)), true, false);
      } else if (token.starts_with("C-")) {
        editing.KeyDown(ParseArrow(token.substr(2)), false, true);
      } else {
        editing.KeyDown(ParseArrow(token), false, false);
      }
    } catch (const StreamReadError& error) {
      Prompts().ShowMessage(error.what());
    }
  }
}

std::vector<uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

// The markup as the data would render it, so expected bytes may be written in hex.
QString Normalised(const QString& markup) {
  InspectorDataClass data;
  SetFromMarkup(data, markup.toStdString());
  return QString::fromStdString(InspectorMarkup(data));
}

}  // namespace

class TestInspectorEditing : public QObject {
  Q_OBJECT

 private slots:
  void script_data();
  void script();
  void undoRecordsOneStepPerChange();
  void changedFlag();
  void undoOfEachKind_data();
  void undoOfEachKind();
  void paneAndNibbleFollowClicks();
};

void TestInspectorEditing::script_data() {
  QTest::addColumn<QString>("before");
  QTest::addColumn<QString>("script");
  QTest::addColumn<QString>("after");
  QTest::addColumn<int>("readErrors");
  auto row = [](const char* name, const char* before, const char* script, const char* after,
                int readErrors = 0) {
    QTest::newRow(name) << before << script << after << readErrors;
  };
  // Clicks and drags.
  row("click hex", "abcdef", "h2", "ab|cdef");
  row("click character", "abcdef", "c5", "abcde|f");
  row("click end position", "abc", "h3", "abc|");
  row("click below the data clears", "a|bc", "h20", "abc");
  row("click in the margin keeps the caret", "a|bc", "margin", "a|bc");
  row("shift-click after", "a|bcdef", "S-h4", "a[bcde]f");
  row("shift-click before", "abc|def", "S-c1", "a[bcd]ef");
  row("shift-click without caret sets only the end", "abcdef", "S-h2", "abcdef (-1,2)");
  row("shift-click on the end position", "a|bc", "S-h3", "abc|");
  row("drag forwards", "abcdefgh", "h1>h4", "a[bcde]fgh");
  row("drag backwards is put in order", "abcdefgh", "h5>c2", "ab[cdef]gh");
  row("while dragging backwards", "abcdefgh", "h5>h2>", "abcdefgh (5,2)");
  row("drag below the data is not limited", "abcd", "h1>h40", "abcd (1,40)");
  row("drag into the margin changes nothing", "abcd", "h1>h2 margin", "a[bc]d");
  // Arrows.
  row("left at 0", "|abc", "Left", "|abc");
  row("right to the end position", "ab|c", "Right", "abc|");
  row("right at the end position", "abc|", "Right", "abc|");
  row("up from 16", "0123456789ABCDEF|x", "Up", "|0123456789ABCDEFx");
  row("up from 15", "0123456789ABCDE|F", "Up", "0123456789ABCDE|F");
  row("down from 15 in 32 bytes", "0123456789ABCDE|Fghijklmnopqrstuv", "Down",
      "0123456789ABCDEFghijklmnopqrstu|v");
  row("down from 15 in 31 bytes", "0123456789ABCDE|Fghijklmnopqrstu", "Down",
      "0123456789ABCDE|Fghijklmnopqrstu");
  row("shift-right", "a|bcd", "S-Right", "a[bc]d");
  row("shift-left", "ab|cd", "S-Left", "a[bc]d");
  row("shift-down", "|0123456789ABCDEFxyz", "S-Down", "[0123456789ABCDEFx]yz");
  row("selection moves as a block", "a[bc]de", "Right", "ab[cd]e");
  row("arrow without caret", "abc", "Right Left", "abc");
  row("ctrl-left below the start", "abcde|fgh", "C-Left", "abcdefgh (5,4)");
  row("ctrl-left at 0 drops the caret", "|abc", "C-Left", "abc");
  row("ctrl-right", "a|bc", "C-Right", "abc (2,1)");
  row("ctrl-up", "0123456789ABCDEF[xy]z", "C-Up", "0123456789ABCDEFxyz (16,1)");
  row("ctrl-down", "a|bc", "C-Down", "abc (17,1)");
  // Typing.
  row("characters overtype", "a|bc", "c1 'xy'", "axy|");
  row("characters insert", "a|bc", "Ins c1 'xy'", "axy|bc");
  row("character at the end appends", "ab", "c2 'x'", "abx|");
  row("characters keep their case", "ab", "c0 'Zz'", "Zz|");
  row("hex column ignores non-digits", "ab", "h0 'gZ'", "|ab");
  row("typing into the hex column after a margin click", "a|bc", "h1 margin 'x'", "ax|c");
  row("typing needs a caret", "a[bc]d", "'x'", "a[bc]d");
  row("overtype, first digit sets the high half", "{12}{7F}", "h0 'A'", "|{A2}{7F}");
  row("overtype, second digit the low half", "{12}{7F}", "h0 'A5'", "{A5}|{7F}");
  row("insert, first digit inserts a byte", "{7F}", "Ins h0 '3'", "|{30}{7F}");
  row("insert, second digit completes it", "{7F}", "Ins h0 '3C'", "{3C}|{7F}");
  row("insert, two bytes", "{7F}", "Ins h0 '3CD2'", "{3C}{D2}|{7F}");
  row("hex at the end position appends", "ab", "h2 '41'", "abA|");
  row("lower-case hex digits", "{00}", "h0 'ab'", "{AB}|");
  row("second digit goes to the next byte after an arrow", "{00}{00}", "h0 '4' Right '1'",
      "{40}{01}|");
  row("a digit at the end position starts a new byte", "{00}", "h0 '4' Right '1'", "{40}|{10}");
  // Backspace and Delete.
  row("backspace at 0", "|abc", "BS", "|abc");
  row("backspace at the end position", "abcde|", "BS", "abcd|");
  row("backspace keeps the caret on its byte", "ab|cd", "BS", "a|cd");
  row("backspace removes a selection", "a[bc]d", "BS", "ad");
  row("delete removes the byte under the caret", "a|bcd", "Del", "a|cd");
  row("delete removes the last byte", "ab|c", "Del", "ab|");
  row("delete at the end position", "abc|", "Del", "abc|");
  row("delete removes a selection", "a[bc]d", "Del", "ad");
  row("delete a reversed selection", "abcde|fgh", "C-Left Del", "abcdgh");
  row("delete the only byte", "|a", "Del Del", "|");
  // Selections outside the data stop before changing anything.
  row("delete a selection below the data", "abcd", "h1>h40 Del", "abcd (1,40)", 1);
  row("delete a selection onto the end position", "a[bc]", "S-Right Del", "abc (1,3)", 1);
  row("backspace a selection onto the end position", "a[bc]", "S-Right BS", "abc (1,3)", 1);
  row("delete a selection above the data", "ab|c", "C-Up Del", "abc (2,-14)", 1);
  row("backspace after the end of the data", "abcd", "h1>h40 BS", "abcd (1,40)", 1);
}

void TestInspectorEditing::script() {
  QFETCH(QString, before);
  QFETCH(QString, script);
  QFETCH(QString, after);
  QFETCH(int, readErrors);
  ScopedScriptedPrompts prompts;
  InspectorDataClass data;
  SetFromMarkup(data, before.toStdString());
  const std::vector<uint8_t> original = data.Buffer.Bytes();

  RunScript(data, script.toStdString());
  QCOMPARE(QString::fromStdString(InspectorMarkup(data)), Normalised(after));
  QCOMPARE(prompts->Messages(),
           std::vector<std::string>(static_cast<size_t>(readErrors), "Stream read error"));

  // Whatever the script did, undoing every record gives back the original bytes.
  InspectorEditing editing(data);
  while (editing.Undo()) {
  }
  QCOMPARE(data.Buffer.Bytes(), original);
}

void TestInspectorEditing::undoRecordsOneStepPerChange() {
  InspectorDataClass data;
  SetFromMarkup(data, "{12}{34}");
  InspectorEditing editing(data);
  editing.MouseDown(HexHit{0, true}, false);
  editing.KeyPress('A', true);
  editing.KeyPress('5', true);
  QCOMPARE(data.UndoList.size(), size_t{2});

  // The first undo leaves the first digit's change; the second restores the byte.
  QVERIFY(editing.Undo());
  QCOMPARE(InspectorMarkup(data), "|{A2}4");
  QCOMPARE(data.Nibble, "Hi");
  QVERIFY(editing.Undo());
  QCOMPARE(InspectorMarkup(data), "|{12}4");
  // No redo and nothing more to undo.
  QVERIFY(!editing.Undo());
  QCOMPARE(InspectorMarkup(data), "|{12}4");
}

void TestInspectorEditing::changedFlag() {
  InspectorDataClass data;
  SetFromMarkup(data, "abcd");
  InspectorEditing editing(data);
  editing.MouseDown(HexHit{1, false}, false);
  editing.KeyDown(EditKey::Right, true, false);
  editing.KeyDown(EditKey::Delete, false, false);  // removes the selection
  QVERIFY(data.Changed);
  data.Changed = false;
  editing.MouseDown(HexHit{4, false}, false);
  editing.KeyDown(EditKey::Delete, false, false);  // at the end position: nothing
  editing.KeyDown(EditKey::Left, false, false);
  QVERIFY(!data.Changed);
  QVERIFY(editing.Undo());
  QVERIFY(data.Changed);
  data.Changed = false;
  QVERIFY(!editing.Undo());  // an empty list changes nothing
  QVERIFY(!data.Changed);
  data.SelStart = data.SelEnd = -16;  // a caret above the first row types nothing
  QVERIFY(!editing.KeyPress('A', false));
  QVERIFY(!data.Changed);
}

void TestInspectorEditing::undoOfEachKind_data() {
  QTest::addColumn<QString>("before");
  QTest::addColumn<QString>("script");
  QTest::addColumn<int>("kind");
  QTest::addColumn<QString>("afterUndo");
  QTest::newRow("removed by Delete") << "ab|cd"
                                     << "Del" << int(kUndoRemoved) << "ab|cd";
  QTest::newRow("removed by Backspace") << "ab|cd"
                                        << "BS" << int(kUndoRemoved) << "ab|cd";
  QTest::newRow("removed selection, reversed")
      << "abcde|fgh"
      << "C-Left Del" << int(kUndoRemoved) << "abcdefgh (5,4)";
  QTest::newRow("removed selection") << "a[bcd]e"
                                     << "Del" << int(kUndoRemoved) << "a[bcd]e";
  QTest::newRow("inserted") << "a|b"
                            << "Ins c1 'x'" << int(kUndoInserted) << "a|b";
  QTest::newRow("overwritten") << "a|b"
                               << "c1 'x'" << int(kUndoOverwritten) << "a|b";
}

void TestInspectorEditing::undoOfEachKind() {
  QFETCH(QString, before);
  QFETCH(QString, script);
  QFETCH(int, kind);
  QFETCH(QString, afterUndo);
  InspectorDataClass data;
  SetFromMarkup(data, before.toStdString());
  RunScript(data, script.toStdString());
  QCOMPARE(data.UndoList.size(), size_t{1});
  QCOMPARE(data.UndoList.back()->Kind, kind);
  RunScript(data, "Undo");
  QCOMPARE(QString::fromStdString(InspectorMarkup(data)), afterUndo);
  QVERIFY(data.UndoList.empty());
}

void TestInspectorEditing::paneAndNibbleFollowClicks() {
  InspectorDataClass data;
  data.Buffer = SMemoryStream(Bytes("abc"));
  InspectorEditing editing(data);
  QVERIFY(editing.MouseDown(HexHit{1, true}, false));
  QCOMPARE(data.CaretPane, "Hex");
  editing.KeyPress('4', true);
  QCOMPARE(data.Nibble, "Low");
  // A click anywhere, even beside the columns, starts a new byte in the character pane.
  QVERIFY(!editing.MouseDown(std::nullopt, false));
  QCOMPARE(data.CaretPane, "");
  QCOMPARE(data.Nibble, "Hi");
  // The character column takes printable characters only.
  QVERIFY(editing.MouseDown(HexHit{1, false}, false));
  QVERIFY(!editing.KeyPress('\x7f', true));
  QVERIFY(!editing.KeyPress('\n', true));
  QCOMPARE(InspectorMarkup(data), "a|Bc");
}

QTEST_GUILESS_MAIN(TestInspectorEditing)
#include "test_inspector_editing.moc"
