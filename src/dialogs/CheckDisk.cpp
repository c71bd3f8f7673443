// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/CheckDisk.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "platform/QtPrompts.h"

TCheckDiskFrm::TCheckDiskFrm(QWidget* parent) : QDialog(parent) {
  setObjectName("CheckDiskFrm");
  setWindowTitle("Check disk");
  setModal(true);
  Heading = new QLabel(this);
  Heading->setObjectName("Heading");
  Heading->setWordWrap(true);
  FindingsList = new QListWidget(this);
  FindingsList->setObjectName("FindingsList");
  FindingsList->setWordWrap(true);
  FindingsList->setSelectionMode(QAbstractItemView::SingleSelection);
  CloseBut = new QPushButton("Close", this);
  CloseBut->setObjectName("CloseBut");
  CloseBut->setDefault(true);
  connect(CloseBut, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(CloseBut);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Heading);
  layout->addWidget(FindingsList);
  layout->addLayout(buttons);
  resize(520, 300);
}

void TCheckDiskFrm::SetFindings(const std::vector<CheckFinding>& findings, const QString& caption) {
  int errors = 0;
  FindingsList->clear();
  for (const CheckFinding& finding : findings) {
    const bool error = finding.severity == CheckSeverity::Error;
    errors += error ? 1 : 0;
    auto* item = new QListWidgetItem(
        style()->standardIcon(error ? QStyle::SP_MessageBoxCritical : QStyle::SP_MessageBoxWarning),
        DisplayText(finding.sentence), FindingsList);
    item->setData(Qt::UserRole, QString(SeverityName(finding.severity)));
    item->setToolTip(QString("%1 %2").arg(SeverityName(finding.severity), finding.code.c_str()));
  }
  const int warnings = static_cast<int>(findings.size()) - errors;
  Heading->setText(
      QString("%1: %2 error(s), %3 warning(s).").arg(caption).arg(errors).arg(warnings));
  if (FindingsList->count() > 0) {
    FindingsList->setCurrentRow(0);
  }
}

void TCheckDiskFrm::ShowFindings(const std::vector<CheckFinding>& findings,
                                 const QString& caption) {
  SetFindings(findings, caption);
  exec();
}
