#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "plot/chart/legend_data.h"
#include "plot/chart/plot_data.h"
#include "plot/chart/plot_data_container.h"
#include "plot/chart/trafo.h"

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
  ASSERT_TRUE(container.SetXYPlot(0, values({9}), values({9})));
  EXPECT_EQ(container.GetLegendData(0)->name, "plot 0");
  EXPECT_EQ(container.GetXData(0)->GetValue(0), 9.0);
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
  ASSERT_TRUE(dummy.CalculateRange(lo, hi));
  EXPECT_EQ(hi, 3.0);
  EXPECT_FALSE(DummyData(0).CalculateRange(lo, hi));

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
}

}  // namespace
}  // namespace velmor::plot
