#pragma once

// Helpers of the plot tests: the example data set, waiting for a plot to be drawn, window
// captions, colours on a page, BMP sizes and temporary folders.

#include <QApplication>
#include <QImage>
#include <QMetaObject>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "../gui/gui_test_support.h"
#include "engine/core/global_types.h"
#include "gui/pixel_buffer.h"
#include "gui/wintk.h"
#include "image/picture_test_support.h"
#include "plot/plot_record.h"
#include "plot/plotlib.h"
#include "temp_folder.h"

namespace velmor::plot::testing {

// Reads the three columns of examples/DATA.IN (up to the first blank line) into state.data and
// gives every row a fitted value a little off the observed one, so residuals are not all zero.
inline bool load_example(RunState& state) {
  std::ifstream in(std::string(VELMOR_EXAMPLES_DIR) + "/DATA.IN");
  std::string line;
  int n = 0;
  double t, so, y;
  while (n < kMaxRows && std::getline(in, line) && std::istringstream(line) >> t >> so >> y) {
    state.data.X1[n] = t;
    state.data.X2[n] = so;
    state.data.Y[n] = y;
    state.data.Ycalc[n] = y + ((n % 3) - 1) * 0.5;
    ++n;
  }
  state.data.nRows = n;
  state.imdlno = 1;
  state.strmdl = "  1- [Pt] vs time Michaelis-Menten          ";
  return n > 0;
}

// Drawing on a busy machine can be slow.
inline bool wait_until(const std::function<bool()>& pred) {
  return wintk::testing::eventually(pred, std::chrono::seconds(10));
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
  const bool ok = wait_until([&] {
    record = find_plot_by_window(window);
    return record && drawn(*record);
  });
  return ok ? record : nullptr;
}

// Runs `act` on the GUI thread for each visible top-level window with that caption; false if
// there is none.
inline bool with_window_captioned(const std::string& caption,
                                  const std::function<void(QWidget&)>& act = {}) {
  bool found = false;
  QMetaObject::invokeMethod(
      qApp,
      [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
          if (!widget->isVisible() || widget->windowTitle().toStdString() != caption) continue;
          if (act) act(*widget);
          found = true;
        }
      },
      Qt::BlockingQueuedConnection);
  return found;
}

inline std::uint32_t toolkit_colour(Rgb c) {
  return static_cast<std::uint32_t>(wintk::creatergb(c.r, c.g, c.b));
}

// Pixels of that colour in the rectangle [x0, x1) x [y0, y1) of the page (all by default).
inline int count_colour(const wintk::PixelBuffer& page, Rgb c, int x0 = 0, int y0 = 0, int x1 = -1,
                        int y1 = -1) {
  if (x1 < 0) x1 = page.width;
  if (y1 < 0) y1 = page.height;
  int n = 0;
  for (int y = std::max(y0, 0); y < std::min(y1, page.height); ++y) {
    for (int x = std::max(x0, 0); x < std::min(x1, page.width); ++x) {
      n += page.at(x, y) == toolkit_colour(c);
    }
  }
  return n;
}

// Width and height of a BMP file; 0, 0 when it is not one.
inline QSize bmp_size(const std::filesystem::path& path) {
  return QImage(QString::fromStdString(path.string()), "BMP").size().expandedTo({0, 0});
}

using velmor::testing::read_file;
using velmor::testing::TempFolder;

}  // namespace velmor::plot::testing
