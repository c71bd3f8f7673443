// SPDX-License-Identifier: GPL-3.0-or-later
// The warning a locked file's inspector shows: a panel in front of the status bar that
// flashes for twenty half-second ticks and beeps while it is young.
#include <QTimer>
#include <QtTest>

#include "inspector/FileInspector.h"
#include "platform/ScriptedPrompts.h"
#include "support_gui/InspectorTestSupport.h"

namespace {

// Counts the pixels of the lock panel as drawn now, by kind.
struct PanelPixels {
  int Black = 0;
  int Yellow = 0;
  int Red = 0;
  int Background = 0;
};

PanelPixels LockPanelPixels(TFileInspectorFrm& window) {
  const QImage image = window.StatusBar->grab(window.PanelRect(0)).toImage();
  const QColor background = window.StatusBar->palette().color(QPalette::Window);
  PanelPixels pixels;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor colour = image.pixelColor(x, y);
      pixels.Black += colour == Qt::black;
      pixels.Background += colour == background;
      pixels.Yellow += colour.red() == colour.green() && colour.red() > 128 && colour.blue() < 64;
      pixels.Red += colour.red() > 128 && colour.green() < 64 && colour.blue() < 64;
    }
  }
  return pixels;
}

}  // namespace

class TestInspectorLock : public QObject {
  Q_OBJECT

 private slots:
  void unlockedFileHasNoWarning();
  void warningPanelInFront();
  void beepsWhileYoungThenFlashes();
  void timerRunsTwentyTicks();
};

void TestInspectorLock::unlockedFileHasNoWarning() {
  ScopedScriptedPrompts prompts;
  InspectedFile file(PatternBytes(10), false);
  InspectorDesk desk;
  TFileInspectorFrm* window = desk.Open(*file.Data);
  QCOMPARE(window->PanelCount(), 3);
  QVERIFY(!window->LockedTimer->isActive());
  QCOMPARE(prompts->BeepCount(), 0);
}

void TestInspectorLock::warningPanelInFront() {
  ScopedScriptedPrompts prompts;
  InspectedFile file(PatternBytes(10), true);
  InspectorDesk desk;
  TFileInspectorFrm* window = desk.Open(*file.Data);
  QCOMPARE(window->PanelCount(), 4);
  QCOMPARE(window->PanelText(0), " File is locked !");
  QVERIFY(window->PanelWidth(0) >=
          QFontMetrics(window->StatusBar->font()).horizontalAdvance(" File is locked !"));
  // The size texts keep their own panels, also when written after the warning came.
  QCOMPARE(window->PanelText(1), "Original size : 10 bytes");
  QTRY_COMPARE(window->PanelText(2), "Current size : 10 bytes");
  QCOMPARE(window->PanelText(3), "OVR     ");
  window->ShowOriginalSize(12);
  QCOMPARE(window->PanelText(1), "Original size : 12 bytes");
  QCOMPARE(window->PanelText(0), " File is locked !");
  QTest::keyClick(window->View(), Qt::Key_Insert);
  QCOMPARE(window->PanelText(3), "INS     ");
  QCOMPARE(window->LockedTimer->interval(), 500);
  QVERIFY(window->LockedTimer->isActive());
  QCOMPARE(window->LockedCounter(), 20);
}

void TestInspectorLock::beepsWhileYoungThenFlashes() {
  ScopedScriptedPrompts prompts;
  InspectedFile file(PatternBytes(10), true);
  InspectorDesk desk;
  TFileInspectorFrm* window = desk.Open(*file.Data);
  window->LockedTimer->stop();             // the test drives the ticks
  QTRY_VERIFY(prompts->BeepCount() >= 1);  // drawn once at counter 20
  QTest::qWait(20);
  const int firstBeeps = prompts->BeepCount();

  // Each tick redraws the warning; it beeps while the counter is above 15.
  for (int counter = 19; counter >= 16; --counter) {
    window->LockedTimerTimer();
    QCOMPARE(window->LockedCounter(), counter);
    QCOMPARE(prompts->BeepCount(), firstBeeps + 20 - counter);
  }
  const int beeps = prompts->BeepCount();
  window->LockedTimerTimer();
  QCOMPARE(window->LockedCounter(), 15);
  QCOMPARE(prompts->BeepCount(), beeps);

  // Odd: yellow on black. Even: red on the status bar's own background.
  PanelPixels odd = LockPanelPixels(*window);
  QVERIFY(odd.Black > 0 && odd.Yellow > 0);
  QCOMPARE(odd.Red + odd.Background, 0);
  window->LockedTimerTimer();
  PanelPixels even = LockPanelPixels(*window);
  QVERIFY(even.Red > 0 && even.Background > 0);
  QCOMPARE(even.Black + even.Yellow, 0);
  QCOMPARE(prompts->BeepCount(), beeps);
  QCOMPARE(prompts->Messages(), std::vector<std::string>());
}

void TestInspectorLock::timerRunsTwentyTicks() {
  ScopedScriptedPrompts prompts;
  InspectedFile file(PatternBytes(10), true);
  InspectorDesk desk;
  TFileInspectorFrm* window = desk.Open(*file.Data);
  window->LockedTimer->setInterval(5);
  QTRY_COMPARE(window->LockedCounter(), 0);
  QVERIFY(!window->LockedTimer->isActive());
  QTest::qWait(30);
  QCOMPARE(window->LockedCounter(), 0);
  // The warning stays, red on the normal background, for the window's life.
  PanelPixels last = LockPanelPixels(*window);
  QVERIFY(last.Red > 0 && last.Background > 0);
  QCOMPARE(last.Black, 0);
  // Drawn at 20, then at 19 to 16: five beeps.
  QCOMPARE(prompts->BeepCount(), 5);
}

QTEST_MAIN(TestInspectorLock)
#include "test_inspector_lock.moc"
