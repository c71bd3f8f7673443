// SPDX-License-Identifier: GPL-3.0-or-later
// The Disk properties dialog, opened by the Properties command on a disk window and
// driven by real mouse and key events.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

#include "app/KestrowMain.h"
#include "dialogs/DiskProp.h"
#include "diskwindow/DFSDisk.h"
#include "platform/ScriptedPrompts.h"
#include "support/ImageBuilder.h"
#include "support/RawDisk.h"
#include "support_gui/DialogScript.h"
#include "support_gui/MainFrameFixture.h"
#include "support_gui/MainFrameHelpers.h"

namespace {

constexpr size_t kOptionByte = 0x106;

// A disk titled GAMES with one file and byte 0x106 as given (boot option in bits 4-5).
std::string GamesImage(const QTemporaryDir& dir, uint8_t optionByte) {
  ImageEntry entry;
  entry.name = "ELITE";
  return ImageBuilder(800)
      .Title("GAMES")
      .AddEntry(entry)
      .Byte(kOptionByte, optionByte)
      .WriteToTemp(dir, "props.ssd");
}

template <typename Control>
Control* Find(TDiskPropFrm* dialog, const char* name) {
  auto* control = dialog->findChild<Control*>(name);
  if (control == nullptr) {
    qFatal("no control %s", name);
  }
  return control;
}

void ClickButton(TDiskPropFrm* dialog, const char* name) {
  QTest::mouseClick(Find<QPushButton>(dialog, name), Qt::LeftButton);
}

// Replaces the title box's text by typing.
void TypeTitle(TDiskPropFrm* dialog, const QString& text) {
  QLineEdit* title = Find<QLineEdit>(dialog, "Title");
  QTest::keyClick(title, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(title, Qt::Key_Backspace);
  QTest::keyClicks(title, text);
}

}  // namespace

class DiskPropTest : public MainFrameFixture {
  Q_OBJECT

 private slots:
  void showsModallyWithTheStoredValues_data() {
    QTest::addColumn<bool>("fromMenu");
    QTest::newRow("toolbar button") << false;
    QTest::newRow("menu item") << true;
  }
  void showsModallyWithTheStoredValues() {
    QFETCH(bool, fromMenu);
    Frame().NewDFSFiler(GamesImage(dir_, 0x03 | 0x30));
    TDFSDiskFrm* window = Frame().NewDFSFiler(ImageBuilder(800).WriteToTemp(dir_, "other.ssd"));
    QStringList seen;
    RunDialog(
        [&](TDiskPropFrm* dialog) {
          seen << (dialog->DiskWindow == window ? "active window" : "other window")
               << Find<QLineEdit>(dialog, "Title")->text()
               << Find<QComboBox>(dialog, "BootOpt")->currentText();
          ClickButton(dialog, "Button1");
        },
        fromMenu);
    QCOMPARE(seen, QStringList({"active window", "", "Option 0 (Off)"}));

    Frame().MdiArea->setActiveSubWindow(Frame().Registry().ChildOrder()[1]);
    RunDialog([&](TDiskPropFrm* dialog) {
      seen = QStringList{Find<QLineEdit>(dialog, "Title")->text(),
                         Find<QComboBox>(dialog, "BootOpt")->currentText()};
      ClickButton(dialog, "Button1");
    });
    QCOMPARE(seen, QStringList({"GAMES", "Option 3 (Exec)"}));
  }

  void controlsCarryTheirTexts() {
    TDiskPropFrm* dialog = Frame().DiskPropFrm;
    QCOMPARE(dialog->windowTitle(), QString("DiskPropFrm"));
    QCOMPARE(Find<QLabel>(dialog, "Label1")->text(), QString("Title"));
    QCOMPARE(Find<QLabel>(dialog, "Label2")->text(), QString("Boot Option"));
    QCOMPARE(Find<QPushButton>(dialog, "Button1")->text(), QString("Cancel"));
    QCOMPARE(Find<QPushButton>(dialog, "Button2")->text(), QString("OK"));
    QComboBox* bootOpt = Find<QComboBox>(dialog, "BootOpt");
    QStringList items;
    for (int index = 0; index < bootOpt->count(); ++index) {
      items << bootOpt->itemText(index);
    }
    QCOMPARE(items, QStringList({"Option 0 (Off)", "Option 1 (Load)", "Oprion 2 (Run)",
                                 "Option 3 (Exec)"}));
    QCOMPARE(bootOpt->currentText(), QString("BootOpt"));
  }

