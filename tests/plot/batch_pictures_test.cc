#include "plot/batch_pictures.h"

#include <gtest/gtest.h>

#include <QImage>
#include <sstream>

#include "plot/fit_charts.h"
#include "plot_test_support.h"

namespace velmor::plot {
namespace {

namespace fs = std::filesystem;

using testing::count_colour;

TEST(BatchPictures, NamedAfterTheDataFileAndTheModel) {
  EXPECT_EQ(fit_picture_path("out", "examples/DATA.IN", 1), fs::path("out/DATA.model1.png"));
  EXPECT_EQ(fit_picture_path("out", "run.dat  ", 4), fs::path("out/run.model4.png"));
  EXPECT_EQ(residual_picture_path("/tmp/p", "examples/DATA.IN"),
            fs::path("/tmp/p/DATA.residuals.png"));
}

TEST(BatchPictures, WriterMakesTheFolderAndWritesEightHundredBySixHundredPngs) {
  const testing::TempFolder temp;
  const fs::path folder = temp.path() / "new" / "pictures";
  RunState state;
  ASSERT_TRUE(testing::load_example(state));
  std::ostringstream err;
  BatchPictureWriter writer(folder, "examples/DATA.IN", err);
  ASSERT_TRUE(writer.prepare());
  EXPECT_TRUE(fs::is_directory(folder));
  writer.fit(state);
  state.imdlno = 2;
  state.strmdl = "2- [Pt] vs time Michaelis-Menten - Bkg";
  writer.fit(state);
  writer.residuals(state);
  EXPECT_FALSE(writer.failed()) << err.str();
  EXPECT_EQ(err.str(), "");

  // Each an 800 x 600 picture of its own plot: the three curves, or the blue residuals alone.
  const std::pair<const char*, bool> pictures[] = {
      {"DATA.model1.png", true}, {"DATA.model2.png", true}, {"DATA.residuals.png", false}};
  for (const auto& [name, fit] : pictures) {
    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString((folder / name).string()), "PNG")) << name;
    EXPECT_EQ(image.size(), QSize(800, 600)) << name;
    EXPECT_GT(count_colour(image, kCurveColours[0]), 100) << name;
    EXPECT_EQ(count_colour(image, kCurveColours[2]) > 100, fit) << name;
  }
}

TEST(BatchPictures, FailuresAreReportedAsErrors) {
  const testing::TempFolder temp;
  const fs::path base = temp.path();
  RunState state;
  ASSERT_TRUE(testing::load_example(state));

  // The folder's name is taken by a file.
  { std::ofstream(base / "taken") << "x"; }
  std::ostringstream err;
  BatchPictureWriter blocked(base / "taken", "DATA.IN", err);
  EXPECT_FALSE(blocked.prepare());
  EXPECT_TRUE(blocked.failed());
  EXPECT_EQ(err.str().rfind("Error: ", 0), 0u) << err.str();

  // A picture whose name is taken by a folder cannot be written.
  std::ostringstream err2;
  BatchPictureWriter writer(base, "DATA.IN", err2);
  ASSERT_TRUE(writer.prepare());
  fs::create_directory(base / "DATA.residuals.png");
  writer.residuals(state);
  EXPECT_TRUE(writer.failed());
  EXPECT_NE(err2.str().find("Error: could not write the complete picture"), std::string::npos);
  EXPECT_TRUE(fs::is_directory(base / "DATA.residuals.png"));
}

}  // namespace
}  // namespace velmor::plot
