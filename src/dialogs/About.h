// SPDX-License-Identifier: GPL-3.0-or-later
// The About box: picture, program name, version and a contact link. It doubles as the
// start-up splash, so closing it tells the main frame the splash is over.
#pragma once

#include <QWidget>
#include <functional>

class QLabel;
class QPushButton;

class TAboutFrm : public QWidget {
  Q_OBJECT
 public:
  explicit TAboutFrm(QWidget* parent = nullptr);

  static const char* const kContactAddress;
  static const char* const kVersionText;

  // Centres the box on the desktop and shows it modelessly.
  void ShowCentred();

  // Called by the Close button with the button as sender and by every close with none.
  std::function<void(QObject* sender)> OnEndSplash;

  QLabel* Picture;
  QLabel* NameLabel;
  QLabel* VersionLabel;
  QLabel* ContactLabel;
  QPushButton* CloseBut;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CloseButClick();
  void ContactLabelClick();
};
