// velmor-tarn: the main window, or the batch mode with --batch.
#include <iostream>
#include <string>
#include <vector>

#include "app/batch_options.h"
#include "app/batch_run.h"
#ifdef VELMOR_WITH_GUI
#include "app/gui_main.h"
#endif
#ifdef VELMOR_WITH_PLOT_PICTURES
#include "plot/batch_pictures.h"
#endif

namespace {

// The batch mode; with --plots DIR the fit and residual pictures go into DIR as well.
int run_batch_mode(const velmor::app::CommandLine& cl) {
  if (cl.plots_dir.empty()) return velmor::app::run_batch(cl, std::cout, std::cerr);
#ifdef VELMOR_WITH_PLOT_PICTURES
  velmor::plot::BatchPictureWriter writer(cl.plots_dir, cl.data_file, std::cerr);
  if (!writer.prepare()) return velmor::plot::kExitPictureError;
  const velmor::app::BatchPictures pictures{
      [&](const velmor::RunState& state) { writer.fit(state); },
      [&](const velmor::RunState& state) { writer.residuals(state); }};
  const int status = velmor::app::run_batch(cl, std::cout, std::cerr, pictures);
  return status == 0 && writer.failed() ? velmor::plot::kExitPictureError : status;
#else
  std::cerr << "Error: this build cannot draw pictures; run without --plots\n";
  return velmor::app::kExitUsage;
#endif
}

}  // namespace

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
      return run_batch_mode(cl);
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
