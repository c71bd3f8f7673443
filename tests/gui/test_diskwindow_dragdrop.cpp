// SPDX-License-Identifier: GPL-3.0-or-later
// Files dropped on a disk window and dragged out of it: the drop taken from real drag
// events, the temp area refilled by every press, the drag data, the drag's start and
// its drag-source mark, and a round trip from one window into another.
#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/KestrowMain.h"
#include "diskwindow/DFSDisk.h"
#include "platform/ScriptedPrompts.h"
#include "support/ImageBuilder.h"
#include "support_gui/DiskWindowTestSupport.h"
#include "support_gui/MainFrameFixture.h"
#include "support_gui/MainFrameHelpers.h"

namespace {

ImageEntry Entry(char directory, const std::string& name, int sector, uint32_t length = 0x100) {
  ImageEntry entry;
  entry.directory = directory;
  entry.name = name;
  entry.startSector = static_cast<uint32_t>(sector);
  entry.length = length;
  return entry;
}

// Writes host files into dir from "NAME=content" entries; "NAME/" makes a folder.
QStringList MakeHostFiles(const QTemporaryDir& dir, const QStringList& entries) {
  QStringList paths;
  for (const QString& entry : entries) {
    const QString name = entry.section('=', 0, 0);
    const QString path = dir.filePath(name.chopped(name.endsWith('/') ? 1 : 0));
    if (name.endsWith('/')) {
      QDir().mkpath(path);
    } else {
      QFile file(path);
      if (!file.open(QIODevice::WriteOnly)) {
        qFatal("cannot write %s", qPrintable(path));
      }
      file.write(entry.section('=', 1).toLatin1());
    }
    paths << path;
  }
  return paths;
}

QStringList TempAreaListing(const std::string& tempArea) {
  return QDir(QString::fromStdString(tempArea)).entryList(QDir::Files, QDir::Name);
}

QByteArray ReadText(const std::string& folder, const QString& name) {
  QFile file(QString::fromStdString(folder) + "/" + name);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

}  // namespace

class DiskWindowDragDropTest : public MainFrameFixture {
  Q_OBJECT

  void FrameShown() override { QVERIFY(!Frame().TempAreaPath().empty()); }

 private slots:
  // The temp area lives in a folder of this run's own.
  void initTestCase() {
    savedTmpdir_ = qgetenv("TMPDIR");
    qputenv("TMPDIR", tmpdir_.path().toLocal8Bit());
  }
  void cleanupTestCase() { qputenv("TMPDIR", savedTmpdir_); }

