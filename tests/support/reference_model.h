// SPDX-License-Identifier: MIT

#pragma once

// An independent evaluation of the four integrated Michaelis-Menten models, for judging the
// fitting engine. Nothing here uses the engine's model code: the Lambert W, the model values
// and their exact derivatives are computed afresh, in double precision and in any units.
//
// Models (t = time, So = [So] of the row's curve, Km, Vm, bkg = baseline):
//   S = Km W(z), z = (So/Km) exp((So - Vm t)/Km), the substrate left at time t
//   model 1: So - S          model 2: So - S + bkg      (product vs time)
//   model 3: S               model 4: S + bkg           (substrate vs time)
namespace velmor::testing {

// Principal branch of Lambert W (the w >= 0 with w e^w = z) for z >= 0; 0 for z <= 0 or NaN.
// Relative accuracy about 1e-15 everywhere.
double lambert_w(double z);

// W(exp(log_z)) for any finite log_z, also where exp(log_z) overflows (log_z up to 1e300): above
// log_z = 2 it solves w + ln w = log_z. Relative accuracy about 1e-15; tiny z give W = z (0 once
// exp(log_z) underflows). log_z = -inf gives 0, +inf gives +inf.
double lambert_w_from_log(double log_z);

// The two kinds of progress curve: models 1 and 2 fit product data, 3 and 4 substrate data.
enum class DataKind { kProduct, kSubstrate };

inline DataKind kind_of_model(int model) {
  return model <= 2 ? DataKind::kProduct : DataKind::kSubstrate;
}
inline bool has_baseline(int model) {
  return model == 2 || model == 4;
}
inline int parameter_count(int model) {
  return has_baseline(model) ? 3 : 2;
}

// Parameters in the engine's order: Km, Vm, baseline (the baseline is ignored by models 1, 3).
struct ModelParams {
  double km = 0.0;
  double vm = 0.0;
  double bkg = 0.0;
};

// A model value and its exact partial derivatives with respect to Km, Vm and the baseline
// (d_bkg is 1 for models 2 and 4, 0 otherwise).
struct ModelPoint {
  double value = 0.0;
  double d_km = 0.0;
  double d_vm = 0.0;
  double d_bkg = 0.0;
};

// Value of model 1..4 at time t for a curve of initial concentration so, with Km, Vm > 0. The
// argument of W is formed as a logarithm, so no intermediate overflows: a Km a millionth of
// [So] (zero-order kinetics) and a Km a million times [So] (first order) are both exact to
// about 1e-15 of [So]. A row with so <= 0 has no substrate: S = 0.
double model_value(int model, double t, double so, const ModelParams& p);

// model_value and its derivatives. With W/(1+W) = dW/dln z and ln(So/S) written so that it
// cannot cancel:
//   dS/dKm = W/(1+W) ln(So/S),   dS/dVm = -t W/(1+W),
// and the product models take the negatives.
ModelPoint model_point(int model, double t, double so, const ModelParams& p);

}  // namespace velmor::testing
