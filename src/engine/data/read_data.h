// SPDX-License-Identifier: MIT

#pragma once

#include <iostream>
#include <string>

#include "engine/core/file_units.h"
#include "engine/core/fit_observer.h"
#include "engine/core/pending_report.h"
#include "engine/core/progress_curve_data.h"
#include "engine/data/delimited_data.h"

// Reading a run's data file into ProgressCurveData, with every refusal shown to the user
// through FitObserver::message.
//
// The report file is not touched here: read_progress_curve_data only returns its name, and the
// fit driver opens the pending report with open_pending_report once the data are accepted. A
// refused data file therefore never changes the report of an earlier run.
namespace velmor {

// Status codes of a data read (the fit driver returns them unchanged).
inline constexpr int kDataOk = 0;
inline constexpr int kDataFileMissing = 1;  // no usable data file of that name (see below)
inline constexpr int kDataError = 3;        // the file was found but is refused

// Texts of the data-file dialogs.
inline constexpr const char* kMsgFileDoesNotExist = "File does not exist: ";
inline constexpr const char* kMsgOpenAnother = "* * * OPEN ANOTHER DATA FILE * * *";
inline constexpr const char* kMsgRunAborted = "* * * ERROR: RUN ABORTED * * *";
inline constexpr const char* kMsgInputOpenError = "Data input file error at Line 380";
inline constexpr const char* kMsgOutputOpenError = "Data output file error at Line 395";
inline constexpr const char* kMsgRowLimit = "Data rows exceeded limit of ";
inline constexpr const char* kMsgColumns = "Data columns not equal to ";
inline constexpr const char* kMsgCurvePoints = "Single curve data must be > number of curves ";
inline constexpr const char* kMsgCurveLimit = "Exceeded curve number limit (10) ";
inline constexpr const char* kMsgIsFolder = "The data file name is a folder: ";
inline constexpr const char* kMsgReportIsData = "The report would overwrite the data file: ";
inline constexpr const char* kMsgUnreadable = "The data file cannot be read: ";
inline constexpr const char* kMsgNotText = "The data file is not a text file: ";
inline constexpr const char* kMsgUtf16 =
    "The data file is UTF-16 text; save it as UTF-8 or ASCII text: ";
inline constexpr const char* kMsgEmptyFile = "The data file is empty: ";
inline constexpr const char* kMsgHeaderOnly = "The data file has a header but no data rows: ";
inline constexpr const char* kMsgColumnsNotTable =
    "--columns chooses the columns of a table; the data file is in the program's own format "
    "(time, [So], product or substrate): ";
inline constexpr const char* kMsgControlCharacter =
    "The data file name holds a line break or another control character: ";
// "Data file line " <number> and one of the suffixes.
inline constexpr const char* kMsgLinePrefix = "Data file line ";
inline constexpr const char* kMsgBadRowSuffix = " does not begin with three numbers";
inline constexpr const char* kMsgLongRowSuffix = " is longer than ";  // + kRecordWidth
inline constexpr const char* kMsgLongRowUnit = " characters";
inline constexpr const char* kMsgSoNotPositiveSuffix = " has an [So] of zero or below";
inline constexpr const char* kMsgNegativeTimeSuffix = " has a negative time; the run goes on";

// Reads and checks the data file of a run.
//
// The name is resolved by resolve_input_name, the report name is report_name_for of it and is
// returned in `report_file_name` whenever the name was resolved (also on refusal). The file is
// read through the first free unit from kDriverInputUnit up, and closed again before return;
// any unit holding the data file or the report file is closed first.
//
// Returns kDataOk with `data` filled (X1, X2, Y of rows 1..nRows, Ycalc zero, the counts and
// curve grouping), or a status after the dialogs below; on refusal `data` is left untouched.
//   1: Warning "File does not exist: <name>", or a folder, or a data file that is its own
//      report file ("run.out"), each followed by Error "* * * OPEN ANOTHER DATA FILE * * *".
//   3: Warning "The data file is empty: <name>" (nothing but blanks), for rows outside 3..1000,
//      columns other than 3, a curve of 4 points or fewer,
//      more than 10 curves, a file that cannot be read (also a pipe or device) or is not
//      text, or a data line that
//      does not begin with three numbers (named by its line number); or Error "Data input file
//      error at Line 380"; each followed by Error "* * * ERROR: RUN ABORTED * * *".
// The column-count warnings of file_column_count go to `log`.
//
// A table file (is_table_file: ".csv", ".tsv", or a first line of column names) is read by
// read_data_table with `columns` (--columns; all empty: by the header's names) under the same
// limits and curve rules; its refusals are the table's own message (naming the line and
// column), the row-limit message, or "Data file line N has an [So] of zero or below" with N the
// file's line, each followed by Error "* * * ERROR: RUN ABORTED * * *"; a table with nothing but
// its header gets "The data file has a header but no data rows: <name>", an empty one the
// empty file's warning. `columns` given for a file in the program's own format is refused the
// same way ("--columns chooses the columns of a table; ..."), never silently ignored.
int read_progress_curve_data(const std::string& data_file_name, FitObserver& observer,
                             FileUnits& units, ProgressCurveData& data,
                             std::string& report_file_name, std::ostream& log = std::clog,
                             const DataColumns& columns = {});

// The checks of a data file's name and kind made before it is read, for readers that read it
// themselves: a control character in the name, a missing file (status 1), a folder (1), a pipe
// or device (3), a data file that is its own report (1), UTF-16 or binary content (3); each
// refusal shown as read_progress_curve_data shows it. kDataOk when the file may be read.
int check_data_file(const std::string& name, const std::string& report_file_name,
                    FitObserver& observer);

// Opens the run's pending report for the report file (its lock taken, the file not yet
// touched) and returns kDataOk. If the report file may not be replaced or another run holds
// it: Warning <why, naming the file>, Error "Data output file error at Line 395", Error
// "* * * ERROR: RUN ABORTED * * *", kDataError.
int open_pending_report(const std::string& report_file_name, FitObserver& observer,
                        PendingReport& report);

}  // namespace velmor
