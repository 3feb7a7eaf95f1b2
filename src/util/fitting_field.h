// SPDX-License-Identifier: MIT

#pragma once

#include <span>
#include <string>

namespace velmor::util {

// The edit descriptor for a group of numbers the report prints with Fw.d (a column of the data
// table, a row of the parameter table, a single value): "Fw.d" itself when it shows at least
// three significant digits of the group's largest magnitude and leaves a blank before every value
// of the group (no asterisks, and no value running into the field before it); otherwise the
// exponent form of the same width, so the group stays aligned with what is printed around it.
// Where the layout itself puts blanks before the field (`blank_before`), a value that fills the
// field is still readable and keeps Fw.d; only asterisks or lost digits change the form.
// Non-finite values take no part (every form writes them alike); a group of zeros, or of nothing
// finite, keeps Fw.d.
//
// The exponent form is Ew.e with e = w - 8 significant digits, which leaves a blank before a
// negative value so that fields printed side by side never run together; a field of 10 or 11
// columns gets e = 3 (it fills the field) so that it still shows three digits. Examples:
// fitting_descriptor({7.5e-5}, 13, 6) == "E13.5", fitting_descriptor({-1.2e7}, 12, 3) == "E12.4",
// fitting_descriptor({8.378}, 13, 6) == "F13.6".
std::string fitting_descriptor(std::span<const double> values, int width, int decimals,
                               bool blank_before = false);

// The exponent form fitting_descriptor chooses for a field of `width` columns.
std::string exponent_descriptor(int width);

}  // namespace velmor::util
