// SPDX-License-Identifier: MIT

#include "plot/batch_pictures.h"

#include <system_error>

#include "plot/fit_charts.h"
#include "plot/picture_names.h"

namespace velmor::plot {
namespace {

bool write_picture(const PlotContents& contents, const std::filesystem::path& path,
                   PictureFormat format, std::string* error) {
  const auto chart = build_chart(contents);
  return save_chart_picture(*chart, kPictureWidth, kPictureHeight, format, path.string(), error);
}

}  // namespace

std::filesystem::path fit_picture_path(const std::filesystem::path& folder, const std::string& stem,
                                       ModelId model, PictureFormat format) {
  return folder / fit_picture_name(stem, model, picture_extension(format));
}

std::filesystem::path residual_picture_path(const std::filesystem::path& folder,
                                            const std::string& stem, PictureFormat format) {
  return folder / residual_picture_name(stem, picture_extension(format));
}

bool write_fit_picture(const RunState& state, const std::filesystem::path& path,
                       PictureFormat format, std::string* error) {
  return write_picture(fit_plot_of(state), path, format, error);
}

bool write_residual_picture(const RunState& state, const std::filesystem::path& path,
                            PictureFormat format, std::string* error, ResidualX x) {
  return write_picture(residual_plot_of(state, x), path, format, error);
}

BatchPictureWriter::BatchPictureWriter(std::filesystem::path folder, std::string stem,
                                       PictureFormat format, std::ostream& err,
                                       ResidualX residual_x)
    : folder_(std::move(folder)),
      stem_(std::move(stem)),
      format_(format),
      err_(err),
      residual_x_(residual_x) {}

bool BatchPictureWriter::folder_ready() {
  if (folder_made_) return true;
  // Writers of other files may make the folder at the same moment; that is no failure.
  std::error_code error;
  std::filesystem::create_directories(folder_, error);
  if (!std::filesystem::is_directory(folder_, error)) {
    err_ << "Error: cannot create the folder " << folder_.string() << " for the pictures\n";
    failed_ = true;
    return false;
  }
  folder_made_ = true;
  return true;
}

void BatchPictureWriter::fit(const RunState& state) {
  if (!folder_ready()) return;
  const auto path = fit_picture_path(folder_, stem_, state.imdlno, format_);
  std::string error;
  if (!write_fit_picture(state, path, format_, &error)) report(error);
}

void BatchPictureWriter::residuals(const RunState& state) {
  if (!folder_ready()) return;
  const auto path = residual_picture_path(folder_, stem_, format_);
  std::string error;
  if (!write_residual_picture(state, path, format_, &error, residual_x_)) report(error);
}

void BatchPictureWriter::report(const std::string& error) {
  err_ << "Error: " << error << '\n';
  failed_ = true;
}

}  // namespace velmor::plot
