#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "plot/chart/axis_setup.h"
#include "plot/chart/legend_data.h"
#include "plot/chart/plot_data.h"
#include "plot/chart/plot_data_container.h"
#include "plot/chart/tick_info.h"
#include "plot/chart/tick_iterator.h"
#include "plot/chart/trafo.h"
#include "recording_painter.h"

namespace velmor::plot {
namespace {

std::unique_ptr<PlotData> values(std::vector<float> v) {
  return std::make_unique<PlotData>(std::move(v));
}

// Seven default colours in a cycle, names by index, a line drawer and a selection sized to X;
// removing a series shifts the later ones down; indexes out of range change and give nothing.
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
  EXPECT_EQ(container.GetPlotDataSelection(0)->GetSize(), 3);
  ASSERT_TRUE(container.RemoveElement(1));
  ASSERT_EQ(container.GetSize(), 7);
  EXPECT_EQ(container.GetXData(1)->GetValue(0), 2.0);
  EXPECT_EQ(container.GetPlotIndexByName("plot 3"), 2);
  EXPECT_EQ(container.GetPlotIndexByName("plot 1"), -1);
  EXPECT_FALSE(container.RemoveElement(7) || container.RemoveElement(-1));
  EXPECT_FALSE(container.SetXYPlot(7, values({1}), values({1})));
  EXPECT_FALSE(container.SetDataDrawer(7, std::make_unique<DotDataDrawer>()));
  EXPECT_EQ(container.GetLegendData(-1), nullptr);
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

// The adapters beside stored values: the indexes 0..n-1, an arithmetic sequence, and names
// whose values are their indexes.
TEST(PlotData, CalculatedAndStringData) {
  double lo = 0, hi = 0;
  const DummyData dummy(4);
  EXPECT_EQ(dummy.GetSize(), 4);
  EXPECT_EQ(dummy.GetValue(3), 3.0);
  EXPECT_EQ(dummy.GetValue(4), 0.0);
  EXPECT_EQ(CalculatedData(2.0, 0.5, 4).GetValue(3), 3.5);
  ASSERT_TRUE(dummy.CalculateRange(lo, hi));
  EXPECT_EQ(hi, 3.0);
  EXPECT_FALSE(DummyData(0).CalculateRange(lo, hi));
  ASSERT_TRUE(DummyData(1).CalculateRange(lo, hi));  // one value is a range too
  EXPECT_EQ(hi, 0.0);
  StringData names;
  names.AddItem("a");
  names.AddItem("b");
  EXPECT_EQ(PlotDataPointer(names).GetSize(), 2);
  EXPECT_EQ(PlotDataPointer(names).GetValue(1), 1.0);
}

// Set() refuses a vanishing, inverted or NaN span, a bad log base or factor, keeping the mapping.
TEST(Trafo, MapsBothWaysAndRefusesBadRanges) {
  LinTrafo x;
  ASSERT_TRUE(x.Set(0.0, 110.0, 40.0, 840.0, true));
  EXPECT_FLOAT_EQ(x.Transform(55.0), 440.0f);
  EXPECT_NEAR(x.TransformBack(440.0f), 55.0, 1e-9);
  for (const auto& [lo, hi] : {std::pair{1.0, 1.0 + 1e-21}, {0.0, 5e-21}, {5.0, 1.0}, {0.0, std::nan("")}}) {
    EXPECT_FALSE(x.Set(lo, hi, 0.0, 100.0, true)) << lo << ' ' << hi;
  }
  EXPECT_FLOAT_EQ(x.Transform(110.0), 840.0f);
  LinTrafo y;  // not ascending: the minimum at the bottom
  ASSERT_TRUE(y.Set(0.0, 55.0, 60.0, 540.0, false));
  EXPECT_FLOAT_EQ(y.Transform(55.0), 60.0f);
  EXPECT_NEAR(y.TransformBack(300.0f), 27.5, 1e-9);
  EXPECT_EQ(LinTrafo().TransformBack(3.0f), 0.0);

  LogTrafo log;
  ASSERT_TRUE(log.Set(1.0, 1000.0, 0.0, 300.0, true, 10.0, 1.0));
  EXPECT_NEAR(log.Transform(10.0), 100.0f, 1e-4);
  EXPECT_NEAR(log.Transform(1000.0), 300.0f, 1e-4);
  EXPECT_NEAR(log.TransformBack(200.0f), 100.0, 1e-3);
  EXPECT_EQ(log.Transform(0.0), log.Transform(-5.0));  // both at 1e-10
  EXPECT_NEAR(SafeLog(8.0, 2.0, 1.0), 3.0, 1e-12);
  for (const auto& [base, factor] : {std::pair{0.0, 1.0}, {1.0, 1.0}, {-10.0, 1.0}, {10.0, 0.0}}) {
    EXPECT_FALSE(log.Set(0.5, 10.0, 0.0, 50.0, true, base, factor)) << base << ' ' << factor;
  }
  EXPECT_NEAR(log.Transform(10.0), 100.0f, 1e-4);
  EXPECT_EQ(LogTrafo().TransformBack(3.0f), 0.0);
}

TEST(PlotDataSelection, IndexesOutOfRangeAreIgnoredAndNeverSelected) {
  PlotDataSelection selection(3);
  selection.Select(-1, true);
  selection.Select(3, true);
  selection.Select(2, true);
  EXPECT_TRUE(selection.IsSelected(2));
  EXPECT_FALSE(selection.IsSelected(3) || selection.IsSelected(-1));
  EXPECT_EQ(selection.GetSelectedCount(), 1);
  selection.Resize(-4);
  EXPECT_EQ(selection.GetSize(), 0);
}

// "L x1 y1 x2 y2" / "F x y w h" per line / rectangle; both axes map [0, 10] onto pixels [0, 100].
std::string draw(DataDrawerBase& drawer, const std::vector<float>& x, const std::vector<float>& y,
                 const PlotDataSelection* selection = nullptr, int columns = 100, bool y_trafo = true) {
  static LinTrafo trafo;
  trafo.Set(0.0, 10.0, 0.0, 100.0, true);
  drawer.SetTransformations(&trafo, y_trafo ? &trafo : nullptr);
  AxisSetup axis;
  axis.SetFixedRange(0, 10);
  testing::RecordingPainter painter(100, 100);
  if (!drawer.DrawData(PlotData(x), PlotData(y), selection, axis, {0, 0, columns, 100}, painter)) {
    return "refused";
  }
  std::ostringstream out;
  for (const auto& op : painter.ops) {
    out << (op.kind == testing::RecordingPainter::Kind::kLine ? "L " : "F ") << op.x1 << ' '
        << op.y1 << ' ' << op.x2 << ' ' << op.y2 << '\n';
  }
  return out.str();
}

TEST(DataDrawers, LinesPointMarksDotsAndSelections) {
  PlotDataSelection second(3);
  second.Select(1, true);
  LineDataDrawer line_and_marks(true, true);
  EXPECT_EQ(draw(line_and_marks, {1, 2, 3}, {1, 4, 2}, &second),
            "L 5 15 15 5\nL 5 5 15 15\n"
            "L 10 10 20 40\nL 15 45 25 35\nL 15 35 25 45\nF 15 35 10 10\n"
            "L 20 40 30 20\nL 25 25 35 15\nL 25 15 35 25\n");
  DotDataDrawer dots;
  EXPECT_EQ(draw(dots, {1, 2}, {1, 4}), "L 10 10 11 10\nL 20 40 21 40\n");
  LineDataDrawer line;  // a point without a position interrupts the line
  EXPECT_EQ(draw(line, {0, 1, 2, 3}, {1, std::nanf(""), 3, 4}), "L 20 30 30 40\n");
  BigDotDataDrawer squares;  // five vertical strokes around the point
  EXPECT_EQ(draw(squares, {1}, {1}),
            "L 8 8 8 13\nL 9 8 9 13\nL 10 8 10 13\nL 11 8 11 13\nL 12 8 12 13\n");
  EXPECT_EQ(draw(line, {1, 2, 3}, {1, 4}), "refused");  // more X than Y values
  EXPECT_EQ(draw(line, {}, {}), "refused");
  EXPECT_EQ(draw(line, {1}, {1}, nullptr, 100, false), "refused");  // no Y transformation
}

// Only points inside the X range; more than pixel columns: the largest of each group, so spikes show.
TEST(DataDrawers, DrawFastKeepsThePointsInRangeAndTheirSpikes) {
  DotDataDrawer dots;
  dots.SetDrawFast(true);
  const std::vector<float> x = {-1, 1, 2, 3, 4, 11}, y = {9, 1, -5, 2, 1, 9};
  EXPECT_EQ(draw(dots, x, y, nullptr, 4),
            "L 10 10 11 10\nL 20 -50 21 -50\nL 30 20 31 20\nL 40 10 41 10\n");
  EXPECT_EQ(draw(dots, x, y, nullptr, 2), "L 20 -50 21 -50\nL 30 20 31 20\n");
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
  right.DrawOnlyLastPoint(true);
  EXPECT_EQ(draw(right, {1, 2}, {1, 3}), "F 14 0 12 30\n");  // two points: width 12
  EXPECT_EQ(draw(left, {0.2f, 0.4f}, {1, 3}, nullptr, 6), "F 1 0 1 10\nF 3 0 1 30\n");
  EXPECT_EQ(draw(left, {1}, {1}, nullptr, 100, false), "refused");
}

TEST(RoundSpan, RoundsToOneTwoOrFiveTimesAPowerOfTenAndRefusesNonPositive) {
  constexpr double kError = TickInfo::kRoundSpanError, kInf = HUGE_VAL;
  const std::vector<std::pair<double, double>> cases = {
      {10.0, 10.0}, {0.1, 0.1},    {1.4, 1.0},     {1.5, 2.0},     {3.0, 2.0},    {4.4, 2.0},
      {4.5, 5.0},   {7.0, 5.0},    {9.6, 10.0},    {0.96, 1.0},    {0.033, 0.02}, {2.5e7, 2e7},
      {5.5e7, 5e7}, {0.0, kError}, {-3.0, kError}, {kInf, kError}, {NAN, kError}};
  for (const auto& [v, expected] : cases) {
    EXPECT_NEAR(TickInfo::RoundSpan(v), expected, 1e-12 * std::fabs(expected)) << v;
  }
}

TEST(MakeFormatString, WorkedValues) {
  const float f01 = 0.01f, f001 = 0.001f, f0001 = 0.0001f, f02 = 0.2f;  // a hair off the decimal
  const std::vector<std::pair<double, std::string>> cases = {
      {0.5, "%.1f"},   {0.05, "%.2f"},    {0.001, "%.3f"},  {0.1, "%.1f"},    {1.0, "%.0f"},
      {10.0, "%.0f"},  {10000.0, "%.0f"}, {10001.0, "%.1e"}, {0.0009, "%.1e"}, {-0.25, "%.1f"},
      {0.0, "%.1e"},   {f01, "%.2f"},     {f001, "%.3f"},   {f0001, "%.1e"},  {f02, "%.1f"}};
  for (const auto& [span, format] : cases) {
    EXPECT_EQ(TickInfo::MakeFormatString(span), format) << span;
  }
}

// Formats that would read a missing or wrong argument fall back to "%g".
TEST(FormatTickLabel, PrintsFloatFormatsAndRefusesOthers) {
  const std::tuple<const char*, double, const char*> kCases[] = {
      {"%.1f", 0.3, "0.3"},       {"%.1e", 25000.0, "2.5e+04"}, {"%5.1f%%", 12.0, " 12.0%"},
      {"%10.1f", 1.5, "       1.5"}, {"plain", 1.0, "plain"}, {"%s", 1.5, "1.5"},
      {"%d", 1.5, "1.5"},         {"%f %f", 1.5, "1.5"},        {"%999f", 1.5, "1.5"}};
  for (const auto& [format, value, text] : kCases) EXPECT_EQ(FormatTickLabel(format, value), text);
}

// Worked spans (the whole span one step below one division); ticks 1 % and 2 % of the orthogonal
// extent, the major one at least one longer. Refusals leave the info alone.
TEST(LinTickIterator, InitFromRangesOnTheWorkedSpans) {
  AxisSetup axis;
  LinTickIterator ticks(axis);
  const std::tuple<double, double, double, float, std::string, int, int> kCases[] = {
      {100.0, 200.0, 10.0, 10.0f, "%.0f", 2, 4}, {0.3, 100.0, 3.0, 0.1f, "%.1f", 1, 2},
      {3.0, 100.0, 0.5, 3.0f, "%.0f", 1, 2}, {50000.0, 100.0, 2.0, 20000.0f, "%.1e", 1, 2}};
  for (const auto& [span, ortho, divisions, major, format, minor_size, major_size] : kCases) {
    TickInfo info;
    ASSERT_TRUE(ticks.InitFromRanges(span, ortho, divisions, info)) << span;
    EXPECT_FLOAT_EQ(info.major_tick_span, major) << span;
    EXPECT_EQ(std::tuple(info.minor_ticks_per_major, info.format_string, info.minor_tick_screen_size,
                         info.major_tick_screen_size),
              std::tuple(5, format, minor_size, major_size)) << span;
  }
  TickInfo info;
  info.major_tick_span = 7.0f;
  for (const auto& [span, divisions] : {std::pair{100.0, 1e-20}, {0.0, 10.0}, {100.0, NAN}}) {
    EXPECT_FALSE(ticks.InitFromRanges(span, 200.0, divisions, info)) << span << ' ' << divisions;
  }
  EXPECT_EQ(std::pair(info.major_tick_span, info.format_string), std::pair(7.0f, std::string("%.0f")));
}

AxisSetup lin_axis(float min, float max, float major_span, int minors) {
  AxisSetup axis;
  axis.min = min;
  axis.max = max;
  axis.tick_info.major_tick_span = major_span;
  axis.tick_info.minor_ticks_per_major = minors;
  return axis;
}

// (value, major, label) of every tick a walk gives; empty if Init() refuses.
std::vector<std::tuple<double, bool, std::string>> walk(TickIterator& ticks) {
  std::vector<std::tuple<double, bool, std::string>> out;
  double value = 0;
  bool major = false;
  std::string format;
  if (!ticks.Init()) return out;
  while (ticks.GetNextTick(value, major, format) && out.size() < 1000)
    out.emplace_back(value, major, FormatTickLabel(format, value));
  return out;
}

std::vector<double> tick_values(TickIterator& ticks, bool major_only) {
  std::vector<double> out;
  for (const auto& [value, major, label] : walk(ticks)) {
    if (major || !major_only) out.push_back(value);
  }
  return out;
}

// Majors at multiples of the span, 0 exactly; the tick at max drawn within a relative 1e-4 of it.
TEST(LinTickIterator, MajorTicksAtMultiplesOfTheSpanAndTheTickAtMax) {
  AxisSetup axis = lin_axis(-0.3f, 0.3f, 0.1f, 5);
  LinTickIterator ticks(axis);
  const auto seen = walk(ticks);
  ASSERT_EQ(seen.size(), 31u);
  EXPECT_EQ(tick_values(ticks, true).size(), 7u);
  for (const double major : tick_values(ticks, true)) EXPECT_NEAR(std::remainder(major, 0.1), 0.0, 1e-7);
  EXPECT_TRUE(std::get<0>(seen[15]) == 0.0 && std::get<1>(seen[15]));  // not a residue like -1e-17
  const std::tuple<float, float, double, bool> kCases[] = {
      {0, 1, 1, true}, {0, 0.99995f, 1, true}, {0, 0.9998f, 1, false}, {-2, -1, -1, true},
      {-2, -1.00005f, -1, true}};
  for (const auto& [min, max, last, drawn] : kCases) {
    axis = lin_axis(min, max, 0.5f, 5);
    const std::vector<double> all = tick_values(ticks, false);
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(std::fabs(all.back() - last) < 1e-9, drawn) << max;
  }
}

// At most 10000 steps, and none so far from 0 (1e16 steps of 0.01) that indexes are inexact.
TEST(LinTickIterator, RefusesAStepThatWouldGiveEndlessTicks) {
  const std::tuple<float, float, float, int, bool> kCases[] = {
      {0, 1e6f, 1e-3f, 5, false}, {0, 1e6f, 0, 5, false}, {0, 1e4f, 1, 1, true},
      {0, 10001, 1, 1, false},    {1e14f, 1e14f, 0.05f, 5, false}};
  for (const auto& [min, max, span, minors, ok] : kCases) {
    AxisSetup axis = lin_axis(min, max, span, minors);
    EXPECT_EQ(LinTickIterator(axis).Init(), ok) << max << ' ' << span;
  }
}

// Majors at powers of the base, minors at whole multiples (whole bases up to 10 only); autoscaled
// ends move out to powers, within max_decades.
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
  EXPECT_NEAR(all.back(), 300.0, 1e-9);
  double lo = 0.5, hi = 300.0;
  ASSERT_TRUE(ticks.AdjustRange(lo, hi));
  EXPECT_NEAR(lo, 0.1, 1e-12);
  EXPECT_NEAR(hi, 1000.0, 1e-9);
  axis.max_decades = 2;
  lo = 0.5;
  ASSERT_TRUE(ticks.AdjustRange(lo, hi));
  EXPECT_NEAR(lo, 10.0, 1e-9);
  for (const float base : {2.0f, 3.5f, 16.0f}) {
    axis.log_base = base;
    axis.min = 1.0f;
    axis.max = base * base * base;
    EXPECT_EQ(tick_values(ticks, false), tick_values(ticks, true)) << base;
    EXPECT_EQ(tick_values(ticks, false).size(), 4u) << base;
  }
  axis.log_base = 10.0f;  // decades counted from the axis's own ends, here beyond 1
  axis.min = 300.0f;
  axis.max = 30000.0f;
  EXPECT_EQ(tick_values(ticks, true), (std::vector<double>{1000, 10000}));
  EXPECT_FALSE(ticks.InitFromRanges(300.0, 100.0, 1e-20, axis.tick_info));
  axis.min = 0.0f;
  EXPECT_FALSE(ticks.InitFromRanges(300.0, 100.0, 5.0, axis.tick_info) || ticks.Init());
}

TEST(NamedTickIterator, OneMajorTickPerTextLabelledWithTheText) {
  AxisSetup axis = lin_axis(0, 2, 0, 0);
  NamedTickIterator ticks(axis);
  ticks.SetNames({"low", "50%", "high"});
  std::vector<std::string> labels;
  for (const auto& [value, major, label] : walk(ticks)) labels.push_back(major ? label : "minor");
  EXPECT_EQ(labels, (std::vector<std::string>{"low", "50%", "high"}));
}

}  // namespace
}  // namespace velmor::plot
