// SPDX-License-Identifier: MIT
#pragma once

#include <iostream>
#include <string>
#include <vector>

#include "engine/core/file_units.h"
#include "engine/core/fit_observer.h"
#include "engine/core/import_options.h"
#include "engine/data/delimited_data.h"
#include "engine/data/import/prepare_groups.h"
#include "engine/data/read_data.h"

// The data of a run, from any data file the program reads: its own format and the tables read
// as such (read_data.h), or an instrument export, a long table grouped by curve id or an
// EnzymeML document (import/), which a layout may split into groups fitted on their own.
namespace velmor {

struct PreparedRun {
  int status = kDataOk;  // kDataOk, or the refusal's status (read_data.h) after its messages
  // The fits of the file in order, each with its report's name: one for a file fitted whole,
  // one per group otherwise (a group refused for the limits of one fit holds its refusal).
  std::vector<PreparedData> sets;
  bool imported = false;  // read by the import readers (the model-type rule then runs per set)
};

// Whether the file is read by the import readers: an EnzymeML document (".json"); any file
// when a layout is given or found beside it (layout_beside) or species are named; else a table
// whose first line holding something is neither a number (the program's own format, a table
// without a header) nor a header the table reader takes as it stands (time with [So] and an
// observation, or [So]= columns, and no well or id column), when an export table is found in it.
// --columns keeps a file with the table reader.
bool reads_as_import(const std::string& data_file_name, const ImportOptions& options,
                     const DataColumns& columns = {});

// What a folder's ".txt" and ".json" files must be to be taken as data files: a table of
// progress curves (a header the table reader takes, or an export table found), and an EnzymeML
// document (JSON with measurements, at most kMaxEnzymeMlBytes).
bool is_recognised_table(const std::string& file_name);
bool is_enzymeml_file(const std::string& file_name);

// The layout a run of this data file uses: options.layout_file, or the layout beside it.
std::string layout_for(const std::string& data_file_name, const ImportOptions& options);

// Reads the run's data. Files not read as imports go through read_progress_curve_data
// unchanged (one set, report name as there; a signal per concentration or a blank value is
// applied to the observations, and a table's data are checked by observation_scale_warning).
// Imports: the file's checks (check_data_file), the layout, the reading and prepare_groups;
// the reading's messages go to `observer`; a refusal is Warning <why, naming the line>, then Error
// "* * * ERROR: RUN ABORTED * * *", status 3. A group's report is the data file's name with
// the group before the extension ("plate.rep1.out"); two groups that would write one report
// are refused.
PreparedRun prepare_run(const std::string& data_file_name, const ImportOptions& options,
                        FitObserver& observer, FileUnits& units, std::ostream& log = std::clog,
                        const DataColumns& columns = {});

// The group as it stands in a file name: letters, digits, '-', '_' and '.' kept, anything else
// '_' (at most 64 characters; "group" when nothing is left).
std::string group_file_part(const std::string& group);

// The report of a group: report_name_for(data file) with ".<group_file_part>" before "out";
// the data file's report for an empty group.
std::string group_report_name(const std::string& data_file_name, const std::string& group);

}  // namespace velmor
