// SPDX-License-Identifier: GPL-3.0-or-later
// The inspector's clipboard: Copy offers the bytes under the private format together
// with their hex dump as text, Paste inserts or overwrites them, written as before/after
// markup (see InspectorTestSupport.h). realClipboardReachesOtherPrograms needs an X
// server and another program: tests/scripts/clipboard_xclip.sh runs it under Xvfb.
#include <QClipboard>
#include <QMimeData>
#include <QProcess>
#include <QtTest>

#include "inspector/FileInspector.h"
#include "platform/ScriptedPrompts.h"
#include "support_gui/InspectorTestSupport.h"
#include "util/UsefulQt.h"

namespace {

const char* const kFormat = "Kestrow_V0_3";

QString Spaces(int count) {
  return QString(count, ' ');
}

// The text copy of offsets 14 to 17 of "ABCDEFGHIJKLMNOP{00}R...": two rows.
const QString kOffsets14To17 = "000000 " + Spaces(14 * 3) + "4F 50 " + Spaces(14) + "OP" + "\r\n" +
                               "000010 " + "00 52 " + Spaces(14 * 3) + ".R" + Spaces(14);
const char* const kOffsets14To17Markup = "ABCDEFGHIJKLMN[OP{00}R]STUVWXYZ012345";

QByteArray BytesOf(const std::string& markup) {
  InspectorDataClass data;
  SetFromMarkup(data, markup);
  const std::vector<uint8_t>& bytes = data.Buffer.Bytes();
  return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

QString Markup(const InspectorDataClass& data) {
  return QString::fromStdString(InspectorMarkup(data));
}

// The markup as the data would render it, so bytes may be written in hex.
QString Normalised(const std::string& markup) {
  InspectorDataClass data;
  SetFromMarkup(data, markup);
  return Markup(data);
}

// An inspector on markup, with the private format set as the main frame sets it.
struct OpenFile {
  explicit OpenFile(InspectorDesk& desk, const std::string& markup) : file({}) {
    SetFromMarkup(*file.Data, markup);
    file.Data->ClipboardFormat = kFormat;
    window = desk.Open(*file.Data);
  }
  InspectedFile file;
  TFileInspectorFrm* window;
};

// Runs xclip to its end while this process keeps serving the clipboard it owns.
QByteArray Xclip(const QStringList& arguments, const QByteArray& input = {}) {
  QProcess xclip;
  if (!input.isEmpty()) {
    // xclip -i stays behind to serve the clipboard; it must not hold our pipes.
    xclip.setStandardOutputFile(QProcess::nullDevice());
    xclip.setStandardErrorFile(QProcess::nullDevice());
  }
  xclip.start("xclip", QStringList{"-selection", "clipboard"} + arguments);
  if (!xclip.waitForStarted()) {
    return "<xclip did not start>";
  }
  if (!input.isEmpty()) {
    xclip.write(input);
    xclip.closeWriteChannel();
  }
  if (!QTest::qWaitFor([&] { return xclip.state() == QProcess::NotRunning; }, 10000)) {
    xclip.kill();
    xclip.waitForFinished();
    return "<xclip timed out>";
  }
  return input.isEmpty() ? xclip.readAllStandardOutput() : QByteArray();
}

}  // namespace

class TestClipboard : public QObject {
  Q_OBJECT

