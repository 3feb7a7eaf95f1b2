#include "util/fitting_field.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "util/fortran_format.h"

namespace velmor::util {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Each case: the group of values, the fixed field they are meant for, and the descriptor chosen.
// Whatever is chosen, every value must then be written in exactly the field's width, without
// asterisks, with at least three significant digits of the group's largest magnitude, and (from
// 11 columns on) with a blank in front.
TEST(FittingDescriptor, FixedWhileItShowsThreeDigitsElseExponentOfTheSameWidth) {
  const struct {
    const char* name;
    std::vector<double> values;
    int width;
    int decimals;
    const char* expected;
    bool blank_before = false;
  } kCases[] = {
      {"example value", {8.378149}, 13, 6, "F13.6"},
      {"Km in molar units", {7.5e-5}, 13, 6, "E13.5"},
      {"three digits left", {1.23e-4}, 13, 6, "F13.6"},
      {"rounds up to three digits", {9.996e-5}, 13, 6, "F13.6"},
      {"rounds to two digits", {9.949e-5}, 13, 6, "E13.5"},
      {"small values beside a large one", {0.001, -0.0004, 50.0}, 12, 3, "F12.3"},
      {"molar column", {5e-5, 1e-4, 5e-4}, 12, 3, "E12.4"},
      {"one value overflows", {1.0, -1.2e9}, 12, 3, "E12.4"},
      {"counts of 1e7 fill the field", {12345678.0}, 12, 3, "E12.4"},
      {"a blank still in front", {1234567.0}, 12, 3, "F12.3"},
      {"negative fills the field", {-1234567.0}, 12, 3, "E12.4"},
      {"tiny residuals", {1e-9, -3e-9}, 10, 6, "E10.3"},
      {"narrow field", {5e-5}, 9, 3, "E9.2"},
      {"AICc near zero", {0.005}, 12, 4, "E12.4"},
      {"all zero", {0.0, -0.0}, 12, 3, "F12.3"},
      {"nothing", {}, 12, 3, "F12.3"},
      {"only non-finite", {kNaN, kInf, -kInf}, 12, 3, "F12.3"},
      {"non-finite beside small", {kNaN, 5e-5, kInf}, 12, 3, "E12.4"},
      {"exponent beyond 99", {1e300}, 12, 3, "E12.4"},
      {"filling residuals after the layout's blanks", {-93.652114, 497.685}, 10, 6, "F10.6", true},
      {"asterisks after the layout's blanks", {-1234.5}, 10, 6, "E10.3", true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::string chosen = fitting_descriptor(c.values, c.width, c.decimals, c.blank_before);
    EXPECT_EQ(chosen, c.expected);
    double largest = 0.0;
    for (const double v : c.values) {
      if (std::isfinite(v)) largest = std::max(largest, std::fabs(v));
    }
    for (const double v : c.values) {
      if (!std::isfinite(v)) continue;
      std::string field = fortran_write("(" + chosen + ")", {v});
      field.pop_back();  // the record's end
      ASSERT_EQ(field.size(), static_cast<size_t>(c.width)) << field;
      EXPECT_EQ(field.find('*'), std::string::npos) << field;
      if (c.width >= 11 && !c.blank_before) {
        EXPECT_EQ(field.front(), ' ') << field;
      }
      // The text read back: three significant digits of the largest value.
      std::string number = field;
      const size_t e = number.find_first_of("E+-", number.find_first_of("0123456789."));
      if (chosen[0] == 'E' && e != std::string::npos && number[e] != 'E') number.insert(e, "E");
      EXPECT_LE(std::fabs(std::stod(number) - v), 5e-3 * largest) << field;
    }
  }
}

}  // namespace
}  // namespace velmor::util
