#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "plot/chart/legend_data.h"
#include "plot/chart/plot_data.h"
#include "plot/chart/plot_data_container.h"
#include "plot/chart/trafo.h"
#include "recording_painter.h"

namespace velmor::plot {
namespace {

std::unique_ptr<PlotData> values(std::vector<float> v) {
  return std::make_unique<PlotData>(std::move(v));
}

TEST(LegendData, DefaultsCycleThroughSevenColoursAndNameByIndex) {
  const std::vector<Rgb> expected = {{255, 0, 0},   {0, 0, 255},   {0, 255, 0}, {0, 255, 255},
                                     {255, 0, 255}, {255, 255, 0}, {0, 0, 0}};
  PlotDataContainer container;
  for (int i = 0; i < 8; ++i) container.AddXYPlot(values({1, 2}), values({3, 4}));
  for (int i = 0; i < 8; ++i) {
    const LegendData* legend = container.GetLegendData(i);
    ASSERT_NE(legend, nullptr);
    // The eighth series starts the cycle again: red, named "plot 7".
    EXPECT_EQ(legend->colour, expected[i % 7]) << i;
    EXPECT_EQ(legend->name, "plot " + std::to_string(i));
    EXPECT_TRUE(legend->show);
  }
}

TEST(PlotDataContainer, NewSeriesGetsALineDrawerAndASelectionSizedToX) {
  PlotDataContainer container;
  auto selection = std::make_unique<PlotDataSelection>(1);
  selection->Select(0, true);
  container.AddXYPlot(values({1, 2, 3}), values({1, 2, 3}), nullptr, nullptr, std::move(selection));
  container.AddXYPlot(values({1, 2}), values({1, 2}));
  const auto* drawer = dynamic_cast<const LineDataDrawer*>(container.GetDataDrawer(0));
  ASSERT_NE(drawer, nullptr);
  EXPECT_TRUE(drawer->GetDrawLine());
  EXPECT_FALSE(drawer->GetDrawPoint());
  EXPECT_EQ(container.GetPlotDataSelection(0)->GetSize(), 3);
  EXPECT_EQ(container.GetPlotDataSelection(0)->GetSelectedCount(), 1);
  EXPECT_EQ(container.GetPlotDataSelection(1)->GetSize(), 2);
  EXPECT_EQ(container.GetPlotDataSelection(1)->GetSelectedCount(), 0);
  EXPECT_TRUE(container.CheckState());
}

TEST(PlotDataContainer, RemovingASeriesShiftsTheLaterOnesDown) {
  PlotDataContainer container;
  for (int i = 0; i < 4; ++i) container.AddXYPlot(values({float(i)}), values({float(i)}));
  ASSERT_TRUE(container.RemoveElement(1));
  ASSERT_EQ(container.GetSize(), 3);
  EXPECT_EQ(container.GetLegendData(1)->name, "plot 2");
  EXPECT_EQ(container.GetXData(1)->GetValue(0), 2.0);
  EXPECT_EQ(container.GetLegendData(2)->name, "plot 3");
  EXPECT_EQ(container.GetPlotIndexByName("plot 3"), 2);
  EXPECT_EQ(container.GetPlotIndexByName("plot 1"), -1);
  EXPECT_TRUE(container.CheckState());

  // Indexes out of range change nothing and give nothing.
  EXPECT_FALSE(container.RemoveElement(3));
  EXPECT_FALSE(container.RemoveElement(-1));
  EXPECT_FALSE(container.SetXYPlot(3, values({1}), values({1})));
  EXPECT_FALSE(container.SetDataDrawer(5, std::make_unique<DotDataDrawer>()));
  EXPECT_EQ(container.GetXData(3), nullptr);
  EXPECT_EQ(container.GetLegendData(-1), nullptr);
  EXPECT_EQ(container.GetSize(), 3);

  // Replacing keeps the position and gives the defaults of that index.
  ASSERT_TRUE(container.SetXYPlot(0, values({9, 8}), values({9, 8})));
  EXPECT_EQ(container.GetLegendData(0)->name, "plot 0");
  EXPECT_EQ(container.GetXData(0)->GetValue(0), 9.0);
  EXPECT_EQ(container.GetPlotDataSelection(0)->GetSize(), 2);
  container.ClearData();
  EXPECT_TRUE(container.Empty());
}

TEST(PlotDataContainer, XRangeStartsFromZeroAndSkipsEmptyAndNaN) {
  PlotDataContainer container;
  container.AddXYPlot(values({5, 7}), values({1, 1}));
  container.AddXYPlot(values({}), values({}));
  container.AddXYPlot(values({std::nanf(""), 12}), values({1, 1}));
  double lo = -1;
  double hi = -1;
  ASSERT_TRUE(container.CalculateXRange(lo, hi));
  EXPECT_EQ(lo, 0.0);
  EXPECT_EQ(hi, 12.0);

  container.AddXYPlot(nullptr, values({1}));
  EXPECT_FALSE(container.CalculateXRange(lo, hi));
}

TEST(PlotDataContainer, YRangeConsidersOnlyPointsInsideTheXRange) {
  PlotDataContainer container;
  // The first series' first point lies outside [2, 4]; it must not seed the range.
  container.AddXYPlot(values({0, 2, 3, 9}), values({-50, 4, 6, 100}));
  container.AddXYPlot(values({4, 5}), values({3, 80}));
  container.AddXYPlot(values({3}), values({std::nanf("")}));  // skipped
  double lo = 0;
  double hi = 0;
  ASSERT_TRUE(container.CalculateYRange(2.0, 4.0, lo, hi));
  EXPECT_EQ(lo, 3.0);
  EXPECT_EQ(hi, 6.0);
  ASSERT_TRUE(container.CalculateYRange(20.0, 30.0, lo, hi));
  EXPECT_EQ(lo, 0.0);
  EXPECT_EQ(hi, 0.0);
}

TEST(PlotData, CalculatedAndStringData) {
  double lo = 0;
  double hi = 0;
  const DummyData dummy(4);
  EXPECT_EQ(dummy.GetSize(), 4);
  EXPECT_EQ(dummy.GetValue(3), 3.0);
  EXPECT_EQ(dummy.GetValue(4), 0.0);
  EXPECT_EQ(CalculatedData(2.0, 0.5, 4).GetValue(3), 3.5);
  ASSERT_TRUE(dummy.CalculateRange(lo, hi));
  EXPECT_EQ(hi, 3.0);
  EXPECT_FALSE(DummyData(0).CalculateRange(lo, hi));
  hi = 5.0;
  ASSERT_TRUE(DummyData(1).CalculateRange(lo, hi));  // one value is a range too
  EXPECT_EQ(hi, 0.0);

  StringData names;
  names.AddItem("a");
  names.AddItem("b");
  const PlotDataPointer pointer(names);
  EXPECT_EQ(pointer.GetSize(), 2);
  EXPECT_EQ(pointer.GetValue(1), 1.0);
}

// [SECTION] Transformations

TEST(LinTrafo, MapsBothWaysAndRefusesAVanishingSpanKeepingItsMapping) {
  LinTrafo x;
  ASSERT_TRUE(x.Set(0.0, 110.0, 40.0, 840.0, true));
  EXPECT_FLOAT_EQ(x.Transform(55.0), 440.0f);
  EXPECT_NEAR(x.TransformBack(440.0f), 55.0, 1e-9);
  EXPECT_FALSE(x.Set(1.0, 1.0 + 1e-21, 0.0, 100.0, true));
  EXPECT_FALSE(x.Set(0.0, 5e-21, 0.0, 100.0, true));  // spans below 1e-20 cannot be mapped
  EXPECT_FALSE(x.Set(5.0, 1.0, 0.0, 100.0, true));
  EXPECT_FALSE(x.Set(0.0, std::nan(""), 0.0, 100.0, true));
  EXPECT_FLOAT_EQ(x.Transform(110.0), 840.0f);

  // A Y axis that is not ascending has its minimum at the bottom.
  LinTrafo y;
  ASSERT_TRUE(y.Set(0.0, 55.0, 60.0, 540.0, false));
  EXPECT_FLOAT_EQ(y.Transform(0.0), 540.0f);
  EXPECT_FLOAT_EQ(y.Transform(55.0), 60.0f);
  EXPECT_NEAR(y.TransformBack(300.0f), 27.5, 1e-9);
  EXPECT_EQ(LinTrafo().TransformBack(3.0f), 0.0);  // factor 0
}

TEST(LogTrafo, DecadesAreEvenlySpacedAndNonPositiveValuesArePinned) {
  LogTrafo x;
  ASSERT_TRUE(x.Set(1.0, 1000.0, 0.0, 300.0, true, 10.0, 1.0));
  EXPECT_NEAR(x.Transform(1.0), 0.0f, 1e-4);
  EXPECT_NEAR(x.Transform(10.0), 100.0f, 1e-4);
  EXPECT_NEAR(x.Transform(1000.0), 300.0f, 1e-4);
  EXPECT_NEAR(x.TransformBack(200.0f), 100.0, 1e-3);
  EXPECT_EQ(x.Transform(0.0), x.Transform(-5.0));  // both at 1e-10
  EXPECT_NEAR(SafeExp(SafeLog(8.0, 2.0, 1.0), 2.0, 1.0), 8.0, 1e-12);
  EXPECT_NEAR(SafeLog(8.0, 2.0, 1.0), 3.0, 1e-12);
  // A base of 0, 1 or below 0, or a log factor of 0, is refused and keeps the mapping.
  for (const auto& [base, factor] : {std::pair{0.0, 1.0}, {1.0, 1.0}, {-10.0, 1.0}, {10.0, 0.0}}) {
    EXPECT_FALSE(x.Set(1.0, 10.0, 0.0, 50.0, true, base, factor)) << base << ' ' << factor;
  }
  EXPECT_NEAR(x.Transform(10.0), 100.0f, 1e-4);
  EXPECT_EQ(LogTrafo().TransformBack(3.0f), 0.0);  // never set: factor 0
}

TEST(PlotDataSelection, IndexesOutOfRangeAreIgnoredAndNeverSelected) {
  PlotDataSelection selection(3);
  selection.Select(-1, true);
  selection.Select(3, true);
  EXPECT_EQ(selection.GetSelectedCount(), 0);
  selection.Select(2, true);
  EXPECT_TRUE(selection.IsSelected(2));
  EXPECT_FALSE(selection.IsSelected(3));
  EXPECT_FALSE(selection.IsSelected(-1));
  EXPECT_EQ(selection.GetSelectedCount(), 1);
  selection.Resize(-4);
  EXPECT_EQ(selection.GetSize(), 0);
}

// [SECTION] Data drawers

// The calls a drawer made, one "L x1 y1 x2 y2" or "F x y w h" per line or filled rectangle.
std::string calls(const testing::RecordingPainter& painter) {
  std::ostringstream out;
  for (const auto& op : painter.ops) {
    out << (op.kind == testing::RecordingPainter::Kind::kLine ? "L " : "F ") << op.x1 << ' '
        << op.y1 << ' ' << op.x2 << ' ' << op.y2 << '\n';
  }
  return out.str();
}

// Both axes map [0, 10] onto pixels [0, 100] (Y ascending here, so rows grow with the value).
std::string draw(DataDrawerBase& drawer, const std::vector<float>& x, const std::vector<float>& y,
                 const PlotDataSelection* selection = nullptr, int columns = 100) {
  static LinTrafo trafo;
  trafo.Set(0.0, 10.0, 0.0, 100.0, true);
  drawer.SetTransformations(&trafo, &trafo);
  AxisSetup axis;
  axis.SetFixedRange(0, 10);
  testing::RecordingPainter painter(100, 100);
  if (!drawer.DrawData(PlotData(x), PlotData(y), selection, axis, {0, 0, columns, 100}, painter)) {
    return "refused";
  }
  return calls(painter);
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
  AxisSetup axis;
  testing::RecordingPainter painter(100, 100);
  EXPECT_FALSE(LineDataDrawer().DrawData(PlotData({1}), PlotData({1}), nullptr, axis,
                                         {0, 0, 100, 100}, painter));  // no transformations
}

// Only the points inside the X range, and with more of them than pixel columns, one per group
// of neighbours: the one of largest magnitude, so that spikes survive.
TEST(DataDrawers, DrawFastKeepsThePointsInRangeAndTheirSpikes) {
  DotDataDrawer dots;
  dots.SetDrawFast(true);
  const std::vector<float> x = {-1, 1, 2, 3, 4, 11}, y = {9, 1, -5, 2, 1, 9};
  EXPECT_EQ(draw(dots, x, y, nullptr, 4),
            "L 10 10 11 10\nL 20 -50 21 -50\nL 30 20 31 20\nL 40 10 41 10\n");
  EXPECT_EQ(draw(dots, x, y, nullptr, 2), "L 20 -50 21 -50\nL 30 20 31 20\n");
}

// Bars of width w / (2 n series) stand side by side around their column, from the row of the
// value 0 to the value; a selected point gets a 5-pixel cap; columns outside the plot are skipped.
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
  EXPECT_EQ(draw(left, {0.2f, 0.4f}, {1, 3}, nullptr, 6), "F 1 0 1 10\nF 3 0 1 30\n");  // 6 / 8 pixels: 1
  LinTrafo trafo;
  left.SetTransformations(&trafo, nullptr);
  AxisSetup axis;
  testing::RecordingPainter painter(100, 100);
  EXPECT_FALSE(left.DrawData(PlotData({1}), PlotData({1}), nullptr, axis, {0, 0, 100, 100}, painter));
}

}  // namespace
}  // namespace velmor::plot
