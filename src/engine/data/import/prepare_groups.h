// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "engine/core/data_description.h"
#include "engine/core/import_options.h"
#include "engine/core/progress_curve_data.h"
#include "engine/data/import/plate_layout.h"
#include "engine/data/import/raw_curves.h"

// From the curves a file holds to the data of the fits: the layout gives each curve its [So],
// role and group, the blanks are subtracted and the signal divided by the signal per
// concentration, and each group becomes the data of one fit, checked against one fit's limits.
namespace velmor {

// The data of one fit and what the report and summary say of them.
struct PreparedData {
  ProgressCurveData data;       // rows curve by curve, each curve's in time order
  DataDescription description;  // the group, the conversion, the notes and the warning
  std::string report_name;      // the report this group's fit writes (set by prepare_run)
  // Why this group is not fitted (it exceeds one fit's limits), empty when it is fitted.
  std::string refusal;
};

// The groups of a file, or why the file is refused.
struct PreparedGroups {
  std::vector<PreparedData> groups;   // in the order their first curve stands in the layout
  std::vector<ReadMessage> messages;  // for the user, before any fit (wells left out, ...)
  std::string error;                  // the file is refused (a layout line that does not fit)
};

// Gives the curves of `raw` their [So] (the layout's, else the file's), keeps the layout's
// wells only (all curves without a layout), subtracts the blanks as `options` ask (kDefault:
// kAuto when the layout names blank wells) and divides by options.signal_per_conc (when not
// 0), then groups the samples by the layout's group (else the file's own, EnzymeML
// group_id). `layout` may be null. Refusals name the layout's line: a well the data lack, a
// sample without [So]; blanks asked for without blank wells, or a sample's read at a time no
// blank well was read.
PreparedGroups prepare_groups(const RawCurves& raw, const PlateLayout* layout,
                              const ImportOptions& options);

// The warning for observations that cannot be concentrations on the scale of [So]: every curve
// changes by less than 2% of its [So] (raw absorbance against uM), or a curve rises above twice
// its [So] (product far above the substrate it comes from). Empty if neither. `ids` names the
// curves (may be empty); `converted` whether the signal was divided by a signal per
// concentration (the hint then asks to check its value).
std::string observation_scale_warning(const ProgressCurveData& data,
                                      const std::vector<std::string>& ids, bool converted);

}  // namespace velmor
