// SPDX-License-Identifier: GPL-3.0-or-later
// The screen mode guessed from a file's load address and length, and between modes of
// one layout from the picture itself: on pictures made in each mode, and on every file
// of the sample images.
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>

#include "decode/ScreenGuess.h"
#include "decode/ScreenModes.h"
#include "disk/DFSUseful.h"
#include "support/ImageBuilder.h"
#include "support/ScreenBuilder.h"

namespace {

// Where each mode's screen starts, and its size, as a *SAVE of the screen records them.
struct SavedScreen {
  uint32_t load;
  uint32_t length;
};
SavedScreen SavedScreenOf(int mode) {
  switch (mode) {
    case 0:
    case 1:
    case 2:
      return {0x3000, 0x5000};
    case 3:
      return {0x4000, 0x4000};
    case 4:
    case 5:
      return {0x5800, 0x2800};
    case 6:
      return {0x6000, 0x2000};
    default:
      return {0x7C00, 0x400};
  }
}

std::vector<uint8_t> TeletextPicture() {
  QByteArray page;
  for (int row = 0; row < 25; ++row) {
    page += QByteArray(
                "\x91\x9d\x93\x7f\x7f\x23\x8d"
                "Title")
                .leftJustified(40, ' ');
  }
  page += QByteArray(24, 0);
  return {page.begin(), page.end()};
}

std::vector<uint8_t> Picture(const QString& kind, int mode) {
  if (mode == kTeletextMode) {
    return TeletextPicture();
  }
  if (kind == "scene") {
    return ScenePicture(mode);
  }
  if (kind == "dither") {
    return DitherPicture(mode);
  }
  if (kind == "text") {
    return TextPicture(mode);
  }
  if (kind.startsWith("lines")) {
    return LinesPicture(mode, kind.mid(QString("lines").size()).toUInt());
  }
  return BlocksPicture(mode, kind.mid(QString("blocks").size()).toUInt());
}

}  // namespace

class TestScreenGuess : public QObject {
  Q_OBJECT

 private slots:
  void layouts_data();
  void layouts();
  void fileMatchingNoLayoutIsShownInMode1();
  void picturesMadeInEachMode_data();
  void picturesMadeInEachMode();
  void sampleFiles();
};

void TestScreenGuess::layouts_data() {
  QTest::addColumn<uint>("load");
  QTest::addColumn<int>("length");
  QTest::addColumn<QList<int>>("modes");
  // clang-format off
  QTest::newRow("&3000 +&5000")            << 0x3000u << 0x5000 << QList<int>{0, 1, 2};
  QTest::newRow("I/O processor &FF3000")   << 0xFF3000u << 0x5000 << QList<int>{0, 1, 2};
  QTest::newRow("32-bit &FFFF3000")        << 0xFFFF3000u << 0x5000 << QList<int>{0, 1, 2};
  QTest::newRow("second processor &13000") << 0x013000u << 0x5000 << QList<int>{};
  QTest::newRow("&3000 one byte short")    << 0x3000u << 0x4FFF << QList<int>{};
  QTest::newRow("&3000 one byte long")     << 0x3000u << 0x5001 << QList<int>{};
  QTest::newRow("&3000 with a MODE 4 size") << 0x3000u << 0x2800 << QList<int>{};
  QTest::newRow("&4000 +&4000")            << 0x4000u << 0x4000 << QList<int>{3};
  QTest::newRow("&5800 +&2800")            << 0x5800u << 0x2800 << QList<int>{4, 5};
  QTest::newRow("&6000 +&2000")            << 0x6000u << 0x2000 << QList<int>{6};
  QTest::newRow("&6000 +&2800")            << 0x6000u << 0x2800 << QList<int>{};
  QTest::newRow("&7C00 +&400")             << 0x7C00u << 0x400 << QList<int>{7};
  QTest::newRow("&7C00 +&3E8")             << 0x7C00u << 0x3E8 << QList<int>{7};
  QTest::newRow("&7C00 one byte")          << 0x7C00u << 1 << QList<int>{7};
  QTest::newRow("&7C00 empty")             << 0x7C00u << 0 << QList<int>{};
  QTest::newRow("&7C00 +&401")             << 0x7C00u << 0x401 << QList<int>{};
  QTest::newRow("BASIC at &1900")          << 0x1900u << 0x5000 << QList<int>{};
  // clang-format on
}

