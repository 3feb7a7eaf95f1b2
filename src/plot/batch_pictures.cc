#include "plot/batch_pictures.h"

#include <system_error>

#include "plot/fit_charts.h"
#include "util/fixed_string.h"

namespace velmor::plot {
namespace {

std::string picture_stem(std::string_view data_file) {
  return std::filesystem::path(std::string(util::trimmed(data_file))).stem().string();
}

bool write_picture(const PlotContents& contents, const std::filesystem::path& path,
                   std::string* error) {
  const auto chart = build_chart(contents);
  return save_chart_png(*chart, kPictureWidth, kPictureHeight, path.string(), error);
}

}  // namespace

std::filesystem::path fit_picture_path(const std::filesystem::path& folder,
                                       std::string_view data_file, ModelId model) {
  return folder / (picture_stem(data_file) + ".model" + std::to_string(model) + ".png");
}

std::filesystem::path residual_picture_path(const std::filesystem::path& folder,
                                            std::string_view data_file) {
  return folder / (picture_stem(data_file) + ".residuals.png");
}

bool write_fit_picture(const RunState& state, const std::filesystem::path& path,
                       std::string* error) {
  return write_picture(make_fit_plot_contents(state.data, state.imdlno, state.strmdl), path, error);
}

bool write_residual_picture(const RunState& state, const std::filesystem::path& path,
                            std::string* error) {
  return write_picture(make_residual_plot_contents(state.data, state.strmdl), path, error);
}

BatchPictureWriter::BatchPictureWriter(std::filesystem::path folder, std::string data_file,
                                       std::ostream& err)
    : folder_(std::move(folder)), data_file_(std::move(data_file)), err_(err) {}

bool BatchPictureWriter::prepare() {
  if (!gui_.ok()) {
    err_ << "Error: pictures cannot be drawn in this process\n";
    failed_ = true;
    return false;
  }
  return true;
}

bool BatchPictureWriter::folder_ready() {
  if (folder_made_) return true;
  std::error_code error;
  std::filesystem::create_directories(folder_, error);
  if (error || !std::filesystem::is_directory(folder_, error)) {
    err_ << "Error: cannot create the folder " << folder_.string() << " for the pictures\n";
    failed_ = true;
    return false;
  }
  folder_made_ = true;
  return true;
}

void BatchPictureWriter::fit(const RunState& state) {
  if (!folder_ready()) return;
  const auto path = fit_picture_path(folder_, data_file_, state.imdlno);
  std::string error;
  if (!write_fit_picture(state, path, &error)) report(error);
}

void BatchPictureWriter::residuals(const RunState& state) {
  if (!folder_ready()) return;
  const auto path = residual_picture_path(folder_, data_file_);
  std::string error;
  if (!write_residual_picture(state, path, &error)) report(error);
}

void BatchPictureWriter::report(const std::string& error) {
  err_ << "Error: " << error << '\n';
  failed_ = true;
}

}  // namespace velmor::plot
