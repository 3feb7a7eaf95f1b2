#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

#include "engine/core/console_host.h"
#include "engine/core/global_types.h"
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

TEST(ConsoleHost, WritesTitledLinesAndBreaksAtCrLf) {
  std::ostringstream out;
  ConsoleHost host(out);
  host.dlgmessage(kWarning, "Data rows exceeded limit of 1000");
  host.dlgmessage(kInformation, "No data file open - Warning!\r\nOpen a data file for input.");
  host.dlgmessage(kError, "* * * ERROR: RUN ABORTED * * *   ");
  host.dlgmessage(0, "plain");
  EXPECT_EQ(out.str(),
            "Warning: Data rows exceeded limit of 1000\n"
            "Information: No data file open - Warning!\nOpen a data file for input.\n"
            "Error: * * * ERROR: RUN ABORTED * * *\n"
            "Message: plain\n");
}

TEST(RunState, StartsWithFreeWindowTableAndDefaultNames) {
  const RunState state;
  for (int id : state.child_windows) EXPECT_EQ(id, -1);
  EXPECT_EQ(state.filenamedata, "Data.in");
  EXPECT_EQ(state.filenameresults, "Results.out");
  EXPECT_EQ(state.nwt_global, kNoWeighting);
}

}  // namespace
}  // namespace velmor
