// SPDX-License-Identifier: MIT

#pragma once

#include <span>
#include <string>

#include "engine/core/file_units.h"
#include "engine/core/fit_observer.h"
#include "engine/core/global_types.h"
#include "engine/data/data_file.h"
#include "engine/data/delimited_data.h"

// The product/substrate plausibility rule the shell (and the batch mode) applies before a
// run: product models (1, 2, 5, 7) need rising data, substrate models (3, 4, 6, 8) falling data.
namespace velmor {

inline constexpr const char* kMsgWrongModelType = "THE WRONG MODEL TYPE WAS SELECTED!";
inline constexpr const char* kMsgSuggestSubstrate =
    "THE DATA SUGGESTS A SUBSTRATE vs TIME MODEL INSTEAD.";
inline constexpr const char* kMsgSuggestProduct =
    "THE DATA SUGGESTS A PRODUCT vs TIME MODEL INSTEAD.";

// The trend of the data: +1 rising (product data), -1 falling (substrate data). The first rule
// is the first curve's: its last Y minus the first Y of the file, zero or positive rising. One
// stray value among those two rows would decide it alone, so the trend is also judged robustly,
// by Kendall's S of every curve (over each pair of rows of one curve at different times, +1 when
// the later Y is higher, -1 when lower), summed over the curves; where the two disagree and S
// is not zero, S decides. `time` and `y` hold the rows in file order, `groups` their grouping.
int trend_sign(std::span<const double> time, std::span<const double> y, const CurveGroups& groups);

// The second line of the refusal for this model and trend, empty if they agree (or the model
// number is not 1..8).
std::string model_type_mismatch(ModelId model, int trend);

// Reads the data block of the file (at most 1000 rows, through a free unit of its own; a table
// file by read_data_table with `columns`) and
// applies the rule for `model`. On a mismatch shows the Information dialog
// "THE WRONG MODEL TYPE WAS SELECTED!" CR LF <suggestion> and returns false: the caller then
// opens the model selection and does not run. A file that cannot be read or parsed, has no
// data rows or a row too long to read gives true: the fit driver refuses it with its own data
// error messages (status 3), never with the model-type message.
bool model_type_plausible(const std::string& data_file_name, ModelId model, FitObserver& observer,
                          FileUnits& units, const DataColumns& columns = {});

// The same rule on data already read (the groups of an import), curves as data.curveCount
// gives them.
bool model_type_plausible(const ProgressCurveData& data, ModelId model, FitObserver& observer);

}  // namespace velmor
