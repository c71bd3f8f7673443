// SPDX-License-Identifier: GPL-3.0-or-later
// Find: the dialog's Alpha and Hex boxes kept in step with their checks, then searches
// through an inspector window written as Find (F) and Find Again (A) steps, each
// followed by the bytes and selection in markup (see InspectorTestSupport.h).
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QtTest>
#include <sstream>

#include "inspector/FileInspector.h"
#include "inspector/Find.h"
#include "inspector/SScrollBar.h"
#include "platform/ScriptedPrompts.h"
#include "support_gui/InspectorTestSupport.h"

namespace {

const char* const kInvalidHex = "The pasted value is not a valid hexidecimal number";
const char* const kOddDigits =
    "You must enter whole byte values for the hex, nybbles are not permitted.";
const char* const kNotFound = "No occurances can be found";

// Runs "A:text" (typed into Alpha), "H:text" (typed into Hex), "P:text" (pasted into
// Hex with Ctrl+V) and "BS" (Backspace in Hex).
void RunBoxScript(TFindFrm& form, const QString& script) {
  for (const QString& step : script.split(' ', Qt::SkipEmptyParts)) {
    const QString text = step.mid(2);
    if (step.startsWith("A:")) {
      QTest::keyClicks(form.AlphaEdit, text);
    } else if (step.startsWith("H:")) {
      QTest::keyClicks(form.HexEdit, text);
    } else if (step.startsWith("P:")) {
      QApplication::clipboard()->setText(text);
      QTest::keyClick(form.HexEdit, Qt::Key_V, Qt::ControlModifier);
    } else if (step == "BS") {
      QTest::keyClick(form.HexEdit, Qt::Key_Backspace);
    } else {
      QFAIL(qPrintable("Unknown step " + step));
    }
  }
}

}  // namespace

class TestFind : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void boxesKeptInStep_data();
  void boxesKeptInStep();
  void findButtonAndEnter_data();
  void findButtonAndEnter();
  void searches_data();
  void searches();
  void foundRowScrolledThirdFromTop_data();
  void foundRowScrolledThirdFromTop();
  void captionsAreWhollyShown_data();
  void captionsAreWhollyShown();

 private:
  // One dialog for the whole run, as the program has.
  std::unique_ptr<TFindFrm> form_;
};

void TestFind::initTestCase() {
  form_ = std::make_unique<TFindFrm>();
}

void TestFind::init() {
  form_->HexEdit->clear();
  form_->IgnoreCaseChk->setChecked(false);
}

void TestFind::boxesKeptInStep_data() {
  QTest::addColumn<QString>("script");
  QTest::addColumn<QString>("alpha");
  QTest::addColumn<QString>("hex");
  QTest::addColumn<QString>("message");
  auto row = [](const char* name, const char* script, const char* alpha, const char* hex,
                const char* message = "") {
    QTest::newRow(name) << script << alpha << hex << message;
  };
  row("letters", "A:abc", "abc", "616263");
  row("two digits", "H:41", "A", "41");
  row("odd digit left out", "H:414", "A", "414");
  row("backspace", "H:4142 BS", "A", "414");
  row("lower case entered upper", "H:6f", "o", "6F");
  row("not a digit", "H:4G1", "A", "41");
  row("alpha rewritten from hex", "A:xyz H:41", "xyzA", "78797A41");
  row("valid paste", "P:4142", "AB", "4142");
  row("paste of 4a empties both", "A:xy P:4a", "", "", kInvalidHex);
}

void TestFind::boxesKeptInStep() {
  QFETCH(QString, script);
  ScopedScriptedPrompts prompts;
  RunBoxScript(*form_, script);
  QTEST(form_->AlphaEdit->text(), "alpha");
  QTEST(form_->HexEdit->text(), "hex");
  QFETCH(QString, message);
  QCOMPARE(prompts->Messages(), message.isEmpty()
                                    ? std::vector<std::string>{}
                                    : std::vector<std::string>{message.toStdString()});
}

