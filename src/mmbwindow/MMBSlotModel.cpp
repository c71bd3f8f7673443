// SPDX-License-Identifier: GPL-3.0-or-later
#include "mmbwindow/MMBSlotModel.h"

#include <QApplication>
#include <QPalette>

MMBSlotModel::MMBSlotModel(QObject* parent) : QAbstractTableModel(parent) {}

void MMBSlotModel::SetSlots(std::vector<MMBSlot> chosen) {
  beginResetModel();
  slots_ = std::move(chosen);
  ApplyFilter();
  endResetModel();
}

void MMBSlotModel::SetFilter(const std::string& filter) {
  beginResetModel();
  filter_ = filter;
  ApplyFilter();
  endResetModel();
}

void MMBSlotModel::ApplyFilter() {
  shown_.clear();
  for (size_t index = 0; index < slots_.size(); ++index) {
    if (MMBSlotMatches(slots_[index], filter_)) {
      shown_.push_back(static_cast<int>(index));
    }
  }
}

const MMBSlot& MMBSlotModel::SlotAt(int row) const {
  return slots_.at(static_cast<size_t>(shown_.at(static_cast<size_t>(row))));
}

int MMBSlotModel::RowOf(int number) const {
  for (size_t row = 0; row < shown_.size(); ++row) {
    if (slots_[static_cast<size_t>(shown_[row])].Number == number) {
      return static_cast<int>(row);
    }
  }
  return -1;
}

int MMBSlotModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int MMBSlotModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QVariant MMBSlotModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) {
    return {};
  }
  const MMBSlot& slot = SlotAt(index.row());
  switch (role) {
    case Qt::DisplayRole:
      switch (index.column()) {
        case NumberColumn:
          return slot.Number;
        case TitleColumn:
          return QString::fromLatin1(slot.Title);
        case StatusColumn:
          return QString::fromLatin1(MMBStatusText(slot.Status));
        default:
          return {};
      }
    case Qt::TextAlignmentRole:
      return index.column() == NumberColumn ? int(Qt::AlignRight | Qt::AlignVCenter)
                                            : int(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::ForegroundRole:
      // A slot without a disc to open is shown greyed.
      if (!slot.Formatted()) {
        return QApplication::palette().brush(QPalette::Disabled, QPalette::Text);
      }
      return {};
    default:
      return {};
  }
}

QVariant MMBSlotModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
    return {};
  }
  switch (section) {
    case NumberColumn:
      return QString("No.");
    case TitleColumn:
      return QString("Title");
    case StatusColumn:
      return QString("Status");
    default:
      return {};
  }
}
