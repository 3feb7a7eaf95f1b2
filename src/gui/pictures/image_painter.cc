// SPDX-License-Identifier: MIT

#include "gui/pictures/image_painter.h"

#include <QBuffer>
#include <QByteArray>
#include <QLine>
#include <QPolygonF>
#include <QRect>
#include <QString>
#include <algorithm>
#include <cmath>
#include <string>

#include "plot/chart/segment_clip.h"
#include "util/atomic_file.h"

namespace velmor::plot {

namespace {

constexpr int kFontPixelSize = 16;

// Cuts the segment to the box [lo_x, hi_x] x [lo_y, hi_y] (Liang-Barsky). False when nothing of
// it lies inside. Keeps far-away end points from reaching the rasteriser or the int conversion.
bool clip_segment(double& x1, double& y1, double& x2, double& y2, double lo_x, double lo_y,
                  double hi_x, double hi_y) {
  const double dx = x2 - x1;
  const double dy = y2 - y1;
  double t0 = 0.0;
  double t1 = 1.0;
  if (!clip_segment_parameters(x1, y1, dx, dy, lo_x, lo_y, hi_x, hi_y, t0, t1)) return false;
  const double sx = x1;
  const double sy = y1;
  x1 = sx + t0 * dx;
  y1 = sy + t0 * dy;
  x2 = sx + t1 * dx;
  y2 = sy + t1 * dy;
  return true;
}

QString to_qstring(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QFont label_font() {
  QFont font(QStringLiteral("sans-serif"));
  font.setStyleHint(QFont::SansSerif);
  font.setWeight(QFont::Normal);
  font.setPixelSize(kFontPixelSize);
  return font;
}

}  // namespace

// [SECTION] ImagePainter

ImagePainter::ImagePainter(QPaintDevice& device, bool clip_lines)
    : width_(device.width()),
      height_(device.height()),
      clip_lines_(clip_lines),
      clip_(0, 0, width_, height_),
      painter_(&device),
      font_(label_font()),
      metrics_(font_, &device),
      line_colour_(Qt::black),
      fill_colour_(Qt::white) {
  painter_.setRenderHint(QPainter::Antialiasing, false);
  painter_.setFont(font_);
  painter_.setPen(QPen(line_colour_, 1));
}

ImagePainter::~ImagePainter() = default;

bool ImagePainter::ClipToPicture(double& ax, double& ay, double& bx, double& by,
                                 double slack) const {
  if (!std::isfinite(ax) || !std::isfinite(ay) || !std::isfinite(bx) || !std::isfinite(by)) {
    return false;
  }
  if (!clip_segment(ax, ay, bx, by, -slack, -slack, width_ + slack, height_ + slack)) return false;
  return !clip_lines_ ||
         clip_segment(ax, ay, bx, by, clip_.left(), clip_.top(), clip_.right(), clip_.bottom());
}

void ImagePainter::DrawLine(float x1, float y1, float x2, float y2) {
  double ax = x1, ay = y1, bx = x2, by = y2;
  // A margin of a few pixels keeps the rounded ends of visible lines where they were.
  constexpr double kSlack = 4.0;
  if (!ClipToPicture(ax, ay, bx, by, kSlack)) return;
  painter_.drawLine(QLine(static_cast<int>(std::lround(ax)), static_cast<int>(std::lround(ay)),
                          static_cast<int>(std::lround(bx)), static_cast<int>(std::lround(by))));
}

void ImagePainter::DrawWideLine(float x1, float y1, float x2, float y2, float width) {
  double ax = x1, ay = y1, bx = x2, by = y2;
  if (!ClipToPicture(ax, ay, bx, by, 4.0 + width)) return;
  painter_.save();
  QPen pen(line_colour_, width);
  pen.setCapStyle(Qt::SquareCap);
  pen.setJoinStyle(Qt::MiterJoin);
  painter_.setPen(pen);
  painter_.drawLine(QLineF(ax, ay, bx, by));
  painter_.restore();
}

void ImagePainter::FillPolygon(const std::vector<PointF>& points) {
  if (points.size() < 3) return;
  QPolygonF polygon;
  for (const PointF& p : points) {
    // Marks far outside the picture are not drawn at all.
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || std::fabs(p.x) > 1e6f ||
        std::fabs(p.y) > 1e6f) {
      return;
    }
    polygon << QPointF(p.x, p.y);
  }
  painter_.save();
  painter_.setPen(Qt::NoPen);
  painter_.setBrush(fill_colour_);
  if (clip_lines_) painter_.setClipRect(clip_, Qt::IntersectClip);
  painter_.drawPolygon(polygon, Qt::OddEvenFill);
  painter_.restore();
}

void ImagePainter::FillRect(int x, int y, int w, int h) {
  QRect area = QRect(x, y, w, h).normalized();
  if (clip_lines_) area = area.intersected(clip_);
  if (!area.isEmpty()) painter_.fillRect(area, fill_colour_);
}

void ImagePainter::InvertRect(int x, int y, int w, int h) {
  painter_.save();
  painter_.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  painter_.fillRect(QRect(x, y, w, h).normalized(), Qt::white);
  painter_.restore();
}

void ImagePainter::SetClipRect(int x, int y, int w, int h) {
  // The right and bottom edges belong to the area, so what is drawn on the last row or column
  // of the plot (its axes' ends) stays visible.
  clip_ = QRect(x, y, w + 1, h + 1).normalized();
  painter_.setClipRect(clip_, Qt::ReplaceClip);
}

void ImagePainter::SetLineColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  line_colour_ = QColor(r, g, b);
  painter_.setPen(QPen(line_colour_, 1));
}

