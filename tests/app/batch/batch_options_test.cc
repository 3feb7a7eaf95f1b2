#include "app/batch_options.h"

#include <gtest/gtest.h>

namespace velmor::app {
namespace {

TEST(BatchOptions, DefaultsAndFullForm) {
  auto r = parse_command_line({"--batch", "examples/DATA.IN"});
  ASSERT_TRUE(r.command_line);
  EXPECT_EQ(r.command_line->mode, CommandLine::Mode::kBatch);
  EXPECT_EQ(r.command_line->data_file, "examples/DATA.IN");
  EXPECT_EQ(r.command_line->models, (std::array<int, 4>{1, 1, 1, 1}));
  EXPECT_FALSE(r.command_line->robust);
  EXPECT_TRUE(r.command_line->plots_dir.empty());

  r = parse_command_line({"--batch", "a b.in", "--models", "2,4", "--robust", "--plots", "out"});
  ASSERT_TRUE(r.command_line) << r.error;
  EXPECT_EQ(r.command_line->data_file, "a b.in");
  EXPECT_EQ(r.command_line->models, (std::array<int, 4>{0, 1, 0, 1}));
  EXPECT_TRUE(r.command_line->robust);
  EXPECT_EQ(r.command_line->plots_dir, "out");
}

TEST(BatchOptions, NoArgumentsMeansTheWindowAndHelpWins) {
  auto r = parse_command_line({});
  ASSERT_TRUE(r.command_line);
  EXPECT_EQ(r.command_line->mode, CommandLine::Mode::kGui);
  r = parse_command_line({"--batch", "x.in", "--help"});
  ASSERT_TRUE(r.command_line);
  EXPECT_EQ(r.command_line->mode, CommandLine::Mode::kHelp);
}

TEST(BatchOptions, UsageErrorsAreRefusedWithAMessage) {
  const std::vector<std::vector<std::string>> bad = {
      {"--batch"},          {"--batch", "x.in", "--models"}, {"--batch", "x.in", "--models", "5"},
      {"--batch", "x.in", "--models", "1,,2"}, {"--batch", "x.in", "--models", "1,"},
      {"--batch", "x.in", "--models", "12"},   {"--batch", "x.in", "--plots"},
      {"--frobnicate"},     {"--robust"},  {"--models", "1"}};
  for (const auto& args : bad) {
    const auto r = parse_command_line(args);
    EXPECT_FALSE(r.command_line) << args.back();
    EXPECT_FALSE(r.error.empty());
  }
}

TEST(BatchOptions, UsageNamesEveryOption) {
  const std::string text = usage_text("velmor-tarn");
  for (const char* option : {"--batch", "--models", "--robust", "--plots", "--help"}) {
    EXPECT_NE(text.find(option), std::string::npos) << option;
  }
}

}  // namespace
}  // namespace velmor::app