  void okWritesTheTitleAndTheBootOption() {
    const std::string path = GamesImage(dir_, 0xC3);
    TDFSDiskFrm* window = Frame().NewDFSFiler(path);
    QString chosen;
    RunDialog([&](TDiskPropFrm* dialog) {
      TypeTitle(dialog, "NEWNAME");
      QComboBox* bootOpt = Find<QComboBox>(dialog, "BootOpt");
      QTest::keyClick(bootOpt, Qt::Key_Down);
      QTest::keyClick(bootOpt, Qt::Key_Down);
      chosen = bootOpt->currentText();
      ClickButton(dialog, "Button2");
    });
    QCOMPARE(chosen, QString("Oprion 2 (Run)"));
    const std::vector<uint8_t> image = ReadHostFile(path);
    QCOMPARE(image[kOptionByte], uint8_t(0xE3));
    QCOMPARE(DecodeRawDisk(image, false, 0).title, std::string("NEWNAME"));
    QCOMPARE(window->DiskData()->DiskTitle, std::string("NEWNAME"));
    QCOMPARE(window->windowTitle(), QString("NEWNAME"));
    QCOMPARE(window->StatusPanels[1]->text(), QString("Boot Opt 2 (Run)"));
    // Window-menu entries keep the title they were made with.
    QCOMPARE(WindowMenuOutline(Frame()), QStringList({"GAMES  "}));
    QVERIFY(Prompts().Texts().empty());
  }

  void cancelWritesNothing() {
    const std::string path = GamesImage(dir_, 0x13);
    TDFSDiskFrm* window = Frame().NewDFSFiler(path);
    const std::vector<uint8_t> before = ReadHostFile(path);
    RunDialog([&](TDiskPropFrm* dialog) {
      TypeTitle(dialog, "CHANGED");
      QTest::keyClick(Find<QComboBox>(dialog, "BootOpt"), Qt::Key_Down);
      ClickButton(dialog, "Button1");
    });
    QCOMPARE(ReadHostFile(path), before);
    QCOMPARE(window->DiskData()->DiskTitle, std::string("GAMES"));
    QCOMPARE(window->windowTitle(), "GAMES " + QString::fromStdString(path));
    QCOMPARE(window->StatusPanels[1]->text(), QString("Boot Opt 1 (Load)"));
  }

  void anEmptyTitleLeavesAnUntitledDisk() {
    const std::string path = GamesImage(dir_, 0x03);
    TDFSDiskFrm* window = Frame().NewDFSFiler(path);
    RunDialog([&](TDiskPropFrm* dialog) {
      TypeTitle(dialog, "");
      ClickButton(dialog, "Button2");
    });
    const std::vector<uint8_t> image = ReadHostFile(path);
    QCOMPARE(image[0], uint8_t(0));
    QCOMPARE(image[1], uint8_t('A'));
    QCOMPARE(window->DiskData()->DiskTitle, std::string());
    QCOMPARE(window->windowTitle(), QString());
    // The delete question then speaks of a disk with no title.
    ClickGridRow(window, 1);
    ClickToolButton(Frame(), Frame().DeleteToolBut);
    QCOMPARE(Prompts().Texts(),
             std::vector<std::string>(
                 {"Are you sure you want to delete the file ELITE from DFS disk with no title."}));
  }

  void typingPastTwelveIsRefused() {
    Frame().NewDFSFiler(GamesImage(dir_, 0x03));
    QStringList texts;
    RunDialog([&](TDiskPropFrm* dialog) {
      QLineEdit* title = Find<QLineEdit>(dialog, "Title");
      TypeTitle(dialog, "ABCDEFGHIJKLMN");
      texts << title->text();
      QTest::keyClick(title, Qt::Key_Backspace);
      texts << title->text();
      QTest::keyClicks(title, "YZ");
      texts << title->text();
      ClickButton(dialog, "Button1");
    });
    QCOMPARE(texts, QStringList({"ABCDEFGHIJKL", "ABCDEFGHIJK", "ABCDEFGHIJKY"}));
    QCOMPARE(Prompts().BeepCount(), 0);
    QVERIFY(Prompts().Texts().empty());
  }

