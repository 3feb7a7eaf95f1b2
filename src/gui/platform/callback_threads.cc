// SPDX-License-Identifier: MIT

#include "gui/platform/callback_threads.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "gui/platform/window_record.h"

namespace wintk::platform {
namespace {

// Callback threads still to be joined. Finished ones are joined when the next one starts, so
// the list stays as short as the number of callbacks running at the same time.
struct CallbackThreads {
  std::mutex mutex;
  std::condition_variable finished_cv;
  std::vector<std::thread> threads;
  std::vector<std::thread::id> finished;
  int running = 0;
};

CallbackThreads& callback_threads() {
  static CallbackThreads instance;
  return instance;
}

void join_finished(CallbackThreads& all) {
  for (const auto id : all.finished) {
    const auto it = std::find_if(all.threads.begin(), all.threads.end(),
                                 [id](const std::thread& t) { return t.get_id() == id; });
    if (it != all.threads.end()) {
      it->join();
      all.threads.erase(it);
    }
  }
  all.finished.clear();
}

void run_callback(const std::shared_ptr<WindowRecord>& window, const Callback& callback) {
  {
    // The creator holds this lock until our id is in the list.
    const std::lock_guard wait_for_registration(window->threads_mutex);
  }
  try {
    callback();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "wintk: a callback failed: %s\n", error.what());
  } catch (...) {
    std::fprintf(stderr, "wintk: a callback failed\n");
  }
  {
    const std::lock_guard lock(window->threads_mutex);
    auto& ids = window->threads;
    const auto it = std::find(ids.begin(), ids.end(), std::this_thread::get_id());
    if (it != ids.end()) ids.erase(it);
  }
  auto& all = callback_threads();
  {
    const std::lock_guard lock(all.mutex);
    all.finished.push_back(std::this_thread::get_id());
    --all.running;
  }
  all.finished_cv.notify_all();
}

}  // namespace

void start_callback_thread(const std::shared_ptr<WindowRecord>& window, Callback callback) {
  if (!callback) return;
  auto& all = callback_threads();
  const std::lock_guard lock(all.mutex);
  join_finished(all);
  std::unique_lock registration(window->threads_mutex);
  all.threads.emplace_back(run_callback, window, std::move(callback));
  window->threads.push_back(all.threads.back().get_id());
  ++all.running;
}

void finish_callback_threads(std::chrono::milliseconds timeout) {
  auto& all = callback_threads();
  std::unique_lock lock(all.mutex);
  all.finished_cv.wait_for(lock, timeout, [&all] { return all.running == 0; });
  join_finished(all);
  for (auto& thread : all.threads) thread.detach();
  all.threads.clear();
}

}  // namespace wintk::platform
