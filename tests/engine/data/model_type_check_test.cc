#include "engine/data/model_type_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recording_host.h"
#include "temp_folder.h"

namespace velmor {
namespace {

using testing::RecordingHost;
using testing::TempFolder;

std::string rows(double so, std::vector<double> y) {
  std::string text;
  for (size_t i = 0; i < y.size(); ++i) {
    text += std::to_string(10 * i) + " " + std::to_string(so) + " " + std::to_string(y[i]) + "\n";
  }
  return text;
}

const std::string kRising = rows(10, {0, 1, 2, 3, 4});
const std::string kFalling = rows(10, {50, 40, 30, 20, 10});

struct TypeCase {
  const char* label;
  std::string text;
  ModelId model;
  std::string refusal;  // second line of the dialog, empty if the run may go on
};

void PrintTo(const TypeCase& c, std::ostream* os) {
  *os << c.label;
}

class ModelTypeTest : public ::testing::TestWithParam<TypeCase> {};

TEST_P(ModelTypeTest, RefusesAMismatchWithOneInformationDialog) {
  const TempFolder folder;
  const std::string name = folder.write("t.in", GetParam().text);
  RecordingHost host;
  FileUnits units;
  const bool go_on = model_type_plausible(name, GetParam().model, host, units);
  EXPECT_EQ(units.connected_count(), 0);
  if (GetParam().refusal.empty()) {
    EXPECT_TRUE(go_on);
    EXPECT_TRUE(host.messages.empty());
    return;
  }
  EXPECT_FALSE(go_on);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].kind, kInformation);
  EXPECT_EQ(host.messages[0].text, "THE WRONG MODEL TYPE WAS SELECTED!\r\n" + GetParam().refusal);
}

const std::string kSubstrate = "THE DATA SUGGESTS A SUBSTRATE vs TIME MODEL INSTEAD.";
const std::string kProduct = "THE DATA SUGGESTS A PRODUCT vs TIME MODEL INSTEAD.";

INSTANTIATE_TEST_SUITE_P(
    Files, ModelTypeTest,
    ::testing::Values(TypeCase{"ProductDataProductModel", kRising, 1, ""},
                      TypeCase{"ProductDataModel2", kRising, 2, ""},
                      TypeCase{"ProductDataSubstrateModel", kRising, 3, kProduct},
                      TypeCase{"SubstrateDataModel4", kFalling, 4, ""},
                      TypeCase{"SubstrateDataProductModel", kFalling, 2, kSubstrate},
                      TypeCase{"FlatCountsAsRising", rows(10, {3, 3, 3, 3, 3}), 3, kProduct},
                      // A short first curve and a long second one: the first curve's own trend
                      // decides, not a point of the second curve.
                      TypeCase{"ShortFirstSubstrateCurve",
                               rows(50, {50, 45, 40, 35, 30}) +
                                   rows(100, {100, 95, 90, 85, 80, 75, 70, 65}),
                               3, ""},
                      TypeCase{"NoModelSelected", kFalling, 0, ""},
                      TypeCase{"UnreadableRowsLeftToTheDriver", "1 2 3\nx y z\n", 1, ""},
                      TypeCase{"CommentOnlyFile", "# nothing\n", 3, ""},
                      TypeCase{"WindowsLineEnds", "0 10 5\r\n1 10 4\r\n2 10 3\r\n", 1, kSubstrate}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(ModelType, MissingFileIsLeftToTheDriver) {
  RecordingHost host;
  FileUnits units;
  EXPECT_TRUE(model_type_plausible("/nonexistent/velmor/none.in", 1, host, units));
  EXPECT_TRUE(host.messages.empty());
}

TEST(ModelType, TrendSignUsesTheLastPointOfTheFirstCurve) {
  const std::vector<double> y = {5, 9, 4, 100, 200};
  CurveGroups groups;
  groups.n_curves = 2;
  groups.counts = {3, 2};
  EXPECT_EQ(trend_sign(y, groups), -1);
  groups.counts = {2, 3};
  EXPECT_EQ(trend_sign(y, groups), 1);
  EXPECT_EQ(trend_sign({}, groups), 1);
}

}  // namespace
}  // namespace velmor
