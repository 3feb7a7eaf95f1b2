// SPDX-License-Identifier: MIT
// The chart: its data, mappings, ticks and layout, drawn onto a painter that records the calls.
#include "plot/chart/chart.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "plot/chart/axis_setup.h"
#include "plot/chart/chart_text.h"
#include "plot/chart/legend_data.h"
#include "plot/chart/painter.h"
#include "plot/chart/plot_data.h"
#include "plot/chart/plot_data_container.h"
#include "plot/chart/tick_info.h"
#include "plot/chart/tick_iterator.h"
#include "plot/chart/trafo.h"
#include "recording_painter.h"

namespace velmor::plot {
namespace {

constexpr int kFont = RecordingPainter::kFont;

using Kind = RecordingPainter::Kind;

std::unique_ptr<PlotData> values(std::vector<float> v) {
  return std::make_unique<PlotData>(std::move(v));
}

// Default colours cycle, names by index; removal shifts; indexes out of range change nothing.
TEST(PlotDataContainer, DefaultsRemovalReplacementAndBadIndexes) {
  const Rgb kColours[] = {{255, 0, 0},   {0, 0, 255},   {0, 255, 0}, {0, 255, 255},
                          {255, 0, 255}, {255, 255, 0}, {0, 0, 0}};
  PlotDataContainer container;
  container.AddXYPlot(values({0, 2, 3}), values({0, 2, 3}));
  for (int i = 1; i < 8; ++i) container.AddXYPlot(values({float(i)}), values({float(i)}));
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(container.GetLegendData(i)->colour, kColours[i % 7]) << i;
    EXPECT_EQ(container.GetLegendData(i)->name, "plot " + std::to_string(i));
  }
  const auto* drawer = dynamic_cast<const LineDataDrawer*>(container.GetDataDrawer(0));
  EXPECT_TRUE(drawer != nullptr && drawer->GetDrawLine() && !drawer->GetDrawPoint());
  ASSERT_TRUE(container.RemoveElement(1));
  EXPECT_EQ(container.GetXData(1)->GetValue(0), 2.0);
  EXPECT_EQ(container.GetPlotIndexByName("plot 3"), 2);
  EXPECT_FALSE(container.RemoveElement(7) || container.RemoveElement(-1) ||
               container.SetXYPlot(7, values({1}), values({1})) || container.GetLegendData(-1));
  EXPECT_EQ(container.GetSize(), 7);
  ASSERT_TRUE(container.SetXYPlot(1, values({9, 8}), values({9, 8})));  // defaults of its index
  EXPECT_EQ(container.GetLegendData(1)->name, "plot 1");
  EXPECT_EQ(container.GetPlotDataSelection(1)->GetSize(), 2);
}

// X from 0, skipping empty series and NaN; Y only of the points inside the X range.
TEST(PlotDataContainer, Ranges) {
  PlotDataContainer container;
  container.AddXYPlot(values({1, 2, 3, 9}), values({-50, 4, 6, 100}));  // X from 0 all the same
  container.AddXYPlot(values({}), values({}));
  container.AddXYPlot(values({std::nanf(""), 12, 4, 5}), values({1, 1, 3, 80}));
  container.AddXYPlot(values({3}), values({std::nanf("")}));
  double lo = -1, hi = -1;
  ASSERT_TRUE(container.CalculateXRange(lo, hi));
  EXPECT_EQ(std::pair(lo, hi), std::pair(0.0, 12.0));
  ASSERT_TRUE(container.CalculateYRange(2.0, 4.0, lo, hi));
  EXPECT_EQ(std::pair(lo, hi), std::pair(3.0, 6.0));
  ASSERT_TRUE(container.CalculateYRange(20.0, 30.0, lo, hi));
  EXPECT_EQ(std::pair(lo, hi), std::pair(0.0, 0.0));
  container.AddXYPlot(nullptr, values({1}));
  EXPECT_FALSE(container.CalculateXRange(lo, hi));
}

// Set() refuses a vanishing, inverted or NaN span, a bad log base or factor, keeping the mapping.
TEST(Trafo, MapsBothWaysAndRefusesBadRanges) {
  LinTrafo x;
  ASSERT_TRUE(x.Set(0.0, 110.0, 40.0, 840.0, true));
  EXPECT_FLOAT_EQ(x.Transform(55.0), 440.0f);
  for (const auto& [lo, hi] :
       {std::pair{1.0, 1.0 + 1e-21}, {0.0, 5e-21}, {5.0, 1.0}, {0.0, std::nan("")}}) {
    EXPECT_FALSE(x.Set(lo, hi, 0.0, 100.0, true)) << lo << ' ' << hi;
  }

  LogTrafo log;
  ASSERT_TRUE(log.Set(1.0, 1000.0, 0.0, 300.0, true, 10.0, 1.0));
  EXPECT_NEAR(log.Transform(10.0), 100.0f, 1e-4);
  EXPECT_NEAR(log.TransformBack(200.0f), 100.0, 1e-3);
  EXPECT_EQ(log.Transform(0.0), log.Transform(-5.0));  // both at 1e-10
  for (const auto& [base, factor] : {std::pair{0.0, 1.0}, {1.0, 1.0}, {-10.0, 1.0}, {10.0, 0.0}}) {
    EXPECT_FALSE(log.Set(0.5, 10.0, 0.0, 50.0, true, base, factor)) << base << ' ' << factor;
  }
  EXPECT_EQ(LogTrafo().TransformBack(3.0f), 0.0);
}

// "L x1 y1 x2 y2" / "F x y w h" per line / rectangle drawn.
std::string lines_and_fills(const RecordingPainter& painter) {
  std::ostringstream out;
  for (const auto& op : painter.ops) {
    out << (op.kind == Kind::kLine ? "L " : "F ") << op.x1 << ' ' << op.y1 << ' ' << op.x2 << ' '
        << op.y2 << '\n';
  }
  return out.str();
}

// What the drawer draws, both axes mapping [0, 10] onto pixels [0, 100].
std::string draw(DataDrawerBase& drawer, const std::vector<float>& x, const std::vector<float>& y,
                 const PlotDataSelection* selection = nullptr, int columns = 100,
                 bool y_mapped = true) {
  static LinTrafo trafo;
  trafo.Set(0.0, 10.0, 0.0, 100.0, true);
  drawer.SetTransformations(&trafo, y_mapped ? &trafo : nullptr);
  AxisSetup axis;
  axis.SetFixedRange(0, 10);
  RecordingPainter painter(100, 100);
  if (!drawer.DrawData(PlotData(x), PlotData(y), selection, axis, {0, 0, columns, 100}, painter)) {
    return "refused";
  }
  return lines_and_fills(painter);
}

TEST(DataDrawers, LinesPointMarksDotsAndSelections) {
  PlotDataSelection second(3);  // indexes out of range are ignored, never selected
  for (const int i : {-1, 3, 1}) second.Select(i, true);
  EXPECT_TRUE(second.GetSelectedCount() == 1 && !second.IsSelected(3) && !second.IsSelected(-1));
  LineDataDrawer line_and_marks(true, true);
  EXPECT_EQ(draw(line_and_marks, {1, 2, 3}, {1, 4, 2}, &second),
            "L 5 15 15 5\nL 5 5 15 15\n"
            "L 10 10 20 40\nL 15 45 25 35\nL 15 35 25 45\nF 15 35 10 10\n"
            "L 20 40 30 20\nL 25 25 35 15\nL 25 15 35 25\n");
  DotDataDrawer dots;
  EXPECT_EQ(draw(dots, {1, 2}, {1, 4}), "L 10 10 11 10\nL 20 40 21 40\n");
  LineDataDrawer line;  // a point without a position interrupts the line
  EXPECT_EQ(draw(line, {0, 1, 2, 3}, {1, std::nanf(""), 3, 4}), "L 20 30 30 40\n");
  EXPECT_EQ(draw(line, {1, 2, 3}, {1, 4}), "refused");              // more X than Y values
  EXPECT_EQ(draw(line, {1}, {1}, nullptr, 100, false), "refused");  // no Y mapping, no crash
  dots.SetDrawFast(true);  // points in the X range only; per pixel column the largest, spikes show
  EXPECT_EQ(draw(dots, {-1, 1, 2, 3, 4, 11}, {9, 1, -5, 2, 1, 9}, nullptr, 2),
            "L 20 -50 21 -50\nL 30 20 31 20\n");
}

// Bars w / (2 n) wide side by side from 0 to the value, selected ones capped, outside ones skipped.
TEST(DataDrawers, BarsStandSideBySide) {
  PlotDataSelection first(3);
  first.Select(0, true);
  BarDataDrawer left, right;
  left.SetPlotCount(2, 0);
  right.SetPlotCount(2, 1);
  EXPECT_EQ(draw(left, {1, 2, 20}, {1, 3, 1}, &first), "F -2 0 8 10\nF -2 -5 8 5\nF 8 0 8 30\n");
  EXPECT_EQ(draw(right, {1, 2, 20}, {1, 3, 1}), "F 6 0 8 10\nF 16 0 8 30\n");
}

// Row by row through pixel centres, nothing for a degenerate or non-finite polygon; wide lines
// as one-pixel strokes across their direction.
TEST(Painter, DefaultPolygonFillAndWideLines) {
  const auto record = [](const std::function<void(Painter&)>& paint) {
    RecordingPainter painter(100, 100);
    paint(painter);
    return lines_and_fills(painter);
  };
  EXPECT_EQ(record([](Painter& p) {
              p.FillPolygon({{1, 1}, {5, 1}, {5, 4}, {1, 4}});
            }),
            "F 1 1 4 1\nF 1 2 4 1\nF 1 3 4 1\n");
  EXPECT_EQ(record([](Painter& p) {
              p.FillPolygon({{0, 0}, {8, 0}, {4, 8}});
            }),
            "F 0 0 8 1\nF 1 1 6 1\nF 1 2 6 1\nF 2 3 4 1\nF 2 4 4 1\nF 3 5 2 1\nF 3 6 2 1\n");
  // Two overlapping squares drawn as one polygon: the overlap is a hole.
  EXPECT_EQ(record([](Painter& p) {
              p.FillPolygon({{0, 0}, {4, 0}, {4, 1}, {1, 1}, {1, 0}, {3, 0}, {3, 1}, {0, 1}});
            }),
            "F 0 0 1 1\nF 3 0 1 1\n");
  EXPECT_EQ(record([](Painter& p) {
              p.FillPolygon({{0, 0}, {5, 5}});
              p.FillPolygon({{0, 0}, {5, std::nanf("")}, {0, 5}});
            }),
            "");
  EXPECT_EQ(record([](Painter& p) {
              p.DrawWideLine(0, 10, 20, 12, 2);
              p.DrawWideLine(5, 0, 6, 30, 3);
              p.DrawWideLine(1, 1, 2, 1, 0.4f);
            }),
            "L 0 9.5 20 11.5\nL 0 10.5 20 12.5\nL 4 0 5 30\nL 5 0 6 30\nL 6 0 7 30\nL 1 1 2 1\n");
}

// Filled marks fill their outline, open ones draw it; all fit their size; far-away points and
// their rows are skipped. Legend samples show line and mark; coverage counts what meets a box.
TEST(DataDrawers, MarkersLegendSamplesAndCoverage) {
  MarkerDataDrawer square(MarkerShape::kSquare, 9);
  EXPECT_EQ(draw(square, {1}, {1}),
            "F 6 6 8 1\nF 6 7 8 1\nF 6 8 8 1\nF 6 9 8 1\nF 6 10 8 1\nF 6 11 8 1\n"
            "F 6 12 8 1\nF 6 13 8 1\n");
  EXPECT_EQ(draw(square, {50}, {1}), "");  // 500 pixels right of the 100-pixel plot
  for (int k = 0; k < kMarkerShapeCount; ++k) {
    const auto shape = static_cast<MarkerShape>(k);
    for (const PointF& p : MarkerOutline(shape, 20, 30, 9)) {
      EXPECT_LE(std::max(std::fabs(p.x - 20), std::fabs(p.y - 30)), 4.5f + 1e-5f) << k;
    }
    MarkerDataDrawer marker(shape, 9);
    const std::string drawn = draw(marker, {2}, {3});
    EXPECT_EQ(drawn.find("F ") == std::string::npos, IsOpenMarker(shape)) << k;
    EXPECT_EQ(drawn.find("L ") == std::string::npos, !IsOpenMarker(shape)) << k;
  }
  EXPECT_EQ(std::set<std::size_t>({MarkerOutline(MarkerShape::kCircle, 0, 0, 9).size(),
                                   MarkerOutline(MarkerShape::kTriangleUp, 0, 0, 9).size(),
                                   MarkerOutline(MarkerShape::kDiamond, 0, 0, 9).size()}),
            (std::set<std::size_t>{16, 3, 4}));

  RecordingPainter painter(100, 100);
  LineDataDrawer wide(true, false);
  wide.SetLineWidth(2);
  wide.DrawLegendSample(50, 20, 30, painter);
  BigDotDataDrawer(3).DrawLegendSample(50, 20, 30, painter);
  ASSERT_EQ(painter.ops.size(), 5u);
  EXPECT_TRUE(painter.ops[0].x1 == 35 && painter.ops[0].x2 == 65 && painter.ops[0].y1 == 19.5f);
  EXPECT_TRUE(painter.ops[2].x1 == 49 && painter.ops[4].x1 == 51 && painter.ops[2].y1 == 19);

  static LinTrafo trafo;
  trafo.Set(0.0, 10.0, 0.0, 100.0, true);
  const PlotData x({1, 5, 9}), y({1, 5, 9});  // pixels (10, 10), (50, 50), (90, 90)
  LineDataDrawer line(true, false);
  MarkerDataDrawer marks(MarkerShape::kCircle, 9);
  for (DataDrawerBase* d :
       {static_cast<DataDrawerBase*>(&line), static_cast<DataDrawerBase*>(&marks)})
    d->SetTransformations(&trafo, &trafo);
  EXPECT_EQ(line.CountCovered(x, y, {60, 0, 40, 30}), 0);
  EXPECT_EQ(line.CountCovered(x, y, {40, 60, 20, 20}), 1);  // the second segment only
  EXPECT_EQ(line.CountCovered(x, y, {45, 45, 10, 10}), 2);  // both segments, at their joint
  EXPECT_EQ(marks.CountCovered(x, y, {55, 0, 30, 60}), 0);
  EXPECT_EQ(marks.CountCovered(x, y, {54, 0, 30, 60}), 1);  // (50, 50) reaches to 54.5
  EXPECT_EQ(marks.CountCovered(x, y, {14, 14, 20, 20}), 1);
}

// Spans round to 1, 2 or 5 times a power of ten; formats show the span's digits; formats that
// would read a missing or wrong argument fall back to "%g".
TEST(TickText, RoundSpanFormatStringAndLabels) {
  constexpr double kError = TickInfo::kRoundSpanError, kInf = HUGE_VAL;
  const std::vector<std::pair<double, double>> cases = {
      {10.0, 10.0}, {0.1, 0.1},    {1.4, 1.0},     {1.5, 2.0},     {3.0, 2.0},    {4.4, 2.0},
      {4.5, 5.0},   {7.0, 5.0},    {9.6, 10.0},    {0.96, 1.0},    {0.033, 0.02}, {2.5e7, 2e7},
      {5.5e7, 5e7}, {0.0, kError}, {-3.0, kError}, {kInf, kError}, {NAN, kError}};
  for (const auto& [v, expected] : cases) {
    EXPECT_NEAR(TickInfo::RoundSpan(v), expected, 1e-12 * std::fabs(expected)) << v;
  }
  const float f01 = 0.01f, f001 = 0.001f, f0001 = 0.0001f, f02 = 0.2f;  // a hair off the decimal
  const std::vector<std::pair<double, std::string>> formats = {
      {0.05, "%.2f"},  {1.0, "%.0f"}, {10000.0, "%.0f"}, {10001.0, "%.1e"}, {0.0009, "%.1e"},
      {-0.25, "%.1f"}, {f01, "%.2f"}, {f001, "%.3f"},    {f0001, "%.1e"},   {f02, "%.1f"}};
  for (const auto& [span, format] : formats) {
    EXPECT_EQ(TickInfo::MakeFormatString(span), format) << span;
  }
  // clang-format off
  const std::tuple<const char*, double, const char*> kCases[] = {
      {"%.1e", 25000.0, "2.5e+04"}, {"%5.1f%%", 12.0, " 12.0%"}, {"%10.1f", 1.5, "       1.5"},
      {"plain", 1.0, "plain"}, {"%s", 1.5, "1.5"}, {"%d", 1.5, "1.5"}, {"%f %f", 1.5, "1.5"},
      {"%999f", 1.5, "1.5"}};
  // clang-format on
  for (const auto& [format, value, text] : kCases) EXPECT_EQ(FormatTickLabel(format, value), text);
}

// Worked spans; ticks 1 % and 2 % of the orthogonal extent; refusals leave the info alone.
TEST(LinTickIterator, InitFromRangesOnTheWorkedSpans) {
  AxisSetup axis;
  LinTickIterator ticks(axis);
  const std::tuple<double, double, double, float, std::string, int, int> kCases[] = {
      {100.0, 200.0, 10.0, 10.0f, "%.0f", 2, 4},
      {0.3, 100.0, 3.0, 0.1f, "%.1f", 1, 2},
      {3.0, 100.0, 0.5, 3.0f, "%.0f", 1, 2},
      {50000.0, 100.0, 2.0, 20000.0f, "%.1e", 1, 2}};
  for (const auto& [span, ortho, divisions, major, format, minor_size, major_size] : kCases) {
    TickInfo info;
    ASSERT_TRUE(ticks.InitFromRanges(span, ortho, divisions, info)) << span;
    EXPECT_FLOAT_EQ(info.major_tick_span, major) << span;
    EXPECT_EQ(std::tuple(info.minor_ticks_per_major, info.format_string,
                         info.minor_tick_screen_size, info.major_tick_screen_size),
              std::tuple(5, format, minor_size, major_size))
        << span;
  }
  TickInfo info;
  info.major_tick_span = 7.0f;
  for (const auto& [span, divisions] : {std::pair{100.0, 1e-20}, {0.0, 10.0}, {100.0, NAN}}) {
    EXPECT_FALSE(ticks.InitFromRanges(span, 200.0, divisions, info)) << span << ' ' << divisions;
  }
  EXPECT_EQ(std::pair(info.major_tick_span, info.format_string),
            std::pair(7.0f, std::string("%.0f")));
}

AxisSetup lin_axis(float min, float max, float major_span, int minors) {
  AxisSetup axis;
  axis.min = min;
  axis.max = max;
  axis.tick_info.major_tick_span = major_span;
  axis.tick_info.minor_ticks_per_major = minors;
  return axis;
}

// The values of the ticks a walk gives (the major ones only if asked); empty if Init() refuses.
std::vector<double> tick_values(TickIterator& ticks, bool major_only) {
  std::vector<double> out;
  double value = 0;
  bool major = false;
  std::string format;
  if (!ticks.Init()) return out;
  while (ticks.GetNextTick(value, major, format) && out.size() < 1000) {
    if (major || !major_only) out.push_back(value);
  }
  return out;
}

// Majors at multiples of the span, 0 exactly; the tick at max drawn within a relative 1e-4 of it.
TEST(LinTickIterator, MajorTicksAtMultiplesOfTheSpanTheTickAtMaxAndEndlessWalksRefused) {
  AxisSetup axis = lin_axis(-0.3f, 0.3f, 0.1f, 5);
  LinTickIterator ticks(axis);
  EXPECT_EQ(tick_values(ticks, false).size(), 31u);
  const std::vector<double> majors = tick_values(ticks, true);
  ASSERT_EQ(majors.size(), 7u);
  EXPECT_EQ(majors[3], 0.0);  // not a residue like -1e-17
  const std::tuple<float, float, double, bool> kCases[] = {
      {0, 0.99995f, 1, true}, {0, 0.9998f, 1, false}, {-2, -1.00005f, -1, true}};
  for (const auto& [min, max, last, drawn] : kCases) {
    axis = lin_axis(min, max, 0.5f, 5);
    const std::vector<double> all = tick_values(ticks, false);
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(std::fabs(all.back() - last) < 1e-9, drawn) << max;
  }
  // At most 10000 steps, and none so far from 0 (1e16 steps of 0.01) that indexes are inexact.
  // clang-format off
  const std::tuple<float, float, float, int, bool> kWalks[] = {
      {0, 1e6f, 0, 5, false}, {0, 1e4f, 1, 1, true}, {0, 10001, 1, 1, false},
      {1e14f, 1e14f, 0.05f, 5, false}};
  // clang-format on
  for (const auto& [min, max, span, minors, ok] : kWalks) {
    axis = lin_axis(min, max, span, minors);
    EXPECT_EQ(ticks.Init(), ok) << max << ' ' << span;
  }
}

// Majors at powers of the base, minors at whole multiples of whole bases up to 10.
TEST(LogTickIterator, PowersOfTheBaseAndTheirMultiples) {
  AxisSetup axis = lin_axis(0.5f, 300.0f, 0, 0);
  axis.logarithmic = true;
  LogTickIterator ticks(axis);
  ASSERT_TRUE(ticks.InitFromRanges(300.0, 100.0, 5.0, axis.tick_info));
  EXPECT_EQ(axis.tick_info.minor_ticks_per_major, 9);
  EXPECT_EQ(tick_values(ticks, true), (std::vector<double>{1, 10, 100}));
  const std::vector<double> all = tick_values(ticks, false);
  ASSERT_EQ(all.size(), 26u);  // 0.5 .. 0.9, 1 .. 9, 10 .. 90, 100, 200, 300
  EXPECT_NEAR(all.front(), 0.5, 1e-12);
  double lo = 0.5, hi = 300.0;
  axis.max_decades = 2;
  ASSERT_TRUE(ticks.AdjustRange(lo, hi));
  EXPECT_NEAR(lo, 10.0, 1e-9);
  EXPECT_NEAR(hi, 1000.0, 1e-9);
  for (const float base : {2.0f, 3.5f, 16.0f}) {
    axis.log_base = base;
    axis.min = 1.0f;
    axis.max = base * base * base;
    EXPECT_EQ(tick_values(ticks, false).size(), 4u) << base;  // 1, b, b^2, b^3: no minors
  }
  axis.log_base = 10.0f;  // decades counted from the axis's own ends, here beyond 1
  axis.min = 300.0f;
  axis.max = 30000.0f;
  EXPECT_EQ(tick_values(ticks, true), (std::vector<double>{1000, 10000}));
  axis.min = 0.0f;
  EXPECT_FALSE(ticks.InitFromRanges(300.0, 100.0, 5.0, axis.tick_info) || ticks.Init());
}

// Set up as the plot windows set theirs up: margins 0, 20, 60, 60, both grids, Y axis at the left.
std::unique_ptr<Chart> make_chart(std::vector<float> x, std::vector<float> y) {
  auto chart = std::make_unique<Chart>();
  chart->SetMargins({0, 20, 60, 60});
  chart->SetXGrid(true);
  chart->SetYGrid(true);
  chart->GetYAxis().crosses_origin = false;
  if (x.empty()) return chart;
  chart->GetDataContainer().AddXYPlot(std::make_unique<PlotData>(std::move(x)),
                                      std::make_unique<PlotData>(std::move(y)));
  return chart;
}

template <typename Pred>
std::size_t find_op(const std::vector<RecordingPainter::Op>& ops, Pred pred, std::size_t from = 0) {
  while (from < ops.size() && !pred(ops[from])) ++from;
  return from;
}

bool has_line(const RecordingPainter& p, float x1, float y1, float x2, float y2, Rgb colour) {
  return find_op(p.ops, [&](const auto& op) {
           return op.kind == Kind::kLine && op.x1 == x1 && op.y1 == y1 && op.x2 == x2 &&
                  op.y2 == y2 && op.line_colour == colour;
         }) < p.ops.size();
}

// An 800-pixel plot area, X span 100: 10 divisions of 10, minor step 2, whole-number labels.
TEST(ChartLayout, WorkedEightHundredPixelExample) {
  auto chart = make_chart({0, 50, 100}, {0, 5, 10});
  chart->GetXAxis().SetFixedRange(0, 100);
  chart->GetYAxis().SetFixedRange(0, 10);
  RecordingPainter painter(820, 600);
  ASSERT_TRUE(chart->Draw(painter));
  const TickInfo& x = chart->GetXAxis().tick_info;
  EXPECT_EQ(std::tuple(x.major_tick_span, x.minor_ticks_per_major, x.format_string,
                       x.major_tick_screen_size, x.minor_tick_screen_size),
            std::tuple(10.0f, 5, std::string("%.0f"), 8, 4));
  EXPECT_FLOAT_EQ(chart->GetYAxis().tick_info.major_tick_span, 1.0f);  // 480 / (3 x 16) divisions
  // Left: widest Y label "10" (16) + font (16) + ticks (8 + 4); right: "100" reaches 16 past.
  EXPECT_EQ(chart->GetPlotRect(), (Rect{44, 60, 740, 480}));
  const Trafo& tx = *chart->GetXTransformation();
  EXPECT_FLOAT_EQ(tx.Transform(100.0), 784.0f);
  for (int k = 0; k <= 10; ++k) {  // left edge at the tick, bottom below both ticks and the font
    const RecordingPainter::Op* text = painter.FindText(std::to_string(10 * k));
    ASSERT_NE(text, nullptr) << k;
    EXPECT_EQ(text->x1, std::lround(tx.Transform(10.0 * k))) << k;
    EXPECT_EQ(text->y1, 540 + 8 + 4 + kFont) << k;
  }
  int x_ticks = 0;  // every 2 units, hanging below the axis row
  for (const auto& op : painter.ops) {
    x_ticks += op.kind == Kind::kLine && op.x1 == op.x2 && op.y1 == 540.0f && op.y2 > 540.0f;
  }
  EXPECT_EQ(x_ticks, 51);
}

// 5..5 becomes 4.5..5.5, 0..0 -0.1..0.1; a span below 0.001 of the maximum grows by a tenth of it.
TEST(ChartLayout, YRangesWidenedWhenDegenerateAndOfThePointsInsideAFixedX) {
  const std::tuple<float, float, double, double> kCases[] = {
      {5, 5, 4.5, 5.5}, {0, 0, -0.1, 0.1}, {-2, -2, -2.2, -1.8}, {1000, 1000.5f, 899.95, 1100.55}};
  for (const auto& [lo, hi, min, max] : kCases) {
    auto chart = make_chart({0, 1, 2, 3}, {lo, hi, lo, hi});
    RecordingPainter painter(800, 600);
    ASSERT_TRUE(chart->Draw(painter)) << min;
    EXPECT_NEAR(chart->GetYAxis().min, min, 1e-6 * std::fabs(min));
    EXPECT_NEAR(chart->GetYAxis().max, max, 1e-6 * std::fabs(max));
  }
  // With X fixed, Y autoscales to the points inside it only.
  auto chart = make_chart({-5, 0, 5, 10, 20}, {-40, 1, 3, 2, 100});
  chart->GetXAxis().SetFixedRange(0, 10);
  RecordingPainter painter(800, 600);
  ASSERT_TRUE(chart->Draw(painter));
  EXPECT_FLOAT_EQ(chart->GetYAxis().min, 1.0f);
  EXPECT_FLOAT_EQ(chart->GetYAxis().max, 3.0f);
  chart->GetXAxis().SetAutoscale();  // every point again
  ASSERT_TRUE(chart->Draw(painter));
  EXPECT_FLOAT_EQ(chart->GetXAxis().max, 20.0f);
}

// The X axis runs through Y = 0, labels below; with all Y at most 0 it stays at the top row.
TEST(ChartLayout, ResidualStyleRangeDrawsTheXAxisThroughZero) {
  auto chart = make_chart({1, 2, 3}, {-0.3f, 0.5f, 0.1f});
  chart->GetXAxis().SetFixedRange(0, 3.3f);
  chart->GetYAxis().SetFixedRange(-0.7875f, 0.75f);
  RecordingPainter painter(800, 600);
  ASSERT_TRUE(chart->Draw(painter));
  Rect plot = chart->GetPlotRect();
  const float zero_row = chart->GetYTransformation()->Transform(0.0);
  EXPECT_NEAR(zero_row, plot.y + plot.h * 0.75 / 1.5375, 1.0);
  EXPECT_TRUE(has_line(painter, plot.x, zero_row, plot.right(), zero_row, kBlack));
  ASSERT_NE(painter.FindText("2.0"), nullptr);
  EXPECT_EQ(painter.FindText("2.0")->y1, std::lround(zero_row) + 8 + 4 + kFont);
  chart->GetYAxis().SetFixedRange(-0.75f, 0.0f);
  RecordingPainter top(800, 600);
  ASSERT_TRUE(chart->Draw(top));
  plot = chart->GetPlotRect();
  EXPECT_TRUE(has_line(top, plot.x, plot.y, plot.right(), plot.y, kBlack));
}

TEST(ChartDraw, FailedPassesDrawNoSeriesAndAnEmptyChartDrawsNothing) {
  const auto is_line = [](const auto& op) { return op.kind == Kind::kLine; };
  auto chart = make_chart({1, 2, 3}, {1, 2, 3});
  RecordingPainter small(10, 10);  // smaller than the margins
  EXPECT_FALSE(chart->Draw(small));
  chart->GetXAxis().SetFixedRange(5, 5);
  RecordingPainter flat(800, 800);
  EXPECT_FALSE(chart->Draw(flat));
  for (const RecordingPainter* p : {&small, &flat})
    EXPECT_EQ(find_op(p->ops, is_line), p->ops.size());
  Chart empty;
  RecordingPainter painter(800, 600);
  EXPECT_TRUE(empty.Draw(painter) && painter.ops.empty());
}

// A boxed legend: in the first corner that leaves every point visible, else beside the plot,
// which narrows for it; one entry per named series, its sample in the series' colour.
TEST(ChartDraw, BoxedLegendKeepsClearOfThePoints) {
  const Rgb kRed{200, 0, 0};
  const auto chart_with = [&](std::vector<float> x, std::vector<float> y) {
    auto chart = make_chart({}, {});
    chart->SetLegendStyle(LegendStyle::kBox);
    chart->GetXAxis().SetFixedRange(0, 10);
    chart->GetYAxis().SetFixedRange(0, 10);
    PlotDataContainer& data = chart->GetDataContainer();
    data.AddXYPlot(values(x), values(y), nullptr,
                   std::make_unique<MarkerDataDrawer>(MarkerShape::kCircle, 9));
    data.AddXYPlot(values(std::move(x)), values(std::move(y)));
    data.GetLegendData(0)->name = "a";
    data.GetLegendData(0)->colour = kRed;
    data.GetLegendData(1)->name = "";  // no entry
    return chart;
  };
  const auto inside = [](const Rect& r, float x, float y) {
    return x >= r.x && x <= r.right() && y >= r.y && y <= r.bottom();
  };

  // Points and their line in the top left corner: the legend goes to the top right.
  auto corner = chart_with({0, 1, 2, 3}, {10, 9, 8, 7});
  RecordingPainter painter(800, 600);
  ASSERT_TRUE(corner->Draw(painter));
  const Rect plot = corner->GetPlotRect();
  const Rect legend = corner->GetLegendRect();
  EXPECT_EQ(legend, (Rect{plot.right() - 8 - 58, plot.y + 8, 58, 12 + 20}));
  const RecordingPainter::Op* name = painter.FindText("a");
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(std::tuple(name->x1, name->y1, name->line_colour),
            std::tuple(legend.x + 44.0f, legend.y + 6 + 10 + 8.0f, kBlack));
  int sample_rows = 0;
  for (const auto& op : painter.ops) {
    if (op.kind != Kind::kFill || op.fill_colour != kRed) continue;
    sample_rows += inside(legend, op.x1, op.y1);
  }
  EXPECT_GE(sample_rows, 8);  // the mark in the box, beside the four in the corner
  EXPECT_EQ(painter.FindText("plot 1"), nullptr);
  const auto sample_lines = [&](const RecordingPainter& p, const Rect& box) {
    std::vector<std::pair<float, float>> ends;
    for (const auto& op : p.ops) {
      if (op.kind == Kind::kLine && op.line_colour == kRed && inside(box, op.x1, op.y1))
        ends.emplace_back(op.x1, op.x2);
    }
    return ends;
  };
  EXPECT_TRUE(sample_lines(painter, legend).empty());  // no line asked for
  corner->GetDataContainer().GetLegendData(0)->sample_line_width = 2;
  RecordingPainter with_line(800, 600);
  ASSERT_TRUE(corner->Draw(with_line));
  using Ends = std::vector<std::pair<float, float>>;
  const float left = legend.x + 6.0f;
  EXPECT_EQ(sample_lines(with_line, legend), (Ends{{left, left + 30}, {left, left + 30}}));

  // Points everywhere: beside the plot, in the area less the right margin.
  std::vector<float> x, y;
  for (int i = 0; i <= 20; ++i) {
    for (int j = 0; j <= 20; ++j) {
      x.push_back(0.5f * i);
      y.push_back(0.5f * j);
    }
  }
  auto full = chart_with(x, y);
  RecordingPainter beside(800, 600);
  ASSERT_TRUE(full->Draw(beside));
  const Rect narrowed = full->GetPlotRect();
  EXPECT_EQ(full->GetLegendRect(), (Rect{780 - 58, narrowed.y, 58, 32}));
  EXPECT_LE(narrowed.right(), 780 - 58 - 12);
  full->SetLegendStyle(LegendStyle::kColouredText);
  RecordingPainter text(800, 600);
  ASSERT_TRUE(full->Draw(text));
  EXPECT_GE(full->GetPlotRect().w, narrowed.w + 58 + 12);
  EXPECT_EQ(full->GetLegendRect(), Rect{});
}

// "...", then 3 characters at a time cut while 9 remain, then all but 6; code points stay whole.
TEST(ShortenLegendText, FollowsTheShorteningRule) {
  const TextWidth code_points = [](const std::string& t) {
    int n = 0;
    for (const char c : t) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 8 : 0;
    return n;
  };
  std::string accents;  // 13 code points of two bytes each
  for (char c = '\xA0'; c <= '\xAC'; ++c) accents += std::string("\xC3") + c;
  // clang-format off
  const std::tuple<std::string, int, std::string> kCases[] = {
      {"ABCDEFGHIJKL", 97, "ABCDEFGHIJKL"}, {"ABCDEFGHIJKL", 96, "...GHIJKL"},
      {"ABCDEFGHIJKLM", 100, "...GHIJKLM"}, {"ABCDEFGHIJKLM", 60, "...JKLM"},
      {"ABCDEFGHIJKLM", 50, "...KLM"}, {"ABCDEFGHIJKLM", 40, "..."}, {"AB", 8, "..."},
      {accents, 60, "..." + accents.substr(18)}};
  // clang-format on
  for (const auto& [text, width, expected] : kCases) {
    EXPECT_EQ(ShortenLegendText(text, width, code_points), expected) << text << ' ' << width;
  }
}

// Order: title, grid, axes, legend, plot clip, curves; "Time" centred below, "Product" upward.
TEST(ChartDraw, FitPlotDrawsTitleGridAxesLegendThenSeriesInOrder) {
  const Rgb colours[] = {{0, 0, 255}, {255, 127, 255}};
  auto chart = make_chart({}, {});
  chart->SetTitle("1- [Pt] vs time\r\nResiduals Plot");
  chart->GetXAxis().label = "Time";
  chart->GetYAxis().label = "Product";
  chart->GetXAxis().SetFixedRange(0, 11);
  chart->GetYAxis().SetFixedRange(0, 5.5f);
  PlotDataContainer& data = chart->GetDataContainer();
  for (int s = 0; s < 4; ++s) {
    data.AddXYPlot(std::make_unique<PlotData>(std::vector<float>{2, 6, 10}),
                   std::make_unique<PlotData>(std::vector<float>{1.0f + s, 3, 5}), nullptr,
                   s % 2 == 0 ? std::make_unique<BigDotDataDrawer>() : nullptr);
    data.GetLegendData(s)->name = s % 2 == 0 ? "[So] =" + std::to_string(s / 2) : "";
    data.GetLegendData(s)->colour = colours[s / 2];
  }
  RecordingPainter painter(800, 600);
  ASSERT_TRUE(chart->Draw(painter));
  const Rect plot = chart->GetPlotRect();
  const auto& ops = painter.ops;
  const auto text = [&](const char* t) {
    return find_op(ops, [&](const auto& op) { return op.text == t; });
  };
  const auto line = [&](Rgb colour, std::size_t from) {
    return find_op(
        ops, [&](const auto& op) { return op.kind == Kind::kLine && op.line_colour == colour; },
        from);
  };
  const std::size_t grid = line({200, 200, 200}, 0);
  const std::size_t clip = find_op(ops, [&](const auto& op) {
    return op.kind == Kind::kClip && op.x1 == plot.x && op.y1 == plot.y;
  });
  ASSERT_EQ(ops.size() - clip - 1, 2u * (15 + 2));
  EXPECT_EQ(ops[text("Residuals Plot")].y1, 60 - kFont);
  EXPECT_EQ(ops[text("Residuals Plot")].x1, std::floor((800 - 8 * 14) * 0.5 + 0.5));
  EXPECT_EQ(ops[text("1- [Pt] vs time")].y1, 60 - 2 * kFont);
  EXPECT_LT(text("Residuals Plot"), grid);
  EXPECT_LT(grid, line(kBlack, grid));
  EXPECT_LT(line(kBlack, grid), text("[So] =0"));
  EXPECT_LT(text("[So] =0"), text("[So] =1"));
  EXPECT_LT(text("[So] =1"), clip);
  EXPECT_EQ(std::pair(ops[text("[So] =0")].x1, ops[text("[So] =0")].y1),
            std::pair(plot.x + 20.0f, plot.y + kFont + 0.0f));
  EXPECT_EQ(ops[text("[So] =1")].y1, plot.y + 5 * kFont);
  EXPECT_EQ(ops[text("[So] =1")].line_colour, colours[1]);
  EXPECT_EQ(ops[clip + 1 + 17].line_colour, colours[1]);  // the second curve's first stroke
  const RecordingPainter::Op* time = painter.FindText("Time");
  const RecordingPainter::Op* product = painter.FindText("Product");
  ASSERT_TRUE(time != nullptr && product != nullptr);
  EXPECT_EQ(time->x1, std::floor(plot.x + (plot.w - 32) * 0.5 + 0.5));
  EXPECT_EQ(time->y1, plot.bottom() + 8 + 4 + kFont + kFont);
  EXPECT_EQ(product->kind, Kind::kRotatedText);
  EXPECT_EQ(product->y1, std::floor(plot.y + (plot.h + 8 * 7) * 0.5 + 0.5));
  EXPECT_GE(ops[text("0.0")].x1, product->x1);  // clear of the Y labels
}

}  // namespace
}  // namespace velmor::plot
