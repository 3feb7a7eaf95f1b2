#include "plot/chart/chart.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "plot/chart/chart_text.h"
#include "recording_painter.h"

namespace velmor::plot {
namespace {

using testing::RecordingPainter;
using Kind = RecordingPainter::Kind;

constexpr int kFont = RecordingPainter::kFontHeight;

// A chart set up the way the plot windows set theirs up: margins 0, 20, 60, 60, both grids, the
// Y axis at the left edge of the plot area.
std::unique_ptr<Chart> make_chart() {
  auto chart = std::make_unique<Chart>();
  chart->SetMargins({0, 20, 60, 60});
  chart->SetXGrid(true);
  chart->SetYGrid(true);
  chart->GetYAxis().crosses_origin = false;
  return chart;
}

void add_series(Chart& chart, std::vector<float> x, std::vector<float> y,
                std::unique_ptr<DataDrawerBase> drawer = nullptr) {
  chart.GetDataContainer().AddXYPlot(std::make_unique<PlotData>(std::move(x)),
                                     std::make_unique<PlotData>(std::move(y)), nullptr,
                                     std::move(drawer));
}

// Index of the first op satisfying pred at or after `from`, ops.size() if none.
template <typename Pred>
std::size_t find_op(const std::vector<RecordingPainter::Op>& ops, Pred pred, std::size_t from = 0) {
  for (std::size_t i = from; i < ops.size(); ++i) {
    if (pred(ops[i])) return i;
  }
  return ops.size();
}

// [SECTION] Layout and ticks

TEST(ChartLayout, WorkedEightHundredPixelExample) {
  // A plot area 800 pixels wide (820 minus the right margin of 20), X span 100, "12345" 40
  // pixels wide: 10 divisions of 10, minor step 2, whole-number labels.
  auto chart = make_chart();
  add_series(*chart, {0, 50, 100}, {0, 5, 10});
  chart->GetXAxis().SetFixedRange(0, 100);
  chart->GetYAxis().SetFixedRange(0, 10);
  RecordingPainter painter(820, 600);
  ASSERT_TRUE(chart->Draw(painter));

  const TickInfo& x = chart->GetXAxis().tick_info;
  EXPECT_FLOAT_EQ(x.major_tick_span, 10.0f);
  EXPECT_EQ(x.minor_ticks_per_major, 5);
  EXPECT_EQ(x.format_string, "%.0f");
  // Ticks 1 % and 2 % of the 480-pixel plot height, then capped at half the font height.
  EXPECT_EQ(x.major_tick_screen_size, 8);
  EXPECT_EQ(x.minor_tick_screen_size, 4);
  // Y: 480 pixels / (3 x 16) = 10 divisions of the span 10.
  EXPECT_FLOAT_EQ(chart->GetYAxis().tick_info.major_tick_span, 1.0f);

  // Left: widest Y label "10" (16) + font height (16) + tick lengths (8 + 4); right: "100"
  // reaches 24 - 8 = 16 pixels past its tick.
  EXPECT_EQ(chart->GetPlotRect(), (Rect{44, 60, 740, 480}));
  const Trafo& tx = *chart->GetXTransformation();

  // Labels 0, 10, ..., 100 with their left edge at the tick and their bottom at
  // axis row + major + minor + font height.
  for (int k = 0; k <= 10; ++k) {
    const std::string label = std::to_string(10 * k);
    const RecordingPainter::Op* text = painter.FindText(label);
    ASSERT_NE(text, nullptr) << label;
    EXPECT_EQ(text->x1, std::lround(tx.Transform(10.0 * k))) << label;
    EXPECT_EQ(text->y1, 540 + 8 + 4 + kFont) << label;
  }
  // 51 X ticks (every 2 units) hang below the axis row.
  int x_ticks = 0;
  for (const auto& op : painter.Find(Kind::kLine)) {
    if (op.x1 == op.x2 && op.y1 == 540.0f && op.y2 > 540.0f) ++x_ticks;
  }
  EXPECT_EQ(x_ticks, 51);
}

// 5..5 becomes 4.5..5.5, 0..0 becomes -0.1..0.1; a span below 0.001 of the maximum is widened by
// a tenth of the maximum.
TEST(ChartLayout, DegenerateYRangesAreWidened) {
  const struct {
    std::vector<float> y;
    double min, max;
  } kCases[] = {{{5, 5, 5, 5}, 4.5, 5.5},
                {{0, 0, 0, 0}, -0.1, 0.1},
                {{-2, -2, -2, -2}, -2.2, -1.8},
                {{1000.0f, 1000.5f, 1000.0f, 1000.5f}, 1000.0 - 100.05, 1000.5 + 100.05}};
  for (const auto& c : kCases) {
    auto chart = make_chart();
    add_series(*chart, {0, 1, 2, 3}, c.y);
    RecordingPainter painter(800, 600);
    ASSERT_TRUE(chart->Draw(painter)) << c.min;
    EXPECT_NEAR(chart->GetYAxis().min, c.min, 1e-6 * std::fabs(c.min));
    EXPECT_NEAR(chart->GetYAxis().max, c.max, 1e-6 * std::fabs(c.max));
  }
}

TEST(ChartLayout, FixedRangesMapOntoThePlotEdges) {
  auto chart = make_chart();
  add_series(*chart, {10, 20}, {5, 7});
  chart->GetXAxis().SetFixedRange(0, 110);
  chart->GetYAxis().SetFixedRange(0, 55);
  RecordingPainter painter(800, 600);
  ASSERT_TRUE(chart->Draw(painter));
  const Rect& plot = chart->GetPlotRect();
  EXPECT_FLOAT_EQ(chart->GetXTransformation()->Transform(0.0), plot.x);
  EXPECT_FLOAT_EQ(chart->GetXTransformation()->Transform(110.0), plot.right());
  EXPECT_FLOAT_EQ(chart->GetYTransformation()->Transform(0.0), plot.bottom());
  EXPECT_FLOAT_EQ(chart->GetYTransformation()->Transform(55.0), plot.y);
  // A range away from 0: its span 10 over 780 / 80 divisions gives a major step of 1.
  chart->GetXAxis().SetFixedRange(10, 20);
  ASSERT_TRUE(chart->Draw(painter));
  EXPECT_FLOAT_EQ(chart->GetXTransformation()->Transform(10.0), plot.x);
  EXPECT_FLOAT_EQ(chart->GetXTransformation()->Transform(20.0), plot.right());
  EXPECT_FLOAT_EQ(chart->GetXAxis().tick_info.major_tick_span, 1.0f);
}

TEST(ChartLayout, YAutoscaleWithFixedXConsidersOnlyPointsInside) {
  auto chart = make_chart();
  add_series(*chart, {-5, 0, 5, 10, 20}, {-40, 1, 3, 2, 100});
  chart->GetXAxis().SetFixedRange(0, 10);
  RecordingPainter painter(800, 600);
  ASSERT_TRUE(chart->Draw(painter));
  EXPECT_FLOAT_EQ(chart->GetYAxis().min, 1.0f);
  EXPECT_FLOAT_EQ(chart->GetYAxis().max, 3.0f);
  // Autoscaling again after the fixed range is lifted takes in every point; the X range
  // includes 0.
  chart->GetXAxis().SetAutoscale();
  ASSERT_TRUE(chart->Draw(painter));
  EXPECT_FLOAT_EQ(chart->GetXAxis().min, -5.0f);
  EXPECT_FLOAT_EQ(chart->GetXAxis().max, 20.0f);
  EXPECT_FLOAT_EQ(chart->GetYAxis().max, 100.0f);
}

TEST(ChartLayout, ResidualStyleRangeDrawsTheXAxisThroughZeroWithLabelsBelow) {
  auto chart = make_chart();
  add_series(*chart, {1, 2, 3}, {-0.3f, 0.5f, 0.1f});
  chart->GetXAxis().SetFixedRange(0, 3.3f);
  chart->GetYAxis().SetFixedRange(-0.7875f, 0.75f);
  RecordingPainter painter(800, 600);
  ASSERT_TRUE(chart->Draw(painter));
  const Rect& plot = chart->GetPlotRect();
  const float zero_row = chart->GetYTransformation()->Transform(0.0);
  EXPECT_GT(zero_row, plot.y + plot.h / 3);
  EXPECT_LT(zero_row, plot.bottom() - plot.h / 3);
  // The axis line spans the plot width at that row, in black.
  const auto& ops = painter.ops;
  EXPECT_LT(find_op(ops,
                    [&](const auto& op) {
                      return op.kind == Kind::kLine && op.y1 == zero_row && op.y2 == zero_row &&
                             op.x1 == plot.x && op.x2 == plot.right() && op.line_colour == kBlack;
                    }),
            ops.size());
  const RecordingPainter::Op* label = painter.FindText("2.0");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->y1, std::lround(zero_row) + 8 + 4 + kFont);
  // Residuals that are all at most 0: the zero line is the plot's top row, and the axis stays
  // there rather than falling to the bottom.
  chart->GetYAxis().SetFixedRange(-0.75f, 0.0f);
  RecordingPainter top(800, 600);
  ASSERT_TRUE(chart->Draw(top));
  EXPECT_LT(find_op(top.ops,
                    [&](const auto& op) {
                      return op.kind == Kind::kLine && op.y1 == plot.y && op.y2 == plot.y &&
                             op.x1 == plot.x && op.line_colour == kBlack;
                    }),
            top.ops.size());
}

TEST(ChartLayout, LogarithmicYAxisAutoscalesToPowersAndLabelsThem) {
  auto chart = make_chart();
  add_series(*chart, {1, 2, 3}, {0.5f, 20, 3000});
  chart->GetYAxis().logarithmic = true;
  RecordingPainter painter(800, 600);
  ASSERT_TRUE(chart->Draw(painter));
  EXPECT_FLOAT_EQ(chart->GetYAxis().min, 0.1f);
  EXPECT_FLOAT_EQ(chart->GetYAxis().max, 10000.0f);
  EXPECT_FALSE(chart->GetXAxis().crosses_origin);  // no Y = 0 on a logarithmic axis
  const Rect& plot = chart->GetPlotRect();
  const Trafo& ty = *chart->GetYTransformation();
  EXPECT_FLOAT_EQ(ty.Transform(0.1), plot.bottom());
  EXPECT_NEAR(ty.Transform(10.0), plot.y + plot.h * 0.6, 1e-3);  // 2 of 5 decades up
  for (const char* label : {"0.1", "1", "10", "100", "1000", "10000"}) {
    EXPECT_NE(painter.FindText(label), nullptr) << label;
  }
}

// [SECTION] Failures

TEST(ChartDraw, FailedPassesDrawNoSeriesAndAnEmptyChartDrawsNothing) {
  struct Case {
    const char* name;
    void (*setup)(Chart&);
    int size = 800;  // of the painter, square
  };
  const Case cases[] = {
      {"zero X span", [](Chart& c) { c.GetXAxis().SetFixedRange(5, 5); }},
      {"negative X span", [](Chart& c) { c.GetXAxis().SetFixedRange(5, 1); }},
      {"negative Y span", [](Chart& c) { c.GetYAxis().SetFixedRange(2, 1); }},
      {"log axis below 1e-10",
       [](Chart& c) {
         c.GetYAxis().logarithmic = true;
         c.GetYAxis().SetFixedRange(0, 10);
       }},
      {"painter smaller than the margins", [](Chart&) {}, 10},
  };
  for (const Case& c : cases) {
    auto chart = make_chart();
    add_series(*chart, {1, 2, 3}, {1, 2, 3});
    c.setup(*chart);
    RecordingPainter painter(c.size, c.size);
    EXPECT_FALSE(chart->Draw(painter)) << c.name;
    EXPECT_TRUE(painter.Find(Kind::kLine).empty()) << c.name;
  }

  Chart empty;
  RecordingPainter painter(800, 600);
  EXPECT_TRUE(empty.Draw(painter));
  EXPECT_TRUE(painter.ops.empty());
}

// [SECTION] Legend and title

// At least as wide as the limit: "..." in front, then three characters at a time removed after
// it while 9 or more remain, then all but six; what still does not fit ends as "...". UTF-8 code
// points are never cut in half.
TEST(ShortenLegendText, FollowsTheShorteningRule) {
  const TextWidth code_points = [](const std::string& t) {
    int n = 0;
    for (const char c : t) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 8 : 0;
    return n;
  };
  const std::string accents =  // 13 code points of two bytes each
      "\xC3\xA0\xC3\xA1\xC3\xA2\xC3\xA3\xC3\xA4\xC3\xA5\xC3\xA6\xC3\xA7\xC3\xA8\xC3\xA9\xC3\xAA\xC3"
      "\xAB\xC3\xAC";
  const std::tuple<std::string, int, std::string> kCases[] = {
      {"ABCDEFGHIJKL", 97, "ABCDEFGHIJKL"},
      {"ABCDEFGHIJKL", 96, "...GHIJKL"},
      {"ABCDEFGHIJKLM", 100, "...GHIJKLM"},
      {"ABCDEFGHIJKLM", 60, "...JKLM"},
      {"ABCDEFGHIJKLM", 50, "...KLM"},
      {"ABCDEFGHIJKLM", 40, "..."},
      {"AB", 8, "..."},
      {accents, 60, "...\xC3\xA9\xC3\xAA\xC3\xAB\xC3\xAC"}};
  for (const auto& [text, width, expected] : kCases) {
    EXPECT_EQ(ShortenLegendText(text, width, code_points), expected) << text << ' ' << width;
  }
}

TEST(ChartLegend, EntriesTakeTwoLinesEachInTheSeriesColourAndLongOnesAreShortened) {
  auto chart = make_chart();
  add_series(*chart, {0, 1}, {0, 1});
  add_series(*chart, {0, 1}, {1, 0});
  add_series(*chart, {0, 1}, {1, 1});
  PlotDataContainer& data = chart->GetDataContainer();
  data.GetLegendData(0)->name = "[So] =1.5";
  data.GetLegendData(1)->name = "";
  data.GetLegendData(2)->name = std::string(200, 'x') + "tail";
  data.GetLegendData(2)->colour = {10, 20, 30};
  RecordingPainter painter(800, 600);
  ASSERT_TRUE(chart->Draw(painter));
  const Rect& plot = chart->GetPlotRect();

  const RecordingPainter::Op* first = painter.FindText("[So] =1.5");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->x1, plot.x + 20);
  EXPECT_EQ(first->y1, plot.y + kFont);
  EXPECT_EQ(first->line_colour, (Rgb{255, 0, 0}));

