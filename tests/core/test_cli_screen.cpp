// SPDX-License-Identifier: GPL-3.0-or-later
// kestrow-dfs screen, run as a program on a built image: the mode it reports, the PNG
// it writes read back pixel by pixel, and for every bad value a clear message, no
// picture and an existing picture left as it was. The image is never changed.
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "decode/ScreenModes.h"
#include "support/CliRunner.h"
#include "support/ImageBuilder.h"
#include "support/PngReadBack.h"
#include "support/ScreenBuilder.h"

namespace {

const char* const kUsageLine =
    "Usage: kestrow-dfs screen IMAGE D.NAME OUT.png [--mode N] [--palette LIST]\n";

std::vector<uint8_t> TeletextPage() {
  std::string page(1000, ' ');
  page.replace(0, 14, "\x81\x8DRED TITLE \x94\x9A");
  page.replace(80, 6, "\x97\x7F\x7F\x35\x6A\x20");
  return {page.begin(), page.end()};
}

// $.MODE2 (a MODE 2 scene where MODE 2's layout loads), $.PAGE (a teletext page at
// &7C00), $.LOW (a MODE 1 scene loaded at &1900, matching no layout), side 2 $.PAGE.
const std::vector<uint8_t> kMode2Scene = ScenePicture(2);
const std::vector<uint8_t> kLowScene = ScenePicture(1);
const std::vector<uint8_t> kPage = TeletextPage();

ImageBuilder Side0() {
  ImageBuilder image;
  image.AddEntry({'$', "MODE2", 0x3000, 0x3000, uint32_t(kMode2Scene.size()), 2})
      .FileData(2, kMode2Scene);
  image.AddEntry({'$', "PAGE", 0x7C00, 0x7C00, uint32_t(kPage.size()), 82}).FileData(82, kPage);
  image.AddEntry({'$', "LOW", 0x1900, 0x1900, uint32_t(kLowScene.size()), 86})
      .FileData(86, kLowScene);
  return image.AddEntry({'$', "EMPTY", 0x3000, 0x3000, 0, 166});
}

ScreenPalette Palette(int mode, std::initializer_list<uint8_t> first) {
  ScreenPalette palette = DefaultPalette(mode);
  std::copy(first.begin(), first.end(), palette.begin());
  return palette;
}

}  // namespace

class TestCliScreen : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  std::string image_;

 private slots:
  void initTestCase();
  void pictures_data();
  void pictures();
  void refusals_data();
  void refusals();
};

void TestCliScreen::initTestCase() {
  QVERIFY(dir_.isValid());
  image_ = Side0().WriteToTemp(dir_, "screens.ssd");
}

void TestCliScreen::pictures_data() {
  QTest::addColumn<QStringList>("options");
  QTest::addColumn<QString>("file");
  QTest::addColumn<QByteArray>("out");
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<int>("mode");
  QTest::addColumn<QByteArray>("palette");  // the 16 entries
  auto row = [](const char* name, QStringList options, const char* file, QByteArray out,
                const std::vector<uint8_t>& bytes, int mode, ScreenPalette palette) {
    QTest::newRow(name) << options << file << out
                        << QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                      qsizetype(bytes.size()))
                        << mode << QByteArray(reinterpret_cast<const char*>(palette.data()), 16);
  };
  row("guessed MODE 2", {}, "MODE2", "MODE 2 (guessed)\n", kMode2Scene, 2, DefaultPalette(2));
  row("--mode 1 over the guess", {"--mode", "1"}, "MODE2", "MODE 1 (as given)\n", kMode2Scene, 1,
      DefaultPalette(1));
  row("palette numbers", {"--mode", "1", "--palette", "4,6"}, "MODE2", "MODE 1 (as given)\n",
      kMode2Scene, 1, Palette(1, {4, 6}));
  row("palette names and flashing", {"--palette", "Blue,cyan,9"}, "MODE2", "MODE 2 (guessed)\n",
      kMode2Scene, 2, Palette(2, {4, 6, 9}));
  row("teletext page", {}, "PAGE", "MODE 7 (guessed)\n", kPage, 7, DefaultPalette(7));
  row("no layout matches", {}, "LOW",
      "MODE 1 (not guessed)\nThis file's load address and length match no screen mode, so it "
      "is shown in MODE 1.\n",
      kLowScene, 1, DefaultPalette(1));
  row("options before the operands", {"--mode", "5", "--"}, "LOW", "MODE 5 (as given)\n", kLowScene,
      5, DefaultPalette(5));
}

