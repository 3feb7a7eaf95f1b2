// SPDX-License-Identifier: MIT

#pragma once

// The windowed program: runs the toolkit's event loop on the calling (process main) thread and
// the shell's start-up and command loop on the main routine's thread; returns the exit status
// after Quit.
namespace velmor::app {

int run_gui(int& argc, char** argv);

}  // namespace velmor::app
