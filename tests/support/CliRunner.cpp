// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/CliRunner.h"

#include <QProcess>

CliResult RunCli(const QStringList& arguments) {
  QProcess process;
  process.start(KESTROW_BINARY_DIR "/kestrow-dfs", arguments);
  CliResult result;
  if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit) {
    return result;
  }
  result.exitCode = process.exitCode();
  result.out = process.readAllStandardOutput();
  result.err = process.readAllStandardError();
  return result;
}
