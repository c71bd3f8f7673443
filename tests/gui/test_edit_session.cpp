// SPDX-License-Identifier: GPL-3.0-or-later
// A whole editing session through the windows: open an image, change a byte of a file in
// an inspector, save it, close everything, and find the change in the image file.
// scripts/valgrind-gui.sh runs it under valgrind.
#include <QTest>

#include "app/KestrowMain.h"
#include "diskwindow/DFSDisk.h"
#include "inspector/FileInspector.h"
#include "support/ImageBuilder.h"
#include "support_gui/MainFrameFixture.h"
#include "support_gui/MainFrameHelpers.h"

class TestEditSession : public MainFrameFixture {
  Q_OBJECT

 public:
  TestEditSession() : MainFrameFixture(LeftoverMessages::Fail) {}

 private slots:
  void openEditSaveClose() {
    std::vector<uint8_t> original = PatternBytes(64, 3);
    const std::string path = ImageBuilder(800)
                                 .Title("SESSION")
                                 .AddEntry({'$', "PROG", 0x1900, 0x8023, 64, 2})
                                 .FileData(2, original)
                                 .WriteToTemp(dir_, "session.ssd");
    TDFSDiskFrm* disk = OpenDisk(path);
    QVERIFY(disk != nullptr);
    TFileInspectorFrm* inspector = OpenInspectors(Frame(), disk, "1").at(0);
    TypeHex(inspector, 5, "A5");
    const std::vector<uint8_t> edited = inspector->Data()->Buffer.Bytes();
    QVERIFY(edited != original);
    ClickToolButton(Frame(), Frame().SaveFileChangesBut);
    QVERIFY(!inspector->Data()->Changed);
    QVERIFY(Frame().close());
    QVERIFY(Prompts().Texts().empty());

    std::unique_ptr<DFSDiskClass> reopened = DFSDiskClass::Create(path, 2);
    std::optional<DFSFileClass> file = reopened->FindFile('$', PadRight("PROG", 7));
    QVERIFY(file.has_value());
    QVERIFY(reopened->ReadFileData(*file) == edited);
  }
};

KESTROW_GUI_TEST_MAIN(TestEditSession)
#include "test_edit_session.moc"
