// SPDX-License-Identifier: MIT
#include "engine/model/tables/exact_integer.h"

#include <algorithm>
#include <bit>

namespace velmor::tables {

namespace {
constexpr int kLimbBits = 32;
}  // namespace

void ExactInteger::trim() {
  while (!limbs_.empty() && limbs_.back() == 0) limbs_.pop_back();
}

ExactInteger ExactInteger::from_word(std::uint64_t value) {
  ExactInteger result;
  result.limbs_ = {static_cast<std::uint32_t>(value), static_cast<std::uint32_t>(value >> 32)};
  result.trim();
  return result;
}

ExactInteger ExactInteger::power_of_two(int exponent) {
  return from_word(1).shifted_left(exponent);
}

ExactInteger ExactInteger::shifted_left(int bits) const {
  if (is_zero()) return *this;
  const int whole = bits / kLimbBits;
  const int part = bits % kLimbBits;
  ExactInteger result;
  result.limbs_.assign(limbs_.size() + whole + 1, 0);
  for (std::size_t k = 0; k < limbs_.size(); ++k) {
    const std::uint64_t moved = static_cast<std::uint64_t>(limbs_[k]) << part;
    result.limbs_[k + whole] |= static_cast<std::uint32_t>(moved);
    result.limbs_[k + whole + 1] |= static_cast<std::uint32_t>(moved >> kLimbBits);
  }
  result.trim();
  return result;
}

ExactInteger ExactInteger::shifted_right(int bits) const {
  const std::size_t whole = bits / kLimbBits;
  const int part = bits % kLimbBits;
  ExactInteger result;
  if (whole >= limbs_.size()) return result;
  result.limbs_.assign(limbs_.size() - whole, 0);
  for (std::size_t k = whole; k < limbs_.size(); ++k) {
    std::uint64_t pair = limbs_[k];
    if (k + 1 < limbs_.size()) pair |= static_cast<std::uint64_t>(limbs_[k + 1]) << kLimbBits;
    result.limbs_[k - whole] = static_cast<std::uint32_t>(pair >> part);
  }
  result.trim();
  return result;
}

ExactInteger ExactInteger::low_bits(int bits) const {
  ExactInteger result = *this;
  const std::size_t whole = bits / kLimbBits;
  const int part = bits % kLimbBits;
  if (whole >= result.limbs_.size()) return result;
  result.limbs_.resize(whole + (part > 0 ? 1 : 0));
  if (part > 0) result.limbs_[whole] &= (std::uint32_t{1} << part) - 1;
  result.trim();
  return result;
}

ExactInteger ExactInteger::plus(std::uint64_t value) const {
  return plus(from_word(value));
}

ExactInteger ExactInteger::plus(const ExactInteger& other) const {
  ExactInteger result;
  const std::size_t size = std::max(limbs_.size(), other.limbs_.size());
  result.limbs_.assign(size + 1, 0);
  std::uint64_t carry = 0;
  for (std::size_t k = 0; k < size; ++k) {
    const std::uint64_t sum = carry + (k < limbs_.size() ? limbs_[k] : 0) +
                              (k < other.limbs_.size() ? other.limbs_[k] : 0);
    result.limbs_[k] = static_cast<std::uint32_t>(sum);
    carry = sum >> kLimbBits;
  }
  result.limbs_[size] = static_cast<std::uint32_t>(carry);
  result.trim();
  return result;
}

ExactInteger ExactInteger::minus(const ExactInteger& other) const {
  ExactInteger result = *this;
  std::int64_t borrow = 0;
  for (std::size_t k = 0; k < result.limbs_.size(); ++k) {
    const std::int64_t difference = static_cast<std::int64_t>(result.limbs_[k]) - borrow -
                                    (k < other.limbs_.size() ? other.limbs_[k] : 0);
    borrow = difference < 0 ? 1 : 0;
    result.limbs_[k] = static_cast<std::uint32_t>(difference);  // modulo 2^32
  }
  result.trim();
  return result;
}

ExactInteger ExactInteger::times(const ExactInteger& other) const {
  ExactInteger result;
  if (is_zero() || other.is_zero()) return result;
  result.limbs_.assign(limbs_.size() + other.limbs_.size(), 0);
  for (std::size_t a = 0; a < limbs_.size(); ++a) {
    std::uint64_t carry = 0;
    for (std::size_t b = 0; b < other.limbs_.size(); ++b) {
      const std::uint64_t product =
          static_cast<std::uint64_t>(limbs_[a]) * other.limbs_[b] + result.limbs_[a + b] + carry;
      result.limbs_[a + b] = static_cast<std::uint32_t>(product);
      carry = product >> kLimbBits;
    }
    result.limbs_[a + other.limbs_.size()] = static_cast<std::uint32_t>(carry);
  }
  result.trim();
  return result;
}

// Digit by digit, two bits of the radicand a step. Before position p: root = floor(sqrt(value >>
// (p + 2))) and rest = value - root^2 2^(p+2); the next root is 2 root + 1 when its square times
// 2^p, which exceeds root^2 2^(p+2) by root 2^(p+2) + 2^p, still fits, else 2 root.
ExactInteger ExactInteger::square_root() const {
  ExactInteger rest = *this;
  ExactInteger root;
  const int top = std::max(bit_length() - 1, 0) & ~1;  // the highest even bit position
  for (int position = top; position >= 0; position -= 2) {
    const ExactInteger trial = root.shifted_left(position + 2).plus(power_of_two(position));
    root = root.shifted_left(1);
    if (trial.compare(rest) <= 0) {
      rest = rest.minus(trial);
      root = root.plus(1);
    }
  }
  return root;
}

std::uint64_t ExactInteger::divide(std::uint64_t divisor) {
  unsigned __int128 remainder = 0;
  for (std::size_t k = limbs_.size(); k-- > 0;) {
    const unsigned __int128 current = (remainder << kLimbBits) | limbs_[k];
    limbs_[k] = static_cast<std::uint32_t>(current / divisor);
    remainder = current % divisor;
  }
  trim();
  return static_cast<std::uint64_t>(remainder);
}

int ExactInteger::compare(const ExactInteger& other) const {
  if (limbs_.size() != other.limbs_.size()) return limbs_.size() < other.limbs_.size() ? -1 : 1;
  for (std::size_t k = limbs_.size(); k-- > 0;) {
    if (limbs_[k] != other.limbs_[k]) return limbs_[k] < other.limbs_[k] ? -1 : 1;
  }
  return 0;
}

int ExactInteger::bit_length() const {
  if (is_zero()) return 0;
  return static_cast<int>(limbs_.size() - 1) * kLimbBits +
         static_cast<int>(std::bit_width(limbs_.back()));
}

std::uint64_t ExactInteger::low_word() const {
  std::uint64_t value = 0;
  if (!limbs_.empty()) value = limbs_[0];
  if (limbs_.size() > 1) value |= static_cast<std::uint64_t>(limbs_[1]) << kLimbBits;
  return value;
}

}  // namespace velmor::tables
