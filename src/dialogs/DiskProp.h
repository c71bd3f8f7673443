// SPDX-License-Identifier: GPL-3.0-or-later
// The Disk properties dialog: edits the title (up to 12 characters) and the boot option
// of the image shown in one disk window. OK writes both into the image; Cancel nothing.
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TDFSDiskFrm;

class TDiskPropFrm : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kMaxTitleLength = 12;
  static constexpr const char* kTitleTooLongMessage =
      "The maximum length for the a title is $File, your entry has been truncated";

  explicit TDiskPropFrm(QWidget* parent = nullptr);

  // The window whose image the dialog edits; set before the dialog is shown.
  TDFSDiskFrm* DiskWindow = nullptr;

  QLabel* Label1;
  QLabel* Label2;
  QLineEdit* Title;
  QComboBox* BootOpt;
  QPushButton* Button1;
  QPushButton* Button2;

  void Button1Click();
  void Button2Click();

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FitToFont();
  void FormShow();
  // True when the typed key is to be discarded: the title is full and it is no backspace.
  bool TitleKeyPress(const QKeyEvent& event) const;
  void TitleChange();
  // The option of the item the combo box shows, or the disk's own option when the box
  // holds typed text that names no item.
  int ChosenBootOption() const;
  void WriteProperties();
};
