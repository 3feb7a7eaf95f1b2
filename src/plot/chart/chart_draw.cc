// SPDX-License-Identifier: MIT

#include <algorithm>
#include <cmath>

#include "plot/chart/chart.h"
#include "plot/chart/chart_text.h"
#include "plot/chart/tick_info.h"

namespace velmor::plot {

namespace {

constexpr Rgb kGridColour{200, 200, 200};
constexpr int kLegendIndent = 20;  // pixels from the plot's left edge to the legend texts

int to_pixel(float v) {
  return static_cast<int>(std::lround(v));
}

}  // namespace

// [SECTION] Pipeline

bool Chart::Draw(Painter& painter) {
  const int width = painter.GetWidth();
  const int height = painter.GetHeight();
  const Rect area{margins_.left, margins_.top, width - margins_.left - margins_.right,
                  height - margins_.top - margins_.bottom};
  if (data_.Empty()) return true;
  if (!Layout(painter, area)) return false;
  if (!pre_calculators_.empty()) {
    for (const auto& calculator : pre_calculators_) {
      if (calculator->ShouldCalculate()) calculator->Calculate(painter, *this);
    }
    if (!Layout(painter, area)) return false;
  }
  if (replacing_drawer_) {
    replacing_drawer_->Prepare(painter, *this);
    return replacing_drawer_->Draw(painter);
  }

  painter.SetLineColor(kBlack);
  painter.SetClipRect(0, 0, width, height);
  DrawPlotBackground(painter, plot_rect_);
  if (x_grid_) DrawGridXAxis(painter, plot_rect_);
  if (y_grid_) DrawGridYAxis(painter, plot_rect_);
  DrawXAxis(painter, plot_rect_);
  DrawYAxis(painter, plot_rect_);
  DrawLegend(painter, plot_rect_);

  painter.SetClipRect(plot_rect_.x, plot_rect_.y, plot_rect_.w, plot_rect_.h);
  // A series that cannot be drawn does not keep the later ones from being drawn.
  bool all_drawn = true;
  for (int i = 0; i < data_.GetSize(); ++i)
    all_drawn = DrawPlot(i, plot_rect_, painter) && all_drawn;

  for (const auto& calculator : post_calculators_) {
    if (calculator->ShouldCalculate()) calculator->Calculate(painter, *this);
  }
  for (const auto& drawer : drawers_) {
    drawer->Prepare(painter, *this);
    all_drawn = drawer->Draw(painter) && all_drawn;
  }
  return all_drawn;
}

bool Chart::DrawPlot(int index, const Rect& rect, Painter& painter) {
  const PlotDataBase* x = data_.GetXData(index);
  const PlotDataBase* y = data_.GetYData(index);
  DataDrawerBase* drawer = data_.GetDataDrawer(index);
  if (x == nullptr || y == nullptr || drawer == nullptr) return false;
  if (x->GetSize() == 0) return true;  // an empty series has nothing to draw
  const LegendData* legend = data_.GetLegendData(index);
  const Rgb colour = legend != nullptr ? legend->colour : kBlack;
  painter.SetLineColor(colour);
  painter.SetFillColor(colour);
  return drawer->DrawData(*x, *y, data_.GetPlotDataSelection(index), x_axis_, rect, painter);
}

// [SECTION] Background, title, legend

void Chart::DrawPlotBackground(Painter& painter, const Rect& rect) {
  const int width = painter.GetWidth();
  if (!background_.transparent) {
    painter.SetFillColor(background_.colour);
    painter.FillRect(0, 0, width, painter.GetHeight());
  }
  if (background_.title.empty()) return;
  // Centred above the plot area, the last line's bottom one font height above it.
  const int font_height = painter.GetFontHeight();
  const std::vector<std::string> lines = SplitLines(background_.title);
  const int count = static_cast<int>(lines.size());
  for (int k = 0; k < count; ++k) {
    if (lines[k].empty()) continue;
    const int text_width = painter.CalculateTextDrawSize(lines[k]);
    const int left = static_cast<int>(std::floor((width - text_width) * 0.5 + 0.5));
    painter.DrawText(left, rect.y - font_height - (count - 1 - k) * font_height, lines[k]);
  }
}

void Chart::DrawLegend(Painter& painter, const Rect& rect) {
  const int font_height = painter.GetFontHeight();
  const TextWidth width = [&painter](const std::string& t) {
    return painter.CalculateTextDrawSize(t);
  };
  for (int i = 0; i < data_.GetSize(); ++i) {
    const LegendData* legend = data_.GetLegendData(i);
    painter.SetLineColor(legend != nullptr ? legend->colour : kBlack);
    const std::string name = legend != nullptr && legend->show ? legend->name : std::string();
    // Every series takes its line, also with an empty text.
    if (name.empty()) continue;
    painter.DrawText(rect.x + kLegendIndent, rect.y + i * 2 * font_height + font_height,
                     ShortenLegendText(name, rect.w - kLegendIndent, width));
  }
  painter.SetLineColor(kBlack);
}

// [SECTION] Grids

void Chart::DrawGridXAxis(Painter& painter, const Rect& rect) {
  if (!x_ticks_->Init()) return;
  painter.SetLineColor(kGridColour);
  double value = 0.0;
  bool is_major = false;
  std::string format;
  while (x_ticks_->GetNextTick(value, is_major, format)) {
    if (!is_major) continue;
    const float column = x_trafo_->Transform(value);
    painter.DrawLine(column, rect.y, column, rect.bottom());
  }
  painter.SetLineColor(kBlack);
}

void Chart::DrawGridYAxis(Painter& painter, const Rect& rect) {
  if (!y_ticks_->Init()) return;
  painter.SetLineColor(kGridColour);
  double value = 0.0;
  bool is_major = false;
  std::string format;
  while (y_ticks_->GetNextTick(value, is_major, format)) {
    if (!is_major) continue;
    const float row = y_trafo_->Transform(value);
    painter.DrawLine(rect.x, row, rect.right(), row);
  }
  painter.SetLineColor(kBlack);
}

// [SECTION] Axes

float Chart::XAxisRow(const Rect& rect) const {
  // Through Y = 0, or along the lower end of the Y range.
  double position = 0.0;
  if (!x_axis_.crosses_origin) position = y_axis_.ascending ? y_axis_.max : y_axis_.min;
  const float row = y_trafo_->Transform(position);
  if (std::isnan(row) || row < rect.y - 1.0f || row > rect.bottom() + 1.0f) {
    return static_cast<float>(rect.bottom());
  }
  return row;
}

float Chart::YAxisColumn(const Rect& rect) const {
  // Through X = 0, or along the left end of the X range.
  double position = 0.0;
  if (!y_axis_.crosses_origin) position = x_axis_.ascending ? x_axis_.min : x_axis_.max;
  const float column = x_trafo_->Transform(position);
  if (std::isnan(column) || column < rect.x - 1.0f || column > rect.right() + 1.0f) {
    return static_cast<float>(rect.x);
  }
  return column;
}

void Chart::DrawXAxis(Painter& painter, const Rect& rect) {
  const float row = XAxisRow(rect);
  painter.DrawLine(rect.x, row, rect.right(), row);
  int lowest = rect.bottom();
  if (x_axis_.tick_info.ticks_on && x_ticks_->Init()) {
    double value = 0.0;
    bool is_major = false;
    std::string format;
    while (x_ticks_->GetNextTick(value, is_major, format)) {
      lowest = std::max(lowest, DrawXTick(painter, value, is_major, format, row));
    }
  }
  if (x_axis_.label.empty()) return;
  const int text_width = painter.CalculateTextDrawSize(x_axis_.label);
  const int left = static_cast<int>(std::floor(rect.x + (rect.w - text_width) * 0.5 + 0.5));
  painter.DrawText(left, lowest + painter.GetFontHeight(), x_axis_.label);
}

int Chart::DrawXTick(Painter& painter, double value, bool is_major, const std::string& format,
                     float axis_pos) {
  const TickInfo& info = x_axis_.tick_info;
  const float column = x_trafo_->Transform(value);
  const int length = is_major ? info.major_tick_screen_size : info.minor_tick_screen_size;
  painter.DrawLine(column, axis_pos, column, axis_pos + length);
  if (!is_major) return to_pixel(axis_pos) + length;
  const int bottom = to_pixel(axis_pos) + info.major_tick_screen_size +
                     info.minor_tick_screen_size + painter.GetFontHeight();
  painter.DrawText(to_pixel(column), bottom, FormatTickLabel(format, value));
  return bottom;
}

void Chart::DrawYAxis(Painter& painter, const Rect& rect) {
  const TickInfo& info = y_axis_.tick_info;
  const float column = YAxisColumn(rect);
  painter.DrawLine(column, rect.y, column, rect.bottom());
  int leftmost = to_pixel(column) - info.major_tick_screen_size - info.minor_tick_screen_size;
  if (info.ticks_on && y_ticks_->Init()) {
    double value = 0.0;
    bool is_major = false;
    std::string format;
    while (y_ticks_->GetNextTick(value, is_major, format)) {
      leftmost = std::min(leftmost, DrawYTick(painter, value, is_major, format, column));
    }
  }
  if (y_axis_.label.empty()) return;
  const int text_width = painter.CalculateTextDrawSize(y_axis_.label);
  if (painter.SupportsVerticalText()) {
    // Reading upward, centred on the plot's height, its bottom side against the labels.
    const int start = static_cast<int>(std::floor(rect.y + (rect.h + text_width) * 0.5 + 0.5));
    painter.DrawRotatedText(leftmost, start, 90.0f, y_axis_.label);
  } else {
    painter.DrawText(std::max(0, leftmost - text_width), rect.y, y_axis_.label);
  }
}

int Chart::DrawYTick(Painter& painter, double value, bool is_major, const std::string& format,
                     float axis_pos) {
  const TickInfo& info = y_axis_.tick_info;
  const float row = y_trafo_->Transform(value);
  const int length = is_major ? info.major_tick_screen_size : info.minor_tick_screen_size;
  painter.DrawLine(axis_pos - length, row, axis_pos, row);
  if (!is_major) return to_pixel(axis_pos) - length;
  const std::string label = FormatTickLabel(format, value);
  const int left = to_pixel(axis_pos) - info.major_tick_screen_size - info.minor_tick_screen_size -
                   painter.CalculateTextDrawSize(label);
  painter.DrawText(left, to_pixel(row) + painter.GetFontHeight() / 2, label);
  return left;
}

}  // namespace velmor::plot
