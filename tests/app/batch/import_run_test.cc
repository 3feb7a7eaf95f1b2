// SPDX-License-Identifier: MIT
// Plate exports in every instrument's layout run through the batch mode with only a layout and
// the signal per concentration: Km and Vm against the truth they were generated from and
// against the independent reference fit of the data as converted; the summary and the points
// table read back; the warning for absorbance; a plate too large for one fit.
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <sstream>

#include "app/batch/batch_inputs.h"
#include "app/batch/batch_run.h"
#include "csv_records.h"
#include "plate_exports.h"
#include "reference_fit.h"
#include "temp_folder.h"

namespace velmor::app {
namespace {

using testing::ExportLayout;
using testing::TempFolder;

using testing::csv_rows;

class ImportRun : public ::testing::Test {
 protected:
  ImportRun() : plate_(testing::simulate_plate({})) {}

  std::string write(ExportLayout layout) {
    const std::string name = testing::export_file_name(layout);
    folder_.write(name.substr(0, name.find('.')) + ".layout.csv",
                  testing::layout_csv(plate_, layout == ExportLayout::kMars));
    return folder_.write(name, testing::export_text(plate_, layout));
  }

  CommandLine command_line(std::vector<std::string> files, bool convert = true) {
    CommandLine cl;
    cl.mode = CommandLine::Mode::kBatch;
    cl.inputs = std::move(files);
    cl.models = {1, 0, 0, 0};
    if (convert) cl.import.signal_per_conc = plate_.design.signal_per_conc;
    return cl;
  }

