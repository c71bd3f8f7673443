// SPDX-License-Identifier: GPL-3.0-or-later
// The inspector's Screen tab driven by real mouse and key events: the tab after Text,
// the guessed mode marked and preselected (or MODE 1 and the note), a mode change and a
// palette change seen in the picture on the screen, an edit in the Hex tab of another
// window shown at once, the 4:3 frame, and Save as PNG through scripted file dialogs,
// read back with libpng.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <filesystem>

#include "decode/ScreenGuess.h"
#include "decode/ScreenModes.h"
#include "decode/ScreenOptions.h"
#include "inspector/FileInspector.h"
#include "inspector/InspectorListings.h"
#include "inspector/ListingView.h"
#include "inspector/PaletteEditor.h"
#include "inspector/SScrollBar.h"
#include "inspector/ScreenTab.h"
#include "platform/ScriptedPrompts.h"
#include "support/PngReadBack.h"
#include "support/ScreenBuilder.h"
#include "support_gui/InspectorTestSupport.h"

namespace {

const int kScreen = ScreenTab::kScreenTab;

// A MODE 0/1/2 screen of bytes &F0: yellow all over in MODE 1, blue in MODE 2 (logical
// colour 12 flashes blue and yellow and shows its first colour), stripes in MODE 0.
const std::vector<uint8_t> kYellowScreen(0x5000, 0xF0);

// An inspector on bytes loading at load, in an active MDI area.
struct OpenScreen {
  OpenScreen(std::vector<uint8_t> bytes, uint32_t load) : file(std::move(bytes)) {
    file.Data->OriginalLoadAddress = int32_t(load);
    window = desk.Open(*file.Data);
    desk.Area().activateWindow();
    if (!QTest::qWaitForWindowActive(&desk.Area())) {
      qWarning("the inspector's MDI area did not become active");
    }
  }
  // Clicks the Screen tab and returns the tab's widget.
  ScreenTab* ShowScreen(TFileInspectorFrm* inspector = nullptr) {
    inspector = inspector != nullptr ? inspector : window;
    QTest::mouseClick(inspector->Tab, Qt::LeftButton, Qt::NoModifier,
                      inspector->Tab->tabRect(kScreen).center());
    return inspector->Screen();
  }
  InspectedFile file;
  InspectorDesk desk;
  TFileInspectorFrm* window = nullptr;
};

// The colour shown on the screen at the centre of the picture.
QColor ShownCentre(ScreenTab* tab) {
  const QImage shown = tab->Picture()->grab().toImage();
  return shown.pixelColor(tab->PictureRect().center());
}

}  // namespace

class TestInspectorScreen : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }
  void tabAfterText();
  void guess_data();
  void guess();
  void modeChange();
  void paletteChange();
  void editInHexShown();
  void frameIsFourByThree();
  void saveAsPng();
  void saveFailures();
};

void TestInspectorScreen::tabAfterText() {
  OpenScreen open(kYellowScreen, 0x3000);
  QTabBar* tabs = open.window->Tab;
  QStringList captions;
  for (int tab = 0; tab < tabs->count(); ++tab) {
    captions << tabs->tabText(tab);
  }
  QCOMPARE(captions, QStringList({"Hex", "BASIC", "Assembler", "Text", "Screen"}));
  QVERIFY(!open.window->Screen()->isVisible());
  ScreenTab* screen = open.ShowScreen();
  QVERIFY(screen->isVisible());
  QVERIFY(open.window->VScrollBar->isHidden());
  QVERIFY(!open.window->Listings()->ViewOfTab(InspectorListings::kTextTab)->isVisible());
  // The tab covers the work area between the tab strip and the status bar.
  QCOMPARE(screen->geometry().top(), tabs->height());
  QCOMPARE(screen->geometry().bottom() + 1, open.window->StatusBar->y());
  QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(0).center());
  QVERIFY(!screen->isVisible());
  QVERIFY(!open.window->VScrollBar->isHidden());
}

void TestInspectorScreen::guess_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<uint>("load");
  QTest::addColumn<QString>("shown");      // the mode choice's text
  QTest::addColumn<QString>("guessMark");  // the item marked "guessed", or empty
  QTest::addColumn<int>("swatches");
  auto bytes = [](const std::vector<uint8_t>& memory) {
    return QByteArray(reinterpret_cast<const char*>(memory.data()), qsizetype(memory.size()));
  };
  QTest::newRow("MODE 2 scene") << bytes(ScenePicture(2)) << 0x3000u << "MODE 2 (guessed)"
                                << "MODE 2 (guessed)" << 16;
  QTest::newRow("MODE 5 scene, I/O address")
      << bytes(ScenePicture(5)) << 0xFFFF5800u << "MODE 5 (guessed)"
      << "MODE 5 (guessed)" << 4;
  QTest::newRow("teletext page") << QByteArray(1000, 'A') << 0x7C00u << "MODE 7 (guessed)"
                                 << "MODE 7 (guessed)" << 0;
  QTest::newRow("no layout: MODE 1, no mark") << bytes(ScenePicture(1)) << 0x1900u << "MODE 1"
                                              << "" << 4;
}

