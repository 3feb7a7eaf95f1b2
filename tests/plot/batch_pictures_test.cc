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

TEST(BatchPictures, NamedAfterTheDataFileTheModelAndTheFormat) {
  EXPECT_EQ(fit_picture_path("out", "DATA", 1), fs::path("out/DATA.model1.png"));
  EXPECT_EQ(fit_picture_path("out", "run-2", 4, PictureFormat::kSvg),
            fs::path("out/run-2.model4.svg"));
  EXPECT_EQ(residual_picture_path("/tmp/p", "DATA", PictureFormat::kPdf),
            fs::path("/tmp/p/DATA.residuals.pdf"));
}

TEST(BatchPictures, WriterMakesTheFolderAndWritesEightHundredBySixHundredPngs) {
  const testing::TempFolder temp;
  const fs::path folder = temp.path() / "new" / "pictures";
  RunState state;
  ASSERT_TRUE(testing::load_example(state));
  std::ostringstream err;
  BatchPictureWriter writer(folder, "DATA", PictureFormat::kPng, err);
  EXPECT_FALSE(fs::exists(folder));  // made with the first picture, after the data were accepted
  writer.fit(state);
  EXPECT_TRUE(fs::is_directory(folder));
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

// Each failure is an error line naming its own picture; nothing is written through a link or
// in place of a folder.
TEST(BatchPictures, FailuresAreReportedAsErrors) {
  const testing::TempFolder temp;
  const fs::path base = temp.path();
  RunState state;
  ASSERT_TRUE(testing::load_example(state));

  // The folder's name is taken by a file.
  std::ostringstream err;
  BatchPictureWriter blocked(temp.write("taken", "x"), "DATA", PictureFormat::kPng, err);
  blocked.fit(state);
  EXPECT_TRUE(blocked.failed());
  EXPECT_EQ(err.str(),
            "Error: cannot create the folder " + (base / "taken").string() + " for the pictures\n");

  const fs::path target = temp.write("target.txt", "kept\n");
  fs::create_symlink(target, base / "DATA.model1.png");
  fs::create_directory(base / "DATA.residuals.png");
  std::ostringstream err2;
  BatchPictureWriter writer(base, "DATA", PictureFormat::kPng, err2);
  writer.fit(state);
  writer.residuals(state);
  EXPECT_TRUE(writer.failed());
  EXPECT_EQ(err2.str(),
            "Error: The output file is a symbolic link, which is not written through: " +
                (base / "DATA.model1.png").string() +
                "\nError: The output file name is a folder: " +
                (base / "DATA.residuals.png").string() + "\n");
  EXPECT_EQ(testing::read_file(target.string()), "kept\n");
  EXPECT_TRUE(fs::is_directory(base / "DATA.residuals.png"));
}

}  // namespace
}  // namespace velmor::plot
