// SPDX-License-Identifier: MIT

#pragma once

#include <string>

// The progress line of a batch run on a terminal.
namespace velmor::app {

// "velmor-tarn: 12 of 96 files done, 1 failed, about 0:35 left": the time left is the elapsed
// time per file done (which reflects the files run at once) times the files still to do; none
// is guessed before the first file is done, nor once all are.
std::string progress_line(int done, int total, int failed, double elapsed_seconds);

// Seconds as "0:35", "12:05" or "1:02:03".
std::string clock_text(double seconds);

// What puts the line on a terminal: it goes back to the line's start and clears it first.
std::string progress_update(const std::string& line);
// Clears the progress line, so that other text can take its place.
inline constexpr const char* kProgressClear = "\r\x1b[K";

}  // namespace velmor::app
