// SPDX-License-Identifier: MIT
#pragma once

#include <cmath>
#include <string>
#include <vector>

// What a run's data are, beyond their rows: where they came from in the data file, how the
// observations were made concentrations, and what looks wrong with them. The report's header
// states it, the summary and the --points table give it column by column. A data file in the
// program's own format has an empty description and a report exactly as before.
namespace velmor {

struct DataDescription {
  // The group of the data file these data are (a layout's or an EnzymeML document's group);
  // empty when the file is fitted whole.
  std::string group;
  // The kind of file read, for the report: "BioTek Gen5 export", "long table", ... Empty for
  // the program's own format and the tables read as such.
  std::string source;
  // The well or id of each curve in order (the curves of ProgressCurveData); empty when the
  // file names none.
  std::vector<std::string> curve_ids;
  // Signal units per concentration unit by which (signal - blank) was divided; NaN: the
  // observations are as read.
  double signal_per_conc = std::nan("");
  // What was subtracted: "none", "auto" (blank wells, read by read) or the value; empty when
  // nothing was asked and nothing done (files read as they are).
  std::string blank;
  // Lines for the report's header (upper case is the report's): the blank wells used, the
  // column taken as the observation, wells left out.
  std::vector<std::string> notes;
  // Why the observations do not look like concentrations on the scale of [So]; empty if they
  // do. Also a Warning message of the run and in the summary's warning column.
  std::string warning;

  bool empty() const {
    return group.empty() && source.empty() && curve_ids.empty() && std::isnan(signal_per_conc) &&
           blank.empty() && notes.empty() && warning.empty();
  }
};

}  // namespace velmor
