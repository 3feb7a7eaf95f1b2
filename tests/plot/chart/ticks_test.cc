#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "plot/chart/axis_setup.h"
#include "plot/chart/tick_info.h"
#include "plot/chart/tick_iterator.h"

namespace velmor::plot {
namespace {

struct RoundSpanCase {
  double v;
  double expected;
};

class RoundSpanTest : public ::testing::TestWithParam<RoundSpanCase> {};

TEST_P(RoundSpanTest, RoundsToOneTwoOrFiveTimesAPowerOfTen) {
  EXPECT_NEAR(TickInfo::RoundSpan(GetParam().v), GetParam().expected,
              1e-12 * std::fabs(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    WorkedValues, RoundSpanTest,
    ::testing::Values(
        RoundSpanCase{10.0, 10.0}, RoundSpanCase{0.1, 0.1}, RoundSpanCase{1.4, 1.0},
        RoundSpanCase{1.5, 2.0}, RoundSpanCase{3.0, 2.0}, RoundSpanCase{4.4, 2.0},
        RoundSpanCase{4.5, 5.0}, RoundSpanCase{7.0, 5.0}, RoundSpanCase{9.6, 10.0},
        RoundSpanCase{0.96, 1.0}, RoundSpanCase{0.033, 0.02}, RoundSpanCase{2.5e7, 2e7},
        RoundSpanCase{5.5e7, 5e7}, RoundSpanCase{0.0, TickInfo::kRoundSpanError},
        RoundSpanCase{-3.0, TickInfo::kRoundSpanError},
        RoundSpanCase{std::numeric_limits<double>::infinity(), TickInfo::kRoundSpanError},
        RoundSpanCase{std::numeric_limits<double>::quiet_NaN(), TickInfo::kRoundSpanError}));

TEST(MakeFormatString, WorkedValues) {
  const std::vector<std::pair<double, std::string>> cases = {
      {0.5, "%.1f"},    {0.05, "%.2f"},  {0.001, "%.3f"},   {0.1, "%.1f"},
      {1.0, "%.0f"},    {10.0, "%.0f"},  {10000.0, "%.0f"}, {10001.0, "%.1e"},
      {0.0009, "%.1e"}, {-0.25, "%.1f"}, {0.0, "%.1e"}};
  for (const auto& [span, format] : cases) {
    EXPECT_EQ(TickInfo::MakeFormatString(span), format) << span;
  }
}

TEST(FormatTickLabel, PrintsFloatFormatsAndRefusesOthers) {
  EXPECT_EQ(FormatTickLabel("%.1f", 0.3), "0.3");
  EXPECT_EQ(FormatTickLabel("%.1e", 25000.0), "2.5e+04");
  EXPECT_EQ(FormatTickLabel("%5.1f%%", 12.0), " 12.0%");
  EXPECT_EQ(FormatTickLabel("plain", 1.0), "plain");
  // Formats that would read a missing or wrong argument fall back to "%g".
  EXPECT_EQ(FormatTickLabel("%s", 1.5), "1.5");
  EXPECT_EQ(FormatTickLabel("%d", 1.5), "1.5");
  EXPECT_EQ(FormatTickLabel("%f %f", 1.5), "1.5");
  EXPECT_EQ(FormatTickLabel("%999f", 1.5), "1.5");
}

// [SECTION] Linear tick spacing

TEST(LinTickIterator, InitFromRangesOnTheWorkedSpans) {
  AxisSetup axis;
  LinTickIterator ticks(axis);
  TickInfo info;
  // 100 units over 10 divisions: major 10, five minor steps of 2.
  ASSERT_TRUE(ticks.InitFromRanges(100.0, 200.0, 10.0, info));
  EXPECT_FLOAT_EQ(info.major_tick_span, 10.0f);
  EXPECT_EQ(info.minor_ticks_per_major, 5);
  EXPECT_EQ(info.format_string, "%.0f");
  EXPECT_EQ(info.minor_tick_screen_size, 2);  // 1 % of 200
  EXPECT_EQ(info.major_tick_screen_size, 4);  // 2 % of 200

  ASSERT_TRUE(ticks.InitFromRanges(0.3, 100.0, 3.0, info));
  EXPECT_FLOAT_EQ(info.major_tick_span, 0.1f);
  EXPECT_EQ(info.format_string, "%.1f");
  EXPECT_EQ(info.minor_tick_screen_size, 1);
  EXPECT_EQ(info.major_tick_screen_size, 2);  // at least one more than the minor length

  // Fewer than one division: the whole span is one major step.
  ASSERT_TRUE(ticks.InitFromRanges(3.0, 100.0, 0.5, info));
  EXPECT_FLOAT_EQ(info.major_tick_span, 3.0f);

  ASSERT_TRUE(ticks.InitFromRanges(50000.0, 100.0, 2.0, info));
  EXPECT_EQ(info.format_string, "%.1e");
}

TEST(LinTickIterator, RefusesTooFewDivisionsAndLeavesTheInfoAlone) {
  AxisSetup axis;
  LinTickIterator ticks(axis);
  TickInfo info;
  info.major_tick_span = 7.0f;
  EXPECT_FALSE(ticks.InitFromRanges(100.0, 200.0, 1e-21, info));
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

struct LastTickCase {
  float min, max;
  bool last_tick_drawn;  // is there a tick at `expected_last`
  double expected_last;
};

class LastTickTest : public ::testing::TestWithParam<LastTickCase> {};

TEST_P(LastTickTest, TickAtMaxIsDrawnWithinRelativeTolerance) {
  AxisSetup axis;
  axis.min = GetParam().min;
  axis.max = GetParam().max;
  axis.tick_info.major_tick_span = 0.5f;
  axis.tick_info.minor_ticks_per_major = 5;
  LinTickIterator ticks(axis);
  const std::vector<Tick> seen = walk(ticks);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(std::fabs(seen.back().value - GetParam().expected_last) < 1e-9,
            GetParam().last_tick_drawn)
      << "last tick " << seen.back().value;
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, LastTickTest,
    ::testing::Values(LastTickCase{0.0f, 1.0f, true, 1.0},
                      LastTickCase{0.0f, 0.99995f, true, 1.0},  // within 1e-4 of the tick
                      LastTickCase{0.0f, 0.9998f, false, 1.0},  // too far below it
                      LastTickCase{-2.0f, -1.0f, true, -1.0},   // relative also below zero
                      LastTickCase{-2.0f, -1.00005f, true, -1.0}));

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
}

// [SECTION] Logarithmic and named ticks

TEST(LogTickIterator, MajorTicksAtPowersOfTheBase) {
  AxisSetup axis;
  axis.logarithmic = true;
  axis.min = 0.5f;
  axis.max = 2000.0f;
  LogTickIterator ticks(axis);
  double lo = axis.min;
  double hi = axis.max;
  ASSERT_TRUE(ticks.AdjustRange(lo, hi));
  EXPECT_DOUBLE_EQ(lo, 0.1);
  EXPECT_DOUBLE_EQ(hi, 10000.0);
  ASSERT_TRUE(ticks.InitFromRanges(hi - lo, 100.0, 5.0, axis.tick_info));
  std::vector<double> majors;
  for (const Tick& t : walk(ticks)) {
    if (t.major) majors.push_back(t.value);
  }
  EXPECT_EQ(majors, (std::vector<double>{1.0, 10.0, 100.0, 1000.0}));
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
