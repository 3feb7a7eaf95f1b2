// SPDX-License-Identifier: MIT
#include "engine/report/data_report.h"

namespace velmor {
namespace {

constexpr std::size_t kIndent = 10;
constexpr std::size_t kWidth = 79;        // the report's separators are 79 characters wide
constexpr std::size_t kContinuation = 4;  // further indent of a wrapped line

// `text` after its label, wrapped at blanks.
void add_wrapped(std::vector<std::string>& lines, const std::string& label,
                 const std::string& text) {
  std::string line(kIndent, ' ');
  line += label;
  line += text;
  const std::string continuation(kIndent + kContinuation, ' ');
  while (line.size() > kWidth) {
    std::size_t cut = line.rfind(' ', kWidth);
    if (cut == std::string::npos || cut <= continuation.size()) cut = kWidth;
    lines.push_back(line.substr(0, cut));
    const std::size_t rest = line.find_first_not_of(' ', cut);
    if (rest == std::string::npos) {
      line.clear();
    } else {
      line.replace(0, rest, continuation);
    }
    if (line.size() <= continuation.size()) line.clear();
  }
  if (!line.empty()) lines.push_back(line);
}

}  // namespace

std::vector<std::string> data_description_lines(const DataDescription& description,
                                                const ProgressCurveData& data) {
  std::vector<std::string> lines;
  if (!description.group.empty()) add_wrapped(lines, "GROUP: ", description.group);
  if (!description.source.empty()) add_wrapped(lines, "DATA: ", description.source);
  if (!description.curve_ids.empty()) {
    std::string ids;
    for (std::size_t c = 0; c < description.curve_ids.size(); ++c) {
      ids += (c == 0 ? "" : " ") + std::to_string(c + 1) + "=" + description.curve_ids[c];
    }
    add_wrapped(lines, "CURVES: ", ids);
  }
  if (!data.time_unit.empty() || !data.conc_unit.empty()) {
    add_wrapped(lines, "UNITS: ",
                "TIME " + (data.time_unit.empty() ? std::string("NOT GIVEN") : data.time_unit) +
                    ", CONCENTRATION " +
                    (data.conc_unit.empty() ? std::string("NOT GIVEN") : data.conc_unit));
  }
  for (const std::string& note : description.notes) add_wrapped(lines, "", note);
  if (!description.warning.empty()) add_wrapped(lines, "WARNING: ", description.warning);
  return lines;
}

void write_data_description(std::ostream& out, const DataDescription& description,
                            const ProgressCurveData& data) {
  for (const std::string& line : data_description_lines(description, data)) out << line << '\n';
}

}  // namespace velmor
