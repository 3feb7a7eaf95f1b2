// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

namespace velmor::tables {

// A non-negative integer of any size, for computing tables exactly (exp_table_generator) and
// checking them. Values are immutable but for divide(); every operation is exact. Only what the
// tables need: shifts, addition, subtraction of a smaller value, multiplication, division by a
// word and the integer square root.
class ExactInteger {
 public:
  ExactInteger() = default;
  static ExactInteger from_word(std::uint64_t value);
  static ExactInteger power_of_two(int exponent);  // exponent >= 0

  ExactInteger shifted_left(int bits) const;   // bits >= 0
  ExactInteger shifted_right(int bits) const;  // bits >= 0, truncates
  ExactInteger low_bits(int bits) const;       // the value mod 2^bits
  ExactInteger plus(std::uint64_t value) const;
  ExactInteger plus(const ExactInteger& other) const;
  ExactInteger minus(const ExactInteger& other) const;  // needs other <= *this
  ExactInteger times(const ExactInteger& other) const;
  ExactInteger square_root() const;  // the largest r with r * r <= *this

  // Replaces the value by the quotient and returns the remainder; divisor > 0.
  std::uint64_t divide(std::uint64_t divisor);

  int compare(const ExactInteger& other) const;  // -1, 0 or 1
  int bit_length() const;                        // 0 for zero
  std::uint64_t low_word() const;                // the value mod 2^64
  bool is_zero() const { return limbs_.empty(); }

 private:
  void trim();
  std::vector<std::uint32_t> limbs_;  // least significant first, no leading zero limbs
};

}  // namespace velmor::tables
