// SPDX-License-Identifier: MIT

#include "gui/pictures/picture_files.h"

#include <QBuffer>
#include <QByteArray>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSvgGenerator>

#include "gui/pictures/image_painter.h"
#include "util/atomic_file.h"

namespace velmor::plot {
namespace {

// Vector pictures are laid out at the screen's customary density, so a pixel of the chart is a
// pixel of the drawing and the PDF page is the picture's size (800 x 600 pixels: 600 x 450 pt).
constexpr int kVectorDpi = 96;
constexpr double kPointsPerInch = 72.0;

// Draws the chart on a white page of the device; true when the chart's pass finished.
bool draw_vector(QPaintDevice& device, Chart& chart) {
  ImagePainter painter(device, /*clip_lines=*/true);
  painter.SetFillColor(255, 255, 255);
  painter.FillRect(0, 0, painter.GetWidth(), painter.GetHeight());
  return chart.Draw(painter);
}

bool svg_bytes(Chart& chart, int width, int height, QByteArray& bytes, bool& complete) {
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::WriteOnly)) return false;
  QSvgGenerator svg;
  svg.setOutputDevice(&buffer);
  svg.setSize(QSize(width, height));
  svg.setViewBox(QRect(0, 0, width, height));
  svg.setResolution(kVectorDpi);
  svg.setTitle(QString::fromStdString(chart.GetTitle()));
  complete = draw_vector(svg, chart);
  return !bytes.isEmpty();
}

bool pdf_bytes(Chart& chart, int width, int height, QByteArray& bytes, bool& complete) {
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::WriteOnly)) return false;
  QPdfWriter pdf(&buffer);
  pdf.setResolution(kVectorDpi);
  const QSizeF points(width * kPointsPerInch / kVectorDpi, height * kPointsPerInch / kVectorDpi);
  pdf.setPageLayout(QPageLayout(QPageSize(points, QPageSize::Point), QPageLayout::Portrait,
                                QMarginsF(0, 0, 0, 0)));
  pdf.setCreator(QStringLiteral("velmor-tarn"));
  pdf.setTitle(QString::fromStdString(chart.GetTitle()));
  complete = draw_vector(pdf, chart);
  return !bytes.isEmpty();
}

}  // namespace

bool save_chart_picture(Chart& chart, int width, int height, PictureFormat format,
                        const std::string& path, std::string* error) {
  if (format == PictureFormat::kPng) return save_chart_png(chart, width, height, path, error);
  const auto refuse = [&](const std::string& message) {
    if (error != nullptr) *error = message;
    return false;
  };
  if (path.empty()) return refuse(util::kMsgOutputIsFolder + path);
  const OffscreenGuiScope gui;
  QByteArray bytes;
  bool complete = false;
  const bool made =
      width >= 1 && height >= 1 && gui.ok() &&
      (format == PictureFormat::kSvg ? svg_bytes(chart, width, height, bytes, complete)
                                     : pdf_bytes(chart, width, height, bytes, complete));
  if (!made) return refuse(kMsgPictureNotDrawn + path);
  if (!util::write_file_atomically(path, std::string_view(bytes.constData(), bytes.size()),
                                   error)) {
    return false;
  }
  return complete || refuse(kMsgPictureNotDrawn + path);
}

}  // namespace velmor::plot
