// SPDX-License-Identifier: MIT

#include "app/results_text.h"

#include <algorithm>
#include <filesystem>
#include <istream>
#include <sstream>

#include "gui/wintk.h"
#include "util/atomic_file.h"

namespace velmor::app {
namespace {

// The unit the shell keeps for its results file; the copy never borrows it.
constexpr int kResultsUnit = 100;

std::string_view without_trailing_blanks(std::string_view text) {
  const std::size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

}  // namespace

std::string report_text_for_box(std::istream& report) {
  std::string text;
  std::string line;
  bool first = true;
  while (std::getline(report, line)) {
    // A report written elsewhere may end its lines with CR+LF; the CR is not part of the line.
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (first) {
      first = false;
      continue;
    }
    const std::string_view shown =
        std::string_view(line).substr(0, std::min(line.size(), kTextBoxLineLength));
    text += without_trailing_blanks(shown);
    text += "\r\n";
  }
  return text;
}

namespace {

void show_text_box(int text_box) {
  wintk::enabletextbox(text_box, true);
  wintk::settextboxfocused(text_box);
  wintk::settextboxvisible(text_box, true);
}

// One insertion of all lines gives the same contents as one per line, in one request to the
// window instead of hundreds.
void insert_report(int text_box, std::istream& report) {
  const std::string text = report_text_for_box(report);
  if (!text.empty()) wintk::inserttextboxtext(text_box, text, false);
}

}  // namespace

bool write2textbox(int text_box, const std::string& file_name, FileUnits& units) {
  const int unit = nuunit(kResultsUnit, units);
  show_text_box(text_box);
  const std::string name(without_trailing_blanks(file_name));
  if (unit < 0 || !units.open(unit, name, FileMode::kRead)) {
    // Only a missing file is created (empty); nothing is written through a link or over a
    // file that exists but cannot be read.
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(name, error))) {
      util::write_file_atomically(name, "");
    }
    return false;
  }
  insert_report(text_box, *units.stream(unit));
  units.close(unit);
  return true;
}

void write_report_to_textbox(int text_box, const std::string& report_text) {
  show_text_box(text_box);
  std::istringstream report(report_text);
  insert_report(text_box, report);
}

bool writelines(const std::string& file_name, std::string_view text, std::string* error) {
  std::string record(without_trailing_blanks(text));
  record += '\n';
  return util::write_file_atomically(file_name, record, error);
}

void cleartext(int text_box) {
  wintk::settextboxcontents(text_box, "");
}

}  // namespace velmor::app
