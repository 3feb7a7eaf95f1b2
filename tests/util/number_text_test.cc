#include "util/number_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <limits>
#include <stdexcept>
#include <string>

namespace velmor::util {
namespace {

// Left-justified and trimmed; an integer always in full (the row limit 1000 through "I3"), a
// real too wide for its field as the runtime's asterisks. Reals as gfortran 12 writes them.
TEST(WriteDiDr, OneValueLeftJustifiedAndTrimmed) {
  EXPECT_EQ(write_di(5, "I3"), "5");
  EXPECT_EQ(write_di(-12, "I3"), "-12");
  EXPECT_EQ(write_di(1000, "I3"), "1000");
  EXPECT_EQ(write_di(-1000, "I3"), "-1000");
  EXPECT_EQ(write_di(INT_MIN, "I3"), "-2147483648");
  EXPECT_EQ(write_di(12345, "I3.2"), "12345");
  EXPECT_EQ(write_di(7, "I3.2"), "07");
  EXPECT_EQ(write_di(0, "I3.0"), "");
  EXPECT_EQ(write_di(42, "I3   "), "42");  // a blank-padded descriptor field
  EXPECT_EQ(write_dr(4.0, "F8.3"), "4.000");
  EXPECT_EQ(write_dr(9.9999995, "F8.3"), "10.000");
  EXPECT_EQ(write_dr(-0.0004, "F8.3"), "-0.000");
  EXPECT_EQ(write_dr(25.25, "F6.1"), "25.2");
  EXPECT_EQ(write_dr(25.35, "F6.1"), "25.4");
  EXPECT_EQ(write_dr(123456.0, "F6.1"), "******");
  EXPECT_EQ(write_dr(0.00123456789, "E14.7"), "0.1234568E-02");
  EXPECT_EQ(write_dr(2.5, "F8.3,'  '"), "2.500");
  // Descriptors that cannot write one value of that type in one record.
  for (const char* bad : {"F8.3", "Q3", ""}) EXPECT_THROW(write_di(5, bad), std::invalid_argument);
  for (const char* bad : {"I3", "F8.3/"}) EXPECT_THROW(write_dr(5, bad), std::invalid_argument);
}

TEST(Intstr, FixedDigitCountWithSign) {
  EXPECT_EQ(intstr(42, 6), "000042");
  EXPECT_EQ(intstr(0, 6), "000000");
  EXPECT_EQ(intstr(-7, 3), "-007");
  EXPECT_EQ(intstr(1234567, 3), "1234567");  // more digits than asked: kept, not cut
  EXPECT_EQ(intstr(INT_MIN, 2), "-2147483648");
  EXPECT_EQ(intstr(5, 30), std::string(29, '0') + "5");
  EXPECT_THROW(intstr(5, 31), std::invalid_argument);
  EXPECT_THROW(intstr(5, -1), std::invalid_argument);
}

// The fraction is cut after d digits, never rounded; the caller writes the sign; magnitudes of
// 2 and more extend the pattern; the field is padded or cut to its length.
TEST(Real2strng, TruncatesNeverRounds) {
  const struct {
    double x;
    int decimals;
    const char* text;
  } kCases[] = {// clang-format off
      {0.5, 6, "0.500000"}, {0.0123456789, 6, "0.012345"}, {-0.25, 6, "0.250000"},
      {1.0, 6, "1.000000"}, {-1.0, 6, "1.000000"}, {0.9999999, 6, "0.999999"},
      {-0.9876549, 6, "0.987654"}, {0.3, 6, "0.300000"}, {0.0, 6, "0.000000"},
      {12.3456789, 6, "12.345678"}, {-250.5, 2, "250.50"}, {3.7, 0, "3."},
      {0.5, 18, "0.500000000000000000"}, {std::numeric_limits<double>::quiet_NaN(), 6, "NaN"},
      {-std::numeric_limits<double>::infinity(), 6, "Infinity"}};
  // clang-format on
  for (const auto& c : kCases) {
    std::string expected = c.text;
    expected.resize(25, ' ');
    EXPECT_EQ(real2strng(c.x, c.decimals, 25), expected) << c.x;
  }
  EXPECT_EQ(real2strng(123.456, 6, 5), "123.4");
  EXPECT_EQ(real2strng(0.5, 6, 0), "");
  EXPECT_THROW(real2strng(0.5, 19, 25), std::invalid_argument);
  EXPECT_THROW(real2strng(0.5, -1, 25), std::invalid_argument);
  EXPECT_THROW(real2strng(0.5, 6, -1), std::invalid_argument);
}

}  // namespace
}  // namespace velmor::util
