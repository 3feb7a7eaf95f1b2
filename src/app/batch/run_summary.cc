// SPDX-License-Identifier: MIT

#include "app/batch/run_summary.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>

#include "engine/core/limits.h"
#include "engine/core/model_catalog.h"
#include "engine/driver/model_report.h"
#include "engine/driver/parameter_names.h"
#include "engine/optim/sqp_optimize.h"
#include "engine/stats/model_summary.h"
#include "util/atomic_file.h"
#include "util/fixed_string.h"
#include "util/utf8.h"

namespace velmor::app {
namespace {

// The parameter columns, each model's parameters under their own names.
constexpr ParameterKind kSummaryParameters[] = {ParameterKind::kKm, ParameterKind::kVm,
                                                ParameterKind::kBaseline, ParameterKind::kKp,
                                                ParameterKind::kKinact};

// The position of the parameter of that kind in the fit's model, -1 if it has none.
int parameter_index(const ModelFit& fit, ParameterKind kind) {
  for (int j = 0; j < fit.npar && j < model_parameter_count(fit.model); ++j) {
    if (parameter_kind(fit.model, j) == kind) return j;
  }
  return -1;
}

SummaryCell number(double value) {
  return std::isfinite(value) ? SummaryCell(value) : SummaryCell();
}

SummaryCell text(const std::string& value) {
  return SummaryCell(value);
}

// Builds one row, column by column; every row names the same columns in the same order.
class RowBuilder {
 public:
  void add(std::string name, SummaryCell cell) {
    names_.push_back(std::move(name));
    cells_.push_back(std::move(cell));
  }
  std::vector<std::string>& names() { return names_; }
  std::vector<SummaryCell>& cells() { return cells_; }