  TempFolder folder_;
  testing::PlateRun plate_;
};

// The closing note's table: per layout and group, Km and Vm (per minute) against the truth.
TEST_F(ImportRun, EveryLayoutFitsKmAndVmOfTheTruth) {
  std::printf("%-28s %-5s %10s %8s %10s %8s\n", "layout", "group", "Km", "Km_se", "Vm/min",
              "Vm_se");
  for (const ExportLayout layout : testing::kExportLayouts) {
    SCOPED_TRACE(testing::export_layout_name(layout));
    const FileResult result = run_data_file({write(layout), "plate", {}, 0}, command_line({}));
    ASSERT_EQ(result.status, 0) << result.messages;
    ASSERT_EQ(result.groups.size(), 3u);
    for (const FileResult& group : result.groups) {
      ASSERT_EQ(group.status, 0) << group.messages;
      ASSERT_EQ(group.record.fits.size(), 1u);
      const ModelFit& fit = group.record.fits[0];
      const ProgressCurveData& data = group.record.data;
      const double per_minute = data.time_unit == "s" ? 60.0 : 1.0;
      std::printf("%-28s %-5s %10.4f %8.4f %10.5f %8.5f\n",
                  testing::export_layout_name(layout).c_str(), group.group.c_str(), fit.p[0],
                  fit.se[0], fit.p[1] * per_minute, fit.se[1] * per_minute);
      // The truth, within four standard errors.
      EXPECT_NEAR(fit.p[0], plate_.design.km, 4.0 * fit.se[0]);
      EXPECT_NEAR(fit.p[1] * per_minute, plate_.design.vm, 4.0 * fit.se[1] * per_minute);
      // The optimum of these data, found independently.
      const testing::ReferenceFit reference = testing::reference_fit(data, 1);
      const testing::FitComparison c = testing::compare_with_reference(
          reference, fit.stage2_ssq, {fit.p[0], fit.p[1], 0.0}, {fit.se[0], fit.se[1], 0.0});
      EXPECT_TRUE(c.reaches_ssq && c.params_match && c.se_match)
          << c.ssq_excess << " " << c.rel_error[0] << " " << c.rel_error[1];
    }
  }
}

// The summary's new columns and the points table, read back; tables of the run are refused as
// names of its reports.
TEST_F(ImportRun, SummaryAndPointsReadBack) {
  CommandLine cl = command_line({write(ExportLayout::kTidyLong)});
  cl.models = {1, 1, 0, 0};
  cl.summary_file = folder_.file("fits.csv");
  cl.points_file = folder_.file("points.csv");
  std::ostringstream out, err;
  ASSERT_EQ(run_batch(cl, out, err), 0) << err.str();
  EXPECT_EQ(out.str(), folder_.file("tidy.rep1.out\n") + folder_.file("tidy.rep2.out\n") +
                           folder_.file("tidy.rep3.out\n") + cl.summary_file + "\n" +
                           cl.points_file + "\n");

  const auto summary = csv_rows(testing::read_file(cl.summary_file));
  ASSERT_EQ(summary.size(), 6u);  // three groups, two models
  for (std::size_t r = 0; r < summary.size(); ++r) {
    const auto& row = summary[r];
    EXPECT_EQ(row.at("group"), "rep" + std::to_string(r / 2 + 1));
    EXPECT_EQ(row.at("report"), folder_.file("tidy.rep" + std::to_string(r / 2 + 1) + ".out"));
    EXPECT_EQ(row.at("time_unit") + "|" + row.at("conc_unit") + "|" + row.at("signal_per_conc") +
                  "|" + row.at("blank") + "|" + row.at("curves") + "|" + row.at("rows"),
              "min|uM|0.01008|auto|7|427");
    for (int c = 0; c < 7; ++c) {
      EXPECT_EQ(std::stod(row.at("range" + std::to_string(c + 1) + "_S0")), plate_.design.so[c]);
    }
    EXPECT_EQ(row.at("range8_S0"), "");
    EXPECT_EQ(row.at("warning").find("raw signal"), std::string::npos);
  }

  // One row per observation and model; the fitted values are the model's at the summary's Km
  // and Vm, the residual is fitted - y.
  const auto points = csv_rows(testing::read_file(cl.points_file));
  ASSERT_EQ(points.size(), 3u * 2u * 7u * 61u);
  std::size_t checked = 0;
  for (const auto& p : points) {
    const auto summary_row =
        summary[(std::stoi(p.at("group").substr(3)) - 1) * 2 + (p.at("model") == "2" ? 1 : 0)];
    ASSERT_EQ(p.at("file"), cl.inputs[0]);
    const double y = std::stod(p.at("y")), fitted = std::stod(p.at("fitted"));
    EXPECT_DOUBLE_EQ(std::stod(p.at("residual")), fitted - y);
    EXPECT_EQ(p.at("weight"), "1");
    const int curve = std::stoi(p.at("curve"));
    EXPECT_EQ(p.at("well"),
              std::string(1, p.at("group").back() - '1' + 'A') + std::to_string(curve));
    EXPECT_EQ(std::stod(p.at("S0")), plate_.design.so[curve - 1]);
    if (p.at("model") == "1") {
      const testing::ModelParams params{std::stod(summary_row.at("Km")),
                                        std::stod(summary_row.at("Vm")), 0.0};
      EXPECT_NEAR(fitted,
                  testing::model_value(1, std::stod(p.at("t")), std::stod(p.at("S0")), params),
                  1e-6 * plate_.design.so.back());
      ++checked;
    }
  }
  EXPECT_EQ(checked, 3u * 7u * 61u);

  // A table may not be written over a report the run writes, a group's included.
  cl.points_file = folder_.file("tidy.rep2.out");
  std::ostringstream out2, err2;
  EXPECT_EQ(run_batch(cl, out2, err2), 7);
  EXPECT_NE(err2.str().find("velmor-tarn: the table would overwrite the report " + cl.points_file),
            std::string::npos);
}

// Absorbance fitted as if it were a concentration is warned about on stderr and in the
// summary; a plate too large for one fit is refused with a suggestion.
TEST_F(ImportRun, AbsorbanceWarnedAndLargePlatesRefused) {
  CommandLine cl = command_line({write(ExportLayout::kGen5)}, false);
  cl.summary_file = folder_.file("fits.csv");
  std::ostringstream out, err;
  EXPECT_EQ(run_batch(cl, out, err), 0);
  EXPECT_NE(err.str().find("Warning: Group rep1: The observations change by less than 2% of [So] "
                           "in every curve"),
            std::string::npos);
  const auto summary = csv_rows(testing::read_file(cl.summary_file));
  ASSERT_EQ(summary.size(), 3u);
  EXPECT_TRUE(summary[2].at("warning").starts_with("The observations change by less than 2%"));
  EXPECT_NE(testing::read_file(folder_.file("gen5.rep1.out"))
                .find("          WARNING: The observations change by less than 2% of [So] in"),
            std::string::npos);

  // Without groups the plate is 21 curves of 61 reads.
  folder_.write("gen5.layout.csv",
                std::regex_replace(testing::layout_csv(plate_), std::regex(",rep[0-9]"), ","));
  std::ostringstream out2, err2;
  EXPECT_EQ(run_batch(command_line({cl.inputs[0]}), out2, err2), 3);
  EXPECT_EQ(out2.str(), "");
  EXPECT_NE(err2.str().find("Warning: The data hold 21 curves and 1281 rows, more than one fit "
                            "takes (10 curves, 1000 rows); split them into groups with a group "
                            "column in the layout (--layout), e.g. one group per replicate\n"
                            "Error: * * * ERROR: RUN ABORTED * * *"),
            std::string::npos)
      << err2.str();
}

}  // namespace
}  // namespace velmor::app
