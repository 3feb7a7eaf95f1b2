// SPDX-License-Identifier: MIT
#include "mechanism_reference.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "engine/core/limits.h"

namespace velmor::testing {
namespace {

using Real = long double;
constexpr int kBisections = 200;

bool inhibited(int model) {
  return model == 5 || model == 6;
}

// The equation a P + b ln(So/S) = v of the row.
struct Equation {
  Real so, a, b, v;
};

Equation equation(int model, double t, double so, const MechanismParams& p) {
  const Real km = p.km;
  if (inhibited(model)) {
    const Real q = std::isinf(p.third) ? 0.0L : 1.0L / p.third;
    return {so, 1.0L - km * q, km * (1.0L + so * q), static_cast<Real>(p.vm) * t};
  }
  const Real k = p.third;
  const Real tau = k == 0.0L ? static_cast<Real>(t) : -std::expm1(-k * t) / k;
  return {so, 1.0L, km, static_cast<Real>(p.vm) * tau};
}

}  // namespace

CurvePoint mechanism_point(int model, double t, double so, const MechanismParams& p) {
  const Equation e = equation(model, t, so, p);
  if (e.v <= 0.0L) return {0.0, so};
  // In w = ln(S/So), P = -So expm1(w) and the equation is R(w) = -a So expm1(w) - b w - v = 0;
  // R falls with w (dR/dw = -(a S + b)), from above 0 at `lo` to -v at w = 0. Halving in w keeps
  // the relative precision of both S (late) and P (early, w near 0).
  const auto r = [&](Real w) { return -e.a * e.so * std::expm1(w) - e.b * w - e.v; };
  Real lo = -(e.v + std::fabs(e.a) * e.so) / e.b - 1.0L;
  Real hi = 0.0L;
  for (int k = 0; k < kBisections; ++k) {
    const Real mid = 0.5L * (lo + hi);
    if (!(mid > lo && mid < hi)) break;
    (r(mid) > 0.0L ? lo : hi) = mid;
  }
  const Real w = 0.5L * (lo + hi);
  return {static_cast<double>(-e.so * std::expm1(w)), static_cast<double>(e.so * std::exp(w))};
}

double mechanism_value(int model, double t, double so, const MechanismParams& p) {
  const CurvePoint point = mechanism_point(model, t, so, p);
  return observes_product(model) ? point.product : point.substrate;
}

namespace {

// One classical Runge-Kutta step of y' = f(t, y).
template <typename F>
Real rk4_step(const F& f, Real t, Real y, Real h) {
  const Real k1 = f(t, y);
  const Real k2 = f(t + h / 2, y + h / 2 * k1);
  const Real k3 = f(t + h / 2, y + h / 2 * k2);
  const Real k4 = f(t + h, y + h * k3);
  return y + h / 6 * (k1 + 2 * k2 + 2 * k3 + k4);
}

// y(t1) from y(t0): Runge-Kutta steps checked by step doubling (a step against two half steps,
// whose difference is 15 times the halves' error) and extrapolated from the pair (fifth order);
// each step's error kept within tolerance x (|y| + |h y'|). `h` carries the step size from call
// to call.
template <typename F>
Real integrate(const F& f, Real t0, Real y, Real t1, Real tolerance, Real& h) {
  Real t = t0;
  while (t < t1) {
    const bool last = t + h >= t1;
    const Real step = last ? t1 - t : h;
    const Real full = rk4_step(f, t, y, step);
    const Real halves = rk4_step(f, t + step / 2, rk4_step(f, t, y, step / 2), step / 2);
    const Real error = std::fabs(halves - full) / 15;
    const Real allowed = tolerance * (std::fabs(y) + std::fabs(step * f(t, y)));
    const Real factor =
        error > 0.0L ? 0.9L * std::pow(allowed / error, 0.2L) : static_cast<Real>(4.0L);
    if (error <= allowed) {
      y = halves + (halves - full) / 15;
      t = last ? t1 : t + step;
      if (!last) h = step * std::min(factor, static_cast<Real>(4.0L));
    } else {
      h = step * std::max(factor, static_cast<Real>(0.1L));
    }
  }
  return y;
}

}  // namespace

std::vector<CurvePoint> integrate_rate_equation(int model, double so, const MechanismParams& p,
                                                const std::vector<double>& times,
                                                double tolerance) {
  const Real km = p.km;
  const Real vm = p.vm;
  const Real q = inhibited(model) ? (std::isinf(p.third) ? 0.0L : 1.0L / p.third) : 0.0L;
  const Real k = inhibited(model) ? 0.0L : static_cast<Real>(p.third);
  const Real s0 = so;
  // The rate at time t with the product P and the substrate S.
  const auto rate = [&](Real t, Real product, Real substrate) {
    return vm * std::exp(-k * t) * substrate / (km * (1.0L + product * q) + substrate);
  };
  const auto d_product = [&](Real t, Real product) { return rate(t, product, s0 - product); };
  const auto d_log_substrate = [&](Real t, Real u) {
    const Real substrate = std::exp(u);
    return -rate(t, s0 - substrate, substrate) / substrate;
  };

  std::vector<CurvePoint> out;
  const Real first_step = times.empty() ? 1.0L : std::max<Real>(times.back(), 1e-300L) * 1e-9L;
  Real h_product = first_step;
  Real h_substrate = first_step;
  Real t = 0.0L;
  Real product = 0.0L;
  Real log_substrate = std::log(s0);
  for (const double target : times) {
    product = integrate(d_product, t, product, target, tolerance, h_product);
    log_substrate = integrate(d_log_substrate, t, log_substrate, target, tolerance, h_substrate);
    t = target;
    out.push_back({static_cast<double>(product), static_cast<double>(std::exp(log_substrate))});
  }
  return out;
}

double mechanism_ssq(const ProgressCurveData& data, int model, const MechanismParams& p) {
  double ssq = 0.0;
  for (int i = 0; i < data.nRows; ++i) {
    const double r = data.Y[i] - mechanism_value(model, data.X1[i], data.X2[i], p);
    ssq += r * r;
  }
  return std::isnan(ssq) ? std::numeric_limits<double>::infinity() : ssq;
}

namespace {

constexpr int kParams = 3;
using Vec = std::array<double, kParams>;

// The fit's variables: ln Km, ln Vm and ln Kp or kinact itself (which may be 0).
struct Variables {
  int model;
  double span;
  Vec lower, upper;
  MechanismParams params(const Vec& x) const {
    return {std::exp(x[0]), std::exp(x[1]), inhibited(model) ? std::exp(x[2]) : x[2]};
  }
  Vec clamp(Vec x) const {
    for (int j = 0; j < kParams; ++j) x[j] = std::clamp(x[j], lower[j], upper[j]);
    return x;
  }
  double step(const Vec& x, int j) const {
    return j < 2 || inhibited(model) ? 1e-6 : 1e-6 * (std::fabs(x[2]) + 1.0 / span);
  }
};

struct Lm {
  Vec x{};
  double ssq = std::numeric_limits<double>::infinity();
};

// Gauss-Newton steps with central-difference Jacobians, each halved until S falls (a step out
// of the bounds is cut back to them), until S falls by less than 1e-15 of itself.
Lm polish(const ProgressCurveData& data, const Variables& vars, Vec x) {
  const int n = data.nRows;
  const auto residuals = [&](const Vec& at, std::vector<double>& r) {
    const MechanismParams p = vars.params(at);
    double ssq = 0.0;
    for (int i = 0; i < n; ++i) {
      r[i] = data.Y[i] - mechanism_value(vars.model, data.X1[i], data.X2[i], p);
      ssq += r[i] * r[i];
    }
    return std::isfinite(ssq) ? ssq : std::numeric_limits<double>::infinity();
  };
  std::vector<double> r(n), up(n), down(n), trial_r(n);
  x = vars.clamp(x);
  double ssq = residuals(x, r);
  for (int iteration = 0; iteration < 400; ++iteration) {
    std::array<Vec, kParams> a{};  // J'J
    Vec g{};                       // -J'r
    std::array<std::vector<double>, kParams> jac;
    for (int j = 0; j < kParams; ++j) {
      const double h = vars.step(x, j);
      Vec xu = x, xd = x;
      xu[j] += h;
      xd[j] -= h;
      residuals(xu, up);
      residuals(xd, down);
      for (int i = 0; i < n; ++i) jac[j].push_back((up[i] - down[i]) / (2 * h));
    }
    for (int j = 0; j < kParams; ++j) {
      for (int i = 0; i < n; ++i) g[j] -= jac[j][i] * r[i];
      for (int k = 0; k < kParams; ++k) {
        for (int i = 0; i < n; ++i) a[j][k] += jac[j][i] * jac[k][i];
      }
    }
    // The step solves a step = g by Cramer's rule.
    const auto det = [](const std::array<Vec, kParams>& m) {
      return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
             m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
             m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    };
    Vec step{};
    for (int j = 0; j < kParams; ++j) {
      std::array<Vec, kParams> m = a;
      for (int k = 0; k < kParams; ++k) m[k][j] = g[k];
      step[j] = det(m) / det(a);
    }
    double trial_ssq = ssq;
    Vec trial = x;
    for (double t = 1.0; t > 1e-12 && !(trial_ssq < ssq); t /= 2) {
      for (int j = 0; j < kParams; ++j) trial[j] = x[j] + t * step[j];
      trial = vars.clamp(trial);
      trial_ssq = residuals(trial, trial_r);
    }
    if (!(trial_ssq < ssq)) break;
    const bool done = ssq - trial_ssq <= 1e-15 * ssq;
    x = trial;
    r = trial_r;
    ssq = trial_ssq;
    if (done) break;
  }
  return {x, ssq};
}

}  // namespace

MechanismFit reference_mechanism_fit(const ProgressCurveData& data, int model) {
  double largest_so = 0.0, t_min = std::numeric_limits<double>::infinity(), t_max = -t_min;
  for (int i = 0; i < data.nRows; ++i) {
    largest_so = std::max(largest_so, data.X2[i]);
    t_min = std::min(t_min, data.X1[i]);
    t_max = std::max(t_max, data.X1[i]);
  }
  const double span = t_max - t_min;
  Variables vars{model, span, {}, {}};
  const double cap = std::log(1e9 * largest_so);
  vars.lower = {std::log(1e-6), std::log(1e-6), inhibited(model) ? std::log(1e-6) : 0.0};
  vars.upper = {cap, std::log(1e9 * largest_so / span), inhibited(model) ? cap : 1e4 / span};

  // The mean initial rate of the curves from their first two rows.
  struct Curve {
    double so, rate;
  };
  std::vector<Curve> curves;
  int first = 0;
  for (int c = 0; c < data.nCurves; ++c) {
    const int a = first, b = first + 1;
    const double rate = std::fabs((data.Y[b] - data.Y[a]) / (data.X1[b] - data.X1[a]));
    if (std::isfinite(rate) && rate > 0.0) curves.push_back({data.X2[a], rate});
    first += data.curveCount[c];
  }
  std::vector<Lm> grid;
  for (const double km_factor : {0.03, 0.1, 0.3, 1.0, 3.0, 10.0, 30.0}) {
    const double km = km_factor * largest_so;
    double vm = 0.0;
    for (const Curve& c : curves) vm += c.rate * (km + c.so) / c.so / curves.size();
    const std::vector<double> thirds =
        inhibited(model) ? std::vector<double>{0.03, 0.1, 0.3, 1.0, 3.0, 10.0, 100.0}
                         : std::vector<double>{0.0, 0.3, 1.0, 3.0};
    for (const double third : thirds) {
      const Vec x{std::log(km), std::log(vm),
                  inhibited(model) ? std::log(third * largest_so) : third / span};
      grid.push_back({x, mechanism_ssq(data, model, vars.params(x))});
    }
  }
  std::sort(grid.begin(), grid.end(), [](const Lm& a, const Lm& b) { return a.ssq < b.ssq; });
  Lm best;
  for (std::size_t k = 0; k < grid.size() && k < 6; ++k) {
    const Lm polished = polish(data, vars, grid[k].x);
    if (polished.ssq < best.ssq) best = polished;
  }
  MechanismFit fit;
  fit.p = vars.params(best.x);
  fit.ssq = best.ssq;
  fit.third_at_bound =
      inhibited(model) ? best.x[2] >= vars.upper[2] - std::log(10.0) : best.x[2] <= 0.0;
  return fit;
}

}  // namespace velmor::testing
