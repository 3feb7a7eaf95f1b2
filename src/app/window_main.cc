// SPDX-License-Identifier: MIT
// velmor-tarn-gui: the window's program, which the command line velmor-tarn hands the process to
// for the window and for a batch run with --plots. It reads the same command line and does
// everything the command line does, with Qt loaded.
#include <chrono>
#include <iostream>
#include <memory>
#include <string>

#include "app/cli/program_main.h"
#include "app/gui_main.h"
#include "gui/pictures/offscreen_gui.h"
#include "gui/pictures/picture_files.h"
#include "plot/batch_pictures.h"
#include "util/stop_signals.h"

namespace {

using velmor::app::CommandLine;
using velmor::app::kProgramName;

// The batch mode with --plots DIR: the fit and residual pictures go into DIR as well. A stop
// signal ends the run in run_batch (BatchStop).
int run_batch_with_pictures(const CommandLine& cl) {
  namespace plot = velmor::plot;
  const velmor::app::BatchStop stop;
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
        [writer](const velmor::FittedData& fitted) { writer->fit(fitted); },
        [writer](const velmor::FittedData& fitted) { writer->residuals(fitted); },
        [writer] { return writer->failed(); }};
  };
  return velmor::app::run_batch_mode(cl, stop, pictures);
}

int run_window(int& argc, char** argv) {
  const std::string program = kProgramName;
  // A stop signal ends the window at once; a run's report lock and temporary files go with it,
  // and the earlier report stays whole.
  const velmor::util::StopSignals stop(
      program,
      [&program](int signal) {
        velmor::util::end_process(
            velmor::util::stop_status(signal),
            program + ": stopped by " + velmor::util::signal_name(signal) + "\n");
      },
      std::chrono::seconds(10));
  return velmor::app::run_gui(argc, argv);
}

int run_drawing(int& argc, char** argv, const CommandLine& cl) {
  if (cl.mode == CommandLine::Mode::kBatch) return run_batch_with_pictures(cl);
  return run_window(argc, argv);
}

}  // namespace

int main(int argc, char** argv) {
  return velmor::app::program_main(argc, argv, run_drawing);
}
