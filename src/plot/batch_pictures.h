#pragma once

// The pictures of the batch mode (--plots DIR): for every fitted model the picture xyplot shows,
// and the residual plot of the best model, as 800 x 600 PNG files drawn by the chart engine into
// an off-screen image. Needs no display and no toolkit window. Runs on the process main thread
// (it may create the Qt application the fonts need).

#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>

#include "engine/core/global_types.h"
#include "plot/image_painter.h"

namespace velmor::plot {

inline constexpr int kPictureWidth = 800;
inline constexpr int kPictureHeight = 600;

// Exit status of a batch run whose fit succeeded but whose pictures could not all be written.
inline constexpr int kExitPictureError = 7;

// "DATA.model1.png" and "DATA.residuals.png" in `folder` for the data file "examples/DATA.IN":
// the data file's name without folder and extension.
std::filesystem::path fit_picture_path(const std::filesystem::path& folder,
                                       std::string_view data_file, ModelId model);
std::filesystem::path residual_picture_path(const std::filesystem::path& folder,
                                            std::string_view data_file);

// Write the fit picture of the current model (state.imdlno, state.strmdl, state.data) or the
// residual picture, as save_chart_png writes it. True when the whole file was written;
// otherwise `error` (when given) receives the message naming the file.
bool write_fit_picture(const RunState& state, const std::filesystem::path& path,
                       std::string* error = nullptr);
bool write_residual_picture(const RunState& state, const std::filesystem::path& path,
                            std::string* error = nullptr);

// The batch mode's picture writer: writes each picture into its folder as the run produces it
// and reports every failure on `err` as "Error: ...". Create it on the main thread before the
// run and keep it for the whole run.
class BatchPictureWriter {
 public:
  BatchPictureWriter(std::filesystem::path folder, std::string data_file, std::ostream& err);

  // False (and an error line) when the pictures cannot be drawn at all.
  bool prepare();
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
  std::string data_file_;
  std::ostream& err_;
  OffscreenGuiScope gui_;
  bool folder_made_ = false;
  bool failed_ = false;
};

}  // namespace velmor::plot
