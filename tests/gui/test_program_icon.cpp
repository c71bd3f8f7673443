// SPDX-License-Identifier: GPL-3.0-or-later
// Every window shows the program's own icon, the About box's picture: the main window,
// the title bars of both child kinds, the dialogs and the message boxes.
#include <QApplication>
#include <QMdiArea>
#include <QMessageBox>
#include <QTest>

#include "app/KestrowMain.h"
#include "dialogs/About.h"
#include "dialogs/DiskProp.h"
#include "dialogs/SaveChanges.h"
#include "diskwindow/DFSDisk.h"
#include "inspector/FileInspector.h"
#include "inspector/Find.h"
#include "support_gui/MainFrameFixture.h"
#include "support_gui/MainFrameHelpers.h"

namespace {

// The logo's blue, and the green of the Qt logo that stands in when no icon is set.
const QColor kLogoBlue(0x2c, 0x4a, 0x94);
const QColor kQtGreen(0x41, 0xcd, 0x52);

int CountNear(const QImage& image, const QColor& colour) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor pixel = image.pixelColor(x, y);
      count += std::abs(pixel.red() - colour.red()) + std::abs(pixel.green() - colour.green()) +
                   std::abs(pixel.blue() - colour.blue()) <
               40;
    }
  }
  return count;
}

QImage IconImage(const QWidget* window) {
  return window->windowIcon().pixmap(32).toImage().convertToFormat(QImage::Format_RGB32);
}

}  // namespace

class ProgramIconTest : public MainFrameFixture {
  Q_OBJECT

 private slots:
  void everyWindowCarriesTheLogo() {
    TDFSDiskFrm* disk = OpenDisk(WriteImage("icon.ssd", 1));
    const std::vector<TFileInspectorFrm*> inspectors = OpenInspectors(Frame(), disk, "1");
    QCOMPARE(inspectors.size(), size_t{1});
    QMessageBox box(QMessageBox::NoIcon, "Kestrow", "text", QMessageBox::Ok, &Frame());
    const QImage logo = IconImage(&Frame());
    QVERIFY2(CountNear(logo, kLogoBlue) > 0, "the main window's icon is not the logo");
    const std::vector<std::pair<const char*, QWidget*>> windows = {
        {"disk window", disk},
        {"inspector", inspectors.front()},
        {"About box", Frame().AboutFrm},
        {"Find dialog", Frame().FindFrm},
        {"Disk properties dialog", Frame().DiskPropFrm},
        {"Save changes dialog", Frame().SaveChangesFrm},
        {"message box", &box}};
    for (const auto& [name, window] : windows) {
      QVERIFY2(IconImage(window) == logo, name);
    }
  }

  // A child paints its icon in its own title bar: the logo's blue is there, the Qt
  // logo's green is not.
  void childTitleBarsShowTheLogo() {
    TDFSDiskFrm* disk = OpenDisk(WriteImage("titlebar.ssd", 1));
    const std::vector<TFileInspectorFrm*> inspectors = OpenInspectors(Frame(), disk, "1");
    QCOMPARE(inspectors.size(), size_t{1});
    for (QMdiSubWindow* child :
         {static_cast<QMdiSubWindow*>(disk), static_cast<QMdiSubWindow*>(inspectors.front())}) {
      const int titleHeight = child->widget()->geometry().top();
      const QImage titleBar = child->grab(QRect(0, 0, titleHeight + 8, titleHeight)).toImage();
      QVERIFY2(CountNear(titleBar, kLogoBlue) > 0, qPrintable(child->windowTitle()));
      QCOMPARE(CountNear(titleBar, kQtGreen), 0);
    }
  }
};

KESTROW_GUI_TEST_MAIN(ProgramIconTest)

#include "test_program_icon.moc"
