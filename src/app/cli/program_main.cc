// SPDX-License-Identifier: MIT

#include "app/cli/program_main.h"

#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

namespace velmor::app {

int run_batch_mode(const CommandLine& command_line, const BatchStop& stop,
                   const PictureFactory& pictures) {
  // The progress line is for a person watching, not for a log file.
  const bool progress = ::isatty(STDERR_FILENO) == 1;
  return run_batch(command_line, std::cout, std::cerr, pictures, progress, &stop);
}

int program_main(int& argc, char** argv, const DrawingModes& drawing) {
  const std::string program = kProgramName;
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  const auto parsed = parse_command_line(args);
  if (!parsed.command_line) {
    std::cerr << program << ": " << parsed.error << "\n\n" << usage_text(program);
    return kExitUsage;
  }
  const CommandLine& cl = *parsed.command_line;
  switch (cl.mode) {
    case CommandLine::Mode::kHelp:
      std::cout << usage_text(program);
      return 0;
    case CommandLine::Mode::kVersion:
      std::cout << version_text(program);
      return 0;
    case CommandLine::Mode::kBatch:
      if (cl.plots_dir.empty()) {
        const BatchStop stop;
        return run_batch_mode(cl, stop);
      }
      break;
    case CommandLine::Mode::kGui:
      break;
  }
  return drawing(argc, argv, cl);
}

}  // namespace velmor::app
