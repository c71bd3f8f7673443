// SPDX-License-Identifier: GPL-3.0-or-later
// The Find dialog: the bytes to look for, typed as characters (Alpha) or as hex digits
// (Hex), the two boxes kept in step, and an ignore-case option. Created once and only
// shown and hidden, so the pattern is kept between searches and shared by every
// inspector. It closes with Accepted from its Find button or Enter; the search itself is
// TFileInspectorFrm::Find / FindAgain.
#pragma once

#include <QDialog>
#include <string>

class QCheckBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;

class TFindFrm : public QDialog {
  Q_OBJECT
 public:
  explicit TFindFrm(QWidget* parent = nullptr);

  QLabel* Label1;
  QLabel* Label2;
  QLineEdit* AlphaEdit;
  QLineEdit* HexEdit;
  QCheckBox* IgnoreCaseChk;
  QPushButton* Button1;

  // The bytes to look for: one per whole pair of hex digits, 00 included. The hex box is
  // read rather than the Alpha box because it holds every byte value exactly.
  std::string Pattern() const;
  bool IgnoreCase() const;

  // Rewrites HexEdit from AlphaEdit: two upper-case digits per character (a character
  // above 255 counts as "?").
  void AlphaEditChange();
  // Refuses anything but upper-case hex digits (only a paste can bring them), emptying
  // both boxes; otherwise rewrites AlphaEdit from the whole pairs.
  void HexEditChange();
  // True when a key typed into HexEdit is dropped or has been handled here: hex digits
  // go in upper case, Backspace, Ctrl+C and Ctrl+V pass, other characters are dropped.
  bool HexEditKeyPress(const QKeyEvent& event);
  // Accepts the dialog unless HexEdit holds an odd number of digits.
  void Button1Click();

 protected:
  void showEvent(QShowEvent* event) override;
  // Enter anywhere in the dialog acts as the Find button.
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
};
