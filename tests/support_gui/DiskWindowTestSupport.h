// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers for the disk-window suites that edit entries and move files in and out.
#pragma once

#include <QList>
#include <QStringList>
#include <QUrl>
#include <string>

class QWidget;
class ScriptedPrompts;

// The texts of the messages and questions shown so far, in order.
QStringList PromptTexts(const ScriptedPrompts& prompts);

// The image file's catalogue, read straight from its bytes, one line per entry in
// catalogue order: "D.NAME LOAD EXEC LENGTH" in hex, then " L" when locked.
// E.g. "B.GAME 001900 008023 000004 L".
QStringList CatalogueLines(const std::string& imagePath);

// Drags data listing urls over target and drops it, as a drop from a file manager
// arrives (copy or move offered), then runs the import the drop queues. True when the
// target took the drop as a copy.
bool DropUrls(QWidget* target, const QList<QUrl>& urls,
              Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction);
// The same for local files.
bool DropFiles(QWidget* target, const QStringList& paths);
