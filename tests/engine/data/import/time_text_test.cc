// SPDX-License-Identifier: MIT
// Written times, time headers and well names, table-driven.
#include "engine/data/import/time_text.h"

#include <gtest/gtest.h>

#include "engine/data/import/text_decoding.h"
#include "engine/data/import/well_names.h"

namespace velmor {
namespace {

TEST(TimeText, ClocksUnitsAndPlainNumbers) {
  struct Case {
    const char* text;
    bool comma;
    double value;
    TimeUnit unit;
    bool clock;
  };
  using enum TimeUnit;
  const Case read[] = {
      {"0:01:00", false, 60, kSeconds, true},     {"1:02:03", false, 3723, kSeconds, true},
      {"01:30", false, 90, kSeconds, true},       {"90:00", false, 5400, kSeconds, true},
      {"0:00:01,5", true, 1.5, kSeconds, true},   {"1 min", false, 1, kMinutes, false},
      {"30 s", false, 30, kSeconds, false},       {"1.5 h", false, 1.5, kHours, false},
      {"2,5 Min.", true, 2.5, kMinutes, false},   {"250 ms", false, 0.25, kSeconds, false},
      {"1 min 30 s", false, 90, kSeconds, false}, {"1h30min", false, 5400, kSeconds, false},
      {" 12.5 ", false, 12.5, kNone, false}};
  for (const Case& c : read) {
    const auto t = parse_time_text(c.text, c.comma);
    ASSERT_TRUE(t) << c.text;
    EXPECT_DOUBLE_EQ(t->value, c.value) << c.text;
    EXPECT_EQ(t->unit, c.unit) << c.text;
    EXPECT_EQ(t->clock, c.clock) << c.text;
  }
  for (const char* text : {"10:34:12 AM", "1:60:00", "1:2:3:4", "-0:01:00", "5 days", "min",
                           "1 min x", "", ":30", "1,5 h"}) {
    EXPECT_FALSE(parse_time_text(text, false)) << text;
  }
}

TEST(TimeText, HeadersAndColumns) {
  using enum TimeUnit;
  const std::pair<const char*, std::optional<TimeUnit>> headers[] = {
      // clang-format off
      {"Time", kNone}, {"Time [s]", kSeconds}, {"time_min", kMinutes}, {"Time (min)", kMinutes},
      {"Zeit [h]", kHours}, {"t/s", kSeconds}, {"Time (hh:mm:ss)", kNone}, {"Time:", std::nullopt},
      {"Time [ms]", std::nullopt}, {"Temp. [s]", std::nullopt}, {"time [min] x", std::nullopt}};
  // clang-format on
  for (const auto& [header, unit] : headers) EXPECT_EQ(time_header_unit(header), unit) << header;

  // Clocks are seconds; one written unit is kept; plain numbers take the header's unit.
  const TimeColumn clocks = resolve_time_column(
      {{60, TimeUnit::kSeconds, true}, {2, TimeUnit::kNone, false}}, TimeUnit::kMinutes);
  EXPECT_EQ(clocks.unit, TimeUnit::kSeconds);
  EXPECT_EQ(clocks.values, (std::vector<double>{60, 120}));
  const TimeColumn minutes = resolve_time_column(
      {{0, TimeUnit::kMinutes, false}, {1.5, TimeUnit::kMinutes, false}}, TimeUnit::kNone);
  EXPECT_EQ(minutes.unit, TimeUnit::kMinutes);
  EXPECT_EQ(minutes.values, (std::vector<double>{0, 1.5}));
  const TimeColumn mixed = resolve_time_column({{30, TimeUnit::kSeconds, false},
                                                {1, TimeUnit::kMinutes, false},
                                                {2, TimeUnit::kNone, false}},
                                               TimeUnit::kNone);
  EXPECT_EQ(mixed.unit, TimeUnit::kSeconds);
  EXPECT_EQ(mixed.values, (std::vector<double>{30, 60, 2}));
  const TimeColumn hours = resolve_time_column({{0.5, TimeUnit::kNone, false}}, TimeUnit::kHours);
  EXPECT_EQ(hours.unit, TimeUnit::kHours);
  EXPECT_EQ(time_unit_name(hours.unit), "h");
}

TEST(WellNames, FormsAndKeys) {
  EXPECT_EQ(normal_well_name("A01"), "A1");
  EXPECT_EQ(normal_well_name(" h12 "), "H12");
  EXPECT_EQ(normal_well_name("P24"), "P24");
  EXPECT_EQ(normal_well_name("AF48"), "AF48");
  for (const char* not_a_well :
       {"A0", "A49", "AG1", "BA1", "A", "12", "A1B", "A0001", "T\xC2\xB0"}) {
    EXPECT_FALSE(normal_well_name(not_a_well)) << not_a_well;
  }
  EXPECT_EQ(curve_key("B07"), "B7");
  EXPECT_EQ(curve_key(" m1_10 "), "m1_10");
  // Latin-1 bytes become their UTF-8 characters; UTF-8 is left alone.
  EXPECT_EQ(utf8_line("T\xB0 405"), "T\xC2\xB0 405");
  EXPECT_EQ(utf8_line("T\xC2\xB0 405"), "T\xC2\xB0 405");
}

}  // namespace
}  // namespace velmor
