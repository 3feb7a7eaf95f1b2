#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "engine/core/limits.h"

namespace velmor::app {

// What the command line asks for. Without --batch the program opens its main window.
struct CommandLine {
  enum class Mode { kGui, kBatch, kHelp };
  Mode mode = Mode::kGui;
  std::string data_file;
  std::array<int, kModelCount> models{1, 1, 1, 1};  // models[k - 1] = 1: fit model k
  bool robust = false;
  std::string plots_dir;  // empty: no pictures
};

// The outcome of parsing: the command line, or the message of a usage error.
struct ParseResult {
  std::optional<CommandLine> command_line;
  std::string error;
};

ParseResult parse_command_line(const std::vector<std::string>& args);

// The usage text printed by --help and after a usage error.
std::string usage_text(const std::string& program_name);

// Exit status of a usage error.
inline constexpr int kExitUsage = 2;
// Exit status when the data suggest the other kind of model.
inline constexpr int kExitWrongModelType = 4;

}  // namespace velmor::app