 private:
  std::vector<std::string> names_;
  std::vector<SummaryCell> cells_;
};

std::string model_warning(const ModelFit& fit) {
  std::vector<std::string> notes;
  if (fit.failed) notes.emplace_back("fit failed: sum of squares or parameters not finite");
  if (fit.info == kSqpIterationLimit) notes.emplace_back("calls to function exceeded (info 2)");
  if (fit.info == kSqpUphill) notes.emplace_back("uphill search direction executed (info 4)");
  if (fit.from_all_ones) {
    notes.emplace_back(
        "fitted again from all-ones estimates: more than two parameters poorly determined");
  }
  if (fit.moved_by_check) {
    notes.emplace_back("final check lowered the sum of squares from " +
                       summary_number(fit.chain_ssq) + " to " + summary_number(fit.checked_ssq));
  }
  bool unknown = false;
  for (int j = 0; j < fit.npar; ++j)
    unknown = unknown || (!fit.undetermined[j] && !std::isfinite(fit.se[j]));
  if (unknown) notes.emplace_back("standard errors unknown");
  for (int j = 0; j < fit.npar; ++j) {
    if (!fit.undetermined[j]) continue;
    const std::string name = parameter_name(fit.model, j);
    if (j == 0 && fit.limit == KineticLimit::kFirstOrder) {
      notes.emplace_back("Km not determined by these data (first-order): Vm/Km = " +
                         summary_number(fit.combination) + " +/- " +
                         summary_number(fit.combination_se));
    } else if (j == 0 && fit.limit == KineticLimit::kZeroOrder) {
      notes.emplace_back(
          "Km not determined by these data (zero-order): Vm = " + summary_number(fit.combination) +
          " +/- " + summary_number(fit.combination_se));
    } else {
      notes.emplace_back(name + " not determined by these data");
    }
  }
  for (int j = 0; j < fit.npar; ++j) {
    if (fit.on_bound[j] == 0) continue;
    notes.emplace_back(parameter_name(fit.model, j) + " on its " +
                       (fit.on_bound[j] < 0 ? "lower" : "upper") + " bound");
  }
  if (residuals_systematic(fit)) {
    notes.emplace_back(
        "residuals systematic: the model does not describe the data (runs test p = " +
        summary_number(fit.runs.p) + ")");
  }
  std::string joined;
  for (const std::string& note : notes) joined += (joined.empty() ? "" : "; ") + note;
  return joined;
}

// The run's message lines as one line, " | " between them, so that every row of the CSV file is
// one line of text.
std::string one_line(const std::string& lines) {
  std::string joined;
  std::size_t start = 0;
  while (start < lines.size()) {
    std::size_t end = lines.find('\n', start);
    if (end == std::string::npos) end = lines.size();
    if (end > start) joined += (joined.empty() ? "" : " | ") + lines.substr(start, end - start);
    start = end + 1;
  }
  return joined;
}

SummaryCell text_or_empty(const std::string& value) {
  return value.empty() ? SummaryCell() : text(value);
}

void add_file_cells(RowBuilder& row, const FileResult& file) {
  const DataDescription& d = file.record.description;
  row.add("file", text(file.data_file));
  row.add("group", text_or_empty(file.group));
  row.add("report", file.report_file.empty() ? SummaryCell() : text(file.report_file));
  row.add("file_status", SummaryCell(static_cast<long long>(file.status)));
  row.add("rows", file.rows > 0 ? SummaryCell(static_cast<long long>(file.rows)) : SummaryCell());
  row.add("curves",
          file.curves > 0 ? SummaryCell(static_cast<long long>(file.curves)) : SummaryCell());
  row.add("time_unit", text_or_empty(file.record.data.time_unit));
  row.add("conc_unit", text_or_empty(file.record.data.conc_unit));
  row.add("signal_per_conc", number(d.signal_per_conc));
  row.add("blank", text_or_empty(d.blank));
}

// The [So] of curve c of the data, NaN when there is no such curve.
double curve_so(const ProgressCurveData& data, int c) {
  if (c >= data.nCurves || c >= kMaxCurves) return std::nan("");
  int first = 0;
  for (int k = 0; k < c; ++k) first += data.curveCount[k];
  return first < data.nRows ? data.X2[first] : std::nan("");
}

// The model's cells; `fit` null for a file without fits. `ranked` is the model's ranking, null
// when it is not ranked.
void add_model_cells(RowBuilder& row, const FileResult& file, const ModelFit* fit,
                     const SummaryRow* ranked) {
  const auto maybe = [&](auto value) { return fit != nullptr ? value() : SummaryCell(); };
  row.add("model", maybe([&] { return SummaryCell(static_cast<long long>(fit->model)); }));
  row.add("model_name", maybe([&] { return text(std::string(util::trimmed(fit->name))); }));
  row.add("weighting", maybe([&] { return text(fit->weighting == 0 ? "none" : "robust"); }));
  row.add("fit_status",
          text(fit == nullptr ? "not fitted" : (fit->failed ? "failed" : "completed")));
  for (const ParameterKind kind : kSummaryParameters) {
    const int j = fit != nullptr ? parameter_index(*fit, kind) : -1;
    const bool has = j >= 0;
    const bool wald = has && !fit->undetermined[j];
    const bool profiled = has && fit->assessed;
    const std::string name = parameter_symbol(kind);
    row.add(name, has ? number(fit->p[j]) : SummaryCell());
    row.add(name + "_se", wald ? number(fit->se[j]) : SummaryCell());
    row.add(name + "_low95", wald ? number(fit->p[j] - fit->ci[j]) : SummaryCell());
    row.add(name + "_high95", wald ? number(fit->p[j] + fit->ci[j]) : SummaryCell());
    row.add(name + "_prof_low95", profiled ? number(fit->profile_low[j]) : SummaryCell());
    row.add(name + "_prof_high95", profiled ? number(fit->profile_high[j]) : SummaryCell());
  }
  const bool assessed = fit != nullptr && fit->assessed;
  row.add("Vm_over_Km", assessed ? number(fit->vm_over_km) : SummaryCell());
  row.add("Vm_over_Km_se", assessed ? number(fit->vm_over_km_se) : SummaryCell());
  row.add("ssq", maybe([&] { return number(fit->stage2_ssq); }));
  row.add("se_regression", maybe([&] { return number(fit->se_regression); }));
  row.add("runs_p", assessed ? number(fit->runs.p) : SummaryCell());
  row.add("aicc", maybe([&] { return number(fit->aicc); }));
  row.add("rank",
          ranked != nullptr ? SummaryCell(static_cast<long long>(ranked->rank)) : SummaryCell());
  row.add("akaike_weight", ranked != nullptr ? number(ranked->weight) : SummaryCell());
  row.add("ler", ranked != nullptr ? number(ranked->ler) : SummaryCell());
  for (int c = 0; c < kMaxCurves; ++c) {
    const bool has = fit != nullptr && c < file.curves;
    const std::string name = "range" + std::to_string(c + 1);
    row.add(name + "_from", has ? number(fit->breakpoints.range_from[c]) : SummaryCell());
    row.add(name + "_to", has ? number(fit->breakpoints.range_to[c]) : SummaryCell());
    row.add(name + "_S0", has ? number(curve_so(file.record.data, c)) : SummaryCell());
  }
  const std::string& data_warning = file.record.description.warning;
  row.add(
      "warning", fit == nullptr ? text_or_empty(data_warning) : [&] {
        const std::string notes = model_warning(*fit);
        return text(data_warning.empty() ? notes
                    : notes.empty()      ? data_warning
                                         : data_warning + "; " + notes);
      }());
  row.add("messages", text(one_line(file.messages)));
}

std::vector<SummaryCell> file_row(const FileResult& file, const ModelFit* fit,
                                  const SummaryRow* ranked, std::vector<std::string>* names) {
  RowBuilder row;
  add_file_cells(row, file);
  add_model_cells(row, file, fit, ranked);
  if (names != nullptr) *names = std::move(row.names());
  return std::move(row.cells());
}

// [SECTION] Text of the two formats

void append_csv_text(std::string& out, const std::string& value) {
  out += '"';
  for (const char c : value) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

// A JSON string; bytes that are not UTF-8 (a file name may hold any) become U+FFFD.
void append_json_text(std::string& out, const std::string& value) {
  out += '"';
  for (std::size_t pos = 0; pos < value.size();) {
    const std::size_t length = util::utf8_sequence_length(value, pos);
    if (length == 0) {
      out += "\\ufffd";
      ++pos;
      continue;
    }
    const char c = value[pos];
    if (length > 1) {
      out.append(value, pos, length);
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
      out += escaped;
    } else {
      out += c;
    }
    pos += length;
  }
  out += '"';
}

void append_cell(std::string& out, const SummaryCell& cell, bool json) {
  if (std::holds_alternative<std::monostate>(cell)) {
    if (json) out += "null";
  } else if (const double* d = std::get_if<double>(&cell)) {
    out += std::isfinite(*d) ? summary_number(*d) : (json ? "null" : "");
  } else if (const long long* i = std::get_if<long long>(&cell)) {
    out += std::to_string(*i);
  } else if (json) {
    append_json_text(out, std::get<std::string>(cell));
  } else {
    append_csv_text(out, std::get<std::string>(cell));
  }
}

bool ends_with_json(const std::string& path) {
  if (path.size() < 5) return false;
  std::string end = path.substr(path.size() - 5);
  std::transform(end.begin(), end.end(), end.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return end == ".json";
}

}  // namespace

std::string summary_number(double value) {
  char buffer[64];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return error == std::errc() ? std::string(buffer, end) : std::string();
}

SummaryTable summary_table(std::span<const FileResult> files) {
  SummaryTable table;
  file_row(FileResult{}, nullptr, nullptr, &table.columns);
  std::vector<const FileResult*> results;
  for (const FileResult& file : files) {
    if (file.groups.empty()) {
      results.push_back(&file);
    } else {
      for (const FileResult& group : file.groups) results.push_back(&group);
    }
  }
  for (const FileResult* result : results) {
    const FileResult& file = *result;
    const std::vector<ModelFit>& fits = file.record.fits;
    if (file.report_file.empty() || fits.empty()) {
      table.rows.push_back(file_row(file, nullptr, nullptr, nullptr));
      continue;
    }
    std::vector<FittedModel> compared;
    compared.reserve(fits.size());
    for (const ModelFit& fit : fits) compared.push_back(ranking_entry(fit));
    const std::vector<SummaryRow> ranking = rank_models(compared);
    for (const ModelFit& fit : fits) {
      const auto ranked = std::find_if(ranking.begin(), ranking.end(),
                                       [&](const SummaryRow& r) { return r.model == fit.model; });
      table.rows.push_back(
          file_row(file, &fit, ranked == ranking.end() ? nullptr : &*ranked, nullptr));
    }
  }
  return table;
}

std::string summary_csv(const SummaryTable& table) {
  std::string out;
  for (std::size_t c = 0; c < table.columns.size(); ++c) {
    if (c > 0) out += ',';
    append_csv_text(out, table.columns[c]);
  }
  out += "\r\n";
  for (const auto& row : table.rows) {
    for (std::size_t c = 0; c < row.size(); ++c) {
      if (c > 0) out += ',';
      append_cell(out, row[c], false);
    }
    out += "\r\n";
  }
  return out;
}

std::string summary_json(const SummaryTable& table) {
  std::string out = "[";
  for (std::size_t r = 0; r < table.rows.size(); ++r) {
    out += r == 0 ? "\n  {" : ",\n  {";
    for (std::size_t c = 0; c < table.columns.size(); ++c) {
      if (c > 0) out += ", ";
      append_json_text(out, table.columns[c]);
      out += ": ";
      append_cell(out, table.rows[r][c], true);
    }
    out += '}';
  }
  out += table.rows.empty() ? "]\n" : "\n]\n";
  return out;
}

bool write_summary(const std::string& path, std::span<const FileResult> files, std::string* error) {
  return write_table(path, summary_table(files), error);
}

bool write_table(const std::string& path, const SummaryTable& table, std::string* error) {
  return util::write_file_atomically(
      path, ends_with_json(path) ? summary_json(table) : summary_csv(table), error);
}

}  // namespace velmor::app