void TestInspectorScreen::guess() {
  QFETCH(QByteArray, bytes);
  QFETCH(uint, load);
  QFETCH(QString, guessMark);
  OpenScreen open({bytes.begin(), bytes.end()}, load);
  ScreenTab* screen = open.ShowScreen();
  QTEST(screen->ModeChoice()->currentText(), "shown");
  QStringList marked;
  for (int item = 0; item < screen->ModeChoice()->count(); ++item) {
    if (screen->ModeChoice()->itemText(item).endsWith("(guessed)")) {
      marked << screen->ModeChoice()->itemText(item);
    }
  }
  QCOMPARE(marked, guessMark.isEmpty() ? QStringList() : QStringList{guessMark});
  QTEST(screen->Palette()->Colours(), "swatches");
  QCOMPARE(screen->Note()->isVisible(), guessMark.isEmpty());
  if (guessMark.isEmpty()) {
    QCOMPARE(screen->Note()->text(), QString(kNoScreenLayoutNote));
    // Once the user picks a mode, the note no longer applies.
    QTest::keyClick(screen->ModeChoice(), Qt::Key_Down);
    QCOMPARE(screen->Mode(), 2);
    QVERIFY(!screen->Note()->isVisible());
  }
}

void TestInspectorScreen::modeChange() {
  OpenScreen open(kYellowScreen, 0x3000);
  ScreenTab* screen = open.ShowScreen();
  QCOMPARE(screen->ModeChoice()->currentText(), QString("MODE 1 (guessed)"));
  QCOMPARE(ShownCentre(screen), QColor(Qt::yellow));
  screen->ModeChoice()->setFocus();
  QTest::keyClick(screen->ModeChoice(), Qt::Key_Down);
  QCOMPARE(screen->Mode(), 2);
  QCOMPARE(screen->ModeChoice()->currentText(), QString("MODE 2"));
  QCOMPARE(ShownCentre(screen), QColor(Qt::blue));
  QCOMPARE(screen->Palette()->Colours(), 16);
  QVERIFY(screen->Raster() == RenderScreen(kYellowScreen, 2));
  QTest::keyClick(screen->ModeChoice(), Qt::Key_Up);
  QTest::keyClick(screen->ModeChoice(), Qt::Key_Up);
  QCOMPARE(screen->ModeChoice()->currentText(), QString("MODE 0"));
  QCOMPARE(screen->Raster().width, 640);
  QVERIFY(screen->Raster() == RenderScreen(kYellowScreen, 0));
}

void TestInspectorScreen::paletteChange() {
  OpenScreen open(kYellowScreen, 0x3000);
  ScreenTab* screen = open.ShowScreen();
  QToolButton* yellow = screen->Palette()->Swatch(2);
  QTest::mouseClick(yellow, Qt::LeftButton);  // yellow -> blue
  QCOMPARE(screen->Palette()->Palette()[2], uint8_t(kBlue));
  QCOMPARE(ShownCentre(screen), QColor(Qt::blue));
  QTest::mouseClick(yellow, Qt::RightButton);
  QTest::mouseClick(yellow, Qt::RightButton);  // -> green
  QCOMPARE(ShownCentre(screen), QColor(Qt::green));
  QVERIFY(yellow->toolTip().startsWith("Logical colour 2: green."));
  // A new mode starts from its own colours.
  QTest::keyClick(screen->ModeChoice(), Qt::Key_Down);
  QCOMPARE(screen->Palette()->Palette(), DefaultPalette(2));
  QTest::keyClick(screen->ModeChoice(), Qt::Key_Up);
  QCOMPARE(ShownCentre(screen), QColor(Qt::yellow));
}

