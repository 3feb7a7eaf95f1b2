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

// The boxed legend, in pixels: the space inside its frame, the width of a sample, the space
// between sample and name, its distance from the plot area's edges inside it, and from the plot
// area (and its labels) when outside.
constexpr int kBoxPadding = 6;
constexpr int kSampleWidth = 30;
constexpr int kSampleGap = 8;
constexpr int kBoxInset = 8;
constexpr int kBoxOutsideGap = 12;
// A name may take at most this part of the painter's width.
constexpr double kLongestName = 0.4;
constexpr Rgb kBoxFrame{160, 160, 160};

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
  legend_rect_ = {};
  if (!Layout(painter, area)) return false;
  if (!pre_calculators_.empty()) {
    for (const auto& calculator : pre_calculators_) {
      if (calculator->ShouldCalculate()) calculator->Calculate(painter, *this);
    }
    if (!Layout(painter, area)) return false;
  }
  const bool boxed = legend_style_ == LegendStyle::kBox;
  if (boxed && !PlaceLegend(painter, area)) return false;
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
  if (!boxed) DrawLegend(painter, plot_rect_);

  painter.SetClipRect(plot_rect_.x, plot_rect_.y, plot_rect_.w, plot_rect_.h);
  // A series that cannot be drawn does not keep the later ones from being drawn.
  bool all_drawn = true;
  int overhang = 0;
  for (int i = 0; i < data_.GetSize(); ++i) {
    const DataDrawerBase* drawer = data_.GetDataDrawer(i);
    const int reach = drawer != nullptr ? drawer->ClipOverhang() : 0;
    if (reach != overhang) {
      overhang = reach;
      painter.SetClipRect(plot_rect_.x - reach, plot_rect_.y - reach, plot_rect_.w + 2 * reach,
                          plot_rect_.h + 2 * reach);
    }
    all_drawn = DrawPlot(i, plot_rect_, painter) && all_drawn;
  }
  if (boxed) {
    // Above the series, in case no place left them all visible.
    painter.SetClipRect(0, 0, width, height);
    DrawLegend(painter, plot_rect_);
  }

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
  if (legend_style_ == LegendStyle::kBox) {
    DrawLegendBox(painter);
    return;
  }
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

std::vector<int> Chart::LegendEntries() const {
  std::vector<int> entries;
  for (int i = 0; i < data_.GetSize(); ++i) {
    const LegendData* legend = data_.GetLegendData(i);
    if (legend != nullptr && legend->show && !legend->name.empty()) entries.push_back(i);
  }
  return entries;
}

namespace {

// A line of text with room above and below for the sample's mark.
int entry_height(Painter& painter) {
  return painter.GetFontHeight() + 4;
}

std::string entry_name(Painter& painter, const std::string& name) {
  const int longest = static_cast<int>(painter.GetWidth() * kLongestName);
  return ShortenLegendText(
      name, longest, [&painter](const std::string& t) { return painter.CalculateTextDrawSize(t); });
}

}  // namespace

Rect Chart::LegendBoxSize(Painter& painter, const std::vector<int>& entries) const {
  int widest = 0;
  for (const int i : entries) {
    const std::string name = entry_name(painter, data_.GetLegendData(i)->name);
    widest = std::max(widest, painter.CalculateTextDrawSize(name));
  }
  const int count = static_cast<int>(entries.size());
  return {0, 0, 2 * kBoxPadding + kSampleWidth + kSampleGap + widest,
          2 * kBoxPadding + count * entry_height(painter)};
}

int Chart::CountCovered(const Rect& box) const {
  int count = 0;
  for (int i = 0; i < data_.GetSize(); ++i) {
    const PlotDataBase* x = data_.GetXData(i);
    const PlotDataBase* y = data_.GetYData(i);
    const DataDrawerBase* drawer = data_.GetDataDrawer(i);
    if (x != nullptr && y != nullptr && drawer != nullptr)
      count += drawer->CountCovered(*x, *y, box);
  }
  return count;
}

