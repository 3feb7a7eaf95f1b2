// SPDX-License-Identifier: MIT
// velmor-tarn: the main window, or the batch mode with --batch.
#include <unistd.h>

#include <chrono>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/batch/batch_options.h"
#include "app/batch/batch_run.h"
#include "util/stop_signals.h"
#ifdef VELMOR_WITH_GUI
#include "app/gui_main.h"
#endif
#ifdef VELMOR_WITH_PLOT_PICTURES
#include "gui/pictures/offscreen_gui.h"
#include "gui/pictures/picture_files.h"
#include "plot/batch_pictures.h"
#endif

namespace {

using velmor::app::kProgramName;

// The batch mode; with --plots DIR the fit and residual pictures go into DIR as well. A stop
// signal ends the run in run_batch (BatchStop).
int run_batch_mode(const velmor::app::CommandLine& cl) {
  const velmor::app::BatchStop stop;
  // The progress line is for a person watching, not for a log file.
  const bool progress = ::isatty(STDERR_FILENO) == 1;
  if (cl.plots_dir.empty()) {
    return velmor::app::run_batch(cl, std::cout, std::cerr, {}, progress, &stop);
  }
#ifdef VELMOR_WITH_PLOT_PICTURES
  namespace plot = velmor::plot;
  // One application for every picture of the run, made here on the main thread.
  const plot::OffscreenGuiScope gui;
  if (!gui.ok()) {
    std::cerr << kProgramName << ": pictures cannot be drawn in this process\n";
    return velmor::app::kExitOutputNotWritten;
  }
  const plot::PictureFormat format =
      plot::picture_format_named(cl.plot_format).value_or(plot::PictureFormat::kPng);
  const velmor::app::PictureFactory pictures = [&](const std::string& stem, std::ostream& err) {
    const plot::ResidualX residual_x =
        cl.residuals_by_time ? plot::ResidualX::kTime : plot::ResidualX::kRowNumber;
    const auto writer = std::make_shared<plot::BatchPictureWriter>(
        cl.plots_dir, stem, format, plot::save_chart_picture, err, residual_x);
    return velmor::app::BatchPictures{
        [writer](const velmor::RunState& state) { writer->fit(state); },
        [writer](const velmor::RunState& state) { writer->residuals(state); },
        [writer] { return writer->failed(); }};
  };
  return velmor::app::run_batch(cl, std::cout, std::cerr, pictures, progress, &stop);
#else
  std::cerr << kProgramName << ": this build cannot draw pictures; run without --plots\n";
  return velmor::app::kExitUsage;
#endif
}

}  // namespace

int main(int argc, char** argv) {
  using velmor::app::CommandLine;
  const std::string program = kProgramName;
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
    case CommandLine::Mode::kVersion:
      std::cout << velmor::app::version_text(program);
      return 0;
    case CommandLine::Mode::kBatch:
      return run_batch_mode(cl);
    case CommandLine::Mode::kGui: {
#ifdef VELMOR_WITH_GUI
      // A stop signal ends the window at once; a run's report lock and temporary files go with
      // it, and the earlier report stays whole.
      const velmor::util::StopSignals stop(
          program,
          [&program](int signal) {
            velmor::util::end_process(
                velmor::util::stop_status(signal),
                program + ": stopped by " + velmor::util::signal_name(signal) + "\n");
          },
          std::chrono::seconds(10));
      return velmor::app::run_gui(argc, argv);
#else
      break;
#endif
    }
  }
  std::cerr << program << ": this build has no main window; use --batch\n\n"
            << velmor::app::usage_text(program);
  return velmor::app::kExitUsage;
}
