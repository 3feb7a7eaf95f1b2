// SPDX-License-Identifier: MIT
// render_icon: draws an SVG icon into a square PNG of a given size, for the icon theme's
// fixed-size folders (the build renders the program's icon at 128 x 128).
// Usage: render_icon ICON.svg SIZE ICON.png; exit status 0 when the PNG was written.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: render_icon ICON.svg SIZE ICON.png\n");
    return 2;
  }
  const int size = std::atoi(argv[2]);
  if (size < 1 || size > 4096) {
    std::fprintf(stderr, "render_icon: size %s is not between 1 and 4096\n", argv[2]);
    return 2;
  }
  // The build may run without a display: draw through Qt's offscreen platform.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
  if (!svg.isValid()) {
    std::fprintf(stderr, "render_icon: %s is not a readable SVG picture\n", argv[1]);
    return 1;
  }
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    svg.render(&painter);
  }
  if (!image.save(QString::fromLocal8Bit(argv[3]), "PNG")) {
    std::fprintf(stderr, "render_icon: %s could not be written\n", argv[3]);
    return 1;
  }
  return 0;
}