 private slots:
  void allByteValuesBetweenTwoInspectors();
  void textForm_data();
  void textForm();
  void paste_data();
  void paste();
  void realClipboardReachesOtherPrograms();
};

void TestClipboard::allByteValuesBetweenTwoInspectors() {
  ScopedScriptedPrompts prompts;
  std::string allBytes;
  for (int byte = 0; byte < 256; ++byte) {
    allBytes += QString::asprintf("{%02X}", byte).toStdString();
  }
  InspectorDesk desk;
  OpenFile source(desk, allBytes);
  OpenFile target(desk, "x|y");
  source.window->SelectAll();
  QCOMPARE(Markup(*source.file.Data), Normalised("[" + allBytes + "]"));
  source.window->CopyBytes();
  const QMimeData* offered = QApplication::clipboard()->mimeData();
  QCOMPARE(offered->data(kFormat), BytesOf(allBytes));
  QCOMPARE(offered->text().split("\r\n").size(), 16);

  target.window->SetOverType(false);
  QVERIFY(target.window->CanPaste());
  target.window->PasteBytes();
  QCOMPARE(Markup(*target.file.Data), Normalised("x|" + allBytes + "y"));
  target.window->Undo();
  QCOMPARE(Markup(*target.file.Data), "x|y");
  QCOMPARE(prompts->Messages(), std::vector<std::string>{});
}

void TestClipboard::textForm_data() {
  QTest::addColumn<QString>("markup");
  QTest::addColumn<QString>("text");
  QTest::newRow("offsets 14 to 17") << kOffsets14To17Markup << kOffsets14To17;
  QTest::newRow("offsets 2 to 4") << "AB[CDE]FGHIJKLMNOP"
                                  << "000000 " + Spaces(6) + "43 44 45 " + Spaces(33) + Spaces(2) +
                                         "CDE" + Spaces(11);
}

void TestClipboard::textForm() {
  QFETCH(QString, markup);
  ScopedScriptedPrompts prompts;
  InspectorDesk desk;
  OpenFile file(desk, markup.toStdString());
  file.window->CopyBytes();
  const QString text = QApplication::clipboard()->mimeData()->text();
  QTEST(text, "text");
  for (const QString& line : text.split("\r\n")) {
    QCOMPARE(line.size(), 71);
  }
  QCOMPARE(Markup(*file.file.Data), markup);
}

void TestClipboard::paste_data() {
  QTest::addColumn<QString>("before");
  QTest::addColumn<QString>("mode");
  QTest::addColumn<QString>("format");  // the clipboard holds "bytes" or "text"
  QTest::addColumn<QString>("content");
  QTest::addColumn<QString>("after");
  QTest::addColumn<QString>("message");
  auto row = [](const char* name, const char* before, const char* mode, const char* format,
                const QString& content, const char* after, const char* message = "") {
    QTest::newRow(name) << before << mode << format << content << after << message;
  };
  row("insert at the caret", "ABC|DEF", "INS", "bytes", "XY", "ABC|XYDEF");
  row("overtype at the caret", "A|BCDEF", "OVR", "bytes", "XY", "A|XYDEF");
  row("overtype past the end refused", "ABCDE|F", "OVR", "bytes", "XY", "ABCDE|F",
      "Stream read error");
  row("overtype at the end position appends", "ABCDEF|", "OVR", "bytes", "XY", "ABCDEF|XY");
  row("insert at the end position", "ABCDEF|", "INS", "text", "XY", "ABCDEF|XY");
  row("insert in front of a selection", "A[BCD]EF", "INS", "bytes", "XY", "A[XYB]CDEF");
  row("overtype from a selection's first byte", "A[BCD]EF", "OVR", "text", "XY", "A[XYD]EF");
  row("reversed selection", "ABCDEF (3,1)", "OVR", "bytes", "XY", "AXYDEF (3,1)");
  row("selection past the end refused", "ABC (1,5)", "INS", "bytes", "XY", "ABC (1,5)",
      "Stream read error");
  row("no caret", "ABC", "INS", "bytes", "XY", "ABC");
  row("empty private block", "AB|C", "INS", "bytes", "", "AB|C");
  // One byte per character: above 255 (also beyond 16 bits) a "?".
  row("text as single bytes", "|", "INS", "text", QString::fromUtf8("a\u00e9\u20ac\U0001F600\r\n"),
      "|a{E9}??{0D}{0A}");
}

void TestClipboard::paste() {
  QFETCH(QString, before);
  QFETCH(QString, mode);
  QFETCH(QString, format);
  QFETCH(QString, content);
  QFETCH(QString, message);
  ScopedScriptedPrompts prompts;
  InspectorDesk desk;
  OpenFile file(desk, before.toStdString());
  auto* offered = new QMimeData;
  format == "bytes" ? offered->setData(kFormat, content.toLatin1()) : offered->setText(content);
  QApplication::clipboard()->setMimeData(offered);
  file.window->SetOverType(mode == "OVR");

  file.window->PasteBytes();
  QTEST(Markup(*file.file.Data), "after");
  QCOMPARE(prompts->Messages(), message.isEmpty()
                                    ? std::vector<std::string>{}
                                    : std::vector<std::string>{message.toStdString()});
  // One undo step takes any paste back, caret or selection included.
  const QString original = Normalised(before.toStdString());
  const bool pasted = Markup(*file.file.Data) != original;
  QCOMPARE(file.file.Data->UndoList.size(), size_t{pasted ? 1u : 0u});
  file.window->Undo();
  QCOMPARE(Markup(*file.file.Data), original);
}

void TestClipboard::realClipboardReachesOtherPrograms() {
  if (QGuiApplication::platformName() != "xcb") {
    QSKIP("Needs an X server; tests/scripts/clipboard_xclip.sh runs it under Xvfb");
  }
  ScopedScriptedPrompts prompts;
  InspectorDesk desk;
  OpenFile file(desk, kOffsets14To17Markup);
  file.window->CopyBytes();
  QCOMPARE(QString::fromLatin1(Xclip({"-o"})), kOffsets14To17);
  QVERIFY(Xclip({"-t", "TARGETS", "-o"}).split('\n').contains(kFormat));
  QCOMPARE(Xclip({"-t", kFormat, "-o"}), BytesOf("OP{00}R"));

  // Text another program copies is pasted as single bytes.
  Xclip({"-t", "UTF8_STRING", "-i"}, QString::fromUtf8("Z\u00e9\u20ac").toUtf8());
  QTRY_VERIFY_WITH_TIMEOUT(!ClipboardHasFormat(kFormat) && ClipboardHasText(), 5000);
  SetFromMarkup(*file.file.Data, "AB|C");
  file.window->SetOverType(false);
  file.window->PasteBytes();
  QCOMPARE(Markup(*file.file.Data), "AB|Z{E9}?C");
}

QTEST_MAIN(TestClipboard)
#include "test_clipboard.moc"
