// SPDX-License-Identifier: GPL-3.0-or-later
#include "support_gui/DiskWindowTestSupport.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QWidget>

#include "platform/ScriptedPrompts.h"
#include "support/ImageBuilder.h"
#include "support/RawDisk.h"

namespace {

QString Hex6(uint32_t value) {
  return QString::number(value, 16).toUpper().rightJustified(6, '0');
}

}  // namespace

QStringList PromptTexts(const ScriptedPrompts& prompts) {
  QStringList texts;
  for (const std::string& text : prompts.Texts()) {
    texts << QString::fromStdString(text);
  }
  return texts;
}

QStringList CatalogueLines(const std::string& imagePath) {
  QStringList lines;
  for (const RawEntry& entry : DecodeRawDisk(ReadHostFile(imagePath), false, 0).entries) {
    QString name = QString::fromLatin1(entry.name);
    while (name.endsWith(' ')) {
      name.chop(1);
    }
    lines << QString("%1.%2 %3 %4 %5%6")
                 .arg(QChar::fromLatin1(entry.directory))
                 .arg(name, Hex6(entry.load), Hex6(entry.exec), Hex6(entry.length),
                      entry.locked ? " L" : "");
  }
  return lines;
}

bool DropUrls(QWidget* target, const QList<QUrl>& urls, Qt::DropActions offered) {
  QMimeData data;
  data.setUrls(urls);
  const QPoint centre = target->rect().center();
  QDragEnterEvent enter(centre, offered, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) {
    return false;
  }
  QDropEvent drop(centre, offered, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &drop);
  QCoreApplication::processEvents();
  return drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
}

bool DropFiles(QWidget* target, const QStringList& paths) {
  QList<QUrl> urls;
  for (const QString& path : paths) {
    urls << QUrl::fromLocalFile(path);
  }
  return DropUrls(target, urls);
}
