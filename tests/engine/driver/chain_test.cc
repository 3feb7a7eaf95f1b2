// The whole optimiser chain of one model (initial estimates, simplex, SVD minimiser, the
// constrained optimiser) on the example data, against an independent least-squares fit.
#include <gtest/gtest.h>

#include <cmath>

#include "driver_fixture.h"
#include "engine/data/read_data.h"
#include "engine/driver/model_fit.h"
#include "engine/model/kinetic_models.h"
#include "engine/model/model_objective.h"
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

double relative(double value, double reference) {
  return std::fabs(value - reference) / std::fabs(reference);
}

TEST_F(OptimiserChain, Model1ReachesTheLeastSquaresOptimum) {
  const ModelFit result = fit(1);
  EXPECT_LT(relative(result.stage2_ssq, 42.978669), 1e-7) << result.stage2_ssq;
  EXPECT_LT(relative(result.p[0], 8.378156), 1e-5) << result.p[0];
  EXPECT_LT(relative(result.p[1], 0.3555274), 1e-5) << result.p[1];
  EXPECT_TRUE(host_.messages.empty());
}

TEST_F(OptimiserChain, Model2ReachesTheLeastSquaresOptimum) {
  const ModelFit result = fit(2);
  EXPECT_LT(relative(result.stage2_ssq, 36.425048), 1e-7) << result.stage2_ssq;
  EXPECT_LT(relative(result.p[0], 8.950351), 1e-5) << result.p[0];
  EXPECT_LT(relative(result.p[1], 0.3528496), 1e-5) << result.p[1];
  EXPECT_LT(relative(result.p[2], 0.8200689), 1e-5) << result.p[2];
}

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

}  // namespace
}  // namespace velmor
