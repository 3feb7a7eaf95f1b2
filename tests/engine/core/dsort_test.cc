#include "engine/core/dsort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "engine/core/date_time.h"

namespace velmor {
namespace {

// Random inputs of several shapes: distinct values, many ties, already sorted and reversed.
std::vector<double> make_input(int n, int shape, std::mt19937& rng) {
  std::vector<double> x(static_cast<size_t>(n));
  std::uniform_real_distribution<double> uniform(-1e3, 1e3);
  std::uniform_int_distribution<int> few(0, 4);
  for (double& v : x) v = shape == 1 ? few(rng) : uniform(rng);
  if (shape == 2) std::sort(x.begin(), x.end());
  if (shape == 3) std::sort(x.begin(), x.end(), std::greater<>());
  return x;
}

class DsortTest : public ::testing::TestWithParam<int> {};

TEST_P(DsortTest, AgreesWithStdSortAndCarriesPairs) {
  const int kind = GetParam();
  std::mt19937 rng(1234 + kind);
  for (int n : {1, 2, 3, 7, 16, 17, 100, 1000, 5000}) {
    for (int shape = 0; shape < 4; ++shape) {
      std::vector<double> x = make_input(n, shape, rng);
      std::vector<double> y(x.size());
      for (size_t i = 0; i < y.size(); ++i) y[i] = static_cast<double>(i);
      std::vector<std::pair<double, double>> pairs;
      for (size_t i = 0; i < x.size(); ++i) pairs.emplace_back(x[i], y[i]);
      const std::vector<double> y_before = y;

      std::vector<double> expected = x;
      if (kind > 0) {
        std::sort(expected.begin(), expected.end());
      } else {
        std::sort(expected.begin(), expected.end(), std::greater<>());
      }
      dsort(x, y, n, kind);
      ASSERT_EQ(x, expected) << "n=" << n << " shape=" << shape;

      if (kind == 1 || kind == -1) {
        EXPECT_EQ(y, y_before);
      } else {
        // y holds the original row numbers: put back in row order, the pairs must read as before.
        std::vector<std::pair<double, double>> after;
        for (size_t i = 0; i < x.size(); ++i) after.emplace_back(x[i], y[i]);
        std::sort(after.begin(), after.end(),
                  [](const auto& a, const auto& b) { return a.second < b.second; });
        EXPECT_EQ(after, pairs);
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, DsortTest, ::testing::Values(1, 2, -1, -2));

TEST(Dsort, RefusedArgumentsChangeNothing) {
  const std::vector<double> original = {3.0, 1.0, 2.0};
  for (auto [n, kind] : {std::pair{0, 1}, {-4, 2}, {3, 0}, {3, 3}, {3, -3}}) {
    std::vector<double> x = original;
    std::vector<double> y = original;
    dsort(x, y, n, kind);
    EXPECT_EQ(x, original);
    EXPECT_EQ(y, original);
  }
  std::vector<double> x = original;
  std::vector<double> short_y = {0.0};
  dsort(x, short_y, 3, 2);
  EXPECT_EQ(x, original);
}

TEST(Dsort, SortsOnlyTheFirstNAndSurvivesNaN) {
  std::vector<double> x = {5.0, 4.0, 3.0, 2.0, 1.0};
  dsort(x, {}, 3, 1);
  EXPECT_EQ(x, (std::vector<double>{3.0, 4.0, 5.0, 2.0, 1.0}));

  std::vector<double> with_nan(200);
  for (size_t i = 0; i < with_nan.size(); ++i) {
    with_nan[i] = i % 7 == 0 ? std::numeric_limits<double>::quiet_NaN() : 200.0 - i;
  }
  dsort(with_nan, {}, 200, 1);  // no defined order, but it must stay in bounds and return
  EXPECT_EQ(with_nan.size(), 200u);
}

TEST(DateTime, ConventionalLayoutPaddedToThirty) {
  std::tm when{};
  when.tm_year = 2024 - 1900;
  when.tm_mon = 0;
  when.tm_mday = 8;
  when.tm_wday = 1;
  when.tm_hour = 9;
  when.tm_min = 5;
  when.tm_sec = 7;
  EXPECT_EQ(format_time(when), "Mon Jan  8 09:05:07 2024      ");
  when.tm_mon = 11;
  when.tm_mday = 25;
  when.tm_wday = 3;
  when.tm_hour = 23;
  EXPECT_EQ(format_time(when), "Wed Dec 25 23:05:07 2024      ");

  const std::string now = time();
  ASSERT_EQ(now.size(), 30u);
  EXPECT_EQ(now.substr(24), "      ");
  EXPECT_EQ(now[3], ' ');
  EXPECT_EQ(now[13], ':');
}

}  // namespace
}  // namespace velmor