void TestFind::findButtonAndEnter_data() {
  QTest::addColumn<QString>("hex");
  QTest::addColumn<QString>("how");
  QTest::addColumn<bool>("accepted");
  auto row = [](const char* name, const char* hex, const char* how, bool accepted) {
    QTest::newRow(name) << hex << how << accepted;
  };
  row("button", "4142", "button", true);
  row("enter in Alpha", "4142", "alpha", true);
  row("enter in Hex", "4142", "hex", true);
  row("odd digits, button", "414", "button", false);
  row("odd digits, enter", "414", "hex", false);
}

void TestFind::findButtonAndEnter() {
  QFETCH(QString, hex);
  QFETCH(QString, how);
  QFETCH(bool, accepted);
  ScopedScriptedPrompts prompts;
  form_->HexEdit->setText(hex);
  form_->setResult(QDialog::Rejected);
  form_->show();
  if (how == "button") {
    QTest::mouseClick(form_->Button1, Qt::LeftButton);
  } else {
    QTest::keyClick(how == "alpha" ? form_->AlphaEdit : form_->HexEdit, Qt::Key_Return);
  }
  QCOMPARE(form_->result() == QDialog::Accepted, accepted);
  QCOMPARE(form_->isVisible(), !accepted);
  QCOMPARE(prompts->Messages(),
           accepted ? std::vector<std::string>{} : std::vector<std::string>{kOddDigits});
  form_->hide();
}

void TestFind::searches_data() {
  QTest::addColumn<QString>("buffer");
  QTest::addColumn<QString>("hex");
  QTest::addColumn<bool>("ignoreCase");
  QTest::addColumn<QString>("steps");
  QTest::addColumn<QString>("after");
  auto row = [](const char* name, const char* buffer, const char* hex, bool ignoreCase,
                const char* steps, const QString& after) {
    QTest::newRow(name) << buffer << hex << ignoreCase << steps << after;
  };
  // Overlapping occurrences in turn, one beep, then from the start again.
  row("AAAA", "AAAA", "4141", false, "F A A A A",
      "[AA]AA ; A[AA]A ; AA[AA] ; AA[AA] beep ; [AA]AA");
  row("Find starts again from 0", "AAAA", "4141", false, "F A F", "[AA]AA ; A[AA]A ; [AA]AA");
  row("match at the very end", "xxAB", "4142", false, "F A", "xx[AB] ; xx[AB] beep");
  row("ignore case", "HELLO.world", "68656C6C6F", true, "F", "[HELLO].world");
  row("case counts otherwise", "HELLO.world", "68656C6C6F", false, "F A",
      QString("HELLO.world msg ; HELLO.world msg").replace("msg", kNotFound));
  // Latin-1 a and e acute are not folded onto their capitals.
  row("bytes above 127 as they are", "{E1}{E9}{C1}{C9}", "C1C9", true, "F A",
      "{E1}{E9}[{C1}{C9}] ; {E1}{E9}[{C1}{C9}] beep");
  row("pattern holding 00", "a{00}b{00}c", "0063", false, "F", "a{00}b[{00}c]");
  row("empty Hex", "abc", "", false, "F A", "abc ; abc");
}

void TestFind::searches() {
  QFETCH(QString, buffer);
  QFETCH(QString, hex);
  QFETCH(bool, ignoreCase);
  QFETCH(QString, steps);
  ScopedScriptedPrompts prompts;
  InspectedFile file({});
  SetFromMarkup(*file.Data, buffer.toStdString());
  InspectorDesk desk;
  TFileInspectorFrm* window = desk.Open(*file.Data);
  form_->HexEdit->setText(hex);
  form_->IgnoreCaseChk->setChecked(ignoreCase);

  QStringList outcomes;
  for (const QString& step : steps.split(' ')) {
    prompts->Clear();
    step == "F" ? window->Find(*form_) : window->FindAgain(*form_);
    QString outcome = QString::fromStdString(InspectorMarkup(*file.Data));
    for (const ScriptedPrompts::Event& event : prompts->Events()) {
      outcome += event.kind == ScriptedPrompts::Kind::Beep
                     ? " beep"
                     : " " + QString::fromStdString(event.text);
    }
    outcomes << outcome;
  }
  QTEST(outcomes.join(" ; "), "after");
}

