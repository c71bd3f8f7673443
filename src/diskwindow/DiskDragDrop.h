// SPDX-License-Identifier: GPL-3.0-or-later
// The platform side of moving files in and out of a disk window: the drag data that
// offers temp-area files as file URLs, the local paths of a drop, and the right-button
// cancel of a running drag.
#pragma once

#include <QObject>
#include <memory>
#include <string>
#include <vector>

class QMimeData;

// The named files of folder as file URLs, in the order given. Nothing for an empty list.
// Raises FileSystemError when one of them is not there (removed behind our back).
std::unique_ptr<QMimeData> MakeDataObject(const std::string& folder,
                                          const std::vector<std::string>& names);

// Whether the data lists at least one local file.
bool HasLocalFiles(const QMimeData* data);
// The local files the data lists, in its order, as host paths; other URLs are left out.
std::vector<std::string> DroppedLocalPaths(const QMimeData* data);

// While it lives, a right-button press anywhere cancels the running drag, as Esc does.
// Installed before the drag starts and again from inside the drag loop, so that it sees
// the press before the drag loop's own filter does.
class RightButtonDragCanceller : public QObject {
 public:
  RightButtonDragCanceller();
  ~RightButtonDragCanceller() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};