bool Chart::PlaceLegend(Painter& painter, const Rect& area) {
  const std::vector<int> entries = LegendEntries();
  if (entries.empty()) return true;
  const Rect size = LegendBoxSize(painter, entries);
  // The places inside the plot area, in order of preference: the corners, then the middles of
  // the edges. The first that covers nothing is taken.
  const auto inside = [&](const Rect& plot) {
    const int left = plot.x + kBoxInset;
    const int right = plot.right() - kBoxInset - size.w;
    const int top = plot.y + kBoxInset;
    const int bottom = plot.bottom() - kBoxInset - size.h;
    const int centre_x = plot.x + (plot.w - size.w) / 2;
    const int centre_y = plot.y + (plot.h - size.h) / 2;
    const std::pair<int, int> corners[] = {{left, top},       {right, top},    {right, bottom},
                                           {left, bottom},    {centre_x, top}, {centre_x, bottom},
                                           {right, centre_y}, {left, centre_y}};
    Rect best;
    int best_count = -1;
    for (const auto& [x, y] : corners) {
      const Rect box{x, y, size.w, size.h};
      if (box.x < plot.x || box.y < plot.y || box.right() > plot.right() ||
          box.bottom() > plot.bottom()) {
        continue;  // the plot area is too small for it there
      }
      const int count = CountCovered(box);
      if (best_count < 0 || count < best_count) {
        best = box;
        best_count = count;
      }
      if (count == 0) break;
    }
    return std::pair(best, best_count);
  };
  const auto [box, covered] = inside(plot_rect_);
  if (covered == 0) {
    legend_rect_ = box;
    return true;
  }
  // Beside the plot: the layout is redone in an area narrowed by the legend's width.
  Rect narrowed = area;
  narrowed.w -= size.w + kBoxOutsideGap;
  if (narrowed.w > size.w && Layout(painter, narrowed)) {
    legend_rect_ = {area.right() - size.w, plot_rect_.y, size.w, size.h};
    return true;
  }
  // No room beside it either: the best place inside, over what it covers.
  if (!Layout(painter, area)) return false;
  legend_rect_ = covered > 0 ? box : Rect{plot_rect_.x, plot_rect_.y, size.w, size.h};
  return true;
}

void Chart::DrawLegendBox(Painter& painter) {
  const std::vector<int> entries = LegendEntries();
  if (entries.empty() || legend_rect_.w <= 0) return;
  const Rect& box = legend_rect_;
  painter.SetFillColor(kWhite);
  painter.FillRect(box.x, box.y, box.w, box.h);
  painter.SetLineColor(kBoxFrame);
  painter.DrawLine(box.x, box.y, box.right(), box.y);
  painter.DrawLine(box.right(), box.y, box.right(), box.bottom());
  painter.DrawLine(box.right(), box.bottom(), box.x, box.bottom());
  painter.DrawLine(box.x, box.bottom(), box.x, box.y);
  const int row_height = entry_height(painter);
  const int font_height = painter.GetFontHeight();
  for (std::size_t k = 0; k < entries.size(); ++k) {
    const int i = entries[k];
    const LegendData& legend = *data_.GetLegendData(i);
    const int row_top = box.y + kBoxPadding + static_cast<int>(k) * row_height;
    const float middle = row_top + row_height * 0.5f;
    const float sample_centre = box.x + kBoxPadding + kSampleWidth * 0.5f;
    painter.SetLineColor(legend.colour);
    painter.SetFillColor(legend.colour);
    if (legend.sample_line_width > 0.0f) {
      painter.DrawWideLine(sample_centre - kSampleWidth * 0.5f, middle,
                           sample_centre + kSampleWidth * 0.5f, middle, legend.sample_line_width);
    }
    if (const DataDrawerBase* drawer = data_.GetDataDrawer(i)) {
      drawer->DrawLegendSample(sample_centre, middle, kSampleWidth, painter);
    }
    painter.SetLineColor(kBlack);
    const int text_bottom = static_cast<int>(std::lround(middle + font_height * 0.5f));
    painter.DrawText(box.x + kBoxPadding + kSampleWidth + kSampleGap, text_bottom,
                     entry_name(painter, legend.name));
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
  const std::string label = FormatTickLabel(format, value);
  const int left = x_axis_.centred_tick_labels
                       ? to_pixel(column - painter.CalculateTextDrawSize(label) * 0.5f)
                       : to_pixel(column);
  painter.DrawText(left, bottom, label);
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
