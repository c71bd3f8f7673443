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
#include <QTimer>

#include "app/KestrowMain.h"
#include "platform/QtPrompts.h"
#include "support_gui/MainFrameFixture.h"

namespace {

// Types path into the file dialog about to open and presses Enter. outcome becomes
// "accepted" when the dialog closed on it, "asked" when a question box came up first
// (it is answered No; outcome then gives its text), or "refused" when the dialog stayed open (it is
// then cancelled).
void AnswerNextFileDialog(const QString& path, QString& outcome) {
  outcome = "no dialog";
  QTimer::singleShot(0, [path, &outcome] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) {
      return;
    }
    auto* nameEdit = dialog->findChild<QLineEdit*>("fileNameEdit");
    if (nameEdit == nullptr) {
      outcome = "no name box";
      dialog->reject();
      return;
    }
    outcome = "accepted";
    // Whatever the dialog does with Enter, it is looked at once it has done it.
    QTimer::singleShot(300, dialog, [dialog, &outcome] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        outcome = "asked: " + box->text();
        box->done(QMessageBox::No);
      } else if (dialog->isVisible()) {
        outcome = "refused";
      }
      if (dialog->isVisible()) {
        QTimer::singleShot(0, dialog, &QDialog::reject);
      }
    });
    // Typed names call up the completer, which would take the Enter.
    nameEdit->setText(path);
    QTest::keyClick(nameEdit, Qt::Key_Return);
  });
}

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
    QString outcome;
    AnswerNextFileDialog(path, outcome);
    const std::string chosen = dialogs.AskOpenFileName({"single sided disk (ssd)|*.ssd", ""});
    QCOMPARE(outcome, QString("accepted"));
    QCOMPARE(QString::fromStdString(chosen), path);
  }

  void openOnAMissingNameGetsTheOpenMessage() {
    RealFileDialogs prompts(&Frame());
    SetPrompts(&prompts);
    QString outcome;
    AnswerNextFileDialog(dir_.filePath("missing.ssd"), outcome);
    Frame().OpenDFSFileMnuItem->trigger();
    SetPrompts(&Prompts());
    QCOMPARE(outcome, QString("accepted"));
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
    QString outcome;
    AnswerNextFileDialog(path, outcome);
    Frame().NewDFSFileMnuItem->trigger();
    SetPrompts(&Prompts());
    QCOMPARE(outcome, QString("accepted"));
    QVERIFY(prompts.Texts().empty());
    // The blank image (its two catalogue sectors) has replaced the file and is open.
    QCOMPARE(QFileInfo(path).size(), qint64{512});
    QCOMPARE(Frame().Registry().ChildOrder().size(), size_t{1});
  }
};

KESTROW_GUI_TEST_MAIN(FileDialogsTest)

#include "test_file_dialogs.moc"
