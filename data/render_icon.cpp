// SPDX-License-Identifier: GPL-3.0-or-later
// Build helper: renders the program's SVG icon as square PNG files for the hicolor icon
// theme, so the PNG sizes always match the SVG.
//
// Usage: render_icon ICON.svg OUTPUT_FOLDER SIZE... (writes OUTPUT_FOLDER/SIZE.png)
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "Usage: render_icon ICON.svg OUTPUT_FOLDER SIZE...\n");
    return 2;
  }
  QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
  if (!renderer.isValid()) {
    std::fprintf(stderr, "render_icon: cannot read %s\n", argv[1]);
    return 1;
  }
  for (int index = 3; index < argc; ++index) {
    const int size = QString(argv[index]).toInt();
    if (size <= 0) {
      std::fprintf(stderr, "render_icon: not a size: %s\n", argv[index]);
      return 2;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    const QString path = QString("%1/%2.png").arg(QString::fromLocal8Bit(argv[2])).arg(size);
    if (!image.save(path, "PNG")) {
      std::fprintf(stderr, "render_icon: cannot write %s\n", qPrintable(path));
      return 1;
    }
  }
  return 0;
}