void TestScreenGuess::layouts() {
  QFETCH(uint, load);
  QFETCH(int, length);
  QFETCH(QList<int>, modes);
  std::vector<int> layoutModes = ScreenLayoutModes(load, size_t(length));
  QCOMPARE(QList<int>(layoutModes.begin(), layoutModes.end()), modes);
}

void TestScreenGuess::fileMatchingNoLayoutIsShownInMode1() {
  std::vector<uint8_t> data = ScenePicture(2);
  data.pop_back();
  ScreenGuess guess = GuessScreenMode(0x3000, data);
  QVERIFY(!guess.guessed);
  QCOMPARE(guess.mode, 1);
  QVERIFY(guess.layoutModes.empty());
  QCOMPARE(guess.note, std::string(kNoScreenLayoutNote));
  QVERIFY(GuessScreenMode(0x3000, ScenePicture(2)).note.empty());
}

void TestScreenGuess::picturesMadeInEachMode_data() {
  QTest::addColumn<QString>("kind");
  QTest::addColumn<int>("mode");
  const QStringList kinds = {"scene",   "dither", "blocks1", "blocks2", "blocks3",
                             "blocks4", "lines1", "lines2",  "text"};
  for (int mode = 0; mode <= 7; ++mode) {
    for (const QString& kind : kinds) {
      if ((mode == 3 || mode == 6 || mode == 7) && kind != "scene") {
        continue;  // a layout of their own: nothing to choose between
      }
      if (mode != 2 && mode != 5 && kind == "text") {
        continue;  // text on black reads about as well in a coarser mode
      }
      QTest::newRow(qPrintable(QString("MODE %1 %2").arg(mode).arg(kind))) << kind << mode;
    }
  }
}

void TestScreenGuess::picturesMadeInEachMode() {
  QFETCH(QString, kind);
  QFETCH(int, mode);
  std::vector<uint8_t> picture = Picture(kind, mode);
  SavedScreen saved = SavedScreenOf(mode);
  picture.resize(saved.length);
  ScreenGuess guess = GuessScreenMode(saved.load, picture);
  QVERIFY(guess.guessed);
  QCOMPARE(guess.mode, mode);
  QVERIFY(guess.note.empty());
}

void TestScreenGuess::sampleFiles() {
  QVERIFY2(std::filesystem::is_directory(KESTROW_SAMPLES_DIR),
           "the sample folder " KESTROW_SAMPLES_DIR " is missing");
  std::vector<std::string> images = SampleNames(".ssd");
  for (const std::string& name : SampleNames(".dsd")) {
    images.push_back(name);
  }
  QVERIFY2(!images.empty(), "no sample images in " KESTROW_SAMPLES_DIR);
  QTemporaryDir dir;
  int files = 0;
  QStringList screenSized;
  for (const std::string& image : images) {
    ImageSides sides = OpenDiskImage(CopySample(dir, image));
    for (size_t side = 0; side < sides.size(); ++side) {
      DFSFileList list;
      sides[side]->ReadCatalogue(list);
      for (const DFSFileClass& file : list) {
        ++files;
        QString where = QString("%1:%2 %3.%4")
                            .arg(QString::fromStdString(image))
                            .arg(side * 2)
                            .arg(file.Directory)
                            .arg(QString::fromStdString(file.Name).trimmed());
        std::vector<uint8_t> data = sides[side]->ReadFileData(file);
        ScreenGuess guess = GuessScreenMode(uint32_t(file.LoadAddress), data);
        if (guess.layoutModes.empty()) {
          QVERIFY2(!guess.guessed && guess.mode == 1 && guess.note == kNoScreenLayoutNote,
                   qPrintable(where));
        } else {
          screenSized << where;
          QVERIFY2(guess.guessed, qPrintable(where));
          QVERIFY2(std::find(guess.layoutModes.begin(), guess.layoutModes.end(), guess.mode) !=
                       guess.layoutModes.end(),
                   qPrintable(where));
        }
        // Whatever the file holds, it draws at the grid of the mode it is shown in.
        ScreenRaster raster = RenderScreen(data, guess.mode);
        QCOMPARE(raster.width, ScreenMode(guess.mode).width);
      }
    }
  }
  QVERIFY(files > 0);
  qInfo("%d files in %d sample images; screen-sized: %s", files, int(images.size()),
        screenSized.isEmpty() ? "none" : qPrintable(screenSized.join(", ")));
  // Known from the catalogues: no sample file is a saved screen (the music files load at
  // &5B00-&5C00 and are shorter than any screen).
  QCOMPARE(screenSized, QStringList{});
}

QTEST_GUILESS_MAIN(TestScreenGuess)
#include "test_screen_guess.moc"
