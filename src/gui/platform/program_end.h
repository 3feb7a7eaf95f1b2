// SPDX-License-Identifier: MIT

#pragma once

#include <chrono>

// Ending the program by the close box of a window whose close ends it. The process does not
// end on the GUI thread in the middle of whatever the main routine is doing (a report half
// written would be lost): every window is hidden at once, and the main routine ends the process
// at its next toolkit call, after the program-end callback (setprogramendcallback) has closed
// its files. A main routine that makes no toolkit call within the grace time is not waited for.
namespace wintk::platform {

inline constexpr std::chrono::seconds kProgramEndGrace{10};

// Notes the thread that runs the main routine (run_application).
void set_main_routine_thread();

// GUI thread: hides every window, wakes every idle wait and starts the grace time. Once only.
void request_program_end();

// True once the program is being ended.
bool program_ending();

// On the main routine's thread while the program is being ended: runs the program-end
// callback and ends the process with status 0. Elsewhere, or otherwise, nothing.
void end_if_program_ending();

}  // namespace wintk::platform
