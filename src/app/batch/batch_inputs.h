// SPDX-License-Identifier: MIT

#pragma once

#include <string>
#include <vector>

#include "app/batch/batch_options.h"

// The data files of a batch run, from the files and folders named on the command line, and the
// names of every file the run writes.
namespace velmor::app {

struct BatchFile {
  std::string data_file;     // as named, or the folder's name joined with the file's
  std::string picture_stem;  // the pictures' name: the data file's, made unique in the run
  // Why the file is not fitted (a folder without data files, a report another file of the run
  // writes), with the status it counts as; empty when it is fitted.
  std::string refusal;
  int refusal_status = 0;
};

// Followed by the folder's name.
inline constexpr const char* kMsgNoDataFiles =
    "No data files (*.in, *.csv, *.tsv, *.txt, *.json) in the folder: ";
// Followed by the file's name and why it was left out of its folder's files.
inline constexpr const char* kMsgSkipped = "skipped ";
inline constexpr const char* kMsgSkippedText =
    ": not a table of progress curves (no header naming a time column beside wells, curve ids "
    "or [So])";
inline constexpr const char* kMsgSkippedJson = ": not an EnzymeML document (no measurements)";
inline constexpr const char* kMsgFolderUnreadable = "The folder cannot be read: ";
// Followed by the report's name, " (", the other data file and ")".
inline constexpr const char* kMsgSameReport =
    "Another data file of this run writes the same report: ";

// The run's files in the order named (command_line.inputs); a folder gives its *.in, *.csv and
// *.tsv files, its *.txt files that hold a table of progress curves and its *.json files that
// are EnzymeML documents (any case of the extension, not its hidden files nor its subfolders)
// sorted by name, leaving out command_line.summary_file and points_file (tables written there
// by an earlier run) and layout files (*.layout.csv); the .txt and .json files left out are
// named in `skipped` (when given), each with why ("plate/notes.txt: not a table ..."). A
// file named twice (also through its folder, or by another spelling of its path) is fitted once.
// Names that exist as nothing are kept: the run then says the file does not exist. A file whose
// report another file of the run writes (DATA.in and ./DATA.csv) is refused with status 3; a
// folder without data files counts as a missing file (status 1). Files are told apart by
// util::file_identity, so the same file under two spellings, existing or not yet, is one file.
//
// Pictures are named after the data file ("DATA"); a stem an earlier file of the run has taken,
// or whose pictures in command_line.plots_dir would be a data file or report of the run, becomes
// "DATA-2", "DATA-3", ... (the first of these that is free), so no two pictures of a run share
// a name, whatever the data files are called.
std::vector<BatchFile> plan_batch(const CommandLine& command_line,
                                  std::vector<std::string>* skipped = nullptr);

// What one file of the run writes: its report and (with --plots) its pictures, and which of
// them it is.
struct RunOutput {
  std::string name;
  const char* what;  // "report" or "picture"
};

// Every file the run of `files` may write (the reports, and the pictures of the chosen models
// and the residuals), in the order of the files; refused files write none.
std::vector<RunOutput> run_outputs(const std::vector<BatchFile>& files,
                                   const CommandLine& command_line);

}  // namespace velmor::app
