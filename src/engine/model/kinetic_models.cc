// SPDX-License-Identifier: MIT

#include "engine/model/kinetic_models.h"

#include <array>
#include <cmath>
#include <limits>
#include <string_view>

#include "engine/model/lambert_w.h"
#include "engine/model/lambert_w_constants.h"
#include "engine/model/mechanism_models.h"

namespace velmor {
namespace {

constexpr std::array<std::string_view, kModelCount + 1> kShortNames = {
    "0- MODEL NOT DEFINED!",
    "1- [Pt] vs time Michaelis-Menten",
    "2- [Pt] vs time Michaelis-Menten - Bkg",
    "3- [St] vs time Michaelis-Menten",
    "4- [St] vs time Michaelis-Menten - Bkg",
    "5- [Pt] vs time Product Inhibition",
    "6- [St] vs time Product Inhibition",
    "7- [Pt] vs time Enzyme Inactivation",
    "8- [St] vs time Enzyme Inactivation",
};

// Lines 1 to 4 of the description block of models 1..8 (line 5 is empty).
constexpr std::array<ModelDescription, kModelCount> kDescriptions = {{
    {"1- Product vs time Integrated Michaelis-Menten:",
     "y = So - Km*OmegaW((So/Km)*EXP((So-Vm*t)/Km))",
     "y = X2 - P1*OmegaW((X2/P1)*(EXP((X2-P2*X1)/P1)))"},
    {"2- Product vs time Integrated Michaelis-Menten - baseline:",
     "y = So - Km*OmegaW((So/Km)*EXP((So-Vm*t)/Km)) + bkg",
     "y = X2 - P1*OmegaW((X2/P1)*(EXP((X2-P2*X1)/P1))) + P3"},
    {"3- Substrate vs time Integrated Michaelis-Menten:",
     "y = Km*OmegaW((So/Km)*EXP((So-Vm*t)/Km))", "y = P1*OmegaW((X2/P1)*(EXP((X2-P2*X1)/P1)))"},
    {"4- Substrate vs time Integrated Michaelis-Menten - baseline:",
     "y = Km*OmegaW((So/Km)*EXP((So-Vm*t)/Km)) + bkg",
     "y = P1*OmegaW((X2/P1)*(EXP((X2-P2*X1)/P1))) + P3"},
    {"5- Product vs time Integrated Michaelis-Menten - product inhibition:",
     "y = So - (b/a)*OmegaW((a*So/b)*EXP((a*So-Vm*t)/b)), a = 1-Km/Kp, b = Km*(1+So/Kp)",
     "y = X2 - (B/A)*OmegaW((A*X2/B)*(EXP((A*X2-P2*X1)/B))), A = 1-P1/P3, B = P1*(1+X2/P3)",
     "(a = 0: y = So - So*EXP(-Vm*t/b))"},
    {"6- Substrate vs time Integrated Michaelis-Menten - product inhibition:",
     "y = (b/a)*OmegaW((a*So/b)*EXP((a*So-Vm*t)/b)), a = 1-Km/Kp, b = Km*(1+So/Kp)",
     "y = (B/A)*OmegaW((A*X2/B)*(EXP((A*X2-P2*X1)/B))), A = 1-P1/P3, B = P1*(1+X2/P3)",
     "(a = 0: y = So*EXP(-Vm*t/b))"},
    {"7- Product vs time Integrated Michaelis-Menten - enzyme inactivation:",
     "y = So - Km*OmegaW((So/Km)*EXP((So-Vm*T)/Km)), T = (1-EXP(-kinact*t))/kinact",
     "y = X2 - P1*OmegaW((X2/P1)*(EXP((X2-P2*T)/P1))), T = (1-EXP(-P3*X1))/P3"},
    {"8- Substrate vs time Integrated Michaelis-Menten - enzyme inactivation:",
     "y = Km*OmegaW((So/Km)*EXP((So-Vm*T)/Km)), T = (1-EXP(-kinact*t))/kinact",
     "y = P1*OmegaW((X2/P1)*(EXP((X2-P2*T)/P1))), T = (1-EXP(-P3*X1))/P3"},
}};

// W to full precision: the W of model_w (Halley converged to about 1e-7 absolute, which for
// small z is a relative error of up to 1e-4) polished by Newton's method on w + ln w = ln z.
double precise_w(double x1, double x2, double km, double vm) {
  double w = model_w(x1, x2, km, vm);
  if (!(w > 0.0) || !std::isfinite(w)) return w;
  const double log_z = std::log(x2 / km) + (x2 - vm * x1) / km;
  for (int k = 0; k < lambert_w_constants::kPolishSteps; ++k) {
    const double next = w * (1.0 + log_z - std::log(w)) / (1.0 + w);
    if (!(next > 0.0)) break;
    const bool done = std::fabs(next - w) <= lambert_w_constants::kLogSolverTolerance * next;
    w = next;
    if (done) break;
  }
  return w;
}

}  // namespace

double model_w(double x1, double x2, double km, double vm) {
  const double d = x2 - vm * x1;
  const double e = std::exp(d / km);
  const double z = e * (x2 / km);
  // z = +inf: the exponential overflowed although W itself is moderate (W is about x2 / Km at
  // t = 0); ln z = d / Km + ln(x2 / Km) is still exact enough to give W.
  return z == std::numeric_limits<double>::infinity() ? lambert_w_of_log(d / km + std::log(x2 / km))
                                                      : omegw(z);
}

double value_from_w(ModelId model, double x2, double w, const ParamVector& p) {
  const double km = p[0];
  switch (model) {
    case 1:
      return x2 - w * km;
    case 2:
      return x2 - w * km + p[2];
    case 3:
      return w * km;
    case 4:
      return w * km + p[2];
    default:
      return std::numeric_limits<double>::quiet_NaN();
  }
}

double func(ModelId model, double x1, double x2, double /*y*/, const ParamVector& p) {
  if (!model_is_defined(model)) return std::numeric_limits<double>::quiet_NaN();
  if (!model_shares_w(model)) return mechanism_point(model, x1, x2, p, false).value;
  return value_from_w(model, x2, model_w(x1, x2, p[0], p[1]), p);
}

double precise_model_value(ModelId model, double t, double so, const ParamVector& p) {
  if (model_is_defined(model) && !model_shares_w(model)) {
    return mechanism_point(model, t, so, p, false).value;
  }
  return model_with_derivatives(model, t, so, p).value;
}

ModelSlope model_with_derivatives(ModelId model, double x1, double x2, const ParamVector& p) {
  ModelSlope slope;
  if (!model_is_defined(model)) {
    slope.value = std::numeric_limits<double>::quiet_NaN();
    return slope;
  }
  if (!model_shares_w(model)) {
    const MechanismPoint point = mechanism_point(model, x1, x2, p, true);
    slope.value = point.value;
    slope.d = point.d;
    return slope;
  }
  const double km = p[0];
  const double w = precise_w(x1, x2, km, p[1]);
  const double baseline = model_has_baseline(model) ? p[2] : 0.0;
  slope.value = (model_observes_product(model) ? x2 - w * km : w * km) + baseline;
  // S = Km W is the substrate left; with dW/dln z = W / (1 + W):
  //   dS/dKm = W / (1 + W) ln(So / S),   dS/dVm = -t W / (1 + W).
  // ln(So / S) equals W - (So - Vm t) / Km (from W + ln W = ln z), but that difference of two
  // large numbers cancels early in a zero-order curve, where the logarithm stays exact.
  const double share = w / (1.0 + w);
  const double s = km * w;
  const double ds_dkm = w > 0.0 ? share * std::log(x2 / s) : 0.0;
  const double ds_dvm = -x1 * share;
  const double sign = model_observes_product(model) ? -1.0 : 1.0;  // product models: So - S
  slope.d[0] = sign * ds_dkm;
  slope.d[1] = sign * ds_dvm;
  slope.d[2] = model_has_baseline(model) ? 1.0 : 0.0;
  return slope;
}

int npar(ModelId model, std::string& model_name, std::size_t name_length) {
  const std::string_view name = kShortNames[model_is_defined(model) ? model : 0];
  model_name.assign(name.substr(0, name_length));
  model_name.resize(name_length, ' ');
  return model_parameter_count(model);
}

ModelDescription model_description(ModelId model) {
  return model_is_defined(model) ? kDescriptions[model - 1] : ModelDescription{};
}

}  // namespace velmor