  const auto texts = painter.Find(Kind::kText);
  const auto third = std::find_if(texts.begin(), texts.end(),
                                  [](const auto& op) { return op.text.rfind("...", 0) == 0; });
  ASSERT_NE(third, texts.end());
  EXPECT_EQ(third->y1, plot.y + 2 * 2 * kFont + kFont);  // the empty entry kept its line
  EXPECT_LT(8 * static_cast<int>(third->text.size()), plot.w - 20);
  EXPECT_EQ(third->text.substr(third->text.size() - 4), "tail");
  EXPECT_EQ(third->line_colour, (Rgb{10, 20, 30}));
}

TEST(ChartTitle, CentredAboveThePlotWithLineBreaksStackedUpward) {
  auto chart = make_chart();
  add_series(*chart, {0, 1}, {0, 1});
  chart->SetTitle("1- [Pt] vs time\r\nResiduals Plot");
  RecordingPainter painter(800, 600);
  ASSERT_TRUE(chart->Draw(painter));
  const RecordingPainter::Op* upper = painter.FindText("1- [Pt] vs time");
  const RecordingPainter::Op* lower = painter.FindText("Residuals Plot");
  ASSERT_NE(upper, nullptr);
  ASSERT_NE(lower, nullptr);
  EXPECT_EQ(lower->y1, 60 - kFont);
  EXPECT_EQ(upper->y1, 60 - 2 * kFont);
  EXPECT_EQ(lower->x1, std::floor((800 - 8 * 14) * 0.5 + 0.5));
}

