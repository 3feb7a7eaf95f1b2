// SPDX-License-Identifier: MIT
#include "mechanism_data.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <stdexcept>
#include <vector>

#include "engine/data/data_file.h"

namespace velmor::testing {
namespace {

double rate(Mechanism mechanism, double s, double t, double so, double km, double vm,
            double extra) {
  s = std::max(s, 0.0);
  switch (mechanism) {
    case Mechanism::kProductInhibition:
      return -vm * s / (km * (1.0 + (so - s) / extra) + s);
    case Mechanism::kInactivation:
      return -vm * std::exp(-extra * t) * s / (km + s);
    case Mechanism::kMichaelisMenten:
      break;
  }
  return -vm * s / (km + s);
}

}  // namespace

double substrate_left(Mechanism mechanism, double so, double km, double vm, double extra,
                      double t) {
  if (t <= 0.0) return so;
  const int steps = 4000;
  const double h = t / steps;
  double s = so;
  double time = 0.0;
  for (int k = 0; k < steps; ++k) {
    const double k1 = rate(mechanism, s, time, so, km, vm, extra);
    const double k2 = rate(mechanism, s + 0.5 * h * k1, time + 0.5 * h, so, km, vm, extra);
    const double k3 = rate(mechanism, s + 0.5 * h * k2, time + 0.5 * h, so, km, vm, extra);
    const double k4 = rate(mechanism, s + h * k3, time + h, so, km, vm, extra);
    s += h / 6.0 * (k1 + 2.0 * k2 + 2.0 * k3 + k4);
    time += h;
  }
  return s;
}

FamilyCase mechanism_case(const std::string& name, const CurveDesign& design, Mechanism mechanism,
                          double extra) {
  FamilyCase c;
  c.name = name;
  c.kind = design.kind;
  c.truth = {design.km, design.vm, 0.0};
  std::vector<double> t, so, values;
  for (const double s0 : design.so) {
    for (const double time : design.times) {
      t.push_back(time);
      so.push_back(s0);
      const double s = substrate_left(mechanism, s0, design.km, design.vm, extra, time);
      values.push_back(design.kind == DataKind::kProduct ? s0 - s : s);
    }
  }
  if (t.size() > static_cast<std::size_t>(kMaxRows)) throw std::logic_error("too many rows");
  double amplitude = 0.0;
  for (const double v : values) amplitude = std::max(amplitude, std::fabs(v));
  c.noise_sd = design.relative_noise * amplitude;
  SplitMix64 rng(design.seed);
  c.data.resize_rows(static_cast<int>(t.size()));
  for (int i = 0; i < c.data.nRows; ++i) {
    c.data.X1[i] = t[i];
    c.data.X2[i] = so[i];
    c.data.Y[i] = values[i] + c.noise_sd * rng.normal();
  }
  const CurveGroups groups = ycurves(std::span<const double>(c.data.X2.data(), c.data.nRows));
  c.data.nCols = 3;
  c.data.nCurves = groups.n_curves;
  c.data.curveCount = groups.counts;
  return c;
}

}  // namespace velmor::testing
