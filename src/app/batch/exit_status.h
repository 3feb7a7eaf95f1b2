// SPDX-License-Identifier: MIT

#pragma once

#include <map>
#include <string>

// The exit status of a batch run over many files, and the closing line that explains it.
namespace velmor::app {

// The statuses a data file's run can end with, most serious first: the earlier a run stops,
// the less it has produced. 1 data file missing, 3 data error or report not written, 4 the
// other kind of model suggested, 6 model incompatible with the columns, 5 too many parameters
// or too few points, 9 every fit failed (the report is written), 7 a picture or the summary
// could not be written. 0 (completed) is the least serious; a status outside the list ranks
// before all of them.
int status_severity(int status);

// The more serious of two statuses.
int more_serious_status(int a, int b);

// What a status means, for the closing line: "data error or report not written".
std::string status_meaning(int status);

// The closing line of a run over `files` files, given the count of files by status:
// "all 96 files completed", or "2 of 96 files failed: 1 data error or report not written
// (status 3), 1 every fit failed (status 9)" with the statuses in order of seriousness.
std::string closing_line(int files, const std::map<int, int>& files_by_status);

// The closing line of a run a signal stopped after `done` of `files` files, given the count of
// the files done by status: "stopped by SIGTERM after 2 of 5 files: all 2 files completed".
std::string stopped_line(const std::string& signal_name, int done, int files,
                         const std::map<int, int>& files_by_status);

}  // namespace velmor::app
