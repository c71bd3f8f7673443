// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WindowMenuStyle.h"

#include <QMenu>
#include <QPainter>
#include <QStyleOptionMenuItem>

#include "util/UsefulQt.h"

void WindowMenuStyle::drawControl(ControlElement element, const QStyleOption* option,
                                  QPainter* painter, const QWidget* widget) const {
  const auto* menu = qobject_cast<const QMenu*>(widget);
  const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
  if (element == CE_MenuItem && menu != nullptr && item != nullptr) {
    const auto* entry = qobject_cast<const SMenuItem*>(menu->actionAt(item->rect.center()));
    if (entry != nullptr && entry->OwnerDrawn) {
      OpenDFSFileMnuItemAdvancedDrawItem(entry, *painter, *item, *baseStyle(), widget);
      return;
    }
  }
  QProxyStyle::drawControl(element, option, painter, widget);
}

QColor DiskEntryTextColour(QStyle::State state) {
  // The captions carry no accelerators, so a highlighted entry never shows one.
  return (state & QStyle::State_Selected) ? QColor(255, 255, 255) : QColor(0, 0, 255);
}

void OpenDFSFileMnuItemAdvancedDrawItem(const SMenuItem* entry, QPainter& canvas,
                                        const QStyleOptionMenuItem& option, const QStyle& baseStyle,
                                        const QWidget* widget) {
  if (entry == nullptr) {
    return;
  }
  QStyleOptionMenuItem background = option;
  background.text.clear();
  background.icon = QIcon();
  background.checkType = QStyleOptionMenuItem::NotCheckable;
  baseStyle.drawControl(QStyle::CE_MenuItem, &background, &canvas, widget);

  const QString caption = QString(entry->text()).remove('&');
  const QFontMetrics metrics(option.font);
  const QRect& rect = option.rect;
  const int x = rect.left() + 6;
  const int y = rect.top() + rect.height() / 2 - metrics.height() / 2;
  canvas.save();
  canvas.setFont(option.font);
  canvas.setPen(DiskEntryTextColour(option.state));
  canvas.drawText(QRect(x, y, rect.width() - 6, metrics.height()),
                  Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, caption);
  canvas.restore();
}
