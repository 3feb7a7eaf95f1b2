// SPDX-License-Identifier: MIT

#pragma once

namespace velmor {

// Status of a fit run, returned by velmor() to the shell.
inline constexpr int kStatusCompleted = 0;          // run completed, report written
inline constexpr int kStatusFileMissing = 1;        // the data file does not exist
inline constexpr int kStatusDataError = 3;          // rows, columns, curves, open or write failures
inline constexpr int kStatusTooManyParameters = 5;  // over the parameter limit, or too few points
inline constexpr int kStatusModelColumns = 6;       // model incompatible with the number of columns
inline constexpr int kStatusRecomputing = 8;        // transient: a model is being fitted again
inline constexpr int kStatusNoFiniteFit = 9;        // report written, but every fit failed (its sum
                                                    // of squares or parameters are not finite)

// True for the statuses of a run that wrote its whole report: completed, or every fit failed.
inline constexpr bool report_complete(int status) {
  return status == kStatusCompleted || status == kStatusNoFiniteFit;
}

}  // namespace velmor