void ImagePainter::SetFillColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  fill_colour_ = QColor(r, g, b);
}

int ImagePainter::CalculateTextDrawSize(const std::string& text) {
  return metrics_.horizontalAdvance(to_qstring(text));
}

int ImagePainter::GetFontHeight() {
  return metrics_.height();
}

void ImagePainter::DrawText(int x, int y, const std::string& text) {
  if (text.empty()) return;
  // y is the bottom of the text line: the baseline sits one descent above it.
  painter_.drawText(QPoint(x, y - metrics_.descent()), to_qstring(text));
}

void ImagePainter::DrawRotatedText(int x, int y, float angle, const std::string& text) {
  if (text.empty()) return;
  // Reading upward: the text starts at row y and its bottom side lies along column x.
  painter_.save();
  painter_.translate(x - metrics_.descent(), y);
  painter_.rotate(-90.0);
  painter_.drawText(QPoint(0, 0), to_qstring(text));
  painter_.restore();
}

// [SECTION] Pictures

QImage render_chart_image(Chart& chart, int width, int height, bool* complete) {
  if (complete != nullptr) *complete = false;
  if (width < 1 || height < 1) return {};
  const OffscreenGuiScope gui;
  if (!gui.ok()) return {};
  QImage image(width, height, QImage::Format_RGB32);
  if (image.isNull()) return {};
  image.fill(Qt::white);
  {
    ImagePainter painter(image);
    const bool drawn = chart.Draw(painter);
    if (complete != nullptr) *complete = drawn;
  }
  return image;
}

bool save_chart_png(Chart& chart, int width, int height, const std::string& path,
                    std::string* error) {
  const auto refuse = [&](const std::string& message) {
    if (error != nullptr) *error = message;
    return false;
  };
  if (path.empty()) return refuse(util::kMsgOutputIsFolder + path);
  const OffscreenGuiScope gui;
  bool complete = false;
  const QImage image = render_chart_image(chart, width, height, &complete);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  if (image.isNull() || !buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) {
    return refuse(kMsgPictureNotDrawn + path);
  }
  if (!util::write_file_atomically(path, std::string_view(bytes.constData(), bytes.size()),
                                   error)) {
    return false;
  }
  return complete || refuse(kMsgPictureNotDrawn + path);
}

}  // namespace velmor::plot
