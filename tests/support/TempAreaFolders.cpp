// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TempAreaFolders.h"

#include <QFile>
#include <QTest>

void TempAreaFolders::Renew() {
  temp = std::make_unique<QTemporaryDir>();
  victim = std::make_unique<QTemporaryDir>();
  WriteTestFile(victim->filePath("precious"));
}

void WriteTestFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
  QCOMPARE(file.write(bytes), bytes.size());
}

bool IsFreshAreaName(const QString& name) {
  return name.startsWith("Kestrow-") && name.size() == 14;
}
