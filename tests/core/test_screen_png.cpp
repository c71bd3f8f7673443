// SPDX-License-Identifier: GPL-3.0-or-later
// Screen pictures as PNG files: written and read back with libpng byte for byte, and
// every failure leaves the folder as it was.
#include <png.h>

#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "decode/PngWriter.h"
#include "decode/ScreenModes.h"
#include "support/ImageBuilder.h"
#include "support/ScreenBuilder.h"
#include "util/Useful.h"

namespace {

struct ReadBack {
  bool ok = false;
  uint32_t format = 0;
  ScreenRaster raster;
  std::string error;
};

ReadBack ReadPng(const std::string& path) {
  ReadBack result;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) {
    result.error = image.message;
    return result;
  }
  result.format = image.format;
  image.format = PNG_FORMAT_RGB;
  result.raster = ScreenRaster(int(image.width), int(image.height));
  if (!png_image_finish_read(&image, nullptr, result.raster.rgb.data(), 0, nullptr)) {
    result.error = image.message;
    return result;
  }
  result.ok = true;
  return result;
}

QStringList Entries(const QString& folder) {
  QStringList names;
  for (const auto& entry : std::filesystem::directory_iterator(folder.toStdString())) {
    names << QString::fromStdString(entry.path().filename().string());
  }
  names.sort();
  return names;
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::vector<uint8_t> TeletextPage() {
  QByteArray page;
  for (int row = 0; row < 25; ++row) {
    page += QByteArray(
                "\x81\x9d\x93\x8d"
                "PNG \x92\x9a\x7f\x35")
                .leftJustified(40, char(0x60 + row));
  }
  return {page.begin(), page.end()};
}

}  // namespace

class TestScreenPng : public QObject {
  Q_OBJECT

 private slots:
  void writtenPictureReadsBackEqual_data();
  void writtenPictureReadsBackEqual();
  void replacesAnExistingFile();
  void failedWriteLeavesNoFile_data();
  void failedWriteLeavesNoFile();
  void pictureWithoutPixelsIsRefused();
};

void TestScreenPng::writtenPictureReadsBackEqual_data() {
  QTest::addColumn<int>("mode");
  QTest::newRow("MODE 0") << 0;
  QTest::newRow("MODE 2") << 2;
  QTest::newRow("MODE 6") << 6;
  QTest::newRow("MODE 7") << 7;
}

void TestScreenPng::writtenPictureReadsBackEqual() {
  QFETCH(int, mode);
  ScreenRaster picture =
      RenderScreen(mode == kTeletextMode ? TeletextPage() : ScenePicture(mode), mode);
  QTemporaryDir dir;
  std::string path = dir.filePath("picture.png").toStdString();
  WritePng(picture, path);
  ReadBack back = ReadPng(path);
  QVERIFY2(back.ok, back.error.c_str());
  QCOMPARE(back.format, uint32_t(PNG_FORMAT_RGB));
  QCOMPARE(back.raster.width, ScreenMode(mode).width);
  QCOMPARE(back.raster.height, ScreenMode(mode).height);
  QVERIFY(back.raster.rgb == picture.rgb);
  QCOMPARE(Entries(dir.path()), QStringList{"picture.png"});
}

void TestScreenPng::replacesAnExistingFile() {
  QTemporaryDir dir;
  std::string path = dir.filePath("picture.png").toStdString();
  WriteText(path, "an older file");
  ScreenRaster picture = RenderScreen(ScenePicture(1), 1);
  WritePng(picture, path);
  ReadBack back = ReadPng(path);
  QVERIFY2(back.ok, back.error.c_str());
  QVERIFY(back.raster == picture);
  QCOMPARE(Entries(dir.path()), QStringList{"picture.png"});
}

void TestScreenPng::failedWriteLeavesNoFile_data() {
  QTest::addColumn<QString>("target");  // inside the test's folder
  QTest::addColumn<bool>("oldFile");    // a file is there before
  QTest::addColumn<int>("fault");       // 0 none, 1 write fails, 2 flush fails, 3 disk full
  QTest::addColumn<QStringList>("left");
  // clang-format off
  QTest::newRow("folder missing")       << "missing/picture.png" << false << 0 << QStringList{};
  QTest::newRow("write fails")          << "picture.png" << false << 1 << QStringList{};
  QTest::newRow("flush fails")          << "picture.png" << false << 2 << QStringList{};
  QTest::newRow("disk full")            << "picture.png" << false << 3 << QStringList{};
  QTest::newRow("write fails, old kept") << "picture.png" << true << 1 << QStringList{"picture.png"};
  QTest::newRow("flush fails, old kept") << "picture.png" << true << 2 << QStringList{"picture.png"};
  QTest::newRow("disk full, old kept")  << "picture.png" << true << 3 << QStringList{"picture.png"};
  QTest::newRow("target is a folder")   << "folder.png" << false << 0 << QStringList{"folder.png"};
  // clang-format on
}

void TestScreenPng::failedWriteLeavesNoFile() {
  QFETCH(QString, target);
  QFETCH(bool, oldFile);
  QFETCH(int, fault);
  QFETCH(QStringList, left);
  QTemporaryDir dir;
  std::string path = dir.filePath(target).toStdString();
  if (oldFile) {
    WriteText(path, "an older file");
  }
  if (target == "folder.png") {
    std::filesystem::create_directory(path);
  }
  std::shared_ptr<FaultPlan> faults;
  if (fault == 1) {
    faults = std::make_shared<FaultPlan>(FaultPlan::FailNthWrite(1));
  } else if (fault == 2) {
    faults = std::make_shared<FaultPlan>(FaultPlan::FailNthWrite(2));
  } else if (fault == 3) {
    faults = std::make_shared<FaultPlan>(FaultPlan::DiskFull(100));
  }
  try {
    WritePng(RenderScreen(ScenePicture(2), 2), path, faults);
    QFAIL("the write should have failed");
  } catch (const FileSystemError& error) {
    QVERIFY2(QString(error.what()).contains(QString::fromStdString(path)), error.what());
  }
  QCOMPARE(Entries(dir.path()), left);
  if (oldFile) {
    std::string old = "an older file";
    QCOMPARE(ReadHostFile(path), std::vector<uint8_t>(old.begin(), old.end()));
  }
}

void TestScreenPng::pictureWithoutPixelsIsRefused() {
  QTemporaryDir dir;
  std::string path = dir.filePath("picture.png").toStdString();
  ScreenRaster wrongSize(4, 4);
  wrongSize.rgb.pop_back();
  for (const ScreenRaster& raster : {ScreenRaster(), ScreenRaster(0, 5), wrongSize}) {
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, WritePng(raster, path));
  }
  QCOMPARE(Entries(dir.path()), QStringList{});
}

QTEST_GUILESS_MAIN(TestScreenPng)
#include "test_screen_png.moc"
