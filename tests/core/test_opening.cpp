// SPDX-License-Identifier: GPL-3.0-or-later
// Opening an image as it really is: the layout its content shows against the one its
// name says, a Watford DFS 62-file disk, read-only files and shared readers, host files
// that are no images, the catalogue's own sector count, and a read-only disk refusing
// every change.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <functional>

#include "disk/CatalogueListing.h"
#include "disk/DFSUseful.h"
#include "disk/ImageLayout.h"
#include "platform/ScriptedPrompts.h"
#include "support/ImageBuilder.h"

namespace {

// A side with files reaching well past track 1, so that a layout mix-up would move them.
ImageBuilder Side(const std::string& title, uint8_t seed) {
  ImageBuilder side(800);
  side.Title(title).AddEntry({'$', "LONG", 0, 0, 6000, 2});
  side.FileData(2, PatternBytes(6000, seed));
  return side;
}

std::vector<uint8_t> DoubleSided() {
  return InterleavedImage(Side("SIDE0", 1).Image(), Side("SIDE2", 2).Image());
}

std::vector<uint8_t> Watford(std::vector<uint8_t> image) {
  for (size_t at = 512; at < 520; ++at) {
    image[at] = 0xAA;
  }
  return image;
}

std::vector<uint8_t> WithZeroSecondSide() {
  return InterleavedImage(Side("ONLY0", 3).Image(), std::vector<uint8_t>(512, 0));
}

}  // namespace

