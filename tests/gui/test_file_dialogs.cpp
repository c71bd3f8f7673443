// SPDX-License-Identifier: GPL-3.0-or-later
// The Open and Save As dialogs as the user meets them: Open takes a name whatever it
// stands for and leaves the verdict to the command (a missing image gets the program's
// own message), and Save As replaces an existing file without asking first.
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>

#include "app/KestrowMain.h"
#include "platform/QtPrompts.h"
#include "support_gui/DialogScript.h"
#include "support_gui/MainFrameFixture.h"

namespace {

// Types path into the next file dialog and presses Enter. Outcome is "accepted" when the
// dialog closed on it, "asked: TEXT" when a question box came up first (it is answered
// No), or "refused" when the dialog stayed open (it is then cancelled); "no dialog" until
// one is shown.
class FileDialogAnswer {
 public:
  explicit FileDialogAnswer(const QString& path)
      : question_([this](QMessageBox* box) {
          outcome_ = "asked: " + box->text();
          box->done(QMessageBox::No);
        }),
        dialog_([this, path](QFileDialog* dialog) { TypeName(dialog, path); }) {}
  const QString& Outcome() const { return outcome_; }

 private:
  void TypeName(QFileDialog* dialog, const QString& path) {
    auto* nameEdit = dialog->findChild<QLineEdit*>("fileNameEdit");
    if (nameEdit == nullptr) {
      outcome_ = "no name box";
      return;
    }
    outcome_ = "accepted";
    // Typed names call up the completer, which would take the Enter.
    nameEdit->setText(path);
    QTest::keyClick(nameEdit, Qt::Key_Return);
    if (outcome_ == "accepted" && dialog->isVisible()) {
      outcome_ = "refused";
    }
  }

  QString outcome_ = "no dialog";
  WhenShown<QMessageBox> question_;
  WhenShown<QFileDialog> dialog_;
};

// Real file dialogs, every other prompt scripted and recorded.
class RealFileDialogs : public ScriptedPrompts {
 public:
  explicit RealFileDialogs(QWidget* parent) : dialogs_(parent) {}
  std::string AskOpenFileName(const FileDialogOptions& options) override {
    return dialogs_.AskOpenFileName(options);
  }
  std::string AskSaveFileName(const FileDialogOptions& options) override {
    return dialogs_.AskSaveFileName(options);
  }

 private:
  QtPrompts dialogs_;
};

}  // namespace

class FileDialogsTest : public MainFrameFixture {
  Q_OBJECT

 private slots:
  void openTakesAnyName_data() {
    QTest::addColumn<bool>("exists");
    QTest::newRow("an image that is there") << true;
    QTest::newRow("a name with nothing behind it") << false;
  }
  void openTakesAnyName() {
    QFETCH(bool, exists);
    const std::string name = exists ? "there.ssd" : "missing-open.ssd";
    const QString path = dir_.filePath(QString::fromStdString(name));
    if (exists) {
      WriteImage(name);
    }
    QtPrompts dialogs(&Frame());
    const FileDialogAnswer answer(path);
    const std::string chosen = dialogs.AskOpenFileName({"single sided disk (ssd)|*.ssd", ""});
    QCOMPARE(answer.Outcome(), QString("accepted"));
    QCOMPARE(QString::fromStdString(chosen), path);
  }

  void openOnAMissingNameGetsTheOpenMessage() {
    RealFileDialogs prompts(&Frame());
    SetPrompts(&prompts);
    const FileDialogAnswer answer(dir_.filePath("missing.ssd"));
    Frame().OpenDFSFileMnuItem->trigger();
    SetPrompts(&Prompts());
    QCOMPARE(answer.Outcome(), QString("accepted"));
    QCOMPARE(
        prompts.Messages(),
        std::vector<std::string>{"Could not open \"" + dir_.filePath("missing.ssd").toStdString() +
                                 "\": No such file or directory."});
    QVERIFY(!QFileInfo::exists(dir_.filePath("missing.ssd")));
  }

  void saveReplacesWithoutAsking() {
    const QString path = dir_.filePath("taken.ssd");
    QFile taken(path);
    QVERIFY(taken.open(QIODevice::WriteOnly));
    taken.write("not an image");
    taken.close();
    RealFileDialogs prompts(&Frame());
    SetPrompts(&prompts);
    const FileDialogAnswer answer(path);
    Frame().NewDFSFileMnuItem->trigger();
    SetPrompts(&Prompts());
    QCOMPARE(answer.Outcome(), QString("accepted"));
    QVERIFY(prompts.Texts().empty());
    // The blank image (its two catalogue sectors) has replaced the file and is open.
    QCOMPARE(QFileInfo(path).size(), qint64{512});
    QCOMPARE(Frame().Registry().ChildOrder().size(), size_t{1});
  }
};

KESTROW_GUI_TEST_MAIN(FileDialogsTest)

#include "test_file_dialogs.moc"
