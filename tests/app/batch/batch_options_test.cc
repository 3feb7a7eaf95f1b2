// SPDX-License-Identifier: MIT

#include "app/batch/batch_options.h"

#include <gtest/gtest.h>

namespace velmor::app {
namespace {

TEST(BatchOptions, DefaultsAndFullForm) {
  auto r = parse_command_line({"--batch", "examples/DATA.IN"});
  ASSERT_TRUE(r.command_line);
  const CommandLine& d = *r.command_line;
  EXPECT_EQ(std::tie(d.mode, d.inputs, d.models, d.robust, d.baseline_free, d.fast, d.plots_dir,
                     d.plot_format, d.residuals_by_time, d.jobs, d.summary_file, d.columns),
            std::tuple(CommandLine::Mode::kBatch, std::vector<std::string>{"examples/DATA.IN"},
                       std::array<int, 8>{1, 1, 1, 1, 0, 0, 0, 0}, false, false, false, "", "png",
                       false, 0, "", DataColumns{}));

  // clang-format off
  r = parse_command_line({"--models", "2,4,8", "--batch", "a b.in", "runs", "--robust",
                          "--baseline", "free", "--plots", "out", "--method", "fast",
                          "--plot-format=svg", "--residual-x=time", "-j3", "--summary", "s.json",
                          "c.csv", "--columns", "Zeit,S0,3", "--", "--odd.in"});
  // clang-format on
  ASSERT_TRUE(r.command_line) << r.error;
  const CommandLine& cl = *r.command_line;
  EXPECT_EQ(std::tie(cl.inputs, cl.models, cl.robust, cl.baseline_free, cl.fast, cl.plots_dir,
                     cl.plot_format, cl.residuals_by_time, cl.jobs, cl.summary_file, cl.columns),
            std::tuple(std::vector<std::string>{"a b.in", "runs", "c.csv", "--odd.in"},
                       std::array<int, 8>{0, 1, 0, 1, 0, 0, 0, 1}, true, true, true, "out", "svg",
                       true, 3, "s.json", DataColumns{"Zeit", "S0", "3"}));
  r = parse_command_line({"--batch", "a.in", "--baseline=nonnegative", "--models", "5,6,7"});
  ASSERT_TRUE(r.command_line) << r.error;
  EXPECT_FALSE(r.command_line->baseline_free);
  EXPECT_EQ(r.command_line->models, (std::array<int, 8>{0, 0, 0, 0, 1, 1, 1, 0}));
  // No arguments mean the window; help and version win over anything else.
  const std::pair<std::vector<std::string>, CommandLine::Mode> modes[] = {
      {{}, CommandLine::Mode::kGui},
      {{"--batch", "x.in", "--help"}, CommandLine::Mode::kHelp},
      {{"--version", "--frobnicate"}, CommandLine::Mode::kVersion}};
  for (const auto& [args, mode] : modes)
    EXPECT_EQ(parse_command_line(args).command_line->mode, mode);
  EXPECT_EQ(version_text("velmor-tarn"), "velmor-tarn " VELMOR_EXPECTED_VERSION "\n");

  // The import options.
  r = parse_command_line({"--batch", "p.txt", "--layout", "l.csv", "--signal-per-conc", "1e-2",
                          "--blank", "-0.05", "--species=p1", "--substrate", "s1", "--points",
                          "pts.json"});
  ASSERT_TRUE(r.command_line) << r.error;
  const ImportOptions& im = r.command_line->import;
  EXPECT_EQ(std::tie(im.layout_file, im.signal_per_conc, im.blank, im.blank_value, im.species,
                     im.substrate, r.command_line->points_file),
            std::tuple("l.csv", 0.01, BlankMode::kValue, -0.05, "p1", "s1", "pts.json"));
  EXPECT_EQ(parse_command_line({"--batch", "p", "--blank", "auto"}).command_line->import.blank,
            BlankMode::kAuto);
  EXPECT_EQ(parse_command_line({"--batch", "p", "--blank", "none"}).command_line->import.blank,
            BlankMode::kNone);
}

// Usage errors are refused with a message; the usage names every option and exit status.
TEST(BatchOptions, UsageErrorsAndUsage) {
  const std::pair<std::vector<std::string>, std::string> bad[] = {
      {{"--batch"}, "--batch needs a data file or folder"},
      {{"--batch", "x.in", "--models", "9"}, "--models needs model numbers 1 to 8"},
      {{"--batch", "x.in", "--models", "1,,2"}, "--models needs"},
      {{"--batch", "x.in", "--baseline", "negative"}, "--baseline needs free or nonnegative"},
      {{"--baseline", "free"}, "belong to --batch"},
      {{"--batch", "x.in", "--plots", "p", "--plot-format", "gif"}, "--plot-format needs"},
      {{"--batch", "x.in", "--plot-format", "svg"}, "--plot-format belongs with --plots"},
      {{"--batch", "x.in", "--residual-x", "time"}, "--residual-x belongs with --plots"},
      {{"--batch", "x.in", "--plots", "p", "--residual-x", "row"}, "--residual-x needs number or"},
      {{"--batch", "x.in", "-j", "0"}, "-j needs a number of files from 1 to 256"},
      {{"--batch", "x.in", "--method", "quick"}, "--method needs classic or fast"},
      {{"--batch", "x.in", "--columns", "t,so"}, "--columns needs three"},
      {{"--batch", "x.in", "--robust=yes"}, "--robust takes no value"},
      {{"--frobnicate"}, "unknown argument: --frobnicate"},
      {{"x.in"}, "data files belong to --batch"},
      {{"--robust"}, "belong to --batch"},
      {{"--layout", "l.csv"}, "--points belong to --batch"},
      {{"--batch", "x", "--signal-per-conc", "0"}, "--signal-per-conc needs a number above 0"},
      {{"--batch", "x", "--signal-per-conc", "inf"}, "--signal-per-conc needs a number above 0"},
      {{"--batch", "x", "--signal-per-conc", "0.01x"}, "--signal-per-conc needs a number"},
      {{"--batch", "x", "--blank", "some"}, "--blank needs auto, none or a number"},
      {{"--batch", "x", "--species", ""}, "--species needs a species id"},
  };
  for (const auto& [args, message] : bad) {
    const auto r = parse_command_line(args);
    EXPECT_FALSE(r.command_line) << args.back();
    EXPECT_NE(r.error.find(message), std::string::npos) << r.error;
  }

  const std::string text = usage_text("velmor-tarn");
  for (const char* word :
       {"--batch",   "--models",      "--method",     "--robust", "--baseline",
        "--plots",   "--plot-format", "--residual-x", "--jobs",   "--summary",
        "--columns", "--help",        "--version",    "--layout", "--signal-per-conc",
        "--blank",   "--species",     "--substrate",  "--points", " 1 data file missing",
        " 9 every",  " 7 a picture"}) {
    EXPECT_NE(text.find(word), std::string::npos) << word;
  }
}

}  // namespace
}  // namespace velmor::app