void TestFind::foundRowScrolledThirdFromTop_data() {
  QTest::addColumn<int>("offset");
  QTest::addColumn<QString>("where");
  auto row = [](const char* name, int offset, const char* where) {
    QTest::newRow(name) << offset << where;
  };
  row("inside a row: third row", 0x805, "row 2");
  row("starting a row: fourth row", 0x800, "row 3");
  row("near the start", 0x15, "top");
  row("near the end", 4090, "bottom");
}

void TestFind::foundRowScrolledThirdFromTop() {
  QFETCH(int, offset);
  QFETCH(QString, where);
  ScopedScriptedPrompts prompts;
  std::vector<uint8_t> bytes(4096, '.');
  std::copy_n("KEY", 3, bytes.begin() + offset);
  InspectedFile file(bytes);
  InspectorDesk desk;
  TFileInspectorFrm* window = desk.Open(*file.Data);
  form_->HexEdit->setText("4B4559");
  window->Find(*form_);
  QCOMPARE(file.Data->SelStart, offset);

  const TSScrollBar& bar = *window->VScrollBar;
  const int rowHeight = window->Layout().RowHeight;
  QVERIFY(bar.maximum() > 0);
  if (where == "top") {
    QCOMPARE(bar.value(), 0);
  } else if (where == "bottom") {
    QCOMPARE(bar.value(), bar.maximum());
  } else {
    QCOMPARE(bar.value() % rowHeight, 0);
    QCOMPARE("row " + QString::number(offset / 16 - bar.value() / rowHeight), where);
  }
}

void TestFind::captionsAreWhollyShown_data() {
  QTest::addColumn<int>("spacing");
  // The platform's own font, and one that runs a third wider.
  QTest::newRow("platform font") << 100;
  QTest::newRow("wider font") << 133;
}

void TestFind::captionsAreWhollyShown() {
  QFETCH(int, spacing);
  // The dialog follows the application's font for as long as the test runs.
  struct FontGuard {
    QFont platformFont = QApplication::font();
    ~FontGuard() { QApplication::setFont(platformFont); }
  } guard;
  QFont font = guard.platformFont;
  font.setLetterSpacing(QFont::PercentageSpacing, spacing);
  QApplication::setFont(font);
  TFindFrm form;
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  for (const char* name : {"Label1", "Label2", "IgnoreCaseChk", "Button1"}) {
    auto* control = form.findChild<QWidget*>(name);
    QVERIFY2(control != nullptr, name);
    // A button's size hint asks for the style's minimum width as well; only its caption
    // and margins have to fit.
    auto* button = qobject_cast<QPushButton*>(control);
    const int needed = button == nullptr
                           ? control->sizeHint().width()
                           : button->fontMetrics().horizontalAdvance(button->text()) +
                                 2 * button->style()->pixelMetric(QStyle::PM_ButtonMargin);
    QVERIFY2(control->width() >= needed, qPrintable(QString("%1 is %2 wide, its caption needs %3")
                                                        .arg(name)
                                                        .arg(control->width())
                                                        .arg(needed)));
    QVERIFY2(form.rect().contains(control->geometry()), name);
  }
  // The check box keeps to the right edge of the boxes above it and clear of them.
  QCOMPARE(form.IgnoreCaseChk->geometry().right(), form.HexEdit->geometry().right() - 1);
  QVERIFY(!form.IgnoreCaseChk->geometry().intersects(form.HexEdit->geometry()));
  QVERIFY(!form.IgnoreCaseChk->geometry().intersects(form.Button1->geometry()));
}

QTEST_MAIN(TestFind)
#include "test_find.moc"
