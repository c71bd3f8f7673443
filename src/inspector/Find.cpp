// SPDX-License-Identifier: GPL-3.0-or-later
#include "inspector/Find.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include "platform/Prompts.h"
#include "util/UsefulQt.h"

namespace {

const char* const kInvalidHexMessage = "The pasted value is not a valid hexidecimal number";
const char* const kOddDigitsMessage =
    "You must enter whole byte values for the hex, nybbles are not permitted.";

bool IsUpperHexDigit(QChar character) {
  return (character >= QLatin1Char('0') && character <= QLatin1Char('9')) ||
         (character >= QLatin1Char('A') && character <= QLatin1Char('F'));
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption, int left, int top) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(name);
  label->move(left, top);
  label->adjustSize();
  return label;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, int top) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  edit->setGeometry(40, top, 257, 21);
  return edit;
}

}  // namespace

TFindFrm::TFindFrm(QWidget* parent) : QDialog(parent) {
  setObjectName("FindFrm");
  setWindowTitle("Find");
  setModal(true);
  QFont dialogFont = font();
  dialogFont.setPixelSize(11);
  setFont(dialogFont);
  // The client area of a 314 x 132 window.
  setFixedSize(306, 105);

  Label1 = MakeLabel(this, "Label1", "Alpha", 2, 11);
  Label2 = MakeLabel(this, "Label2", "Hex", 10, 36);
  AlphaEdit = MakeEdit(this, "AlphaEdit", 8);
  HexEdit = MakeEdit(this, "HexEdit", 32);
  IgnoreCaseChk = new QCheckBox("Ignore case", this);
  IgnoreCaseChk->setObjectName("IgnoreCaseChk");
  IgnoreCaseChk->setLayoutDirection(Qt::RightToLeft);  // the caption left of the box
  // 73 x 17 pixels in the original font; a wider font gets the room its caption needs,
  // growing leftwards so that the box stays under the right edge of the edits.
  const QSize checkSize = IgnoreCaseChk->sizeHint().expandedTo(QSize(73, 17));
  IgnoreCaseChk->setGeometry(296 - checkSize.width(), 55, checkSize.width(), checkSize.height());
  Button1 = new QPushButton("Find", this);
  Button1->setObjectName("Button1");
  Button1->setGeometry(240, 76, 57, 25);
  // Enter is the dialog's own (keyPressEvent), not the button's.
  Button1->setAutoDefault(false);
  Button1->setDefault(false);
  setTabOrder(AlphaEdit, HexEdit);
  setTabOrder(HexEdit, Button1);
  setTabOrder(Button1, IgnoreCaseChk);

  HexEdit->installEventFilter(this);
  connect(AlphaEdit, &QLineEdit::textChanged, this, [this] { AlphaEditChange(); });
  connect(HexEdit, &QLineEdit::textChanged, this, [this] { HexEditChange(); });
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

std::string TFindFrm::Pattern() const {
  const QString hex = HexEdit->text();
  std::string pattern;
  for (qsizetype index = 0; index + 1 < hex.size(); index += 2) {
    pattern += static_cast<char>(hex.mid(index, 2).toUInt(nullptr, 16));
  }
  return pattern;
}

bool TFindFrm::IgnoreCase() const {
  return IgnoreCaseChk->isChecked();
}

void TFindFrm::AlphaEditChange() {
  QString hex;
  for (uint8_t byte : SingleByteText(AlphaEdit->text())) {
    hex += QString("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
  }
  // Each box's handler stays quiet while the other box is rewritten.
  const QSignalBlocker quiet(HexEdit);
  HexEdit->setText(hex);
}

void TFindFrm::HexEditChange() {
  const QString hex = HexEdit->text();
  for (QChar character : hex) {
    if (!IsUpperHexDigit(character)) {
      Prompts().ShowMessage(kInvalidHexMessage);
      HexEdit->clear();  // its own change then empties AlphaEdit
      return;
    }
  }
  QString alpha;
  for (char byte : Pattern()) {
    alpha += QChar(static_cast<uint8_t>(byte));
  }
  const QSignalBlocker quiet(AlphaEdit);
  AlphaEdit->setText(alpha);
}

bool TFindFrm::HexEditKeyPress(const QKeyEvent& event) {
  if (event.modifiers().testFlag(Qt::ControlModifier)) {
    // Of the control characters only Ctrl+C and Ctrl+V (copy and paste) go through.
    const bool letter = event.key() >= Qt::Key_A && event.key() <= Qt::Key_Z;
    return letter && event.key() != Qt::Key_C && event.key() != Qt::Key_V;
  }
  const QString typed = event.text();
  // Keys that type nothing (arrows, Delete) or a control code (Backspace, Tab, Enter)
  // keep their usual meaning.
  if (typed.size() != 1 || typed.front().unicode() < 32 || typed.front().unicode() == 127) {
    return false;
  }
  const QString upper = typed.toUpper();
  if (!IsUpperHexDigit(upper.front())) {
    return true;
  }
  if (upper != typed) {
    HexEdit->insert(upper);
    return true;
  }
  return false;
}

void TFindFrm::Button1Click() {
  if (HexEdit->text().size() % 2 != 0) {
    Prompts().ShowMessage(kOddDigitsMessage);
    return;
  }
  accept();
}

void TFindFrm::showEvent(QShowEvent* event) {
  if (parentWidget() != nullptr) {
    move(parentWidget()->window()->geometry().center() - rect().center());
  }
  QDialog::showEvent(event);
}

void TFindFrm::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    event->accept();
    Button1Click();
    return;
  }
  QDialog::keyPressEvent(event);
}

bool TFindFrm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == HexEdit && event->type() == QEvent::KeyPress &&
      HexEditKeyPress(*static_cast<QKeyEvent*>(event))) {
    return true;
  }
  return QDialog::eventFilter(watched, event);
}
