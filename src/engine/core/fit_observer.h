// SPDX-License-Identifier: MIT

#pragma once

#include <iostream>
#include <string_view>

#include "engine/core/global_types.h"
#include "engine/core/run_result.h"

namespace velmor {

// Message kinds (the window shows each as a message box of that kind).
inline constexpr int kInformation = 1;
inline constexpr int kWarning = 2;
inline constexpr int kError = 3;

// Where a run stands: a fit of `model` has just ended and the model is still being computed
// (its statistics, its report and its picture follow). `pass` is 1 for the fit from the
// model's starting estimates, 2 for the fit from all-ones estimates that follows a fit with too
// many poorly determined parameters.
struct FitProgress {
  ModelId model = 0;
  int pass = 1;
};

// The engine's only way to the user: the events of a fit, in the order they happen. The window
// shows them as message boxes, its title and plots; the batch mode writes to stderr and PNG
// files; tests record them. Every call is made on the thread that runs the fit, and each
// returns only when the host is done with it (a window's message box has been dismissed, its
// plot closed).
class FitObserver {
 public:
  virtual ~FitObserver() = default;

  // A message for the user: kind kInformation, kWarning or kError, anything else a plain
  // message. Lines of the text are separated by a carriage return and line feed.
  virtual void message(int kind, std::string_view text) = 0;

  // A fit pass of a model has ended; see FitProgress.
  virtual void progress(const FitProgress& progress) = 0;

  // A model of the run is fitted and reported: fitted.imdlno is the model, fitted.strmdl its
  // name, fitted.data the rows in the user's units with the fitted values (clamped to what can
  // be drawn), fitted.fitted_params its parameters unless the fit failed.
  virtual void model_fitted(const FittedData& fitted) = 0;

  // The console output of the data reader (its column-count warning), which a window does not
  // show: std::clog unless the host keeps it with the run's other messages.
  virtual std::ostream& console_log() { return std::clog; }
};

// The title of a message of the given kind: "Information", "Warning", "Error" or "Message".
std::string_view message_title(int kind);

}  // namespace velmor
