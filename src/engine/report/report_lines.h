// SPDX-License-Identifier: MIT

#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core/model_catalog.h"
#include "engine/core/progress_curve_data.h"
#include "engine/stats/runs_test.h"
#include "util/fortran_format.h"

// The lines of the report that hold computed reals. Each is written with a format text of
// report_formats.h; the width and decimals of every real come from that format's parsed Fw.d or
// Ew.d item, and the field a value needs (util::fitting_descriptor) replaces the parsed item, so
// callers never name a width. A text given for a real's field ("unknown", "infinity") is written
// right-justified in the field's width.
namespace velmor::report {

// The description block of a model's section: title, formula, note, formula in the parameters'
// names and a blank line for models 1..8; one line of the layout's indent for any other number.
std::string model_description_lines(ModelId model);

// `format` written with `values`, each Fw.d given the field its own value needs. An Fw.d after
// a blank of the layout (an nX item) keeps its form for a value that fills the field.
// Example: fitted_line("(5X,I3,2X,F12.6)", {1, 7.5e-5}) == "      1   0.7500E-04\n".
std::string fitted_line(std::string_view format, const std::vector<util::FortranValue>& values);

// The AICc line; "unknown" when it is NaN (a standard error, and so the penalty, could not be
// computed).
std::string aicc_line(double aicc);

// The runs test of the residual signs, or that it could not be made (its p is NaN).
std::string runs_line(const RunsTest& runs);

// The exponent form in which the final check's two sums of squares (`from` > `to`) differ when
// written: the digits of kFinalCheck's Ew.d, more (up to sixteen) when the decrease is smaller
// than that shows, so a report never says it lowered a sum to the same number.
std::string final_check_descriptor(double from, double to);
// The final check's line, both sums in final_check_descriptor's form.
std::string final_check_line(double from, double to);

// A row of the best-fit table: value, standard error and 95 % limits (value -/+ `ci`) share one
// form, fixed or exponent where fixed would not show the row whole or to its precision; a
// standard error that is NaN makes it and the limits "unknown". A parameter the data do not
// determine (`undetermined`) has "not determined" in place of its standard error and no limits.
std::string parameter_row(int index, double value, double se, double ci, bool undetermined);

// A row of the profile-likelihood limits, in the columns of parameter_row; `se` (NaN when not
// known or not determined) takes part in the choice of the form. An infinite limit is written
// "infinity" with its sign, a NaN one "unknown".
std::string profile_row(int index, double value, double low, double high, double se);

// A number with its standard error, to 5 significant digits of the number and 2 of the error,
// without leading blanks: fixed where that takes at most 12 decimals and the number is below
// 1e7, else exponent form.
std::string number_with_error(double value, double se);

// The rows of the data table of `data`, which holds the fitted values: number, time, [So], Y,
// Ycalc and the residual, every column in the form its values need so that a column keeps one
// form.
std::string data_table_rows(const ProgressCurveData& data);

}  // namespace velmor::report
