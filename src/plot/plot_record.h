// SPDX-License-Identifier: MIT

#pragma once

// The plot record behind a plot_t and the process-wide registry through which the window's
// handlers find "their" plot. Internal to plotlib.

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

#include "plot/chart/chart.h"
#include "plot/manual_reset_event.h"

namespace velmor::plot {

// Values of PlotRecord::state; they drive the display loop.
inline constexpr int kStateCloseRequested = 0;
inline constexpr int kStateRedrawRequested = 1;
inline constexpr int kStateDrawn = 2;

struct EmbedRect {
  int x = -1;
  int y = -1;
  int w = -1;
  int h = -1;
};

struct PlotRecord {
  // Written by the display loop, the handlers (GUI thread) and the menu items (callback
  // threads), hence atomic.
  std::atomic<int> window_id{-1};
  std::atomic<int> displayed{0};
  std::atomic<int> state{kStateDrawn};
  std::atomic<bool> loop_running{false};

  // Only for the asynchronous display: the thread that runs the display loop, and the event
  // signalled when the loop has started and after each completed drawing. Owned and joined by
  // the thread that displays and destroys the plot.
  std::thread display_thread;
  std::unique_ptr<ManualResetEvent> ready;
  // Set when the display loop has ended and the window is gone.
  ManualResetEvent closed;

  // Where embed_plot last drew the plot (window id -1: never).
  std::atomic<int> embed_window_id{-1};
  EmbedRect embed;

  // Guards the chart between the setters and a drawing on another thread.
  std::mutex chart_mutex;
  Chart chart;
};

// The registry owns every record from initialize_plot to destroy_plot. Lookups hand out shared
// ownership, so a handler that found a record can finish with it even if the plot is destroyed
// meanwhile. Any thread; the registry's lock is never held while the toolkit is called.
void register_plot(std::shared_ptr<PlotRecord> record);
// Removes the record and returns the registry's reference (null if it was not registered).
std::shared_ptr<PlotRecord> unregister_plot(const PlotRecord* record);
// The registered plot shown in that window, or null.
std::shared_ptr<PlotRecord> find_plot_by_window(int window);
bool is_registered(const PlotRecord* record);

}  // namespace velmor::plot
