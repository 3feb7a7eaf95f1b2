// SPDX-License-Identifier: MIT

#pragma once

#include <string>

#include "gui/wintk.h"
#include "plot/chart/painter.h"

namespace velmor::plot {

// A Painter over the toolkit's primitives: draws into the viewport of the current toolkit window
// that was in force when the painter was made (its area). All text is font 1 (sans-serif,
// normal weight) at 16 pixels, anchored at its top-left corner, so the painter selects that
// font and the left/top text justification when it is made.
//
// Runs on whichever thread draws the plot; the current window must stay the same while the
// painter lives (the plot window's display loop keeps it so).
class ToolkitPainter : public Painter {
 public:
  ToolkitPainter();
  // Gives the remembered viewport back if SetClipRect changed it.
  ~ToolkitPainter() override;
  ToolkitPainter(const ToolkitPainter&) = delete;
  ToolkitPainter& operator=(const ToolkitPainter&) = delete;

  using Painter::SetFillColor;
  using Painter::SetLineColor;

  void DrawLine(float x1, float y1, float x2, float y2) override;
  void FillRect(int x, int y, int w, int h) override;
  void InvertRect(int x, int y, int w, int h) override {}
  void SetClipRect(int x, int y, int w, int h) override;
  bool SupportsVerticalText() const override { return true; }
  int GetWidth() const override { return area_.right - area_.left + 1; }
  int GetHeight() const override { return area_.bottom - area_.top + 1; }
  void SetLineColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) override;
  void SetFillColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) override;
  int CalculateTextDrawSize(const std::string& text) override;
  int GetFontHeight() override;
  void DrawText(int x, int y, const std::string& text) override;
  void DrawRotatedText(int x, int y, float angle, const std::string& text) override;
  void SetStyle(const TextStyle& style) override {}

  bool clipping() const { return clipping_; }

 private:
  // Area coordinates to the coordinates of the toolkit's current viewport: inside a clipping
  // viewport they are shifted by its offset into the area.
  int tx(int x) const { return x - offset_x_; }
  int ty(int y) const { return y - offset_y_; }

  wintk::ViewSettings area_;
  bool clipping_ = false;
  int offset_x_ = 0;
  int offset_y_ = 0;
};

}  // namespace velmor::plot
