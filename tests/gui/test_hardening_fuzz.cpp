// SPDX-License-Identifier: GPL-3.0-or-later
// What the fuzz targets in fuzz/ found, each kept as the plain case that shows it.
#include <QTemporaryDir>
#include <QTest>

#include "disk/DFSUseful.h"
#include "disk/HostFiles.h"
#include "platform/ScriptedPrompts.h"
#include "support/ImageBuilder.h"

class TestHardeningFuzz : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;

 private slots:
  // fuzz_image: a directory byte with bit 7 set is stored as its low 7 bits, so a save
  // under it must replace the namesake stored under those bits, not add a second entry
  // of the same name.
  void directoryWithBitSevenReplacesTheNamesake() {
    const std::string path = ImageBuilder(800)
                                 .AddEntry({'$', "GAME", 0x1900, 0x8023, 300, 2})
                                 .FileData(2, PatternBytes(300, 1))
                                 .WriteToTemp(dir_, "bit7.ssd");
    std::unique_ptr<DFSDiskClass> disk = DFSDiskClass::Create(path, 2);
    DFSFileClass file;
    file.Name = PadRight("GAME", 7);
    file.Directory = static_cast<char>('$' | 0x80);
    file.Length = 100;
    SMemoryStream source(PatternBytes(100, 2));
    QCOMPARE(disk->SaveFile(file, source), int(kSaveDone));
    DFSFileList list;
    disk->ReadCatalogue(list);
    QCOMPARE(list.size(), size_t(1));
    QCOMPARE(list[0].Directory, '$');
    QVERIFY(disk->ReadFileData(list[0]) == PatternBytes(100, 2));
  }

  // fuzz_import: a host file whose name is 252 to 255 bytes long has no side-car (the
  // side-car's name would be too long to exist), so it imports with the defaults and
  // the rest of the drop goes on.
  void hostNameAtTheLengthLimit() {
    ScopedScriptedPrompts prompts;
    const std::string folder = dir_.filePath("long").toStdString();
    QVERIFY(QDir().mkpath(QString::fromStdString(folder)));
    const std::string longName = folder + "/" + std::string(253, 'n');
    const std::string shortName = folder + "/SHORT";
    ImageBuilder().Bytes(0, PatternBytes(40, 3)).HostSize(40).WriteTo(longName);
    ImageBuilder().Bytes(0, PatternBytes(50, 4)).HostSize(50).WriteTo(shortName);
    std::unique_ptr<DFSDiskClass> disk =
        DFSDiskClass::Create(dir_.filePath("long.ssd").toStdString(), 1);
    ImportSummary summary = ProcessAlienFiles(*disk, {longName, shortName}, ImportCallbacks{});
    QCOMPARE(summary.storedCount, 2);
    QVERIFY(prompts->Texts().empty());
    QVERIFY(disk->FileExists('$', "nnnnnnn"));
  }
};

QTEST_GUILESS_MAIN(TestHardeningFuzz)
#include "test_hardening_fuzz.moc"
