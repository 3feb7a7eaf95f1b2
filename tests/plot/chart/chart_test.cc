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
  for (const auto& op : p.Find(Kind::kLine)) {
    if (op.x1 == x1 && op.y1 == y1 && op.x2 == x2 && op.y2 == y2 && op.line_colour == colour) {
      return true;
    }
  }
  return false;
}

// A plot area 800 pixels wide, X span 100, "12345" 40 pixels wide: 10 divisions of 10, minor
// step 2, whole-number labels; ticks 1 % and 2 % of the 480-pixel height, capped at half the font.
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
  EXPECT_FLOAT_EQ(tx.Transform(0.0), 44.0f);
  EXPECT_FLOAT_EQ(tx.Transform(100.0), 784.0f);
  EXPECT_FLOAT_EQ(chart->GetYTransformation()->Transform(10.0), 60.0f);
  for (int k = 0; k <= 10; ++k) {  // left edge at the tick, bottom below both ticks and the font
    const RecordingPainter::Op* text = painter.FindText(std::to_string(10 * k));
    ASSERT_NE(text, nullptr) << k;
    EXPECT_EQ(text->x1, std::lround(tx.Transform(10.0 * k))) << k;
    EXPECT_EQ(text->y1, 540 + 8 + 4 + kFont) << k;
  }
  int x_ticks = 0;  // every 2 units, hanging below the axis row
  for (const auto& op : painter.Find(Kind::kLine)) {
    x_ticks += op.x1 == op.x2 && op.y1 == 540.0f && op.y2 > 540.0f;
  }
  EXPECT_EQ(x_ticks, 51);
  // A range away from 0: span 10 over 780 / 80 divisions, a major step of 1.
  chart->GetXAxis().SetFixedRange(10, 20);
  ASSERT_TRUE(chart->Draw(painter));
  EXPECT_FLOAT_EQ(chart->GetXTransformation()->Transform(10.0), chart->GetPlotRect().x);
  EXPECT_FLOAT_EQ(chart->GetXAxis().tick_info.major_tick_span, 1.0f);
}

// 5..5 becomes 4.5..5.5, 0..0 -0.1..0.1; a span below 0.001 of the maximum grows by a tenth of it.
TEST(ChartLayout, DegenerateYRangesAreWidened) {
  const std::tuple<float, float, double, double> kCases[] = {{5, 5, 4.5, 5.5},
                                                             {0, 0, -0.1, 0.1},
                                                             {-2, -2, -2.2, -1.8},
                                                             {1000, 1000.5f, 899.95, 1100.55}};
  for (const auto& [lo, hi, min, max] : kCases) {
    auto chart = make_chart({0, 1, 2, 3}, {lo, hi, lo, hi});
    RecordingPainter painter(800, 600);
    ASSERT_TRUE(chart->Draw(painter)) << min;
    EXPECT_NEAR(chart->GetYAxis().min, min, 1e-6 * std::fabs(min));
    EXPECT_NEAR(chart->GetYAxis().max, max, 1e-6 * std::fabs(max));
  }
}

TEST(ChartLayout, YAutoscaleWithFixedXConsidersOnlyPointsInside) {
  auto chart = make_chart({-5, 0, 5, 10, 20}, {-40, 1, 3, 2, 100});
  chart->GetXAxis().SetFixedRange(0, 10);
  RecordingPainter painter(800, 600);
  ASSERT_TRUE(chart->Draw(painter));
  EXPECT_FLOAT_EQ(chart->GetYAxis().min, 1.0f);
  EXPECT_FLOAT_EQ(chart->GetYAxis().max, 3.0f);
  chart->GetXAxis().SetAutoscale();  // every point again; the X range includes 0
  ASSERT_TRUE(chart->Draw(painter));
  EXPECT_FLOAT_EQ(chart->GetXAxis().min, -5.0f);
  EXPECT_FLOAT_EQ(chart->GetXAxis().max, 20.0f);
  EXPECT_FLOAT_EQ(chart->GetYAxis().max, 100.0f);
}

// The X axis runs through Y = 0 in black with its labels below; with residuals all at most 0 it
// stays at the plot's top row instead of falling to the bottom.
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

TEST(ChartLayout, LogarithmicYAxisAutoscalesToPowersAndLabelsThem) {
  auto chart = make_chart({1, 2, 3}, {0.5f, 20, 3000});
  chart->GetYAxis().logarithmic = true;
  RecordingPainter painter(800, 600);
  ASSERT_TRUE(chart->Draw(painter));
  EXPECT_FLOAT_EQ(chart->GetYAxis().min, 0.1f);
  EXPECT_FLOAT_EQ(chart->GetYAxis().max, 10000.0f);
  EXPECT_FALSE(chart->GetXAxis().crosses_origin);  // no Y = 0 on a logarithmic axis
  const Rect plot = chart->GetPlotRect();
  EXPECT_NEAR(chart->GetYTransformation()->Transform(10.0), plot.y + plot.h * 0.6, 1e-3);
  for (const char* label : {"0.1", "1", "10", "100", "1000", "10000"}) {
    EXPECT_NE(painter.FindText(label), nullptr) << label;
  }
}

