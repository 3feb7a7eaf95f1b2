// SPDX-License-Identifier: MIT

#include "plot/toolkit_painter.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace velmor::plot {
namespace {

constexpr int kFont = 1;  // sans-serif, normal weight
constexpr int kHorizontal = 0;
constexpr int kVertical = 1;
constexpr int kTextSize = 16;  // cell height in pixels

// A float pixel coordinate rounded to the toolkit's ints. Far-away values (an extreme data point
// on a fixed scale) are held at a million pixels, far outside any window and inside the int
// range.
int to_pixel(float v) {
  constexpr float kFar = 1.0e6f;
  if (std::isnan(v)) return std::numeric_limits<int>::min();
  return static_cast<int>(std::lround(std::clamp(v, -kFar, kFar)));
}

}  // namespace

ToolkitPainter::ToolkitPainter() : area_(wintk::getviewsettings()) {
  wintk::settextjustify(0, 2);
  // Text is measured in the current style; a chart may measure before it asks for the font.
  wintk::settextstyle(kFont, kHorizontal, kTextSize);
}

ToolkitPainter::~ToolkitPainter() {
  if (clipping_) {
    wintk::setviewport(area_.left, area_.top, area_.right, area_.bottom, area_.clip);
  }
}

void ToolkitPainter::SetClipRect(int x, int y, int w, int h) {
  if (clipping_) wintk::setviewport(area_.left, area_.top, area_.right, area_.bottom, area_.clip);
  wintk::setviewport(area_.left + x, area_.top + y, area_.left + x + w, area_.top + y + h, true);
  clipping_ = true;
  offset_x_ = x;
  offset_y_ = y;
}

void ToolkitPainter::DrawLine(float x1, float y1, float x2, float y2) {
  const int ax = to_pixel(x1), ay = to_pixel(y1), bx = to_pixel(x2), by = to_pixel(y2);
  // A NaN end (a point the transformation could not place) draws nothing.
  if (ax == std::numeric_limits<int>::min() || ay == std::numeric_limits<int>::min() ||
      bx == std::numeric_limits<int>::min() || by == std::numeric_limits<int>::min()) {
    return;
  }
  wintk::line(tx(ax), ty(ay), tx(bx), ty(by));
}

void ToolkitPainter::FillRect(int x, int y, int w, int h) {
  wintk::bar(tx(x), ty(y), tx(x + w), ty(y + h));
}

void ToolkitPainter::SetLineColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  wintk::setcolor(wintk::creatergb(r, g, b));
}

void ToolkitPainter::SetFillColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  wintk::setfillstyle(1, wintk::creatergb(r, g, b));
}

int ToolkitPainter::CalculateTextDrawSize(const std::string& text) {
  return wintk::textwidth(text);
}

int ToolkitPainter::GetFontHeight() {
  wintk::settextstyle(kFont, kHorizontal, kTextSize);
  return wintk::textheight("0");
}

void ToolkitPainter::DrawText(int x, int y, const std::string& text) {
  wintk::settextstyle(kFont, kHorizontal, kTextSize);
  wintk::outtextxy(tx(x), ty(y - wintk::textheight(text)), text);
}

void ToolkitPainter::DrawRotatedText(int x, int y, float angle, const std::string& text) {
  wintk::settextstyle(kFont, kVertical, kTextSize);
  const int height = wintk::textheight(text);
  const int width = wintk::textwidth(text);
  wintk::outtextxy(tx(x - height), ty(y - width), text);
  wintk::settextstyle(kFont, kHorizontal, kTextSize);
}

}  // namespace velmor::plot