// Window 1 shows the picture; eight zero bytes typed in window 2's Hex tab blacken the
// first character cell there at once.
void TestInspectorScreen::editInHexShown() {
  OpenScreen open(kYellowScreen, 0x3000);
  ScreenTab* screen = open.ShowScreen();
  TFileInspectorFrm* second = open.desk.Open(*open.file.Data, 2);
  QTest::mouseClick(second->View(), Qt::LeftButton, Qt::NoModifier, HexCellCentre(*second, 0));
  QTest::keyClicks(second->View(), "0000000000000000");
  QCOMPARE(open.file.Data->Buffer.Bytes()[7], uint8_t(0));
  QCOMPARE(open.file.Data->Buffer.Bytes()[8], uint8_t(0xF0));
  QApplication::processEvents();
  const QImage shown = screen->Picture()->grab().toImage();
  const QRect frame = screen->PictureRect();
  // The cell is 4 pixels of 320 across and 8 rows of 256 down.
  const QPoint cellCentre(frame.left() + 2 * frame.width() / 320,
                          frame.top() + 4 * frame.height() / 256);
  QCOMPARE(shown.pixelColor(cellCentre), QColor(Qt::black));
  QCOMPARE(shown.pixelColor(cellCentre + QPoint(0, 8 * frame.height() / 256)), QColor(Qt::yellow));
  QCOMPARE(screen->Raster().Pixel(3, 7), 0x000000u);
  QCOMPARE(screen->Raster().Pixel(4, 7), 0xFFFF00u);
}

// At each window height the picture fills a 4:3 frame inside the tab, white around it,
// with whole lines per pixel row once 256 lines fit.
void TestInspectorScreen::frameIsFourByThree() {
  OpenScreen open(kYellowScreen, 0x3000);
  ScreenTab* screen = open.ShowScreen();
  for (int height : {300, 420, 700}) {
    open.window->resize(open.window->width(), height);
    QApplication::processEvents();
    const QRect frame = screen->PictureRect();
    QVERIFY(frame.height() > 0);
    QVERIFY(screen->Picture()->rect().contains(frame));
    QVERIFY(qAbs(frame.width() * 3 - frame.height() * 4) < 4);
    QCOMPARE(frame.height() % 256 == 0,
             screen->Picture()->height() >= 256 && screen->Picture()->width() * 3 / 4 >= 256);
    const QImage shown = screen->Picture()->grab().toImage();
    QCOMPARE(shown.pixelColor(frame.topLeft()), QColor(Qt::yellow));
    QCOMPARE(shown.pixelColor(frame.bottomRight()), QColor(Qt::yellow));
    if (frame.left() > 0 && frame.top() > 0) {
      QCOMPARE(shown.pixelColor(frame.topLeft() - QPoint(1, 1)), QColor(Qt::white));
    }
  }
}

void TestInspectorScreen::saveAsPng() {
  OpenScreen open(kYellowScreen, 0x3000);
  ScreenTab* screen = open.ShowScreen();
  QTest::mouseClick(screen->Palette()->Swatch(0), Qt::LeftButton);  // black -> red
  ScopedScriptedPrompts prompts;
  const std::string path = dir_.filePath("saved.png").toStdString();
  prompts->QueueFileName(path);
  QTest::mouseClick(screen->SaveButton(), Qt::LeftButton);
  QCOMPARE(screen->SaveButton()->text(), QString("Save as PNG…"));
  QCOMPARE(prompts->Events().size(), size_t(1));
  QCOMPARE(prompts->Events()[0].kind, ScriptedPrompts::Kind::SaveFile);
  QCOMPARE(prompts->Events()[0].text, std::string("PNG picture|*.png"));
  const PngReadBack written = ReadPngFile(path);
  QVERIFY2(written.ok, written.error.c_str());
  ScreenPalette palette = DefaultPalette(1);
  palette[0] = kRed;
  QVERIFY(written.raster == RenderScreen(kYellowScreen, 1, palette));
  QCOMPARE(written.raster.width, 320);
  QCOMPARE(written.raster.height, 256);
}

void TestInspectorScreen::saveFailures() {
  OpenScreen open(kYellowScreen, 0x3000);
  ScreenTab* screen = open.ShowScreen();
  ScopedScriptedPrompts prompts;
  // Cancelled: nothing written, nothing said.
  QTest::mouseClick(screen->SaveButton(), Qt::LeftButton);
  QCOMPARE(prompts->Messages(), std::vector<std::string>());
  // A folder that does not exist: the reason, and no file.
  const std::string missing = dir_.filePath("nowhere/picture.png").toStdString();
  prompts->QueueFileName(missing);
  QTest::mouseClick(screen->SaveButton(), Qt::LeftButton);
  QCOMPARE(prompts->Messages(), std::vector<std::string>{"Could not write \"" + missing +
                                                         "\": No such file or directory."});
  QVERIFY(!std::filesystem::exists(missing));
  // An empty file holds no picture to save.
  OpenScreen empty({}, 0x3000);
  QVERIFY(!empty.ShowScreen()->SaveButton()->isEnabled());
}

QTEST_MAIN(TestInspectorScreen)
#include "test_inspector_screen.moc"
