#include "util/edit_descriptors.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace velmor::util {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Expected texts as gfortran 12 writes them.

TEST(G0Real4, LegendValuesAsGfortranWritesThem) {
  const struct {
    float value;
    const char* expected;
  } kCases[] = {
      {50.0f, "50.0000000"},
      {100.0f, "100.000000"},
      {500.0f, "500.000000"},
      {10.0000002f, "10.0000000"},
      {-10.0000002f, "-10.0000000"},
      {0.1f, "0.100000001"},
      {0.3f, "0.300000012"},
      {0.5f, "0.500000000"},
      {1.0f, "1.00000000"},
      {-2.5f, "-2.50000000"},
      {0.0f, "0.00000000"},
      {-0.0f, "-0.00000000"},
      {123456.7f, "123456.703"},
      {999999.9f, "999999.875"},
      {1234567.8f, "1234567.75"},
      {1e7f, "10000000.0"},
      {1e8f, "100000000."},       // nine digits before the point: no decimals left
      {1e9f, "0.100000000E+10"},  // beyond nine digits: exponent form
      {3.4e38f, "0.339999995E+39"},
      {0.099999f, "0.999990031E-1"},  // below 0.1: exponent form, shortest exponent
      {0.09999999f, "0.999999866E-1"},
      {1e-5f, "0.999999975E-5"},
      {1.5e-7f, "0.150000005E-6"},
      {1.17549435e-38f, "0.117549435E-37"},
      {std::numeric_limits<float>::infinity(), "Inf"},
      {-std::numeric_limits<float>::infinity(), "-Inf"},
      {std::numeric_limits<float>::quiet_NaN(), "NaN"},
  };
  for (const auto& c : kCases) EXPECT_EQ(g0_real4(c.value), c.expected) << c.value;
}

TEST(EditNonFinite, InfinityAndNaNFitTheirField) {
  const struct {
    double value;
    char letter;  // 'F' or 'E'
    int width;
    int decimals;
    const char* expected;
  } kCases[] = {
      {kInf, 'F', 8, 3, "Infinity"},
      {kInf, 'F', 4, 3, " Inf"},
      {kInf, 'F', 3, 0, "Inf"},
      {kInf, 'F', 0, 3, "Inf"},
      {kInf, 'E', 14, 7, "      Infinity"},
      {-kInf, 'F', 8, 3, "    -Inf"},
      {-kInf, 'F', 4, 3, "-Inf"},
      {-kInf, 'F', 3, 0, "***"},
      {-kInf, 'E', 10, 3, " -Infinity"},
      {-kInf, 'F', 0, 3, "-Inf"},
      {kNaN, 'F', 8, 3, "     NaN"},
      {kNaN, 'F', 3, 0, "NaN"},
      {kNaN, 'E', 14, 7, "           NaN"},
      {kNaN, 'F', 0, 3, "NaN"},
  };
  for (const auto& c : kCases) {
    const std::string field = c.letter == 'F' ? edit_fixed(c.value, c.width, c.decimals)
                                              : edit_exponential(c.value, c.width, c.decimals);
    EXPECT_EQ(field, c.expected) << c.letter << c.width << '.' << c.decimals << ' ' << c.value;
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
