// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/SaveChanges.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/children/KestrowClasses.h"
#include "platform/QtPrompts.h"

namespace {

QFont PointFont(QFont font, int points) {
  font.setPointSize(points);
  return font;
}

QString LineText(const InspectorDataClass& data) {
  std::string text = data.DiskTitle + "." + std::string(1, data.Directory) + "." + data.Name +
                     "   (" + data.ImageCaption() + ")";
  return DisplayText(text);
}

}  // namespace

TSaveChangesFrm::TSaveChangesFrm(QWidget* parent) : QDialog(parent) {
  setObjectName("SaveChangesFrm");
  setWindowTitle("Save changes");
  setModal(true);
  resize(559, 228);

  title_ = new QLabel(
      "Some files have unsaved changes, please review and select those you wish to save", this);
  title_->setObjectName("Title");
  title_->setFont(PointFont(title_->font(), 10));

  List = new QListWidget(this);
  List->setObjectName("List");
  List->setFont(PointFont(List->font(), 10));
  List->setMinimumSize(545, 121);
  List->setStyleSheet("QListWidget::item { height: 16px; }");
  connect(List, &QListWidget::itemChanged, this, [this] { ListClick(); });

  SelectAll = new QPushButton("Select All", this);
  SelectAll->setObjectName("SelectAll");
  SelectNone = new QPushButton("Select none", this);
  SelectNone->setObjectName("SelectNone");
  Save = new QPushButton("Save marked files", this);
  Save->setObjectName("Save");
  NoSave = new QPushButton("Close without saving", this);
  NoSave->setObjectName("NoSave");
  Cancel = new QPushButton("Cancel", this);
  Cancel->setObjectName("Cancel");
  for (QPushButton* button : {SelectAll, SelectNone, Save, NoSave, Cancel}) {
    button->setAutoDefault(false);
  }
  connect(SelectAll, &QPushButton::clicked, this, &TSaveChangesFrm::SelectAllClick);
  connect(SelectNone, &QPushButton::clicked, this, &TSaveChangesFrm::SelectNoneClick);
  connect(Save, &QPushButton::clicked, this, &TSaveChangesFrm::SaveClick);
  connect(NoSave, &QPushButton::clicked, this, &TSaveChangesFrm::NoSaveClick);
  connect(Cancel, &QPushButton::clicked, this, &TSaveChangesFrm::CancelClick);

  auto* smallButtons = new QHBoxLayout;
  smallButtons->addWidget(SelectAll);
  smallButtons->addWidget(SelectNone);
  smallButtons->addStretch();
  auto* mainButtons = new QHBoxLayout;
  mainButtons->addWidget(Save);
  mainButtons->addStretch();
  mainButtons->addWidget(NoSave);
  mainButtons->addStretch();
  mainButtons->addWidget(Cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(title_);
  layout->addWidget(List, 1);
  layout->addLayout(smallButtons);
  layout->addLayout(mainButtons);

  setTabOrder(List, Save);
  setTabOrder(Save, Cancel);
  setTabOrder(Cancel, NoSave);
  setTabOrder(NoSave, SelectAll);
  setTabOrder(SelectAll, SelectNone);

  // The dialog sees key presses before its controls.
  installEventFilter(this);
  for (QWidget* control : findChildren<QWidget*>()) {
    control->installEventFilter(this);
  }
}

void TSaveChangesFrm::showEvent(QShowEvent* event) {
  FormShow();
  if (parentWidget() != nullptr) {
    move(parentWidget()->window()->geometry().center() - rect().center());
  }
  QDialog::showEvent(event);
  List->setFocus();
}

void TSaveChangesFrm::hideEvent(QHideEvent* event) {
  FormClose();
  QDialog::hideEvent(event);
}

void TSaveChangesFrm::FormShow() {
  QSignalBlocker blocker(List);
  List->clear();
  for (InspectorDataClass* data : ChangedFiles) {
    data->SaveMarked = false;
    auto* line = new QListWidgetItem(LineText(*data), List);
    line->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
    line->setCheckState(Qt::Unchecked);
  }
  Save->setEnabled(false);
}

void TSaveChangesFrm::FormClose() {
  QSignalBlocker blocker(List);
  List->clear();
}

bool TSaveChangesFrm::AnyTicked() const {
  for (int row = 0; row < List->count(); ++row) {
    if (List->item(row)->checkState() == Qt::Checked) {
      return true;
    }
  }
  return false;
}

void TSaveChangesFrm::ListClick() {
  Save->setEnabled(AnyTicked());
}

void TSaveChangesFrm::SetAllChecks(Qt::CheckState state) {
  QSignalBlocker blocker(List);
  for (int row = 0; row < List->count(); ++row) {
    List->item(row)->setCheckState(state);
  }
}

void TSaveChangesFrm::SelectAllClick() {
  SetAllChecks(Qt::Checked);
  Save->setEnabled(true);
}

void TSaveChangesFrm::SelectNoneClick() {
  SetAllChecks(Qt::Unchecked);
  Save->setEnabled(false);
}

void TSaveChangesFrm::SaveClick() {
  for (int row = 0; row < List->count() && row < static_cast<int>(ChangedFiles.size()); ++row) {
    if (List->item(row)->checkState() == Qt::Checked) {
      ChangedFiles[row]->SaveMarked = true;
    }
  }
  done(ResultSave);
}

void TSaveChangesFrm::NoSaveClick() {
  done(ResultNoSave);
}

void TSaveChangesFrm::CancelClick() {
  done(ResultCancel);
}

bool TSaveChangesFrm::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
  if (!modifiers.testFlag(Qt::ControlModifier)) {
    return false;
  }
  if (key == Qt::Key_A) {
    SelectAllClick();
  } else if (key == Qt::Key_D) {
    SelectNoneClick();
  }
  return false;  // the key then takes its normal course
}

bool TSaveChangesFrm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* keyEvent = static_cast<QKeyEvent*>(event);
    FormKeyDown(keyEvent->key(), keyEvent->modifiers());
  }
  return QDialog::eventFilter(watched, event);
}
