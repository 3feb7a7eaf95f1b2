// SPDX-License-Identifier: MIT

#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <string>

#include "gui/pictures/offscreen_gui.h"
#include "plot/chart/chart.h"
#include "plot/chart/painter.h"

namespace velmor::plot {

// A Painter over a Qt paint device (an image, or the SVG and PDF writers of picture_files.h):
// the same chart the plot window shows, drawn off-screen for files. Text follows the toolkit
// painter's conventions: sans-serif, normal weight, 16 pixels; the font height is the height of
// a text line; DrawText puts the text's bottom at y. Lines are drawn between rounded end points
// without antialiasing, so colours stay exact.
//
// Needs a QGuiApplication (fonts); see OffscreenGuiScope. Runs on the thread that owns the
// device; painters on different devices may draw on different threads at once.
class ImagePainter : public Painter {
 public:
  // Draws onto `device` (its width and height are the picture's, in pixels), which must outlive
  // the painter. With `clip_lines`, lines are cut to the clip rectangle here rather than by the
  // device: for vector files, whose writers may not keep the clip.
  explicit ImagePainter(QPaintDevice& device, bool clip_lines = false);
  ~ImagePainter() override;
  ImagePainter(const ImagePainter&) = delete;
  ImagePainter& operator=(const ImagePainter&) = delete;

  using Painter::SetFillColor;
  using Painter::SetLineColor;

  void DrawLine(float x1, float y1, float x2, float y2) override;
  void FillRect(int x, int y, int w, int h) override;
  void InvertRect(int x, int y, int w, int h) override;
  void SetClipRect(int x, int y, int w, int h) override;
  bool SupportsVerticalText() const override { return true; }
  int GetWidth() const override { return width_; }
  int GetHeight() const override { return height_; }
  void SetLineColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) override;
  void SetFillColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) override;
  int CalculateTextDrawSize(const std::string& text) override;
  int GetFontHeight() override;
  void DrawText(int x, int y, const std::string& text) override;
  void DrawRotatedText(int x, int y, float angle, const std::string& text) override;
  void SetStyle(const TextStyle& style) override {}
  // With the device's own wide pen (square ends) and polygon fill, so that vector files get
  // one shape each; without antialiasing, like the lines.
  void DrawWideLine(float x1, float y1, float x2, float y2, float width) override;
  void FillPolygon(const std::vector<PointF>& points) override;

 private:
  // The segment cut to the picture (and with clip_lines to the clip rectangle); false when
  // nothing of it is left or an end is not finite.
  bool ClipToPicture(double& x1, double& y1, double& x2, double& y2, double slack) const;

  int width_;
  int height_;
  bool clip_lines_;
  QRect clip_;  // the clip rectangle, edges included; the whole picture at first
  QPainter painter_;
  QFont font_;
  QFontMetrics metrics_;
  QColor line_colour_;
  QColor fill_colour_;
};

// The chart drawn on a white width x height picture; a null image when the size is not
// positive or no GUI application can be had. `complete` (if given) tells whether the chart's
// drawing pass finished; an unfinished pass leaves the picture as far as it got, as in a window.
// Drawing stores the computed ranges and ticks in the chart, which is why it is not const.
QImage render_chart_image(Chart& chart, int width, int height, bool* complete = nullptr);

// Followed by the picture's file name.
inline constexpr const char* kMsgPictureNotDrawn = "The picture could not be drawn completely: ";

// Writes the chart as a PNG file of width x height pixels (800 x 600 for the batch pictures).
// True when the chart was drawn completely and the whole file was written. The file is written
// through util::AtomicFile: it is replaced only once the new picture is complete, a link,
// folder or read-only file of that name is refused and left alone, and a failure leaves nothing
// behind. A chart whose pass could not finish (for example a zero X span) is still written, as
// far as it got, but gives false. On false, `error` (when given) receives the message for the
// user, naming the file.
bool save_chart_png(Chart& chart, int width, int height, const std::string& path,
                    std::string* error = nullptr);

}  // namespace velmor::plot
