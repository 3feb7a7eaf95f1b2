// SPDX-License-Identifier: MIT

#include "app/batch/batch_progress.h"

#include <cmath>
#include <cstdio>

#include "app/batch/batch_run.h"

namespace velmor::app {

std::string clock_text(double seconds) {
  const long total = std::lround(std::max(seconds, 0.0));
  const long hours = total / 3600;
  const long minutes = total / 60 % 60;
  const long secs = total % 60;
  char text[32];
  if (hours > 0) {
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", hours, minutes, secs);
  } else {
    std::snprintf(text, sizeof text, "%ld:%02ld", minutes, secs);
  }
  return text;
}

std::string progress_line(int done, int total, int failed, double elapsed_seconds) {
  std::string line = std::string(kProgramName) + ": " + std::to_string(done) + " of " +
                     std::to_string(total) + " files done, " + std::to_string(failed) + " failed";
  if (done > 0 && done < total) {
    line += ", about " + clock_text(elapsed_seconds / done * (total - done)) + " left";
  }
  return line;
}

std::string progress_update(const std::string& line) {
  return kProgressClear + line;
}

}  // namespace velmor::app
