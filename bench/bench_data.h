// SPDX-License-Identifier: MIT

#pragma once

// Data sets shared by the benchmarks: the bundled example and a generated 1000-row file.
#include <cmath>
#include <fstream>
#include <string>

#include "engine/core/progress_curve_data.h"
#include "engine/core/vectors.h"
#include "engine/model/kinetic_models.h"
#include "example_data.h"

namespace velmor::bench {

inline constexpr double kGeneratedKm = 25.0;
inline constexpr double kGeneratedVm = 0.8;

inline std::string example_path() {
  return std::string(VELMOR_EXAMPLES_DIR) + "/DATA.IN";
}

// examples/DATA.IN: three curves of nine rows, read as the tests read it.
using velmor::testing::example_data;

// Ten product curves of 100 points, [So] = 10..100, from model 1 with Km = 25, Vm = 0.8, plus
// a deterministic noise of at most +-0.1.
inline ProgressCurveData generated_1000_rows() {
  ProgressCurveData data;
  data.resize_rows(kMaxCurves * 100);
  ParamVector p{};
  p[0] = kGeneratedKm;
  p[1] = kGeneratedVm;
  int row = 0;
  for (int curve = 0; curve < kMaxCurves; ++curve) {
    const double so = 10.0 * (curve + 1);
    for (int k = 0; k < 100; ++k, ++row) {
      const double t = 4.0 * k;
      const double noise =
          0.2 * (std::fmod(std::fabs(std::sin(row * 12.9898) * 43758.5453), 1.0) - 0.5);
      data.X1[row] = t;
      data.X2[row] = so;
      data.Y[row] = func(1, t, so, 0.0, p) + noise;
    }
    data.curveCount[curve] = 100;
  }
  data.nCols = 3;
  data.nCurves = kMaxCurves;
  return data;
}

// Writes the rows as a data file (tab-separated, full precision).
inline void write_data_file(const std::string& path, const ProgressCurveData& data) {
  std::ofstream out(path);
  out.precision(17);
  for (int i = 0; i < data.nRows; ++i) {
    out << data.X1[i] << '\t' << data.X2[i] << '\t' << data.Y[i] << '\n';
  }
}

}  // namespace velmor::bench
