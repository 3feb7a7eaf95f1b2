// SPDX-License-Identifier: MIT
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "engine/core/data_description.h"
#include "engine/core/progress_curve_data.h"

namespace velmor {

// The lines of a model section's header that say what the data are: the group, the kind of
// file, the curves' wells or ids, the time and concentration units, how the signal was made a
// concentration and the warning about observations not on the scale of [So]. Each line starts
// in column 11 as the header's others do, long ones wrapped at blanks within 80 columns. No
// line at all for data of the program's own format (empty description, no units), so their
// reports stay as they were.
std::vector<std::string> data_description_lines(const DataDescription& description,
                                                const ProgressCurveData& data);

void write_data_description(std::ostream& out, const DataDescription& description,
                            const ProgressCurveData& data);

}  // namespace velmor
