// SPDX-License-Identifier: MIT

#pragma once

// The program's start, shared by its two executables: the command line `velmor-tarn`, which
// loads no Qt, and the window's program (window_program.h), which does. Both read the command
// line alike; --help, --version, usage errors and batch runs without --plots are handled here
// without Qt. What needs Qt (the window, and the pictures of --plots) goes to `drawing`: the
// window's program runs it, the command line hands the whole process over to the window's
// program.

#include <functional>

#include "app/batch/batch_options.h"
#include "app/batch/batch_run.h"

namespace velmor::app {

// Runs the window or a batch run with --plots for the parsed command line; returns the exit
// status. argc and argv are the process's own (Qt reads its options from them).
using DrawingModes = std::function<int(int& argc, char** argv, const CommandLine& command_line)>;

// The whole program: parses argv, prints help, version or the usage error, runs a batch without
// pictures, or calls `drawing`. Returns the exit status.
int program_main(int& argc, char** argv, const DrawingModes& drawing);

// A batch run with the progress line when stderr is a terminal; `stop` (made on the main thread
// before) ends it at a stop signal, and `pictures` makes each data file's picture writer when
// --plots asks for pictures.
int run_batch_mode(const CommandLine& command_line, const BatchStop& stop,
                   const PictureFactory& pictures = {});

}  // namespace velmor::app
