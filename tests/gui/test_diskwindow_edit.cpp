// SPDX-License-Identifier: GPL-3.0-or-later
// In-place editing of catalogue entries in a disk window: when the cell editor opens,
// what each column takes, and how Enter, Esc, Up, Down and presses end an edit.
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "app/KestrowMain.h"
#include "diskwindow/DFSDisk.h"
#include "platform/ScriptedPrompts.h"
#include "support/ImageBuilder.h"
#include "support_gui/DiskWindowTestSupport.h"
#include "support_gui/MainFrameFixture.h"
#include "support_gui/MainFrameHelpers.h"

namespace {

const QString kInspectorOpen =
    "This file is in open in at least one File Inspector window, you must close the relevent "
    "windows before you can make these changes";

// $.PROG (load E00, exec 8023), B.DATA and $.LAST, one sector each, in catalogue order
// (the highest start sector first).
ImageBuilder EditImage() {
  return ImageBuilder(800)
      .AddEntry({'$', "PROG", 0xE00, 0x8023, 0x100, 4, false})
      .AddEntry({'B', "DATA", 0, 0, 0x100, 3, false})
      .AddEntry({'$', "LAST", 0, 0, 0x100, 2, false});
}

// Selects the row with one click and clicks the cell again, which opens its editor.
void ClickCellTwice(TDFSDiskFrm* window, int column, int row,
                    Qt::KeyboardModifiers secondModifiers = Qt::NoModifier,
                    Qt::MouseButton secondButton = Qt::LeftButton) {
  ClickGridRow(window, row);
  QTest::mouseClick(window->DFSFiles->viewport(), secondButton, secondModifiers,
                    window->FileRowRect(row, column).center());
}

// Types a script into the open editor: plain characters as typed, and {bs}, {enter},
// {esc}, {up}, {down}, {tab}, {end} and {clickN} (a press on grid row N) as those keys and clicks.
void RunKeys(TDFSDiskFrm* window, const QString& script) {
  const std::pair<const char*, Qt::Key> keys[] = {
      {"bs", Qt::Key_Backspace}, {"enter", Qt::Key_Return}, {"esc", Qt::Key_Escape},
      {"up", Qt::Key_Up},        {"down", Qt::Key_Down},    {"tab", Qt::Key_Tab},
      {"end", Qt::Key_End}};
  for (int at = 0; at < script.size(); ++at) {
    QWidget* target = window->CellEditor() != nullptr ? static_cast<QWidget*>(window->CellEditor())
                                                      : window->DFSFiles;
    if (script[at] != '{') {
      QTest::keyClick(target, script[at].toLatin1());
      continue;
    }
    const int end = script.indexOf('}', at);
    const QString token = script.mid(at + 1, end - at - 1);
    at = end;
    if (token.startsWith("click")) {
      ClickGridRow(window, token.mid(5).toInt());
      continue;
    }
    for (const auto& [name, key] : keys) {
      if (token == name) {
        QTest::keyClick(target, key);
      }
    }
  }
}

}  // namespace

class DiskWindowEditTest : public MainFrameFixture {
  Q_OBJECT

  void FrameShown() override {
    path_ = EditImage().WriteToTemp(dir_, "edit.ssd");
    window_ = OpenDisk(path_);
  }