  // Dropped host files with every kind of conflict; the core suites hold the full rules.
  void dropImports_data() {
    QTest::addColumn<QString>("existing");  // "GAME" unlocked, "GAME*" locked, "" none
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("situation");  // "yes" / "no" answers, "inspector"
    QTest::addColumn<QStringList>("catalogue");
    QTest::addColumn<QStringList>("messages");
    const QString overwrite =
        "A file called GAME already exists in that directory on this disk, do you wish to "
        "overwrite ?";
    QTest::newRow("Beeb name with side-car")
        << "" << QStringList{"$.GAME=data", "$.GAME.INF=B.GAME     001900 008023 000004 L"} << ""
        << QStringList{"B.GAME 001900 008023 000004 L"} << QStringList{};
    QTest::newRow("host name") << "" << QStringList{"README.TXT=hello"} << ""
                               << QStringList{"$.README. 000000 000000 000005"} << QStringList{};
    QTest::newRow("side-car alone, any case")
        << "" << QStringList{"X.inf=$.X"} << "" << QStringList{} << QStringList{};
    QTest::newRow("locked destination")
        << "GAME*" << QStringList{"$.GAME=new"} << ""
        << QStringList{"$.GAME 000000 000000 000100 L"}
        << QStringList{"The file GAME on the destination disk is locked, you cannot overwrite it."};
    QTest::newRow("open in an inspector")
        << "GAME" << QStringList{"$.GAME=new"} << "inspector"
        << QStringList{"$.GAME 000000 000000 000100"}
        << QStringList{
               "This file is in open in at least one File Inspector window, you must close the "
               "relevent windows before you can make these changes"};
    QTest::newRow("overwrite, yes")
        << "GAME" << QStringList{"$.GAME=new"} << "yes"
        << QStringList{"$.GAME 000000 000000 000003"} << QStringList{overwrite};
    QTest::newRow("overwrite, no")
        << "GAME" << QStringList{"$.GAME=new"} << "no" << QStringList{"$.GAME 000000 000000 000100"}
        << QStringList{overwrite};
    QTest::newRow("a folder, then a file")
        << "" << QStringList{"DIR/", "B.X=1"} << "" << QStringList{"$.X 000000 000000 000001"}
        << QStringList{"Could not open \"HOST/DIR\": Is a directory."};
  }
  void dropImports() {
    QFETCH(QString, existing);
    QFETCH(QStringList, files);
    QFETCH(QString, situation);
    QFETCH(QStringList, catalogue);
    QFETCH(QStringList, messages);
    ImageBuilder image(800);
    if (!existing.isEmpty()) {
      ImageEntry game = Entry('$', "GAME", 2);
      game.locked = existing.endsWith('*');
      image.AddEntry(game);
    }
    const std::string path = image.WriteToTemp(dir_, "drop.ssd");
    TDFSDiskFrm* window = Frame().NewDFSFiler(path);
    TDFSDiskFrm* other = Frame().NewDFSFiler(path);
    if (situation == "inspector") {
      auto data = std::make_unique<InspectorDataClass>();
      data->ImagePath = path;
      data->Name = "GAME   ";
      Frame().Registry().AddCommonData(std::move(data));
    } else if (!situation.isEmpty()) {
      Prompts().QueueYesNo(situation == "yes");
    }
    QTemporaryDir host;
    QVERIFY(DropFiles(window, MakeHostFiles(host, files)));
    QCOMPARE(CatalogueLines(path), catalogue);
    messages.replaceInStrings("HOST", host.path());
    QCOMPARE(PromptTexts(Prompts()), messages);
    // Every window on the image shows the result.
    QCOMPARE(ListedNames(other).size(), catalogue.size());
    QCOMPARE(Frame().DragSource, nullptr);
  }

  void dropsTakeLocalFilesToCopyOnly_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<int>("offered");
    QTest::addColumn<bool>("taken");
    QTest::newRow("local file, copy") << "file" << int(Qt::CopyAction) << true;
    QTest::newRow("local file, move only") << "file" << int(Qt::MoveAction) << false;
    QTest::newRow("web address") << "https://example.com/a.ssd" << int(Qt::CopyAction) << false;
  }
  void dropsTakeLocalFilesToCopyOnly() {
    QFETCH(QString, url);
    QFETCH(int, offered);
    QFETCH(bool, taken);
    const std::string path = ImageBuilder(800).WriteToTemp(dir_, "filter.ssd");
    TDFSDiskFrm* window = Frame().NewDFSFiler(path);
    QTemporaryDir host;
    const QString file = MakeHostFiles(host, {"README=x"}).first();
    const QUrl dropped = url == "file" ? QUrl::fromLocalFile(file) : QUrl(url);
    QCOMPARE(DropUrls(window, {dropped}, Qt::DropActions(offered)), taken);
    QCOMPARE(CatalogueLines(path).size(), taken ? 1 : 0);
  }

