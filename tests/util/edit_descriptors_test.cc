#include "util/edit_descriptors.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <utility>

namespace velmor::util {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Expected texts as gfortran 12 writes them.

// Legend values: nine significant digits, fixed form from 0.1 up to 10^9, else the exponent
// form with the shortest exponent.
TEST(G0Real4, LegendValuesAsGfortranWritesThem) {
  constexpr float kInfF = std::numeric_limits<float>::infinity();
  // clang-format off
  const std::pair<float, const char*> kCases[] = {
      {50.0f, "50.0000000"}, {10.0000002f, "10.0000000"}, {-10.0000002f, "-10.0000000"},
      {0.1f, "0.100000001"}, {0.5f, "0.500000000"}, {1.0f, "1.00000000"}, {0.0f, "0.00000000"},
      {-0.0f, "-0.00000000"}, {123456.7f, "123456.703"}, {999999.9f, "999999.875"},
      {1e8f, "100000000."}, {1e9f, "0.100000000E+10"}, {3.4e38f, "0.339999995E+39"},
      {0.099999f, "0.999990031E-1"}, {1e-5f, "0.999999975E-5"},
      {1.17549435e-38f, "0.117549435E-37"}, {kInfF, "Inf"}, {-kInfF, "-Inf"},
      {std::numeric_limits<float>::quiet_NaN(), "NaN"}};
  // clang-format on
  for (const auto& [value, expected] : kCases) EXPECT_EQ(g0_real4(value), expected) << value;
}

// Infinity where the field has room for it, else Inf, NaN as NaN, asterisks below that.
TEST(EditNonFinite, InfinityAndNaNFitTheirField) {
  const struct {
    double value;
    char letter;  // 'F' or 'E'
    int width;
    const char* expected;
  } kCases[] = {// clang-format off
      {kInf, 'F', 8, "Infinity"}, {kInf, 'F', 4, " Inf"}, {kInf, 'F', 3, "Inf"},
      {kInf, 'F', 0, "Inf"}, {kInf, 'E', 14, "      Infinity"}, {-kInf, 'F', 8, "    -Inf"},
      {-kInf, 'F', 4, "-Inf"}, {-kInf, 'F', 3, "***"}, {-kInf, 'E', 10, " -Infinity"},
      {-kInf, 'F', 0, "-Inf"}, {kNaN, 'F', 8, "     NaN"}, {kNaN, 'F', 3, "NaN"},
      {kNaN, 'F', 2, "**"}, {kNaN, 'E', 14, "           NaN"}, {kNaN, 'F', 0, "NaN"}};
  // clang-format on
  for (const auto& c : kCases) {
    const std::string field =
        c.letter == 'F' ? edit_fixed(c.value, c.width, 3) : edit_exponential(c.value, c.width, 7);
    EXPECT_EQ(field, c.expected) << c.letter << c.width << ' ' << c.value;
  }
}

TEST(EditFixed, WidthZeroWritesTheExactDecimalExpansion) {
  EXPECT_EQ(
      edit_fixed(1e300, 0, 3),
      "100000000000000005250476025520442024870446858110815915491585411551180245798890819578637"
      "137508044786404370444383288387817694252323536043057564479218478670698284838720092657"
      "580373783023379478809005936895323497079994508111903896764088007465274278014249457925"
      "8788820056842838115669472196386865459400540160.000");
  EXPECT_EQ(edit_fixed(-1234567.891, 0, 3), "-1234567.891");
}

TEST(EditExponential, ExtremeExponents) {
  EXPECT_EQ(edit_exponential(1.7976931348623157e308, 14, 7), " 0.1797693+309");
  EXPECT_EQ(edit_exponential(-1.5e99, 14, 7), "-0.1500000+100");
  EXPECT_EQ(edit_exponential(1.5e-99, 14, 7), " 0.1500000E-98");
  // The smallest subnormal: a three-digit exponent takes the letter's place.
  EXPECT_EQ(edit_exponential(4.9406564584124654e-324, 14, 7), " 0.4940656-323");
  // Exponents beyond three digits do not exist for doubles; a one-digit field overflows.
  EXPECT_EQ(edit_exponential(1e10, 9, 2, 1), "*********");
}

}  // namespace
}  // namespace velmor::util