  void aPasteIsCutToTwelveWithAWarning() {
    const std::string path = GamesImage(dir_, 0x03);
    Frame().NewDFSFiler(path);
    QApplication::clipboard()->setText("ABCDEFGHIJKLMNO");
    QString pasted;
    RunDialog([&](TDiskPropFrm* dialog) {
      QLineEdit* title = Find<QLineEdit>(dialog, "Title");
      QTest::keyClick(title, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClick(title, Qt::Key_V, Qt::ControlModifier);
      pasted = title->text();
      ClickButton(dialog, "Button2");
    });
    QCOMPARE(pasted, QString("ABCDEFGHIJKL"));
    const std::vector<ScriptedPrompts::Event>& events = Prompts().Events();
    QCOMPARE(events.size(), size_t(2));
    QCOMPARE(events[0].kind, ScriptedPrompts::Kind::Beep);
    QCOMPARE(
        events[1].text,
        std::string("The maximum length for the a title is 12, your entry has been truncated"));
    QCOMPARE(DecodeRawDisk(ReadHostFile(path), false, 0).title, std::string("ABCDEFGHIJKL"));
  }

  void typedBootOptionText_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("optionByte");
    QTest::addColumn<QString>("panel");
    QTest::newRow("no item keeps the disk's option") << "Whatever" << 0xF3 << "Boot Opt 3 (Exec)";
    QTest::newRow("an item's exact text chooses it")
        << "Option 1 (Load)" << 0xD3 << "Boot Opt 1 (Load)";
  }
  void typedBootOptionText() {
    QFETCH(QString, typed);
    QFETCH(int, optionByte);
    QFETCH(QString, panel);
    const std::string path = GamesImage(dir_, 0xF3);
    TDFSDiskFrm* window = Frame().NewDFSFiler(path);
    RunDialog([&](TDiskPropFrm* dialog) {
      QLineEdit* bootText = Find<QComboBox>(dialog, "BootOpt")->lineEdit();
      QTest::keyClick(bootText, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClicks(bootText, typed);
      ClickButton(dialog, "Button2");
    });
    QCOMPARE(int(ReadHostFile(path)[kOptionByte]), optionByte);
    QCOMPARE(window->StatusPanels[1]->text(), panel);
    QVERIFY(Prompts().Texts().empty());
  }

  void aWriteErrorIsShownAndTheDialogCloses() {
    const std::string path = GamesImage(dir_, 0x03);
    TDFSDiskFrm* window = Frame().NewDFSFiler(path);
    const std::vector<uint8_t> before = ReadHostFile(path);
    MakeImageWritesFail(window);
    bool closed = false;
    RunDialog([&](TDiskPropFrm* dialog) {
      TypeTitle(dialog, "NEW");
      ClickButton(dialog, "Button2");
      closed = !dialog->isVisible();
    });
    QVERIFY(closed);
    QCOMPARE(Prompts().Messages().size(), size_t(1));
    QVERIFY(QString::fromStdString(Prompts().Messages()[0]).startsWith("Cannot write file"));
    QCOMPARE(ReadHostFile(path), before);
    QCOMPARE(window->DiskData()->DiskTitle, std::string("GAMES"));
  }

 private:
  // Opens the dialog with the Properties command and runs script on it once its event
  // loop runs; a script that leaves it open has it cancelled.
  void RunDialog(const std::function<void(TDiskPropFrm*)>& script, bool fromMenu = false) {
    const WhenShown<TDiskPropFrm> answer(script);
    if (fromMenu) {
      ClickMenuItem(Frame(), Frame().DiskMnu, Frame().DiskPropMnu);
    } else {
      ClickToolButton(Frame(), Frame().DiskPropBut);
    }
    QVERIFY2(answer.Runs() == 1, "the dialog was not shown");
  }
};

KESTROW_GUI_TEST_MAIN(DiskPropTest)

#include "test_diskprop.moc"
