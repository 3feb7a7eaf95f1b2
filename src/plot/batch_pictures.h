// SPDX-License-Identifier: MIT

#pragma once

// The pictures of the batch mode (--plots DIR): for every fitted model the picture xyplot shows,
// and the residual plot of the best model, as 800 x 600 pictures (PNG, SVG or PDF) drawn by the
// chart engine. Which code turns a chart into a file is the caller's: the picture writers of
// gui/pictures (Qt, off-screen) in the program. The writers of different data files may run on
// different threads at once when the chart writer allows it.

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>

#include "engine/core/global_types.h"
#include "engine/core/run_result.h"
#include "plot/chart/chart.h"
#include "plot/fit_charts.h"
#include "plot/picture_format.h"

namespace velmor::plot {

inline constexpr int kPictureWidth = 800;
inline constexpr int kPictureHeight = 600;

// "DATA.model1.png" and "DATA.residuals.png" in `folder` for the picture stem "DATA" (the data
// file's name without folder and extension).
std::filesystem::path fit_picture_path(const std::filesystem::path& folder, const std::string& stem,
                                       ModelId model, PictureFormat format = PictureFormat::kPng);
std::filesystem::path residual_picture_path(const std::filesystem::path& folder,
                                            const std::string& stem,
                                            PictureFormat format = PictureFormat::kPng);

// Writes the chart as a picture file of width x height pixels at `path`. True when the chart
// was drawn completely and the whole file was written; otherwise `error` (when given) receives
// the message for the user, naming the file. Drawing stores the computed ranges and ticks in
// the chart, which is why it is not const.
using ChartFileWriter =
    std::function<bool(Chart& chart, int width, int height, PictureFormat format,
                       const std::string& path, std::string* error)>;

// One data file's picture writer: writes each picture into its folder through `write_chart` as
// the run produces it and reports every failure on `err` as "Error: ...". Keep it for the whole
// run of the file.
class BatchPictureWriter {
 public:
  BatchPictureWriter(std::filesystem::path folder, std::string stem, PictureFormat format,
                     ChartFileWriter write_chart, std::ostream& err,
                     ResidualX residual_x = ResidualX::kRowNumber);

  // The fit picture of a fitted model (fitted.imdlno, fitted.strmdl, fitted.data and
  // fitted.fitted_params) after each fitted model, and the residual picture of the best model
  // after the run, respectively. The folder is
  // created, if missing, with the first picture: a run whose data are refused makes none.
  void fit(const FittedData& fitted);
  void residuals(const FittedData& fitted);
  // True when a picture could not be written.
  bool failed() const { return failed_; }

 private:
  bool folder_ready();
  void write(const PlotContents& contents, const std::filesystem::path& path);

  std::filesystem::path folder_;
  std::string stem_;
  PictureFormat format_;
  ChartFileWriter write_chart_;
  std::ostream& err_;
  ResidualX residual_x_;
  bool folder_made_ = false;
  bool failed_ = false;
};

}  // namespace velmor::plot
