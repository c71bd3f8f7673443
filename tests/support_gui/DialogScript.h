// SPDX-License-Identifier: GPL-3.0-or-later
// Drives the modal dialogs a command opens with exec(): the script runs on the dialog as
// soon as its own event loop runs, finds its controls and clicks them or accepts it.
#pragma once

#include <QDialog>
#include <QObject>
#include <functional>

class DialogScript : public QObject {
 public:
  // Runs script on every dialog of type (or derived from) dialogType that is shown while
  // the object lives. A dialog the script leaves open is rejected, so a command never
  // waits on a dialog nobody answers.
  DialogScript(const QMetaObject& dialogType, std::function<void(QDialog*)> script);
  ~DialogScript() override;

  // The times a dialog of the type was shown and its script ran.
  int Runs() const { return runs_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Run(QDialog* dialog);

  const QMetaObject& dialogType_;
  std::function<void(QDialog*)> script_;
  int runs_ = 0;
};

// DialogScript for one dialog class, with the script taking that class.
template <class Dialog>
class WhenShown : public DialogScript {
 public:
  explicit WhenShown(std::function<void(Dialog*)> script)
      : DialogScript(Dialog::staticMetaObject, [script = std::move(script)](QDialog* dialog) {
          script(static_cast<Dialog*>(dialog));
        }) {}
};
