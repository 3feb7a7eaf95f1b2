#include "engine/core/dsort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

namespace velmor {
namespace {

// Every kind against std::sort on distinct, tied, sorted and reversed input; y (the row numbers)
// carried along must give the input pairs back.
TEST(Dsort, AgreesWithStdSortAndCarriesPairs) {
  std::mt19937 rng(1234);
  std::uniform_real_distribution<double> uniform(-1e3, 1e3);
  std::uniform_int_distribution<int> few(0, 4);
  for (const int kind : {1, 2, -1, -2}) {
    for (const int n : {1, 2, 3, 7, 17, 100, 5000}) {
      for (int shape = 0; shape < 4; ++shape) {
        std::vector<double> x(n), y(n);
        for (double& v : x) v = shape == 1 ? few(rng) : uniform(rng);
        if (shape == 2) std::sort(x.begin(), x.end());
        if (shape == 3) std::sort(x.begin(), x.end(), std::greater<>());
        std::vector<std::pair<double, double>> pairs;
        for (int i = 0; i < n; ++i) pairs.emplace_back(x[i], y[i] = i);
        std::vector<double> expected = x;
        std::sort(expected.begin(), expected.end());
        if (kind < 0) std::reverse(expected.begin(), expected.end());
        dsort(x, y, n, kind);
        ASSERT_EQ(x, expected) << "kind " << kind << " n " << n << " shape " << shape;
        if (std::abs(kind) == 1) {
          for (int i = 0; i < n; ++i) EXPECT_EQ(y[i], i);  // y untouched
          continue;
        }
        std::vector<std::pair<double, double>> after;
        for (int i = 0; i < n; ++i) after.emplace_back(x[i], y[i]);
        std::sort(after.begin(), after.end(),
                  [](const auto& a, const auto& b) { return a.second < b.second; });
        EXPECT_EQ(after, pairs);
      }
    }
  }
}

// n < 1, an unknown kind, an x or carried y shorter than n: no change; a smaller n sorts the
// front; NaN gives no order, but every value stays.
TEST(Dsort, RefusedArgumentsPartialSortsAndNaN) {
  const std::vector<double> original = {3.0, 1.0, 2.0};
  for (auto [n, kind, y_size] :
       {std::tuple{0, 1, 3}, {-4, 2, 3}, {3, 0, 3}, {3, 3, 3}, {3, -3, 3}, {4, 1, 4}, {3, -2, 2}}) {
    std::vector<double> x = original, y(y_size, 7.0);
    dsort(x, y, n, kind);
    EXPECT_EQ(x, original) << n << ' ' << kind;
    EXPECT_EQ(y, std::vector<double>(y_size, 7.0));
  }
  std::vector<double> x = {5.0, 4.0, 3.0, 2.0, 1.0};
  dsort(x, {}, 3, 1);
  EXPECT_EQ(x, (std::vector<double>{3.0, 4.0, 5.0, 2.0, 1.0}));

  std::vector<double> with_nan(200), numbers;
  for (int i = 0; i < 200; ++i) {
    with_nan[i] = i % 7 == 0 ? std::numeric_limits<double>::quiet_NaN() : 200.0 - i;
    if (i % 7 != 0) numbers.push_back(200.0 - i);
  }
  dsort(with_nan, {}, 200, 1);
  std::erase_if(with_nan, [](double v) { return std::isnan(v); });
  std::sort(with_nan.begin(), with_nan.end());
  std::sort(numbers.begin(), numbers.end());
  EXPECT_EQ(with_nan, numbers);
}

}  // namespace
}  // namespace velmor
