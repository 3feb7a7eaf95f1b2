// SPDX-License-Identifier: MIT

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <functional>
#include <random>
#include <sstream>
#include <utility>
#include <vector>

#include "engine/core/console_host.h"
#include "engine/core/date_time.h"
#include "engine/core/dsort.h"
#include "engine/core/golden_section.h"
#include "engine/core/prefixed_host.h"
#include "recording_host.h"

namespace velmor {
namespace {

// Kinds 1, 2, 3: Information, Warning, Error; CR LF breaks the line (also first and last), a lone
// CR or LF is kept.
TEST(ConsoleHost, WritesTitledLinesAndBreaksAtCrLf) {
  std::ostringstream out;
  ConsoleHost host(out);
  host.message(2, "Data rows exceeded limit of 1000");
  host.message(1, "No data file open - Warning!\r\nOpen a data file for input.");
  host.message(3, "* * * ERROR: RUN ABORTED * * *   ");
  host.message(0, "one\rtwo\nthree");
  host.message(kWarning, "\r\nbroken at both ends\r\n");
  host.message(kError, "a lone CR last\r");
  EXPECT_EQ(out.str(),
            "Warning: Data rows exceeded limit of 1000\n"
            "Information: No data file open - Warning!\nOpen a data file for input.\n"
            "Error: * * * ERROR: RUN ABORTED * * *\n"
            "Message: one\rtwo\nthree\n"
            "Warning: \nbroken at both ends\n\n"
            "Error: a lone CR last\r\n");
}

// A group's host names the group in each message and passes the fit's progress and fitted models
// on as they are; data fitted whole get no prefix.
TEST(PrefixedHost, NamesTheGroupInMessagesAndPassesTheFitOn) {
  testing::RecordingHost inner;
  PrefixedHost host(inner, group_prefix("rep1"));
  host.message(kWarning, "Data file line 2 has a negative time");
  host.progress({.model = 3, .pass = 2});
  FittedData fitted;
  fitted.imdlno = 3;
  fitted.strmdl = "three";
  fitted.data.resize_rows(7);
  fitted.fitted_params = ParamVector{};
  host.model_fitted(fitted);
  EXPECT_EQ(inner.events, (std::vector<std::string>{
                              "Warning: Group rep1: Data file line 2 has a negative time",
                              "progress 3 pass 2", "fitted 3 three rows 7 with parameters"}));
  EXPECT_EQ(group_prefix(""), "");
}

TEST(DateTime, ConventionalLayoutPaddedToThirty) {
  std::tm when{};
  when.tm_sec = 7, when.tm_min = 5, when.tm_hour = 9, when.tm_mday = 8;
  when.tm_year = 124, when.tm_wday = 1;
  EXPECT_EQ(format_time(when), "Mon Jan  8 09:05:07 2024      ");
}

// The bracket B = (1 + c) x0, A = (1 - c) x0 (B/2 when worse than B), the interior points, one
// evaluation per step for ten steps, an end within 0.618^10 of the bracket from the minimum.
TEST(GoldenSection, BracketsTheStartAndClosesOnTheMinimum) {
  const struct {
    double x0, centre, end;
    std::size_t evaluations;
  } kCases[] = {{1.0, 1.3, 1.3, 15}, {-2.0, -2.5, -2.5, 15}, {0.0, 0.7, 0.0, 14}};
  for (const auto& c : kCases) {
    std::vector<double> seen;
    const auto [end, f] = golden_section(c.x0, [&](double v) {
      seen.push_back(v);
      return (v - c.centre) * (v - c.centre);
    });
    ASSERT_EQ(seen.size(), c.evaluations) << c.x0;
    const double b = seen[0];
    const double a = seen[c.evaluations - 13];
    EXPECT_DOUBLE_EQ(b, 1.6180339887498949 * c.x0);
    EXPECT_DOUBLE_EQ(a, c.evaluations == 15 ? 0.5 * b : 0.3819660112501051 * c.x0);
    EXPECT_DOUBLE_EQ(seen[c.evaluations - 12], b + 0.3819660112501051 * (a - b));
    EXPECT_LE(std::fabs(end - c.end), 0.0082 * std::fabs(a - b)) << c.x0;
    EXPECT_EQ(f, (end - c.centre) * (end - c.centre));
  }
}

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
        pairs.reserve(n);
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
        after.reserve(n);
        for (int i = 0; i < n; ++i) after.emplace_back(x[i], y[i]);
        std::sort(after.begin(), after.end(),
                  [](const auto& a, const auto& b) { return a.second < b.second; });
        EXPECT_EQ(after, pairs);
      }
    }
  }
}

}  // namespace
}  // namespace velmor
