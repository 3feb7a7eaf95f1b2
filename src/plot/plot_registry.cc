// SPDX-License-Identifier: MIT

#include <algorithm>
#include <vector>

#include "plot/plot_record.h"
#include "plot/plot_window.h"

namespace velmor::plot {
namespace {

// The one process-wide list of plots: the window handlers only know their window id and have to
// find the plot from it.
struct Registry {
  std::mutex mutex;  // guards plots and displays_ended
  std::vector<std::shared_ptr<PlotRecord>> plots;
  bool displays_ended = false;  // new plots start with their close requested
};

Registry& registry() {
  static Registry instance;
  return instance;
}

}  // namespace

void register_plot(std::shared_ptr<PlotRecord> record) {
  Registry& r = registry();
  const std::lock_guard lock(r.mutex);
  if (r.displays_ended) record->state = PlotState::kCloseRequested;
  r.plots.push_back(std::move(record));
}

void set_plot_displays_ended(bool ended) {
  std::vector<std::shared_ptr<PlotRecord>> plots;
  {
    Registry& r = registry();
    const std::lock_guard lock(r.mutex);
    r.displays_ended = ended;
    if (ended) plots = r.plots;
  }
  // Outside the registry's lock: waking a window calls the toolkit.
  for (const auto& plot : plots) {
    plot->state = PlotState::kCloseRequested;
    if (plot->loop_running) wake_display_loop(plot->window_id);
  }
}

std::shared_ptr<PlotRecord> unregister_plot(const PlotRecord* record) {
  Registry& r = registry();
  const std::lock_guard lock(r.mutex);
  const auto it = std::find_if(r.plots.begin(), r.plots.end(),
                               [record](const auto& p) { return p.get() == record; });
  if (it == r.plots.end()) return nullptr;
  std::shared_ptr<PlotRecord> owned = std::move(*it);
  r.plots.erase(it);
  return owned;
}

std::shared_ptr<PlotRecord> find_plot_by_window(int window) {
  if (window < 0) return nullptr;
  Registry& r = registry();
  const std::lock_guard lock(r.mutex);
  for (const auto& p : r.plots) {
    if (p->window_id.load() == window) return p;
  }
  return nullptr;
}

bool is_registered(const PlotRecord* record) {
  Registry& r = registry();
  const std::lock_guard lock(r.mutex);
  return std::any_of(r.plots.begin(), r.plots.end(),
                     [record](const auto& p) { return p.get() == record; });
}

}  // namespace velmor::plot
