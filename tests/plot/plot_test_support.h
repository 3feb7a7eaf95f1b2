#pragma once

#include <QApplication>
#include <QImage>
#include <QMetaObject>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "../gui/gui_test_support.h"
#include "engine/core/global_types.h"
#include "gui/pixel_buffer.h"
#include "gui/wintk.h"
#include "image/picture_test_support.h"
#include "plot/plot_record.h"
#include "plot/plotlib.h"
#include "temp_folder.h"

namespace velmor::plot::testing {

// The example's rows (examples/DATA.IN up to its first blank line), each fitted value a little
// off the observed one so residuals are not all zero.
inline bool load_example(RunState& state) {
  std::ifstream in(std::string(VELMOR_EXAMPLES_DIR) + "/DATA.IN");
  std::string line;
  int n = 0;
  ProgressCurveData& d = state.data;
  for (; n < kMaxRows && std::getline(in, line) &&
         std::istringstream(line) >> d.X1[n] >> d.X2[n] >> d.Y[n]; ++n) {
    d.Ycalc[n] = d.Y[n] + ((n % 3) - 1) * 0.5;
  }
  state.data.nRows = n;
  state.imdlno = 1;
  state.strmdl = "  1- [Pt] vs time Michaelis-Menten          ";
  return n > 0;
}

inline bool wait_until(const std::function<bool()>& pred) {  // a busy machine draws slowly
  return wintk::testing::eventually(pred, std::chrono::seconds(10));
}

inline bool drawn(const PlotRecord& record) {  // window open and drawing complete
  return record.displayed == 1 && record.state == kStateDrawn && record.window_id >= 0;
}

// Runs `act` on the GUI thread for each visible top-level window so captioned; false if none.
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

// Pixels of that colour in [x0, x1) x [y0, y1) of the page (all of it by default).
inline int count_colour(const wintk::PixelBuffer& page, Rgb c, int x0 = 0, int y0 = 0, int x1 = -1,
                        int y1 = -1) {
  const auto colour = static_cast<std::uint32_t>(wintk::creatergb(c.r, c.g, c.b));
  int n = 0;
  for (int y = std::max(y0, 0); y < (y1 < 0 ? page.height : y1); ++y) {
    for (int x = std::max(x0, 0); x < (x1 < 0 ? page.width : x1); ++x) n += page.at(x, y) == colour;
  }
  return n;
}

using velmor::testing::read_file;
using velmor::testing::TempFolder;

}  // namespace velmor::plot::testing
