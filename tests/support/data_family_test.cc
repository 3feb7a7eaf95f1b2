// SPDX-License-Identifier: MIT

#include "data_family.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "temp_folder.h"

namespace velmor::testing {
namespace {

// Written and read back through the program's reader, every case gives the same numbers and
// the same curves.
TEST(DataFamily, CasesRoundTripThroughTheDataFileReader) {
  const TempFolder folder;
  for (const FamilyCase& c : generated_family()) {
    SCOPED_TRACE(c.name);
    const std::string path = folder.file(c.name + ".in");
    write_data_file(path, c.data);
    const ProgressCurveData back = read_data_file(path);
    ASSERT_EQ(back.nRows, c.data.nRows);
    EXPECT_EQ(back.X1, c.data.X1);
    EXPECT_EQ(back.X2, c.data.X2);
    EXPECT_EQ(back.Y, c.data.Y);
    EXPECT_EQ(back.nCurves, c.data.nCurves);
    EXPECT_EQ(back.curveCount, c.data.curveCount);
    if (c.name.rfind("replicates", 0) == 0) {  // time restarts inside each of two curves
      EXPECT_EQ(back.nCurves, 2);
      EXPECT_LT(back.X1[9], back.X1[8]);
    }
  }
}

TEST(DataFamily, RobustCasesDisplaceOnlyTheirOutlierRowsByTenToFiftyNoiseWidths) {
  const std::vector<RobustCase> family = robust_family(3);
  ASSERT_EQ(family.size(), 36u);
  for (const RobustCase& rc : family) {
    const ProgressCurveData& d = rc.contaminated.data;
    SCOPED_TRACE(rc.contaminated.name);
    const int n = d.nRows;
    const int count = static_cast<int>(rc.outlier_rows.size());
    EXPECT_GE(count, std::max(1, static_cast<int>(std::floor(0.03 * n))));
    EXPECT_LE(count, static_cast<int>(std::ceil(0.10 * n)));
    int up = 0, down = 0;
    const ReferenceOptions options = rc.without_outliers();
    for (int i = 0; i < n; ++i) {
      const bool outlier = std::binary_search(rc.outlier_rows.begin(), rc.outlier_rows.end(), i);
      EXPECT_EQ(options.include[i], !outlier);
      const double shift = (d.Y[i] - rc.clean.Y[i]) / rc.contaminated.noise_sd;
      if (!outlier) {
        EXPECT_EQ(shift, 0.0) << i;
        continue;
      }
      EXPECT_GE(std::fabs(shift), 10.0 - 1e-9) << i;
      EXPECT_LE(std::fabs(shift), 50.0 + 1e-9) << i;
      (shift > 0 ? up : down) += 1;
    }
    EXPECT_EQ(up > 0 && down > 0, rc.two_sided && count >= 2);
  }
}

}  // namespace
}  // namespace velmor::testing
