// SPDX-License-Identifier: MIT

#pragma once

// The fitting engine run on one model the way the fit driver runs it, for tests and the survey
// that judge the engine against reference_fit.h. Links against the engine (velmor_engine).
#include <array>
#include <string>

#include "engine/core/global_types.h"
#include "engine/driver/model_fit.h"
#include "engine/driver/model_run.h"
#include "engine/model/kinetic_models.h"
#include "engine/model/model_objective.h"
#include "recording_host.h"

namespace velmor::testing {

struct EngineFit {
  double ssq = 0.0;           // the weighted sum of squares the engine reports
  std::array<double, 3> p{};  // Km, Vm, and baseline, Kp or kinact (0 for models 1 and 3)
  std::array<double, 3> se{};
  int info = 0;           // the constrained optimiser's last return code
  int messages = 0;       // message boxes the engine showed
  bool refitted = false;  // the driver's second fit from all-ones parameters ran
  double aicc = 0.0;
  ProgressCurveData rows;  // the rows with the fitted values, as the report and plots get them
  std::string ranges;      // the suggested-range texts of every curve, one after the other
  ModelFit report;         // everything the report section says, in the data's units
};

// One model as velmor runs it (run_model: internal units, the second fit from all-ones
// parameters when more than two are poorly determined, the result in the data's units), on a
// fresh FitContext holding `data`, by the classic chain or the fast method (baseline_free: the
// baseline of models 2 and 4 of either sign).
inline EngineFit run_engine(const ProgressCurveData& data, int model, int weighting,
                            int method = kClassicMethod, bool baseline_free = false) {
  FitContext state;
  state.baseline_free = baseline_free;
  RecordingHost host;
  const RunData run(data);
  state.data = run.internal;
  state.nwt_global = weighting;
  state.fit_method = method;
  state.imdlno = model;
  std::string name;
  state.npar = npar(model, name);
  state.strmdl = name;
  ModelObjective objective(state, host);
  const ModelFit fit = run_model(state, host, objective, run);
  EngineFit r;
  r.ssq = fit.stage2_ssq;
  for (int j = 0; j < fit.npar && j < 3; ++j) {
    r.p[j] = fit.p[j];
    r.se[j] = fit.se[j];
  }
  r.info = fit.info;
  r.messages = static_cast<int>(host.messages.size());
  r.refitted = fit.from_all_ones;
  r.aicc = fit.aicc;
  r.rows = state.data;
  r.report = fit;
  for (int c = 0; c < data.nCurves && c < kMaxCurves; ++c) r.ranges += fit.breakpoints.range[c];
  return r;
}

}  // namespace velmor::testing