  // Every press on a file row refills the temp area with the selected files and their
  // side-cars; a row whose file has been renamed elsewhere is left out.
  void pressesFillTheTempArea() {
    ImageEntry locked = Entry('B', "LOCK", 4, 0x10);
    locked.locked = true;
    locked.load = 0x1900;
    const std::string path = ImageBuilder(800)
                                 .AddEntry(Entry('$', "AB", 6, 3))
                                 .AddEntry(Entry('$', "A/B", 5, 0))
                                 .AddEntry(locked)
                                 .AddEntry(Entry('$', "OTHER", 2))
                                 .FileData(6, {'x', 'y', 'z'})
                                 .WriteToTemp(dir_, "fill.ssd");
    TDFSDiskFrm* window = Frame().NewDFSFiler(path);
    const std::string& temp = window->TempAreaPath;
    SelectRows(window, "111");
    QCOMPARE(TempAreaListing(temp),
             QStringList({"$.A#2FB", "$.A#2FB.INF", "$.AB", "$.AB.INF", "B.LOCK", "B.LOCK.INF"}));
    QCOMPARE(ReadText(temp, "$.AB"), QByteArray("xyz"));
    QCOMPARE(ReadText(temp, "$.AB.INF"), QByteArray("$.AB       000000 000000 000003  "));
    QCOMPARE(ReadText(temp, "$.A#2FB"), QByteArray());
    QCOMPARE(ReadText(temp, "B.LOCK.INF"), QByteArray("B.LOCK     001900 000000 000010 L"));

    QVERIFY(window->Disk()->RenameFile('$', "AB", "MOVED"));
    ClickGridRow(window, 4, Qt::ControlModifier);
    QCOMPARE(TempAreaListing(temp), QStringList({"$.A#2FB", "$.A#2FB.INF", "$.OTHER", "$.OTHER.INF",
                                                 "B.LOCK", "B.LOCK.INF"}));
    ClickGridRow(window, 2, Qt::ControlModifier, Qt::RightButton);
    QCOMPARE(TempAreaListing(temp),
             QStringList({"$.OTHER", "$.OTHER.INF", "B.LOCK", "B.LOCK.INF"}));
    QVERIFY(Prompts().Texts().empty());
  }

  // The drag offers the temp-area files as file URLs in row order, each data file
  // followed by its side-car; a file gone from the temp area stops the drag.
  void dragDataListsTheTempFiles() {
    const std::string path = ImageBuilder(800)
                                 .AddEntry(Entry('$', "ONE", 3))
                                 .AddEntry(Entry('$', "TWO", 2))
                                 .WriteToTemp(dir_, "data.ssd");
    TDFSDiskFrm* window = Frame().NewDFSFiler(path);
    QVERIFY(window->MakeDragData() == nullptr);
    SelectRows(window, "11");
    const QString temp = QString::fromStdString(window->TempAreaPath);
    QList<QUrl> expected;
    for (const char* name : {"$.ONE", "$.ONE.INF", "$.TWO", "$.TWO.INF"}) {
      expected << QUrl::fromLocalFile(temp + "/" + name);
    }
    std::unique_ptr<QMimeData> data = window->MakeDragData();
    QVERIFY(data != nullptr);
    QCOMPARE(data->urls(), expected);

    const QPoint start = window->FileRowRect(1).center();
    QTest::mousePress(window->DFSFiles->viewport(), Qt::LeftButton, Qt::NoModifier, start);
    QVERIFY(QFile::remove(temp + "/$.TWO.INF"));
    QTest::mouseMove(window->DFSFiles->viewport(), start + QPoint(0, 6));
    QTest::mouseRelease(window->DFSFiles->viewport(), Qt::LeftButton, Qt::NoModifier, start);
    QCOMPARE(PromptTexts(Prompts()),
             QStringList{"Cannot find file \"" + temp + "/$.TWO.INF\". No such file or directory"});
    QVERIFY(!window->DragTimer->isActive());
  }

