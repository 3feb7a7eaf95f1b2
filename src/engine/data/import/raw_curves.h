// SPDX-License-Identifier: MIT
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "engine/data/import/time_text.h"

// The time courses an instrument export, a long table or an EnzymeML document holds, before a
// layout gives them their [So] and role and the signal is made a concentration.
namespace velmor {

// Fixed bounds of what one data file may hold for these readers, so that no file can make a
// reader take more memory than about 20 MB: a plate of 1536 wells read 130 times fits.
inline constexpr int kMaxImportObservations = 200000;
inline constexpr int kMaxImportCurves = 4096;

struct RawCurve {
  std::string id;            // the well ("A1") or the curve id as written
  int line = 0;              // the data file's line that names it
  double so = std::nan("");  // [So] the data file gives; NaN: none (a layout's)
  std::string group;         // the group the data file gives (EnzymeML group_id)
  std::vector<double> t;     // times, in RawCurves::time_unit
  std::vector<double> y;     // observations, as read
};

// A message of the reading for the user: kind as FitObserver::message takes it.
struct ReadMessage {
  int kind = 0;
  std::string text;
};

struct RawCurves {
  std::vector<RawCurve> curves;  // in the order the file holds them
  bool wells = false;            // the ids are well names
  std::string source;            // the kind of file, for the report ("long table", ...)
  TimeUnit time_unit = TimeUnit::kNone;
  std::string so_unit;             // the unit the file names for [So], empty if none
  std::string y_unit;              // ... and for the observations
  std::vector<std::string> notes;  // lines for the report's header
  std::vector<ReadMessage> messages;
  std::string error;  // why the file is refused, naming its line; empty if not

  int observations() const {
    int n = 0;
    for (const RawCurve& c : curves) n += static_cast<int>(c.t.size());
    return n;
  }
};

// Followed by kMaxImportObservations.
inline constexpr const char* kMsgTooManyObservations =
    "The data file holds more observations than the program reads from one file: ";

}  // namespace velmor
