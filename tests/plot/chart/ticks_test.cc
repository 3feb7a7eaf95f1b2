#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "plot/chart/axis_setup.h"
#include "plot/chart/tick_info.h"
#include "plot/chart/tick_iterator.h"

namespace velmor::plot {
namespace {

TEST(RoundSpan, RoundsToOneTwoOrFiveTimesAPowerOfTenAndRefusesNonPositive) {
  constexpr double kError = TickInfo::kRoundSpanError;
  constexpr double kInf = std::numeric_limits<double>::infinity();
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  const std::vector<std::pair<double, double>> cases = {
      {10.0, 10.0}, {0.1, 0.1},    {1.4, 1.0},     {1.5, 2.0},     {3.0, 2.0},    {4.4, 2.0},
      {4.5, 5.0},   {7.0, 5.0},    {9.6, 10.0},    {0.96, 1.0},    {0.033, 0.02}, {2.5e7, 2e7},
      {5.5e7, 5e7}, {0.0, kError}, {-3.0, kError}, {kInf, kError}, {kNaN, kError}};
  for (const auto& [v, expected] : cases) {
    EXPECT_NEAR(TickInfo::RoundSpan(v), expected, 1e-12 * std::fabs(expected)) << v;
  }
}

TEST(MakeFormatString, WorkedValues) {
  const std::vector<std::pair<double, std::string>> cases = {
      {0.5, "%.1f"},
      {0.05, "%.2f"},
      {0.001, "%.3f"},
      {0.1, "%.1f"},
      {1.0, "%.0f"},
      {10.0, "%.0f"},
      {10000.0, "%.0f"},
      {10001.0, "%.1e"},
      {0.0009, "%.1e"},
      {-0.25, "%.1f"},
      {0.0, "%.1e"},
      // Spans stored as floats, a hair below their decimal value.
      {static_cast<float>(0.01), "%.2f"},
      {static_cast<float>(0.001), "%.3f"},
      {static_cast<float>(0.0001), "%.1e"},
      {static_cast<float>(0.2), "%.1f"}};
  for (const auto& [span, format] : cases) {
    EXPECT_EQ(TickInfo::MakeFormatString(span), format) << span;
  }
}

TEST(FormatTickLabel, PrintsFloatFormatsAndRefusesOthers) {
  EXPECT_EQ(FormatTickLabel("%.1f", 0.3), "0.3");
  EXPECT_EQ(FormatTickLabel("%.1e", 25000.0), "2.5e+04");
  EXPECT_EQ(FormatTickLabel("%5.1f%%", 12.0), " 12.0%");
  EXPECT_EQ(FormatTickLabel("%10.1f", 1.5), "       1.5");
  EXPECT_EQ(FormatTickLabel("plain", 1.0), "plain");
  // Formats that would read a missing or wrong argument fall back to "%g".
  EXPECT_EQ(FormatTickLabel("%s", 1.5), "1.5");
  EXPECT_EQ(FormatTickLabel("%d", 1.5), "1.5");
  EXPECT_EQ(FormatTickLabel("%f %f", 1.5), "1.5");
  EXPECT_EQ(FormatTickLabel("%999f", 1.5), "1.5");
}

// [SECTION] Linear tick spacing

// 100 units over 10 divisions (the chart's 800-pixel example), 0.3 over 3, less than one
// division (the whole span is one step), a span labelled in exponent form; tick lengths 1 % and
// 2 % of the orthogonal extent, the major one at least one longer. Too few divisions, or no
// usable span, are refused and leave the info alone.
TEST(LinTickIterator, InitFromRangesOnTheWorkedSpans) {
  AxisSetup axis;
  LinTickIterator ticks(axis);
  const struct {
    double span, ortho, divisions;
    float major_span;
    const char* format;
    int minor_size, major_size;
  } kCases[] = {{100.0, 200.0, 10.0, 10.0f, "%.0f", 2, 4},
                {0.3, 100.0, 3.0, 0.1f, "%.1f", 1, 2},
                {3.0, 100.0, 0.5, 3.0f, "%.0f", 1, 2},
                {50000.0, 100.0, 2.0, 20000.0f, "%.1e", 1, 2}};
  for (const auto& c : kCases) {
    TickInfo info;
    ASSERT_TRUE(ticks.InitFromRanges(c.span, c.ortho, c.divisions, info)) << c.span;
    EXPECT_FLOAT_EQ(info.major_tick_span, c.major_span) << c.span;
    EXPECT_EQ(info.minor_ticks_per_major, 5);
    EXPECT_EQ(info.format_string, c.format) << c.span;
    EXPECT_EQ(info.minor_tick_screen_size, c.minor_size) << c.span;
    EXPECT_EQ(info.major_tick_screen_size, c.major_size) << c.span;
  }
  TickInfo info;
  info.major_tick_span = 7.0f;
  EXPECT_FALSE(ticks.InitFromRanges(100.0, 200.0, 1e-20, info));
  EXPECT_FALSE(ticks.InitFromRanges(0.0, 200.0, 10.0, info));
  EXPECT_FALSE(ticks.InitFromRanges(100.0, 200.0, std::nan(""), info));
  EXPECT_FLOAT_EQ(info.major_tick_span, 7.0f);
  EXPECT_EQ(info.format_string, "%.0f");
}

struct Tick {
  double value;
  bool major;
};

std::vector<Tick> walk(TickIterator& ticks) {
  std::vector<Tick> out;
  double value = 0;
  bool major = false;
  std::string format;
  if (!ticks.Init()) return out;
  while (ticks.GetNextTick(value, major, format) && out.size() < 1000)
    out.push_back({value, major});
  return out;
}

// The tick at or just above max is drawn when it lies within a relative 1e-4 of max.
TEST(LinTickIterator, TickAtMaxIsDrawnWithinARelativeTolerance) {
  const std::tuple<float, float, double, bool> kCases[] = {{0.0f, 1.0f, 1.0, true},
                                                           {0.0f, 0.99995f, 1.0, true},
                                                           {0.0f, 0.9998f, 1.0, false},
                                                           {-2.0f, -1.0f, -1.0, true},
                                                           {-2.0f, -1.00005f, -1.0, true}};
  for (const auto& [min, max, last, drawn] : kCases) {
    AxisSetup axis;
    axis.min = min;
    axis.max = max;
    axis.tick_info.major_tick_span = 0.5f;
    axis.tick_info.minor_ticks_per_major = 5;
    LinTickIterator ticks(axis);
    const std::vector<Tick> seen = walk(ticks);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(std::fabs(seen.back().value - last) < 1e-9, drawn) << max;
  }
}

TEST(LinTickIterator, MajorTicksAtMultiplesOfTheMajorSpanAndExactZero) {
  AxisSetup axis;
  axis.min = -0.3f;
  axis.max = 0.3f;
  axis.tick_info.major_tick_span = 0.1f;
  axis.tick_info.minor_ticks_per_major = 5;
  LinTickIterator ticks(axis);
  const std::vector<Tick> seen = walk(ticks);
  ASSERT_EQ(seen.size(), 31u);
  int majors = 0;
  for (const Tick& t : seen) {
    if (!t.major) continue;
    ++majors;
    EXPECT_NEAR(std::remainder(t.value, 0.1), 0.0, 1e-7);
  }
  EXPECT_EQ(majors, 7);
  EXPECT_EQ(seen[15].value, 0.0);  // not a rounding residue that prints as "-0.0"
  EXPECT_TRUE(seen[15].major);
}

TEST(LinTickIterator, RefusesAStepThatWouldGiveEndlessTicks) {
  AxisSetup axis;
  axis.min = 0.0f;
  axis.max = 1e6f;
  axis.tick_info.major_tick_span = 1e-3f;
  LinTickIterator ticks(axis);
  EXPECT_FALSE(ticks.Init());
  axis.tick_info.major_tick_span = 0.0f;
  EXPECT_FALSE(ticks.Init());
  axis.max = 1e4f;  // 10000 steps are the most a walk may take
  axis.tick_info.major_tick_span = 1.0f;
  axis.tick_info.minor_ticks_per_major = 1;
  EXPECT_TRUE(ticks.Init());
  axis.max = 10001.0f;
  EXPECT_FALSE(ticks.Init());
  // A few ticks, but so far from 0 (1e16 steps of 0.01) that their indexes are no longer exact.
  axis.min = axis.max = 1e14f;
  axis.tick_info.major_tick_span = 0.05f;
  axis.tick_info.minor_ticks_per_major = 5;
  EXPECT_FALSE(ticks.Init());
}

// [SECTION] Logarithmic and named ticks

std::vector<double> values(const std::vector<Tick>& ticks, bool major_only) {
  std::vector<double> out;
  for (const Tick& t : ticks) {
    if (t.major || !major_only) out.push_back(t.value);
  }
  return out;
}

// Majors at the powers of the base, minors at their whole multiples for whole bases up to 10 and
// none for other bases; autoscaled ends move out to powers, within max_decades.
TEST(LogTickIterator, PowersOfTheBaseAndTheirMultiples) {
  AxisSetup axis;
  axis.logarithmic = true;
  axis.min = 0.5f;
  axis.max = 300.0f;
  LogTickIterator ticks(axis);
  ASSERT_TRUE(ticks.InitFromRanges(300.0, 100.0, 5.0, axis.tick_info));
  EXPECT_EQ(axis.tick_info.minor_ticks_per_major, 9);
  const std::vector<Tick> seen = walk(ticks);
  EXPECT_EQ(values(seen, true), (std::vector<double>{1, 10, 100}));
  ASSERT_EQ(seen.size(), 26u);  // 0.5 .. 0.9, 1 .. 9, 10 .. 90, 100, 200, 300
  EXPECT_NEAR(seen.front().value, 0.5, 1e-12);
  EXPECT_NEAR(seen.back().value, 300.0, 1e-9);
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
    const std::vector<Tick> powers = walk(ticks);
    EXPECT_EQ(values(powers, false), values(powers, true)) << base;
    EXPECT_EQ(powers.size(), 4u) << base;
  }
  // Decades counted from the axis's own ends, here beyond 1.
  axis.log_base = 10.0f;
  axis.min = 300.0f;
  axis.max = 30000.0f;
  EXPECT_EQ(values(walk(ticks), true), (std::vector<double>{1000, 10000}));
  EXPECT_FALSE(ticks.InitFromRanges(300.0, 100.0, 1e-20, axis.tick_info));
  axis.min = 0.0f;
  EXPECT_FALSE(ticks.InitFromRanges(300.0, 100.0, 5.0, axis.tick_info));
  EXPECT_FALSE(ticks.Init());
}

TEST(NamedTickIterator, OneMajorTickPerTextLabelledWithTheText) {
  AxisSetup axis;
  axis.min = 0.0f;
  axis.max = 2.0f;
  NamedTickIterator ticks(axis);
  ticks.SetNames({"low", "50%", "high"});
  ASSERT_TRUE(ticks.Init());
  std::vector<std::string> labels;
  double value = 0;
  bool major = false;
  std::string format;
  while (ticks.GetNextTick(value, major, format)) {
    EXPECT_TRUE(major);
    labels.push_back(FormatTickLabel(format, value));
  }
  EXPECT_EQ(labels, (std::vector<std::string>{"low", "50%", "high"}));
}

}  // namespace
}  // namespace velmor::plot
