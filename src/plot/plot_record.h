// SPDX-License-Identifier: MIT

#pragma once

// The plot record behind a plot_t and the process-wide registry through which the window's
// handlers find "their" plot. Internal to plotlib.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "plot/chart/chart.h"
#include "plot/manual_reset_event.h"

namespace velmor::plot {

// What the display loop of a plot is to do next (PlotRecord::state). Requests come from the
// setters, the window's handlers and the menu items; only the loop moves a plot to kDrawn.
enum class PlotState {
  kCloseRequested,   // end the loop and close the window; a new display starts a new loop
  kRedrawRequested,  // draw the chart again at the next turn of the loop
  kDrawn,            // the window shows the chart as it stands
};

struct EmbedRect {
  int x = -1;
  int y = -1;
  int w = -1;
  int h = -1;
};

// Another content of the plot that its window's "View" menu offers (the residuals against the
// row number or against time, say): `fill` replaces the chart's contents.
struct PlotView {
  std::string label;
  std::function<void(Chart&)> fill;
};

struct PlotRecord {
  // Written by the display loop, the handlers (GUI thread) and the menu items (callback
  // threads), hence atomic.
  std::atomic<int> window_id{-1};
  std::atomic<int> displayed{0};
  std::atomic<PlotState> state{PlotState::kDrawn};
  std::atomic<bool> loop_running{false};

  // Only for the asynchronous display: the thread that runs the display loop, and the event
  // signalled when the loop has started and after each completed drawing. Owned and joined by
  // the thread that displays and destroys the plot.
  std::thread display_thread;
  std::unique_ptr<ManualResetEvent> ready;
  // Set when the display loop has ended and the window is gone.
  ManualResetEvent closed;

  // Where embed_plot last drew the plot (window -1: never). Written by embed_plot and read by
  // save_plot, which a menu item runs on a callback thread.
  struct EmbedTarget {
    int window = -1;
    EmbedRect rect;
  };
  EmbedTarget embed_target() const {
    const std::lock_guard lock(embed_mutex);
    return embed;
  }
  void set_embed_target(const EmbedTarget& target) {
    const std::lock_guard lock(embed_mutex);
    embed = target;
  }

  // Guards the chart between the setters and a drawing on another thread.
  std::mutex chart_mutex;
  Chart chart;

  // Added before the plot is displayed, then only read. The view the chart shows (-1: its own
  // contents, no view) belongs to the display loop; a "View" menu item (callback thread) leaves
  // its choice in requested_view (-1: none) and wakes the loop.
  std::vector<PlotView> views;
  int shown_view = -1;
  std::vector<int> view_items;  // the views' menu items in the present window
  std::atomic<int> requested_view{-1};

 private:
  mutable std::mutex embed_mutex;  // guards embed
  EmbedTarget embed;
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
// ended: the close of every registered plot is requested, and of every plot registered from
// now on, until this is called with false.
void set_plot_displays_ended(bool ended);

}  // namespace velmor::plot
