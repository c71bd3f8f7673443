// SPDX-License-Identifier: GPL-3.0-or-later
// The Qt-bound shared helpers: menu items that stand for child windows, rectangle
// filling, and moving a memory stream to and from the clipboard.
#pragma once

#include <QAction>
#include <QKeySequence>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "util/Useful.h"

class ChildWindowClass;
class QMimeData;
class QPainter;

// A menu item that carries the child window it stands for (Window-menu entries).
class SMenuItem : public QAction {
  Q_OBJECT
 public:
  explicit SMenuItem(QObject* owner);

  ChildWindowClass* ChildWindow = nullptr;
  int Tag = 0;
  // Called with the item when it is triggered.
  std::function<void(SMenuItem*)> ClickHandler;
  // Set on items drawn in their own colours (disk entries of the Window menu).
  bool OwnerDrawn = false;
};

// A new SMenuItem owned by owner with the source's caption, click handler, tag,
// ChildWindow, shortcut and owner-draw setting.
SMenuItem* CloneMenuItem(QObject* owner, const SMenuItem* source);

// Fills the rectangle from (left, top) to (right, bottom), exclusive, with the
// painter's current brush.
void FillRectangle(QPainter& canvas, int left, int top, int right, int bottom);

// Puts the stream's whole content on the clipboard under format. With keepOpen the
// data is held back so the caller can add more formats through OpenClipboardData()
// and then publish everything at once with CloseClipboard(). Returns true.
bool CopyStreamToClipboard(const QString& format, SMemoryStream& stream, bool keepOpen);
// The data being assembled while the clipboard is held open, or nullptr.
QMimeData* OpenClipboardData();
// Publishes the data assembled since CopyStreamToClipboard(..., true).
void CloseClipboard();

// When the clipboard holds data of format, writes all of it to the stream at the
// stream's position and sets the position to 0; otherwise leaves the stream alone.
// The block's size is exact: nothing beyond the stored bytes is written.
void CopyStreamFromClipboard(const QString& format, SMemoryStream& stream);

// Whether the clipboard offers data of format, or plain text.
bool ClipboardHasFormat(const QString& format);
bool ClipboardHasText();
// The clipboard's plain text as single bytes, one per character: a character above 255
// becomes "?", so there are always as many bytes as characters. Empty without text.
std::vector<uint8_t> ClipboardTextBytes();
// The same conversion for any text.
std::vector<uint8_t> SingleByteText(const QString& text);

// The text without leading and trailing spaces and control characters (a caption, a
// grid cell).
QString TrimmedText(const QString& text);
