// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// How a run turns an instrument export, a long table or an EnzymeML document into progress
// curves: the plate layout, the conversion of the signal to concentrations and the choice of
// species. Set by the batch mode's options and the window's Plate Set-up; the defaults leave
// every data file read as it is.
namespace velmor {

enum class BlankMode {
  kDefault,  // kAuto when the layout names blank wells, else kNone
  kNone,     // nothing subtracted
  kAuto,     // read by read, the mean of the group's blank wells (the plate's when it has none)
  kValue,    // blank_value subtracted from every observation
};

struct ImportOptions {
  // The layout file (--layout). Empty: the layout beside the data file, "<stem>.layout.csv",
  // when there is one.
  std::string layout_file;
  // Signal units per concentration unit of [So] (--signal-per-conc); 0: the observations are
  // taken as they are.
  double signal_per_conc = 0.0;
  BlankMode blank = BlankMode::kDefault;
  double blank_value = 0.0;  // kValue only
  std::string species;       // EnzymeML: the observed species; empty: the one with data
  std::string substrate;     // EnzymeML: the species whose initial amount is [So]

  // True when any option asks for more than reading the file as it is.
  bool any() const {
    return !layout_file.empty() || signal_per_conc != 0.0 || blank != BlankMode::kDefault ||
           !species.empty() || !substrate.empty();
  }
};

}  // namespace velmor
