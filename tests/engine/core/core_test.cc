#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <limits>
#include <sstream>
#include <tuple>
#include <vector>

#include "engine/core/console_host.h"
#include "engine/core/date_time.h"
#include "engine/core/global_types.h"
#include "engine/core/golden_section.h"
#include "engine/core/machine_constants.h"

namespace velmor {
namespace {

TEST(MachineConstants, ExtendedPrecisionSearchGivesTheFixedValues) {
  if (sizeof(long double) < 10 || std::numeric_limits<long double>::digits != 64) {
    GTEST_SKIP() << "long double is not the 80-bit extended format here";
  }
  EXPECT_EQ(compute_machine_epsilon(), kEps);
  EXPECT_DOUBLE_EQ(10.0 / kEps, kBig);
  const double root = std::sqrt(kEps);
  EXPECT_DOUBLE_EQ(20.0 * root * (1.0 + root), kTol);
}

// Kinds 1, 2, 3: Information, Warning, Error; CR LF breaks the line, a lone CR or LF is kept.
TEST(ConsoleHost, WritesTitledLinesAndBreaksAtCrLf) {
  std::ostringstream out;
  ConsoleHost host(out);
  host.dlgmessage(2, "Data rows exceeded limit of 1000");
  host.dlgmessage(1, "No data file open - Warning!\r\nOpen a data file for input.");
  host.dlgmessage(3, "* * * ERROR: RUN ABORTED * * *   ");
  host.dlgmessage(0, "one\rtwo\nthree");
  EXPECT_EQ(out.str(),
            "Warning: Data rows exceeded limit of 1000\n"
            "Information: No data file open - Warning!\nOpen a data file for input.\n"
            "Error: * * * ERROR: RUN ABORTED * * *\n"
            "Message: one\rtwo\nthree\n");
}

TEST(DateTime, ConventionalLayoutPaddedToThirty) {
  std::tm when{};
  when.tm_sec = 7, when.tm_min = 5, when.tm_hour = 9, when.tm_mday = 8;
  when.tm_year = 124, when.tm_wday = 1;
  EXPECT_EQ(format_time(when), "Mon Jan  8 09:05:07 2024      ");
  std::tie(when.tm_mon, when.tm_mday, when.tm_wday) = std::tuple(11, 25, 3);
  EXPECT_EQ(format_time(when), "Wed Dec 25 09:05:07 2024      ");
  const auto local_now = [] {  // taken before and after, in case the second turns over
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return format_time(local);
  };
  const std::string before = local_now();
  const std::string now = time();
  EXPECT_TRUE(now == before || now == local_now()) << now;
}

// The bracket B = (1 + c) x0, A = (1 - c) x0 (B/2 when worse than B), the interior points, one
// evaluation per step for ten steps, an end within 0.618^10 of the bracket from the minimum.
TEST(GoldenSection, BracketsTheStartAndClosesOnTheMinimum) {
  const struct {
    double x0, centre, end;
    std::size_t evaluations;
  } kCases[] = {
      {1.0, 1.3, 1.3, 15}, {1.0, 0.5, 0.5, 14}, {-2.0, -2.5, -2.5, 15}, {0.0, 0.7, 0.0, 14}};
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
    EXPECT_DOUBLE_EQ(seen[1], 0.3819660112501051 * c.x0);
    if (c.evaluations == 15) {
      EXPECT_DOUBLE_EQ(a, 0.5 * b);
    }
    EXPECT_DOUBLE_EQ(seen[c.evaluations - 12], b + 0.3819660112501051 * (a - b));
    EXPECT_DOUBLE_EQ(seen[c.evaluations - 11], b + 0.6180339887498949 * (a - b));
    EXPECT_LE(std::fabs(end - c.end), 0.0082 * std::fabs(a - b)) << c.x0;
    EXPECT_EQ(f, (end - c.centre) * (end - c.centre));
  }
}

}  // namespace
}  // namespace velmor
