// SPDX-License-Identifier: MIT

#include "engine/report/matrix_report.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/report/report_formats.h"
#include "engine/report/runtime_format.h"
#include "util/fortran_format.h"
#include "util/number_text.h"

namespace velmor {

namespace {

namespace rf = report_format;

constexpr int kCellLength = 25;

// One correlation as a table cell: sign column, then the truncated decimals of |r|. Only the
// first 12 characters are shown (A12).
std::string correlation_cell(double r) {
  std::string cell;
  if (r > 0.0) {
    cell = std::string(" ").append(util::real2strng(r, 6, kCellLength));
  } else if (r < 0.0) {
    cell = std::string("-").append(util::real2strng(r, 6, kCellLength));
  } else if (r == 0.0) {
    cell = " .........";
  } else {
    cell = " NaN";  // a non-number would have no digits to truncate
  }
  cell.resize(kCellLength, ' ');
  return cell;
}

}  // namespace

void matprnt(int p, const ParamMatrix& corr, std::ostream& out) {
  std::string dash_format = dash_line_format(78);
  if (p < 1) return;
  out << util::fortran_write(rf::kCorrelationTitle, {});
  out << util::fortran_write(dash_format, {});

  for (int c1 = 1; c1 <= p; c1 += 4) {  // 1-based column numbers, as printed
    const int c2 = std::min(c1 + 3, p);
    const int k = c2 - c1 + 1;
    dash_format = runtime_format(rf::kBlockDashLineTemplate, 14 * k + 22);
    const std::string header_format = runtime_format(rf::kCorrelationHeadingTemplate, k);
    const std::string row_format = runtime_format(rf::kCorrelationRowTemplate, k);

    std::vector<util::FortranValue> header;
    for (int c = c1; c <= c2; ++c) header.emplace_back(c);
    out << util::fortran_write(header_format, header);

    for (int i = 1; i <= p; ++i) {
      std::vector<util::FortranValue> row{i};
      for (int c = c1; c <= c2; ++c) {
        row.emplace_back(correlation_cell(corr[param_index(i - 1, c - 1)]));
      }
      out << util::fortran_write(row_format, row);
    }
    out << util::fortran_write(dash_format, {});
  }
}

void print_grad(int p, const ParamVector& x, const ParamVector& g, std::ostream& out) {
  const std::string dash_format = dash_line_format(79);
  const std::string header_format = runtime_format(rf::kGradientHeadingTemplate);
  const std::string row_format = runtime_format(rf::kGradientRowTemplate, 2);

  out << util::fortran_write(rf::kGradientTitle, {});
  out << util::fortran_write(dash_format, {});
  out << util::fortran_write(header_format, {});
  out << util::fortran_write(dash_format, {});

  for (int i = 1; i <= p; i += 2) {  // 1-based parameter numbers, as printed
    const int j = std::min(i + 1, p);
    std::vector<util::FortranValue> row{i, j};
    for (int k = i; k <= j; ++k) {
      row.emplace_back(x[k - 1]);
      row.emplace_back(g[k - 1]);
    }
    out << util::fortran_write(row_format, row);
  }
  out << util::fortran_write(dash_format, {});
}

}  // namespace velmor
