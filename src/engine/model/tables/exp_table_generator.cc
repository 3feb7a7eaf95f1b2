// SPDX-License-Identifier: MIT
// exp_table_generator: writes the C++ source of the exp table of libm_tables.h, computed exactly:
// for i = 0..127, scale = 2^(i/128) rounded to the nearest double and tail = (2^(i/128) - scale)
// / scale rounded to the nearest double, stored as the pair (tail bits, scale bits - (i << 45)).
// The C library's exp uses the same correctly rounded values; the vector lanes need them bit for
// bit.
//
// 2^(i/128) is found as seven square roots of 2^i in fixed point with kFractionBits fraction
// bits, each root truncated, so the computed value Y and the true y * 2^kFractionBits satisfy
// Y <= y * 2^kFractionBits < Y + 2. Each rounding is done at both ends of that interval; should
// they differ, no table is written and the program fails.
//
// Usage: exp_table_generator OUTPUT.cc; exit status 0 when the file was written.
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>

#include "engine/model/tables/exact_integer.h"

namespace {

using velmor::tables::ExactInteger;

constexpr int kTableSize = 128;
constexpr int kFractionBits = 192;  // far beyond the 53 + 53 bits the tail needs
constexpr int kMantissaBits = 52;

// The double nearest to numerator / (denominator * 2^shift), numerator > 0; nullopt for a tie.
std::optional<double> nearest_double(const ExactInteger& numerator, std::uint64_t denominator,
                                     int shift) {
  // 64 more quotient bits than the 53 kept make the discarded part's size plain.
  constexpr int kExtra = 120;
  ExactInteger quotient = numerator.shifted_left(kExtra);
  const std::uint64_t remainder = quotient.divide(denominator);
  const int length = quotient.bit_length();
  const int drop = length - (kMantissaBits + 1);
  ExactInteger mantissa = quotient.shifted_right(drop);
  const ExactInteger dropped = quotient.low_bits(drop);
  const ExactInteger half = ExactInteger::power_of_two(drop - 1);
  const int against_half = dropped.compare(half);
  if (against_half == 0 && remainder == 0) return std::nullopt;
  if (against_half > 0 || (against_half == 0 && remainder != 0)) mantissa = mantissa.plus(1);
  return std::ldexp(static_cast<double>(mantissa.low_word()), drop - kExtra - shift);
}

// Scale and tail of entry i, or nullopt when the fixed point cannot decide a rounding.
std::optional<std::pair<double, double>> entry(int i) {
  if (i == 0) return std::pair{1.0, 0.0};  // 2^0 is exact
  ExactInteger y = ExactInteger::power_of_two(i + kFractionBits);
  for (int root = 0; root < 7; ++root) y = y.shifted_left(kFractionBits).square_root();

  // scale: y's top 53 bits rounded; both ends of [Y, Y + 2) must round alike.
  const int drop = kFractionBits - kMantissaBits;
  std::uint64_t mantissa[2];
  for (int end = 0; end < 2; ++end) {
    const ExactInteger v = y.plus(2 * end);
    mantissa[end] = v.shifted_right(drop).low_word();
    const int against_half = v.low_bits(drop).compare(ExactInteger::power_of_two(drop - 1));
    if (against_half > 0 || (end == 0 && against_half == 0)) ++mantissa[end];
  }
  if (mantissa[0] != mantissa[1]) return std::nullopt;
  const double scale = std::ldexp(static_cast<double>(mantissa[0]), -kMantissaBits);

  // tail = (y - scale) / scale = D / (mantissa * 2^drop), D = y * 2^kFractionBits - mantissa *
  // 2^drop, for D at both ends of its interval.
  const ExactInteger scaled = ExactInteger::from_word(mantissa[0]).shifted_left(drop);
  double tail[2];
  for (int end = 0; end < 2; ++end) {
    const ExactInteger v = y.plus(2 * end);
    const int sign = v.compare(scaled);
    if (sign == 0) return std::nullopt;
    const ExactInteger difference = sign > 0 ? v.minus(scaled) : scaled.minus(v);
    const std::optional<double> magnitude = nearest_double(difference, mantissa[0], drop);
    if (!magnitude) return std::nullopt;
    tail[end] = sign > 0 ? *magnitude : -*magnitude;
  }
  if (tail[0] != tail[1]) return std::nullopt;
  return std::pair{scale, tail[0]};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: exp_table_generator OUTPUT.cc\n");
    return 2;
  }
  std::string text =
      "// SPDX-License-Identifier: MIT\n"
      "// Written by exp_table_generator at build time; do not edit.\n"
      "#include \"engine/model/libm_tables.h\"\n\n"
      "namespace velmor::libm {\n\n"
      "// Pairs (tail, scale bits - (i << 45)) for i = 0..127: 2^(i/128) = scale (1 + tail).\n"
      "const std::uint64_t kExpTable[2 * kExpTableSize] = {\n";
  for (int i = 0; i < kTableSize; ++i) {
    const auto pair = entry(i);
    if (!pair) {
      std::fprintf(stderr, "exp_table_generator: entry %d is not decided at %d bits\n", i,
                   kFractionBits);
      return 1;
    }
    const std::uint64_t tail = std::bit_cast<std::uint64_t>(pair->second);
    const std::uint64_t scale =
        std::bit_cast<std::uint64_t>(pair->first) - (static_cast<std::uint64_t>(i) << 45);
    char line[64];
    std::snprintf(line, sizeof line, "    0x%016llx, 0x%016llx,\n",
                  static_cast<unsigned long long>(tail), static_cast<unsigned long long>(scale));
    text += line;
  }
  text += "};\n\n}  // namespace velmor::libm\n";

  const std::string temporary = std::string(argv[1]) + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) {
      std::fprintf(stderr, "exp_table_generator: %s could not be written\n", temporary.c_str());
      return 1;
    }
  }
  if (std::rename(temporary.c_str(), argv[1]) != 0) {
    std::fprintf(stderr, "exp_table_generator: %s could not be written\n", argv[1]);
    return 1;
  }
  return 0;
}
