// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the built kestrow-dfs tool for tests and collects what it wrote.
#pragma once

#include <QByteArray>
#include <QStringList>

struct CliResult {
  int exitCode = -1;  // -1 when the tool did not run or did not exit normally
  QByteArray out;
  QByteArray err;
};

CliResult RunCli(const QStringList& arguments);
