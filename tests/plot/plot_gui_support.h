#pragma once

// Helpers of the plot window tests: waiting for a plot to be drawn, reading window captions,
// counting colours on a page.

#include <QApplication>
#include <QMetaObject>
#include <QWidget>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "../gui/gui_test_support.h"
#include "gui/pixel_buffer.h"
#include "gui/wintk.h"
#include "plot/plot_record.h"
#include "plot/plotlib.h"

namespace velmor::plot::testing {

// Polls until pred holds or ten seconds passed (drawing on a busy machine can be slow).
inline bool wait_until(const std::function<bool()>& pred) {
  for (int i = 0; i < 2000; ++i) {
    if (pred()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return pred();
}

// True once the plot's window is open and its drawing complete.
inline bool drawn(const PlotRecord& record) {
  return record.displayed == 1 && record.state == kStateDrawn && record.window_id >= 0;
}

inline bool wait_drawn(plot_t plot) {
  return wait_until([plot] { return drawn(*plot); });
}

// The plot shown in that window, once drawn; null after ten seconds without it.
inline std::shared_ptr<PlotRecord> wait_drawn_in(int window) {
  std::shared_ptr<PlotRecord> record;
  wait_until([&] {
    record = find_plot_by_window(window);
    return record && drawn(*record);
  });
  return record && drawn(*record) ? record : nullptr;
}

// The captions of the visible top-level windows, read on the GUI thread.
inline std::vector<std::string> window_captions() {
  std::vector<std::string> captions;
  QMetaObject::invokeMethod(
      qApp,
      [&] {
        for (const QWidget* widget : QApplication::topLevelWidgets()) {
          if (widget->isVisible()) captions.push_back(widget->windowTitle().toStdString());
        }
      },
      Qt::BlockingQueuedConnection);
  return captions;
}

inline int toolkit_colour(Rgb c) {
  return wintk::creatergb(c.r, c.g, c.b);
}

// Pixels of that colour in the rectangle [x0, x1) x [y0, y1) of the buffer (all by default).
inline int count_colour(const wintk::PixelBuffer& page, Rgb c, int x0 = 0, int y0 = 0, int x1 = -1,
                        int y1 = -1) {
  if (x1 < 0) x1 = page.width;
  if (y1 < 0) y1 = page.height;
  const auto wanted = static_cast<std::uint32_t>(toolkit_colour(c));
  int n = 0;
  for (int y = std::max(y0, 0); y < std::min(y1, page.height); ++y) {
    for (int x = std::max(x0, 0); x < std::min(x1, page.width); ++x) n += page.at(x, y) == wanted;
  }
  return n;
}

// Width and height from the header of a BMP file; 0, 0 when it is not one.
struct BmpSize {
  int width = 0;
  int height = 0;
};
inline BmpSize bmp_size(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  unsigned char header[26] = {};
  if (!in.read(reinterpret_cast<char*>(header), sizeof header)) return {};
  if (header[0] != 'B' || header[1] != 'M') return {};
  auto int32 = [&](int at) {
    return static_cast<int>(header[at] | header[at + 1] << 8 | header[at + 2] << 16 |
                            static_cast<unsigned>(header[at + 3]) << 24);
  };
  return {int32(18), std::abs(int32(22))};
}

// A fresh empty folder for one test's files, removed with everything in it at the end.
class TempFolder {
 public:
  explicit TempFolder(const std::string& name)
      : path_(std::filesystem::temp_directory_path() /
              ("velmor_plot_tests_" + std::to_string(::getpid()) + "_" + name)) {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace velmor::plot::testing
