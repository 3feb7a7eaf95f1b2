// SPDX-License-Identifier: MIT

#include "plot/plot_window.h"

#include <filesystem>
#include <string>

#include "gui/bmp_file.h"
#include "gui/pictures/picture_files.h"
#include "gui/text_util.h"
#include "gui/wintk.h"
#include "plot/toolkit_painter.h"
#include "util/fixed_string.h"

namespace velmor::plot {
namespace {

constexpr int kWindowWidth = 800;
constexpr int kWindowHeight = 600;
// The client size must stay the same over this wait before a redraw, so an interactive resize
// settles first.
constexpr int kSettleMs = 100;
// The display loop waits on its window's own idle event, which the close paths signal and the
// toolkit signals when the window goes; it also looks every so often whether its window still
// exists, as a guard for a wake-up that went astray.
constexpr int kWatchMs = 250;

constexpr int kToolkitWhite = 0xFFFFFF;  // red + green * 256 + blue * 65536
constexpr int kToolkitBlack = 0;
constexpr int kWarningBox = 2;

// Makes the window current without raising it again when it is current already (every redraw
// comes by here).
void make_current(int window) {
  if (wintk::getcurrentwindow() != window) wintk::setcurrentwindow(window);
}

// The caption cannot show line breaks: the title's lines are joined by a blank.
std::string caption_of(const std::string& title) {
  std::string caption;
  bool in_break = false;
  for (const char c : title) {
    if (c == '\r' || c == '\n') {
      if (!in_break && !caption.empty()) caption += ' ';
      in_break = true;
    } else {
      caption += c;
      in_break = false;
    }
  }
  return std::string(util::trimmed(caption));
}

// [SECTION] Handlers. Each knows only its window id and finds the plot through the registry;
// a window whose plot is gone is ignored.

// Resize handler, GUI thread.
void on_resize(int window) {
  const auto record = find_plot_by_window(window);
  if (!record) return;
  PlotState expected = PlotState::kDrawn;
  if (record->state.compare_exchange_strong(expected, PlotState::kRedrawRequested)) {
    wake_display_loop(window);
  }
}

// Title-bar close, GUI thread, asked before the toolkit closes the window. While the display
// loop runs, the loop closes the window itself (0 keeps it open until then), so the window
// never disappears in the middle of a drawing.
int on_system_close(int window) {
  const auto record = find_plot_by_window(window);
  if (!record) return 1;
  record->state = PlotState::kCloseRequested;
  if (!record->loop_running) return 1;
  wake_display_loop(window);
  return 0;
}

// Window close callback, GUI thread: the toolkit closes the window after it.
void on_close(int window) {
  if (const auto record = find_plot_by_window(window)) record->state = PlotState::kCloseRequested;
}

// "Close" menu item, callback thread.
void on_close_item(int window) {
  const auto record = find_plot_by_window(window);
  if (!record) return;
  record->state = PlotState::kCloseRequested;
  if (record->loop_running) {
    wake_display_loop(window);
  } else {
    record->window_id = -1;
    wintk::closewindow(window);
  }
}

// A "View" menu item, callback thread: the display loop shows the view.
void on_view_item(int window, int view) {
  const auto record = find_plot_by_window(window);
  if (!record) return;
  record->requested_view = view;
  PlotState expected = PlotState::kDrawn;
  record->state.compare_exchange_strong(expected, PlotState::kRedrawRequested);
  wake_display_loop(window);
}

// "Save As..." menu item, callback thread.
void on_save_item(int window) {
  if (const auto record = find_plot_by_window(window)) save_plot_image(*record, std::nullopt);
}

// "Print..." menu item, callback thread.
void on_print_item(int window) {
  if (!find_plot_by_window(window) || !wintk::isvalidwindow(window)) return;
  wintk::setcurrentwindow(window);
  wintk::resetviewport();
  wintk::printimage("Plot Window");
}

// [SECTION] Window and drawing

// Opens the plot window with its File menu; false when the toolkit could not. The window is
// shown only once its handlers are in place: its user may close it the moment it appears.
bool create_window(PlotRecord& record) {
  const int window = wintk::initwindow(kWindowWidth, kWindowHeight, "Plot", wintk::kDefaultPosition,
                                       wintk::kDefaultPosition, false, false, -1, false);
  if (window < 0) return false;
  // Known before the handlers are installed: the first resize arrives during enableresize.
  record.window_id = window;
  wintk::setbkcolor(kToolkitWhite);
  wintk::clearviewport();
  wintk::setcolor(kToolkitBlack);
  const int bar = wintk::addmenu("Main", -1);
  const int file = wintk::addmenu("File", bar);
  wintk::addmenuitem("Save As...", file, [window] { on_save_item(window); });
  wintk::addmenuitem("Print...", file, [window] { on_print_item(window); });
  wintk::addmenuitem("Close", file, [window] { on_close_item(window); });
  record.view_items.clear();
  if (!record.views.empty()) {
    const int menu = wintk::addmenu("View", bar);
    for (int v = 0; v < static_cast<int>(record.views.size()); ++v) {
      record.view_items.push_back(wintk::addmenuitem(record.views[v].label, menu,
                                                     [window, v] { on_view_item(window, v); }));
      if (v == record.shown_view) wintk::enablemenuitem(record.view_items.back(), false);
    }
  }
  wintk::enableresize([window] { on_resize(window); });
  wintk::setwindowclosecallback([window] { on_close(window); });
  wintk::setwindowsystemclosecallback([window] { return on_system_close(window); });
  wintk::showwindow(window);
  return true;
}

// Refills the chart with the view's contents, greys its menu item (the others enabled) and
// takes the new title; the caller redraws. The window is current.
void show_view(PlotRecord& record, int view) {
  if (view < 0 || view >= static_cast<int>(record.views.size())) return;
  std::string title;
  {
    const std::lock_guard lock(record.chart_mutex);
    record.chart.GetDataContainer().ClearData();
    record.views[view].fill(record.chart);
    title = caption_of(record.chart.GetTitle());
  }
  record.shown_view = view;
  for (std::size_t v = 0; v < record.view_items.size(); ++v) {
    wintk::enablemenuitem(record.view_items[v], static_cast<int>(v) != view);
  }
  if (!title.empty()) wintk::setwindowtitle(title);
}

void draw_plot(PlotRecord& record, int window) {
  make_current(window);
  ToolkitPainter painter;
  const std::lock_guard lock(record.chart_mutex);
  record.chart.Draw(painter);
}

struct ClientSize {
  int width;
  int height;
  friend bool operator==(const ClientSize&, const ClientSize&) = default;
};

ClientSize client_size() {
  return {wintk::getmaxx() + 1, wintk::getmaxy() + 1};
}

// Clears the window and draws the plot once its size has been stable for kSettleMs. False when
// a close was requested or the window vanished meanwhile.
bool redraw(PlotRecord& record, int window) {
  ClientSize before{};
  do {
    if (record.state == PlotState::kCloseRequested || !wintk::isvalidwindow(window)) return false;
    make_current(window);
    before = client_size();
    wintk::resetviewport();
    wintk::clearviewport();
    wintk::waitidle(window, kSettleMs);
    if (record.state == PlotState::kCloseRequested || !wintk::isvalidwindow(window)) return false;
  } while (client_size() != before);
  draw_plot(record, window);
  PlotState expected = PlotState::kRedrawRequested;
  record.state.compare_exchange_strong(expected, PlotState::kDrawn);
  // A resize during the drawing found the state at 1 and asked for nothing: draw again.
  if (expected == PlotState::kRedrawRequested && client_size() != before) {
    expected = PlotState::kDrawn;
    record.state.compare_exchange_strong(expected, PlotState::kRedrawRequested);
  }
  return true;
}

}  // namespace

// By the window's own idle event: a waker neither needs nor changes the current window, so a
// loop that closes the window meanwhile (after its own time-out) leaves nothing to go wrong.
void wake_display_loop(int window) {
  wintk::signalidle(window);
}

void run_display_loop(PlotRecord& record) {
  if (record.state == PlotState::kCloseRequested) return;
  record.closed.reset();
  record.loop_running = true;
  if (record.window_id < 0) {
    if (!create_window(record)) {
      record.loop_running = false;
      record.state = PlotState::kCloseRequested;
      record.closed.set();
      return;
    }
    // A new window is drawn once when it appears, whether or not the platform reports a resize.
    PlotState expected = PlotState::kDrawn;
    record.state.compare_exchange_strong(expected, PlotState::kRedrawRequested);
  }
  const int window = record.window_id;
  record.displayed = 1;
  wintk::setcurrentwindow(window);
  std::string title;
  {
    const std::lock_guard lock(record.chart_mutex);
    title = caption_of(record.chart.GetTitle());
  }
  if (!title.empty()) wintk::setwindowtitle(title);
  if (record.ready) record.ready->set();

  while (record.state != PlotState::kCloseRequested) {
    if (!wintk::isvalidwindow(window)) break;
    if (const int view = record.requested_view.exchange(-1); view >= 0) {
      make_current(window);
      show_view(record, view);
      PlotState expected = PlotState::kDrawn;
      record.state.compare_exchange_strong(expected, PlotState::kRedrawRequested);
    }
    if (record.state == PlotState::kRedrawRequested) {
      if (redraw(record, window) && record.ready) record.ready->set();
      continue;
    }
    wintk::waitidle(window, kWatchMs);
  }

  record.state = PlotState::kCloseRequested;
  if (record.window_id.exchange(-1) >= 0) wintk::closewindow(window);
  record.loop_running = false;
  record.closed.set();
}

// [SECTION] Saving and drawing in place

namespace {

// Save As offers the picture formats by the name's extension; any other name is a BMP picture.
constexpr const char* kPicturePatterns = "*.bmp *.png *.svg *.pdf";
constexpr const char* kPictureDescription = "Pictures: BMP, PNG, SVG or PDF";
constexpr const char* kMsgReplacePicture = " already exists.\r\nDo you want to replace it?";

// The name chosen in the save dialog, ".BMP" appended to one without a three-letter extension;
// empty when cancelled or when the user would not replace an existing file.
std::string ask_picture_name() {
  std::string name;
  if (!wintk::dlgsavefile(name, kPicturePatterns, kPictureDescription, "Save As")) return {};
  if (!picture_format_of_file(name) && !wintk::text::has_three_letter_extension(name)) {
    name += ".BMP";
  }
  std::error_code error;
  if (std::filesystem::exists(name, error) &&
      !wintk::dlgquestion("Save As", name + kMsgReplacePicture)) {
    return {};
  }
  return name;
}

// The area of the current window as a BMP file, or the chart drawn anew by the chart engine at
// the area's size as a PNG, SVG or PDF file, by the name's extension.
bool write_picture(PlotRecord& record, const wintk::ViewSettings& area, const std::string& path,
                   std::string& error) {
  const auto format = picture_format_of_file(path);
  if (!format) {
    return wintk::bmp::write_bmp(
        path, wintk::getpagepixels(area.left, area.top, area.right, area.bottom), &error);
  }
  const int width = (area.right < 0 ? wintk::getmaxx() : area.right) - area.left + 1;
  const int height = (area.bottom < 0 ? wintk::getmaxy() : area.bottom) - area.top + 1;
  const std::lock_guard lock(record.chart_mutex);
  return save_chart_picture(record.chart, width, height, *format, path, &error);
}

}  // namespace

int save_plot_image(PlotRecord& record, std::optional<std::string_view> file_name) {
  int window = record.window_id;
  wintk::ViewSettings area{0, 0, -1, -1, false};  // -1: the client's last column and row
  if (!wintk::isvalidwindow(window)) {
    const PlotRecord::EmbedTarget embedded = record.embed_target();
    window = embedded.window;
    if (!wintk::isvalidwindow(window)) return -1;
    // The embed rectangle belongs to the window the plot was embedded in.
    const EmbedRect& r = embedded.rect;
    if (r.w > 0 && r.h > 0) area = {r.x, r.y, r.x + r.w - 1, r.y + r.h - 1, false};
  }
  const std::string path = file_name ? std::string(util::trimmed(*file_name)) : ask_picture_name();
  if (path.empty()) return file_name ? -1 : 0;
  const int previous = wintk::getcurrentwindow();
  make_current(window);
  std::string why;
  const bool written = write_picture(record, area, path, why);
  if (previous != window && wintk::isvalidwindow(previous)) wintk::setcurrentwindow(previous);
  // The user who chose the name in the dialog learns why nothing was saved; a caller that gave
  // the name gets the result.
  if (!file_name) {
    if (!written) wintk::dlgmessage(kWarningBox, why);
    return 0;
  }
  // A file left from before does not count: only one written now and really a file.
  std::error_code error;
  return written && std::filesystem::is_regular_file(path, error) ? 0 : -1;
}

void embed_plot_into(PlotRecord& record, int window, int x, int y, int w, int h) {
  if (!wintk::isvalidwindow(window) || w <= 0 || h <= 0) return;
  const int previous = wintk::getcurrentwindow();
  make_current(window);
  const wintk::ViewSettings saved = wintk::getviewsettings();
  wintk::setviewport(x, y, x + w - 1, y + h - 1, true);
  wintk::setfillstyle(1, kToolkitWhite);
  wintk::bar(0, 0, w - 1, h - 1);
  wintk::setcolor(kToolkitBlack);
  {
    ToolkitPainter painter;
    const std::lock_guard lock(record.chart_mutex);
    record.chart.Draw(painter);
  }
  wintk::setviewport(saved.left, saved.top, saved.right, saved.bottom, saved.clip);
  record.set_embed_target({window, {x, y, w, h}});
  if (previous != window && wintk::isvalidwindow(previous)) wintk::setcurrentwindow(previous);
}

}  // namespace velmor::plot
