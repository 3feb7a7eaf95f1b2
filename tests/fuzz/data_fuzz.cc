// SPDX-License-Identifier: MIT
// libFuzzer target: the data reader, the product/substrate rule and a whole fit run on
// arbitrary files. Any crash, sanitizer report, leak or hang is a finding; so is a broken
// promise of the run: a status outside the documented ones, a refusal without its closing
// message, a complete run (also one whose every fit failed) without its whole report, or any
// file left beside the report.
//
// Input layout: the first byte chooses the model (1 + bits 0-1, plus 4 with bit 4: the
// mechanism models 5..8), robust weighting (bit 2), the data file's name (bit 3: "case.csv",
// read as a table; else "case.in", read as a table only when its first line is a header), a
// baseline free of sign (bit 5) and the reader (bits 6-7): 0 the program's own format and
// tables; 1 "case.txt" and 2 "case.json" through prepare_run (instrument exports, long tables,
// EnzymeML documents), fitted with model 1 + bits 0-1 and, with bit 3, a signal per
// concentration of 0.01; 3 the same with a layout beside the data, the input's part after its
// first line "~~~" ("case.layout.csv"). The rest is the data file. The reader sees every
// input; the fit runs only on data of at most kMaxFitRows rows, so that one input costs at
// most one model on a small data set.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <string_view>

#include "engine/core/fit_observer.h"
#include "engine/core/global_types.h"
#include "engine/data/model_type_check.h"
#include "engine/data/read_data.h"
#include "engine/data/run_data.h"
#include "engine/driver/fit_status.h"
#include "engine/driver/velmor.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;

constexpr int kMaxFitRows = 60;

// A broken promise: abort, which libFuzzer reports with the input that caused it.
void require(bool condition, const char* what) {
  if (condition) return;
  std::cerr << "data_fuzz: " << what << '\n';
  std::abort();
}

class QuietHost : public velmor::FitObserver {
 public:
  void message(int kind, std::string_view text) override {
    last_kind = kind;
    last_text = std::string(text);
    ++count;
  }
  void progress(const velmor::FitProgress&) override {}
  void model_fitted(const velmor::FittedData&) override {}

  int last_kind = 0;
  std::string last_text;
  int count = 0;
};

std::string last_line_of(const fs::path& path) {
  std::ifstream in(path);
  std::string line;
  std::string last;
  while (std::getline(in, line)) last = line;
  return last;
}

void check_refusal(const QuietHost& host) {
  require(host.count > 0, "refused without a message");
  require(host.last_kind == velmor::kError, "a refusal must end with an error message");
  require(host.last_text == velmor::kMsgRunAborted || host.last_text == velmor::kMsgOpenAnother,
          "a refusal must end with the run-aborted or open-another message");
}

// What prepare_run promises: a known status, a refusal ending as refusals do and without sets,
// else at least one set, each refused or within one fit's limits, with reports of their own
// beside the data file.
void check_prepared(const velmor::PreparedRun& run, const QuietHost& host, const fs::path& folder) {
  require(run.status == velmor::kDataOk || run.status == velmor::kDataFileMissing ||
              run.status == velmor::kDataError,
          "unknown status of prepare_run");
  if (run.status != velmor::kDataOk) {
    check_refusal(host);
    require(run.sets.empty(), "a refused file has sets");
    return;
  }
  require(!run.sets.empty(), "an accepted file without a set to fit");
  std::set<std::string> reports;
  for (const velmor::PreparedData& set : run.sets) {
    require(fs::path(set.report_name).parent_path() == folder,
            "a report outside the data's folder");
    require(set.report_name.ends_with(".out"), "a report not named .out");
    if (!set.refusal.empty()) continue;
    require(reports.insert(set.report_name).second, "two sets write one report");
    const velmor::ProgressCurveData& d = set.data;
    require(d.nRows >= velmor::kMinRows && d.nRows <= velmor::kMaxRows, "set rows out of range");
    require(d.nCurves >= 1 && d.nCurves <= velmor::kMaxCurves, "set curves out of range");
    int rows = 0;
    for (int c = 0; c < d.nCurves; ++c) {
      require(d.curveCount[c] >= velmor::kMinCurvePoints, "a set's curve is too short");
      rows += d.curveCount[c];
    }
    require(rows == d.nRows, "a set's curves do not add up to its rows");
    for (int i = 0; i < d.nRows; ++i) {
      require(d.X2[i] > 0.0 && std::isfinite(d.X2[i]), "a set's [So] is not positive");
      require(std::isfinite(d.X1[i]) && std::isfinite(d.Y[i]), "a set's row is not finite");
    }
  }
}