// Whole-area clip, title in black, grey grid, black axes, legend in the series colours, plot
// clip, then per curve three big dots of five vertical strokes and two line segments in the
// curve's colour. "Time" is centred below the X labels; "Product" reads upward, centred on the
// plot's height, inside the picture and clear of the Y tick labels.
TEST(ChartDraw, FitPlotDrawsTitleGridAxesLegendThenSeriesInOrder) {
  const std::vector<Rgb> colours = {{0, 0, 255}, {255, 127, 255}};
  auto chart = make_chart();
  chart->SetTitle("1- [Pt] vs time Michaelis-Menten");
  chart->GetXAxis().label = "Time";
  chart->GetYAxis().label = "Product";
  chart->GetXAxis().SetFixedRange(0, 11);
  chart->GetYAxis().SetFixedRange(0, 5.5f);
  for (int k = 0; k < 2; ++k) {
    add_series(*chart, {2, 6, 10}, {1.0f + k, 3, 5}, std::make_unique<BigDotDataDrawer>());
    add_series(*chart, {2, 6, 10}, {1.1f + k, 2.9f, 4.9f});
    for (int s = 2 * k; s <= 2 * k + 1; ++s) {
      chart->GetDataContainer().GetLegendData(s)->name =
          s == 2 * k ? "[So] =" + std::to_string(k) : "";
      chart->GetDataContainer().GetLegendData(s)->colour = colours[k];
    }
  }
  RecordingPainter painter(800, 600);
  ASSERT_TRUE(chart->Draw(painter));
  const Rect& plot = chart->GetPlotRect();
  const auto& ops = painter.ops;
  const auto text = [&](const char* t) {
    return find_op(ops, [&](const auto& op) { return op.kind == Kind::kText && op.text == t; });
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
  EXPECT_EQ(ops.front().kind, Kind::kClip);
  EXPECT_LT(text("1- [Pt] vs time Michaelis-Menten"), grid);
  EXPECT_LT(grid, line(kBlack, grid));
  EXPECT_LT(line(kBlack, grid), text("[So] =0"));
  EXPECT_LT(text("[So] =0"), text("[So] =1"));
  EXPECT_LT(text("[So] =1"), clip);
  EXPECT_EQ(ops[text("1- [Pt] vs time Michaelis-Menten")].line_colour, kBlack);
  for (int k = 0; k < 2; ++k) {
    EXPECT_EQ(ops[text(k == 0 ? "[So] =0" : "[So] =1")].line_colour, colours[k]);
    for (int j = 0; j < 17; ++j) {
      const auto& op = ops[clip + 1 + 17 * k + j];
      EXPECT_EQ(op.kind, Kind::kLine);
      EXPECT_EQ(op.line_colour, colours[k]) << k << " " << j;
      EXPECT_EQ(op.x1 == op.x2, j < 15) << "dot strokes are vertical, segments are not";
    }
  }
  const RecordingPainter::Op* time = painter.FindText("Time");
  const RecordingPainter::Op* product = painter.FindText("Product");
  ASSERT_TRUE(time != nullptr && product != nullptr);
  EXPECT_EQ(time->x1, std::floor(plot.x + (plot.w - 32) * 0.5 + 0.5));
  EXPECT_EQ(time->y1, plot.bottom() + 8 + 4 + kFont + kFont);
  EXPECT_EQ(product->kind, Kind::kRotatedText);
  EXPECT_GE(product->x1 - kFont, 0);
  EXPECT_EQ(product->y1, std::floor(plot.y + (plot.h + 8 * 7) * 0.5 + 0.5));
  for (const auto& op : painter.Find(Kind::kText)) {
    if (op.x1 < plot.x && op.y1 > plot.y) {
      EXPECT_GE(op.x1, product->x1) << op.text;
    }
  }
}

}  // namespace
}  // namespace velmor::plot
