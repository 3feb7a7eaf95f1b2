// SPDX-License-Identifier: MIT

#include "engine/report/runtime_format.h"

#include "engine/report/report_formats.h"
#include "util/fortran_format.h"

namespace velmor {

namespace {

// The formatter returns one record; its line end is dropped so the text can serve as a format.
std::string without_line_end(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

}  // namespace

std::string runtime_format(std::string_view format_template, int count) {
  return without_line_end(util::fortran_write(format_template, {count}));
}

std::string runtime_format(std::string_view format_template) {
  return without_line_end(util::fortran_write(format_template, {}));
}

std::string dash_line_format(int count) {
  return runtime_format(report_format::kDashLineTemplate, count);
}

}  // namespace velmor
