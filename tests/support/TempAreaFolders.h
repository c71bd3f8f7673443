// SPDX-License-Identifier: GPL-3.0-or-later
// Folders for the temp area's tests: the temporary folder an area is made in, and a
// victim folder holding a precious file that a planted link may point at.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <memory>

struct TempAreaFolders {
  std::unique_ptr<QTemporaryDir> temp;
  std::unique_ptr<QTemporaryDir> victim;
  // Fresh folders of both kinds, the victim holding "precious".
  void Renew();
};

// Writes bytes to path, failing the test when it cannot.
void WriteTestFile(const QString& path, const QByteArray& bytes = "data");

// Whether name is a temp area's: "Kestrow-" and six characters that mkdtemp chose.
bool IsFreshAreaName(const QString& name);
