#pragma once

// The fitting engine run on one model the way the fit driver runs it, for tests and the survey
// that judge the engine against reference_fit.h. Links against the engine (velmor_engine).
#include <array>
#include <string>

#include "engine/core/global_types.h"
#include "engine/driver/model_fit.h"
#include "engine/model/kinetic_models.h"
#include "engine/model/model_objective.h"
#include "recording_host.h"

namespace velmor::testing {

struct EngineFit {
  double ssq = 0.0;           // the weighted sum of squares the engine reports
  std::array<double, 3> p{};  // Km, Vm, baseline (0 for models 1 and 3)
  std::array<double, 3> se{};
  int info = 0;           // the constrained optimiser's last return code
  int messages = 0;       // message boxes the engine showed
  bool refitted = false;  // the driver's second fit from all-ones parameters ran
};

// fit_model on a fresh RunState holding `data`, and once more from all-ones parameters when
// more than two parameters are poorly determined, as velmor does for each model. Where the
// driver's handling around fit_model changes, this follows it.
inline EngineFit run_engine(const ProgressCurveData& data, int model, int weighting) {
  RunState state;
  RecordingHost host;
  state.data = data;
  state.idat = data.nRows;
  state.idatasets = data.nCurves;
  state.nwt_global = weighting;
  ModelObjective objective(state, host);
  ModelFit fit;
  bool refitted = false;
  for (const bool recompute : {false, true}) {
    refitted = recompute;
    state.imdlno = model;
    state.data.X1 = data.X1;
    state.data.X2 = data.X2;
    state.data.Y = data.Y;
    std::string name;
    state.npar = npar(model, name);
    state.strmdl = name;
    fit = fit_model(state, host, objective, recompute);
    if (recompute || fit.poorly_determined <= 2) break;
  }
  EngineFit r;
  r.ssq = fit.stage2_ssq;
  for (int j = 0; j < fit.npar && j < 3; ++j) {
    r.p[j] = fit.p[j];
    r.se[j] = fit.se[j];
  }
  r.info = fit.info;
  r.messages = static_cast<int>(host.messages.size());
  r.refitted = refitted;
  return r;
}

}  // namespace velmor::testing
