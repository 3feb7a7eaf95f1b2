// SPDX-License-Identifier: MIT

#pragma once

// The pictures of the batch mode (--plots DIR): for every fitted model the picture xyplot shows,
// and the residual plot of the best model, as 800 x 600 pictures (PNG, SVG or PDF) drawn by the
// chart engine off-screen. Needs no display and no toolkit window, but a QGuiApplication made on
// the main thread before (OffscreenGuiScope); the writers of different data files may run on
// different threads at once.

#include <filesystem>
#include <ostream>
#include <string>

#include "engine/core/global_types.h"
#include "plot/fit_charts.h"
#include "plot/image_painter.h"
#include "plot/picture_files.h"

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

// Write the fit picture of the current model (state.imdlno, state.strmdl, state.data and
// state.fitted_params) or the residual picture against `x`, as save_chart_picture writes it. True
// when the whole file was written; otherwise `error` (when given) receives the message naming the
// file.
bool write_fit_picture(const RunState& state, const std::filesystem::path& path,
                       PictureFormat format = PictureFormat::kPng, std::string* error = nullptr);
bool write_residual_picture(const RunState& state, const std::filesystem::path& path,
                            PictureFormat format = PictureFormat::kPng,
                            std::string* error = nullptr, ResidualX x = ResidualX::kRowNumber);

// One data file's picture writer: writes each picture into its folder as the run produces it
// and reports every failure on `err` as "Error: ...". Keep it for the whole run of the file.
class BatchPictureWriter {
 public:
  BatchPictureWriter(std::filesystem::path folder, std::string stem, PictureFormat format,
                     std::ostream& err, ResidualX residual_x = ResidualX::kRowNumber);

  // After each fitted model, and after the run (the best model), respectively. The folder is
  // created, if missing, with the first picture: a run whose data are refused makes none.
  void fit(const RunState& state);
  void residuals(const RunState& state);
  // True when a picture could not be written.
  bool failed() const { return failed_; }

 private:
  bool folder_ready();
  void report(const std::string& error);

  std::filesystem::path folder_;
  std::string stem_;
  PictureFormat format_;
  std::ostream& err_;
  ResidualX residual_x_;
  bool folder_made_ = false;
  bool failed_ = false;
};

}  // namespace velmor::plot
