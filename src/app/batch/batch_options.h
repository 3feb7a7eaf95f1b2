// SPDX-License-Identifier: MIT

#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "engine/core/import_options.h"
#include "engine/core/limits.h"
#include "engine/data/delimited_data.h"

namespace velmor::app {

// What the command line asks for. Without --batch the program opens its main window.
struct CommandLine {
  enum class Mode { kGui, kBatch, kHelp, kVersion };
  Mode mode = Mode::kGui;
  std::vector<std::string> inputs;  // data files and folders, in the order given
  // models[k - 1] = 1: fit model k; by default the Michaelis-Menten models 1..4.
  std::array<int, kModelCount> models{1, 1, 1, 1};
  bool robust = false;
  bool baseline_free = false;       // --baseline free: the baseline of models 2, 4 of any sign
  bool fast = false;                // --method fast: the fast method instead of the classic chain
  std::string plots_dir;            // empty: no pictures
  std::string plot_format = "png";  // "png", "svg" or "pdf"
  bool residuals_by_time = false;   // --residual-x time: residuals against time, not row number
  int jobs = 0;                     // files fitted at a time; 0: one per processor core
  std::string summary_file;         // empty: no summary; ".json" by extension, else CSV
  DataColumns columns{};            // --columns of table files; all empty: by header names
  // --layout, --signal-per-conc, --blank, --species, --substrate: how exports, long tables and
  // EnzymeML documents become the data of fits.
  ImportOptions import;
  std::string points_file;  // --points: one row per observation and model; empty: none
};

// The outcome of parsing: the command line, or the message of a usage error.
struct ParseResult {
  std::optional<CommandLine> command_line;
  std::string error;
};

ParseResult parse_command_line(const std::vector<std::string>& args);

// The usage text printed by --help and after a usage error.
std::string usage_text(const std::string& program_name);

// "velmor-tarn 3.5": the name and the version the build declares.
std::string version_text(const std::string& program_name);

// Exit status of a usage error.
inline constexpr int kExitUsage = 2;
// Exit status when the data suggest the other kind of model.
inline constexpr int kExitWrongModelType = 4;
// Exit status when a picture (--plots) or the summary (--summary) could not be written.
inline constexpr int kExitOutputNotWritten = 7;

// The most --jobs accepts.
inline constexpr int kMaxJobs = 256;

}  // namespace velmor::app
