// SPDX-License-Identifier: MIT
// The picture formats by name and by a file's extension (Save As and --plot-format).
#include "plot/picture_format.h"

#include <gtest/gtest.h>

namespace velmor::plot {
namespace {

TEST(PictureFormat, NamedByTheirExtensionInAnyCase) {
  for (const PictureFormat format :
       {PictureFormat::kPng, PictureFormat::kSvg, PictureFormat::kPdf}) {
    EXPECT_EQ(picture_format_named(picture_extension(format)), format);
  }
  EXPECT_EQ(picture_format_named("SVG"), PictureFormat::kSvg);
  EXPECT_EQ(picture_format_named("bmp"), std::nullopt);
  EXPECT_EQ(picture_format_named(""), std::nullopt);

  EXPECT_EQ(picture_format_of_file("/data/run 1/DATA.model1.Png"), PictureFormat::kPng);
  EXPECT_EQ(picture_format_of_file("fit.pdf"), PictureFormat::kPdf);
  EXPECT_EQ(picture_format_of_file("fit.svg.bmp"), std::nullopt);  // the last extension counts
  EXPECT_EQ(picture_format_of_file("pictures.svg/fit"),
            std::nullopt);  // a folder's, not the file's
  EXPECT_EQ(picture_format_of_file("svg"), std::nullopt);
  EXPECT_EQ(picture_format_of_file("fit."), std::nullopt);
}

}  // namespace
}  // namespace velmor::plot
