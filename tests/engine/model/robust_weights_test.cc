#include "engine/model/robust_weights.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace velmor {
namespace {

TEST(BinMedian, WorkedValues) {
  // (1, 2, 3): the midpoint of the bin holding 2, within sd/1000 of it.
  const double sd = std::sqrt(2.0 / 3.0);
  EXPECT_NEAR(binmedian(std::vector<double>{1, 2, 3}), 2.0, sd / 1000.0 * (1.0 + 1e-9));
  // All equal: nothing is binned and the mean comes back exactly.
  EXPECT_EQ(binmedian(std::vector<double>{0.7, 0.7, 0.7, 0.7}), 0.7);
  // Even n whose lower middle value closes the last occupied bin: the upper middle value is
  // taken at mean + sd = 10, so the result is halfway between the centres of bins 0 and 1000.
  EXPECT_DOUBLE_EQ(binmedian(std::vector<double>{0, 0, 10, 10}), 1001.0 / 200.0);
  EXPECT_EQ(binmedian(std::vector<double>{}), 0.0);
}

TEST(BinMedian, ApproximatesTheMedianOfASpreadSample) {
  std::vector<double> odd, even;
  for (int i = 1; i <= 99; ++i) odd.push_back(std::fmod(i * 37.0, 99.0) + 1.0);  // 1..99
  for (int i = 1; i <= 100; ++i) even.push_back(i * 0.5);
  EXPECT_NEAR(binmedian(odd), 50.0, 0.06);    // bin width 2 sd / 1000, sd about 28.6
  EXPECT_NEAR(binmedian(even), 25.25, 0.03);  // sd about 14.4
}

TEST(RobustWeights, EqualMagnitudesGiveUnitWeights) {
  const std::vector<double> r{2.5, -2.5, 2.5, -2.5, 2.5};
  std::vector<double> w(r.size(), 0.0);
  robust_wt(r, w);
  for (const double wi : w) EXPECT_EQ(wi, 1.0);
}

TEST(RobustWeights, FarOutlierGetsTheFloorWeight) {
  const std::vector<double> r{1.0, -2.0, 1.5, 1.2, 1000.0, -0.8, 1.1};
  std::vector<double> w(r.size(), 1.0);
  robust_wt(r, w);
  EXPECT_EQ(w[4], 1e-6);
  for (std::size_t i = 0; i < w.size(); ++i) {
    if (i != 4) {
      EXPECT_GT(w[i], 0.5) << i;
    }
  }
}

TEST(RobustWeights, WeightsStayWithinTheirRange) {
  std::vector<double> r;
  for (int i = 0; i < 200; ++i) r.push_back(std::sin(i * 1.7) * (1.0 + (i % 17 == 0 ? 40.0 : 0.0)));
  std::vector<double> w(r.size(), 1.0);
  robust_wt(r, w);
  EXPECT_GE(*std::min_element(w.begin(), w.end()), 1e-6);
  EXPECT_LE(*std::max_element(w.begin(), w.end()), 1.0);
  EXPECT_LT(*std::min_element(w.begin(), w.end()), 0.5);  // the scaled rows are down-weighted
}

// Integer residuals can make a deviation from the location exactly 0 in a later pass; the
// weight function is then taken at its limit instead of 0/0, which would have made the
// location NaN and every weight 1e-6.
TEST(RobustWeights, ExactZeroDeviationKeepsTheWeightsFinite) {
  const std::vector<double> r{0.0, -1.0, -2.0, -4.0, 4.0};
  std::vector<double> w(r.size(), 1.0);
  robust_wt(r, w);
  for (const double wi : w) EXPECT_EQ(wi, 1.0);
}

}  // namespace
}  // namespace velmor
