// SPDX-License-Identifier: GPL-3.0-or-later
#include "diskwindow/DiskDragDrop.h"

#include <QCoreApplication>
#include <QDrag>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cerrno>

#include "util/Useful.h"

std::unique_ptr<QMimeData> MakeDataObject(const std::string& folder,
                                          const std::vector<std::string>& names) {
  if (names.empty()) {
    return nullptr;
  }
  QList<QUrl> urls;
  for (const std::string& name : names) {
    const std::string path = folder + "/" + name;
    const QString hostPath = QFile::decodeName(QByteArray::fromStdString(path));
    if (!QFileInfo(hostPath).isFile()) {
      throw FileSystemError("Cannot find file", path, ENOENT);
    }
    urls << QUrl::fromLocalFile(hostPath);
  }
  auto data = std::make_unique<QMimeData>();
  data->setUrls(urls);
  return data;
}

bool HasLocalFiles(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) {
    return false;
  }
  const QList<QUrl> urls = data->urls();
  return std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

std::vector<std::string> DroppedLocalPaths(const QMimeData* data) {
  std::vector<std::string> paths;
  if (data == nullptr) {
    return paths;
  }
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) {
      paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
    }
  }
  return paths;
}

RightButtonDragCanceller::RightButtonDragCanceller() {
  QCoreApplication::instance()->installEventFilter(this);
  // Runs inside the drag loop, after the loop has put its own filter first.
  QTimer::singleShot(0, this, [this] { QCoreApplication::instance()->installEventFilter(this); });
}

RightButtonDragCanceller::~RightButtonDragCanceller() {
  QCoreApplication::instance()->removeEventFilter(this);
}

bool RightButtonDragCanceller::eventFilter(QObject*, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove) {
    return false;
  }
  if ((static_cast<QMouseEvent*>(event)->buttons() & Qt::RightButton) == 0) {
    return false;
  }
  QDrag::cancel();
  return true;
}
