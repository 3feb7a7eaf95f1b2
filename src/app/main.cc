// velmor-tarn: the main window, or the batch mode with --batch.
#include <iostream>
#include <string>
#include <vector>

#include "app/batch_options.h"
#include "app/batch_run.h"
#ifdef VELMOR_WITH_GUI
#include "app/gui_main.h"
#endif

int main(int argc, char** argv) {
  using velmor::app::CommandLine;
  const std::string program = "velmor-tarn";
  const std::vector<std::string> args(argv + 1, argv + argc);
  const auto parsed = velmor::app::parse_command_line(args);
  if (!parsed.command_line) {
    std::cerr << program << ": " << parsed.error << "\n\n" << velmor::app::usage_text(program);
    return velmor::app::kExitUsage;
  }
  const CommandLine& cl = *parsed.command_line;
  switch (cl.mode) {
    case CommandLine::Mode::kHelp:
      std::cout << velmor::app::usage_text(program);
      return 0;
    case CommandLine::Mode::kBatch:
      return velmor::app::run_batch(cl, std::cout, std::cerr);
    case CommandLine::Mode::kGui:
#ifdef VELMOR_WITH_GUI
      return velmor::app::run_gui(argc, argv);
#else
      break;
#endif
  }
  std::cerr << program << ": this build has no main window; use --batch\n\n"
            << velmor::app::usage_text(program);
  return velmor::app::kExitUsage;
}
