#include "engine/core/dsort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <iterator>
#include <limits>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

namespace velmor {
namespace {

class DsortTest : public ::testing::TestWithParam<int> {};

// Against std::sort on distinct values, heavy ties, sorted and reversed input; y holds the
// original row numbers, so putting the pairs back in row order must give the input again.
TEST_P(DsortTest, AgreesWithStdSortAndCarriesPairs) {
  const int kind = GetParam();
  std::mt19937 rng(1234 + kind);
  std::uniform_real_distribution<double> uniform(-1e3, 1e3);
  std::uniform_int_distribution<int> few(0, 4);
  for (int n : {1, 2, 3, 7, 17, 100, 5000}) {
    for (int shape = 0; shape < 4; ++shape) {
      std::vector<double> x(static_cast<size_t>(n));
      for (double& v : x) v = shape == 1 ? few(rng) : uniform(rng);
      if (shape == 2) std::sort(x.begin(), x.end());
      if (shape == 3) std::sort(x.begin(), x.end(), std::greater<>());
      std::vector<double> y(x.size());
      for (size_t i = 0; i < y.size(); ++i) y[i] = static_cast<double>(i);
      std::vector<std::pair<double, double>> pairs;
      for (size_t i = 0; i < x.size(); ++i) pairs.emplace_back(x[i], y[i]);

      std::vector<double> expected = x;
      std::sort(expected.begin(), expected.end());
      if (kind < 0) std::reverse(expected.begin(), expected.end());
      const std::vector<double> y_before = y;
      dsort(x, y, n, kind);
      ASSERT_EQ(x, expected) << "n=" << n << " shape=" << shape;
      if (kind == 1 || kind == -1) {
        EXPECT_EQ(y, y_before);
        continue;
      }
      std::vector<std::pair<double, double>> after;
      for (size_t i = 0; i < x.size(); ++i) after.emplace_back(x[i], y[i]);
      std::sort(after.begin(), after.end(),
                [](const auto& a, const auto& b) { return a.second < b.second; });
      EXPECT_EQ(after, pairs);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, DsortTest, ::testing::Values(1, 2, -1, -2));

TEST(Dsort, RefusedArgumentsAndPartialSorts) {
  // n < 1, an unknown kind, an x shorter than n, a carried y shorter than n.
  const std::vector<double> original = {3.0, 1.0, 2.0};
  for (auto [n, kind, y_size] :
       {std::tuple{0, 1, 3}, {-4, 2, 3}, {3, 0, 3}, {3, 3, 3}, {3, -3, 3}, {4, 1, 4}, {3, -2, 2}}) {
    std::vector<double> x = original;
    std::vector<double> y(static_cast<size_t>(y_size), 7.0);
    dsort(x, y, n, kind);
    EXPECT_EQ(x, original) << n << ' ' << kind;
    EXPECT_EQ(y, std::vector<double>(static_cast<size_t>(y_size), 7.0));
  }
  std::vector<double> x = {5.0, 4.0, 3.0, 2.0, 1.0};
  dsort(x, {}, 3, 1);
  EXPECT_EQ(x, (std::vector<double>{3.0, 4.0, 5.0, 2.0, 1.0}));

  // NaN gives no defined order, but the sort must stay inside the array, return, and keep
  // every value.
  std::vector<double> with_nan(200);
  for (size_t i = 0; i < with_nan.size(); ++i) {
    with_nan[i] = i % 7 == 0 ? std::numeric_limits<double>::quiet_NaN() : 200.0 - i;
  }
  std::vector<double> numbers;
  std::copy_if(with_nan.begin(), with_nan.end(), std::back_inserter(numbers),
               [](double v) { return !std::isnan(v); });
  dsort(with_nan, {}, 200, 1);
  std::erase_if(with_nan, [](double v) { return std::isnan(v); });
  std::sort(with_nan.begin(), with_nan.end());
  std::sort(numbers.begin(), numbers.end());
  EXPECT_EQ(with_nan, numbers);
}

}  // namespace
}  // namespace velmor
