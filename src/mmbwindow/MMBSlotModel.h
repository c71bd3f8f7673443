// SPDX-License-Identifier: GPL-3.0-or-later
// The rows of an MMB window's grid: the slots of the index that the filter lets through,
// one row each, with the disc number, title and status.
#pragma once

#include <QAbstractTableModel>
#include <string>
#include <vector>

#include "disk/MMBFile.h"

class MMBSlotModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column { NumberColumn, TitleColumn, StatusColumn, ColumnCount };

  explicit MMBSlotModel(QObject* parent = nullptr);

  // Every slot of the index, in disc order; the rows are those the filter keeps.
  void SetSlots(std::vector<MMBSlot> chosen);
  void SetFilter(const std::string& filter);
  const std::vector<MMBSlot>& AllSlots() const { return slots_; }
  // The slot a row shows.
  const MMBSlot& SlotAt(int row) const;
  // The row that shows disc number, or -1 when it is filtered out.
  int RowOf(int number) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  void ApplyFilter();

  std::vector<MMBSlot> slots_;
  std::vector<int> shown_;  // indexes into slots_
  std::string filter_;
};
