// SPDX-License-Identifier: MIT
#include "app/plate_setup_dialog.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "app/model_dialog.h"
#include "engine/data/import/plate_layout.h"
#include "engine/data/run_data.h"
#include "gui/wintk.h"
#include "util/number_text.h"

namespace velmor::app {
namespace {

constexpr int kWidth = 640;
constexpr int kRowStep = 48;
constexpr int kLabelLeft = 16;
constexpr int kBoxLeft = 16;
constexpr int kBoxHeight = 24;
constexpr int kButtonWidth = 100;
constexpr int kButtonHeight = 36;

constexpr const char* kLabels[] = {
    "Layout file (well, S0, role, group; empty: none):",
    "Signal per concentration unit of [So] (empty: observations as read):",
    "Blank: auto, none or a value (empty: auto when the layout names blanks):",
    "EnzymeML: observed species id (empty: the one with data):",
    "EnzymeML: substrate species id (empty: from the reactions):",
};
constexpr int kRows = 5;

std::string trimmed(std::string text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.erase(text.begin());
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
  return text;
}

std::string shown(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.10g", value);
  return text;
}

// What the buttons ask for; shared with their callbacks, which may outlive the dialog.
struct SetupRequests {
  std::atomic<bool> ok{false};
  std::atomic<bool> cancel{false};
};

}  // namespace

SetupFields setup_fields(const ImportOptions& options, const std::string& data_file) {
  SetupFields fields;
  fields.layout = layout_for(data_file, options);
  if (options.signal_per_conc != 0.0) fields.signal_per_conc = shown(options.signal_per_conc);
  switch (options.blank) {
    case BlankMode::kAuto:
      fields.blank = "auto";
      break;
    case BlankMode::kNone:
      fields.blank = "none";
      break;
    case BlankMode::kValue:
      fields.blank = shown(options.blank_value);
      break;
    case BlankMode::kDefault:
      break;
  }
  fields.species = options.species;
  fields.substrate = options.substrate;
  return fields;
}

std::string setup_options(const SetupFields& fields, ImportOptions& options) {
  ImportOptions taken;
  taken.layout_file = trimmed(fields.layout);
  std::error_code ec;
  if (!taken.layout_file.empty() && !std::filesystem::exists(taken.layout_file, ec)) {
    return kMsgLayoutMissing + taken.layout_file;
  }
  const std::string signal = trimmed(fields.signal_per_conc);
  if (!signal.empty() &&
      (!util::parse_finite_number(signal, taken.signal_per_conc) || !(taken.signal_per_conc > 0))) {
    return kMsgBadSignalPerConc + signal;
  }
  const std::string blank = trimmed(fields.blank);
  if (blank == "auto") {
    taken.blank = BlankMode::kAuto;
  } else if (blank == "none") {
    taken.blank = BlankMode::kNone;
  } else if (!blank.empty()) {
    if (!util::parse_finite_number(blank, taken.blank_value)) return kMsgBadBlank + blank;
    taken.blank = BlankMode::kValue;
  }
  taken.species = trimmed(fields.species);
  taken.substrate = trimmed(fields.substrate);
  options = taken;
  return "";
}

bool plate_setup(ShellState& shell, const std::string& data_file) {
  close_secondary_windows(shell.windows);
  wintk::enablewindow(shell.main_window, 0);
  const int height = kRowStep * (kRows + 1) + kButtonHeight;
  const int dialog =
      wintk::initwindow(kWidth, height, kSetupTitle, wintk::kDefaultPosition,
                        wintk::kDefaultPosition, false, false, shell.main_window, false);
  if (dialog < 0) {
    wintk::setcurrentwindow(shell.main_window);
    wintk::enablewindow(shell.main_window, 1);
    return false;
  }
  const auto requests = std::make_shared<SetupRequests>();
  // The close box is Cancel, in place before the dialog can be shown.
  wintk::setwindowsystemclosecallback([requests, dialog] {
    requests->cancel = true;
    wintk::signalidle(dialog);
    return 0;
  });
  wintk::setcolor(wintk::creatergb(0, 0, 0));
  wintk::setbkcolor(wintk::creatergb(242, 245, 250));
  wintk::clearviewport();
  wintk::settextstyle(7, 0, wintk::scaledpi(12));
  const SetupFields shown_fields = setup_fields(shell.import_options, data_file);
  const std::string* values[kRows] = {&shown_fields.layout, &shown_fields.signal_per_conc,
                                      &shown_fields.blank, &shown_fields.species,
                                      &shown_fields.substrate};
  for (int r = 0; r < kRows; ++r) {
    wintk::outtextxy(kLabelLeft, kRowStep * r + 6, kLabels[r]);
    const int box =
        wintk::createtextbox(kBoxLeft, kRowStep * r + 22, kWidth - 2 * kBoxLeft, kBoxHeight);
    wintk::settextboxcontents(box, *values[r]);
  }
  const int buttons_top = kRowStep * kRows + 12;
  wintk::createbutton(kWidth / 2 - kButtonWidth - 10, buttons_top, kButtonWidth, kButtonHeight,
                      "OK", [requests, dialog] {
                        requests->ok = true;
                        wintk::signalidle(dialog);
                      });
  wintk::createbutton(kWidth / 2 + 10, buttons_top, kButtonWidth, kButtonHeight, "Cancel",
                      [requests, dialog] {
                        requests->cancel = true;
                        wintk::signalidle(dialog);
                      });
  // Return is OK and Escape Cancel, as their buttons.
  wintk::setdefaultbutton(kSetupOkButton);
  wintk::setcancelbutton(kSetupCancelButton);
  wintk::showwindow(dialog);
  shell.setup_dialog_window = dialog;

  bool taken = false;
  for (;;) {
    wintk::waitidle(dialog, -1);
    if (requests->cancel || !wintk::isvalidwindow(dialog)) break;
    if (!requests->ok.exchange(false)) continue;
    const SetupFields fields{
        wintk::gettextboxcontents(kSetupLayoutBox), wintk::gettextboxcontents(kSetupSignalBox),
        wintk::gettextboxcontents(kSetupBlankBox), wintk::gettextboxcontents(kSetupSpeciesBox),
        wintk::gettextboxcontents(kSetupSubstrateBox)};
    const std::string problem = setup_options(fields, shell.import_options);
    if (problem.empty()) {
      taken = true;
      break;
    }
    wintk::dlgmessage(kWarning, problem);
    wintk::setcurrentwindow(dialog);
  }
  shell.setup_dialog_window = -1;
  wintk::setcurrentwindow(shell.main_window);
  wintk::closewindow(dialog);
  wintk::signalidle(shell.main_window);
  wintk::enablewindow(shell.main_window, 1);
  wintk::refreshall();
  return taken;
}

}  // namespace velmor::app
