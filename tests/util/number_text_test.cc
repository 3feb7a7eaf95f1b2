#include "util/number_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <limits>
#include <stdexcept>
#include <string>

namespace velmor::util {
namespace {

TEST(WriteDi, LeftJustifiedAndNeverCut) {
  const struct {
    int value;
    const char* descriptor;
    const char* expected;
  } kCases[] = {
      {5, "I3", "5"},         {-12, "I3", "-12"},
      {1000, "I3", "1000"},  // the row limit appears in full, not as "***"
      {-1000, "I3", "-1000"}, {INT_MIN, "I3", "-2147483648"},
      {7, "I3.2", "07"},      {12345, "I3.2", "12345"},
      {0, "I3.0", ""},        {42, "I3   ", "42"},  // a blank-padded descriptor field
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(write_di(c.value, c.descriptor), c.expected) << c.value << ' ' << c.descriptor;
  }
}

TEST(WriteDr, BreakpointNumbersAsTheRuntimeWritesThem) {
  // Expected texts: gfortran 12 with the same descriptor, then left-justified and trimmed.
  const struct {
    double value;
    const char* descriptor;
    const char* expected;
  } kCases[] = {
      {4.0, "F8.3", "4.000"},        {19.0, "F8.3", "19.000"},
      {9.9999995, "F8.3", "10.000"}, {-0.0004, "F8.3", "-0.000"},
      {25.25, "F6.1", "25.2"},       {25.35, "F6.1", "25.4"},
      {123456.0, "F6.1", "******"},  {0.00123456789, "E14.7", "0.1234568E-02"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(write_dr(c.value, c.descriptor), c.expected) << c.value << ' ' << c.descriptor;
  }
}

TEST(WriteDiDr, RefuseDescriptorsThatCannotWriteOneValueInOneRecord) {
  EXPECT_THROW(write_di(5, "F8.3"), std::invalid_argument);
  EXPECT_THROW(write_dr(5.0, "I3"), std::invalid_argument);
  EXPECT_THROW(write_dr(1.0, "F8.3/"), std::invalid_argument);
  EXPECT_THROW(write_di(1, "Q3"), std::invalid_argument);
  EXPECT_THROW(write_di(1, ""), std::invalid_argument);
}

TEST(Intstr, FixedDigitCountWithSign) {
  EXPECT_EQ(intstr(42, 6), "000042");
  EXPECT_EQ(intstr(0, 6), "000000");
  EXPECT_EQ(intstr(-7, 3), "-007");
  EXPECT_EQ(intstr(123456, 6), "123456");
  EXPECT_EQ(intstr(1234567, 3), "1234567");  // more digits than asked: kept, not cut
  EXPECT_EQ(intstr(INT_MIN, 2), "-2147483648");
  EXPECT_EQ(intstr(5, 30), std::string(29, '0') + "5");
  EXPECT_THROW(intstr(5, 31), std::invalid_argument);
  EXPECT_THROW(intstr(5, -1), std::invalid_argument);
}

TEST(Real2strng, TruncatesNeverRounds) {
  const struct {
    double x;
    int decimals;
    const char* expected_text;
  } kCases[] = {
      {0.5, 6, "0.500000"},
      {0.0123456789, 6, "0.012345"},
      {-0.25, 6, "0.250000"},  // the caller writes the sign
      {1.0, 6, "1.000000"},
      {-1.0, 6, "1.000000"},
      {0.9999999, 6, "0.999999"},  // rounding would carry into the integer digit
      {-0.9876549, 6, "0.987654"},
      {0.3, 6, "0.300000"},
      {0.0, 6, "0.000000"},
      {12.3456789, 6, "12.345678"},  // magnitudes of 2 and more extend the pattern
      {-250.5, 2, "250.50"},
      {3.7, 0, "3."},
      {std::numeric_limits<double>::quiet_NaN(), 6, "NaN"},
      {-std::numeric_limits<double>::infinity(), 6, "Infinity"},
  };
  for (const auto& c : kCases) {
    std::string expected = c.expected_text;
    expected.resize(25, ' ');
    EXPECT_EQ(real2strng(c.x, c.decimals, 25), expected) << c.x;
  }
}

TEST(Real2strng, FieldLengthPadsOrCuts) {
  EXPECT_EQ(real2strng(0.5, 6, 10), "0.500000  ");
  EXPECT_EQ(real2strng(123.456, 6, 5), "123.4");
  EXPECT_EQ(real2strng(0.5, 6, 0), "");
  EXPECT_THROW(real2strng(0.5, 19, 25), std::invalid_argument);
  EXPECT_THROW(real2strng(0.5, 6, -1), std::invalid_argument);
}

}  // namespace
}  // namespace velmor::util
