// SPDX-License-Identifier: GPL-3.0-or-later
#include "support_gui/DialogScript.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>

DialogScript::DialogScript(const QMetaObject& dialogType, std::function<void(QDialog*)> script)
    : dialogType_(dialogType), script_(std::move(script)) {
  QCoreApplication::instance()->installEventFilter(this);
}

DialogScript::~DialogScript() {
  QCoreApplication::instance()->removeEventFilter(this);
}

bool DialogScript::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Show && watched->isWidgetType() &&
      dialogType_.cast(watched) != nullptr) {
    // The dialog is shown before exec() starts its event loop; a dialog closed now
    // would leave that loop waiting, so the script runs once the loop takes events.
    QPointer<QDialog> dialog = static_cast<QDialog*>(watched);
    QMetaObject::invokeMethod(
        this,
        [this, dialog] {
          if (dialog != nullptr && dialog->isVisible()) {
            Run(dialog);
          }
        },
        Qt::QueuedConnection);
  }
  return QObject::eventFilter(watched, event);
}

void DialogScript::Run(QDialog* dialog) {
  ++runs_;
  QPointer<QDialog> guard = dialog;
  script_(dialog);
  if (guard != nullptr && guard->isVisible()) {
    guard->reject();
  }
}
