// SPDX-License-Identifier: MIT

#pragma once

// Generated progress-curve data sets for judging fits: the family of realistic and awkward
// data (units, noise, curve layouts), the unit-rescaled example, and a family with gross
// outliers for robust weighting. Everything is deterministic: the noise comes from our own
// seeded generator (splitmix64 and Box-Muller), not from the standard library's distributions,
// and the true curves from reference_model.h.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/progress_curve_data.h"
#include "reference_fit.h"
#include "reference_model.h"

namespace velmor::testing {

// splitmix64, with uniform and standard normal draws.
class SplitMix64 {
 public:
  explicit SplitMix64(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next();
  double uniform();  // in [0, 1), 53 random bits
  double normal();   // Box-Muller, one value per two uniform draws
 private:
  std::uint64_t state_;
};

// One generated (or loaded) data set.
struct FamilyCase {
  std::string name;
  DataKind kind = DataKind::kProduct;  // product: models 1, 2; substrate: models 3, 4
  ModelParams truth;                   // generating parameters, in the data's units
  double noise_sd = 0.0;               // standard deviation of the added noise
  ProgressCurveData data;              // rows in file order, curves grouped as the reader does
  ReferenceOptions options;            // the lower bounds in the data's units
  std::array<int, 2> models() const {
    return kind == DataKind::kProduct ? std::array<int, 2>{1, 2} : std::array<int, 2>{3, 4};
  }
};

// How a data set is generated: for each [So] in `so` (in that order), `replicates` copies of
// the time points written one after the other under that [So] (so the time restarts inside one
// curve), the value of model 2 (product) or 4 (substrate) at Km, Vm and a baseline of
// baseline_fraction x the signal amplitude (the largest |value - baseline| over the rows), plus
// normal noise of standard deviation relative_noise x that amplitude. A lag > 0 delays the
// reaction the way a slowly activating enzyme does: the model sees the time
// t - lag (1 - exp(-t / lag)), so every curve bends the other way from the model's.
struct CurveDesign {
  DataKind kind = DataKind::kProduct;
  double km = 30.0;
  double vm = 2.0;
  double baseline_fraction = 0.03;
  std::vector<double> so;
  std::vector<double> times;
  int replicates = 1;
  double lag = 0.0;
  double relative_noise = 0.02;
  std::uint64_t seed = 1;
};

// The data set of a design, curves grouped by the data file's rule. Throws std::logic_error if
// the design breaks the file's limits (3..1000 rows, 1..10 curves, 5 or more points a curve).
FamilyCase generate_case(const std::string& name, const CurveDesign& design);

// The family of the fit acceptance rule, each design in a product and a substrate variant
// (names end in _p and _s), 34 cases: basic, first order (So/Km <= 0.02; model 3, which lacks
// the data's small baseline, has no finite optimum there), zero order after a lag with the
// optimum Km at its bound (models 1, 2 and 3; model 4's baseline absorbs the lag), stacked
// replicate curves, curves of 5 points, near-noiseless (1e-5), 20% noise,
// a baseline five times the signal, ten curves over three decades of [So], log-spaced times, a
// late first time, curves in falling [So] order, values of 1e5..1e6, concentrations of
// 1e-5..1e-3 (molar), time in hours, time in milliseconds and one short single curve.
std::vector<FamilyCase> generated_family();

// The substrate design the unit-invariance tables rescale (the basic substrate case).
FamilyCase basic_substrate_case();

// A data file of product data read through the program's reader (examples/DATA.IN for the
// example), named "example"; its truth is unknown and left at zero.
FamilyCase example_case(const std::string& example_path);

// The case with concentrations ([So], Y, Km, baseline, the Km bound) multiplied by `conc` and
// times by `time` (Vm and its bound by conc / time), curves regrouped by the file's rule. Its
// name is the unscaled case's with "_c<conc>_t<time>" appended.
FamilyCase rescaled(const FamilyCase& original, double conc, double time);

// The unit-invariance table: each of the two cases rescaled by every pair of concentration
// factors 1e-9, 1e-6, 1e3, 1e6 and time factors 1/60, 1, 60, 3600 (16 variants each).
std::vector<FamilyCase> unit_family(const FamilyCase& product, const FamilyCase& substrate);

// A data set with gross outliers, for robust weighting.
struct RobustCase {
  FamilyCase contaminated;        // the data with outliers
  ProgressCurveData clean;        // the same rows and noise without the outlier displacements
  std::vector<int> outlier_rows;  // 0-based rows displaced, ascending
  bool two_sided = false;         // displacements of both signs (else all of one sign)

  // Options that leave the outlier rows out of a reference fit of `contaminated.data`.
  ReferenceOptions without_outliers() const;
};

// 1, 2 and 3 curves of 25 points, product and substrate, one- and two-sided, `seeds` seeds of
// each (so 12 x seeds cases): 3% to 10% of the rows displaced by 10 to 50 noise widths (2%
// noise).
std::vector<RobustCase> robust_family(int seeds);

// The data file text of a data set: one row a line, time, [So] and Y separated by tabs, each
// written with 17 significant digits so that reading it back gives the same numbers.
std::string data_file_text(const ProgressCurveData& data);
void write_data_file(const std::string& path, const ProgressCurveData& data);

// Reads a data file through the program's reader. Throws std::runtime_error with the reader's
// messages if it refuses the file.
ProgressCurveData read_data_file(const std::string& path);

}  // namespace velmor::testing
