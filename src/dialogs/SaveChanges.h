// SPDX-License-Identifier: GPL-3.0-or-later
// The modal review shown when closing windows would drop unsaved inspector changes:
// one ticked-or-not line per changed file; the caller saves what was ticked.
#pragma once

#include <QDialog>
#include <vector>

class InspectorDataClass;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

class TSaveChangesFrm : public QDialog {
  Q_OBJECT
 public:
  // Results of exec().
  enum Result { ResultCancel = 0, ResultSave = 1, ResultNoSave = 2 };

  explicit TSaveChangesFrm(QWidget* parent = nullptr);

  // Set by the caller before showing; each object at most once. Not owned.
  std::vector<InspectorDataClass*> ChangedFiles;

  QListWidget* List = nullptr;
  QPushButton* SelectAll = nullptr;
  QPushButton* SelectNone = nullptr;
  QPushButton* Save = nullptr;
  QPushButton* NoSave = nullptr;
  QPushButton* Cancel = nullptr;

  void SelectAllClick();
  void SelectNoneClick();
  void SaveClick();
  void NoSaveClick();
  void CancelClick();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormShow();
  void FormClose();
  void ListClick();
  bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
  void SetAllChecks(Qt::CheckState state);
  bool AnyTicked() const;

  QLabel* title_ = nullptr;
};
