// SPDX-License-Identifier: MIT

#pragma once

#include <array>
#include <optional>
#include <string>

#include "engine/core/file_units.h"
#include "engine/core/import_options.h"
#include "engine/core/limits.h"
#include "engine/core/progress_curve_data.h"
#include "engine/core/vectors.h"

namespace velmor {

// Model numbers 1..8 (ModelId; model_catalog.h says what each observes and which parameters it
// has). p[0] = Km and p[1] = Vm in every model; p[2] is the third parameter of models 2 and 4
// (baseline), 5 and 6 (Kp) and 7 and 8 (kinact).
using ModelId = int;

inline constexpr int kNoWeighting = 0;
inline constexpr int kRobustWeighting = 2;

// How the models are fitted: the classic chain of stages, or the fast method (a multi-start
// Levenberg-Marquardt refinement, for fits without weights).
inline constexpr int kClassicMethod = 0;
inline constexpr int kFastMethod = 1;

// The run-wide state shared by the shell, the fit driver and the plots. One instance lives for
// the whole program (the application owns it); the engine receives it by reference, so tests
// build their own. Values that a GUI callback thread writes while the main routine reads them
// are kept by the shell in atomics and copied in here before a run.
struct RunState {
  // Shell side.
  std::string filenamedata = "Data.in";         // data file name
  std::string filenameresults = "Results.out";  // report file name
  std::string filenamepath;                     // data folder
  int nwt_global = kNoWeighting;                // weighting code: 0 none, 2 robust
  int fit_method = kClassicMethod;              // kClassicMethod or kFastMethod
  // The baseline of models 2 and 4 may take either sign (blank-corrected data often sit below
  // zero); when false it is held at or above 0.
  bool baseline_free = false;
  // Whether a fit may share its work with helper threads (large data, breakpoint curves); off
  // while the batch mode fits several files at once, whose jobs already take the cores. The
  // results are the same either way.
  bool helper_threads = true;
  std::array<int, kModelCount> imdl{};  // imdl[k - 1] = 1: fit model k
  ModelId imdlno = 0;                   // current model; after a run the best model
  int global_mdl_count = 0;             // models fitted by the last run
  int idat = 0;                         // data rows of the last run
  int idatasets = 0;                    // curves of the last run
  std::string strmdl;                   // name of the current model (at most 80 characters)
  int idactivewin = -1;                 // the main window's id
  std::array<int, kMaxSecondaryWindows> child_windows = free_window_table();
  // The columns of a table data file holding time, [So] and the observation (names or 1-based
  // numbers, see delimited_data.h); all empty: found by the header's names.
  std::array<std::string, 3> data_columns{};
  // How instrument exports, long tables and EnzymeML documents are read (import_options.h).
  ImportOptions import_options;

  // Engine side.
  ProgressCurveData data;  // the data of the run; after a run the best model's values
  // The parameters of the current model's fit in the data's units (after a run, the best
  // model's), from which the plots draw its curve; empty before a fit and for a failed one.
  std::optional<ParamVector> fitted_params;
  int npar = 0;                        // parameters of the current model
  int model_limit = kModelCount;       // highest valid model number
  int constraint_count = 0;            // m, rewritten by every objective evaluation
  int equality_count = 0;              // meq, rewritten by every objective evaluation
  double random_value = 0.0;           // shared pseudo-random value rv in [0, 1)
  double estimate_random_value = 0.0;  // the initial estimates' own generator state

  // The open files of the program by unit number (data file, report, saved text). Owning the
  // streams makes RunState move-only.
  FileUnits units;

  static std::array<int, kMaxSecondaryWindows> free_window_table() {
    std::array<int, kMaxSecondaryWindows> table;
    table.fill(-1);
    return table;
  }
};

}  // namespace velmor
