#include "engine/model/robust_weights.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace velmor {
namespace {

const std::vector<double> kOrdinary{0.3, -1.1, 0.8,  -0.2, 1.6, -0.7, 0.1, -1.9, 1.2,  -0.5,
                                    0.9, -0.4, 0.05, -1.3, 0.6, -0.9, 1.4, -0.1, 0.35, -0.75};

// (1, 2, 3): within sd/1000 of 2; all equal: the mean exactly; shifted: the same bins.
TEST(BinMedian, WorkedValues) {
  const double sd = std::sqrt(2.0 / 3.0);
  EXPECT_NEAR(binmedian(std::vector<double>{1, 2, 3}), 2.0, sd / 1000.0 * (1.0 + 1e-9));
  EXPECT_EQ(binmedian(std::vector<double>{0.7, 0.7, 0.7, 0.7}), 0.7);
  // Even n, the lower middle closing the last bin: the upper taken at mean + sd (bin 1000).
  EXPECT_DOUBLE_EQ(binmedian(std::vector<double>{0, 0, 10, 10}), 1001.0 / 200.0);
  EXPECT_DOUBLE_EQ(binmedian(std::vector<double>{10, 10, 20, 20}), 10.0 + 1001.0 / 200.0);
  EXPECT_EQ(binmedian(std::vector<double>{}), 0.0);
}

// Equal magnitudes, and integer residuals with a deviation of exactly 0 in a later pass (the
// weight at its limit, not 0/0), keep every weight at 1. A far outlier gets the floor and leaves
// the others most of theirs; one of 1e300 gets the floor too (the others may share it).
TEST(RobustWeights, UnitWeightsAndTheFloorForAFarOutlier) {
  const struct {
    std::vector<double> r;
    int outlier;  // -1: none
    double others_above;
  } kCases[] = {
      {{2.5, -2.5, 2.5, -2.5, 2.5}, -1, 0.0},
      {{0.0, -1.0, -2.0, -4.0, 4.0}, -1, 0.0},
      {{1.0, -2.0, 1.5, 1.2, 1000.0, -0.8, 1.1}, 4, 0.5},
      {{1.0, -2.0, 1.5, 1e300, -0.8, 1.1}, 3, 0.0},
  };
  for (const auto& c : kCases) {
    std::vector<double> w(c.r.size(), 0.5);
    robust_wt(c.r, w);
    for (std::size_t i = 0; i < w.size(); ++i) {
      if (c.outlier < 0) {
        EXPECT_EQ(w[i], 1.0) << i;
      } else if (static_cast<int>(i) == c.outlier) {
        EXPECT_EQ(w[i], 1e-6);
      } else {
        EXPECT_TRUE(w[i] > c.others_above && w[i] >= 1e-6 && w[i] <= 1.0) << i << ": " << w[i];
      }
    }
  }
}

// Values whose squared spread overflows: the median of huge values is the scaled median of
// ordinary ones (a power of two leaves the bins as they were).
TEST(BinMedian, HugeValuesGiveTheScaledMedian) {
  const double big = std::ldexp(1.0, 900);
  const std::vector<double> small{1.0, 2.5, 3.0, 0.5, 7.0};
  std::vector<double> huge;
  for (const double v : small) huge.push_back(v * big);
  EXPECT_EQ(binmedian(huge), binmedian(small) * big);
  EXPECT_TRUE(std::isfinite(binmedian(std::vector<double>{1e308, -1e308, 1.7e308, 0.0})));
}

// A row moved ever further out: its weight falls from 1 through partial weights to the floor
// and never rises again (the sine's later lobes would give it back).
TEST(RobustWeights, AnOutlierFurtherOutNeverCountsMore) {
  double previous = 1.0;
  bool partial = false;
  bool rejected = false;
  for (double size = 1.0; size <= 200.0; size *= 1.05) {
    std::vector<double> r = kOrdinary;
    r.push_back(size);
    std::vector<double> w(r.size(), 1.0);
    robust_wt(r, w);
    SCOPED_TRACE(size);
    EXPECT_LE(w.back(), previous);
    previous = w.back();
    partial = partial || (w.back() > 1e-6 && w.back() < 1.0);
    rejected = rejected || w.back() == 1e-6;
  }
  EXPECT_TRUE(partial);
  EXPECT_TRUE(rejected);
}

// Gross outliers would hide a lesser one (12 noise widths beside three of 40); set aside, the rest
// are weighed alone: every outlier gets the floor, the ordinary rows their weights without any.
// Residuals each twice the last are never set aside beyond half of them.
TEST(RobustWeights, GrossOutliersDoNotHideLesserOnes) {
  std::vector<double> alone(kOrdinary.size(), 1.0);
  robust_wt(kOrdinary, alone);
  std::vector<double> r = kOrdinary;
  r.insert(r.end(), {40.0, -38.0, 42.0, 12.0});
  std::vector<double> w(r.size(), 1.0);
  robust_wt(r, w);
  for (std::size_t i = 0; i < kOrdinary.size(); ++i) EXPECT_EQ(w[i], alone[i]) << i;
  for (std::size_t i = kOrdinary.size(); i < r.size(); ++i) EXPECT_EQ(w[i], 1e-6) << r[i];

  std::vector<double> doubling;
  for (int k = 0; k < 24; ++k) doubling.push_back(std::ldexp(1.0, k));
  std::vector<double> wd(doubling.size(), 1.0);
  robust_wt(doubling, wd);
  EXPECT_GE(std::count_if(wd.begin(), wd.end(), [](double v) { return v > 1e-6; }), 12);
}

}  // namespace
}  // namespace velmor