TEST(ChartDraw, FailedPassesDrawNoSeriesAndAnEmptyChartDrawsNothing) {
  const std::pair<const char*, void (*)(Chart&)> kCases[] = {
      {"zero X span", [](Chart& c) { c.GetXAxis().SetFixedRange(5, 5); }},
      {"negative X span", [](Chart& c) { c.GetXAxis().SetFixedRange(5, 1); }},
      {"negative Y span", [](Chart& c) { c.GetYAxis().SetFixedRange(2, 1); }},
      {"log axis below 1e-10", [](Chart& c) {
         c.GetYAxis().logarithmic = true;
         c.GetYAxis().SetFixedRange(0, 10);
       }},
      {"painter smaller than the margins", nullptr}};
  for (const auto& [name, setup] : kCases) {
    auto chart = make_chart({1, 2, 3}, {1, 2, 3});
    if (setup) setup(*chart);
    RecordingPainter painter(setup ? 800 : 10, setup ? 800 : 10);
    EXPECT_FALSE(chart->Draw(painter)) << name;
    EXPECT_TRUE(painter.Find(Kind::kLine).empty()) << name;
  }
  Chart empty;
  RecordingPainter painter(800, 600);
  EXPECT_TRUE(empty.Draw(painter));
  EXPECT_TRUE(painter.ops.empty());
}

// "..." in front, then three characters at a time removed after it while 9 or more remain, then
// all but six; what still does not fit ends as "...". UTF-8 code points are never cut in half.
TEST(ShortenLegendText, FollowsTheShorteningRule) {
  const TextWidth code_points = [](const std::string& t) {
    int n = 0;
    for (const char c : t) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 8 : 0;
    return n;
  };
  std::string accents;  // 13 code points of two bytes each
  for (char c = '\xA0'; c <= '\xAC'; ++c) accents += std::string("\xC3") + c;
  const std::tuple<std::string, int, std::string> kCases[] = {
      {"ABCDEFGHIJKL", 97, "ABCDEFGHIJKL"}, {"ABCDEFGHIJKL", 96, "...GHIJKL"},
      {"ABCDEFGHIJKLM", 100, "...GHIJKLM"}, {"ABCDEFGHIJKLM", 60, "...JKLM"},
      {"ABCDEFGHIJKLM", 50, "...KLM"},      {"ABCDEFGHIJKLM", 40, "..."},
      {"AB", 8, "..."},                     {accents, 60, "..." + accents.substr(18)}};
  for (const auto& [text, width, expected] : kCases) {
    EXPECT_EQ(ShortenLegendText(text, width, code_points), expected) << text << ' ' << width;
  }
}

// A name too long for the plot area is shortened to fit, keeping its end.
TEST(ChartLegend, LongNamesAreShortened) {
  auto chart = make_chart({0, 1}, {0, 1});
  chart->GetDataContainer().GetLegendData(0)->name = std::string(200, 'x') + "tail";
  RecordingPainter painter(800, 600);
  ASSERT_TRUE(chart->Draw(painter));
  const std::size_t i = find_op(painter.ops, [](const auto& op) { return op.text.rfind("...", 0) == 0; });
  ASSERT_LT(i, painter.ops.size());
  EXPECT_LT(8 * static_cast<int>(painter.ops[i].text.size()), chart->GetPlotRect().w - 20);
  EXPECT_TRUE(painter.ops[i].text.ends_with("tail"));
}

// Drawing order: clip, title, grid, axes, legend (two lines an entry, an empty one keeping its
// place), plot clip, then per curve its dots' strokes and segments. "Time" centred below the X
// labels; "Product" upward, clear of the Y labels.
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
    return find_op(ops, [&](const auto& op) { return op.kind == Kind::kLine && op.line_colour == colour; }, from);
  };
  const std::size_t grid = line({200, 200, 200}, 0);
  const std::size_t clip = find_op(ops, [&](const auto& op) {
    return op.kind == Kind::kClip && op.x1 == plot.x && op.y1 == plot.y;
  });
  ASSERT_EQ(ops.size() - clip - 1, 2u * (15 + 2));
  EXPECT_EQ(ops.front().kind, Kind::kClip);
  EXPECT_EQ(ops[text("Residuals Plot")].y1, 60 - kFont);
  EXPECT_EQ(ops[text("Residuals Plot")].x1, std::floor((800 - 8 * 14) * 0.5 + 0.5));
  EXPECT_EQ(ops[text("1- [Pt] vs time")].y1, 60 - 2 * kFont);
  EXPECT_EQ(ops[text("1- [Pt] vs time")].line_colour, kBlack);
  EXPECT_LT(text("Residuals Plot"), grid);
  EXPECT_LT(grid, line(kBlack, grid));
  EXPECT_LT(line(kBlack, grid), text("[So] =0"));
  EXPECT_LT(text("[So] =0"), text("[So] =1"));
  EXPECT_LT(text("[So] =1"), clip);
  EXPECT_EQ(ops[text("[So] =0")].x1, plot.x + 20);
  EXPECT_EQ(ops[text("[So] =0")].y1, plot.y + kFont);
  EXPECT_EQ(ops[text("[So] =1")].y1, plot.y + 5 * kFont);
  for (int k = 0; k < 2; ++k) {
    EXPECT_EQ(ops[text(k == 0 ? "[So] =0" : "[So] =1")].line_colour, colours[k]);
    for (int j = 0; j < 17; ++j) {
      const auto& op = ops[clip + 1 + 17 * k + j];
      EXPECT_EQ(op.line_colour, colours[k]) << k << " " << j;
      EXPECT_EQ(op.kind == Kind::kLine && op.x1 == op.x2, j < 15) << "strokes, then segments";
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