// The readers of exports, long tables and EnzymeML documents, and a fit of the first set.
void fuzz_import(const std::uint8_t* bytes, std::size_t size, const fs::path& folder) {
  const int reader = (bytes[0] >> 6) & 3;
  const std::string data_name = reader == 2 ? "case.json" : reader == 1 ? "case.txt" : "case.csv";
  std::string data(reinterpret_cast<const char*>(bytes + 1), size - 1);
  if (reader == 3) {
    const std::size_t mark = data.find("\n~~~\n");
    const std::string layout = mark == std::string::npos ? "well,S0\n" : data.substr(mark + 5);
    if (mark != std::string::npos) data.erase(mark + 1);
    std::ofstream(folder / "case.layout.csv", std::ios::binary | std::ios::trunc) << layout;
  }
  const fs::path data_file = folder / data_name;
  std::ofstream(data_file, std::ios::binary | std::ios::trunc) << data;

  velmor::RunRequest request;
  request.imdl.fill(0);
  request.imdl[bytes[0] & 3] = 1;
  request.nwt_global = (bytes[0] & 4) != 0 ? velmor::kRobustWeighting : velmor::kNoWeighting;
  request.import_options.signal_per_conc = (bytes[0] & 8) != 0 ? 0.01 : 0.0;
  velmor::RunResult result;
  velmor::FileUnits units;
  QuietHost host;
  std::ostringstream log;
  const velmor::PreparedRun run =
      velmor::prepare_run(data_file.string(), request.import_options, host, units, log);
  check_prepared(run, host, folder);
  for (const velmor::PreparedData& set : run.sets) {
    if (!set.refusal.empty() || set.data.nRows > kMaxFitRows) continue;
    QuietHost run_host;
    velmor::PendingReport report;
    const int status = velmor::velmor(request, result, run_host, set, report);
    require(velmor::report_complete(status) || status == velmor::kStatusDataError ||
                status == velmor::kStatusTooManyParameters,
            "unknown status of a set's run");
    if (velmor::report_complete(status)) {
      require(velmor::commit_report(report, run_host) == velmor::kStatusCompleted,
              "a complete set's report was not written");
      require(last_line_of(set.report_name).rfind(" SAVED TO: ", 0) == 0,
              "a complete set's report does not end with its SAVED TO line");
    } else {
      check_refusal(run_host);
    }
    break;
  }
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    require(name == data_name || name == "case.layout.csv" || name.ends_with(".out"),
            "a file other than the data, its layout and reports was left behind");
    fs::remove(entry.path(), ec);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The column count's console warning would drown the fuzzer's own output.
  std::clog.setstate(std::ios::badbit);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size < 1) return 0;
  static const velmor::testing::TempFolder folder;
  if (((bytes[0] >> 6) & 3) != 0) {
    fuzz_import(bytes, size, folder.path());
    return 0;
  }
  const velmor::ModelId model = 1 + (bytes[0] & 3) + ((bytes[0] & 16) != 0 ? 4 : 0);
  const bool robust = (bytes[0] & 4) != 0;
  const std::string data_name = (bytes[0] & 8) != 0 ? "case.csv" : "case.in";
  const fs::path data_file = folder.path() / data_name;
  const fs::path report_file = folder.path() / "case.out";
  {
    std::ofstream out(data_file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes + 1), static_cast<std::streamsize>(size - 1));
  }

  velmor::RunRequest request;
  request.baseline_free = (bytes[0] & 32) != 0;
  velmor::RunResult result;
  velmor::FileUnits units;
  QuietHost host;
  velmor::ProgressCurveData data;
  data.nRows = -7;  // a refusal must leave the data as they were
  std::string report_name;
  const int read_status =
      velmor::read_progress_curve_data(data_file.string(), host, units, data, report_name);
  require(read_status == velmor::kDataOk || read_status == velmor::kDataFileMissing ||
              read_status == velmor::kDataError,
          "unknown status of the data reader");
  require(units.connected_count() == 0, "the data reader left a unit open");
  require(report_name == report_file.string(), "wrong report name");
  if (read_status != velmor::kDataOk) {
    check_refusal(host);
    require(data.nRows == -7, "a refused file changed the data");
  } else {
    require(data.nRows >= 3 && data.nRows <= velmor::kMaxRows, "accepted row count out of range");
    require(data.nCurves >= 1 && data.nCurves <= velmor::kMaxCurves, "curve count out of range");
    for (int i = 0; i < data.nRows; ++i) require(data.X2[i] > 0.0, "accepted [So] <= 0");
  }

  QuietHost plausibility_host;
  velmor::model_type_plausible(data_file.string(), model, plausibility_host, units);
  require(units.connected_count() == 0, "the plausibility rule left a unit open");
  require(plausibility_host.count <= 1, "the plausibility rule shows one message at most");

  if (read_status == velmor::kDataOk && data.nRows <= kMaxFitRows) {
    request.imdl.fill(0);
    request.imdl[model - 1] = 1;
    request.nwt_global = robust ? velmor::kRobustWeighting : velmor::kNoWeighting;
    QuietHost run_host;
    const int status = velmor::velmor(request, result, run_host, data_file.string());
    require(velmor::report_complete(status) || status == velmor::kStatusDataError ||
                status == velmor::kStatusTooManyParameters || status == velmor::kStatusModelColumns,
            "unknown status of the run");
    if (velmor::report_complete(status)) {
      require(result.global_mdl_count == 1, "one model asked, another count fitted");
      require(last_line_of(report_file).rfind(" SAVED TO: ", 0) == 0,
              "a complete run's report does not end with its SAVED TO line");
    } else {
      check_refusal(run_host);
    }
    if (status == velmor::kStatusNoFiniteFit) {
      require(run_host.last_kind == velmor::kError, "every fit failed without an error message");
    }
  }
  const std::set<std::string> left = velmor::testing::file_names_in(folder.path());
  require(left == std::set<std::string>{data_name} ||
              left == (std::set<std::string>{data_name, "case.out"}),
          "a file other than the data file and its report was left behind");
  std::error_code ec;
  fs::remove(report_file, ec);
  fs::remove(data_file, ec);
  return 0;
}
