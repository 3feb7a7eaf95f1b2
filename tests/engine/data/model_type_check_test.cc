// SPDX-License-Identifier: MIT

#include "engine/data/model_type_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recording_host.h"
#include "temp_folder.h"

namespace velmor {
namespace {

std::string rows(double so, std::vector<double> y) {
  std::string text;
  for (size_t i = 0; i < y.size(); ++i) {
    text += std::to_string(10 * i) + " " + std::to_string(so) + " " + std::to_string(y[i]) + "\n";
  }
  return text;
}

TEST(ModelType, RefusesAMismatchWithOneInformationDialog) {
  const std::string substrate = "THE DATA SUGGESTS A SUBSTRATE vs TIME MODEL INSTEAD.";
  const std::string product = "THE DATA SUGGESTS A PRODUCT vs TIME MODEL INSTEAD.";
  const std::string rising = rows(10, {0, 1, 2, 3, 4});
  const std::string falling = rows(10, {50, 40, 30, 20, 10});
  const struct {
    std::string text;
    ModelId model;
    std::string refusal;  // second line of the dialog, empty if the run may go on
  } cases[] = {
      {rising, 3, product},
      {falling, 4, ""},
      {falling, 2, substrate},
      {rows(10, {3, 3, 3, 3, 3}), 3, product},  // flat counts as rising
      // A short first curve before a long one: the first curve's own trend decides.
      {rows(50, {50, 45, 40, 35, 30}) + rows(100, {100, 95, 90, 85, 80, 75, 70, 65}), 3, ""},
      {"\xEF\xBB\xBF" + falling, 1, substrate},
      // One outlier among the first rows no longer decides: the curve's trend does.
      {rows(10, {40, 1, 2, 3, 4, 5, 6}), 1, ""},
      {rows(10, {40, 1, 2, 3, 4, 5, 6}), 3, product},
      {rows(50, {0, 48, 45, 40, 36, 31, 27}), 4, ""},
      {rows(50, {50, 48, 45, 40, 36, 31, 0}), 2, substrate},
      // Tables: a long one found by its header, a wide one whose first curve decides.
      {"time;S0;P\n0;10;5\n1;10;4,5\n2;10;4\n", 1, substrate},
      {"t,S0=1,S0=2\n0,1,9\n1,2,8\n", 4, product},
  };
  const testing::TempFolder folder;
  for (const auto& c : cases) {
    testing::RecordingHost host;
    FileUnits units;
    const bool go_on = model_type_plausible(folder.write("t.in", c.text), c.model, host, units);
    EXPECT_EQ(units.connected_count(), 0);
    EXPECT_EQ(go_on, c.refusal.empty()) << c.text;
    ASSERT_EQ(host.messages.size(), c.refusal.empty() ? 0u : 1u) << c.text;
    if (c.refusal.empty()) continue;
    EXPECT_EQ(host.messages[0].kind, kInformation);
    EXPECT_EQ(host.messages[0].text, "THE WRONG MODEL TYPE WAS SELECTED!\r\n" + c.refusal);
  }
  testing::RecordingHost host;
  FileUnits units;
  EXPECT_TRUE(model_type_plausible(folder.file("none.in"), 1, host, units));
  EXPECT_TRUE(host.messages.empty());
}

}  // namespace
}  // namespace velmor
