// SPDX-License-Identifier: GPL-3.0-or-later
// The Save changes review: ticking, Select All / Select none, and what each button reports.
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>
#include <memory>

#include "app/children/KestrowClasses.h"
#include "dialogs/SaveChanges.h"

namespace {

std::unique_ptr<InspectorDataClass> ChangedFile(const std::string& title, char directory,
                                                const std::string& name,
                                                const std::string& imagePath) {
  auto data = std::make_unique<InspectorDataClass>();
  data->DiskTitle = title;
  data->Directory = directory;
  data->Name = name;
  data->ImagePath = imagePath;
  data->Changed = true;
  return data;
}

// Clicks the check box of one line, as a user would.
void ClickCheckBox(QListWidget* list, int row) {
  QListWidgetItem* item = list->item(row);
  QStyleOptionViewItem option;
  option.initFrom(list->viewport());
  option.rect = list->visualItemRect(item);
  option.features |= QStyleOptionViewItem::HasCheckIndicator;
  QRect box = list->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, list);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, box.center());
}

bool Ticked(QListWidget* list, int row) {
  return list->item(row)->checkState() == Qt::Checked;
}

}  // namespace

class SaveChangesTest : public QObject {
  Q_OBJECT

 private:
  std::vector<std::unique_ptr<InspectorDataClass>> files_;
  std::unique_ptr<TSaveChangesFrm> dialog_;

  void OpenWith(int count) {
    dialog_->ChangedFiles.clear();
    for (int i = 0; i < count; ++i) {
      dialog_->ChangedFiles.push_back(files_[i].get());
    }
    dialog_->open();
    QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
  }

 private slots:
  void init() {
    files_.clear();
    files_.push_back(ChangedFile("GAMES", '$', "ELITE  ", "/discs/games.ssd"));
    files_.push_back(ChangedFile("  TOOLS ", 'B', "HEX.DMP", "/discs/tools.ssd"));
    files_.push_back(ChangedFile("", 'C', "X      ", "/discs/blank.ssd"));
    dialog_ = std::make_unique<TSaveChangesFrm>();
  }

  void opensWithEveryLineUntickedAndSaveDisabled() {
    files_[0]->SaveMarked = true;  // left over from an earlier, cancelled review
    OpenWith(3);
    QCOMPARE(dialog_->windowTitle(), QString("Save changes"));
    QCOMPARE(dialog_->List->count(), 3);
    QCOMPARE(dialog_->List->item(0)->text(), QString("GAMES.$.ELITE     (/discs/games.ssd)"));
    QCOMPARE(dialog_->List->item(1)->text(), QString("  TOOLS .B.HEX.DMP   (/discs/tools.ssd)"));
    for (int row = 0; row < 3; ++row) {
      QVERIFY(!Ticked(dialog_->List, row));
    }
    QVERIFY(!files_[0]->SaveMarked);
    QVERIFY(!dialog_->Save->isEnabled());
  }

  void tickingOneLineEnablesSaveAndUntickingDisablesIt() {
    OpenWith(2);
    ClickCheckBox(dialog_->List, 1);
    QVERIFY(Ticked(dialog_->List, 1));
    QVERIFY(dialog_->Save->isEnabled());
    ClickCheckBox(dialog_->List, 1);
    QVERIFY(!Ticked(dialog_->List, 1));
    QVERIFY(!dialog_->Save->isEnabled());
  }

  void ctrlAAndCtrlDTickAndUntickEveryLine() {
    OpenWith(3);
    QTest::keyClick(dialog_->List, Qt::Key_A, Qt::ControlModifier);
    for (int row = 0; row < 3; ++row) {
      QVERIFY(Ticked(dialog_->List, row));
    }
    QVERIFY(dialog_->Save->isEnabled());
    QTest::keyClick(dialog_->Save, Qt::Key_D, Qt::ControlModifier);
    for (int row = 0; row < 3; ++row) {
      QVERIFY(!Ticked(dialog_->List, row));
    }
    QVERIFY(!dialog_->Save->isEnabled());
    QTest::mouseClick(dialog_->SelectAll, Qt::LeftButton);
    QVERIFY(Ticked(dialog_->List, 2));
    QTest::mouseClick(dialog_->SelectNone, Qt::LeftButton);
    QVERIFY(!Ticked(dialog_->List, 2));
  }

  void saveMarksExactlyTheTickedFiles() {
    OpenWith(3);
    ClickCheckBox(dialog_->List, 0);
    ClickCheckBox(dialog_->List, 2);
    QTest::mouseClick(dialog_->Save, Qt::LeftButton);
    QCOMPARE(dialog_->result(), int(TSaveChangesFrm::ResultSave));
    QVERIFY(files_[0]->SaveMarked);
    QVERIFY(!files_[1]->SaveMarked);
    QVERIFY(files_[2]->SaveMarked);
    QCOMPARE(dialog_->List->count(), 0);  // closing empties the list
  }

  void aCancelledMarkDoesNotCarryIntoTheNextReview() {
    OpenWith(2);
    QTest::mouseClick(dialog_->SelectAll, Qt::LeftButton);
    QTest::mouseClick(dialog_->Cancel, Qt::LeftButton);
    QCOMPARE(dialog_->result(), int(TSaveChangesFrm::ResultCancel));
    QVERIFY(!files_[0]->SaveMarked);
    OpenWith(2);
    QVERIFY(!Ticked(dialog_->List, 0));
    QVERIFY(!dialog_->Save->isEnabled());
    QTest::mouseClick(dialog_->NoSave, Qt::LeftButton);
    QCOMPARE(dialog_->result(), int(TSaveChangesFrm::ResultNoSave));
    QVERIFY(!files_[0]->SaveMarked && !files_[1]->SaveMarked);
  }

  void theCloseBoxActsAsCancel() {
    OpenWith(2);
    QTest::mouseClick(dialog_->SelectAll, Qt::LeftButton);
    dialog_->close();
    QCOMPARE(dialog_->result(), int(TSaveChangesFrm::ResultCancel));
    QVERIFY(!files_[0]->SaveMarked);
  }
};

QTEST_MAIN(SaveChangesTest)
#include "test_savechanges.moc"
