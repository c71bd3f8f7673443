// SPDX-License-Identifier: GPL-3.0-or-later
// The commands over several entries (delete, lock, unlock), changes by name and saving
// over exactly one entry of two namesakes, and opening the other side of a double-sided
// image.
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>

#include "disk/FileOperations.h"
#include "disk/HostFiles.h"
#include "platform/ScriptedPrompts.h"
#include "support/ImageBuilder.h"

namespace {

// The image file, failing every write once failWrites is set.
class FailingFileStream : public SFileStream {
 public:
  using SFileStream::SFileStream;
  bool failWrites = false;

  void Write(const void* buffer, size_t count) override {
    if (failWrites) {
      throw FileSystemError("Cannot write file", Path(), EIO);
    }
    SFileStream::Write(buffer, count);
  }
};

// Three entries, two of them namesakes: $.TWIN at position 0 (sector 10) and 1
// (sector 6), $.OTHER at 2 (sector 2); "*" after a name locks it.
ImageBuilder Twins(const QString& locked = "") {
  ImageBuilder builder;
  const QStringList lockedNames = locked.split(' ', Qt::SkipEmptyParts);
  const struct {
    const char* name;
    int sector;
    uint8_t seed;
  } files[] = {{"TWIN", 10, 1}, {"TWIN", 6, 2}, {"OTHER", 2, 3}};
  int position = 0;
  for (const auto& file : files) {
    const bool isLocked = lockedNames.contains(QString::number(position++));
    builder.AddEntry(
        {'$', file.name, 0x1900, 0x8023, 300, static_cast<uint32_t>(file.sector), isLocked});
    builder.FileData(file.sector, PatternBytes(300, file.seed));
  }
  return builder;
}

// The catalogue as "NAME@sector" ("*" when locked), in catalogue order.
QStringList Listing(DFSDiskClass& disk) {
  DFSFileList list;
  disk.ReadCatalogue(list);
  QStringList texts;
  for (const DFSFileClass& entry : list) {
    texts << QString::fromStdString(entry.Name).trimmed() + "@" +
                 QString::number(entry.StartSector) + (entry.Locked != 0 ? "*" : "");
  }
  return texts;
}

DFSFileClass EntryAt(DFSDiskClass& disk, int position) {
  DFSFileList list;
  disk.ReadCatalogue(list);
  return list.at(static_cast<size_t>(position));
}

QList<int> Positions(const QString& text) {
  QList<int> positions;
  for (const QString& item : text.split(' ', Qt::SkipEmptyParts)) {
    positions << item.toInt();
  }
  return positions;
}

QStringList Texts(const ScopedScriptedPrompts& prompts) {
  QStringList texts;
  for (const std::string& text : const_cast<ScopedScriptedPrompts&>(prompts)->Texts()) {
    texts << QString::fromStdString(text);
  }
  return texts;
}

const QString kWriteFailed = "Could not write \"%1\": Input/output error.";

}  // namespace

class FileOperationsTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  std::shared_ptr<FailingFileStream> file_;
  std::unique_ptr<DFSDiskClass> disk_;
  std::string path_;

  void Open(const ImageBuilder& builder) {
    disk_.reset();
    file_.reset();
    path_ = builder.WriteToTemp(dir_, "ops.ssd");
    file_ = std::make_shared<FailingFileStream>(path_, true);
    disk_ = std::make_unique<DFSDiskClass>(file_, path_, SectorMapping{});
  }

  // The entries at positions, read before any change, as a window's rows hold them.
  std::vector<DFSFileClass> Entries(const QList<int>& positions) {
    std::vector<DFSFileClass> entries;
    for (int position : positions) {
      entries.push_back(EntryAt(*disk_, position));
    }
    return entries;
  }

 private slots:
  void cleanup() {
    disk_.reset();
    file_.reset();
  }

  void deleteEntries_data() {
    QTest::addColumn<QString>("locked");
    QTest::addColumn<QString>("targets");
    QTest::addColumn<bool>("failing");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QStringList>("remaining");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("the second namesake only")
        << ""
        << "1" << false << true << QStringList{"TWIN@10", "OTHER@2"} << QStringList{};
    QTest::newRow("both namesakes, positions shifting between them")
        << ""
        << "0 1" << false << true << QStringList{"OTHER@2"} << QStringList{};
    QTest::newRow("a locked one is told and the rest go")
        << "0"
        << "0 2" << false << true << QStringList{"TWIN@10*", "TWIN@6"}
        << QStringList{
               "The file TWIN    cannot be deleted as it is locked, unlock it and then "
               "delete it."};
    QTest::newRow("a failed write stops the loop")
        << ""
        << "0 1" << true << false << QStringList{"TWIN@10", "TWIN@6", "OTHER@2"}
        << QStringList{kWriteFailed};
  }
  void deleteEntries() {
    QFETCH(QString, locked);
    QFETCH(QString, targets);
    QFETCH(bool, failing);
    QFETCH(bool, result);
    QFETCH(QStringList, remaining);
    QFETCH(QStringList, messages);
    ScopedScriptedPrompts prompts;
    Open(Twins(locked));
    std::vector<DFSFileClass> entries = Entries(Positions(targets));
    file_->failWrites = failing;
    QCOMPARE(DeleteEntries(*disk_, entries), result);
    file_->failWrites = false;
    QCOMPARE(Listing(*disk_), remaining);
    for (QString& message : messages) {
      message = message.arg(QString::fromStdString(path_));
    }
    QCOMPARE(Texts(prompts), messages);
  }

  void setEntriesLocked_data() {
    QTest::addColumn<bool>("locking");
    QTest::addColumn<QString>("targets");
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QStringList>("listing");
    QTest::addColumn<int>("changed");
    QTest::addColumn<bool>("vanished");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("lock the second namesake")
        << true << "1"
        << "" << QStringList{"TWIN@10", "TWIN@6*", "OTHER@2"} << 1 << false << QStringList{};
    QTest::newRow("an entry open in an inspector is skipped")
        << true << "0 2"
        << "busy 0" << QStringList{"TWIN@10", "TWIN@6", "OTHER@2*"} << 1 << false
        << QStringList{kInspectorOpenMessage};
    QTest::newRow("a vanished entry is told and marked")
        << true << "2 1"
        << "vanish 2" << QStringList{"TWIN@10", "TWIN@6*"} << 1 << true
        << QStringList{kEntryLookupFailureMessage};
    QTest::newRow("a failed write stops, also when unlocking")
        << false << "0 1"
        << "fail" << QStringList{"TWIN@10", "TWIN@6", "OTHER@2"} << 0 << false
        << QStringList{kWriteFailed};
  }
  void setEntriesLocked() {
    QFETCH(bool, locking);
    QFETCH(QString, targets);
    QFETCH(QString, situation);
    QFETCH(QStringList, listing);
    QFETCH(int, changed);
    QFETCH(bool, vanished);
    QFETCH(QStringList, messages);
    ScopedScriptedPrompts prompts;
    Open(Twins(locking ? "" : "0 1 2"));
    std::vector<DFSFileClass> entries = Entries(Positions(targets));
    int busy = -1;
    if (situation.startsWith("busy")) {
      busy = situation.split(' ').at(1).toInt();
    } else if (situation.startsWith("vanish")) {
      disk_->DeleteFile(EntryAt(*disk_, situation.split(' ').at(1).toInt()));
    } else if (situation == "fail") {
      file_->failWrites = true;
    }
    const LockOutcome outcome = SetEntriesLocked(
        *disk_, entries, locking,
        [busy](const DFSFileClass& entry) { return entry.CatalogueIndex == busy; });
    file_->failWrites = false;
    if (!locking) {
      // Unlocking from all locked: the expected listing names the ones left locked.
      for (QString& text : listing) {
        text += "*";
      }
    }
    QCOMPARE(Listing(*disk_), listing);
    QCOMPARE(static_cast<int>(outcome.changed.size()), changed);
    QCOMPARE(outcome.vanished, vanished);
    QCOMPARE(outcome.failed, situation == "fail");
    for (QString& message : messages) {
      message = message.arg(QString::fromStdString(path_));
    }
    QCOMPARE(Texts(prompts), messages);
  }

  // A change by name alone acts on the first namesake, as DFS finds it, even when a later
  // one is an empty entry at sector 0, whose start and length a bare name shares.
  void aChangeByNameActsOnTheFirstNamesake_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("listing");
    QTest::newRow("delete") << "delete" << QStringList{"OTHER@2", "TWIN@0"};
    QTest::newRow("lock") << "lock" << QStringList{"TWIN@10*", "OTHER@2", "TWIN@0"};
    QTest::newRow("rename") << "rename" << QStringList{"NEW@10", "OTHER@2", "TWIN@0"};
    QTest::newRow("load address") << "load" << QStringList{"TWIN@10", "OTHER@2", "TWIN@0"};
  }
  void aChangeByNameActsOnTheFirstNamesake() {
    QFETCH(QString, change);
    QFETCH(QStringList, listing);
    ScopedScriptedPrompts prompts;
    ImageBuilder builder;
    builder.AddEntry({'$', "TWIN", 0x1900, 0x8023, 300, 10}).FileData(10, PatternBytes(300, 1));
    builder.AddEntry({'$', "TWIN", 0x1900, 0x8023, 0, 0}).AddEntry({'$', "OTHER", 0, 0, 10, 2});
    Open(builder);
    const std::string twin = PadRight("TWIN", 7);
    bool done = false;
    if (change == "delete") {
      done = disk_->DeleteFile('$', twin);
    } else if (change == "lock") {
      done = disk_->SetLocked('$', twin, true);
    } else if (change == "rename") {
      done = disk_->RenameFile('$', twin, "NEW");
    } else {
      done = disk_->SetAddress('$', twin, "Load", "2000");
    }
    QVERIFY(done);
    QCOMPARE(Listing(*disk_), listing);
    if (change == "load") {
      QCOMPARE(EntryAt(*disk_, 0).LoadAddress, 0x2000);
      QCOMPARE(EntryAt(*disk_, 2).LoadAddress, 0x1900);
    }
  }

  // The entry that is still the one read, never merely a namesake.
  void findSameEntry_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("found");  // its position now, or -1 for none
    QTest::newRow("at its position") << 1 << "" << 1;
    QTest::newRow("moved up by a deletion before it") << 1 << "delete 0" << 0;
    QTest::newRow("deleted, its namesake left") << 1 << "delete 1" << -1;
  }
  void findSameEntry() {
    QFETCH(int, position);
    QFETCH(QString, change);
    QFETCH(int, found);
    ScopedScriptedPrompts prompts;
    Open(Twins());
    const DFSFileClass entry = EntryAt(*disk_, position);
    if (change.startsWith("delete")) {
      disk_->DeleteFile(EntryAt(*disk_, change.split(' ').at(1).toInt()));
    }
    std::optional<DFSFileClass> same = FindSameEntry(*disk_, entry);
    QCOMPARE(same ? same->CatalogueIndex : -1, found);
    if (same) {
      QCOMPARE(same->StartSector, entry.StartSector);
    }
  }

  // Saving new contents of one of two namesakes changes only that one's bytes; an entry
  // gone from the catalogue becomes a new entry.
  void saveEntryData_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<bool>("deleteFirst");
    QTest::addColumn<QStringList>("untouched");  // "NAME@sector" entries still as built
    QTest::newRow("the first namesake") << 0 << false << QStringList{"TWIN@6", "OTHER@2"};
    QTest::newRow("the second namesake") << 1 << false << QStringList{"TWIN@10", "OTHER@2"};
    QTest::newRow("the only one left after a deletion") << 1 << true << QStringList{"OTHER@2"};
  }
  void saveEntryData() {
    QFETCH(int, position);
    QFETCH(bool, deleteFirst);
    QFETCH(QStringList, untouched);
    ScopedScriptedPrompts prompts;
    Open(Twins());
    const DFSFileClass entry = EntryAt(*disk_, position);
    if (deleteFirst) {
      disk_->DeleteFile(EntryAt(*disk_, 0));
    }
    SMemoryStream data(PatternBytes(500, 9));
    const EntrySave outcome = SaveEntryData(*disk_, entry, data);
    QCOMPARE(outcome.result, static_cast<int>(kSaveDone));
    QVERIFY(outcome.saved.has_value());
    QCOMPARE(disk_->ReadFileData(*outcome.saved), PatternBytes(500, 9));
    QCOMPARE(outcome.saved->LoadAddress, entry.LoadAddress);
    DFSFileList list;
    disk_->ReadCatalogue(list);
    QCOMPARE(static_cast<int>(list.size()), untouched.size() + 1);
    for (const DFSFileClass& kept : list) {
      const QString text =
          QString::fromStdString(kept.Name).trimmed() + "@" + QString::number(kept.StartSector);
      if (kept.StartSector == outcome.saved->StartSector) {
        QCOMPARE(kept.CatalogueIndex, outcome.saved->CatalogueIndex);
        continue;
      }
      QVERIFY2(untouched.contains(text), qPrintable(text));
      const uint8_t seed = kept.StartSector == 10 ? 1 : kept.StartSector == 6 ? 2 : 3;
      QCOMPARE(disk_->ReadFileData(kept), PatternBytes(300, seed));
    }
  }

  // The other side shares the open side's host file and its read-only state.
  void openImageSide_data() {
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("writable") << false;
    QTest::newRow("read-only") << true;
  }
  void openImageSide() {
    QFETCH(bool, readOnly);
    ScopedScriptedPrompts prompts;
    const std::vector<uint8_t> image = InterleavedImage(ImageBuilder().Title("SIDE0").Image(),
                                                        ImageBuilder().Title("SIDE2").Image());
    const std::string path = dir_.filePath("two.dsd").toStdString();
    ImageBuilder().Bytes(0, image).WriteTo(path);
    std::unique_ptr<DFSDiskClass> side0 = OpenImageSide(path, 0, nullptr);
    if (readOnly) {
      side0->SetReadOnly("Kept read-only.");
    }
    std::unique_ptr<DFSDiskClass> side2 = OpenImageSide(path, 2, side0.get());
    QCOMPARE(side0->GetTitle(), std::string("SIDE0"));
    QCOMPARE(side2->GetTitle(), std::string("SIDE2"));
    QCOMPARE(side2->HostFile(), side0->HostFile());
    QCOMPARE(side2->IsReadOnly(), readOnly);
  }
};

QTEST_GUILESS_MAIN(FileOperationsTest)
#include "test_file_operations.moc"