class TestOpening : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;

  std::string Write(const std::vector<uint8_t>& bytes, const std::string& name) {
    std::string path = dir_.filePath(QString::fromStdString(name)).toStdString();
    ImageBuilder().Bytes(0, bytes).HostSize(bytes.size()).WriteTo(path);
    return path;
  }

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }

  // What the content says, for every sample and for images built here, named either way.
  void detectLayout_data() {
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<bool>("namedDouble");
    QTest::addColumn<bool>("double");
    QTest::addColumn<bool>("fromContent");
    for (std::string extension : {".ssd", ".dsd"}) {
      for (const std::string& sample : SampleNames(extension)) {
        std::vector<uint8_t> bytes = ReadHostFile(KESTROW_SAMPLES_DIR "/" + sample);
        QByteArray image(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
        // The one short sample holds no second catalogue; its name decides.
        bool short_ = bytes.size() < 2560 + 0x108;
        QTest::newRow(sample.c_str())
            << image << (extension == ".dsd") << (extension == ".dsd") << !short_;
      }
    }
    auto row = [](const char* name, const std::vector<uint8_t>& bytes, bool namedDouble,
                  bool isDouble, bool fromContent) {
      QTest::newRow(name) << QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                        qsizetype(bytes.size()))
                          << namedDouble << isDouble << fromContent;
    };
    row("interleaved named .ssd", DoubleSided(), false, true, true);
    row("linear named .dsd", Side("LINEAR", 4).Image(), true, false, true);
    row("blank second side named .dsd", WithZeroSecondSide(), true, true, false);
    row("blank second side named .ssd", WithZeroSecondSide(), false, false, false);
    std::vector<uint8_t> countOnly = Side("X", 5).Image();
    countOnly[2560 + 0x105] = 16;  // a plausible count, but no matching sector count
    row("count byte alone is no mark", countOnly, false, false, true);
    row("short linear image", ImageBuilder().Image(), true, true, false);
  }
  void detectLayout() {
    QFETCH(QByteArray, image);
    QFETCH(bool, namedDouble);
    SMemoryStream stream(std::vector<uint8_t>(image.begin(), image.end()));
    LayoutFindings found = DetectLayout(
        stream, namedDouble ? ImageLayout::InterleavedDoubleSided : ImageLayout::LinearSingleSided);
    QTEST(found.layout == ImageLayout::InterleavedDoubleSided, "double");
    QTEST(found.fromContent, "fromContent");
  }

  // A name that disagrees with the content, or a Watford disk: the image opens
  // read-only with a message that says why, and no change writes a byte.
  void mismatchOpensReadOnly_data() {
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("noticeStart");
    auto bytes = [](const std::vector<uint8_t>& image) {
      return QByteArray(reinterpret_cast<const char*>(image.data()), qsizetype(image.size()));
    };
    QTest::newRow(".dsd renamed .ssd") << bytes(DoubleSided()) << "renamed.ssd"
                                       << "The file \"";
    QTest::newRow("linear image named .dsd") << bytes(Side("LINEAR", 4).Image()) << "linear.dsd"
                                             << "The file \"";
    QTest::newRow("Watford 62-file disk")
        << bytes(Watford(Side("WATFORD", 6).Image())) << "watford.ssd" << kWatfordReadOnlyMessage;
  }
  void mismatchOpensReadOnly() {
    QFETCH(QByteArray, image);
    QFETCH(QString, name);
    QFETCH(QString, noticeStart);
    std::string path = Write({image.begin(), image.end()}, name.toStdString());
    std::vector<uint8_t> before = ReadHostFile(path);
    ScopedScriptedPrompts prompts;
    ImageSides sides = OpenDiskImage(path, OpenAccess::WriteIfAllowed);
    QVERIFY(QString::fromStdString(sides.front()->OpenNotice).startsWith(noticeStart));
    if (name != "watford.ssd") {
      QVERIFY(sides.front()->OpenNotice.find(name.endsWith(".ssd") ? "\".dsd\"" : "\".ssd\"") !=
              std::string::npos);
    }
    for (auto& disk : sides) {
      QVERIFY(disk->IsReadOnly());
      SMemoryStream data(PatternBytes(300, 9));
      DFSFileClass file;
      file.Name = "NEW    ";
      file.Length = 300;
      QVERIFY_THROWS_EXCEPTION(ReadOnlyDiskError, disk->SaveFile(file, data));
      QVERIFY_THROWS_EXCEPTION(ReadOnlyDiskError, disk->SetTitle("CHANGED"));
      QVERIFY_THROWS_EXCEPTION(ReadOnlyDiskError, disk->DeleteFile('$', "LONG   "));
    }
    sides.clear();
    QCOMPARE(ReadHostFile(path), before);
  }

  // Every change refuses a read-only disk before it writes, with the reason as its text.
  void everyChangeRefusesAReadOnlyDisk_data() {
    QTest::addColumn<int>("which");
    const char* names[] = {"SetTitle",       "SetBootOption",     "SetLocked",  "DeleteFile",
                           "SetAddress",     "SetDirectory",      "RenameFile", "ClearCatalogue",
                           "WriteCatalogue", "AddCatalogueEntry", "SaveFile",   "WriteDisk"};
    for (int which = 0; which < 12; ++which) {
      QTest::newRow(names[which]) << which;
    }
  }
  void everyChangeRefusesAReadOnlyDisk() {
    QFETCH(int, which);
    std::string path = Write(Side("KEEP", 7).Image(), "refuse.ssd");
    std::vector<uint8_t> before = ReadHostFile(path);
    ImageSides sides = OpenDiskImage(path, OpenAccess::ReadOnly);
    DFSDiskClass& disk = *sides.front();
    const std::string name = "LONG   ";
    DFSFileClass entry = disk.FindFile('$', name).value();
    DFSFileList list;
    SMemoryStream source(PatternBytes(10, 1));
    uint8_t byte = 1;
    const std::function<void()> changes[] = {
        [&] { disk.SetTitle("X"); },
        [&] { disk.SetBootOption(2); },
        [&] { disk.SetLocked(entry, true); },
        [&] { disk.DeleteFile(entry); },
        [&] { disk.SetAddress(entry, "Load", "1234"); },
        [&] { disk.SetDirectory(entry, 'X'); },
        [&] { disk.RenameFile(entry, "OTHER"); },
        [&] { disk.ClearCatalogue(); },
        [&] { disk.WriteCatalogue(list); },
        [&] { disk.AddCatalogueEntry(entry, 0x2000); },
        [&] { disk.SaveFile(entry, source); },
        [&] { disk.WriteDisk(0x2000, &byte, 1); },
    };
    try {
      changes[which]();
      QFAIL("the change was not refused");
    } catch (const ReadOnlyDiskError& error) {
      QCOMPARE(std::string(error.what()), disk.ReadOnlyReason());
    }
    sides.clear();
    QCOMPARE(ReadHostFile(path), before);
  }

  // A file without write permission opens read-only where the caller allows it, and is
  // refused where the caller needs to write.
  void readOnlyFileOpensForReading() {
    std::string path = Write(Side("ARCHIVE", 8).Image(), "archive.ssd");
    QCOMPARE(::chmod(path.c_str(), 0444), 0);
    QVERIFY_THROWS_EXCEPTION(FileSystemError, OpenDiskImage(path, OpenAccess::ReadWrite));
    ImageSides sides = OpenDiskImage(path, OpenAccess::WriteIfAllowed);
    QVERIFY(sides.front()->IsReadOnly());
    QCOMPARE(sides.front()->GetTitle(), std::string("ARCHIVE"));
    QVERIFY(sides.front()->ReadOnlyReason().find("Permission denied") != std::string::npos);
    ::chmod(path.c_str(), 0644);
  }

  // Readers share the image; a writer excludes them and they exclude it.
  void readersShareAndExcludeWriters() {
    std::string path = Write(Side("SHARED", 9).Image(), "shared.ssd");
    {
      ImageSides first = OpenDiskImage(path, OpenAccess::ReadOnly);
      ImageSides second = OpenDiskImage(path, OpenAccess::ReadOnly);
      try {
        OpenDiskImage(path, OpenAccess::ReadWrite);
        QFAIL("a writer opened beside readers");
      } catch (const FileSystemError& error) {
        QCOMPARE(OpenFailureMessage(error),
                 std::string("Could not open the file, probably in use by another program."));
      }
    }
    ImageSides writer = OpenDiskImage(path, OpenAccess::ReadWrite);
    QVERIFY_THROWS_EXCEPTION(FileSystemError, OpenDiskImage(path, OpenAccess::ReadOnly));
  }

  // Only regular files are images, refused at once with what is wrong; an empty file too.
  void notAnImage_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << "missing"
                             << "Could not open \"PATH\": No such file or directory.";
    QTest::newRow("folder") << "folder"
                            << "Could not open \"PATH\": Is a directory.";
    QTest::newRow("fifo") << "fifo"
                          << "Could not open \"PATH\": It is not a regular file.";
    QTest::newRow("device") << "device"
                            << "Could not open \"PATH\": It is not a regular file.";
    QTest::newRow("link to a folder") << "link"
                                      << "Could not open \"PATH\": Is a directory.";
    QTest::newRow("link loop") << "loop"
                               << "Could not open \"PATH\": Too many levels of symbolic links.";
    QTest::newRow("empty") << "empty"
                           << "This file is empty, it is not a DFS disk image.";
  }
  void notAnImage() {
    QFETCH(QString, kind);
    QFETCH(QString, message);
    std::string path = dir_.filePath("not-" + kind + ".ssd").toStdString();
    if (kind == "folder") {
      QCOMPARE(::mkdir(path.c_str(), 0700), 0);
    } else if (kind == "fifo") {
      QCOMPARE(::mkfifo(path.c_str(), 0600), 0);
    } else if (kind == "device") {
      path = "/dev/null";
    } else if (kind == "link") {
      QCOMPARE(::symlink(dir_.path().toStdString().c_str(), path.c_str()), 0);
    } else if (kind == "loop") {
      QCOMPARE(::symlink(path.c_str(), path.c_str()), 0);
    } else if (kind == "empty") {
      ImageBuilder().HostSize(0).WriteTo(path);
    }
    for (OpenAccess access :
         {OpenAccess::ReadWrite, OpenAccess::ReadOnly, OpenAccess::WriteIfAllowed}) {
      try {
        OpenDiskImage(path, access);
        QFAIL("opened");
      } catch (const std::exception& error) {
        QCOMPARE(QString::fromStdString(OpenFailureMessage(error)),
                 QString(message).replace("PATH", QString::fromStdString(path)));
      }
    }
  }

  // The catalogue's own sector count sizes the disk: its figures, its status text and
  // what a file past the old 400-sector bound reads back.
  void sectorCountSizesTheDisk_data() {
    QTest::addColumn<int>("sectors");
    QTest::addColumn<QString>("sizeText");
    QTest::newRow("400") << 400 << "40 track (100K)";
    QTest::newRow("800") << 800 << "80 track (200K)";
    QTest::newRow("743") << 743 << "743 sectors (185K)";
    QTest::newRow("1023") << 1023 << "1023 sectors (255K)";
  }
  void sectorCountSizesTheDisk() {
    QFETCH(int, sectors);
    ImageBuilder builder(sectors);
    // A file near the end of the disk, which a 400-sector reading would cut off.
    const int start = sectors - 20;
    builder.AddEntry({'$', "END", 0, 0, 20 * 256, uint32_t(start)});
    builder.FileData(start, PatternBytes(20 * 256, 3));
    std::string path = Write(builder.Image(), "count.ssd");
    ImageSides sides = OpenDiskImage(path);
    DFSDiskClass& disk = *sides.front();
    QCOMPARE(disk.DiskSize, sectors * 256);
    QCOMPARE(disk.UsedSpace, 512 + 20 * 256);
    QCOMPARE(disk.LargestFree, (sectors - 22) * 256);
    QFETCH(QString, sizeText);
    QCOMPARE(QString::fromStdString(DiskSizeText(disk)), sizeText);
    QCOMPARE(disk.ReadFileData(disk.FindFile('$', "END    ").value()), PatternBytes(20 * 256, 3));
    // New data goes in the gap before the file, never past the disk's end.
    QCOMPARE(disk.FindFreeSpace((sectors - 22) * 256), 512);
    QCOMPARE(disk.FindFreeSpace((sectors - 22) * 256 + 1), 0);
  }
};

QTEST_GUILESS_MAIN(TestOpening)
#include "test_opening.moc"
