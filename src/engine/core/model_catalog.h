// SPDX-License-Identifier: MIT
#pragma once

#include "engine/core/global_types.h"
#include "engine/core/limits.h"

// What each model of the program observes and which parameters it has, for every part of the
// engine and the shell that must tell the models apart without evaluating them.
//
//   1, 2  product vs time, Michaelis-Menten (2 with a baseline)
//   3, 4  substrate vs time, Michaelis-Menten (4 with a baseline)
//   5, 6  product (5) or substrate (6) vs time, competitive inhibition by the product
//   7, 8  product (7) or substrate (8) vs time, first-order inactivation of the enzyme
//
// Parameters in every model: p[0] = Km, p[1] = Vm, and a third one in models 2, 4 (the
// baseline), 5, 6 (Kp, the product's inhibition constant) and 7, 8 (kinact, the rate constant
// of the enzyme's inactivation).
namespace velmor {

// The models a run fits unless asked otherwise.
inline constexpr int kClassicModelCount = 4;

enum class ParameterKind { kKm, kVm, kBaseline, kKp, kKinact };

inline constexpr bool model_is_defined(ModelId model) {
  return model >= 1 && model <= kModelCount;
}
inline constexpr bool model_has_baseline(ModelId model) {
  return model == 2 || model == 4;
}
inline constexpr bool model_has_product_inhibition(ModelId model) {
  return model == 5 || model == 6;
}
inline constexpr bool model_has_inactivation(ModelId model) {
  return model == 7 || model == 8;
}
// Product models observe the product formed (rising data), the others the substrate left.
inline constexpr bool model_observes_product(ModelId model) {
  return model == 1 || model == 2 || model == 5 || model == 7;
}
inline constexpr bool model_observes_substrate(ModelId model) {
  return model_is_defined(model) && !model_observes_product(model);
}

// 2, 3, or 0 for an undefined model.
inline constexpr int model_parameter_count(ModelId model) {
  if (!model_is_defined(model)) return 0;
  return model == 1 || model == 3 ? 2 : 3;
}

// The kind of parameter j (0-based) of the model; j must be below model_parameter_count.
inline constexpr ParameterKind parameter_kind(ModelId model, int j) {
  if (j == 0) return ParameterKind::kKm;
  if (j == 1) return ParameterKind::kVm;
  if (model_has_product_inhibition(model)) return ParameterKind::kKp;
  if (model_has_inactivation(model)) return ParameterKind::kKinact;
  return ParameterKind::kBaseline;
}

// The name of a parameter in the summary's columns.
inline constexpr const char* parameter_symbol(ParameterKind kind) {
  switch (kind) {
    case ParameterKind::kKm:
      return "Km";
    case ParameterKind::kVm:
      return "Vm";
    case ParameterKind::kBaseline:
      return "baseline";
    case ParameterKind::kKp:
      return "Kp";
    case ParameterKind::kKinact:
      return "kinact";
  }
  return "";
}

// Units of a parameter as powers of the data's concentration and time: Km, Kp and the baseline
// are concentrations, Vm a concentration per time, kinact a reciprocal time.
inline constexpr int concentration_power(ParameterKind kind) {
  return kind == ParameterKind::kKinact ? 0 : 1;
}
inline constexpr int time_power(ParameterKind kind) {
  return kind == ParameterKind::kVm || kind == ParameterKind::kKinact ? -1 : 0;
}

// Whether the parameter must stay positive for the model to mean anything (Km, Vm, Kp); the
// baseline may be held at or above 0, or left free, and kinact may be 0 (no inactivation).
inline constexpr bool parameter_is_scale(ParameterKind kind) {
  return kind == ParameterKind::kKm || kind == ParameterKind::kVm || kind == ParameterKind::kKp;
}

}  // namespace velmor
