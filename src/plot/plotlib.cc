// SPDX-License-Identifier: MIT

#include "plot/plotlib.h"

#include <algorithm>
#include <string>
#include <vector>

#include "gui/wintk.h"
#include "plot/plot_record.h"
#include "plot/plot_setup.h"
#include "plot/plot_window.h"
#include "util/fixed_string.h"

namespace velmor::plot {
namespace {

std::string trimmed(std::string_view text) {
  return std::string(util::trimmed(text));
}

// Runs fn on the plot's chart under its lock; nothing for a null handle.
template <typename Fn>
void with_chart(plot_t plot, Fn&& fn) {
  if (plot == nullptr) return;
  const std::lock_guard lock(plot->chart_mutex);
  fn(plot->chart);
}

std::uint8_t channel(int value) {
  return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

// Requests the close of a plot whose display loop runs and waits for the loop to end; a window
// without a running loop is closed directly.
void close_and_wait(PlotRecord& record) {
  record.state = PlotState::kCloseRequested;
  if (record.loop_running) {
    wake_display_loop(record.window_id);
    record.closed.wait();
  } else if (const int window = record.window_id.exchange(-1); window >= 0) {
    wintk::closewindow(window);
  }
}

}  // namespace

plot_t initialize_plot() {
  auto record = std::make_shared<PlotRecord>();
  apply_plot_defaults(record->chart);
  plot_t handle = record.get();
  register_plot(std::move(record));
  return handle;
}

void add_dataset(plot_t plot, std::span<const double> x, std::span<const double> y) {
  with_chart(plot, [&](Chart& chart) { add_series(chart, x, y); });
}

void add_dataset(plot_t plot, std::span<const float> x, std::span<const float> y) {
  const std::vector<double> xd(x.begin(), x.end());
  const std::vector<double> yd(y.begin(), y.end());
  add_dataset(plot, std::span<const double>(xd), std::span<const double>(yd));
}

void set_title(plot_t plot, std::string_view title) {
  with_chart(plot, [&](Chart& chart) { chart.SetTitle(trimmed(title)); });
}

void set_xlabel(plot_t plot, std::string_view label) {
  with_chart(plot, [&](Chart& chart) { chart.GetXAxis().label = trimmed(label); });
}

void set_ylabel(plot_t plot, std::string_view label) {
  with_chart(plot, [&](Chart& chart) { chart.GetYAxis().label = trimmed(label); });
}

void set_serieslabel(plot_t plot, int series, std::string_view label) {
  with_chart(plot, [&](Chart& chart) { set_series_label(chart, series, trimmed(label)); });
}

void set_seriescolor(plot_t plot, int series, int red, int green, int blue) {
  with_chart(plot, [&](Chart& chart) {
    set_series_colour(chart, series, {channel(red), channel(green), channel(blue)});
  });
}

void set_seriestype(plot_t plot, int series, int type) {
  with_chart(plot, [&](Chart& chart) { set_series_type(chart, series, type); });
}

void set_xscale(plot_t plot, double min, double max) {
  with_chart(plot, [&](Chart& chart) {
    chart.GetXAxis().SetFixedRange(static_cast<float>(min), static_cast<float>(max));
  });
}

void set_yscale(plot_t plot, double min, double max) {
  with_chart(plot, [&](Chart& chart) {
    chart.GetYAxis().SetFixedRange(static_cast<float>(min), static_cast<float>(max));
  });
}

void set_xautoscale(plot_t plot) {
  with_chart(plot, [](Chart& chart) { chart.GetXAxis().SetAutoscale(); });
}

void set_yautoscale(plot_t plot) {
  with_chart(plot, [](Chart& chart) { chart.GetYAxis().SetAutoscale(); });
}

void set_xlogarithmic(plot_t plot, double base) {
  with_chart(plot, [&](Chart& chart) { set_axis_logarithmic(chart.GetXAxis(), base); });
}

void set_ylogarithmic(plot_t plot, double base) {
  with_chart(plot, [&](Chart& chart) { set_axis_logarithmic(chart.GetYAxis(), base); });
}

void set_xlinear(plot_t plot) {
  with_chart(plot, [](Chart& chart) { set_axis_linear(chart.GetXAxis()); });
}

void set_ylinear(plot_t plot) {
  with_chart(plot, [](Chart& chart) { set_axis_linear(chart.GetYAxis()); });
}

void add_plot_view(plot_t plot, std::string_view label, std::function<void(Chart&)> fill,
                   bool shown) {
  if (plot == nullptr || !fill) return;
  if (shown) plot->shown_view = static_cast<int>(plot->views.size());
  plot->views.push_back({std::string(label), std::move(fill)});
}

void display_plot(plot_t plot, bool asynchronous) {
  if (plot == nullptr) return;
  PlotRecord& record = *plot;
  if (!asynchronous) {
    run_display_loop(record);
    return;
  }
  if (!record.ready) record.ready = std::make_unique<ManualResetEvent>();
  if (record.display_thread.joinable() && !record.loop_running) {
    // The window of an earlier asynchronous display was closed: show the plot again. The ended
    // loop left the event set; the wait below is for the new loop.
    record.display_thread.join();
    record.ready->reset();
  }
  if (!record.display_thread.joinable()) {
    record.state = PlotState::kRedrawRequested;
    record.display_thread = std::thread([&record] {
      run_display_loop(record);
      record.ready->set();  // no one may wait for a loop that could not start
    });
  } else {
    // A drawing finished earlier may have left the event set; wait for this redraw.
    record.ready->reset();
    record.state = PlotState::kRedrawRequested;
    wake_display_loop(record.window_id);
  }
  record.ready->wait();
  record.ready->reset();
}

void close_plot(plot_t plot) {
  if (plot == nullptr) return;
  close_and_wait(*plot);
}

int save_plot(plot_t plot, std::optional<std::string_view> file_name) {
  if (plot == nullptr) return -1;
  return save_plot_image(*plot, file_name);
}

void embed_plot(plot_t plot, int window, int x, int y, int w, int h) {
  if (plot == nullptr) return;
  embed_plot_into(*plot, window, x, y, w, h);
}

void destroy_plot(plot_t& plot) {
  if (plot == nullptr) return;
  if (plot->window_id >= 0 || plot->loop_running) close_and_wait(*plot);
  if (plot->display_thread.joinable()) plot->display_thread.join();
  // Handlers that found the record keep it alive until they are done with it.
  unregister_plot(plot);
  plot = nullptr;
}

void end_plot_displays() {
  set_plot_displays_ended(true);
}

void allow_plot_displays() {
  set_plot_displays_ended(false);
}

Chart* plot_chart(plot_t plot) {
  return plot == nullptr ? nullptr : &plot->chart;
}

int plot_window(plot_t plot) {
  return plot == nullptr ? -1 : plot->window_id.load();
}

}  // namespace velmor::plot
