// SPDX-License-Identifier: MIT

#pragma once

#include <array>
#include <string>

#include "engine/core/global_types.h"
#include "engine/core/import_options.h"
#include "engine/core/limits.h"

namespace velmor {

// What a run fits and how: set by the caller (the window from its menus, the batch mode from
// its command line, tests) and only read while the run lasts.
struct RunRequest {
  std::array<int, kModelCount> imdl{};  // imdl[k - 1] = 1: fit model k
  int nwt_global = kNoWeighting;        // weighting code: 0 none, 2 robust
  int fit_method = kClassicMethod;      // kClassicMethod or kFastMethod
  // The baseline of models 2 and 4 may take either sign (blank-corrected data often sit below
  // zero); when false it is held at or above 0.
  bool baseline_free = false;
  // Whether a fit may share its work with helper threads (large data, breakpoint curves); off
  // while the batch mode fits several files at once, whose jobs already take the cores. The
  // results are the same either way.
  bool helper_threads = true;
  // The columns of a table data file holding time, [So] and the observation (names or 1-based
  // numbers, see delimited_data.h); all empty: found by the header's names.
  std::array<std::string, 3> data_columns{};
  // How instrument exports, long tables and EnzymeML documents are read (import_options.h).
  ImportOptions import_options;
};

}  // namespace velmor
