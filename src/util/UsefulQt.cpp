// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/UsefulQt.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QPainter>

SMenuItem::SMenuItem(QObject* owner) : QAction(owner) {
  connect(this, &QAction::triggered, this, [this] {
    if (ClickHandler) {
      ClickHandler(this);
    }
  });
}

SMenuItem* CloneMenuItem(QObject* owner, const SMenuItem* source) {
  auto* item = new SMenuItem(owner);
  item->setText(source->text());
  item->ClickHandler = source->ClickHandler;
  item->Tag = source->Tag;
  item->ChildWindow = source->ChildWindow;
  item->setShortcut(source->shortcut());
  item->OwnerDrawn = source->OwnerDrawn;
  return item;
}

void FillRectangle(QPainter& canvas, int left, int top, int right, int bottom) {
  canvas.fillRect(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)), canvas.brush());
}

namespace {

// Data being assembled while the clipboard is held open; owned until published.
QMimeData* pendingClipboardData = nullptr;

}  // namespace

bool CopyStreamToClipboard(const QString& format, SMemoryStream& stream, bool keepOpen) {
  stream.Seek(0);
  const std::vector<uint8_t>& bytes = stream.Bytes();
  QByteArray block(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<qsizetype>(bytes.size()));
  stream.Seek(0);
  delete pendingClipboardData;
  pendingClipboardData = new QMimeData;
  pendingClipboardData->setData(format, block);
  if (!keepOpen) {
    CloseClipboard();
  }
  return true;
}

QMimeData* OpenClipboardData() {
  return pendingClipboardData;
}

void CloseClipboard() {
  if (pendingClipboardData == nullptr) {
    return;
  }
  // The clipboard takes ownership of the data.
  QApplication::clipboard()->setMimeData(pendingClipboardData);
  pendingClipboardData = nullptr;
}

void CopyStreamFromClipboard(const QString& format, SMemoryStream& stream) {
  const QMimeData* data = QApplication::clipboard()->mimeData();
  if (data == nullptr || !data->hasFormat(format)) {
    return;
  }
  QByteArray block = data->data(format);
  stream.Write(block.constData(), static_cast<size_t>(block.size()));
  stream.Seek(0);
}

bool ClipboardHasFormat(const QString& format) {
  const QMimeData* data = QApplication::clipboard()->mimeData();
  return data != nullptr && data->hasFormat(format);
}

bool ClipboardHasText() {
  const QMimeData* data = QApplication::clipboard()->mimeData();
  return data != nullptr && data->hasText();
}

std::vector<uint8_t> ClipboardTextBytes() {
  const QMimeData* data = QApplication::clipboard()->mimeData();
  return data != nullptr && data->hasText() ? SingleByteText(data->text()) : std::vector<uint8_t>();
}

std::vector<uint8_t> SingleByteText(const QString& text) {
  // Whole characters, so that one outside the 16-bit range still gives a single "?".
  const QList<uint> characters = text.toUcs4();
  std::vector<uint8_t> bytes;
  bytes.reserve(static_cast<size_t>(characters.size()));
  for (uint character : characters) {
    bytes.push_back(character <= 255 ? static_cast<uint8_t>(character) : uint8_t{'?'});
  }
  return bytes;
}

// The text without leading and trailing spaces and control characters.
QString TrimmedText(const QString& text) {
  qsizetype first = 0;
  qsizetype last = text.size();
  while (first < last && text[first].unicode() <= ' ') {
    ++first;
  }
  while (last > first && text[last - 1].unicode() <= ' ') {
    --last;
  }
  return text.mid(first, last - first);
}