void TestCliScreen::pictures() {
  QFETCH(QStringList, options);
  QFETCH(QString, file);
  QFETCH(QByteArray, bytes);
  QFETCH(int, mode);
  QFETCH(QByteArray, palette);
  const QString out = dir_.filePath("picture.png");
  std::filesystem::remove(out.toStdString());
  const std::vector<uint8_t> before = ReadHostFile(image_);
  const CliResult result = RunCli(QStringList{"screen"} + options +
                                  QStringList{QString::fromStdString(image_), file, out});
  QCOMPARE(result.err, QByteArray());
  QTEST(result.out, "out");
  QCOMPARE(result.exitCode, 0);
  QVERIFY(ReadHostFile(image_) == before);

  ScreenPalette colours;
  std::copy(palette.begin(), palette.end(), colours.begin());
  const std::vector<uint8_t> memory(bytes.begin(), bytes.end());
  const ScreenRaster expected = RenderScreen(memory, mode, colours);
  const PngReadBack written = ReadPngFile(out.toStdString());
  QVERIFY2(written.ok, written.error.c_str());
  QCOMPARE(written.raster.width, ScreenMode(mode).width);
  QCOMPARE(written.raster.height, ScreenMode(mode).height);
  QVERIFY(written.raster == expected);
}

void TestCliScreen::refusals_data() {
  QTest::addColumn<QStringList>("arguments");  // IMG: the image, OUT: the picture's path
  QTest::addColumn<int>("exitCode");
  QTest::addColumn<QByteArray>("err");
  auto row = [](const char* name, QStringList arguments, int exitCode, QByteArray err) {
    QTest::newRow(name) << arguments << exitCode << err;
  };
  row("empty file", {"screen", "IMG", "EMPTY", "OUT"}, 1,
      "The file $.EMPTY is empty: it holds no picture.\n");
  row("no such file", {"screen", "IMG", "NOPE", "OUT"}, 1,
      "There is no file $.NOPE on this disk.\n");
  row("mode 8", {"screen", "--mode", "8", "IMG", "MODE2", "OUT"}, 2,
      QByteArray("kestrow-dfs: the mode is a number from 0 to 7: 8\n") + kUsageLine);
  row("mode as a word", {"screen", "IMG", "MODE2", "OUT", "--mode", "one"}, 2,
      QByteArray("kestrow-dfs: the mode is a number from 0 to 7: one\n") + kUsageLine);
  row("mode without a value", {"screen", "IMG", "MODE2", "OUT", "--mode"}, 2,
      QByteArray("kestrow-dfs: --mode needs a value\n") + kUsageLine);
  row("mode twice", {"screen", "--mode", "1", "--mode", "2", "IMG", "MODE2", "OUT"}, 2,
      QByteArray("kestrow-dfs: --mode is given twice\n") + kUsageLine);
  row("colour 16", {"screen", "--palette", "0,16", "IMG", "MODE2", "OUT"}, 2,
      QByteArray("kestrow-dfs: a palette colour is a number from 0 to 15 or black, red, green, "
                 "yellow, blue, magenta, cyan or white, not \"16\"\n") +
          kUsageLine);
  row("more colours than MODE 1 has",
      {"screen", "--mode", "1", "--palette", "0,1,2,3,4", "IMG", "MODE2", "OUT"}, 2,
      QByteArray("kestrow-dfs: MODE 1 has 4 logical colours, and the palette gives more\n") +
          kUsageLine);
  row("a palette for teletext", {"screen", "--palette", "1", "IMG", "PAGE", "OUT"}, 2,
      QByteArray("kestrow-dfs: MODE 7 is teletext, whose colours are fixed: it takes no "
                 "palette\n") +
          kUsageLine);
  row("no folder for the picture", {"screen", "IMG", "MODE2", "OUT/missing/picture.png"}, 1,
      "Could not write \"OUT/missing/picture.png\": No such file or directory.\n");
  row("missing output operand", {"screen", "IMG", "MODE2"}, 2,
      QByteArray("kestrow-dfs: wrong number of arguments for screen\n") + kUsageLine);
}

// Each refusal runs with an old picture in place, which must come through untouched.
void TestCliScreen::refusals() {
  QFETCH(QStringList, arguments);
  QFETCH(QByteArray, err);
  const QString folder = dir_.filePath("refused");
  std::filesystem::remove_all(folder.toStdString());
  std::filesystem::create_directory(folder.toStdString());
  const std::string old = folder.toStdString() + "/old.png";
  std::ofstream(old, std::ios::binary) << "old";
  arguments.replaceInStrings(QRegularExpression("^IMG$"), QString::fromStdString(image_));
  arguments.replaceInStrings(QRegularExpression("^OUT$"), QString::fromStdString(old));
  arguments.replaceInStrings(QRegularExpression("^OUT/"), folder + "/");
  err.replace("OUT/", (folder + "/").toUtf8());
  const std::vector<uint8_t> before = ReadHostFile(image_);
  const CliResult result = RunCli(arguments);
  QCOMPARE(result.err, err);
  QCOMPARE(result.out, QByteArray());
  QTEST(result.exitCode, "exitCode");
  QVERIFY(ReadHostFile(image_) == before);
  QVERIFY(ReadHostFile(old) == std::vector<uint8_t>({'o', 'l', 'd'}));
  QCOMPARE(std::distance(std::filesystem::directory_iterator(folder.toStdString()),
                         std::filesystem::directory_iterator()),
           1);
}

QTEST_GUILESS_MAIN(TestCliScreen)
#include "test_cli_screen.moc"
