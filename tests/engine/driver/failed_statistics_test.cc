// Statistics that cannot be computed are unknown. (Fits against the reference optimum:
// acceptance_test.cc; whole runs on awkward data: robustness_test.cc.)
#include <gtest/gtest.h>

#include <cmath>

#include "engine/driver/model_run.h"
#include "engine/model/kinetic_models.h"
#include "engine/model/model_objective.h"
#include "engine/stats/parameter_statistics.h"
#include "recording_host.h"

namespace velmor {
namespace {

using testing::RecordingHost;

// A normal matrix whose inverse has no positive diagonal (every time 0: no column of the
// Jacobian carries information) leaves the standard errors and limits unknown (NaN), not 0, so
// the relative-error penalty and the AICc are unknown too and the model cannot rank first.
TEST(FailedStatistics, UnknownStandardErrorsMakeTheAiccUnknown) {
  RunState state;
  ProgressCurveData data;
  data.nRows = 5;
  data.nCols = 3;
  data.nCurves = 1;
  data.curveCount[0] = 5;
  for (int i = 0; i < 5; ++i) {
    data.X2[i] = 10.0;
    data.Y[i] = i + 1.0;
  }
  const RunData run(data);
  state.data = run.internal;
  state.imdlno = 2;
  std::string name;
  state.npar = npar(2, name);
  RecordingHost host;
  ModelObjective objective(state, host);
  const ModelFit fit = run_model(state, host, objective, run);
  ASSERT_FALSE(host.messages.empty());
  EXPECT_EQ(host.messages[0].text, kMatrixDiagonalMessage);
  for (int j = 0; j < fit.npar; ++j) {
    EXPECT_TRUE(std::isnan(fit.se[j])) << j;
    EXPECT_TRUE(std::isnan(fit.ci[j])) << j;
  }
  EXPECT_TRUE(std::isnan(fit.penalty));
  EXPECT_TRUE(std::isnan(fit.aicc));
}

}  // namespace
}  // namespace velmor
