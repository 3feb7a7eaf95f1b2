// SPDX-License-Identifier: MIT
// velmor-tarn: the command line. It loads no Qt: --help, --version and batch runs without
// pictures run here and start in a few milliseconds; the window and the pictures of --plots are
// the window's program's (velmor-tarn-gui), which takes over this process.
#include <iostream>
#include <string>

#include "app/cli/program_main.h"
#include "app/cli/window_program.h"

namespace {

using velmor::app::CommandLine;
using velmor::app::kProgramName;

#ifdef VELMOR_WINDOW_PROGRAM_DIR
// Hands the process to the window's program. When that cannot be started the window gives a
// message; a batch run with --plots still fits its files and writes its reports, without the
// pictures.
int hand_over(int& /*argc*/, char** argv, const CommandLine& cl) {
  std::string error;
  velmor::app::exec_window_program(argv, VELMOR_WINDOW_PROGRAM_DIR, error);
  if (cl.mode != CommandLine::Mode::kBatch) {
    std::cerr << kProgramName << ": the window cannot be opened: " << error << '\n';
    return velmor::app::kExitUsage;
  }
  std::cerr << kProgramName << ": the pictures cannot be drawn: " << error << '\n';
  CommandLine without_pictures = cl;
  without_pictures.plots_dir.clear();
  const velmor::app::BatchStop stop;
  const int status = velmor::app::run_batch_mode(without_pictures, stop);
  return status == 0 ? velmor::app::kExitOutputNotWritten : status;
}
#else
// A build without Qt has neither the window nor the pictures.
int hand_over(int& /*argc*/, char** /*argv*/, const CommandLine& cl) {
  const std::string program = kProgramName;
  if (cl.mode == CommandLine::Mode::kBatch) {
    std::cerr << program << ": this build cannot draw pictures; run without --plots\n";
  } else {
    std::cerr << program << ": this build has no main window; use --batch\n\n"
              << velmor::app::usage_text(program);
  }
  return velmor::app::kExitUsage;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  return velmor::app::program_main(argc, argv, hand_over);
}
