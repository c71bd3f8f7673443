// SPDX-License-Identifier: GPL-3.0-or-later
// The Check disk dialog: the findings on one disk in a list, each with the icon of its
// severity (error or warning), shown modally until closed.
#pragma once

#include <QDialog>
#include <vector>

#include "disk/DiskCheck.h"

class QLabel;
class QListWidget;
class QPushButton;

class TCheckDiskFrm : public QDialog {
  Q_OBJECT
 public:
  explicit TCheckDiskFrm(QWidget* parent = nullptr);

  QLabel* Heading;
  QListWidget* FindingsList;
  QPushButton* CloseBut;

  // Fills the list with the findings on the disk of the window captioned caption and
  // shows the dialog modally.
  void ShowFindings(const std::vector<CheckFinding>& findings, const QString& caption);
  // Fills the list without showing the dialog.
  void SetFindings(const std::vector<CheckFinding>& findings, const QString& caption);
};
