// SPDX-License-Identifier: MIT

#include "engine/core/dsort.h"

#include <array>
#include <cstddef>
#include <utility>

namespace velmor {
namespace {

// j - i up to which a segment is finished by insertion rather than split.
constexpr int kShortSegment = 10;

// Singleton's quicksort (CACM algorithm 347) in increasing order. The pivot is the median of
// the segment's first and last element and the one at the fraction r of the segment; r starts
// at 0.375 and moves each time the sort starts over at the first element: by +0.0390625 while
// it is at most 0.5898437, else by -0.21875. Segments of more than 11 elements are split, the
// larger part waiting on the stack (so its depth stays below log2(n)); shorter ones are
// finished by straight insertion, which needs the element before the segment as a sentinel,
// so a short segment at the very start is split again instead. `carry` is null or makes the
// same interchanges as x. The indices below are 1-based like the algorithm's description:
// X(i) is x[i - 1].
void singleton_sort(double* x, double* carry, int n) {
  auto X = [x](int i) -> double& { return x[i - 1]; };
  auto swap_rows = [x, carry](int a, int b) {
    std::swap(x[a - 1], x[b - 1]);
    if (carry != nullptr) std::swap(carry[a - 1], carry[b - 1]);
  };

  std::array<int, 64> il{};  // lower and upper bounds of the segments still to sort
  std::array<int, 64> iu{};
  int m = 1;
  int i = 1;
  int j = n;
  double r = 0.375;
  int k = 0;
  int l = 0;
  int ij = 0;
  double t = 0.0;

  enum class Step { kStart, kPartition, kPop, kNext, kInsertion, kDone };
  Step step = Step::kStart;
  while (step != Step::kDone) {
    switch (step) {
      case Step::kStart:
        if (i == j) {
          step = Step::kPop;
          break;
        }
        if (r <= 0.5898437) {
          r += 3.90625e-2;
        } else {
          r -= 0.21875;
        }
        step = Step::kPartition;
        break;

      case Step::kPartition: {
        k = i;
        // Median of the first, the central and the last element becomes the pivot t.
        ij = i + static_cast<int>((j - i) * r);
        t = X(ij);
        if (X(i) > t) {
          swap_rows(ij, i);
          t = X(ij);
        }
        l = j;
        if (X(j) < t) {
          swap_rows(ij, j);
          t = X(ij);
          if (X(i) > t) {
            swap_rows(ij, i);
            t = X(ij);
          }
        }
        for (;;) {
          do {
            --l;
          } while (X(l) > t);
          do {
            ++k;
          } while (X(k) < t);
          if (k > l) break;
          swap_rows(l, k);
        }
        // Keep the larger part for later, go on with the smaller one.
        if (l - i > j - k) {
          il[m - 1] = i;
          iu[m - 1] = l;
          i = k;
        } else {
          il[m - 1] = k;
          iu[m - 1] = j;
          j = l;
        }
        ++m;
        step = Step::kNext;
        break;
      }

      case Step::kPop:
        --m;
        if (m == 0) {
          step = Step::kDone;
          break;
        }
        i = il[m - 1];
        j = iu[m - 1];
        step = Step::kNext;
        break;

      case Step::kNext:
        if (j - i > kShortSegment) {
          step = Step::kPartition;
        } else if (i == 1) {
          step = Step::kStart;
        } else {
          --i;
          step = Step::kInsertion;
        }
        break;

      case Step::kInsertion:
        // Straight insertion over a short segment; X(i) before it is no larger than any of
        // its elements. The k >= 1 guard only matters for NaN input, which breaks that order.
        ++i;
        if (i == j) {
          step = Step::kPop;
          break;
        }
        if (X(i) <= X(i + 1)) break;
        t = X(i + 1);
        {
          const double carried = carry != nullptr ? carry[i] : 0.0;
          k = i;
          do {
            X(k + 1) = X(k);
            if (carry != nullptr) carry[k] = carry[k - 1];
            --k;
          } while (k >= 1 && t < X(k));
          X(k + 1) = t;
          if (carry != nullptr) carry[k] = carried;
        }
        break;

      case Step::kDone:
        break;
    }
  }
}

}  // namespace

void dsort(std::span<double> x, std::span<double> y, int n, int kind) {
  if (n < 1) return;
  if (kind != 1 && kind != -1 && kind != 2 && kind != -2) return;
  const auto count = static_cast<std::size_t>(n);
  const bool carry = kind == 2 || kind == -2;
  if (x.size() < count || (carry && y.size() < count)) return;

  // Decreasing order is the increasing sort of the negated values; negation is exact.
  if (kind < 0) {
    for (std::size_t i = 0; i < count; ++i) x[i] = -x[i];
  }
  singleton_sort(x.data(), carry ? y.data() : nullptr, n);
  if (kind < 0) {
    for (std::size_t i = 0; i < count; ++i) x[i] = -x[i];
  }
}

}  // namespace velmor
