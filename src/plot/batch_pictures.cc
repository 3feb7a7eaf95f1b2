// SPDX-License-Identifier: MIT

#include "plot/batch_pictures.h"

#include <system_error>
#include <utility>

#include "plot/fit_charts.h"
#include "plot/picture_names.h"

namespace velmor::plot {

std::filesystem::path fit_picture_path(const std::filesystem::path& folder, const std::string& stem,
                                       ModelId model, PictureFormat format) {
  return folder / fit_picture_name(stem, model, picture_extension(format));
}

std::filesystem::path residual_picture_path(const std::filesystem::path& folder,
                                            const std::string& stem, PictureFormat format) {
  return folder / residual_picture_name(stem, picture_extension(format));
}

BatchPictureWriter::BatchPictureWriter(std::filesystem::path folder, std::string stem,
                                       PictureFormat format, ChartFileWriter write_chart,
                                       std::ostream& err, ResidualX residual_x)
    : folder_(std::move(folder)),
      stem_(std::move(stem)),
      format_(format),
      write_chart_(std::move(write_chart)),
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

void BatchPictureWriter::fit(const FittedData& fitted) {
  if (!folder_ready()) return;
  write(fit_plot_of(fitted), fit_picture_path(folder_, stem_, fitted.imdlno, format_));
}

void BatchPictureWriter::residuals(const FittedData& fitted) {
  if (!folder_ready()) return;
  write(residual_plot_of(fitted, residual_x_), residual_picture_path(folder_, stem_, format_));
}

void BatchPictureWriter::write(const PlotContents& contents, const std::filesystem::path& path) {
  const auto chart = build_chart(contents);
  std::string error;
  if (write_chart_(*chart, kPictureWidth, kPictureHeight, format_, path.string(), &error)) return;
  err_ << "Error: " << error << '\n';
  failed_ = true;
}

}  // namespace velmor::plot
