// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/QtPrompts.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringConverter>

QString DisplayText(const std::string& text) {
  QByteArray bytes = QByteArray::fromStdString(text);
  auto decoder = QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString decoded = decoder.decode(bytes);
  if (!decoder.hasError()) {
    return decoded;
  }
  return QString::fromLatin1(bytes);
}

QString QtFileFilter(const std::string& filter) {
  QStringList parts = QString::fromStdString(filter).split('|');
  QStringList choices;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    choices << QString("%1 (%2)").arg(parts[i], parts[i + 1]);
  }
  return choices.join(";;");
}

namespace {

QMessageBox::StandardButton AskConfirm(QWidget* parent, const std::string& text,
                                       QMessageBox::StandardButtons buttons) {
  QMessageBox box(QMessageBox::Question, "Confirm", DisplayText(text), buttons, parent);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

void QtPrompts::ShowMessage(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, "Kestrow", DisplayText(text), QMessageBox::Ok, parent_);
  box.exec();
}

bool QtPrompts::AskYesNo(const std::string& text) {
  return AskConfirm(parent_, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

PromptInterface::Answer QtPrompts::AskYesNoCancel(const std::string& text) {
  switch (AskConfirm(parent_, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes:
      return Answer::Yes;
    case QMessageBox::No:
      return Answer::No;
    default:
      return Answer::Cancel;
  }
}

void QtPrompts::Beep() {
  QApplication::beep();
}

// Any name is taken: whether it opens is for the command to find out and say.
std::string QtPrompts::AskOpenFileName(const FileDialogOptions& options) {
  QFileDialog dialog(parent_, "Open", QString(), QtFileFilter(options.filter));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return {};
  }
  return QFile::encodeName(dialog.selectedFiles().first()).toStdString();
}

std::string QtPrompts::AskSaveFileName(const FileDialogOptions& options) {
  QFileDialog dialog(parent_, "Save As", QString(), QtFileFilter(options.filter));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  // The new blank image replaces the file without a question.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setDefaultSuffix(QString::fromStdString(options.defaultExtension));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return {};
  }
  return QFile::encodeName(dialog.selectedFiles().first()).toStdString();
}