  // A drag starts once the pointer is 5 pixels away with the left button held; it marks
  // this window as the drag source until the drag timer's first tick, and the release
  // that ends it opens no editor. (The offscreen platform ends a drag at once.)
  void dragStartsFivePixelsAway() {
    const std::string path =
        ImageBuilder(800).AddEntry(Entry('$', "ONE", 2)).WriteToTemp(dir_, "start.ssd");
    TDFSDiskFrm* window = Frame().NewDFSFiler(path);
    QWidget* viewport = window->DFSFiles->viewport();
    const QPoint start = window->FileRowRect(1, 3).center();
    ClickGridRow(window, 1);
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, start);
    QTest::mouseMove(viewport, start + QPoint(4, 4));
    QVERIFY(!window->DragTimer->isActive());
    QCOMPARE(Frame().DragSource, nullptr);
    QTest::mouseMove(viewport, start + QPoint(-5, 0));
    QVERIFY(window->DragTimer->isActive());
    QVERIFY(!window->DraggingOut);
    QCOMPARE(Frame().DragSource, window);
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, start);
    QVERIFY(!window->Editing);
    QTRY_COMPARE_WITH_TIMEOUT(Frame().DragSource, nullptr, 2000);
    QVERIFY(!window->DragTimer->isActive());

    // A later drag from another window keeps its mark when this window's timer ticks.
    TDFSDiskFrm* other = Frame().NewDFSFiler(path);
    window->DragTimer->start();
    Frame().DragSource = other;
    QTest::qWait(700);
    QCOMPARE(Frame().DragSource, other);
  }

  // Without a temp area nothing is written and no drag starts.
  void noTempAreaNoDrag() {
    const std::string path =
        ImageBuilder(800).AddEntry(Entry('$', "ONE", 2)).WriteToTemp(dir_, "none.ssd");
    TDFSDiskFrm* window = Frame().NewDFSFiler(path);
    const std::string temp = window->TempAreaPath;
    Frame().ClearTempArea();
    window->TempAreaPath.clear();
    const QPoint start = window->FileRowRect(1).center();
    QTest::mousePress(window->DFSFiles->viewport(), Qt::LeftButton, Qt::NoModifier, start);
    QTest::mouseMove(window->DFSFiles->viewport(), start + QPoint(10, 0));
    QTest::mouseRelease(window->DFSFiles->viewport(), Qt::LeftButton, Qt::NoModifier, start);
    QVERIFY(TempAreaListing(temp).isEmpty());
    QVERIFY(!window->DragTimer->isActive());
    QCOMPARE(Frame().DragSource, nullptr);
  }

  // Files dragged from one window arrive in another with their directory, addresses,
  // lock and bytes; dropped back on the window they came from, they change nothing.
  void dragOutAndBackIn() {
    ImageEntry locked = Entry('B', "LOCKED", 3, 0x123);
    locked.locked = true;
    locked.load = 0xFF1900;
    locked.exec = 0x8023;
    const std::vector<uint8_t> bytes = PatternBytes(0x123, 7);
    const std::string sourcePath = ImageBuilder(800)
                                       .AddEntry(locked)
                                       .AddEntry(Entry('$', "EMPTY", 2, 0))
                                       .FileData(3, bytes)
                                       .WriteToTemp(dir_, "source.ssd");
    const std::string targetPath = ImageBuilder(400).WriteToTemp(dir_, "target.ssd");
    TDFSDiskFrm* source = Frame().NewDFSFiler(sourcePath);
    TDFSDiskFrm* target = Frame().NewDFSFiler(targetPath);
    SelectRows(source, "11");
    std::unique_ptr<QMimeData> data = source->MakeDragData();
    QVERIFY(data != nullptr);

    Frame().DragSource = source;
    QVERIFY(!DropUrls(source, data->urls()));
    QCOMPARE(CatalogueLines(sourcePath),
             QStringList({"B.LOCKED FF1900 008023 000123 L", "$.EMPTY 000000 000000 000000"}));
    QCOMPARE(Frame().DragSource, nullptr);

    Frame().DragSource = source;
    QVERIFY(DropUrls(target, data->urls()));
    QStringList arrived = CatalogueLines(targetPath);
    QStringList sent = CatalogueLines(sourcePath);
    arrived.sort();
    sent.sort();
    QCOMPARE(arrived, sent);
    const std::optional<DFSFileClass> copy = target->Disk()->FindFile('B', "LOCKED ");
    QVERIFY(copy.has_value());
    QCOMPARE(target->Disk()->ReadFileData(*copy), bytes);
    QVERIFY(Prompts().Texts().empty());
  }

 private:
  QTemporaryDir tmpdir_;
  QByteArray savedTmpdir_;
};

KESTROW_GUI_TEST_MAIN(DiskWindowDragDropTest)
#include "test_diskwindow_dragdrop.moc"