 private slots:
  // Each edit starts with a second click on a cell of PROG (row 1), whose editor opens
  // with the cell's text selected.
  void edits_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("prog");  // PROG's catalogue line afterwards
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QStringList>("messages");
    const QString unchanged = "$.PROG 000E00 008023 000100";
    const QStringList none;
    QTest::newRow("load") << 3 << "{bs}1900{enter}"
                          << "$.PROG 001900 008023 000100"
                          << "000" << none;
    QTest::newRow("lower-case exec") << 4 << "{bs}ff{enter}"
                                     << "$.PROG 000E00 0000FF 000100"
                                     << "000" << none;
    QTest::newRow("hex digits only, six at most") << 3 << "{bs}0g-0 1xA4567{enter}"
                                                  << "$.PROG 001A45 008023 000100"
                                                  << "000" << none;
    QTest::newRow("a full cell takes nothing") << 3 << "7{enter}" << unchanged << "000" << none;
    QTest::newRow("empty address")
        << 3 << "{bs}{enter}" << unchanged << "000" << QStringList{"There must be a value"};
    QTest::newRow("name rules") << 1 << "{bs}:..AB.C#*| D{enter}"
                                << "$.AB.CD 000E00 008023 000100"
                                << "000" << none;
    QTest::newRow("no dot second") << 1 << "{bs}X.Y{enter}"
                                   << "$.XY 000E00 008023 000100"
                                   << "000" << none;
    QTest::newRow("name starts trimmed") << 1 << "{end}S{enter}"
                                         << "$.PROGS 000E00 008023 000100"
                                         << "000" << none;
    QTest::newRow("empty name") << 1 << "{bs}{enter}" << unchanged << "000"
                                << QStringList{"An empty filename is not permitted"};
    QTest::newRow("directory: one character, no dot or colon") << 0 << "{bs}.:#*|QR{enter}"
                                                               << "Q.PROG 000E00 008023 000100"
                                                               << "000" << none;
    QTest::newRow("empty directory is a space") << 0 << "{bs}{enter}"
                                                << " .PROG 000E00 008023 000100"
                                                << "000" << none;
    QTest::newRow("esc cancels") << 1 << "{bs}NEW{esc}" << unchanged << "100" << none;
    QTest::newRow("esc with no edit open") << 1 << "{esc}{esc}" << unchanged << "100" << none;
    QTest::newRow("tab keeps the edit") << 3 << "{bs}12{tab}3{enter}"
                                        << "$.PROG 000123 008023 000100"
                                        << "000" << none;
    QTest::newRow("down commits and moves") << 3 << "{bs}2000{down}"
                                            << "$.PROG 002000 008023 000100"
                                            << "010" << none;
    QTest::newRow("up commits, stays on the first row") << 4 << "{bs}1{up}"
                                                        << "$.PROG 000E00 000001 000100"
                                                        << "100" << none;
    QTest::newRow("a press elsewhere commits") << 1 << "{bs}GO{click3}"
                                               << "$.GO 000E00 008023 000100"
                                               << "001" << none;
  }
  void edits() {
    QFETCH(int, column);
    QFETCH(QString, keys);
    QFETCH(QString, prog);
    QFETCH(QString, selected);
    QFETCH(QStringList, messages);
    ClickCellTwice(window_, column, 1);
    QVERIFY(window_->Editing);
    QVERIFY(window_->CellEditor() != nullptr);
    RunKeys(window_, keys);
    QCOMPARE(CatalogueLines(path_).first(), prog);
    QCOMPARE(QString::fromStdString(SelectionMarkup(window_)), selected);
    QVERIFY(!window_->Editing);
    QVERIFY(window_->CellEditor() == nullptr);
    QCOMPARE(PromptTexts(Prompts()), messages);
    QCOMPARE(Prompts().BeepCount(), messages.size());
    // The grid shows the image as it now is.
    QCOMPARE(window_->Cells(3, 1) + " " + window_->Cells(4, 1), prog.section(' ', -3, -2));
  }

  void whenAnEditorOpens_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("opens");
    QTest::newRow("plain second click") << 4 << int(Qt::NoModifier) << int(Qt::LeftButton) << true;
    QTest::newRow("ctrl") << 1 << int(Qt::ControlModifier) << int(Qt::LeftButton) << false;
    QTest::newRow("shift") << 1 << int(Qt::ShiftModifier) << int(Qt::LeftButton) << false;
    QTest::newRow("right button") << 1 << int(Qt::NoModifier) << int(Qt::RightButton) << false;
    for (int column : {2, 5, 6}) {
      QTest::addRow("column %d", column)
          << column << int(Qt::NoModifier) << int(Qt::LeftButton) << false;
    }
  }
  void whenAnEditorOpens() {
    QFETCH(int, column);
    QFETCH(int, modifiers);
    QFETCH(int, button);
    QFETCH(bool, opens);
    ClickCellTwice(window_, column, 2, Qt::KeyboardModifiers(modifiers), Qt::MouseButton(button));
    QCOMPARE(window_->Editing, opens);
    QCOMPARE(window_->CellEditor() != nullptr, opens);
    // A first click on an unselected row never opens one.
    ClickGridRow(window_, 3);
    QVERIFY(!window_->Editing);
  }

  void fileOpenInAnInspectorIsNotEdited() {
    auto data = std::make_unique<InspectorDataClass>();
    data->ImagePath = path_;
    data->Directory = 'B';
    data->Name = "DATA   ";
    Frame().Registry().AddCommonData(std::move(data));
    ClickCellTwice(window_, 1, 2);
    QVERIFY(!window_->Editing);
    QCOMPARE(PromptTexts(Prompts()), QStringList{kInspectorOpen});
  }

  // While an edit is open, Del belongs to the editor and the file commands are off.
  void editingTakesDelAndFileCommands() {
    ClickCellTwice(window_, 1, 1);
    QVERIFY(Frame().DeleteMnuItem->shortcut().isEmpty());
    QVERIFY(!Frame().DeleteToolBut->isEnabled());
    QVERIFY(!Frame().LockMnuItem->isEnabled());
    QTest::keyClick(window_->CellEditor(), Qt::Key_Delete);
    QCOMPARE(CatalogueLines(path_).size(), 3);
    RunKeys(window_, "{esc}");
    QCOMPARE(Frame().DeleteMnuItem->shortcut(), QKeySequence(Qt::Key_Delete));
    QVERIFY(Frame().DeleteToolBut->isEnabled());
  }

  // A refill from elsewhere (here a second window deleting a file) and closing the
  // window both end an open edit unsaved and give Del back.
  void editEndsUnsavedWhenTheRowsGo_data() {
    QTest::addColumn<bool>("close");
    QTest::newRow("refill") << false;
    QTest::newRow("close") << true;
  }
  void editEndsUnsavedWhenTheRowsGo() {
    QFETCH(bool, close);
    ClickCellTwice(window_, 1, 1);
    RunKeys(window_, "{bs}NEW");
    if (close) {
      CloseChild(window_);
    } else {
      TDFSDiskFrm* other = Frame().NewDFSFiler(path_);
      SelectRows(other, "001");
      Prompts().QueueYesNo(true);
      Frame().DeleteDFSFile();
      QVERIFY(!window_->Editing);
      QCOMPARE(ListedNames(window_), QStringList({"PROG", "DATA"}));
    }
    QCOMPARE(Frame().DeleteMnuItem->shortcut(), QKeySequence(Qt::Key_Delete));
    QCOMPARE(CatalogueLines(path_).first(), QString("$.PROG 000E00 008023 000100"));
  }

 private:
  std::string path_;
  TDFSDiskFrm* window_ = nullptr;
};

KESTROW_GUI_TEST_MAIN(DiskWindowEditTest)
#include "test_diskwindow_edit.moc"
