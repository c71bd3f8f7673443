// SPDX-License-Identifier: GPL-3.0-or-later
// The look of Window-menu entries that stand for disk windows: blue text, white when
// highlighted. Every other menu item keeps the standard look.
#pragma once

#include <QProxyStyle>

class SMenuItem;
class QStyleOptionMenuItem;

class WindowMenuStyle : public QProxyStyle {
  Q_OBJECT
 public:
  WindowMenuStyle() = default;
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget = nullptr) const override;
};

// Draws a disk window's entry: the menu's background for its state, then its caption
// without "&" at 6 pixels from the left, vertically centred.
void OpenDFSFileMnuItemAdvancedDrawItem(const SMenuItem* entry, QPainter& canvas,
                                        const QStyleOptionMenuItem& option, const QStyle& baseStyle,
                                        const QWidget* widget);

// The text colour of a disk window's entry in the given draw state.
QColor DiskEntryTextColour(QStyle::State state);
