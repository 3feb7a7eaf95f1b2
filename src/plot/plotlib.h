// SPDX-License-Identifier: MIT

#pragma once

// plotlib: the procedural front end through which the application makes an XY plot. Create a
// plot, add series, set titles, labels, scales and series styles, show it in a toolkit window
// of its own (File menu "Save As...", "Print...", "Close"), destroy it.
//
// A plot_t is an opaque, non-owning handle: the process-wide plot registry owns the record from
// initialize_plot until destroy_plot (which also nulls the handle). ScopedPlot below destroys a
// plot at the end of a scope. Every setter on a null handle does nothing. Strings are trimmed of
// trailing blanks. Series are numbered from 0 in the order of add_dataset.
//
// Threads: a plot is built and displayed by one thread (the application's main routine). While
// display_plot runs, the window's resize and close handlers run on the GUI thread and the menu
// items on callback threads; they reach the plot only through its state and the idle event.

#include <optional>
#include <span>
#include <string_view>

#include "plot/chart/chart.h"

namespace velmor::plot {

struct PlotRecord;
using plot_t = PlotRecord*;

// A new plot with an empty chart: both axes autoscaled, the Y axis at the left edge, margins
// 0/20/60/60, both grids on. Registered until destroy_plot.
plot_t initialize_plot();

// Appends a series of min(x.size(), y.size()) points, stored as single-precision floats; it gets
// the default legend (name "plot i", colour by i mod 7), a line drawer and no selection.
void add_dataset(plot_t plot, std::span<const double> x, std::span<const double> y);
void add_dataset(plot_t plot, std::span<const float> x, std::span<const float> y);

void set_title(plot_t plot, std::string_view title);
void set_xlabel(plot_t plot, std::string_view label);
void set_ylabel(plot_t plot, std::string_view label);
void set_serieslabel(plot_t plot, int series, std::string_view label);
// red, green, blue 0..255 (values outside are clamped).
void set_seriescolor(plot_t plot, int series, int red, int green, int blue);
// 0 line, 1 big dots (5 pixels), 2 bars, 3 small dots; any other value changes nothing.
void set_seriestype(plot_t plot, int series, int type);
// A fixed range (stored as float): autoscaling off at both ends.
void set_xscale(plot_t plot, double min, double max);
void set_yscale(plot_t plot, double min, double max);
void set_xautoscale(plot_t plot);
void set_yautoscale(plot_t plot);
// A base <= 0 (or 1) becomes 10.
void set_xlogarithmic(plot_t plot, double base = 10.0);
void set_ylogarithmic(plot_t plot, double base = 10.0);
void set_xlinear(plot_t plot);
void set_ylinear(plot_t plot);

// Synchronous (default): opens the plot's window (800 x 600 client area, title "Plot" or the
// plot title) on the first call, draws the plot and redraws it after every resize, and returns
// when the window has been closed (title-bar button, "Close" item, close_plot). Returns at once
// for a plot whose close was already requested.
// Asynchronous: runs that loop on a display thread of the plot and returns once it has started
// (or, when it runs already, once a redraw is complete).
void display_plot(plot_t plot, bool asynchronous = false);

// Requests the close and waits until the display loop has ended and the window is gone.
void close_plot(plot_t plot);

// Writes the plot window's client area (or the embed rectangle of the window the plot was last
// embedded in, when it has no window) as a BMP file, or, for a name ending in ".png", ".svg" or
// ".pdf" (any case), the chart drawn anew by the chart engine at that size as a PNG, SVG or PDF
// file (picture_files.h). With a name: 0 when the file was written and is a regular file, else
// -1. Without a name a save dialog offering the four formats asks for one (".BMP" appended to a
// name without a three-letter extension; an existing file is replaced only if the user says so;
// a failure is explained in a warning) and the result is 0. -1 without a valid window.
int save_plot(plot_t plot, std::optional<std::string_view> file_name = std::nullopt);

// Draws the plot once into the rectangle (x, y, w, h) of an existing window, white background,
// and remembers window and rectangle for save_plot. No display loop.
void embed_plot(plot_t plot, int window, int x, int y, int w, int h);

// Closes the plot's window (waiting for its display loop to end), ends its display thread,
// unregisters and frees the record; the handle becomes null. Null handles are ignored.
void destroy_plot(plot_t& plot);

// The plot's chart (null for a null handle), for code that builds a plot's contents in one go
// (fit_charts.h) and for tests. Do not use it while the plot is displayed asynchronously.
Chart* plot_chart(plot_t plot);
// The id of the plot's window, -1 when it has none (or for a null handle).
int plot_window(plot_t plot);

// Owns a plot for a scope: destroy_plot at the end.
class ScopedPlot {
 public:
  ScopedPlot() : plot_(initialize_plot()) {}
  ~ScopedPlot() { destroy_plot(plot_); }
  ScopedPlot(const ScopedPlot&) = delete;
  ScopedPlot& operator=(const ScopedPlot&) = delete;

  plot_t get() const { return plot_; }
  // Destroys the plot now (the handle becomes null).
  void reset() { destroy_plot(plot_); }

 private:
  plot_t plot_;
};

}  // namespace velmor::plot
