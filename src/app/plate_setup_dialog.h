// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "app/shell_state.h"
#include "engine/core/global_types.h"
#include "engine/core/import_options.h"

// The "Plate Set-up" window: how the run reads an instrument export, a long table or an
// EnzymeML document (the layout file, the signal per concentration, the blank, the species),
// the window's counterpart of the batch mode's --layout, --signal-per-conc, --blank, --species
// and --substrate.
namespace velmor::app {

// Control ids of the dialog, in creation order (ids count from 0 in a new window).
inline constexpr int kSetupLayoutBox = 0;
inline constexpr int kSetupSignalBox = 1;
inline constexpr int kSetupBlankBox = 2;
inline constexpr int kSetupSpeciesBox = 3;
inline constexpr int kSetupSubstrateBox = 4;
inline constexpr int kSetupOkButton = 5;
inline constexpr int kSetupCancelButton = 6;

inline constexpr const char* kSetupTitle = "Plate Set-up";
// Followed by the text the user wrote.
inline constexpr const char* kMsgBadSignalPerConc =
    "The signal per concentration must be a number above 0 (or empty): ";
inline constexpr const char* kMsgBadBlank = "The blank must be auto, none or a number (or empty): ";

// The dialog's fields as text.
struct SetupFields {
  std::string layout;
  std::string signal_per_conc;
  std::string blank;
  std::string species;
  std::string substrate;
};

// The fields showing `options` for the data file: the layout given, else the one found beside
// the data; empty fields for what is left at its default.
SetupFields setup_fields(const ImportOptions& options, const std::string& data_file);

// The options the fields ask for, or why they cannot be taken (the message for the user): a
// signal per concentration that is not a number above 0, a blank that is not auto, none or a
// number, a layout file that does not exist. Empty fields leave the defaults.
std::string setup_options(const SetupFields& fields, ImportOptions& options);

// Runs the dialog on the main routine's thread for `data_file`, with shell.import_options
// shown. OK takes the fields into shell.import_options (a field that cannot be taken is
// explained in a Warning box and the dialog stays open); Cancel and the close box leave them as
// they were. Returns whether OK took them. The main window is current and enabled again on
// return.
bool plate_setup(ShellState& shell, const std::string& data_file);

}  // namespace velmor::app
