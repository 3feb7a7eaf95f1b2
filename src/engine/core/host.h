// SPDX-License-Identifier: MIT

#pragma once

#include <iostream>
#include <string_view>

namespace velmor {

struct RunState;

// Message box kinds of dlgmessage.
inline constexpr int kInformation = 1;
inline constexpr int kWarning = 2;
inline constexpr int kError = 3;

// The engine's only way to the user. The GUI shows boxes and plots, the batch mode writes to
// stderr and PNG files, tests record the calls. Every call is made on the thread that runs
// the fit.
class Host {
 public:
  virtual ~Host() = default;

  // A modal message: kind 1 Information, 2 Warning, 3 Error, anything else a plain message.
  // Lines of the text are separated by a carriage return and line feed. Returns when the user
  // has dismissed it.
  virtual void dlgmessage(int kind, std::string_view text) = 0;

  // Replaces the main window's title (progress of a run).
  virtual void setwindowtitle(std::string_view title) = 0;

  // Shows the data and the fitted curves of the current model; returns when the user has
  // closed the picture.
  virtual void show_fit(const RunState& state) = 0;

  // Lets the user interface process events for up to the given time.
  virtual void startidle(int milliseconds) = 0;

  // The console output of the data reader (its column-count warning), which a window does not
  // show: std::clog unless the host keeps it with the run's other messages.
  virtual std::ostream& console_log() { return std::clog; }
};

// The title of a message box of the given kind.
std::string_view message_title(int kind);

}  // namespace velmor
