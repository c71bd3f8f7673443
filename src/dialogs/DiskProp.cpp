// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/DiskProp.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "app/KestrowApplication.h"
#include "disk/DFSUseful.h"
#include "diskwindow/DFSDisk.h"
#include "platform/Prompts.h"

namespace {

const char* const kBootOptionItems[] = {"Option 0 (Off)", "Option 1 (Load)", "Oprion 2 (Run)",
                                        "Option 3 (Exec)"};

// The form's outer 204 by 123 pixels less a window frame: the client area.
constexpr int kClientWidth = 196;
constexpr int kClientHeight = 96;
constexpr int kFieldLeft = 72;
constexpr int kFieldWidth = 113;
constexpr int kLabelGap = 4;

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, int left) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setGeometry(left, 64, 75, 25);
  // Neither button answers Enter.
  button->setAutoDefault(false);
  button->setDefault(false);
  return button;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption, int top) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(name);
  label->adjustSize();
  label->move(0, top);
  return label;
}

}  // namespace

TDiskPropFrm::TDiskPropFrm(QWidget* parent) : QDialog(parent) {
  setObjectName("DiskPropFrm");
  setWindowTitle("DiskPropFrm");
  setModal(true);
  // Created in tab order: Cancel, OK, the title, the boot option.
  Button1 = MakeButton(this, "Button1", "Cancel", 8);
  Button2 = MakeButton(this, "Button2", "OK", 112);
  Title = new QLineEdit(this);
  Title->setObjectName("Title");
  Title->setGeometry(kFieldLeft, 5, kFieldWidth, 21);
  BootOpt = new QComboBox(this);
  BootOpt->setObjectName("BootOpt");
  BootOpt->setGeometry(kFieldLeft, 32, kFieldWidth, 21);
  BootOpt->setEditable(true);
  BootOpt->setInsertPolicy(QComboBox::NoInsert);
  for (const char* item : kBootOptionItems) {
    BootOpt->addItem(item);
  }
  BootOpt->setCurrentIndex(-1);
  BootOpt->setEditText("BootOpt");
  Label1 = MakeLabel(this, "Label1", "Title", 8);
  Label2 = MakeLabel(this, "Label2", "Boot Option", 36);
  FitToFont();

  Title->installEventFilter(this);
  connect(Title, &QLineEdit::textChanged, this, [this] { TitleChange(); });
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
}

// The labels end just left of the fields, as laid out; a font that needs more room than
// the layout gives widens the fields, the form and moves OK along.
void TDiskPropFrm::FitToFont() {
  const int labelsWidth = std::max(Label1->width(), Label2->width());
  const int fieldLeft = std::max(kFieldLeft, kLabelGap + labelsWidth + kLabelGap);
  const int fieldWidth = std::max(kFieldWidth, BootOpt->sizeHint().width());
  const int growth = fieldLeft + fieldWidth - (kFieldLeft + kFieldWidth);
  for (QWidget* field : {static_cast<QWidget*>(Title), static_cast<QWidget*>(BootOpt)}) {
    field->setGeometry(fieldLeft, field->y(), fieldWidth, field->height());
  }
  for (QLabel* label : {Label1, Label2}) {
    label->move(fieldLeft - kLabelGap - label->width(), label->y());
  }
  Button2->move(Button2->x() + growth, Button2->y());
  setFixedSize(kClientWidth + growth, kClientHeight);
}

void TDiskPropFrm::showEvent(QShowEvent* event) {
  FormShow();
  if (parentWidget() != nullptr) {
    move(parentWidget()->window()->geometry().center() - rect().center());
  }
  QDialog::showEvent(event);
}

void TDiskPropFrm::FormShow() {
  DFSDiskClass* disk = DiskWindow == nullptr ? nullptr : DiskWindow->Disk();
  if (disk == nullptr) {
    return;
  }
  Title->setText(QString::fromLatin1(DiskWindow->DiskData()->DiskTitle));
  BootOpt->setCurrentIndex(std::clamp(disk->BootOption, 0, 3));
}

// Escape does not close the dialog: only its buttons and its close box do.
void TDiskPropFrm::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

bool TDiskPropFrm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Title && event->type() == QEvent::KeyPress &&
      TitleKeyPress(*static_cast<QKeyEvent*>(event))) {
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

bool TDiskPropFrm::TitleKeyPress(const QKeyEvent& event) const {
  const QString typed = event.text();
  const bool character = !typed.isEmpty() && typed.front().isPrint() &&
                         !event.modifiers().testFlag(Qt::ControlModifier);
  return character && event.key() != Qt::Key_Backspace && Title->text().size() >= kMaxTitleLength;
}

// Longer text only arrives by pasting: say so, then keep the first 12 characters.
void TDiskPropFrm::TitleChange() {
  if (Title->text().size() <= kMaxTitleLength) {
    return;
  }
  Prompts().ShowMessage(MakeFileMessage(kTitleTooLongMessage, std::to_string(kMaxTitleLength)));
  Title->setText(Title->text().left(kMaxTitleLength));
}

int TDiskPropFrm::ChosenBootOption() const {
  const int item =
      BootOpt->findText(BootOpt->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
  const int option = item >= 0 ? item : DiskWindow->Disk()->BootOption;
  return std::clamp(option, 0, 3);
}

void TDiskPropFrm::Button1Click() {
  reject();
}

// A failed write is shown with its own text; what was written before it stays written.
void TDiskPropFrm::Button2Click() {
  try {
    WriteProperties();
  } catch (const std::exception& error) {
    ShowErrorText(error);
  }
  accept();
}

void TDiskPropFrm::WriteProperties() {
  DFSDiskClass* disk = DiskWindow == nullptr ? nullptr : DiskWindow->Disk();
  if (disk == nullptr) {
    return;
  }
  const QString title = Title->text();
  const std::string titleBytes = title.toLatin1().toStdString();
  disk->SetTitle(titleBytes);
  DiskWindow->DiskData()->DiskTitle = titleBytes;
  DiskWindow->setWindowTitle(title);
  disk->SetBootOption(ChosenBootOption());
  DiskWindow->UpdateStatusBar(DiskWindow->ListedFiles);
}
