// The whole optimiser chain of one model on awkward data: no NaN where no optimum exists, and
// statistics that cannot be computed are unknown. (Fits against the reference optimum:
// acceptance_test.cc.)
#include <gtest/gtest.h>

#include <cmath>

#include "driver_fixture.h"
#include "engine/data/read_data.h"
#include "engine/driver/model_fit.h"
#include "engine/driver/model_run.h"
#include "engine/model/kinetic_models.h"
#include "engine/model/model_objective.h"
#include "engine/stats/parameter_statistics.h"
#include "recording_host.h"

namespace velmor {
namespace {

using testing::ExampleDataFolder;
using testing::RecordingHost;

class OptimiserChain : public ExampleDataFolder {
 protected:
  ModelFit fit(ModelId model) {
    std::string report;
    EXPECT_EQ(read_progress_curve_data(data_path(), host_, state_.units, state_.data, report),
              kDataOk);
    state_.imdlno = model;
    std::string name;
    state_.npar = npar(model, name);
    state_.strmdl = name;
    ModelObjective objective(state_, host_);
    return fit_model(state_, host_, objective, false);
  }

  RunState state_;
  RecordingHost host_;
};

// Substrate models have no finite optimum on product data; the chain must still end with
// finite, positive parameters and a finite sum of squares.
TEST_F(OptimiserChain, SubstrateModelsOnProductDataEndWithoutNaN) {
  for (ModelId model : {3, 4}) {
    const ModelFit result = fit(model);
    for (int j = 0; j < result.npar; ++j) {
      EXPECT_TRUE(std::isfinite(result.p[j])) << "model " << model << " p" << j + 1;
      EXPECT_GT(result.p[j], 0.0);
    }
    EXPECT_TRUE(std::isfinite(result.stage2_ssq)) << "model " << model;
  }
}

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
