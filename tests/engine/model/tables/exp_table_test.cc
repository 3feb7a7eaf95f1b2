// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <stdexcept>

#include "engine/model/libm_tables.h"
#include "engine/model/tables/exact_integer.h"

namespace velmor::tables {
namespace {

using u128 = unsigned __int128;

std::uint64_t high_word(const ExactInteger& v) {
  return v.shifted_right(64).low_word();
}

// Against 128-bit arithmetic on operands of every size up to 64 bits, and identities on numbers
// of hundreds of bits, where carries and borrows cross many limbs.
TEST(ExactInteger, AgreesWithWideArithmeticAndExactIdentities) {
  std::mt19937_64 bits(27);
  for (int k = 0; k < 4000; ++k) {
    const std::uint64_t a = bits() >> (bits() % 64);
    const std::uint64_t b = (bits() >> (bits() % 64)) | 1;
    const u128 product = static_cast<u128>(a) * b;
    const ExactInteger p = ExactInteger::from_word(a).times(ExactInteger::from_word(b));
    ASSERT_EQ(p.low_word(), static_cast<std::uint64_t>(product)) << a << " * " << b;
    ASSERT_EQ(high_word(p), static_cast<std::uint64_t>(product >> 64)) << a << " * " << b;

    const std::uint64_t root = p.square_root().low_word();
    ASSERT_LE(static_cast<u128>(root) * root, product) << "sqrt of " << a << " * " << b;
    ASSERT_GT(static_cast<u128>(root + 1) * (root + 1), product) << "sqrt of " << a << " * " << b;

    ExactInteger quotient = p.plus(b - 1);
    ASSERT_EQ(quotient.divide(b), b - 1);
    ASSERT_EQ(quotient.compare(ExactInteger::from_word(a)), 0);
  }
  for (int k = 0; k < 50; ++k) {
    const ExactInteger a =
        ExactInteger::from_word(bits() | (std::uint64_t{1} << 63)).shifted_left(250).plus(bits());
    const ExactInteger square = a.times(a);
    EXPECT_EQ(square.square_root().compare(a), 0);
    EXPECT_EQ(square.minus(ExactInteger::from_word(1))
                  .square_root()
                  .compare(a.minus(ExactInteger::from_word(1))),
              0);
    const ExactInteger b = ExactInteger::from_word(bits()).shifted_left(130);
    EXPECT_EQ(a.plus(b).minus(b).compare(a), 0);
    EXPECT_EQ(a.shifted_left(77).shifted_right(77).compare(a), 0);
    EXPECT_EQ(a.low_bits(70).plus(a.shifted_right(70).shifted_left(70)).compare(a), 0);
    EXPECT_EQ(a.bit_length(), 314);
  }
}

// |v| 2^shift as an integer; v 2^shift must be whole.
ExactInteger scaled(double v, int shift) {
  int exponent = 0;
  const double fraction = std::frexp(std::fabs(v), &exponent);
  const auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
  const int left = exponent - 53 + shift;
  if (left < 0) throw std::logic_error("not whole at this shift");
  return ExactInteger::from_word(mantissa).shifted_left(left);
}

// Whether (m / 2^bits)^128 < 2^i, by exact powering.
bool power_below(const ExactInteger& m, int bits, int i) {
  ExactInteger power = m;
  for (int k = 0; k < 7; ++k) power = power.times(power);
  return power.compare(ExactInteger::power_of_two(i + 128 * bits)) < 0;
}

// Every pair is 2^(i/128) correctly rounded: scale within half an ulp of 2^(i/128) and tail
// within half an ulp of 2^(i/128)/scale - 1, proved by raising the ends of both intervals to the
// 128th power and comparing with 2^i. The table is built by square roots; this check multiplies.
TEST(ExpTable, IsTwoToTheIOver128CorrectlyRounded) {
  constexpr int kShift = 124;  // every tail midpoint below is whole at 2^-124
  ASSERT_EQ(libm::kExpTable[0], 0u);
  ASSERT_EQ(libm::kExpTable[1], std::bit_cast<std::uint64_t>(1.0));
  for (int i = 1; i < libm::kExpTableSize; ++i) {
    const double tail = std::bit_cast<double>(libm::kExpTable[2 * i]);
    const double scale =
        std::bit_cast<double>(libm::kExpTable[2 * i + 1] + (static_cast<std::uint64_t>(i) << 45));
    ASSERT_TRUE(scale >= 1.0 && scale < 2.0) << i;
    ASSERT_GT(std::fabs(tail), 0x1p-70) << i;

    // scale = m 2^-52; its rounding interval is ((2m - 1) 2^-53, (2m + 1) 2^-53).
    const ExactInteger twice_m = scaled(scale, 53);
    EXPECT_TRUE(power_below(twice_m.minus(ExactInteger::from_word(1)), 53, i)) << i;
    EXPECT_FALSE(power_below(twice_m.plus(1), 53, i)) << i;

    // tail's rounding interval: the midpoints to its neighbours, t 2^kShift whole numbers.
    const ExactInteger one = ExactInteger::power_of_two(kShift);
    for (const double toward : {-1.0, 1.0}) {
      const double neighbour = std::nextafter(tail, toward);
      ASSERT_EQ(std::signbit(tail), std::signbit(neighbour)) << i;
      // |mid| 2^kShift = (|tail| + |neighbour|) 2^(kShift + 1) / 4, whole.
      const ExactInteger sum = scaled(tail, kShift + 1).plus(scaled(neighbour, kShift + 1));
      ASSERT_TRUE(sum.low_bits(2).is_zero()) << i;
      const ExactInteger mid = sum.shifted_right(2);
      // scale (1 + mid) = m (2^kShift +- |mid|) / 2^(52 + kShift): below 2^(i/128) exactly
      // when mid is the lower end of tail's interval.
      const ExactInteger at_mid =
          scaled(scale, 52).times(tail > 0 ? one.plus(mid) : one.minus(mid));
      EXPECT_EQ(power_below(at_mid, 52 + kShift, i), toward < 0)
          << "entry " << i << ", midpoint toward " << toward;
    }
  }
}

}  // namespace
}  // namespace velmor::tables
