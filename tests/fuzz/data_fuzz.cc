// SPDX-License-Identifier: MIT
// libFuzzer target: the data reader, the product/substrate rule and a whole fit run on
// arbitrary files. Any crash, sanitizer report, leak or hang is a finding; so is a broken
// promise of the run: a status outside the documented ones, a refusal without its closing
// message, a complete run (also one whose every fit failed) without its whole report, or any
// file left beside the report.
//
// Input layout: the first byte chooses the model (1 + bits 0-1), robust weighting (bit 2) and
// the data file's name (bit 3: "case.csv", read as a table; else "case.in", read as a table
// only when its first line is a header); the rest is the data file. The reader sees every input; the fit runs only on files of at most
// kMaxFitRows rows, so that one input costs at most one model on a small data set.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <string>
#include <string_view>

#include "engine/core/global_types.h"
#include "engine/core/host.h"
#include "engine/data/model_type_check.h"
#include "engine/data/read_data.h"
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

class QuietHost : public velmor::Host {
 public:
  void dlgmessage(int kind, std::string_view text) override {
    last_kind = kind;
    last_text = std::string(text);
    ++count;
  }
  void setwindowtitle(std::string_view) override {}
  void show_fit(const velmor::RunState&) override {}
  void startidle(int) override {}

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

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The column count's console warning would drown the fuzzer's own output.
  std::clog.setstate(std::ios::badbit);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size < 1) return 0;
  static const velmor::testing::TempFolder folder;
  const velmor::ModelId model = 1 + (bytes[0] & 3);
  const bool robust = (bytes[0] & 4) != 0;
  const std::string data_name = (bytes[0] & 8) != 0 ? "case.csv" : "case.in";
  const fs::path data_file = folder.path() / data_name;
  const fs::path report_file = folder.path() / "case.out";
  {
    std::ofstream out(data_file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes + 1), static_cast<std::streamsize>(size - 1));
  }

  velmor::RunState state;
  QuietHost host;
  velmor::ProgressCurveData data;
  data.nRows = -7;  // a refusal must leave the data as they were
  std::string report_name;
  const int read_status =
      velmor::read_progress_curve_data(data_file.string(), host, state.units, data, report_name);
  require(read_status == velmor::kDataOk || read_status == velmor::kDataFileMissing ||
              read_status == velmor::kDataError,
          "unknown status of the data reader");
  require(state.units.connected_count() == 0, "the data reader left a unit open");
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
  velmor::model_type_plausible(data_file.string(), model, plausibility_host, state.units);
  require(state.units.connected_count() == 0, "the plausibility rule left a unit open");
  require(plausibility_host.count <= 1, "the plausibility rule shows one message at most");

  if (read_status == velmor::kDataOk && data.nRows <= kMaxFitRows) {
    state.imdl.fill(0);
    state.imdl[model - 1] = 1;
    state.nwt_global = robust ? velmor::kRobustWeighting : velmor::kNoWeighting;
    QuietHost run_host;
    const int status = velmor::velmor(state, run_host, data_file.string());
    require(velmor::report_complete(status) || status == velmor::kStatusDataError ||
                status == velmor::kStatusTooManyParameters || status == velmor::kStatusModelColumns,
            "unknown status of the run");
    if (velmor::report_complete(status)) {
      require(state.global_mdl_count == 1, "one model asked, another count fitted");
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
